#include "core/db/database.h"
#include "core/db/schema.h"
#include "core/home.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QSqlError>

#include <sqlite3.h>

namespace {
QString g_lastError;
QString g_file;
Outcome g_failure;
Database::Problem g_problem = Database::Problem::None;

QString sqlReason(const QSqlError &e) { return e.databaseText().isEmpty() ? e.text() : e.databaseText(); }

// SQLite's words for a file whose content is broken (the extended codes share the low byte).
bool meansDamaged(const QSqlError &e)
{
    const int code = e.nativeErrorCode().toInt() & 0xff;
    return code == SQLITE_CORRUPT || code == SQLITE_NOTADB;
}

bool runPragmas(QSqlDatabase db, std::initializer_list<const char *> pragmas, QSqlError *failed)
{
    QSqlQuery q(db);
    for (const char *pragma : pragmas) {
        if (!q.exec(QString::fromLatin1(pragma))) {
            if (failed)
                *failed = q.lastError();
            return false;
        }
    }
    return true;
}

// Settings of the connection alone: they write nothing into the file.
constexpr std::initializer_list<const char *> connectionPragmas = {"PRAGMA foreign_keys=ON", "PRAGMA busy_timeout=5000"};
// Settings kept in the file, made only once it is known to be ours.
constexpr std::initializer_list<const char *> filePragmas = {"PRAGMA journal_mode=WAL", "PRAGMA synchronous=NORMAL"};

QString notOurs(const QString &file) { return QStringLiteral("不是本系统的数据库文件：") + file; }
QString unreadable(const QString &file) { return QStringLiteral("无法打开数据文件：") + file; }
} // namespace

QString Database::damagedMessage(const QString &file)
{
    return QStringLiteral("数据文件已损坏：%1\n请用 backup 文件夹中的备份恢复（账套恢复）："
                          "启动程序时在提示中选择备份文件。")
        .arg(file);
}

Outcome Database::checkFile(QSqlDatabase db, const QString &file, Problem *problem)
{
    const auto refuse = [problem](Problem kind, const QString &message, const QString &detail) {
        if (problem)
            *problem = kind;
        return Outcome::failure(message, detail);
    };
    const auto refuseRead = [&](const QSqlError &e) {
        return meansDamaged(e) ? refuse(Problem::Damaged, damagedMessage(file), sqlReason(e))
                               : refuse(Problem::Unusable, unreadable(file), sqlReason(e));
    };
    if (problem)
        *problem = Problem::None;

    QSqlQuery q(db);
    q.setForwardOnly(true);
    // A file of another kind opens fine in SQLite; the first read tells.
    if (!q.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table'")))
        return refuseRead(q.lastError());
    QSet<QString> present;
    while (q.next())
        present.insert(q.value(0).toString().toLower());
    if (q.lastError().isValid())
        return refuseRead(q.lastError());
    q.finish();
    if (!present.contains(QStringLiteral("helan_schema")))
        return refuse(Problem::Foreign, notOurs(file), QStringLiteral("缺少表 helan_schema"));

    if (!q.exec(QStringLiteral("SELECT version FROM helan_schema")))
        return refuseRead(q.lastError());
    if (!q.next())
        return q.lastError().isValid() ? refuseRead(q.lastError())
                                       : refuse(Problem::Foreign, notOurs(file), QStringLiteral("helan_schema 中没有版本"));
    const int version = q.value(0).toInt();
    q.finish();
    if (version > Schema::currentVersion)
        return refuse(Problem::Newer, QStringLiteral("数据文件的版本比本程序新，请升级程序后再打开。\n") + file,
                      QStringLiteral("数据文件版本 %1，本程序版本 %2").arg(version).arg(Schema::currentVersion));
    if (version <= 0)
        return refuse(Problem::Foreign, notOurs(file), QStringLiteral("版本 %1").arg(version));

    QStringList missing;
    for (const Schema::Table &t : Schema::tables())
        if (!present.contains(QString::fromLatin1(t.name).toLower()))
            missing << QString::fromLatin1(t.name);
    if (!missing.isEmpty())
        return refuse(Problem::Foreign, notOurs(file), QStringLiteral("缺少表：") + missing.join(QStringLiteral(", ")));
    return Outcome::success();
}

bool Database::open(const QString &file)
{
    close();
    const auto failWith = [](Problem problem, const Outcome &failure) {
        g_problem = problem;
        g_failure = failure;
        g_lastError = failure.text();
        return false;
    };
    g_problem = Problem::None;
    g_failure = Outcome::success();
    g_lastError.clear();
    if (!QFileInfo(file).isFile())
        return failWith(Problem::Missing, Outcome::failure(QStringLiteral("数据库文件不存在：%1").arg(file)));

    Problem problem = Problem::None;
    Outcome failure;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QLatin1String(connectionName));
        db.setDatabaseName(file);
        QSqlError e;
        QString error;
        if (!db.open()) {
            problem = Problem::Unusable;
            failure = Outcome::failure(unreadable(file), sqlReason(db.lastError()));
        } else if (!runPragmas(db, connectionPragmas, &e)) {
            problem = Problem::Unusable;
            failure = Outcome::failure(unreadable(file), sqlReason(e));
        } else if (failure = checkFile(db, file, &problem); !failure) {
            // Refused before anything was written: the file stays as it was.
        } else if (!runPragmas(db, filePragmas, &e)) {
            problem = meansDamaged(e) ? Problem::Damaged : Problem::Unusable;
            failure = Outcome::failure(problem == Problem::Damaged ? damagedMessage(file) : unreadable(file), sqlReason(e));
        } else if (!Schema::migrate(db, &error)) {
            problem = Problem::Unusable;
            failure = Outcome::failure(QStringLiteral("数据文件无法升级到本程序的版本：") + file, error);
        }
        if (failure)
            g_file = QFileInfo(file).absoluteFilePath();
        else
            db.close();
    }
    if (!failure) {
        QSqlDatabase::removeDatabase(QLatin1String(connectionName));
        return failWith(problem, failure);
    }
    return true;
}

