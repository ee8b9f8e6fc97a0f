#include "numbertext.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>

namespace fprn::editcontrols {

namespace {

bool IsContinuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string RemoveAll(std::string_view text, std::string_view what) {
    std::string out;
    if (what.empty()) return std::string(text);
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t hit = text.find(what, pos);
        if (hit == std::string_view::npos) {
            out.append(text.substr(pos));
            break;
        }
        out.append(text.substr(pos, hit - pos));
        pos = hit + what.size();
    }
    return out;
}

// Compares 0.a with 0.b, both digit strings without trailing zeros.
int CompareFraction(std::string_view a, std::string_view b) {
    int c = a.compare(b);
    return c < 0 ? -1 : c > 0 ? 1 : 0;
}

} // namespace

int Utf8Length(std::string_view text) {
    int n = 0;
    for (char c : text)
        if (!IsContinuation(c)) ++n;
    return n;
}

std::size_t Utf8Offset(std::string_view text, int chars) {
    std::size_t i = 0;
    int seen = 0;
    while (i < text.size()) {
        if (!IsContinuation(text[i])) {
            if (seen == chars) return i;
            ++seen;
        }
        ++i;
    }
    return text.size();
}

bool ParseNumberGrammar(std::string_view text, double& value, const LocaleInfo& locale) {
    value = 0;
    const std::string_view dec = locale.decimalSeparator;
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n && text[i] == ' ') ++i;
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    std::string mantissa;
    std::int64_t fractionDigits = 0;
    bool seen = false;
    while (i < n && IsDigit(text[i])) {
        mantissa.push_back(text[i++]);
        seen = true;
    }
    if (!dec.empty() && text.substr(i, dec.size()) == dec) {
        i += dec.size();
        seen = true;
        while (i < n && IsDigit(text[i])) {
            mantissa.push_back(text[i++]);
            ++fractionDigits;
        }
    }
    if (!seen) return false;
    std::int64_t exponent = 0;
    if (i < n && (text[i] == 'E' || text[i] == 'e')) {
        ++i;
        bool expNegative = false;
        if (i < n && (text[i] == '+' || text[i] == '-')) expNegative = text[i++] == '-';
        while (i < n && IsDigit(text[i])) {
            // Far beyond any double; saturating keeps the arithmetic below in range.
            if (exponent < 1000000000) exponent = exponent * 10 + (text[i] - '0');
            ++i;
        }
        if (expNegative) exponent = -exponent;
    }
    while (i < n && text[i] == ' ') ++i;
    if (i != n) return false;

    // value = 0.<digits> * 10^e10, digits without leading or trailing zeros.
    std::size_t lead = mantissa.find_first_not_of('0');
    if (lead == std::string::npos) return true; // zero
    std::int64_t e10 =
        static_cast<std::int64_t>(mantissa.size() - lead) - fractionDigits + exponent;
    std::string digits = mantissa.substr(lead);
    digits.erase(digits.find_last_not_of('0') + 1);
    if (e10 < -323 || (e10 == -323 && CompareFraction(digits, "5") < 0)) return false;
    if (e10 > 309 || (e10 == 309 && CompareFraction(digits, "17") > 0)) return false;

    std::string normal = "0." + digits + "e" + std::to_string(e10);
    double parsed = 0;
    auto res = std::from_chars(normal.data(), normal.data() + normal.size(), parsed);
    if (res.ec != std::errc() || !std::isfinite(parsed)) return false;
    value = negative ? -parsed : parsed;
    return true;
}

bool ParseNumberText(std::string_view text, double& value, const LocaleInfo& locale) {
    return ParseNumberGrammar(RemoveAll(text, locale.thousandSeparator), value, locale);
}

std::string GeneralNumberText(double value, const LocaleInfo& locale) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
    if (value == 0) return "0";
    char buf[64];
    auto res =
        std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific, 14);
    std::string_view sci(buf, static_cast<std::size_t>(res.ptr - buf));
    std::size_t ePos = sci.find('e');
    std::string digits;
    for (char c : sci.substr(0, ePos))
        if (IsDigit(c)) digits.push_back(c);
    int exponent = 0;
    std::string_view expText = sci.substr(ePos + 1);
    if (!expText.empty() && expText[0] == '+') expText.remove_prefix(1);
    std::from_chars(expText.data(), expText.data() + expText.size(), exponent);
    digits.erase(digits.find_last_not_of('0') + 1);

    std::string out = value < 0 ? "-" : "";
    if (exponent >= 15 || exponent < -4) {
        out += digits[0];
        if (digits.size() > 1) out += locale.decimalSeparator + digits.substr(1);
        out += 'E';
        if (exponent < 0) out += '-';
        out += std::to_string(exponent < 0 ? -exponent : exponent);
    } else if (exponent >= 0) {
        const auto intCount = static_cast<std::size_t>(exponent) + 1;
        if (digits.size() <= intCount) {
            out += digits + std::string(intCount - digits.size(), '0');
        } else {
            out += digits.substr(0, intCount) + locale.decimalSeparator + digits.substr(intCount);
        }
    } else {
        out += "0" + locale.decimalSeparator +
               std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
    }
    return out;
}

std::string MapNumericKey(std::string_view key, bool useThousandSeparator,
                          const LocaleInfo& locale) {
    if (useThousandSeparator && key == locale.thousandSeparator) return std::string(key);
    if (key == "," || key == ".") return locale.decimalSeparator;
    return std::string(key);
}

bool AcceptsNumericKey(std::string_view text, int selStart, int selLength, std::string_view key,
                       int decimalPlaces, bool useThousandSeparator, const LocaleInfo& locale) {
    const bool allowed =
        (key.size() == 1 &&
         (IsDigit(key[0]) || key[0] == '+' || key[0] == '-' || key[0] == 'E' || key[0] == 'e')) ||
        key == locale.decimalSeparator || (useThousandSeparator && key == locale.thousandSeparator);
    if (!allowed) return false;

    const int length = Utf8Length(text);
    selStart = std::clamp(selStart, 0, length);
    selLength = std::clamp(selLength, 0, length - selStart);
    std::string s(text);
    const std::size_t from = Utf8Offset(s, selStart);
    s.erase(from, Utf8Offset(s, selStart + selLength) - from);
    if (key == "-" && s.empty()) return true;
    s.insert(from, key);

    const std::size_t decAt = s.find(locale.decimalSeparator);
    if (decAt != std::string::npos) {
        // 1-based character positions, as the fraction rule counts them.
        const int p = Utf8Length(std::string_view(s).substr(0, decAt)) + 1;
        int q = 0;
        for (std::size_t i = 0; i < s.size(); ++i) {
            if (s[i] == 'E' || s[i] == 'e') {
                q = Utf8Length(std::string_view(s).substr(0, i)) + 1;
                break;
            }
        }
        const int fraction = p < q ? q - p - 1 : Utf8Length(s) - p;
        if (fraction > decimalPlaces) return false;
    }
    double ignored = 0;
    return ParseNumberText(s, ignored, locale);
}

} // namespace fprn::editcontrols
