#include "core/db/transaction.h"
#include "core/db/database.h"

#include <QHash>
#include <QSqlError>
#include <QSqlQuery>
#include <vector>

namespace {

struct Deferred
{
    QPointer<QObject> context;
    std::function<void()> action;
};

// The open guards of one connection, innermost last, each with the actions
// waiting for the outermost commit.
struct Level
{
    quint64 id; // tells a guard its own level from a later one at the same depth
    std::vector<Deferred> deferred;
};

quint64 nextLevelId()
{
    static quint64 last = 0;
    return ++last;
}

QHash<QString, std::vector<Level>> &openLevels()
{
    static QHash<QString, std::vector<Level>> levels;
    return levels;
}

bool exec(QSqlDatabase &db, const QString &sql, QString *error)
{
    QSqlQuery q(db);
    if (q.exec(sql))
        return true;
    if (error)
        *error = q.lastError().text();
    return false;
}

QString savepoint(int level) { return QStringLiteral("s%1").arg(level); }

} // namespace

QSqlDatabase Transaction::defaultDb() { return Database::db(); }

Transaction::Transaction(QSqlDatabase db) : m_db(db), m_connection(db.connectionName())
{
    if (!m_db.isOpen()) {
        m_beginError = QStringLiteral("数据库未打开");
        return;
    }
    std::vector<Level> &levels = openLevels()[m_connection];
    const int level = int(levels.size()) + 1;
    const QString sql = level == 1 ? Dialect::beginTransaction(m_db)
                                   : QStringLiteral("SAVEPOINT ") + savepoint(level);
    if (!exec(m_db, sql, &m_beginError)) {
        if (levels.empty())
            openLevels().remove(m_connection);
        return;
    }
    m_id = nextLevelId();
    levels.push_back({m_id, {}});
    m_level = level;
    m_active = true;
}

Transaction::~Transaction()
{
    if (m_active)
        finish(false, nullptr);
}

int Transaction::depth(const QSqlDatabase &db)
{
    const auto it = openLevels().constFind(db.connectionName());
    return it == openLevels().constEnd() ? 0 : int(it->size());
}

void Transaction::whenCommitted(const QSqlDatabase &db, QObject *context, std::function<void()> action)
{
    auto it = openLevels().find(db.connectionName());
    if (it == openLevels().end() || it->empty()) {
        action();
        return;
    }
    it->back().deferred.push_back({QPointer<QObject>(context), std::move(action)});
}

// Ends this guard's level: the statement that commits or undoes it, then the
// deferred actions move out, run or are dropped.
bool Transaction::finish(bool commit, QString *error)
{
    m_active = false;
    const QString outOfOrder = QStringLiteral("事务嵌套次序错误");
    auto it = openLevels().find(m_connection);
    if (it == openLevels().end() || int(it->size()) < m_level || (*it)[size_t(m_level - 1)].id != m_id) {
        // A guard around this one ended first and took this level with it.
        if (error)
            *error = outOfOrder;
        return false;
    }
    std::vector<Level> &levels = *it;
    if (int(levels.size()) > m_level) {
        // Guards inside this one are still open (held beyond their scope): their
        // uncommitted work cannot be committed with this level, so it is undone
        // with it, and the levels stay in step with the database.
        levels.resize(size_t(m_level));
        if (commit) {
            commit = false;
            if (error)
                *error = outOfOrder;
            finish(false, nullptr);
            return false;
        }
    }
    std::vector<Deferred> deferred = std::move(levels.back().deferred);
    QString failure;
    bool ok;
    if (m_level == 1) {
        ok = commit && exec(m_db, QStringLiteral("COMMIT"), &failure);
        if (!ok)
            exec(m_db, QStringLiteral("ROLLBACK"), nullptr);
    } else {
        const QString sp = savepoint(m_level);
        ok = commit && exec(m_db, QStringLiteral("RELEASE SAVEPOINT ") + sp, &failure);
        if (!ok) {
            exec(m_db, QStringLiteral("ROLLBACK TO SAVEPOINT ") + sp, nullptr);
            exec(m_db, QStringLiteral("RELEASE SAVEPOINT ") + sp, nullptr);
        }
    }
    levels.pop_back();
    if (levels.empty())
        openLevels().erase(it);
    if (!ok) {
        if (error && commit)
            *error = failure;
        return false;
    }
    if (m_level == 1) {
        for (Deferred &d : deferred)
            if (d.context)
                d.action();
    } else {
        // A released savepoint is still undone if the transaction around it rolls back.
        std::vector<Deferred> &outer = openLevels()[m_connection].back().deferred;
        for (Deferred &d : deferred)
            outer.push_back(std::move(d));
    }
    return true;
}

Outcome Transaction::commit()
{
    QString error;
    if (commit(&error))
        return Outcome::success();
    return Outcome::failure(QStringLiteral("保存失败！"), error);
}

bool Transaction::commit(QString *error)
{
    if (!m_active) {
        if (error)
            *error = m_beginError.isEmpty() ? QStringLiteral("事务已结束") : m_beginError;
        return false;
    }
    return finish(true, error);
}

void Transaction::rollback()
{
    if (m_active)
        finish(false, nullptr);
}
