#pragma once
#include <QList>
#include <QString>
#include <QVariant>
#include <vector>

class QMetaType;
class RowSource;
struct GridColumn;

// Rows as the export sees them: the shown columns in order, with the kind
// that chooses each column's number format, and the rows' typed values.
struct ExportTable
{
    enum class Kind { Date, DateTime, Time, Number, Integer, Text, Other };
    struct Column
    {
        QString label;
        Kind kind = Kind::Text;
        int decimals = 2; // Number: places of its format; -1: the general format
    };

    QString title;
    QList<Column> columns;
    QList<QVariantList> rows; // one value per column; a missing or null value leaves the cell empty

    // The kind a value type exports as (QDate → Date, double → Number, QString → Text, …).
    static Kind kindOf(const QMetaType &type);
    // The given rows of a row source (the rows in sight, in the order shown)
    // in the given columns (the shown ones), typed by the source's fields,
    // never by the texts on screen: a Decimal is a number with the column's
    // decimals (its format's, else the field's scale), an Integer an integer,
    // a DateTime a date (a date and time when the column's format or the
    // stored values carry a time), Text text, and a flag the text the grid
    // stands for ("√" when set).
    static ExportTable fromRows(const RowSource &source, const std::vector<GridColumn> &columns,
                                const std::vector<int> &rows, const QString &title);
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
