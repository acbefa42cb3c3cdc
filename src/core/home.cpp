#include "core/home.h"
#include "core/db/database.h"
#include "core/settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

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

bool Home::prepare(QString *error) const
{
    QDir dir(m_root);
    const bool isNew = !QFileInfo(path(QStringLiteral("data"))).isDir();
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

QString Home::databaseFile(const Settings &settings) const
{
    if (settings.value(QStringLiteral("dbdz"), QStringLiteral("sfdz"), QStringLiteral("F")) == QLatin1String("T"))
        return settings.value(QStringLiteral("dbdz"), QStringLiteral("Tdbdz"), QStringLiteral("T"));
    return defaultDataFile();
}
