#include "system/desktop_launcher.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

QString createDesktopLauncher(const QString &desktopFolder, const QString &title, const QString &program,
                              const QString &workingFolder)
{
    if (desktopFolder.isEmpty() || !QDir().mkpath(desktopFolder))
        return {};
    const QString path = QDir(desktopFolder).filePath(title + QStringLiteral(".desktop"));
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return {};
    // Exec arguments with spaces or quotes must be quoted for the desktop entry format.
    QString exec = program;
    exec.replace(QLatin1Char('\\'), QStringLiteral("\\\\")).replace(QLatin1Char('"'), QStringLiteral("\\\""));
    const QString text = QStringLiteral("[Desktop Entry]\nType=Application\nName=%1\nExec=\"%2\"\nPath=%3\n"
                                        "Terminal=false\nCategories=Office;\n")
                             .arg(title, exec, workingFolder);
    f.write(text.toUtf8());
    if (!f.commit())
        return {};
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                                    QFile::ReadOther);
    return path;
}
