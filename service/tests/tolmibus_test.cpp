// The packet transport against the fake boot loader on a pseudo-terminal.
#include "bootloader.h"
#include "dynlib.h"
#include "msgqueue.h"
#include "ptypair.h"
#include "serialcomm.h"
#include "tempdir.h"
#include "timer.h"
#include "tolmibus.h"

#include <chrono>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

using namespace fprn;
using fprn::emu::BootAction;
using fprn::emu::BootPacket;
using fprn::emu::FakeBootLoader;
namespace tb = fprn::tolmibus;
namespace fs = std::filesystem;

namespace {

constexpr std::uint32_t Station = 5718;
const unsigned RateTable[] = {9600, 19200, 38400, 57600, 115200};

std::vector<unsigned> RatesOf(const std::vector<BootPacket>& packets) {
    std::vector<unsigned> rates;
    for (const auto& p : packets) rates.push_back(p.rate);
    return rates;
}

class TransportTest : public ::testing::Test {
protected:
    TransportTest() {
        comm.SetTuning(Tuning(150, 50));
        comm.SetRetryInterval(150);
        comm.SetCommName(pty->slavePath());
    }
    void TearDown() override {
        if (comm.isActive()) comm.SetActive(false);
        loader->Stop();
    }
    TTolmIBusComm::Tuning Tuning(int logonWaitMs, int wakeUpPauseMs) const {
        return {logonWaitMs, wakeUpPauseMs, dir.path().string()};
    }
    void Open(unsigned printerRate = 9600) {
        loader = std::make_unique<FakeBootLoader>(pty->master(), printerRate);
        loader->Start();
        comm.SetActive(true);
    }
    // Posts to `target` on the test's own thread (as a button would act) when the loader sees
    // a packet that `when` picks.
    void PostWhen(plat::Target& target, std::function<bool(const BootPacket&)> when) {
        loader->SetOnPacket([ref = target.Ref(), when](const BootPacket& p) {
            if (when(p)) ref.Post(1);
        });
    }
    // Nothing more arrives after the operation ended.
    void ExpectNothingMore(std::size_t packets) {
        EXPECT_TRUE(loader->WaitQuiet(300, 5000));
        EXPECT_EQ(loader->Packets().size(), packets);
    }

    test::TempDir dir{"tolmibus"};
    std::unique_ptr<test::PtyPair> pty = std::make_unique<test::PtyPair>();
    std::unique_ptr<FakeBootLoader> loader = std::make_unique<FakeBootLoader>(pty->master());
    TTolmIBusComm comm;
    plat::Target aborter{[this](plat::Message&) { comm.Abort(); }};
};

} // namespace

TEST_F(TransportTest, OpenCloseAndTheTraceFileBestEffort) {
    comm.SetRetryCount(11);
    EXPECT_EQ(comm.RetryCount(), 10);
    comm.SetRetryCount(-1);
    EXPECT_EQ(comm.RetryCount(), 0);
    // Nothing open: every operation fails at once.
    EXPECT_FALSE(comm.SendBlock(tb::CmdProgram, 16));
    EXPECT_TRUE(comm.Failed());
    EXPECT_FALSE(comm.SendWakeUp());
    EXPECT_FALSE(comm.Logon(Station, false));

    TTolmIBusComm other; // traces into the program's folder
    std::string shown;
    other.SetMessageReporter([&](const std::string& text) { shown = text; });
    other.SetCommName("/nonexistent/ttyX");
    EXPECT_THROW(other.SetActive(true), ECommsError);
    EXPECT_EQ(shown, "Error opening /nonexistent/ttyX!\r\nplease select other ports.");
    EXPECT_FALSE(other.isActive());

    const fs::path trace = dir.path() / "DEBUG.LOG";
    const fs::path defaultTrace = plat::ProgramFolder() + "DEBUG.LOG";
    std::ofstream(trace) << "old contents";
    std::ofstream(defaultTrace) << "left from before";
    Open();
    other.SetCommName(pty->slavePath());
    EXPECT_THROW(other.SetActive(true), ECommsError); // the port is held meanwhile
    comm.SetActive(false);
    EXPECT_FALSE(comm.isActive());
    ASSERT_TRUE(fs::exists(trace));
    EXPECT_EQ(fs::file_size(trace), 0u);
    // A trace file that cannot be written does not fail the close.
    fs::remove(trace);
    fs::create_directory(trace);
    comm.SetActive(true);
    EXPECT_NO_THROW(comm.SetActive(false));
    {
        TTolmIBusComm first; // its destructor frees the port
        first.SetCommName(pty->slavePath());
        first.SetActive(true);
        EXPECT_THROW(other.SetActive(true), ECommsError);
    }
    EXPECT_NO_THROW(other.SetActive(true));
    other.SetActive(false);
    EXPECT_EQ(fs::file_size(defaultTrace), 0u);
}

