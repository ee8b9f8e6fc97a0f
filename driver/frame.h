#pragma once
// The command frame: sequence byte, 0xAA 0x55 marker, text, checksum, byte-stuffed and
// delimited by 0xC0.
#include "bytes.h"

#include <cstdint>

namespace fprn {

inline constexpr unsigned char kFrameEnd = 0xC0;
inline constexpr unsigned char kFrameEsc = 0xDB;
inline constexpr unsigned char kFrameEscEnd = 0xDC;
inline constexpr unsigned char kFrameEscEsc = 0xDD;

// Advances `sequence` (1..99, wrapping) and returns the frame as it goes on the wire.
// `sequence` is the module state of one loaded driver library.
Bytes BuildFrame(std::uint8_t& sequence, BytesView text);

// Payload of one received stretch (from the opening 0xC0 up to, not including, the closing
// one); empty when the stretch is not a valid frame.
Bytes ParseFrame(BytesView raw);

// Checksum byte of a body: NOT of the 8-bit sum.
std::uint8_t FrameChecksum(BytesView body);

} // namespace fprn
