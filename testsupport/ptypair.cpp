#include "ptypair.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <termios.h>
#include <unistd.h>

namespace fprn::test {

PtyPair::PtyPair() {
    char name[256] = {};
    termios tio{};
    cfmakeraw(&tio);
    if (openpty(&master_, &slave_, name, &tio, nullptr) != 0)
        throw std::runtime_error("openpty failed");
    slavePath_ = name;
    int flags = fcntl(master_, F_GETFL);
    fcntl(master_, F_SETFL, flags | O_NONBLOCK);
    fcntl(master_, F_SETFD, FD_CLOEXEC);
    fcntl(slave_, F_SETFD, FD_CLOEXEC);
}

PtyPair::~PtyPair() {
    if (slave_ >= 0) close(slave_);
    if (master_ >= 0) close(master_);
}

void PtyPair::releaseSlave() {
    if (slave_ >= 0) close(slave_);
    slave_ = -1;
}

bool PtyPair::write(const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN) {
            pollfd p{master_, POLLOUT, 0};
            poll(&p, 1, 1000);
            continue;
        }
        return false;
    }
    return true;
}

std::string PtyPair::read(std::size_t count, std::chrono::milliseconds timeout) {
    std::string out;
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (out.size() < count) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        pollfd p{master_, POLLIN, 0};
        int r = poll(&p, 1, static_cast<int>(left.count()));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) break;
        if (p.revents & POLLIN) {
            char buf[4096];
            ssize_t n = ::read(master_, buf, std::min(sizeof buf, count - out.size()));
            if (n > 0)
                out.append(buf, static_cast<std::size_t>(n));
            else if (n < 0 && (errno == EINTR || errno == EAGAIN))
                continue;
            else
                break;
        } else {
            break; // hang-up or error
        }
    }
    return out;
}

} // namespace fprn::test
