#include "masterdata/ui/category_window.h"

#include "core/db/record_set.h"
#include "core/prompt.h"
#include "masterdata/category_list.h"

#include <QPushButton>

TBM_SPLB::TBM_SPLB(QWidget *parent) : GridWindow(QStringLiteral("商品类别"), CategoryList::spec(), parent)
{
    setObjectName(QStringLiteral("TBM_SPLB"));
    setFeatureShown(Feature::Filter, false);
    setFeatureShown(Feature::Export, false);
    auto *apply = new QPushButton(QStringLiteral("统一修改积分规则"), this);
    apply->setObjectName(QStringLiteral("applyRulesButton"));
    apply->setAutoDefault(false);
    connect(apply, &QPushButton::clicked, this, &TBM_SPLB::applyPointsRules);
    addToolWidget(apply);
    resize(540, 345);
}

void TBM_SPLB::applyPointsRules()
{
    commitEdits();
    const Outcome done = CategoryList::applyPointsRules(records());
    if (!done) {
        if (const int row = records().failedRow(); row >= 0)
            setCurrentRow(row);
        prompt().warn(done.text());
        return;
    }
    prompt().info(done.message);
}
