#include "floatformat.h"
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

std::string F(std::string_view pattern, double v, const LocaleInfo& l = CLocaleInfo()) {
    return FormatFloat(pattern, v, l);
}

} // namespace

TEST(FloatFormat, FixedPlaces) {
    EXPECT_EQ(F("0.00", 12.5), "12.50");
    EXPECT_EQ(F("0.00", 0), "0.00");
    EXPECT_EQ(F("0.000", 1.5), "1.500");
    EXPECT_EQ(F("0", 12.5), "13");
    EXPECT_EQ(F("0", 2.5), "3") << "halves go away from zero";
    EXPECT_EQ(F("0", -2.5), "-3");
    EXPECT_EQ(F("0.00", 0.125), "0.13");
    EXPECT_EQ(F("0.00", 1.005), "1.00") << "1.005 is stored a little below";
    EXPECT_EQ(F("0.00", 0.1 + 0.2), "0.30");
    EXPECT_EQ(F("0.00", 9.999), "10.00");
    EXPECT_EQ(F("0.00", -12.5), "-12.50");
    EXPECT_EQ(F("000", 7), "007");
    EXPECT_EQ(F("0.00", 0.05), "0.05");
    EXPECT_EQ(F("0.0", 0.05), "0.1");
}

TEST(FloatFormat, OptionalPlaceholders) {
    EXPECT_EQ(F("#.##", 1), "1");
    EXPECT_EQ(F("#.##", 1.5), "1.5");
    EXPECT_EQ(F("#.##", 0.5), ".5");
    EXPECT_EQ(F("#.##", 0.05), ".05");
    EXPECT_EQ(F("#", 0), "");
    EXPECT_EQ(F("0.#0", 1), "1.00");
    EXPECT_EQ(F("0.0#", 1.234), "1.23");
    EXPECT_EQ(F("0.0#", 1.2), "1.2");
    EXPECT_EQ(F("#0.00", 3), "3.00");
    EXPECT_EQ(F("0.", 5), "5") << "no separator without fraction digits";
    EXPECT_EQ(F(".00", 12.5), "12.50") << "extra integer digits go to the first placeholder";
}

TEST(FloatFormat, ThousandSeparators) {
    EXPECT_EQ(F(",0.00", 1234567.891), "1,234,567.89");
    EXPECT_EQ(F(",0", 999), "999");
    EXPECT_EQ(F(",0", 1000), "1,000");
    EXPECT_EQ(F("#,##0", 123456), "123,456");
    EXPECT_EQ(F(",0.00", -1234.5), "-1,234.50");
    EXPECT_EQ(F(",0.00", 1234567.891, Comma()), "1.234.567,89");
    EXPECT_EQ(F(",0.", 1234.5), "1,235");
}

TEST(FloatFormat, Sections) {
    const std::string_view p = "0.00;(0.00);\"zero\"";
    EXPECT_EQ(F(p, 5), "5.00");
    EXPECT_EQ(F(p, -5), "(5.00)");
    EXPECT_EQ(F(p, 0), "zero");
    EXPECT_EQ(F(p, -0.001), "zero") << "rounds to zero, so the zero section";
    EXPECT_EQ(F(p, 0.001), "zero");
    EXPECT_EQ(F("0.00", -0.001), "0.00") << "no minus before a zero";
    EXPECT_EQ(F("0.00;;\"-\"", -3), "-3.00") << "empty negative section uses the first";
    EXPECT_EQ(F("0.00;-0.00", 0), "0.00") << "no zero section uses the first";
    EXPECT_EQ(F("0.00;-'<'0.00", -2), "-<2.00");
    EXPECT_EQ(F("'a;b'0", 1), "a;b1") << "a quoted ; does not split";
}

TEST(FloatFormat, LiteralsAndQuotes) {
    EXPECT_EQ(F("$0.00", 3), "$3.00");
    EXPECT_EQ(F("0.00 kr", 3), "3.00 kr");
    EXPECT_EQ(F("'#'0", 3), "#3");
    EXPECT_EQ(F("\"0.\"0", 3), "0.3");
    EXPECT_EQ(F("0-0", 12), "1-2");
    EXPECT_EQ(F("abc", 5), "abc");
    EXPECT_EQ(F("abc", -5), "-abc");
    EXPECT_EQ(F("0'unclosed;0", 1), "1unclosed;0");
}

