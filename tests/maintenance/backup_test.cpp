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
#include <QSqlError>
#include <QSqlQuery>

#include <sys/stat.h>

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

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
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

TEST_F(BackupTest, RestoreRefusesFilesItCannotTakeAndChangesNothing)
{
    // Enough rows that the middle of the file holds them.
    addMembers(1, 1500);
    const int before = members();
    const QString sound = homePath(QStringLiteral("sound.bak"));
    QString error;
    ASSERT_TRUE(Backup::copyDatabaseTo(sound, &error)) << error.toStdString();
    const QByteArray soundBytes = readFile(sound);

    const auto variant = [&](const QString &name, const QString &sql) {
        const QString file = homePath(name);
        QFile::copy(sound, file);
        {
            QSqlDatabase db = Database::openOther(QStringLiteral("variant"), file, false);
            QSqlQuery q(db);
            EXPECT_TRUE(q.exec(sql)) << q.lastError().text().toStdString();
        }
        Database::closeOther(QStringLiteral("variant"));
    };
    variant(QStringLiteral("foreign.bak"), QStringLiteral("DROP TABLE helan_schema"));
    variant(QStringLiteral("tables-missing.bak"), QStringLiteral("DROP TABLE bm_kh"));
    variant(QStringLiteral("newer.bak"), QStringLiteral("UPDATE helan_schema SET version = %1").arg(Schema::currentVersion + 1));
    writeFile(homePath(QStringLiteral("text.bak")), "这不是数据库，只是一些文字。 not a database at all");
    writeFile(homePath(QStringLiteral("empty.bak")), QByteArray());
    writeFile(homePath(QStringLiteral("truncated.bak")), soundBytes.left(soundBytes.size() / 3));
    // A page in the middle overwritten, the header and every other page intact.
    QByteArray page = soundBytes;
    const int pageBytes = 4096;
    const qsizetype middle = (page.size() / pageBytes / 2) * pageBytes;
    page.replace(middle, pageBytes, QByteArray(pageBytes, '\x5a'));
    writeFile(homePath(QStringLiteral("page.bak")), page);
    // One member's code changed inside its row, the index still naming the old
    // one: the tree is sound, only the full check sees the row is not.
    QByteArray row = soundBytes;
    const QByteArray code = QStringLiteral("K000750客户750").toUtf8();
    const qsizetype at = row.indexOf(code);
    ASSERT_GE(at, 0);
    row[at] = 'Z';
    writeFile(homePath(QStringLiteral("row.bak")), row);

    const QString newer = QStringLiteral("数据文件的版本比本程序新，请升级程序后再打开。");
    struct Case
    {
        const char *name;
        QString shownStart;
    };
    for (const Case &c : {Case{"text.bak", restoreFailed}, Case{"empty.bak", restoreFailed},
                          Case{"foreign.bak", restoreFailed}, Case{"tables-missing.bak", restoreFailed},
                          Case{"truncated.bak", restoreFailed}, Case{"page.bak", restoreFailed},
                          Case{"row.bak", restoreFailed}, Case{"missing.bak", restoreFailed},
                          Case{"newer.bak", newer}}) {
        SCOPED_TRACE(c.name);
        const QString chosen = homePath(QString::fromLatin1(c.name));
        const QByteArray chosenBytes = readFile(chosen);
        prompt->clear();
        prompt->chooseFile(chosen);

        Backup::runRestore();

        ASSERT_EQ(prompt->shown.size(), 1u);
        EXPECT_TRUE(prompt->last().startsWith(c.shownStart)) << prompt->last().toStdString();
        // The reason follows the message.
        EXPECT_GT(prompt->last().size(), c.shownStart.size());
        if (c.shownStart == newer)
            EXPECT_TRUE(prompt->last().contains(chosen));
        ASSERT_TRUE(Database::isOpen());
        EXPECT_EQ(members(), before);
        EXPECT_EQ(readFile(chosen), chosenBytes);
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

// The inode of a file: the same file, not merely one of the same name.
ino_t inode(const QString &path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : 0;
}

TEST_F(BackupTest, TwoRestoresWithinOneSecondKeepBothReplacedFiles)
{
    const QString saved = homePath(QStringLiteral("saved.bak"));
    QString error;
    ASSERT_TRUE(Backup::copyDatabaseTo(saved, &error)) << error.toStdString();
    addMembers(1, 5);
    const int first = members();

    prompt->chooseFile(saved);
    Backup::runRestore();
    addMembers(100, 2);
    const int second = members();
    prompt->chooseFile(saved);
    Backup::runRestore(); // the clock stands still: the same second

    EXPECT_EQ(prompt->texts_shown(), (QStringList{QStringLiteral("成功恢复数据！"), QStringLiteral("成功恢复数据！")}));
    EXPECT_EQ(filesIn(backupDir()),
              (QStringList{QStringLiteral("恢复前_20250314_183005.bak"), QStringLiteral("恢复前_20250314_183005_2.bak")}));
    EXPECT_EQ(inspect(backupDir() + QStringLiteral("/恢复前_20250314_183005.bak")).members, first);
    EXPECT_EQ(inspect(backupDir() + QStringLiteral("/恢复前_20250314_183005_2.bak")).members, second);
}

TEST_F(BackupTest, AnotherProgramOnTheFileSeesTheRestoredDataAndSavesIntoIt)
{
    const QString saved = homePath(QStringLiteral("saved.bak"));
    QString error;
    ASSERT_TRUE(Backup::copyDatabaseTo(saved, &error)) << error.toStdString();
    const int inBackup = members();
    addMembers(1, 5);
    const QString file = Database::file();
    const ino_t before = inode(file);

    // A second counter with the same file open (another program, or [dbdz]).
    {
        QSqlDatabase other = Database::openOther(QStringLiteral("second_counter"), file, false);
        QSqlQuery q(other);
        ASSERT_TRUE(q.exec(QStringLiteral("PRAGMA busy_timeout=5000")));
        ASSERT_TRUE(q.exec(QStringLiteral("SELECT COUNT(*) FROM bm_kh")) && q.next());
        EXPECT_EQ(q.value(0).toInt(), inBackup + 5);
        q.finish();

        prompt->chooseFile(saved);
        Backup::runRestore();
        ASSERT_EQ(prompt->texts_shown(), QStringList{QStringLiteral("成功恢复数据！")});

        ASSERT_TRUE(q.exec(QStringLiteral("SELECT COUNT(*) FROM bm_kh")) && q.next());
        EXPECT_EQ(q.value(0).toInt(), inBackup);
        q.finish();
        ASSERT_TRUE(q.exec(QStringLiteral("INSERT INTO bm_kh (BM, MC) VALUES ('B0001', '另一台')")));
    }
    Database::closeOther(QStringLiteral("second_counter"));

    // Its save landed in the file this program has open, not in a replaced one.
    EXPECT_EQ(members(), inBackup + 1);
    EXPECT_EQ(inode(file), before);
    Database::close();
    ASSERT_TRUE(Database::open(file)) << Database::lastError().toStdString();
    EXPECT_EQ(members(), inBackup + 1);
}

TEST_F(BackupTest, ABackupOfAnOlderVersionIsBroughtUpToDate)
{
    const QString old = homePath(QStringLiteral("old.bak"));
    QString error;
    ASSERT_TRUE(Backup::copyDatabaseTo(old, &error)) << error.toStdString();
    {
        QSqlDatabase db = Database::openOther(QStringLiteral("old"), old, false);
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec(QStringLiteral("ALTER TABLE bm_yg DROP COLUMN DLLP"))) << q.lastError().text().toStdString();
        ASSERT_TRUE(q.exec(QStringLiteral("UPDATE helan_schema SET version = 3")));
    }
    Database::closeOther(QStringLiteral("old"));

    prompt->chooseFile(old);
    Backup::runRestore();

    EXPECT_EQ(prompt->texts_shown(), QStringList{QStringLiteral("成功恢复数据！")});
    EXPECT_EQ(Schema::version(Database::db()), Schema::currentVersion);
    EXPECT_NO_THROW(Db::execSql(QStringLiteral("UPDATE bm_yg SET DLLP = NULL")));
}

TEST_F(BackupTest, CompactionShrinksTheFileAndTheProgramWorksOn)
{
    Db::execSql(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
    const qint64 delivered = QFileInfo(Database::file()).size();
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
    EXPECT_LT(QFileInfo(Database::file()).size() - delivered, (grown - delivered) / 4);
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
