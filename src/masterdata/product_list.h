#pragma once
#include "core/db/grid_spec.h"

#include <QString>
#include <QVariant>
#include <functional>
#include <memory>
#include <vector>

class RecordSet;

// The product grid of 商品资料 (bm_sp), shown per category of a flat tree.
namespace ProductList {

// The tree's key of the root: every product that has a category.
inline const QString rootKey = QStringLiteral("%");

// The category the product window shows; the grid's hooks read it, so the
// window and its description share one.
struct Selection
{
    QString category = rootKey;
    QString pointsRule; // JFGZ of the selected category
    bool isRoot() const { return category == rootKey; }
};

struct Category
{
    QString code;
    QString name;
    QString pointsRule;
};
// Every category in code order (the tree's children).
std::vector<Category> categories();
// The points rule of one category (empty when it has none or is gone).
QString pointsRuleOf(const QString &category);

// The rows shown for a tree key: the root shows every product whose LB is
// not null; a category shows the products whose LB begins with its code
// (its own and those of categories coded below it).
std::vector<GridCondition> conditionsFor(const QString &key);

// The next code after `code`: its digits read as a number plus one, written
// in as many characters with leading zeros, a carry past the width lost
// (0099 → 0100, 9999 → 0000). Empty when `code` is empty or not all digits.
QString incrementCode(const QString &code);

// The code proposed for a product appended in `category` after the last row
// `lastCode` (null: the grid had no rows):
//   no rows                              → category + "0001"
//   last row begins with the category    → category + its serial plus one, same width
//                                          (010009 → 010010, 0199 in 01 → 0100);
//                                          a last row equal to the category proposes itself
//   otherwise                            → incrementCode(last row)
// Empty where the serial is not a number. Never asked at the root.
QString proposeCode(const QString &category, const QVariant &lastCode);

// The grid of the product window: columns, filter on code, name and pinyin
// initials, new-row defaults and the code proposal from `selection`, and the
// shared product refusals (ProductRules::applyTo).
GridSpec spec(std::shared_ptr<Selection> selection);

} // namespace ProductList
