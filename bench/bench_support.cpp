#include "bench_support.h"

#include "core/db/database.h"

#include <sqlite3.h>

#include <QAbstractItemModel>
#include <QSqlDriver>

namespace BenchSupport {

void rawScan(benchmark::State &state, const QByteArray &sql)
{
    const QVariant handle = Database::db().driver()->handle();
    sqlite3 *db = *static_cast<sqlite3 *const *>(handle.constData());
    qint64 rows = 0;
    for (auto _ : state) {
        sqlite3_stmt *stmt = nullptr;
        if (sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &stmt, nullptr) != SQLITE_OK) {
            state.SkipWithError("prepare failed");
            break;
        }
        rows = 0;
        const int columns = sqlite3_column_count(stmt);
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            ++rows;
            for (int c = 0; c < columns; ++c) {
                switch (sqlite3_column_type(stmt, c)) {
                case SQLITE_INTEGER: benchmark::DoNotOptimize(sqlite3_column_int64(stmt, c)); break;
                case SQLITE_FLOAT: benchmark::DoNotOptimize(sqlite3_column_double(stmt, c)); break;
                case SQLITE_TEXT:
                    benchmark::DoNotOptimize(sqlite3_column_text16(stmt, c));
                    benchmark::DoNotOptimize(sqlite3_column_bytes16(stmt, c));
                    break;
                default: break;
                }
            }
        }
        sqlite3_finalize(stmt);
    }
    state.counters["rows"] = double(rows);
}

void readFirstScreen(const QAbstractItemModel &model)
{
    for (int r = 0; r < qMin(40, model.rowCount()); ++r)
        for (int c = 0; c < model.columnCount(); ++c)
            benchmark::DoNotOptimize(model.data(model.index(r, c)));
}

void RatioReporter::ReportRuns(const std::vector<Run> &reports)
{
    std::vector<Run> runs = reports;
    for (Run &run : runs) {
        if (run.error_occurred)
            continue;
        const double seconds = run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
        if (run.run_name.function_name == "RawSqliteScan" && m_raw == 0)
            m_raw = seconds;
        if (m_raw > 0)
            run.counters["x_raw"] = seconds / m_raw;
    }
    ConsoleReporter::ReportRuns(runs);
}

} // namespace BenchSupport
