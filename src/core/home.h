#pragma once
#include "core/outcome.h"

#include <QString>
#include <QStringList>
#include <sys/types.h>

class QLockFile;
class Settings;

// The program's own folder: Default.ini, data/data.db, PrintFormat/, backup/,
// pictures. HELAN_HOME overrides; a Default.ini or data/ beside the executable
// makes the program portable; otherwise $XDG_DATA_HOME/helan.
class Home
{
public:
    static QString locate();

    explicit Home(const QString &root);
    QString root() const { return m_root; }
    QString path(const QString &relative) const;
    QString iniFile() const { return path(QStringLiteral("Default.ini")); }
    QString defaultDataFile() const { return path(QStringLiteral("data/data.db")); }
    QString printFormatDir() const { return path(QStringLiteral("PrintFormat")); }
    QString backupDir() const { return path(QStringLiteral("backup")); }
    QString lockFile() const { return path(QStringLiteral(".helan.lock")); }

    // Takes the one-program-per-home lock (lock is made on lockFile()). Fails
    // with "程序已运行！" while another program holds it, and with
    // "程序目录不可写：" and the folder when the lock cannot be written at all.
    Outcome takeLock(QLockFile &lock) const;

    // Fills a new home: the delivered files that are missing, and the delivered
    // database when the home has none yet. A home is new while its data folder
    // is missing, or holds nothing but leftovers of an interrupted first start
    // (no login has succeeded yet). A data folder that lost its database after
    // use is left alone: opening it then reports the missing file.
    bool prepare(QString *error) const;

    // Removes the hidden temporary files that interrupted saves, backups,
    // restores and first starts leave behind (only names the program makes):
    // in the home, data/ and backup/, which this program alone uses while it
    // holds the lock; in the folder of a database kept elsewhere, which other
    // programs may share, only those nobody has written to for an hour.
    // Returns the removed files.
    QStringList removeLeftovers(const QString &databaseFile) const;

    // The database file to open: [dbdz] Tdbdz when [dbdz] sfdz is "T", else data/data.db.
    QString databaseFile(const Settings &settings) const;

private:
    QString m_root;
};

// Files written whole or not at all.
namespace Files {

// A hidden name beside target that no file has yet: ".<name>.<8 hex digits>.tmp".
QString temporaryBeside(const QString &target);
// Whether fileName (without folder) is such a temporary name, or SQLite's
// journal or WAL companion of one.
bool isTemporaryName(const QString &fileName);

// Renames from over to in one step (a reader sees the old file or the new one)
// and makes the rename itself durable.
bool replace(const QString &from, const QString &to, QString *error);

// The system calls a whole-file write goes through. Tests play a full disk
// or a failing device with their own.
class Calls
{
public:
    virtual ~Calls() = default;
    virtual ssize_t write(int fd, const void *data, size_t size);
    virtual int sync(int fd);
    virtual int close(int fd);
};

// Writes bytes to path through a temporary file that is renamed over path only
// when every byte was written and synced; otherwise the old file stays as it
// was. The new file is readable by its owner only (mode 0600).
Outcome writeWhole(const QString &path, const QByteArray &bytes, Calls &calls);

} // namespace Files
