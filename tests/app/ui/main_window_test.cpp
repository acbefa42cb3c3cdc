#include "support/temp_home.h"

#include "app/main_window.h"
#include "core/clock.h"
#include "core/db/database.h"
#include "core/home.h"
#include "core/settings.h"
#include "core/session.h"

#include <QAction>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
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
