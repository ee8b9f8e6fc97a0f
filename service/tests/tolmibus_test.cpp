// The packet transport against the fake boot loader on a pseudo-terminal.
#include "bootloader.h"
#include "dynlib.h"
#include "msgqueue.h"
#include "ptypair.h"
#include "serialcomm.h"
#include "timer.h"
#include "tolmibus.h"

#include <chrono>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iostream>
#include <poll.h>
#include <random>
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
constexpr int ShortWait = 150;

std::vector<std::uint8_t> MakeImage(std::size_t size, std::uint32_t seed) {
    std::vector<std::uint8_t> image(size);
    std::mt19937 rng(seed);
    for (auto& b : image) b = static_cast<std::uint8_t>(rng());
    if (size >= 65532) {
        image[65530] = 'P';
        image[65531] = 'L';
    }
    return image;
}

std::uint16_t ImageSum(const std::vector<std::uint8_t>& image) {
    std::size_t n = image.size() >= 65536 ? 65534 : image.size();
    return tb::PacketSum(image.data(), n);
}

// Drives the transport through a whole download as the update procedure does.
bool Download(TTolmIBusComm& c, const std::vector<std::uint8_t>& image, bool full) {
    std::uint16_t sum = ImageSum(image);
    if (!c.SendWakeUpTwice()) return false;
    if (!c.Connect(Station, true)) return false;
    if (!c.SendBlock(tb::CmdProgram, full ? 0x0F0F : 0)) return false;
    if (!c.SendWakeUp()) return false;
    std::size_t blocks = (image.size() + 255) / 256;
    for (std::size_t i = 0; i < blocks; ++i) {
        std::size_t n = std::min<std::size_t>(256, image.size() - 256 * i);
        std::copy_n(image.begin() + static_cast<long>(256 * i), n, c.DataArea().begin());
        if (!full && i < 16) continue;
        if (i == 255) {
            c.DataArea()[254] = static_cast<std::uint8_t>(sum & 0xFF);
            c.DataArea()[255] = static_cast<std::uint8_t>(sum >> 8);
        }
        auto number = static_cast<std::uint16_t>(full && i < 16 ? 0x0E00 + i : i);
        if (!c.SendBlock(tb::CmdProgram, number)) return false;
    }
    return c.SendEndOfProgram(sum);
}

std::vector<unsigned> RatesOf(const std::vector<BootPacket>& packets) {
    std::vector<unsigned> rates;
    for (const auto& p : packets) rates.push_back(p.rate);
    return rates;
}

class TransportTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() /
                 ("tolmibus-" + std::to_string(::getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(folder);
        TTolmIBusComm::Tuning tuning;
        tuning.logonWaitMs = ShortWait;
        tuning.wakeUpPauseMs = 50;
        tuning.traceFolder = folder.string();
        comm.SetTuning(tuning);
        comm.SetRetryInterval(ShortWait);
        comm.SetCommName(pty->slavePath());
    }
    void TearDown() override {
        if (comm.isActive()) comm.SetActive(false);
        loader->Stop();
        fs::remove_all(folder);
    }
    void Open(unsigned printerRate = 9600) {
        loader = std::make_unique<FakeBootLoader>(pty->master(), printerRate);
        ConfigureLoader();
        loader->Start();
        comm.SetActive(true);
    }
    virtual void ConfigureLoader() {}
    // Calls Abort on the test's own thread, as a Cancel button would, when the loader sees
    // what `when` picks.
    void AbortWhen(std::function<bool(const BootPacket&)> when) {
        loader->SetOnPacket([ref = aborter.Ref(), when](const BootPacket& p) {
            if (when(p)) ref.Post(1);
        });
    }
    // Nothing more arrives after the operation ended.
    void ExpectNothingMore(std::size_t packets) {
        EXPECT_TRUE(loader->WaitQuiet(300, 5000));
        EXPECT_EQ(loader->Packets().size(), packets);
    }

    std::unique_ptr<test::PtyPair> pty = std::make_unique<test::PtyPair>();
    std::unique_ptr<FakeBootLoader> loader =
        std::make_unique<FakeBootLoader>(pty->master()); // replaced by Open
    TTolmIBusComm comm;
    plat::Target aborter{[this](plat::Message&) { comm.Abort(); }};
    fs::path folder;
};

} // namespace

