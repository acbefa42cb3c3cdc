#pragma once
#include "core/outcome.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>
#include <stdexcept>

#include "core/db/transaction.h"

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
    // A file that is damaged, not of this program or written by a newer
    // program is refused before anything is written to it. On failure returns
    // false and keeps the reason in lastFailure() / lastError().
    static bool open(const QString &file);
    // Creates a new file from the schema with the delivered content. It is
    // built under a temporary name and renamed into place, so that a crash
    // leaves either no file or a whole one.
    static bool createDelivered(const QString &file, QString *error);

    // Why the last open() failed.
    enum class Problem { None, Missing, Damaged, Foreign, Newer, Unusable };
    static Problem lastProblem();
    static Outcome lastFailure();
    // Whether file, open on db, can serve as this program's database: readable,
    // not damaged, a database of this program with all its tables, and not of a
    // newer version. Only reads. problem, when given, tells the kind of refusal.
    static Outcome checkFile(QSqlDatabase db, const QString &file, Problem *problem = nullptr);
    // The sentence shown for a damaged data file, with what the user can do.
    static QString damagedMessage(const QString &file);
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

// The SQL that differs between SQLite and a later server backend.
namespace Dialect {
// Month and day of a date column as "MM-DD".
QString monthDay(const QString &column);
// The statement that begins a transaction: on SQLite "BEGIN IMMEDIATE", so
// that a writer holds the write lock from its first read on.
QString beginTransaction(const QSqlDatabase &db);
} // namespace Dialect
