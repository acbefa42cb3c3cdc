#pragma once
#include "core/db/row_source.h"
#include "core/db/row_store.h"
#include "core/outcome.h"

#include <QString>
#include <QVariant>
#include <vector>

// How a result column of a query is typed, where the schema cannot tell
// (a computed column) or should not (a text shown as a number).
struct QueryField
{
    QString name;      // the result column's name (its alias), case-insensitive
    Schema::Type type = Schema::Type::Text;
    int size = 0;      // decimals of a Decimal, width of a Text; 0: unknown
};

// The rows of any SELECT with bound parameters (joins, aggregates), read-only,
// as the query windows, the pickers and the reports show them.
//
// A result column is typed by its QueryField when one is given; otherwise by
// the schema when a table of the data model has a column of that name
// ("SUM(JE) AS JE" is a Decimal with JE's scale); otherwise by its values
// (all whole numbers: Integer; numbers with fractions: Decimal; any text: Text).
// Values are typed exactly as RecordSet types them.
class QueryResult : public RowSource
{
    Q_OBJECT
public:
    explicit QueryResult(QString sql, QVariantList binds = {}, std::vector<QueryField> fields = {},
                         QObject *parent = nullptr);
    ~QueryResult() override;

    const QString &sql() const { return m_sql; }
    const QVariantList &binds() const { return m_binds; }
    // New values for the statement's parameters, used by the next load().
    void setBinds(QVariantList binds);

    // (Re)reads the rows. On failure the result is empty and the outcome
    // carries the database's text as its detail.
    Outcome load();

    int rowCount() const override { return m_store.rowCount(); }
    int fieldCount() const override { return int(m_names.size()); }
    int fieldIndex(const QString &name) const override;
    QString fieldName(int field) const override;
    Schema::Type fieldType(int field) const override;
    int fieldSize(int field) const override;
    QVariant value(int row, int field) const override;
    using RowSource::value;
    QStringView textView(int row, int field) const override;

private:
    QString describe(const QStringList &names, RowStore &store);

    QString m_sql;
    QVariantList m_binds;
    std::vector<QueryField> m_given;
    QStringList m_names;
    std::vector<int> m_sizes;
    RowStore m_store;
};
