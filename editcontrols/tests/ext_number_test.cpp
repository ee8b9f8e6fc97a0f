// Number text (grammar, general text, key filter), format patterns, the default currency
// format and the locale settings: the pure logic under the currency edit.
#include "floatformat.h"
#include "localeinfo.h"
#include "numbertext.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <optional>
#include <tuple>

using namespace fprn::editcontrols;

namespace {

LocaleInfo Comma() {
    LocaleInfo l;
    l.decimalSeparator = ",";
    l.thousandSeparator = ".";
    return l;
}

// Values that are no plain literal, so that the case tables stay plain.
const double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::nan("");
const double kSum03 = 0.1 + 0.2; // 0.30000000000000004
const double kThird = 1.0 / 3;
const double kTwoThirds = 2.0 / 3;

// The parsed value, or nothing; a failed parse must leave 0 behind.
std::optional<double> Parse(std::string_view text, const LocaleInfo& l = CLocaleInfo()) {
    double v = -1;
    if (ParseNumberText(text, v, l)) return v;
    EXPECT_EQ(v, 0) << "a failed parse leaves 0: " << text;
    return std::nullopt;
}

} // namespace

TEST(NumberGrammar, AcceptedAndRefusedTexts) {
    // Signs, blanks, a lone separator, exponents with nothing after the E; thousand separators
    // vanish wherever they stand; the range ends, and zero is never out of range.
    auto check = [](const auto& cases) {
        for (const auto& [text, want] : cases) EXPECT_EQ(Parse(text), want) << text;
    };
    const std::pair<std::string_view, double> good1[] = {
        {"12.5", 12.5},    {"-12.5", -12.5},   {"+3", 3.0},     {"  7  ", 7.0},
        {".5", 0.5},       {"5.", 5.0},        {".", 0.0},      {"-.", 0.0},
        {"1.2E5", 120000}, {"1.2e-2", 0.012},  {"5E", 5.0},     {"5E+", 5.0},
        {".E3", 0.0},      {"0.1", 0.1},       {"000123", 123}, {"1,5", 15.0},
        {",,1,,", 1.0},    {"5E-324", 5e-324}, {"0E-400", 0.0}, {"7,250.5", 7250.5}};
    check(good1);
    EXPECT_EQ(Parse("1.7E308"), 1.7e308);
    EXPECT_EQ(Parse("0.000E999999999999999999"), 0);
    EXPECT_EQ(Parse("0.00000000000000000000000000001E29"), 1);
    for (std::string_view text :
         {"", "   ", "-", "+", "E5", "1.2.3", "1 2", "12a", "--1", "1E5E5", "0x10", "1.7000001E308",
          "1E309", "-2E308", "4.9E-324", "1E-400", "1E99999999999999999999"})
        EXPECT_EQ(Parse(text), std::nullopt) << text;
    // The grammar alone keeps the thousand separators, so they fail there.
    double v = 0;
    EXPECT_FALSE(ParseNumberGrammar("1,000", v, CLocaleInfo()));
    EXPECT_TRUE(ParseNumberGrammar("1000", v, CLocaleInfo()));
}

TEST(NumberGrammar, FollowsTheLocaleSeparators) {
    const LocaleInfo l = Comma();
    EXPECT_EQ(Parse("12,5", l), 12.5);
    EXPECT_EQ(Parse("7.250,5", l), 7250.5);
    EXPECT_EQ(Parse(",", l), 0);
    EXPECT_EQ(Parse("12.5", l), 125) << "the point is a thousand separator in this locale";
    LocaleInfo nbsp = Comma();
    nbsp.thousandSeparator = "\xC2\xA0";
    EXPECT_EQ(Parse("1\xC2\xA0"
                    "234,5",
                    nbsp),
              1234.5);
}

