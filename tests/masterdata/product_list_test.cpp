#include "masterdata/product_list.h"
#include "masterdata/product_rules.h"

#include "core/db/database.h"
#include "core/db/record_set.h"
#include "core/session.h"
#include "support/temp_home.h"

#include <memory>

namespace {

struct ProposalCase
{
    const char *category;
    QVariant last;
    const char *expected;
};

} // namespace

TEST(ProductCodeProposal, FollowsTheCategoryAndTheLastRow)
{
    const ProposalCase cases[] = {
        {"01", QString("010009"), "010010"},  // serial within the category
        {"01", QString("010099"), "010100"},
        {"07", QVariant(), "070001"},         // an empty category
        {"01", QString("0199"), "0100"},      // two-digit serials: the carry is lost
        {"01", QString("01"), "01"},          // the category code itself: the save reports it
        {"01", QString("01AB"), ""},          // a serial that is not a number
        {"02", QString("0199"), "0200"},      // not of the category: the plain increment
        {"02", QString("9999"), "0000"},
        {"02", QString("A12"), ""},
        {"02", QString(""), ""},
    };
    for (const ProposalCase &c : cases)
        EXPECT_EQ(ProductList::proposeCode(c.category, c.last), QString(c.expected))
            << c.category << " after " << c.last.toString().toStdString();
}

class ProductListTest : public TempHome
{
protected:
    void SetUp() override
    {
        TempHome::SetUp();
        loginAs("000");
        Db::execSql("DELETE FROM bm_sp");
        Db::execSql("DELETE FROM bm_splb");
        for (const char *c : {"01", "011", "02", "07", "0_"})
            Db::execSql("INSERT INTO bm_splb (BM, MC, JFGZ) VALUES (?, ?, '5')", {QString(c), QString(c)});
        Db::execSql("UPDATE bm_splb SET JFGZ = '10' WHERE BM = '01'");
    }
    void addProduct(const QString &code, const QVariant &category, double stock = 0)
    {
        Db::execSql("INSERT INTO bm_sp (BM, MC, LB, KCSL, KCJE, CBJJ, LSJ, TDZ, TJF, SLHS, JFGZ) "
                    "VALUES (?, ?, ?, ?, ?, ?, 100, 0, 0, 1, '3')",
                    {code, QString::fromUtf8("商品") + code, category, stock, stock * 10, stock ? 10.0 : 0.0});
    }
    std::unique_ptr<RecordSet> open(const QString &category)
    {
        auto selection = std::make_shared<ProductList::Selection>();
        selection->category = category;
        selection->pointsRule = ProductList::pointsRuleOf(category);
        auto set = std::make_unique<RecordSet>(ProductList::spec(selection));
        EXPECT_TRUE(set->load().ok);
        return set;
    }
    QVariant stored(const QString &code, const QString &field)
    {
        return Db::scalarSql(QString("SELECT %1 FROM bm_sp WHERE BM = ?").arg(field), {code});
    }
};

TEST_F(ProductListTest, NewRowTakesTheProposalAndStartsAtZero)
{
    for (int i = 1; i <= 9; ++i)
        addProduct(QString("01000%1").arg(i), "01");
    addProduct("020001", "02");
    auto set = open("01");
    ASSERT_EQ(set->rowCount(), 9);
    const int row = set->insertRow();
    EXPECT_EQ(set->value(row, "BM").toString(), "010010");
    EXPECT_EQ(set->value(row, "LB").toString(), "01");
    EXPECT_EQ(set->value(row, "JFGZ").toString(), "10");
    EXPECT_EQ(set->value(row, "TDZ"), QVariant(true));
    EXPECT_EQ(set->value(row, "TJF"), QVariant(true));
    EXPECT_EQ(set->value(row, "SLHS"), QVariant(false));
    set->setValue(row, "MC", QString::fromUtf8("婚纱照"));
    ASSERT_TRUE(set->save().ok);
    // Stock columns are 0, not empty: a later relative update must find a number.
    for (const char *f : {"MJ", "KCSL", "KCJE", "CBJJ"}) {
        EXPECT_FALSE(stored("010010", f).isNull()) << f;
        EXPECT_DOUBLE_EQ(stored("010010", f).toDouble(), 0) << f;
    }
    EXPECT_EQ(stored("010010", "JP").toString(), "HSZ");

    auto empty = open("07");
    EXPECT_EQ(empty->value(empty->insertRow(), "BM").toString(), "070001");
}

