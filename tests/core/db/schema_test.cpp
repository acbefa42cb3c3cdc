#include "support/temp_home.h"

#include "core/db/database.h"
#include "core/db/schema.h"
#include "core/db/record_set.h"

#include <QSqlRecord>

using SchemaTest = TempHome;

// Every table and column of the data model exists in the delivered database,
// so windows that name them can open their data.
TEST_F(SchemaTest, DeliveredDatabaseHoldsEveryTableAndColumn)
{
    for (const Schema::Table &t : Schema::tables()) {
        const QSqlRecord rec = Database::db().record(QLatin1String(t.name));
        ASSERT_FALSE(rec.isEmpty()) << t.name;
        for (const Schema::Column &c : t.columns)
            EXPECT_TRUE(rec.contains(QLatin1String(c.name))) << t.name << "." << c.name;
    }
}

TEST_F(SchemaTest, FixedRowsAndCaseInsensitiveText)
{
    EXPECT_EQ(Db::scalarSql("SELECT MC FROM bm_kh WHERE BM='999'").toString(), QString::fromUtf8("普通客户"));
    EXPECT_EQ(Db::scalarSql("SELECT MC FROM bm_ghs WHERE BM='001'").toString(), QString::fromUtf8("通用供货商"));
    EXPECT_EQ(Db::scalarSql("SELECT qxqt FROM bm_yg WHERE DLMC='SA'").toString(), "QX-10,11,12,13,14,15,16,17,18,");
    EXPECT_EQ(Db::scalarSql("SELECT COUNT(*) FROM bm_gsxx").toInt(), 1);
    EXPECT_EQ(Db::scalarSql("SELECT TZK FROM bm_gsxx").toDouble(), 1.0);
    // Code lookups of print formats ignore case: "xsd" finds "XSD".
    EXPECT_EQ(Db::scalarSql("SELECT COUNT(*) FROM gg_dj WHERE DM='xsd'").toInt(), 1);
    EXPECT_GE(Db::scalarSql("SELECT COUNT(*) FROM gg_dj").toInt(), 34);
}

TEST_F(SchemaTest, DiscountMultiplierAndPositionalCounterInsert)
{
    Db::execSql("UPDATE bm_kh SET ZK=0.85 WHERE BM='999'");
    EXPECT_DOUBLE_EQ(Db::scalarSql("SELECT ZK FROM bm_kh WHERE BM='999'").toDouble(), 0.85);
    Db::execSql("INSERT INTO GG_XZ VALUES ('001','XSD','20250314',0)");
    QSqlQuery q = Db::execSql("SELECT YGBM, DJLX, RQ, DJSL FROM GG_XZ");
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toString(), "001");
    EXPECT_EQ(q.value(1).toString(), "XSD");
    EXPECT_EQ(q.value(2).toString(), "20250314");
    EXPECT_EQ(q.value(3).toInt(), 0);
}

TEST_F(SchemaTest, MasterCodesAreUnique)
{
    EXPECT_THROW(Db::execSql("INSERT INTO bm_kh (BM, MC) VALUES ('999', 'x')"), DbError);
}

// Prices and payments typed into a list keep their cents through a save and a
// reload; points and quantities keep their own scale.
TEST_F(SchemaTest, AmountsKeepTheirCentsAndPointsStayWhole)
{
    struct Case
    {
        const char *table;
        const char *field;
        double typed;
        double kept;
    };
    const Case cases[] = {
        {"bm_sp", "LSJ", 12.345, 12.35}, {"bm_sp", "SJ3", 0.5, 0.5},      {"bm_sp", "KCJE", 99.99, 99.99},
        {"bm_ghs", "ZHQK", 10.01, 10.01}, {"bm_kh", "ZJF", 29.6, 30},     {"bm_sp", "KCSL", 2.4, 2},
    };
    for (const Case &c : cases) {
        GridSpec spec;
        spec.table = c.table;
        spec.keyColumn = "BM";
        spec.conditions = {{"BM", GridCondition::Op::Equal, QString("T1")}};
        RecordSet set(spec);
        ASSERT_TRUE(set.load().ok);
        const int row = set.insertRow();
        set.setValue(row, "BM", "T1");
        set.setValue(row, "MC", "t");
        set.setValue(row, c.field, c.typed);
        ASSERT_TRUE(set.save().ok) << c.table;
        RecordSet again(spec);
        ASSERT_TRUE(again.load().ok);
        ASSERT_EQ(again.rowCount(), 1) << c.table;
        EXPECT_DOUBLE_EQ(again.value(0, c.field).toDouble(), c.kept) << c.table << "." << c.field;
        Db::execSql(QString("DELETE FROM %1 WHERE BM='T1'").arg(c.table));
    }
}
