#pragma once
// How the command pages read numbers out of their fields, without Qt. Texts are bytes of the
// 8-bit charset.
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace fprn::console {

// A whole number as the pages read one: blanks in front, an optional sign, then decimal digits,
// or "$" and hexadecimal digits; nothing after them. Nothing when the text is not such a number
// or does not fit 32 bits.
std::optional<std::int32_t> ReadInteger(std::string_view text);
inline std::int32_t IntegerOr(std::string_view text, std::int32_t fallback) {
    return ReadInteger(text).value_or(fallback);
}

// The text without blanks at either end.
std::string_view TrimBlanks(std::string_view text);

// The rate of a tax field as its window shows it ("0023"): the number, or 255 (not set) when it
// is none; a field still holding blank characters ("00__") is none.
inline constexpr std::int32_t kRateNotSet = 255;
std::int32_t VatRateField(std::string_view windowText);

// A memory address typed in hexadecimal without a prefix; 0 when the text is not one.
std::int32_t HexAddress(std::string_view text);

// A character of the tax-ID format that is not a digit.
class ConversionError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The tax-ID format: four digits, each a group length of the tax ID, that add up to 0 or 10;
// its value is the four digits read as hexadecimal ("3322" is 0x3322). Nothing when the text
// (trimmed) is shorter than four or its digits add up to anything else; ConversionError for a
// character that is not a digit.
std::optional<std::int32_t> TaxIdFormatValue(std::string_view text);

} // namespace fprn::console
