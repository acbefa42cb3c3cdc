#include "masterdata/ui/customer_picker.h"

#include "core/db/query_result.h"
#include "masterdata/customer_list.h"
#include "ui/pickers.h"

#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>

Txzkh::Txzkh(QWidget *parent)
    : PickerWindow(QStringLiteral("客户选择"), CustomerList::pickerColumns(), CustomerList::filterFields(), parent)
{
    setObjectName(QStringLiteral("Txzkh"));
    setPlusPicks(true);
    const QueryText q = CustomerList::pickerQuery();
    setSource(new QueryResult(q.sql, q.binds));
    auto *exit = new QPushButton(QStringLiteral("退出[&E]"), this);
    exit->setObjectName(QStringLiteral("exitButton"));
    exit->setAutoDefault(false);
    connect(exit, &QPushButton::clicked, this, &QDialog::reject);
    addToolWidget(exit);
    resize(708, 465);
    // Centred over the caller, or on the screen without one.
    const QRect area = parent ? parent->window()->frameGeometry()
                              : (QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->availableGeometry()
                                                                  : QRect(0, 0, 708, 465));
    move(area.center() - rect().center());
}

QVariantMap Txzkh::rowValues(int sourceRow) const
{
    const QVariantMap shown = PickerWindow::rowValues(sourceRow);
    const QVariantMap whole = CustomerList::memberRow(shown.value(QStringLiteral("BM")).toString());
    return whole.isEmpty() ? shown : whole;
}

std::optional<QVariantMap> Txzkh::pickCustomer(QWidget *parent, const QString &typed)
{
    Txzkh picker(parent);
    return picker.pick(typed);
}

void registerCustomerPicker()
{
    Pickers::add(QStringLiteral("customer"),
                 [](QWidget *parent, const QString &typed) { return Txzkh::pickCustomer(parent, typed); });
}
