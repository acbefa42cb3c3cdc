#include "app/login_window.h"
#include "ui/enter_moves_focus.h"
#include "ui/password_stars.h"

#include "core/db/database.h"
#include "core/home.h"
#include "core/prompt.h"
#include "core/session.h"
#include "core/settings.h"
#include "maintenance/backup.h"
#include "system/desktop_launcher.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTimer>

namespace {
const QString rememberedStandIn = QStringLiteral("********");
}

Tdl::Tdl(const Branding &branding, QWidget *parent) : QDialog(parent), m_branding(branding)
{
    setObjectName(QStringLiteral("Tdl"));
    setFixedSize(470, 201);

    auto *picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("loginPicture"));
    picture->setFixedSize(150, 201);
    const QPixmap logo(App::home().path(QStringLiteral("log.jpg")));
    if (!logo.isNull())
        picture->setPixmap(logo.scaled(picture->size(), Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation));

    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("nameBox"));
    m_password = new QLineEdit(this);
    m_password->setObjectName(QStringLiteral("passwordBox"));
    usePasswordStars(m_password);
    m_remember = new QCheckBox(QStringLiteral("记住密码"), this);
    m_remember->setObjectName(QStringLiteral("rememberBox"));
    m_reminder = new QCheckBox(QStringLiteral("自动打开生日提醒"), this);
    m_reminder->setObjectName(QStringLiteral("reminderBox"));
    auto *login = new QPushButton(QStringLiteral("登 录"), this);
    login->setObjectName(QStringLiteral("loginButton"));
    auto *exit = new QPushButton(QStringLiteral("退 出"), this);
    exit->setObjectName(QStringLiteral("exitButton"));
    login->setAutoDefault(false);
    exit->setAutoDefault(false);
    auto *note = new QLabel(QStringLiteral("初始密码：登录名称用\"sa\"，登录密码是123"), this);
    note->setObjectName(QStringLiteral("noteLabel"));
    note->setStyleSheet(QStringLiteral("color: #8a5a6a;"));

    auto *form = new QGridLayout;
    form->addWidget(new QLabel(QStringLiteral("登录名称："), this), 0, 0);
    form->addWidget(m_name, 0, 1, 1, 2);
    form->addWidget(new QLabel(QStringLiteral("登录密码："), this), 1, 0);
    form->addWidget(m_password, 1, 1, 1, 2);
    form->addWidget(m_remember, 2, 1);
    form->addWidget(m_reminder, 2, 2);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(login);
    buttons->addWidget(exit);
    form->addLayout(buttons, 3, 0, 1, 3);
    form->addWidget(note, 4, 0, 1, 3);
    auto *outer = new QHBoxLayout(this);
    outer->setContentsMargins(0, 0, 12, 0);
    outer->addWidget(picture);
    outer->addLayout(form, 1);

    connect(login, &QPushButton::clicked, this, &Tdl::tryLogin);
    connect(exit, &QPushButton::clicked, this, &QDialog::reject);

    const LoginService::InitialValues initial = LoginService::initialValues();
    m_name->setText(initial.name);
    m_password->setText(initial.password);
    m_remember->setChecked(initial.rememberPassword);
    m_reminder->setChecked(initial.openBirthdayReminder);
    useRememberedLogin(initial.loginRemembered);
    connect(m_password, &QLineEdit::textEdited, this, [this](const QString &text) {
        if (!m_usingRemembered)
            return;
        // What is typed after the stand-in text is the start of a password.
        const QString typed = text.startsWith(rememberedStandIn) ? text.mid(rememberedStandIn.size()) : QString();
        useRememberedLogin(false);
        m_password->setText(typed);
    });
    connect(m_name, &QLineEdit::textEdited, this, [this] {
        // The remembered login belongs to the name it was made for.
        if (m_usingRemembered) {
            useRememberedLogin(false);
            m_password->clear();
        }
    });

    openDatabase();
    setWindowTitle(m_branding.loginCaption());
}

void Tdl::useRememberedLogin(bool on)
{
    m_usingRemembered = on;
    // Only its length shows in the masked box; the token itself never enters it.
    if (on)
        m_password->setText(rememberedStandIn);
}

void Tdl::openDatabase()
{
    // The first database access of the run. A failure is reported now; every
    // login attempt then fails with the same reason. A damaged file, or one
    // that is not this program's, can be restored from a backup at once: no
    // login, and so no menu, is possible without it.
    const QString file = App::home().databaseFile(App::settings());
    if (Database::open(file))
        return;
    const Database::Problem problem = Database::lastProblem();
    if (problem != Database::Problem::Damaged && problem != Database::Problem::Foreign) {
        prompt().message(Database::lastError(), QString(), Prompt::Icon::Critical);
        return;
    }
    const Outcome why = Database::lastFailure();
    if (Backup::offerStartupRestore(file, why) && !Database::open(file))
        prompt().message(Database::lastError(), QString(), Prompt::Icon::Critical);
}

QString Tdl::desktopFolder() { return QStandardPaths::writableLocation(QStandardPaths::DesktopLocation); }

void Tdl::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    if (LoginService::firstRun())
        createDesktopLauncher(desktopFolder(), m_branding.productTitle, QApplication::applicationFilePath(),
                              QApplication::applicationDirPath());
    // Enter moves on to the next box; on a button it presses the button.
    EnterMovesFocus::install(this);
    // Lets the start-up benchmark time the way to this window.
    if (qEnvironmentVariableIsSet("HELAN_LEAVE_AT_LOGIN"))
        QTimer::singleShot(0, this, [] { QApplication::exit(0); std::exit(0); });
}

void Tdl::tryLogin()
{
    const LoginService::Result result =
        m_usingRemembered
            ? m_service.loginRemembered(m_name->text(), m_remember->isChecked(), m_reminder->isChecked())
            : m_service.login(m_name->text(), m_password->text(), m_remember->isChecked(), m_reminder->isChecked());
    // A remembered login that no longer holds is gone: the box waits for the password.
    if (m_usingRemembered && !LoginService::initialValues().loginRemembered) {
        useRememberedLogin(false);
        m_password->clear();
    }
    switch (result) {
    case LoginService::Result::Ok:
        accept();
        break;
    case LoginService::Result::Cancel:
        reject();
        break;
    case LoginService::Result::Stay:
        break;
    }
}
