#include "msgqueue.h"
#include "timer.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <deque>
#include <mutex>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/timerfd.h>
#include <system_error>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace fprn::plat {
namespace detail {

struct QueueState;

struct TargetState {
    std::weak_ptr<QueueState> queue;
    // Cleared by the owner under the queue's mutex; posters read it under the mutex.
    bool alive = true;
    // Owner thread only. Shared so that a handler survives its target being destroyed from
    // inside it.
    std::shared_ptr<Target::Handler> handler;
};

// Owner thread only.
struct TimerState {
    std::weak_ptr<QueueState> queue;
    std::shared_ptr<std::function<void()>> onTimer;
    unsigned interval = 1000;
    bool enabled = false;
    bool alive = true;
    bool armed = false;
    std::int64_t due = 0; // CLOCK_MONOTONIC, ns
};

namespace {

std::int64_t NowNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

[[noreturn]] void ThrowErrno(const char* what) {
    throw std::system_error(errno, std::generic_category(), what);
}

} // namespace

struct QueueState {
    // The one fd a host watches: readable while postFd (a message waits) or timerFd (the
    // earliest timer is due) is.
    int epollFd = -1;
    int postFd = -1;
    int timerFd = -1;

    std::mutex mutex;
    std::deque<Message> posted; // guarded by mutex; postFd is readable iff it is not empty

    // Owner thread only.
    std::vector<std::shared_ptr<TimerState>> armed;
    std::int64_t timerFdSetFor = -1;
    std::shared_ptr<const HostHook> hook;

    QueueState() {
        epollFd = epoll_create1(EPOLL_CLOEXEC);
        postFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
        timerFd = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
        if (epollFd < 0 || postFd < 0 || timerFd < 0) {
            int saved = errno;
            CloseAll();
            errno = saved;
            ThrowErrno("thread queue");
        }
        for (int fd : {postFd, timerFd}) {
            epoll_event ev{};
            ev.events = EPOLLIN;
            ev.data.fd = fd;
            if (epoll_ctl(epollFd, EPOLL_CTL_ADD, fd, &ev) != 0) {
                int saved = errno;
                CloseAll();
                errno = saved;
                ThrowErrno("thread queue");
            }
        }
    }
    ~QueueState() { CloseAll(); }

    void CloseAll() {
        for (int fd : {epollFd, postFd, timerFd})
            if (fd >= 0) close(fd);
        epollFd = postFd = timerFd = -1;
    }

    // Under mutex.
    void SignalPosted() {
        std::uint64_t one = 1;
        while (write(postFd, &one, sizeof one) < 0 && errno == EINTR) {
        }
    }
    void ClearPosted() {
        std::uint64_t value = 0;
        while (read(postFd, &value, sizeof value) < 0 && errno == EINTR) {
        }
    }

    // Keeps timerFd set for the earliest due timer, so it is readable only when one is due.
    void RearmTimerFd() {
        std::int64_t earliest = -1;
        for (const auto& t : armed)
            if (earliest < 0 || t->due < earliest) earliest = t->due;
        if (earliest == timerFdSetFor) return;
        itimerspec when{};
        if (earliest >= 0) {
            // An absolute time in the past expires at once; zero would disarm instead.
            std::int64_t at = std::max<std::int64_t>(earliest, 1);
            when.it_value.tv_sec = static_cast<time_t>(at / 1000000000);
            when.it_value.tv_nsec = static_cast<long>(at % 1000000000);
        }
        timerfd_settime(timerFd, TFD_TIMER_ABSTIME, &when, nullptr);
        timerFdSetFor = earliest;
    }

    void Disarm(const std::shared_ptr<TimerState>& timer) {
        if (!timer->armed) return;
        timer->armed = false;
        armed.erase(std::remove(armed.begin(), armed.end(), timer), armed.end());
        RearmTimerFd();
    }

    void Arm(const std::shared_ptr<TimerState>& timer) {
        timer->due = NowNs() + static_cast<std::int64_t>(timer->interval) * 1000000;
        if (!timer->armed) {
            timer->armed = true;
            armed.push_back(timer);
        }
        RearmTimerFd();
    }

    // `limit`: due at or before it counts as due (-1: now).
    std::shared_ptr<TimerState> TakeDueTimer(std::int64_t limit = -1) {
        std::int64_t now = NowNs();
        if (limit < 0) limit = now;
        std::shared_ptr<TimerState> earliest;
        for (const auto& t : armed)
            if (t->due <= limit && (!earliest || t->due < earliest->due)) earliest = t;
        if (earliest) {
            // The next interval counts from this tick; a late pump gets one tick, not a burst.
            earliest->due = now + static_cast<std::int64_t>(earliest->interval) * 1000000;
            RearmTimerFd();
        }
        return earliest;
    }

    bool AnyTimerDue() const {
        std::int64_t now = NowNs();
        return std::any_of(armed.begin(), armed.end(),
                           [now](const auto& t) { return t->due <= now; });
    }
};

namespace {

thread_local std::shared_ptr<QueueState> tlsQueue;

const std::shared_ptr<QueueState>& CurrentQueue() {
    if (!tlsQueue) tlsQueue = std::make_shared<QueueState>();
    return tlsQueue;
}

} // namespace
} // namespace detail

using detail::CurrentQueue;
using detail::QueueState;

