#pragma once
// Per-thread message queues. A Target stands for a hidden window: it belongs to the thread that
// created it, any thread may post to it, and its handler runs on the owning thread while that
// thread pumps (PumpUntil) or drains (DispatchPending). Timer ticks of the thread (timer.h)
// come through the same queue.
#include "platexport.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace fprn::plat {

namespace detail {
struct TargetState;
struct TimerState;
} // namespace detail

class TargetRef;

struct FPRN_PLAT_API Message {
    std::uint32_t id = 0;
    std::uint64_t param = 0;
    // Owned by the message: a posted copy that goes away with it, delivered or dropped.
    std::string bytes;

    // Set by the queue: where the message goes (a posted message) or which timer is due.
    std::shared_ptr<detail::TargetState> target;
    std::shared_ptr<detail::TimerState> timer;

    bool IsTimerTick() const { return timer != nullptr; }
};

// A copyable handle to a Target, safe to use from any thread and after the Target is gone
// (posts to a dead target are refused and nothing is queued).
class FPRN_PLAT_API TargetRef {
public:
    TargetRef() = default;
    bool Post(std::uint32_t id, std::uint64_t param = 0, std::string bytes = {}) const;
    bool IsNull() const { return state_ == nullptr; }
    bool operator==(const TargetRef& other) const { return state_ == other.state_; }

private:
    friend class Target;
    explicit TargetRef(std::shared_ptr<detail::TargetState> state) : state_(std::move(state)) {}
    std::shared_ptr<detail::TargetState> state_;
};

class FPRN_PLAT_API Target {
public:
    using Handler = std::function<void(Message&)>;

    // Belongs to the calling thread. Throws std::system_error when the thread's queue cannot be
    // set up.
    explicit Target(Handler handler = {});
    // On the owning thread only. Messages still queued for it are dropped and freed.
    ~Target();
    Target(const Target&) = delete;
    Target& operator=(const Target&) = delete;

    void SetHandler(Handler handler);
    TargetRef Ref() const { return TargetRef(state_); }
    bool Post(std::uint32_t id, std::uint64_t param = 0, std::string bytes = {}) const {
        return Ref().Post(id, param, std::move(bytes));
    }

private:
    std::shared_ptr<detail::TargetState> state_;
};

// The calling thread's queue. Readable while a posted message is waiting or one of the thread's
// timers is due, so a host loop can watch it and call DispatchPending.
FPRN_PLAT_API int QueueFd();

// Takes the next item of the calling thread's queue without waiting: a posted message first,
// else the tick of a due timer. False when nothing is due.
FPRN_PLAT_API bool PeekMessage(Message& out);
// Hands a message taken by PeekMessage to its target's handler or timer. Messages of a target
// that died in between are dropped.
FPRN_PLAT_API void DispatchMessage(Message& message);
// Dispatches everything due now without blocking; returns how many items ran.
FPRN_PLAT_API std::size_t DispatchPending();
// True when a posted message waits or a timer is due.
FPRN_PLAT_API bool HasPending();

// How a GUI toolkit joins the pump of its thread.
struct HostHook {
    // Serves the host's pending events without blocking.
    std::function<void()> serve;
    // Optional: blocks until the host has an event or `queueFd` is readable, serving host
    // events on the way. Without it the pump blocks in poll() on the queue alone.
    std::function<void(int queueFd)> wait;
};
// Per thread; an empty hook removes it. Returns the hook it replaces, so a caller that sets
// one for a while can put the host's back.
FPRN_PLAT_API HostHook SetHostHook(HostHook hook);

// Dispatches the calling thread's messages and timers, and serves the host hook, until `done`
// holds; `done` is checked first and after every item. Blocks when nothing is due. Handlers may
// pump again (nested waits).
FPRN_PLAT_API void PumpUntil(const std::function<bool()>& done);

} // namespace fprn::plat
