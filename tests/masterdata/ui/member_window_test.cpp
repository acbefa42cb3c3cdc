#include "support/temp_home.h"

#include "app/window_catalog.h"
#include "core/clock.h"
#include "core/db/database.h"
#include "core/db/record_set.h"
#include "masterdata/ui/member_window.h"
#include "masterdata/ui/points_window.h"
#include "ui/progress_window.h"
#include "ui/row_model.h"

#include <QAbstractItemModelTester>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTableView>

namespace {

class MemberWindowTest : public TempHome
{
protected:
    void SetUp() override
    {
        TempHome::SetUp();
        Clock::setFixed(QDateTime(QDate(2026, 12, 9), QTime(10, 0)));
        addEmployee("001", QString::fromUtf8("小王"));
        loginAs("001");
        Db::execSql("INSERT INTO bm_kh (BM, MC, JB, RQ, ZJF, DXJF, SYJF) VALUES "
                    "('001', ?, ?, '2026-12-09', 100, 20, 80), ('002', ?, ?, '2026-12-01', 5, 0, 5), "
                    "('003', ?, ?, '2026-11-01', 0, 0, 0)",
                    {QString::fromUtf8("张三"), QString::fromUtf8("金卡会员"), QString::fromUtf8("李四"),
                     QString::fromUtf8("金卡会员"), QString::fromUtf8("王五"), QString::fromUtf8("普通会员")});
    }
    void TearDown() override
    {
        delete TJFXG::current();
        delete window.data();
        TempHome::TearDown();
    }
    TBM_KH *open()
    {
        window = new TBM_KH;
        window->show();
        tester = std::make_unique<QAbstractItemModelTester>(window->model());
        return window;
    }
    int rowOf(const QString &code)
    {
        for (int r = 0; r < window->records().rowCount(); ++r)
            if (window->records().value(r, "BM").toString() == code)
                return r;
        return -1;
    }
    template <typename W = QPushButton> W *child(const char *name) { return window->findChild<W *>(name); }

