#include "event.h"

#include <cerrno>
#include <cstdint>
#include <poll.h>
#include <sys/eventfd.h>
#include <system_error>
#include <unistd.h>

namespace fprn::plat {

Event::Event() : fd_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
    if (fd_ < 0) throw std::system_error(errno, std::generic_category(), "eventfd");
}

Event::~Event() {
    close(fd_);
}

void Event::Set() {
    std::uint64_t one = 1;
    // Only a full counter refuses the write, and then the event is set anyway.
    while (write(fd_, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

void Event::Reset() {
    std::uint64_t value = 0;
    while (read(fd_, &value, sizeof value) < 0 && errno == EINTR) {
    }
}

bool Event::IsSet() const {
    pollfd p{fd_, POLLIN, 0};
    int r;
    while ((r = poll(&p, 1, 0)) < 0 && errno == EINTR) {
    }
    return r > 0 && (p.revents & POLLIN);
}

} // namespace fprn::plat
