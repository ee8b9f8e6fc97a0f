#pragma once
// A manual-reset event that any thread can set and that a thread can wait on through poll().
#include "platexport.h"

namespace fprn::plat {

class FPRN_PLAT_API Event {
public:
    // Throws std::system_error when no eventfd can be had.
    Event();
    ~Event();
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    void Set();
    void Reset();
    bool IsSet() const;
    // Readable while the event is set.
    int Fd() const { return fd_; }

private:
    int fd_ = -1;
};

} // namespace fprn::plat
