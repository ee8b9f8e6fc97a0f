#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>
#include <poll.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "msgqueue.h"
#include "ptypair.h"
#include "serialcomm.h"
#include "timer.h"

namespace fprn {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Pumps until `done` or `ms` pass; returns done().
bool PumpUntilOr(const std::function<bool()>& done, unsigned ms = 5000) {
    bool expired = false;
    plat::Timer deadline([&] { expired = true; });
    deadline.SetInterval(ms);
    deadline.SetEnabled(true);
    plat::PumpUntil([&] { return done() || expired; });
    return done();
}

void PumpFor(unsigned ms) {
    PumpUntilOr([] { return false; }, ms);
}

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
        comm.SetCommName(pty.slavePath());
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
        EXPECT_EQ(tcgetattr(pty.master(), &tio), 0);
        return tio;
    }

    test::PtyPair pty;
    TComm comm;
    std::vector<std::string> chunks;
    std::string received;
    int emptyEvents = 0;
    int hangups = 0;
};

std::string Pattern(std::size_t n, int seed) {
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 31 + seed) & 0xFF);
    return s;
}

TEST(TCommProperties, StartWithTheirDefaults) {
    TComm comm;
    EXPECT_EQ(comm.CommName(), "COM2");
    EXPECT_EQ(comm.BaudRate(), 9600u);
    EXPECT_FALSE(comm.ParityCheck());
    EXPECT_FALSE(comm.Outx_CtsFlow());
    EXPECT_FALSE(comm.Outx_DsrFlow());
    EXPECT_EQ(comm.DtrControl(), TDtrControl::DtrEnable);
    EXPECT_FALSE(comm.DsrSensitivity());
    EXPECT_TRUE(comm.TxContinueOnXoff());
    EXPECT_TRUE(comm.Outx_XonXoffFlow());
    EXPECT_TRUE(comm.Inx_XonXoffFlow());
    EXPECT_FALSE(comm.ReplaceWhenParityError());
    EXPECT_FALSE(comm.IgnoreNullChar());
    EXPECT_EQ(comm.RtsControl(), TRtsControl::RtsEnable);
    EXPECT_EQ(comm.XonLimit(), 500);
    EXPECT_EQ(comm.XoffLimit(), 500);
    EXPECT_EQ(comm.ByteSize(), TByteSize::_8);
    EXPECT_EQ(comm.Parity(), TParity::None);
    EXPECT_EQ(comm.StopBits(), TStopBits::_1);
    EXPECT_EQ(comm.XonChar(), 0x11);
    EXPECT_EQ(comm.XoffChar(), 0x13);
    EXPECT_EQ(comm.ReplacedChar(), 0x00);
    EXPECT_EQ(comm.ReadIntervalTimeout(), 100u);
    EXPECT_EQ(comm.ReadTotalTimeoutMultiplier(), 0u);
    EXPECT_EQ(comm.ReadTotalTimeoutConstant(), 0u);
    EXPECT_EQ(comm.WriteTotalTimeoutMultiplier(), 0u);
    EXPECT_EQ(comm.WriteTotalTimeoutConstant(), 0u);
    EXPECT_FALSE(comm.IsOpen());
    EXPECT_TRUE(comm.SendEmpty());
}

TEST_F(CommTest, OpensClosesAndReopens) {
    OpenAndSettle();
    EXPECT_TRUE(comm.IsOpen());
    comm.OpenPort(); // already open: nothing happens
    EXPECT_TRUE(comm.IsOpen());
    comm.ClosePort();
    EXPECT_FALSE(comm.IsOpen());
    comm.ClosePort();
    EXPECT_FALSE(comm.IsOpen());

    OpenAndSettle();
    ASSERT_TRUE(comm.SendData("again", 5));
    EXPECT_EQ(pty.read(5, milliseconds(2000)), "again");
    ASSERT_TRUE(pty.write("back"));
    EXPECT_TRUE(PumpUntilOr([this] { return received == "back"; }));
}

