#pragma once
// The few format conversions the command texts use, spelled out so that no caller text is
// ever used as a format string and no C locale setting can change a digit.
#include "bytes.h"

#include <cstdint>
#include <stdexcept>

namespace fprn {

// An argument that cannot become a command text (NaN, infinite or too large for its field).
class ArgumentError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

namespace fmt {

// "%d" and "%1d": decimal, a leading "-" when negative.
Bytes Dec(std::int64_t value);
// "%.Nd", "%0.Nd", "%N.Nd": at least `digits` digits, zeros on the left, the sign not counted;
// longer numbers are not cut.
Bytes DecMin(std::int64_t value, int digits);
// "%.Nx": at least `digits` upper-case hexadecimal digits of the 32-bit value.
Bytes HexMin(std::uint32_t value, int digits);
// "%N.Ns": exactly `width` bytes, cut or preceded by blanks.
Bytes RightExact(BytesView text, std::size_t width);
// "%-N.Ns": exactly `width` bytes, cut or followed by blanks.
Bytes LeftExact(BytesView text, std::size_t width);
// "%-Ns": followed by blanks up to at least `width` bytes, never cut.
Bytes LeftMin(BytesView text, std::size_t width);

// value * factor in extended precision, rounded to the nearest integer, halves to even.
// Throws ArgumentError (naming `what`) for NaN, infinities and results outside int64.
std::int64_t ScaleRound(double value, int factor, std::string_view what);
// As ScaleRound, and refuses a negative result or one that needs more than `digits` digits,
// so a fixed-width field never grows.
std::int64_t ScaleRoundField(double value, int factor, int digits, std::string_view what);

} // namespace fmt
} // namespace fprn
