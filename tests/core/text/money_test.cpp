#include "core/text/money.h"

#include <gtest/gtest.h>

// The line rounding as a cashier reads it: halves round up even where the
// double lies a hair below the half, and negative amounts follow the
// truncating formula the document's adjust step is built around.
TEST(MoneyTest, LineRoundingR2)
{
    struct Case { double x; double expected; };
    const Case cases[] = {
        {1.005, 1.01},     {2.675, 2.68},       {0.285, 0.29},   {12.345, 12.35},
        {1e7 + 0.005, 10000000.01},             {1.004, 1.00},   {0.0, 0.0},
        {-1.234, -1.22},   {-1.22, -1.21},      {-1.235, -1.23}, {-0.004, 0.0},
        {3 * 1.005, 3.02}, {0.1 + 0.2, 0.30},   {19.99 * 3, 59.97},
        {123456.785, 123456.79},
    };
    for (const Case &c : cases)
        EXPECT_DOUBLE_EQ(Money::R2(c.x), c.expected) << "R2(" << c.x << ")";
    EXPECT_FALSE(std::signbit(Money::R2(-0.004))) << "no negative zero";
}

TEST(MoneyTest, OrdinaryRoundingAndDisplay)
{
    struct Case { double x; double rounded; const char *shown; };
    const Case cases[] = {
        {1.005, 1.01, "1.01"},   {-1.005, -1.01, "-1.01"}, {-5.0, -5.0, "-5.00"}, {2.675, 2.68, "2.68"},
        {-0.001, 0.0, "0.00"},   {-0.0, 0.0, "0.00"},      {0.0, 0.0, "0.00"},    {1234567.5, 1234567.5, "1234567.50"},
        {0.285, 0.29, "0.29"},   {-1.22, -1.22, "-1.22"},
    };
    for (const Case &c : cases) {
        EXPECT_DOUBLE_EQ(Money::roundMoney(c.x), c.rounded) << c.x;
        EXPECT_EQ(Money::formatMoney(c.x), QString::fromLatin1(c.shown)) << c.x;
    }
}

// A value takes its column's scale by the same decimal rounding at any
// number of places: halves away from zero even where the double lies a hair
// below the half.
TEST(MoneyTest, RoundingToAColumnsScale)
{
    struct Case { double x; int decimals; double expected; };
    const Case cases[] = {
        {12.5, 0, 13.0},       {-12.5, 0, -13.0},    {0.4, 0, 0.0},         {1234567.49, 0, 1234567.0},
        {1.005, 2, 1.01},      {-1.005, 2, -1.01},   {0.0005, 3, 0.001},    {2.0004999, 3, 2.0},
        {1.00005, 4, 1.0001},  {8.345, 1, 8.3},      {8.35, 1, 8.4},        {-0.04, 1, 0.0},
        {1e12 + 0.5, 0, 1e12 + 1}, {0.1 + 0.2, 2, 0.3},
    };
    for (const Case &c : cases) {
        EXPECT_DOUBLE_EQ(Money::roundTo(c.x, c.decimals), c.expected) << "roundTo(" << c.x << ", " << c.decimals << ")";
        EXPECT_FALSE(std::signbit(Money::roundTo(c.x, c.decimals)) && c.expected == 0.0) << "no negative zero";
    }
    for (double x : {1.005, -2.675, 0.285, 1234567.5, 1e11 + 0.125, -0.004})
        EXPECT_DOUBLE_EQ(Money::roundMoney(x), Money::roundTo(x, 2)) << x;
}
