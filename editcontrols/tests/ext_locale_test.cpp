#include "localeinfo.h"

#include <gtest/gtest.h>

#include <clocale>

using namespace fprn::editcontrols;

TEST(Locale, CProcessLocale) {
    const char* saved = std::setlocale(LC_ALL, nullptr);
    const std::string keep = saved ? saved : "C";
    std::setlocale(LC_ALL, "C");
    const LocaleInfo l = ReadProcessLocale();
    std::setlocale(LC_ALL, keep.c_str());
    EXPECT_EQ(l.decimalSeparator, ".");
    EXPECT_EQ(l.thousandSeparator, ",") << "the C locale has none; the fallback is the comma";
    EXPECT_EQ(l.currencySymbol, "");
    EXPECT_EQ(l.currencyDecimals, 2);
    EXPECT_EQ(l.dateSeparator, "/");
    EXPECT_EQ(l.timeSeparator, ":");
    EXPECT_NE(l.decimalSeparator, l.thousandSeparator);
}

TEST(Locale, FirstDayOfWeek) {
    EXPECT_EQ(FirstDayOfWeek(6), 0) << "week starting on Sunday";
    EXPECT_EQ(FirstDayOfWeek(0), 1) << "week starting on Monday";
    EXPECT_EQ(FirstDayOfWeek(5), 6);
    EXPECT_EQ(FirstDayOfWeek(-3), 1) << "a missing value reads as Monday";
}

TEST(Locale, InjectedSettingsAreScoped) {
    LocaleInfo german;
    german.decimalSeparator = ",";
    german.thousandSeparator = ".";
    german.currencySymbol = "\xE2\x82\xAC";
    german.currencyFormat = 3;
    const LocaleInfo before = LocaleSettings::Current();
    {
        ScopedLocale scope(german);
        EXPECT_EQ(LocaleSettings::Current(), german);
    }
    EXPECT_EQ(LocaleSettings::Current(), before);
}
