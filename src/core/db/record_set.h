#pragma once
#include "core/db/grid_spec.h"
#include "core/db/row_source.h"
#include "core/db/row_store.h"
#include "core/db/schema.h"
#include "core/outcome.h"

#include <QString>
#include <QStringView>
#include <QVariant>
#include <memory>
#include <vector>

// The rows of one table held in memory for editing, as a grid window shows them.
// Edits, appends and deletions stay pending until save(), which writes all of
// them in one transaction. A refused or failed save writes nothing and keeps
// every pending change, so the user can correct the rows and save again.
//
// Values are typed by the schema: Text as QString, Decimal as double (rounded
// to the column's scale on the way in), DateTime as ISO text ("YYYY-MM-DD" or
// "YYYY-MM-DD HH:MM:SS"), Bool as bool, Integer as qlonglong; NULL is a null
// QVariant and stays distinct from an empty text.
//
// Rows are found for UPDATE and DELETE by the description's code column as loaded, or,
// for a table without a code, by the table's own key column (Schema: an
// INTEGER PRIMARY KEY, given by the database to an appended row when saved).
//
// Lists run to hundreds of thousands of rows: rows are kept compact (RowStore),
// read by the connection's RowReader, and saving visits only changed rows.
class RecordSet : public RowSource
{
    Q_OBJECT
public:
    enum class RowState { Unchanged, Inserted, Modified };

    explicit RecordSet(GridSpec spec, QObject *parent = nullptr);
    ~RecordSet() override;

    const GridSpec &spec() const { return m_spec; }
    // Replace the description's row conditions and order for the next load (a window's own search).
    void setConditions(std::vector<GridCondition> conditions);
    void setOrder(std::vector<GridOrder> order);

    // (Re)reads the rows; pending changes are dropped. Fails (and holds no
    // rows) for an unknown table, a condition or order on a field the table
    // does not have, or the database's refusal (its text as the detail).
    Outcome load();

    // ---- RowSource ----
    int rowCount() const override { return m_store.rowCount(); }
    int fieldCount() const override { return int(m_fields.size()); }
    // Index of a table column (case-insensitive), -1 when the table has none.
    int fieldIndex(const QString &name) const override;
    QString fieldName(int field) const override;
    Schema::Type fieldType(int field) const override;
    // Decimals of a Decimal column, width of a Text column (0: unbounded).
    int fieldSize(int field) const override;
    QVariant value(int row, int field) const override;
    using RowSource::value;
    QStringView textView(int row, int field) const override;
    bool isEditable() const override { return true; }

    // The column that finds a row when saving (the code, or the table's key);
    // -1 when the table has neither.
    int keyField() const { return m_keyField; }

    // Sets a value (converted to the column's type, a Decimal rounded to its
    // scale); returns whether it changed. A change runs the fieldChanged hook.
    bool setValue(int row, int field, const QVariant &value);
    bool setValue(int row, const QString &field, const QVariant &value);
    // A value typed by the user. Refused (returns false, the row unchanged)
    // for a read-only column; for text that does not fit the column's type
    // (see parseTyped(), the message shown through prompt().warn); when the
    // column's validator returns a message (shown through prompt().warn); and
    // when the acceptEdit hook says no. A QString value is parsed by
    // parseTyped(); other values are taken as they are.
    bool editValue(int row, int field, const QVariant &value);

    // Text typed into a column of this type and size, as the value the set
    // keeps. An empty (or blank) text is NULL for every type but Text. On
    // refusal returns an invalid QVariant and sets *message:
    //   Text longer than size (when size > 0): "输入内容过长，最多N个字符！"
    //   Integer / Decimal not a number:        "请输入数字！"
    //   DateTime not a date:                   "日期格式不正确！"
    // Dates are accepted as yyyy-MM-dd, yyyy-M-d, yyyy/M/d, yyyy.M.d and
    // yyyyMMdd, optionally followed by a time (H:mm or H:mm:ss), which is kept.
    // A Decimal is rounded to size decimals.
    static QVariant parseTyped(Schema::Type type, int size, const QString &text, QString *message);

