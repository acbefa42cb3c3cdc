#include "ui/grid_header.h"
#include "ui/row_model.h"

#include <QPainter>
#include <QStyleOptionHeader>

GridHeader::GridHeader(QWidget *parent) : QHeaderView(Qt::Horizontal, parent)
{
    setSectionsClickable(true);
    setHighlightSections(true);
    // Groups follow the model's column order, so columns stay where the GridSpec puts them.
    setSectionsMovable(false);
    setDefaultAlignment(Qt::AlignCenter);
}

QString GridHeader::groupTitle(int logicalIndex) const
{
    if (!model())
        return {};
    return model()->headerData(logicalIndex, Qt::Horizontal, RowModel::GroupTitleRole).toString();
}

bool GridHeader::hasGroups() const
{
    for (int i = 0; model() && i < count(); ++i)
        if (!groupTitle(i).isEmpty())
            return true;
    return false;
}

QList<int> GridHeader::groupSections(int section) const
{
    const QString group = groupTitle(section);
    if (group.isEmpty())
        return {section};
    const int visual = visualIndex(section);
    int first = visual;
    while (first > 0) {
        const int l = logicalIndex(first - 1);
        if (groupTitle(l) != group)
            break;
        --first;
    }
    QList<int> sections;
    for (int v = first; v < count(); ++v) {
        const int l = this->logicalIndex(v);
        if (groupTitle(l) != group)
            break;
        if (!isSectionHidden(l))
            sections << l;
    }
    return sections;
}

void GridHeader::paintCell(QPainter *painter, const QRect &rect, const QString &text, int logicalIndex) const
{
    QStyleOptionHeader opt;
    initStyleOption(&opt);
    opt.rect = rect;
    opt.section = logicalIndex;
    opt.text = text;
    opt.textAlignment = Qt::AlignCenter;
    opt.position = QStyleOptionHeader::Middle;
    opt.state |= QStyle::State_Enabled;
    style()->drawControl(QStyle::CE_Header, &opt, painter, this);
}

void GridHeader::paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const
{
    if (!rect.isValid())
        return;
    const QString title = model() ? model()->headerData(logicalIndex, Qt::Horizontal).toString() : QString();
    const QString group = groupTitle(logicalIndex);
    if (group.isEmpty()) {
        paintCell(painter, rect, title, logicalIndex);
        return;
    }
    const int upper = rect.height() / 2;
    // The upper cell spans the whole group; each section paints its own slice
    // of it, so the centred group title comes out whole.
    const QList<int> sections = groupSections(logicalIndex);
    int left = rect.left();
    int right = rect.right();
    if (!sections.isEmpty()) {
        left = sectionViewportPosition(sections.first());
        right = sectionViewportPosition(sections.last()) + sectionSize(sections.last()) - 1;
    }
    painter->save();
    painter->setClipRect(QRect(rect.left(), rect.top(), rect.width(), upper));
    paintCell(painter, QRect(QPoint(left, rect.top()), QPoint(right, rect.top() + upper - 1)), group, logicalIndex);
    painter->restore();
    paintCell(painter, QRect(QPoint(rect.left(), rect.top() + upper), rect.bottomRight()), title, logicalIndex);
}

QSize GridHeader::sectionSizeFromContents(int logicalIndex) const
{
    QSize s = QHeaderView::sectionSizeFromContents(logicalIndex);
    if (hasGroups())
        s.setHeight(s.height() * 2);
    return s;
}

QSize GridHeader::sizeHint() const
{
    QSize s = QHeaderView::sizeHint();
    if (hasGroups()) {
        const int line = fontMetrics().height() + 8;
        s.setHeight(qMax(s.height(), 2 * line));
    }
    return s;
}
