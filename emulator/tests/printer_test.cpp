#include "printer.h"

#include "commandtexts.h"
#include "line.h"
#include "ptypair.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace std::chrono_literals;
using fprn::Bytes;
using fprn::emu::Corruption;
using fprn::emu::Printer;
using fprn::emu::Reaction;
using fprn::emu::testing::B;
using fprn::emu::testing::Line;
using fprn::emu::testing::SplitReplies;
namespace texts = fprn::texts;

namespace {

using Clock = std::chrono::steady_clock;

class PrinterTest : public ::testing::Test {
protected:
    Printer printer;
    Line line{printer.SlavePath()};
};

} // namespace

TEST_F(PrinterTest, OrdinaryCommandsGetOkWithTheirSequenceNumber) {
    line.SetSequence(57);
    line.Send(texts::SetTime(10, 20, 30));
    auto replies = line.ReadReplies(1);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].sequence, 57);
    EXPECT_EQ(replies[0].payload, "O0");

    line.SetSequence(99);
    for (Bytes text : {texts::XReport(1), texts::OpenDrawer(), texts::PrnProgramReport()}) {
        auto seq = line.Send(text);
        replies = line.ReadReplies(1);
        ASSERT_EQ(replies.size(), 1u) << text;
        EXPECT_EQ(replies[0].sequence, seq);
        EXPECT_EQ(replies[0].payload, "O0") << text;
    }
}

TEST_F(PrinterTest, StatusRepliesCarryTheDecodedLengthsAndHeads) {
    Bytes hw = line.Ask(texts::HardwareStatus());
    ASSERT_EQ(hw.size(), 62u);
    EXPECT_EQ(hw.substr(0, 2), "O0");
    Bytes sw = line.Ask(texts::SoftwareStatus());
    ASSERT_EQ(sw.size(), 48u);
    EXPECT_EQ(sw.substr(0, 2), "O0");
    Bytes prn = line.Ask(texts::PrinterStatus());
    EXPECT_EQ(prn, "P00");
}

TEST_F(PrinterTest, DumpsAndSingleReplyUploadsComeInOneFrame) {
    for (Bytes text : {texts::SRAMDump(0x1F00), texts::EPROMDump(0), texts::ROMDump(0x100)}) {
        line.Send(text);
        auto replies = line.ReadReplies(1);
        ASSERT_EQ(replies.size(), 1u);
        EXPECT_EQ(replies[0].payload.size(), 512u) << text;
        EXPECT_EQ(line.ReadFor(100ms), "") << "one frame only for " << text;
    }
    EXPECT_EQ(line.Ask(texts::UploadTaxRate()).size(), 39u);
    EXPECT_EQ(line.Ask(texts::UploadDepartment()).size(), 209u);
    EXPECT_EQ(line.Ask(texts::UploadHeadMessage()).size(), 172u);
}

TEST_F(PrinterTest, UploadsSendDataFramesAndThenTheEndFrame) {
    struct Case {
        Bytes text;
        std::size_t record;
    };
    for (const auto& c : {Case{texts::UploadPlu(), 64}, Case{texts::UploadPkg('0'), 58}}) {
        auto seq = line.Send(c.text);
        Bytes wire = line.ReadFor(300ms);
        auto replies = SplitReplies(wire);
        ASSERT_GE(replies.size(), 2u);
        for (std::size_t i = 0; i + 1 < replies.size(); ++i) {
            EXPECT_EQ(replies[i].sequence, seq);
            ASSERT_FALSE(replies[i].payload.empty());
            EXPECT_EQ(replies[i].payload.size() % c.record, 0u);
            EXPECT_NE(replies[i].payload.substr(0, 3), "O0\xAA");
        }
        EXPECT_EQ(replies.back().payload, "O0\xAA");
    }
}

