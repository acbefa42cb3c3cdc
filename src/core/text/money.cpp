#include "core/text/money.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace {

// Amounts at or beyond this size have no binary trouble worth mending at the
// cent and would overflow the scaled integers below.
constexpr double largeAmount = 1e11;

// x as m × 10^e with m holding 15 significant decimal digits: the number
// the double was meant to be.
struct Decimal15
{
    long long m = 0;
    int e = 0;
};

Decimal15 decimal15(double x)
{
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::scientific, 14);
    const char *p = buf;
    const char *end = res.ptr;
    bool negative = false;
    if (p < end && *p == '-') {
        negative = true;
        ++p;
    }
    long long m = 0;
    for (; p < end && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9')
            m = m * 10 + (*p - '0');
    int exponent = 0;
    if (p < end && *p == 'e')
        std::from_chars(p + 1 + (p[1] == '+' ? 1 : 0), end, exponent);
    return {negative ? -m : m, exponent - 14};
}

long long pow10(int n)
{
    long long r = 1;
    while (n-- > 0)
        r *= 10;
    return r;
}

// Whole cents of x: trunc(x·100 + bias) where bias is +0.5, or ±0.5 by sign
// when halfAwayFromZero, computed on the 15-digit decimal of x.
// Only called for 1e-4 <= |x| < largeAmount, so the scale stays within 10^16.
long long cents(double x, bool halfAwayFromZero)
{
    const Decimal15 d = decimal15(x);
    const int k = d.e + 2; // x·100 = m × 10^k, k in [-16, -2]
    if (k >= 0)
        return d.m * pow10(k);
    const long long s = pow10(-k);
    const long long half = (halfAwayFromZero && d.m < 0) ? -s : s; // 0.5 scaled by 2s
    return (2 * d.m + half) / (2 * s); // C++ division truncates towards zero
}

double fromCents(long long c) { return c == 0 ? 0.0 : static_cast<double>(c) / 100.0; }

} // namespace

double Money::R2(double x)
{
    if (!std::isfinite(x))
        return x;
    if (std::fabs(x) < 1e-4)
        return 0.0; // x·100 + 0.5 lies strictly between 0 and 1
    if (std::fabs(x) >= largeAmount)
        return std::trunc(x / 0.01 + 0.5) * 0.01;
    return fromCents(cents(x, false));
}

double Money::roundMoney(double x) { return roundTo(x, 2); }

double Money::roundTo(double x, int decimals)
{
    decimals = std::clamp(decimals, 0, 8);
    if (!std::isfinite(x))
        return x;
    const double scale = double(pow10(decimals));
    // Below half a unit of the last place (with room to spare) it is zero; at
    // the size of largeAmount in cents and beyond the binary error no longer
    // reaches the last place. Between the two the scaled 15-digit decimal
    // stays within 10^16, as for cents().
    if (std::fabs(x) * scale < 1e-2)
        return 0.0;
    if (std::fabs(x) * scale >= largeAmount * 100.0)
        return std::round(x * scale) / scale + 0.0;
    const Decimal15 d = decimal15(x);
    const int k = d.e + decimals; // x·10^decimals = m × 10^k
    long long units;
    if (k >= 0) {
        units = d.m * pow10(k);
    } else {
        const long long s = pow10(-k);
        const long long half = d.m < 0 ? -s : s;
        units = (2 * d.m + half) / (2 * s);
    }
    return units == 0 ? 0.0 : static_cast<double>(units) / scale;
}

// ---- Showing numbers ----

namespace {

// Beyond this a scaled value no longer fits the exact integer route below
// (nor does a double hold cents there).
constexpr double largeScaled = 9e15;

void appendDigits(std::u16string &out, quint64 n)
{
    char16_t digits[24];
    int at = 24;
    do {
        digits[--at] = char16_t(u'0' + n % 10);
        n /= 10;
    } while (n);
    out.append(digits + at, size_t(24 - at));
}

// n / 10^decimals written out, sign first; a zero has none.
void appendScaled(std::u16string &out, long long n, int decimals)
{
    const quint64 magnitude = n < 0 ? 0 - quint64(n) : quint64(n);
    if (n < 0)
        out += u'-';
    const quint64 unit = quint64(pow10(decimals));
    appendDigits(out, magnitude / unit);
    if (decimals == 0)
        return;
    out += u'.';
    char16_t fraction[18];
    quint64 rest = magnitude % unit;
    for (int i = decimals - 1; i >= 0; --i) {
        fraction[i] = char16_t(u'0' + rest % 10);
        rest /= 10;
    }
    out.append(fraction, size_t(decimals));
}

// x × 10^decimals rounded half away from zero, on the 15-digit decimal of x
// as roundMoney does. The quick binary product decides wherever its fraction
// is clear of one half by more than the two can differ (the 15-digit decimal
// lies within 5e-15 of x relatively); only near a half is the decimal made.
// False when the result would not fit.
bool scaledRounded(double x, int decimals, long long *n)
{
    const double scaled = x * double(pow10(decimals));
    if (!(std::fabs(scaled) < largeScaled))
        return false;
    const double rounded = std::round(scaled);
    if (0.5 - std::fabs(scaled - rounded) > std::fabs(scaled) * 1e-14 + 1e-9) {
        *n = static_cast<long long>(rounded);
        return true;
    }
    const Decimal15 d = decimal15(x);
    const int k = d.e + decimals;
    if (k >= 0) {
        *n = d.m * pow10(k);
    } else if (k < -17) {
        *n = 0; // |m| < 10^15: far below one half
    } else {
        const long long s = pow10(-k);
        const long long half = d.m < 0 ? -s : s;
        *n = (2 * d.m + half) / (2 * s);
    }
    return true;
}

} // namespace

int Money::decimalsOf(const QString &format)
{
    if (format.isEmpty())
        return -1;
    const int dot = int(format.indexOf(QLatin1Char('.')));
    if (dot < 0)
        return 0;
    int n = 0;
    for (int i = dot + 1; i < format.size() && (format[i] == QLatin1Char('0') || format[i] == QLatin1Char('#')); ++i)
        ++n;
    return n;
}

void Money::appendNumber(std::u16string &out, double x, int decimals)
{
    if (std::isfinite(x)) {
        if (decimals < 0) {
            if (std::fabs(x) < 1e15 && x == std::trunc(x)) {
                appendScaled(out, static_cast<long long>(x), 0); // also turns −0 into "0"
                return;
            }
        } else if (long long n = 0; decimals <= 15 && scaledRounded(x, decimals, &n)) {
            appendScaled(out, n, decimals);
            return;
        }
    }
    // Very large amounts, many decimals, infinities: the general conversion.
    QString text = decimals < 0 ? QString::number(x, 'g', 15) : QString::number(x, 'f', decimals);
    out.append(reinterpret_cast<const char16_t *>(text.utf16()), size_t(text.size()));
}

QString Money::formatNumber(double x, int decimals)
{
    std::u16string text;
    appendNumber(text, x, decimals);
    return QString(reinterpret_cast<const QChar *>(text.data()), qsizetype(text.size()));
}

QString Money::formatMoney(double x) { return formatNumber(x, 2); }
