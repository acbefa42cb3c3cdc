// Hotels and halls, points goods and suppliers: plain grids whose new rows
// must hold values the rest of the program relies on.
#include "masterdata/hotel_list.h"
#include "masterdata/points_goods.h"
#include "masterdata/supplier_list.h"

#include "core/db/database.h"
#include "core/db/query_result.h"
#include "core/db/record_set.h"
#include "support/temp_home.h"

namespace {

using SmallListsTest = TempHome;

QStringList codesOf(const QueryText &q)
{
    QueryResult r(q.sql, q.binds);
    EXPECT_TRUE(r.load().ok);
    QStringList codes;
    for (int row = 0; row < r.rowCount(); ++row)
        codes << r.value(row, "BM").toString();
    return codes;
}

TEST_F(SmallListsTest, HotelAddedInTheWindowIsAnExpenseItemOnly)
{
    Db::execSql("INSERT INTO bm_xm (BM, MC, SZ) VALUES ('S1', ?, 0)", {QString::fromUtf8("场地租金收入")});
    RecordSet hotels(HotelList::spec());
    ASSERT_TRUE(hotels.load().ok);
    const int row = hotels.insertRow();
    hotels.setValue(row, "BM", "H1");
    hotels.setValue(row, "MC", QString::fromUtf8("金陵饭店宴会厅"));
    ASSERT_TRUE(hotels.save().ok);

    EXPECT_EQ(codesOf(HotelList::itemsQuery(true)), QStringList{"H1"});
    EXPECT_EQ(codesOf(HotelList::itemsQuery(false)), QStringList{"S1"});
}

// Stock and supplier totals move by relative updates; an empty value would
// swallow every one of them.
TEST_F(SmallListsTest, NewRowsStartAtZeroWhereDocumentsBook)
{
    struct Case
    {
        const char *what;
        GridSpec spec;
        const char *update; // a document's relative booking on row "N1"
        const char *field;
        double expected;
    };
    const Case cases[] = {
        {"points goods stock", PointsGoods::spec(), "UPDATE bm_jfsp SET KCSL = KCSL - 2 WHERE BM = 'N1'", "KCSL", -2},
        {"supplier total", SupplierList::spec(), "UPDATE bm_ghs SET LJJE = LJJE + 500 WHERE BM = 'N1'", "LJJE", 500},
        {"supplier debt", SupplierList::spec(), "UPDATE bm_ghs SET ZHQK = ZHQK + 80 WHERE BM = 'N1'", "ZHQK", 80},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        RecordSet set(c.spec);
        ASSERT_TRUE(set.load().ok);
        const int row = set.insertRow();
        set.setValue(row, "BM", "N1");
        ASSERT_TRUE(set.save().ok);
        Db::execSql(QString::fromLatin1(c.update));
        EXPECT_DOUBLE_EQ(Db::scalarSql(QStringLiteral("SELECT %1 FROM %2 WHERE BM = 'N1'").arg(c.field, c.spec.table))
                             .toDouble(),
                         c.expected);
        EXPECT_FALSE(Db::scalarSql(QStringLiteral("SELECT %1 FROM %2 WHERE BM = 'N1'").arg(c.field, c.spec.table))
                         .isNull());
        Db::execSql(QStringLiteral("DELETE FROM %1 WHERE BM = 'N1'").arg(c.spec.table));
    }
}

TEST_F(SmallListsTest, SupplierCountIsOfStoredSuppliers)
{
    int count = -1;
    ASSERT_TRUE(SupplierList::storedCount(&count).ok);
    EXPECT_EQ(count, 1); // the delivered 通用供货商

    RecordSet set(SupplierList::spec());
    ASSERT_TRUE(set.load().ok);
    set.setValue(set.insertRow(), "BM", "002");
    ASSERT_TRUE(SupplierList::storedCount(&count).ok);
    EXPECT_EQ(count, 1);
    ASSERT_TRUE(set.save().ok);
    ASSERT_TRUE(SupplierList::storedCount(&count).ok);
    EXPECT_EQ(count, 2);
}

} // namespace
