#pragma once
#include <QString>

// The login window's "登 录": checks the user against bm_yg, fixes the login
// values for the run and remembers the login in Default.ini [dl].
//
// 记住密码 never keeps the password itself. It keeps a random login token in
// [dl] lp, and the token's hash among the user's remembered logins (bm_yg.DLLP,
// a few of them, so that counters sharing the database each keep theirs).
// The next run logs in with the token instead of a typed password. Unticking
// revokes it, and so does any change of the password. An older file's plain
// [dl] mm still fills the password box once and is then replaced by a token.
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
        // A remembered login is on file: the window logs in with it unless the
        // user types a password.
        bool loginRemembered = false;
    };

    // What the window shows when it opens, from Default.ini [dl].
    static InitialValues initialValues();
    // No successful login has happened yet on this installation ([dl] cs is 0).
    static bool firstRun();

    // Logs in with a typed password.
    Result login(const QString &name, const QString &password, bool rememberPassword, bool openBirthdayReminder);
    // Logs in with the remembered login of Default.ini. One that no longer
    // holds (revoked, or made for another user) is dropped and reported; it
    // does not count as a wrong password, since the user typed none.
    Result loginRemembered(const QString &name, bool rememberPassword, bool openBirthdayReminder);

    int failures() const { return m_failures; }

    // The hash kept in the database for a token.
    static QString tokenHash(const QString &token);

private:
    struct User;
    bool findUser(const QString &name, User *user);
    void startSession(const User &user);
    void remember(const QString &name, const User &user, bool rememberPassword, bool openBirthdayReminder);

    int m_failures = 0;
};
