#pragma once
#include <QHeaderView>

// A horizontal header with two levels: adjacent columns whose model gives the
// same group title (RowModel::GroupTitleRole) share one upper cell spanning
// them, with each column's own title below; other columns use the full height
// for their title.
class GridHeader : public QHeaderView
{
    Q_OBJECT
public:
    explicit GridHeader(QWidget *parent = nullptr);

    QString groupTitle(int logicalIndex) const;
    // The visible logical sections of the group that a section belongs to, in visual order.
    QList<int> groupSections(int section) const;

protected:
    void paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const override;
    QSize sizeHint() const override;
    QSize sectionSizeFromContents(int logicalIndex) const override;

private:
    bool hasGroups() const;
    void paintCell(QPainter *painter, const QRect &rect, const QString &text, int logicalIndex) const;
};