TEST(FloatFormat, Scientific) {
    EXPECT_EQ(F("0.00E+00", 1234), "1.23E+03");
    EXPECT_EQ(F("0.00E+00", 0.00012), "1.20E-04");
    EXPECT_EQ(F("0.00E-00", 1234), "1.23E03");
    EXPECT_EQ(F("0.##e+0", 1500), "1.5e+3");
    EXPECT_EQ(F("0.00E+00", 0), "0.00E+00");
    EXPECT_EQ(F("00.0E+0", 12345), "12.3E+3");
    EXPECT_EQ(F("0E+0", 9.6), "1E+1");
}

TEST(FloatFormat, FallsBackToTheGeneralText) {
    EXPECT_EQ(F("", 2500.5), "2500.5");
    EXPECT_EQ(F(";0.00", 2500.5), "2500.5");
    EXPECT_EQ(F("", -1e20), "-1E20");
    EXPECT_EQ(F("0.00", 1e20), "1E20");
    EXPECT_EQ(F("0", 123456789012345678.0), "123456789012345680") << "18 digits still fixed";
    EXPECT_EQ(F("0", 1e18), "1E18");
    EXPECT_EQ(F("0.00", std::numeric_limits<double>::infinity()), "INF");
    EXPECT_EQ(F("0.00", std::nan("")), "NAN");
}

TEST(CurrencyFormat, BuiltFromTheLocale) {
    LocaleInfo l;
    l.currencySymbol = "$";
    l.currencyFormat = 0;
    l.currencyDecimals = 2;
    EXPECT_EQ(BuildDefaultCurrencyFormat(l), "$,0.00;-$,0.00");
    l.currencySymbol = "kr";
    l.currencyFormat = 3;
    EXPECT_EQ(BuildDefaultCurrencyFormat(l), ",0.00 kr;-,0.00 kr");
    l.currencyFormat = 1;
    EXPECT_EQ(BuildDefaultCurrencyFormat(l), ",0.00kr;-,0.00kr");
    l.currencyFormat = 2;
    EXPECT_EQ(BuildDefaultCurrencyFormat(l), "kr ,0.00;-kr ,0.00");
    l.currencyFormat = 7;
    EXPECT_EQ(BuildDefaultCurrencyFormat(l), ",0.00;-,0.00");
    l.currencyDecimals = 0;
    l.currencyFormat = 0;
    EXPECT_EQ(BuildDefaultCurrencyFormat(l), "kr,0.;-kr,0.");
    EXPECT_EQ(BuildDefaultCurrencyFormat(CLocaleInfo()), ",0.00;-,0.00");
    l.currencySymbol = "Kr.";
    EXPECT_EQ(BuildDefaultCurrencyFormat(l), "Kr'.',0.;-Kr'.',0.");
}

TEST(CurrencyFormat, TheSymbolShowsAsItStands) {
    // Symbols full of pattern characters still give a valid pattern that prints them.
    for (std::string symbol : {"$", "kr.", "a,b", "x;y", "R0", "#", "it's", "\"q\"", "E+", "e-x",
                               "\xE2\x82\xAC", "Fr.'"}) {
        for (int format = 0; format <= 3; ++format) {
            LocaleInfo l;
            l.currencySymbol = symbol;
            l.currencyFormat = format;
            l.currencyDecimals = 2;
            const std::string pattern = BuildDefaultCurrencyFormat(l);
            const std::string number = "1,234.50";
            std::string expected = format == 0   ? symbol + number
                                   : format == 1 ? number + symbol
                                   : format == 2 ? symbol + " " + number
                                                 : number + " " + symbol;
            EXPECT_EQ(FormatFloat(pattern, 1234.5, l), expected) << pattern;
            EXPECT_EQ(FormatFloat(pattern, -1234.5, l), "-" + expected) << pattern;
        }
    }
}

TEST(CurrencyFormat, CommaLocaleDisplay) {
    LocaleInfo l = Comma();
    l.currencySymbol = "\xE2\x82\xAC";
    l.currencyFormat = 3;
    EXPECT_EQ(FormatFloat(BuildDefaultCurrencyFormat(l), -1234.5, l), "-1.234,50 \xE2\x82\xAC");
}
