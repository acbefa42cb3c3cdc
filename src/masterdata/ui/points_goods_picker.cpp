#include "masterdata/ui/points_goods_picker.h"

#include "core/db/query_result.h"
#include "masterdata/points_goods.h"
#include "ui/pickers.h"

#include <QPushButton>

TXZJFSP::TXZJFSP(QWidget *parent)
    : PickerWindow(QStringLiteral("积分兑换商品选择"), PointsGoods::columns(),
                   {QStringLiteral("BM"), QStringLiteral("MC")}, parent)
{
    setObjectName(QStringLiteral("TXZJFSP"));
    const QueryText q = PointsGoods::pickerQuery();
    setSource(new QueryResult(q.sql, q.binds));
    auto *exit = new QPushButton(QStringLiteral("退出[&E]"), this);
    exit->setObjectName(QStringLiteral("exitButton"));
    exit->setAutoDefault(false);
    connect(exit, &QPushButton::clicked, this, &QDialog::reject);
    addToolWidget(exit);
    resize(800, 465);
}

std::optional<QVariantMap> TXZJFSP::pickGoods(QWidget *parent, const QString &typed)
{
    TXZJFSP picker(parent);
    return picker.pick(typed);
}

void registerPointsGoodsPicker()
{
    Pickers::add(QStringLiteral("pointsGoods"),
                 [](QWidget *parent, const QString &typed) { return TXZJFSP::pickGoods(parent, typed); });
}
