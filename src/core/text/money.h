#pragma once
#include <QString>
#include <string>

// Money is a double with two decimals. Both routines below work on the
// decimal value the cashier sees (15 significant digits), not on the binary
// approximation, so that 1.005 rounds like 1.005 and not like 1.00499999….

namespace Money {
// The line rounding of the documents: truncate(x / 0.01 + 0.5) × 0.01 with
// truncation towards zero. For negative amounts this rounds towards zero by
// one cent at the half and at whole cents (−1.234 → −1.22, −1.22 → −1.21);
// the documents' "adjust" step relies on exactly that, so use it for line
// arithmetic and nowhere else.
double R2(double x);

// Ordinary rounding to cents, half away from zero (−1.005 → −1.01, −5 → −5).
// For balances, sums and anything that is not a document line.
double roundMoney(double x);

// Ordinary rounding to the given number of decimals (0 … 8), half away from
// zero, on the decimal value as roundMoney does: the one routine by which a
// value takes its column's scale. roundMoney(x) is roundTo(x, 2).
double roundTo(double x, int decimals);

// "#0.00": two decimals, no thousands separator, never "-0.00".
QString formatMoney(double x);

// Decimals asked for by a display format such as "0.00", "#0.00" or "0";
// -1 for an empty format (no fixed decimals).
int decimalsOf(const QString &format);

// A number as the grids, their footers and the printed tables show it:
// `decimals` places, rounded half away from zero like roundMoney, no thousands
// separator, never a negative zero. With decimals < 0 as many places as the
// value needs (15 significant digits at most). formatMoney(x) is
// formatNumber(x, 2).
QString formatNumber(double x, int decimals);
// The same text appended to a UTF-16 buffer without a QString per value: a
// search through a long list formats a number of every row.
void appendNumber(std::u16string &out, double x, int decimals);
} // namespace Money
