#pragma once
#include "core/db/grid_spec.h"
#include "core/db/query_spec.h"

#include <QStringList>
#include <vector>

// What the customer picker Txzkh shows: every member, the walk-in "999"
// included, in code order, with the balances a caller takes over (a top-up
// shows ZHYE and SYJF, a redemption SYJF).
namespace CustomerList {
// SELECT of every member, the shown and searched columns, ordered by code.
QueryText pickerQuery();
// Every column of one member, as the picker hands it over; empty when the
// member is gone.
QVariantMap memberRow(const QString &code);
// 编码, 姓名, 卡号, 性别, 电话, 单位, 地址, 剩余积分, 账户余额, 账户欠款, 备注; the
// pinyin initials as a hidden column, so that the filter finds them.
std::vector<GridColumn> pickerColumns();
// The filter box searches code, name, card number, pinyin initials and mobile phone.
QStringList filterFields();
} // namespace CustomerList
