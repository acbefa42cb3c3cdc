#include "masterdata/member_rules.h"

#include "core/db/database.h"
#include "core/db/record_set.h"

#include <QVariant>
#include <cmath>

namespace MemberRules {

namespace {

// Where a member code is used, in the order the refusal names them. Table and
// column names are fixed here; the code itself is always bound.
struct Use
{
    const char *table;
    const char *column;
    const char *kind;
};
const Use uses[] = {
    {"xsd_zb", "KHBM", "销售单"},   {"skd_zb", "KHBM", "收款单"},       {"czd_zb", "KHBM", "充值单"},
    {"djf_zb", "KHBM", "兑换积分单"}, {"xtd_zb", "KHBM", "销售退货单"}, {"JF_XG", "KHBM", "积分修改"},
    {"bm_kh", "JSRBM", "介绍人"},
};

bool isDefaultCustomer(const QString &code)
{
    return Db::scalarSql(QStringLiteral("SELECT 1 FROM bm_gsxx WHERE MR_KH = ?"), {code}).isValid();
}

bool hasBalance(const QString &code)
{
    QSqlQuery q = Db::execSql(QStringLiteral("SELECT COALESCE(ZHYE, 0), COALESCE(ZHQK, 0) FROM bm_kh WHERE BM = ?"),
                              {code});
    if (!q.next())
        return false;
    // Amounts are kept at two places; anything below a cent is rounding dust.
    return std::abs(q.value(0).toDouble()) >= 0.005 || std::abs(q.value(1).toDouble()) >= 0.005;
}

} // namespace

QString walkInCode() { return QStringLiteral("999"); }

QString firstUse(const QString &code)
{
    for (const Use &u : uses) {
        QString sql = QStringLiteral("SELECT 1 FROM %1 WHERE %2 = ?").arg(QLatin1String(u.table), QLatin1String(u.column));
        QVariantList binds{code};
        if (QLatin1String(u.table) == QLatin1String("bm_kh")) {
            // A member naming itself as introducer does not hold itself back.
            sql += QStringLiteral(" AND BM <> ?");
            binds << code;
        }
        sql += QStringLiteral(" LIMIT 1");
        if (Db::scalarSql(sql, binds).isValid())
            return QString::fromUtf8(u.kind);
    }
    return QString();
}

Outcome deleteRefusal(const QString &code)
{
    if (code == walkInCode())
        return Outcome::failure(QStringLiteral("普通客户（999）不能删除！"));
    if (const QString kind = firstUse(code); !kind.isEmpty())
        return Outcome::failure(QStringLiteral("当前会员在") + kind + QStringLiteral("使用过，无法删除！"));
    if (hasBalance(code))
        return Outcome::failure(QStringLiteral("当前会员账户余额或欠款不为0，无法删除！"));
    if (isDefaultCustomer(code))
        return Outcome::failure(QStringLiteral("当前会员是公司信息中的默认客户，无法删除！"));
    return Outcome::success();
}

Outcome codeChangeRefusal(const QString &code)
{
    if (code == walkInCode())
        return Outcome::failure(QStringLiteral("普通客户（999）不能修改编码！"));
    if (const QString kind = firstUse(code); !kind.isEmpty())
        return Outcome::failure(QStringLiteral("当前会员在") + kind + QStringLiteral("使用过，无法修改编码！"));
    if (isDefaultCustomer(code))
        return Outcome::failure(QStringLiteral("当前会员是公司信息中的默认客户，无法修改编码！"));
    return Outcome::success();
}

QString nextCode(const QString &code)
{
    if (code.isEmpty())
        return QString();
    for (const QChar c : code)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return QString();
    // Digit by digit, so that codes longer than any integer type still count up.
    QString next = code;
    for (qsizetype i = next.size() - 1; i >= 0; --i) {
        if (next[i] != QLatin1Char('9')) {
            next[i] = QChar(next[i].unicode() + 1);
            break;
        }
        next[i] = QLatin1Char('0');
    }
    return next == walkInCode() ? QString() : next;
}

QString discountRefusal(const QVariant &value)
{
    bool ok = false;
    const double d = value.toDouble(&ok);
    if (value.isNull() || !ok || d < 0.1 - 1e-9 || d > 1 + 1e-9)
        return QStringLiteral("折扣率请输入0.1至1的数字！");
    return QString();
}

void newRowDefaults(RecordSet &set, int row)
{
    for (const char *f : {"ZJF", "DXJF", "SYJF", "JSRJF", "LJXF", "ZHYE", "ZHQK"})
        set.setValue(row, QString::fromLatin1(f), 0.0);
}

Outcome checkSave(const RecordSet &set, int *failedRow)
{
    *failedRow = -1;
    for (const QVariant &key : set.deletedKeys())
        if (Outcome refused = deleteRefusal(key.toString()); !refused)
            return refused;
    const int code = set.fieldIndex(QStringLiteral("BM"));
    for (int row : set.changedRows()) {
        const QVariant loaded = set.loadedKey(row);
        if (loaded.isNull() || loaded.toString() == set.value(row, code).toString())
            continue;
        if (Outcome refused = codeChangeRefusal(loaded.toString()); !refused) {
            *failedRow = row;
            return refused;
        }
    }
    return Outcome::success();
}

} // namespace MemberRules
