#pragma once
#include <QString>

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

    // Fills a new home: the delivered files that are missing, and the delivered
    // database when the home has no data folder yet. An existing data folder
    // without its database is left alone: opening it then reports the missing file.
    bool prepare(QString *error) const;

    // The database file to open: [dbdz] Tdbdz when [dbdz] sfdz is "T", else data/data.db.
    QString databaseFile(const Settings &settings) const;

private:
    QString m_root;
};
