#include "system/login_service.h"

#include "core/db/database.h"
#include "core/password.h"
#include "core/prompt.h"
#include "core/session.h"
#include "core/settings.h"

#include <QSqlQuery>

namespace {
const QString dl = QStringLiteral("dl");
constexpr int allowedFailures = 2;
}

LoginService::InitialValues LoginService::initialValues()
{
    const Settings &s = App::settings();
    InitialValues v;
    v.name = s.value(dl, QStringLiteral("user"), QStringLiteral("sa"));
    v.rememberPassword = s.value(dl, QStringLiteral("bcmm"), QStringLiteral("T")) == QLatin1String("T");
    if (v.rememberPassword)
        v.password = s.value(dl, QStringLiteral("mm"), QStringLiteral("123"));
    v.openBirthdayReminder = s.value(dl, QStringLiteral("srtx"), QStringLiteral("T")) == QLatin1String("T");
    return v;
}

bool LoginService::firstRun() { return App::settings().intValue(dl, QStringLiteral("cs"), 0) == 0; }

LoginService::Result LoginService::login(const QString &name, const QString &password, bool rememberPassword,
                                         bool openBirthdayReminder)
{
    if (name.isEmpty()) {
        prompt().info(QStringLiteral("请先填写“登录名称”!"));
        return Result::Stay;
    }
    if (!Database::isOpen()) {
        const QString reason = Database::lastError();
        prompt().info(reason.isEmpty() ? QStringLiteral("数据库未打开") : reason);
        return Result::Stay;
    }

    qint64 rowId = -1;
    QString code, userName, rights, stored;
    try {
        // DLMC is a NOCASE column: the login name matches in any letter case.
        QSqlQuery q = Db::execSql(
            QStringLiteral("SELECT rowid, BM, MC, qxqt, MM FROM bm_yg WHERE DLMC = ? ORDER BY rowid LIMIT 1"), {name});
        if (!q.next()) {
            prompt().info(QStringLiteral("\"登录名称\"不存在,请重新填写!"));
            return Result::Stay;
        }
        rowId = q.value(0).toLongLong();
        code = q.value(1).toString();
        userName = q.value(2).toString();
        rights = q.value(3).toString();
        stored = q.value(4).toString();
    } catch (const DbError &e) {
        prompt().info(e.text());
        return Result::Stay;
    }

    if (!Password::verify(stored, password)) {
        if (++m_failures > allowedFailures) {
            prompt().plain(QStringLiteral("错误次数过多，系统将自动退出！"));
            return Result::Cancel;
        }
        prompt().info(QStringLiteral("“登录密码”有误,请重新填写!"));
        return Result::Stay;
    }

    // A plain password from an older file is replaced by its hash now that it
    // has been verified. Failing that is no reason to refuse the login.
    if (!stored.isEmpty() && !Password::isHash(stored)) {
        const QString hashed = Password::hash(password);
        if (!hashed.isEmpty()) {
            try {
                Db::execSql(QStringLiteral("UPDATE bm_yg SET MM = ? WHERE rowid = ? AND MM = ?"), {hashed, rowId, stored});
            } catch (const DbError &) {
            }
        }
    }

    Session &s = App::session();
    s.currentUserCode = code;
    s.currentUserName = userName;
    s.currentUserRights = rights;
    s.shortNumberFlag = App::settings().value(QStringLiteral("xsd"), QStringLiteral("DDH"), QStringLiteral("F"));
    s.refreshUserRow();

    remember(name, password, rememberPassword, openBirthdayReminder);
    return Result::Ok;
}

void LoginService::remember(const QString &name, const QString &password, bool rememberPassword,
                            bool openBirthdayReminder)
{
    Settings &s = App::settings();
    s.setValue(dl, QStringLiteral("user"), name);
    // The password stays on disk only while the user asks for it to be remembered.
    if (rememberPassword)
        s.setValue(dl, QStringLiteral("mm"), password);
    else
        s.remove(dl, QStringLiteral("mm"));
    s.setFlag(dl, QStringLiteral("bcmm"), rememberPassword);
    s.setInt(dl, QStringLiteral("cs"), s.intValue(dl, QStringLiteral("cs"), 0) + 1);
    s.setFlag(dl, QStringLiteral("srtx"), openBirthdayReminder);
}