TEST(TransportDefaultsTest, PropertiesAndRanges) {
    TTolmIBusComm c;
    EXPECT_EQ(c.CommName(), "");
    EXPECT_FALSE(c.isActive());
    EXPECT_EQ(c.BaudRate(), TBaudRate::tbr9600);
    EXPECT_FALSE(c.BroadCast());
    EXPECT_EQ(c.BroadCastScaleType(), TBroadCastScaleType::tbs1024);
    EXPECT_EQ(c.BroadCastInterval(), 200);
    EXPECT_EQ(c.RetryInterval(), 800);
    EXPECT_EQ(c.RetryCount(), 6);
    c.SetRetryCount(11);
    EXPECT_EQ(c.RetryCount(), 10);
    c.SetRetryCount(-1);
    EXPECT_EQ(c.RetryCount(), 0);
    EXPECT_EQ(BaudRateValue(TBaudRate::tbr9600), 9600u);
    EXPECT_EQ(BaudRateValue(TBaudRate::tbr57600), 57600u);
    EXPECT_EQ(BaudRateValue(TBaudRate::tbr115200), 115200u);
    // Nothing open: every operation fails at once and says so.
    EXPECT_FALSE(c.SendBlock(tb::CmdProgram, 16));
    EXPECT_TRUE(c.Failed());
    EXPECT_FALSE(c.SendWakeUp());
    EXPECT_FALSE(c.Logon(Station, false));
}

TEST_F(TransportTest, PortThatCannotBeOpenedIsReportedAndThrown) {
    std::string shown;
    comm.SetMessageReporter([&](const std::string& text) { shown = text; });
    comm.SetCommName("/nonexistent/ttyX");
    EXPECT_THROW(comm.SetActive(true), ECommsError);
    EXPECT_EQ(shown, "Error opening /nonexistent/ttyX!\r\nplease select other ports.");
    EXPECT_FALSE(comm.isActive());
}

TEST_F(TransportTest, ClosingWritesEmptyTraceBestEffortAndDestructorCloses) {
    std::ofstream(folder / "DEBUG.LOG") << "old contents";
    Open();
    EXPECT_TRUE(comm.isActive());
    // The port is held: a second component cannot open it meanwhile.
    auto other = std::make_unique<TTolmIBusComm>();
    other->SetCommName(pty->slavePath());
    EXPECT_THROW(other->SetActive(true), ECommsError);
    comm.SetActive(false);
    EXPECT_FALSE(comm.isActive());
    ASSERT_TRUE(fs::exists(folder / "DEBUG.LOG"));
    EXPECT_EQ(fs::file_size(folder / "DEBUG.LOG"), 0u);

    // A trace file that cannot be written does not fail the close.
    fs::remove(folder / "DEBUG.LOG");
    fs::create_directory(folder / "DEBUG.LOG");
    comm.SetActive(true);
    EXPECT_NO_THROW(comm.SetActive(false));
    EXPECT_FALSE(comm.isActive());

    // Destroying an open component frees the port for the next one.
    {
        TTolmIBusComm first;
        first.SetCommName(pty->slavePath());
        first.SetActive(true);
        EXPECT_THROW(other->SetActive(true), ECommsError);
    }
    EXPECT_NO_THROW(other->SetActive(true));
    other->SetActive(false);
}

class RateHuntTest : public TransportTest, public ::testing::WithParamInterface<int> {};

