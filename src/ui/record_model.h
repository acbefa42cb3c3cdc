#pragma once
#include "core/grid_spec.h"

#include <QAbstractTableModel>

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

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    bool isCell(const QModelIndex &index) const;
    QVariant parsed(int column, const QVariant &value, bool *ok) const;

    RecordSet *m_set;
    std::vector<GridColumn> m_columns;
    std::vector<int> m_fieldIndex;
};
