#pragma once
#include <QString>

class Settings;

// The maker's details and the product title, in the two brandings the
// program ships with.
struct Branding
{
    QString productTitle;
    QString developer;
    QString address;
    QString telephone;
    QString contactNumber; // QQ
    QString webAddress;
    QString websiteName;
    bool alternative = false; // the "TQ" branding: no 关于 entry, no top-right picture

    // [DL] RJMC = "彩" and [DL] tem = "TQ" (tested after RJMC, so it wins).
    static Branding fromSettings(const Settings &settings);
    QString versionText() const { return QStringLiteral("v22.0711"); }
    // "禾岚婚庆公司管理系统  v22.0711"
    QString mainCaption() const { return productTitle + QStringLiteral("  ") + versionText(); }
    // "禾岚婚庆公司管理系统 v22.0711"
    QString loginCaption() const { return productTitle + QStringLiteral(" ") + versionText(); }
    QString contactLink() const;
};

// The task-bar title the program starts with, before the main window sets the product title.
inline QString startupTitle() { return QStringLiteral("禾岚影楼收费管理系统(专业版)"); }