TEST_F(PrinterTest, ReceivedFramesAreRecordedWithTextSequenceAndTime) {
    auto before = Clock::now();
    std::uint8_t seq = 11;
    Bytes frame1 = fprn::BuildFrame(seq, "40");
    line.Write(frame1);
    line.Write(fprn::BuildFrame(seq, "41"));
    ASSERT_TRUE(printer.WaitForFrames(2, 3s));
    auto got = printer.Received();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_TRUE(got[0].valid);
    EXPECT_EQ(got[0].sequence, 12);
    EXPECT_EQ(got[0].text, "40");
    EXPECT_EQ(got[0].raw, frame1.substr(1, frame1.size() - 4));
    EXPECT_EQ(got[1].Code(), "41");
    EXPECT_EQ(got[1].sequence, 13);
    EXPECT_GE(got[0].received, before);
    EXPECT_LE(got[0].received, got[1].received);
    line.ReadReplies(2);
    EXPECT_EQ(printer.RawReceived().substr(0, frame1.size()), frame1);
}

TEST_F(PrinterTest, WaitForFramesGivesUpAfterItsTimeout) {
    auto start = Clock::now();
    EXPECT_FALSE(printer.WaitForFrames(1, 200ms));
    EXPECT_GE(Clock::now() - start, 200ms);
}

TEST_F(PrinterTest, ScriptedPayloadsAndErrorRepliesGoOutAsFrames) {
    printer.PushReaction(Reaction::WithPayload(B({'O', '0', 0xC0, 0xDB, 0x00})));
    printer.PushReaction(Reaction::ErrorReply('E', 15));
    printer.PushReaction(Reaction::ErrorReply('P', 3));
    printer.PushReaction(Reaction::ErrorReply('M', 99));
    EXPECT_EQ(printer.QueuedReactions(), 4u);
    EXPECT_EQ(line.Ask("40"), B({'O', '0', 0xC0, 0xDB, 0x00}));
    EXPECT_EQ(line.Ask("40"), "E015");
    EXPECT_EQ(line.Ask("40"), "P003");
    EXPECT_EQ(line.Ask("40"), "M099");
    EXPECT_EQ(line.Ask("47"), "P00") << "queue empty: the printer's own answer again";

    printer.PushReaction(Reaction::ErrorReply('E', 115));
    printer.PushReaction(Reaction::ErrorReply('E', -1));
    EXPECT_EQ(line.Ask("40"), "E015") << "two digits, never more";
    EXPECT_EQ(line.Ask("40"), "E099");
}

TEST_F(PrinterTest, SilenceLeavesTheLineQuietUntilTheResend) {
    printer.PushReaction(Reaction::Silent());
    std::uint8_t seq = 0;
    Bytes frame = fprn::BuildFrame(seq, texts::SetTime(1, 2, 3));
    line.Write(frame);
    EXPECT_EQ(line.ReadFor(300ms), "");
    line.Write(frame);
    auto replies = line.ReadReplies(1);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].payload, "O0");
    EXPECT_EQ(replies[0].sequence, seq);
}

TEST_F(PrinterTest, CorruptedRepliesAreRejectedByTheParser) {
    for (auto kind : {Corruption::BadChecksum, Corruption::BrokenEscape, Corruption::WrongMarker}) {
        printer.PushReaction(Reaction::Corrupted(kind));
        std::uint8_t seq = 20;
        Bytes frame = fprn::BuildFrame(seq, "47");
        line.Write(frame);
        auto bad = line.ReadReplies(1);
        ASSERT_EQ(bad.size(), 1u);
        EXPECT_EQ(bad[0].payload, "") << static_cast<int>(kind);
        EXPECT_EQ(line.ReadFor(100ms), "") << "no second frame unless asked for";
        line.Write(frame); // the driver's resend
        auto good = line.ReadReplies(1);
        ASSERT_EQ(good.size(), 1u);
        EXPECT_EQ(good[0].payload, "P00");
    }
    // What makes each one wrong, seen on the wire.
    printer.PushReaction(Reaction::Corrupted(Corruption::WrongMarker));
    line.Send("47");
    auto marker = line.ReadReplies(1);
    ASSERT_EQ(marker.size(), 1u);
    EXPECT_EQ(marker[0].raw.substr(1, 2), B({0xAA, 0x56}));
    printer.PushReaction(Reaction::Corrupted(Corruption::BrokenEscape));
    line.Send("47");
    auto escape = line.ReadReplies(1);
    ASSERT_EQ(escape.size(), 1u);
    EXPECT_NE(escape[0].raw.find(B({0xDB, 0xDE})), Bytes::npos);
}

