#include "ui/grid_view.h"
#include "core/db/row_source.h"
#include "ui/cell_delegate.h"
#include "ui/grid_filter.h"
#include "ui/grid_header.h"
#include "ui/row_model.h"

#include <QHeaderView>

GridView::GridView(QWidget *parent) : QTableView(parent)
{
    setObjectName(QStringLiteral("grid"));
    setHorizontalHeader(new GridHeader(this));
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setWordWrap(false);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
}

void GridView::showRows(GridFilterModel *rows)
{
    RowModel *model = rows->rowModel();
    setModel(rows);
    setItemDelegate(new CellDelegate(model, this));
    for (int c = 0; c < model->columnCount(); ++c) {
        const GridColumn &col = model->column(c);
        int width = col.width;
        if (width <= 0) {
            const int field = model->fieldOf(c);
            const Schema::Type type = field >= 0 ? model->source()->fieldType(field) : Schema::Type::Text;
            width = type == Schema::Type::Bool ? 60 : type == Schema::Type::Text || type == Schema::Type::DateTime ? 100 : 80;
        }
        horizontalHeader()->resizeSection(c, width);
        // A column whose field the rows lack has nothing to show.
        setColumnShown(c, !col.hidden && (!model->source() || model->fieldOf(c) >= 0));
    }
}

void GridView::setColumnShown(int column, bool shown)
{
    const auto *rows = static_cast<GridFilterModel *>(model());
    const RowModel *m = rows->rowModel();
    setColumnHidden(column, !shown || !m->isViewable(column));
}

std::vector<int> GridView::shownColumns() const
{
    std::vector<int> columns;
    for (int c = 0; model() && c < model()->columnCount(); ++c)
        if (!isColumnHidden(c))
            columns.push_back(c);
    return columns;
}

void GridView::commitOpenEditor()
{
    if (state() != QAbstractItemView::EditingState)
        return;
    if (QWidget *editor = indexWidget(currentIndex())) {
        commitData(editor);
        closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}
