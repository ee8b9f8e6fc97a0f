#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <optional>
#include <poll.h>
#include <sys/file.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "msgqueue.h"
#include "ptypair.h"
#include "serialcomm.h"
#include "tempdir.h"
#include "tests/pumphelpers.h"

namespace fprn {
namespace {

using Clock = std::chrono::steady_clock;
using plat::test::PumpFor;
using plat::test::PumpUntilOr;
using std::chrono::milliseconds;

std::string ErrorOfOpen(TComm& comm) {
    try {
        comm.OpenPort();
    } catch (const ECommsError& e) {
        return e.what();
    }
    return "";
}

// A component on the slave side of a pty, with every event recorded.
class CommTest : public ::testing::Test {
protected:
    CommTest() {
        comm.SetCommName(pty->slavePath());
        comm.OnReceiveData = [this](TComm& sender, const char* buffer, std::size_t length) {
            EXPECT_EQ(&sender, &comm);
            EXPECT_EQ(buffer[length], '\0');
            chunks.emplace_back(buffer, length);
            received.append(buffer, length);
        };
        comm.OnSendDataEmpty = [this](TComm&) { ++emptyEvents; };
        comm.OnRequestHangup = [this](TComm&) { ++hangups; };
    }

    // Opens and waits for the writer's first empty-queue report, so that later reports
    // belong to the test's own sends.
    void OpenAndSettle() {
        comm.OpenPort();
        ASSERT_TRUE(PumpUntilOr([this] { return emptyEvents == 1; }));
        emptyEvents = 0;
    }

    termios MasterSide() {
        termios tio{};
        EXPECT_EQ(tcgetattr(pty->master(), &tio), 0);
        return tio;
    }

    std::optional<test::PtyPair> pty{std::in_place};
    TComm comm;
    std::vector<std::string> chunks;
    std::string received;
    int emptyEvents = 0;
    int hangups = 0;
};

std::string Pattern(std::size_t n, int seed) {
    std::string s;
    while (s.size() < n) s += static_cast<char>((s.size() * 31 + seed) & 0xFF);
    return s;
}

TEST_F(CommTest, OpensClosesAndReopensByComNameOnlyWhenClosed) {
    OpenAndSettle();
    comm.OpenPort(); // already open: nothing happens
    EXPECT_TRUE(comm.IsOpen());
    // A new name waits for the next open.
    test::PtyPair second;
    setenv("FPRN_COM7", second.slavePath().c_str(), 1);
    comm.SetCommName("COM7");
    ASSERT_TRUE(comm.SendData("one", 3));
    EXPECT_EQ(pty->read(3, milliseconds(2000)), "one");
    comm.ClosePort();
    comm.ClosePort(); // twice is harmless
    EXPECT_FALSE(comm.IsOpen());
    EXPECT_FALSE(comm.SendData("x", 1));

    OpenAndSettle();
    unsetenv("FPRN_COM7");
    ASSERT_TRUE(comm.SendData("two", 3));
    EXPECT_EQ(second.read(3, milliseconds(2000)), "two");
    EXPECT_EQ(pty->read(1, milliseconds(50)), "");
    ASSERT_TRUE(second.write("back"));
    EXPECT_TRUE(PumpUntilOr([this] { return received == "back"; }));
}

TEST_F(CommTest, EachOpenFailureHasItsMessageAndHoldsNothing) {
    test::TempDir dir("serialcomm");
    const std::string file = (dir.path() / "plain").string();
    close(open(file.c_str(), O_CREAT | O_WRONLY, 0600));
    const struct {
        std::string path;
        const char* error;
    } cases[] = {{"/nonexistent/ttyX", "Error opening serial port"},
                 {file, "File handle is not a comm handle "},
                 {"/dev/null", "Cannot setup comm buffer"}};
    TComm other;
    for (const auto& c : cases) {
        other.SetCommName(c.path);
        EXPECT_EQ(ErrorOfOpen(other), c.error) << c.path;
        EXPECT_FALSE(other.IsOpen()) << c.path;
    }
    // Nor the lock of the file it opened.
    int fd = open(file.c_str(), O_RDWR);
    EXPECT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0);
    close(fd);

