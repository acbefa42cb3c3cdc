#include "ui/grid_footer.h"
#include "core/db/row_source.h"
#include "core/text/money.h"
#include "ui/grid_filter.h"
#include "ui/row_model.h"

#include <QHeaderView>
#include <QPainter>
#include <QScrollBar>
#include <QStyleOption>
#include <QTableView>
#include <cmath>

GridFooter::GridFooter(QTableView *view, GridFilterModel *rows, QWidget *parent)
    : QWidget(parent), m_view(view), m_rows(rows)
{
    setObjectName(QStringLiteral("footer"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(m_rows, &QAbstractItemModel::modelReset, this, &GridFooter::invalidate);
    connect(m_rows, &QAbstractItemModel::layoutChanged, this, &GridFooter::invalidate);
    connect(m_rows, &QAbstractItemModel::rowsInserted, this, &GridFooter::invalidate);
    connect(m_rows, &QAbstractItemModel::rowsRemoved, this, &GridFooter::invalidate);
    connect(m_rows, &QAbstractItemModel::dataChanged, this, &GridFooter::invalidate);
    QHeaderView *header = m_view->horizontalHeader();
    connect(header, &QHeaderView::sectionResized, this, qOverload<>(&QWidget::update));
    connect(header, &QHeaderView::sectionCountChanged, this, qOverload<>(&QWidget::update));
    connect(header, &QHeaderView::geometriesChanged, this, qOverload<>(&QWidget::update));
    connect(m_view->horizontalScrollBar(), &QScrollBar::valueChanged, this, qOverload<>(&QWidget::update));
}

void GridFooter::invalidate()
{
    m_dirty = true;
    update();
}

bool GridFooter::hasFooters() const
{
    const RowModel *model = m_rows->rowModel();
    for (int c = 0; c < model->columnCount(); ++c)
        if (model->column(c).footer != FooterKind::None)
            return true;
    return false;
}

void GridFooter::recompute() const
{
    m_dirty = false;
    const RowModel *model = m_rows->rowModel();
    const RowSource *source = model->source();
    m_texts.assign(size_t(model->columnCount()), QString());
    std::vector<int> rows;
    for (int c = 0; c < model->columnCount(); ++c) {
        const GridColumn &column = model->column(c);
        if (column.footer == FooterKind::None || !model->isViewable(c))
            continue;
        if (column.footer == FooterKind::Count) {
            m_texts[size_t(c)] = column.footerLabel + QString::number(m_rows->rowCount());
            continue;
        }
        const int field = model->fieldOf(c);
        if (!source || field < 0)
            continue;
        if (rows.empty() && m_rows->rowCount() > 0)
            rows = m_rows->rowsInSight();
        const Schema::Type type = source->fieldType(field);
        int decimals = model->decimals(c);
        if (decimals < 0)
            decimals = type != Schema::Type::Decimal ? 0 : source->fieldSize(field) > 0 ? source->fieldSize(field) : -1;
        // Values kept at a known scale are summed as whole units of it, so
        // they add up exactly, as a cashier adds them; others as they are.
        const int scale = type == Schema::Type::Decimal ? source->fieldSize(field) : 0;
        double sum = 0;
        if (type == Schema::Type::Integer || (scale > 0 && scale <= 6)) {
            const double unit = std::pow(10.0, scale);
            long long units = 0;
            for (int r : rows)
                if (const QVariant v = source->value(r, field); !v.isNull())
                    units += type == Schema::Type::Integer ? v.toLongLong() : std::llround(v.toDouble() * unit);
            sum = double(units) / unit;
        } else {
            for (int r : rows)
                if (const QVariant v = source->value(r, field); !v.isNull())
                    sum += v.toDouble();
        }
        m_texts[size_t(c)] = column.footerLabel + Money::formatNumber(sum, decimals);
    }
}

QString GridFooter::text(int column) const
{
    if (m_dirty || m_texts.size() != size_t(m_rows->rowModel()->columnCount()))
        recompute();
    return column >= 0 && size_t(column) < m_texts.size() ? m_texts[size_t(column)] : QString();
}

QSize GridFooter::sizeHint() const { return {100, fontMetrics().height() + 8}; }

void GridFooter::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    QStyleOption opt;
    opt.initFrom(this);
    p.fillRect(rect(), palette().window());
    p.setPen(palette().color(QPalette::Mid));
    p.drawLine(rect().topLeft(), rect().topRight());
    p.setPen(palette().color(QPalette::WindowText));
    // The footer lies under the grid's frame and row numbers, like the cells.
    const QHeaderView *header = m_view->horizontalHeader();
    const int left = m_view->frameWidth() + (m_view->verticalHeader()->isVisible() ? m_view->verticalHeader()->width() : 0);
    const QRect area(left, 0, width() - left, height());
    p.setClipRect(area);
    const RowModel *model = m_rows->rowModel();
    for (int c = 0; c < model->columnCount(); ++c) {
        const QString t = text(c);
        if (t.isEmpty() || m_view->isColumnHidden(c))
            continue;
        const QRect cell(left + header->sectionViewportPosition(c) + 3, 0, header->sectionSize(c) - 6, height());
        const Schema::Type type =
            model->source() && model->fieldOf(c) >= 0 ? model->source()->fieldType(model->fieldOf(c)) : Schema::Type::Text;
        const bool number = model->column(c).footer == FooterKind::Count || type == Schema::Type::Decimal ||
                            type == Schema::Type::Integer;
        p.drawText(cell, Qt::AlignVCenter | (number ? Qt::AlignRight : Qt::AlignLeft), t);
    }
}
