#include "support/temp_home.h"

#include "core/db/database.h"
#include "core/password.h"
#include "core/session.h"
#include "core/settings.h"
#include "system/login_service.h"
#include "system/password_change.h"

namespace {

class PasswordChangeTest : public TempHome
{
protected:
    void SetUp() override
    {
        TempHome::SetUp();
        addEmployee(QStringLiteral("001"), QStringLiteral("李四"), QStringLiteral("lisi"), QStringLiteral("old"));
        loginAs(QStringLiteral("001"));
    }
    QString storedPassword() { return Db::scalarSql(QStringLiteral("SELECT MM FROM bm_yg WHERE BM = '001'")).toString(); }
};

TEST_F(PasswordChangeTest, RefusalsChangeNothing)
{
    using O = PasswordChange::Outcome;
    const struct { const char *oldPw, *newPw, *repeat; O outcome; const char *text; } cases[] = {
        {"OLD", "new", "new", O::WrongOldPassword, "原密码错！"},
        {"", "new", "new", O::WrongOldPassword, "原密码错！"},
        {"old", "", "", O::EmptyNewPassword, "新密码不能为空！"},
        {"old", "new", "New", O::Mismatch, "新密码与验证密码不一致！"},
        {"old", "new", "", O::Mismatch, "新密码与验证密码不一致！"},
    };
    const QString before = storedPassword();
    for (const auto &c : cases) {
        prompt->clear();
        EXPECT_EQ(PasswordChange::change(QString::fromUtf8(c.oldPw), QString::fromUtf8(c.newPw),
                                         QString::fromUtf8(c.repeat)),
                  c.outcome)
            << c.text;
        ASSERT_EQ(prompt->shown.size(), 1u);
        EXPECT_EQ(prompt->shown[0].text, QString::fromUtf8(c.text));
        EXPECT_EQ(prompt->shown[0].caption, QStringLiteral("提示："));
        EXPECT_EQ(storedPassword(), before);
    }
}

TEST_F(PasswordChangeTest, TheNewPasswordIsStoredHashedAndNeededAtTheNextLogin)
{
    EXPECT_EQ(PasswordChange::change(QStringLiteral("old"), QStringLiteral("秘密Pw"), QStringLiteral("秘密Pw")),
              PasswordChange::Outcome::Changed);
    EXPECT_EQ(prompt->last(), QStringLiteral("密码修改成功！"));
    EXPECT_EQ(prompt->shown.back().caption, QStringLiteral("提示："));
    const QString stored = storedPassword();
    EXPECT_TRUE(Password::isHash(stored));
    EXPECT_TRUE(Password::verify(stored, QStringLiteral("秘密Pw")));

    LoginService login;
    EXPECT_EQ(login.login(QStringLiteral("lisi"), QStringLiteral("old"), true, true), LoginService::Result::Stay);
    EXPECT_EQ(login.login(QStringLiteral("lisi"), QStringLiteral("秘密Pw"), true, true), LoginService::Result::Ok);
}

TEST_F(PasswordChangeTest, ANewPasswordEndsEveryRememberedLoginOfTheOldOne)
{
    // Remembered at this counter and at another one sharing the database.
    ASSERT_EQ(LoginService().login(QStringLiteral("lisi"), QStringLiteral("old"), true, true), LoginService::Result::Ok);
    const QString elsewhere = App::settings().value(QStringLiteral("dl"), QStringLiteral("lp"));
    App::settings().remove(QStringLiteral("dl"), QStringLiteral("lp"));
    ASSERT_EQ(LoginService().login(QStringLiteral("lisi"), QStringLiteral("old"), true, true), LoginService::Result::Ok);
    ASSERT_FALSE(App::settings().value(QStringLiteral("dl"), QStringLiteral("lp")).isEmpty());
    prompt->clear();

    ASSERT_EQ(PasswordChange::change(QStringLiteral("old"), QStringLiteral("new"), QStringLiteral("new")),
              PasswordChange::Outcome::Changed);

    EXPECT_FALSE(App::settings().contains(QStringLiteral("dl"), QStringLiteral("lp")));
    App::settings().setValue(QStringLiteral("dl"), QStringLiteral("lp"), elsewhere);
    prompt->clear();
    LoginService login;
    EXPECT_EQ(login.loginRemembered(QStringLiteral("lisi"), true, true), LoginService::Result::Stay);
    EXPECT_EQ(prompt->last(), QStringLiteral("记住的密码已失效，请重新填写“登录密码”!"));
    EXPECT_EQ(login.login(QStringLiteral("lisi"), QStringLiteral("new"), true, true), LoginService::Result::Ok);
}

TEST_F(PasswordChangeTest, APasswordResetByTheAdministratorEndsTheEmployeesRememberedLogins)
{
    ASSERT_EQ(LoginService().login(QStringLiteral("lisi"), QStringLiteral("old"), true, true), LoginService::Result::Ok);
    const QString token = App::settings().value(QStringLiteral("dl"), QStringLiteral("lp"));
    ASSERT_FALSE(token.isEmpty());
    loginAs(QStringLiteral("000"));

    ASSERT_TRUE(PasswordChange::resetPassword(QStringLiteral("001"), QStringLiteral("reset")).ok);

    prompt->clear();
    EXPECT_EQ(LoginService().loginRemembered(QStringLiteral("lisi"), true, true), LoginService::Result::Stay);
    EXPECT_EQ(prompt->last(), QStringLiteral("记住的密码已失效，请重新填写“登录密码”!"));
}

TEST_F(PasswordChangeTest, AnEmployeeWithoutPasswordSetsOneWithAnEmptyOldBox)
{
    addEmployee(QStringLiteral("002"), QStringLiteral("王五"), QStringLiteral("wangwu"));
    loginAs(QStringLiteral("002"));
    EXPECT_EQ(PasswordChange::change(QString(), QStringLiteral("x1"), QStringLiteral("x1")),
              PasswordChange::Outcome::Changed);
    EXPECT_TRUE(Password::verify(
        Db::scalarSql(QStringLiteral("SELECT MM FROM bm_yg WHERE BM = '002'")).toString(), QStringLiteral("x1")));
}

TEST_F(PasswordChangeTest, AVanishedUserIsNotToldTheChangeSucceeded)
{
    Db::execSql(QStringLiteral("DELETE FROM bm_yg WHERE BM = '001'"));
    EXPECT_EQ(PasswordChange::change(QStringLiteral("old"), QStringLiteral("n"), QStringLiteral("n")),
              PasswordChange::Outcome::WrongOldPassword);
    EXPECT_FALSE(prompt->saw(QStringLiteral("密码修改成功！")));
}

TEST_F(PasswordChangeTest, CaptionNamesTheUser)
{
    EXPECT_EQ(PasswordChange::windowCaption(), QStringLiteral("修改密码 :李四"));
}

} // namespace
