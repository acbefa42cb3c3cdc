#include "core/db/database.h"
#include "core/db/schema.h"
#include "core/home.h"
#include "core/session.h"
#include "core/settings.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/file.h>
#include <fcntl.h>
#include <unistd.h>

namespace {

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

class HomeTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        App::reset();
    }
    void TearDown() override
    {
        Database::close();
        App::reset();
    }
    QString at(const QString &relative) const { return dir.path() + QLatin1Char('/') + relative; }
    QTemporaryDir dir;
};

// ---- the one-program-per-home lock

TEST_F(HomeTest, ALockLeftByACrashIsTakenOver)
{
    // A process that has ended, for a lock written by a program that died.
    QProcess gone;
    gone.start(QStringLiteral("true"));
    ASSERT_TRUE(gone.waitForStarted());
    const qint64 deadPid = gone.processId();
    ASSERT_TRUE(gone.waitForFinished());

    struct Case
    {
        const char *what;
        QByteArray content;
    };
    const Case cases[] = {
        {"empty (crash while it was written)", QByteArray()},
        {"unreadable garbage", QByteArray("\xff\xfe garbage")},
        {"of a process that is gone",
         QByteArray::number(deadPid) + "\nhelan\n" + QSysInfo::machineHostName().toUtf8() + "\n"},
    };
    const Home home(dir.path());
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        writeFile(home.lockFile(), c.content);
        QLockFile lock(home.lockFile());
        const Outcome taken = home.takeLock(lock);
        EXPECT_TRUE(taken.ok) << taken.text().toStdString();
        EXPECT_TRUE(lock.isLocked());
    }
}

TEST_F(HomeTest, ARunningProgramKeepsItsLock)
{
    const Home home(dir.path());
    QLockFile first(home.lockFile());
    ASSERT_TRUE(home.takeLock(first).ok);

    QLockFile second(home.lockFile());
    const Outcome refused = home.takeLock(second);
    EXPECT_FALSE(refused.ok);
    EXPECT_EQ(refused.message, QStringLiteral("程序已运行！"));
    EXPECT_TRUE(QFileInfo::exists(home.lockFile()));

    // An empty lock file that a living program holds (it is still writing it) stays too.
    first.unlock();
    writeFile(home.lockFile(), QByteArray());
    const int fd = ::open(QFile::encodeName(home.lockFile()).constData(), O_RDWR);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
    QLockFile third(home.lockFile());
    EXPECT_EQ(home.takeLock(third).message, QStringLiteral("程序已运行！"));
    ::close(fd);
}

