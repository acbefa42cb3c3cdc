#include "masterdata/points_goods.h"

#include "core/db/record_set.h"

namespace PointsGoods {

std::vector<GridColumn> columns()
{
    std::vector<GridColumn> c;
    c.push_back(GridColumn::of("BM", "商品编码", 100));
    c.push_back(GridColumn::of("MC", "商品名称", 180));
    c.push_back(GridColumn::of("XH", "型号", 90));
    c.push_back(GridColumn::of("DW", "单位", 60));
    c.push_back(GridColumn::of("BZ", "备注", 160));
    c.push_back(GridColumn::of("KCSL", "库存数量", 80));
    c.push_back(GridColumn::of("JF", "所需积分", 80));
    return c;
}

GridSpec spec()
{
    GridSpec s;
    s.table = QStringLiteral("bm_jfsp");
    s.order = {{QStringLiteral("BM")}};
    s.keyColumn = QStringLiteral("BM");
    s.columns = columns();
    s.newRowDefaults = [](RecordSet &set, int row) { set.setValue(row, QStringLiteral("KCSL"), 0.0); };
    return s;
}

QueryText pickerQuery()
{
    return {QStringLiteral("SELECT BM, MC, XH, DW, BZ, KCSL, JF FROM bm_jfsp ORDER BY BM"), {}};
}

} // namespace PointsGoods
