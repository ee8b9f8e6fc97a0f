#include "floatformat.h"

#include "numbertext.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <vector>

namespace fprn::editcontrols {

namespace {

// value = 0.<digits> * 10^exponent; digits without leading or trailing zeros, empty for zero.
struct Decimal {
    std::string digits;
    int exponent = 0;
};

Decimal ToDecimal(double magnitude) {
    Decimal d;
    if (magnitude == 0) return d;
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, magnitude, std::chars_format::scientific, 17);
    std::string_view sci(buf, static_cast<std::size_t>(res.ptr - buf));
    std::size_t ePos = sci.find('e');
    for (char c : sci.substr(0, ePos))
        if (c >= '0' && c <= '9') d.digits.push_back(c);
    std::string_view expText = sci.substr(ePos + 1);
    if (!expText.empty() && expText[0] == '+') expText.remove_prefix(1);
    int e = 0;
    std::from_chars(expText.data(), expText.data() + expText.size(), e);
    d.exponent = e + 1;
    d.digits.erase(d.digits.find_last_not_of('0') + 1);
    return d;
}

// Keeps `count` leading digits, rounding half away from zero.
Decimal RoundDigits(Decimal d, int count) {
    if (d.digits.empty() || count >= static_cast<int>(d.digits.size())) return d;
    if (count < 0) return {};
    const bool up = d.digits[static_cast<std::size_t>(count)] >= '5';
    d.digits.resize(static_cast<std::size_t>(count));
    if (up) {
        int i = count - 1;
        while (i >= 0 && d.digits[static_cast<std::size_t>(i)] == '9') {
            d.digits[static_cast<std::size_t>(i)] = '0';
            --i;
        }
        if (i < 0) {
            d.digits.insert(d.digits.begin(), '1');
            ++d.exponent;
        } else {
            ++d.digits[static_cast<std::size_t>(i)];
        }
    }
    d.digits.erase(d.digits.find_last_not_of('0') + 1);
    if (d.digits.empty()) d.exponent = 0;
    return d;
}

// Splits at ";" outside quotes; an unclosed quote runs to the end of the pattern.
std::vector<std::string_view> Sections(std::string_view pattern) {
    std::vector<std::string_view> out;
    std::size_t start = 0;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        char c = pattern[i];
        if (c == '\'' || c == '"') {
            std::size_t close = pattern.find(c, i + 1);
            i = close == std::string_view::npos ? pattern.size() : close;
        } else if (c == ';') {
            out.push_back(pattern.substr(start, i - start));
            start = i + 1;
        }
    }
    out.push_back(pattern.substr(std::min(start, pattern.size())));
    return out;
}

bool IsExponentAt(std::string_view s, std::size_t i) {
    return (s[i] == 'E' || s[i] == 'e') && i + 1 < s.size() && (s[i + 1] == '+' || s[i + 1] == '-');
}

struct Layout {
    int digitCount = 0;
    int decimalIndex = -1;
    int firstZero = -1; // index of the first "0" placeholder
    int lastZero = 0;   // 1-based index of the last "0" placeholder
    bool thousands = false;
    bool scientific = false;
};

Layout Scan(std::string_view s) {
    Layout l;
    for (std::size_t i = 0; i < s.size(); ++i) {
        char c = s[i];
        if (c == '\'' || c == '"') {
            std::size_t close = s.find(c, i + 1);
            i = close == std::string_view::npos ? s.size() : close;
        } else if (c == '0' || c == '#') {
            if (c == '0' && l.firstZero < 0) l.firstZero = l.digitCount;
            ++l.digitCount;
            if (c == '0') l.lastZero = l.digitCount;
        } else if (c == '.') {
            if (l.decimalIndex < 0) l.decimalIndex = l.digitCount;
        } else if (c == ',') {
            l.thousands = true;
        } else if (IsExponentAt(s, i)) {
            l.scientific = true;
            i += 2;
            while (i < s.size() && s[i] == '0') ++i;
            --i;
        }
    }
    if (l.decimalIndex < 0) l.decimalIndex = l.digitCount;
    return l;
}

class Writer {
public:
    Writer(const Layout& l, const Decimal& d, const LocaleInfo& locale)
        : layout_(l), d_(d), locale_(locale) {
        // Placeholders up to this many places before the point always show a digit.
        firstDigit_ = l.firstZero < 0 ? 0 : std::max(0, l.decimalIndex - l.firstZero);
        lastDigit_ = std::min(0, l.decimalIndex - l.lastZero);
        if (l.scientific) {
            place_ = l.decimalIndex;
            delta_ = 0;
            exponent_ = d.digits.empty() ? 0 : d.exponent - l.decimalIndex;
        } else {
            place_ = std::max(d.exponent, l.decimalIndex);
            delta_ = d.exponent - l.decimalIndex;
        }
    }

    void Placeholder() {
        if (delta_ < 0) {
            ++delta_;
            if (place_ <= firstDigit_) {
                Write('0');
            } else {
                --place_;
            }
        } else {
            while (delta_ > 0) {
                Next();
                --delta_;
            }
            Next();
        }
    }

