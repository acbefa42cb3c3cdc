#include "masterdata/points_correction.h"

#include "core/clock.h"
#include "core/db/database.h"
#include "core/session.h"

#include <cmath>

namespace PointsCorrection {

namespace {

const QString failed = QStringLiteral("修改失败！");

bool isWholeNotNegative(double v) { return std::isfinite(v) && v >= 0 && v == std::floor(v) && v < 1e15; }

std::optional<Counters> readCounters(const QString &code, QString *name = nullptr)
{
    QSqlQuery q = Db::execSql(
        QStringLiteral("SELECT COALESCE(ZJF, 0), COALESCE(DXJF, 0), COALESCE(SYJF, 0), MC FROM bm_kh WHERE BM = ?"),
        {code});
    if (!q.next())
        return std::nullopt;
    if (name)
        *name = q.value(3).toString();
    return Counters{q.value(0).toDouble(), q.value(1).toDouble(), q.value(2).toDouble()};
}

QString counterText(double v) { return QString::number(v, 'f', std::floor(v) == v ? 0 : 2); }

} // namespace

bool mayCorrect()
{
    Session &s = App::session();
    // The row as it is now: a right taken away since login no longer counts.
    if (!s.refreshUserRow())
        return false;
    return s.hasRight(QStringLiteral("15"));
}

QString nextNumber()
{
    const QString prefix = Clock::today().toString(QStringLiteral("yyyyMMdd")) + App::session().currentUserCode;
    // Every number of this prefix, so that an employee whose code begins with
    // this one ("0011" beside "001") does not lend us their counter.
    QString pattern = prefix;
    pattern.replace(QLatin1Char('\\'), QLatin1String("\\\\"))
        .replace(QLatin1Char('%'), QLatin1String("\\%"))
        .replace(QLatin1Char('_'), QLatin1String("\\_"));
    QSqlQuery q = Db::execSql(QStringLiteral("SELECT ID FROM JF_XG WHERE ID LIKE ? ESCAPE '\\'"),
                              {pattern + QLatin1Char('%')});
    int highest = 0;
    while (q.next()) {
        const QString id = q.value(0).toString();
        if (id.size() != prefix.size() + 5 || !id.startsWith(prefix))
            continue;
        bool ok = false;
        const int n = id.mid(prefix.size()).toInt(&ok);
        if (ok && n > highest)
            highest = n;
    }
    return prefix + QStringLiteral("%1").arg(highest + 1, 5, 10, QLatin1Char('0'));
}

std::optional<Draft> start(const QString &memberCode)
{
    Draft d;
    const std::optional<Counters> c = readCounters(memberCode, &d.memberName);
    if (!c)
        return std::nullopt;
    d.memberCode = memberCode;
    d.before = *c;
    d.date = Clock::today().toString(Qt::ISODate);
    d.number = nextNumber();
    return d;
}

Outcome apply(Draft &draft, const Counters &after, Counters *fresh)
{
    for (double v : {after.zjf, after.dxjf, after.syjf})
        if (!isWholeNotNegative(v))
            return Outcome::failure(QStringLiteral("积分必须是不小于0的整数！"));
    if (after.syjf != after.zjf - after.dxjf)
        return Outcome::failure(QStringLiteral("总积分减去兑现积分应该等于剩余积分！"));

    try {
        Transaction tx;
        if (!tx.active())
            return Outcome::failure(failed, tx.commit().detail);
        // Taken inside the transaction, which holds the write lock: no other
        // counter can take the same number before this one is written.
        const QString number = nextNumber();
        const Counters &b = draft.before;
        QSqlQuery update = Db::execSql(
            QStringLiteral("UPDATE bm_kh SET ZJF = ?, DXJF = ?, SYJF = ? WHERE BM = ? AND COALESCE(ZJF, 0) = ? "
                           "AND COALESCE(DXJF, 0) = ? AND COALESCE(SYJF, 0) = ?"),
            {after.zjf, after.dxjf, after.syjf, draft.memberCode, b.zjf, b.dxjf, b.syjf});
        if (update.numRowsAffected() != 1) {
            tx.rollback();
            const std::optional<Counters> now = readCounters(draft.memberCode);
            if (!now)
                return Outcome::failure(failed, QStringLiteral("会员已被删除。"));
            if (fresh)
                *fresh = *now;
            return Outcome::failure(failed, QStringLiteral("会员积分已被其他操作修改，现在为：总积分 %1，兑现积分 %2，剩余积分 %3。")
                                                .arg(counterText(now->zjf), counterText(now->dxjf),
                                                     counterText(now->syjf)));
        }
        Db::execSql(QStringLiteral("INSERT INTO JF_XG (ID, RQ, KHBM, KHMC, ZJF, DXJF, SYJF, X_ZJF, X_DXJF, X_SYJF) "
                                   "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                    {number, draft.date, draft.memberCode, draft.memberName, b.zjf, b.dxjf, b.syjf, after.zjf,
                     after.dxjf, after.syjf});
        if (Outcome committed = tx.commit(); !committed)
            return Outcome::failure(failed, committed.detail);
        draft.number = number;
        draft.before = after;
        return Outcome::success(QStringLiteral("修改成功！"));
    } catch (const DbError &e) {
        return Outcome::failure(failed, e.text());
    }
}

} // namespace PointsCorrection
