#pragma once
#include "core/db/schema.h"

#include <QString>
#include <QStringView>
#include <QVariant>

// A value as the grids show it and the plain table print prints it: numbers
// through Money::formatNumber in the column's format ("0.00", "#0.00", "0"),
// dates in theirs ("yyyy-MM-dd"), text as it is, a set flag as "√" (where the
// grid shows a check box). Screen, paper and workbook share it so that they
// never differ.
namespace Export {

// Decimals a number of the type is shown with under a display format; -1: as
// many as the value needs.
int shownDecimals(Schema::Type type, const QString &format);

// The text of a value typed as a RowSource types it; empty for NULL.
QString shownText(const QVariant &value, Schema::Type type, const QString &format);

// A stored ISO date already in the shape the format shows needs no parsing:
// parsing is what made showing and searching dates slow in long lists. False
// when the value must take the full route (another shape or format, or a
// moment that is not a valid one); a plain date is shown as stored even when
// invalid.
bool dateShownAsStored(QStringView stored, const QString &format, QStringView *shown);

} // namespace Export
