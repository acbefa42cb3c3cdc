#include "masterdata/points_correction.h"

#include "core/clock.h"
#include "core/db/database.h"
#include "core/session.h"
#include "support/temp_home.h"

using PointsCorrection::Counters;

class PointsCorrectionTest : public TempHome
{
protected:
    void SetUp() override
    {
        TempHome::SetUp();
        Clock::setFixed(QDateTime(QDate(2026, 12, 9), QTime(10, 0)));
        addEmployee("001", QString::fromUtf8("小王"));
        loginAs("001");
        Db::execSql("INSERT INTO bm_kh (BM, MC, ZJF, DXJF, SYJF) VALUES ('K1', 'A', 100, 20, 80)");
    }
    double counter(const char *field)
    {
        return Db::scalarSql(QStringLiteral("SELECT %1 FROM bm_kh WHERE BM = 'K1'").arg(QLatin1String(field))).toDouble();
    }
};

TEST_F(PointsCorrectionTest, NumbersCountPerEmployeeAndDayWhateverTheCodeLength)
{
    auto draft = PointsCorrection::start("K1");
    ASSERT_TRUE(draft);
    EXPECT_EQ(draft->number, "2026120900100001");
    ASSERT_TRUE(PointsCorrection::apply(*draft, {100, 30, 70}).ok);
    EXPECT_EQ(draft->number, "2026120900100001");
    EXPECT_EQ(PointsCorrection::nextNumber(), "2026120900100002");

    // A four-character code reads its counter after its own prefix, and the
    // numbers of "001" are not taken for its own.
    addEmployee("0012", QString::fromUtf8("小李"));
    loginAs("0012");
    EXPECT_EQ(PointsCorrection::nextNumber(), "20261209001200001");
    Db::execSql("INSERT INTO JF_XG (ID, KHBM) VALUES ('20261209001200041', 'K1')");
    EXPECT_EQ(PointsCorrection::nextNumber(), "20261209001200042");
    loginAs("001");
    EXPECT_EQ(PointsCorrection::nextNumber(), "2026120900100002");
}

TEST_F(PointsCorrectionTest, WritesTheLogRowAndTheMemberTogether)
{
    auto draft = PointsCorrection::start("K1");
    ASSERT_TRUE(draft);
    const Outcome out = PointsCorrection::apply(*draft, {100, 30, 70});
    ASSERT_TRUE(out.ok) << out.text().toStdString();
    EXPECT_EQ(out.message, QString::fromUtf8("修改成功！"));
    EXPECT_EQ(counter("ZJF"), 100);
    EXPECT_EQ(counter("DXJF"), 30);
    EXPECT_EQ(counter("SYJF"), 70);
    QSqlQuery q = Db::execSql("SELECT ID, RQ, KHBM, KHMC, ZJF, DXJF, SYJF, X_ZJF, X_DXJF, X_SYJF FROM JF_XG");
    ASSERT_TRUE(q.next());
    const QVariantList expected{"2026120900100001", "2026-12-09", "K1", "A", 100.0, 20.0, 80.0, 100.0, 30.0, 70.0};
    for (int i = 0; i < expected.size(); ++i)
        EXPECT_EQ(q.value(i).toString(), expected[i].toString()) << i;
}

TEST_F(PointsCorrectionTest, RefusedValuesWriteNothing)
{
    struct Case { Counters after; const char *message; };
    const Case cases[] = {
        {{100, 30, 60}, "总积分减去兑现积分应该等于剩余积分！"},
        {{100, 130, -30}, "积分必须是不小于0的整数！"},
        {{100.5, 30, 70.5}, "积分必须是不小于0的整数！"},
    };
    for (const Case &c : cases) {
        auto draft = PointsCorrection::start("K1");
        const Outcome out = PointsCorrection::apply(*draft, c.after);
        EXPECT_EQ(out.message, QString::fromUtf8(c.message));
    }
    EXPECT_EQ(counter("ZJF"), 100);
    EXPECT_EQ(Db::scalarSql("SELECT COUNT(*) FROM JF_XG").toInt(), 0);
}

// An order booked points while the dialog stood open: the correction would
// silently erase them, so it fails, tells the new values and logs nothing.
TEST_F(PointsCorrectionTest, CountersChangedMeanwhileFailWithTheFreshValues)
{
    auto draft = PointsCorrection::start("K1");
    Db::execSql("UPDATE bm_kh SET ZJF = ZJF + 50, SYJF = SYJF + 50 WHERE BM = 'K1'");
    Counters fresh;
    const Outcome out = PointsCorrection::apply(*draft, {0, 0, 0}, &fresh);
    EXPECT_FALSE(out.ok);
    EXPECT_EQ(out.message, QString::fromUtf8("修改失败！"));
    EXPECT_TRUE(out.detail.contains("150")) << out.detail.toStdString();
    EXPECT_EQ(fresh.zjf, 150);
    EXPECT_EQ(fresh.syjf, 130);
    EXPECT_EQ(counter("ZJF"), 150);
    EXPECT_EQ(Db::scalarSql("SELECT COUNT(*) FROM JF_XG").toInt(), 0);

    draft->before = fresh;
    EXPECT_TRUE(PointsCorrection::apply(*draft, {0, 0, 0}).ok);
    EXPECT_EQ(counter("ZJF"), 0);
}

TEST_F(PointsCorrectionTest, RightFifteenIsReadFromTheUsersRowByCode)
{
    EXPECT_FALSE(PointsCorrection::mayCorrect());
    Db::execSql("UPDATE bm_yg SET qxqt = 'QX-15,' WHERE BM = '001'");
    EXPECT_TRUE(PointsCorrection::mayCorrect());
    // Another employee of the same name holds no sway over this one's rights.
    addEmployee("002", QString::fromUtf8("小王"));
    Db::execSql("UPDATE bm_yg SET qxqt = '' WHERE BM = '001'");
    Db::execSql("UPDATE bm_yg SET qxqt = 'QX-15,' WHERE BM = '002'");
    EXPECT_FALSE(PointsCorrection::mayCorrect());
}
