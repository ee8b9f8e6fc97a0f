#include "textformat.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace fprn::fmt;

TEST(TextFormat, DecimalWithMinimumDigits) {
    EXPECT_EQ(Dec(0), "0");
    EXPECT_EQ(Dec(-7), "-7");
    EXPECT_EQ(DecMin(5, 4), "0005");
    EXPECT_EQ(DecMin(-5, 4), "-0005");
    EXPECT_EQ(DecMin(123456, 4), "123456");
    EXPECT_EQ(DecMin(0, 1), "0");
    EXPECT_EQ(DecMin(std::numeric_limits<std::int64_t>::min(), 2), "-9223372036854775808");
}

TEST(TextFormat, HexIsUpperCaseThirtyTwoBit) {
    EXPECT_EQ(HexMin(0x1A2B, 5), "01A2B");
    EXPECT_EQ(HexMin(0, 5), "00000");
    EXPECT_EQ(HexMin(0xABCDEF, 5), "ABCDEF");
    EXPECT_EQ(HexMin(static_cast<std::uint32_t>(-1), 5), "FFFFFFFF");
}

TEST(TextFormat, StringWidths) {
    EXPECT_EQ(RightExact("kg", 4), "  kg");
    EXPECT_EQ(RightExact("kilogram", 4), "kilo");
    EXPECT_EQ(RightExact("", 2), "  ");
    EXPECT_EQ(LeftExact("ab", 3), "ab ");
    EXPECT_EQ(LeftExact("abcdef", 3), "abc");
    EXPECT_EQ(LeftMin("x", 3), "x  ");
    EXPECT_EQ(LeftMin("abcdef", 3), "abcdef");
    // Widths count bytes, whatever their value.
    EXPECT_EQ(RightExact("\xE4\xF6", 3), " \xE4\xF6");
}

TEST(TextFormat, RoundingUsesTheDoublesTrueValueAndTiesToEven) {
    EXPECT_EQ(ScaleRound(0.125, 100, "a"), 12);
    EXPECT_EQ(ScaleRound(0.375, 100, "a"), 38);
    EXPECT_EQ(ScaleRound(2.675, 100, "a"), 267);
    EXPECT_EQ(ScaleRound(0.0025, 1000, "q"), 3);
    EXPECT_EQ(ScaleRound(1.5, 1000, "q"), 1500);
    EXPECT_EQ(ScaleRound(2.35, 100, "a"), 235);
    EXPECT_EQ(ScaleRound(-0.125, 100, "a"), -12);
    EXPECT_EQ(ScaleRound(-0.375, 100, "a"), -38);
    EXPECT_EQ(ScaleRound(2.5, 1, "a"), 2);
    EXPECT_EQ(ScaleRound(3.5, 1, "a"), 4);
    EXPECT_EQ(ScaleRound(-2.5, 1, "a"), -2);
    EXPECT_EQ(ScaleRound(0.0, 100, "a"), 0);
    // The product of a double and 100 is exact in extended precision, so a value just above a
    // half never rounds down.
    EXPECT_EQ(ScaleRound(std::nextafter(0.125, 1.0), 100, "a"), 13);
    EXPECT_EQ(ScaleRound(std::nextafter(0.125, 0.0), 100, "a"), 12);
}

TEST(TextFormat, UnsendableValuesAreRefused) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_THROW(ScaleRound(nan, 100, "price"), fprn::ArgumentError);
    EXPECT_THROW(ScaleRound(inf, 100, "price"), fprn::ArgumentError);
    EXPECT_THROW(ScaleRound(-inf, 100, "price"), fprn::ArgumentError);
    EXPECT_THROW(ScaleRound(1e17, 100, "price"), fprn::ArgumentError);
    EXPECT_EQ(ScaleRound(9e16, 100, "price"), 9000000000000000000LL);
    try {
        ScaleRound(nan, 100, "price");
    } catch (const fprn::ArgumentError& e) {
        EXPECT_NE(std::string(e.what()).find("price"), std::string::npos);
    }
    EXPECT_EQ(ScaleRoundField(99999999.99, 100, 10, "price"), 9999999999LL);
    EXPECT_THROW(ScaleRoundField(100000000.0, 100, 10, "price"), fprn::ArgumentError);
    EXPECT_THROW(ScaleRoundField(-0.01, 100, 10, "price"), fprn::ArgumentError);
    EXPECT_EQ(ScaleRoundField(-0.004, 100, 10, "price"), 0);
    // Rounding up into an extra digit counts.
    EXPECT_THROW(ScaleRoundField(999999.9996, 1000, 9, "quantity"), fprn::ArgumentError);
}