TEST_F(ProductListTest, LostCarryIsReportedAsDuplicateAtSave)
{
    addProduct("0100", "01");
    addProduct("0199", "01");
    auto set = open("01");
    const int row = set->insertRow();
    EXPECT_EQ(set->value(row, "BM").toString(), "0100");
    const Outcome saved = set->save();
    EXPECT_FALSE(saved.ok);
    EXPECT_EQ(saved.message, QString::fromUtf8("编码存在重复无法保存，请删除重复后重试"));
    EXPECT_EQ(set->rowCount(), 3); // the row stays for correction
}

TEST_F(ProductListTest, TreeKeysSelectByCategoryPrefix)
{
    addProduct("A", "01");
    addProduct("B", "011");
    addProduct("C", "02");
    addProduct("D", "0_");
    addProduct("E", "0X"); // would match "0_" as a LIKE pattern
    addProduct("F", QVariant(QMetaType(QMetaType::QString)));
    struct Case { const char *key; QStringList codes; };
    const Case cases[] = {{"%", {"A", "B", "C", "D", "E"}}, {"01", {"A", "B"}}, {"0_", {"D"}}, {"07", {}}};
    for (const Case &c : cases) {
        auto set = open(c.key);
        QStringList codes;
        for (int r = 0; r < set->rowCount(); ++r)
            codes << set->value(r, "BM").toString();
        EXPECT_EQ(codes, c.codes) << c.key;
    }
}

TEST_F(ProductListTest, UsedProductKeepsItsRowAndCode)
{
    struct Case { const char *table; const char *column; const char *kind; };
    const Case cases[] = {
        {"rkd_mx", "SPBM", "入库单"}, {"thd_mx", "SPBM", "采购退货单"}, {"xsd_mx", "SPBM", "销售单"},
        {"xtd_mx", "SPBM", "销售退货单"}, {"pdd_mx", "SPBM", "盘点单"}, {"bm_tx", "BM", "套系"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.kind);
        Db::execSql("DELETE FROM bm_sp");
        addProduct("P1", "01");
        addProduct("P2", "01");
        auto set = open("01");
        // Booked after the window read the rows: the save's own check stops it.
        set->removeRow(0);
        set->setValue(0, "BM", QString("P9")); // a code change made without the typed-code check
        Db::execSql(QString("INSERT INTO %1 (%2) VALUES ('P1')").arg(c.table, c.column));
        Outcome saved = set->save();
        EXPECT_FALSE(saved.ok);
        EXPECT_EQ(saved.message, QString::fromUtf8("当前商品在%1使用过，无法删除！").arg(QString::fromUtf8(c.kind)));
        EXPECT_TRUE(stored("P1", "BM").isValid());
        EXPECT_TRUE(stored("P2", "BM").isValid()); // the whole save was undone

        Db::execSql(QString("INSERT INTO %1 (%2) VALUES ('P2')").arg(c.table, c.column));
        auto fresh = open("01");
        prompt->clear();
        EXPECT_FALSE(fresh->editValue(1, fresh->fieldIndex("BM"), QString("P8")));
        EXPECT_EQ(prompt->last(), QString::fromUtf8("当前商品在%1使用过，无法修改编码！").arg(QString::fromUtf8(c.kind)));
        EXPECT_EQ(fresh->value(1, "BM").toString(), "P2");
        Db::execSql(QString("DELETE FROM %1").arg(c.table));
    }
}

