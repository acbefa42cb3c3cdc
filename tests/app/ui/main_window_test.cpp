#include "support/temp_home.h"

#include "app/main_window.h"
#include "app/program_identity.h"
#include "ui/app_events.h"
#include "core/clock.h"
#include "core/db/database.h"
#include "core/home.h"
#include "core/settings.h"
#include "core/session.h"

#include <QAction>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QDialog>
#include <QTableView>
#include <QTextBrowser>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

class MainWindowTest : public TempHome
{
protected:
    void SetUp() override
    {
        TempHome::SetUp();
        App::settings().setValue("dl", "srtx", "F");
    }
    // A user with the given menu rights texts (QX1 … QX4), logged in.
    void loginWithRights(const QVariant &qx1, const QVariant &qx2, const QVariant &qx3, const QVariant &qx4)
    {
        addEmployee("001", QString::fromUtf8("张三"), "zs");
        Db::execSql("UPDATE bm_yg SET QX1=?, QX2=?, QX3=?, QX4=? WHERE BM='001'", {qx1, qx2, qx3, qx4});
        loginAs("001");
    }
    void closeQuietly(Tform1 &w)
    {
        prompt->answer(Prompt::Answer::No);
        w.close();
    }
};

TEST_F(MainWindowTest, EntryCodesCountSeparatorsAndHiddenEntries)
{
    loginAs("000");
    Tform1 w;
    EXPECT_EQ(w.entryAction("215")->text(), QString::fromUtf8("会员资料"));
    EXPECT_EQ(w.entryAction("118")->text(), QString::fromUtf8("权限设置"));
    EXPECT_EQ(w.entryAction("117")->text(), QString::fromUtf8("导入导出"));
    EXPECT_FALSE(w.entryAction("117")->isVisible());
    EXPECT_TRUE(w.entryAction("113")->isSeparator());
    EXPECT_EQ(w.entryAction("310")->text(), QString::fromUtf8("婚礼订单"));
    EXPECT_EQ(w.entryAction("435")->text(), QString::fromUtf8("商品销售排行"));
    EXPECT_EQ(w.entryAction("231")->text(), QString::fromUtf8("婚期提醒"));
    QStringList tops;
    for (QAction *a : w.menuBar()->actions())
        tops << a->text();
    EXPECT_EQ(tops, QStringList({"系统维护", "基础资料", "业务管理", "业务报表", "帮助"}));
    EXPECT_EQ(w.windowTitle(), QString::fromUtf8("禾岚婚庆公司管理系统  v22.0711"));
    closeQuietly(w);
}

TEST_F(MainWindowTest, RightsDecideWhichEntriesAreEnabled)
{
    struct Case
    {
        const char *name;
        QVariant qx2;
        bool memberEnabled;
        bool companyEnabled;
    };
    const Case cases[] = {
        {"empty enables all", QString(""), true, true},
        {"null column enables all", QVariant(), true, true},
        {"'null' enables none", QString("null"), false, false},
        {"listed code only", QString("215,"), true, false},
        {"213 is a separator, not 会员资料", QString("213,"), false, false},
    };
    loginWithRights("", "", "", "");
    for (const Case &c : cases) {
        Db::execSql("UPDATE bm_yg SET QX2=? WHERE BM='001'", {c.qx2});
        Tform1 w;
        w.applyMenuRights();
        EXPECT_EQ(w.entryAction("215")->isEnabled(), c.memberEnabled) << c.name;
        EXPECT_EQ(w.entryAction("210")->isEnabled(), c.companyEnabled) << c.name;
        closeQuietly(w);
    }
}

TEST_F(MainWindowTest, AdministratorHasEveryEntryWhateverHisTexts)
{
    Db::execSql("UPDATE bm_yg SET QX1='null', QX2='null', QX3='null', QX4='null' WHERE BM='000'");
    loginAs("000");
    Tform1 w;
    w.applyMenuRights();
    for (const char *code : {"110", "118", "215", "310", "318", "417", "429"})
        EXPECT_TRUE(w.entryAction(code)->isEnabled()) << code;
    closeQuietly(w);
}

