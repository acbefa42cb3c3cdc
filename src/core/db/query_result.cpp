#include "core/db/query_result.h"
#include "core/db/database.h"
#include "core/db/row_reader.h"

#include <QRegularExpression>

namespace {

// Tables of the data model the statement names, in the order it names them.
std::vector<const Schema::Table *> namedTables(const QString &sql)
{
    std::vector<std::pair<qsizetype, const Schema::Table *>> found;
    for (const Schema::Table &t : Schema::tables()) {
        const QRegularExpression word(QStringLiteral("\\b%1\\b").arg(QLatin1String(t.name)),
                                      QRegularExpression::CaseInsensitiveOption);
        const QRegularExpressionMatch m = word.match(sql);
        if (m.hasMatch())
            found.emplace_back(m.capturedStart(), &t);
    }
    std::sort(found.begin(), found.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
    std::vector<const Schema::Table *> out;
    for (const auto &f : found)
        out.push_back(f.second);
    return out;
}

const Schema::Column *columnOf(const Schema::Table &t, const QString &name)
{
    for (const Schema::Column &c : t.columns)
        if (name.compare(QLatin1String(c.name), Qt::CaseInsensitive) == 0)
            return &c;
    return nullptr;
}

// The schema's typing of a result column: from a table the statement names,
// else from every table with a column of that name when they all agree.
std::optional<std::pair<Schema::Type, int>> schemaTyping(const QString &name,
                                                        const std::vector<const Schema::Table *> &named)
{
    for (const Schema::Table *t : named)
        if (const Schema::Column *c = columnOf(*t, name))
            return std::make_pair(c->type, c->size);
    std::optional<std::pair<Schema::Type, int>> typing;
    for (const Schema::Table &t : Schema::tables()) {
        const Schema::Column *c = columnOf(t, name);
        if (!c)
            continue;
        if (!typing)
            typing = std::make_pair(c->type, c->size);
        else if (typing->first != c->type)
            return std::nullopt;
        else
            typing->second = std::max(typing->second, c->size);
    }
    return typing;
}

} // namespace

QueryResult::QueryResult(QString sql, QVariantList binds, std::vector<QueryField> fields, QObject *parent)
    : RowSource(parent), m_sql(std::move(sql)), m_binds(std::move(binds)), m_given(std::move(fields))
{
}

QueryResult::~QueryResult() = default;

void QueryResult::setBinds(QVariantList binds) { m_binds = std::move(binds); }

QString QueryResult::describe(const QStringList &names, RowStore &store)
{
    const std::vector<const Schema::Table *> named = namedTables(m_sql);
    std::vector<std::optional<Schema::Type>> types;
    m_names = names;
    m_sizes.assign(size_t(names.size()), 0);
    for (int i = 0; i < names.size(); ++i) {
        const QString &name = names.at(i);
        const auto given = std::find_if(m_given.begin(), m_given.end(), [&](const QueryField &f) {
            return f.name.compare(name, Qt::CaseInsensitive) == 0;
        });
        if (given != m_given.end()) {
            types.push_back(given->type);
            m_sizes[size_t(i)] = given->size;
        } else if (const auto typing = schemaTyping(name, named)) {
            types.push_back(typing->first);
            m_sizes[size_t(i)] = typing->second;
        } else {
            types.push_back(std::nullopt);
        }
    }
    store.setFields(std::move(types));
    return {};
}

Outcome QueryResult::load()
{
    emit aboutToReload();
    m_store.clear();
    const std::unique_ptr<RowReader> reader = RowReader::forConnection(Database::db());
    Outcome out = reader->read(
        m_sql, m_binds, [this](const QStringList &names, RowStore &store) { return describe(names, store); },
        m_store);
    if (out)
        m_store.settleTypes();
    else
        m_store.clear();
    emit reloaded();
    return out;
}

int QueryResult::fieldIndex(const QString &name) const
{
    for (int i = 0; i < m_names.size(); ++i)
        if (name.compare(m_names.at(i), Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QString QueryResult::fieldName(int field) const
{
    return field >= 0 && field < fieldCount() ? m_names.at(field) : QString();
}

Schema::Type QueryResult::fieldType(int field) const
{
    return field >= 0 && field < fieldCount() && field < m_store.fieldCount() ? m_store.fieldType(field)
                                                                               : Schema::Type::Text;
}

int QueryResult::fieldSize(int field) const
{
    return field >= 0 && field < int(m_sizes.size()) ? m_sizes[size_t(field)] : 0;
}

QVariant QueryResult::value(int row, int field) const { return m_store.value(row, field); }

QStringView QueryResult::textView(int row, int field) const { return m_store.textView(row, field); }
