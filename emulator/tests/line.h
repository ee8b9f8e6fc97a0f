#pragma once
// The driver's end of the line for the emulator's tests: the pty slave with plain termios
// reads and writes, and a reply splitter written apart from the emulator's own.
#include "bytes.h"
#include "frame.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace fprn::emu::testing {

using Millis = std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

inline Bytes B(std::initializer_list<int> bytes) {
    Bytes b;
    for (int v : bytes) b.push_back(static_cast<char>(v));
    return b;
}

struct Reply {
    Bytes raw;     // between the delimiters
    Bytes payload; // empty when the frame is not valid
    std::uint8_t sequence = 0;
};

// Splits received bytes at 0xC0 as the driver's receive handler does; bytes after the last
// 0xC0 are left in `rest`.
inline std::vector<Reply> SplitReplies(BytesView bytes, Bytes* rest = nullptr) {
    std::vector<Reply> out;
    Bytes current;
    for (char c : bytes) {
        if (c != '\xC0') {
            current.push_back(c);
        } else if (!current.empty()) {
            out.push_back(
                {current, ParseFrame('\xC0' + current), static_cast<std::uint8_t>(current[0])});
            current.clear();
        }
    }
    if (rest) *rest = current;
    return out;
}

class Line {
public:
    explicit Line(const std::string& path)
        : fd_(open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)) {
        if (fd_ < 0) throw std::runtime_error("cannot open " + path);
        termios tio{};
        tcgetattr(fd_, &tio);
        cfmakeraw(&tio);
        tcsetattr(fd_, TCSANOW, &tio);
    }
    ~Line() { close(fd_); }
    Line(const Line&) = delete;
    Line& operator=(const Line&) = delete;

    // Frames `text` with the next sequence number and writes it; returns the number used.
    std::uint8_t Send(BytesView text) {
        Write(BuildFrame(sequence_, text));
        return sequence_;
    }
    void SetSequence(std::uint8_t next) { sequence_ = static_cast<std::uint8_t>(next - 1); }
    void Write(BytesView bytes) {
        for (std::size_t done = 0; done < bytes.size();) {
            ssize_t n = write(fd_, bytes.data() + done, bytes.size() - done);
            if (n > 0) {
                done += static_cast<std::size_t>(n);
            } else if (errno == EAGAIN) {
                pollfd p{fd_, POLLOUT, 0};
                poll(&p, 1, 1000);
            } else if (errno != EINTR) {
                throw std::runtime_error("write to the slave failed");
            }
        }
    }

    // What arrives within `timeout`, or less once `count` bytes are in; `reads` counts the reads.
    Bytes ReadFor(Millis timeout, std::size_t count = SIZE_MAX, int* reads = nullptr) {
        Bytes out;
        for (auto deadline = Clock::now() + timeout; out.size() < count;) {
            auto left = std::chrono::ceil<Millis>(deadline - Clock::now()).count();
            pollfd p{fd_, POLLIN, 0};
            if (left <= 0) break;
            if (poll(&p, 1, static_cast<int>(left)) <= 0) continue;
            char buf[4096];
            ssize_t n = read(fd_, buf, sizeof buf);
            if (n > 0) out.append(buf, static_cast<std::size_t>(n));
            if (n > 0 && reads) ++*reads;
        }
        return out;
    }
    // Reads until `count` frames have been closed by a 0xC0 or `timeout` passes.
    std::vector<Reply> ReadReplies(std::size_t count, Millis timeout = Millis(3000),
                                   int* reads = nullptr) {
        auto deadline = Clock::now() + timeout;
        for (;;) {
            Bytes rest;
            auto replies = SplitReplies(pending_, &rest);
            if (replies.size() >= count || Clock::now() >= deadline) {
                pending_ = rest;
                return replies;
            }
            pending_ += ReadFor(std::chrono::ceil<Millis>(deadline - Clock::now()), 1, reads);
        }
    }
    // The payload of the next reply frame (empty on time-out).
    Bytes Ask(BytesView text, Millis timeout = Millis(3000)) {
        Send(text);
        auto replies = ReadReplies(1, timeout);
        return replies.empty() ? Bytes() : replies.front().payload;
    }

private:
    int fd_;
    std::uint8_t sequence_ = 0;
    Bytes pending_;
};

} // namespace fprn::emu::testing
