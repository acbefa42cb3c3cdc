#include "ui/picker_window.h"
#include "core/db/query_result.h"
#include "core/db/record_set.h"
#include "core/prompt.h"
#include "ui/grid_filter.h"
#include "ui/grid_view.h"
#include "ui/row_model.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

PickerWindow::PickerWindow(const QString &caption, std::vector<GridColumn> columns, QStringList filterFields,
                           QWidget *parent)
    : QDialog(parent), m_columns(std::move(columns)), m_filterFields(std::move(filterFields))
{
    setWindowTitle(caption);
    setModal(true);

    auto *filterLabel = new QLabel(QStringLiteral("过滤："), this);
    m_filterBox = new QLineEdit(this);
    m_filterBox->setObjectName(QStringLiteral("filterBox"));
    m_filterBox->setClearButtonEnabled(true);
    filterLabel->setBuddy(m_filterBox);

    m_view = new GridView(this);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    // Row numbers of a filtered list would be those of the unfiltered one.
    m_view->verticalHeader()->hide();

    auto *top = new QHBoxLayout;
    top->addWidget(filterLabel);
    top->addWidget(m_filterBox, 1);
    m_tools = new QHBoxLayout;
    m_tools->addStretch(1);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_view, 1);
    layout->addLayout(m_tools);
    layout->setSpacing(4);

    m_filterBox->installEventFilter(this);
    m_view->installEventFilter(this);
    connect(m_filterBox, &QLineEdit::textChanged, this, &PickerWindow::applyFilter);
    connect(m_view, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex &index) {
        if (index.isValid())
            pickCurrent();
    });

    // Until a source is given the grid shows the columns over no rows.
    m_model = new RowModel(nullptr, m_columns, this);
    m_filter = new GridFilterModel(m_model, m_filterFields, this);
    m_view->showRows(m_filter);
    resize(708, 465);
}

PickerWindow::~PickerWindow() = default;

void PickerWindow::setSource(RowSource *source)
{
    if (m_source == source)
        return;
    RowModel *oldModel = m_model;
    GridFilterModel *oldFilter = m_filter;
    if (auto *set = qobject_cast<RecordSet *>(source)) {
        // A picker that edits its rows works on the record set's own columns.
        m_model = new RowModel(set, this);
    } else {
        m_model = new RowModel(nullptr, m_columns, this);
    }
    m_filter = new GridFilterModel(m_model, m_filterFields, this);
    m_view->showRows(m_filter);
    if (source && !qobject_cast<RecordSet *>(source))
        m_model->setSource(source);
    if (source)
        source->setParent(this);
    RowSource *old = m_source;
    m_source = source;
    delete oldFilter;
    delete oldModel;
    if (old && old != source)
        delete old;
    m_filter->setText(m_filterBox->text().trimmed());
}

RowSource *PickerWindow::source() const { return m_source; }

QTableView *PickerWindow::view() const { return m_view; }

Outcome PickerWindow::reload()
{
    if (auto *result = qobject_cast<QueryResult *>(m_source.data()))
        return result->load();
    if (auto *set = qobject_cast<RecordSet *>(m_source.data()))
        return set->load();
    return Outcome::success();
}

std::optional<QVariantMap> PickerWindow::pick(const QString &filterText)
{
    m_picked.reset();
    const Outcome loaded = reload();
    if (!loaded)
        prompt().message(loaded.text(), QString(), Prompt::Icon::Critical);
    setFilterText(filterText);
    m_filterBox->setFocus();
    exec();
    return m_picked;
}

void PickerWindow::setFilterText(const QString &text)
{
    if (m_filterBox->text() == text)
        applyFilter(text);
    else
        m_filterBox->setText(text); // filters through textChanged
}

void PickerWindow::applyFilter(const QString &text)
{
    m_filter->setText(text.trimmed());
    // Enter picks the row under the cursor: keep one there while rows are in sight.
    if (!m_view->currentIndex().isValid() && m_filter->rowCount() > 0) {
        int column = 0;
        while (column < m_filter->columnCount() - 1 && m_view->isColumnHidden(column))
            ++column;
        m_view->setCurrentIndex(m_filter->index(0, column));
    }
}

int PickerWindow::currentRow() const
{
    const QModelIndex i = m_view->currentIndex();
    return i.isValid() ? m_filter->mapToSource(i).row() : -1;
}

void PickerWindow::setCurrentRow(int sourceRow)
{
    if (sourceRow < 0 || sourceRow >= m_model->rowCount())
        return;
    int column = 0;
    while (column < m_model->columnCount() - 1 && m_view->isColumnHidden(column))
        ++column;
    const QModelIndex i = m_filter->mapFromSource(m_model->index(sourceRow, column));
    if (!i.isValid())
        return;
    m_view->setCurrentIndex(i);
    m_view->scrollTo(i);
}

QVariantMap PickerWindow::rowValues(int sourceRow) const
{
    QVariantMap row;
    if (!m_source || sourceRow < 0 || sourceRow >= m_source->rowCount())
        return row;
    for (int f = 0; f < m_source->fieldCount(); ++f)
        row.insert(m_source->fieldName(f), m_source->value(sourceRow, f));
    return row;
}

void PickerWindow::pickCurrent()
{
    m_view->commitOpenEditor();
    const int row = currentRow();
    if (row < 0)
        return;
    if (!canLeave(true))
        return;
    // The values are taken after canLeave(): a picker that saved its edits there hands over what it saved.
    const int picked = currentRow();
    if (picked < 0)
        return;
    m_picked = rowValues(picked);
    done(QDialog::Accepted);
}

void PickerWindow::addToolWidget(QWidget *widget)
{
    widget->setParent(this);
    m_tools->addWidget(widget);
}

void PickerWindow::keyPressEvent(QKeyEvent *event)
{
    const int key = event->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter || (m_plusPicks && key == Qt::Key_Plus)) {
        pickCurrent();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool PickerWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && (watched == m_filterBox || watched == m_view)) {
        auto *key = static_cast<QKeyEvent *>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        const bool plus = m_plusPicks && key->key() == Qt::Key_Plus;
        // An open cell editor of an editing picker takes its Enter itself (the delegate ends the edit).
        if (enter || plus) {
            pickCurrent();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void PickerWindow::reject()
{
    m_view->commitOpenEditor();
    if (!canLeave(false))
        return;
    QDialog::reject();
}

void PickerWindow::done(int result)
{
    // The next caller starts from its own text, not from this one's.
    const QSignalBlocker block(m_filterBox);
    m_filterBox->clear();
    m_filter->setText(QString());
    QDialog::done(result);
}
