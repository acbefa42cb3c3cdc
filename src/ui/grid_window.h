#pragma once
#include "core/db/grid_spec.h"
#include "core/outcome.h"

#include <QWidget>
#include <functional>

class QHBoxLayout;
class QLineEdit;
class QPushButton;
class QSortFilterProxyModel;
class QTableView;
class QToolButton;
class GridFilterModel;
class GridFooter;
class GridView;
class RecordSet;
class RowModel;

// The grid window family: one table edited in a grid, all edits pending until
// "保存[&S]" writes them in one transaction. A member of the family is a
// GridSpec (written in the logic files of its area) and a row of the window
// catalog (caption, object name, size, features); the catalog makes a plain
// GridWindow of it. Only a member with behaviour of its own subclasses.
//
// What the base does:
// - loads the rows when first shown, or when load() is called before (a load
//   error is shown, the window stays usable); never from its constructor, so
//   that a subclass is complete when afterLoad() runs;
// - navigator with insert ("navInsert", Insert key; always appends) and delete
//   ("navDelete", Ctrl+Delete; asks nothing, pending until saved);
// - filter box ("filterBox"): shows the loaded rows containing the text in one of
//   the GridSpec's filterFields (default: the visible columns); rows appended since
//   stay visible so they can be filled in. Enter there moves to the next control;
// - footer ("footer") under the grid with the counts and sums the columns ask
//   for, over the rows in sight;
// - "保存[&S]" ("saveButton", Ctrl+S): the record set's outcome: "保存成功！"
//   after the commit, or its refusal with every pending row kept and the row
//   it names selected;
// - "导出[&O]" ("exportButton") calls exportRequested();
// - "退出[&E]" ("exitButton") closes; closing with unsaved changes asks
//   "当前还没有保存，是否现在保存？" (Yes saves and closes, No drops the changes and
//   closes, Cancel stays). A failed save keeps the window open with the edits.
// - the window deletes itself when closed.
//
// Subclass hooks: exportRequested(), afterLoad(), afterSave(), saveFailed(); extra
// buttons go through addToolWidget(); rights-dependent columns through
// setColumnVisible(); members over a fixed set of rows drop the navigator, the
// filter or the export with setFeatureShown().
class GridWindow : public QWidget
{
    Q_OBJECT
public:
    enum class Feature { InsertDelete, Filter, Export };

    GridWindow(const QString &caption, GridSpec spec, QWidget *parent = nullptr);
    ~GridWindow() override;

    RecordSet &records() const { return *m_set; }
    RowModel *model() const { return m_model; }
    // The model the view shows (filtered); map through it to reach record rows.
    QSortFilterProxyModel *filterModel() const;
    GridFooter *footer() const { return m_footer; }
    QTableView *view() const;
    // Whether the record set holds changes not yet saved.
    bool isUnsaved() const;
    bool isLoaded() const { return m_loaded; }
    // The record-set row under the cursor, -1 when there is none.
    int currentRow() const;
    void setCurrentRow(int row, const QString &field = QString());
    // Shows or hides a column; a column the user has no right to see stays hidden.
    void setColumnVisible(const QString &field, bool visible);
    // A hidden InsertDelete also makes the Insert and Ctrl+Delete keys do nothing.
    void setFeatureShown(Feature feature, bool shown);
    // "简拼[&J]" of the member and product lists: after "您确定要重新生成简拼吗？"
    // (No preselected) `fill` sets every row's initials, with the shared
    // progress window; the initials stay pending until saved. The grid is
    // reset once instead of repainting and re-filtering for every row.
    using RowFill = std::function<void(RecordSet &set, const std::function<void(int row)> &progress)>;
    void regenerateInitials(const RowFill &fill);
    // Puts a widget on the button row, before "保存[&S]" (a member's own button).
    void addToolWidget(QWidget *widget);

public Q_SLOTS:
    // Reads the rows unless they are loaded already; false after a load error, which is shown.
    bool load();
    // Re-reads the rows (pending changes are dropped); false after a load error, which is shown.
    bool reload();
    virtual void insertRow();
    void deleteCurrentRow();
    // The "保存[&S]" button: saves and tells the outcome.
    bool save();

protected:
    // "导出[&O]": the visible columns of the shown rows go to an Excel workbook
    // titled with the caption (members may export something else).
    virtual void exportRequested();
    // After every load and after every successful save (count summaries and the like).
    virtual void afterLoad() {}
    virtual void afterSave() {}
    // Tells why a save failed (nothing was written, every pending change is
    // kept and the row the outcome names is selected): by default the
    // outcome's own words.
    virtual void saveFailed(const Outcome &outcome);

    // Ends an open cell editor, writing what was typed into the row.
    void commitEdits();

    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    bool saveRows(bool announceSuccess);
    void applyFilter(const QString &text);

    RecordSet *m_set = nullptr;
    RowModel *m_model = nullptr;
    GridFilterModel *m_filter = nullptr;
    GridView *m_view = nullptr;
    GridFooter *m_footer = nullptr;
    QToolButton *m_insert = nullptr;
    QToolButton *m_delete = nullptr;
    QLineEdit *m_filterBox = nullptr;
    QWidget *m_filterLabel = nullptr;
    QHBoxLayout *m_tools = nullptr;
    QPushButton *m_save = nullptr;
    QPushButton *m_export = nullptr;
    QPushButton *m_exit = nullptr;
    bool m_insertDelete = true;
    bool m_loaded = false;
};
