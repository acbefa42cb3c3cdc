#include "system/login_service.h"

#include "core/db/database.h"
#include "core/password.h"
#include "core/prompt.h"
#include "core/session.h"
#include "core/settings.h"

#include <QSqlQuery>
#include <sodium.h>

#include <functional>

namespace {
const QString dl = QStringLiteral("dl");
const QString tokenKey = QStringLiteral("lp");
const QString plainKey = QStringLiteral("mm");
constexpr int allowedFailures = 2;
// Remembered logins kept per user: one for each counter that shares the database.
constexpr int tokensPerUser = 8;

bool sodiumReady()
{
    static const bool ok = sodium_init() >= 0;
    return ok;
}

QString newToken()
{
    if (!sodiumReady())
        return {};
    unsigned char bytes[32];
    randombytes_buf(bytes, sizeof bytes);
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(bytes), sizeof bytes)
                                   .toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

QStringList hashesOf(const QString &stored) { return stored.split(QLatin1Char(' '), Qt::SkipEmptyParts); }

// Changes the remembered logins of one user from what was read to what edit
// makes of them. The update only applies to the list as read, so that two
// counters logging in at once never drop each other's; a lost race reads again.
bool editHashes(const QString &code, const std::function<QStringList(QStringList)> &edit)
{
    for (int attempt = 0; attempt < 5; ++attempt) {
        QSqlQuery read = Db::execSql(QStringLiteral("SELECT COALESCE(DLLP, '') FROM bm_yg WHERE BM = ?"), {code});
        if (!read.next())
            return false;
        const QString stored = read.value(0).toString();
        read.finish();
        const QStringList after = edit(hashesOf(stored));
        if (after == hashesOf(stored))
            return true;
        const QVariant value = after.isEmpty() ? QVariant(QMetaType(QMetaType::QString)) : QVariant(after.join(QLatin1Char(' ')));
        QSqlQuery update = Db::execSql(QStringLiteral("UPDATE bm_yg SET DLLP = ? WHERE BM = ? AND COALESCE(DLLP, '') = ?"),
                                       {value, code, stored});
        if (update.numRowsAffected() > 0)
            return true;
    }
    return false;
}

// Removes a remembered login from whichever user holds it.
void revoke(const QString &token)
{
    if (token.isEmpty())
        return;
    const QString hash = LoginService::tokenHash(token);
    try {
        QStringList codes;
        QSqlQuery q = Db::execSql(QStringLiteral("SELECT BM FROM bm_yg WHERE DLLP LIKE ?"),
                                  {QLatin1Char('%') + hash + QLatin1Char('%')});
        while (q.next())
            codes << q.value(0).toString();
        q.finish();
        for (const QString &code : codes)
            editHashes(code, [&hash](QStringList hashes) {
                hashes.removeAll(hash);
                return hashes;
            });
    } catch (const DbError &) {
        // The token leaves Default.ini all the same; its hash alone opens nothing.
    }
}
} // namespace

struct LoginService::User
{
    qint64 rowId = -1;
    QString code, name, rights, storedPassword;
    QStringList tokenHashes;
};

QString LoginService::tokenHash(const QString &token)
{
    // The token is random and long: a plain cryptographic hash keeps it safe,
    // without the deliberate slowness a password hash needs.
    const QByteArray bytes = token.toLatin1();
    unsigned char out[crypto_generichash_BYTES];
    if (!sodiumReady())
        return {};
    crypto_generichash(out, sizeof out, reinterpret_cast<const unsigned char *>(bytes.constData()),
                       static_cast<unsigned long long>(bytes.size()), nullptr, 0);
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(out), sizeof out).toHex());
}

LoginService::InitialValues LoginService::initialValues()
{
    const Settings &s = App::settings();
    InitialValues v;
    v.name = s.value(dl, QStringLiteral("user"), QStringLiteral("sa"));
    v.rememberPassword = s.value(dl, QStringLiteral("bcmm"), QStringLiteral("T")) == QLatin1String("T");
    if (v.rememberPassword) {
        if (!s.value(dl, tokenKey).isEmpty())
            v.loginRemembered = true;
        else if (s.contains(dl, plainKey))
            v.password = s.value(dl, plainKey);
        else if (firstRun())
            v.password = QStringLiteral("123"); // the delivered administrator's
    }
    v.openBirthdayReminder = s.value(dl, QStringLiteral("srtx"), QStringLiteral("T")) == QLatin1String("T");
    return v;
}

bool LoginService::firstRun() { return App::settings().intValue(dl, QStringLiteral("cs"), 0) == 0; }

