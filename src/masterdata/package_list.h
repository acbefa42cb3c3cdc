#pragma once
#include "core/db/grid_spec.h"
#include "core/db/query_spec.h"
#include "core/outcome.h"

#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <functional>
#include <optional>

class QueryResult;
class RecordSet;

// Packages (套系): their names (bm_txlb, window TBM_TXLB) and their lines
// (bm_tx, window TBM_TX), one line per product at a set quantity and price.
// A line belongs to its package through LB, the package's code.
namespace PackageList {

// TBM_TXLB: code and name. Orders find a package by its name, so a save that
// would leave two packages of one name is refused. A changed code takes the
// package's lines along, and a deleted package takes its lines with it (a
// code typed again later would otherwise inherit them), in the same save.
GridSpec spec();

// The sentence refusing a save that leaves two packages named `name`.
QString duplicateNameMessage(const QString &name);

// The names of every package, in code order, for the 套系名称 drop-down.
// Fails when the table cannot be read.
Outcome packageNames(QStringList *names);
// The code of the package of that name; nothing when none has it.
std::optional<QString> codeOfName(const QString &name);

// TBM_TX: the lines of one package (columns 编码, 名称, 数量, 单价, 类别),
// starting with no package chosen (no lines). Every line appended gets the
// code currentPackage() tells as its LB.
GridSpec linesSpec(std::function<QString()> currentPackage);
// The rows of linesSpec for a package; an empty code loads no lines at all.
std::vector<GridCondition> linesOf(const QString &packageCode);

// The product list beside the lines ("商品资料（双击选择）"): 编码, 名称, 零售价,
// 备注, with 面积 hidden.
QueryText productsQuery();
std::vector<GridColumn> productColumns();

// Appends a line for a picked product to `lines`: its code and name, price
// LSJ, quantity 1 (the package code comes from the description's defaults). Returns
// the new row.
int appendProduct(RecordSet &lines, const QVariantMap &product);

} // namespace PackageList