TEST_F(ProductListTest, TheFirstKindFoundIsNamed)
{
    addProduct("P1", "01");
    Db::execSql("INSERT INTO pdd_mx (SPBM) VALUES ('P1')");
    Db::execSql("INSERT INTO xsd_mx (SPBM) VALUES ('P1')");
    EXPECT_EQ(ProductRules::checkDelete("P1").message, QString::fromUtf8("当前商品在销售单使用过，无法删除！"));
    EXPECT_TRUE(ProductRules::checkDelete("P2").ok);
}

TEST_F(ProductListTest, TypedCodeOfUnusedProductIsCheckedForDuplicates)
{
    addProduct("P1", "01");
    addProduct("P2", "01");
    auto set = open("01");
    const int bm = set->fieldIndex("BM");
    EXPECT_FALSE(set->editValue(0, bm, QString("P2")));
    EXPECT_EQ(prompt->last(), QString::fromUtf8("您输入的编码已存在，请更改编码!"));
    EXPECT_FALSE(set->editValue(0, bm, QString("")));
    EXPECT_EQ(set->value(0, "BM").toString(), "P1");
    EXPECT_TRUE(set->editValue(0, bm, QString("P3")));
    ASSERT_TRUE(set->save().ok);
    EXPECT_TRUE(stored("P3", "BM").isValid());
}

TEST_F(ProductListTest, PasteKeepsTheProposedCodeAndNeverCopiesStock)
{
    addProduct("010001", "01", 5);
    Db::execSql("UPDATE bm_sp SET SJ3 = 77, TP = 'x.jpg' WHERE BM = '010001'");
    auto set = open("01");
    const int row = set->insertRow();
    ASSERT_TRUE(ProductRules::pasteRow(*set, row, "010001"));
    EXPECT_EQ(set->value(row, "BM").toString(), "010002");
    EXPECT_DOUBLE_EQ(set->value(row, "LSJ").toDouble(), 100);
    EXPECT_DOUBLE_EQ(set->value(row, "SJ3").toDouble(), 77);
    EXPECT_EQ(set->value(row, "TDZ"), QVariant(false));
    EXPECT_EQ(set->value(row, "SLHS"), QVariant(true));
    EXPECT_EQ(set->value(row, "JFGZ").toString(), "3");
    EXPECT_EQ(set->value(row, "MC").toString(), QString::fromUtf8("商品010001"));
    ASSERT_TRUE(set->save().ok);
    for (const char *f : {"KCSL", "KCJE", "CBJJ"})
        EXPECT_DOUBLE_EQ(stored("010002", f).toDouble(), 0) << f;
    EXPECT_FALSE(ProductRules::pasteRow(*set, row, "gone"));
}

TEST_F(ProductListTest, ClearingKeepsUsedProductsAndNeedsTheRight)
{
    addProduct("P1", "01");
    addProduct("P2", "01");
    addProduct("P3", QVariant(QMetaType(QMetaType::QString)));
    Db::execSql("INSERT INTO bm_tx (BM, LB) VALUES ('P2', 'T1')");

    addEmployee("001", "clerk");
    loginAs("001");
    int kept = -1;
    Outcome refused = ProductRules::clearUnused(&kept);
    EXPECT_FALSE(refused.ok);
    EXPECT_EQ(refused.message, QString::fromUtf8("您没有权操作，请联系管理员！"));
    EXPECT_EQ(Db::scalarSql("SELECT COUNT(*) FROM bm_sp").toInt(), 3);

    Db::execSql("UPDATE bm_yg SET qxqt = '13' WHERE BM = '001'");
    Outcome cleared = ProductRules::clearUnused(&kept);
    ASSERT_TRUE(cleared.ok) << cleared.text().toStdString();
    EXPECT_EQ(kept, 1);
    EXPECT_TRUE(cleared.message.contains("1"));
    EXPECT_EQ(Db::scalarSql("SELECT BM FROM bm_sp").toString(), "P2");
}
