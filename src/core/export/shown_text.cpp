#include "core/export/shown_text.h"
#include "core/text/money.h"

#include <QDate>
#include <QDateTime>

namespace {

QDateTime parseStored(const QString &text)
{
    QDateTime dt = QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (!dt.isValid())
        dt = QDateTime::fromString(text, Qt::ISODate);
    if (!dt.isValid()) {
        const QDate d = QDate::fromString(text.left(10), QStringLiteral("yyyy-MM-dd"));
        if (d.isValid())
            dt = QDateTime(d, QTime(0, 0));
    }
    return dt;
}

} // namespace

int Export::shownDecimals(Schema::Type type, const QString &format)
{
    const int fromFormat = Money::decimalsOf(format);
    if (fromFormat >= 0)
        return fromFormat;
    return type == Schema::Type::Integer ? 0 : -1;
}

bool Export::dateShownAsStored(QStringView text, const QString &format, QStringView *shown)
{
    auto number = [&](int at, int length) {
        int n = 0;
        for (int i = at; i < at + length; ++i) {
            if (text[i] < u'0' || text[i] > u'9')
                return -1;
            n = n * 10 + (text[i].unicode() - u'0');
        }
        return n;
    };
    if (text.size() != 10 && text.size() != 19)
        return false;
    const int year = number(0, 4), month = number(5, 2), day = number(8, 2);
    if (year < 0 || month < 0 || day < 0 || text[4] != u'-' || text[7] != u'-')
        return false;
    if (text.size() == 10) {
        if (!format.isEmpty() && format != QLatin1String("yyyy-MM-dd"))
            return false;
        *shown = text;
        return true;
    }
    const int hour = number(11, 2), minute = number(14, 2), second = number(17, 2);
    if (hour < 0 || minute < 0 || second < 0 || text[10] != u' ' || text[13] != u':' || text[16] != u':' ||
        !QDate::isValid(year, month, day) || !QTime::isValid(hour, minute, second))
        return false;
    if (format.isEmpty() || format == QLatin1String("yyyy-MM-dd HH:mm:ss")) {
        *shown = text;
        return true;
    }
    if (format == QLatin1String("yyyy-MM-dd")) {
        *shown = text.left(10);
        return true;
    }
    return false;
}

QString Export::shownText(const QVariant &value, Schema::Type type, const QString &format)
{
    if (value.isNull())
        return {};
    switch (type) {
    case Schema::Type::Decimal:
    case Schema::Type::Integer:
        return Money::formatNumber(value.toDouble(), shownDecimals(type, format));
    case Schema::Type::DateTime: {
        const QString text = value.toString();
        if (QStringView shown; dateShownAsStored(text, format, &shown))
            return shown.size() == text.size() ? text : shown.toString();
        const QDateTime dt = parseStored(text);
        if (!dt.isValid())
            return text;
        if (!format.isEmpty())
            return dt.toString(format);
        return text.size() > 10 ? dt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                                : dt.toString(QStringLiteral("yyyy-MM-dd"));
    }
    case Schema::Type::Bool:
        return value.toBool() ? QStringLiteral("√") : QString();
    case Schema::Type::Text:
        break;
    }
    return value.toString();
}
