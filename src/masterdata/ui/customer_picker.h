#pragma once
#include "ui/picker_window.h"

// Txzkh (客户选择): every member, the walk-in "999" included, read afresh
// each time it is shown. A double click, Enter or "+" picks the current row;
// Esc closes without a pick; closing empties the filter box. The picked row
// carries every column of the member (BM, MC, ZHYE, SYJF …): each caller
// fills its own boxes from it.
class Txzkh : public PickerWindow
{
    Q_OBJECT
public:
    explicit Txzkh(QWidget *parent = nullptr);

    // Shows the picker over `parent`, filtered by `typed`; the picked member or nothing.
    static std::optional<QVariantMap> pickCustomer(QWidget *parent, const QString &typed = QString());

    // The picked member with every column, read afresh by its code.
    QVariantMap rowValues(int sourceRow) const override;
};

// Registers "customer" with the grid cells' pickers.
void registerCustomerPicker();
