#pragma once
#include "core/outcome.h"

#include <QMap>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

// One key of Default.ini that the settings window edits.
struct SettingKey
{
    enum class Kind { Flag, Text };
    QString section;
    QString key;
    Kind kind;
    QString label;         // the caption of its box in the settings window
    QString windowDefault; // what the window shows when the key is missing
};

// The per-installation settings of the settings window, described as data.
// Other readers of these keys name their own defaults where they read them.
namespace SystemSettings {

const std::vector<SettingKey> &keys();
// The key of that name (case-insensitive, as the file's keys are); nullptr when unknown.
const SettingKey *find(const QString &key);

// Every key's text for its box, the window default where the file has none.
// Flags read as "T" or "F": anything but "T" is "F".
QMap<QString, QString> read();

// Writes every key from the boxes' values (flags "T" for "T", "F" otherwise; a key
// missing from values gets its window default), then makes the short-number flag
// of the running session follow the written DDH at once. Succeeds ("保存成功！")
// only when the file, read back, holds every value; otherwise "保存失败！" with the
// file's name, and the running program goes on with what the file holds.
Outcome save(const QMap<QString, QString> &values);

// "介绍新客户获得 … 积分": a whole number from 1 to 10000, or 0 for none. Returns the message when not;
// the box then becomes jsjfReplacement().
std::optional<QString> checkIntroducerPoints(const QString &text);
QString jsjfReplacement();

// Choices of the drawer boxes. Port and baud rate are picked from their lists;
// the command box also takes a typed command line (for the port "指令").
const QStringList &drawerPorts();
const QStringList &drawerBaudRates();
const QStringList &drawerCommands();

QString savedMessage();  // "保存成功！"
QString failedMessage(); // "保存失败！"
}
