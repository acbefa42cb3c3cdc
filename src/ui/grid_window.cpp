#include "ui/grid_window.h"
#include <QSignalBlocker>
#include <QPointer>
#include <QApplication>
#include "ui/progress_window.h"
#include "ui/enter_moves_focus.h"
#include "core/db/record_set.h"
#include "core/export/excel_export.h"
#include "core/prompt.h"
#include "ui/grid_filter.h"
#include "ui/grid_footer.h"
#include "ui/grid_view.h"
#include "ui/row_model.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QToolButton>
#include <QVBoxLayout>

GridWindow::GridWindow(const QString &caption, GridSpec spec, QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(caption);

    const QStringList filterFields = spec.filterFields;
    m_set = new RecordSet(std::move(spec), this);
    m_model = new RowModel(m_set, this);
    m_filter = new GridFilterModel(m_model, filterFields, this);

    m_insert = new QToolButton(this);
    m_insert->setObjectName(QStringLiteral("navInsert"));
    m_insert->setText(QStringLiteral("+"));
    m_insert->setToolTip(QStringLiteral("插入记录 (Insert)"));
    m_delete = new QToolButton(this);
    m_delete->setObjectName(QStringLiteral("navDelete"));
    m_delete->setText(QStringLiteral("−"));
    m_delete->setToolTip(QStringLiteral("删除记录 (Ctrl+Delete)"));

    auto *filterLabel = new QLabel(QStringLiteral("过滤："), this);
    m_filterBox = new QLineEdit(this);
    m_filterBox->setObjectName(QStringLiteral("filterBox"));
    m_filterBox->setClearButtonEnabled(true);
    filterLabel->setBuddy(m_filterBox);
    m_filterLabel = filterLabel;

    m_save = new QPushButton(QStringLiteral("保存[&S]"), this);
    m_save->setObjectName(QStringLiteral("saveButton"));
    m_export = new QPushButton(QStringLiteral("导出[&O]"), this);
    m_export->setObjectName(QStringLiteral("exportButton"));
    m_exit = new QPushButton(QStringLiteral("退出[&E]"), this);
    m_exit->setObjectName(QStringLiteral("exitButton"));
    for (QPushButton *b : {m_save, m_export, m_exit})
        b->setAutoDefault(false);

    m_view = new GridView(this);
    m_view->showRows(m_filter);
    m_view->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                            QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked);
    m_footer = new GridFooter(m_view, m_filter, this);
    m_footer->setVisible(m_footer->hasFooters());

    m_tools = new QHBoxLayout;
    m_tools->addWidget(m_insert);
    m_tools->addWidget(m_delete);
    m_tools->addSpacing(12);
    m_tools->addWidget(filterLabel);
    m_tools->addWidget(m_filterBox, 1);
    m_tools->addStretch(1);
    m_tools->addWidget(m_save);
    m_tools->addWidget(m_export);
    m_tools->addWidget(m_exit);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(m_tools);
    layout->addWidget(m_view, 1);
    layout->addWidget(m_footer);
    layout->setSpacing(4);

    setTabOrder(m_filterBox, m_view);

    connect(m_insert, &QToolButton::clicked, this, &GridWindow::insertRow);
    connect(m_delete, &QToolButton::clicked, this, &GridWindow::deleteCurrentRow);
    connect(m_save, &QPushButton::clicked, this, &GridWindow::save);
    connect(m_export, &QPushButton::clicked, this, [this] {
        commitEdits();
        exportRequested();
    });
    connect(m_exit, &QPushButton::clicked, this, &QWidget::close);
    connect(m_filterBox, &QLineEdit::textChanged, this, &GridWindow::applyFilter);

    auto shortcut = [this](const QKeySequence &keys, auto slot) {
        auto *s = new QShortcut(keys, this);
        s->setContext(Qt::WidgetWithChildrenShortcut);
        connect(s, &QShortcut::activated, this, slot);
    };
    shortcut(QKeySequence(Qt::Key_Insert), &GridWindow::insertRow);
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_Delete), &GridWindow::deleteCurrentRow);
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_S), &GridWindow::save);
    // Enter in the filter box moves on to the grid; on a button it presses it.
    EnterMovesFocus::install(this);

    resize(800, 500);
}

GridWindow::~GridWindow() = default;

QSortFilterProxyModel *GridWindow::filterModel() const { return m_filter; }

QTableView *GridWindow::view() const { return m_view; }

bool GridWindow::isUnsaved() const { return m_set->isDirty(); }

int GridWindow::currentRow() const
{
    const QModelIndex i = m_view->currentIndex();
    return i.isValid() ? m_filter->mapToSource(i).row() : -1;
}

void GridWindow::setCurrentRow(int row, const QString &field)
{
    if (row < 0 || row >= m_model->rowCount())
        return;
    int column = field.isEmpty() ? -1 : m_model->columnOf(field);
    if (column < 0 || m_view->isColumnHidden(column)) {
        column = 0;
        while (column < m_model->columnCount() - 1 && m_view->isColumnHidden(column))
            ++column;
    }
    const QModelIndex i = m_filter->mapFromSource(m_model->index(row, column));
    if (!i.isValid())
        return;
    m_view->setCurrentIndex(i);
    m_view->scrollTo(i);
}