TEST_F(MainWindowTest, LeftButtonsActThroughTheirMenuEntries)
{
    loginWithRights("", "", "310,", "");
    Tform1 w;
    w.applyMenuRights();
    QSignalSpy orders(w.entryAction("310"), &QAction::triggered);
    QSignalSpy receipts(w.entryAction("318"), &QAction::triggered);
    w.findChild<QPushButton *>("btnOrder")->click();
    w.findChild<QPushButton *>("btnReceipt")->click();
    EXPECT_EQ(orders.count(), 1);
    EXPECT_EQ(receipts.count(), 0);
    closeQuietly(w);
}

TEST_F(MainWindowTest, CancellingTheCloseStillWritesTheWeekdayBackup)
{
    Clock::setFixed(QDateTime(QDate(2025, 3, 17), QTime(18, 0))); // a Monday
    loginAs("000");
    Tform1 w;
    w.show();
    prompt->answer(Prompt::Answer::Cancel);
    w.close();
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(QFileInfo::exists(homePath(QString::fromUtf8("backup/星期一.bak"))));
    EXPECT_FALSE(QFileInfo::exists(homePath("backup/20250317.bak")));
    prompt->answer(Prompt::Answer::Yes);
    w.close();
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(QFileInfo::exists(homePath("backup/20250317.bak")));
}

TEST_F(MainWindowTest, AlternativeBrandingAndCompanyName)
{
    App::settings().setValue("DL", "tem", "TQ");
    App::settings().setValue("ZJM", "TQQ", "T");
    Db::execSql("UPDATE bm_gsxx SET GSMC=?", {QString::fromUtf8("幸福婚庆")});
    loginAs("000");
    Tform1 w;
    EXPECT_EQ(w.windowTitle(), QString::fromUtf8("莱川婚庆公司管理系统  v22.0711"));
    EXPECT_FALSE(w.findChild<QAction *>("menu_about")->isVisible());
    EXPECT_FALSE(w.findChild<QPushButton *>("contactButton")->isVisibleTo(&w));
    EXPECT_EQ(w.findChild<QLabel *>("companyLabel")->text(), QString::fromUtf8("幸福婚庆"));
    EXPECT_EQ(w.findChild<QLabel *>("statusPanel2")->text(), QString::fromUtf8("操作员：系统管理员"));
    closeQuietly(w);
}

TEST_F(MainWindowTest, ChildWindowsOpenOnceAndRightsFollowThePermissionWindow)
{
    loginWithRights("", "", "", "");
    Tform1 w;
    w.show();
    w.entryAction("211")->trigger();
    w.entryAction("211")->trigger();
    EXPECT_EQ(w.findChildren<QWidget *>("TBM_YG").size(), 1);
    // Entries whose window this build lacks do nothing.
    EXPECT_EQ(w.openWindow("Txsd", QString::fromUtf8("婚礼订单")), nullptr);

    QWidget *rights = w.openWindow("TGGQX", QString::fromUtf8("权限设置"));
    ASSERT_NE(rights, nullptr);
    Db::execSql("UPDATE bm_yg SET QX2='null' WHERE BM='001'");
    EXPECT_TRUE(w.entryAction("211")->isEnabled());
    delete rights;
    EXPECT_FALSE(w.entryAction("211")->isEnabled());
    for (QWidget *child : w.findChildren<QWidget *>("TBM_YG"))
        delete child;
    closeQuietly(w);
}

namespace {
QMdiArea *areaOf(Tform1 &w) { return w.workArea(); }


int framesIn(Tform1 &w)
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    int n = 0;
    for (QMdiSubWindow *sub : areaOf(w)->subWindowList())
        if (!sub->isHidden())
            ++n;
    return n;
}

// The employee window's first row, edited in its grid so that it has something unsaved.
QWidget *openEmployeesWithAnEdit(Tform1 &w)
{
    w.entryAction("211")->trigger();
    auto *list = w.findChild<QWidget *>("TBM_YG");
    auto *grid = list ? list->findChild<QTableView *>("grid") : nullptr;
    if (!grid || grid->model()->rowCount() == 0)
        return nullptr;
    grid->model()->setData(grid->model()->index(0, 1), QString::fromUtf8("改过的名字"));
    return list;
}
}

