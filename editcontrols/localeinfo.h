#pragma once
// The locale settings the edits depend on, kept in one place. Texts are UTF-8; each separator
// is exactly one character (possibly several bytes) and the two separators always differ.
#include <string>

namespace fprn::editcontrols {

struct LocaleInfo {
    std::string currencySymbol; // may be empty
    int currencyFormat = 0;     // 0 "$1", 1 "1$", 2 "$ 1", 3 "1 $"
    int currencyDecimals = 2;   // digits after the decimal separator in amounts
    std::string decimalSeparator = ".";
    std::string thousandSeparator = ",";
    std::string dateSeparator = "/";
    std::string timeSeparator = ":";
    // Locale value of the first day of the week: 0 Monday .. 6 Sunday.
    int firstDayOfWeekValue = 6;

    bool operator==(const LocaleInfo&) const = default;
};

// The plain "C" settings: "." and ",", no currency symbol, two decimals.
LocaleInfo CLocaleInfo();

// Reads the process locale of the C library (LC_NUMERIC, LC_MONETARY, LC_TIME: what the
// application object set from the environment at start). Separators that are missing or that
// collide fall back to "." and ","; the narrow no-break space becomes the no-break space.
LocaleInfo ReadProcessLocale();

// The first day of the week as the date controls count it: 0 Sunday, 1..6 Monday..Saturday,
// from the locale value (0 Monday .. 6 Sunday).
int FirstDayOfWeek(int localeValue);

// The settings every edit reads. They are read from the process on first use and again on
// Refresh(); Set() injects other settings (tests, or a host that keeps its own).
class LocaleSettings {
public:
    static const LocaleInfo& Current();
    static void Set(const LocaleInfo& info);
    static void Refresh();
    // Whether edits re-read the settings when the toolkit reports a locale change.
    static bool FollowsLocaleChanges();
    static void SetFollowsLocaleChanges(bool follow);
};

// Makes `info` current for one scope and puts the previous settings back at its end.
class ScopedLocale {
public:
    explicit ScopedLocale(const LocaleInfo& info);
    ~ScopedLocale();
    ScopedLocale(const ScopedLocale&) = delete;
    ScopedLocale& operator=(const ScopedLocale&) = delete;

private:
    LocaleInfo saved_;
};

} // namespace fprn::editcontrols
