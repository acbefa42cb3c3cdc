#pragma once
#include "core/db/grid_spec.h"
#include "core/db/schema.h"

#include <QAbstractTableModel>
#include <string>

class RecordSet;

// The columns of a GridSpec over a RecordSet, for a grid view. Hidden columns
// stay in the model (the view hides them, rights may show them again);
// read-only columns are not editable. Money and dates are shown in the
// column's format, flags as check boxes.
class RecordModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Role {
        GroupTitleRole = Qt::UserRole + 1, // header: the upper title of a two-level header
        FieldRole,                         // header: the field name of the column
    };

    explicit RecordModel(RecordSet *set, QObject *parent = nullptr);

    RecordSet *recordSet() const { return m_set; }
    const GridColumn &column(int column) const { return m_columns[size_t(column)]; }
    int columnOf(const QString &field) const; // -1 when not shown
    int fieldOf(int column) const { return m_fieldIndex[size_t(column)]; }

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
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    bool isCell(const QModelIndex &index) const;
    QVariant parsed(int column, const QVariant &value, bool *ok) const;
    struct SearchColumn
    {
        int column;
        int field;
        Schema::Type type;
        int decimals; // of the column's number format
    };
    // The text a search looks at: plain text as stored, anything else as shown.
    void appendSearched(std::u16string &out, int row, const SearchColumn &column) const;
    QString searchTextOf(int row) const;

    RecordSet *m_set;
    std::vector<GridColumn> m_columns;
    std::vector<int> m_fieldIndex;
    std::vector<SearchColumn> m_search;
    // Per row: the folded texts of the search columns, each followed by a NUL;
    // a null string is made when first needed. Empty until the first search.
    mutable std::vector<QString> m_searchText;
    mutable std::u16string m_searchBuffer;
};
