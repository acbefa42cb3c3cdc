#pragma once
#include "core/db/grid_spec.h"
#include "core/outcome.h"

class RecordSet;

// The member levels (会员级别): each level holds the members whose total points
// P lie in [QJF, ZJF), ZJF 0 meaning no upper end. Ranges may not overlap and
// a top must lie above its bottom, so that RecalcMemberLevel finds one level
// at most. Members carry the level's name, so a renamed level is carried into
// bm_kh.JB by the same save.
namespace LevelList {

GridSpec spec();

// Why the levels of the set cannot be saved as they are (success when they
// can); *failedRow names a row at fault:
//   a top not above its bottom: "<名称>的最高积分必须大于最低积分（0表示不限）！"
//   two overlapping ranges:     "<名称>与<名称>的积分区间重叠！"
Outcome checkRanges(const RecordSet &set, int *failedRow);

} // namespace LevelList
