#include "numbertext.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace fprn::editcontrols;

namespace {

LocaleInfo Comma() {
    LocaleInfo l;
    l.decimalSeparator = ",";
    l.thousandSeparator = ".";
    return l;
}

double Parse(std::string_view text, const LocaleInfo& l = CLocaleInfo()) {
    double v = -1;
    EXPECT_TRUE(ParseNumberText(text, v, l)) << text;
    return v;
}

bool Fails(std::string_view text, const LocaleInfo& l = CLocaleInfo()) {
    double v = -1;
    const bool ok = ParseNumberText(text, v, l);
    EXPECT_EQ(v, 0) << "a failed parse leaves 0: " << text;
    return !ok;
}

} // namespace

TEST(NumberGrammar, AcceptsSignsFractionsExponentsAndBlanks) {
    EXPECT_EQ(Parse("12.5"), 12.5);
    EXPECT_EQ(Parse("-12.5"), -12.5);
    EXPECT_EQ(Parse("+3"), 3);
    EXPECT_EQ(Parse("  7  "), 7);
    EXPECT_EQ(Parse(".5"), 0.5);
    EXPECT_EQ(Parse("5."), 5);
    EXPECT_EQ(Parse("."), 0);
    EXPECT_EQ(Parse("-."), 0);
    EXPECT_EQ(Parse("1.2E5"), 120000);
    EXPECT_EQ(Parse("1.2e-2"), 0.012);
    EXPECT_EQ(Parse("5E"), 5);
    EXPECT_EQ(Parse("5E+"), 5);
    EXPECT_EQ(Parse(".E3"), 0);
    EXPECT_EQ(Parse("0.1"), 0.1);
    EXPECT_EQ(Parse("000123"), 123);
}

TEST(NumberGrammar, RefusesWhatIsNotANumber) {
    EXPECT_TRUE(Fails(""));
    EXPECT_TRUE(Fails("   "));
    EXPECT_TRUE(Fails("-"));
    EXPECT_TRUE(Fails("+"));
    EXPECT_TRUE(Fails("E5"));
    EXPECT_TRUE(Fails("1.2.3"));
    EXPECT_TRUE(Fails("1 2"));
    EXPECT_TRUE(Fails("12a"));
    EXPECT_TRUE(Fails("--1"));
    EXPECT_TRUE(Fails("1E5E5"));
    EXPECT_TRUE(Fails("0x10"));
}

TEST(NumberGrammar, ThousandSeparatorsVanishWherever) {
    double v = 0;
    ASSERT_TRUE(ParseNumberText("1,5", v, CLocaleInfo()));
    EXPECT_EQ(v, 15);
    EXPECT_EQ(Parse("7,250.5"), 7250.5);
    EXPECT_EQ(Parse(",,1,,"), 1);
    // The grammar alone keeps them, so they fail there.
    EXPECT_FALSE(ParseNumberGrammar("1,000", v, CLocaleInfo()));
    EXPECT_TRUE(ParseNumberGrammar("1000", v, CLocaleInfo()));
}

TEST(NumberGrammar, FollowsTheLocaleSeparators) {
    const LocaleInfo l = Comma();
    EXPECT_EQ(Parse("12,5", l), 12.5);
    EXPECT_EQ(Parse("7.250,5", l), 7250.5);
    EXPECT_EQ(Parse(",", l), 0);
    double v = 0;
    EXPECT_TRUE(ParseNumberText("12.5", v, l));
    EXPECT_EQ(v, 125) << "the point is a thousand separator in this locale";
    LocaleInfo nbsp = Comma();
    nbsp.thousandSeparator = "\xC2\xA0";
    EXPECT_EQ(Parse("1\xC2\xA0"
                    "234,5",
                    nbsp),
              1234.5);
}

