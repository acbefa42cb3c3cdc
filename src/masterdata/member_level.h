#pragma once
#include <QString>

namespace MemberLevel {
// Books points, debt and spending on a member (add, or take back when add is
// false) and lets the level follow the new total points:
// LJXF ± spending, ZJF ± whole points (truncated towards zero), ZHQK ± debt,
// SYJF := ZJF − DXJF; then, for members with TSJ set, JB and ZK from the
// level whose range holds ZJF (QJF <= ZJF < level ZJF, or an open top level
// with ZJF 0); no level gives an empty JB and ZK 0. An unknown member code
// changes nothing. Runs on the shared connection and joins the caller's
// transaction when there is one.
void RecalcMemberLevel(const QString &code, bool add, double points, double debt, double spending);
} // namespace MemberLevel
