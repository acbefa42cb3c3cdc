#include "support/temp_home.h"

#include "core/db/database.h"
#include "core/db/record_set.h"
#include "core/db/transaction.h"

namespace {

QStringList hotels()
{
    QStringList out;
    QSqlQuery q = Db::execSql("SELECT BM FROM bm_xm ORDER BY BM");
    while (q.next())
        out << q.value(0).toString();
    return out;
}

void addHotel(const QString &code) { Db::execSql("INSERT INTO bm_xm (BM, MC) VALUES (?, ?)", {code, code}); }

using TransactionTest = TempHome;

} // namespace

TEST_F(TransactionTest, InnerGuardsUndoOnlyTheirOwnPart)
{
    {
        Transaction outer;
        ASSERT_TRUE(outer.active());
        EXPECT_TRUE(outer.isOutermost());
        addHotel("A");
        {
            Transaction inner;
            ASSERT_TRUE(inner.active());
            EXPECT_FALSE(inner.isOutermost());
            EXPECT_EQ(Transaction::depth(), 2);
            addHotel("B");
            inner.rollback();
        }
        {
            Transaction inner; // destroyed uncommitted: the same as a rollback
            addHotel("C");
        }
        {
            Transaction inner;
            addHotel("D");
            {
                Transaction innermost;
                addHotel("E");
                ASSERT_TRUE(innermost.commit());
            }
            ASSERT_TRUE(inner.commit());
        }
        EXPECT_EQ(hotels(), QStringList({"A", "D", "E"}));
        EXPECT_EQ(Transaction::depth(), 1);
        ASSERT_TRUE(outer.commit());
    }
    EXPECT_EQ(Transaction::depth(), 0);
    EXPECT_EQ(hotels(), QStringList({"A", "D", "E"}));

    // Committed inner parts are undone with the outer transaction.
    {
        Transaction outer;
        addHotel("F");
        Transaction inner;
        addHotel("G");
        ASSERT_TRUE(inner.commit());
    }
    EXPECT_EQ(hotels(), QStringList({"A", "D", "E"}));
}

// The outermost guard takes the write lock when it begins, so a second writer
// is refused at its BEGIN, not half-way through its work; the refused guard
// is inactive and its commit says why.
TEST_F(TransactionTest, RefusedBeginLeavesTheGuardInactiveWithTheReason)
{
    {
        QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "tx_other");
        other.setDatabaseName(Database::file());
        other.setConnectOptions("QSQLITE_BUSY_TIMEOUT=1"); // refused at once rather than after a wait
        ASSERT_TRUE(other.open());
        Transaction writer;
        ASSERT_TRUE(writer.active());
        Transaction second(other); // another connection: its own outermost level
        EXPECT_FALSE(second.active());
        EXPECT_EQ(Transaction::depth(other), 0);
        const Outcome out = second.commit();
        EXPECT_FALSE(out.ok);
        EXPECT_TRUE(out.detail.contains("locked", Qt::CaseInsensitive)) << out.detail.toStdString();
        QString error;
        EXPECT_FALSE(second.commit(&error));
        EXPECT_FALSE(error.isEmpty());
        second.rollback();
        writer.rollback();
        other.close();
    }
    QSqlDatabase::removeDatabase("tx_other");

    Database::close();
    Transaction closed;
    EXPECT_FALSE(closed.active());
    EXPECT_FALSE(closed.commit().ok);
}

TEST_F(TransactionTest, CommittedActionsWaitForTheOutermostCommit)
{
    QObject context;
    QStringList ran;
    Transaction::whenCommitted(Database::db(), &context, [&] { ran << "at once"; });
    EXPECT_EQ(ran, QStringList({"at once"}));
    {
        Transaction outer;
        {
            Transaction inner;
            Transaction::whenCommitted(Database::db(), &context, [&] { ran << "kept"; });
            ASSERT_TRUE(inner.commit());
        }
        {
            Transaction inner;
            Transaction::whenCommitted(Database::db(), &context, [&] { ran << "undone"; });
        }
        {
            QObject gone;
            Transaction::whenCommitted(Database::db(), &gone, [&] { ran << "gone"; });
        }
        EXPECT_EQ(ran.size(), 1);
        ASSERT_TRUE(outer.commit());
    }
    EXPECT_EQ(ran, QStringList({"at once", "kept"}));
    {
        Transaction outer;
        Transaction::whenCommitted(Database::db(), &context, [&] { ran << "rolled back"; });
    }
    EXPECT_EQ(ran.size(), 2);
}

