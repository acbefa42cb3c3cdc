#pragma once
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>
#include <stdexcept>

// A database error that no caller handled: the window boundary shows its text
// in the standard error box and the program stays usable.
class DbError : public std::runtime_error
{
public:
    explicit DbError(const QString &message) : std::runtime_error(message.toStdString()) {}
    QString text() const { return QString::fromStdString(what()); }
};

// The one connection of the program.
class Database
{
public:
    static constexpr const char *connectionName = "helan";

    // Opens an existing database file of this program; never creates one.
    // On failure returns false and keeps the reason in lastError().
    static bool open(const QString &file);
    // Creates a new file from the schema with the delivered content.
    static bool createDelivered(const QString &file, QString *error);
    static void close();
    static bool isOpen();
    static QString file();
    static QString lastError();
    static QSqlDatabase db();
    // Opens a separate connection on another file (backups, checks); close with closeOther.
    static QSqlDatabase openOther(const QString &name, const QString &file, bool readOnly);
    static void closeOther(const QString &name);
};

namespace Db {
// Runs a statement with bound values; throws DbError on failure.
QSqlQuery execSql(const QString &sql, const QVariantList &binds = {});
QSqlQuery execSql(QSqlDatabase db, const QString &sql, const QVariantList &binds = {});
// The first column of the first row, or an invalid QVariant when there is none.
QVariant scalarSql(const QString &sql, const QVariantList &binds = {});
} // namespace Db

// Rolls back unless committed: a document save, a stage booking or a list
// save either happens whole or not at all.
class Transaction
{
public:
    explicit Transaction(QSqlDatabase db = Database::db());
    ~Transaction();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;
    bool commit(QString *error = nullptr);
    void rollback();
    bool active() const { return m_active; }

private:
    QSqlDatabase m_db;
    bool m_active = false;
};

// The SQL that differs between SQLite and a later server backend.
namespace Dialect {
// Month and day of a date column as "MM-DD".
QString monthDay(const QString &column);
}
