#include "core/db/record_set.h"
#include "core/db/database.h"

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringDecoder>
#include <algorithm>
#include <cstring>
#include <sqlite3.h>

namespace {

// SQLite names the violated unique index in its message; the extended codes
// 2067 (unique) and 1555 (primary key) say the same where the driver passes them.
bool isDuplicate(const QSqlError &e)
{
    const QString code = e.nativeErrorCode();
    return code == QLatin1String("2067") || code == QLatin1String("1555") ||
           e.databaseText().contains(QLatin1String("UNIQUE constraint failed"), Qt::CaseInsensitive) ||
           e.text().contains(QLatin1String("UNIQUE constraint failed"), Qt::CaseInsensitive);
}

bool sameValue(const QVariant &a, const QVariant &b)
{
    if (a.isNull() || b.isNull())
        return a.isNull() == b.isNull();
    return a == b;
}

// The program's connection as SQLite's own handle, or null for another driver.
sqlite3 *sqliteHandle(const QSqlDatabase &db)
{
    const QVariant h = db.driver() ? db.driver()->handle() : QVariant();
    if (!h.isValid() || qstrcmp(h.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3 *const *>(h.constData());
}

// Values bindLikeQt() binds exactly as Qt's SQLite driver would; for any other
// type the driver's own conversion is used (the rows are then read through it).
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

bool hasOuterSpace(QStringView s)
{
    return !s.isEmpty() && (s.front().isSpace() || s.back().isSpace());
}

} // namespace

RecordSet::RecordSet(GridSpec spec, QObject *parent) : QObject(parent), m_spec(std::move(spec))
{
    m_table = Schema::findTable(m_spec.table);
    if (m_table) {
        m_fields.reserve(m_table->columns.size());
        for (const Schema::Column &c : m_table->columns)
            m_fields.push_back(&c);
    }
    if (!m_spec.keyColumn.isEmpty())
        m_keyField = fieldIndex(m_spec.keyColumn);
}

RecordSet::~RecordSet() = default;

void RecordSet::setWhere(const QString &where, const QVariantList &binds)
{
    m_spec.where = where;
    m_spec.whereBinds = binds;
}

int RecordSet::fieldIndex(const QString &name) const
{
    for (size_t i = 0; i < m_fields.size(); ++i)
        if (name.compare(QLatin1String(m_fields[i]->name), Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}

QString RecordSet::fieldName(int field) const
{
    return field >= 0 && field < fieldCount() ? QString::fromLatin1(m_fields[field]->name) : QString();
}

Schema::Type RecordSet::fieldType(int field) const
{
    return field >= 0 && field < fieldCount() ? m_fields[field]->type : Schema::Type::Text;
}

QString RecordSet::selectSql() const
{
    QStringList cols;
    if (m_keyField < 0)
        cols << QStringLiteral("rowid");
    for (const Schema::Column *c : m_fields)
        cols << QLatin1String(c->name);
    QString sql =
        QStringLiteral("SELECT %1 FROM %2").arg(cols.join(QStringLiteral(", ")), QLatin1String(m_table->name));
    if (!m_spec.where.trimmed().isEmpty())
        sql += QStringLiteral(" WHERE ") + m_spec.where;
    if (!m_spec.orderBy.trimmed().isEmpty())
        sql += QStringLiteral(" ORDER BY ") + m_spec.orderBy;
    return sql;
}

bool RecordSet::load(QString *error)
{
    if (!m_table) {
        if (error)
            *error = QStringLiteral("未知的表：%1").arg(m_spec.table);
        return false;
    }
    emit aboutToReload();
    // The vector keeps its capacity: a reload of the same list does not grow it again.
    m_rows.clear();
    m_deleted.clear();
    m_dirty.clear();
    QString failure;
    bool ok = false;
    if (sqlite3 *handle = sqliteHandle(Database::db())) {
        const bool bindable = std::all_of(m_spec.whereBinds.begin(), m_spec.whereBinds.end(), bindableLikeQt);
        ok = bindable ? loadFromSqlite(handle, &failure) : loadThroughQuery(&failure);
    } else {
        ok = loadThroughQuery(&failure);
    }
    if (!ok) {
        m_rows.clear();
        if (error)
            *error = failure;
    }
    emit reloaded();
    return ok;
}

// One allocation per row: the cells are plain values, the texts follow them.
std::unique_ptr<std::byte[]> RecordSet::rowData(const Cell *cells, const char16_t *texts, size_t textSize) const
{
    const size_t cellBytes = m_fields.size() * sizeof(Cell);
    auto data = std::make_unique_for_overwrite<std::byte[]>(cellBytes + textSize * sizeof(char16_t));
    std::memcpy(data.get(), cells, cellBytes);
    if (textSize)
        std::memcpy(data.get() + cellBytes, texts, textSize * sizeof(char16_t));
    return data;
}

RecordSet::Row RecordSet::newRow() const
{
    const std::vector<Cell> cells(m_fields.size());
    Row row;
    row.data = rowData(cells.data(), nullptr, 0);
    return row;
}

// Reads the statement straight from SQLite: no value goes through the driver's
// row cache or a QVariant, and a row costs one allocation. Values arrive exactly as the driver would hand them over and are
// typed by the same rules as normalized(); unusual storage (a number in a text
// column, text in a number column) takes normalized() itself.
bool RecordSet::loadFromSqlite(void *handle, QString *error)
{
    sqlite3 *db = static_cast<sqlite3 *>(handle);
    const QByteArray sql = selectSql().toUtf8();
    sqlite3_stmt *raw = nullptr;
    if (sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &raw, nullptr) != SQLITE_OK) {
        *error = sqliteError(db, "Unable to execute statement");
        sqlite3_finalize(raw);
        return false;
    }
    const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt *)> stmt(raw, sqlite3_finalize);
    for (int i = 0; i < m_spec.whereBinds.size(); ++i)
        if (!bindLikeQt(raw, i + 1, m_spec.whereBinds.at(i))) {
            *error = sqliteError(db, "Unable to bind parameters");
            return false;
        }

    const int offset = m_keyField < 0 ? 1 : 0;
    const int n = fieldCount();
    std::vector<Cell> cells(static_cast<size_t>(n));
    std::u16string texts;
    QString decoded(1024, Qt::Uninitialized); // grows for long texts
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    int rc;
    while ((rc = sqlite3_step(raw)) == SQLITE_ROW) {
        texts.clear();
        for (int f = 0; f < n; ++f) {
            const int col = f + offset;
            Cell &c = cells[size_t(f)];
            const Schema::Type type = m_fields[size_t(f)]->type;
            switch (sqlite3_column_type(raw, col)) {
            case SQLITE_NULL:
                c.kind = Cell::Null;
                continue;
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
            QVariant v;
            switch (sqlite3_column_type(raw, col)) {
            case SQLITE_INTEGER:
                v = qlonglong(sqlite3_column_int64(raw, col));
                break;
            case SQLITE_FLOAT:
                v = sqlite3_column_double(raw, col);
                break;
            case SQLITE_BLOB:
                v = QByteArray(static_cast<const char *>(sqlite3_column_blob(raw, col)),
                               sqlite3_column_bytes(raw, col));
                break;
            default:
                v = QString(reinterpret_cast<const QChar *>(sqlite3_column_text16(raw, col)),
                            sqlite3_column_bytes16(raw, col) / qsizetype(sizeof(QChar)));
                break;
            }
            storeValue(normalized(type, v), texts, c);
        }
        Row row;
        row.data = rowData(cells.data(), texts.data(), texts.size());
        if (offset)
            row.rowid = sqlite3_column_int64(raw, 0);
        m_rows.push_back(std::move(row));
    }
    if (rc != SQLITE_DONE) {
        *error = sqliteError(db, "Unable to fetch row");
        return false;
    }
    return true;
}

// Another database driver: the same rows through QSqlQuery.
bool RecordSet::loadThroughQuery(QString *error)
{
    QSqlQuery q(Database::db());
    q.setForwardOnly(true);
    if (!q.prepare(selectSql())) {
        *error = q.lastError().text();
        return false;
    }
    for (const QVariant &v : m_spec.whereBinds)
        q.addBindValue(v);
    if (!q.exec()) {
        *error = q.lastError().text();
        return false;
    }
    const int offset = m_keyField < 0 ? 1 : 0;
    const int n = fieldCount();
    std::vector<Cell> cells(static_cast<size_t>(n));
    std::u16string texts;
    while (q.next()) {
        texts.clear();
        for (int f = 0; f < n; ++f)
            storeValue(normalized(m_fields[size_t(f)]->type, q.value(f + offset)), texts, cells[size_t(f)]);
        Row row;
        row.data = rowData(cells.data(), texts.data(), texts.size());
        if (offset)
            row.rowid = q.value(0).toLongLong();
        m_rows.push_back(std::move(row));
    }
    if (q.lastError().isValid()) {
        *error = q.lastError().text();
        return false;
    }
    return true;
}

// Puts a value as normalized() returns it into a cell, its text (if any) at the end of texts.
void RecordSet::storeValue(const QVariant &v, std::u16string &texts, Cell &c)
{
    if (v.isNull()) {
        c.kind = Cell::Null;
        return;
    }
    switch (v.typeId()) {
    case QMetaType::Double:
        c.kind = Cell::Double;
        c.d = v.toDouble();
        return;
    case QMetaType::LongLong:
        c.kind = Cell::Integer;
        c.i = v.toLongLong();
        return;
    case QMetaType::Bool:
        c.kind = Cell::Bool;
        c.i = v.toBool();
        return;
    default:
        break;
    }
    const QString s = v.toString();
    if (s.isNull()) {
        c.kind = Cell::NullString;
        return;
    }
    c.kind = Cell::Text;
    c.text.at = quint32(texts.size());
    c.text.size = quint32(s.size());
    texts.append(reinterpret_cast<const char16_t *>(s.constData()), size_t(s.size()));
}

QVariant RecordSet::normalized(Schema::Type type, const QVariant &value)
{
    if (value.isNull() || !value.isValid())
        return {};
    switch (type) {
    case Schema::Type::Text:
        return value.toString();
    case Schema::Type::Decimal: {
        if (value.typeId() == QMetaType::QString && value.toString().trimmed().isEmpty())
            return {};
        bool ok = false;
        const double d = value.toDouble(&ok);
        return ok ? QVariant(d) : QVariant();
    }
    case Schema::Type::Integer: {
        if (value.typeId() == QMetaType::QString && value.toString().trimmed().isEmpty())
            return {};
        bool ok = false;
        const qlonglong i = value.toLongLong(&ok);
        if (ok)
            return i;
        const double d = value.toDouble(&ok);
        return ok ? QVariant(qlonglong(d)) : QVariant();
    }
    case Schema::Type::Bool:
        if (value.typeId() == QMetaType::QString) {
            const QString s = value.toString().trimmed();
            if (s.isEmpty())
                return {};
            return s == QLatin1String("1") || s.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 ||
                   s == QLatin1String("T");
        }
        return value.toBool();
    case Schema::Type::DateTime:
        if (value.typeId() == QMetaType::QDate)
            return value.toDate().toString(QStringLiteral("yyyy-MM-dd"));
        if (value.typeId() == QMetaType::QDateTime) {
            const QDateTime dt = value.toDateTime();
            return dt.time() == QTime(0, 0) ? dt.date().toString(QStringLiteral("yyyy-MM-dd"))
                                            : dt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        }
        {
            const QString s = value.toString().trimmed();
            return s.isEmpty() ? QVariant() : QVariant(s);
        }
    }
    return value;
}

QVariant RecordSet::cellValue(const Row &row, int field) const
{
    const Cell &c = cellsOf(row)[field];
    switch (c.kind) {
    case Cell::Null:
        return {};
    case Cell::Text:
        return QString(textsOf(row) + c.text.at, c.text.size);
    case Cell::NullString:
        return QString();
    case Cell::Double:
        return c.d;
    case Cell::Integer:
        return qlonglong(c.i);
    case Cell::Bool:
        return c.i != 0;
    }
    return {};
}

QVariant RecordSet::value(int row, int field) const
{
    if (row < 0 || row >= rowCount() || field < 0 || field >= fieldCount())
        return {};
    return cellValue(m_rows[size_t(row)], field);
}

QVariant RecordSet::value(int row, const QString &field) const { return value(row, fieldIndex(field)); }

QStringView RecordSet::textView(int row, int field) const
{
    if (row < 0 || row >= rowCount() || field < 0 || field >= fieldCount())
        return {};
    const Row &r = m_rows[size_t(row)];
    const Cell &c = cellsOf(r)[field];
    if (c.kind != Cell::Text)
        return {};
    return QStringView(textsOf(r) + c.text.at, c.text.size);
}

// Replaces one value; the row's block is made again (a row is small).
void RecordSet::setCell(Row &row, int field, const QVariant &v)
{
    std::vector<Cell> cells(cellsOf(row), cellsOf(row) + m_fields.size());
    std::u16string texts;
    for (size_t f = 0; f < cells.size(); ++f) {
        Cell &c = cells[f];
        if (int(f) == field) {
            storeValue(v, texts, c);
        } else if (c.kind == Cell::Text) {
            const QChar *text = textsOf(row) + c.text.at;
            c.text.at = quint32(texts.size());
            texts.append(reinterpret_cast<const char16_t *>(text), c.text.size);
        }
    }
    row.data = rowData(cells.data(), texts.data(), texts.size());
}

QVariant RecordSet::loadedKey(const Row &row) const
{
    return m_keyField < 0 ? QVariant(qlonglong(row.rowid)) : cellValue(row, m_keyField);
}

// A loaded row about to change: keeps its key as loaded for the UPDATE.
void RecordSet::markDirty(int row)
{
    Row &r = m_rows[size_t(row)];
    if (r.state != RowState::Unchanged)
        return;
    r.pending = std::make_unique<Pending>();
    r.pending->key = loadedKey(r);
    r.pending->modified.assign(size_t(fieldCount()), false);
    r.state = RowState::Modified;
    m_dirty.insert(std::lower_bound(m_dirty.begin(), m_dirty.end(), row), row);
}

bool RecordSet::setValue(int row, int field, const QVariant &value)
{
    if (row < 0 || row >= rowCount() || field < 0 || field >= fieldCount())
        return false;
    const QVariant v = normalized(m_fields[size_t(field)]->type, value);
    if (sameValue(cellValue(m_rows[size_t(row)], field), v))
        return false;
    markDirty(row);
    Row &r = m_rows[size_t(row)];
    setCell(r, field, v);
    if (r.pending)
        r.pending->modified[size_t(field)] = true;
    emit valueChanged(row, field);
    emit changed();
    // A hook that sets the code itself must not run itself again.
    if (field == m_keyField && m_spec.codeChanged && m_hookDepth == 0) {
        ++m_hookDepth;
        m_spec.codeChanged(*this, row);
        --m_hookDepth;
    }
    return true;
}

bool RecordSet::setValue(int row, const QString &field, const QVariant &value)
{
    return setValue(row, fieldIndex(field), value);
}

bool RecordSet::editValue(int row, int field, const QVariant &value)
{
    if (row < 0 || row >= rowCount() || field < 0 || field >= fieldCount())
        return false;
    const QString name = fieldName(field);
    if (const GridColumn *c = m_spec.column(name); c && c->readOnly)
        return false;
    if (m_spec.acceptEdit && !m_spec.acceptEdit(*this, row, name, normalized(fieldType(field), value)))
        return false;
    setValue(row, field, value);
    return true;
}

int RecordSet::insertRow()
{
    const QVariant lastCode = m_keyField >= 0 && !m_rows.empty() ? cellValue(m_rows.back(), m_keyField) : QVariant();
    const int row = rowCount();
    emit rowAboutToBeInserted(row);
    Row r = newRow();
    r.state = RowState::Inserted;
    m_rows.push_back(std::move(r));
    m_dirty.push_back(row);
    emit rowInserted(row);
    emit changed();
    if (m_spec.newRowDefaults)
        m_spec.newRowDefaults(*this, row);
    if (m_spec.proposeCode && m_keyField >= 0)
        setValue(row, m_keyField, m_spec.proposeCode(lastCode));
    return row;
}

void RecordSet::removeRow(int row)
{
    if (row < 0 || row >= rowCount())
        return;
    emit rowAboutToBeRemoved(row);
    Row r = std::move(m_rows[size_t(row)]);
    m_rows.erase(m_rows.begin() + row);
    auto it = std::lower_bound(m_dirty.begin(), m_dirty.end(), row);
    if (it != m_dirty.end() && *it == row)
        it = m_dirty.erase(it);
    for (; it != m_dirty.end(); ++it)
        --*it;
    if (r.state == RowState::Unchanged) {
        r.pending = std::make_unique<Pending>();
        r.pending->key = loadedKey(r);
    }
    if (r.state != RowState::Inserted)
        m_deleted.push_back(std::move(r));
    emit rowRemoved(row);
    emit changed();
}

RecordSet::RowState RecordSet::rowState(int row) const
{
    return row >= 0 && row < rowCount() ? m_rows[size_t(row)].state : RowState::Unchanged;
}

RecordSet::SaveResult RecordSet::save(QString *error)
{
    if (!m_table) {
        if (error)
            *error = QStringLiteral("未知的表：%1").arg(m_spec.table);
        return SaveResult::Failed;
    }
    QSqlDatabase db = Database::db();
    const QString table = QLatin1String(m_table->name);
    const QString keyName = m_keyField < 0 ? QStringLiteral("rowid") : fieldName(m_keyField);

    QHash<QString, QSqlQuery> prepared;
    QSqlError failure;
    bool failed = false;
    // Runs one statement, reusing its prepared form: a save of many rows costs
    // one prepare per statement shape.
    auto run = [&](const QString &sql, const QVariantList &binds) -> QSqlQuery * {
        auto it = prepared.find(sql);
        if (it == prepared.end()) {
            QSqlQuery q(db);
            if (!q.prepare(sql)) {
                failure = q.lastError();
                failed = true;
                return nullptr;
            }
            it = prepared.insert(sql, q);
        }
        for (int i = 0; i < binds.size(); ++i)
            it->bindValue(i, binds.at(i));
        if (!it->exec()) {
            failure = it->lastError();
            failed = true;
            return nullptr;
        }
        return &*it;
    };
    // A row loaded with a NULL code is found by "IS NULL"; a bound NULL never equals.
    auto keyCondition = [&](const QVariant &key, QVariantList &binds) {
        if (key.isNull())
            return keyName + QStringLiteral(" IS NULL");
        binds << key;
        return keyName + QStringLiteral(" = ?");
    };

    // Only the rows that changed are visited: saving one edit in a long list
    // costs the same as in a short one.
    std::vector<QVariant> newKeys(m_dirty.size());
    {
        Transaction tx(db);
        if (!tx.active()) {
            if (error)
                *error = db.lastError().text();
            return SaveResult::Failed;
        }
        // Deletions first: a code deleted and typed again on a new row saves cleanly.
        for (const Row &r : m_deleted) {
            QVariantList binds;
            const QString cond = keyCondition(r.pending->key, binds);
            if (!run(QStringLiteral("DELETE FROM %1 WHERE %2").arg(table, cond), binds))
                break;
        }
        for (size_t d = 0; !failed && d < m_dirty.size(); ++d) {
            const Row &r = m_rows[size_t(m_dirty[d])];
            if (r.state != RowState::Modified)
                continue;
            QStringList sets;
            QVariantList binds;
            for (int f = 0; f < fieldCount(); ++f)
                if (r.pending->modified[size_t(f)]) {
                    sets << fieldName(f) + QStringLiteral(" = ?");
                    binds << cellValue(r, f);
                }
            const QString cond = keyCondition(r.pending->key, binds);
            if (!run(QStringLiteral("UPDATE %1 SET %2 WHERE %3").arg(table, sets.join(QStringLiteral(", ")), cond),
                     binds))
                break;
        }
        for (size_t d = 0; !failed && d < m_dirty.size(); ++d) {
            const Row &r = m_rows[size_t(m_dirty[d])];
            if (r.state != RowState::Inserted)
                continue;
            QStringList cols, marks;
            QVariantList binds;
            for (int f = 0; f < fieldCount(); ++f) {
                const QVariant v = cellValue(r, f);
                if (!v.isNull()) {
                    cols << fieldName(f);
                    marks << QStringLiteral("?");
                    binds << v;
                }
            }
            const QString sql = cols.isEmpty()
                                    ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(table)
                                    : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                          .arg(table, cols.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")));
            QSqlQuery *q = run(sql, binds);
            if (!q)
                break;
            if (m_keyField < 0)
                newKeys[d] = q->lastInsertId();
        }
        for (QSqlQuery &q : prepared)
            q.finish();
        if (!failed) {
            QString commitError;
            if (!tx.commit(&commitError)) {
                if (error)
                    *error = commitError;
                return SaveResult::Failed;
            }
        }
        // Otherwise the guard rolls everything back here.
    }
    prepared.clear();
    if (failed) {
        if (error)
            *error = failure.text();
        return isDuplicate(failure) ? SaveResult::DuplicateCode : SaveResult::Failed;
    }

    m_deleted.clear();
    for (size_t d = 0; d < m_dirty.size(); ++d) {
        Row &r = m_rows[size_t(m_dirty[d])];
        if (r.state == RowState::Inserted && m_keyField < 0)
            r.rowid = newKeys[d].toLongLong();
        // A row's key is now its code as saved (or its rowid), read again when it next changes.
        r.state = RowState::Unchanged;
        r.pending.reset();
    }
    m_dirty.clear();
    emit saved();
    return SaveResult::Saved;
}
