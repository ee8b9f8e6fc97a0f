#include "textformat.h"

#include <charconv>
#include <cmath>

namespace fprn::fmt {

namespace {

// Magnitude of a value as unsigned, safe for INT64_MIN.
std::uint64_t Magnitude(std::int64_t value) {
    return value < 0 ? std::uint64_t{0} - static_cast<std::uint64_t>(value)
                     : static_cast<std::uint64_t>(value);
}

Bytes Digits(std::uint64_t magnitude) {
    char buf[24];
    auto res = std::to_chars(buf, buf + sizeof buf, magnitude);
    return Bytes(buf, res.ptr);
}

std::string DoubleText(double value) {
    char buf[40];
    auto res = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, res.ptr);
}

} // namespace

Bytes Dec(std::int64_t value) {
    return DecMin(value, 1);
}

Bytes DecMin(std::int64_t value, int digits) {
    Bytes d = Digits(Magnitude(value));
    Bytes out;
    if (value < 0) out.push_back('-');
    if (digits > 0 && d.size() < static_cast<std::size_t>(digits))
        out.append(static_cast<std::size_t>(digits) - d.size(), '0');
    out += d;
    return out;
}

Bytes HexMin(std::uint32_t value, int digits) {
    char buf[16];
    auto res = std::to_chars(buf, buf + sizeof buf, value, 16);
    Bytes h(buf, res.ptr);
    for (char& c : h)
        if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
    if (digits > 0 && h.size() < static_cast<std::size_t>(digits))
        h.insert(0, static_cast<std::size_t>(digits) - h.size(), '0');
    return h;
}

Bytes RightExact(BytesView text, std::size_t width) {
    if (text.size() >= width) return Bytes(text.substr(0, width));
    Bytes out(width - text.size(), ' ');
    out.append(text);
    return out;
}

Bytes LeftExact(BytesView text, std::size_t width) {
    if (text.size() >= width) return Bytes(text.substr(0, width));
    Bytes out(text);
    out.append(width - text.size(), ' ');
    return out;
}

Bytes LeftMin(BytesView text, std::size_t width) {
    Bytes out(text);
    if (out.size() < width) out.append(width - out.size(), ' ');
    return out;
}

std::int64_t ScaleRound(double value, int factor, std::string_view what) {
    if (!std::isfinite(value))
        throw ArgumentError("Invalid " + std::string(what) + ": " + DoubleText(value));
    // A 53-bit mantissa times a factor of at most 1000 fits the 64-bit mantissa of long
    // double exactly, so the rounding below sees the double's true excess or shortfall.
    long double product = static_cast<long double>(value) * factor;
    long double floor = std::floor(product);
    long double frac = product - floor;
    long double rounded = floor;
    if (frac > 0.5L || (frac == 0.5L && std::fmod(floor, 2.0L) != 0)) rounded = floor + 1;
    // 2^63 is the first value outside int64.
    constexpr long double kLimit = 9223372036854775808.0L;
    if (rounded >= kLimit || rounded < -kLimit)
        throw ArgumentError(std::string(what) + " out of range: " + DoubleText(value));
    return static_cast<std::int64_t>(rounded);
}

std::int64_t ScaleRoundField(double value, int factor, int digits, std::string_view what) {
    std::int64_t scaled = ScaleRound(value, factor, what);
    // The printer reads these fields at fixed places: a minus sign in front of the digits
    // would move every field behind it.
    if (scaled < 0)
        throw ArgumentError(std::string(what) + " out of range: " + DoubleText(value) +
                            " is negative and its " + std::to_string(digits) +
                            "-digit field has no room for a sign");
    if (Digits(Magnitude(scaled)).size() > static_cast<std::size_t>(digits))
        throw ArgumentError(std::string(what) + " out of range: " + DoubleText(value) +
                            " needs more than " + std::to_string(digits) + " digits");
    return scaled;
}

} // namespace fprn::fmt
