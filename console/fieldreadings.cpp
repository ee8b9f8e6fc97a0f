#include "fieldreadings.h"

#include <limits>

namespace fprn::console {

namespace {

int DigitValue(char c, int base) {
    int v = c >= '0' && c <= '9'   ? c - '0'
            : c >= 'a' && c <= 'f' ? c - 'a' + 10
            : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                   : 99;
    return v < base ? v : -1;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

} // namespace

std::optional<std::int32_t> ReadInteger(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    int base = 10;
    if (i < text.size() && text[i] == '$') {
        base = 16;
        ++i;
    }
    if (i == text.size()) return std::nullopt;
    std::int64_t value = 0;
    constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
    for (; i < text.size(); ++i) {
        int digit = DigitValue(text[i], base);
        if (digit < 0) return std::nullopt;
        value = value * base + digit;
        if (value > kMax + 1) return std::nullopt;
    }
    if (negative) value = -value;
    if (value > kMax) return std::nullopt;
    return static_cast<std::int32_t>(value);
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

std::int32_t VatRateField(std::string_view windowText) {
    return IntegerOr(windowText, kRateNotSet);
}

std::int32_t HexAddress(std::string_view text) {
    return IntegerOr("$" + std::string(TrimBlanks(text)), 0);
}

std::optional<std::int32_t> TaxIdFormatValue(std::string_view text) {
    std::string_view format = TrimBlanks(text);
    int sum = 0;
    for (char c : format) {
        if (c < '0' || c > '9')
            throw ConversionError("'" + std::string(1, c) + "' in the tax ID format is no digit");
        sum += c - '0';
    }
    if (format.size() < 4 || (sum != 0 && sum != 10)) return std::nullopt;
    return IntegerOr("$" + std::string(format), 0);
}

} // namespace fprn::console
