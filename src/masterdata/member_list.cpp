#include "masterdata/member_list.h"

#include "core/clock.h"
#include "core/db/code_check.h"
#include "core/db/database.h"
#include "core/db/record_set.h"
#include "core/prompt.h"
#include "core/text/pinyin.h"
#include "masterdata/member_rules.h"

namespace MemberList {

namespace {

QStringList levelNames()
{
    QStringList names;
    QSqlQuery q = Db::execSql(QStringLiteral("SELECT MC FROM BM_KHJB ORDER BY BM"));
    while (q.next())
        if (!q.value(0).toString().isEmpty())
            names << q.value(0).toString();
    return names;
}

GridCondition notWalkIn()
{
    return {QStringLiteral("BM"), GridCondition::Op::NotEqual, MemberRules::walkInCode()};
}

} // namespace

QStringList priceTiers()
{
    return {QStringLiteral("原价"), QStringLiteral("售价一"), QStringLiteral("售价二"),
            QStringLiteral("售价三"), QStringLiteral("售价四"), QStringLiteral("售价五")};
}

std::vector<GridCondition> conditions(const QString &days)
{
    const QString t = days.trimmed();
    bool whole = !t.isEmpty() && t.size() <= 6;
    for (const QChar c : t)
        whole = whole && c >= QLatin1Char('0') && c <= QLatin1Char('9');
    if (!whole)
        return {notWalkIn()};
    const int n = t.toInt();
    const QDate today = Clock::today();
    const QString from = today.addDays(1 - n).toString(Qt::ISODate);
    // Before tomorrow rather than up to today: a join date kept with a time still counts.
    const QString before = today.addDays(1).toString(Qt::ISODate);
    return {notWalkIn(),
            {QStringLiteral("RQ"), GridCondition::Op::GreaterOrEqual, from},
            {QStringLiteral("RQ"), GridCondition::Op::Less, before}};
}

GridSpec spec()
{
    GridSpec s;
    s.table = QStringLiteral("bm_kh");
    s.conditions = conditions();
    s.order = {{QStringLiteral("BM")}};
    s.keyColumn = QStringLiteral("BM");
    s.filterFields = {QStringLiteral("BM"), QStringLiteral("MC"), QStringLiteral("KH"),
                      QStringLiteral("QTDH"), QStringLiteral("JP"), QStringLiteral("DH")};

    const auto col = &GridColumn::of;
    auto readOnly = [](GridColumn c) {
        c.readOnly = true;
        return c;
    };
    auto money = [](GridColumn c) {
        c.format = QStringLiteral("#0.00");
        return c;
    };
    auto date = [](GridColumn c) {
        c.format = QStringLiteral("yyyy-MM-dd");
        return c;
    };
    const QString birthday = QStringLiteral("生日（只能输入任意一个）");

    s.columns.push_back(col("BM", "编码", 70));
    s.columns.push_back(col("MC", "名称", 90));
    s.columns.push_back(col("KH", "卡号", 90));
    s.columns.push_back(col("DZ", "酒店", 140));
    s.columns.push_back(col("LJ", "年龄", 45));
    GridColumn sex = col("XB", "性别", 45);
    sex.pickList = {QStringLiteral("男"), QStringLiteral("女")};
    s.columns.push_back(sex);
    s.columns.push_back(col("DH", "手机", 110));
    s.columns.push_back(date(col("HQ", "结婚日期", 90)));
    s.columns.push_back(col("JSR", "介绍人", 80));
    s.columns.push_back(readOnly(col("ZJF", "总积分", 70)));
    s.columns.push_back(readOnly(col("DXJF", "兑现积分", 70)));
    s.columns.push_back(readOnly(col("SYJF", "剩余积分", 70)));
    s.columns.push_back(col("JSRJF", "介绍客户积分", 90));
    s.columns.push_back(col("QTDH", "其他电话", 110));
    s.columns.push_back(col("QQ", "QQ或微信", 100));
    GridColumn solar = date(col("SR", "公历生日", 90));
    solar.groupTitle = birthday;
    s.columns.push_back(solar);
    GridColumn lunar = date(col("SRBAK", "农历生日", 90));
    lunar.groupTitle = birthday;
    s.columns.push_back(lunar);
    s.columns.push_back(col("DW", "单位", 120));
    GridColumn level = col("JB", "会员级别", 80);
    level.pickList = levelNames();
    s.columns.push_back(level);
    s.columns.push_back(date(col("RQ", "办卡日期", 90)));
    s.columns.push_back(col("ZJLX", "证件类型", 80));
    s.columns.push_back(col("ZJ", "证件号码", 140));
    s.columns.push_back(col("JP", "简拼", 70));
    GridColumn tier = col("JG", "适用价格", 70);
    tier.hidden = true;
    tier.pickList = priceTiers();
    s.columns.push_back(tier);
    GridColumn discount = col("ZK", "折扣率（%）", 80);
    discount.validator = &MemberRules::discountRefusal;
    s.columns.push_back(discount);
    s.columns.push_back(readOnly(money(col("LJXF", "累计消费", 90))));
    s.columns.push_back(readOnly(money(col("ZHYE", "账户余额", 90))));
    s.columns.push_back(readOnly(money(col("ZHQK", "账户欠款", 90))));
    s.columns.push_back(col("BZ", "备注", 150));
    s.columns.push_back(date(col("ZJRQ", "最后消费", 90)));
    s.columns.push_back(col("TSJ", "自动升级", 60));

    s.newRowDefaults = &MemberRules::newRowDefaults;
    s.proposeCode = [](const QVariant &previous) -> QVariant { return MemberRules::nextCode(previous.toString()); };
    s.fieldChanged = [](RecordSet &set, int row, const QString &field) {
        if (field.compare(QLatin1String("BM"), Qt::CaseInsensitive) == 0) {
            set.setValue(row, QStringLiteral("JG"), QStringLiteral("原价"));
            set.setValue(row, QStringLiteral("ZK"), 1.0);
        } else if (field.compare(QLatin1String("MC"), Qt::CaseInsensitive) == 0) {
            set.setValue(row, QStringLiteral("JP"), Text::PinyinInitials(set.value(row, field).toString()));
        }
    };
    s.acceptEdit = [](const RecordSet &set, int row, const QString &field, const QVariant &value) {
        if (field.compare(QLatin1String("BM"), Qt::CaseInsensitive) != 0)
            return true;
        const QString code = value.toString().trimmed();
        const int f = set.fieldIndex(QStringLiteral("BM"));
        if (code.isEmpty())
            return false;
        if (code == set.value(row, f).toString())
            return true;
        const QVariant loaded = set.loadedKey(row);
        if (!loaded.isNull()) {
            if (Outcome refused = MemberRules::codeChangeRefusal(loaded.toString()); !refused) {
                prompt().warn(refused.message);
                return false;
            }
        }
        return !Db::CheckCodeUnique(QStringLiteral("BM_KH"), code);
    };
    s.acceptRemove = [](const RecordSet &set, int row) {
        const QVariant loaded = set.loadedKey(row);
        if (loaded.isNull())
            return true; // never saved: nothing holds it
        if (Outcome refused = MemberRules::deleteRefusal(loaded.toString()); !refused) {
            prompt().warn(refused.message);
            return false;
        }
        return true;
    };
    s.beforeWrite = &MemberRules::checkSave;
    return s;
}

Summary summary()
{
    Summary out;
    out.total = Db::scalarSql(QStringLiteral("SELECT COUNT(BM) FROM bm_kh")).toInt();
    QSqlQuery q = Db::execSql(QStringLiteral("SELECT JB, COUNT(BM) FROM bm_kh GROUP BY JB ORDER BY JB"));
    while (q.next())
        out.levels << QStringLiteral("有%1个%2").arg(q.value(1).toInt()).arg(q.value(0).toString());
    return out;
}

} // namespace MemberList
