#include "language.h"

#include <cctype>
#include <cstdint>

namespace fprn::lang {

namespace {

constexpr int kMaxField = 1023;

// Reads decimal digits at `pos`; -1 when they are there but exceed kMaxField, -2 when none.
int ReadNumber(std::string_view text, std::size_t& pos) {
    if (pos >= text.size() || !std::isdigit(static_cast<unsigned char>(text[pos]))) return -2;
    int value = 0;
    bool tooLarge = false;
    while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos]))) {
        if (!tooLarge) value = value * 10 + (text[pos] - '0');
        if (value > kMaxField) tooLarge = true;
        ++pos;
    }
    return tooLarge ? -1 : value;
}

std::string Digits(std::int64_t value, int precision) {
    // Through the unsigned magnitude: the lowest value has no positive counterpart.
    std::uint64_t magnitude =
        value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    std::string digits;
    do {
        digits.insert(digits.begin(), static_cast<char>('0' + magnitude % 10));
        magnitude /= 10;
    } while (magnitude != 0);
    if (precision == 0 && value == 0) digits.clear();
    if (static_cast<int>(digits.size()) < precision)
        digits.insert(0, static_cast<std::size_t>(precision) - digits.size(), '0');
    if (value < 0) digits.insert(digits.begin(), '-');
    return digits;
}

} // namespace

std::string FormatLanguageText(std::string_view pattern, std::span<const FormatArg> args) {
    std::string out;
    auto next = args.begin();
    std::size_t pos = 0;
    while (pos < pattern.size()) {
        char c = pattern[pos];
        if (c != '%') {
            out.push_back(c);
            ++pos;
            continue;
        }
        std::size_t start = pos++;
        if (pos < pattern.size() && pattern[pos] == '%') {
            out.push_back('%');
            ++pos;
            continue;
        }
        bool left = pos < pattern.size() && pattern[pos] == '-';
        if (left) ++pos;
        int width = ReadNumber(pattern, pos);
        int precision = -2;
        bool sound = width != -1;
        if (sound && pos < pattern.size() && pattern[pos] == '.') {
            ++pos;
            precision = ReadNumber(pattern, pos);
            if (precision == -2) precision = 0; // "%.d" as printf reads it
            sound = precision != -1;
        }
        char conversion = pos < pattern.size() ? pattern[pos] : '\0';
        if (!sound || (conversion != 'd' && conversion != 's')) {
            // Not ours: the text so far stands as it is, and reading goes on after it.
            out.append(pattern.substr(start, pos - start));
            continue;
        }
        ++pos;
        std::string_view written = pattern.substr(start, pos - start);
        if (next == args.end()) {
            out.append(written);
            continue;
        }
        const FormatArg& arg = *next++;
        std::string field;
        if (conversion == 'd') {
            const auto* number = std::get_if<std::int64_t>(&arg);
            if (number == nullptr) {
                out.append(written);
                continue;
            }
            field = Digits(*number, precision);
        } else {
            const auto* text = std::get_if<std::string_view>(&arg);
            if (text == nullptr) {
                out.append(written);
                continue;
            }
            field = precision >= 0
                        ? std::string(text->substr(0, static_cast<std::size_t>(precision)))
                        : std::string(*text);
        }
        if (width > 0 && static_cast<int>(field.size()) < width) {
            std::size_t pad = static_cast<std::size_t>(width) - field.size();
            if (left)
                field.append(pad, ' ');
            else
                field.insert(0, pad, ' ');
        }
        out += field;
    }
    return out;
}

} // namespace fprn::lang
