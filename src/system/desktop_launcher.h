#pragma once
#include <QString>

// The desktop shortcut of the first run: "<title>.desktop" in the desktop
// folder, starting the program in its own folder. Returns the file written,
// or an empty string when it could not be written (not an error for the user).
QString createDesktopLauncher(const QString &desktopFolder, const QString &title, const QString &program,
                              const QString &workingFolder);
