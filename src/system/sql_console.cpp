#include "system/sql_console.h"

#include "core/db/database.h"
#include "core/session.h"
#include "core/text/pinyin.h"
#include "core/text/text_utils.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>
#include <algorithm>
#include <vector>

namespace SqlConsole {
namespace {

QString errorMessage() { return QStringLiteral("命令有误！"); }

QString cellText(const QVariant &v) { return v.isNull() ? QString() : v.toString(); }

QString padded(const QString &text, int width)
{
    // Widths are at least the text's own width, so nothing is ever cut.
    return Text::PadText(text, std::max(width, displayWidth(text)), QStringLiteral("L"));
}

// The rows of a query as a fixed-width table: a header of the column names, a
// line of "=", then one line per row; each column as wide as its widest text plus one.
QString table(QSqlQuery &q)
{
    const QSqlRecord record = q.record();
    const int columns = record.count();
    std::vector<int> widths(columns);
    QStringList labels;
    for (int c = 0; c < columns; ++c) {
        labels << record.fieldName(c);
        widths[c] = displayWidth(labels.back());
    }
    std::vector<QStringList> rows;
    do {
        QStringList row;
        for (int c = 0; c < columns; ++c) {
            row << cellText(q.value(c));
            widths[c] = std::max(widths[c], displayWidth(row.back()));
        }
        rows.push_back(row);
    } while (q.next());

    QString header;
    for (int c = 0; c < columns; ++c)
        header += padded(labels[c], widths[c] + 1);
    QStringList lines{header, QString(displayWidth(header), QLatin1Char('='))};
    for (const QStringList &row : rows) {
        QString line;
        for (int c = 0; c < columns; ++c)
            line += padded(row[c], widths[c] + 1);
        lines << line;
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace

QString captionText() { return QStringLiteral("提示："); }
QString administratorOnlyMessage() { return QStringLiteral("只有系统管理员才能使用此功能！"); }

int displayWidth(const QString &text) { return static_cast<int>(Text::toGbk(text).size()); }

Kind classify(const QString &statement)
{
    const QString s = statement.toUpper();
    const bool changes = s.contains(QLatin1String("UPDATE")) || s.contains(QLatin1String("DELETE")) ||
                         s.contains(QLatin1String("INSERT")) || s.contains(QLatin1String("ALTER"));
    if (changes)
        return Kind::Command;
    return s.contains(QLatin1String("SELECT")) ? Kind::Query : Kind::Expression;
}

Outcome run(const QString &statement)
{
    if (statement.trimmed().isEmpty())
        return {};
    // The window is reached through the company window only, but the statement
    // may rewrite passwords and rights: the check belongs where it runs.
    if (!App::session().isAdministrator())
        return {QString(), administratorOnlyMessage()};
    QSqlDatabase db = Database::db();
    if (!db.isOpen())
        return {QString(), errorMessage()};
    QSqlQuery q(db);
    q.setForwardOnly(true);
    switch (classify(statement)) {
    case Kind::Expression:
        if (!q.exec(QStringLiteral("select ") + statement))
            return {QString(), errorMessage()};
        return {statement + QLatin1Char('=') + (q.next() ? cellText(q.value(0)) : QString()), QString()};
    case Kind::Query:
        if (!q.exec(statement))
            return {QString(), errorMessage()};
        if (!q.next()) {
            // A statement that fails while stepping reports no row and an error.
            if (q.lastError().isValid())
                return {QString(), errorMessage()};
            return {QString(), QStringLiteral("无符合条件的数据！")};
        }
        return {table(q), QString()};
    case Kind::Command:
        if (!q.exec(statement))
            return {QString(), errorMessage()};
        // The statement may have changed the pinyin table held in memory.
        Text::reloadPinyinTable();
        return {QString(), QStringLiteral("操作成功！")};
    }
    return {};
}

QString append(const QString &resultText, const QString &output)
{
    if (resultText.isEmpty())
        return output;
    return resultText + QStringLiteral("\n\n") + output;
}

} // namespace SqlConsole
