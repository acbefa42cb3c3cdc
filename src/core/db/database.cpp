#include "core/db/database.h"
#include "core/db/schema.h"

#include <QFileInfo>
#include <QSqlError>

namespace {
QString g_lastError;
QString g_file;

bool configure(QSqlDatabase db, QString *error)
{
    QSqlQuery q(db);
    for (const char *pragma : {"PRAGMA journal_mode=WAL", "PRAGMA foreign_keys=ON", "PRAGMA busy_timeout=5000",
                               "PRAGMA synchronous=NORMAL"}) {
        if (!q.exec(QString::fromLatin1(pragma))) {
            if (error)
                *error = q.lastError().text();
            return false;
        }
    }
    return true;
}
}

bool Database::open(const QString &file)
{
    close();
    g_lastError.clear();
    if (!QFileInfo(file).isFile()) {
        g_lastError = QStringLiteral("数据库文件不存在：%1").arg(file);
        return false;
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QLatin1String(connectionName));
    db.setDatabaseName(file);
    if (!db.open()) {
        g_lastError = db.lastError().text();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(QLatin1String(connectionName));
        return false;
    }
    QString error;
    // A file of another kind opens fine in SQLite; the first real statement tells.
    if (!configure(db, &error) || !Schema::migrate(db, &error)) {
        g_lastError = error.isEmpty() ? QStringLiteral("无法打开数据库") : error;
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(QLatin1String(connectionName));
        return false;
    }
    g_file = QFileInfo(file).absoluteFilePath();
    return true;
}

bool Database::createDelivered(const QString &file, QString *error)
{
    const QString name = QStringLiteral("helan_create");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(file);
        bool ok = db.open();
        if (!ok && error)
            *error = db.lastError().text();
        ok = ok && configure(db, error) && Schema::create(db, error) && Schema::seed(db, error);
        if (ok) {
            // Fold the WAL into the main file so that the new file stands alone.
            QSqlQuery(db).exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
        }
        db.close();
        if (!ok) {
            QSqlDatabase::removeDatabase(name);
            return false;
        }
    }
    QSqlDatabase::removeDatabase(name);
    return true;
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

Transaction::Transaction(QSqlDatabase db) : m_db(db) { m_active = m_db.isOpen() && m_db.transaction(); }

Transaction::~Transaction()
{
    if (m_active)
        m_db.rollback();
}

bool Transaction::commit(QString *error)
{
    if (!m_active) {
        if (error && error->isEmpty())
            *error = m_db.lastError().text();
        return false;
    }
    m_active = false;
    if (!m_db.commit()) {
        if (error)
            *error = m_db.lastError().text();
        m_db.rollback();
        return false;
    }
    return true;
}

void Transaction::rollback()
{
    if (m_active)
        m_db.rollback();
    m_active = false;
}

namespace Dialect {
QString monthDay(const QString &column) { return QStringLiteral("strftime('%m-%d', %1)").arg(column); }
}
