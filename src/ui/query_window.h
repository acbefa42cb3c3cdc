#pragma once
#include "core/db/query_spec.h"

#include <QWidget>

class GridFilterModel;
class GridFooter;
class GridView;
class QCheckBox;
class QDateEdit;
class QLineEdit;
class QPushButton;
class QTableView;
class QueryResult;
class ReportData;
class RowModel;

// The query window family: one QuerySpec shown as a window.
// - 从 ("fromDate") and 到 ("toDate") when the description has a date range, a check
//   box per state flag (named by the flag), a text box ("textBox") when the
//   description has one, and "查询" ("queryButton") that runs the description's SELECT;
// - the rows in a read-only grid ("grid") with a quick filter ("filterBox")
//   over the loaded rows and the counts and sums of the rows in sight under it
//   ("footer");
// - "导出" ("exportButton"): the shown columns of the rows in sight to Excel,
//   typed (numbers as numbers, dates as dates);
// - "打印" ("printButton"): the description's print template with the rows in sight
//   as its lines and 从/到 as ksrq/jsrq, or the plain table when the template
//   cannot be used; "设计" ("designButton") opens the print format;
// - a double click asks, through AppEvents::openDocument, for the description's
//   target window on the row's number.
// The window deletes itself when closed.
class QueryWindow : public QWidget
{
    Q_OBJECT
public:
    explicit QueryWindow(QuerySpec spec, QWidget *parent = nullptr);
    ~QueryWindow() override;

    const QuerySpec &spec() const { return m_spec; }
    // The inputs as the SQL builder gets them.
    QueryParams params() const;
    // The rows of the last query (nullptr before the first).
    QueryResult *result() const { return m_result; }
    RowModel *model() const { return m_model; }
    GridFilterModel *filterModel() const { return m_filter; }
    GridFooter *footer() const { return m_footer; }
    QTableView *view() const;
    // The rows in sight, in the order shown.
    std::vector<int> rowsInSight() const;
    // The print data: the rows in sight as lines (every result column by
    // name), 从/到 as the variables ksrq/jsrq and the text box as cxnr.
    ReportData printData() const;

public Q_SLOTS:
    // "查询": runs the SELECT for the inputs; false after an error, which is shown.
    bool runQuery();
    void exportRows();
    void printRows();
    void design();
    // A double click on a row of the result.
    void openRow(int resultRow);

protected:
    void showEvent(QShowEvent *event) override;

private:
    std::vector<GridColumn> shownColumns() const;

    QuerySpec m_spec;
    QueryResult *m_result = nullptr;
    RowModel *m_model = nullptr;
    GridFilterModel *m_filter = nullptr;
    GridView *m_view = nullptr;
    GridFooter *m_footer = nullptr;
    QDateEdit *m_from = nullptr;
    QDateEdit *m_to = nullptr;
    std::vector<QCheckBox *> m_flags;
    QLineEdit *m_text = nullptr;
    QLineEdit *m_filterBox = nullptr;
    bool m_ranOnOpen = false;
};
