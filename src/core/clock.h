#pragma once
#include <QDate>
#include <QDateTime>
#include <optional>

// The one source of "today" and "now". Tests pin it so that numbers, dates
// and reminders come out the same on every run.
namespace Clock {
QDateTime now();
QDate today();
void setFixed(const QDateTime &moment);
void clearFixed();
// "星期日" … "星期六"
QString weekdayName(const QDate &date);
}
