#include "masterdata/ui/supplier_picker.h"

#include "core/db/record_set.h"
#include "core/prompt.h"
#include "masterdata/supplier_list.h"
#include "ui/grid_view.h"
#include "ui/grid_window.h"
#include "ui/pickers.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QToolButton>

Txzghs::Txzghs(QWidget *parent)
    : PickerWindow(QStringLiteral("供货商选择"), SupplierList::spec().columns,
                   {QStringLiteral("BM"), QStringLiteral("MC")}, parent)
{
    setObjectName(QStringLiteral("Txzghs"));
    m_set = new RecordSet(SupplierList::spec());
    setSource(m_set);
    // A double click picks; typing or F2 edits the cell.
    view()->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed |
                            QAbstractItemView::SelectedClicked);

    auto tool = [this](const char *name, const QString &text) {
        auto *b = new QToolButton(this);
        b->setObjectName(QString::fromLatin1(name));
        b->setText(text);
        addToolWidget(b);
        return b;
    };
    auto button = [this](const char *name, const QString &text) {
        auto *b = new QPushButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        addToolWidget(b);
        return b;
    };
    connect(tool("navInsert", QStringLiteral("+")), &QToolButton::clicked, this, &Txzghs::insertRow);
    connect(tool("navDelete", QStringLiteral("−")), &QToolButton::clicked, this, &Txzghs::deleteCurrentRow);
    connect(button("saveButton", QStringLiteral("保存[&S]")), &QPushButton::clicked, this, &Txzghs::save);
    connect(button("exitButton", QStringLiteral("退出[&E]")), &QPushButton::clicked, this, &QDialog::reject);
    auto *insertKey = new QShortcut(QKeySequence(Qt::Key_Insert), this);
    connect(insertKey, &QShortcut::activated, this, &Txzghs::insertRow);
    resize(900, 420);
}

void Txzghs::insertRow()
{
    const int row = m_set->insertRow();
    setCurrentRow(row);
}

void Txzghs::deleteCurrentRow()
{
    const int row = currentRow();
    if (row >= 0)
        m_set->removeRow(row);
}

bool Txzghs::saveQuietly()
{
    gridView()->commitOpenEditor();
    const Outcome saved = m_set->save();
    if (!saved) {
        if (m_set->failedRow() >= 0)
            setCurrentRow(m_set->failedRow());
        prompt().warn(saved.text());
        return false;
    }
    return true;
}

bool Txzghs::save()
{
    if (!saveQuietly())
        return false;
    prompt().info(QStringLiteral("保存成功！"));
    return true;
}

bool Txzghs::canLeave(bool picking)
{
    Q_UNUSED(picking);
    gridView()->commitOpenEditor();
    if (!m_set->isDirty())
        return true;
    switch (prompt().question(QStringLiteral("当前还没有保存，是否现在保存？"), QStringLiteral("提示"),
                              Prompt::YesNoCancel)) {
    case Prompt::Answer::Yes:
        return saveQuietly();
    case Prompt::Answer::No: {
        // The edits go now; a pick then hands over the supplier as stored,
        // found again by its code (a row never saved has none to hand over).
        const int row = currentRow();
        const QVariant code = row >= 0 ? m_set->value(row, QStringLiteral("BM")) : QVariant();
        m_set->load();
        if (!picking)
            return true;
        for (int r = 0; r < m_set->rowCount(); ++r)
            if (!code.isNull() && m_set->value(r, QStringLiteral("BM")) == code) {
                setCurrentRow(r);
                return true;
            }
        return false;
    }
    default:
        return false;
    }
}

std::optional<QVariantMap> Txzghs::pickSupplier(QWidget *parent, const QString &typed)
{
    Txzghs picker(parent);
    return picker.pick(typed);
}

void registerSupplierPicker()
{
    Pickers::add(QStringLiteral("supplier"),
                 [](QWidget *parent, const QString &typed) { return Txzghs::pickSupplier(parent, typed); });
}

void addSupplierCount(GridWindow *window)
{
    auto *label = new QLabel(QStringLiteral("客户数量："), window);
    auto *box = new QLineEdit(window);
    box->setObjectName(QStringLiteral("countBox"));
    box->setReadOnly(true);
    box->setFocusPolicy(Qt::NoFocus);
    box->setMaximumWidth(80);
    window->addToolWidget(label);
    window->addToolWidget(box);
    auto refresh = [box] {
        int count = 0;
        const Outcome counted = SupplierList::storedCount(&count);
        box->setText(counted ? QString::number(count) : QString());
    };
    QObject::connect(&window->records(), &RecordSet::reloaded, box, refresh);
    QObject::connect(&window->records(), &RecordSet::saved, box, refresh);
}