TEST(NumberGrammar, RangeLimits) {
    EXPECT_EQ(Parse("1.7E308"), 1.7e308);
    EXPECT_TRUE(Fails("1.7000001E308"));
    EXPECT_TRUE(Fails("1E309"));
    EXPECT_TRUE(Fails("-2E308"));
    EXPECT_EQ(Parse("5E-324"), 5e-324);
    EXPECT_TRUE(Fails("4.9E-324"));
    EXPECT_TRUE(Fails("1E-400"));
    EXPECT_EQ(Parse("0E-400"), 0) << "zero is never out of range";
    EXPECT_EQ(Parse("0.000E999999999999999999"), 0);
    EXPECT_TRUE(Fails("1E99999999999999999999"));
    EXPECT_EQ(Parse("0.00000000000000000000000000001E29"), 1);
}

TEST(GeneralNumberText, FifteenSignificantDigits) {
    const LocaleInfo c = CLocaleInfo();
    EXPECT_EQ(GeneralNumberText(0, c), "0");
    EXPECT_EQ(GeneralNumberText(-0.0, c), "0");
    EXPECT_EQ(GeneralNumberText(2500.50, c), "2500.5");
    EXPECT_EQ(GeneralNumberText(0.1 + 0.2, c), "0.3");
    EXPECT_EQ(GeneralNumberText(-5, c), "-5");
    EXPECT_EQ(GeneralNumberText(999999999, c), "999999999");
    EXPECT_EQ(GeneralNumberText(123456789012345.0, c), "123456789012345");
    EXPECT_EQ(GeneralNumberText(1.0 / 3, c), "0.333333333333333");
    EXPECT_EQ(GeneralNumberText(2.0 / 3, c), "0.666666666666667");
    EXPECT_EQ(GeneralNumberText(12.5, Comma()), "12,5");
}

TEST(GeneralNumberText, ScientificThresholds) {
    const LocaleInfo c = CLocaleInfo();
    EXPECT_EQ(GeneralNumberText(1e20, c), "1E20");
    EXPECT_EQ(GeneralNumberText(1e15, c), "1E15") << "16 integer digits";
    EXPECT_EQ(GeneralNumberText(999999999999999.0, c), "999999999999999");
    EXPECT_EQ(GeneralNumberText(9999999999999999.0, c), "1E16") << "rounds up to 16 digits";
    EXPECT_EQ(GeneralNumberText(0.0001, c), "0.0001");
    EXPECT_EQ(GeneralNumberText(0.00001, c), "1E-5");
    EXPECT_EQ(GeneralNumberText(1.5e-7, c), "1.5E-7");
    EXPECT_EQ(GeneralNumberText(-2.5e-5, c), "-2.5E-5");
    EXPECT_EQ(GeneralNumberText(1.25e-5, Comma()), "1,25E-5");
    EXPECT_EQ(GeneralNumberText(std::numeric_limits<double>::infinity(), c), "INF");
    EXPECT_EQ(GeneralNumberText(std::nan(""), c), "NAN");
}

TEST(GeneralNumberText, ReadsBackAsTheSameValue) {
    const LocaleInfo c = CLocaleInfo();
    for (double v : {0.5, 12.75, -3.125, 1e20, 1.5e-7, 123456.789, 1e-300, 1.7e308}) {
        double back = 0;
        ASSERT_TRUE(ParseNumberText(GeneralNumberText(v, c), back, c)) << v;
        EXPECT_DOUBLE_EQ(back, v);
    }
}

TEST(NumericKey, CommaAndPointBecomeTheDecimalSeparator) {
    const LocaleInfo c = CLocaleInfo();
    EXPECT_EQ(MapNumericKey(",", false, c), ".");
    EXPECT_EQ(MapNumericKey(".", false, c), ".");
    EXPECT_EQ(MapNumericKey(",", true, c), ",");
    EXPECT_EQ(MapNumericKey("7", true, c), "7");
    const LocaleInfo d = Comma();
    EXPECT_EQ(MapNumericKey(".", false, d), ",");
    EXPECT_EQ(MapNumericKey(".", true, d), ".");
    EXPECT_EQ(MapNumericKey(",", true, d), ",");
}

