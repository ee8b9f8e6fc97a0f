#include "localeinfo.h"

#include <climits>
#include <clocale>
#include <cstring>
#include <langinfo.h>

namespace fprn::editcontrols {

namespace {

std::string Latin1ToUtf8(std::string_view text) {
    std::string out;
    for (unsigned char c : text) {
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

bool CodesetIsUtf8() {
    const char* cs = nl_langinfo(CODESET);
    return cs && (std::strcmp(cs, "UTF-8") == 0 || std::strcmp(cs, "utf8") == 0);
}

std::string LocaleText(const char* raw, bool utf8) {
    if (!raw) return {};
    return utf8 ? std::string(raw) : Latin1ToUtf8(raw);
}

// Length of the first UTF-8 character of `s` (1 for a stray byte).
std::size_t FirstCharLength(std::string_view s) {
    if (s.empty()) return 0;
    auto lead = static_cast<unsigned char>(s[0]);
    std::size_t n = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    return n <= s.size() ? n : 1;
}

// One character, or empty when the locale gives none.
std::string OneChar(std::string text) {
    if (text == "\xE2\x80\xAF") return "\xC2\xA0"; // narrow no-break space
    return text.substr(0, FirstCharLength(text));
}

// The first character of a date or time format that is not part of a conversion.
std::string SeparatorOf(const char* format, bool utf8, const char* fallback) {
    if (!format) return fallback;
    std::string f = LocaleText(format, utf8);
    for (std::size_t i = 0; i < f.size();) {
        char c = f[i];
        if (c == '%') {
            i += 2;
            // Modifiers such as %Ey or %-d take one character more.
            if (i <= f.size() && (f[i - 1] == 'E' || f[i - 1] == 'O' || f[i - 1] == '-')) ++i;
            continue;
        }
        if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
            c == ' ') {
            ++i;
            continue;
        }
        return f.substr(i, FirstCharLength(std::string_view(f).substr(i)));
    }
    return fallback;
}

LocaleInfo& Stored() {
    static LocaleInfo info = ReadProcessLocale();
    return info;
}

bool follow = true;

} // namespace

LocaleInfo CLocaleInfo() {
    return LocaleInfo{};
}

LocaleInfo ReadProcessLocale() {
    LocaleInfo info;
    const bool utf8 = CodesetIsUtf8();
    const lconv* lc = std::localeconv();
    if (lc) {
        std::string dec = OneChar(LocaleText(lc->decimal_point, utf8));
        std::string tho = OneChar(LocaleText(lc->thousands_sep, utf8));
        if (dec.empty()) dec = ".";
        if (tho.empty() || tho == dec) tho = dec == "," ? "." : ",";
        info.decimalSeparator = dec;
        info.thousandSeparator = tho;
        info.currencySymbol = LocaleText(lc->currency_symbol, utf8);
        if (lc->frac_digits != CHAR_MAX && lc->frac_digits >= 0 && lc->frac_digits <= 9)
            info.currencyDecimals = lc->frac_digits;
        const bool precedes = lc->p_cs_precedes != CHAR_MAX ? lc->p_cs_precedes != 0 : true;
        const bool space = lc->p_sep_by_space != CHAR_MAX ? lc->p_sep_by_space != 0 : false;
        info.currencyFormat = precedes ? (space ? 2 : 0) : (space ? 3 : 1);
    }
    info.dateSeparator = SeparatorOf(nl_langinfo(D_FMT), utf8, "/");
    info.timeSeparator = SeparatorOf(nl_langinfo(T_FMT), utf8, ":");
#ifdef _NL_TIME_FIRST_WEEKDAY
    // 1 stands for the first day of the locale's base week, a Sunday.
    const char* first = nl_langinfo(_NL_TIME_FIRST_WEEKDAY);
    if (first && first[0] >= 1 && first[0] <= 7) info.firstDayOfWeekValue = (first[0] + 5) % 7;
#endif
    return info;
}

int FirstDayOfWeek(int localeValue) {
    if (localeValue < 0 || localeValue > 6) localeValue = 0;
    return (localeValue + 1) % 7;
}

const LocaleInfo& LocaleSettings::Current() {
    return Stored();
}

void LocaleSettings::Set(const LocaleInfo& info) {
    Stored() = info;
}

void LocaleSettings::Refresh() {
    Stored() = ReadProcessLocale();
}

bool LocaleSettings::FollowsLocaleChanges() {
    return follow;
}

void LocaleSettings::SetFollowsLocaleChanges(bool value) {
    follow = value;
}

ScopedLocale::ScopedLocale(const LocaleInfo& info) : saved_(LocaleSettings::Current()) {
    LocaleSettings::Set(info);
}

ScopedLocale::~ScopedLocale() {
    LocaleSettings::Set(saved_);
}

} // namespace fprn::editcontrols
