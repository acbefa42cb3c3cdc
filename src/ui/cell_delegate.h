#pragma once
#include <QStyledItemDelegate>

class RowModel;

// The one editor choice of every grid: by the column's EditorKind (Auto by
// its type) a cell gets
//   Text      a line edit holding at most the column's width;
//   Number    a right-aligned line edit (letters are refused by the record set, with a message);
//   Date      a line edit for a typed date (a bad date is refused, the old value kept);
//   Flag      no editor: the check box toggles;
//   PickList  an editable drop-down with the column's choices;
//   Lookup    a line edit with a "..." button ("lookupButton") that opens the
//             picker named by the column (see Pickers); the picked row goes
//             through GridSpec::lookupPicked, by default its "BM" into the cell.
// What was typed goes to the model, which hands it to RecordSet::editValue.
class CellDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    CellDelegate(RowModel *model, QObject *parent = nullptr);

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;

private:
    void pick(QWidget *editor, const QPersistentModelIndex &index) const;

    RowModel *m_model;
};
