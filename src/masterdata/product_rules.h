#pragma once
#include "core/db/grid_spec.h"
#include "core/outcome.h"

#include <QString>
#include <QStringList>

class RecordSet;

// What protects a product that documents use, wherever products are edited:
// the product window, and the product picker through which the administrator
// edits products while entering an order. Document lines and package lines
// name a product by its code, so a used product keeps its code and its row.
namespace ProductRules {

// The first kind of line that names the product, in the order 入库单,
// 采购退货单, 销售单, 销售退货单, 盘点单, 套系; empty when none does.
QString firstUse(const QString &code);

// Refuses deleting a used product: "当前商品在<kind>使用过，无法删除！".
Outcome checkDelete(const QString &code);
// Refuses changing the code of a used product: "当前商品在<kind>使用过，无法修改编码！".
Outcome checkCodeChange(const QString &oldCode);

// The same refusals for the pending deletions and code changes of a product
// set: run inside the save's transaction (GridSpec::beforeWrite), so a line
// booked between the user's edit and the save still stops it. *failedRow
// names a re-coded row that is refused.
Outcome checkPending(const RecordSet &set, int *failedRow);

// The hooks every product grid carries: a used product is neither removed
// nor re-coded (refused at once, and again inside the save); a typed code
// must be unique; a changed name gets its pinyin initials.
void applyTo(GridSpec &spec);

// Columns 整行粘贴 never copies: the code, and the stock that only the
// documents keep (copying it would make stock out of nothing).
const QStringList &notCopied();
// Copies the stored product `sourceCode` into `row` of a product set, every
// column the set has except notCopied(). False when the product is gone.
bool pasteRow(RecordSet &set, int row, const QString &sourceCode);

// 清空商品资料: deletes, in one transaction, every product that no document
// or package line names. *kept tells how many stayed.
Outcome clearUnused(int *kept);

} // namespace ProductRules
