#include "maintenance/backup.h"

#include "core/clock.h"
#include "core/db/database.h"
#include "core/home.h"
#include "core/prompt.h"
#include "core/db/schema.h"
#include "core/session.h"

#include <QAtomicInt>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQuery>

#include <filesystem>
#include <system_error>

namespace Backup {
namespace {

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

// A name in folder that no file has yet: VACUUM INTO refuses to write over a file.
QString freshName(const QString &folder, const QString &stem)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString candidate = QStringLiteral("%1/.%2.%3.tmp")
                                      .arg(folder, stem)
                                      .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
        if (!QFileInfo::exists(candidate))
            return candidate;
    }
    return {};
}

// Replaces to by from in one step (a reader sees the old file or the new one, never a mix).
bool renameOver(const QString &from, const QString &to, QString *error)
{
    std::error_code ec;
    std::filesystem::rename(std::filesystem::path(QFile::encodeName(from).toStdString()),
                            std::filesystem::path(QFile::encodeName(to).toStdString()), ec);
    if (ec)
        return fail(error, QStringLiteral("%1：%2").arg(to, QString::fromLocal8Bit(ec.message())));
    return true;
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

// Checks that file is a sound database of this program and writes a fresh copy of
// it (with anything still in its own WAL) to staged.
bool stageRestore(const QString &file, const QString &staged, QString *error)
{
    if (!QFileInfo(file).isFile())
        return fail(error, QStringLiteral("文件不存在：%1").arg(file));
    const QString name = uniqueConnectionName("restore_check");
    bool ok = false;
    {
        QSqlDatabase db = Database::openOther(name, file, true);
        if (!db.isOpen()) {
            fail(error, sqlReason(db.lastError()));
        } else {
            // A file of another kind opens fine; the first read tells.
            QString check;
            {
                QSqlQuery q(db);
                if (!q.exec(QStringLiteral("PRAGMA quick_check")) || !q.next())
                    check = sqlReason(q.lastError());
                else if (q.value(0).toString() != QLatin1String("ok"))
                    check = q.value(0).toString();
            }
            if (check.isEmpty() && Schema::version(db) <= 0)
                check = QStringLiteral("不是本系统的数据库文件");
            ok = check.isEmpty() ? vacuumInto(db, staged, error) : fail(error, check);
        }
    }
    Database::closeOther(name);
    return ok;
}

// Moves the database file and its WAL companions from one name to another.
bool moveDatabaseFiles(const QString &from, const QString &to, QString *error)
{
    if (!renameOver(from, to, error))
        return false;
    for (const char *suffix : walSuffixes) {
        const QString s = QLatin1String(suffix);
        if (QFileInfo::exists(from + s) && !renameOver(from + s, to + s, error))
            return false;
    }
    return true;
}

void removeDatabaseFiles(const QString &file)
{
    QFile::remove(file);
    for (const char *suffix : walSuffixes)
        QFile::remove(file + QLatin1String(suffix));
}

bool restoreFrom(const QString &chosen, QString *error)
{
    if (!Database::isOpen())
        return fail(error, QStringLiteral("数据库未打开"));
    const QString current = Database::file();
    const QString dataFolder = QFileInfo(current).absolutePath();

    const QString staged = freshName(dataFolder, QFileInfo(current).fileName());
    if (staged.isEmpty() || !stageRestore(chosen, staged, error))
        return false;
    QFile::setPermissions(staged, QFile::permissions(current));

    // The replaced data is kept, so that restoring the wrong backup can be undone.
    const QString folder = homeBackupFolder();
    const QString stamp = QStringLiteral("%1/恢复前_%2").arg(folder, Clock::now().toString(QStringLiteral("yyyyMMdd_HHmmss")));
    QString safety = stamp + QStringLiteral(".bak");
    for (int n = 2; QFileInfo::exists(safety); ++n) // two restores within a second keep both
        safety = QStringLiteral("%1_%2.bak").arg(stamp).arg(n);
    if (folder.isEmpty() || !copyDatabaseTo(safety, error)) {
        QFile::remove(staged);
        return false;
    }

    Database::close();
    const QString aside = freshName(dataFolder, QFileInfo(current).fileName() + QStringLiteral(".old"));
    if (aside.isEmpty() || !moveDatabaseFiles(current, aside, error)) {
        QFile::remove(staged);
        if (!aside.isEmpty() && !QFileInfo::exists(current))
            moveDatabaseFiles(aside, current, nullptr);
        Database::open(current);
        return false;
    }
    const bool placed = renameOver(staged, current, error);
    if (placed && Database::open(current)) {
        removeDatabaseFiles(aside);
        return true;
    }
    if (placed)
        fail(error, Database::lastError());
    // Put the previous database back exactly as it was.
    Database::close();
    QFile::remove(staged);
    removeDatabaseFiles(current);
    moveDatabaseFiles(aside, current, nullptr);
    Database::open(current);
    return false;
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
    const QString temp = freshName(folder, info.fileName());
    if (temp.isEmpty())
        return fail(error, QStringLiteral("无法在%1中建立临时文件").arg(folder));

    const QString name = uniqueConnectionName("backup");
    bool ok = false;
    {
        QSqlDatabase db = Database::openOther(name, Database::file(), true);
        ok = db.isOpen() ? vacuumInto(db, temp, error) : fail(error, sqlReason(db.lastError()));
    }
    Database::closeOther(name);
    if (ok && !renameOver(temp, info.absoluteFilePath(), error)) {
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

void runRestore()
{
    const QString chosen = prompt().openFile(QStringLiteral("打开"), homeBackupFolder(),
                                             QStringLiteral("打开 (*.bak);;所有文件 (*)"));
    if (chosen.trimmed().isEmpty())
        return;
    QString error;
    if (!restoreFrom(chosen, &error)) {
        prompt().plain(QStringLiteral("恢复失败，请重试!"));
        return;
    }
    // The rights held for the menu must come from the restored data, not the replaced file.
    App::session().refreshUserRow();
    prompt().plain(QStringLiteral("成功恢复数据！"));
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
