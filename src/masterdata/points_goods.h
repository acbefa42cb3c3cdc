#pragma once
#include "core/db/grid_spec.h"
#include "core/db/query_spec.h"

// Points goods (bm_jfsp, window TJFSP): the gifts a member takes for points,
// with their own stock. Redemption audits move KCSL by relative updates, so a
// new good starts at 0 in stock rather than empty.
namespace PointsGoods {

GridSpec spec();

// The read-only list of the picker TXZJFSP: the same rows and columns.
QueryText pickerQuery();
std::vector<GridColumn> columns();

} // namespace PointsGoods
