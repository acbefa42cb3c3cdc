#pragma once
#include <QSortFilterProxyModel>
#include <QStringList>
#include <vector>

class RowModel;

// The quick filter of the grid and query windows: shows the rows containing a
// text in one of the searched columns (the given fields; when none are given,
// every column that is not hidden). Rows appended to a record set since its
// last save always pass: a new, still empty row must stay in sight to be
// filled in.
class GridFilterModel : public QSortFilterProxyModel
{
    Q_OBJECT
public:
    GridFilterModel(RowModel *source, const QStringList &filterFields, QObject *parent = nullptr);

    RowModel *rowModel() const { return m_source; }
    void setText(const QString &text);
    QString text() const { return m_text; }
    // The source rows in sight, in the order shown.
    std::vector<int> rowsInSight() const;

protected:
    bool filterAcceptsRow(int row, const QModelIndex &parent) const override;

private:
    RowModel *m_source;
    QString m_text;
    QString m_key; // m_text prepared for RowModel::rowContains
};
