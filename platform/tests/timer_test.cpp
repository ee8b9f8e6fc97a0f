#include <chrono>
#include <gtest/gtest.h>
#include <memory>
#include <poll.h>
#include <thread>
#include <vector>

#include "msgqueue.h"
#include "pumphelpers.h"
#include "timer.h"

namespace fprn::plat {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using test::PumpFor;
using test::PumpUntilOr;

long MsSince(Clock::time_point start) {
    return static_cast<long>(
        std::chrono::duration_cast<milliseconds>(Clock::now() - start).count());
}

TEST(Timer, TicksRepeatedlyNeverEarlyAndOnlyWhenEnabledWithIntervalAndCallback) {
    std::vector<long> ticks;
    auto start = Clock::now();
    Timer timer([&] { ticks.push_back(MsSince(start)); });
    timer.SetInterval(20);
    Timer zero([&] { ticks.push_back(-1); });
    zero.SetInterval(0);
    zero.SetEnabled(true);
    Timer silent;
    silent.SetInterval(5);
    silent.SetEnabled(true);
    PumpFor(60);
    EXPECT_TRUE(ticks.empty());
    silent.SetEnabled(false); // its due ticks would hold up the ones timed below
    zero.SetEnabled(false);
    start = Clock::now();
    timer.SetEnabled(true);
    ASSERT_TRUE(PumpUntilOr([&] { return ticks.size() == 3; }));
    EXPECT_GE(ticks[0], 20);
    EXPECT_GE(ticks[1] - ticks[0], 19);
    EXPECT_GE(ticks[2] - ticks[1], 19);
}

TEST(Timer, EnablingAgainOrAChangedIntervalRestartsTheCount) {
    // A 300 ms timer touched halfway: enabled again, given the same interval, given 100 ms.
    for (int touch : {0, 1, 2}) {
        long tickAt = -1;
        bool restartedTicked = false;
        auto start = Clock::now();
        Timer timer([&] { tickAt = MsSince(start); });
        // Started just before the touch: a timer that restarted its count would tick after it.
        Timer restarted([&] { restartedTicked = true; });
        restarted.SetInterval(300);
        timer.SetInterval(300);
        timer.SetEnabled(true);
        PumpFor(150);
        restarted.SetEnabled(touch == 1);
        if (touch == 0) timer.SetEnabled(false);
        if (touch == 0) timer.SetEnabled(true);
        if (touch > 0) timer.SetInterval(touch == 1 ? 300 : 100);
        long touchedAt = MsSince(start);
        ASSERT_TRUE(PumpUntilOr([&] { return tickAt >= 0; })) << touch;
        if (touch == 1)
            EXPECT_FALSE(restartedTicked) << "the same interval keeps counting";
        else
            EXPECT_GE(tickAt - touchedAt, touch == 0 ? 299 : 99) << touch;
    }
}

TEST(Timer, MayDisableOrDestroyItselfInItsCallback) {
    int firstTicks = 0;
    Timer once([&] { ++firstTicks; }); // replaced below
    once.SetOnTimer([&] {
        ++firstTicks;
        once.SetEnabled(false);
    });
    once.SetInterval(5);
    once.SetEnabled(true);

    int secondTicks = 0;
    auto doomed = std::make_unique<Timer>();
    doomed->SetOnTimer([&] {
        ++secondTicks;
        doomed.reset();
    });
    doomed->SetInterval(5);
    doomed->SetEnabled(true);

    // Both first ticks, however late a busy machine lets them come; then time for more.
    ASSERT_TRUE(PumpUntilOr([&] { return firstTicks > 0 && secondTicks > 0; }));
    PumpFor(50);
    EXPECT_EQ(firstTicks, 1);
    EXPECT_EQ(secondTicks, 1);
    EXPECT_EQ(doomed, nullptr);
}

TEST(Timer, ShortIntervalCannotKeepDispatchPendingBusy) {
    int ticks = 0;
    Timer timer([&] {
        ++ticks;
        std::this_thread::sleep_for(milliseconds(3)); // a handler slower than the interval
    });
    timer.SetInterval(1);
    timer.SetEnabled(true);
    pollfd p{QueueFd(), POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, 2000), 1); // woken by the timer without pumping
    EXPECT_TRUE(HasPending());
    EXPECT_EQ(ticks, 0);
    EXPECT_EQ(DispatchPending(), 1u);
    EXPECT_EQ(ticks, 1);
}

} // namespace
} // namespace fprn::plat
