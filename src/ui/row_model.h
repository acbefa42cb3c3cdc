#pragma once
#include "core/db/grid_spec.h"
#include "core/db/row_source.h"
#include "core/db/schema.h"

#include <QAbstractTableModel>
#include <QPointer>
#include <string>

class RecordSet;

// The columns of a grid over a RowSource: an editable RecordSet (grid
// windows) or a read-only query result (query windows). Hidden columns stay
// in the model (the view hides them); read-only columns are not editable.
// Money and numbers are shown by Money::formatNumber in the column's format,
// dates in theirs, flags as check boxes.
//
// Column rights are the current user's: a column whose viewRight the user
// lacks shows nothing and is left out of searches, exports and prints; one
// whose editRight the user lacks is read-only.
class RowModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Role {
        GroupTitleRole = Qt::UserRole + 1, // header: the upper title of a two-level header
        FieldRole,                         // header: the field name of the column
        RawValueRole,                      // cell: the value as the row source types it
    };

    RowModel(RowSource *source, std::vector<GridColumn> columns, QObject *parent = nullptr);
    // A grid window's model: the record set's own columns.
    explicit RowModel(RecordSet *set, QObject *parent = nullptr);

    RowSource *source() const { return m_source; }
    // The source when it can be edited, else nullptr.
    RecordSet *recordSet() const { return m_set; }
    // Shows another source with the same columns (a query run again).
    void setSource(RowSource *source);

    const GridColumn &column(int column) const { return m_columns[size_t(column)]; }
    const std::vector<GridColumn> &columns() const { return m_columns; }
    int columnOf(const QString &field) const; // -1 when not shown
    int fieldOf(int column) const { return m_fieldIndex[size_t(column)]; }
    // Whether the user may see the column's values (holds its viewRight).
    bool isViewable(int column) const { return m_viewable[size_t(column)]; }
    // The editor a cell of the column gets, Auto resolved by the field's type.
    EditorKind editorKind(int column) const;
    // Characters a Text cell holds (the field's width); 0 when unbounded.
    int maxLength(int column) const;
    // Decimals a number of the column is shown with; -1: as many as it needs.
    int decimals(int column) const;

    // A value as the grid shows it.
    QString displayText(int row, int column) const;

    // Searching rows as the filter box does: a row matches when one of the
    // search columns contains the text, ignoring case; plain text is searched
    // as stored, numbers and dates as shown. The searched texts of a row are
    // made once and kept until the row changes, so that every keystroke in the
    // filter of a long list costs one plain pass over the rows.
    void setSearchColumns(std::vector<int> columns);
    // The text prepared for rowContains(); make it once per search.
    static QString searchKey(QStringView text);
    bool rowContains(int row, const QString &key) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    // A typed text goes to RecordSet::editValue, which refuses what the
    // column cannot hold (with its message) and keeps the old value.
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    void bindSource();
    void mapFields();
    bool isCell(const QModelIndex &index) const;
    Schema::Type typeOf(int column) const;
    struct SearchColumn
    {
        int column;
        int field;
        Schema::Type type;
        int decimals;
    };
    // The text a search looks at: plain text as stored, anything else as shown.
    void appendSearched(std::u16string &out, int row, const SearchColumn &column) const;
    QString searchTextOf(int row) const;

    QPointer<RowSource> m_source;
    RecordSet *m_set = nullptr;
    std::vector<GridColumn> m_columns;
    std::vector<int> m_fieldIndex;
    std::vector<bool> m_viewable;
    std::vector<bool> m_editAllowed;
    std::vector<int> m_searchColumns;
    std::vector<SearchColumn> m_search;
    // Per row: the folded texts of the search columns, each followed by a NUL;
    // a null string is made when first needed. Empty until the first search.
    mutable std::vector<QString> m_searchText;
    mutable std::u16string m_searchBuffer;
};
