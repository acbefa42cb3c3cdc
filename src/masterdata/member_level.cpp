#include "masterdata/member_level.h"

#include "core/db/database.h"
#include "core/text/money.h"

#include <cmath>

namespace {

// Points come from divisions (amount / points rule) that land a hair below a
// whole number (0.29 / 0.01 = 28.999…); those count as the whole number.
double wholePoints(double points)
{
    return std::trunc(std::round(points * 1e6) / 1e6);
}

} // namespace

void MemberLevel::RecalcMemberLevel(const QString &code, bool add, double points, double debt, double spending)
{
    QSqlQuery member =
        Db::execSql(QStringLiteral("SELECT ZJF, DXJF, LJXF, ZHQK, TSJ FROM bm_kh WHERE BM = ?"), {code});
    if (!member.next())
        return;
    double zjf = member.value(0).toDouble();
    const double dxjf = member.value(1).toDouble();
    double ljxf = member.value(2).toDouble();
    double zhqk = member.value(3).toDouble();
    const bool tsj = member.value(4).toInt() != 0;
    member.finish();

    const double sign = add ? 1.0 : -1.0;
    const double p = wholePoints(points);
    // Balances are rounded to the cent the ordinary way: the line rounding R2
    // would move a negative whole amount by a cent.
    ljxf = Money::roundMoney(ljxf + sign * spending);
    zjf = zjf + sign * p;
    zhqk = Money::roundMoney(zhqk + sign * debt);
    const double syjf = zjf - dxjf;

    if (!tsj) {
        Db::execSql(QStringLiteral("UPDATE bm_kh SET LJXF = ?, ZJF = ?, ZHQK = ?, SYJF = ? WHERE BM = ?"),
                {ljxf, zjf, zhqk, syjf, code});
        return;
    }

    // The highest level whose lower bound the points reach; a level's ZJF is
    // its exclusive upper bound, 0 meaning open.
    QSqlQuery level = Db::execSql(QStringLiteral("SELECT MC, ZK FROM BM_KHJB WHERE QJF <= ? AND (ZJF > ? OR ZJF = 0) "
                                             "ORDER BY QJF DESC, BM LIMIT 1"),
                              {zjf, zjf});
    QString jb = QStringLiteral("");
    double zk = 0.0;
    if (level.next()) {
        jb = level.value(0).toString();
        zk = level.value(1).toDouble();
    }
    level.finish();
    Db::execSql(QStringLiteral("UPDATE bm_kh SET LJXF = ?, ZJF = ?, ZHQK = ?, SYJF = ?, JB = ?, ZK = ? WHERE BM = ?"),
            {ljxf, zjf, zhqk, syjf, jb, zk, code});
}
