#include "masterdata/ui/product_window.h"
#include "masterdata/initials.h"

#include "core/db/record_set.h"
#include "core/prompt.h"
#include "core/session.h"
#include "masterdata/product_rules.h"
#include "masterdata/ui/picture_window.h"
#include "system/table_report.h"
#include "system/ui/print_sequences.h"
#include "ui/grid_filter.h"
#include "ui/grid_footer.h"
#include "ui/grid_view.h"
#include "ui/progress_window.h"
#include "ui/row_model.h"

#include <QAction>
#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QTreeWidget>
#include <QVBoxLayout>

TFormSP::TFormSP(QWidget *parent) : TFormSP(std::make_shared<ProductList::Selection>(), parent) {}

TFormSP::TFormSP(std::shared_ptr<ProductList::Selection> selection, QWidget *parent)
    : GridWindow(QStringLiteral("商品资料"), ProductList::spec(selection), parent), m_selection(std::move(selection))
{
    setObjectName(QStringLiteral("TFormSP"));

    m_tree = new QTreeWidget(this);
    m_tree->setObjectName(QStringLiteral("categoryTree"));
    m_tree->setHeaderHidden(true);
    m_tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    auto *root = new QTreeWidgetItem(m_tree, {QStringLiteral("商品类别")});
    root->setData(0, Qt::UserRole, ProductList::rootKey);
    try {
        for (const ProductList::Category &c : ProductList::categories()) {
            auto *item = new QTreeWidgetItem(root, {c.code + QLatin1Char('.') + c.name});
            item->setData(0, Qt::UserRole, c.code);
        }
    } catch (const std::exception &e) {
        prompt().message(QString::fromUtf8(e.what()), QString(), Prompt::Icon::Critical);
    }
    root->setExpanded(true);
    m_tree->setCurrentItem(root);
    connect(m_tree, &QTreeWidget::currentItemChanged, this, &TFormSP::categoryChosen);

    // The tree stands left of the grid and its footer.
    auto *outer = qobject_cast<QVBoxLayout *>(layout());
    auto *right = new QWidget(this);
    auto *rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->setSpacing(4);
    for (QWidget *w : {static_cast<QWidget *>(view()), static_cast<QWidget *>(footer())}) {
        outer->removeWidget(w);
        rightLayout->addWidget(w, w == view() ? 1 : 0);
    }
    auto *splitter = new QSplitter(Qt::Horizontal, this);
    splitter->addWidget(m_tree);
    splitter->addWidget(right);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({180, 800});
    outer->addWidget(splitter, 1);

    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("productCount"));
    outer->addWidget(m_count);

    // The window's own buttons get a row of their own, so the filter box keeps its room.
    auto *ownButtons = new QHBoxLayout;
    outer->insertLayout(1, ownButtons);
    auto button = [this, ownButtons](const QString &text, const char *name, void (TFormSP::*slot)()) {
        auto *b = new QPushButton(text, this);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, slot);
        ownButtons->addWidget(b);
        return b;
    };
    button(QStringLiteral("整行复制"), "copyRowButton", &TFormSP::copyRow);
    m_paste = button(QStringLiteral("整行粘贴"), "pasteRowButton", &TFormSP::pasteRow);
    m_paste->setEnabled(false);
    button(QStringLiteral("简拼[&J]"), "pinyinButton", &TFormSP::regeneratePinyin);
    button(QStringLiteral("打印[&P]"), "printButton", &TFormSP::printRows);
    button(QStringLiteral("清空商品资料（注：清空前请先备注！）"), "clearProductsButton", &TFormSP::clearProducts);
    ownButtons->addStretch(1);

    auto *preview = new QAction(QStringLiteral("显示预览图"), this);
    preview->setObjectName(QStringLiteral("showPictureAction"));
    connect(preview, &QAction::triggered, this, &TFormSP::showPicture);
    view()->setContextMenuPolicy(Qt::ActionsContextMenu);
    view()->addAction(preview);
    resize(1000, 600);
}

void TFormSP::selectCategory(const QString &key)
{
    QTreeWidgetItem *root = m_tree->topLevelItem(0);
    if (key == ProductList::rootKey) {
        m_tree->setCurrentItem(root);
        return;
    }
    for (int i = 0; i < root->childCount(); ++i)
        if (root->child(i)->data(0, Qt::UserRole).toString() == key) {
            m_tree->setCurrentItem(root->child(i));
            return;
        }
}

bool TFormSP::mayDropEdits()
{
    commitEdits();
    if (!isUnsaved())
        return true;
    switch (prompt().question(QStringLiteral("当前还没有保存，是否现在保存？"), QStringLiteral("提示"),
                              Prompt::YesNoCancel)) {
    case Prompt::Answer::Yes:
        return save();
    case Prompt::Answer::No:
        return true;
    default:
        return false;
    }
}

