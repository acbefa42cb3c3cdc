#include "masterdata/member_rules.h"
#include "masterdata/member_list.h"

#include "core/db/database.h"
#include "core/db/record_set.h"
#include "support/temp_home.h"

class MemberRulesTest : public TempHome
{
protected:
    void addMember(const QString &code, double balance = 0, double debt = 0)
    {
        Db::execSql("INSERT INTO bm_kh (BM, MC, ZHYE, ZHQK) VALUES (?, ?, ?, ?)", {code, "M" + code, balance, debt});
    }
    int rowOf(const RecordSet &set, const QString &code)
    {
        for (int r = 0; r < set.rowCount(); ++r)
            if (set.value(r, "BM").toString() == code)
                return r;
        return -1;
    }
};

TEST(MemberCodeTest, CountsUpAtTheSameWidthAndNeverProposesTheWalkInCode)
{
    struct Case { const char *previous, *next; };
    const Case cases[] = {
        {"0099", "0100"}, {"12", "13"},  {"9999", "0000"}, {"", ""},       {"A12", ""},
        {"098", "099"},   {"998", ""},   {"1500", "1501"}, {"12345678901234567890", "12345678901234567891"},
        {"1.5", ""},      {"-3", ""},
    };
    for (const Case &c : cases)
        EXPECT_EQ(MemberRules::nextCode(QString::fromUtf8(c.previous)), QString::fromUtf8(c.next)) << c.previous;
}

// Every kind of record that holds a member, in the order the refusal names
// them; a member used by several is refused with the first.
TEST_F(MemberRulesTest, DeleteAndRecodeAreRefusedByTheFirstUseFound)
{
    struct Case { const char *insert; const char *kind; };
    const Case cases[] = {
        {"INSERT INTO xsd_zb (ID, KHBM) VALUES ('X1', 'K1')", "销售单"},
        {"INSERT INTO skd_zb (ID, KHBM) VALUES ('S1', 'K1')", "收款单"},
        {"INSERT INTO czd_zb (ID, KHBM) VALUES ('C1', 'K1')", "充值单"},
        {"INSERT INTO djf_zb (ID, KHBM) VALUES ('D1', 'K1')", "兑换积分单"},
        {"INSERT INTO xtd_zb (ID, KHBM) VALUES ('T1', 'K1')", "销售退货单"},
        {"INSERT INTO JF_XG (ID, KHBM) VALUES ('J1', 'K1')", "积分修改"},
        {"INSERT INTO bm_kh (BM, MC, JSRBM) VALUES ('K2', 'B', 'K1')", "介绍人"},
    };
    addMember("K1");
    EXPECT_TRUE(MemberRules::deleteRefusal("K1").ok);
    EXPECT_TRUE(MemberRules::codeChangeRefusal("K1").ok);
    // Inserted last to first: each new use is the first in order and must be named.
    for (int i = int(std::size(cases)) - 1; i >= 0; --i) {
        Db::execSql(QString::fromUtf8(cases[i].insert));
        const QString kind = QString::fromUtf8(cases[i].kind);
        EXPECT_EQ(MemberRules::deleteRefusal("K1").message, "当前会员在" + kind + "使用过，无法删除！");
        EXPECT_EQ(MemberRules::codeChangeRefusal("K1").message, "当前会员在" + kind + "使用过，无法修改编码！");
    }
}

TEST_F(MemberRulesTest, BalanceDefaultCustomerAndWalkInHoldAMemberBack)
{
    addMember("B1", 0.01, 0);
    addMember("B2", 0, -5);
    addMember("B3", 0, 0);
    Db::execSql("UPDATE bm_gsxx SET MR_KH = 'B3'");
    EXPECT_EQ(MemberRules::deleteRefusal("B1").message, "当前会员账户余额或欠款不为0，无法删除！");
    EXPECT_EQ(MemberRules::deleteRefusal("B2").message, "当前会员账户余额或欠款不为0，无法删除！");
    // A balance does not pin the code; the company's default customer does.
    EXPECT_TRUE(MemberRules::codeChangeRefusal("B1").ok);
    EXPECT_EQ(MemberRules::deleteRefusal("B3").message, "当前会员是公司信息中的默认客户，无法删除！");
    EXPECT_EQ(MemberRules::codeChangeRefusal("B3").message, "当前会员是公司信息中的默认客户，无法修改编码！");
    EXPECT_FALSE(MemberRules::deleteRefusal("999").ok);
    EXPECT_FALSE(MemberRules::codeChangeRefusal("999").ok);
}

// The grid asked when the row was deleted or re-coded; an order written since
// by another window must still stop the save, and nothing of it is written.
TEST_F(MemberRulesTest, SaveChecksAgainInsideItsTransaction)
{
    addMember("K1");
    addMember("K2");
    addMember("K3");
    RecordSet set(MemberList::spec());
    ASSERT_TRUE(set.load().ok);
    ASSERT_TRUE(set.removeRow(rowOf(set, "K1")));
    const int k2 = rowOf(set, "K2");
    set.setValue(k2, "BM", "K22");
    set.setValue(rowOf(set, "K3"), "MC", QString::fromUtf8("改名"));

    Db::execSql("INSERT INTO xsd_zb (ID, KHBM) VALUES ('X1', 'K1')");
    Outcome out = set.save();
    EXPECT_EQ(out.message, "当前会员在销售单使用过，无法删除！");

    Db::execSql("DELETE FROM xsd_zb");
    Db::execSql("INSERT INTO skd_zb (ID, KHBM) VALUES ('S1', 'K2')");
    out = set.save();
    EXPECT_EQ(out.message, "当前会员在收款单使用过，无法修改编码！");
    EXPECT_EQ(set.failedRow(), rowOf(set, "K22"));
    EXPECT_EQ(Db::scalarSql("SELECT COUNT(*) FROM bm_kh WHERE BM IN ('K1', 'K2')").toInt(), 2);
    EXPECT_EQ(Db::scalarSql("SELECT MC FROM bm_kh WHERE BM = 'K3'").toString(), "MK3");

    Db::execSql("DELETE FROM skd_zb");
    EXPECT_TRUE(set.save().ok);
    EXPECT_EQ(Db::scalarSql("SELECT COUNT(*) FROM bm_kh WHERE BM IN ('K1', 'K2')").toInt(), 0);
    EXPECT_EQ(Db::scalarSql("SELECT JP FROM bm_kh WHERE BM = 'K3'").toString(), "GM");
}
