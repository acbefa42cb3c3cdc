#include "core/db/record_set.h"
#include "core/db/database.h"
#include "core/db/row_reader.h"
#include "core/db/transaction.h"
#include "core/prompt.h"
#include "core/text/money.h"

#include <QDate>
#include <QHash>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QTime>
#include <algorithm>
#include <cmath>

namespace {

// SQLite names the violated unique index in its message; the extended codes
// 2067 (unique) and 1555 (primary key) say the same where the driver passes them.
// A NOT NULL or CHECK failure is a constraint failure too, but not a duplicate.
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

bool isEmptyValue(const QVariant &v)
{
    return v.isNull() || (v.typeId() == QMetaType::QString && v.toString().trimmed().isEmpty());
}

const QString saveFailed = QStringLiteral("保存失败！");

} // namespace

RecordSet::RecordSet(GridSpec spec, QObject *parent) : RowSource(parent), m_spec(std::move(spec))
{
    m_table = Schema::findTable(m_spec.table);
    std::vector<std::optional<Schema::Type>> types;
    if (m_table) {
        m_fields.reserve(m_table->columns.size());
        for (const Schema::Column &c : m_table->columns) {
            m_fields.push_back(&c);
            types.emplace_back(c.type);
        }
    }
    m_store.setFields(std::move(types));
    if (!m_spec.keyColumn.isEmpty()) {
        m_keyField = fieldIndex(m_spec.keyColumn);
    } else if (m_table) {
        if (const char *key = Schema::keyColumn(*m_table))
            m_keyField = fieldIndex(QLatin1String(key));
    }
}

RecordSet::~RecordSet() = default;

void RecordSet::setConditions(std::vector<GridCondition> conditions) { m_spec.conditions = std::move(conditions); }

void RecordSet::setOrder(std::vector<GridOrder> order) { m_spec.order = std::move(order); }

