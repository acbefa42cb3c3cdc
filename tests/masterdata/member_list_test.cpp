#include "masterdata/member_list.h"
#include "masterdata/initials.h"

#include "core/clock.h"
#include "core/db/database.h"
#include "core/db/record_set.h"
#include "support/temp_home.h"

class MemberListTest : public TempHome
{
protected:
    void addMember(const QString &code, const QVariant &joined = {}, const QString &level = {})
    {
        Db::execSql("INSERT INTO bm_kh (BM, MC, RQ, JB) VALUES (?, ?, ?, ?)", {code, "M" + code, joined, level});
    }
    QStringList codes(const RecordSet &set)
    {
        QStringList out;
        for (int r = 0; r < set.rowCount(); ++r)
            out << set.value(r, "BM").toString();
        return out;
    }
};

TEST_F(MemberListTest, ListsEveryMemberButTheWalkInCustomerWithAllColumns)
{
    addMember("002");
    addMember("001");
    RecordSet set(MemberList::spec());
    ASSERT_TRUE(set.load().ok);
    EXPECT_EQ(codes(set), QStringList({"001", "002"}));
    EXPECT_EQ(set.spec().columns.size(), 31u);
    const GridColumn *level = set.spec().column("JB");
    ASSERT_NE(level, nullptr);
    EXPECT_TRUE(level->pickList.contains(QString::fromUtf8("金卡会员")));
    EXPECT_TRUE(set.spec().column("JG")->hidden);
    EXPECT_EQ(set.spec().column("JG")->pickList.size(), 6);
}

// Appending proposes the code after the last row's; the proposal and a typed
// code both reset the price tier and discount, and the balances start at 0.
TEST_F(MemberListTest, NewRowsCountUpFromTheLastRow)
{
    struct Case { QStringList existing; QString proposed; };
    const Case cases[] = {
        {{}, ""},
        {{"0099"}, "0100"},
        {{"9999"}, "0000"},
        {{"001", "050", "098"}, "099"},
        {{"1500", "998"}, ""}, // text order: 998 is last, and 999 is reserved
    };
    for (const Case &c : cases) {
        Db::execSql("DELETE FROM bm_kh WHERE BM <> '999'");
        for (const QString &code : c.existing)
            addMember(code);
        RecordSet set(MemberList::spec());
        ASSERT_TRUE(set.load().ok);
        const int row = set.insertRow();
        EXPECT_EQ(set.value(row, "BM").toString(), c.proposed) << c.existing.join(',').toStdString();
        for (const char *f : {"ZJF", "DXJF", "SYJF", "JSRJF", "LJXF", "ZHYE", "ZHQK"})
            EXPECT_EQ(set.value(row, f), QVariant(0.0)) << f;
    }
}

TEST_F(MemberListTest, ACodeChangeResetsPriceAndDiscountAndANameItsInitials)
{
    Db::execSql("INSERT INTO bm_kh (BM, MC, JG, ZK) VALUES ('K1', 'A', ?, 0.8)", {QString::fromUtf8("售价二")});
    RecordSet set(MemberList::spec());
    ASSERT_TRUE(set.load().ok);
    ASSERT_TRUE(set.editValue(0, set.fieldIndex("BM"), "K9"));
    EXPECT_EQ(set.value(0, "JG").toString(), QString::fromUtf8("原价"));
    EXPECT_DOUBLE_EQ(set.value(0, "ZK").toDouble(), 1);
    ASSERT_TRUE(set.editValue(0, set.fieldIndex("MC"), QString::fromUtf8("禾岚婚庆")));
    EXPECT_EQ(set.value(0, "JP").toString(), "HLHQ");
}

TEST_F(MemberListTest, TypedCodesAndDiscountsAreChecked)
{
    addMember("K1");
    addMember("K2");
    RecordSet set(MemberList::spec());
    ASSERT_TRUE(set.load().ok);
    const int bm = set.fieldIndex("BM"), zk = set.fieldIndex("ZK");
    EXPECT_FALSE(set.editValue(0, bm, "K2"));
    EXPECT_EQ(prompt->last(), QString::fromUtf8("您输入的编码已存在，请更改编码!"));
    EXPECT_FALSE(set.editValue(0, bm, "999"));
    EXPECT_FALSE(set.editValue(0, bm, ""));
    EXPECT_EQ(set.value(0, bm).toString(), "K1");

    struct Case { const char *typed; bool accepted; };
    const Case discounts[] = {{"0.1", true}, {"1", true}, {"0.85", true}, {"0.09", false}, {"1.01", false},
                              {"0", false},  {"", false}};
    for (const Case &c : discounts)
        EXPECT_EQ(set.editValue(1, zk, QString::fromLatin1(c.typed)), c.accepted) << c.typed;
}

TEST_F(MemberListTest, RecentMembersByWholeDays)
{
    Clock::setFixed(QDateTime(QDate(2026, 12, 9), QTime(10, 0)));
    addMember("A", "2026-12-09");
    addMember("B", "2026-12-09 16:30:00");
    addMember("C", "2026-12-08");
    addMember("D", "2026-11-30");
    addMember("E");
    Db::execSql("UPDATE bm_kh SET RQ = '2026-12-09' WHERE BM = '999'");
    struct Case { const char *days; QStringList codes; };
    const Case cases[] = {
        {"0", {}},
        {"1", {"A", "B"}},
        {"2", {"A", "B", "C"}},
        {"10", {"A", "B", "C", "D"}},
        {"abc", {"A", "B", "C", "D", "E"}},
        {"1.5", {"A", "B", "C", "D", "E"}},
    };
    for (const Case &c : cases) {
        RecordSet set(MemberList::spec());
        set.setConditions(MemberList::conditions(QString::fromLatin1(c.days)));
        ASSERT_TRUE(set.load().ok);
        EXPECT_EQ(codes(set), c.codes) << c.days;
    }
}

TEST_F(MemberListTest, SummaryCountsTheWalkInRowAndEachLevel)
{
    addMember("1", {}, QString::fromUtf8("金卡会员"));
    addMember("2", {}, QString::fromUtf8("金卡会员"));
    addMember("3", {}, QString::fromUtf8("普通会员"));
    const MemberList::Summary s = MemberList::summary();
    EXPECT_EQ(s.total, 4);
    EXPECT_TRUE(s.levels.contains(QString::fromUtf8("有2个金卡会员")));
    EXPECT_TRUE(s.levels.contains(QString::fromUtf8("有1个普通会员")));
}

TEST_F(MemberListTest, PinyinForEveryRowStaysPendingUntilSaved)
{
    Db::execSql("INSERT INTO bm_kh (BM, MC) VALUES ('1', ?), ('2', ?)", {QString::fromUtf8("张三"), QString::fromUtf8("李四")});
    RecordSet set(MemberList::spec());
    ASSERT_TRUE(set.load().ok);
    std::vector<int> seen;
    Initials::regenerate(set, [&](int row) { seen.push_back(row); });
    EXPECT_EQ(seen, std::vector<int>({1, 2}));
    EXPECT_TRUE(Db::scalarSql("SELECT JP FROM bm_kh WHERE BM = '1'").isNull());
    ASSERT_TRUE(set.save().ok);
    EXPECT_EQ(Db::scalarSql("SELECT JP FROM bm_kh WHERE BM = '1'").toString(), "ZS");
    EXPECT_EQ(Db::scalarSql("SELECT JP FROM bm_kh WHERE BM = '2'").toString(), "LS");
}