void GridWindow::setColumnVisible(const QString &field, bool visible)
{
    const int c = m_model->columnOf(field);
    if (c >= 0)
        m_view->setColumnShown(c, visible);
}

void GridWindow::addToolWidget(QWidget *widget)
{
    widget->setParent(this);
    m_tools->insertWidget(m_tools->indexOf(m_save), widget);
}

void GridWindow::commitEdits() { m_view->commitOpenEditor(); }

bool GridWindow::load() { return m_loaded || reload(); }

bool GridWindow::reload()
{
    m_loaded = true;
    const Outcome loaded = m_set->load();
    if (!loaded)
        prompt().message(loaded.text(), QString(), Prompt::Icon::Critical);
    // A list always stands on a row, as counter staff expect: buttons that act
    // on "the member under the cursor" work without a click first.
    if (!m_view->currentIndex().isValid() && m_filter->rowCount() > 0)
        setCurrentRow(m_filter->mapToSource(m_filter->index(0, 0)).row());
    afterLoad();
    return loaded.ok;
}

void GridWindow::insertRow()
{
    if (!m_insertDelete)
        return;
    commitEdits();
    const int row = m_set->insertRow();
    setCurrentRow(row, m_set->spec().keyColumn);
    m_view->setFocus();
}

void GridWindow::deleteCurrentRow()
{
    if (!m_insertDelete)
        return;
    commitEdits();
    const QModelIndex current = m_view->currentIndex();
    const int row = currentRow();
    if (row < 0)
        return;
    m_set->removeRow(row);
    // Stay on the row that took the deleted one's place (or the new last one).
    const int proxyRows = m_filter->rowCount();
    if (proxyRows > 0) {
        const QModelIndex next = m_filter->index(qMin(current.row(), proxyRows - 1), current.column());
        m_view->setCurrentIndex(next);
    }
}

bool GridWindow::save() { return saveRows(true); }

bool GridWindow::saveRows(bool announceSuccess)
{
    commitEdits();
    const Outcome saved = m_set->save();
    if (!saved) {
        // The row at fault is where the user corrects it, even when the filter hid it.
        if (const int row = m_set->failedRow(); row >= 0 && row < m_model->rowCount()) {
            if (!m_filter->mapFromSource(m_model->index(row, 0)).isValid())
                m_filterBox->clear();
            setCurrentRow(row, currentRow() == row ? m_model->column(m_view->currentIndex().column()).field
                                                   : QString());
        }
        saveFailed(saved);
        return false;
    }
    if (announceSuccess)
        prompt().info(saved.message.isEmpty() ? QStringLiteral("保存成功！") : saved.message);
    afterSave();
    return true;
}

void GridWindow::saveFailed(const Outcome &outcome) { prompt().warn(outcome.text()); }

void GridWindow::setFeatureShown(Feature feature, bool shown)
{
    switch (feature) {
    case Feature::InsertDelete:
        m_insertDelete = shown;
        m_insert->setVisible(shown);
        m_delete->setVisible(shown);
        break;
    case Feature::Filter:
        m_filterLabel->setVisible(shown);
        m_filterBox->setVisible(shown);
        if (!shown)
            m_filterBox->clear();
        break;
    case Feature::Export:
        m_export->setVisible(shown);
        break;
    }
}

void GridWindow::applyFilter(const QString &text) { m_filter->setText(text.trimmed()); }

void GridWindow::closeEvent(QCloseEvent *event)
{
    commitEdits();
    if (!isUnsaved()) {
        event->accept();
        return;
    }
    switch (prompt().question(QStringLiteral("当前还没有保存，是否现在保存？"), QStringLiteral("提示"),
                              Prompt::YesNoCancel)) {
    case Prompt::Answer::Yes:
        // A failed save keeps the window and its edits; the message says why.
        if (saveRows(false))
            event->accept();
        else
            event->ignore();
        return;
    case Prompt::Answer::No:
        event->accept();
        return;
    default:
        event->ignore();
        return;
    }
}

void GridWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    load();
}

void GridWindow::exportRequested()
{
    commitEdits();
    std::vector<GridColumn> columns;
    for (int c : m_view->shownColumns())
        columns.push_back(m_model->column(c));
    Export::ExportToExcel(ExportTable::fromRows(*m_set, columns, m_filter->rowsInSight(), windowTitle()),
                          windowTitle(), QStringLiteral("黑体"), 18);
}

void GridWindow::regenerateInitials(const RowFill &fill)
{
    commitEdits();
    if (m_set->rowCount() == 0)
        return;
    if (prompt().question(QStringLiteral("您确定要重新生成简拼吗？"), QStringLiteral("提示"), Prompt::YesNo,
                          Prompt::Icon::Question, Prompt::Answer::No) != Prompt::Answer::Yes)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QPointer<Tformspzx> progress = new Tformspzx(this);
    progress->setRange(1, m_set->rowCount());
    progress->show();
    {
        emit m_set->aboutToReload();
        const QSignalBlocker quiet(m_set);
        fill(*m_set, [&progress](int row) {
            if (progress)
                progress->setPosition(row);
        });
    }
    emit m_set->reloaded();
    emit m_set->changed();
    if (progress)
        progress->close();
    QApplication::restoreOverrideCursor();
    setCurrentRow(0);
}
