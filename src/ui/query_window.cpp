#include "ui/query_window.h"
#include "core/clock.h"
#include "core/db/query_result.h"
#include "core/export/excel_export.h"
#include "core/prompt.h"
#include "system/report_data.h"
#include "system/table_report.h"
#include "system/ui/print_format_window.h"
#include "system/ui/print_sequences.h"
#include "ui/app_events.h"
#include "ui/grid_filter.h"
#include "ui/grid_footer.h"
#include "ui/grid_view.h"
#include "ui/row_model.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QDateEdit *dateBox(const char *name, const QDate &date, QWidget *parent)
{
    auto *box = new QDateEdit(date, parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    box->setCalendarPopup(true);
    return box;
}

QPushButton *button(const char *text, const char *name, QWidget *parent)
{
    auto *b = new QPushButton(QString::fromUtf8(text), parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

} // namespace

QueryWindow::QueryWindow(QuerySpec spec, QWidget *parent) : QWidget(parent), m_spec(std::move(spec))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(m_spec.objectName);
    setWindowTitle(m_spec.caption);

    m_model = new RowModel(nullptr, m_spec.columns, this);
    m_filter = new GridFilterModel(m_model, m_spec.filterFields, this);
    m_view = new GridView(this);
    m_view->showRows(m_filter);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_footer = new GridFooter(m_view, m_filter, this);
    m_footer->setVisible(m_footer->hasFooters());

    auto *inputs = new QHBoxLayout;
    if (m_spec.dateRange) {
        const QDate today = Clock::today();
        m_from = dateBox("fromDate", today.addDays(-m_spec.defaultDays), this);
        m_to = dateBox("toDate", today, this);
        inputs->addWidget(new QLabel(QStringLiteral("从"), this));
        inputs->addWidget(m_from);
        inputs->addWidget(new QLabel(QStringLiteral("到"), this));
        inputs->addWidget(m_to);
    }
    for (const QueryFlag &f : m_spec.flags) {
        auto *box = new QCheckBox(f.caption, this);
        box->setObjectName(f.name);
        box->setChecked(f.checked);
        inputs->addWidget(box);
        m_flags.push_back(box);
    }
    if (!m_spec.textLabel.isEmpty()) {
        auto *label = new QLabel(m_spec.textLabel, this);
        m_text = new QLineEdit(this);
        m_text->setObjectName(QStringLiteral("textBox"));
        label->setBuddy(m_text);
        inputs->addWidget(label);
        inputs->addWidget(m_text);
        connect(m_text, &QLineEdit::returnPressed, this, &QueryWindow::runQuery);
    }
    QPushButton *query = button("查询", "queryButton", this);
    inputs->addWidget(query);
    inputs->addStretch(1);

    auto *tools = new QHBoxLayout;
    auto *filterLabel = new QLabel(QStringLiteral("过滤："), this);
    m_filterBox = new QLineEdit(this);
    m_filterBox->setObjectName(QStringLiteral("filterBox"));
    m_filterBox->setClearButtonEnabled(true);
    filterLabel->setBuddy(m_filterBox);
    tools->addWidget(filterLabel);
    tools->addWidget(m_filterBox, 1);
    tools->addStretch(1);
    QPushButton *exportButton = button("导出", "exportButton", this);
    QPushButton *print = button("打印", "printButton", this);
    QPushButton *designButton = button("设计", "designButton", this);
    QPushButton *exit = button("退出", "exitButton", this);
    designButton->setVisible(!m_spec.printCode.isEmpty());
    for (QPushButton *b : {exportButton, print, designButton, exit})
        tools->addWidget(b);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(inputs);
    layout->addLayout(tools);
    layout->addWidget(m_view, 1);
    layout->addWidget(m_footer);
    layout->setSpacing(4);

    connect(query, &QPushButton::clicked, this, &QueryWindow::runQuery);
    connect(exportButton, &QPushButton::clicked, this, &QueryWindow::exportRows);
    connect(print, &QPushButton::clicked, this, &QueryWindow::printRows);
    connect(designButton, &QPushButton::clicked, this, &QueryWindow::design);
    connect(exit, &QPushButton::clicked, this, &QWidget::close);
    connect(m_filterBox, &QLineEdit::textChanged, this, [this](const QString &text) { m_filter->setText(text.trimmed()); });
    connect(m_view, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex &index) { openRow(m_filter->mapToSource(index).row()); });

    resize(900, 560);
}

QueryWindow::~QueryWindow() = default;

QTableView *QueryWindow::view() const { return m_view; }

QueryParams QueryWindow::params() const
{
    QueryParams p;
    if (m_from) {
        p.from = m_from->date();
        p.to = m_to->date();
    }
    for (QCheckBox *box : m_flags)
        if (box->isChecked())
            p.flags << box->objectName();
    if (m_text)
        p.text = m_text->text().trimmed();
    return p;
}

bool QueryWindow::runQuery()
{
    if (!m_spec.sql)
        return false;
    const QueryText text = m_spec.sql(params());
    auto *result = new QueryResult(text.sql, text.binds, m_spec.fields, this);
    const Outcome loaded = result->load();
    // A failed query still replaces the rows: old rows under new inputs would mislead.
    m_model->setSource(result);
    delete m_result;
    m_result = result;
    if (!loaded)
        prompt().warn(loaded.text());
    return loaded.ok;
}

std::vector<int> QueryWindow::rowsInSight() const { return m_filter->rowsInSight(); }

std::vector<GridColumn> QueryWindow::shownColumns() const
{
    std::vector<GridColumn> columns;
    for (int c : m_view->shownColumns())
        columns.push_back(m_model->column(c));
    return columns;
}

void QueryWindow::exportRows()
{
    if (!m_result)
        return;
    Export::ExportToExcel(ExportTable::fromRows(*m_result, shownColumns(), rowsInSight(), m_spec.caption),
                          m_spec.caption, QStringLiteral("黑体"), 18);
}

ReportData QueryWindow::printData() const
{
    ReportData data;
    if (m_result)
        for (int r : rowsInSight()) {
            QVariantMap line;
            for (int f = 0; f < m_result->fieldCount(); ++f)
                line.insert(m_result->fieldName(f), m_result->value(r, f));
            data.lines.append(line);
        }
    const QueryParams p = params();
    if (p.from.isValid()) {
        data.setVariable(QStringLiteral("ksrq"), p.from);
        data.setVariable(QStringLiteral("jsrq"), p.to);
    }
    if (m_text)
        data.setVariable(QStringLiteral("cxnr"), p.text);
    return data;
}

void QueryWindow::printRows()
{
    TableData table;
    if (m_result)
        table = TableData::fromRows(*m_result, shownColumns(), rowsInSight());
    if (m_spec.printCode.isEmpty()) {
        TablePrintOptions options;
        options.title = m_spec.caption;
        options.landscape = true;
        options.paper = 9;
        printTable(table, options);
        return;
    }
    printQuery(m_spec.printCode, printData(), m_spec.caption, table);
}

void QueryWindow::design()
{
    if (!m_spec.printCode.isEmpty())
        openPrintFormats({m_spec.printCode}, this, printData());
}

void QueryWindow::openRow(int resultRow)
{
    if (!m_result || m_spec.targetWindow.isEmpty() || resultRow < 0 || resultRow >= m_result->rowCount())
        return;
    const QString number = m_result->value(resultRow, m_spec.numberField).toString();
    if (!number.isEmpty())
        emit AppEvents::instance().openDocument(m_spec.targetWindow, number);
}

void QueryWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_spec.runOnOpen && !m_ranOnOpen) {
        m_ranOnOpen = true;
        runQuery();
    }
}