TEST_P(RateHuntTest, LogonFindsThePrinterRateThenMovesToBaudRate) {
    const unsigned table[] = {9600, 19200, 38400, 57600, 115200};
    unsigned printerRate = table[GetParam()];
    comm.SetBaudRate(TBaudRate::tbr115200);
    Open(printerRate);
    std::time_t before = std::time(nullptr);
    ASSERT_TRUE(comm.Connect(Station, true));
    auto packets = loader->Packets();
    // 9600 twice, then up the table.
    std::vector<unsigned> hunted = {9600};
    for (int i = 0; hunted.back() != printerRate || hunted.size() < 2; ++i) {
        hunted.push_back(table[i]);
        if (printerRate == 9600) break;
    }
    if (printerRate == 9600) hunted = {9600};
    ASSERT_EQ(packets.size(), hunted.size() + 1);
    std::vector<unsigned> rates = RatesOf(packets);
    rates.pop_back();
    EXPECT_EQ(rates, hunted);
    for (std::size_t i = 0; i + 1 < packets.size(); ++i) {
        EXPECT_EQ(packets[i].command, tb::CmdLogon);
        EXPECT_EQ(packets[i].number, 1);
    }
    // The identification request goes at the rate the logon named.
    const BootPacket& id = packets.back();
    EXPECT_EQ(id.number, 0x10);
    EXPECT_EQ(id.rate, 115200u);
    EXPECT_TRUE(id.rateOk);
    EXPECT_EQ(id.data[2], 0x10);
    EXPECT_EQ(loader->Rate(), 115200u);

    // Logon contents: station low pair first, clock in BCD, rate ordinal, strict flag.
    const BootPacket& logon = packets[packets.size() - 2];
    EXPECT_EQ(logon.data[0], 0x18);
    EXPECT_EQ(logon.data[1], 0x57);
    EXPECT_EQ(logon.data[2], 0x00);
    EXPECT_EQ(logon.data[3], 0x00);
    std::tm local{};
    localtime_r(&before, &local);
    EXPECT_EQ(logon.data[4], tb::ByteToBcd(static_cast<unsigned>(local.tm_year + 1900)));
    EXPECT_EQ(logon.data[5], tb::ByteToBcd(static_cast<unsigned>(local.tm_mon + 1)));
    EXPECT_EQ(logon.data[10], 4); // tbr115200
    EXPECT_EQ(logon.data[11], 0); // strict
}

INSTANTIATE_TEST_SUITE_P(EachRate, RateHuntTest, ::testing::Range(0, 5));

TEST_F(TransportTest, UnansweredLogonIsSentTwentyOneTimesOverTheRates) {
    TTolmIBusComm::Tuning tuning;
    tuning.logonWaitMs = 30; // nothing answers anyway
    tuning.traceFolder = folder.string();
    comm.SetTuning(tuning);
    Open();
    loader->SetSilent(true);
    EXPECT_FALSE(comm.Logon(Station, false));
    EXPECT_TRUE(comm.Failed());
    auto rates = RatesOf(loader->Packets());
    std::vector<unsigned> expected = {9600};
    const unsigned table[] = {9600, 19200, 38400, 57600, 115200};
    for (int a = 1; a <= 20; ++a) expected.push_back(table[(a - 1) % 5]);
    EXPECT_EQ(rates, expected);
    EXPECT_EQ(rates.back(), 115200u);
    ExpectNothingMore(21);
}

TEST_F(TransportTest, StrictLogonEndsAtNakNonStrictGoesOn) {
    Open();
    loader->Script(tb::CmdLogon, 1, {BootAction::Nak});
    EXPECT_FALSE(comm.Logon(Station, true));
    EXPECT_TRUE(comm.Failed());
    ExpectNothingMore(1);

    loader->Script(tb::CmdLogon, 1, {BootAction::Nak});
    EXPECT_TRUE(comm.Logon(Station, false));
    EXPECT_FALSE(comm.Failed());
    auto packets = loader->Packets();
    ASSERT_EQ(packets.size(), 3u);
    EXPECT_EQ(packets[1].action, BootAction::Nak);
    EXPECT_EQ(packets[1].data[11], 1); // not strict
    EXPECT_EQ(packets[2].action, BootAction::Answer);
    EXPECT_EQ(packets[2].rate, 9600u);
}