    // A port another component holds.
    OpenAndSettle();
    other.SetCommName(pty->slavePath());
    EXPECT_EQ(ErrorOfOpen(other), "Error opening serial port");
    EXPECT_FALSE(other.IsOpen());
    ASSERT_TRUE(comm.SendData("ok", 2));
    EXPECT_EQ(pty->read(2, milliseconds(2000)), "ok");
    comm.ClosePort();
    EXPECT_EQ(ErrorOfOpen(other), "");
    EXPECT_TRUE(other.IsOpen());
}

TEST_F(CommTest, DataGoesInOrderBothWaysWithOneEmptyReportPerBatch) {
    // Every byte value must come through, XON and XOFF included: in chunks of at most 2048.
    comm.SetOutx_XonXoffFlow(false);
    comm.SetInx_XonXoffFlow(false);
    OpenAndSettle();
    std::string burst = Pattern(5000, 3);
    ASSERT_TRUE(pty->write(burst));
    ASSERT_TRUE(PumpUntilOr([&] { return received.size() >= burst.size(); }));
    EXPECT_EQ(received, burst);
    EXPECT_GE(chunks.size(), 3u);
    for (const auto& chunk : chunks) {
        EXPECT_GT(chunk.size(), 0u);
        EXPECT_LE(chunk.size(), 2048u);
    }

    // Nothing to send is refused and reports nothing.
    EXPECT_FALSE(comm.SendData("x", 0));
    EXPECT_FALSE(comm.SendData(nullptr, 5));
    // The first block is more than the pty takes while nobody reads, so the other two queue
    // behind it.
    std::string first = Pattern(300000, 1);
    std::string second = Pattern(1000, 2);
    std::string third = Pattern(10, 3);
    ASSERT_TRUE(comm.SendData(first.data(), first.size()));
    EXPECT_FALSE(comm.SendEmpty());
    ASSERT_TRUE(comm.SendData(second.data(), second.size()));
    ASSERT_TRUE(comm.SendData(third.data(), third.size()));
    std::string all = first + second + third;
    EXPECT_EQ(pty->read(all.size(), milliseconds(10000)), all);
    ASSERT_TRUE(PumpUntilOr([this] { return emptyEvents > 0; }));
    EXPECT_TRUE(comm.SendEmpty());
    PumpFor(100);
    EXPECT_EQ(emptyEvents, 1);

    // Close ends a write that the other side does not take.
    std::string big(4 << 20, 'b');
    ASSERT_TRUE(comm.SendData(big.data(), big.size()));
    ASSERT_TRUE(comm.SendData("more", 4));
    EXPECT_EQ(pty->read(1, milliseconds(2000)), "b"); // the writer is at work
    auto start = Clock::now();
    comm.ClosePort();
    EXPECT_LT(Clock::now() - start, milliseconds(20000)); // waiting for the write: never
    PumpFor(50);
    EXPECT_EQ(hangups, 0);
    EXPECT_EQ(emptyEvents, 1);
}

TEST_F(CommTest, SettingsShowOnTheOtherSideAtOnceWhenTheyChange) {
    EXPECT_EQ(TComm().CommName(), "COM2");
    OpenAndSettle();
    termios tio = MasterSide();
    EXPECT_EQ(cfgetospeed(&tio), B9600);
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF), static_cast<tcflag_t>(IXON | IXOFF));
    EXPECT_EQ(tio.c_cc[VSTART], 0x11);
    EXPECT_EQ(tio.c_cc[VSTOP], 0x13);

    // Someone else changes the line behind the component's back; setting the value it has
    // writes nothing.
    cfsetospeed(&tio, B2400);
    cfsetispeed(&tio, B2400);
    ASSERT_EQ(tcsetattr(pty->master(), TCSANOW, &tio), 0);
    comm.SetBaudRate(9600);
    tio = MasterSide();
    EXPECT_EQ(cfgetospeed(&tio), B2400);

    comm.SetBaudRate(19200);
    comm.SetInx_XonXoffFlow(false);
    comm.SetStopBits(TStopBits::_2);
    comm.SetXoffChar(0x14);
    tio = MasterSide();
    EXPECT_EQ(cfgetospeed(&tio), B19200);
    EXPECT_EQ(tio.c_iflag & IXOFF, 0u);
    EXPECT_NE(tio.c_cflag & CSTOPB, 0u);
    EXPECT_EQ(tio.c_cc[VSTOP], 0x14);

    // Changed while closed: applied by the next open.
    comm.ClosePort();
    comm.SetBaudRate(4800);
    comm.SetOutx_XonXoffFlow(false);
    OpenAndSettle();
    tio = MasterSide();
    EXPECT_EQ(cfgetospeed(&tio), B4800);
    EXPECT_EQ(tio.c_iflag & IXON, 0u);
}

