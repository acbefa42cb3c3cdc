#pragma once
#include "core/db/row_store.h"
#include "core/outcome.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>

// Reads the rows of a SELECT into a RowStore. Each database driver has its
// own reader: SQLite's reads the statement straight from the library (no row
// cache, no QVariant per value), any other driver goes through QSqlQuery. A
// server backend adds one reader and touches no window.
class RowReader
{
public:
    virtual ~RowReader() = default;

    // Told the names of the result columns once the statement is prepared;
    // sets the store's fields (one per column) and returns an empty text, or
    // the reason to stop.
    using Describe = std::function<QString(const QStringList &columnNames, RowStore &store)>;

    // Runs the statement with its values bound in order and appends every
    // row to the store. The failure's detail is the database's own text.
    virtual Outcome read(const QString &sql, const QVariantList &binds, const Describe &describe,
                         RowStore &store) = 0;

    // The reader for a connection's driver.
    static std::unique_ptr<RowReader> forConnection(const QSqlDatabase &db);
};
