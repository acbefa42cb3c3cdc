#include "masterdata/supplier_list.h"

#include "core/db/database.h"
#include "core/db/record_set.h"

#include <utility>

namespace SupplierList {

GridSpec spec()
{
    GridSpec s;
    s.table = QStringLiteral("bm_ghs");
    s.order = {{QStringLiteral("BM")}};
    s.keyColumn = QStringLiteral("BM");
    const auto col = &GridColumn::of;
    s.columns.push_back(col("BM", "编码", 80));
    s.columns.push_back(col("MC", "名称", 180));
    s.columns.push_back(col("LXR", "联系人", 90));
    s.columns.push_back(col("DH", "电话", 110));
    s.columns.push_back(col("DZ", "地址", 200));
    for (const auto &[field, title] : {std::pair{"LJJE", "累计金额"}, std::pair{"ZHQK", "合计欠款"}}) {
        GridColumn money = col(field, title, 100);
        money.format = QStringLiteral("0.00");
        s.columns.push_back(money);
    }
    s.columns.push_back(col("BZ", "备注", 160));
    s.filterFields = {QStringLiteral("BM"), QStringLiteral("MC")};
    s.newRowDefaults = [](RecordSet &set, int row) {
        set.setValue(row, QStringLiteral("LJJE"), 0.0);
        set.setValue(row, QStringLiteral("ZHQK"), 0.0);
    };
    return s;
}

Outcome storedCount(int *count)
{
    *count = 0;
    try {
        *count = Db::scalarSql(QStringLiteral("SELECT COUNT(BM) FROM bm_ghs")).toInt();
    } catch (const DbError &e) {
        return Outcome::failure(QStringLiteral("读取供货商数量失败！"), e.text());
    }
    return Outcome::success();
}

} // namespace SupplierList
