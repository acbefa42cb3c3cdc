// Tables without a code that grids edit row by row (package lines, the
// exchange table list, the pinyin table) get a real key, ID INTEGER PRIMARY
// KEY, so that a row is found by a column every database has rather than by
// SQLite's hidden rowid. SQLite cannot add a primary key to a table, so each
// is rebuilt: create the new form, copy, drop, rename, recreate the indexes.
// Each row keeps its rowid as its ID, so the rows keep their order.

#include "core/db/schema.h"
#include "core/db/transaction.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

namespace {

bool exec(QSqlDatabase db, const QString &sql, const QVariantList &binds, QString *error, QSqlQuery *out = nullptr)
{
    QSqlQuery q(db);
    if (!q.prepare(sql) || [&] {
            for (const QVariant &v : binds)
                q.addBindValue(v);
            return !q.exec();
        }()) {
        if (error)
            *error = q.lastError().text() + QStringLiteral(" [") + sql + QStringLiteral("]");
        return false;
    }
    if (out)
        *out = q;
    return true;
}

struct OldColumn
{
    QString name;
    QString type;
    bool primaryKey;
};

bool oldColumns(QSqlDatabase db, const QString &table, std::vector<OldColumn> *columns, QString *error)
{
    QSqlQuery q(db);
    if (!exec(db, QStringLiteral("SELECT name, type, pk FROM pragma_table_info(?)"), {table}, error, &q))
        return false;
    while (q.next())
        columns->push_back({q.value(0).toString(), q.value(1).toString(), q.value(2).toInt() > 0});
    return true;
}

bool rebuild(QSqlDatabase db, const Schema::Table &t, const QString &key, QString *error)
{
    const QString name = QLatin1String(t.name);
    std::vector<OldColumn> old;
    if (!oldColumns(db, name, &old, error))
        return false;
    if (old.empty())
        return true; // not in this file: nothing to carry over
    for (const OldColumn &c : old)
        if (c.primaryKey && c.name.compare(key, Qt::CaseInsensitive) == 0)
            return true; // already rebuilt

    // Indexes of the old table, the program's and any a user's script added.
    QStringList indexes;
    {
        QSqlQuery q(db);
        if (!exec(db,
                  QStringLiteral("SELECT sql FROM sqlite_master WHERE type = 'index' AND tbl_name = ? COLLATE NOCASE "
                                 "AND sql IS NOT NULL"),
                  {name}, error, &q))
            return false;
        while (q.next())
            indexes << q.value(0).toString();
    }

    const QString fresh = name + QStringLiteral("_v2");
    QString create = Schema::createTableSql(t);
    create.replace(QStringLiteral("CREATE TABLE %1 (").arg(name), QStringLiteral("CREATE TABLE %1 (").arg(fresh));
    if (!exec(db, create, {}, error))
        return false;
    // Columns the file has beyond the data model (an upgrade script's) come along.
    QStringList copied;
    for (const OldColumn &c : old) {
        if (c.name.compare(key, Qt::CaseInsensitive) == 0)
            continue; // the old value of a plain ID column gives way to the key
        bool known = false;
        for (const Schema::Column &sc : t.columns)
            known = known || c.name.compare(QLatin1String(sc.name), Qt::CaseInsensitive) == 0;
        if (!known &&
            !exec(db, QStringLiteral("ALTER TABLE %1 ADD COLUMN \"%2\" %3").arg(fresh, c.name, c.type), {}, error))
            return false;
        copied << QStringLiteral("\"%1\"").arg(c.name);
    }
    const QString list = copied.join(QStringLiteral(", "));
    if (!exec(db,
              QStringLiteral("INSERT INTO %1 (%2%3) SELECT rowid%4 FROM %5")
                  .arg(fresh, key, copied.isEmpty() ? QString() : QStringLiteral(", ") + list,
                       copied.isEmpty() ? QString() : QStringLiteral(", ") + list, name),
              {}, error))
        return false;
    if (!exec(db, QStringLiteral("DROP TABLE %1").arg(name), {}, error) ||
        !exec(db, QStringLiteral("ALTER TABLE %1 RENAME TO %2").arg(fresh, name), {}, error))
        return false;
    for (const QString &sql : indexes)
        if (!exec(db, sql, {}, error))
            return false;
    for (const char *k : t.indexed)
        if (!exec(db,
                  QStringLiteral("CREATE INDEX IF NOT EXISTS ix_%1_%2 ON %1 (%2)").arg(name, QLatin1String(k)), {},
                  error))
            return false;
    for (const char *k : t.uniqueKey)
        if (!exec(db,
                  QStringLiteral("CREATE UNIQUE INDEX IF NOT EXISTS ux_%1_%2 ON %1 (%2)").arg(name, QLatin1String(k)),
                  {}, error))
            return false;
    return true;
}

} // namespace

bool Schema::migrateToV2(QSqlDatabase db, QString *error)
{
    Transaction tx(db);
    if (!tx.active())
        return tx.commit(error);
    for (const Table &t : tables())
        if (const char *key = keyColumn(t))
            if (!rebuild(db, t, QLatin1String(key), error))
                return false;
    return tx.commit(error);
}