TEST_F(HomeTest, AHomeThatCannotBeWrittenIsSaidSo)
{
    // A home below a plain file can never be made, whoever runs the test.
    writeFile(at(QStringLiteral("plain")), "x");
    const Home below(at(QStringLiteral("plain/home")));
    QLockFile lock(below.lockFile());
    EXPECT_EQ(below.takeLock(lock).message, QStringLiteral("程序目录不可写：") + below.root());

    if (::geteuid() == 0)
        GTEST_SKIP() << "the administrator writes into read-only folders";
    QDir().mkpath(at(QStringLiteral("ro")));
    QFile::setPermissions(at(QStringLiteral("ro")), QFile::ReadOwner | QFile::ExeOwner);
    const Home readOnly(at(QStringLiteral("ro")));
    QLockFile roLock(readOnly.lockFile());
    EXPECT_EQ(readOnly.takeLock(roLock).message, QStringLiteral("程序目录不可写：") + readOnly.root());
    QFile::setPermissions(at(QStringLiteral("ro")), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// ---- the first start

TEST_F(HomeTest, AFirstStartInterruptedByACrashIsCompletedNextTime)
{
    // What a crash while the delivered database was being built leaves: the
    // data folder with a half-built database under its temporary name.
    const Home home(dir.path());
    QDir().mkpath(at(QStringLiteral("data")));
    writeFile(at(QStringLiteral("data/.data.db.0badf00d.tmp")), QByteArray(8192, '\0'));
    writeFile(at(QStringLiteral("data/.data.db.0badf00d.tmp-journal")), "half");

    QString error;
    ASSERT_TRUE(home.prepare(&error)) << error.toStdString();
    ASSERT_TRUE(Database::open(home.defaultDataFile())) << Database::lastError().toStdString();
    EXPECT_EQ(Schema::version(Database::db()), Schema::currentVersion);
    EXPECT_EQ(Db::scalarSql(QStringLiteral("SELECT DLMC FROM bm_yg WHERE BM = '000'")).toString(), QStringLiteral("sa"));
}

TEST_F(HomeTest, AHomeInUseThatLostItsDatabaseGetsNoEmptyOne)
{
    const Home home(dir.path());
    QDir().mkpath(at(QStringLiteral("data")));
    Settings(home.iniFile()).setInt(QStringLiteral("dl"), QStringLiteral("cs"), 12);
    QString error;
    ASSERT_TRUE(home.prepare(&error)) << error.toStdString();
    EXPECT_FALSE(QFileInfo::exists(home.defaultDataFile()));
    EXPECT_FALSE(Database::open(home.defaultDataFile()));
    EXPECT_EQ(Database::lastProblem(), Database::Problem::Missing);
}

TEST_F(HomeTest, TheDeliveredDatabaseAppearsWholeUnderItsName)
{
    const QString file = at(QStringLiteral("new/data.db"));
    QDir().mkpath(at(QStringLiteral("new")));
    QString error;
    ASSERT_TRUE(Database::createDelivered(file, &error)) << error.toStdString();
    // Nothing beside it: no journal, no temporary file.
    EXPECT_EQ(QDir(at(QStringLiteral("new"))).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("data.db")});
    ASSERT_TRUE(Database::open(file)) << Database::lastError().toStdString();
    EXPECT_EQ(Schema::version(Database::db()), Schema::currentVersion);
    EXPECT_GT(Db::scalarSql(QStringLiteral("SELECT COUNT(*) FROM gg_dj")).toInt(), 0);
}

// ---- leftovers of interrupted work

TEST_F(HomeTest, LeftoversOfInterruptedWorkAreRemovedAndNothingElse)
{
    const Home home(dir.path());
    for (const char *folder : {"data", "backup", "elsewhere"})
        QDir().mkpath(at(QString::fromLatin1(folder)));
    const QStringList leftovers = {
        QStringLiteral(".Default.ini.1a2b3c4d.tmp"),           QStringLiteral("data/.data.db.00ff00ff.tmp"),
        QStringLiteral("data/.data.db.00ff00ff.tmp-journal"), QStringLiteral("backup/.星期五.bak.deadbeef.tmp"),
        QStringLiteral("backup/.恢复前_20250314_183005.bak.0000abcd.tmp"),
    };
    const QStringList kept = {
        QStringLiteral("Default.ini"),          QStringLiteral("data/data.db"),       QStringLiteral("data/data.db-wal"),
        QStringLiteral("backup/星期五.bak"),     QStringLiteral("backup/x.tmp"),        QStringLiteral("backup/.hidden"),
        QStringLiteral("backup/.a.bak.xyz.tmp"), QStringLiteral("data/.data.db.12345678.tmp.old"),
    };
    for (const QString &f : leftovers + kept)
        writeFile(at(f), "x");
    // Beside a database kept elsewhere another program may be at work: only old leftovers go.
    const QString fresh = at(QStringLiteral("elsewhere/.shared.db.11111111.tmp"));
    const QString stale = at(QStringLiteral("elsewhere/.shared.db.22222222.tmp"));
    writeFile(fresh, "x");
    writeFile(stale, "x");
    {
        QFile f(stale);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(QDateTime::currentDateTime().addSecs(-2 * 3600), QFileDevice::FileModificationTime));
    }

    const QStringList removed = home.removeLeftovers(at(QStringLiteral("elsewhere/shared.db")));

    for (const QString &f : leftovers)
        EXPECT_FALSE(QFileInfo::exists(at(f))) << f.toStdString();
    for (const QString &f : kept)
        EXPECT_TRUE(QFileInfo::exists(at(f))) << f.toStdString();
    EXPECT_TRUE(QFileInfo::exists(fresh));
    EXPECT_FALSE(QFileInfo::exists(stale));
    EXPECT_EQ(removed.size(), leftovers.size() + 1);
}

} // namespace
