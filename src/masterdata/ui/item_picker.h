#pragma once
#include "ui/picker_window.h"

// Txz_xm (项目选择): the income or expense items of bm_xm for the trade
// documents. The caller says which kind it wants; the picker returns the row
// (BM, MC, SZ) and the caller takes MC into its item field.
class Txz_xm : public PickerWindow
{
    Q_OBJECT
public:
    explicit Txz_xm(bool expense, QWidget *parent = nullptr);

    // Runs a picker of expense (true) or income items, starting from `typed`.
    static std::optional<QVariantMap> pickItem(QWidget *parent, bool expense, const QString &typed = QString());
};

// Registers "expenseItem" and "incomeItem" with the grid cells' pickers.
void registerItemPickers();
