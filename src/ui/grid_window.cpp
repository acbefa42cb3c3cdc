#include "ui/grid_window.h"
#include "core/export/excel_export.h"
#include "core/prompt.h"
#include "core/db/record_set.h"
#include "ui/grid_header.h"
#include "ui/record_model.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QSortFilterProxyModel>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
const char *const kDuplicateMessage = "编码存在重复无法保存，请删除重复后重试";
}

// Filters the loaded rows by a text contained in any of the searched columns.
// Rows appended since the last save always pass: a new, still empty row must
// stay in sight to be filled in.
class GridFilterModel : public QSortFilterProxyModel
{
public:
    explicit GridFilterModel(RecordModel *source, QObject *parent) : QSortFilterProxyModel(parent), m_source(source)
    {
        setSourceModel(source);
        // Rows do not jump away while they are edited; the filter applies when its text changes.
        setDynamicSortFilter(false);
        const GridSpec &spec = source->recordSet()->spec();
        for (int c = 0; c < source->columnCount(); ++c) {
            const GridColumn &col = source->column(c);
            const bool searched = spec.filterFields.isEmpty()
                                      ? !col.hidden
                                      : spec.filterFields.contains(col.field, Qt::CaseInsensitive);
            if (searched && source->fieldOf(c) >= 0)
                m_columns.push_back(c);
        }
        source->setSearchColumns(m_columns);
    }

    void setText(const QString &text)
    {
        m_text = text;
        m_key = RecordModel::searchKey(text);
        // One layout change rather than a removal per run of hidden rows: the
        // grid handles each removal in time proportional to all its rows.
        invalidate();
    }
    QString text() const { return m_text; }

protected:
    bool filterAcceptsRow(int row, const QModelIndex &) const override
    {
        if (m_text.isEmpty())
            return true;
        const RecordSet *set = m_source->recordSet();
        if (set->rowState(row) == RecordSet::RowState::Inserted)
            return true;
        // Plain text is searched as stored; numbers and dates as shown.
        return m_source->rowContains(row, m_key);
    }

private:
    RecordModel *m_source;
    std::vector<int> m_columns;
    QString m_text;
    QString m_key; // m_text prepared for RecordModel::rowContains
};

// The grid itself; it can end an open editor so that a save or a close never
// misses the value still being typed.
class GridView : public QTableView
{
public:
    using QTableView::QTableView;

    void commitOpenEditor()
    {
        if (state() != QAbstractItemView::EditingState)
            return;
        if (QWidget *editor = indexWidget(currentIndex())) {
            commitData(editor);
            closeEditor(editor, QAbstractItemDelegate::NoHint);
        }
    }
};

// Cells of a column with a pick list get a drop-down that still accepts typing.
class PickListDelegate : public QStyledItemDelegate
{
public:
    PickListDelegate(RecordModel *model, QObject *parent) : QStyledItemDelegate(parent), m_model(model) {}

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        const QStringList &choices = m_model->column(index.column()).pickList;
        if (choices.isEmpty())
            return QStyledItemDelegate::createEditor(parent, option, index);
        auto *box = new QComboBox(parent);
        box->setEditable(true);
        box->addItems(choices);
        return box;
    }
    void setEditorData(QWidget *editor, const QModelIndex &index) const override
    {
        if (auto *box = qobject_cast<QComboBox *>(editor)) {
            box->setCurrentText(index.data(Qt::EditRole).toString());
            return;
        }
        QStyledItemDelegate::setEditorData(editor, index);
    }
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override
    {
        if (auto *box = qobject_cast<QComboBox *>(editor)) {
            model->setData(index, box->currentText(), Qt::EditRole);
            return;
        }
        QStyledItemDelegate::setModelData(editor, model, index);
    }

private:
    RecordModel *m_model;
};

