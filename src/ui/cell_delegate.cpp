#include "ui/cell_delegate.h"
#include "core/db/record_set.h"
#include "ui/button_line_edit.h"
#include "ui/pickers.h"
#include "ui/row_model.h"

#include <QAbstractProxyModel>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPointer>
#include <QToolButton>

namespace {

// The cell's model index in the RowModel, through any proxies between.
QModelIndex sourceIndex(QModelIndex index)
{
    while (auto *proxy = qobject_cast<const QAbstractProxyModel *>(index.model()))
        index = proxy->mapToSource(index);
    return index;
}

// A line edit with a "..." button that opens the column's picker.
class LookupEditor : public ButtonLineEdit
{
public:
    explicit LookupEditor(QWidget *parent)
        : ButtonLineEdit(QStringLiteral("lookupEdit"), QStringLiteral("lookupButton"), parent)
    {
    }
};

QLineEdit *lineEditOf(QWidget *editor)
{
    if (auto *lookup = dynamic_cast<LookupEditor *>(editor))
        return lookup->edit;
    return qobject_cast<QLineEdit *>(editor);
}

} // namespace

CellDelegate::CellDelegate(RowModel *model, QObject *parent) : QStyledItemDelegate(parent), m_model(model) {}

QWidget *CellDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const QModelIndex cell = sourceIndex(index);
    if (cell.model() != m_model)
        return QStyledItemDelegate::createEditor(parent, option, index);
    const int column = cell.column();
    switch (m_model->editorKind(column)) {
    case EditorKind::Flag:
        return nullptr; // the check box is the editor
    case EditorKind::PickList: {
        auto *box = new QComboBox(parent);
        box->setObjectName(QStringLiteral("pickListEditor"));
        box->setEditable(true);
        box->addItems(m_model->column(column).pickList);
        return box;
    }
    case EditorKind::Lookup: {
        auto *editor = new LookupEditor(parent);
        const Pickers::Picker picker = Pickers::find(m_model->column(column).lookup);
        editor->button->setEnabled(bool(picker));
        const QPersistentModelIndex at(index);
        QObject::connect(editor->button, &QToolButton::clicked, editor, [this, editor, at] { pick(editor, at); });
        return editor;
    }
    case EditorKind::Number: {
        auto *edit = new QLineEdit(parent);
        edit->setObjectName(QStringLiteral("numberEditor"));
        edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        edit->setFrame(false);
        return edit;
    }
    case EditorKind::Date: {
        auto *edit = new QLineEdit(parent);
        edit->setObjectName(QStringLiteral("dateEditor"));
        edit->setFrame(false);
        return edit;
    }
    case EditorKind::Auto:
    case EditorKind::Text:
        break;
    }
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(QStringLiteral("textEditor"));
    edit->setFrame(false);
    return edit;
}

void CellDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    const QString text = index.data(Qt::EditRole).toString();
    if (auto *box = qobject_cast<QComboBox *>(editor)) {
        box->setCurrentText(text);
        return;
    }
    if (QLineEdit *edit = lineEditOf(editor)) {
        const QModelIndex cell = sourceIndex(index);
        // At most the column's width; a longer value stored by an older
        // program is shown whole rather than cut on the way into the editor.
        if (const int width = cell.model() == m_model ? m_model->maxLength(cell.column()) : 0; width > 0)
            edit->setMaxLength(qMax(width, int(text.size())));
        edit->setText(text);
        return;
    }
    QStyledItemDelegate::setEditorData(editor, index);
}

void CellDelegate::setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const
{
    if (auto *box = qobject_cast<QComboBox *>(editor)) {
        model->setData(index, box->currentText(), Qt::EditRole);
        return;
    }
    if (QLineEdit *edit = lineEditOf(editor)) {
        model->setData(index, edit->text(), Qt::EditRole);
        return;
    }
    QStyledItemDelegate::setModelData(editor, model, index);
}

void CellDelegate::pick(QWidget *editor, const QPersistentModelIndex &index) const
{
    const QModelIndex cell = sourceIndex(index);
    RecordSet *set = m_model->recordSet();
    if (!set || cell.model() != m_model)
        return;
    const GridColumn &column = m_model->column(cell.column());
    const Pickers::Picker picker = Pickers::find(column.lookup);
    if (!picker)
        return;
    QPointer<QWidget> alive = editor;
    const std::optional<QVariantMap> picked = picker(editor->window(), lineEditOf(editor)->text());
    if (!picked || !alive || !index.isValid())
        return;
    const int row = cell.row();
    if (set->spec().lookupPicked)
        set->spec().lookupPicked(*set, row, column.field, *picked);
    else
        set->editValue(row, m_model->fieldOf(cell.column()), picked->value(QStringLiteral("BM")));
    // The editor now shows what the row holds; closing it writes nothing more.
    lineEditOf(editor)->setText(index.data(Qt::EditRole).toString());
    auto *self = const_cast<CellDelegate *>(this);
    emit self->commitData(editor);
    emit self->closeEditor(editor, QAbstractItemDelegate::NoHint);
}
