#include "support/temp_home.h"

#include "core/db/database.h"
#include "core/password.h"
#include "core/session.h"
#include "core/settings.h"
#include "system/login_service.h"

#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace {

using Result = LoginService::Result;

// The file's permission bits.
int modeOf(const QString &path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 0777) : -1;
}


class LoginServiceTest : public TempHome
{
protected:
    // What is on disk, not what the program holds in memory.
    QString ini(const QString &key) { return Settings(homePath(QStringLiteral("Default.ini"))).value(QStringLiteral("dl"), key); }
    bool iniHas(const QString &key)
    {
        return Settings(homePath(QStringLiteral("Default.ini"))).contains(QStringLiteral("dl"), key);
    }
    void expectOnlyMessage(const QString &text, const QString &caption = QStringLiteral("提示"))
    {
        ASSERT_EQ(prompt->shown.size(), 1u) << prompt->texts_shown().join(QLatin1Char('|')).toStdString();
        EXPECT_EQ(prompt->shown[0].text, text);
        EXPECT_EQ(prompt->shown[0].caption, caption);
        prompt->clear();
    }
};

TEST_F(LoginServiceTest, FirstRunProposesTheAdministratorAndCountsTheLogin)
{
    ASSERT_FALSE(QFileInfo::exists(homePath(QStringLiteral("Default.ini"))));
    EXPECT_TRUE(LoginService::firstRun());
    const auto v = LoginService::initialValues();
    EXPECT_EQ(v.name, QStringLiteral("sa"));
    EXPECT_EQ(v.password, QStringLiteral("123"));
    EXPECT_TRUE(v.rememberPassword);
    EXPECT_TRUE(v.openBirthdayReminder);

    LoginService login;
    ASSERT_EQ(login.login(v.name, v.password, true, true), Result::Ok);
    EXPECT_TRUE(prompt->shown.empty());
    const Session &s = App::session();
    EXPECT_EQ(s.currentUserCode, QStringLiteral("000"));
    EXPECT_EQ(s.currentUserName, QStringLiteral("系统管理员"));
    EXPECT_EQ(s.currentUserRights, QStringLiteral("QX-10,11,12,13,14,15,16,17,18,"));
    EXPECT_EQ(s.shortNumberFlag, QStringLiteral("F"));
    EXPECT_TRUE(s.userRowLoaded);

    EXPECT_EQ(ini(QStringLiteral("cs")), QStringLiteral("1"));
    EXPECT_EQ(ini(QStringLiteral("user")), QStringLiteral("sa"));
    EXPECT_FALSE(iniHas(QStringLiteral("mm")));
    EXPECT_TRUE(iniHas(QStringLiteral("lp")));
    EXPECT_EQ(ini(QStringLiteral("bcmm")), QStringLiteral("T"));
    EXPECT_EQ(ini(QStringLiteral("srtx")), QStringLiteral("T"));
    EXPECT_FALSE(LoginService::firstRun());
}

TEST_F(LoginServiceTest, LoginCountIsIncrementedAndShortNumbersAreTaken)
{
    App::settings().setValue(QStringLiteral("dl"), QStringLiteral("cs"), QStringLiteral("41"));
    App::settings().setValue(QStringLiteral("xsd"), QStringLiteral("DDH"), QStringLiteral("T"));
    LoginService login;
    ASSERT_EQ(login.login(QStringLiteral("sa"), QStringLiteral("123"), true, true), Result::Ok);
    EXPECT_EQ(ini(QStringLiteral("cs")), QStringLiteral("42"));
    EXPECT_TRUE(App::session().shortNumbers());
}

