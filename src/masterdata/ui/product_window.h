#pragma once
#include "masterdata/product_list.h"
#include "ui/grid_window.h"

#include <memory>

class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

// 商品资料: a flat category tree beside the product grid. The root stands for
// every product that has a category; a category shows its products and those
// of categories coded below it. Products are appended only inside a category,
// which proposes the code and fills the defaults.
class TFormSP : public GridWindow
{
    Q_OBJECT
public:
    explicit TFormSP(QWidget *parent = nullptr);

    QTreeWidget *tree() const { return m_tree; }
    // Selects the tree node of a category ("%": the root), as a click does.
    void selectCategory(const QString &key);
    QString selectedCategory() const { return m_selection->category; }

public Q_SLOTS:
    void insertRow() override;
    // "整行复制" / "整行粘贴"
    void copyRow();
    void pasteRow();
    // "简拼[&J]"
    void regeneratePinyin();
    // "打印[&P]": the rows in sight as a plain table.
    void printRows();
    // "清空商品资料（注：清空前请先备注！）"
    void clearProducts();
    // "显示预览图": the picture of the product under the cursor.
    void showPicture();

protected:
    void afterLoad() override;
    void afterSave() override;

private:
    TFormSP(std::shared_ptr<ProductList::Selection> selection, QWidget *parent);
    void categoryChosen(QTreeWidgetItem *current, QTreeWidgetItem *previous);
    // Asks the close question when edits are pending: false when the user stays.
    bool mayDropEdits();
    void showCount();

    std::shared_ptr<ProductList::Selection> m_selection;
    QTreeWidget *m_tree = nullptr;
    QLabel *m_count = nullptr;
    QPushButton *m_paste = nullptr;
    QString m_copiedCode;
};
