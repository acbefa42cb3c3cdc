#include "support/temp_home.h"

#include "app/login_window.h"
#include "core/db/database.h"
#include "core/home.h"
#include "core/session.h"
#include "core/settings.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

class LoginWindowTest : public TempHome
{
protected:
    void SetUp() override
    {
        TempHome::SetUp();
        Database::close(); // the login window opens the database itself
        ASSERT_TRUE(desktopHome.isValid());
        savedHome = qgetenv("HOME");
        savedConfig = qgetenv("XDG_CONFIG_HOME");
        qputenv("HOME", desktopHome.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", (desktopHome.path() + "/config").toUtf8());
    }
    void TearDown() override
    {
        qputenv("HOME", savedHome);
        qputenv("XDG_CONFIG_HOME", savedConfig);
        TempHome::TearDown();
    }
    QString launcher() const { return desktopHome.path() + QString::fromUtf8("/Desktop/禾岚婚庆公司管理系统.desktop"); }

    QTemporaryDir desktopHome;
    QByteArray savedHome, savedConfig;
};

TEST_F(LoginWindowTest, FirstRunProposesDefaultsLogsInAndLeavesALauncherOnce)
{
    {
        Tdl w(Branding::fromSettings(App::settings()));
        EXPECT_EQ(w.windowTitle(), QString::fromUtf8("禾岚婚庆公司管理系统 v22.0711"));
        EXPECT_EQ(w.findChild<QLineEdit *>("nameBox")->text(), "sa");
        EXPECT_EQ(w.findChild<QLineEdit *>("passwordBox")->text(), "123");
        EXPECT_EQ(w.findChild<QLineEdit *>("passwordBox")->echoMode(), QLineEdit::Password);
        EXPECT_TRUE(w.findChild<QCheckBox *>("rememberBox")->isChecked());
        EXPECT_TRUE(w.findChild<QCheckBox *>("reminderBox")->isChecked());
        w.show();
        EXPECT_TRUE(QFileInfo::exists(launcher()));
        w.findChild<QPushButton *>("loginButton")->click();
        EXPECT_EQ(w.result(), QDialog::Accepted);
        EXPECT_TRUE(prompt->shown.empty()) << prompt->last().toStdString();
    }
    EXPECT_EQ(App::session().currentUserCode, "000");
    EXPECT_EQ(App::settings().value("dl", "cs"), "1");
    QFile::remove(launcher());
    Tdl again(Branding::fromSettings(App::settings()));
    again.show();
    EXPECT_FALSE(QFileInfo::exists(launcher()));
}

TEST_F(LoginWindowTest, EnterMovesFromNameToPassword)
{
    Tdl w(Branding::fromSettings(App::settings()));
    w.show();
    auto *name = w.findChild<QLineEdit *>("nameBox");
    name->setFocus();
    QTest::keyClick(name, Qt::Key_Return);
    EXPECT_EQ(w.focusWidget(), w.findChild<QLineEdit *>("passwordBox"));
    EXPECT_NE(w.result(), QDialog::Accepted);
}

TEST_F(LoginWindowTest, MissingDatabaseIsReportedAndEveryLoginFails)
{
    App::settings().setValue("dbdz", "sfdz", "T");
    App::settings().setValue("dbdz", "Tdbdz", homePath("elsewhere/data.db"));
    Tdl w(Branding::fromSettings(App::settings()));
    ASSERT_EQ(prompt->shown.size(), 1u);
    EXPECT_EQ(prompt->shown[0].icon, Prompt::Icon::Critical);
    EXPECT_TRUE(prompt->shown[0].text.contains("elsewhere/data.db"));
    // Never a silently created empty database in its place.
    EXPECT_FALSE(QFileInfo::exists(homePath("elsewhere/data.db")));
    w.findChild<QPushButton *>("loginButton")->click();
    EXPECT_NE(w.result(), QDialog::Accepted);
    EXPECT_EQ(prompt->last(), prompt->shown[0].text);
    EXPECT_FALSE(App::settings().contains("dl", "cs"));
}

TEST_F(LoginWindowTest, ARememberedLoginFillsTheBoxWithoutThePasswordAndTypingReplacesIt)
{
    {
        Tdl first(Branding::fromSettings(App::settings()));
        first.findChild<QPushButton *>("loginButton")->click();
        ASSERT_EQ(first.result(), QDialog::Accepted);
    }
    App::session() = Session();

    Tdl w(Branding::fromSettings(App::settings()));
    auto *password = w.findChild<QLineEdit *>("passwordBox");
    EXPECT_FALSE(password->text().isEmpty());
    EXPECT_NE(password->text(), "123");
    EXPECT_NE(password->text(), App::settings().value("dl", "lp"));
    w.findChild<QPushButton *>("loginButton")->click();
    EXPECT_EQ(w.result(), QDialog::Accepted);
    EXPECT_EQ(App::session().currentUserCode, "000");
    EXPECT_TRUE(prompt->shown.empty()) << prompt->last().toStdString();

    // What the user types is the password, not the remembered login plus a letter.
    Tdl typed(Branding::fromSettings(App::settings()));
    auto *box = typed.findChild<QLineEdit *>("passwordBox");
    box->setFocus();
    box->end(false);
    QTest::keyClicks(box, "12");
    EXPECT_EQ(box->text(), "12");
    typed.findChild<QPushButton *>("loginButton")->click();
    EXPECT_NE(typed.result(), QDialog::Accepted);
    EXPECT_EQ(prompt->last(), QString::fromUtf8("“登录密码”有误,请重新填写!"));
    QTest::keyClicks(box, "3");
    typed.findChild<QPushButton *>("loginButton")->click();
    EXPECT_EQ(typed.result(), QDialog::Accepted);

    // Another name: the remembered login is not offered for it.
    Tdl renamed(Branding::fromSettings(App::settings()));
    QTest::keyClicks(renamed.findChild<QLineEdit *>("nameBox"), "x");
    EXPECT_TRUE(renamed.findChild<QLineEdit *>("passwordBox")->text().isEmpty());
}

TEST_F(LoginWindowTest, ADamagedDatabaseCanBeRestoredFromABackupBeforeLogin)
{
    const QString data = homePath("data/data.db");
    const QString backup = homePath("backup/星期五.bak");
    ASSERT_TRUE(QFile::copy(data, backup));
    QFile f(data);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    f.write(QByteArray(100, '\x13')); // the header
    f.close();
    QFile::copy(data, homePath("damaged.copy"));

    prompt->answer(Prompt::Answer::Yes);
    prompt->chooseFile(backup);
    Tdl w(Branding::fromSettings(App::settings()));

    ASSERT_EQ(prompt->shown.size(), 2u) << prompt->texts_shown().join('|').toStdString();
    EXPECT_TRUE(prompt->shown[0].isQuestion);
    EXPECT_TRUE(prompt->shown[0].text.startsWith(QString::fromUtf8("数据文件已损坏：") + data));
    EXPECT_EQ(prompt->shown[1].text, QString::fromUtf8("成功恢复数据！"));
    ASSERT_TRUE(Database::isOpen());
    w.findChild<QPushButton *>("loginButton")->click();
    EXPECT_EQ(w.result(), QDialog::Accepted);

    // The damaged file is kept beside the backups.
    const QStringList kept = QDir(homePath("backup")).entryList({QString::fromUtf8("损坏_*.db")}, QDir::Files);
    ASSERT_EQ(kept.size(), 1);
    QFile keptFile(homePath("backup/" + kept[0])), damaged(homePath("damaged.copy"));
    ASSERT_TRUE(keptFile.open(QIODevice::ReadOnly) && damaged.open(QIODevice::ReadOnly));
    EXPECT_EQ(keptFile.readAll(), damaged.readAll());
}

TEST_F(LoginWindowTest, ADamagedDatabaseNotRestoredIsNamedAtEveryLogin)
{
    QFile f(homePath("data/data.db"));
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    f.write(QByteArray(100, '\x13'));
    f.close();

    prompt->answer(Prompt::Answer::No);
    Tdl w(Branding::fromSettings(App::settings()));
    ASSERT_EQ(prompt->shown.size(), 1u);
    EXPECT_FALSE(Database::isOpen());
    prompt->clear();
    w.findChild<QPushButton *>("loginButton")->click();
    EXPECT_NE(w.result(), QDialog::Accepted);
    EXPECT_TRUE(prompt->last().startsWith(QString::fromUtf8("数据文件已损坏：") + homePath("data/data.db")))
        << prompt->last().toStdString();
    EXPECT_TRUE(prompt->last().contains("backup"));
}