TEST_F(PrinterTest, ScriptedPayloadsCanBeCorruptedToo) {
    printer.PushReaction(
        Reaction::WithPayload("O0MINE").WithCorruption(Corruption::BadChecksum).ThenSound(20ms));
    line.Send("40");
    auto replies = line.ReadReplies(2);
    ASSERT_EQ(replies.size(), 2u);
    EXPECT_EQ(replies[0].payload, "");
    EXPECT_EQ(replies[1].payload, "O0MINE");
    EXPECT_EQ(replies[0].raw.substr(0, replies[0].raw.size() - 1),
              replies[1].raw.substr(0, replies[1].raw.size() - 1))
        << "only the checksum differs";
}

TEST_F(PrinterTest, CorruptedReplyCanBeFollowedByTheSoundOneLater) {
    printer.PushReaction(Reaction::Corrupted(Corruption::BadChecksum).ThenSound(150ms));
    auto start = Clock::now();
    line.Send("47");
    auto replies = line.ReadReplies(2);
    auto elapsed = Clock::now() - start;
    ASSERT_EQ(replies.size(), 2u);
    EXPECT_EQ(replies[0].payload, "");
    EXPECT_EQ(replies[1].payload, "P00");
    EXPECT_GE(elapsed, 150ms);
}

TEST_F(PrinterTest, RepliesCanComeByteByByteInChunksAfterJunkAndADelay) {
    printer.PushReaction(Reaction::Default().Chunked(1, 15ms));
    auto start = Clock::now();
    line.Send("47");
    int reads = 0;
    Bytes wire = line.ReadFor(600ms, &reads);
    auto expected = fprn::emu::EncodeReply(1, "P00");
    EXPECT_EQ(wire, expected);
    EXPECT_EQ(reads, static_cast<int>(expected.size())) << "one read per byte";

    printer.PushReaction(Reaction::Default().Chunked(4, 40ms));
    line.Send("47");
    wire = line.ReadFor(500ms, &reads);
    EXPECT_EQ(wire, fprn::emu::EncodeReply(2, "P00"));
    EXPECT_EQ(reads, 3) << "9 bytes in pieces of 4";

    printer.PushReaction(Reaction::Default().WithJunk("\x11junk").After(250ms));
    start = Clock::now();
    line.Send("47");
    auto replies = line.ReadReplies(2);
    EXPECT_GE(Clock::now() - start, 250ms);
    ASSERT_EQ(replies.size(), 2u);
    EXPECT_EQ(replies[0].raw, "\x11junk");
    EXPECT_EQ(replies[1].payload, "P00");
}

TEST_F(PrinterTest, ScriptedUploadsWithAndWithoutTheEndFrame) {
    printer.PushReaction(Reaction::UploadFrames({"first", B({0xC0, 0xDB}), "third"}));
    printer.PushReaction(Reaction::UploadFrames({"only", "data"}, false).FrameGap(50ms));
    auto seq = line.Send(texts::UploadPlu());
    auto replies = line.ReadReplies(4);
    ASSERT_EQ(replies.size(), 4u);
    EXPECT_EQ(replies[0].payload, "first");
    EXPECT_EQ(replies[1].payload, B({0xC0, 0xDB}));
    EXPECT_EQ(replies[2].payload, "third");
    EXPECT_EQ(replies[3].payload, "O0\xAA");
    for (const auto& r : replies) EXPECT_EQ(r.sequence, seq);

    auto start = Clock::now();
    line.Send(texts::UploadPkg('0'));
    replies = line.ReadReplies(2);
    EXPECT_GE(Clock::now() - start, 50ms);
    ASSERT_EQ(replies.size(), 2u);
    EXPECT_EQ(replies[1].payload, "data");
    EXPECT_EQ(line.ReadFor(200ms), "") << "no end frame";
}

