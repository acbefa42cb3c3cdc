#include "core/db/database.h"
#include "core/db/schema.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSqlError>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>

namespace {

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// Runs SQL on a file through a connection of its own.
void change(const QString &file, const QStringList &statements)
{
    {
        QSqlDatabase db = Database::openOther(QStringLiteral("change"), file, false);
        QSqlQuery q(db);
        for (const QString &sql : statements)
            EXPECT_TRUE(q.exec(sql)) << sql.toStdString() << ": " << q.lastError().text().toStdString();
    }
    Database::closeOther(QStringLiteral("change"));
}

class StartupTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        delivered = new QTemporaryDir;
        QString error;
        ASSERT_TRUE(Database::createDelivered(delivered->path() + QStringLiteral("/data.db"), &error)) << error.toStdString();
    }
    static void TearDownTestSuite()
    {
        delete delivered;
        delivered = nullptr;
    }
    void TearDown() override { Database::close(); }

    // A fresh copy of the delivered database as data/data.db.
    QString freshFile()
    {
        QDir(dir.path()).mkpath(QStringLiteral("data"));
        const QString file = dir.path() + QStringLiteral("/data/data.db");
        QFile::remove(file);
        EXPECT_TRUE(QFile::copy(delivered->path() + QStringLiteral("/data.db"), file));
        QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner);
        return file;
    }

    static QTemporaryDir *delivered;
    QTemporaryDir dir;
};
QTemporaryDir *StartupTest::delivered = nullptr;

TEST_F(StartupTest, AFileTheProgramCannotTakeIsRefusedInItsOwnWordsAndLeftAsItWas)
{
    using P = Database::Problem;
    const QString damaged = QStringLiteral("数据文件已损坏：");
    const QString newer = QStringLiteral("数据文件的版本比本程序新，请升级程序后再打开。");
    const QString foreign = QStringLiteral("不是本系统的数据库文件：");
    struct Case
    {
        const char *what;
        std::function<void(const QString &)> spoil;
        P problem;
        QString messageStart;
    };
    const Case cases[] = {
        {"header overwritten",
         [](const QString &f) {
             QByteArray b = readFile(f);
             b.replace(0, 100, QByteArray(100, '\x13'));
             writeFile(f, b);
         },
         P::Damaged, damaged},
        {"text instead of a database", [](const QString &f) { writeFile(f, QByteArray(5000, 'a')); }, P::Damaged, damaged},
        {"written by a newer program",
         [](const QString &f) { change(f, {QStringLiteral("UPDATE helan_schema SET version = %1").arg(Schema::currentVersion + 1)}); },
         P::Newer, newer},
        {"version row but not the program's tables",
         [](const QString &f) { change(f, {QStringLiteral("DROP TABLE bm_yg"), QStringLiteral("DROP TABLE bm_kh")}); },
         P::Foreign, foreign},
        {"another program's database",
         [](const QString &f) {
             QFile::remove(f);
             change(f, {QStringLiteral("CREATE TABLE t (x)")});
         },
         P::Foreign, foreign},
        {"empty file", [](const QString &f) { writeFile(f, QByteArray()); }, P::Foreign, foreign},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const QString file = freshFile();
        c.spoil(file);
        const QByteArray before = readFile(file);

        EXPECT_FALSE(Database::open(file));

        EXPECT_FALSE(Database::isOpen());
        EXPECT_EQ(Database::lastProblem(), c.problem);
        const Outcome why = Database::lastFailure();
        EXPECT_TRUE(why.message.startsWith(c.messageStart)) << why.text().toStdString();
        EXPECT_TRUE(why.message.contains(file)) << why.text().toStdString();
        EXPECT_FALSE(why.detail.isEmpty());
        EXPECT_EQ(Database::lastError(), why.text());
        if (c.problem == P::Damaged) // what to do, not only what went wrong
            EXPECT_TRUE(why.message.contains(QStringLiteral("backup"))) << why.text().toStdString();
        EXPECT_EQ(readFile(file), before);
        EXPECT_FALSE(QFileInfo::exists(file + QStringLiteral("-wal")));
    }
}

TEST_F(StartupTest, AnOlderFileIsBroughtUpToTheProgramsVersion)
{
    const QString file = freshFile();
    change(file, {QStringLiteral("ALTER TABLE bm_yg DROP COLUMN DLLP"), QStringLiteral("UPDATE helan_schema SET version = 3")});

    ASSERT_TRUE(Database::open(file)) << Database::lastError().toStdString();
    EXPECT_EQ(Schema::version(Database::db()), Schema::currentVersion);
    EXPECT_EQ(Db::scalarSql(QStringLiteral("SELECT COUNT(*) FROM pragma_table_info('bm_yg') WHERE name = 'DLLP'")).toInt(), 1);
    EXPECT_EQ(Db::scalarSql(QStringLiteral("PRAGMA journal_mode")).toString(), QStringLiteral("wal"));

    // Opening it again finds nothing left to do.
    Database::close();
    ASSERT_TRUE(Database::open(file)) << Database::lastError().toStdString();
    EXPECT_EQ(Schema::version(Database::db()), Schema::currentVersion);
}

TEST_F(StartupTest, AMigrationStepThatCannotFinishLeavesTheFileAtItsVersion)
{
    const QString file = freshFile();
    change(file, {QStringLiteral("ALTER TABLE bm_yg DROP COLUMN DLLP"), QStringLiteral("UPDATE helan_schema SET version = 3"),
                  // The bump of the version row fails after the step itself has run.
                  QStringLiteral("CREATE TRIGGER no_bump BEFORE UPDATE ON helan_schema BEGIN SELECT RAISE(ABORT, 'version row held'); END")});

    EXPECT_FALSE(Database::open(file));
    EXPECT_TRUE(Database::lastFailure().detail.contains(QStringLiteral("version row held"))) << Database::lastError().toStdString();

    QSqlDatabase db = Database::openOther(QStringLiteral("look"), file, true);
    EXPECT_EQ(Schema::version(db), 3);
    QSqlQuery q(db);
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT COUNT(*) FROM pragma_table_info('bm_yg') WHERE name = 'DLLP'")) && q.next());
    EXPECT_EQ(q.value(0).toInt(), 0); // the step's own change went with it
    q.finish();
    db = QSqlDatabase();
    Database::closeOther(QStringLiteral("look"));
}

} // namespace