TEST_F(TransportTest, BlocksAreRepeatedOnNakAndSilenceUpToRetryCount) {
    Open();
    ASSERT_TRUE(comm.Logon(Station, true));
    comm.DataArea().fill(0x5A);

    loader->Script(tb::CmdProgram, 0, {BootAction::Answer}); // the start packet
    ASSERT_TRUE(comm.SendBlock(tb::CmdProgram, 0));
    loader->Script(tb::CmdProgram, 16, {BootAction::Nak, BootAction::Drop, BootAction::Nak});
    ASSERT_TRUE(comm.SendBlock(tb::CmdProgram, 16));
    auto packets = loader->Packets();
    ASSERT_EQ(packets.size(), 2u + 4u);
    for (std::size_t i = 2; i < 6; ++i) {
        EXPECT_EQ(packets[i].number, 16);
        EXPECT_EQ(packets[i].data[0], 0x5A);
    }

    // With RetryCount 6 a block that is never answered goes out 7 times.
    loader->Script(tb::CmdProgram, 17, std::vector<BootAction>(7, BootAction::Drop));
    EXPECT_FALSE(comm.SendBlock(tb::CmdProgram, 17));
    EXPECT_TRUE(comm.Failed());
    ExpectNothingMore(6 + 7);

    // RetryCount 0: one send; an ACK succeeds, anything else fails.
    comm.SetRetryCount(0);
    loader->Script(tb::CmdProgram, 18, {BootAction::Nak});
    EXPECT_FALSE(comm.SendBlock(tb::CmdProgram, 18));
    EXPECT_TRUE(comm.SendBlock(tb::CmdProgram, 18));
    EXPECT_FALSE(comm.Failed());
    ExpectNothingMore(13 + 2);

    comm.SetRetryCount(2);
    loader->Script(tb::CmdProgram, 19, {BootAction::Nak, BootAction::Nak, BootAction::Nak});
    EXPECT_FALSE(comm.SendBlock(tb::CmdProgram, 19));
    ExpectNothingMore(15 + 3);
}

TEST_F(TransportTest, GarbledRepliesAreSkippedOrRepeated) {
    Open();
    std::array<std::uint8_t, 256> id{};
    for (std::size_t i = 0; i < id.size(); ++i) id[i] = static_cast<std::uint8_t>(255 - i);
    loader->SetIdentification(id);
    ASSERT_TRUE(comm.Logon(Station, true));

    struct Case {
        BootAction action;
        std::size_t sends;
    };
    for (Case c :
         {Case{BootAction::Noise, 1}, Case{BootAction::Split, 1}, Case{BootAction::WrongEcho, 2},
          Case{BootAction::BadSum, 2}, Case{BootAction::Nak, 2}, Case{BootAction::Drop, 2}}) {
        std::size_t before = loader->Packets().size();
        loader->Script(tb::CmdLogon, 0x10, {c.action});
        comm.DataArea().fill(0);
        EXPECT_TRUE(comm.ReadIdentification()) << static_cast<int>(c.action);
        EXPECT_EQ(comm.DataArea(), id) << static_cast<int>(c.action);
        EXPECT_EQ(loader->Packets().size() - before, c.sends) << static_cast<int>(c.action);
    }

    // Spent repeats: the data area keeps the last reply that failed its sum ...
    comm.SetRetryCount(1);
    loader->Script(tb::CmdLogon, 0x10, {BootAction::BadSum, BootAction::BadSum});
    EXPECT_FALSE(comm.ReadIdentification());
    EXPECT_EQ(comm.DataArea(), id);
    // ... or, when nothing came, the request itself.
    loader->Script(tb::CmdLogon, 0x10, {BootAction::Drop, BootAction::Drop});
    EXPECT_FALSE(comm.ReadIdentification());
    std::array<std::uint8_t, 256> request{};
    request[2] = 0x10;
    EXPECT_EQ(comm.DataArea(), request);
}