TEST_F(CommTest, EachOpenFailureHasItsMessageAndHoldsNothing) {
    TComm other;
    other.SetCommName("/nonexistent/ttyX");
    EXPECT_EQ(ErrorOfOpen(other), "Error opening serial port");
    EXPECT_FALSE(other.IsOpen());

    char path[] = "/tmp/fprn_commXXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    close(fd);
    other.SetCommName(path);
    EXPECT_EQ(ErrorOfOpen(other), "File handle is not a comm handle ");
    EXPECT_FALSE(other.IsOpen());
    unlink(path);

    other.SetCommName("/dev/null");
    EXPECT_EQ(ErrorOfOpen(other), "Cannot setup comm buffer");
    EXPECT_FALSE(other.IsOpen());

    OpenAndSettle();
    other.SetCommName(pty.slavePath());
    EXPECT_EQ(ErrorOfOpen(other), "Error opening serial port");
    EXPECT_FALSE(other.IsOpen());
    EXPECT_FALSE(other.SendData("x", 1));
    // The failed opener held nothing: the first still works, and after it closes the port is
    // free.
    ASSERT_TRUE(comm.SendData("ok", 2));
    EXPECT_EQ(pty.read(2, milliseconds(2000)), "ok");
    comm.ClosePort();
    EXPECT_EQ(ErrorOfOpen(other), "");
    EXPECT_TRUE(other.IsOpen());
}

TEST_F(CommTest, ComNameFollowsTheEnvironment) {
    setenv("FPRN_COM7", pty.slavePath().c_str(), 1);
    comm.SetCommName("COM7");
    EXPECT_EQ(ErrorOfOpen(comm), "");
    EXPECT_TRUE(comm.IsOpen());
    unsetenv("FPRN_COM7");
}

TEST_F(CommTest, BurstArrivesInOrderInChunksOfAtMost2048) {
    // Every byte value must come through, XON and XOFF included.
    comm.SetOutx_XonXoffFlow(false);
    comm.SetInx_XonXoffFlow(false);
    OpenAndSettle();
    std::string burst = Pattern(5000, 3);
    ASSERT_TRUE(pty.write(burst));
    ASSERT_TRUE(PumpUntilOr([&] { return received.size() >= burst.size(); }));
    EXPECT_EQ(received, burst);
    EXPECT_GE(chunks.size(), 3u);
    for (const auto& chunk : chunks) {
        EXPECT_GT(chunk.size(), 0u);
        EXPECT_LE(chunk.size(), 2048u);
    }
}

TEST_F(CommTest, QuickSendsAreWrittenInOrderWithOneEmptyReport) {
    comm.SetOutx_XonXoffFlow(false);
    OpenAndSettle();
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
    EXPECT_EQ(pty.read(all.size(), milliseconds(10000)), all);
    ASSERT_TRUE(PumpUntilOr([this] { return emptyEvents > 0; }));
    EXPECT_TRUE(comm.SendEmpty());
    PumpFor(100);
    EXPECT_EQ(emptyEvents, 1);
    EXPECT_EQ(hangups, 0);
}

TEST_F(CommTest, SendDataRefusesWhatItCannotSend) {
    EXPECT_FALSE(comm.SendData("x", 1)); // closed
    OpenAndSettle();
    EXPECT_FALSE(comm.SendData("x", 0));
    EXPECT_FALSE(comm.SendData(nullptr, 5));
    EXPECT_TRUE(comm.SendEmpty());
    PumpFor(50);
    EXPECT_EQ(emptyEvents, 0);
    EXPECT_EQ(pty.read(1, milliseconds(50)), "");
}

TEST_F(CommTest, SettingsShowOnTheOtherSideAtOnce) {
    OpenAndSettle();
    termios tio = MasterSide();
    EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(tio.c_oflag & OPOST, 0u);
    EXPECT_EQ(cfgetospeed(&tio), B9600);
    EXPECT_NE(tio.c_iflag & IXOFF, 0u);
    EXPECT_NE(tio.c_iflag & IXON, 0u);
    EXPECT_EQ(tio.c_cc[VSTART], 0x11);
    EXPECT_EQ(tio.c_cc[VSTOP], 0x13);

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
    EXPECT_EQ(cfgetospeed(&tio), B19200);
    OpenAndSettle();
    tio = MasterSide();
    EXPECT_EQ(cfgetospeed(&tio), B4800);
    EXPECT_EQ(tio.c_iflag & IXON, 0u);
}

