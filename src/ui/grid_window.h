#pragma once
#include "core/db/grid_spec.h"

#include <QWidget>

class QHBoxLayout;
class QLineEdit;
class QPushButton;
class QSortFilterProxyModel;
class QTableView;
class QToolButton;
class RecordModel;
class RecordSet;
class GridFilterModel;
class GridView;

// The grid window family: one table edited in a grid, all edits pending until
// "保存[&S]" writes them in one transaction. A member of the family is a
// GridSpec (written in the logic files of its area) and a small subclass that
// passes it with its caption and sets its objectName:
//
//     TBM_YG::TBM_YG(QWidget *parent)
//         : GridWindow(QStringLiteral("员工资料"), EmployeeList::spec(), parent)
//     { setObjectName(QStringLiteral("TBM_YG")); }
//
// What the base does:
// - loads the rows on creation (a load error is shown, the window stays usable);
// - navigator with insert ("navInsert", Insert key; always appends) and delete
//   ("navDelete", Ctrl+Delete; asks nothing, pending until saved);
// - filter box ("filterBox"): shows the loaded rows containing the text in one of
//   the GridSpec's filterFields (default: the visible columns); rows appended since
//   stay visible so they can be filled in. Enter there moves to the next control;
// - "保存[&S]" ("saveButton", Ctrl+S): "保存成功！", or rollback with
//   "编码存在重复无法保存，请删除重复后重试" and every pending row kept;
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
    GridWindow(const QString &caption, GridSpec spec, QWidget *parent = nullptr);
    ~GridWindow() override;

    RecordSet &records() const { return *m_set; }
    RecordModel *model() const { return m_model; }
    // The model the view shows (filtered); map through it to reach record rows.
    QSortFilterProxyModel *filterModel() const;
    QTableView *view() const;
    // Set by any insert, edit or deletion; cleared after a save and when shown unchanged.
    bool isUnsaved() const { return m_unsaved; }
    // The record-set row under the cursor, -1 when there is none.
    int currentRow() const;
    void setCurrentRow(int row, const QString &field = QString());
    void setColumnVisible(const QString &field, bool visible);

public Q_SLOTS:
    // Re-reads the rows (pending changes are dropped); false after a load error, which is shown.
    bool reload();
    void insertRow();
    void deleteCurrentRow();
    // The "保存[&S]" button: saves and tells the outcome.
    bool save();

protected:
    // "导出[&O]": the visible columns of the shown rows go to an Excel workbook
    // titled with the caption (members may export something else).
    virtual void exportRequested();
    // After every load and after every successful save (count summaries and the like).
    // The first load runs in this base's constructor, before a subclass exists:
    // a subclass that needs afterLoad() for it calls it at the end of its own constructor.
    virtual void afterLoad() {}
    virtual void afterSave() {}
    // Tells why a save failed (the rows are rolled back and every pending change
    // kept). By default a duplicate code gets "编码存在重复无法保存，请删除重复后重试"
    // and any other failure the database's own words.
    virtual void saveFailed(bool duplicateCode, const QString &error);

    enum class Feature { InsertDelete, Filter, Export };
    // A hidden InsertDelete also makes the Insert and Ctrl+Delete keys do nothing.
    void setFeatureShown(Feature feature, bool shown);

    // Puts a widget on the button row, before "保存[&S]".
    void addToolWidget(QWidget *widget);
    // Ends an open cell editor, writing what was typed into the row.
    void commitEdits();

    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    bool saveRows(bool announceSuccess);
    void applyFilter(const QString &text);

    RecordSet *m_set = nullptr;
    RecordModel *m_model = nullptr;
    GridFilterModel *m_filter = nullptr;
    GridView *m_view = nullptr;
    QToolButton *m_insert = nullptr;
    QToolButton *m_delete = nullptr;
    QLineEdit *m_filterBox = nullptr;
    QWidget *m_filterLabel = nullptr;
    QHBoxLayout *m_tools = nullptr;
    QPushButton *m_save = nullptr;
    QPushButton *m_export = nullptr;
    QPushButton *m_exit = nullptr;
    bool m_unsaved = false;
    bool m_insertDelete = true;
};
