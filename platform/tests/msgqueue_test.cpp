#include <atomic>
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
    TargetRef ref = target.Ref();
    std::vector<std::thread> senders;
    for (int t = 0; t < kThreads; ++t)
        senders.emplace_back([ref, t] {
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
    Target target([&](Message&) { ++calls; });
    EXPECT_FALSE(Readable(QueueFd()));
    std::thread([ref = target.Ref()] { ref.Post(1, 0, "x"); }).join();
    EXPECT_TRUE(Readable(QueueFd()));
    EXPECT_TRUE(HasPending());
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(DispatchPending(), 1u);
    EXPECT_EQ(calls, 1);
    // Drained: a host loop watching the fd must not wake again.
    EXPECT_FALSE(Readable(QueueFd()));
    EXPECT_FALSE(HasPending());
}

TEST(MessageQueue, DestroyedTargetRefusesPostsAndDropsWhatWasQueued) {
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
}

TEST(MessageQueue, QueueOfAnEndedThreadIsFreedWithItsMessagesAndRefusesPosts) {
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
        EXPECT_EQ(m.bytes, "first");
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
        int n = static_cast<int>(m.id);
        order.push_back(n);
        if (n == 1) {
            PumpUntil([&] { return order.size() >= 3; });
            order.push_back(10);
        }
    });
    target.Post(1);
    target.Post(2);
    target.Post(3);
    target.Post(4);
    EXPECT_TRUE(PumpUntilOr([&] { return order.size() == 5; }));
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3, 10, 4}));
}

TEST(MessageQueue, PumpChecksItsConditionFirstAndAfterEveryItem) {
    int calls = 0;
    Target target([&](Message&) { ++calls; });
    target.Post(1);
    target.Post(2);
    PumpUntil([] { return true; });
    EXPECT_EQ(calls, 0);
    PumpUntil([&] { return calls == 1; });
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(HasPending());
    DispatchPending();
    EXPECT_EQ(calls, 2);
}

TEST(MessageQueue, PeekTakesAndDispatchDelivers) {
    std::string seen;
    Target target([&](Message& m) { seen = m.bytes; });
    Message m;
    EXPECT_FALSE(PeekMessage(m));
    target.Post(7, 42, "abc");
    ASSERT_TRUE(PeekMessage(m));
    EXPECT_EQ(m.id, 7u);
    EXPECT_EQ(m.param, 42u);
    EXPECT_FALSE(m.IsTimerTick());
    EXPECT_FALSE(Readable(QueueFd()));
    EXPECT_TRUE(seen.empty());
    DispatchMessage(m);
    EXPECT_EQ(seen, "abc");
}

TEST(MessageQueue, EachThreadHasItsOwnQueue) {
    int mainCalls = 0;
    Target mainTarget([&](Message&) { ++mainCalls; });
    std::atomic<int> workerCalls{0};
    int workerFd = -1;
    std::thread worker([&] {
        workerFd = QueueFd();
        Target workerTarget([&](Message&) { ++workerCalls; });
        workerTarget.Post(1);
        mainTarget.Post(1);
        EXPECT_EQ(DispatchPending(), 1u);
    });
    worker.join();
    EXPECT_NE(workerFd, QueueFd());
    EXPECT_EQ(workerCalls.load(), 1);
    EXPECT_EQ(mainCalls, 0);
    EXPECT_EQ(DispatchPending(), 1u);
    EXPECT_EQ(mainCalls, 1);
}

} // namespace
} // namespace fprn::plat
