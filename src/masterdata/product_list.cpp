#include "masterdata/product_list.h"

#include "core/db/database.h"
#include "core/db/record_set.h"
#include "core/text/pinyin.h"
#include "masterdata/product_rules.h"

namespace ProductList {

std::vector<Category> categories()
{
    std::vector<Category> list;
    QSqlQuery q = Db::execSql(QStringLiteral("SELECT BM, MC, JFGZ FROM bm_splb ORDER BY BM"));
    while (q.next())
        list.push_back({q.value(0).toString(), q.value(1).toString(), q.value(2).toString()});
    return list;
}

QString pointsRuleOf(const QString &category)
{
    return Db::scalarSql(QStringLiteral("SELECT JFGZ FROM bm_splb WHERE BM = ?"), {category}).toString();
}

std::vector<GridCondition> conditionsFor(const QString &key)
{
    using Op = GridCondition::Op;
    if (key == rootKey)
        return {{QStringLiteral("LB"), Op::IsNotNull, QVariant()}};
    // A prefix as a range, so that "_" or "%" in a code stay plain characters:
    // every text beginning with the key sorts between the key and the key
    // followed by the greatest character.
    return {{QStringLiteral("LB"), Op::GreaterOrEqual, key},
            {QStringLiteral("LB"), Op::Less, key + QString(QChar::highSurrogate(0x10FFFF)) + QChar::lowSurrogate(0x10FFFF)}};
}

QString incrementCode(const QString &code)
{
    if (code.isEmpty())
        return QString();
    QString next = code;
    for (QChar c : code)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return QString();
    for (qsizetype i = next.size() - 1; i >= 0; --i) {
        if (next[i] != QLatin1Char('9')) {
            next[i] = QChar(next[i].unicode() + 1);
            return next;
        }
        next[i] = QLatin1Char('0'); // the carry past the width is lost
    }
    return next;
}

QString proposeCode(const QString &category, const QVariant &lastCode)
{
    if (lastCode.isNull())
        return category + QStringLiteral("0001");
    const QString last = lastCode.toString();
    if (!last.startsWith(category, Qt::CaseInsensitive))
        return incrementCode(last);
    const qsizetype n = last.size() - category.size();
    if (n == 0)
        return last; // the save then reports the duplicate
    const QString serial = incrementCode(last.right(n));
    return serial.isEmpty() ? QString() : category + serial;
}

GridSpec spec(std::shared_ptr<Selection> selection)
{
    GridSpec s;
    s.table = QStringLiteral("bm_sp");
    s.conditions = conditionsFor(selection->category);
    s.order = {{QStringLiteral("BM")}};
    s.keyColumn = QStringLiteral("BM");
    s.filterFields = {QStringLiteral("BM"), QStringLiteral("MC"), QStringLiteral("JP")};

    const auto col = &GridColumn::of;
    auto money = [&](const char *field, const char *title) {
        GridColumn c = col(field, title, 70);
        c.format = QStringLiteral("#0.00");
        return c;
    };
    auto hiddenStock = [&](const char *field, const char *title) {
        GridColumn c = col(field, title, 70);
        c.hidden = true;
        c.readOnly = true; // the trade documents keep the stock
        return c;
    };
    s.columns.push_back(col("BM", "商品编码", 90));
    s.columns.push_back(col("MC", "商品名称", 150));
    s.columns.push_back(col("MJ", "面积", 50));
    s.columns.push_back(col("SLHS", "数量核算", 60));
    GridColumn barcode = col("TXM", "条形码", 100);
    barcode.hidden = true;
    s.columns.push_back(barcode);
    s.columns.push_back(col("XH", "型号", 70));
    s.columns.push_back(col("DW", "单位", 50));
    s.columns.push_back(col("SCCJ", "附加信息", 100));
    s.columns.push_back(col("BZ", "备注", 120));
    s.columns.push_back(col("TDZ", "打折", 40));
    s.columns.push_back(col("TJF", "积分", 40));
    s.columns.push_back(hiddenStock("KCSL", "库存数量"));
    s.columns.push_back(hiddenStock("CBJJ", "成本均价"));
    s.columns.push_back(hiddenStock("KCJE", "库存金额"));
    s.columns.push_back(money("JJ", "进价"));
    s.columns.push_back(money("LSJ", "零售价"));
    s.columns.push_back(money("SJ1", "售价一"));
    s.columns.push_back(money("SJ2", "售价二"));
    s.columns.push_back(money("SJ3", "售价三"));
    s.columns.push_back(money("SJ4", "售价四"));
    s.columns.push_back(money("SJ5", "售价五"));
    s.columns.push_back(col("JP", "简拼", 70));
    s.columns.push_back(col("LB", "类别", 50));
    s.columns.push_back(col("JFGZ", "积分规则", 60));

    s.newRowDefaults = [selection](RecordSet &set, int row) {
        if (selection->isRoot())
            return;
        set.setValue(row, QStringLiteral("LB"), selection->category);
        set.setValue(row, QStringLiteral("SLHS"), false);
        set.setValue(row, QStringLiteral("TDZ"), true);
        set.setValue(row, QStringLiteral("TJF"), true);
        // Balances start at 0: a relative update of an empty one stays empty.
        for (const char *f : {"MJ", "KCSL", "KCJE", "CBJJ"})
            set.setValue(row, QString::fromLatin1(f), 0.0);
        set.setValue(row, QStringLiteral("JFGZ"), selection->pointsRule);
    };
    s.proposeCode = [selection](const QVariant &lastCode) -> QVariant {
        if (selection->isRoot())
            return QVariant();
        return proposeCode(selection->category, lastCode);
    };
    ProductRules::applyTo(s);
    return s;
}

} // namespace ProductList
