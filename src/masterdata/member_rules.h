#pragma once
#include "core/outcome.h"

#include <QString>

class RecordSet;

// What every window that edits members obeys (the member list, the reminder
// grids): which members may be deleted or re-coded, and what a new member row
// starts with. The checks read the database, so a save runs them again inside
// its own transaction (checkSave) and sees documents another window wrote
// since the grid asked.
namespace MemberRules {

// The walk-in customer: never listed by the member grids, deleted or re-coded.
QString walkInCode();

// The first kind of record that uses the member, in this order: 销售单,
// 收款单, 充值单, 兑换积分单, 销售退货单, 积分修改, 介绍人 (another member names it
// as introducer); empty when none does.
QString firstUse(const QString &code);

// Why the member cannot be deleted (success when it can):
//   the walk-in customer:          "普通客户（999）不能删除！"
//   used by a record:              "当前会员在" + kind + "使用过，无法删除！"
//   a balance or debt other than 0: "当前会员账户余额或欠款不为0，无法删除！"
//   the company's default customer: "当前会员是公司信息中的默认客户，无法删除！"
Outcome deleteRefusal(const QString &code);

// Why the member's code cannot change (success when it can): documents and
// the company's default customer hold the code, so such a member keeps it.
//   the walk-in customer:          "普通客户（999）不能修改编码！"
//   used by a record:              "当前会员在" + kind + "使用过，无法修改编码！"
//   the company's default customer: "当前会员是公司信息中的默认客户，无法修改编码！"
Outcome codeChangeRefusal(const QString &code);

// The next member code after `code`: the number one higher at the same width,
// a carry past the width lost (0099 → 0100, 12 → 13, 9999 → 0000); empty when
// the code is not all digits or empty. The reserved "999" is never proposed:
// after 998 the proposal is empty.
QString nextCode(const QString &code);

// A discount multiplier as typed: the refusal text, empty when it is 0.1 to 1.
QString discountRefusal(const QVariant &value);

// A new member row: the balances start at 0 (an empty balance would swallow
// every later relative update).
void newRowDefaults(RecordSet &set, int row);

// The member rules of a record set over bm_kh, for GridSpec::beforeWrite:
// every deleted member and every changed code as loaded is checked again.
Outcome checkSave(const RecordSet &set, int *failedRow);

} // namespace MemberRules
