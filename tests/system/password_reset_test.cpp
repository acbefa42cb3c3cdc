#include "support/temp_home.h"

#include "core/db/database.h"
#include "core/password.h"
#include "core/session.h"
#include "system/login_service.h"
#include "system/password_change.h"

namespace {

class PasswordResetTest : public TempHome
{
protected:
    void SetUp() override
    {
        TempHome::SetUp();
        addEmployee("001", "李四", "lisi", "forgotten");
        loginAs("000");
    }
    QString stored(const char *code) { return Db::scalarSql("SELECT MM FROM bm_yg WHERE BM = ?", {code}).toString(); }
};

TEST_F(PasswordResetTest, TheAdministratorGivesAnEmployeeANewHashedPassword)
{
    const Outcome outcome = PasswordChange::resetPassword("001", "新密码9");
    ASSERT_TRUE(outcome.ok) << outcome.text().toStdString();
    EXPECT_EQ(outcome.message, "密码重置成功！");
    EXPECT_TRUE(prompt->shown.empty()); // the caller shows the outcome
    const QString hash = stored("001");
    EXPECT_TRUE(Password::isHash(hash));
    EXPECT_FALSE(hash.contains("新密码9"));

    LoginService login;
    EXPECT_EQ(login.login("lisi", "forgotten", true, true), LoginService::Result::Stay);
    EXPECT_EQ(login.login("lisi", "新密码9", true, true), LoginService::Result::Ok);
}

TEST_F(PasswordResetTest, RefusalsChangeNothing)
{
    addEmployee("002", "王五", "wangwu", "own");
    const QString before001 = stored("001");
    const QString before000 = stored("000");
    struct Case { const char *user, *code, *password, *message; };
    const Case cases[] = {
        {"002", "001", "new", "只有系统管理员才能使用此功能！"},
        {"002", "000", "new", "只有系统管理员才能使用此功能！"},
        {"000", "001", "", "新密码不能为空！"},
        {"000", "999", "new", "您所输入的编码不存在！"},
        {"000", "001' OR '1'='1", "new", "您所输入的编码不存在！"},
    };
    for (const Case &c : cases) {
        loginAs(c.user);
        const Outcome outcome = PasswordChange::resetPassword(c.code, QString::fromUtf8(c.password));
        EXPECT_FALSE(outcome.ok) << c.code;
        EXPECT_EQ(outcome.message, QString::fromUtf8(c.message)) << c.code;
    }
    EXPECT_EQ(stored("001"), before001);
    EXPECT_EQ(stored("000"), before000);
}

} // namespace
