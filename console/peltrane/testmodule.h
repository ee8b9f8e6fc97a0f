#pragma once
// The language library's test module: the same texts, each starting with its identifier in
// brackets ("[11001] Online"), less a few identifiers, plus texts that try the readers. The
// seven texts the programs fill as patterns (11324, 11363, 11433, 11440, 11444, 11446, 11471)
// carry stray conversions (%n, %x, %p, %*d, a width too large, a lone '%') after their marks.
#include <cstdint>

namespace fprn::peltrane::testmodule {

// Beside the test programs.
inline constexpr char kFile[] = "libpeltrane_marked.so";

// Identifiers the module leaves out: a console caption, the item editor's caption, the last
// printer error text.
inline constexpr std::int32_t kOmitted[] = {11042, 11387, 12189};

// A text of kLongTextSize bytes, the letters a to z over and over.
inline constexpr std::int32_t kLongText = 19000;
inline constexpr std::int32_t kLongTextSize = 2000;
// "broken count" in the buffer, then a count beyond the buffer, or below zero.
inline constexpr std::int32_t kCountTooLarge = 19001;
inline constexpr std::int32_t kCountNegative = 19002;

} // namespace fprn::peltrane::testmodule
