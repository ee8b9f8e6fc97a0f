// The sale pages' number readings, rounding, tax amount and slot choice.
#include "localeinfo.h"
#include "saleline.h"

#include <gtest/gtest.h>

#include <cmath>

namespace fprn::console {
namespace {

TEST(SaleLine, RoundDecimalsThroughEighteenDigits) {
    const struct {
        int n;
        double x, rounded;
    } cases[] = {{2, 3.375, 3.38},   {2, 2.675, 2.67}, {2, -1.005, -1.0},
                 {2, -3.375, -3.38}, {2, 0.125, 0.13}, {0, 2.5, 3},
                 {3, 1.0625, 1.063}, {2, 1e20, 1e20},  {2, -0.004, 0}};
    for (const auto& c : cases) EXPECT_EQ(RoundDecimals(c.n, c.x), c.rounded) << c.x;
    EXPECT_FALSE(std::signbit(RoundDecimals(2, -0.004))) << "no negative zero";
    EXPECT_TRUE(std::isnan(RoundDecimals(2, std::nan(""))));
}

TEST(SaleLine, NumbersReadAsTheEditsReadThem) {
    const struct {
        const char* text;
        double value;
    } cases[] = {{"nan", -1},   {"inf", -1},    {"-infinity", -1}, {"0x10", -1},  {"", -1},
                 {"1e3", 1000}, {" 2.5 ", 2.5}, {"1,5", -1},       {"-.5", -0.5}, {"1e999", -1}};
    for (const auto& c : cases) EXPECT_EQ(StrToFloatDefault(c.text, -1), c.value) << c.text;
    editcontrols::LocaleInfo comma = editcontrols::CLocaleInfo();
    comma.decimalSeparator = ",";
    comma.thousandSeparator = ".";
    editcontrols::ScopedLocale scoped(comma);
    EXPECT_EQ(StrToFloatDefault("1,5", -1), 1.5);
    EXPECT_EQ(StrToFloatDefault("1.5", -1), -1);
    EXPECT_EQ(FloatToStr(10.5), "10,5");
}

TEST(SaleLine, PostponeSlotNeverReplacesAHeldReceipt) {
    const struct {
        int next;
        std::array<bool, 3> held;
        std::optional<int> slot;
    } cases[] = {{1, {false, false, false}, 1}, {2, {true, false, false}, 2},
                 {1, {true, false, false}, 2},  {3, {false, true, true}, 1},
                 {2, {false, true, false}, 3},  {1, {true, true, true}, std::nullopt}};
    for (const auto& c : cases) EXPECT_EQ(ChoosePostponeSlot(c.next, c.held), c.slot) << c.next;
    EXPECT_EQ(SplitStr("AB----3", "---"), (std::vector<std::string>{"AB", "-3"}));
    EXPECT_EQ(SplitStr("---", "---"), (std::vector<std::string>{"", ""}));
}

TEST(SaleLine, TaxOnlyFromTheLettersWithARate) {
    auto line = [](const char* letter, const char* total) {
        return SaleLine{"1", "", total, letter, "X", total, "0", ""};
    };
    const std::array<std::int32_t, 9> rates{23, 8, 255, 0, 0, 0, 0, 0, 5};
    // 2.30 + 0.80; a rate not set, a missing letter and one past I add nothing.
    EXPECT_DOUBLE_EQ(TaxAmount({line("A", "12.30"), line("B", "10.80"), line("C", "50"),
                                line("", "50"), line("J", "50")},
                               rates),
                     3.1);
    EXPECT_DOUBLE_EQ(TaxAmount({line("I", "10.50"), line("A", "nan")}, rates), 0.5);
}

} // namespace
} // namespace fprn::console
