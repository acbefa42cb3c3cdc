#pragma once
#include "core/db/grid_spec.h"
#include "core/db/schema.h"

#include <QObject>
#include <QString>
#include <QStringView>
#include <QVariant>
#include <cstddef>
#include <memory>
#include <vector>

// The rows of one table held in memory for editing, as a grid window shows them.
// Edits, appends and deletions stay pending until save(), which writes all of
// them in one transaction. A failed save rolls back and keeps every pending
// change, so the user can correct the rows and save again.
//
// Values are typed by the schema: Text as QString, Decimal as double, DateTime
// as ISO text ("YYYY-MM-DD" or "YYYY-MM-DD HH:MM:SS"), Bool as bool, Integer as
// qlonglong; NULL is a null QVariant and stays distinct from an empty text.
//
// Lists run to hundreds of thousands of rows, so a row is kept compact: one
// block holds a small cell per value and, after the cells, the row's texts one
// after another. Loading from SQLite reads the statement directly; saving
// visits only the rows that changed.
class RecordSet : public QObject
{
    Q_OBJECT
public:
    enum class RowState { Unchanged, Inserted, Modified };
    enum class SaveResult { Saved, DuplicateCode, Failed };

    explicit RecordSet(GridSpec spec, QObject *parent = nullptr);
    ~RecordSet() override;

    const GridSpec &spec() const { return m_spec; }
    // Replaces the row condition for the next load (a window's own search).
    void setWhere(const QString &where, const QVariantList &binds);

    // (Re)reads the rows; pending changes are dropped. False with the database's message.
    bool load(QString *error = nullptr);

    int rowCount() const { return int(m_rows.size()); }
    int fieldCount() const { return int(m_fields.size()); }
    // Index of a table column (case-insensitive), -1 when the table has none.
    int fieldIndex(const QString &name) const;
    QString fieldName(int field) const;
    Schema::Type fieldType(int field) const;
    int keyField() const { return m_keyField; } // -1 when rows are identified by rowid

    QVariant value(int row, int field) const;
    QVariant value(int row, const QString &field) const;
    // A Text or DateTime value without a copy, for scanning many rows (a
    // search); empty for NULL and for other types. Valid until the row changes.
    QStringView textView(int row, int field) const;
    // Sets a value (converted to the column's type); returns whether it changed.
    // Changing the key column runs the codeChanged hook.
    bool setValue(int row, int field, const QVariant &value);
    bool setValue(int row, const QString &field, const QVariant &value);
    // A value typed by the user: refused for read-only columns and when the
    // acceptEdit hook says no. Returns false when refused.
    bool editValue(int row, int field, const QVariant &value);

    // Appends an empty row at the end, fills it through newRowDefaults and
    // proposeCode, and returns its index.
    int insertRow();
    // Removes a row from the set; its deletion is pending until save (a row
    // appended since the last save is simply forgotten).
    void removeRow(int row);

    RowState rowState(int row) const;
    int pendingDeletions() const { return int(m_deleted.size()); }
    bool isDirty() const { return !m_deleted.empty() || !m_dirty.empty(); }

    // Writes deletions, then changed rows (only their changed columns, found by
    // their key as loaded), then appended rows, in one transaction. On failure
    // everything is rolled back and all pending changes stay.
    SaveResult save(QString *error = nullptr);

    // A value converted to a column type as the set keeps it.
    static QVariant normalized(Schema::Type type, const QVariant &value);

Q_SIGNALS:
    void aboutToReload();
    void reloaded();
    void rowAboutToBeInserted(int row);
    void rowInserted(int row);
    void rowAboutToBeRemoved(int row);
    void rowRemoved(int row);
    void valueChanged(int row, int field);
    // Any insert, edit or deletion (the window's unsaved flag follows it).
    void changed();
    void saved();

private:
    // One value. A null QString kept by a Text column (NullString) is not a NULL
    // in memory, though it is written as one.
    struct Cell
    {
        enum Kind : quint8 { Null, Text, NullString, Double, Integer, Bool };
        union {
            double d;
            qint64 i;
            struct
            {
                quint32 at, size; // characters, within the row's texts
            } text;
        };
        Kind kind = Null;
    };
    // What a changed or deleted row needs for its UPDATE or DELETE.
    struct Pending
    {
        QVariant key;               // code (or rowid) as loaded
        std::vector<bool> modified; // per field
    };
    struct Row
    {
        std::unique_ptr<std::byte[]> data; // fieldCount() cells, then the texts (UTF-16)
        std::unique_ptr<Pending> pending;  // set once a loaded row is changed or deleted
        qint64 rowid = 0;                 // tables without a code column
        RowState state = RowState::Unchanged;
    };

    QString selectSql() const;
    bool loadFromSqlite(void *handle, QString *error);
    bool loadThroughQuery(QString *error);
    Row newRow() const;
    std::unique_ptr<std::byte[]> rowData(const Cell *cells, const char16_t *texts, size_t textSize) const;
    const Cell *cellsOf(const Row &row) const { return reinterpret_cast<const Cell *>(row.data.get()); }
    const QChar *textsOf(const Row &row) const
    {
        return reinterpret_cast<const QChar *>(row.data.get() + m_fields.size() * sizeof(Cell));
    }
    static void storeValue(const QVariant &normalizedValue, std::u16string &texts, Cell &cell);
    QVariant cellValue(const Row &row, int field) const;
    void setCell(Row &row, int field, const QVariant &normalizedValue);
    QVariant loadedKey(const Row &row) const;
    void markDirty(int row);

    GridSpec m_spec;
    const Schema::Table *m_table = nullptr;
    std::vector<const Schema::Column *> m_fields;
    int m_keyField = -1;
    std::vector<Row> m_rows;
    std::vector<Row> m_deleted;
    std::vector<int> m_dirty; // rows appended or changed since the last save, ascending
    int m_hookDepth = 0;
};
