#pragma once
#include <QTableView>

class GridFilterModel;

// The grid of the grid and query windows ("grid"): a two-level header, the
// one cell delegate, column widths from the GridColumns (or by type), hidden
// columns and columns the user has no right to see left out, fixed row
// heights that keep a grid of a hundred thousand rows quick to scroll. It can
// end an open editor so that a save or a close never misses the value still
// being typed.
class GridView : public QTableView
{
    Q_OBJECT
public:
    explicit GridView(QWidget *parent = nullptr);

    // Shows the rows of a filter over a RowModel.
    void showRows(GridFilterModel *rows);
    // Shows or hides a column; one the user may not see stays hidden.
    void setColumnShown(int column, bool shown);
    // The model columns shown, in order.
    std::vector<int> shownColumns() const;
    void commitOpenEditor();
};
