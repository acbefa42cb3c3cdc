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