TEST_F(TransportTest, FullDownloadRebuildsTheImage) {
    for (bool full : {false, true}) {
        SCOPED_TRACE(full ? "full" : "normal");
        pty = std::make_unique<test::PtyPair>();
        comm.SetCommName(pty->slavePath());
        comm.SetBaudRate(TBaudRate::tbr57600);
        comm.SetRetryInterval(800);
        std::array<std::uint8_t, 256> id{};
        id[0] = 'I';
        id[255] = 'D';
        Open(19200);
        loader->SetIdentification(id);
        // A few blocks are lost or refused once on the way.
        loader->Script(tb::CmdProgram, 100, {BootAction::Nak});
        loader->Script(tb::CmdProgram, 200, {BootAction::Drop});

        auto image = MakeImage(65536, full ? 2 : 1);
        comm.ResetStats();
        auto t0 = std::chrono::steady_clock::now();
        ASSERT_TRUE(Download(comm, image, full));
        auto elapsed = std::chrono::steady_clock::now() - t0;
        comm.SetActive(false);

        EXPECT_EQ(loader->WakeUpBursts(), 3);
        EXPECT_EQ(loader->StartNumber(), full ? 0x0F0F : 0);
        EXPECT_EQ(loader->Packets()[loader->Packets().size() - 1].number, 1);
        auto rebuilt = loader->Image();
        ASSERT_EQ(rebuilt.size(), 65536u);
        std::uint16_t sum = ImageSum(image);
        std::size_t from = full ? 0 : 4096;
        for (std::size_t i = from; i < 65534; ++i) ASSERT_EQ(rebuilt[i], image[i]) << i;
        EXPECT_EQ(rebuilt[65534], sum & 0xFF);
        EXPECT_EQ(rebuilt[65535], sum >> 8);
        EXPECT_TRUE(loader->EndSeen());
        EXPECT_EQ(loader->EndSum(), sum);
        // The start packet carries the identification as the reply left it.
        for (const auto& p : loader->Packets())
            if (p.command == tb::CmdProgram && p.number == (full ? 0x0F0F : 0)) {
                EXPECT_EQ(p.data, id);
                break;
            }
        std::size_t blocks = 0;
        for (const auto& p : loader->Packets()) {
            if (p.command != tb::CmdProgram) continue;
            EXPECT_EQ(p.rate, 57600u) << p.number; // everything after the logon at BaudRate
            ++blocks;
        }
        EXPECT_EQ(blocks, (full ? 256u : 240u) + 2 + 2); // start, end, two repeats

        loader->Stop();
    }
}

// Where the time of a clean download goes, at the intervals of the real thing.
TEST_F(TransportTest, DownloadTiming) {
    TTolmIBusComm::Tuning tuning;
    tuning.traceFolder = folder.string();
    comm.SetTuning(tuning);
    comm.SetRetryInterval(800);
    comm.SetBaudRate(TBaudRate::tbr115200);
    Open(9600);
    auto image = MakeImage(65536, 4);
    comm.ResetStats();
    auto t0 = std::chrono::steady_clock::now();
    ASSERT_TRUE(Download(comm, image, true));
    auto elapsed = std::chrono::steady_clock::now() - t0;
    EXPECT_EQ(loader->EndSum(), ImageSum(image));

    using ms = std::chrono::duration<double, std::milli>;
    const auto& stats = comm.GetStats();
    std::cout << "full download of 64 KiB: " << ms(elapsed).count() << " ms in all, "
              << stats.packets << " packets; waiting for the line " << ms(stats.sendWait).count()
              << " ms, for answers " << ms(stats.replyWait).count() << " ms\n";
    RecordProperty("elapsed_ms", static_cast<int>(ms(elapsed).count()));
    RecordProperty("send_wait_ms", static_cast<int>(ms(stats.sendWait).count()));
    RecordProperty("reply_wait_ms", static_cast<int>(ms(stats.replyWait).count()));
}

// Cancel during each stage: the operation fails and nothing more goes out.
TEST_F(TransportTest, CancelDuringWakeUpPause) {
    Open();
    loader->SetOnWakeUp([ref = aborter.Ref()](int) { ref.Post(1); });
    TTolmIBusComm::Tuning tuning;
    tuning.wakeUpPauseMs = 60000;
    tuning.traceFolder = folder.string();
    comm.SetTuning(tuning);
    EXPECT_FALSE(comm.SendWakeUpTwice());
    EXPECT_TRUE(comm.Failed());
    EXPECT_TRUE(loader->WaitQuiet(300, 5000));
    EXPECT_EQ(loader->WakeUpBursts(), 1);
}

