#include "core/clock.h"

namespace {
std::optional<QDateTime> fixedMoment;
}

namespace Clock {
QDateTime now() { return fixedMoment ? *fixedMoment : QDateTime::currentDateTime(); }
QDate today() { return now().date(); }
void setFixed(const QDateTime &moment) { fixedMoment = moment; }
void clearFixed() { fixedMoment.reset(); }

QString weekdayName(const QDate &date)
{
    static const char *names[] = {"星期日", "星期一", "星期二", "星期三", "星期四", "星期五", "星期六"};
    return QString::fromUtf8(names[date.dayOfWeek() % 7]);
}
}
