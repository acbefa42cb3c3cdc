#include "system/ui/password_reset_dialog.h"

#include "core/prompt.h"
#include "system/password_change.h"
#include "ui/enter_moves_focus.h"
#include "ui/password_stars.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
const QString caption = QStringLiteral("提示：");
}

PasswordResetDialog::PasswordResetDialog(const QString &employeeCode, const QString &employeeName, QWidget *parent)
    : QDialog(parent), m_code(employeeCode)
{
    setObjectName(QStringLiteral("PasswordResetDialog"));
    setWindowTitle(QStringLiteral("重置密码 :") + employeeName);

    auto makeBox = [this](const char *name) {
        auto *e = new QLineEdit(this);
        e->setObjectName(QString::fromLatin1(name));
        usePasswordStars(e);
        return e;
    };
    m_new = makeBox("newPassword");
    m_repeat = makeBox("repeatPassword");

    auto *employee = new QLabel(employeeCode + QLatin1Char(' ') + employeeName, this);
    employee->setObjectName(QStringLiteral("employeeLabel"));
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("员    工"), employee);
    form->addRow(QStringLiteral("新 密 码"), m_new);
    form->addRow(QStringLiteral("重新输入"), m_repeat);

    m_ok = new QPushButton(QStringLiteral("确 定"), this);
    m_ok->setObjectName(QStringLiteral("okButton"));
    m_ok->setAutoDefault(false);
    auto *exit = new QPushButton(QStringLiteral("退 出"), this);
    exit->setObjectName(QStringLiteral("exitButton"));
    exit->setAutoDefault(false);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(exit);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);

    connect(m_ok, &QPushButton::clicked, this, &PasswordResetDialog::confirm);
    connect(exit, &QPushButton::clicked, this, &QDialog::reject);

    EnterMovesFocus *enter = EnterMovesFocus::install(this);
    enter->setNext(m_new, m_repeat);
    enter->setNext(m_repeat, m_ok);
}

void PasswordResetDialog::confirm()
{
    if (m_new->text() != m_repeat->text()) {
        prompt().info(QStringLiteral("两次输入的密码不一致！"), caption);
        m_repeat->clear();
        m_repeat->setFocus();
        return;
    }
    const Outcome outcome = PasswordChange::resetPassword(m_code, m_new->text());
    if (!outcome) {
        prompt().message(outcome.text(), caption, outcome.detail.isEmpty() ? Prompt::Icon::Information
                                                                            : Prompt::Icon::Critical);
        m_new->setFocus();
        return;
    }
    prompt().info(outcome.message, caption);
    accept();
}
