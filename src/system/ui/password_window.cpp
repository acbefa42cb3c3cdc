#include "system/ui/password_window.h"

#include "system/password_change.h"
#include "ui/enter_moves_focus.h"
#include "ui/password_stars.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

Tggmm::Tggmm(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Tggmm"));
    setWindowTitle(QStringLiteral("修改密码"));

    auto makeBox = [this](const char *name) {
        auto *e = new QLineEdit(this);
        e->setObjectName(QString::fromLatin1(name));
        usePasswordStars(e);
        return e;
    };
    m_old = makeBox("oldPassword");
    m_new = makeBox("newPassword");
    m_repeat = makeBox("repeatPassword");

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("原 密 码"), m_old);
    form->addRow(QStringLiteral("新 密 码"), m_new);
    form->addRow(QStringLiteral("重新输入"), m_repeat);

    auto *ok = m_ok = new QPushButton(QStringLiteral("确 定"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setAutoDefault(false);
    auto *exit = new QPushButton(QStringLiteral("退 出"), this);
    exit->setObjectName(QStringLiteral("exitButton"));
    exit->setAutoDefault(false);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(exit);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);

    connect(ok, &QPushButton::clicked, this, &Tggmm::confirm);
    connect(exit, &QPushButton::clicked, this, &QDialog::reject);

    EnterMovesFocus *enter = EnterMovesFocus::install(this);
    enter->setNext(m_old, m_new);
    enter->setNext(m_new, m_repeat);
    enter->setNext(m_repeat, m_ok);
}

void Tggmm::showEvent(QShowEvent *event)
{
    setWindowTitle(PasswordChange::windowCaption());
    QDialog::showEvent(event);
}

void Tggmm::confirm()
{
    // The outcome has been shown; the window stays open either way.
    PasswordChange::change(m_old->text(), m_new->text(), m_repeat->text());
}
