#include "masterdata/hotel_list.h"

#include "core/db/record_set.h"

namespace HotelList {

GridSpec spec()
{
    GridSpec s;
    s.table = QStringLiteral("bm_xm");
    s.order = {{QStringLiteral("BM")}};
    s.keyColumn = QStringLiteral("BM");
    s.columns.push_back(GridColumn::of("BM", "编码", 120));
    s.columns.push_back(GridColumn::of("MC", "名称", 300));
    GridColumn expense = GridColumn::of("SZ", "支出");
    expense.hidden = true;
    s.columns.push_back(expense);
    s.filterFields = {QStringLiteral("BM"), QStringLiteral("MC")};
    s.newRowDefaults = [](RecordSet &set, int row) { set.setValue(row, QStringLiteral("SZ"), true); };
    return s;
}

QueryText itemsQuery(bool expense)
{
    // A flag never set counts as neither kind: it shows in neither picker.
    return {QStringLiteral("SELECT BM, MC, SZ FROM bm_xm WHERE SZ = ? ORDER BY BM"), {expense}};
}

std::vector<GridColumn> itemColumns()
{
    std::vector<GridColumn> c;
    c.push_back(GridColumn::of("BM", "编码", 120));
    c.push_back(GridColumn::of("MC", "项目名称", 300));
    GridColumn expense = GridColumn::of("SZ", "支出");
    expense.hidden = true;
    c.push_back(expense);
    return c;
}

} // namespace HotelList