TEST(GeneralNumberText, FifteenDigitsAndScientificThresholds) {
    // Fifteen significant digits without trailing zeros; scientific from 16 integer digits
    // (also after rounding up to them) and below 0.0001.
    auto check = [](const auto& cases) {
        for (const auto& [value, want] : cases)
            EXPECT_EQ(GeneralNumberText(value, CLocaleInfo()), want) << value;
    };
    const std::pair<double, std::string_view> cases1[] = {
        {0.0, "0"},         {-0.0, "0"},    {kSum03, "0.3"},    {-5.0, "-5"},
        {1e20, "1E20"},     {1e15, "1E15"}, {0.0001, "0.0001"}, {0.00001, "1E-5"},
        {1.5e-7, "1.5E-7"}, {kInf, "INF"},  {kNaN, "NAN"},      {2500.50, "2500.5"}};
    const std::pair<double, std::string_view> cases2[] = {{999999999, "999999999"},
                                                          {kThird, "0.333333333333333"},
                                                          {kTwoThirds, "0.666666666666667"},
                                                          {9999999999999999.0, "1E16"}};
    const std::pair<double, std::string_view> cases3[] = {{123456789012345.0, "123456789012345"},
                                                          {999999999999999.0, "999999999999999"}};
    check(cases1);
    check(cases2);
    check(cases3);
    EXPECT_EQ(GeneralNumberText(-2.5e-5, CLocaleInfo()), "-2.5E-5");
    EXPECT_EQ(GeneralNumberText(12.5, Comma()), "12,5");
    EXPECT_EQ(GeneralNumberText(1.25e-5, Comma()), "1,25E-5");
    // And it reads back as the same value.
    for (double v : {0.5, 12.75, -3.125, 1e20, 1.5e-7, 123456.789, 1e-300, 1.7e308})
        EXPECT_DOUBLE_EQ(Parse(GeneralNumberText(v, CLocaleInfo())).value_or(-1), v);
}

TEST(NumericKey, CommaAndPointBecomeTheDecimalSeparator) {
    const LocaleInfo c = CLocaleInfo();
    const LocaleInfo d = Comma();
    EXPECT_EQ(MapNumericKey(",", false, c), ".");
    EXPECT_EQ(MapNumericKey(".", false, c), ".");
    EXPECT_EQ(MapNumericKey(",", true, c), ",");
    EXPECT_EQ(MapNumericKey("7", true, c), "7");
    EXPECT_EQ(MapNumericKey(".", false, d), ",");
    EXPECT_EQ(MapNumericKey(".", true, d), ".");
    EXPECT_EQ(MapNumericKey(",", true, d), ",");
}

TEST(NumericKey, KeyFilter) {
    // Text, selection start and length, key, decimal places, thousand separator, comma locale;
    // accepted. In order: "-" only at the start and "+" never; the thousand separator only
    // when enabled, one decimal separator; one E, then a sign and digits; the decimal places,
    // where only the digits before the exponent count; typing replaces the selection, which is
    // clamped to the text; the comma locale.
    using Case = std::tuple<std::string_view, int, int, std::string_view, int, bool, bool, bool>;
    const Case cases[] = {
        {"", 0, 0, "-", 2, false, false, true},     {"5", 0, 0, "-", 2, false, false, true},
        {"5", 1, 0, "-", 2, false, false, false},   {"", 0, 0, "+", 2, false, false, false},
        {"", 0, 0, ".", 2, false, false, true},     {"", 0, 0, "7", 2, false, false, true},
        {"", 0, 0, "a", 2, false, false, false},    {"", 0, 0, " ", 2, false, false, false},
        {"1", 1, 0, ",", 2, false, false, false},   {"1", 1, 0, ",", 2, true, false, true},
        {"7,250", 5, 0, ".", 2, true, false, true}, {"1.5", 3, 0, ".", 2, false, false, false},
        {"12", 2, 0, "E", 2, false, false, true},   {"12E", 3, 0, "-", 2, false, false, true},
        {"12E-", 4, 0, "3", 2, false, false, true}, {"12E", 3, 0, "E", 2, false, false, false},
        {"5", 1, 0, ".", 0, false, false, true},    {"5.", 2, 0, "1", 0, false, false, false},
        {"1.2", 3, 0, "5", 2, false, false, true},  {"1.25", 4, 0, "1", 2, false, false, false},
        {"1.2", 3, 0, "E", 2, false, false, true},  {"1.2E", 4, 0, "5", 1, false, false, true},
        {"1.2e", 4, 0, "5", 1, false, false, true}, {"125", 1, 0, ".", 2, false, false, true},
        {"125", 0, 0, ".", 2, false, false, false}, {"1.25", 2, 2, "9", 2, false, false, true},
        {"123", 0, 3, "-", 2, false, false, true},  {"123", 0, 3, "+", 2, false, false, false},
        {"12", 5, 9, "3", 2, false, false, true},   {"12", 2, 0, ",", 2, false, true, true},
        {"12", 2, 0, ".", 2, false, true, false},   {"12", 2, 0, ".", 2, true, true, true},
        {"1,25", 4, 0, "0", 2, false, true, false}, {"1.000,2", 7, 0, "5", 2, true, true, true}};
    for (const auto& [text, at, sel, key, places, thousands, comma, want] : cases)
        EXPECT_EQ(AcceptsNumericKey(text, at, sel, key, places, thousands,
                                    comma ? Comma() : CLocaleInfo()),
                  want)
            << text << " at " << at << " key " << key;
}

