#pragma once
#include <QString>

// The data analysis console: the one place where a user's own text is run as SQL,
// on the program's connection, one statement at a time.
namespace SqlConsole {

enum class Kind {
    Expression, // none of SELECT, UPDATE, DELETE, INSERT, ALTER: evaluated as "select " + text
    Query,      // SELECT and none of the changing words: shown as a fixed-width table
    Command,    // UPDATE, DELETE, INSERT or ALTER anywhere (even inside a select): run as a command
};

// Classifies on the upper-cased text, by plain containment.
Kind classify(const QString &statement);

struct Outcome
{
    QString output;  // lines to append to the result box; null when nothing is appended
    QString message; // shown with captionText() when not empty
};

// Runs the statement. An empty statement does nothing. Only the administrator
// ("000") may run anything: for anyone else nothing runs and the message is
// administratorOnlyMessage().
Outcome run(const QString &statement);

// The result box text after appending an output: an empty line separates it
// from what the box already holds.
QString append(const QString &resultText, const QString &output);

// Width of a text in a fixed-width GBK layout: a Chinese character takes two columns.
int displayWidth(const QString &text);

QString captionText();              // "提示："
QString administratorOnlyMessage(); // "只有系统管理员才能使用此功能！"
}
