#include "core/db/row_reader.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringDecoder>
#include <algorithm>
#include <sqlite3.h>

namespace {

using Cell = RowStore::Cell;

Outcome readFailure(const QString &detail) { return Outcome::failure(QStringLiteral("读取数据失败！"), detail); }

// The program's connection as SQLite's own handle, or null for another driver.
sqlite3 *sqliteHandle(const QSqlDatabase &db)
{
    const QVariant h = db.driver() ? db.driver()->handle() : QVariant();
    if (!h.isValid() || qstrcmp(h.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3 *const *>(h.constData());
}

// Values the SQLite reader binds exactly as Qt's SQLite driver would; for any
// other type the driver's own conversion is used (the rows are then read through it).
bool bindableLikeQt(const QVariant &v)
{
    switch (v.typeId()) {
    case QMetaType::QString:
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::Double:
        return true;
    default:
        return v.isNull();
    }
}

bool bindLikeQt(sqlite3_stmt *stmt, int index, const QVariant &v)
{
    if (v.isNull())
        return sqlite3_bind_null(stmt, index) == SQLITE_OK;
    switch (v.typeId()) {
    case QMetaType::QString: {
        const QString s = v.toString();
        if (s.isNull())
            return sqlite3_bind_null(stmt, index) == SQLITE_OK;
        return sqlite3_bind_text16(stmt, index, s.constData(), int(s.size() * sizeof(QChar)), SQLITE_TRANSIENT) ==
               SQLITE_OK;
    }
    case QMetaType::Bool:
    case QMetaType::Int:
        return sqlite3_bind_int(stmt, index, v.toInt()) == SQLITE_OK;
    case QMetaType::UInt:
    case QMetaType::LongLong:
        return sqlite3_bind_int64(stmt, index, v.toLongLong()) == SQLITE_OK;
    case QMetaType::Double:
        return sqlite3_bind_double(stmt, index, v.toDouble()) == SQLITE_OK;
    default:
        return false;
    }
}

// SQLite's message in the form the driver gives it ("<database text> <what failed>").
QString sqliteError(sqlite3 *db, const char *what)
{
    return QString::fromUtf8(sqlite3_errmsg(db)) + QLatin1Char(' ') + QLatin1String(what);
}

bool hasOuterSpace(QStringView s) { return !s.isEmpty() && (s.front().isSpace() || s.back().isSpace()); }

// A value of a column typed by its values, kept as the database gives it.
QVariant naturalValue(const QVariant &v)
{
    if (v.isNull() || !v.isValid())
        return {};
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::ULong:
        return v.toLongLong();
    case QMetaType::Double:
    case QMetaType::Float:
        return v.toDouble();
    case QMetaType::Bool:
        return v.toBool();
    case QMetaType::QDate:
    case QMetaType::QDateTime:
        return RowStore::normalized(Schema::Type::DateTime, v);
    case QMetaType::QByteArray:
        return QString::fromUtf8(v.toByteArray());
    default:
        return v.toString();
    }
}

// Reads the statement straight from SQLite: no value goes through the
// driver's row cache or a QVariant, and a row costs one allocation. Values
// arrive exactly as the driver would hand them over and are typed by the same
// rules as RowStore::normalized(); unusual storage (a number in a text column,
// text in a number column) takes normalized() itself.
class SqliteRowReader : public RowReader
{
public:
    explicit SqliteRowReader(sqlite3 *db) : m_db(db) {}

    Outcome read(const QString &sqlText, const QVariantList &binds, const Describe &describe,
                 RowStore &store) override
    {
        const QByteArray sql = sqlText.toUtf8();
        sqlite3_stmt *raw = nullptr;
        if (sqlite3_prepare_v2(m_db, sql.constData(), int(sql.size()), &raw, nullptr) != SQLITE_OK) {
            const QString e = sqliteError(m_db, "Unable to execute statement");
            sqlite3_finalize(raw);
            return readFailure(e);
        }
        const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt *)> stmt(raw, sqlite3_finalize);
        for (int i = 0; i < binds.size(); ++i)
            if (!bindLikeQt(raw, i + 1, binds.at(i)))
                return readFailure(sqliteError(m_db, "Unable to bind parameters"));

        const int n = sqlite3_column_count(raw);
        QStringList names;
        for (int i = 0; i < n; ++i)
            names << QString::fromUtf8(sqlite3_column_name(raw, i));
        if (const QString refused = describe(names, store); !refused.isEmpty())
            return readFailure(refused);
        if (store.fieldCount() != n)
            return readFailure(QStringLiteral("result columns do not match the fields"));

        std::vector<Schema::Type> types(static_cast<size_t>(n));
        std::vector<bool> byValues(static_cast<size_t>(n));
        for (int f = 0; f < n; ++f) {
            types[size_t(f)] = store.fieldType(f);
            byValues[size_t(f)] = store.typedByValues(f);
        }
        std::vector<Cell> cells(static_cast<size_t>(n));
        std::u16string texts;
        QString decoded(1024, Qt::Uninitialized); // grows for long texts
        QStringDecoder utf8(QStringDecoder::Utf8,
                            QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
        int rc;
        while ((rc = sqlite3_step(raw)) == SQLITE_ROW) {
            texts.clear();
            for (int col = 0; col < n; ++col) {
                Cell &c = cells[size_t(col)];
                const int storage = sqlite3_column_type(raw, col);
                if (storage == SQLITE_NULL) {
                    c.kind = Cell::Null;
                    continue;
                }
                if (byValues[size_t(col)]) {
                    readNatural(raw, col, storage, texts, c);
                    continue;
                }
                const Schema::Type type = types[size_t(col)];
                switch (storage) {
                case SQLITE_INTEGER:
                    if (type == Schema::Type::Integer || type == Schema::Type::Bool) {
                        c.i = sqlite3_column_int64(raw, col);
                        c.kind = type == Schema::Type::Bool ? Cell::Bool : Cell::Integer;
                        if (type == Schema::Type::Bool)
                            c.i = c.i != 0;
                        continue;
                    }
                    if (type == Schema::Type::Decimal) {
                        c.d = double(sqlite3_column_int64(raw, col));
                        c.kind = Cell::Double;
                        continue;
                    }
                    break;
                case SQLITE_FLOAT:
                    if (type == Schema::Type::Decimal) {
                        c.d = sqlite3_column_double(raw, col);
                        c.kind = Cell::Double;
                        continue;
                    }
                    break;
                case SQLITE_TEXT:
                    if (type == Schema::Type::Text || type == Schema::Type::DateTime) {
                        const char *bytes = reinterpret_cast<const char *>(sqlite3_column_text(raw, col));
                        const int size = sqlite3_column_bytes(raw, col);
                        if (decoded.size() < size)
                            decoded.resize(size);
                        const QChar *end = utf8.appendToBuffer(decoded.data(), QByteArrayView(bytes, size));
                        const QStringView text(decoded.constData(), end - decoded.constData());
                        // Dates are kept trimmed and an empty one is NULL: those few take normalized().
                        if (type == Schema::Type::Text || (!text.isEmpty() && !hasOuterSpace(text))) {
                            c.kind = Cell::Text;
                            c.text.at = quint32(texts.size());
                            c.text.size = quint32(text.size());
                            texts.append(reinterpret_cast<const char16_t *>(text.data()), size_t(text.size()));
                            continue;
                        }
                    }
                    break;
                default:
                    break;
                }
                // What the driver would have handed over, typed by normalized().
                RowStore::storeValue(RowStore::normalized(type, driverValue(raw, col, storage)), texts, c);
            }
            store.appendRow(cells.data(), texts);
        }
        if (rc != SQLITE_DONE)
            return readFailure(sqliteError(m_db, "Unable to fetch row"));
        return Outcome::success();
    }

private:
    static QVariant driverValue(sqlite3_stmt *raw, int col, int storage)
    {
        switch (storage) {
        case SQLITE_INTEGER:
            return qlonglong(sqlite3_column_int64(raw, col));
        case SQLITE_FLOAT:
            return sqlite3_column_double(raw, col);
        case SQLITE_BLOB:
            return QByteArray(static_cast<const char *>(sqlite3_column_blob(raw, col)), sqlite3_column_bytes(raw, col));
        default:
            return QString(reinterpret_cast<const QChar *>(sqlite3_column_text16(raw, col)),
                           sqlite3_column_bytes16(raw, col) / qsizetype(sizeof(QChar)));
        }
    }

    static void readNatural(sqlite3_stmt *raw, int col, int storage, std::u16string &texts, Cell &c)
    {
        switch (storage) {
        case SQLITE_INTEGER:
            c.kind = Cell::Integer;
            c.i = sqlite3_column_int64(raw, col);
            return;
        case SQLITE_FLOAT:
            c.kind = Cell::Double;
            c.d = sqlite3_column_double(raw, col);
            return;
        default:
            RowStore::storeValue(naturalValue(driverValue(raw, col, storage)), texts, c);
            return;
        }
    }

    sqlite3 *m_db;
};

// Any other driver: the same rows through QSqlQuery.
class QueryRowReader : public RowReader
{
public:
    explicit QueryRowReader(QSqlDatabase db) : m_db(std::move(db)) {}

    Outcome read(const QString &sql, const QVariantList &binds, const Describe &describe, RowStore &store) override
    {
        QSqlQuery q(m_db);
        q.setForwardOnly(true);
        if (!q.prepare(sql))
            return readFailure(q.lastError().text());
        for (const QVariant &v : binds)
            q.addBindValue(v);
        if (!q.exec())
            return readFailure(q.lastError().text());
        const QSqlRecord record = q.record();
        const int n = record.count();
        QStringList names;
        for (int i = 0; i < n; ++i)
            names << record.fieldName(i);
        if (const QString refused = describe(names, store); !refused.isEmpty())
            return readFailure(refused);
        if (store.fieldCount() != n)
            return readFailure(QStringLiteral("result columns do not match the fields"));
        std::vector<Cell> cells(static_cast<size_t>(n));
        std::u16string texts;
        while (q.next()) {
            texts.clear();
            for (int f = 0; f < n; ++f) {
                const QVariant v = store.typedByValues(f) ? naturalValue(q.value(f))
                                                          : RowStore::normalized(store.fieldType(f), q.value(f));
                RowStore::storeValue(v, texts, cells[size_t(f)]);
            }
            store.appendRow(cells.data(), texts);
        }
        if (q.lastError().isValid())
            return readFailure(q.lastError().text());
        return Outcome::success();
    }

private:
    QSqlDatabase m_db;
};

// The SQLite reader binds values itself; a value of another kind (a date, a
// byte array) is left to the driver's own conversion.
class ChoosingSqliteReader : public RowReader
{
public:
    ChoosingSqliteReader(sqlite3 *handle, QSqlDatabase db) : m_direct(handle), m_query(std::move(db)) {}

    Outcome read(const QString &sql, const QVariantList &binds, const Describe &describe, RowStore &store) override
    {
        if (std::all_of(binds.begin(), binds.end(), bindableLikeQt))
            return m_direct.read(sql, binds, describe, store);
        return m_query.read(sql, binds, describe, store);
    }

private:
    SqliteRowReader m_direct;
    QueryRowReader m_query;
};

} // namespace

std::unique_ptr<RowReader> RowReader::forConnection(const QSqlDatabase &db)
{
    if (sqlite3 *handle = sqliteHandle(db))
        return std::make_unique<ChoosingSqliteReader>(handle, db);
    return std::make_unique<QueryRowReader>(db);
}
