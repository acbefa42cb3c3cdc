#pragma once
#include "core/db/grid_spec.h"
#include "core/db/query_spec.h"

// Hotels and halls (bm_xm, window TBMXM): the same table holds the income and
// expense items of the trade documents; SZ tells them apart (true: expense).
// The wedding side adds hotels, so a new row is an expense item.
namespace HotelList {

GridSpec spec();

// The items the item picker (Txz_xm) lists: expense items (SZ true) for the
// expense document, income items (SZ false) for the other-income document.
QueryText itemsQuery(bool expense);
std::vector<GridColumn> itemColumns();

} // namespace HotelList
