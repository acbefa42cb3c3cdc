#include "masterdata/member_level.h"

#include "core/db/database.h"
#include "support/temp_home.h"

#include <QSqlRecord>

class MemberLevelTest : public TempHome
{
protected:
    void SetUp() override
    {
        TempHome::SetUp();
        Db::execSql("DELETE FROM BM_KHJB");
        Db::execSql("INSERT INTO BM_KHJB (BM, MC, ZK, QJF, ZJF) VALUES ('01', ?, 1, 0, 100)", {QString::fromUtf8("普通")});
        Db::execSql("INSERT INTO BM_KHJB (BM, MC, ZK, QJF, ZJF) VALUES ('02', ?, 0.9, 100, 0)", {QString::fromUtf8("金卡")});
        Db::execSql("INSERT INTO bm_kh (BM, MC, ZJF, DXJF, SYJF, LJXF, ZHQK, JB, ZK, TSJ) "
                "VALUES ('K1', 'A', 90, 30, 60, 1000, 50, ?, 1, 1)",
                {QString::fromUtf8("普通")});
    }
    QSqlRecord member(const QString &code = "K1")
    {
        QSqlQuery q = Db::execSql("SELECT * FROM bm_kh WHERE BM=?", {code});
        return q.next() ? q.record() : QSqlRecord();
    }
};

TEST_F(MemberLevelTest, BooksPointsDebtAndSpendingAndFollowsTheLevel)
{
    MemberLevel::RecalcMemberLevel("K1", true, 9.9, 20.05, 300.1);
    QSqlRecord m = member();
    EXPECT_DOUBLE_EQ(m.value("ZJF").toDouble(), 99); // 9.9 points book as 9
    EXPECT_DOUBLE_EQ(m.value("SYJF").toDouble(), 69);
    EXPECT_DOUBLE_EQ(m.value("LJXF").toDouble(), 1300.1);
    EXPECT_DOUBLE_EQ(m.value("ZHQK").toDouble(), 70.05);
    EXPECT_EQ(m.value("JB").toString(), QString::fromUtf8("普通"));

    // Exactly 100 points is the lower bound of the open top level.
    MemberLevel::RecalcMemberLevel("K1", true, 1, 0, 0);
    m = member();
    EXPECT_DOUBLE_EQ(m.value("ZJF").toDouble(), 100);
    EXPECT_EQ(m.value("JB").toString(), QString::fromUtf8("金卡"));
    EXPECT_DOUBLE_EQ(m.value("ZK").toDouble(), 0.9);

    // Taking back a booking restores the member and the level.
    MemberLevel::RecalcMemberLevel("K1", false, 10.9, 20.05, 300.1);
    m = member();
    EXPECT_DOUBLE_EQ(m.value("ZJF").toDouble(), 90);
    EXPECT_DOUBLE_EQ(m.value("SYJF").toDouble(), 60);
    EXPECT_DOUBLE_EQ(m.value("LJXF").toDouble(), 1000);
    EXPECT_DOUBLE_EQ(m.value("ZHQK").toDouble(), 50);
    EXPECT_EQ(m.value("JB").toString(), QString::fromUtf8("普通"));
    EXPECT_DOUBLE_EQ(m.value("ZK").toDouble(), 1);
}

TEST_F(MemberLevelTest, PointsTruncateTowardsZero)
{
    struct Case { double points; double zjf; };
    const Case cases[] = {{12.9, 102}, {0.29 / 0.01, 119}, {0.4, 90}, {-3.7, 87}};
    for (const Case &c : cases) {
        Db::execSql("UPDATE bm_kh SET ZJF=90 WHERE BM='K1'");
        MemberLevel::RecalcMemberLevel("K1", true, c.points, 0, 0);
        EXPECT_DOUBLE_EQ(member().value("ZJF").toDouble(), c.zjf) << c.points;
    }
}

TEST_F(MemberLevelTest, NegativeBalancesStayExact)
{
    MemberLevel::RecalcMemberLevel("K1", false, 0, 55, 0);
    EXPECT_DOUBLE_EQ(member().value("ZHQK").toDouble(), -5);
    MemberLevel::RecalcMemberLevel("K1", false, 0, 0.001, 0);
    EXPECT_DOUBLE_EQ(member().value("ZHQK").toDouble(), -5);
}