TEST_F(LoginServiceTest, AnUnrememberedPasswordIsNotKeptOnDisk)
{
    LoginService first;
    ASSERT_EQ(first.login(QStringLiteral("sa"), QStringLiteral("123"), false, false), Result::Ok);
    EXPECT_FALSE(iniHas(QStringLiteral("mm")));
    EXPECT_EQ(ini(QStringLiteral("bcmm")), QStringLiteral("F"));
    EXPECT_EQ(ini(QStringLiteral("srtx")), QStringLiteral("F"));

    App::settings().reload();
    auto v = LoginService::initialValues();
    EXPECT_EQ(v.name, QStringLiteral("sa"));
    EXPECT_TRUE(v.password.isEmpty());
    EXPECT_FALSE(v.rememberPassword);
    EXPECT_FALSE(v.openBirthdayReminder);

    // Ticking it again remembers the login for the run after.
    LoginService second;
    ASSERT_EQ(second.login(QStringLiteral("SA"), QStringLiteral("123"), true, false), Result::Ok);
    App::settings().reload();
    v = LoginService::initialValues();
    EXPECT_EQ(v.name, QStringLiteral("SA")); // the name as typed
    EXPECT_TRUE(v.loginRemembered);
    EXPECT_TRUE(v.password.isEmpty());
    EXPECT_TRUE(v.rememberPassword);
}

// ---- 记住密码: a login token instead of the password

TEST_F(LoginServiceTest, ARememberedLoginKeepsATokenNotThePassword)
{
    addEmployee(QStringLiteral("001"), QStringLiteral("张三"), QStringLiteral("zs"), QStringLiteral("秘密pw1"));
    ASSERT_EQ(LoginService().login(QStringLiteral("zs"), QStringLiteral("秘密pw1"), true, true), Result::Ok);

    QFile f(homePath(QStringLiteral("Default.ini")));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray onDisk = f.readAll();
    EXPECT_FALSE(onDisk.contains(QStringLiteral("秘密pw1").toUtf8()));
    EXPECT_EQ(modeOf(homePath(QStringLiteral("Default.ini"))), 0600);
    const QString token = ini(QStringLiteral("lp"));
    ASSERT_GE(token.size(), 40);
    // The database holds its hash, not the token.
    const QString held = Db::scalarSql(QStringLiteral("SELECT DLLP FROM bm_yg WHERE BM = '001'")).toString();
    EXPECT_FALSE(held.contains(token));
    EXPECT_TRUE(held.contains(LoginService::tokenHash(token)));

    // The next run logs in with it, and keeps it.
    App::session() = Session();
    LoginService next;
    EXPECT_EQ(next.loginRemembered(QStringLiteral("zs"), true, true), Result::Ok);
    EXPECT_EQ(App::session().currentUserCode, QStringLiteral("001"));
    EXPECT_EQ(ini(QStringLiteral("lp")), token);
    EXPECT_TRUE(prompt->shown.empty());
}

TEST_F(LoginServiceTest, ARememberedLoginOpensOnlyItsOwnUser)
{
    addEmployee(QStringLiteral("001"), QStringLiteral("张三"), QStringLiteral("zs"), QStringLiteral("pw"));
    ASSERT_EQ(LoginService().login(QStringLiteral("sa"), QStringLiteral("123"), true, true), Result::Ok);
    App::session() = Session();
    LoginService other;
    EXPECT_EQ(other.loginRemembered(QStringLiteral("zs"), true, true), Result::Stay);
    expectOnlyMessage(QStringLiteral("记住的密码已失效，请重新填写“登录密码”!"));
    EXPECT_TRUE(App::session().currentUserCode.isEmpty());
    EXPECT_EQ(other.failures(), 0); // no password was typed
    EXPECT_FALSE(iniHas(QStringLiteral("lp")));
}

TEST_F(LoginServiceTest, UntickingRevokesTheRememberedLogin)
{
    ASSERT_EQ(LoginService().login(QStringLiteral("sa"), QStringLiteral("123"), true, true), Result::Ok);
    const QString token = ini(QStringLiteral("lp"));
    ASSERT_FALSE(token.isEmpty());

    ASSERT_EQ(LoginService().loginRemembered(QStringLiteral("sa"), false, true), Result::Ok);
    EXPECT_FALSE(iniHas(QStringLiteral("lp")));
    EXPECT_FALSE(Db::scalarSql(QStringLiteral("SELECT COALESCE(DLLP, '') FROM bm_yg WHERE BM = '000'"))
                     .toString()
                     .contains(LoginService::tokenHash(token)));

    // A copy of the old token opens nothing any more.
    App::settings().setValue(QStringLiteral("dl"), QStringLiteral("lp"), token);
    EXPECT_EQ(LoginService().loginRemembered(QStringLiteral("sa"), true, true), Result::Stay);
    expectOnlyMessage(QStringLiteral("记住的密码已失效，请重新填写“登录密码”!"));
}