void TFormSP::categoryChosen(QTreeWidgetItem *current, QTreeWidgetItem *previous)
{
    if (!current)
        return;
    const QString key = current->data(0, Qt::UserRole).toString();
    if (key == m_selection->category)
        return;
    // Re-reading the grid would drop pending edits: the user decides first.
    if (!mayDropEdits()) {
        const QSignalBlocker block(m_tree);
        m_tree->setCurrentItem(previous);
        return;
    }
    m_selection->category = key;
    try {
        m_selection->pointsRule = m_selection->isRoot() ? QString() : ProductList::pointsRuleOf(key);
    } catch (const std::exception &) {
        m_selection->pointsRule.clear();
    }
    records().setConditions(ProductList::conditionsFor(key));
    reload();
}

void TFormSP::insertRow()
{
    if (m_selection->isRoot()) {
        prompt().info(QStringLiteral("请选择类别！"));
        return;
    }
    GridWindow::insertRow();
}

void TFormSP::copyRow()
{
    commitEdits();
    const int row = currentRow();
    if (row < 0)
        return;
    const QString code = records().value(row, records().fieldIndex(QStringLiteral("BM"))).toString();
    if (code.isEmpty())
        return;
    m_copiedCode = code;
    m_paste->setEnabled(true);
}

void TFormSP::pasteRow()
{
    commitEdits();
    const int row = currentRow();
    if (row < 0 || m_copiedCode.isEmpty())
        return;
    // The copied product as stored: one copied before it was saved is not there yet.
    if (!ProductRules::pasteRow(records(), row, m_copiedCode))
        prompt().warn(QStringLiteral("复制的商品不存在，请先保存后再复制！"));
}

void TFormSP::regeneratePinyin() { regenerateInitials(&Initials::regenerate); }

void TFormSP::printRows()
{
    commitEdits();
    auto *grid = static_cast<GridView *>(view());
    std::vector<GridColumn> columns;
    for (int c : grid->shownColumns())
        columns.push_back(model()->column(c));
    auto *filter = static_cast<GridFilterModel *>(filterModel());
    TablePrintOptions options;
    options.title = windowTitle();
    options.landscape = true;
    options.paper = 9;
    printTable(TableData::fromRows(records(), columns, filter->rowsInSight()), options);
}

void TFormSP::clearProducts()
{
    commitEdits();
    int kept = 0;
    App::session().refreshUserRow();
    if (!App::session().hasRight(QStringLiteral("13"))) {
        prompt().info(QStringLiteral("您没有权操作，请联系管理员！"));
        return;
    }
    if (!mayDropEdits())
        return;
    if (prompt().question(QStringLiteral("您确定要清空商品资料吗？"), QStringLiteral("提示"), Prompt::YesNo,
                          Prompt::Icon::Question, Prompt::Answer::No) != Prompt::Answer::Yes)
        return;
    const Outcome cleared = ProductRules::clearUnused(&kept);
    if (!cleared) {
        prompt().warn(cleared.text());
        return;
    }
    prompt().info(cleared.message);
    reload();
}

void TFormSP::showPicture()
{
    commitEdits();
    const int row = currentRow();
    if (row < 0)
        return;
    RecordSet &set = records();
    const QString code = set.value(row, set.fieldIndex(QStringLiteral("BM"))).toString();
    if (code.isEmpty())
        return;
    const QString path = set.value(row, set.fieldIndex(QStringLiteral("TP"))).toString();
    QPointer<TFormSP> self = this;
    // The picture joins the row's pending edits, saved with them by 保存.
    TBM_TP::openForRow(code, path, this, [self, row, code](const QString &chosen) {
        if (!self)
            return;
        RecordSet &rows = self->records();
        const int bm = rows.fieldIndex(QStringLiteral("BM"));
        int target = row < rows.rowCount() && rows.value(row, bm).toString() == code ? row : -1;
        for (int r = 0; target < 0 && r < rows.rowCount(); ++r)
            if (rows.value(r, bm).toString() == code)
                target = r;
        if (target < 0)
            return;
        const QVariant value = chosen.isEmpty() ? QVariant() : QVariant(chosen);
        if (rows.value(target, QStringLiteral("TP")).toString() != chosen)
            rows.setValue(target, QStringLiteral("TP"), value);
    });
}

void TFormSP::afterLoad() { showCount(); }

void TFormSP::afterSave() { showCount(); }

void TFormSP::showCount()
{
    // Rows as stored: appended rows count once they are saved.
    int stored = 0;
    for (int r = 0; r < records().rowCount(); ++r)
        if (records().rowState(r) != RecordSet::RowState::Inserted)
            ++stored;
    m_count->setText(QStringLiteral("共有 %1 行商品").arg(stored));
}
