#pragma once
#include "core/db/grid_spec.h"
#include "core/outcome.h"

class RecordSet;

// 商品类别 (bm_splb): code, name and the points rule its products take.
namespace CategoryList {

// The grid: no code proposal, typed codes not looked up. A changed code is
// carried into the products of the category (bm_sp.LB) in the same save, so
// no product loses its category; deleting a category leaves its products.
GridSpec spec();

// 统一修改积分规则: saves the categories' pending edits, then gives every
// product its category's points rule, all in one transaction, overwriting
// rules edited on single products. "修改成功！" on success.
Outcome applyPointsRules(RecordSet &categories);

} // namespace CategoryList
