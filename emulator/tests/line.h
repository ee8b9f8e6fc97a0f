#pragma once
// The driver's end of the line for the emulator's tests: the pty slave with plain termios
// reads and writes, and a reply splitter written apart from the emulator's own.
#include "bytes.h"
#include "frame.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace fprn::emu::testing {

using Millis = std::chrono::milliseconds;

struct Reply {
    Bytes raw;     // between the delimiters
    Bytes payload; // empty when the frame is not valid
    std::uint8_t sequence = 0;
};

// Splits received bytes at 0xC0 as the driver's receive handler does. Bytes after the last
// 0xC0 are left in `rest`.
std::vector<Reply> SplitReplies(BytesView bytes, Bytes* rest = nullptr);

Bytes B(std::initializer_list<int> bytes);

class Line {
public:
    explicit Line(const std::string& path);
    ~Line();
    Line(const Line&) = delete;
    Line& operator=(const Line&) = delete;

    // Frames `text` with the next sequence number and writes it; returns the number used.
    std::uint8_t Send(BytesView text);
    void SetSequence(std::uint8_t next) { sequence_ = static_cast<std::uint8_t>(next - 1); }
    void Write(BytesView bytes);

    // Reads until `count` frames have been closed by a 0xC0 or `timeout` passes.
    std::vector<Reply> ReadReplies(std::size_t count, Millis timeout = Millis(3000));
    // The payload of the next reply frame (empty on time-out).
    Bytes Ask(BytesView text, Millis timeout = Millis(3000));
    // Everything that arrives within `period`, and the number of reads it took.
    Bytes ReadFor(Millis period, int* reads = nullptr);
    // Reads until at least `count` bytes are in or `timeout` passes.
    Bytes ReadBytes(std::size_t count, Millis timeout);

private:
    int fd_ = -1;
    std::uint8_t sequence_ = 0;
    Bytes pending_;
};

} // namespace fprn::emu::testing
