#pragma once
#include "core/outcome.h"

#include <QString>
#include <optional>

// 积分修改: overwrites a member's three point counters and logs the change in
// JF_XG. The log row and the member update are one transaction, and the
// member is written only while its counters still equal those the user saw,
// so a redemption or an order booked meanwhile is never overwritten unseen.
namespace PointsCorrection {

struct Counters
{
    double zjf = 0;  // 总积分
    double dxjf = 0; // 兑现积分
    double syjf = 0; // 剩余积分
};

// What the dialog shows when it opens.
struct Draft
{
    QString number; // the adjustment number as it stands now (taken again at save)
    QString date;   // today, "yyyy-MM-dd"
    QString memberCode;
    QString memberName;
    Counters before;
};

// Whether the logged-in user holds right 15, read from the user's row by code.
bool mayCorrect();

// The next adjustment number of the logged-in employee today: today as
// yyyyMMdd, the employee code and a five-digit counter one above the highest
// of that prefix in JF_XG (00001 for the first). The counter is read after the
// prefix whatever the employee code's length.
QString nextNumber();

// The draft for a member; nothing when the member does not exist.
std::optional<Draft> start(const QString &memberCode);

// Writes the correction. Refusals, before anything is written:
//   not whole numbers ≥ 0:       "积分必须是不小于0的整数！"
//   剩余 ≠ 总 − 兑现:             "总积分减去兑现积分应该等于剩余积分！"
// A failure while writing rolls everything back and says "修改失败！" with the
// reason; when the member's counters changed since the draft, the reason tells
// the new values and *fresh receives them (the draft's `before` should follow).
// On success the draft's number becomes the number written.
Outcome apply(Draft &draft, const Counters &after, Counters *fresh = nullptr);

} // namespace PointsCorrection