TEST_F(LoginServiceTest, CountersSharingTheDatabaseEachKeepTheirRememberedLogin)
{
    ASSERT_EQ(LoginService().login(QStringLiteral("sa"), QStringLiteral("123"), true, true), Result::Ok);
    const QString first = ini(QStringLiteral("lp"));
    // Another counter: its own Default.ini, the same database.
    App::settings().remove(QStringLiteral("dl"), QStringLiteral("lp"));
    ASSERT_EQ(LoginService().login(QStringLiteral("sa"), QStringLiteral("123"), true, true), Result::Ok);
    const QString second = ini(QStringLiteral("lp"));
    ASSERT_NE(first, second);

    for (const QString &token : {first, second}) {
        App::settings().setValue(QStringLiteral("dl"), QStringLiteral("lp"), token);
        EXPECT_EQ(LoginService().loginRemembered(QStringLiteral("sa"), true, true), Result::Ok);
    }
}

TEST_F(LoginServiceTest, AnOlderFilesPlainPasswordWorksOnceAndIsReplacedByAToken)
{
    {
        Settings older(homePath(QStringLiteral("Default.ini")));
        older.setValue(QStringLiteral("dl"), QStringLiteral("mm"), QStringLiteral("123"));
        older.setValue(QStringLiteral("dl"), QStringLiteral("bcmm"), QStringLiteral("T"));
        older.setValue(QStringLiteral("dl"), QStringLiteral("cs"), QStringLiteral("30"));
    }
    App::settings().reload();
    const auto v = LoginService::initialValues();
    EXPECT_EQ(v.password, QStringLiteral("123"));
    EXPECT_FALSE(v.loginRemembered);

    ASSERT_EQ(LoginService().login(v.name, v.password, v.rememberPassword, true), Result::Ok);
    EXPECT_FALSE(iniHas(QStringLiteral("mm")));
    EXPECT_TRUE(iniHas(QStringLiteral("lp")));
    App::settings().reload();
    EXPECT_TRUE(LoginService::initialValues().loginRemembered);
    EXPECT_TRUE(LoginService::initialValues().password.isEmpty());
}

TEST_F(LoginServiceTest, NameIgnoresLetterCasePasswordDoesNot)
{
    addEmployee(QStringLiteral("001"), QStringLiteral("张三"), QStringLiteral("Zhang"), QStringLiteral("AbC"));
    LoginService login;
    EXPECT_EQ(login.login(QStringLiteral("zhang"), QStringLiteral("abc"), true, true), Result::Stay);
    expectOnlyMessage(QStringLiteral("“登录密码”有误,请重新填写!"));
    EXPECT_TRUE(App::session().currentUserCode.isEmpty());
    EXPECT_EQ(login.login(QStringLiteral("ZHANG"), QStringLiteral("AbC"), true, true), Result::Ok);
    EXPECT_EQ(App::session().currentUserCode, QStringLiteral("001"));
    EXPECT_EQ(App::session().currentUserName, QStringLiteral("张三"));
}

TEST_F(LoginServiceTest, MissingOrUnknownNameIsToldAndNotCountedAsFailure)
{
    LoginService login;
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(login.login(QString(), QStringLiteral("123"), true, true), Result::Stay);
        expectOnlyMessage(QStringLiteral("请先填写“登录名称”!"));
        EXPECT_EQ(login.login(QStringLiteral("nobody"), QStringLiteral("123"), true, true), Result::Stay);
        expectOnlyMessage(QStringLiteral("\"登录名称\"不存在,请重新填写!"));
    }
    EXPECT_EQ(login.failures(), 0);
    EXPECT_FALSE(QFileInfo::exists(homePath(QStringLiteral("Default.ini"))));
}

