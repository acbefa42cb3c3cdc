#include "masterdata/package_list.h"

#include "core/db/database.h"
#include "core/db/record_set.h"

#include <QSqlError>
#include <QSqlQuery>

namespace PackageList {

namespace {

const QString kNoPackage = QStringLiteral("ID");

// The IDs of the lines of one package, read before any line moves so that
// codes swapped in one save (A → B, B → A) do not mix their lines.
QVariantList lineIds(const QVariant &packageCode)
{
    QVariantList ids;
    QSqlQuery q = Db::execSql(QStringLiteral("SELECT ID FROM bm_tx WHERE LB = ?"), {packageCode});
    while (q.next())
        ids << q.value(0);
    return ids;
}

Outcome followCodes(const SavedCodes &codes)
{
    try {
        // Names are checked over the whole table: a package another window
        // saved meanwhile counts as well.
        QSqlQuery dup = Db::execSql(QStringLiteral(
            "SELECT MC FROM bm_txlb WHERE MC IS NOT NULL AND MC <> '' GROUP BY MC HAVING COUNT(*) > 1"));
        if (dup.next())
            return Outcome::failure(duplicateNameMessage(dup.value(0).toString()));

        std::vector<QVariantList> doomed, moved;
        for (const QVariant &code : codes.deleted)
            doomed.push_back(lineIds(code));
        std::vector<QVariant> targets;
        for (const auto &[from, to] : codes.renamed) {
            if (from == to)
                continue;
            moved.push_back(lineIds(from));
            targets.push_back(to);
        }
        for (const QVariantList &ids : doomed)
            for (const QVariant &id : ids)
                Db::execSql(QStringLiteral("DELETE FROM bm_tx WHERE ID = ?"), {id});
        for (size_t i = 0; i < moved.size(); ++i)
            for (const QVariant &id : moved[i])
                Db::execSql(QStringLiteral("UPDATE bm_tx SET LB = ? WHERE ID = ?"), {targets[i], id});
    } catch (const DbError &e) {
        return Outcome::failure(QStringLiteral("保存失败！"), e.text());
    }
    return Outcome::success();
}

} // namespace

QString duplicateNameMessage(const QString &name)
{
    return QStringLiteral("套系名称“%1”重复，请修改后再保存！").arg(name);
}

GridSpec spec()
{
    GridSpec s;
    s.table = QStringLiteral("bm_txlb");
    s.order = {{QStringLiteral("BM")}};
    s.keyColumn = QStringLiteral("BM");
    s.columns.push_back(GridColumn::of("BM", "编码", 120));
    s.columns.push_back(GridColumn::of("MC", "名称", 260));
    s.afterWrite = [](const RecordSet &, const SavedCodes &codes) { return followCodes(codes); };
    return s;
}

Outcome packageNames(QStringList *names)
{
    names->clear();
    try {
        QSqlQuery q = Db::execSql(QStringLiteral("SELECT MC FROM bm_txlb ORDER BY BM"));
        while (q.next())
            if (!q.value(0).toString().isEmpty())
                names->append(q.value(0).toString());
    } catch (const DbError &e) {
        return Outcome::failure(QStringLiteral("请先在“基础资料-套系名称”中输入至少一个套系"), e.text());
    }
    if (names->isEmpty())
        return Outcome::failure(QStringLiteral("请先在“基础资料-套系名称”中输入至少一个套系"));
    return Outcome::success();
}

std::optional<QString> codeOfName(const QString &name)
{
    const QVariant code = Db::scalarSql(QStringLiteral("SELECT BM FROM bm_txlb WHERE MC = ? ORDER BY BM"), {name});
    if (!code.isValid() || code.isNull())
        return std::nullopt;
    return code.toString();
}

std::vector<GridCondition> linesOf(const QString &packageCode)
{
    if (packageCode.isEmpty())
        return {{kNoPackage, GridCondition::Op::IsNull, {}}};
    return {{QStringLiteral("LB"), GridCondition::Op::Equal, packageCode}};
}

GridSpec linesSpec(std::function<QString()> currentPackage)
{
    GridSpec s;
    s.table = QStringLiteral("bm_tx");
    s.conditions = linesOf(QString());
    s.order = {{QStringLiteral("ID")}};
    s.columns.push_back(GridColumn::of("BM", "编码", 110));
    s.columns.push_back(GridColumn::of("MC", "名称", 200));
    s.columns.push_back(GridColumn::of("SL", "数量", 80));
    GridColumn price = GridColumn::of("DJ", "单价", 90);
    price.format = QStringLiteral("0.00");
    s.columns.push_back(price);
    GridColumn lb = GridColumn::of("LB", "类别", 80);
    lb.readOnly = true;
    s.columns.push_back(lb);
    GridColumn id = GridColumn::of("ID", "ID");
    id.hidden = true;
    id.readOnly = true;
    s.columns.push_back(id);
    s.newRowDefaults = [currentPackage](RecordSet &set, int row) {
        set.setValue(row, QStringLiteral("LB"), currentPackage());
        set.setValue(row, QStringLiteral("SL"), 1.0);
    };
    return s;
}

QueryText productsQuery()
{
    return {QStringLiteral("SELECT BM, MC, LSJ, BZ, MJ FROM bm_sp ORDER BY BM"), {}};
}

std::vector<GridColumn> productColumns()
{
    std::vector<GridColumn> c;
    c.push_back(GridColumn::of("BM", "编码", 100));
    c.push_back(GridColumn::of("MC", "名称", 180));
    GridColumn price = GridColumn::of("LSJ", "零售价", 80);
    price.format = QStringLiteral("0.00");
    c.push_back(price);
    c.push_back(GridColumn::of("BZ", "备注", 140));
    GridColumn area = GridColumn::of("MJ", "面积", 60);
    area.hidden = true;
    c.push_back(area);
    return c;
}

int appendProduct(RecordSet &lines, const QVariantMap &product)
{
    const int row = lines.insertRow();
    lines.setValue(row, QStringLiteral("BM"), product.value(QStringLiteral("BM")));
    lines.setValue(row, QStringLiteral("MC"), product.value(QStringLiteral("MC")));
    lines.setValue(row, QStringLiteral("DJ"), product.value(QStringLiteral("LSJ")));
    lines.setValue(row, QStringLiteral("SL"), 1.0);
    return row;
}

} // namespace PackageList