TEST_F(CommTest, UnchangedValueLeavesThePortAlone) {
    OpenAndSettle();
    // Someone else changes the line behind the component's back.
    termios tio = MasterSide();
    cfsetospeed(&tio, B2400);
    cfsetispeed(&tio, B2400);
    ASSERT_EQ(tcsetattr(pty.master(), TCSANOW, &tio), 0);
    comm.SetBaudRate(9600); // the value it has: nothing is written
    tio = MasterSide();
    EXPECT_EQ(cfgetospeed(&tio), B2400);
    comm.SetBaudRate(38400);
    tio = MasterSide();
    EXPECT_EQ(cfgetospeed(&tio), B38400);
}

TEST_F(CommTest, NameChangedWhileOpenWaitsForTheNextOpen) {
    test::PtyPair second;
    OpenAndSettle();
    comm.SetCommName(second.slavePath());
    ASSERT_TRUE(comm.SendData("one", 3));
    EXPECT_EQ(pty.read(3, milliseconds(2000)), "one");
    comm.ClosePort();
    OpenAndSettle();
    ASSERT_TRUE(comm.SendData("two", 3));
    EXPECT_EQ(second.read(3, milliseconds(2000)), "two");
    EXPECT_EQ(pty.read(1, milliseconds(50)), "");
}

TEST_F(CommTest, CloseEndsAWriteHeldByXoff) {
    comm.SetOutx_XonXoffFlow(true);
    comm.SetInx_XonXoffFlow(false);
    OpenAndSettle();
    // XOFF stops the component's output; the marker behind it shows it has been taken in.
    ASSERT_TRUE(pty.write("\x13M"));
    ASSERT_TRUE(PumpUntilOr([this] { return received == "M"; }));
    ASSERT_TRUE(comm.SendData("held", 4));
    PumpFor(150);
    EXPECT_EQ(emptyEvents, 0);
    EXPECT_FALSE(comm.SendEmpty());
    EXPECT_EQ(pty.read(4, milliseconds(50)), "");

    auto start = Clock::now();
    comm.ClosePort();
    EXPECT_LT(Clock::now() - start, milliseconds(2000));
    EXPECT_FALSE(comm.IsOpen());
    EXPECT_TRUE(comm.SendEmpty());
    PumpFor(50);
    EXPECT_EQ(hangups, 0);
}

TEST_F(CommTest, XonReleasesAHeldWrite) {
    comm.SetOutx_XonXoffFlow(true);
    comm.SetInx_XonXoffFlow(false);
    OpenAndSettle();
    ASSERT_TRUE(pty.write("\x13M"));
    ASSERT_TRUE(PumpUntilOr([this] { return received == "M"; }));
    ASSERT_TRUE(comm.SendData("held", 4));
    EXPECT_EQ(pty.read(4, milliseconds(100)), "");
    ASSERT_TRUE(pty.write("\x11"));
    EXPECT_EQ(pty.read(4, milliseconds(2000)), "held");
    EXPECT_TRUE(PumpUntilOr([this] { return emptyEvents == 1; }));
}

TEST_F(CommTest, CloseEndsAWriteThatTheOtherSideDoesNotTake) {
    comm.SetOutx_XonXoffFlow(false);
    OpenAndSettle();
    std::string big(4 << 20, 'b');
    ASSERT_TRUE(comm.SendData(big.data(), big.size()));
    ASSERT_TRUE(comm.SendData("more", 4));
    EXPECT_EQ(pty.read(1, milliseconds(2000)), "b"); // the writer is at work
    auto start = Clock::now();
    comm.ClosePort();
    EXPECT_LT(Clock::now() - start, milliseconds(2000));
    PumpFor(50);
    EXPECT_EQ(hangups, 0);
    EXPECT_EQ(emptyEvents, 0);
}

