#pragma once
#include "ui/grid_window.h"

// 商品类别: the category grid with "统一修改积分规则", which gives every
// product its category's points rule after saving the categories.
class TBM_SPLB : public GridWindow
{
    Q_OBJECT
public:
    explicit TBM_SPLB(QWidget *parent = nullptr);

public Q_SLOTS:
    void applyPointsRules();
};