class RateHuntTest : public TransportTest, public ::testing::WithParamInterface<int> {};

TEST_P(RateHuntTest, LogonFindsThePrinterRateThenMovesToBaudRate) {
    comm.SetBaudRate(TBaudRate::tbr115200);
    Open(RateTable[GetParam()]);
    std::time_t before = std::time(nullptr);
    ASSERT_TRUE(comm.Connect(Station, true));
    // 9600, then up the table from its start.
    std::vector<unsigned> hunted = {9600};
    if (GetParam() > 0) hunted.insert(hunted.end(), RateTable, RateTable + GetParam() + 1);
    hunted.push_back(115200); // the identification request, at the rate the logon named
    auto packets = loader->Packets();
    EXPECT_EQ(RatesOf(packets), hunted);
    ASSERT_EQ(packets.size(), hunted.size());
    for (std::size_t i = 0; i + 1 < packets.size(); ++i)
        EXPECT_TRUE(packets[i].command == tb::CmdLogon && packets[i].number == 1) << i;
    const BootPacket& id = packets.back();
    EXPECT_TRUE(id.rateOk);
    EXPECT_EQ(id.number, 0x10);
    EXPECT_EQ(id.data[2], 0x10);

    // Station low pair first, clock in BCD, rate ordinal, strict flag.
    const auto& logon = packets[packets.size() - 2].data;
    std::tm local{};
    localtime_r(&before, &local);
    const std::uint8_t station[] = {0x18, 0x57, 0, 0};
    EXPECT_TRUE(std::equal(station, station + 4, logon.begin()));
    EXPECT_EQ(logon[4], tb::ByteToBcd(static_cast<unsigned>(local.tm_year + 1900)));
    EXPECT_EQ(logon[5], tb::ByteToBcd(static_cast<unsigned>(local.tm_mon + 1)));
    EXPECT_EQ(logon[10], 4); // tbr115200
    EXPECT_EQ(logon[11], 0); // strict
}

INSTANTIATE_TEST_SUITE_P(EachRate, RateHuntTest, ::testing::Range(0, 5));

TEST_F(TransportTest, LogonEndsAtAStrictNakOrAfterTwentyOneSendsOverTheRates) {
    Open();
    loader->Script(tb::CmdLogon, 1, {BootAction::Nak, BootAction::Nak});
    EXPECT_FALSE(comm.Logon(Station, true));
    EXPECT_TRUE(comm.Failed());
    ExpectNothingMore(1);
    EXPECT_TRUE(comm.Logon(Station, false)); // not strict: on to the next send
    EXPECT_FALSE(comm.Failed());
    auto packets = loader->Packets();
    ASSERT_EQ(packets.size(), 3u);
    EXPECT_EQ(packets[1].action, BootAction::Nak);
    EXPECT_EQ(packets[1].data[11], 1);
    EXPECT_EQ(packets[2].rate, 9600u);

    // Short, as nothing answers, yet long enough for the loader to see each rate under load.
    comm.SetTuning(Tuning(100, 50));
    loader->SetSilent(true);
    EXPECT_FALSE(comm.Logon(Station, false));
    EXPECT_TRUE(comm.Failed());
    std::vector<unsigned> expected = {9600};
    for (int a = 0; a < 20; ++a) expected.push_back(RateTable[a % 5]);
    ExpectNothingMore(3 + 21);
    packets = loader->Packets();
    EXPECT_EQ(RatesOf({packets.begin() + 3, packets.end()}), expected);
}