TEST(Utf8, LengthAndOffsets) {
    const std::string_view s = "a\xC2\xA0"
                               "b";
    EXPECT_EQ(Utf8Length(s), 3);
    EXPECT_EQ(Utf8Offset(s, 2), 3u);
    EXPECT_EQ(Utf8Offset("ab", 9), 2u);
}

TEST(FloatFormat, Patterns) {
    // In order: fixed places (halves go away from zero, 1.005 is stored a little below);
    // optional placeholders (no separator without fraction digits, extra integer digits go to
    // the first placeholder); thousand separators; sections (a value rounding to zero takes the
    // zero section, no minus before a zero, an empty negative section or a missing zero
    // section uses the first, a quoted ";" does not split); literals and quotes (an unclosed
    // quote runs to the end); scientific; the general text for no pattern and from 18 digits
    // on (18 digits are still fixed).
    using Case = std::tuple<std::string_view, double, std::string_view>;
    auto check = [](const auto& cases) {
        for (const auto& [pattern, value, want] : cases)
            EXPECT_EQ(FormatFloat(pattern, value, CLocaleInfo()), want) << pattern << " " << value;
    };
    const Case cases1[] = {
        {"0.00", 12.5, "12.50"},  {"0.00", 0.0, "0.00"},    {"0.000", 1.5, "1.500"},
        {"0", 12.5, "13"},        {"0", 2.5, "3"},          {"0", -2.5, "-3"},
        {"0.00", 0.125, "0.13"},  {"0.00", 1.005, "1.00"},  {"0.00", kSum03, "0.30"},
        {"0.00", 9.999, "10.00"}, {"000", 7.0, "007"},      {"0.00", 0.05, "0.05"},
        {"0.0", 0.05, "0.1"},     {"#.##", 1.0, "1"},       {"#.##", 1.5, "1.5"},
        {"#.##", 0.5, ".5"},      {"#.##", 0.05, ".05"},    {"0.#0", 1.0, "1.00"},
        {"0.0#", 1.234, "1.23"},  {"0.0#", 1.2, "1.2"},     {"#0.00", 3.0, "3.00"},
        {"0.", 5.0, "5"},         {".00", 12.5, "12.50"},   {",0", 999, "999"},
        {",0", 1000, "1,000"},    {",0.", 1234.5, "1,235"}, {"0.00", -0.001, "0.00"},
        {"'a;b'0", 1.0, "a;b1"},  {"$0.00", 3.0, "$3.00"},  {"'#'0", 3.0, "#3"},
        {"\"0.\"0", 3.0, "0.3"},  {"0-0", 12.0, "1-2"},     {"abc", 5.0, "abc"},
        {"abc", -5.0, "-abc"},    {"0E+0", 9.6, "1E+1"},    {"", 2500.5, "2500.5"},
        {"", -1e20, "-1E20"},     {"0.00", 1e20, "1E20"},   {"0", 1e18, "1E18"},
        {"0.00", kInf, "INF"},    {"0.00", kNaN, "NAN"}};
    const Case cases2[] = {{"0.00", -12.5, "-12.50"},         {"#,##0", 123456, "123,456"},
                           {",0.00", -1234.5, "-1,234.50"},   {"0.00;;\"-\"", -3.0, "-3.00"},
                           {"0.00;-0.00", 0.0, "0.00"},       {"0.00;-'<'0.00", -2.0, "-<2.00"},
                           {"0.00 kr", 3.0, "3.00 kr"},       {"0.00E+00", 1234, "1.23E+03"},
                           {"0.00E+00", 0.00012, "1.20E-04"}, {"0.00E-00", 1234, "1.23E03"},
                           {"0.##e+0", 1500, "1.5e+3"},       {"0.00E+00", 0.0, "0.00E+00"},
                           {"00.0E+0", 12345, "12.3E+3"},     {";0.00", 2500.5, "2500.5"}};
    const Case cases3[] = {
        {",0.00", 1234567.891, "1,234,567.89"},   {"0.00;(0.00);\"zero\"", 5.0, "5.00"},
        {"0.00;(0.00);\"zero\"", -5.0, "(5.00)"}, {"0.00;(0.00);\"zero\"", 0.0, "zero"},
        {"0.00;(0.00);\"zero\"", -0.001, "zero"}, {"0.00;(0.00);\"zero\"", 0.001, "zero"},
        {"0'unclosed;0", 1.0, "1unclosed;0"}};
    check(cases1);
    check(cases2);
    check(cases3);
    EXPECT_EQ(FormatFloat("#", 0, CLocaleInfo()), "");
    EXPECT_EQ(FormatFloat("0", 123456789012345678.0, CLocaleInfo()), "123456789012345680");
    EXPECT_EQ(FormatFloat(",0.00", 1234567.891, Comma()), "1.234.567,89");
}

