#pragma once
#include "ui/picker_window.h"

// TXZJFSP (积分兑换商品选择): the points goods, read-only, re-read at every
// showing; the redemption window puts the picked row's code on its line.
class TXZJFSP : public PickerWindow
{
    Q_OBJECT
public:
    explicit TXZJFSP(QWidget *parent = nullptr);

    static std::optional<QVariantMap> pickGoods(QWidget *parent, const QString &typed = QString());
};

// Registers "pointsGoods" with the grid cells' pickers.
void registerPointsGoodsPicker();
