#include "system/branding.h"
#include "core/settings.h"

Branding Branding::fromSettings(const Settings &settings)
{
    Branding b;
    b.productTitle = QStringLiteral("禾岚婚庆公司管理系统");
    b.developer = QStringLiteral("莱川软件科技");
    b.address = QStringLiteral("浙江省杭州市西湖区文三路90号");
    b.telephone = QStringLiteral("13805710711");
    b.contactNumber = QStringLiteral("8207110");
    b.webAddress = QStringLiteral("http://www.helansoft.cn");
    b.websiteName = QStringLiteral("helansoft");
    if (settings.value(QStringLiteral("DL"), QStringLiteral("RJMC"), QStringLiteral("2")) == QStringLiteral("彩"))
        b.productTitle = QStringLiteral("禾岚彩扩管理系统（专业版）");
    if (settings.value(QStringLiteral("DL"), QStringLiteral("tem"), QStringLiteral("2")) == QLatin1String("TQ")) {
        b.productTitle = QStringLiteral("莱川婚庆公司管理系统");
        b.address = QStringLiteral("浙江省宁波市海曙区中山西路18号");
        b.telephone = QStringLiteral("13905740718");
        b.contactNumber = QStringLiteral("9207180");
        b.webAddress = QStringLiteral("http://www.laichuansoft.cn");
        b.alternative = true;
    }
    return b;
}

QString Branding::contactLink() const
{
    return QStringLiteral("tencent://Message/?Uin=") + contactNumber + QStringLiteral("&websiteName=") + websiteName +
           QStringLiteral("&Menu=yes");
}
