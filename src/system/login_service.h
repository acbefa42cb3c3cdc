#pragma once
#include <QString>

// The login window's "登 录": checks the user against bm_yg, fixes the login
// values for the run and remembers the login in Default.ini [dl].
//
// The login window keeps one LoginService for its whole life: the count of
// wrong passwords lives here and the third one ends the run.
class LoginService
{
public:
    enum class Result {
        Stay,   // a message was shown; the window stays for another try
        Ok,     // logged in: the login values are set
        Cancel, // too many wrong passwords: the program ends
    };

    struct InitialValues
    {
        QString name;
        QString password;
        bool rememberPassword = true;
        bool openBirthdayReminder = true;
    };

    // What the window shows when it opens, from Default.ini [dl].
    static InitialValues initialValues();
    // No successful login has happened yet on this installation ([dl] cs is 0).
    static bool firstRun();

    Result login(const QString &name, const QString &password, bool rememberPassword, bool openBirthdayReminder);

    int failures() const { return m_failures; }

private:
    void remember(const QString &name, const QString &password, bool rememberPassword, bool openBirthdayReminder);

    int m_failures = 0;
};
