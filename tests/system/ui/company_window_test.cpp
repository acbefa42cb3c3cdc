#include "support/temp_home.h"

#include "core/db/database.h"
#include "system/ui/company_window.h"
#include "system/ui/sql_console.h"
#include "ui/app_events.h"

#include <QFocusEvent>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <QSignalSpy>
#include <QToolButton>

namespace {

class CompanyWindowTest : public TempHome
{
protected:
    void SetUp() override
    {
        TempHome::SetUp();
        window = new TBM_GSXX;
    }
    void TearDown() override
    {
        delete window.data();
        TempHome::TearDown();
    }

    QLineEdit *box(const QString &name) { return window->findChild<QLineEdit *>(name); }
    // The user leaves the box (Tab), which is when the window checks it.
    void leave(const QString &name)
    {
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QCoreApplication::sendEvent(box(name), &out);
    }
    void click(const QString &name)
    {
        auto *b = window->findChild<QAbstractButton *>(name);
        ASSERT_TRUE(b) << name.toStdString();
        b->click();
    }

    QPointer<TBM_GSXX> window;
};

TEST_F(CompanyWindowTest, ShowsTheCompanyRow)
{
    EXPECT_EQ(window->windowTitle(), "公司信息");
    EXPECT_EQ(box("GSMC")->text(), "禾岚婚庆摄影");
    EXPECT_EQ(box("MR_KH")->text(), "999");
    EXPECT_EQ(box("MR_KHMC")->text(), "普通客户");
    EXPECT_EQ(box("TZK")->text(), "1.00");
    for (const char *name : {"GSMC", "DH", "DZ", "MR_GHS", "MR_GHSMC", "MR_KH", "MR_KHMC", "LOG", "BF", "XJF",
                             "QXTS", "QXSJ", "TZK"})
        EXPECT_TRUE(box(name)) << name;
}

TEST_F(CompanyWindowTest, UnknownDefaultCodeIsRefusedAndBothBoxesEmptied)
{
    struct Case
    {
        const char *code, *name;
    };
    for (const Case c : {Case{"MR_KH", "MR_KHMC"}, Case{"MR_GHS", "MR_GHSMC"}}) {
        prompt->clear();
        box(c.code)->setText("nobody");
        leave(c.code);
        EXPECT_EQ(prompt->last(), "您所输入的编码不存在！") << c.code;
        EXPECT_TRUE(box(c.code)->text().isEmpty());
        EXPECT_TRUE(box(c.name)->text().isEmpty());
    }
    // Emptied boxes are not looked up again.
    prompt->clear();
    leave("MR_KH");
    EXPECT_TRUE(prompt->shown.empty());
}

TEST_F(CompanyWindowTest, KnownDefaultCodeFillsItsName)
{
    Db::execSql("INSERT INTO bm_kh (BM, MC) VALUES ('vip01', '张三')");
    box("MR_KH")->setText("VIP01");
    leave("MR_KH");
    EXPECT_EQ(box("MR_KHMC")->text(), "张三");
    EXPECT_TRUE(prompt->shown.empty());
}

TEST_F(CompanyWindowTest, PointsRuleOutsideTheRangeBecomesOne)
{
    box("XJF")->setText("20000");
    leave("XJF");
    EXPECT_EQ(prompt->last(), "“消费多少元积一分”请输入0至10000之间的整数！");
    EXPECT_EQ(box("XJF")->text(), "1");
}

TEST_F(CompanyWindowTest, PickUpDaysTakeAWholeNumberOnly)
{
    ASSERT_EQ(box("QXTS")->text(), "7");
    box("QXTS")->setText("七天");
    leave("QXTS");
    EXPECT_EQ(prompt->last(), "“取相天数”请输入0至9999之间的整数！");
    EXPECT_EQ(box("QXTS")->text(), "7"); // the old value, not the text typed

    box("QXTS")->setText("10");
    leave("QXTS");
    box("QXTS")->setText("十天");
    prompt->clear();
    click("saveButton"); // a save checks the box even when it was not left
    EXPECT_EQ(prompt->last(), "“取相天数”请输入0至9999之间的整数！");
    EXPECT_EQ(box("QXTS")->text(), "10");
    EXPECT_EQ(Db::scalarSql("SELECT QXTS FROM bm_gsxx").toString(), "7");

    click("saveButton");
    EXPECT_EQ(prompt->last(), "保存成功！    ");
    EXPECT_EQ(Db::scalarSql("SELECT QXTS FROM bm_gsxx").toString(), "10");
}

TEST_F(CompanyWindowTest, TheSqlConsoleOpensForTheAdministratorOnly)
{
    auto *shortcut = window->findChild<QShortcut *>("sqlConsoleShortcut");
    ASSERT_TRUE(shortcut);
    EXPECT_EQ(shortcut->key(), QKeySequence(Qt::CTRL | Qt::Key_F12));
    TSQL_YJ::instance()->hide();

    addEmployee("001", "李四", "lisi", "pw");
    loginAs("001");
    emit shortcut->activated();
    EXPECT_FALSE(TSQL_YJ::instance()->isVisible());
    EXPECT_EQ(prompt->last(), "只有系统管理员才能使用此功能！");

    prompt->clear();
    loginAs("000");
    emit shortcut->activated();
    EXPECT_TRUE(TSQL_YJ::instance()->isVisible());
    EXPECT_TRUE(prompt->shown.empty());
    TSQL_YJ::instance()->hide();
}

TEST_F(CompanyWindowTest, SaveWritesTheBoxesOrRefusesABadDiscount)
{
    box("GSMC")->setText("喜洋洋婚庆");
    box("TZK")->setText("九折");
    click("saveButton");
    EXPECT_EQ(prompt->last(), "“全场打折”请输入数字！");
    EXPECT_EQ(Db::scalarSql("SELECT GSMC FROM bm_gsxx").toString(), "禾岚婚庆摄影");

    box("TZK")->setText("0.9");
    click("saveButton");
    EXPECT_EQ(prompt->last(), "保存成功！    ");
    EXPECT_EQ(Db::scalarSql("SELECT GSMC FROM bm_gsxx").toString(), "喜洋洋婚庆");
    EXPECT_DOUBLE_EQ(Db::scalarSql("SELECT TZK FROM bm_gsxx").toDouble(), 0.9);
}

TEST_F(CompanyWindowTest, PicturesChooseTheBackgroundNameAndTheBackupFolder)
{
    prompt->chooseFile("/media/pictures/wedding.jpg");
    click("pickBackground");
    EXPECT_EQ(box("LOG")->text(), "wedding.jpg");

    prompt->chooseFile("/media/backup");
    click("pickBackupFolder");
    EXPECT_EQ(box("BF")->text(), "/media/backup/");
    EXPECT_EQ(prompt->fileDialogs, QStringList({"背景图文件", "请指定存放位置"}));

    // Cancelling a dialog leaves the box as it was.
    click("pickBackupFolder");
    EXPECT_EQ(box("BF")->text(), "/media/backup/");
}

TEST_F(CompanyWindowTest, ClosingWithoutSavingAnnouncesTheCompanyAndFreesTheWindow)
{
    QSignalSpy changed(&AppEvents::instance(), &AppEvents::companyChanged);
    box("GSMC")->setText("not saved");
    click("exitButton");
    EXPECT_EQ(changed.count(), 1);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());
    EXPECT_EQ(Db::scalarSql("SELECT GSMC FROM bm_gsxx").toString(), "禾岚婚庆摄影");
}

} // namespace
