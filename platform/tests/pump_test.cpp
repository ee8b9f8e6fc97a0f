#include <deque>
#include <functional>
#include <gtest/gtest.h>
#include <mutex>
#include <poll.h>
#include <sys/eventfd.h>
#include <thread>
#include <time.h>
#include <unistd.h>

#include "msgqueue.h"
#include "pumphelpers.h"
#include "timer.h"

namespace fprn::plat {
namespace {

using test::PumpUntilOr;

double ClockMs(clockid_t clock) {
    timespec ts{};
    clock_gettime(clock, &ts);
    return static_cast<double>(ts.tv_sec) * 1000.0 + static_cast<double>(ts.tv_nsec) / 1e6;
}

TEST(Pump, WaitingForNothingCostsAlmostNoCpu) {
    bool expired = false;
    Timer timer([&] { expired = true; });
    timer.SetInterval(2000);
    double cpu0 = ClockMs(CLOCK_THREAD_CPUTIME_ID);
    double wall0 = ClockMs(CLOCK_MONOTONIC); // taken before the timer starts: it never ticks early
    timer.SetEnabled(true);
    PumpUntil([&] { return expired; });
    double cpu = ClockMs(CLOCK_THREAD_CPUTIME_ID) - cpu0;
    RecordProperty("idle_pump_cpu_us", static_cast<int>(cpu * 1000));
    EXPECT_GE(ClockMs(CLOCK_MONOTONIC) - wall0, 1999.0);
    EXPECT_LT(cpu, 50.0); // a spinning or polling loop would burn most of the 2 s
}

// A stand-in for a GUI toolkit's own event loop: its events come through an eventfd, and it runs
// them on this thread.
class FakeHost {
public:
    FakeHost() : fd_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}
    ~FakeHost() { close(fd_); }

    // From any thread.
    void Queue(std::function<void()> event) {
        std::lock_guard lock(mutex_);
        events_.push_back(std::move(event));
        std::uint64_t one = 1;
        (void)!write(fd_, &one, sizeof one);
    }
    // Runs what is pending without blocking; events queued meanwhile wait for the next call.
    void Serve() {
        ++serves;
        std::uint64_t value;
        (void)!read(fd_, &value, sizeof value);
        std::deque<std::function<void()>> now;
        {
            std::lock_guard lock(mutex_);
            now.swap(events_);
        }
        for (auto& event : now) event();
    }
    // Blocks until a host event or the platform queue is ready, serving host events.
    void Wait(int queueFd) {
        pollfd p[2] = {{fd_, POLLIN, 0}, {queueFd, POLLIN, 0}};
        poll(p, 2, -1);
        if (p[0].revents & POLLIN) Serve();
    }
    int Fd() const { return fd_; }
    HostHook Hook(bool withWait = true) {
        if (!withWait) return {[this] { Serve(); }, {}};
        return {[this] { Serve(); }, [this](int fd) { Wait(fd); }};
    }

    int serves = 0;

private:
    int fd_;
    std::mutex mutex_;
    std::deque<std::function<void()>> events_;
};

class HostHookTest : public ::testing::Test {
protected:
    void TearDown() override { SetHostHook({}); }
    FakeHost host;
};

TEST_F(HostHookTest, HostEventsAndOurMessagesWakeEachOthersWaitsAndMayNest) {
    SetHostHook(host.Hook());
    // Another thread raises a host event (a click, say) while a driver wait blocks; the event
    // starts a second command that waits in turn.
    bool innerDone = false;
    bool clicked = false;
    Target inner([&](Message&) { innerDone = true; });
    std::thread clicker([&] {
        host.Queue([&] {
            inner.Post(1);
            PumpUntil([&] { return innerDone; });
            clicked = true;
        });
    });
    EXPECT_TRUE(PumpUntilOr([&] { return clicked; }));
    clicker.join();

    int hostEvents = 0;
    int ours = 0;
    Target target([&](Message&) {
        ++ours;
        host.Queue([&] { ++hostEvents; });
    });
    std::thread poster([ref = target.Ref()] {
        for (int i = 0; i < 20; ++i) ref.Post(1);
    });
    EXPECT_TRUE(PumpUntilOr([&] { return ours == 20 && hostEvents == 20; }));
    poster.join();
    EXPECT_GT(host.serves, 0);

    SetHostHook(host.Hook(false)); // serve only: runs before the pump blocks
    bool served = false;
    host.Queue([&] { served = true; });
    EXPECT_TRUE(PumpUntilOr([&] { return served; }, 2000));
}

TEST_F(HostHookTest, HostLoopDrainsTheQueueByItsFd) {
    // No pump at all: the host's own loop watches the queue fd and drains it.
    int ours = 0;
    int ticks = 0;
    Target target([&](Message&) { ++ours; });
    Timer timer([&] { ++ticks; });
    timer.SetInterval(10);
    timer.SetEnabled(true);
    std::thread poster([ref = target.Ref()] {
        for (int i = 0; i < 50; ++i) ref.Post(1);
    });
    int wakeups = 0;
    int emptyWakeups = 0;
    while (ours < 50 || ticks < 3) {
        pollfd p[2] = {{host.Fd(), POLLIN, 0}, {QueueFd(), POLLIN, 0}};
        ASSERT_GT(poll(p, 2, 5000), 0) << "host loop starved";
        if (p[1].revents & POLLIN) {
            ++wakeups;
            if (DispatchPending() == 0) ++emptyWakeups;
        }
    }
    poster.join();
    timer.SetEnabled(false);
    DispatchPending();
    // Every wake-up found work: the fd is readable only while something is due.
    EXPECT_EQ(emptyWakeups, 0);
    EXPECT_LE(wakeups, 50 + ticks);
    pollfd p{QueueFd(), POLLIN, 0};
    EXPECT_EQ(poll(&p, 1, 30), 0);
}

} // namespace
} // namespace fprn::plat
