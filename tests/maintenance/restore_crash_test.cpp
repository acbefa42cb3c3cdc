#include "maintenance/backup.h"

#include "core/db/database.h"
#include "core/home.h"
#include "core/session.h"
#include "support/temp_home.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QThread>

#include <cstdio>

namespace {

const char *const crashHome = "HELAN_CRASH_HOME";

// Run as a child of the test below (this same binary): restores the two
// backups of the home in turn, announcing each, until it is killed.
TEST(RestoreCrashChild, RestoresUntilKilled)
{
    const QString home = qEnvironmentVariable(crashHome);
    if (home.isEmpty())
        GTEST_SKIP() << "the child of RestoreCrashTest";
    App::setHome(home);
    ASSERT_TRUE(Database::open(App::home().defaultDataFile())) << Database::lastError().toStdString();
    for (int i = 0; i < 40; ++i) {
        const QString chosen = home + (i % 2 ? QStringLiteral("/few.bak") : QStringLiteral("/many.bak"));
        const Outcome restored = Backup::restoreFrom(chosen);
        ASSERT_TRUE(restored.ok) << restored.text().toStdString();
        std::printf("restored\n");
        std::fflush(stdout);
    }
    QThread::sleep(60);
}

class RestoreCrashTest : public TempHome
{
protected:
    int members(QSqlDatabase db)
    {
        QSqlQuery q(db);
        return q.exec(QStringLiteral("SELECT COUNT(*) FROM bm_kh")) && q.next() ? q.value(0).toInt() : -1;
    }
    void addMembers(int count)
    {
        Transaction tx;
        for (int i = 0; i < count; ++i)
            Db::execSql(QStringLiteral("INSERT INTO bm_kh (BM, MC, BZ) VALUES (?, ?, ?)"),
                        {QStringLiteral("K%1").arg(i, 6, 10, QLatin1Char('0')), QStringLiteral("客户%1").arg(i),
                         QString(200, QLatin1Char('x'))});
        ASSERT_TRUE(tx.commit());
    }
};

TEST_F(RestoreCrashTest, AKillDuringARestoreLeavesTheOldDataOrTheRestored)
{
    QString error;
    addMembers(10);
    ASSERT_TRUE(Backup::copyDatabaseTo(homePath(QStringLiteral("few.bak")), &error)) << error.toStdString();
    const int few = Db::scalarSql(QStringLiteral("SELECT COUNT(*) FROM bm_kh")).toInt();
    Db::execSql(QStringLiteral("DELETE FROM bm_kh WHERE BM LIKE 'K%'"));
    addMembers(4000);
    ASSERT_TRUE(Backup::copyDatabaseTo(homePath(QStringLiteral("many.bak")), &error)) << error.toStdString();
    const int many = Db::scalarSql(QStringLiteral("SELECT COUNT(*) FROM bm_kh")).toInt();
    Database::close();

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(crashHome), homePath());
    for (int round = 0; round < 12; ++round) {
        SCOPED_TRACE(round);
        QProcess child;
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--gtest_filter=RestoreCrashChild.*")});
        ASSERT_TRUE(child.waitForStarted());
        // Killed after a few restores, at a moment that falls anywhere in the next.
        const int announcements = 1 + round % 3;
        QByteArray said;
        while (said.count("restored") < announcements && child.state() == QProcess::Running) {
            child.waitForReadyRead(10000);
            said += child.readAllStandardOutput();
        }
        ASSERT_GE(said.count("restored"), announcements) << said.toStdString();
        QThread::msleep(QRandomGenerator::global()->bounded(40));
        child.kill();
        ASSERT_TRUE(child.waitForFinished());

        App::home().removeLeftovers(App::home().defaultDataFile());
        ASSERT_TRUE(Database::open(App::home().defaultDataFile())) << Database::lastError().toStdString();
        EXPECT_EQ(Db::scalarSql(QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));
        const int found = members(Database::db());
        EXPECT_TRUE(found == few || found == many) << found;
        Database::close();
        // The files kept before each restore are not what this test is about.
        for (const QString &kept : QDir(App::home().backupDir()).entryList(QDir::Files | QDir::Hidden))
            QFile::remove(App::home().backupDir() + QLatin1Char('/') + kept);
        const QStringList temporary = QDir(homePath(QStringLiteral("data")))
                                          .entryList(QDir::Files | QDir::Hidden)
                                          .filter(QStringLiteral(".tmp"));
        EXPECT_TRUE(temporary.isEmpty()) << temporary.join(QLatin1Char(' ')).toStdString();
    }
}

} // namespace