    void Exponent(char letter, char sign, int minDigits) {
        out_ += letter;
        if (exponent_ < 0) {
            out_ += '-';
        } else if (sign == '+') {
            out_ += '+';
        }
        std::string e = std::to_string(exponent_ < 0 ? -exponent_ : exponent_);
        if (static_cast<int>(e.size()) < minDigits)
            e.insert(0, static_cast<std::size_t>(minDigits) - e.size(), '0');
        out_ += e;
    }

    void Literal(std::string_view s) { out_ += s; }
    std::string& Out() { return out_; }

private:
    void Next() {
        if (used_ < d_.digits.size()) {
            Write(d_.digits[used_++]);
        } else if (place_ > lastDigit_) {
            Write('0');
        }
    }

    void Write(char digit) {
        if (place_ == 0) out_ += locale_.decimalSeparator;
        out_ += digit;
        --place_;
        if (layout_.thousands && !layout_.scientific && place_ > 0 && place_ % 3 == 0)
            out_ += locale_.thousandSeparator;
    }

    const Layout& layout_;
    const Decimal& d_;
    const LocaleInfo& locale_;
    int firstDigit_ = 0;
    int lastDigit_ = 0;
    int place_ = 0;
    int delta_ = 0;
    int exponent_ = 0;
    std::size_t used_ = 0;
    std::string out_;
};

std::string Apply(std::string_view s, const Layout& l, const Decimal& d, bool minus,
                  const LocaleInfo& locale) {
    Writer w(l, d, locale);
    if (minus) w.Literal("-");
    for (std::size_t i = 0; i < s.size(); ++i) {
        char c = s[i];
        if (c == '\'' || c == '"') {
            std::size_t close = s.find(c, i + 1);
            if (close == std::string_view::npos) close = s.size();
            w.Literal(s.substr(i + 1, close - i - 1));
            i = close;
        } else if (c == '0' || c == '#') {
            w.Placeholder();
        } else if (c == '.' || c == ',') {
            // Positions only; the writer places the separators.
        } else if (IsExponentAt(s, i)) {
            const char letter = c;
            const char sign = s[i + 1];
            i += 2;
            int zeros = 0;
            while (i < s.size() && s[i] == '0') {
                ++zeros;
                ++i;
            }
            --i;
            w.Exponent(letter, sign, std::min(zeros, 4));
        } else {
            w.Literal(s.substr(i, 1));
        }
    }
    return std::move(w.Out());
}

Decimal Digits(double magnitude, const Layout& l) {
    Decimal d = ToDecimal(magnitude);
    if (l.scientific) return RoundDigits(d, std::clamp(l.digitCount, 1, 18));
    return RoundDigits(d, d.exponent + (l.digitCount - l.decimalIndex));
}

} // namespace

std::string FormatFloat(std::string_view pattern, double value, const LocaleInfo& locale) {
    if (!std::isfinite(value)) return GeneralNumberText(value, locale);
    const std::vector<std::string_view> sections = Sections(pattern);
    auto section = [&](std::size_t index) -> std::string_view {
        return index < sections.size() ? sections[index] : std::string_view();
    };
    if (section(0).empty()) return GeneralNumberText(value, locale);

    std::size_t index = value > 0 ? 0 : value < 0 ? 1 : 2;
    if (section(index).empty()) index = 0;
    Layout layout = Scan(section(index));
    Decimal digits = Digits(std::fabs(value), layout);
    if (!layout.scientific && digits.exponent > 18) return GeneralNumberText(value, locale);
    if (digits.digits.empty() && value != 0) {
        index = section(2).empty() ? 0 : 2;
        layout = Scan(section(index));
        digits = {};
    }
    const bool minus = value < 0 && index == 0 && !digits.digits.empty();
    return Apply(section(index), layout, digits, minus, locale);
}

std::string QuoteCurrencySymbol(std::string_view symbol) {
    std::string out;
    for (std::size_t i = 0; i < symbol.size(); ++i) {
        const char c = symbol[i];
        switch (c) {
        case ',':
        case '.':
        case ';':
        case '0':
        case '#':
        case '"':
            out += '\'';
            out += c;
            out += '\'';
            break;
        case '\'':
            out += "\"'\"";
            break;
        case 'E':
        case 'e':
            if (i + 1 < symbol.size() && (symbol[i + 1] == '+' || symbol[i + 1] == '-')) {
                out += '\'';
                out += c;
                out += '\'';
            } else {
                out += c;
            }
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string BuildDefaultCurrencyFormat(const LocaleInfo& locale) {
    const int decimals = std::clamp(locale.currencyDecimals, 0, 18);
    std::string number = ",0." + std::string(static_cast<std::size_t>(decimals), '0');
    const std::string symbol = QuoteCurrencySymbol(locale.currencySymbol);
    std::string joined = number;
    if (!symbol.empty()) {
        switch (locale.currencyFormat) {
        case 0:
            joined = symbol + number;
            break;
        case 1:
            joined = number + symbol;
            break;
        case 2:
            joined = symbol + " " + number;
            break;
        case 3:
            joined = number + " " + symbol;
            break;
        default:
            break;
        }
    }
    return joined + ";-" + joined;
}

} // namespace fprn::editcontrols
