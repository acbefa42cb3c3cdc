#pragma once
#include "core/db/grid_spec.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class RecordSet;

// The member list (会员资料): every member but the walk-in customer, in code
// order, with the shared member rules (MemberRules) on delete, code change and
// save; a new row's code counts up from the last row's.
namespace MemberList {

GridSpec spec();

// The six price tiers a member's JG names.
QStringList priceTiers();

// The rows the list loads: all members but the walk-in customer, or, for a
// day count given as a whole number N, those who joined in the last N days
// with today the last of them (0: none, 1: today). Any other text: all.
std::vector<GridCondition> conditions(const QString &days = QString());

// The count summary under "客户数量：": every member including the walk-in
// row, and "有" + count + "个" + level name for each level members carry.
struct Summary
{
    int total = 0;
    QStringList levels;
};
Summary summary();

} // namespace MemberList
