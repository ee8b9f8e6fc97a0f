#pragma once
// The emulator's side of the command frame: reply frames with a chosen sequence byte (and,
// on request, a deliberate fault), and the cutting of the received byte stream into stretches
// between 0xC0 delimiters.
#include "bytes.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace fprn::emu {

// A deliberate fault in a reply frame; the driver must ignore such a frame.
enum class Corruption {
    None,
    BadChecksum,  // checksum byte inverted
    BrokenEscape, // a 0xDB followed by a byte that is no escape
    WrongMarker,  // 0xAA 0x56 in place of 0xAA 0x55, checksum matching the wrong body
};

// 0xC0, the stuffed body (sequence, 0xAA 0x55, payload, checksum), one closing 0xC0.
Bytes EncodeReply(std::uint8_t sequence, BytesView payload,
                  Corruption corruption = Corruption::None);

// The command text of a received stretch (without delimiters), or nothing when the frame is
// not sound. Unlike ParseFrame alone it also reads frames with a short or empty text.
std::optional<Bytes> CommandText(BytesView raw);

// One stretch of received bytes that a 0xC0 closed, still stuffed, without its delimiters.
struct Stretch {
    Bytes raw;
    bool overflow = false; // longer than FrameCollector::kMaxStretch; `raw` holds the start
};

// Collects received bytes across reads. Runs of 0xC0 only delimit; every non-empty run of
// other bytes that a 0xC0 ends is a stretch, whatever it holds (junk included).
class FrameCollector {
public:
    // No command is anywhere near this long; the bound keeps line noise from growing memory.
    static constexpr std::size_t kMaxStretch = 4096;

    std::vector<Stretch> Feed(BytesView bytes);

private:
    Stretch current_;
};

} // namespace fprn::emu