TEST_F(TransportTest, BlocksAreRepeatedOnNakAndSilenceUpToRetryCount) {
    Open();
    ASSERT_TRUE(comm.Logon(Station, true));
    comm.DataArea().fill(0x5A);
    const auto N = BootAction::Nak, D = BootAction::Drop;
    struct Case {
        int retryCount;
        std::vector<BootAction> script;
        bool ok;
        std::size_t sends;
    } cases[] = {{6, {N, D, N}, true, 4},
                 {6, std::vector<BootAction>(7, D), false, 7},
                 {0, {N}, false, 1},
                 {0, {}, true, 1},
                 {2, {N, N, N}, false, 3}};
    std::uint16_t number = 16;
    for (const Case& c : cases) {
        SCOPED_TRACE(number);
        comm.SetRetryCount(c.retryCount);
        loader->Script(tb::CmdProgram, number, c.script);
        std::size_t before = loader->Packets().size();
        EXPECT_EQ(comm.SendBlock(tb::CmdProgram, number), c.ok);
        EXPECT_EQ(comm.Failed(), !c.ok);
        ExpectNothingMore(before + c.sends);
        auto packets = loader->Packets();
        for (std::size_t i = before; i < packets.size(); ++i)
            EXPECT_TRUE(packets[i].number == number && packets[i].data[0] == 0x5A) << i;
        ++number;
    }
}

TEST_F(TransportTest, GarbledRepliesAreSkippedOrRepeated) {
    Open();
    std::array<std::uint8_t, 256> id{}, request{};
    for (std::size_t i = 0; i < id.size(); ++i) id[i] = static_cast<std::uint8_t>(255 - i);
    request[2] = 0x10;
    loader->SetIdentification(id);
    ASSERT_TRUE(comm.Logon(Station, true));
    const std::pair<BootAction, std::size_t> cases[] = {
        {BootAction::Noise, 1},  {BootAction::Split, 1}, {BootAction::WrongEcho, 2},
        {BootAction::BadSum, 2}, {BootAction::Nak, 2},   {BootAction::Drop, 2}};
    for (auto [action, sends] : cases) {
        SCOPED_TRACE(static_cast<int>(action));
        std::size_t before = loader->Packets().size();
        loader->Script(tb::CmdLogon, 0x10, {action});
        comm.DataArea().fill(0);
        EXPECT_TRUE(comm.ReadIdentification());
        EXPECT_EQ(comm.DataArea(), id);
        EXPECT_EQ(loader->Packets().size() - before, sends);
    }
    // Spent repeats: the data area keeps the last reply that failed its sum, or, when nothing
    // came, the request itself.
    comm.SetRetryCount(1);
    loader->Script(tb::CmdLogon, 0x10, {BootAction::BadSum, BootAction::BadSum});
    EXPECT_FALSE(comm.ReadIdentification());
    EXPECT_EQ(comm.DataArea(), id);
    loader->Script(tb::CmdLogon, 0x10, {BootAction::Drop, BootAction::Drop});
    EXPECT_FALSE(comm.ReadIdentification());
    EXPECT_EQ(comm.DataArea(), request);
}

// Cancel ends a pause at once, and wins over an answer that comes after it.
TEST_F(TransportTest, CancelEndsAPauseAndBeatsALaterAnswer) {
    EXPECT_TRUE(comm.Delay(10));
    aborter.Post(1);
    EXPECT_FALSE(DelaySeconds(comm, 60));
    EXPECT_TRUE(comm.Failed());

    Open();
    loader->SetOnWakeUp([ref = aborter.Ref()](int) { ref.Post(1); });
    comm.SetTuning(Tuning(150, 60000));
    EXPECT_FALSE(comm.SendWakeUpTwice());
    EXPECT_TRUE(comm.Failed());
    EXPECT_TRUE(loader->WaitQuiet(300, 5000));
    EXPECT_EQ(loader->WakeUpBursts(), 1);

    ASSERT_TRUE(comm.Logon(Station, true));
    PostWhen(aborter, [](const BootPacket& p) { return p.number == 30; }); // the loader ACKs
    EXPECT_FALSE(comm.SendBlock(tb::CmdProgram, 30));
    ExpectNothingMore(2);
}

TEST_F(TransportTest, BroadcastSendsEachPacketOnceWithoutAnswers) {
    Open(38400);
    loader->SetSilent(true);
    comm.SetBroadCast(true);
    comm.SetBroadCastInterval(50);
    comm.SetBaudRate(TBaudRate::tbr38400);
    EXPECT_TRUE(comm.Logon(Station, true));
    EXPECT_TRUE(comm.SendBlock(tb::CmdProgram, 16));
    EXPECT_TRUE(comm.SendEndOfProgram(0x1234));
    comm.SetBroadCastScaleType(TBroadCastScaleType::tbs5120);
    EXPECT_TRUE(comm.Logon(Station, false));
    ExpectNothingMore(4);
    auto packets = loader->Packets();
    const BootPacket& logon = packets[0];
    EXPECT_EQ(logon.rate, 38400u); // straight at BaudRate, no hunting
    EXPECT_EQ(logon.data[10], 2);
    EXPECT_EQ(logon.data[11], 0x5A);
    for (std::size_t i = 0; i < 256; ++i) // station 0, and an empty station list
        EXPECT_TRUE((i >= 4 && i < 32) || logon.data[i] == 0) << i;
    EXPECT_EQ(packets[1].number, 16);
    EXPECT_EQ(packets[2].data[0], 0x34);
    EXPECT_EQ(packets[2].data[1], 0x12);
    EXPECT_EQ(packets[3].data[11], 0xA5);
    // A NAK still fails a broadcast packet.
    loader->SetSilent(false);
    loader->Script(tb::CmdProgram, 17, {BootAction::Nak});
    EXPECT_FALSE(comm.SendBlock(tb::CmdProgram, 17));
    EXPECT_TRUE(comm.Failed());
}