TEST_F(CommTest, XoffHoldsAWriteThatXonReleasesOrCloseEnds) {
    comm.SetInx_XonXoffFlow(false);
    OpenAndSettle();
    // XOFF stops the component's output; the marker behind it shows it has been taken in.
    ASSERT_TRUE(pty->write("\x13M"));
    ASSERT_TRUE(PumpUntilOr([this] { return received == "M"; }));
    ASSERT_TRUE(comm.SendData("held", 4));
    PumpFor(150);
    EXPECT_EQ(emptyEvents, 0);
    EXPECT_FALSE(comm.SendEmpty());
    EXPECT_EQ(pty->read(4, milliseconds(50)), "");
    ASSERT_TRUE(pty->write("\x11"));
    EXPECT_EQ(pty->read(4, milliseconds(2000)), "held");
    EXPECT_TRUE(PumpUntilOr([this] { return emptyEvents == 1; }));

    ASSERT_TRUE(pty->write("\x13N"));
    ASSERT_TRUE(PumpUntilOr([this] { return received == "MN"; }));
    ASSERT_TRUE(comm.SendData("held", 4));
    EXPECT_EQ(pty->read(4, milliseconds(100)), "");
    auto start = Clock::now();
    comm.ClosePort();
    EXPECT_LT(Clock::now() - start, milliseconds(20000)); // waiting for the write: never
    EXPECT_FALSE(comm.IsOpen());
    EXPECT_TRUE(comm.SendEmpty());
    PumpFor(50);
    EXPECT_EQ(hangups, 0);
    EXPECT_EQ(emptyEvents, 1);
}

TEST_F(CommTest, OtherSideGoingAwayIsReportedOnceAndThePortCanBeReopened) {
    OpenAndSettle();
    pty.reset();
    ASSERT_TRUE(PumpUntilOr([&] { return hangups > 0; }));
    comm.SendData("x", 1); // the writer fails too, but the owner hears of it only once
    PumpFor(100);
    EXPECT_EQ(hangups, 1);
    EXPECT_TRUE(comm.IsOpen());

    comm.ClosePort();
    pty.emplace();
    comm.SetCommName(pty->slavePath());
    comm.OpenPort();
    ASSERT_TRUE(comm.SendData("alive", 5));
    EXPECT_EQ(pty->read(5, milliseconds(2000)), "alive");
    ASSERT_TRUE(pty->write("yes"));
    EXPECT_TRUE(PumpUntilOr([&] { return received == "yes"; }));
    EXPECT_EQ(hangups, 1);
}

TEST_F(CommTest, EventsComeOnTheOwningThreadOnly) {
    std::thread::id ownerId;
    std::vector<std::thread::id> seen;
    std::thread owner([&] {
        ownerId = std::this_thread::get_id();
        TComm own;
        own.SetCommName(pty->slavePath());
        own.OnReceiveData = [&](TComm&, const char* b, std::size_t n) {
            seen.push_back(std::this_thread::get_id());
            received.append(b, n);
        };
        own.OnSendDataEmpty = [&](TComm&) { seen.push_back(std::this_thread::get_id()); };
        own.OpenPort();
        ASSERT_TRUE(own.SendData("hi", 2));
        ASSERT_TRUE(PumpUntilOr([&] { return received == "there"; }));
    });
    EXPECT_EQ(pty->read(2, milliseconds(5000)), "hi");
    ASSERT_TRUE(pty->write("there"));
    owner.join();
    EXPECT_EQ(received, "there");
    ASSERT_FALSE(seen.empty());
    for (auto id : seen) EXPECT_EQ(id, ownerId);
}

TEST_F(CommTest, EventsWaitForTheOwnerToPumpAndMayCloseThePort) {
    comm.OnReceiveData = [this](TComm& sender, const char* buffer, std::size_t length) {
        received.append(buffer, length);
        sender.ClosePort();
    };
    OpenAndSettle();
    ASSERT_TRUE(pty->write("bye"));
    // The report is queued for this thread, but nothing runs until it dispatches.
    pollfd p{plat::QueueFd(), POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, 5000), 1);
    EXPECT_TRUE(received.empty());
    plat::DispatchPending();
    EXPECT_FALSE(received.empty());
    EXPECT_FALSE(comm.IsOpen());
    // Reports queued before the close may still come; the component takes them closed.
    PumpFor(50);
    OpenAndSettle();
    EXPECT_TRUE(comm.IsOpen());
}

TEST_F(CommTest, DestroyingAnOpenComponentClosesItAndDropsItsEvents) {
    int events = 0;
    {
        TComm doomed;
        doomed.SetCommName(pty->slavePath());
        doomed.OnReceiveData = [&](TComm&, const char*, std::size_t) { ++events; };
        doomed.OnSendDataEmpty = [&](TComm&) { ++events; };
        doomed.OpenPort();
        ASSERT_TRUE(pty->write(std::string(3000, 'q')));
        pollfd p{plat::QueueFd(), POLLIN, 0};
        ASSERT_EQ(poll(&p, 1, 5000), 1);
    }
    plat::DispatchPending();
    EXPECT_EQ(events, 0);
    EXPECT_EQ(ErrorOfOpen(comm), "");
}

} // namespace
} // namespace fprn