TEST_F(PrinterTest, BadFramesFromTheLineAreRecordedAndIgnored) {
    printer.PushReaction(Reaction::ErrorReply('E', 1));
    std::uint8_t seq = 0;
    Bytes frame = fprn::BuildFrame(seq, "40");
    Bytes broken = frame;
    broken[6] = static_cast<char>(broken[6] ^ 0x01); // checksum
    line.Write("noise");
    line.Write(broken);
    EXPECT_EQ(line.ReadFor(200ms), "");
    ASSERT_TRUE(printer.WaitForFrames(2, 1s));
    auto got = printer.Received();
    EXPECT_FALSE(got[0].valid);
    EXPECT_EQ(got[0].raw, "noise");
    EXPECT_FALSE(got[1].valid);
    EXPECT_EQ(got[1].text, "");
    EXPECT_EQ(printer.QueuedReactions(), 1u) << "an ignored frame takes no reaction";
    EXPECT_EQ(line.Ask("40"), "E001");
}

TEST_F(PrinterTest, EmptyAndShortTextsAreRefusedNotIgnored) {
    EXPECT_EQ(line.Ask(""), "E001");
    EXPECT_EQ(line.Ask("4"), "E001");
    auto got = printer.Received();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_TRUE(got[0].valid);
    EXPECT_EQ(got[1].text, "4");
}

TEST_F(PrinterTest, EndlessNoiseIsCutAndTheNextFrameStillAnswered) {
    line.Write(Bytes(3 * fprn::emu::FrameCollector::kMaxStretch, 'n'));
    EXPECT_EQ(line.Ask("47"), "P00");
    auto got = printer.Received();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_FALSE(got[0].valid);
    EXPECT_EQ(got[0].raw.size(), fprn::emu::FrameCollector::kMaxStretch);
    EXPECT_EQ(printer.RawReceived().size(), 3 * fprn::emu::FrameCollector::kMaxStretch + 10);
}

TEST_F(PrinterTest, FramesSplitAcrossWritesAreReassembled) {
    std::uint8_t seq = 0;
    Bytes frame = fprn::BuildFrame(seq, texts::SaleItem(1, "kg", 2.5, "01", "APPLES", 0, 0));
    for (char c : frame) {
        line.Write(Bytes(1, c));
    }
    auto replies = line.ReadReplies(1);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].payload, "O0");
    EXPECT_EQ(printer.State().subtotal, 250);
}

TEST_F(PrinterTest, AResendIsAnsweredAgainWithoutRunningTwice) {
    std::uint8_t seq = 30;
    Bytes sale = fprn::BuildFrame(seq, texts::SaleItem(2, "pcs", 1.25, "01", "BREAD", 0, 0));
    line.Write(sale);
    line.Write(sale);
    auto replies = line.ReadReplies(2);
    ASSERT_EQ(replies.size(), 2u);
    EXPECT_EQ(replies[0].raw, replies[1].raw);
    EXPECT_EQ(printer.State().subtotal, 250);
    // The same text under the next number is a new sale.
    line.Write(fprn::BuildFrame(seq, texts::SaleItem(2, "pcs", 1.25, "01", "BREAD", 0, 0)));
    line.ReadReplies(1);
    EXPECT_EQ(printer.State().subtotal, 500);
}

TEST_F(PrinterTest, ScriptedAnswersLeaveThePrinterAlone) {
    printer.PushReaction(Reaction::ErrorReply('E', 2));
    printer.PushReaction(Reaction::Silent());
    line.Send(texts::SaleItem(1, "pcs", 3, "01", "X", 0, 0));
    line.Send(texts::SaleItem(1, "pcs", 3, "01", "X", 0, 0));
    ASSERT_TRUE(printer.WaitForFrames(2, 1s));
    line.ReadReplies(1);
    EXPECT_FALSE(printer.State().receiptOpen);
}

