#include "line.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <termios.h>
#include <unistd.h>

namespace fprn::emu::testing {

using Clock = std::chrono::steady_clock;

Bytes B(std::initializer_list<int> bytes) {
    Bytes b;
    for (int v : bytes) b.push_back(static_cast<char>(v));
    return b;
}

std::vector<Reply> SplitReplies(BytesView bytes, Bytes* rest) {
    std::vector<Reply> out;
    Bytes current;
    for (unsigned char c : bytes) {
        if (c != 0xC0) {
            current.push_back(static_cast<char>(c));
            continue;
        }
        if (current.empty()) continue;
        Reply r;
        r.raw = current;
        r.sequence = static_cast<std::uint8_t>(current[0]);
        r.payload = ParseFrame(Bytes(1, '\xC0') + current);
        out.push_back(std::move(r));
        current.clear();
    }
    if (rest) *rest = current;
    return out;
}

Line::Line(const std::string& path) {
    fd_ = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) throw std::runtime_error("cannot open " + path);
    termios tio{};
    tcgetattr(fd_, &tio);
    cfmakeraw(&tio);
    tcsetattr(fd_, TCSANOW, &tio);
}

Line::~Line() {
    close(fd_);
}

std::uint8_t Line::Send(BytesView text) {
    Write(BuildFrame(sequence_, text));
    return sequence_;
}

void Line::Write(BytesView bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
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

Bytes Line::ReadBytes(std::size_t count, Millis timeout) {
    Bytes out;
    auto deadline = Clock::now() + timeout;
    while (out.size() < count) {
        auto left = std::chrono::ceil<Millis>(deadline - Clock::now()).count();
        if (left <= 0) break;
        pollfd p{fd_, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left)) <= 0) continue;
        char buf[4096];
        ssize_t n = read(fd_, buf, sizeof buf);
        if (n > 0) out.append(buf, static_cast<std::size_t>(n));
    }
    return out;
}

std::vector<Reply> Line::ReadReplies(std::size_t count, Millis timeout) {
    auto deadline = Clock::now() + timeout;
    Bytes all = pending_;
    for (;;) {
        Bytes rest;
        auto replies = SplitReplies(all, &rest);
        if (replies.size() >= count || Clock::now() >= deadline) {
            pending_ = rest;
            return replies;
        }
        all += ReadBytes(1, std::chrono::ceil<Millis>(deadline - Clock::now()));
    }
}

Bytes Line::Ask(BytesView text, Millis timeout) {
    Send(text);
    auto replies = ReadReplies(1, timeout);
    return replies.empty() ? Bytes() : replies.front().payload;
}

Bytes Line::ReadFor(Millis period, int* reads) {
    Bytes out;
    int count = 0;
    auto deadline = Clock::now() + period;
    for (;;) {
        auto left = std::chrono::ceil<Millis>(deadline - Clock::now()).count();
        if (left <= 0) break;
        pollfd p{fd_, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left)) <= 0) continue;
        char buf[4096];
        ssize_t n = read(fd_, buf, sizeof buf);
        if (n > 0) {
            out.append(buf, static_cast<std::size_t>(n));
            ++count;
        }
    }
    if (reads) *reads = count;
    return out;
}

} // namespace fprn::emu::testing
