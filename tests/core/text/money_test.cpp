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
