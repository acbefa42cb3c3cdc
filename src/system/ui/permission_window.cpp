#include "system/ui/permission_window.h"

#include "core/prompt.h"
#include "system/menu_catalog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

TGGQX::TGGQX(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("TGGQX"));
    setWindowTitle(QStringLiteral("权限设置"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(761, 379);

    auto *top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("员工：")));
    m_employee = new QComboBox;
    m_employee->setObjectName(QStringLiteral("employeeBox"));
    m_employee->setMinimumWidth(160);
    top->addWidget(m_employee);
    top->addStretch();
    m_save = new QPushButton(QStringLiteral("保存[&S]"));
    m_save->setObjectName(QStringLiteral("saveButton"));
    m_exit = new QPushButton(QStringLiteral("退出[&E]"));
    m_exit->setObjectName(QStringLiteral("exitButton"));
    top->addWidget(m_save);
    top->addWidget(m_exit);

    auto *lists = new QHBoxLayout;
    const auto &menus = MenuCatalog::restrictedMenus();
    for (int m = 0; m < 4; ++m) {
        auto *box = new QGroupBox(QString::fromUtf8(menus[m].caption));
        auto *l = new QVBoxLayout(box);
        m_lists[m] = new QListWidget;
        m_lists[m]->setObjectName(QStringLiteral("menuList%1").arg(m + 1));
        l->addWidget(m_lists[m]);
        lists->addWidget(box);
    }

    auto *others = new QGroupBox(QStringLiteral("其他权限"));
    auto *grid = new QVBoxLayout(others);
    const auto &rights = MenuCatalog::otherRights();
    for (size_t i = 0; i < rights.size() && i < m_rights.size(); ++i) {
        m_rights[i] = new QCheckBox(QString::fromUtf8(rights[i].caption));
        m_rights[i]->setObjectName(QStringLiteral("right%1").arg(rights[i].code));
        grid->addWidget(m_rights[i]);
    }
    grid->addStretch();
    lists->addWidget(others);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(lists, 1);

    connect(m_save, &QPushButton::clicked, this, &TGGQX::save);
    connect(m_exit, &QPushButton::clicked, this, &QWidget::close);

    if (m_editor.loadNames()) {
        m_employee->addItems(m_editor.names());
        m_employee->setCurrentText(m_editor.initialName());
    }
    showEmployee(m_employee->currentText());
    connect(m_employee, &QComboBox::currentTextChanged, this, &TGGQX::showEmployee);
}

void TGGQX::showEmployee(const QString &name)
{
    m_editor.load(name);
    fillWidgets();
}

void TGGQX::fillWidgets()
{
    for (int m = 0; m < 4; ++m) {
        QListWidget *list = m_lists[m];
        list->clear();
        for (const PermissionEditor::Line &line : m_editor.lines(m + 1)) {
            auto *item = new QListWidgetItem(line.text, list);
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
            item->setCheckState(line.ticked ? Qt::Checked : Qt::Unchecked);
        }
    }
    const auto &rights = MenuCatalog::otherRights();
    for (size_t i = 0; i < m_rights.size(); ++i)
        m_rights[i]->setChecked(m_editor.otherRight(rights[i].code));
    m_save->setEnabled(m_editor.loaded());
}

void TGGQX::takeWidgets()
{
    for (int m = 0; m < 4; ++m)
        for (int p = 0; p < m_lists[m]->count(); ++p)
            m_editor.setTicked(m + 1, p, m_lists[m]->item(p)->checkState() == Qt::Checked);
    const auto &rights = MenuCatalog::otherRights();
    for (size_t i = 0; i < m_rights.size(); ++i)
        m_editor.setOtherRight(rights[i].code, m_rights[i]->isChecked());
}

void TGGQX::save()
{
    takeWidgets();
    try {
        if (m_editor.save())
            fillWidgets();
    } catch (const std::exception &e) {
        prompt().message(QString::fromUtf8(e.what()), QStringLiteral("提示"), Prompt::Icon::Critical);
    }
}
