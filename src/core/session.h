#pragma once
#include <QString>
#include <memory>

class Home;
class Settings;

// Login values, fixed for the run by a successful login, and the current
// user's row as last read when the menu rights were applied.
struct Session
{
    QString currentUserCode;
    QString currentUserName;
    QString currentUserRights; // qxqt as read at login
    QString shortNumberFlag = QStringLiteral("F");

    // The user's row held for the run; refreshed whenever menu rights are applied.
    bool userRowLoaded = false;
    QString qx[4]; // QX1 … QX4 (a null column reads as empty)
    QString qxqt;

    bool isAdministrator() const { return currentUserCode == QLatin1String("000"); }
    bool shortNumbers() const { return shortNumberFlag == QLatin1String("T"); }
    // Re-reads the current user's row (by code). False when it is gone or the database is closed.
    bool refreshUserRow();
    // An other-right code ("10" … "18") is granted when it occurs in qxqt of the held row.
    bool hasRight(const QString &code) const;
};

// The process-wide context: home folder, settings file and session.
namespace App {
void setHome(const QString &root);
Home &home();
Settings &settings();
Session &session();
// Drops home, settings and session (tests start each case afresh).
void reset();
}
