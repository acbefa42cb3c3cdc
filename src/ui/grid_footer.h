#pragma once
#include <QWidget>

class GridFilterModel;
class QTableView;

// The footer row under a grid: for each column whose GridColumn asks for one,
// the count or the sum of the rows in sight (after the quick filter), after
// the column's footerLabel ("合计：12.50"). Sums are shown in the column's
// number format, by the same formatter as the cells. It follows the grid's
// column widths and horizontal scrolling.
class GridFooter : public QWidget
{
    Q_OBJECT
public:
    GridFooter(QTableView *view, GridFilterModel *rows, QWidget *parent = nullptr);

    // The footer text of a model column; empty when it has none.
    QString text(int column) const;
    // Whether any column has a footer (the window hides the row otherwise).
    bool hasFooters() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void invalidate();
    void recompute() const;

    QTableView *m_view;
    GridFilterModel *m_rows;
    mutable std::vector<QString> m_texts;
    mutable bool m_dirty = true;
};