TEST_F(MainWindowTest, ExitButtonClosesTheWholeChildAndTheEntryMakesItAfresh)
{
    loginAs("000");
    Tform1 w;
    w.show();
    for (const char *entry : {"211", "210", "119"}) { // 员工资料, 公司信息, 系统设置
        w.entryAction(entry)->trigger();
        ASSERT_EQ(framesIn(w), 1) << entry;
        QMdiSubWindow *sub = areaOf(w)->subWindowList().first();
        auto *exit = sub->widget()->findChild<QPushButton *>("exitButton");
        ASSERT_NE(exit, nullptr) << entry;
        exit->click();
        EXPECT_EQ(framesIn(w), 0) << entry << ": no empty frame stays behind";
        w.entryAction(entry)->trigger();
        ASSERT_EQ(framesIn(w), 1) << entry;
        EXPECT_NE(areaOf(w)->subWindowList().first()->widget(), nullptr) << entry;
        areaOf(w)->closeAllSubWindows();
        EXPECT_EQ(framesIn(w), 0) << entry;
    }
    closeQuietly(w);
}

TEST_F(MainWindowTest, ClosingSavesOpenWindowsBeforeTheBackup)
{
    Clock::setFixed(QDateTime(QDate(2025, 3, 17), QTime(18, 0)));
    addEmployee("001", QString::fromUtf8("张三"), "zs");
    loginAs("000");
    Tform1 w;
    w.show();
    ASSERT_NE(openEmployeesWithAnEdit(w), nullptr);
    prompt->answer(Prompt::Answer::Yes); // the list: save now
    prompt->answer(Prompt::Answer::Yes); // then the dated backup
    w.close();
    EXPECT_FALSE(w.isVisible());
    const QStringList asked = prompt->texts_shown();
    ASSERT_GE(asked.size(), 2);
    EXPECT_EQ(asked.first(), QString::fromUtf8("当前还没有保存，是否现在保存？"));
    EXPECT_TRUE(asked.contains(QString::fromUtf8("退出时备份数据吗（是-备份；否-不备份；取消-不退出）？")));
    for (const char *file : {"backup/20250317.bak", "backup/星期一.bak"}) {
        QSqlDatabase copy = Database::openOther("check", homePath(QString::fromUtf8(file)), true);
        QSqlQuery q(copy);
        ASSERT_TRUE(q.exec("SELECT MC FROM bm_yg WHERE BM='001'") && q.next()) << file;
        EXPECT_EQ(q.value(0).toString(), QString::fromUtf8("改过的名字")) << file;
        q.finish();
        copy = QSqlDatabase();
        Database::closeOther("check");
    }
}

TEST_F(MainWindowTest, AChildThatStaysOpenCancelsTheCloseBeforeAnyBackup)
{
    Clock::setFixed(QDateTime(QDate(2025, 3, 17), QTime(18, 0)));
    addEmployee("001", QString::fromUtf8("张三"), "zs");
    loginAs("000");
    Tform1 w;
    w.show();
    ASSERT_NE(openEmployeesWithAnEdit(w), nullptr);
    prompt->answer(Prompt::Answer::Cancel);
    w.close();
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(framesIn(w), 1);
    EXPECT_FALSE(QFileInfo::exists(homePath(QString::fromUtf8("backup/星期一.bak"))));
    prompt->answer(Prompt::Answer::No); // drop the edit
    prompt->answer(Prompt::Answer::No); // no dated backup
    w.close();
    EXPECT_FALSE(w.isVisible());
}

