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

TEST(Timer, TicksRepeatedlyAndNeverEarly) {
    std::vector<long> ticks;
    auto start = Clock::now();
    Timer timer([&] { ticks.push_back(MsSince(start)); });
    EXPECT_FALSE(timer.Enabled());
    EXPECT_EQ(timer.Interval(), 1000u);
    timer.SetInterval(20);
    timer.SetEnabled(true);
    ASSERT_TRUE(PumpUntilOr([&] { return ticks.size() == 3; }));
    EXPECT_GE(ticks[0], 20);
    EXPECT_GE(ticks[1] - ticks[0], 19);
    EXPECT_GE(ticks[2] - ticks[1], 19);
}

TEST(Timer, DoesNotTickWhenDisabledWithoutIntervalOrWithoutCallback) {
    int ticks = 0;
    Timer disabled([&] { ++ticks; });
    disabled.SetInterval(5);
    Timer zero([&] { ++ticks; });
    zero.SetInterval(0);
    zero.SetEnabled(true);
    Timer silent;
    silent.SetInterval(5);
    silent.SetEnabled(true);
    PumpFor(60);
    EXPECT_EQ(ticks, 0);
    disabled.SetEnabled(true);
    EXPECT_TRUE(PumpUntilOr([&] { return ticks > 0; }));
}

TEST(Timer, EnablingAgainRestartsTheInterval) {
    long tickAt = -1;
    auto start = Clock::now();
    Timer timer([&] { tickAt = MsSince(start); });
    timer.SetInterval(150);
    timer.SetEnabled(true);
    PumpFor(100);
    timer.SetEnabled(false);
    timer.SetEnabled(true);
    long restartedAt = MsSince(start);
    ASSERT_TRUE(PumpUntilOr([&] { return tickAt >= 0; }));
    EXPECT_GE(tickAt - restartedAt, 149);
}

TEST(Timer, ChangedIntervalRestartsButTheSameOneDoesNot) {
    long tickAt = -1;
    auto start = Clock::now();
    Timer timer([&] { tickAt = MsSince(start); });
    timer.SetInterval(300);
    timer.SetEnabled(true);
    PumpFor(150);
    timer.SetInterval(300); // unchanged: keeps counting from the start
    long keptAt = MsSince(start);
    ASSERT_TRUE(PumpUntilOr([&] { return tickAt >= 0; }));
    EXPECT_LT(tickAt - keptAt, 300);

    tickAt = -1;
    start = Clock::now();
    PumpFor(60);
    timer.SetInterval(100);
    long changedAt = MsSince(start);
    ASSERT_TRUE(PumpUntilOr([&] { return tickAt >= 0; }));
    EXPECT_GE(tickAt - changedAt, 99);
}

TEST(Timer, MayDisableOrDestroyItselfInItsCallback) {
    int firstTicks = 0;
    Timer once([&] { ++firstTicks; });
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

    PumpFor(80);
    EXPECT_EQ(firstTicks, 1);
    EXPECT_EQ(secondTicks, 1);
    EXPECT_EQ(doomed, nullptr);
}

TEST(Timer, DueTimerMakesTheQueueFdReadableUntilItIsServed) {
    int ticks = 0;
    Timer timer([&] { ++ticks; });
    timer.SetInterval(30);
    timer.SetEnabled(true);
    pollfd p{QueueFd(), POLLIN, 0};
    EXPECT_EQ(poll(&p, 1, 0), 0);
    ASSERT_EQ(poll(&p, 1, 2000), 1); // woken by the timer without pumping
    EXPECT_EQ(ticks, 0);
    EXPECT_TRUE(HasPending());
    EXPECT_EQ(DispatchPending(), 1u);
    EXPECT_EQ(ticks, 1);
    EXPECT_EQ(poll(&p, 1, 0), 0);
    timer.SetEnabled(false);
    EXPECT_EQ(poll(&p, 1, 60), 0);
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
    ASSERT_EQ(poll(&p, 1, 2000), 1);
    EXPECT_EQ(DispatchPending(), 1u);
    EXPECT_EQ(ticks, 1);
}

} // namespace
} // namespace fprn::plat