TEST(NumericKey, SignsAndSeparators) {
    const LocaleInfo c = CLocaleInfo();
    auto ok = [&](std::string_view text, int at, std::string_view key, int places = 2,
                  bool thousands = false) {
        return AcceptsNumericKey(text, at, 0, key, places, thousands, c);
    };
    EXPECT_TRUE(ok("", 0, "-"));
    EXPECT_TRUE(ok("5", 0, "-"));
    EXPECT_FALSE(ok("5", 1, "-"));
    EXPECT_FALSE(ok("", 0, "+"));
    EXPECT_TRUE(ok("", 0, "."));
    EXPECT_TRUE(ok("", 0, "7"));
    EXPECT_FALSE(ok("", 0, "a"));
    EXPECT_FALSE(ok("", 0, " "));
    EXPECT_FALSE(ok("1", 1, ","));
    EXPECT_TRUE(ok("1", 1, ",", 2, true));
    EXPECT_TRUE(ok("7,250", 5, ".", 2, true));
    EXPECT_TRUE(ok("12", 2, "E"));
    EXPECT_TRUE(ok("12E", 3, "-"));
    EXPECT_TRUE(ok("12E-", 4, "3"));
    EXPECT_FALSE(ok("12E", 3, "E"));
    EXPECT_FALSE(ok("1.5", 3, "."));
}

TEST(NumericKey, DecimalPlaces) {
    const LocaleInfo c = CLocaleInfo();
    auto ok = [&](std::string_view text, int at, std::string_view key, int places) {
        return AcceptsNumericKey(text, at, 0, key, places, false, c);
    };
    EXPECT_TRUE(ok("5", 1, ".", 0));
    EXPECT_FALSE(ok("5.", 2, "1", 0));
    EXPECT_TRUE(ok("1.2", 3, "5", 2));
    EXPECT_FALSE(ok("1.25", 4, "1", 2));
    EXPECT_TRUE(ok("1.2", 3, "E", 2));
    EXPECT_TRUE(ok("1.2E", 4, "5", 1)) << "only the digits before the exponent count";
    EXPECT_TRUE(ok("1.2e", 4, "5", 1));
    EXPECT_TRUE(ok("125", 1, ".", 2));
    EXPECT_FALSE(ok("125", 0, ".", 2));
}

TEST(NumericKey, TypingReplacesTheSelection) {
    const LocaleInfo c = CLocaleInfo();
    // "1.25" with "25" selected: typing 9 gives 1.9.
    EXPECT_TRUE(AcceptsNumericKey("1.25", 2, 2, "9", 2, false, c));
    // Everything selected: a minus alone is taken.
    EXPECT_TRUE(AcceptsNumericKey("123", 0, 3, "-", 2, false, c));
    EXPECT_FALSE(AcceptsNumericKey("123", 0, 3, "+", 2, false, c));
    // Selection past the end is clamped.
    EXPECT_TRUE(AcceptsNumericKey("12", 5, 9, "3", 2, false, c));
}

TEST(NumericKey, CommaLocale) {
    const LocaleInfo d = Comma();
    EXPECT_TRUE(AcceptsNumericKey("12", 2, 0, ",", 2, false, d));
    EXPECT_FALSE(AcceptsNumericKey("12", 2, 0, ".", 2, false, d));
    EXPECT_TRUE(AcceptsNumericKey("12", 2, 0, ".", 2, true, d));
    EXPECT_FALSE(AcceptsNumericKey("1,25", 4, 0, "0", 2, false, d));
    EXPECT_TRUE(AcceptsNumericKey("1.000,2", 7, 0, "5", 2, true, d));
}

TEST(Utf8, LengthAndOffsets) {
    EXPECT_EQ(Utf8Length("a\xC2\xA0"
                         "b"),
              3);
    EXPECT_EQ(Utf8Offset("a\xC2\xA0"
                         "b",
                         2),
              3u);
    EXPECT_EQ(Utf8Offset("ab", 9), 2u);
}