TEST(PrinterStop, IsPromptWhileIdleDelayedAndMidUpload) {
    {
        Printer idle;
        auto start = Clock::now();
        idle.Stop();
        EXPECT_LT(Clock::now() - start, 500ms);
        idle.Stop(); // twice is harmless
    }
    {
        Printer delayed;
        Line line(delayed.SlavePath());
        delayed.PushReaction(Reaction::Default().After(30s));
        line.Send("40");
        ASSERT_TRUE(delayed.WaitForFrames(1, 1s));
        auto start = Clock::now();
        delayed.Stop();
        EXPECT_LT(Clock::now() - start, 500ms);
    }
    {
        Printer uploading;
        Line line(uploading.SlavePath());
        uploading.PushReaction(Reaction::UploadFrames({"a", "b", "c"}).FrameGap(30s));
        line.Send(texts::UploadPlu());
        ASSERT_EQ(line.ReadReplies(1).size(), 1u);
        auto start = Clock::now();
        uploading.Stop();
        EXPECT_LT(Clock::now() - start, 500ms);
        EXPECT_EQ(line.ReadFor(100ms), "");
    }
}

TEST(PrinterStop, WorksFromTheObserver) {
    Printer* self = nullptr;
    Printer printer([&](const fprn::emu::ReceivedFrame&) { self->Stop(); });
    self = &printer;
    Line line(printer.SlavePath());
    line.Send("47");
    ASSERT_TRUE(printer.WaitForFrames(1, 1s));
    line.Send("47");
    EXPECT_FALSE(printer.WaitForFrames(2, 200ms)) << "nobody reads after the stop";
}

TEST(PrinterOnGivenLine, ServesAMasterItDoesNotOwn) {
    fprn::test::PtyPair pty;
    std::vector<Bytes> seen;
    std::mutex m;
    Printer printer(pty.master(), [&](const fprn::emu::ReceivedFrame& f) {
        std::lock_guard lock(m);
        seen.push_back(f.text);
    });
    EXPECT_EQ(printer.SlavePath(), "");
    Line line(pty.slavePath());
    EXPECT_EQ(line.Ask("47"), "P00");
    printer.Stop();
    std::lock_guard lock(m);
    EXPECT_EQ(seen, std::vector<Bytes>{"47"});
}

TEST(PrinterOnGivenLine, WaitsQuietlyWhileNobodyHoldsTheSlave) {
    fprn::test::PtyPair pty;
    pty.releaseSlave();
    Printer printer(pty.master());
    rusage before{}, after{};
    getrusage(RUSAGE_SELF, &before);
    EXPECT_FALSE(printer.WaitForFrames(1, 300ms));
    getrusage(RUSAGE_SELF, &after);
    auto cpu = [](const rusage& u) {
        return std::chrono::seconds(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
               std::chrono::microseconds(u.ru_utime.tv_usec + u.ru_stime.tv_usec);
    };
    EXPECT_LT(cpu(after) - cpu(before), 100ms) << "no spinning on the hang-up";
    Line line(pty.slavePath());
    EXPECT_EQ(line.Ask("47"), "P00");
}

TEST(EmulatorProgram, LinksItsLineAnswersAndStopsOnSigterm) {
    auto bin = std::filesystem::read_symlink("/proc/self/exe").parent_path() / "fprn-emulator";
    auto dir = std::filesystem::temp_directory_path() / ("fprn-emu-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    auto link = (dir / "COM2").string();

    int out[2];
    ASSERT_EQ(pipe(out), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::string binText = bin.string();
    char* argv[] = {binText.data(), const_cast<char*>("--link"), link.data(), nullptr};
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, binText.c_str(), &actions, nullptr, argv, environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);

    // The program says when the link is in place.
    FILE* stream = fdopen(out[0], "r");
    char lineText[512];
    bool linked = false;
    while (!linked && std::fgets(lineText, sizeof lineText, stream))
        linked = std::string(lineText).find(" -> ") != std::string::npos;
    ASSERT_TRUE(linked);
    {
        Line line(link);
        EXPECT_EQ(line.Ask("47"), "P00");
        EXPECT_EQ(line.Ask(texts::SetTime(8, 0, 0)), "O0");
    }
    std::string log;
    kill(pid, SIGTERM);
    while (std::fgets(lineText, sizeof lineText, stream)) log += lineText;
    fclose(stream);
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_NE(log.find("printer status: \"47\""), std::string::npos) << log;
    EXPECT_NE(log.find("set time: \"04080000\""), std::string::npos) << log;
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
    std::filesystem::remove_all(dir);
}
