#pragma once
#include "core/db/grid_spec.h"
#include "core/outcome.h"

#include <QDialog>
#include <QPointer>
#include <QStringList>
#include <QVariantMap>
#include <optional>
#include <vector>

class GridFilterModel;
class GridView;
class QHBoxLayout;
class QLineEdit;
class QTableView;
class RecordSet;
class RowModel;
class RowSource;

// The pickers base: a modal list from which a caller takes one row (customer,
// supplier, item, points goods, product). It shows a RowSource (a QueryResult,
// or a RecordSet for a picker that also edits its rows) with a filter box
// "过滤：" ("filterBox") over the loaded rows and the grid ("grid").
//
// - pick(text) re-reads the rows (reload()), puts `text` into the filter box,
//   runs modally and returns the picked row (every field of the source by its
//   name, as the source types it), or nothing when the user cancelled;
// - a double click on a row, Enter anywhere in the dialog (the filter box
//   included) or, when allowed, "+" picks the current row; with no current row
//   (an empty list, a filter that hides everything) nothing happens;
// - Esc or closing the window cancels;
// - closing (picked or not) empties the filter box, so the next caller starts
//   from its own text.
//
// Subclasses (a picker that edits its rows) hook into leaving: canLeave() is
// asked before a pick and before a cancel; returning false keeps the dialog
// open (the hook asks its own question).
class PickerWindow : public QDialog
{
    Q_OBJECT
public:
    // columns: the grid's columns in order (hidden ones stay in the row);
    // filterFields: the fields the filter box searches (empty: every visible column).
    PickerWindow(const QString &caption, std::vector<GridColumn> columns, QStringList filterFields,
                 QWidget *parent = nullptr);
    ~PickerWindow() override;

    // The rows to show; the picker takes ownership. A QueryResult or RecordSet
    // is (re)loaded by reload(); any other source is shown as it is.
    void setSource(RowSource *source);
    RowSource *source() const;
    // The "+" key picks as Enter does (the customer picker); off by default.
    void setPlusPicks(bool on) { m_plusPicks = on; }

    // Re-reads the rows, shows the filter text, runs modally.
    std::optional<QVariantMap> pick(const QString &filterText = QString());

    // Re-reads the rows of the source; the outcome of the load (shown by pick()).
    virtual Outcome reload();

    // The filter box; setting its text filters at once.
    QLineEdit *filterBox() const { return m_filterBox; }
    void setFilterText(const QString &text);
    RowModel *model() const { return m_model; }
    GridFilterModel *filterModel() const { return m_filter; }
    QTableView *view() const;
    // The source row under the cursor, -1 when there is none.
    int currentRow() const;
    void setCurrentRow(int sourceRow);
    // Every field of a source row, by name.
    // A picker whose list shows only some columns reads the whole row here.
    virtual QVariantMap rowValues(int sourceRow) const;
    // The row picked by the last run (also after the dialog closed).
    const std::optional<QVariantMap> &picked() const { return m_picked; }

public Q_SLOTS:
    // Picks the current row and closes; does nothing without a current row
    // or when canLeave() says no.
    void pickCurrent();
    // Cancels, unless canLeave(false) says no.
    void reject() override;
    // Every close ends here: the filter box is emptied.
    void done(int result) override;

protected:
    // Asked before the dialog closes by a pick (picking = true) or a cancel.
    virtual bool canLeave(bool picking)
    {
        Q_UNUSED(picking);
        return true;
    }
    // Puts a widget on the row under the grid (a picker's own button).
    void addToolWidget(QWidget *widget);
    GridView *gridView() const { return m_view; }

    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void bindSource();
    void applyFilter(const QString &text);

    std::vector<GridColumn> m_columns;
    QStringList m_filterFields;
    QPointer<RowSource> m_source;
    RowModel *m_model = nullptr;
    GridFilterModel *m_filter = nullptr;
    GridView *m_view = nullptr;
    QLineEdit *m_filterBox = nullptr;
    QHBoxLayout *m_tools = nullptr;
    std::optional<QVariantMap> m_picked;
    bool m_plusPicks = false;
};
