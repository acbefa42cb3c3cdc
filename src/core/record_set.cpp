#include "core/record_set.h"
#include "core/database.h"

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QSqlError>
#include <QSqlQuery>

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

QString RecordSet::selectSql(bool countOnly) const
{
    QString sql;
    if (countOnly) {
        sql = QStringLiteral("SELECT COUNT(*) FROM ") + QLatin1String(m_table->name);
    } else {
        QStringList cols;
        if (m_keyField < 0)
            cols << QStringLiteral("rowid");
        for (const Schema::Column *c : m_fields)
            cols << QLatin1String(c->name);
        sql = QStringLiteral("SELECT %1 FROM %2").arg(cols.join(QStringLiteral(", ")), QLatin1String(m_table->name));
    }
    if (!m_spec.where.trimmed().isEmpty())
        sql += QStringLiteral(" WHERE ") + m_spec.where;
    if (!countOnly && !m_spec.orderBy.trimmed().isEmpty())
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
    m_rows.clear();
    m_deleted.clear();
    bool ok = true;
    try {
        const int expected = scalarSql(selectSql(true), m_spec.whereBinds).toInt();
        m_rows.reserve(size_t(qMax(0, expected)));

        QSqlQuery q(Database::db());
        q.setForwardOnly(true);
        if (!q.prepare(selectSql(false)))
            throw DbError(q.lastError().text());
        for (const QVariant &v : m_spec.whereBinds)
            q.addBindValue(v);
        if (!q.exec())
            throw DbError(q.lastError().text());
        const int offset = m_keyField < 0 ? 1 : 0;
        const int n = fieldCount();
        while (q.next()) {
            Row row;
            row.values.reserve(n);
            for (int f = 0; f < n; ++f)
                row.values.append(normalized(m_fields[f]->type, q.value(f + offset)));
            row.key = m_keyField < 0 ? q.value(0) : row.values.at(m_keyField);
            m_rows.push_back(std::move(row));
        }
    } catch (const DbError &e) {
        m_rows.clear();
        if (error)
            *error = e.text();
        ok = false;
    }
    emit reloaded();
    return ok;
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

QVariant RecordSet::value(int row, int field) const
{
    if (row < 0 || row >= rowCount() || field < 0 || field >= fieldCount())
        return {};
    return m_rows[size_t(row)].values.at(field);
}

QVariant RecordSet::value(int row, const QString &field) const { return value(row, fieldIndex(field)); }

bool RecordSet::setValue(int row, int field, const QVariant &value)
{
    if (row < 0 || row >= rowCount() || field < 0 || field >= fieldCount())
        return false;
    Row &r = m_rows[size_t(row)];
    const QVariant v = normalized(m_fields[size_t(field)]->type, value);
    if (sameValue(r.values.at(field), v))
        return false;
    r.values[field] = v;
    if (r.state == RowState::Unchanged)
        r.state = RowState::Modified;
    if (r.modified.empty())
        r.modified.assign(size_t(fieldCount()), false);
    r.modified[size_t(field)] = true;
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
    const QVariant lastCode = m_keyField >= 0 && !m_rows.empty() ? m_rows.back().values.at(m_keyField) : QVariant();
    const int row = rowCount();
    emit rowAboutToBeInserted(row);
    Row r;
    r.state = RowState::Inserted;
    r.values.resize(fieldCount());
    m_rows.push_back(std::move(r));
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
    if (r.state != RowState::Inserted)
        m_deleted.push_back(std::move(r));
    emit rowRemoved(row);
    emit changed();
}

RecordSet::RowState RecordSet::rowState(int row) const
{
    return row >= 0 && row < rowCount() ? m_rows[size_t(row)].state : RowState::Unchanged;
}

bool RecordSet::isDirty() const
{
    if (!m_deleted.empty())
        return true;
    for (const Row &r : m_rows)
        if (r.state != RowState::Unchanged)
            return true;
    return false;
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

    std::vector<QVariant> newKeys(m_rows.size());
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
            const QString cond = keyCondition(r.key, binds);
            if (!run(QStringLiteral("DELETE FROM %1 WHERE %2").arg(table, cond), binds))
                break;
        }
        for (size_t i = 0; !failed && i < m_rows.size(); ++i) {
            const Row &r = m_rows[i];
            if (r.state != RowState::Modified)
                continue;
            QStringList sets;
            QVariantList binds;
            for (int f = 0; f < fieldCount(); ++f)
                if (r.modified[size_t(f)]) {
                    sets << fieldName(f) + QStringLiteral(" = ?");
                    binds << r.values.at(f);
                }
            const QString cond = keyCondition(r.key, binds);
            if (!run(QStringLiteral("UPDATE %1 SET %2 WHERE %3").arg(table, sets.join(QStringLiteral(", ")), cond),
                     binds))
                break;
        }
        for (size_t i = 0; !failed && i < m_rows.size(); ++i) {
            const Row &r = m_rows[i];
            if (r.state != RowState::Inserted)
                continue;
            QStringList cols, marks;
            QVariantList binds;
            for (int f = 0; f < fieldCount(); ++f)
                if (!r.values.at(f).isNull()) {
                    cols << fieldName(f);
                    marks << QStringLiteral("?");
                    binds << r.values.at(f);
                }
            const QString sql = cols.isEmpty()
                                    ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(table)
                                    : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                          .arg(table, cols.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")));
            QSqlQuery *q = run(sql, binds);
            if (!q)
                break;
            newKeys[i] = m_keyField < 0 ? q->lastInsertId() : r.values.at(m_keyField);
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
    for (size_t i = 0; i < m_rows.size(); ++i) {
        Row &r = m_rows[i];
        if (r.state == RowState::Inserted)
            r.key = newKeys[i];
        else if (r.state == RowState::Modified && m_keyField >= 0)
            r.key = r.values.at(m_keyField);
        r.state = RowState::Unchanged;
        r.modified.clear();
    }
    emit saved();
    return SaveResult::Saved;
}
