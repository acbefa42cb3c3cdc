#include "core/db/code_check.h"

#include "core/db/database.h"
#include "core/prompt.h"
#include "core/db/schema.h"

bool Db::CheckCodeUnique(const QString &table, const QString &code)
{
    // The table name is the one piece of this statement that cannot be bound,
    // so only a name of the data model is ever put into it.
    const Schema::Table *t = Schema::findTable(table);
    bool hasCode = false;
    if (t)
        for (const Schema::Column &c : t->columns)
            hasCode = hasCode || QString::fromLatin1(c.name).compare(QLatin1String("BM"), Qt::CaseInsensitive) == 0;
    if (!t || !hasCode)
        throw DbError(QStringLiteral("没有编码列的表：%1").arg(table));

    QSqlQuery q = Db::execSql(QStringLiteral("SELECT BM FROM %1 WHERE BM = ? LIMIT 1").arg(QLatin1String(t->name)), {code});
    if (!q.next())
        return false;
    prompt().message(QStringLiteral("您输入的编码已存在，请更改编码!"), QStringLiteral("提示："), Prompt::Icon::Warning);
    return true;
}