TEST_F(LoginServiceTest, TwoWrongPasswordsThenTheRightOneLogsIn)
{
    LoginService login;
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(login.login(QStringLiteral("sa"), QStringLiteral("12"), true, true), Result::Stay);
        expectOnlyMessage(QStringLiteral("“登录密码”有误,请重新填写!"));
    }
    EXPECT_EQ(login.login(QStringLiteral("sa"), QStringLiteral("123"), true, true), Result::Ok);
    EXPECT_TRUE(prompt->shown.empty());
}

TEST_F(LoginServiceTest, TheThirdWrongPasswordEndsTheRun)
{
    addEmployee(QStringLiteral("001"), QStringLiteral("张三"), QStringLiteral("zs"), QStringLiteral("pw"));
    LoginService login;
    // Failures count for the run, whichever name they were typed for.
    EXPECT_EQ(login.login(QStringLiteral("sa"), QStringLiteral("x"), true, true), Result::Stay);
    EXPECT_EQ(login.login(QStringLiteral("zs"), QStringLiteral("x"), true, true), Result::Stay);
    prompt->clear();
    EXPECT_EQ(login.login(QStringLiteral("sa"), QStringLiteral("x"), true, true), Result::Cancel);
    expectOnlyMessage(QStringLiteral("错误次数过多，系统将自动退出！"), QString());
    EXPECT_TRUE(App::session().currentUserCode.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(homePath(QStringLiteral("Default.ini"))));
}

TEST_F(LoginServiceTest, AnEmployeeWithoutPasswordLogsInWithAnEmptyBox)
{
    addEmployee(QStringLiteral("001"), QStringLiteral("张三"), QStringLiteral("zs"));
    Db::execSql(QStringLiteral("INSERT INTO bm_yg (BM, MC, DLMC, MM) VALUES ('002', '王五', 'ww', NULL)"));
    LoginService login;
    EXPECT_EQ(login.login(QStringLiteral("zs"), QStringLiteral(" "), true, true), Result::Stay);
    EXPECT_EQ(login.login(QStringLiteral("zs"), QString(), true, true), Result::Ok);
    EXPECT_EQ(login.login(QStringLiteral("ww"), QString(), true, true), Result::Ok);
    EXPECT_EQ(App::session().currentUserCode, QStringLiteral("002"));
}

TEST_F(LoginServiceTest, APlainStoredPasswordIsReplacedByItsHash)
{
    Db::execSql(QStringLiteral("UPDATE bm_yg SET MM = 'Plain1' WHERE BM = '000'"));
    LoginService login;
    EXPECT_EQ(login.login(QStringLiteral("sa"), QStringLiteral("plain1"), true, true), Result::Stay);
    EXPECT_EQ(Db::scalarSql(QStringLiteral("SELECT MM FROM bm_yg WHERE BM = '000'")).toString(), QStringLiteral("Plain1"));
    EXPECT_EQ(login.login(QStringLiteral("sa"), QStringLiteral("Plain1"), true, true), Result::Ok);
    const QString stored = Db::scalarSql(QStringLiteral("SELECT MM FROM bm_yg WHERE BM = '000'")).toString();
    EXPECT_TRUE(Password::isHash(stored));
    EXPECT_TRUE(Password::verify(stored, QStringLiteral("Plain1")));
    EXPECT_EQ(LoginService().login(QStringLiteral("sa"), QStringLiteral("Plain1"), true, true), Result::Ok);
}

TEST_F(LoginServiceTest, WithoutADatabaseEveryAttemptShowsWhyItIsMissing)
{
    Database::close();
    ASSERT_FALSE(Database::open(homePath(QStringLiteral("data/missing.db"))));
    const QString reason = Database::lastError();
    ASSERT_FALSE(reason.isEmpty());

    LoginService login;
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(login.login(QStringLiteral("sa"), QStringLiteral("123"), true, true), Result::Stay);
        expectOnlyMessage(reason);
    }
    EXPECT_TRUE(App::session().currentUserCode.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(homePath(QStringLiteral("Default.ini"))));
}

} // namespace
