#pragma once
// A timer of the creating thread. Its callback runs on that thread when the thread pumps and the
// interval has passed (monotonic clock); it then counts the next interval from the tick.
#include "platexport.h"

#include <functional>
#include <memory>

namespace fprn::plat {

namespace detail {
struct TimerState;
}

class FPRN_PLAT_API Timer {
public:
    // Starts disabled with an interval of 1000 ms. Throws std::system_error when the thread's
    // queue cannot be set up.
    explicit Timer(std::function<void()> onTimer = {});
    // On the owning thread only.
    ~Timer();
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    // A changed interval restarts a running timer; 0 stops it from ticking.
    void SetInterval(unsigned ms);
    unsigned Interval() const;
    // Enabling (from disabled) restarts the interval.
    void SetEnabled(bool enabled);
    bool Enabled() const;
    void SetOnTimer(std::function<void()> onTimer);

private:
    std::shared_ptr<detail::TimerState> state_;
};

} // namespace fprn::plat