TEST_F(MainWindowTest, RestoreClosesOpenWindowsFirstAndACancelStopsIt)
{
    addEmployee("001", QString::fromUtf8("张三"), "zs");
    loginAs("000");
    Tform1 w;
    w.show();
    ASSERT_NE(openEmployeesWithAnEdit(w), nullptr);
    prompt->answer(Prompt::Answer::Cancel); // keep the list open: no restore
    w.entryAction("115")->trigger();
    EXPECT_TRUE(prompt->fileDialogs.isEmpty()) << "no backup was asked for";
    EXPECT_EQ(framesIn(w), 1);
    prompt->answer(Prompt::Answer::No); // drop the edit; the restore goes on to ask for its file
    w.entryAction("115")->trigger();
    EXPECT_EQ(framesIn(w), 0);
    EXPECT_FALSE(prompt->fileDialogs.isEmpty());
    closeQuietly(w);
}

TEST_F(MainWindowTest, MenuRightsFollowARestoredFile)
{
    addEmployee("001", QString::fromUtf8("张三"), "zs");
    Db::execSql("UPDATE bm_yg SET QX2='null' WHERE BM='001'");
    // A backup in which the clerk may open every entry.
    Db::execSql("UPDATE bm_yg SET QX2='' WHERE BM='001'");
    const QString backup = homePath("backup/rights.bak");
    Db::execSql("VACUUM INTO ?", {backup});
    Db::execSql("UPDATE bm_yg SET QX2='null' WHERE BM='001'");
    loginAs("001");
    Tform1 w;
    w.applyMenuRights();
    ASSERT_FALSE(w.entryAction("211")->isEnabled());
    prompt->chooseFile(backup);
    prompt->answer(Prompt::Answer::Yes); // whatever confirmation the restore asks
    w.entryAction("115")->trigger();
    ASSERT_TRUE(prompt->saw(QString::fromUtf8("成功恢复数据！"))) << prompt->texts_shown().join('|').toStdString();
    EXPECT_TRUE(w.entryAction("211")->isEnabled());
    prompt->answers.clear();
    closeQuietly(w);
}

TEST_F(MainWindowTest, ALongCompanyNameNeverWidensTheWindow)
{
    Db::execSql("UPDATE bm_gsxx SET GSMC=?", {QString(300, QChar(0x5A5A))}); // 300 × 婚
    loginAs("000");
    Tform1 w;
    w.show();
    EXPECT_EQ(w.findChild<QLabel *>("companyLabel")->text().size(), 300);
    EXPECT_LT(w.minimumSizeHint().width(), 1024);
    EXPECT_LT(w.minimumSize().width(), 1024);
    closeQuietly(w);
}

TEST_F(MainWindowTest, ManualOpensInsideTheProgram)
{
    loginAs("000");
    Tform1 w;
    w.findChild<QAction *>("menu_manual")->trigger();
    w.findChild<QAction *>("menu_manual")->trigger();
    const auto windows = w.findChildren<QDialog *>("manualWindow");
    ASSERT_EQ(windows.size(), 1);
    auto *text = windows.first()->findChild<QTextBrowser *>("manualText");
    ASSERT_NE(text, nullptr);
    for (const char *topic : {"登录", "权限设置", "账套备份", "账套恢复", "打印"})
        EXPECT_TRUE(text->toPlainText().contains(QString::fromUtf8(topic))) << topic;
    closeQuietly(w);
}

TEST_F(MainWindowTest, QtsOwnTextsAreChineseAndWindowsHaveTheIcon)
{
    EXPECT_TRUE(applyProgramIdentity(*qApp));
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QString::fromUtf8("取消"));
    EXPECT_FALSE(QApplication::windowIcon().isNull());
}

TEST_F(MainWindowTest, OpenThisNumberGoesThroughTheMenuEntry)
{
    loginWithRights("", "null", "", "");
    Tform1 w;
    w.show();
    EXPECT_EQ(w.openDocument("TBM_YG", "001"), nullptr) << "a disabled entry opens nothing";
    EXPECT_EQ(framesIn(w), 0);
    Db::execSql("UPDATE bm_yg SET QX2='' WHERE BM='001'");
    w.applyMenuRights();
    emit AppEvents::instance().openDocument("TBM_YG", "001");
    EXPECT_EQ(framesIn(w), 1);
    EXPECT_EQ(w.findChildren<QWidget *>("TBM_YG").size(), 1);
    closeQuietly(w);
}