TEST(CurrencyFormat, BuiltFromTheLocale) {
    // symbol, currency format, decimals, pattern; the symbol is quoted where it holds a
    // pattern character.
    using Case = std::tuple<std::string, int, int, std::string_view>;
    const Case cases[] = {{"$", 0, 2, "$,0.00;-$,0.00"},      {"kr", 3, 2, ",0.00 kr;-,0.00 kr"},
                          {"kr", 1, 2, ",0.00kr;-,0.00kr"},   {"kr", 2, 2, "kr ,0.00;-kr ,0.00"},
                          {"kr", 7, 2, ",0.00;-,0.00"},       {"kr", 0, 0, "kr,0.;-kr,0."},
                          {"Kr.", 0, 0, "Kr'.',0.;-Kr'.',0."}};
    for (const auto& [symbol, format, decimals, want] : cases) {
        LocaleInfo l;
        l.currencySymbol = symbol;
        l.currencyFormat = format;
        l.currencyDecimals = decimals;
        EXPECT_EQ(BuildDefaultCurrencyFormat(l), want);
    }
    EXPECT_EQ(BuildDefaultCurrencyFormat(CLocaleInfo()), ",0.00;-,0.00");
}

TEST(CurrencyFormat, TheSymbolShowsAsItStands) {
    // Symbols full of pattern characters still give a valid pattern that prints them.
    for (std::string symbol : {"$", "kr.", "a,b", "x;y", "R0", "#", "it's", "\"q\"", "E+", "e-x",
                               "\xE2\x82\xAC", "Fr.'"}) {
        for (int format = 0; format <= 3; ++format) {
            LocaleInfo l;
            l.currencySymbol = symbol;
            l.currencyFormat = format;
            const std::string number = "1,234.50";
            const std::string expected = format == 0   ? symbol + number
                                         : format == 1 ? number + symbol
                                         : format == 2 ? symbol + " " + number
                                                       : number + " " + symbol;
            const std::string pattern = BuildDefaultCurrencyFormat(l);
            EXPECT_EQ(FormatFloat(pattern, 1234.5, l), expected) << pattern;
            EXPECT_EQ(FormatFloat(pattern, -1234.5, l), "-" + expected) << pattern;
        }
    }
    LocaleInfo l = Comma();
    l.currencySymbol = "\xE2\x82\xAC";
    l.currencyFormat = 3;
    EXPECT_EQ(FormatFloat(BuildDefaultCurrencyFormat(l), -1234.5, l), "-1.234,50 \xE2\x82\xAC");
}

TEST(Locale, ProcessLocaleFirstDayAndScopedSettings) {
    const std::string keep = std::setlocale(LC_ALL, nullptr);
    std::setlocale(LC_ALL, "C");
    const LocaleInfo c = ReadProcessLocale();
    std::setlocale(LC_ALL, keep.c_str());
    EXPECT_EQ(c.decimalSeparator, ".");
    EXPECT_EQ(c.thousandSeparator, ",") << "the C locale has none; the fallback is the comma";
    EXPECT_EQ(c.currencySymbol, "");
    EXPECT_EQ(c.currencyDecimals, 2);
    EXPECT_EQ(c.dateSeparator, "/");
    EXPECT_EQ(c.timeSeparator, ":");

    // The locale counts 0 Monday .. 6 Sunday, the date controls 0 Sunday; missing is Monday.
    EXPECT_EQ(FirstDayOfWeek(6), 0);
    EXPECT_EQ(FirstDayOfWeek(0), 1);
    EXPECT_EQ(FirstDayOfWeek(5), 6);
    EXPECT_EQ(FirstDayOfWeek(-3), 1);

    const LocaleInfo before = LocaleSettings::Current();
    {
        ScopedLocale scope(Comma());
        EXPECT_EQ(LocaleSettings::Current(), Comma());
    }
    EXPECT_EQ(LocaleSettings::Current(), before);
}
