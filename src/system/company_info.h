#pragma once
#include "core/outcome.h"

#include <QString>
#include <optional>

// The company row bm_gsxx as the company window edits it: every column as the
// text of its box. A null column reads as a null string (the box stays empty).
struct CompanyInfo
{
    QString GSMC, DH, DZ;
    QString MR_GHS, MR_GHSMC, MR_KH, MR_KHMC;
    QString LOG, BF;
    QString XJF, QXTS, QXSJ;
    QString TZK = QStringLiteral("1.00"); // "0.00" format; "1.00" (no discount) when null
};

// Which picture the main window shows behind its work area, and what it must say.
struct BackgroundChoice
{
    QString path;    // the picture file to load
    QString message; // shown with caption "提示" and the information icon when not empty
    bool fallback() const { return !message.isEmpty(); }
};

namespace Company {

// The first (and only) row; nullopt when the table is empty. Throws DbError.
std::optional<CompanyInfo> load();

// Writes every box into its column in one transaction; a table without a row
// gets one. Values are checked first so that nothing half-valid reaches the row:
// a refused value gives a failure with its message and, in badField, the column
// whose box needs correcting. Success ("保存成功！    ") only after the commit.
Outcome save(const CompanyInfo &info, QString *badField = nullptr);

// "消费 … 元，积一分": a whole number from 0 to 10000. Returns the message when not.
std::optional<QString> checkPointsRule(const QString &text);
// "取相天数": a whole number of days from 0 to 9999; empty means none. Returns the message when not.
std::optional<QString> checkPickUpDays(const QString &text);
// "全场打折": a number not below zero (empty means no discount). Returns the message when not.
std::optional<QString> checkDiscount(const QString &text);

// The name of a supplier or member by code (codes compare without regard to ASCII case);
// nullopt when the code does not exist.
std::optional<QString> supplierName(const QString &code);
std::optional<QString> customerName(const QString &code);

// A chosen folder as the backup location: it ends with a separator. A folder
// that already ends with "/" or "\" is kept as it is; otherwise "/" is appended.
QString backupFolder(const QString &chosen);

// The main window's background: the picture named by LOG in the home folder, or
// image.jpg from there with "背景图片路径不正确  " when that cannot be read.
BackgroundChoice chooseBackground();
BackgroundChoice chooseBackground(const QString &log);

QString savedMessage();       // "保存成功！    "
QString unknownCodeMessage(); // "您所输入的编码不存在！"
QString pointsRuleMessage();  // "“消费多少元积一分”请输入0至10000之间的整数！"
QString discountMessage();    // "“全场打折”请输入数字！"
QString pickUpDaysMessage();  // "“取相天数”请输入0至9999之间的整数！"
QString failedMessage();      // "保存失败！"
}
