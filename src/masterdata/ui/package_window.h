#pragma once
#include "ui/grid_window.h"

#include <memory>

class GridFilterModel;
class GridView;
class QComboBox;
class QueryResult;
class RowModel;

// TBM_TX (套系明细): the lines of the package chosen in "套系名称：", with the
// products beside them ("商品资料（双击选择）"): a double click puts a product
// on the package at its retail price, quantity 1. Lines can be added only
// while a package is chosen, so none is saved without one. Choosing another
// package with unsaved lines asks as closing does.
class TBM_TX : public GridWindow
{
    Q_OBJECT
public:
    explicit TBM_TX(QWidget *parent = nullptr);
    ~TBM_TX() override;

    QComboBox *packageBox() const { return m_packages; }
    QTableView *productView() const;
    RowModel *productModel() const { return m_productModel; }
    QString currentPackage() const { return *m_package; }

    // Makes the package of that name current (as choosing it in the box);
    // false when the user kept the old one or no package has that name.
    bool choosePackage(const QString &name);
    // Puts the product of that product-list row on the current package.
    void addProduct(int productRow);

protected:
    void saveFailed(const Outcome &outcome) override;
    void showEvent(QShowEvent *event) override;

private:
    TBM_TX(std::shared_ptr<QString> package, QWidget *parent);
    void fillPackages();
    bool askToKeepLines();

    std::shared_ptr<QString> m_package;
    QComboBox *m_packages = nullptr;
    QueryResult *m_products = nullptr;
    RowModel *m_productModel = nullptr;
    GridFilterModel *m_productFilter = nullptr;
    GridView *m_productView = nullptr;
    bool m_filled = false;
};