GridWindow::GridWindow(const QString &caption, GridSpec spec, QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(caption);

    m_set = new RecordSet(std::move(spec), this);
    m_model = new RecordModel(m_set, this);
    m_filter = new GridFilterModel(m_model, this);

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
    m_view->setObjectName(QStringLiteral("grid"));
    auto *header = new GridHeader(m_view);
    m_view->setHorizontalHeader(header);
    m_view->setModel(m_filter);
    m_view->setItemDelegate(new PickListDelegate(m_model, m_view));
    m_view->setSelectionBehavior(QAbstractItemView::SelectItems);
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
    m_view->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                            QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked);
    m_view->setWordWrap(false);
    // Fixed row heights keep a grid of a hundred thousand rows quick to scroll.
    m_view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_view->verticalHeader()->setDefaultSectionSize(m_view->fontMetrics().height() + 8);
    for (int c = 0; c < m_model->columnCount(); ++c) {
        const GridColumn &col = m_model->column(c);
        int width = col.width;
        if (width <= 0) {
            switch (m_set->fieldType(m_model->fieldOf(c))) {
            case Schema::Type::Bool: width = 60; break;
            case Schema::Type::Integer:
            case Schema::Type::Decimal: width = 80; break;
            case Schema::Type::DateTime: width = 100; break;
            case Schema::Type::Text: width = 100; break;
            }
        }
        header->resizeSection(c, width);
        m_view->setColumnHidden(c, col.hidden || m_model->fieldOf(c) < 0);
    }

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
    connect(m_filterBox, &QLineEdit::returnPressed, this, [this] { focusNextChild(); });
    connect(m_set, &RecordSet::changed, this, [this] { m_unsaved = true; });

    auto shortcut = [this](const QKeySequence &keys, auto slot) {
        auto *s = new QShortcut(keys, this);
        s->setContext(Qt::WidgetWithChildrenShortcut);
        connect(s, &QShortcut::activated, this, slot);
    };
    shortcut(QKeySequence(Qt::Key_Insert), &GridWindow::insertRow);
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_Delete), &GridWindow::deleteCurrentRow);
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_S), &GridWindow::save);

    resize(800, 500);
    reload();
}

GridWindow::~GridWindow() = default;

QSortFilterProxyModel *GridWindow::filterModel() const { return m_filter; }

QTableView *GridWindow::view() const { return m_view; }

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
        m_view->setColumnHidden(c, !visible);
}

void GridWindow::addToolWidget(QWidget *widget)
{
    widget->setParent(this);
    m_tools->insertWidget(m_tools->indexOf(m_save), widget);
}

void GridWindow::commitEdits() { m_view->commitOpenEditor(); }

bool GridWindow::reload()
{
    QString error;
    const bool ok = m_set->load(&error);
    m_unsaved = false;
    if (!ok)
        prompt().message(error, QString(), Prompt::Icon::Critical);
    afterLoad();
    return ok;
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
    QString error;
    switch (m_set->save(&error)) {
    case RecordSet::SaveResult::Saved:
        m_unsaved = false;
        if (announceSuccess)
            prompt().info(QStringLiteral("保存成功！"));
        afterSave();
        return true;
    case RecordSet::SaveResult::DuplicateCode:
        saveFailed(true, error);
        return false;
    case RecordSet::SaveResult::Failed:
        saveFailed(false, error);
        return false;
    }
    return false;
}

void GridWindow::saveFailed(bool duplicateCode, const QString &error)
{
    if (duplicateCode)
        prompt().warn(QString::fromUtf8(kDuplicateMessage));
    else // a locked or unwritable file: the database's own words help more
        prompt().message(error, QString(), Prompt::Icon::Critical);
}

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
    if (!m_unsaved) {
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
    // Showing starts from a clean flag, unless edits are pending (a restore
    // from minimised must not make the close forget them).
    if (!event->spontaneous())
        m_unsaved = m_set->isDirty();
}

void GridWindow::exportRequested()
{
    commitEdits();
    QList<int> columns;
    for (int c = 0; c < m_filter->columnCount(); ++c)
        if (!m_view->isColumnHidden(c))
            columns << c;
    Export::ExportToExcel(ExportTable::fromModel(*m_filter, windowTitle(), columns), windowTitle(), QStringLiteral("黑体"), 18);
}