TEST(TCommHangUp, OtherSideGoingAwayIsReportedOnceAndThePortCanBeReopened) {
    std::optional<test::PtyPair> pty;
    pty.emplace();
    TComm comm;
    int hangups = 0;
    int empties = 0;
    std::string received;
    comm.OnRequestHangup = [&](TComm&) { ++hangups; };
    comm.OnSendDataEmpty = [&](TComm&) { ++empties; };
    comm.OnReceiveData = [&](TComm&, const char* b, std::size_t n) { received.append(b, n); };
    comm.SetCommName(pty->slavePath());
    comm.OpenPort();
    ASSERT_TRUE(PumpUntilOr([&] { return empties == 1; }));

    pty.reset();
    ASSERT_TRUE(PumpUntilOr([&] { return hangups > 0; }));
    comm.SendData("x", 1); // the writer fails too, but the owner hears of it only once
    PumpFor(100);
    EXPECT_EQ(hangups, 1);
    EXPECT_TRUE(comm.IsOpen());

    comm.ClosePort();
    EXPECT_FALSE(comm.IsOpen());
    pty.emplace();
    comm.SetCommName(pty->slavePath());
    comm.OpenPort();
    ASSERT_TRUE(comm.SendData("alive", 5));
    EXPECT_EQ(pty->read(5, milliseconds(2000)), "alive");
    ASSERT_TRUE(pty->write("yes"));
    EXPECT_TRUE(PumpUntilOr([&] { return received == "yes"; }));
    EXPECT_EQ(hangups, 1);
}

TEST_F(CommTest, EventsWaitForTheOwnerToPump) {
    OpenAndSettle();
    ASSERT_TRUE(pty.write("ping"));
    // The report is queued for this thread, but nothing runs until it dispatches.
    pollfd p{plat::QueueFd(), POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, 5000), 1);
    EXPECT_TRUE(received.empty());
    plat::DispatchPending();
    EXPECT_FALSE(received.empty());
}

TEST(TCommThreads, EventsComeOnTheOwningThreadOnly) {
    test::PtyPair pty;
    std::thread::id ownerId;
    std::vector<std::thread::id> seen;
    std::string received;
    std::thread owner([&] {
        ownerId = std::this_thread::get_id();
        TComm comm;
        comm.SetCommName(pty.slavePath());
        comm.OnReceiveData = [&](TComm&, const char* b, std::size_t n) {
            seen.push_back(std::this_thread::get_id());
            received.append(b, n);
        };
        comm.OnSendDataEmpty = [&](TComm&) { seen.push_back(std::this_thread::get_id()); };
        comm.OpenPort();
        ASSERT_TRUE(comm.SendData("hi", 2));
        ASSERT_TRUE(PumpUntilOr([&] { return received == "there"; }));
    });
    EXPECT_EQ(pty.read(2, milliseconds(5000)), "hi");
    ASSERT_TRUE(pty.write("there"));
    owner.join();
    EXPECT_EQ(received, "there");
    ASSERT_FALSE(seen.empty());
    for (auto id : seen) EXPECT_EQ(id, ownerId);
}

TEST_F(CommTest, ClosingFromItsOwnHandlerIsSafe) {
    comm.OnReceiveData = [this](TComm& sender, const char* buffer, std::size_t length) {
        received.append(buffer, length);
        sender.ClosePort();
    };
    OpenAndSettle();
    ASSERT_TRUE(pty.write("bye"));
    ASSERT_TRUE(PumpUntilOr([this] { return !comm.IsOpen(); }));
    EXPECT_FALSE(received.empty());
    // Reports queued before the close may still come; the component takes them closed.
    PumpFor(50);
    OpenAndSettle();
    EXPECT_TRUE(comm.IsOpen());
}

TEST(TCommLifetime, DestroyingAnOpenComponentClosesItAndDropsItsEvents) {
    test::PtyPair pty;
    int events = 0;
    {
        TComm comm;
        comm.SetCommName(pty.slavePath());
        comm.OnReceiveData = [&](TComm&, const char*, std::size_t) { ++events; };
        comm.OnSendDataEmpty = [&](TComm&) { ++events; };
        comm.OpenPort();
        ASSERT_TRUE(pty.write(std::string(3000, 'q')));
        pollfd p{plat::QueueFd(), POLLIN, 0};
        ASSERT_EQ(poll(&p, 1, 5000), 1);
    }
    plat::DispatchPending();
    EXPECT_EQ(events, 0);
    TComm next;
    next.SetCommName(pty.slavePath());
    EXPECT_EQ(ErrorOfOpen(next), "");
}

} // namespace
} // namespace fprn
