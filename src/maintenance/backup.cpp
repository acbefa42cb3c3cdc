#include "maintenance/backup.h"

#include "core/clock.h"
#include "core/db/database.h"
#include "core/db/schema.h"
#include "core/home.h"
#include "core/prompt.h"
#include "core/session.h"

#include <QAtomicInt>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>

#include <sqlite3.h>

namespace Backup {
namespace {

const QString restoreFailed = QStringLiteral("恢复失败，请重试!");
const char *const walSuffixes[] = {"-wal", "-shm"};

QString sqlReason(const QSqlError &e)
{
    return e.databaseText().isEmpty() ? e.text() : e.databaseText();
}

bool fail(QString *error, const QString &reason)
{
    if (error)
        *error = reason;
    return false;
}

bool sameFile(const QString &a, const QString &b)
{
    const QFileInfo fa(a), fb(b);
    if (fa.exists() && fb.exists())
        return fa.canonicalFilePath() == fb.canonicalFilePath();
    return fa.absoluteFilePath() == fb.absoluteFilePath();
}

QString uniqueConnectionName(const char *purpose)
{
    static QAtomicInt counter;
    return QStringLiteral("helan_%1_%2").arg(QLatin1String(purpose)).arg(counter.fetchAndAddRelaxed(1));
}

// A connection of its own, closed and removed when it goes out of scope.
class OtherConnection
{
public:
    OtherConnection(const char *purpose, const QString &file, bool readOnly)
        : m_name(uniqueConnectionName(purpose)), m_db(Database::openOther(m_name, file, readOnly))
    {
    }
    ~OtherConnection()
    {
        m_db = QSqlDatabase();
        Database::closeOther(m_name);
    }
    OtherConnection(const OtherConnection &) = delete;
    OtherConnection &operator=(const OtherConnection &) = delete;
    QSqlDatabase db() const { return m_db; }

private:
    QString m_name;
    QSqlDatabase m_db;
};

// Writes a whole, consistent copy of the database behind db to a new file.
// Run on its own read connection so that queries or a transaction still open
// on the program's connection neither block the copy nor leak into it.
bool vacuumInto(QSqlDatabase db, const QString &newFile, QString *error)
{
    QSqlQuery q(db);
    q.exec(QStringLiteral("PRAGMA busy_timeout=5000"));
    if (!q.prepare(QStringLiteral("VACUUM INTO ?")))
        return fail(error, sqlReason(q.lastError()));
    q.addBindValue(newFile);
    if (!q.exec()) {
        const QString reason = sqlReason(q.lastError());
        QFile::remove(newFile);
        return fail(error, reason);
    }
    return true;
}

QString homeBackupFolder()
{
    const QString folder = App::home().backupDir();
    return QDir().mkpath(folder) ? folder : QString();
}

QString closingFolder(const QString &companyFolder) { return companyFolder.isEmpty() ? homeBackupFolder() : companyFolder; }

bool backupInto(const QString &folder, const QString &fileName)
{
    QString error;
    return !folder.isEmpty() && copyDatabaseTo(folder + QLatin1Char('/') + fileName, &error);
}

// A name in the home's backup folder that no file has yet: two restores
// within one second keep both of the files they replaced.
QString keptName(const QString &kind, const QString &suffix)
{
    const QString folder = homeBackupFolder();
    if (folder.isEmpty())
        return {};
    const QString stamp = QStringLiteral("%1/%2_%3").arg(folder, kind, Clock::now().toString(QStringLiteral("yyyyMMdd_HHmmss")));
    QString name = stamp + suffix;
    for (int n = 2; QFileInfo::exists(name); ++n)
        name = QStringLiteral("%1_%2%3").arg(stamp).arg(n).arg(suffix);
    return name;
}

void removeDatabaseFiles(const QString &file)
{
    QFile::remove(file);
    for (const char *suffix : {"-journal", "-wal", "-shm"})
        QFile::remove(file + QLatin1String(suffix));
}

int pageSize(QSqlDatabase db)
{
    QSqlQuery q(db);
    return q.exec(QStringLiteral("PRAGMA page_size")) && q.next() ? q.value(0).toInt() : 0;
}

// Writes a checked, current copy of the backup to staged: the backup's
// committed content (with anything still in its own WAL), brought to the
// program's schema version, in pages of pageBytes when given.
Outcome stage(const QString &chosen, const QString &staged, int pageBytes)
{
    if (const Outcome checked = checkBackup(chosen); !checked)
        return checked;
    QString error;
    {
        OtherConnection source("restore_read", chosen, true);
        if (!vacuumInto(source.db(), staged, &error))
            return Outcome::failure(restoreFailed, error);
    }
    OtherConnection copy("restore_stage", staged, false);
    QSqlDatabase db = copy.db();
    if (!db.isOpen())
        return Outcome::failure(restoreFailed, sqlReason(db.lastError()));
    QSqlQuery q(db);
    q.exec(QStringLiteral("PRAGMA foreign_keys=ON"));
    if (!Schema::migrate(db, &error))
        return Outcome::failure(restoreFailed, error);
    // A database in WAL mode takes a copy only in pages of its own size.
    if (pageBytes > 0 && pageSize(db) != pageBytes &&
        !(q.exec(QStringLiteral("PRAGMA page_size=%1").arg(pageBytes)) && q.exec(QStringLiteral("VACUUM"))))
        return Outcome::failure(restoreFailed, sqlReason(q.lastError()));
    return Outcome::success();
}

// SQLite's own handle of a Qt connection, or null for another driver.
sqlite3 *sqliteHandle(const QSqlDatabase &db)
{
    const QVariant h = db.driver() ? db.driver()->handle() : QVariant();
    if (!h.isValid() || qstrcmp(h.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3 *const *>(h.constData());
}

// Copies the whole of staged into the database behind target as one write
// transaction of target's connection: its WAL mode and the file stay, other
// connections see the new content at their next read, a crash keeps the old.
Outcome copyInto(QSqlDatabase target, const QString &staged)
{
    sqlite3 *destination = sqliteHandle(target);
    if (!destination)
        return Outcome::failure(restoreFailed, QStringLiteral("数据库未打开"));
    sqlite3 *source = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(staged).constData(), &source, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        const QString reason = QString::fromUtf8(sqlite3_errmsg(source));
        sqlite3_close(source);
        return Outcome::failure(restoreFailed, reason);
    }
    QString reason;
    if (sqlite3_backup *copy = sqlite3_backup_init(destination, "main", source, "main")) {
        const int stepped = sqlite3_backup_step(copy, -1);
        const int finished = sqlite3_backup_finish(copy);
        if (stepped != SQLITE_DONE || finished != SQLITE_OK)
            reason = QString::fromUtf8(sqlite3_errmsg(destination));
    } else {
        reason = QString::fromUtf8(sqlite3_errmsg(destination));
    }
    sqlite3_close(source);
    return reason.isEmpty() ? Outcome::success() : Outcome::failure(restoreFailed, reason);
}

// Copies a file that cannot be read through SQLite (it is damaged) as bytes.
bool copyPlain(const QString &from, const QString &to, QString *error)
{
    const QString temp = Files::temporaryBeside(to);
    if (temp.isEmpty() || !QFile::copy(from, temp)) {
        QFile::remove(temp);
        return fail(error, QStringLiteral("无法复制%1").arg(from));
    }
    if (!Files::replace(temp, to, error)) {
        QFile::remove(temp);
        return false;
    }
    return true;
}

} // namespace

bool copyDatabaseTo(const QString &target, QString *error)
{
    if (!Database::isOpen() || Database::file().isEmpty())
        return fail(error, QStringLiteral("数据库未打开"));
    if (target.trimmed().isEmpty())
        return fail(error, QStringLiteral("备份文件名为空"));
    const QFileInfo info(target);
    if (info.isDir())
        return fail(error, QStringLiteral("备份文件名是一个文件夹：%1").arg(target));
    if (sameFile(target, Database::file()))
        return fail(error, QStringLiteral("不能备份到正在使用的数据库文件"));
    const QString folder = info.absolutePath();
    if (!QFileInfo(folder).isDir())
        return fail(error, QStringLiteral("文件夹不存在：%1").arg(folder));
    // VACUUM INTO refuses to write over a file: it writes a new one beside the target.
    const QString temp = Files::temporaryBeside(info.absoluteFilePath());
    if (temp.isEmpty())
        return fail(error, QStringLiteral("无法在%1中建立临时文件").arg(folder));

    bool ok = false;
    {
        OtherConnection source("backup", Database::file(), true);
        ok = source.db().isOpen() ? vacuumInto(source.db(), temp, error) : fail(error, sqlReason(source.db().lastError()));
    }
    if (ok && !Files::replace(temp, info.absoluteFilePath(), error)) {
        QFile::remove(temp);
        ok = false;
    }
    return ok;
}

QString companyBackupFolder()
{
    QString bf;
    try {
        bf = Db::scalarSql(QStringLiteral("SELECT BF FROM bm_gsxx LIMIT 1")).toString().trimmed();
    } catch (const DbError &) {
        return {};
    }
    // Stored as a folder with its closing separator ("D:\备份\"), either kind.
    while (bf.size() > 1 && (bf.endsWith(QLatin1Char('\\')) || bf.endsWith(QLatin1Char('/'))))
        bf.chop(1);
    if (bf.isEmpty())
        return {};
    // A relative folder means one inside the program's own folder, not wherever it was started from.
    const QFileInfo info(QDir(App::home().root()).filePath(bf));
    return info.isDir() ? info.absoluteFilePath() : QString();
}

void runMenuBackup()
{
    const QString folder = homeBackupFolder();
    const QString name = prompt().saveFile(QStringLiteral("保存为"), folder, Clock::today().toString(QStringLiteral("yyyyMMdd")),
                                           QStringLiteral("保存为 (*.bak);;所有文件 (*)"));
    if (name.trimmed().isEmpty())
        return;
    QString target = name + QStringLiteral(".bak");
    if (QFileInfo(target).isRelative())
        target = QDir(folder.isEmpty() ? App::home().root() : folder).filePath(target);
    QString error;
    prompt().plain(copyDatabaseTo(target, &error) ? QStringLiteral("备份成功！") : QStringLiteral("备份失败，请重试！"));
}

void runClosingBackups(bool dated)
{
    const QString company = companyBackupFolder();
    if (dated) {
        if (company.isEmpty())
            prompt().plain(QStringLiteral("备份路径错，自动备份到软件安装目录下面\"backup\""));
        if (!backupInto(closingFolder(company), Clock::today().toString(QStringLiteral("yyyyMMdd")) + QStringLiteral(".bak")))
            prompt().plain(QStringLiteral("备份失败！"));
    }
    if (!backupInto(closingFolder(company), Clock::weekdayName(Clock::today()) + QStringLiteral(".bak")))
        prompt().plain(QStringLiteral("备份失败，请重试！"));
}

Outcome checkBackup(const QString &file)
{
    if (!QFileInfo(file).isFile())
        return Outcome::failure(restoreFailed, QStringLiteral("文件不存在：%1").arg(file));
    OtherConnection reading("restore_check", file, true);
    QSqlDatabase db = reading.db();
    if (!db.isOpen())
        return Outcome::failure(restoreFailed, sqlReason(db.lastError()));
    // The full check: besides the tree structure it compares every index with
    // its table, which finds damaged rows the quick check passes.
    {
        QSqlQuery q(db);
        q.setForwardOnly(true);
        if (!q.exec(QStringLiteral("PRAGMA integrity_check")) || !q.next())
            return Outcome::failure(restoreFailed, sqlReason(q.lastError()));
        if (q.value(0).toString() != QLatin1String("ok"))
            return Outcome::failure(restoreFailed, q.value(0).toString());
    }
    Database::Problem problem = Database::Problem::None;
    const Outcome fit = Database::checkFile(db, file, &problem);
    if (fit)
        return fit;
    // A newer program's file is refused in its own words: retrying will not help.
    if (problem == Database::Problem::Newer)
        return fit;
    return Outcome::failure(restoreFailed, fit.message + (fit.detail.isEmpty() ? QString() : QLatin1Char('\n') + fit.detail));
}

Outcome restoreFrom(const QString &chosen)
{
    if (!Database::isOpen())
        return Outcome::failure(restoreFailed, QStringLiteral("数据库未打开"));
    const QString staged = Files::temporaryBeside(App::home().defaultDataFile());
    if (staged.isEmpty())
        return Outcome::failure(restoreFailed, QStringLiteral("无法建立临时文件"));
    const Outcome prepared = stage(chosen, staged, pageSize(Database::db()));
    if (!prepared) {
        removeDatabaseFiles(staged);
        return prepared;
    }
    // The replaced data is kept, so that restoring the wrong backup can be undone.
    const QString safety = keptName(QStringLiteral("恢复前"), QStringLiteral(".bak"));
    QString error;
    if (safety.isEmpty() || !copyDatabaseTo(safety, &error)) {
        removeDatabaseFiles(staged);
        return Outcome::failure(restoreFailed, error.isEmpty() ? QStringLiteral("无法保留被替换的数据") : error);
    }
    const Outcome copied = copyInto(Database::db(), staged);
    removeDatabaseFiles(staged);
    return copied;
}

void runRestore()
{
    const QString chosen = prompt().openFile(QStringLiteral("打开"), homeBackupFolder(),
                                             QStringLiteral("打开 (*.bak);;所有文件 (*)"));
    if (chosen.trimmed().isEmpty())
        return;
    const Outcome restored = restoreFrom(chosen);
    if (!restored) {
        prompt().plain(restored.text());
        return;
    }
    // The rights held for the menu must come from the restored data, not the replaced file.
    App::session().refreshUserRow();
    prompt().plain(QStringLiteral("成功恢复数据！"));
}

Outcome replaceUnusable(const QString &file, const QString &chosen)
{
    if (Database::isOpen() && sameFile(Database::file(), file))
        return Outcome::failure(restoreFailed, QStringLiteral("数据库正在使用"));
    // Beside the file, so that the checked copy takes its place in one rename.
    const QString staged = Files::temporaryBeside(file);
    if (staged.isEmpty())
        return Outcome::failure(restoreFailed, QStringLiteral("无法建立临时文件"));
    if (const Outcome prepared = stage(chosen, staged, 0); !prepared) {
        removeDatabaseFiles(staged);
        return prepared;
    }
    QString error;
    const QString kept = keptName(QStringLiteral("损坏"), QStringLiteral(".db"));
    bool ok = !kept.isEmpty();
    if (ok && QFileInfo::exists(file))
        ok = copyPlain(file, kept, &error);
    for (const char *suffix : walSuffixes) {
        const QString companion = file + QLatin1String(suffix);
        if (ok && QFileInfo::exists(companion))
            ok = copyPlain(companion, kept + QLatin1String(suffix), &error);
    }
    // A WAL left beside the old file would be replayed into the restored one.
    for (const char *suffix : walSuffixes)
        if (ok && QFileInfo::exists(file + QLatin1String(suffix)) && !QFile::remove(file + QLatin1String(suffix)))
            ok = fail(&error, QStringLiteral("无法删除%1").arg(file + QLatin1String(suffix)));
    if (ok)
        ok = Files::replace(staged, file, &error);
    if (!ok) {
        removeDatabaseFiles(staged);
        return Outcome::failure(restoreFailed, error.isEmpty() ? QStringLiteral("无法保留被替换的数据") : error);
    }
    return Outcome::success();
}

bool offerStartupRestore(const QString &file, const Outcome &why)
{
    if (prompt().question(why.text() + QStringLiteral("\n\n是否现在选择备份文件恢复？"), QStringLiteral("提示"),
                          Prompt::YesNo, Prompt::Icon::Critical, Prompt::Answer::Yes) != Prompt::Answer::Yes)
        return false;
    const QString chosen = prompt().openFile(QStringLiteral("打开"), homeBackupFolder(),
                                             QStringLiteral("打开 (*.bak);;所有文件 (*)"));
    if (chosen.trimmed().isEmpty())
        return false;
    const Outcome replaced = replaceUnusable(file, chosen);
    if (!replaced) {
        prompt().plain(replaced.text());
        return false;
    }
    prompt().plain(QStringLiteral("成功恢复数据！"));
    return true;
}

void runCompaction()
{
    if (prompt().question(QStringLiteral("您确信要压缩、修复帐套吗？"), QStringLiteral("提示"), Prompt::YesNo,
                          Prompt::Icon::Question, Prompt::Answer::No) != Prompt::Answer::Yes)
        return;
    QString error;
    if (!Database::isOpen()) {
        error = QStringLiteral("数据库未打开");
    } else {
        QSqlQuery q(Database::db());
        if (!q.exec(QStringLiteral("VACUUM"))) {
            error = sqlReason(q.lastError());
        } else {
            // In WAL mode the rebuilt pages sit in the log until a checkpoint;
            // only then does the file itself shrink. A busy checkpoint is no failure.
            q.exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
        }
    }
    if (error.isEmpty())
        prompt().info(QStringLiteral("帐套压缩修复成功！"), QStringLiteral("提示"));
    else
        prompt().warn(QStringLiteral("帐套压缩修复失败，原因：") + error, QStringLiteral("提示："));
}

} // namespace Backup
