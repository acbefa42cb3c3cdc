#include "masterdata/category_list.h"

#include "core/db/database.h"
#include "core/db/record_set.h"
#include "support/temp_home.h"

class CategoryListTest : public TempHome
{
protected:
    void SetUp() override
    {
        TempHome::SetUp();
        Db::execSql("DELETE FROM bm_sp");
        Db::execSql("DELETE FROM bm_splb");
        Db::execSql("INSERT INTO bm_splb (BM, MC, JFGZ) VALUES ('01', 'a', '10'), ('02', 'b', '20')");
        Db::execSql("INSERT INTO bm_sp (BM, LB, JFGZ) VALUES ('P1', '01', '99'), ('P2', '02', '1'), ('P3', '03', '7')");
    }
    QString lb(const QString &code) { return Db::scalarSql("SELECT LB FROM bm_sp WHERE BM = ?", {code}).toString(); }
    QString rule(const QString &code) { return Db::scalarSql("SELECT JFGZ FROM bm_sp WHERE BM = ?", {code}).toString(); }
    int row(RecordSet &set, const QString &code)
    {
        for (int r = 0; r < set.rowCount(); ++r)
            if (set.value(r, "BM").toString() == code)
                return r;
        return -1;
    }
};

TEST_F(CategoryListTest, ChangedCodesCarryTheirProducts)
{
    struct Case { QStringList from; QStringList to; QString p1; QString p2; };
    const Case cases[] = {
        {{"01"}, {"05"}, "05", "02"},
        // A chain: each product follows its own category, not the one that took its old code.
        {{"01", "02"}, {"03", "01"}, "03", "01"},
    };
    for (const Case &c : cases) {
        Db::execSql("UPDATE bm_sp SET LB = '01' WHERE BM = 'P1'");
        Db::execSql("UPDATE bm_sp SET LB = '02' WHERE BM = 'P2'");
        Db::execSql("DELETE FROM bm_splb");
        Db::execSql("INSERT INTO bm_splb (BM, MC, JFGZ) VALUES ('01', 'a', '10'), ('02', 'b', '20')");
        RecordSet set(CategoryList::spec());
        ASSERT_TRUE(set.load().ok);
        std::vector<int> rows;
        for (const QString &from : c.from)
            rows.push_back(row(set, from));
        for (size_t i = 0; i < rows.size(); ++i)
            set.setValue(rows[i], "BM", c.to[qsizetype(i)]);
        ASSERT_TRUE(set.save().ok);
        EXPECT_EQ(lb("P1"), c.p1);
        EXPECT_EQ(lb("P2"), c.p2);
        EXPECT_EQ(lb("P3"), "03");
    }
}

TEST_F(CategoryListTest, DeletingACategoryLeavesItsProducts)
{
    RecordSet set(CategoryList::spec());
    ASSERT_TRUE(set.load().ok);
    set.removeRow(row(set, "01"));
    ASSERT_TRUE(set.save().ok);
    EXPECT_EQ(lb("P1"), "01");
}

TEST_F(CategoryListTest, UnifiedPointsRulesSavePendingCategoriesAndOverwrite)
{
    RecordSet set(CategoryList::spec());
    ASSERT_TRUE(set.load().ok);
    set.setValue(row(set, "02"), "JFGZ", QString("25"));
    const int added = set.insertRow();
    set.setValue(added, "BM", QString("03"));
    set.setValue(added, "JFGZ", QString("30"));
    const Outcome done = CategoryList::applyPointsRules(set);
    ASSERT_TRUE(done.ok) << done.text().toStdString();
    EXPECT_EQ(done.message, QString::fromUtf8("修改成功！"));
    EXPECT_FALSE(set.isDirty());
    EXPECT_EQ(rule("P1"), "10"); // the single product's own rule is overwritten
    EXPECT_EQ(rule("P2"), "25");
    EXPECT_EQ(rule("P3"), "30");
}

TEST_F(CategoryListTest, UnifiedPointsRulesChangeNothingWhenTheSaveFails)
{
    RecordSet set(CategoryList::spec());
    ASSERT_TRUE(set.load().ok);
    set.setValue(row(set, "01"), "JFGZ", QString("11"));
    const int added = set.insertRow();
    set.setValue(added, "BM", QString("02")); // duplicate
    const Outcome done = CategoryList::applyPointsRules(set);
    EXPECT_FALSE(done.ok);
    EXPECT_EQ(done.message, QString::fromUtf8("编码存在重复无法保存，请删除重复后重试"));
    EXPECT_TRUE(set.isDirty());
    EXPECT_EQ(rule("P1"), "99");
    EXPECT_EQ(Db::scalarSql("SELECT JFGZ FROM bm_splb WHERE BM = '01'").toString(), "10");
}
