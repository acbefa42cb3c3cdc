#include "masterdata/level_list.h"

#include "core/db/database.h"
#include "core/db/record_set.h"
#include "masterdata/member_rules.h"

#include <limits>

namespace LevelList {

namespace {

QString notNegative(const QVariant &value)
{
    if (!value.isNull() && value.toDouble() < 0)
        return QStringLiteral("所需积分不能小于0！");
    return QString();
}

// Members carry a level by name: a name changed in this save moves them along.
// Runs before the levels are written, so the database still holds the old names.
Outcome carryRenames(const RecordSet &set)
{
    const int name = set.fieldIndex(QStringLiteral("MC"));
    for (int row : set.changedRows()) {
        const QVariant loaded = set.loadedKey(row);
        if (set.rowState(row) != RecordSet::RowState::Modified || loaded.isNull())
            continue;
        QSqlQuery q = Db::execSql(QStringLiteral("SELECT MC FROM BM_KHJB WHERE BM = ?"), {loaded});
        if (!q.next())
            continue; // gone: the save itself reports it
        const QString before = q.value(0).toString();
        const QString after = set.value(row, name).toString();
        if (before.isEmpty() || before == after)
            continue;
        Db::execSql(QStringLiteral("UPDATE bm_kh SET JB = ? WHERE JB = ?"), {after, before});
    }
    return Outcome::success();
}

} // namespace

Outcome checkRanges(const RecordSet &set, int *failedRow)
{
    *failedRow = -1;
    const int name = set.fieldIndex(QStringLiteral("MC"));
    const int low = set.fieldIndex(QStringLiteral("QJF"));
    const int high = set.fieldIndex(QStringLiteral("ZJF"));
    const double open = std::numeric_limits<double>::infinity();
    struct Range
    {
        double from, to;
    };
    std::vector<Range> ranges;
    for (int row = 0; row < set.rowCount(); ++row) {
        const double from = set.value(row, low).toDouble();
        const double top = set.value(row, high).toDouble();
        if (top != 0 && top <= from) {
            *failedRow = row;
            return Outcome::failure(set.value(row, name).toString() +
                                    QStringLiteral("的最高积分必须大于最低积分（0表示不限）！"));
        }
        ranges.push_back({from, top == 0 ? open : top});
    }
    for (int a = 0; a < int(ranges.size()); ++a)
        for (int b = a + 1; b < int(ranges.size()); ++b)
            if (ranges[size_t(a)].from < ranges[size_t(b)].to && ranges[size_t(b)].from < ranges[size_t(a)].to) {
                *failedRow = b;
                return Outcome::failure(QStringLiteral("%1与%2的积分区间重叠！")
                                            .arg(set.value(a, name).toString(), set.value(b, name).toString()));
            }
    return Outcome::success();
}

GridSpec spec()
{
    GridSpec s;
    s.table = QStringLiteral("BM_KHJB");
    s.order = {{QStringLiteral("BM")}};
    s.keyColumn = QStringLiteral("BM");

    const auto col = &GridColumn::of;
    s.columns.push_back(col("BM", "编码", 70));
    s.columns.push_back(col("MC", "名称", 100));
    GridColumn discount = col("ZK", "折扣率（%）", 80);
    discount.validator = &MemberRules::discountRefusal;
    s.columns.push_back(discount);
    const QString range = QStringLiteral("积分区间");
    GridColumn low = col("QJF", "最低积分", 90);
    low.groupTitle = range;
    low.validator = &notNegative;
    s.columns.push_back(low);
    GridColumn high = col("ZJF", "最高积分", 90);
    high.groupTitle = range;
    high.validator = &notNegative;
    s.columns.push_back(high);

    s.fieldChanged = [](RecordSet &set, int row, const QString &field) {
        if (field.compare(QLatin1String("BM"), Qt::CaseInsensitive) == 0)
            set.setValue(row, QStringLiteral("ZK"), 1.0);
    };
    // The whole table is in the set, so its ranges are checked as a whole.
    s.beforeWrite = [](const RecordSet &set, int *failedRow) {
        if (Outcome refused = checkRanges(set, failedRow); !refused)
            return refused;
        return carryRenames(set);
    };
    return s;
}

} // namespace LevelList
