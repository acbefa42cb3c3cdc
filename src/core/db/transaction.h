#pragma once
#include "core/outcome.h"

#include <QObject>
#include <QPointer>
#include <QSqlDatabase>
#include <QString>
#include <functional>

// Rolls back unless committed: a document save, a stage booking or a list
// save either happens whole or not at all.
//
// Guards nest. The outermost guard of a connection begins the transaction
// (on SQLite "BEGIN IMMEDIATE", so a writer takes its lock before it reads
// what it is about to change); a guard made while another is open on the same
// connection opens a SAVEPOINT and joins the outer transaction. Committing an
// inner guard releases its savepoint (nothing is durable until the outermost
// commits); rolling it back, or destroying it uncommitted, undoes only its
// own part and leaves the outer transaction alive. So a record set or a
// document number simply opens a guard and thereby joins its caller's
// transaction.
//
// Guards of one connection must end in the reverse order of their making,
// which scoped guards do by themselves.
class Transaction
{
public:
    explicit Transaction(QSqlDatabase db = defaultDb());
    ~Transaction();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

    // False when BEGIN or SAVEPOINT failed (commit() then says why), and after
    // commit() or rollback().
    bool active() const { return m_active; }
    // Whether this guard began the transaction (rather than a savepoint in one).
    bool isOutermost() const { return m_level == 1; }

    Outcome commit();
    // The same for callers that only need yes or no; the reason goes to *error.
    bool commit(QString *error);
    void rollback();

    // How many guards are open on the connection (0: no transaction).
    static int depth(const QSqlDatabase &db = defaultDb());

    // Runs `action` once the work done so far on the connection is durable:
    // at once when no transaction is open, otherwise when the outermost guard
    // commits. Dropped when the guard that is open now (or one around it)
    // rolls back, and when `context` is destroyed first.
    static void whenCommitted(const QSqlDatabase &db, QObject *context, std::function<void()> action);

private:
    static QSqlDatabase defaultDb();
    bool finish(bool commit, QString *error);

    QSqlDatabase m_db;
    QString m_connection;
    int m_level = 0; // 1 for the outermost guard; 0 when it never became active
    quint64 m_id = 0;
    bool m_active = false;
    QString m_beginError;
};