namespace {

// A package (bm_txlb) and its lines (bm_tx), saved by the caller as one.
class PackageSaveTest : public TempHome
{
protected:
    void SetUp() override
    {
        TempHome::SetUp();
        GridSpec head;
        head.table = "bm_txlb";
        head.keyColumn = "BM";
        head.order = {{"BM"}};
        packages = std::make_unique<RecordSet>(head);
        GridSpec lines;
        lines.table = "bm_tx";
        lines.conditions = {{"LB", GridCondition::Op::Equal, "T1"}};
        lines.order = {{"ID"}};
        this->lines = std::make_unique<RecordSet>(lines);
        ASSERT_TRUE(packages->load());
        ASSERT_TRUE(this->lines->load());
        const int p = packages->insertRow();
        packages->setValue(p, "BM", "T1");
        packages->setValue(p, "MC", "浪漫套系");
        for (const char *product : {"P1", "P2"}) {
            const int l = this->lines->insertRow();
            this->lines->setValue(l, "BM", product);
            this->lines->setValue(l, "LB", "T1");
            this->lines->setValue(l, "SL", 1);
        }
    }
    int count(const char *table) { return Db::scalarSql(QString("SELECT COUNT(*) FROM %1").arg(table)).toInt(); }

    std::unique_ptr<RecordSet> packages;
    std::unique_ptr<RecordSet> lines;
};

} // namespace

TEST_F(PackageSaveTest, BothSetsCommitTogether)
{
    const int before = count("bm_txlb");
    {
        Transaction tx;
        ASSERT_TRUE(packages->save());
        ASSERT_TRUE(lines->save());
        // Not saved yet for the sets: the caller's transaction may still fail.
        EXPECT_TRUE(packages->isDirty());
        EXPECT_TRUE(lines->value(0, "ID").isNull());
        ASSERT_TRUE(tx.commit());
    }
    EXPECT_FALSE(packages->isDirty());
    EXPECT_FALSE(lines->isDirty());
    EXPECT_EQ(count("bm_txlb"), before + 1);
    EXPECT_EQ(count("bm_tx"), 2);
    // The lines learnt their keys, by which a later edit finds them.
    ASSERT_FALSE(lines->value(1, "ID").isNull());
    lines->setValue(1, "SL", 3);
    ASSERT_TRUE(lines->save());
    EXPECT_EQ(Db::scalarSql("SELECT SL FROM bm_tx WHERE BM = 'P2'").toDouble(), 3.0);
    EXPECT_EQ(count("bm_tx"), 2);
}

TEST_F(PackageSaveTest, AFailureOfEitherKeepsBothUnwrittenAndPending)
{
    Db::execSql("INSERT INTO bm_txlb (BM, MC) VALUES ('t1', '已有')"); // the header's code, in another case
    {
        Transaction tx;
        ASSERT_TRUE(lines->save());
        const Outcome header = packages->save();
        EXPECT_EQ(header.message, "编码存在重复无法保存，请删除重复后重试");
        // The caller gives up: nothing of either reaches the tables.
    }
    EXPECT_EQ(count("bm_tx"), 0);
    EXPECT_TRUE(lines->isDirty());
    EXPECT_EQ(lines->rowState(0), RecordSet::RowState::Inserted);
    EXPECT_TRUE(packages->isDirty());

    // Corrected, the same pending rows are written once.
    Db::execSql("DELETE FROM bm_txlb WHERE BM = 't1'");
    {
        Transaction tx;
        ASSERT_TRUE(packages->save());
        ASSERT_TRUE(lines->save());
        ASSERT_TRUE(tx.commit());
    }
    EXPECT_EQ(count("bm_tx"), 2);
    EXPECT_EQ(Db::scalarSql("SELECT MC FROM bm_txlb WHERE BM = 'T1'").toString(), "浪漫套系");
    EXPECT_FALSE(lines->isDirty());
}

// A guard kept beyond its scope must not leave the connection stuck inside a
// transaction: the guard around it ends both levels.
TEST_F(TransactionTest, AnInnerGuardOutlivingItsOuterOneLeavesNothingOpen)
{
    auto outer = std::make_unique<Transaction>();
    addHotel("A");
    auto inner = std::make_unique<Transaction>();
    addHotel("B");
    EXPECT_FALSE(outer->commit().ok); // the inner part is not committed, so neither is the whole
    EXPECT_EQ(Transaction::depth(), 0);
    EXPECT_FALSE(inner->commit().ok);
    inner.reset();
    outer.reset();
    EXPECT_TRUE(hotels().isEmpty());

    // The next transaction is a real one again.
    Transaction next;
    addHotel("C");
    ASSERT_TRUE(next.commit());
    EXPECT_EQ(hotels(), QStringList({"C"}));
}