Database::Problem Database::lastProblem() { return g_problem; }
Outcome Database::lastFailure() { return g_failure; }

bool Database::createDelivered(const QString &file, QString *error)
{
    const QString temp = Files::temporaryBeside(file);
    if (temp.isEmpty()) {
        if (error)
            *error = QStringLiteral("无法在%1中建立临时文件").arg(QFileInfo(file).absolutePath());
        return false;
    }
    const QString name = QStringLiteral("helan_create");
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(temp);
        QSqlError e;
        if (!db.open() || !runPragmas(db, connectionPragmas, &e)) {
            if (error)
                *error = sqlReason(db.isOpen() ? e : db.lastError());
        } else {
            // Tables and content in one transaction, in a file of its own
            // (rollback journal, so that nothing stands beside it once closed).
            Transaction tx(db);
            ok = Schema::create(db, error) && Schema::seed(db, error) && tx.commit(error);
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    if (ok)
        ok = Files::replace(temp, file, error);
    if (!ok) {
        QFile::remove(temp);
        QFile::remove(temp + QStringLiteral("-journal"));
    }
    return ok;
}

void Database::close()
{
    if (!QSqlDatabase::contains(QLatin1String(connectionName)))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(QLatin1String(connectionName), false);
        db.close();
    }
    QSqlDatabase::removeDatabase(QLatin1String(connectionName));
}

bool Database::isOpen()
{
    return QSqlDatabase::contains(QLatin1String(connectionName)) &&
           QSqlDatabase::database(QLatin1String(connectionName), false).isOpen();
}

QString Database::file() { return g_file; }
QString Database::lastError() { return g_lastError; }

QSqlDatabase Database::db() { return QSqlDatabase::database(QLatin1String(connectionName), false); }

QSqlDatabase Database::openOther(const QString &name, const QString &file, bool readOnly)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setDatabaseName(file);
    if (readOnly)
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
    db.open();
    return db;
}

void Database::closeOther(const QString &name)
{
    {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

QSqlQuery Db::execSql(QSqlDatabase db, const QString &sql, const QVariantList &binds)
{
    if (!db.isOpen())
        throw DbError(g_lastError.isEmpty() ? QStringLiteral("数据库未打开") : g_lastError);
    QSqlQuery q(db);
    if (!q.prepare(sql))
        throw DbError(q.lastError().text());
    for (const QVariant &v : binds)
        q.addBindValue(v);
    if (!q.exec())
        throw DbError(q.lastError().text());
    return q;
}

QSqlQuery Db::execSql(const QString &sql, const QVariantList &binds) { return Db::execSql(Database::db(), sql, binds); }

QVariant Db::scalarSql(const QString &sql, const QVariantList &binds)
{
    QSqlQuery q = Db::execSql(sql, binds);
    return q.next() ? q.value(0) : QVariant();
}

namespace Dialect {
QString monthDay(const QString &column) { return QStringLiteral("strftime('%m-%d', %1)").arg(column); }

QString beginTransaction(const QSqlDatabase &db)
{
    return db.driverName() == QLatin1String("QSQLITE") ? QStringLiteral("BEGIN IMMEDIATE") : QStringLiteral("BEGIN");
}
} // namespace Dialect
