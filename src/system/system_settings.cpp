#include "system/system_settings.h"

#include "core/session.h"
#include "core/settings.h"

#include <QRegularExpression>

namespace SystemSettings {

const std::vector<SettingKey> &keys()
{
    using K = SettingKey::Kind;
    static const std::vector<SettingKey> table = {
        {"xsd", "zdkd", K::Flag, "审核后自动新增", "T"},
        {"xsd", "qk", K::Flag, "欠款提示", "T"},
        {"xsd", "gdxp", K::Flag, "使用固定打印格式", "F"},
        {"xsd", "tcqx", K::Flag, "审核后弹出钱箱", "F"},
        {"xsd", "NOFKC", K::Flag, "禁止负库存销售", "F"},
        {"xsd", "KH_SK", K::Flag, "开单后刷卡选择客户", "F"},
        {"xsd", "yl", K::Flag, "不预览直接打印", "T"},
        {"xsd", "skdy", K::Flag, "收款确认后打印", "T"},
        {"xsd", "dyqx", K::Flag, "未审核单据禁止打印", "F"},
        {"xsd", "DDH", K::Flag, "使用短单号（网络版请勿勾选）", "F"},
        {"xsd", "SKTS", K::Flag, "照相审核时收款金额必填", "F"},
        {"xsd", "jsjf", K::Text, "介绍新客户获得", "0"},
        {"xsd", "tcqx1", K::Text, "端口：", ""},
        {"xsd", "tcqx2", K::Text, "波特率：", ""},
        {"xsd", "tcqx3", K::Text, "指令：", ""},
        {"xsd", "tcqxFS", K::Text, "", "1"},
        {"ZJM", "TQQ", K::Flag, "主界面不显示QQ客服", "F"},
    };
    return table;
}

const SettingKey *find(const QString &key)
{
    for (const SettingKey &k : keys())
        if (k.key.compare(key, Qt::CaseInsensitive) == 0)
            return &k;
    return nullptr;
}

QMap<QString, QString> read()
{
    const Settings &ini = App::settings();
    QMap<QString, QString> values;
    for (const SettingKey &k : keys()) {
        const QString v = ini.value(k.section, k.key, k.windowDefault);
        if (k.kind == SettingKey::Kind::Flag)
            values.insert(k.key, v == QLatin1String("T") ? QStringLiteral("T") : QStringLiteral("F"));
        else
            values.insert(k.key, v);
    }
    return values;
}

Outcome save(const QMap<QString, QString> &values)
{
    Settings &ini = App::settings();
    QMap<QString, QString> written;
    for (const SettingKey &k : keys()) {
        QString v = values.value(k.key, k.windowDefault);
        if (k.kind == SettingKey::Kind::Flag)
            v = v == QLatin1String("T") ? QStringLiteral("T") : QStringLiteral("F");
        ini.setValue(k.section, k.key, v);
        written.insert(k.key, v);
    }
    // The settings file reports no failed write of its own; reading it back
    // tells whether the values really reached the disk.
    const Settings onDisk(ini.path());
    for (const SettingKey &k : keys()) {
        if (!onDisk.contains(k.section, k.key) || onDisk.value(k.section, k.key) != written.value(k.key)) {
            ini.reload();
            App::session().shortNumberFlag = ini.value(QStringLiteral("xsd"), QStringLiteral("DDH"), QStringLiteral("F"));
            return Outcome::failure(failedMessage(), QStringLiteral("无法写入文件：%1").arg(ini.path()));
        }
    }
    App::session().shortNumberFlag = ini.value(QStringLiteral("xsd"), QStringLiteral("DDH"), QStringLiteral("F"));
    return Outcome::success(savedMessage());
}

std::optional<QString> checkIntroducerPoints(const QString &text)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,9}$"));
    const QString t = text.trimmed();
    // 0 is the delivered value (no points for introducing); it must survive
    // tabbing through the box instead of turning into 1 behind the user's back.
    if (!digits.match(t).hasMatch() || t.toInt() < 0 || t.toInt() > 10000)
        return QStringLiteral("请输入1至10000之间的整数！");
    return std::nullopt;
}

QString jsjfReplacement() { return QStringLiteral("1"); }

const QStringList &drawerPorts()
{
    static const QStringList ports = {"打印机驱动", "LPT1", "LPT2", "COM1", "COM2", "COM3",
                                      "COM4",       "COM5", "COM6", "指令"};
    return ports;
}

const QStringList &drawerBaudRates()
{
    static const QStringList rates = {"1800", "4800", "9600", "19200"};
    return rates;
}

const QStringList &drawerCommands()
{
    static const QStringList commands = {
        "01:chr(27)+'p'+chr(7)",
        "02:Chr(27)+'p'+Chr(0)+Chr(17)+Chr(8)",
        "03:Chr(27)+'p'+Chr(0)+Chr(5)+Chr(255)",
        "04:Chr(27)+'p'+Chr(0)+Chr(50)+Chr(200)",
        "05:Chr(27)+'p'+Chr(0)+Chr(60)+Chr(255)",
        "06:Chr(27)+'p'+Chr(0)+Chr(60)+Chr(240)",
        "07:Chr(27)+'p'+Chr(0)+Chr(100)+Chr(150)",
    };
    return commands;
}

QString savedMessage() { return QStringLiteral("保存成功！"); }
QString failedMessage() { return QStringLiteral("保存失败！"); }

} // namespace SystemSettings
