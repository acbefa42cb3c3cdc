#include "maintenance/backup.h"

#include "core/clock.h"
#include "core/db/database.h"
#include "core/home.h"
#include "core/db/schema.h"
#include "core/session.h"
#include "support/temp_home.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlQuery>

namespace {

const QString pathError = QStringLiteral("备份路径错，自动备份到软件安装目录下面\"backup\"");
const QString restoreFailed = QStringLiteral("恢复失败，请重试!");

// Member count and whether the file is a sound database of this program, read
// on a connection of its own so that the program's connection is not involved.
struct FileState
{
    bool sound = false;
    int members = -1;
    QString qxqt;
};

FileState inspect(const QString &file)
{
    FileState s;
    {
        QSqlDatabase db = Database::openOther(QStringLiteral("inspect"), file, true);
        QSqlQuery q(db);
        s.sound = q.exec(QStringLiteral("PRAGMA quick_check")) && q.next() && q.value(0).toString() == "ok" &&
                  Schema::version(db) > 0;
        if (s.sound && q.exec(QStringLiteral("SELECT COUNT(*) FROM bm_kh")) && q.next())
            s.members = q.value(0).toInt();
        if (s.sound && q.exec(QStringLiteral("SELECT qxqt FROM bm_yg WHERE BM = '000'")) && q.next())
            s.qxqt = q.value(0).toString();
    }
    Database::closeOther(QStringLiteral("inspect"));
    return s;
}

int members() { return Db::scalarSql(QStringLiteral("SELECT COUNT(*) FROM bm_kh")).toInt(); }

void addMembers(int from, int count, int noteSize = 10)
{
    Transaction tx;
    for (int i = from; i < from + count; ++i)
        Db::execSql(QStringLiteral("INSERT INTO bm_kh (BM, MC, BZ) VALUES (?, ?, ?)"),
                {QStringLiteral("K%1").arg(i, 6, 10, QLatin1Char('0')), QStringLiteral("客户%1").arg(i),
                 QString(noteSize, QLatin1Char('x'))});
    ASSERT_TRUE(tx.commit());
}

void setBF(const QString &bf) { Db::execSql(QStringLiteral("UPDATE bm_gsxx SET BF = ?"), {bf}); }

QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

class BackupTest : public TempHome
{
protected:
    void SetUp() override
    {
        TempHome::SetUp();
        Clock::setFixed(QDateTime(QDate(2025, 3, 14), QTime(18, 30, 5))); // a Friday
    }
    QString backupDir() const { return App::home().backupDir(); }
};

TEST_F(BackupTest, ClosingBackupsWithoutAUsableFolderGoToTheHomeBackupFolder)
{
    for (const QString &bf : {QString(), QStringLiteral("/no/such/folder\\"), QStringLiteral("C:\\备份\\")}) {
        SCOPED_TRACE(bf.toStdString());
        setBF(bf);
        // The home's backup folder may have been deleted by hand: it is made again.
        QDir(backupDir()).removeRecursively();
        prompt->clear();

        Backup::runClosingBackups(true);

        EXPECT_EQ(prompt->texts_shown(), QStringList{pathError});
        EXPECT_EQ(filesIn(backupDir()), (QStringList{QStringLiteral("20250314.bak"), QStringLiteral("星期五.bak")}));
        EXPECT_TRUE(inspect(backupDir() + QStringLiteral("/20250314.bak")).sound);
        EXPECT_TRUE(inspect(backupDir() + QStringLiteral("/星期五.bak")).sound);
    }
}

TEST_F(BackupTest, ClosingBackupsGoToTheCompanyFolderWhateverItsEnding)
{
    QDir(homePath()).mkpath(QStringLiteral("公司备份"));
    const QString folder = homePath(QStringLiteral("公司备份"));
    for (const QString &bf : {folder + QStringLiteral("\\"), folder + QStringLiteral("/"), folder,
                              QStringLiteral("公司备份\\")}) {
        SCOPED_TRACE(bf.toStdString());
        setBF(bf);
        QDir(folder).removeRecursively();
        QDir(homePath()).mkpath(QStringLiteral("公司备份"));
        QDir(backupDir()).removeRecursively();
        prompt->clear();

        Backup::runClosingBackups(true);

        EXPECT_TRUE(prompt->shown.empty()) << prompt->texts_shown().join('|').toStdString();
        EXPECT_EQ(filesIn(folder), (QStringList{QStringLiteral("20250314.bak"), QStringLiteral("星期五.bak")}));
        EXPECT_TRUE(filesIn(backupDir()).isEmpty());
    }
}

TEST_F(BackupTest, CancelledCloseWritesOnlyTheWeekdayBackup)
{
    Backup::runClosingBackups(false);
    EXPECT_TRUE(prompt->shown.empty());
    EXPECT_EQ(filesIn(backupDir()), QStringList{QStringLiteral("星期五.bak")});
}

TEST_F(BackupTest, WeekdayBackupIsOverwrittenTheNextWeek)
{
    Clock::setFixed(QDateTime(QDate(2025, 3, 17), QTime(9, 0)));
    addMembers(1, 3);
    Backup::runClosingBackups(false);
    const QString monday = backupDir() + QStringLiteral("/星期一.bak");
    EXPECT_EQ(inspect(monday).members, members());

    Clock::setFixed(QDateTime(QDate(2025, 3, 24), QTime(9, 0)));
    addMembers(10, 5);
    Backup::runClosingBackups(false);

    EXPECT_EQ(inspect(monday).members, members());
    EXPECT_EQ(filesIn(backupDir()), QStringList{QStringLiteral("星期一.bak")}); // nothing left over beside it
    EXPECT_TRUE(prompt->shown.empty());
}

TEST_F(BackupTest, ClosingBackupsReportFailures)
{
    Database::close();
    Backup::runClosingBackups(true);
    EXPECT_EQ(prompt->texts_shown(),
              (QStringList{pathError, QStringLiteral("备份失败！"), QStringLiteral("备份失败，请重试！")}));
}

TEST_F(BackupTest, MenuBackupAlwaysAppendsBak)
{
    struct Case { QString given, written; };
    for (const Case &c : {Case{QStringLiteral("x.bak"), QStringLiteral("x.bak.bak")},
                          Case{QStringLiteral("月底"), QStringLiteral("月底.bak")}}) {
        SCOPED_TRACE(c.given.toStdString());
        const QString target = homePath(c.written);
        writeFile(target, "an older file of that name"); // replaced, not refused
        prompt->clear();
        prompt->chooseFile(homePath(c.given));

        Backup::runMenuBackup();

        EXPECT_EQ(prompt->texts_shown(), QStringList{QStringLiteral("备份成功！")});
        EXPECT_TRUE(inspect(target).sound);
        EXPECT_FALSE(QFileInfo::exists(homePath(c.given)));
    }

    prompt->clear();
    const QStringList before = filesIn(homePath());
    Backup::runMenuBackup(); // cancelled
    EXPECT_TRUE(prompt->shown.empty());
    EXPECT_EQ(filesIn(homePath()), before);

    prompt->chooseFile(homePath(QStringLiteral("no/such/folder/x")));
    Backup::runMenuBackup();
    EXPECT_EQ(prompt->texts_shown(), QStringList{QStringLiteral("备份失败，请重试！")});
}

TEST_F(BackupTest, BackupWhileQueriesAndATransactionAreOpenHoldsTheCommittedRows)
{
    addMembers(1, 200);
    const int committed = members();

    QSqlQuery reading(Database::db());
    reading.setForwardOnly(true);
    ASSERT_TRUE(reading.exec(QStringLiteral("SELECT BM FROM bm_kh ORDER BY BM")));
    ASSERT_TRUE(reading.next());
    Transaction tx;
    Db::execSql(QStringLiteral("INSERT INTO bm_kh (BM, MC) VALUES ('未提交', '未提交')"));

    const QString target = homePath(QStringLiteral("while-busy.bak"));
    QString error;
    ASSERT_TRUE(Backup::copyDatabaseTo(target, &error)) << error.toStdString();

    const FileState copy = inspect(target);
    EXPECT_TRUE(copy.sound);
    EXPECT_EQ(copy.members, committed);
    EXPECT_TRUE(reading.next()); // the program's own work goes on undisturbed
    EXPECT_TRUE(tx.commit());
    EXPECT_EQ(members(), committed + 1);

    // Never over the file in use.
    EXPECT_FALSE(Backup::copyDatabaseTo(Database::file(), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(members(), committed + 1);
}

TEST_F(BackupTest, RestoreRefusesFilesThatAreNotDatabasesOfThisProgram)
{
    addMembers(1, 4);
    const int before = members();

    const QString foreign = homePath(QStringLiteral("foreign.bak"));
    {
        QSqlDatabase db = Database::openOther(QStringLiteral("foreign"), foreign, false);
        QSqlQuery(db).exec(QStringLiteral("CREATE TABLE t (x)"));
    }
    Database::closeOther(QStringLiteral("foreign"));
    writeFile(homePath(QStringLiteral("text.bak")), "这不是数据库，只是一些文字。 not a database at all");
    writeFile(homePath(QStringLiteral("empty.bak")), QByteArray());
    QByteArray truncated;
    {
        QFile f(Database::file());
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        truncated = f.read(f.size() / 3);
    }
    writeFile(homePath(QStringLiteral("truncated.bak")), truncated);

    for (const QString &name : {QStringLiteral("text.bak"), QStringLiteral("empty.bak"), QStringLiteral("foreign.bak"),
                                QStringLiteral("truncated.bak"), QStringLiteral("missing.bak")}) {
        SCOPED_TRACE(name.toStdString());
        prompt->clear();
        prompt->chooseFile(homePath(name));

        Backup::runRestore();

        EXPECT_EQ(prompt->texts_shown(), QStringList{restoreFailed});
        ASSERT_TRUE(Database::isOpen());
        EXPECT_EQ(members(), before);
        EXPECT_TRUE(filesIn(backupDir()).isEmpty()); // nothing was replaced, so nothing kept
        EXPECT_EQ(filesIn(QFileInfo(Database::file()).absolutePath()).filter(QStringLiteral(".tmp")), QStringList());
    }

    prompt->clear();
    Backup::runRestore(); // cancelled
    EXPECT_TRUE(prompt->shown.empty());
}

TEST_F(BackupTest, RestoreBringsBackTheBackupAndKeepsTheReplacedData)
{
    loginAs(QStringLiteral("000"));
    addMembers(1, 2);
    const QString saved = backupDir() + QStringLiteral("/20250314.bak");
    QString error;
    ASSERT_TRUE(Backup::copyDatabaseTo(saved, &error)) << error.toStdString();
    const int inBackup = members();
    const QString rightsInBackup = App::session().qxqt;

    addMembers(100, 7);
    Db::execSql(QStringLiteral("UPDATE bm_yg SET qxqt = 'QX-10,' WHERE BM = '000'"));
    loginAs(QStringLiteral("000"));
    const int replaced = members();
    const QString file = Database::file();

    prompt->chooseFile(saved);
    Backup::runRestore();

    EXPECT_EQ(prompt->texts_shown(), QStringList{QStringLiteral("成功恢复数据！")});
    ASSERT_TRUE(Database::isOpen());
    EXPECT_EQ(Database::file(), file);
    EXPECT_EQ(members(), inBackup);
    EXPECT_EQ(App::session().qxqt, rightsInBackup);
    EXPECT_EQ(Db::scalarSql(QStringLiteral("PRAGMA journal_mode")).toString(), QStringLiteral("wal"));
    addMembers(500, 1); // writable again
    EXPECT_EQ(filesIn(QFileInfo(file).absolutePath()).filter(QRegularExpression(QStringLiteral("tmp|old"))),
              QStringList());

    const QString safety = backupDir() + QStringLiteral("/恢复前_20250314_183005.bak");
    const FileState kept = inspect(safety);
    EXPECT_TRUE(kept.sound);
    EXPECT_EQ(kept.members, replaced);
    EXPECT_EQ(kept.qxqt, QStringLiteral("QX-10,"));
    EXPECT_EQ(inspect(saved).members, inBackup); // the backup itself is left as it was
}

TEST_F(BackupTest, CompactionShrinksTheFileAndTheProgramWorksOn)
{
    addMembers(1, 3000, 400);
    Db::execSql(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
    Db::execSql(QStringLiteral("DELETE FROM bm_kh WHERE BM LIKE 'K%'"));
    Db::execSql(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
    const qint64 grown = QFileInfo(Database::file()).size();

    prompt->answer(Prompt::Answer::No);
    Backup::runCompaction();
    EXPECT_EQ(QFileInfo(Database::file()).size(), grown);
    ASSERT_EQ(prompt->shown.size(), 1u);
    EXPECT_EQ(prompt->shown[0].text, QStringLiteral("您确信要压缩、修复帐套吗？"));
    EXPECT_EQ(prompt->shown[0].caption, QStringLiteral("提示"));

    prompt->clear();
    prompt->answer(Prompt::Answer::Yes);
    Backup::runCompaction();
    ASSERT_EQ(prompt->shown.size(), 2u);
    EXPECT_EQ(prompt->shown[1].text, QStringLiteral("帐套压缩修复成功！"));
    EXPECT_EQ(prompt->shown[1].caption, QStringLiteral("提示"));
    EXPECT_LT(QFileInfo(Database::file()).size(), grown / 4);
    EXPECT_EQ(members(), 1);
    addMembers(1, 5);
    EXPECT_EQ(members(), 6);
}

TEST_F(BackupTest, CompactionReportsWhyItFailed)
{
    Transaction tx; // a rebuild cannot run inside an open transaction
    prompt->answer(Prompt::Answer::Yes);
    Backup::runCompaction();
    ASSERT_EQ(prompt->shown.size(), 2u);
    EXPECT_TRUE(prompt->shown[1].text.startsWith(QStringLiteral("帐套压缩修复失败，原因：")));
    EXPECT_GT(prompt->shown[1].text.size(), QStringLiteral("帐套压缩修复失败，原因：").size());
    EXPECT_EQ(prompt->shown[1].caption, QStringLiteral("提示："));
    EXPECT_EQ(prompt->shown[1].icon, Prompt::Icon::Warning);
}

} // namespace
