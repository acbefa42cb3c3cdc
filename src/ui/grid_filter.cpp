#include "ui/grid_filter.h"
#include "core/db/record_set.h"
#include "ui/row_model.h"

GridFilterModel::GridFilterModel(RowModel *source, const QStringList &filterFields, QObject *parent)
    : QSortFilterProxyModel(parent), m_source(source)
{
    setSourceModel(source);
    // Rows do not jump away while they are edited; the filter applies when its text changes.
    setDynamicSortFilter(false);
    std::vector<int> columns;
    for (int c = 0; c < source->columnCount(); ++c) {
        const QString &field = source->column(c).field;
        const bool searched = filterFields.isEmpty() ? !source->column(c).hidden
                                                     : filterFields.contains(field, Qt::CaseInsensitive);
        if (searched)
            columns.push_back(c);
    }
    source->setSearchColumns(std::move(columns));
}

void GridFilterModel::setText(const QString &text)
{
    m_text = text;
    m_key = RowModel::searchKey(text);
    // One layout change rather than a removal per run of hidden rows: the
    // grid handles each removal in time proportional to all its rows.
    invalidate();
}

std::vector<int> GridFilterModel::rowsInSight() const
{
    std::vector<int> rows;
    const int n = rowCount();
    rows.reserve(size_t(n));
    for (int r = 0; r < n; ++r)
        rows.push_back(mapToSource(index(r, 0)).row());
    return rows;
}

bool GridFilterModel::filterAcceptsRow(int row, const QModelIndex &) const
{
    if (m_text.isEmpty())
        return true;
    if (const RecordSet *set = m_source->recordSet(); set && set->rowState(row) == RecordSet::RowState::Inserted)
        return true;
    // Plain text is searched as stored; numbers and dates as shown.
    return m_source->rowContains(row, m_key);
}
