#include "masterdata/product_rules.h"

#include "core/db/code_check.h"
#include "core/db/database.h"
#include "core/db/record_set.h"
#include "core/db/transaction.h"
#include "core/prompt.h"
#include "core/session.h"
#include "core/text/pinyin.h"

#include <QSqlRecord>

namespace ProductRules {
namespace {

struct LineKind
{
    const char *table;
    const char *column;
    const char *name;
};

// Every table whose rows name a product by its code, in the order the refusal names them.
constexpr LineKind lineKinds[] = {
    {"rkd_mx", "SPBM", "入库单"}, {"thd_mx", "SPBM", "采购退货单"}, {"xsd_mx", "SPBM", "销售单"},
    {"xtd_mx", "SPBM", "销售退货单"}, {"pdd_mx", "SPBM", "盘点单"}, {"bm_tx", "BM", "套系"},
};

const QString refusalCaption = QStringLiteral("提示：");

Outcome refusedFor(const QString &code, const QString &ending)
{
    QString kind;
    try {
        kind = firstUse(code);
    } catch (const DbError &e) {
        return Outcome::failure(QStringLiteral("保存失败！"), e.text());
    }
    if (kind.isEmpty())
        return Outcome::success();
    return Outcome::failure(QStringLiteral("当前商品在") + kind + QStringLiteral("使用过，") + ending);
}

} // namespace

QString firstUse(const QString &code)
{
    if (code.isEmpty())
        return QString();
    for (const LineKind &k : lineKinds) {
        // Table and column come from the list above, never from the user.
        const QString sql = QStringLiteral("SELECT CASE WHEN EXISTS (SELECT 1 FROM %1 WHERE %2 = ?) THEN 1 ELSE 0 END")
                                .arg(QLatin1String(k.table), QLatin1String(k.column));
        if (Db::scalarSql(sql, {code}).toInt() != 0)
            return QString::fromUtf8(k.name);
    }
    return QString();
}

Outcome checkDelete(const QString &code) { return refusedFor(code, QStringLiteral("无法删除！")); }

Outcome checkCodeChange(const QString &oldCode) { return refusedFor(oldCode, QStringLiteral("无法修改编码！")); }

Outcome checkPending(const RecordSet &set, int *failedRow)
{
    for (const QVariant &code : set.deletedKeys())
        if (Outcome refused = checkDelete(code.toString()); !refused)
            return refused;
    const int bm = set.fieldIndex(QStringLiteral("BM"));
    for (int row : set.changedRows()) {
        if (set.rowState(row) != RecordSet::RowState::Modified)
            continue;
        const QString loaded = set.loadedKey(row).toString();
        if (loaded == set.value(row, bm).toString())
            continue;
        if (Outcome refused = checkCodeChange(loaded); !refused) {
            if (failedRow)
                *failedRow = row;
            return refused;
        }
    }
    return Outcome::success();
}

void applyTo(GridSpec &spec)
{
    auto previousAccept = spec.acceptEdit;
    spec.acceptEdit = [previousAccept](const RecordSet &set, int row, const QString &field, const QVariant &value) {
        if (previousAccept && !previousAccept(set, row, field, value))
            return false;
        if (field.compare(QLatin1String("BM"), Qt::CaseInsensitive) != 0)
            return true;
        const QString typed = value.toString().trimmed();
        const QString current = set.value(row, set.fieldIndex(QStringLiteral("BM"))).toString();
        if (typed.isEmpty())
            return false; // an emptied code box keeps the code it had
        if (typed.compare(current, Qt::CaseInsensitive) == 0)
            return true;
        // A row read from the database still carries the code documents know it by.
        if (set.rowState(row) != RecordSet::RowState::Inserted) {
            if (Outcome refused = checkCodeChange(set.loadedKey(row).toString()); !refused) {
                prompt().warn(refused.message, refusalCaption);
                return false;
            }
        }
        return !Db::CheckCodeUnique(QStringLiteral("BM_SP"), typed);
    };

    auto previousChanged = spec.fieldChanged;
    spec.fieldChanged = [previousChanged](RecordSet &set, int row, const QString &field) {
        if (previousChanged)
            previousChanged(set, row, field);
        if (field.compare(QLatin1String("MC"), Qt::CaseInsensitive) == 0)
            set.setValue(row, QStringLiteral("JP"), Text::PinyinInitials(set.value(row, set.fieldIndex(QStringLiteral("MC"))).toString()));
    };

    auto previousRemove = spec.acceptRemove;
    spec.acceptRemove = [previousRemove](const RecordSet &set, int row) {
        if (previousRemove && !previousRemove(set, row))
            return false;
        if (set.rowState(row) == RecordSet::RowState::Inserted)
            return true;
        if (Outcome refused = checkDelete(set.loadedKey(row).toString()); !refused) {
            prompt().warn(refused.message, refusalCaption);
            return false;
        }
        return true;
    };

    auto previousBeforeWrite = spec.beforeWrite;
    spec.beforeWrite = [previousBeforeWrite](const RecordSet &set, int *failedRow) {
        if (Outcome refused = checkPending(set, failedRow); !refused)
            return refused;
        return previousBeforeWrite ? previousBeforeWrite(set, failedRow) : Outcome::success();
    };
}

const QStringList &notCopied()
{
    static const QStringList fields = {QStringLiteral("BM"), QStringLiteral("KCSL"), QStringLiteral("KCJE"),
                                       QStringLiteral("CBJJ")};
    return fields;
}

bool pasteRow(RecordSet &set, int row, const QString &sourceCode)
{
    QSqlQuery q = Db::execSql(QStringLiteral("SELECT * FROM bm_sp WHERE BM = ?"), {sourceCode});
    if (!q.next())
        return false;
    const QSqlRecord r = q.record();
    for (int i = 0; i < r.count(); ++i) {
        const QString name = r.fieldName(i);
        if (notCopied().contains(name, Qt::CaseInsensitive))
            continue;
        const int field = set.fieldIndex(name);
        if (field >= 0)
            set.setValue(row, field, r.value(i));
    }
    return true;
}

Outcome clearUnused(int *kept)
{
    App::session().refreshUserRow();
    if (!App::session().hasRight(QStringLiteral("13")))
        return Outcome::failure(QStringLiteral("您没有权操作，请联系管理员！"));
    QString unused;
    for (const LineKind &k : lineKinds) {
        unused += unused.isEmpty() ? QString() : QStringLiteral(" AND ");
        unused += QStringLiteral("NOT EXISTS (SELECT 1 FROM %1 WHERE %1.%2 = bm_sp.BM)")
                      .arg(QLatin1String(k.table), QLatin1String(k.column));
    }
    try {
        Transaction tx;
        Db::execSql(QStringLiteral("DELETE FROM bm_sp WHERE ") + unused);
        const int stayed = Db::scalarSql(QStringLiteral("SELECT COUNT(*) FROM bm_sp")).toInt();
        if (Outcome committed = tx.commit(); !committed)
            return Outcome::failure(QStringLiteral("清空失败！"), committed.text());
        if (kept)
            *kept = stayed;
        if (stayed == 0)
            return Outcome::success(QStringLiteral("清空成功！"));
        return Outcome::success(QStringLiteral("清空成功！有%1个商品在单据或套系中使用过，已保留。").arg(stayed));
    } catch (const DbError &e) {
        return Outcome::failure(QStringLiteral("清空失败！"), e.text());
    }
}

} // namespace ProductRules
