#include "core/home.h"
#include "core/db/database.h"
#include "core/settings.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStandardPaths>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

QString Home::locate()
{
    const QString env = qEnvironmentVariable("HELAN_HOME");
    if (!env.isEmpty())
        return QDir(env).absolutePath();
    const QString exeDir = QCoreApplication::applicationDirPath();
    if (!exeDir.isEmpty() && (QFileInfo::exists(exeDir + QStringLiteral("/Default.ini")) ||
                              QFileInfo(exeDir + QStringLiteral("/data")).isDir()))
        return exeDir;
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.local/share");
    return base + QStringLiteral("/helan");
}

Home::Home(const QString &root) : m_root(QDir(root).absolutePath()) {}

QString Home::path(const QString &relative) const { return m_root + QLatin1Char('/') + relative; }

Outcome Home::takeLock(QLockFile &lock) const
{
    const QString notWritable = QStringLiteral("程序目录不可写：") + m_root;
    const QString running = QStringLiteral("程序已运行！");
    if (!QDir().mkpath(m_root))
        return Outcome::failure(notWritable);
    // The program runs for days without touching its lock file, so its age
    // says nothing: only a lock whose process is gone is stale, which
    // QLockFile finds from the process id written in it.
    lock.setStaleLockTime(0);
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (lock.tryLock(0))
            return Outcome::success();
        if (lock.error() != QLockFile::LockFailedError)
            return Outcome::failure(notWritable);
        // A crash while the lock was being written leaves a file without a
        // process id, which QLockFile never calls stale. Removing it is safe:
        // removeStaleLockFile() refuses while a living program still holds the
        // file's system lock.
        qint64 pid = 0;
        QString host, app;
        if (lock.getLockInfo(&pid, &host, &app) || !lock.removeStaleLockFile())
            return Outcome::failure(running);
    }
    return Outcome::failure(running);
}

namespace {
// Only a data folder that holds nothing of the user's may get a new database.
bool holdsOnlyLeftovers(const QString &folder)
{
    const QStringList names = QDir(folder).entryList(QDir::Files | QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
    return std::all_of(names.begin(), names.end(), [](const QString &n) { return Files::isTemporaryName(n); });
}
} // namespace

bool Home::prepare(QString *error) const
{
    QDir dir(m_root);
    const QString dataFolder = path(QStringLiteral("data"));
    // A crash during the very first start leaves the data folder made but
    // empty (the database is built under a temporary name): still new.
    const bool isNew = !QFileInfo(dataFolder).isDir() ||
                       (holdsOnlyLeftovers(dataFolder) &&
                        Settings(iniFile()).intValue(QStringLiteral("dl"), QStringLiteral("cs"), 0) == 0);
    if (!dir.mkpath(QStringLiteral("data")) || !dir.mkpath(QStringLiteral("PrintFormat")) ||
        !dir.mkpath(QStringLiteral("backup"))) {
        if (error)
            *error = QStringLiteral("无法创建文件夹：%1").arg(m_root);
        return false;
    }
    // Delivered files come embedded in the program; only missing ones are copied,
    // so that a user's own templates and pictures are never overwritten.
    const QString prefix = QStringLiteral(":/delivered");
    QDirIterator it(prefix, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString source = it.next();
        const QString target = path(source.mid(prefix.size() + 1));
        if (QFileInfo::exists(target))
            continue;
        QDir().mkpath(QFileInfo(target).absolutePath());
        if (QFile::copy(source, target))
            QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    }
    if (isNew && !QFileInfo::exists(defaultDataFile()))
        return Database::createDelivered(defaultDataFile(), error);
    return true;
}

QStringList Home::removeLeftovers(const QString &databaseFile) const
{
    QStringList removed;
    const auto sweep = [&removed](const QString &folder, qint64 untouchedSeconds) {
        const QDateTime now = QDateTime::currentDateTimeUtc();
        const QFileInfoList entries = QDir(folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::System);
        for (const QFileInfo &f : entries) {
            if (!Files::isTemporaryName(f.fileName()))
                continue;
            if (untouchedSeconds > 0 && f.lastModified().toUTC().secsTo(now) < untouchedSeconds)
                continue;
            if (QFile::remove(f.absoluteFilePath()))
                removed << f.absoluteFilePath();
        }
    };
    QStringList own;
    for (const QString &folder : {m_root, path(QStringLiteral("data")), backupDir()}) {
        sweep(folder, 0);
        own << QFileInfo(folder).absoluteFilePath();
    }
    if (!databaseFile.isEmpty()) {
        const QString folder = QFileInfo(databaseFile).absolutePath();
        if (QFileInfo(folder).isDir() && !own.contains(folder))
            sweep(folder, 3600);
    }
    return removed;
}

QString Home::databaseFile(const Settings &settings) const
{
    if (settings.value(QStringLiteral("dbdz"), QStringLiteral("sfdz"), QStringLiteral("F")) == QLatin1String("T"))
        return settings.value(QStringLiteral("dbdz"), QStringLiteral("Tdbdz"), QStringLiteral("T"));
    return defaultDataFile();
}

namespace Files {
namespace {
QString systemReason(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

// Makes a rename or a new name in folder survive a power cut.
void syncFolder(const QString &folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}
} // namespace

QString temporaryBeside(const QString &target)
{
    const QFileInfo info(target);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString candidate = QStringLiteral("%1/.%2.%3.tmp")
                                      .arg(info.absolutePath(), info.fileName())
                                      .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
        if (!QFileInfo::exists(candidate))
            return candidate;
    }
    return {};
}

bool isTemporaryName(const QString &fileName)
{
    static const QRegularExpression pattern(QStringLiteral("^\\..+\\.[0-9a-f]{8}\\.tmp(-journal|-wal|-shm)?$"));
    return pattern.match(fileName).hasMatch();
}

bool replace(const QString &from, const QString &to, QString *error)
{
    if (::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0) {
        if (error)
            *error = QStringLiteral("%1：%2").arg(to, systemReason(errno));
        return false;
    }
    syncFolder(QFileInfo(to).absolutePath());
    return true;
}

ssize_t Calls::write(int fd, const void *data, size_t size) { return ::write(fd, data, size); }
int Calls::sync(int fd) { return ::fsync(fd); }
int Calls::close(int fd) { return ::close(fd); }

Outcome writeWhole(const QString &path, const QByteArray &bytes, Calls &calls)
{
    const QString message = QStringLiteral("无法保存文件：") + path;
    const QString temp = temporaryBeside(path);
    if (temp.isEmpty())
        return Outcome::failure(message, QStringLiteral("无法建立临时文件"));
    const QByteArray native = QFile::encodeName(temp);
    const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return Outcome::failure(message, systemReason(errno));

    QString reason;
    const char *next = bytes.constData();
    size_t left = size_t(bytes.size());
    while (left > 0) {
        const ssize_t n = calls.write(fd, next, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            // A write that stores nothing without an error is a full disk all the same.
            reason = n < 0 ? systemReason(errno) : systemReason(ENOSPC);
            break;
        }
        next += n;
        left -= size_t(n);
    }
    if (reason.isEmpty() && calls.sync(fd) != 0)
        reason = systemReason(errno);
    // close() reports what a network or full file system refused only now.
    if (calls.close(fd) != 0 && reason.isEmpty())
        reason = systemReason(errno);
    if (reason.isEmpty())
        replace(temp, path, &reason);
    if (!reason.isEmpty()) {
        ::unlink(native.constData());
        return Outcome::failure(message, reason);
    }
    return Outcome::success();
}

} // namespace Files