TEST_F(TransportTest, HangUpEndsTheWaitAndLaterOperations) {
    Open();
    ASSERT_TRUE(comm.Logon(Station, true));
    comm.SetRetryInterval(60000);
    // The printer's side goes away while a block waits for its answer.
    plat::Target closer([&](plat::Message&) {
        loader->Stop();
        pty.reset();
    });
    loader->Script(tb::CmdProgram, 40, {BootAction::Drop});
    PostWhen(closer, [](const BootPacket& p) { return p.number == 40; });
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_FALSE(comm.SendBlock(tb::CmdProgram, 40));
    // Far below one answer wait: the hang-up ended it, not the timer.
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(30));
    EXPECT_TRUE(comm.Failed());
    EXPECT_FALSE(comm.SendBlock(tb::CmdProgram, 41));
    EXPECT_FALSE(comm.SendWakeUp());
    comm.SetActive(false);
    pty = std::make_unique<test::PtyPair>(); // for TearDown
    loader = std::make_unique<FakeBootLoader>(pty->master());
}

TEST_F(TransportTest, OperationStartedFromAHandlerDuringAWaitIsRefused) {
    Open();
    bool nested = true;
    plat::Target intruder([&](plat::Message&) { nested = comm.SendBlock(tb::CmdProgram, 99); });
    loader->Script(tb::CmdLogon, 1, {BootAction::Drop});
    PostWhen(intruder, [](const BootPacket& p) { return p.command == tb::CmdLogon; });
    EXPECT_TRUE(comm.Logon(Station, true)); // the second logon at 9600 is answered
    EXPECT_FALSE(nested);
    for (const auto& p : loader->Packets()) EXPECT_NE(p.number, 99);
}

// The writer reports an empty queue once when it starts. Arriving late, that report must not
// pass for the end of the burst: the rate may go back only once the bytes have left.
TEST_F(TransportTest, WakeUpWaitsForItsOwnBurstToLeave) {
    comm.SetActive(true); // no loader: the test plays the other side
    pollfd queue{plat::QueueFd(), POLLIN, 0};
    ASSERT_EQ(poll(&queue, 1, 5000), 1); // the writer's start-up report is queued
    // Hold the line's output so that the burst cannot leave until it is released.
    int line = ::open(pty->slavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(line, 0);
    ASSERT_EQ(tcflow(line, TCOOFF), 0);
    bool released = false;
    plat::Timer release([&] { released = tcflow(line, TCOON) == 0; });
    release.SetInterval(200);
    release.SetEnabled(true);
    EXPECT_TRUE(comm.SendWakeUp());
    EXPECT_TRUE(released);
    release.SetEnabled(false);
    if (!released) tcflow(line, TCOON);
    ::close(line);
    EXPECT_EQ(pty->read(64, std::chrono::milliseconds(2000)), std::string(64, '\x66'));
}

// A line that never takes the bytes fails the operation after a bounded wait instead of holding
// it, and closing the port is not held by it either.
TEST_F(TransportTest, BlockedLineFailsTheSendAndDoesNotHoldTheClose) {
    Open();
    int line = ::open(pty->slavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(line, 0);
    ASSERT_EQ(tcflow(line, TCOOFF), 0);
    EXPECT_FALSE(comm.SendBlock(tb::CmdProgram, 16));
    EXPECT_TRUE(comm.Failed());
    EXPECT_EQ(comm.GetStats().packets, 1); // no repeat behind a line that does not move
    comm.SetActive(false);
    EXPECT_FALSE(comm.isActive());
    tcflow(line, TCOON);
    ::close(line);
    EXPECT_TRUE(loader->WaitQuiet(200, 5000));
    EXPECT_TRUE(loader->Packets().empty());
}
