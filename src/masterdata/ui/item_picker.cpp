#include "masterdata/ui/item_picker.h"

#include "core/db/query_result.h"
#include "masterdata/hotel_list.h"
#include "ui/pickers.h"

#include <QPushButton>

Txz_xm::Txz_xm(bool expense, QWidget *parent)
    : PickerWindow(QStringLiteral("项目选择"), HotelList::itemColumns(), {QStringLiteral("BM"), QStringLiteral("MC")},
                   parent)
{
    setObjectName(QStringLiteral("Txz_xm"));
    setWindowFlag(Qt::WindowStaysOnTopHint);
    const QueryText q = HotelList::itemsQuery(expense);
    setSource(new QueryResult(q.sql, q.binds));
    auto *exit = new QPushButton(QStringLiteral("退出[&E]"), this);
    exit->setObjectName(QStringLiteral("exitButton"));
    exit->setAutoDefault(false);
    connect(exit, &QPushButton::clicked, this, &QDialog::reject);
    addToolWidget(exit);
    resize(613, 387);
}

std::optional<QVariantMap> Txz_xm::pickItem(QWidget *parent, bool expense, const QString &typed)
{
    Txz_xm picker(expense, parent);
    return picker.pick(typed);
}

void registerItemPickers()
{
    Pickers::add(QStringLiteral("expenseItem"),
                 [](QWidget *parent, const QString &typed) { return Txz_xm::pickItem(parent, true, typed); });
    Pickers::add(QStringLiteral("incomeItem"),
                 [](QWidget *parent, const QString &typed) { return Txz_xm::pickItem(parent, false, typed); });
}
