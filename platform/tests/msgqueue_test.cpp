#include <gtest/gtest.h>
#include <memory>
#include <poll.h>
#include <thread>
#include <vector>

#include "msgqueue.h"
#include "pumphelpers.h"

namespace fprn::plat {
namespace {

using test::PumpUntilOr;

bool Readable(int fd, int timeoutMs = 0) {
    pollfd p{fd, POLLIN, 0};
    return poll(&p, 1, timeoutMs) > 0 && (p.revents & POLLIN);
}

TEST(MessageQueue, PostsFromManyThreadsArriveOnTheOwnerInPostingOrder) {
    constexpr int kThreads = 4;
    constexpr int kEach = 500;
    std::vector<int> next(kThreads, 0);
    int received = 0;
    bool inOrder = true;
    bool onOwner = true;
    auto owner = std::this_thread::get_id();
    Target target([&](Message& m) {
        int sender = static_cast<int>(m.id);
        int seq = static_cast<int>(m.param);
        inOrder = inOrder && seq == next[sender] && m.bytes == "payload " + std::to_string(seq);
        next[sender] = seq + 1;
        onOwner = onOwner && std::this_thread::get_id() == owner;
        ++received;
    });
    std::vector<std::thread> senders;
    for (int t = 0; t < kThreads; ++t)
        senders.emplace_back([ref = target.Ref(), t] {
            for (int i = 0; i < kEach; ++i)
                ref.Post(static_cast<std::uint32_t>(t), static_cast<std::uint64_t>(i),
                         "payload " + std::to_string(i));
        });
    EXPECT_TRUE(PumpUntilOr([&] { return received == kThreads * kEach; }));
    for (auto& s : senders) s.join();
    EXPECT_TRUE(inOrder);
    EXPECT_TRUE(onOwner);
}

TEST(MessageQueue, HandlerRunsOnlyWhenTheOwnerDispatches) {
    int calls = 0;
    Target target([&](Message& m) { calls += m.bytes == "x"; });
    EXPECT_FALSE(Readable(QueueFd()));
    // A worker's own queue and dispatch leave the owner's message alone.
    std::thread([ref = target.Ref(), mainFd = QueueFd()] {
        EXPECT_NE(QueueFd(), mainFd);
        int own = 0;
        Target mine([&](Message&) { ++own; });
        mine.Post(1);
        ref.Post(7, 0, "x");
        EXPECT_EQ(DispatchPending(), 1u);
        EXPECT_EQ(own, 1);
    }).join();
    EXPECT_TRUE(HasPending() && Readable(QueueFd()));
    PumpUntil([] { return true; }); // the condition is checked before anything is taken
    Message m;
    ASSERT_TRUE(PeekMessage(m));
    EXPECT_FALSE(m.IsTimerTick());
    // Taken: a host loop watching the fd must not wake again.
    EXPECT_FALSE(HasPending() || Readable(QueueFd()));
    EXPECT_EQ(calls, 0);
    DispatchMessage(m);
    EXPECT_EQ(calls, 1);
    // ...and after every item.
    target.Post(1, 0, "x");
    target.Post(2, 0, "x");
    PumpUntil([&] { return calls == 2; });
    EXPECT_EQ(DispatchPending(), 1u);
    EXPECT_EQ(calls, 3);
}

TEST(MessageQueue, PostsToADeadTargetOrQueueAreRefusedAndQueuedOnesFreed) {
    std::vector<std::string> got;
    auto doomed = std::make_unique<Target>([&](Message& m) { got.push_back("doomed " + m.bytes); });
    Target survivor([&](Message& m) { got.push_back("survivor " + m.bytes); });
    TargetRef doomedRef = doomed->Ref();
    EXPECT_TRUE(doomedRef.Post(1, 0, std::string(100000, 'a')));
    EXPECT_TRUE(survivor.Post(1, 0, "b"));
    EXPECT_TRUE(doomedRef.Post(1, 0, "c"));
    doomed.reset();
    EXPECT_FALSE(doomedRef.Post(1, 0, "d"));
    EXPECT_EQ(DispatchPending(), 1u);
    EXPECT_EQ(got, std::vector<std::string>{"survivor b"});

    // Only dropped messages were queued: the fd must fall quiet.
    auto lone = std::make_unique<Target>();
    lone->Post(2, 0, "e");
    EXPECT_TRUE(Readable(QueueFd()));
    lone.reset();
    EXPECT_FALSE(Readable(QueueFd()));
    EXPECT_FALSE(HasPending());

    // The target outlives its thread, so its messages are still queued when the queue goes.
    std::unique_ptr<Target> orphan;
    std::thread([&] {
        orphan = std::make_unique<Target>();
        for (int i = 0; i < 10; ++i) orphan->Post(1, 0, std::string(50000, 'z'));
    }).join();
    EXPECT_FALSE(orphan->Post(1, 0, "late"));
    orphan.reset();
    EXPECT_FALSE(TargetRef().Post(1));
    EXPECT_TRUE(TargetRef().IsNull());
}

TEST(MessageQueue, TargetMayBeDestroyedInsideItsOwnHandler) {
    int calls = 0;
    std::unique_ptr<Target> target;
    target = std::make_unique<Target>([&](Message& m) {
        ++calls;
        target.reset();
        EXPECT_EQ(m.bytes, "first"); // the message stays valid until the handler returns
    });
    target->Post(1, 0, "first");
    target->Post(1, 0, "second");
    DispatchPending();
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(HasPending());
}

TEST(MessageQueue, HandlerMayPumpAgainForANestedWait) {
    std::vector<int> order;
    Target target;
    target.SetHandler([&](Message& m) {
        order.push_back(static_cast<int>(m.id));
        if (m.id == 1) {
            PumpUntil([&] { return order.size() >= 3; });
            order.push_back(10);
        }
    });
    for (std::uint32_t id = 1; id <= 4; ++id) target.Post(id);
    EXPECT_TRUE(PumpUntilOr([&] { return order.size() == 5; }));
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3, 10, 4}));
}

} // namespace
} // namespace fprn::plat
