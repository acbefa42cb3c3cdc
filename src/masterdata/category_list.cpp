#include "masterdata/category_list.h"

#include "core/db/database.h"
#include "core/db/record_set.h"
#include "core/db/transaction.h"

namespace CategoryList {
namespace {

// One statement for all renames, so that codes swapped between two
// categories move their products to the right one.
Outcome carryRenames(const SavedCodes &codes)
{
    if (codes.renamed.empty())
        return Outcome::success();
    QString cases;
    QString in;
    QVariantList caseBinds;
    QVariantList inBinds;
    for (const auto &[oldCode, newCode] : codes.renamed) {
        cases += QStringLiteral(" WHEN ? THEN ?");
        caseBinds << oldCode << newCode;
        in += in.isEmpty() ? QStringLiteral("?") : QStringLiteral(", ?");
        inBinds << oldCode;
    }
    try {
        Db::execSql(QStringLiteral("UPDATE bm_sp SET LB = CASE LB%1 END WHERE LB IN (%2)").arg(cases, in),
                    caseBinds + inBinds);
    } catch (const DbError &e) {
        return Outcome::failure(QStringLiteral("保存失败！"), e.text());
    }
    return Outcome::success();
}

} // namespace

GridSpec spec()
{
    GridSpec s;
    s.table = QStringLiteral("bm_splb");
    s.order = {{QStringLiteral("BM")}};
    s.keyColumn = QStringLiteral("BM");
    s.columns.push_back(GridColumn::of("BM", "编码", 100));
    s.columns.push_back(GridColumn::of("MC", "名称", 180));
    s.columns.push_back(GridColumn::of("JFGZ", "消费多少元积1分", 140));
    s.afterWrite = [](const RecordSet &, const SavedCodes &codes) { return carryRenames(codes); };
    return s;
}

Outcome applyPointsRules(RecordSet &categories)
{
    Transaction tx;
    if (!tx.active())
        return Outcome::failure(QStringLiteral("修改失败！"), tx.commit().detail);
    if (categories.isDirty())
        if (Outcome saved = categories.save(); !saved)
            return saved;
    try {
        Db::execSql(QStringLiteral("UPDATE bm_sp SET JFGZ = bm_splb.JFGZ FROM bm_splb WHERE bm_sp.LB = bm_splb.BM"));
    } catch (const DbError &e) {
        return Outcome::failure(QStringLiteral("修改失败！"), e.text());
    }
    if (Outcome committed = tx.commit(); !committed)
        return Outcome::failure(QStringLiteral("修改失败！"), committed.text());
    return Outcome::success(QStringLiteral("修改成功！"));
}

} // namespace CategoryList
