#pragma once
#include "core/outcome.h"

#include <QDate>
#include <QString>
#include <QVariantMap>

// 添加会员: the new member as the add-member dialog collects it, the code it
// proposes and the one operation that writes it.
namespace MemberAdd {

struct NewMember
{
    QString code;
    QString name;
    QString card;
    QString priceTier = QStringLiteral("原价");
    QString discount = QStringLiteral("1"); // as typed; empty counts as 1
    QString sex = QStringLiteral("男");
    QString age;
    QDate birthday;     // null: none entered
    bool lunarBirthday = false; // the birthday goes to SRBAK instead of SR
    QDate weddingDate;  // null: none entered
    QString mobile;
    QString otherPhone;
    QString idType;
    QString idNumber;
    QString qq;
    QString hotel;
    QString remarks;
    QDate joinDate;
    QString introducerCode;
    QString introducerName;
    QString introducerPoints = QStringLiteral("0"); // as typed; empty counts as 0
    bool autoUpgrade = false;
};

// The code the dialog proposes: when the greatest number among the member
// codes (other than the walk-in "999"; a code counts by its leading digits)
// is 999 or more, that number plus one (998 and 1500 → 1501); otherwise the
// last code in text order plus one at its width (001 … 098 → 099, 0099 →
// 0100, a carry past the width lost: 9999 → 0000). Empty when there are no
// members or the last code is not a number. The reserved "999" is never
// proposed: after 998 comes the next free code above it.
QString proposeCode();

// The code plus one at its width, a carry past the width lost; empty when the
// code is empty or not all digits.
QString incrementCode(const QString &code);

// Whether a member has this code (the check on leaving the code box).
bool codeExists(const QString &code);

// The introducer points a new member earns its introducer ([xsd] jsjf, "0" by default).
QString introducerPointsSetting();

// Writes the member and credits its introducer, in one transaction: either
// both happen or neither, so a retry after a failure never credits twice.
// Checked before anything is written:
//   an empty code:                       "编码不能为空！"
//   a discount not from 0.1 to 1:         "折扣率请输入0.1至1的数字！"
//   introducer points not a whole number ≥ 0: "介绍人积分请输入不小于0的整数！"
//   an introducer code naming no member:  "介绍人编码不存在，请重新选择介绍人！"
//   the member as its own introducer:     "介绍人不能是会员自己！"
// Checked inside the transaction (another window may have taken the code):
//   the code in use:                      "当行会员卡号已存在，请换用别的卡号！"
// The member gets JP from its name, balances and points 0, RQ the join date,
// the birthday in SR or (lunar) SRBAK, JSR the introducer's stored name.
// The introducer gains the points in JSRJF, ZJF and SYJF (not DXJF), and its
// level follows its new total when it upgrades automatically.
Outcome addMember(const NewMember &member);

// The stored row of a member (field → value), empty when there is none.
QVariantMap memberRow(const QString &code);

} // namespace MemberAdd
