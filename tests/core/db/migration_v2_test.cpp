#include "support/temp_home.h"

#include "core/db/database.h"
#include "core/db/schema.h"
#include "core/db/transaction.h"

#include <QSqlRecord>

namespace {

QStringList rows(const QString &sql)
{
    QStringList out;
    QSqlQuery q = Db::execSql(sql);
    while (q.next()) {
        QStringList values;
        for (int i = 0; i < q.record().count(); ++i)
            values << (q.isNull(i) ? QStringLiteral("<null>") : q.value(i).toString());
        out << values.join('|');
    }
    return out;
}

using MigrationV2Test = TempHome;

} // namespace

// A file of the first version: package lines and the pinyin table as they
// were, without a key, with a column and an index a user's script added, and
// a row deleted in between (rowids with a gap).
TEST_F(MigrationV2Test, TablesWithoutACodeGainAKeyAndKeepEveryRowInOrder)
{
    Db::execSql("DROP TABLE bm_tx");
    Db::execSql("CREATE TABLE bm_tx (BM VARCHAR(50) COLLATE NOCASE, MC VARCHAR(50) COLLATE NOCASE, "
                "SL DECIMAL(18,2), DJ DECIMAL(18,2), LB VARCHAR(50) COLLATE NOCASE, BZ2 TEXT)");
    Db::execSql("CREATE INDEX ix_bm_tx_LB ON bm_tx (LB)");
    Db::execSql("CREATE INDEX user_tx_mc ON bm_tx (MC)");
    Db::execSql("INSERT INTO bm_tx (BM, MC, SL, DJ, LB, BZ2) VALUES ('P1', '甲', 1, 10, 'T1', 'x'), "
                "('P9', '删', 1, 1, 'T1', NULL), ('P1', '甲', 1, 10, 'T1', 'x'), ('P2', '乙', 2.5, 3.25, 'T2', NULL)");
    Db::execSql("DELETE FROM bm_tx WHERE BM = 'P9'");
    Db::execSql("DROP TABLE BM_JP");
    Db::execSql("CREATE TABLE BM_JP (mc TEXT COLLATE NOCASE, jp TEXT COLLATE NOCASE)");
    Db::execSql("INSERT INTO BM_JP (mc, jp) VALUES ('丢', 'diu')");
    const QStringList before = rows("SELECT rowid, BM, MC, SL, DJ, LB, BZ2 FROM bm_tx ORDER BY rowid");

    for (int run = 0; run < 2; ++run) { // a second run finds the work done
        SCOPED_TRACE(run);
        Transaction tx; // as the migration runner calls it
        QString error;
        ASSERT_TRUE(Schema::migrateToV2(Database::db(), &error)) << error.toStdString();
        ASSERT_TRUE(tx.commit());
        for (const char *table : {"bm_tx", "BM_JP", "gg_xtb"})
            EXPECT_EQ(rows(QString("SELECT name, type, pk FROM pragma_table_info('%1') WHERE pk > 0").arg(table)),
                      QStringList({"ID|INTEGER|1"}))
                << table;
        EXPECT_EQ(rows("SELECT ID, BM, MC, SL, DJ, LB, BZ2 FROM bm_tx ORDER BY ID"), before);
        EXPECT_EQ(rows("SELECT ID, mc, jp FROM BM_JP"), QStringList({"1|丢|diu"}));
        EXPECT_EQ(rows("SELECT name FROM sqlite_master WHERE type = 'index' AND tbl_name = 'bm_tx' ORDER BY name"),
                  QStringList({"ix_bm_tx_BM", "ix_bm_tx_LB", "user_tx_mc"}));
        EXPECT_EQ(Db::scalarSql("SELECT COUNT(*) FROM sqlite_master WHERE name LIKE '%_v2'").toInt(), 0);
    }
    // A new line is given the next key.
    Db::execSql("INSERT INTO bm_tx (BM, LB) VALUES ('P3', 'T2')");
    EXPECT_EQ(Db::scalarSql("SELECT ID FROM bm_tx WHERE BM = 'P3'").toInt(), 5);
}
