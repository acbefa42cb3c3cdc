#pragma once
#include "system/report_engine.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <vector>

class QSqlQuery;
class RowSource;
struct GridColumn;

// A grid as plain data: the visible columns and the rows as shown.
struct TableColumn
{
    QString field;
    QString label;
    bool numeric = false; // numbers stand right-aligned
    bool visible = true;
};

struct TableData
{
    QList<TableColumn> columns;
    QList<QStringList> rows; // one text per column, in column order

    // The rows of an executed query, values formatted as on a print
    // (numbers "0.00", dates "yyyy-MM-dd"); labels default to the field names.
    static TableData fromQuery(QSqlQuery &query);
    // The given rows of a row source (the rows in sight, in the order shown)
    // in the given columns (the shown ones), each value as the grid shows it;
    // numbers stand right-aligned.
    static TableData fromRows(const RowSource &source, const std::vector<GridColumn> &columns,
                              const std::vector<int> &rows);
};

// How a grid is printed. Alignments: 0 left, 1 centre, anything else right.
// Paper codes: 8 A3, 9 A4 (11 A5); other codes print on A4.
struct TablePrintOptions
{
    QString title;
    QString pageHeader;
    QString pageFooter;
    int headerAlignment = 0;
    int titleAlignment = 0;
    bool landscape = false;
    int paper = 8;
};

// The plain table print (PrintDataSetTable): a framed table of the visible
// columns under a title, the column header repeated on every page, an
// optional page header and a page footer ending in the page number.
class TableReport
{
public:
    static Qt::Alignment alignment(int code);
    static QPageSize paperSize(int code);
    // The footer as printed: footer + "    第[PAGE#]页", or "第[PAGE#]页" alone.
    static QString footerText(const QString &footer);
    static QString html(const TableData &table, const TablePrintOptions &options);
    static PrintJob job(const TableData &table, const TablePrintOptions &options);
};
