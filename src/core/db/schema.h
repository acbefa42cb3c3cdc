#pragma once
#include <QSqlDatabase>
#include <QString>
#include <vector>

// The data model, described as data: every table and column the program
// reads or writes, with the names the rest of the code uses.
namespace Schema {

enum class Type {
    Text,     // VARCHAR(width), or unbounded when width is 0; compared without ASCII case
    Decimal,  // DECIMAL(18, scale); read and computed as double
    DateTime, // ISO text: YYYY-MM-DD or YYYY-MM-DD HH:MM:SS
    Bool,     // 0 / 1
    Integer,
};

struct Column
{
    const char *name;
    Type type;
    int size = 0; // text width or decimal scale
    bool notNull = false;
    // The table's own key, an INTEGER PRIMARY KEY the database fills for a new
    // row: given to tables without a code whose rows a grid edits one by one.
    bool primaryKey = false;
};

struct Table
{
    const char *name;
    std::vector<Column> columns;
    // Columns that must be unique (the master tables' code BM, document IDs).
    std::vector<const char *> uniqueKey;
    // Columns that lookups filter or join on, each indexed on its own.
    std::vector<const char *> indexed;
};

const std::vector<Table> &tables();
const Table *findTable(const QString &name);
// The table's primary key column (Column::primaryKey), or nullptr.
const char *keyColumn(const Table &table);

// Bumped whenever the program's own migrations change the schema.
constexpr int currentVersion = 5;
// Identifies a database file of this program (PRAGMA application_id).
constexpr int applicationId = 0x484c414e; // "HLAN"

QString createTableSql(const Table &table);

// Creates every table and index and the version row; returns false with the
// database's message when a statement fails. Runs in one transaction.
bool create(QSqlDatabase db, QString *error);
// The delivered content: administrator, walk-in customer, general supplier,
// company row, print-format rows, exchange table list, member levels.
bool seed(QSqlDatabase db, QString *error);
// Applies the program's own migrations up to currentVersion, in order. Each
// step runs in one transaction together with the bump of the version row, so
// that a crash leaves the file at one version or the next. Refuses a file
// that is not of this program or whose version is newer than currentVersion.
bool migrate(QSqlDatabase db, QString *error);

// The migration steps. Each is called inside the transaction migrate() opens
// (its own guards nest into it) and must leave committing to migrate().
bool migrateToV2(QSqlDatabase db, QString *error); // real keys (core/db/migration_v2.cpp)
bool migrateToV3(QSqlDatabase db, QString *error); // delivered BM_JP rows (core/text/pinyin_table.cpp)
bool migrateToV4(QSqlDatabase db, QString *error); // the hashes of remembered logins, bm_yg.DLLP
bool migrateToV5(QSqlDatabase db, QString *error); // the index the member count per level reads
// The version row, or 0 when the file is not a database of this program.
int version(QSqlDatabase db);

} // namespace Schema