bool TargetRef::Post(std::uint32_t id, std::uint64_t param, std::string bytes) const {
    if (!state_) return false;
    auto queue = state_->queue.lock();
    if (!queue) return false;
    std::lock_guard lock(queue->mutex);
    if (!state_->alive) return false;
    Message message;
    message.id = id;
    message.param = param;
    message.bytes = std::move(bytes);
    message.target = state_;
    bool wasEmpty = queue->posted.empty();
    queue->posted.push_back(std::move(message));
    if (wasEmpty) queue->SignalPosted();
    return true;
}

Target::Target(Handler handler) : state_(std::make_shared<detail::TargetState>()) {
    state_->queue = CurrentQueue();
    state_->handler = std::make_shared<Handler>(std::move(handler));
}

Target::~Target() {
    std::deque<Message> dropped; // freed outside the lock
    if (auto queue = state_->queue.lock()) {
        std::lock_guard lock(queue->mutex);
        state_->alive = false;
        auto& posted = queue->posted;
        bool hadAny = !posted.empty();
        std::deque<Message> kept;
        for (auto& m : posted) (m.target == state_ ? dropped : kept).push_back(std::move(m));
        posted.swap(kept);
        if (hadAny && posted.empty()) queue->ClearPosted();
    } else {
        state_->alive = false;
    }
    state_->handler.reset();
}

void Target::SetHandler(Handler handler) {
    state_->handler = std::make_shared<Handler>(std::move(handler));
}

int QueueFd() {
    return CurrentQueue()->epollFd;
}

namespace {

bool PeekDue(Message& out, std::int64_t timerLimit) {
    QueueState& queue = *CurrentQueue();
    {
        std::lock_guard lock(queue.mutex);
        if (!queue.posted.empty()) {
            out = std::move(queue.posted.front());
            queue.posted.pop_front();
            if (queue.posted.empty()) queue.ClearPosted();
            return true;
        }
    }
    if (auto timer = queue.TakeDueTimer(timerLimit)) {
        out = Message{};
        out.timer = std::move(timer);
        return true;
    }
    return false;
}

} // namespace

bool PeekMessage(Message& out) {
    return PeekDue(out, -1);
}

void DispatchMessage(Message& message) {
    if (message.timer) {
        auto& timer = *message.timer;
        if (!timer.alive || !timer.enabled || !timer.onTimer) return;
        auto onTimer = timer.onTimer; // the timer may be destroyed inside its callback
        if (*onTimer) (*onTimer)();
        return;
    }
    if (!message.target || !message.target->alive) return;
    auto handler = message.target->handler;
    if (handler && *handler) (*handler)(message);
}

std::size_t DispatchPending() {
    // Timers that come due while the handlers run wait for the next call, so a short interval
    // cannot keep this from returning.
    std::int64_t start = detail::NowNs();
    std::size_t count = 0;
    Message message;
    while (PeekDue(message, start)) {
        DispatchMessage(message);
        message = Message{};
        ++count;
    }
    return count;
}

bool HasPending() {
    QueueState& queue = *CurrentQueue();
    {
        std::lock_guard lock(queue.mutex);
        if (!queue.posted.empty()) return true;
    }
    return queue.AnyTimerDue();
}

HostHook SetHostHook(HostHook hook) {
    auto& queue = *CurrentQueue();
    HostHook previous = queue.hook ? *queue.hook : HostHook{};
    if (!hook.serve && !hook.wait)
        queue.hook.reset();
    else
        queue.hook = std::make_shared<const HostHook>(std::move(hook));
    return previous;
}

void PumpUntil(const std::function<bool()>& done) {
    // Keep the queue alive for the whole wait, whatever the handlers do.
    std::shared_ptr<QueueState> queue = CurrentQueue();
    for (;;) {
        if (done()) return;
        Message message;
        bool dispatched = PeekMessage(message);
        if (dispatched) {
            DispatchMessage(message);
            message = Message{};
            if (done()) return;
        }
        // A copy: a handler may change the hook while it runs.
        std::shared_ptr<const HostHook> hook = queue->hook;
        if (hook && hook->serve) {
            hook->serve();
            if (done()) return;
        }
        if (dispatched || HasPending()) continue;
        if (hook && hook->wait) {
            hook->wait(queue->epollFd);
        } else {
            pollfd p{queue->epollFd, POLLIN, 0};
            while (poll(&p, 1, -1) < 0 && errno == EINTR) {
            }
        }
    }
}

Timer::Timer(std::function<void()> onTimer) : state_(std::make_shared<detail::TimerState>()) {
    state_->queue = CurrentQueue();
    state_->onTimer = std::make_shared<std::function<void()>>(std::move(onTimer));
}

namespace {

void UpdateTimer(const std::shared_ptr<detail::TimerState>& timer) {
    auto queue = timer->queue.lock();
    if (!queue) return;
    if (timer->alive && timer->enabled && timer->interval > 0 && *timer->onTimer)
        queue->Arm(timer);
    else
        queue->Disarm(timer);
}

} // namespace

Timer::~Timer() {
    state_->alive = false;
    UpdateTimer(state_);
}

void Timer::SetInterval(unsigned ms) {
    if (state_->interval == ms) return;
    state_->interval = ms;
    UpdateTimer(state_);
}

unsigned Timer::Interval() const {
    return state_->interval;
}

void Timer::SetEnabled(bool enabled) {
    if (state_->enabled == enabled) return;
    state_->enabled = enabled;
    UpdateTimer(state_);
}

bool Timer::Enabled() const {
    return state_->enabled;
}

void Timer::SetOnTimer(std::function<void()> onTimer) {
    state_->onTimer = std::make_shared<std::function<void()>>(std::move(onTimer));
    UpdateTimer(state_);
}

} // namespace fprn::plat
