#include "system/password_change.h"

#include "core/db/database.h"
#include "core/password.h"
#include "core/prompt.h"
#include "core/session.h"
#include "core/settings.h"

#include <QSqlQuery>

namespace PasswordChange {
namespace {
const QString caption = QStringLiteral("提示：");

Outcome tell(Outcome outcome, const QString &text)
{
    prompt().info(text, caption);
    return outcome;
}
}

QString windowCaption() { return QStringLiteral("修改密码 :") + App::session().currentUserName; }

Outcome change(const QString &oldPassword, const QString &newPassword, const QString &repeatedPassword)
{
    const QString code = App::session().currentUserCode;
    try {
        QSqlQuery q = Db::execSql(QStringLiteral("SELECT MM FROM bm_yg WHERE BM = ?"), {code});
        // Without the user's row there is nothing the old password could match;
        // reporting success for an update of no row would be a lie.
        if (!q.next() || !Password::verify(q.value(0).toString(), oldPassword))
            return tell(Outcome::WrongOldPassword, QStringLiteral("原密码错！"));
        if (newPassword.isEmpty())
            return tell(Outcome::EmptyNewPassword, QStringLiteral("新密码不能为空！"));
        if (newPassword != repeatedPassword)
            return tell(Outcome::Mismatch, QStringLiteral("新密码与验证密码不一致！"));
        const QString hashed = Password::hash(newPassword);
        // An empty hash would store the empty password: refuse rather than weaken the account.
        if (hashed.isEmpty())
            throw DbError(QStringLiteral("无法生成密码摘要"));
        // A new password ends every remembered login of the old one, at every counter.
        Db::execSql(QStringLiteral("UPDATE bm_yg SET MM = ?, DLLP = NULL WHERE BM = ?"), {hashed, code});
        App::settings().remove(QStringLiteral("dl"), QStringLiteral("lp"));
    } catch (const DbError &e) {
        prompt().message(e.text(), caption, Prompt::Icon::Critical);
        return Outcome::Failed;
    }
    return tell(Outcome::Changed, QStringLiteral("密码修改成功！"));
}

::Outcome resetPassword(const QString &employeeCode, const QString &newPassword)
{
    if (!App::session().isAdministrator())
        return ::Outcome::failure(QStringLiteral("只有系统管理员才能使用此功能！"));
    if (newPassword.isEmpty())
        return ::Outcome::failure(QStringLiteral("新密码不能为空！"));
    const QString hashed = Password::hash(newPassword);
    // An empty hash would store the empty password: refuse rather than weaken the account.
    if (hashed.isEmpty())
        return ::Outcome::failure(QStringLiteral("密码重置失败！"), QStringLiteral("无法生成密码摘要"));
    try {
        QSqlQuery q = Db::execSql(QStringLiteral("UPDATE bm_yg SET MM = ?, DLLP = NULL WHERE BM = ?"), {hashed, employeeCode});
        if (q.numRowsAffected() < 1)
            return ::Outcome::failure(QStringLiteral("您所输入的编码不存在！"));
    } catch (const DbError &e) {
        return ::Outcome::failure(QStringLiteral("密码重置失败！"), e.text());
    }
    return ::Outcome::success(QStringLiteral("密码重置成功！"));
}
}
