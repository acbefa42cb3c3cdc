#pragma once
#include <QList>
#include <QString>
#include <QVariant>

class QAbstractItemModel;
class QMetaType;

// A record set as the export sees it: the visible columns in order, with the
// kind that chooses each column's number format, and the rows' raw values.
struct ExportTable
{
    enum class Kind { Date, DateTime, Time, Number, Integer, Text, Other };
    struct Column
    {
        QString label;
        Kind kind = Kind::Text;
    };

    QString title;
    QList<Column> columns;
    QList<QVariantList> rows; // one value per column; a missing or null value leaves the cell empty

    // The kind a value type exports as (QDate → Date, double → Number, QString → Text, …).
    static Kind kindOf(const QMetaType &type);
    // The displayed columns of a model: header labels as labels, the edit-role
    // values as values and each column's kind from its first non-null value.
    // An empty column list takes every column.
    static ExportTable fromModel(const QAbstractItemModel &model, const QString &title,
                                 const QList<int> &modelColumns = {});
};

namespace Export {
// Writes the table as an .xlsx workbook: row 1 the title merged over the
// columns, centred, in the given font; row 2 the labels; then one row per
// record with the number format of its column, thin borders from row 2 down
// and columns wide enough for their texts. False with a readable reason on failure.
bool writeWorkbook(const QString &path, const ExportTable &table, const QString &fontName, double fontSize,
                   QString *error);

// The export button of the query and list windows: checks the export right
// ("18"), asks for the file and writes it; the user is told of a refusal or
// a failure. The workbook is always .xlsx.
void ExportToExcel(const ExportTable &table, const QString &title, const QString &fontName, double fontSize);
} // namespace Export