TEST_F(TransportTest, CancelDuringEachPacketWait) {
    struct Stage {
        const char* name;
        std::uint8_t command;
        std::uint16_t number;
    };
    for (Stage s : {Stage{"logon", tb::CmdLogon, 1}, Stage{"identification", tb::CmdLogon, 0x10},
                    Stage{"start", tb::CmdProgram, 0}, Stage{"block", tb::CmdProgram, 20},
                    Stage{"end", tb::CmdProgram, 1}}) {
        SCOPED_TRACE(s.name);
        pty = std::make_unique<test::PtyPair>();
        comm.SetCommName(pty->slavePath());
        comm.SetRetryInterval(60000); // only the cancel can end the wait
        TTolmIBusComm::Tuning tuning;
        tuning.logonWaitMs = 60000;
        tuning.wakeUpPauseMs = 10;
        tuning.traceFolder = folder.string();
        comm.SetTuning(tuning);
        Open();
        bool seenStart = false;
        loader->Script(s.command, s.number, {BootAction::Drop});
        AbortWhen([&seenStart, s](const BootPacket& p) {
            // Packet (0x0F, 1) is a block's number only after the start packet.
            bool hit = p.command == s.command && p.number == s.number &&
                       (s.number != 1 || s.command != tb::CmdProgram || seenStart);
            if (p.command == tb::CmdProgram) seenStart = true;
            return hit;
        });
        auto image = MakeImage(65536, 3);
        EXPECT_FALSE(Download(comm, image, false));
        EXPECT_TRUE(comm.Failed());
        std::size_t sent = loader->Packets().size();
        ExpectNothingMore(sent);
        EXPECT_EQ(loader->Packets().back().command, s.command);
        EXPECT_EQ(loader->Packets().back().number, s.number);
        comm.SetActive(false);
        loader->Stop();
    }
}

TEST_F(TransportTest, CancelBeforeAnswerArrivesStillWins) {
    Open();
    ASSERT_TRUE(comm.Logon(Station, true));
    // The loader ACKs, but the cancel was queued first.
    AbortWhen([](const BootPacket& p) { return p.number == 30; });
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
    for (int i = 0; i < 4; ++i) EXPECT_EQ(logon.data[i], 0); // station 0 in broadcast
    for (std::size_t i = 32; i < 256; ++i) EXPECT_EQ(logon.data[i], 0);
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
    loader->SetOnPacket([ref = closer.Ref()](const BootPacket& p) {
        if (p.number == 40) ref.Post(1);
    });
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
    loader->SetOnPacket([ref = intruder.Ref()](const BootPacket& p) {
        if (p.command == tb::CmdLogon) ref.Post(1);
    });
    EXPECT_TRUE(comm.Logon(Station, true)); // the second logon at 9600 is answered
    EXPECT_FALSE(nested);
    for (const auto& p : loader->Packets()) EXPECT_NE(p.number, 99);
}

TEST_F(TransportTest, TraceGoesToTheProgramFolderByDefault) {
    TTolmIBusComm::Tuning tuning;
    comm.SetTuning(tuning);
    std::string path = plat::ProgramFolder() + "DEBUG.LOG";
    ASSERT_NE(plat::ProgramFolder(), "");
    std::ofstream(path) << "left from before";
    Open();
    comm.SetActive(false);
    ASSERT_TRUE(fs::exists(path));
    EXPECT_EQ(fs::file_size(path), 0u);
}

TEST_F(TransportTest, DelayEndsEarlyOnCancel) {
    EXPECT_TRUE(comm.Delay(10));
    aborter.Post(1);
    EXPECT_FALSE(DelaySeconds(comm, 60));
    EXPECT_TRUE(comm.Failed());
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
    plat::Timer release([&] {
        tcflow(line, TCOON);
        released = true;
    });
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
