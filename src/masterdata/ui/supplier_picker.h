#pragma once
#include "ui/picker_window.h"

class GridWindow;
class QLineEdit;
class RecordSet;

// Txzghs (供货商选择): the suppliers, which the picker also edits in place
// (insert, edit, delete, 保存[&S] in one transaction). Picking or closing with
// unsaved edits asks first, so nothing typed is lost silently; a pick returns
// the saved row (BM, MC …) and the caller fills its own boxes.
class Txzghs : public PickerWindow
{
    Q_OBJECT
public:
    explicit Txzghs(QWidget *parent = nullptr);

    RecordSet &records() const { return *m_set; }
    // Writes the pending edits: "保存成功！", or the refusal with the edits kept.
    bool save();
    void insertRow();
    void deleteCurrentRow();

    static std::optional<QVariantMap> pickSupplier(QWidget *parent, const QString &typed = QString());

protected:
    bool canLeave(bool picking) override;

private:
    bool saveQuietly();

    RecordSet *m_set = nullptr;
};

// Registers "supplier" with the grid cells' pickers.
void registerSupplierPicker();

// TBM_GHS's own part beside the grid: the count of stored suppliers after
// "客户数量：", refreshed after every load and save.
void addSupplierCount(GridWindow *window);
