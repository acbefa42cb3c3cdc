#include "masterdata/ui/package_window.h"

#include "core/db/query_result.h"
#include "core/db/record_set.h"
#include "core/prompt.h"
#include "masterdata/package_list.h"
#include "ui/grid_filter.h"
#include "ui/grid_footer.h"
#include "ui/grid_view.h"
#include "ui/row_model.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace {
std::shared_ptr<QString> noPackage() { return std::make_shared<QString>(); }
} // namespace

TBM_TX::TBM_TX(QWidget *parent) : TBM_TX(noPackage(), parent) {}

TBM_TX::TBM_TX(std::shared_ptr<QString> package, QWidget *parent)
    : GridWindow(QStringLiteral("套系明细"), PackageList::linesSpec([package] { return *package; }), parent),
      m_package(std::move(package))
{
    setObjectName(QStringLiteral("TBM_TX"));
    setFeatureShown(Feature::Filter, false);
    setFeatureShown(Feature::Export, false);
    setFeatureShown(Feature::InsertDelete, false);

    auto *packageLabel = new QLabel(QStringLiteral("套系名称："), this);
    m_packages = new QComboBox(this);
    m_packages->setObjectName(QStringLiteral("packageBox"));
    m_packages->setPlaceholderText(QStringLiteral("请选择套系"));
    m_packages->setMinimumWidth(200);
    packageLabel->setBuddy(m_packages);
    addToolWidget(packageLabel);
    addToolWidget(m_packages);

    const QueryText q = PackageList::productsQuery();
    m_products = new QueryResult(q.sql, q.binds, {}, this);
    // The model takes its source once the products are read (at the first
    // showing): until then every column counts as present.
    m_productModel = new RowModel(nullptr, PackageList::productColumns(), this);
    m_productFilter = new GridFilterModel(m_productModel, {}, this);
    m_productView = new GridView(this);
    m_productView->setObjectName(QStringLiteral("productGrid"));
    m_productView->showRows(m_productFilter);
    m_productView->setEditTriggers(QAbstractItemView::NoEditTriggers);

    // The lines on the left, the products on the right, the note below.
    auto *outer = static_cast<QVBoxLayout *>(layout());
    outer->removeWidget(view());
    outer->removeWidget(footer());
    auto *left = new QVBoxLayout;
    left->addWidget(new QLabel(QStringLiteral("套系明细"), this));
    left->addWidget(view(), 1);
    left->addWidget(footer());
    auto *right = new QVBoxLayout;
    right->addWidget(new QLabel(QStringLiteral("商品资料（双击选择）"), this));
    right->addWidget(m_productView, 1);
    auto *panes = new QHBoxLayout;
    panes->addLayout(left, 3);
    panes->addLayout(right, 2);
    outer->addLayout(panes, 1);
    auto *note = new QLabel(QStringLiteral("注：每个套系选择好后请点击保存！"), this);
    note->setObjectName(QStringLiteral("note"));
    note->setStyleSheet(QStringLiteral("color: red"));
    outer->addWidget(note);

    connect(m_packages, &QComboBox::activated, this, [this](int index) {
        const QString name = m_packages->itemText(index);
        if (!choosePackage(name)) {
            // Kept the old package: the box shows it again.
            const QSignalBlocker block(m_packages);
            m_packages->setCurrentIndex(m_packages->property("shownIndex").toInt());
        }
    });
    connect(m_productView, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex &index) {
        addProduct(m_productFilter->mapToSource(index).row());
    });
    m_packages->setProperty("shownIndex", -1);
    resize(1000, 600);
}

TBM_TX::~TBM_TX() = default;

QTableView *TBM_TX::productView() const { return m_productView; }

void TBM_TX::showEvent(QShowEvent *event)
{
    GridWindow::showEvent(event);
    if (!m_filled) {
        m_filled = true;
        fillPackages();
    }
}

void TBM_TX::fillPackages()
{
    if (const Outcome read = m_products->load(); !read)
        prompt().warn(read.text());
    m_productModel->setSource(m_products);
    QStringList names;
    const Outcome listed = PackageList::packageNames(&names);
    const QSignalBlocker block(m_packages);
    m_packages->clear();
    m_packages->addItems(names);
    m_packages->setCurrentIndex(-1);
    if (!listed)
        prompt().warn(listed.message);
}

bool TBM_TX::askToKeepLines()
{
    commitEdits();
    if (!isUnsaved())
        return true;
    switch (prompt().question(QStringLiteral("当前还没有保存，是否现在保存？"), QStringLiteral("提示"),
                              Prompt::YesNoCancel)) {
    case Prompt::Answer::Yes:
        if (const Outcome saved = records().save(); !saved) {
            saveFailed(saved);
            return false;
        }
        return true;
    case Prompt::Answer::No:
        return true;
    default:
        return false;
    }
}

bool TBM_TX::choosePackage(const QString &name)
{
    if (!m_filled) {
        m_filled = true;
        fillPackages();
    }
    const std::optional<QString> code = PackageList::codeOfName(name);
    if (!code)
        return false;
    if (!askToKeepLines())
        return false;
    *m_package = *code;
    records().setConditions(PackageList::linesOf(*code));
    reload();
    setFeatureShown(Feature::InsertDelete, true);
    const QSignalBlocker block(m_packages);
    m_packages->setCurrentIndex(m_packages->findText(name));
    m_packages->setProperty("shownIndex", m_packages->currentIndex());
    return true;
}

void TBM_TX::addProduct(int productRow)
{
    if (productRow < 0 || productRow >= m_products->rowCount())
        return;
    if (m_package->isEmpty()) {
        prompt().info(QStringLiteral("请先选择套系！"));
        return;
    }
    QVariantMap product;
    for (int f = 0; f < m_products->fieldCount(); ++f)
        product.insert(m_products->fieldName(f), m_products->value(productRow, f));
    const int row = PackageList::appendProduct(records(), product);
    setCurrentRow(row, QStringLiteral("SL"));
}

void TBM_TX::saveFailed(const Outcome &outcome)
{
    Q_UNUSED(outcome);
    prompt().warn(QStringLiteral("提交超时，请退出重新操作"));
}