    QPointer<TBM_KH> window;
    std::unique_ptr<QAbstractItemModelTester> tester;
};

TEST_F(MemberWindowTest, OpensFromTheCatalogWithItsCountSummary)
{
    const WindowKind *kind = findWindowKind("TBM_KH");
    ASSERT_NE(kind, nullptr);
    window = qobject_cast<TBM_KH *>(kind->create());
    ASSERT_TRUE(window);
    window->show();
    EXPECT_EQ(window->windowTitle(), QString::fromUtf8("会员资料"));
    EXPECT_EQ(window->records().rowCount(), 3); // the walk-in row is counted, not listed
    EXPECT_EQ(child<QLineEdit>("countBox")->text(), "4");
    const QString levels = child<QLabel>("levelSummary")->text();
    EXPECT_TRUE(levels.contains(QString::fromUtf8("有2个金卡会员")));
    EXPECT_TRUE(levels.contains(QString::fromUtf8("有1个普通会员")));

    // The summary follows a save.
    window->records().setValue(rowOf("003"), "JB", QString::fromUtf8("金卡会员"));
    ASSERT_TRUE(window->save());
    EXPECT_TRUE(child<QLabel>("levelSummary")->text().contains(QString::fromUtf8("有3个金卡会员")));
}

TEST_F(MemberWindowTest, RecentMembersQueryAsksBeforeDroppingEdits)
{
    open();
    struct Case { const char *days; int rows; };
    const Case cases[] = {{"0", 0}, {"1", 1}, {"9", 2}, {"", 3}};
    for (const Case &c : cases) {
        child<QLineEdit>("dayBox")->setText(QString::fromLatin1(c.days));
        child("queryButton")->click();
        EXPECT_EQ(window->records().rowCount(), c.rows) << c.days;
    }
    window->records().setValue(0, "BZ", "x");
    prompt->answer(Prompt::Answer::Cancel);
    child<QLineEdit>("dayBox")->setText("0");
    child("queryButton")->click();
    EXPECT_EQ(window->records().rowCount(), 3);
    EXPECT_TRUE(window->isUnsaved());
}

TEST_F(MemberWindowTest, ADeleteOfAMemberInUseIsRefusedAtOnce)
{
    Db::execSql("INSERT INTO czd_zb (ID, KHBM) VALUES ('C1', '002')");
    open();
    window->setCurrentRow(rowOf("002"));
    window->deleteCurrentRow();
    EXPECT_EQ(prompt->last(), QString::fromUtf8("当前会员在充值单使用过，无法删除！"));
    EXPECT_EQ(window->records().rowCount(), 3);
    EXPECT_FALSE(window->isUnsaved());
    window->setCurrentRow(rowOf("003"));
    window->deleteCurrentRow();
    EXPECT_EQ(window->records().rowCount(), 2);
}

TEST_F(MemberWindowTest, PinyinRegenerationAsksAndStaysPending)
{
    Db::execSql("UPDATE bm_kh SET JP = NULL");
    open();
    prompt->answer(Prompt::Answer::No);
    child("pinyinButton")->click();
    EXPECT_FALSE(window->isUnsaved());
    prompt->answer(Prompt::Answer::Yes);
    child("pinyinButton")->click();
    EXPECT_EQ(window->records().value(rowOf("002"), "JP").toString(), "LS");
    EXPECT_TRUE(window->isUnsaved());
    EXPECT_TRUE(Db::scalarSql("SELECT JP FROM bm_kh WHERE BM = '002'").isNull());
    EXPECT_EQ(prompt->shown.front().text, QString::fromUtf8("您确定要重新生成简拼吗？"));
}

TEST_F(MemberWindowTest, PointsCorrectionNeedsRightFifteen)
{
    open();
    window->setCurrentRow(rowOf("001"));
    child("pointsButton")->click();
    EXPECT_EQ(prompt->last(), QString::fromUtf8("您没有权操作，请联系管理员！"));
    EXPECT_EQ(prompt->shown.back().caption, QString::fromUtf8("提示："));
    EXPECT_EQ(TJFXG::current(), nullptr);
}

// The correction writes the member and refreshes that row alone: an edit
// pending on another row survives, and the corrected row is not left pending.
TEST_F(MemberWindowTest, PointsCorrectionUpdatesOnlyThatRow)
{
    Db::execSql("UPDATE bm_yg SET qxqt = 'QX-15,' WHERE BM = '001'");
    open();
    window->records().setValue(rowOf("003"), "BZ", QString::fromUtf8("待保存"));
    window->setCurrentRow(rowOf("001"));
    child("pointsButton")->click();
    QPointer<TJFXG> dialog = TJFXG::current();
    ASSERT_TRUE(dialog);
    EXPECT_EQ(dialog->findChild<QLineEdit *>("ID")->text(), "2026120900100001");
    EXPECT_EQ(dialog->findChild<QLineEdit *>("X_ZJF")->text(), "100");

    // One dialog at a time: another click brings it forward unchanged.
    window->setCurrentRow(rowOf("002"));
    child("pointsButton")->click();
    EXPECT_EQ(TJFXG::current(), dialog.data());
    EXPECT_EQ(dialog->findChild<QLineEdit *>("KHBM")->text(), "001");

    dialog->findChild<QLineEdit *>("X_DXJF")->setText("30");
    dialog->findChild<QPushButton *>("okButton")->click();
    EXPECT_EQ(prompt->last(), QString::fromUtf8("总积分减去兑现积分应该等于剩余积分！"));
    ASSERT_TRUE(dialog);
    dialog->findChild<QLineEdit *>("X_SYJF")->setText("70");
    dialog->findChild<QPushButton *>("okButton")->click();
    EXPECT_EQ(prompt->last(), QString::fromUtf8("修改成功！"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(dialog);

    const int row = rowOf("001");
    EXPECT_DOUBLE_EQ(window->records().value(row, "DXJF").toDouble(), 30);
    EXPECT_DOUBLE_EQ(window->records().value(row, "SYJF").toDouble(), 70);
    EXPECT_EQ(window->records().rowState(row), RecordSet::RowState::Unchanged);
    EXPECT_EQ(window->records().value(rowOf("003"), "BZ").toString(), QString::fromUtf8("待保存"));
    EXPECT_DOUBLE_EQ(Db::scalarSql("SELECT SYJF FROM bm_kh WHERE BM = '001'").toDouble(), 70);
}

TEST_F(MemberWindowTest, PointsDialogClearsAndShowsFreshValuesAfterAConflict)
{
    Db::execSql("UPDATE bm_yg SET qxqt = 'QX-15,' WHERE BM = '001'");
    open();
    window->setCurrentRow(rowOf("001"));
    child("pointsButton")->click();
    QPointer<TJFXG> dialog = TJFXG::current();
    ASSERT_TRUE(dialog);
    dialog->findChild<QPushButton *>("clearButton")->click();
    for (const char *box : {"X_ZJF", "X_DXJF", "X_SYJF"})
        EXPECT_EQ(dialog->findChild<QLineEdit *>(box)->text(), "0");

    Db::execSql("UPDATE bm_kh SET ZJF = 150, SYJF = 130 WHERE BM = '001'");
    dialog->findChild<QPushButton *>("okButton")->click();
    EXPECT_TRUE(prompt->last().startsWith(QString::fromUtf8("修改失败！"))) << prompt->last().toStdString();
    ASSERT_TRUE(dialog);
    EXPECT_EQ(dialog->findChild<QLineEdit *>("ZJF")->text(), "150") << prompt->last().toStdString();
    EXPECT_DOUBLE_EQ(Db::scalarSql("SELECT ZJF FROM bm_kh WHERE BM = '001'").toDouble(), 150);
    // Confirmed again against what is stored now, it goes through.
    dialog->findChild<QPushButton *>("okButton")->click();
    EXPECT_DOUBLE_EQ(Db::scalarSql("SELECT ZJF FROM bm_kh WHERE BM = '001'").toDouble(), 0);
}

TEST_F(MemberWindowTest, LevelWindowIsACatalogMember)
{
    const WindowKind *kind = findWindowKind("TBM_KHJB");
    ASSERT_NE(kind, nullptr);
    QPointer<QWidget> levels = kind->create();
    levels->show();
    auto *grid = qobject_cast<GridWindow *>(levels.data());
    ASSERT_TRUE(grid);
    EXPECT_EQ(grid->windowTitle(), QString::fromUtf8("会员级别"));
    EXPECT_EQ(grid->records().rowCount(), 4);
    delete levels.data();
}

TEST(ProgressWindowTest, ClosesItselfAtTheMaximum)
{
    QPointer<Tformspzx> progress = new Tformspzx;
    progress->show();
    EXPECT_EQ(progress->windowTitle(), QString::fromUtf8("工作进度"));
    progress->setRange(1, 1000);
    progress->setPosition(500);
    EXPECT_TRUE(progress->isVisible());
    progress->setPosition(1000);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(progress);
}

} // namespace
