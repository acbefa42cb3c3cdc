#include "core/text/pinyin_table.h"

#include "core/db/transaction.h"

#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <algorithm>

const std::vector<std::pair<QString, QString>> &PinyinTable::deliveredRows()
{
    static const std::vector<std::pair<QString, QString>> rows = [] {
        std::vector<std::pair<QString, QString>> result;
        QFile file(QStringLiteral(":/program/bm_jp.tsv"));
        if (!file.open(QIODevice::ReadOnly))
            return result;
        const QList<QByteArray> lines = file.readAll().split('\n');
        result.reserve(size_t(lines.size()));
        for (const QByteArray &line : lines) {
            const qsizetype tab = line.indexOf('\t');
            if (tab <= 0)
                continue;
            const QString letter = QString::fromUtf8(line.mid(tab + 1)).trimmed();
            if (!letter.isEmpty())
                result.emplace_back(QString::fromUtf8(line.left(tab)), letter);
        }
        return result;
    }();
    return rows;
}

bool PinyinTable::insertMissing(QSqlDatabase db, QString *error)
{
    const std::vector<std::pair<QString, QString>> &rows = deliveredRows();
    if (rows.empty()) {
        if (error)
            *error = QStringLiteral("拼音码表缺失");
        return false;
    }
    // Joins the caller's transaction (the seed's, a migration's) or is one of
    // its own, so half a table is never left behind.
    Transaction tx(db);
    if (!tx.active())
        return tx.commit(error);
    // Rows go in by the few hundred: one statement per row would cost more
    // than the rest of a new database together.
    constexpr size_t batch = 400;
    QSqlQuery insert(db);
    for (size_t from = 0; from < rows.size(); from += batch) {
        const size_t count = std::min(batch, rows.size() - from);
        bool ok = true;
        if (from == 0 || count < batch) {
            const QStringList marks(qsizetype(count), QStringLiteral("(?, ?)"));
            ok = insert.prepare(QStringLiteral("INSERT INTO BM_JP (mc, jp) SELECT v.column1, v.column2 FROM (VALUES %1) AS v "
                                               "WHERE NOT EXISTS (SELECT 1 FROM BM_JP b WHERE b.mc = v.column1)")
                                    .arg(marks.join(QStringLiteral(", "))));
        }
        for (size_t i = 0; ok && i < count; ++i) {
            insert.bindValue(int(2 * i), rows[from + i].first);
            insert.bindValue(int(2 * i + 1), rows[from + i].second);
        }
        if (!ok || !insert.exec()) {
            if (error)
                *error = insert.lastError().text();
            return false; // the guard undoes what went in before
        }
    }
    insert.finish();
    return tx.commit(error);
}

bool Schema::migrateToV3(QSqlDatabase db, QString *error) { return PinyinTable::insertMissing(db, error); }
