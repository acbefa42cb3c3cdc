#include "support/temp_home.h"

#include "core/db/database.h"
#include "core/db/query_result.h"
#include "core/db/record_set.h"

namespace {

class QueryResultTest : public TempHome
{
protected:
    void SetUp() override
    {
        TempHome::SetUp();
        Db::execSql("INSERT INTO bm_txlb (BM, MC) VALUES ('T1', '浪漫'), ('T2', '经典'), ('T3', '空')");
        // Quantities and prices stored as whole numbers still read as Decimals.
        Db::execSql("INSERT INTO bm_tx (BM, LB, SL, DJ) VALUES ('P1', 'T1', 2, 100), ('P2', 'T1', 1, 0.5), "
                    "('P3', 'T2', 3, 10)");
    }
};

} // namespace

TEST_F(QueryResultTest, JoinWithAggregatesIsTypedBySchemaThenByValues)
{
    QueryResult r("SELECT l.BM, l.MC, SUM(t.SL * t.DJ) AS JE, SUM(t.SL) AS SL, COUNT(t.ID) AS N, "
                  "AVG(t.SL) AS AVGQ, l.BM || '#' AS TAG "
                  "FROM bm_txlb l LEFT JOIN bm_tx t ON t.LB = l.BM WHERE l.BM <> ? GROUP BY l.BM, l.MC ORDER BY l.BM",
                  {"T3"});
    ASSERT_TRUE(r.load()) << r.load().text().toStdString();
    EXPECT_FALSE(r.isEditable());
    ASSERT_EQ(r.rowCount(), 2);
    ASSERT_EQ(r.fieldCount(), 7);
    struct Expected
    {
        const char *field;
        Schema::Type type;
        int size;
    };
    const Expected fields[] = {
        {"BM", Schema::Type::Text, 50},     {"MC", Schema::Type::Text, 50},    {"JE", Schema::Type::Decimal, 2},
        {"SL", Schema::Type::Decimal, 2},   {"N", Schema::Type::Integer, 0},   {"AVGQ", Schema::Type::Decimal, 0},
        {"TAG", Schema::Type::Text, 0},
    };
    for (int i = 0; i < 7; ++i) {
        SCOPED_TRACE(fields[i].field);
        EXPECT_EQ(r.fieldIndex(QString(fields[i].field).toLower()), i);
        EXPECT_EQ(r.fieldName(i), fields[i].field);
        EXPECT_EQ(r.fieldType(i), fields[i].type);
        EXPECT_EQ(r.fieldSize(i), fields[i].size);
    }
    EXPECT_EQ(r.value(0, "JE"), QVariant(200.5));
    EXPECT_EQ(r.value(1, "JE"), QVariant(30.0)); // a whole sum is still a Decimal
    EXPECT_EQ(r.value(1, "JE").typeId(), QMetaType::Double);
    EXPECT_EQ(r.value(0, "N"), QVariant(qlonglong(2)));
    EXPECT_EQ(r.value(0, "AVGQ"), QVariant(1.5));
    EXPECT_EQ(r.value(1, "AVGQ"), QVariant(3.0));
    EXPECT_EQ(r.textView(0, 1), u"浪漫");
    EXPECT_EQ(r.value(1, "TAG"), QVariant("T2#"));

    r.setBinds({"T1"});
    ASSERT_TRUE(r.load());
    ASSERT_EQ(r.rowCount(), 2);
    EXPECT_EQ(r.value(1, "BM"), QVariant("T3"));
    EXPECT_TRUE(r.value(1, "JE").isNull()); // a package without lines sums to NULL
    EXPECT_EQ(r.value(1, "N"), QVariant(qlonglong(0)));
}

TEST_F(QueryResultTest, GivenFieldsAndMixedValues)
{
    QueryResult r("SELECT BM AS CODE, SL AS QTY, x FROM bm_tx "
                  "JOIN (SELECT 'P1' AS k, 1 AS x UNION ALL SELECT 'P2', 'a' UNION ALL SELECT 'P3', 2.5) ON k = BM "
                  "ORDER BY BM",
                  {}, {{"qty", Schema::Type::Integer, 0}, {"CODE", Schema::Type::Text, 10}});
    ASSERT_TRUE(r.load());
    ASSERT_EQ(r.rowCount(), 3);
    EXPECT_EQ(r.fieldType(0), Schema::Type::Text);
    EXPECT_EQ(r.fieldSize(0), 10);
    EXPECT_EQ(r.fieldType(1), Schema::Type::Integer);
    EXPECT_EQ(r.value(0, "QTY"), QVariant(qlonglong(2)));
    // Numbers among texts make a text column.
    EXPECT_EQ(r.fieldType(2), Schema::Type::Text);
    EXPECT_EQ(r.value(0, 2), QVariant("1"));
    EXPECT_EQ(r.value(1, 2), QVariant("a"));
    EXPECT_EQ(r.value(2, 2), QVariant("2.5"));
}

// A query over a table reads every value exactly as the record set over it.
TEST_F(QueryResultTest, ValuesAreTypedExactlyAsTheRecordSetTypesThem)
{
    Db::execSql("INSERT INTO bm_kh (BM, MC, KH, ZK, ZJF, LJXF, TSJ, QF, RQ, SR, HQ, BZ, DZ) VALUES "
                "('a', '', 123, 'abc', ' 12 ', x'3132', 2, 0.0, ' 2024-03-05 ', '', 20240305, NULL, 1.5), "
                "('b', 'Éa 张', '', 0.85, 7, -0.0, 'T', '', '2024-03-05 08:09:10', '  ', '2024-02-30', 'x\ny', '')");
    GridSpec s;
    s.table = "bm_kh";
    s.keyColumn = "BM";
    s.order = {{"BM"}};
    RecordSet set(s);
    ASSERT_TRUE(set.load());
    QueryResult r("SELECT * FROM bm_kh ORDER BY BM");
    ASSERT_TRUE(r.load());
    ASSERT_EQ(r.rowCount(), set.rowCount());
    ASSERT_EQ(r.fieldCount(), set.fieldCount());
    for (int f = 0; f < set.fieldCount(); ++f) {
        EXPECT_EQ(r.fieldType(f), set.fieldType(f)) << set.fieldName(f).toStdString();
        EXPECT_EQ(r.fieldSize(f), set.fieldSize(f)) << set.fieldName(f).toStdString();
        for (int row = 0; row < set.rowCount(); ++row) {
            const std::string where = QString("%1 row %2").arg(set.fieldName(f)).arg(row).toStdString();
            EXPECT_EQ(r.value(row, f).typeId(), set.value(row, f).typeId()) << where;
            EXPECT_EQ(r.value(row, f), set.value(row, f)) << where;
            EXPECT_EQ(r.textView(row, f), set.textView(row, f)) << where;
        }
    }
}

TEST_F(QueryResultTest, FailureLeavesNoRowsAndSaysWhy)
{
    QueryResult r("SELECT BM FROM bm_txlb WHERE BM = ?", {"T1"});
    ASSERT_TRUE(r.load());
    ASSERT_EQ(r.rowCount(), 1);
    QueryResult broken("SELECT NOPE FROM bm_txlb");
    const Outcome out = broken.load();
    EXPECT_FALSE(out.ok);
    EXPECT_TRUE(out.detail.contains("NOPE")) << out.detail.toStdString();
    EXPECT_EQ(broken.rowCount(), 0);
}
