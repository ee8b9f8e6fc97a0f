#pragma once
// Waits for test conditions by pumping, with a deadline timer so a fault fails instead of hanging.
#include <functional>

#include "msgqueue.h"
#include "timer.h"

namespace fprn::plat::test {

// Pumps until `done` or `ms` pass; returns done().
inline bool PumpUntilOr(const std::function<bool()>& done, unsigned ms = 5000) {
    bool expired = false;
    Timer deadline([&] { expired = true; });
    deadline.SetInterval(ms);
    deadline.SetEnabled(true);
    PumpUntil([&] { return done() || expired; });
    return done();
}

// Pumps for `ms`, serving whatever comes.
inline void PumpFor(unsigned ms) {
    PumpUntilOr([] { return false; }, ms);
}

} // namespace fprn::plat::test
