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

QString Money::formatMoney(double x)
{
    const double v = Money::roundMoney(x) + 0.0; // + 0.0 turns −0 into 0
    return QString::number(v == 0.0 ? 0.0 : v, 'f', 2);
}