TEST_F(MemberLevelTest, LevelOnlyFollowsForMembersWithTsj)
{
    Db::execSql("UPDATE bm_kh SET TSJ=0, JB='VIP', ZK=0.5 WHERE BM='K1'");
    MemberLevel::RecalcMemberLevel("K1", true, 50, 0, 0);
    QSqlRecord m = member();
    EXPECT_DOUBLE_EQ(m.value("ZJF").toDouble(), 140);
    EXPECT_EQ(m.value("JB").toString(), "VIP");
    EXPECT_DOUBLE_EQ(m.value("ZK").toDouble(), 0.5);

    // No level matches negative points: the level is cleared.
    Db::execSql("UPDATE bm_kh SET TSJ=1 WHERE BM='K1'");
    MemberLevel::RecalcMemberLevel("K1", false, 200, 0, 0);
    m = member();
    EXPECT_DOUBLE_EQ(m.value("ZJF").toDouble(), -60);
    EXPECT_EQ(m.value("JB").toString(), "");
    EXPECT_DOUBLE_EQ(m.value("ZK").toDouble(), 0);
}

TEST_F(MemberLevelTest, UnknownMemberChangesNothing)
{
    const QString all = "SELECT group_concat(BM || ZJF || SYJF || LJXF || ZHQK || JB || ZK) FROM bm_kh";
    const QString before = Db::scalarSql(all).toString();
    MemberLevel::RecalcMemberLevel("NOPE", true, 100, 100, 100);
    MemberLevel::RecalcMemberLevel("K1' OR '1'='1", true, 100, 100, 100);
    EXPECT_EQ(Db::scalarSql(all).toString(), before);
}

TEST_F(MemberLevelTest, RunsInsideTheCallersTransaction)
{
    {
        Transaction tx;
        ASSERT_TRUE(tx.active());
        MemberLevel::RecalcMemberLevel("K1", true, 10, 0, 0);
        EXPECT_DOUBLE_EQ(member().value("ZJF").toDouble(), 100);
    }
    EXPECT_DOUBLE_EQ(member().value("ZJF").toDouble(), 90);
}

// The delivered levels: 普通 [0, 1000), 银卡 [1000, 5000), 金卡 [5000, 20000),
// 钻石 from 20000 up. Each level's ZJF is the next one's QJF: the bound
// belongs to the upper level, and one point below it still to the lower.
class DeliveredMemberLevelTest : public TempHome
{
protected:
    void SetUp() override
    {
        TempHome::SetUp();
        Db::execSql("INSERT INTO bm_kh (BM, MC, ZJF, DXJF, SYJF, LJXF, ZHQK, JB, ZK, TSJ) "
                    "VALUES ('K1', 'A', 0, 0, 0, 0, 0, '', 1, 1)");
    }
    std::pair<QString, double> levelAt(double points)
    {
        Db::execSql("UPDATE bm_kh SET ZJF = 0 WHERE BM = 'K1'");
        MemberLevel::RecalcMemberLevel("K1", true, points, 0, 0);
        QSqlQuery q = Db::execSql("SELECT JB, ZK FROM bm_kh WHERE BM = 'K1'");
        q.next();
        return {q.value(0).toString(), q.value(1).toDouble()};
    }
};

TEST_F(DeliveredMemberLevelTest, EachBoundBelongsToTheUpperLevel)
{
    struct Case { double points; const char *level; double zk; };
    const Case cases[] = {
        {0, "普通会员", 1.0},     {999, "普通会员", 1.0},   {1000, "银卡会员", 0.95},
        {4999, "银卡会员", 0.95}, {5000, "金卡会员", 0.9},  {19999, "金卡会员", 0.9},
        {20000, "钻石会员", 0.85}, {900000, "钻石会员", 0.85},
    };
    for (const Case &c : cases) {
        const auto [level, zk] = levelAt(c.points);
        EXPECT_EQ(level, QString::fromUtf8(c.level)) << c.points;
        EXPECT_DOUBLE_EQ(zk, c.zk) << c.points;
    }
}

TEST_F(DeliveredMemberLevelTest, PointsInAGapBetweenTwoLevelsHaveNoLevel)
{
    // 银卡 now ends at 3000 while 金卡 still starts at 5000: 3000 … 4999 is no level's.
    Db::execSql("UPDATE BM_KHJB SET ZJF = 3000 WHERE BM = '02'");
    struct Case { double points; const char *level; double zk; };
    const Case cases[] = {
        {2999, "银卡会员", 0.95}, {3000, "", 0}, {4999, "", 0}, {5000, "金卡会员", 0.9},
    };
    for (const Case &c : cases) {
        const auto [level, zk] = levelAt(c.points);
        EXPECT_EQ(level, QString::fromUtf8(c.level)) << c.points;
        EXPECT_DOUBLE_EQ(zk, c.zk) << c.points;
    }
}