int RecordSet::fieldIndex(const QString &name) const
{
    for (size_t i = 0; i < m_fields.size(); ++i)
        if (name.compare(QLatin1String(m_fields[i]->name), Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}

QString RecordSet::fieldName(int field) const
{
    return field >= 0 && field < fieldCount() ? QString::fromLatin1(m_fields[size_t(field)]->name) : QString();
}

Schema::Type RecordSet::fieldType(int field) const
{
    return field >= 0 && field < fieldCount() ? m_fields[size_t(field)]->type : Schema::Type::Text;
}

int RecordSet::fieldSize(int field) const
{
    return field >= 0 && field < fieldCount() ? m_fields[size_t(field)]->size : 0;
}

QVariant RecordSet::value(int row, int field) const { return m_store.value(row, field); }

QStringView RecordSet::textView(int row, int field) const { return m_store.textView(row, field); }

// The SELECT of the description: every name is one of the table's own (spelled as
// the schema spells it), every value a bound parameter.
Outcome RecordSet::buildSelect(QString *sql, QVariantList *binds) const
{
    QStringList cols;
    for (const Schema::Column *c : m_fields)
        cols << QLatin1String(c->name);
    QStringList where;
    for (const GridCondition &c : m_spec.conditions) {
        const int f = fieldIndex(c.field);
        if (f < 0)
            return Outcome::failure(QStringLiteral("查询条件中的字段不存在：%1").arg(c.field));
        const QString name = fieldName(f);
        using Op = GridCondition::Op;
        auto bound = [&](const QVariant &v, QVariant *out) {
            *out = normalized(fieldType(f), v);
            return !out->isNull();
        };
        QVariant v;
        switch (c.op) {
        case Op::IsNull:
            where << name + QStringLiteral(" IS NULL");
            continue;
        case Op::IsNotNull:
            where << name + QStringLiteral(" IS NOT NULL");
            continue;
        case Op::In:
        case Op::NotIn: {
            const QVariantList values = c.value.toList();
            if (values.isEmpty()) {
                // Nothing is in an empty list: In loads no row, NotIn every row.
                if (c.op == Op::In)
                    where << QStringLiteral("1 = 0");
                continue;
            }
            QStringList marks;
            for (const QVariant &item : values) {
                if (!bound(item, &v))
                    return Outcome::failure(QStringLiteral("查询条件的值不正确：%1").arg(c.field));
                marks << QStringLiteral("?");
                *binds << v;
            }
            where << QStringLiteral("%1 %2 (%3)")
                         .arg(name, c.op == Op::In ? QStringLiteral("IN") : QStringLiteral("NOT IN"),
                              marks.join(QStringLiteral(", ")));
            continue;
        }
        default:
            break;
        }
        if (c.value.isNull() && (c.op == Op::Equal || c.op == Op::NotEqual)) {
            // A bound NULL never equals anything; NULL is asked for by name.
            where << name + (c.op == Op::Equal ? QStringLiteral(" IS NULL") : QStringLiteral(" IS NOT NULL"));
            continue;
        }
        if (!bound(c.value, &v))
            return Outcome::failure(QStringLiteral("查询条件的值不正确：%1").arg(c.field));
        static const char *const ops[] = {"=", "<>", "<", "<=", ">", ">="};
        where << QStringLiteral("%1 %2 ?").arg(name, QLatin1String(ops[int(c.op)]));
        *binds << v;
    }
    QStringList order;
    for (const GridOrder &o : m_spec.order) {
        const int f = fieldIndex(o.field);
        if (f < 0)
            return Outcome::failure(QStringLiteral("排序字段不存在：%1").arg(o.field));
        order << fieldName(f) + (o.descending ? QStringLiteral(" DESC") : QString());
    }
    *sql = QStringLiteral("SELECT %1 FROM %2").arg(cols.join(QStringLiteral(", ")), QLatin1String(m_table->name));
    if (!where.isEmpty())
        *sql += QStringLiteral(" WHERE ") + where.join(QStringLiteral(" AND "));
    if (!order.isEmpty())
        *sql += QStringLiteral(" ORDER BY ") + order.join(QStringLiteral(", "));
    return Outcome::success();
}

Outcome RecordSet::load()
{
    if (!m_table)
        return Outcome::failure(QStringLiteral("未知的表：%1").arg(m_spec.table));
    QString sql;
    QVariantList binds;
    Outcome out = buildSelect(&sql, &binds);
    emit aboutToReload();
    m_store.clear();
    m_info.clear();
    m_deletedKeys.clear();
    m_dirty.clear();
    m_failedRow = -1;
    ++m_serial;
    if (out) {
        const std::unique_ptr<RowReader> reader = RowReader::forConnection(Database::db());
        out = reader->read(
            sql, binds,
            [](const QStringList &names, RowStore &store) {
                return names.size() == store.fieldCount() ? QString() : QStringLiteral("列数不符");
            },
            m_store);
        if (!out)
            m_store.clear();
        m_info.resize(size_t(m_store.rowCount()));
    }
    emit reloaded();
    return out;
}

QVariant RecordSet::withScale(int field, const QVariant &v) const
{
    if (v.isNull() || fieldType(field) != Schema::Type::Decimal)
        return v;
    return Money::roundTo(v.toDouble(), fieldSize(field));
}

// A loaded row about to change: keeps its key as loaded for the UPDATE.
void RecordSet::markDirty(int row)
{
    RowInfo &info = m_info[size_t(row)];
    if (info.state != RowState::Unchanged)
        return;
    info.pending = std::make_unique<Pending>();
    info.pending->key = m_keyField >= 0 ? m_store.value(row, m_keyField) : QVariant();
    info.pending->modified.assign(size_t(fieldCount()), false);
    info.state = RowState::Modified;
    m_dirty.insert(std::lower_bound(m_dirty.begin(), m_dirty.end(), row), row);
}

bool RecordSet::setValue(int row, int field, const QVariant &value)
{
    if (row < 0 || row >= rowCount() || field < 0 || field >= fieldCount())
        return false;
    const QVariant v = withScale(field, normalized(fieldType(field), value));
    if (sameValue(m_store.value(row, field), v))
        return false;
    markDirty(row);
    m_store.setValue(row, field, v);
    if (Pending *p = m_info[size_t(row)].pending.get())
        p->modified[size_t(field)] = true;
    ++m_serial;
    emit valueChanged(row, field);
    emit changed();
    // Changes the hook makes itself do not run it again.
    if (m_spec.fieldChanged && m_hookDepth == 0) {
        ++m_hookDepth;
        m_spec.fieldChanged(*this, row, fieldName(field));
        --m_hookDepth;
    }
    return true;
}

bool RecordSet::setValue(int row, const QString &field, const QVariant &value)
{
    return setValue(row, fieldIndex(field), value);
}

QVariant RecordSet::parseTyped(Schema::Type type, int size, const QString &text, QString *message)
{
    QString refused;
    QVariant out;
    const QString t = text.trimmed();
    switch (type) {
    case Schema::Type::Text:
        // Counted as characters, as the database counts a VARCHAR's width.
        if (size > 0 && text.toUcs4().size() > size)
            refused = QStringLiteral("输入内容过长，最多%1个字符！").arg(size);
        else
            out = text;
        break;
    case Schema::Type::Integer:
    case Schema::Type::Decimal: {
        if (t.isEmpty())
            break;
        bool ok = false;
        const double d = t.toDouble(&ok);
        if (!ok || !std::isfinite(d)) {
            refused = QStringLiteral("请输入数字！");
            break;
        }
        if (type == Schema::Type::Decimal) {
            out = Money::roundTo(d, size);
        } else {
            const qlonglong i = t.toLongLong(&ok);
            out = ok ? i : qlonglong(std::llround(d));
        }
        break;
    }
    case Schema::Type::DateTime: {
        if (t.isEmpty())
            break;
        static const QRegularExpression form(QStringLiteral(
            "^(?:(\\d{4})-(\\d{1,2})-(\\d{1,2})|(\\d{4})/(\\d{1,2})/(\\d{1,2})|(\\d{4})\\.(\\d{1,2})\\.(\\d{1,2})|"
            "(\\d{4})(\\d{2})(\\d{2}))(?:[ T]+(\\d{1,2}):(\\d{2})(?::(\\d{2}))?)?$"));
        const QRegularExpressionMatch m = form.match(t);
        QDate date;
        QTime time;
        bool timeOk = true;
        if (m.hasMatch()) {
            for (int g = 1; g <= 10; g += 3)
                if (!m.captured(g).isEmpty())
                    date = QDate(m.captured(g).toInt(), m.captured(g + 1).toInt(), m.captured(g + 2).toInt());
            if (!m.captured(13).isEmpty()) {
                time = QTime(m.captured(13).toInt(), m.captured(14).toInt(), m.captured(15).toInt());
                timeOk = time.isValid();
            }
        }
        if (!date.isValid() || !timeOk) {
            refused = QStringLiteral("日期格式不正确！");
            break;
        }
        out = time.isValid() ? QStringLiteral("%1 %2").arg(date.toString(QStringLiteral("yyyy-MM-dd")),
                                                           time.toString(QStringLiteral("HH:mm:ss")))
                             : date.toString(QStringLiteral("yyyy-MM-dd"));
        break;
    }
    case Schema::Type::Bool:
        out = normalized(type, text);
        break;
    }
    if (message)
        *message = refused;
    return refused.isEmpty() ? out : QVariant();
}

bool RecordSet::editValue(int row, int field, const QVariant &value)
{
    if (row < 0 || row >= rowCount() || field < 0 || field >= fieldCount())
        return false;
    const QString name = fieldName(field);
    const GridColumn *column = m_spec.column(name);
    if (column && column->readOnly)
        return false;
    QVariant v;
    if (value.typeId() == QMetaType::QString) {
        QString refused;
        v = parseTyped(fieldType(field), fieldSize(field), value.toString(), &refused);
        if (!refused.isEmpty()) {
            prompt().warn(refused);
            return false;
        }
    } else {
        v = withScale(field, normalized(fieldType(field), value));
    }
    if (column && column->validator) {
        const QString refused = column->validator(v);
        if (!refused.isEmpty()) {
            prompt().warn(refused);
            return false;
        }
    }
    if (m_spec.acceptEdit && !m_spec.acceptEdit(*this, row, name, v))
        return false;
    setValue(row, field, v);
    return true;
}

int RecordSet::insertRow()
{
    const QVariant lastCode =
        isCodeKey() && rowCount() > 0 ? m_store.value(rowCount() - 1, m_keyField) : QVariant();
    const int row = rowCount();
    emit rowAboutToBeInserted(row);
    m_store.appendEmptyRow();
    m_info.emplace_back().state = RowState::Inserted;
    m_dirty.push_back(row);
    ++m_serial;
    emit rowInserted(row);
    emit changed();
    if (m_spec.newRowDefaults)
        m_spec.newRowDefaults(*this, row);
    if (m_spec.proposeCode && isCodeKey())
        setValue(row, m_keyField, m_spec.proposeCode(lastCode));
    return row;
}

bool RecordSet::removeRow(int row)
{
    if (row < 0 || row >= rowCount())
        return false;
    if (m_spec.acceptRemove && !m_spec.acceptRemove(*this, row))
        return false;
    emit rowAboutToBeRemoved(row);
    const RowInfo info = std::move(m_info[size_t(row)]);
    if (info.state == RowState::Unchanged)
        m_deletedKeys.push_back(m_keyField >= 0 ? m_store.value(row, m_keyField) : QVariant());
    else if (info.state == RowState::Modified)
        m_deletedKeys.push_back(info.pending->key);
    m_store.removeRow(row);
    m_info.erase(m_info.begin() + row);
    auto it = std::lower_bound(m_dirty.begin(), m_dirty.end(), row);
    if (it != m_dirty.end() && *it == row)
        it = m_dirty.erase(it);
    for (; it != m_dirty.end(); ++it)
        --*it;
    ++m_serial;
    emit rowRemoved(row);
    emit changed();
    return true;
}

QVariant RecordSet::loadedKey(int row) const
{
    if (row < 0 || row >= rowCount() || m_keyField < 0)
        return QVariant();
    const RowInfo &info = m_info[size_t(row)];
    switch (info.state) {
    case RowState::Inserted:
        return QVariant();
    case RowState::Modified:
        return info.pending->key;
    case RowState::Unchanged:
        break;
    }
    return m_store.value(row, m_keyField);
}

void RecordSet::setStoredValue(int row, const QString &field, const QVariant &value)
{
    const int f = fieldIndex(field);
    if (row < 0 || row >= rowCount() || f < 0)
        return;
    const QVariant v = withScale(f, normalized(fieldType(f), value));
    if (sameValue(m_store.value(row, f), v))
        return;
    m_store.setValue(row, f, v);
    emit valueChanged(row, f);
}

RecordSet::RowState RecordSet::rowState(int row) const
{
    return row >= 0 && row < rowCount() ? m_info[size_t(row)].state : RowState::Unchanged;
}

// What stops a row from being saved before anything is written, if anything.
Outcome RecordSet::refusal(int row) const
{
    if (isCodeKey() && isEmptyValue(m_store.value(row, m_keyField)))
        return Outcome::failure(QStringLiteral("编码不能为空！"));
    for (const GridColumn &c : m_spec.columns) {
        if (!c.required)
            continue;
        const int f = fieldIndex(c.field);
        if (f >= 0 && isEmptyValue(m_store.value(row, f)))
            return Outcome::failure(c.title + QStringLiteral("不能为空！"));
    }
    return Outcome::success();
}

Outcome RecordSet::save()
{
    m_failedRow = -1;
    if (!m_table)
        return Outcome::failure(saveFailed, QStringLiteral("未知的表：%1").arg(m_spec.table));
    for (int row : m_dirty)
        if (Outcome refused = refusal(row); !refused) {
            m_failedRow = row;
            return refused;
        }
    const bool needsKey = !m_deletedKeys.empty() || std::any_of(m_dirty.begin(), m_dirty.end(), [this](int row) {
                              return m_info[size_t(row)].state == RowState::Modified;
                          });
    if (needsKey && m_keyField < 0)
        return Outcome::failure(saveFailed, QStringLiteral("表 %1 没有找到行的键列").arg(m_spec.table));

    std::vector<QVariant> newKeys;
    {
        Transaction tx(Database::db());
        if (!tx.active())
            return Outcome::failure(saveFailed, tx.commit().detail);
        if (m_spec.beforeWrite) {
            int row = -1;
            if (Outcome refused = m_spec.beforeWrite(*this, &row); !refused) {
                m_failedRow = row;
                return refused; // the guard undoes whatever the hook wrote
            }
        }
        if (Outcome written = write(&newKeys); !written)
            return written; // the guard undoes this save's part
        if (m_spec.afterWrite)
            if (Outcome followed = m_spec.afterWrite(*this, savedCodes()); !followed)
                return followed;
        if (Outcome committed = tx.commit(); !committed)
            return committed;
    }
    // Saved for good only when the caller's transaction (if any) commits too;
    // a change made to the set meanwhile keeps it pending.
    const quint64 serial = m_serial;
    Transaction::whenCommitted(Database::db(), this, [this, serial, newKeys] {
        if (m_serial == serial)
            markSaved(newKeys);
    });
    return Outcome::success(QStringLiteral("保存成功！"));
}

// Runs the statements of a save inside the transaction the caller opened.
Outcome RecordSet::write(std::vector<QVariant> *newKeys)
{
    QSqlDatabase db = Database::db();
    const QString table = QLatin1String(m_table->name);
    const QString keyName = fieldName(m_keyField);

    QHash<QString, QSqlQuery> prepared;
    QSqlError failure;
    // Runs one statement, reusing its prepared form: a save of many rows costs
    // one prepare per statement shape.
    auto run = [&](const QString &sql, const QVariantList &binds) -> QSqlQuery * {
        auto it = prepared.find(sql);
        if (it == prepared.end()) {
            QSqlQuery q(db);
            if (!q.prepare(sql)) {
                failure = q.lastError();
                return nullptr;
            }
            it = prepared.insert(sql, q);
        }
        for (int i = 0; i < binds.size(); ++i)
            it->bindValue(i, binds.at(i));
        if (!it->exec()) {
            failure = it->lastError();
            return nullptr;
        }
        return &*it;
    };
    auto failed = [&](int row) {
        m_failedRow = row;
        // A duplicate is the user's to mend and its sentence says all; SQLite's
        // English words are kept for the failures nobody expects.
        if (isDuplicate(failure))
            return Outcome::failure(QStringLiteral("编码存在重复无法保存，请删除重复后重试"));
        return Outcome::failure(saveFailed, failure.text());
    };
    auto gone = [&](int row) {
        m_failedRow = row;
        return Outcome::failure(QStringLiteral("记录已被他人修改或删除，请重新打开！"));
    };
    // A row loaded with a NULL code is found by "IS NULL"; a bound NULL never equals.
    auto keyCondition = [&](const QVariant &key, QVariantList &binds) {
        if (key.isNull())
            return keyName + QStringLiteral(" IS NULL");
        binds << key;
        return keyName + QStringLiteral(" = ?");
    };
    const bool autoKey = m_keyField >= 0 && !isCodeKey();

    // Deletions first: a code deleted and typed again on a new row saves cleanly.
    for (const QVariant &key : m_deletedKeys) {
        QVariantList binds;
        const QString cond = keyCondition(key, binds);
        QSqlQuery *q = run(QStringLiteral("DELETE FROM %1 WHERE %2").arg(table, cond), binds);
        if (!q)
            return failed(-1);
        if (q->numRowsAffected() == 0)
            return gone(-1);
    }
    // Only the rows that changed are visited: saving one edit in a long list
    // costs the same as in a short one.
    for (int row : m_dirty) {
        const RowInfo &info = m_info[size_t(row)];
        if (info.state != RowState::Modified)
            continue;
        QStringList sets;
        QVariantList binds;
        for (int f = 0; f < fieldCount(); ++f)
            if (info.pending->modified[size_t(f)]) {
                sets << fieldName(f) + QStringLiteral(" = ?");
                binds << m_store.value(row, f);
            }
        const QString cond = keyCondition(info.pending->key, binds);
        QSqlQuery *q =
            run(QStringLiteral("UPDATE %1 SET %2 WHERE %3").arg(table, sets.join(QStringLiteral(", ")), cond), binds);
        if (!q)
            return failed(row);
        if (q->numRowsAffected() == 0)
            return gone(row);
    }
    newKeys->assign(m_dirty.size(), QVariant());
    for (size_t d = 0; d < m_dirty.size(); ++d) {
        const int row = m_dirty[d];
        if (m_info[size_t(row)].state != RowState::Inserted)
            continue;
        QStringList cols, marks;
        QVariantList binds;
        for (int f = 0; f < fieldCount(); ++f) {
            const QVariant v = m_store.value(row, f);
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
            return failed(row);
        if (autoKey && m_store.value(row, m_keyField).isNull())
            (*newKeys)[d] = q->lastInsertId();
    }
    for (QSqlQuery &q : prepared)
        q.finish();
    return Outcome::success();
}

SavedCodes RecordSet::savedCodes() const
{
    SavedCodes codes;
    codes.deleted = m_deletedKeys;
    if (m_keyField < 0)
        return codes;
    for (int row : m_dirty) {
        const RowInfo &info = m_info[size_t(row)];
        if (info.state == RowState::Modified && info.pending->modified[size_t(m_keyField)])
            codes.renamed.emplace_back(info.pending->key, m_store.value(row, m_keyField));
    }
    return codes;
}

void RecordSet::markSaved(const std::vector<QVariant> &newKeys)
{
    m_deletedKeys.clear();
    for (size_t d = 0; d < m_dirty.size(); ++d) {
        const int row = m_dirty[d];
        RowInfo &info = m_info[size_t(row)];
        // An appended row learns the key the database gave it, by which it is found from now on.
        if (d < newKeys.size() && newKeys[d].isValid() && !newKeys[d].isNull()) {
            m_store.setValue(row, m_keyField, normalized(fieldType(m_keyField), newKeys[d]));
            emit valueChanged(row, m_keyField);
        }
        info.state = RowState::Unchanged;
        info.pending.reset();
    }
    m_dirty.clear();
    emit saved();
}
