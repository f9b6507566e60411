#include "output/cell_format.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <limits>
#include <random>

namespace kestrel {
namespace {

std::string printfFraction(double v) {
    char cell[64];
    std::snprintf(cell, sizeof cell, "%6.4f", v);
    return cell;
}

std::string fraction(double v) {
    std::string row;
    appendFraction(row, v);
    return row;
}

TEST(CellFormat, FractionsMatchPrintfByteForByte) {
    // Every ratio of counts up to 1500, in double and in single precision, exact ties that
    // printf rounds to even, random fractions, and values outside 0 to 1.
    for (int b = 1; b <= 1500; ++b)
        for (int a = 0; a <= b; ++a) {
            const double d = static_cast<double>(a) / b;
            ASSERT_EQ(fraction(d), printfFraction(d)) << a << "/" << b;
            const double f = static_cast<float>(a) / static_cast<float>(b);
            ASSERT_EQ(fraction(f), printfFraction(f)) << a << "/" << b << " in single precision";
        }
    for (double v : {0.03125, 0.00005, 0.00015, 0.12345, 0.99995, 0.5, 1.0, 0.0, -0.25, 3.5})
        EXPECT_EQ(fraction(v), printfFraction(v)) << v;
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int i = 0; i < 200000; ++i) {
        const double v = unit(random);
        ASSERT_EQ(fraction(v), printfFraction(v)) << v;
    }
}

TEST(CellFormat, IntegersMatchPrintf) {
    for (long long v : {0LL, 7LL, -7LL, 12345678LL, -2147483648LL, std::numeric_limits<long long>::min(),
                        std::numeric_limits<long long>::max()})
        for (int width : {1, 5, 7, 9, 16}) {
            char cell[64];
            std::snprintf(cell, sizeof cell, "%*lld", width, v);
            std::string row = "x";
            appendInteger(row, v, width);
            EXPECT_EQ(row, std::string("x") + cell) << v << " in " << width;
        }
}

}  // namespace
}  // namespace kestrel