bool LoginService::findUser(const QString &name, User *user)
{
    if (name.isEmpty()) {
        prompt().info(QStringLiteral("请先填写“登录名称”!"));
        return false;
    }
    if (!Database::isOpen()) {
        const QString reason = Database::lastError();
        prompt().info(reason.isEmpty() ? QStringLiteral("数据库未打开") : reason);
        return false;
    }
    try {
        // DLMC is a NOCASE column: the login name matches in any letter case.
        QSqlQuery q = Db::execSql(QStringLiteral("SELECT rowid, BM, MC, qxqt, MM, DLLP FROM bm_yg WHERE DLMC = ? "
                                                 "ORDER BY rowid LIMIT 1"),
                                  {name});
        if (!q.next()) {
            prompt().info(QStringLiteral("\"登录名称\"不存在,请重新填写!"));
            return false;
        }
        user->rowId = q.value(0).toLongLong();
        user->code = q.value(1).toString();
        user->name = q.value(2).toString();
        user->rights = q.value(3).toString();
        user->storedPassword = q.value(4).toString();
        user->tokenHashes = hashesOf(q.value(5).toString());
    } catch (const DbError &e) {
        prompt().info(e.text());
        return false;
    }
    return true;
}

LoginService::Result LoginService::login(const QString &name, const QString &password, bool rememberPassword,
                                         bool openBirthdayReminder)
{
    User user;
    if (!findUser(name, &user))
        return Result::Stay;

    if (!Password::verify(user.storedPassword, password)) {
        if (++m_failures > allowedFailures) {
            prompt().plain(QStringLiteral("错误次数过多，系统将自动退出！"));
            return Result::Cancel;
        }
        prompt().info(QStringLiteral("“登录密码”有误,请重新填写!"));
        return Result::Stay;
    }

    // A plain password from an older file is replaced by its hash now that it
    // has been verified. Failing that is no reason to refuse the login.
    if (!user.storedPassword.isEmpty() && !Password::isHash(user.storedPassword)) {
        const QString hashed = Password::hash(password);
        if (!hashed.isEmpty()) {
            try {
                Db::execSql(QStringLiteral("UPDATE bm_yg SET MM = ? WHERE rowid = ? AND MM = ?"),
                            {hashed, user.rowId, user.storedPassword});
            } catch (const DbError &) {
            }
        }
    }

    startSession(user);
    remember(name, user, rememberPassword, openBirthdayReminder);
    return Result::Ok;
}

LoginService::Result LoginService::loginRemembered(const QString &name, bool rememberPassword, bool openBirthdayReminder)
{
    User user;
    if (!findUser(name, &user))
        return Result::Stay;
    Settings &s = App::settings();
    const QString token = s.value(dl, tokenKey);
    const QString hash = token.isEmpty() ? QString() : tokenHash(token);
    if (hash.isEmpty() || !user.tokenHashes.contains(hash)) {
        s.remove(dl, tokenKey);
        prompt().info(QStringLiteral("记住的密码已失效，请重新填写“登录密码”!"));
        return Result::Stay;
    }
    startSession(user);
    remember(name, user, rememberPassword, openBirthdayReminder);
    return Result::Ok;
}

void LoginService::startSession(const User &user)
{
    Session &s = App::session();
    s.currentUserCode = user.code;
    s.currentUserName = user.name;
    s.currentUserRights = user.rights;
    s.shortNumberFlag = App::settings().value(QStringLiteral("xsd"), QStringLiteral("DDH"), QStringLiteral("F"));
    s.refreshUserRow();
}

void LoginService::remember(const QString &name, const User &user, bool rememberPassword, bool openBirthdayReminder)
{
    Settings &s = App::settings();
    s.setValue(dl, QStringLiteral("user"), name);
    // The password itself never stays on disk, whatever an older file held.
    s.remove(dl, plainKey);
    const QString held = s.value(dl, tokenKey);
    const bool heldIsTheUsers = !held.isEmpty() && user.tokenHashes.contains(tokenHash(held));
    if (rememberPassword && !heldIsTheUsers) {
        // This counter remembers one login: another user's token goes.
        revoke(held);
        s.remove(dl, tokenKey);
        const QString token = newToken();
        const QString hash = tokenHash(token);
        bool stored = false;
        try {
            stored = !token.isEmpty() && !hash.isEmpty() && editHashes(user.code, [&hash](QStringList hashes) {
                hashes.prepend(hash);
                return hashes.mid(0, tokensPerUser);
            });
        } catch (const DbError &) {
        }
        // Without its hash in the database the token would open nothing.
        if (stored)
            s.setValue(dl, tokenKey, token);
    } else if (!rememberPassword && !held.isEmpty()) {
        revoke(held);
        s.remove(dl, tokenKey);
    }
    s.setFlag(dl, QStringLiteral("bcmm"), rememberPassword);
    s.setInt(dl, QStringLiteral("cs"), s.intValue(dl, QStringLiteral("cs"), 0) + 1);
    s.setFlag(dl, QStringLiteral("srtx"), openBirthdayReminder);
}
