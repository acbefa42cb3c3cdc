#include "support/temp_home.h"

#include "core/db/database.h"
#include "system/sql_console.h"
#include "core/text/pinyin.h"

namespace {

using SqlConsole::Kind;

class SqlConsoleTest : public TempHome
{
protected:
    void SetUp() override
    {
        TempHome::SetUp();
        loginAs("000");
    }
};

TEST(SqlConsoleClassify, OnTheUpperCasedTextByContainment)
{
    struct Case
    {
        const char *text;
        Kind kind;
    };
    const Case cases[] = {
        {"1+2", Kind::Expression},
        {"date('2024-01-01', '+1 day')", Kind::Expression},
        {"select * from bm_kh", Kind::Query},
        {"SeLeCt 1", Kind::Query},
        {"select updated from t", Kind::Command},
        {"select * from bm_kh where mc='deleted'", Kind::Command},
        {"update bm_kh set mc='x'", Kind::Command},
        {"alter table a add b int", Kind::Command},
        {"insert into a values (1)", Kind::Command},
    };
    for (const Case &c : cases)
        EXPECT_EQ(SqlConsole::classify(c.text), c.kind) << c.text;
}

TEST_F(SqlConsoleTest, ExpressionGivesItsValue)
{
    const auto out = SqlConsole::run("1+2");
    EXPECT_EQ(out.output, "1+2=3");
    EXPECT_TRUE(out.message.isEmpty());
    EXPECT_EQ(SqlConsole::run("'婚'||'庆'").output, "'婚'||'庆'=婚庆");
}

TEST_F(SqlConsoleTest, QueryWithoutRowsAddsNothing)
{
    const auto out = SqlConsole::run("select * from bm_kh where bm = 'nobody'");
    EXPECT_TRUE(out.output.isNull());
    EXPECT_EQ(out.message, "无符合条件的数据！");
}

TEST_F(SqlConsoleTest, SelectMentioningAChangingWordIsRunAsACommand)
{
    Db::execSql("CREATE TABLE t (id INTEGER, updated TEXT)");
    Db::execSql("INSERT INTO t VALUES (1, 'yes')");
    const auto out = SqlConsole::run("select updated from t");
    EXPECT_TRUE(out.output.isNull()); // not shown as a table
    EXPECT_EQ(out.message, "操作成功！");
}

TEST_F(SqlConsoleTest, CommandsChangeTheDatabase)
{
    const auto out = SqlConsole::run("update bm_kh set MC = '散客' where BM = '999'");
    EXPECT_EQ(out.message, "操作成功！");
    EXPECT_EQ(Db::scalarSql("SELECT MC FROM bm_kh WHERE BM = '999'").toString(), "散客");
}

TEST_F(SqlConsoleTest, ErrorsSayTheCommandIsWrong)
{
    for (const char *bad : {"select * from no_such_table", "1+", "update nothing set x = 1", "selec 1 from"}) {
        const auto out = SqlConsole::run(bad);
        EXPECT_TRUE(out.output.isNull()) << bad;
        EXPECT_EQ(out.message, "命令有误！") << bad;
    }
    EXPECT_EQ(SqlConsole::captionText(), "提示：");
}

TEST_F(SqlConsoleTest, NobodyButTheAdministratorRunsAnything)
{
    addEmployee("001", "李四", "lisi", "pw");
    loginAs("001");
    const QString before = Db::scalarSql("SELECT MM FROM bm_yg WHERE BM = '000'").toString();
    for (const char *statement : {"update bm_yg set MM = '' where BM = '000'", "select * from bm_yg", "1+2"}) {
        const auto out = SqlConsole::run(statement);
        EXPECT_TRUE(out.output.isNull()) << statement;
        EXPECT_EQ(out.message, "只有系统管理员才能使用此功能！") << statement;
    }
    EXPECT_EQ(Db::scalarSql("SELECT MM FROM bm_yg WHERE BM = '000'").toString(), before);
}

TEST_F(SqlConsoleTest, ACommandOnThePinyinTableTakesEffectAtOnce)
{
    ASSERT_EQ(Text::PinyinInitials(QString::fromUtf8("岚")), "L");
    EXPECT_EQ(SqlConsole::run("update BM_JP set jp = 'W' where mc = '岚'").message, "操作成功！");
    EXPECT_EQ(Text::PinyinInitials(QString::fromUtf8("岚")), "W");
}

TEST_F(SqlConsoleTest, EmptyStatementDoesNothing)
{
    const auto out = SqlConsole::run("");
    EXPECT_TRUE(out.output.isNull());
    EXPECT_TRUE(out.message.isEmpty());
}

TEST_F(SqlConsoleTest, QueryIsAFixedWidthTableCountingChineseAsTwo)
{
    Db::execSql("CREATE TABLE k (BM TEXT, MC TEXT, JE REAL)");
    Db::execSql("INSERT INTO k VALUES ('1', '张三丰', 12.5)");
    Db::execSql("INSERT INTO k VALUES ('10002', 'Li', NULL)");
    const auto out = SqlConsole::run("select BM, MC as 姓名, JE from k order by BM");
    ASSERT_TRUE(out.message.isEmpty()) << out.message.toStdString();
    // BM: widest "10002" (5); 姓名: widest 张三丰 (6); JE: widest "12.5" (4). Each plus one.
    const QStringList expected = {
        "BM    姓名   JE   ",
        "==================",
        "1     张三丰 12.5 ",
        "10002 Li          ",
    };
    EXPECT_EQ(out.output, expected.join('\n'));
}

TEST_F(SqlConsoleTest, SuccessiveOutputsAreSeparatedByAnEmptyLine)
{
    QString box;
    box = SqlConsole::append(box, SqlConsole::run("1+2").output);
    box = SqlConsole::append(box, SqlConsole::run("select BM from bm_kh where BM = '999'").output);
    EXPECT_EQ(box, "1+2=3\n\nBM  \n====\n999 ");
}

} // namespace