    // Appends an empty row at the end, fills it through newRowDefaults and
    // proposeCode, and returns its index.
    int insertRow();
    // Removes a row from the set; its deletion is pending until save (a row
    // appended since the last save is simply forgotten). Returns false, the
    // row kept, when the description's acceptRemove hook refuses.
    bool removeRow(int row);

    // For beforeWrite hooks: the codes (or keys) as loaded of the rows deleted
    // since the last save, the rows appended or changed (ascending), and the
    // code a row had when loaded (null for an appended row).
    const std::vector<QVariant> &deletedKeys() const { return m_deletedKeys; }
    const std::vector<int> &changedRows() const { return m_dirty; }
    QVariant loadedKey(int row) const;
    // A value another operation has already written to the database (a points
    // correction): the row shows it without it becoming a pending change.
    void setStoredValue(int row, const QString &field, const QVariant &value);

    RowState rowState(int row) const;
    int pendingDeletions() const { return int(m_deletedKeys.size()); }
    bool isDirty() const { return !m_deletedKeys.empty() || !m_dirty.empty(); }

    // Writes deletions, then changed rows (only their changed columns, found by
    // their key as loaded), then appended rows, in one transaction:
    // "保存成功！" on success.
    //
    // Inside a transaction its caller owns (a master and its lines saved
    // together: Transaction tx; a.save(); b.save(); tx.commit();) the writes
    // join it through a savepoint, and the rows count as saved only when the
    // outermost transaction commits; should it roll back, every change stays
    // pending and a later save writes it again. Do not change the set between
    // such a save and the outer commit.
    //
    // Refusals and failures write nothing (the save's own part is rolled back)
    // and keep every pending change; failedRow() tells the row to select:
    //   a new or changed row with an empty code:  "编码不能为空！"
    //   an empty value in a required column:      "<title>不能为空！"
    //   a changed or deleted row no longer found: "记录已被他人修改或删除，请重新打开！"
    //   a code already used:                      "编码存在重复无法保存，请删除重复后重试"
    //   anything else:                            "保存失败！" with the database's text as detail
    Outcome save();
    // The row the last failed save points at (-1: none, or a deleted row).
    int failedRow() const { return m_failedRow; }

    // A value converted to a column type as the set keeps it (no rounding).
    static QVariant normalized(Schema::Type type, const QVariant &value) { return RowStore::normalized(type, value); }

Q_SIGNALS:
    void rowAboutToBeInserted(int row);
    void rowInserted(int row);
    void rowAboutToBeRemoved(int row);
    void rowRemoved(int row);
    void valueChanged(int row, int field);
    // Any insert, edit or deletion (the window's unsaved flag follows it).
    void changed();
    // The pending changes are now in the database (committed).
    void saved();

private:
    // What a changed row needs for its UPDATE.
    struct Pending
    {
        QVariant key;               // code (or key) as loaded
        std::vector<bool> modified; // per field
    };
    struct RowInfo
    {
        std::unique_ptr<Pending> pending; // set once a loaded row is changed
        RowState state = RowState::Unchanged;
    };
    struct Statement;

    Outcome buildSelect(QString *sql, QVariantList *binds) const;
    Outcome refusal(int row) const;
    Outcome write(std::vector<QVariant> *newKeys);
    void markSaved(const std::vector<QVariant> &newKeys);
    SavedCodes savedCodes() const;
    QVariant withScale(int field, const QVariant &normalizedValue) const;
    void markDirty(int row);
    bool isCodeKey() const { return m_keyField >= 0 && !m_spec.keyColumn.isEmpty(); }

    GridSpec m_spec;
    const Schema::Table *m_table = nullptr;
    std::vector<const Schema::Column *> m_fields;
    int m_keyField = -1;
    RowStore m_store;
    std::vector<RowInfo> m_info;          // per row, beside the store
    std::vector<QVariant> m_deletedKeys;  // keys as loaded of rows deleted since the last save
    std::vector<int> m_dirty;             // rows appended or changed since the last save, ascending
    int m_hookDepth = 0;
    int m_failedRow = -1;
    quint64 m_serial = 0;                 // counts changes, so a deferred markSaved sees later edits
};
