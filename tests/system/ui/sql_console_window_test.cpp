#include "support/temp_home.h"

#include "system/ui/sql_console.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

namespace {

class SqlConsoleWindowTest : public TempHome
{
protected:
    void SetUp() override
    {
        TempHome::SetUp();
        loginAs("000");
        window = TSQL_YJ::instance();
        statement()->clear();
        result()->clear();
    }
    QPlainTextEdit *statement() { return window->findChild<QPlainTextEdit *>("statementBox"); }
    QPlainTextEdit *result() { return window->findChild<QPlainTextEdit *>("resultBox"); }

    TSQL_YJ *window = nullptr;
};

TEST_F(SqlConsoleWindowTest, EnterRunsInsteadOfBreakingTheLine)
{
    EXPECT_EQ(TSQL_YJ::instance(), window);
    EXPECT_TRUE(window->windowFlags() & Qt::WindowStaysOnTopHint);
    statement()->setPlainText("1+2");
    QTest::keyClick(statement(), Qt::Key_Return);
    EXPECT_EQ(statement()->toPlainText(), "1+2");
    EXPECT_EQ(result()->toPlainText(), "1+2=3");

    statement()->setPlainText("select * from nothing_here");
    window->findChild<QPushButton *>("runButton")->click();
    EXPECT_EQ(prompt->last(), "命令有误！");
    EXPECT_EQ(prompt->shown.back().caption, "提示：");
    EXPECT_EQ(result()->toPlainText(), "1+2=3");
}

TEST_F(SqlConsoleWindowTest, StatementsGoToAndComeFromTextFiles)
{
    statement()->setPlainText("select count(*) from bm_kh");
    prompt->chooseFile(homePath("query"));
    window->findChild<QPushButton *>("saveButton")->click();
    statement()->clear();

    prompt->chooseFile(homePath("query.txt"));
    window->findChild<QPushButton *>("openButton")->click();
    EXPECT_EQ(statement()->toPlainText(), "select count(*) from bm_kh");
    EXPECT_EQ(prompt->fileDialogs, QStringList({"保存为", "打开"}));
}

} // namespace

namespace {

TEST_F(SqlConsoleWindowTest, AnotherUserGetsTheRefusalInsteadOfAResult)
{
    addEmployee("001", "李四", "lisi", "pw");
    loginAs("001");
    statement()->setPlainText("select MM from bm_yg");
    QTest::keyClick(statement(), Qt::Key_Return);
    EXPECT_EQ(prompt->last(), "只有系统管理员才能使用此功能！");
    EXPECT_TRUE(result()->toPlainText().isEmpty());
}

} // namespace
