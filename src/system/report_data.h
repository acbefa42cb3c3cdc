#pragma once
#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariant>
#include <QVariantMap>

class QSqlQuery;
class QSqlRecord;

// What a print template sees: the document header, its lines, the company row
// and the window's named variables. Every value is offered twice: formatted
// ({{JE}} → "12.50", dates "yyyy-MM-dd") and as stored ({{JE_raw}}).
//
// In a template: {{header.KHMC}}, {{#lines}}{{SPMC}} {{JE}}{{/lines}},
// {{company.GSMC}}, variables by name ({{ksrq}}), {{_no}} the 1-based line
// number inside the line loop, {{_today}} and {{_user}}, and
// {{#barcode}}{{header.ID}}{{/barcode}} for a Code 128 bar code picture.
class ReportData
{
public:
    QVariantMap header;
    QList<QVariantMap> lines;
    QVariantMap company;
    QVariantMap variables;

    void setVariable(const QString &name, const QVariant &value) { variables.insert(name, value); }
    // Reads the company row (bm_gsxx); leaves company empty when there is none.
    void loadCompany();

    // A record as a map, field names spelled as the schema spells them.
    static QVariantMap rowFrom(const QSqlRecord &record);
    // All remaining rows of an executed query.
    static QList<QVariantMap> rowsFrom(QSqlQuery &query);
    // A query's rows as the lines of a report (the grid of a query window).
    static ReportData fromQuery(QSqlQuery &query);

    // The formatted text of a value: decimal columns and floating values as
    // "0.00", date columns and dates as "yyyy-MM-dd", null as empty.
    static QString formatValue(const QString &field, const QVariant &value);
    // A column the schema declares decimal (money, quantities) and never as text.
    static bool isDecimalField(const QString &field);
    // The value as stored, as text.
    static QString rawValue(const QVariant &value);

    // A Code 128 picture of the text as PNG bytes; empty when the text cannot
    // be encoded (empty, or characters Code 128 has no place for).
    static QByteArray barcodePng(const QString &text, int heightModules = 30);
    // An <img> element showing that picture inline, or the escaped text itself
    // when no bar code can be made, so that the print never loses the value.
    static QString barcodeHtml(const QString &text);
};
