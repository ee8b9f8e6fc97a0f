#include "printer.h"

#include "commandtexts.h"
#include "line.h"
#include "ptypair.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace std::chrono_literals;
namespace fprn::emu::testing {
namespace {

class PrinterTest : public ::testing::Test {
protected:
    Printer printer;
    Line line{printer.SlavePath()};
};

} // namespace

TEST_F(PrinterTest, DefaultAnswersPerCommandFamilyEchoTheSequence) {
    const struct {
        Bytes text, head;
        std::size_t size;
    } cases[] = {
        {texts::SetTime(10, 20, 30), "O0", 2},  {texts::XReport(1), "O0", 2},
        {texts::OpenDrawer(), "O0", 2},         {texts::PrnProgramReport(), "O0", 2},
        {texts::HardwareStatus(), "O0", 62},    {texts::SoftwareStatus(), "O0", 48},
        {texts::PrinterStatus(), "P00", 3},     {texts::SRAMDump(0x1F00), B({'O', '0', 0, 1}), 512},
        {texts::EPROMDump(0), "O0", 512},       {texts::ROMDump(0x100), "O0", 512},
        {texts::ROMDump(0xFFFFF), "O0", 3}, // the last byte only
        {texts::UploadTaxRate(), "O0", 39},     {texts::UploadDepartment(), "O0", 209},
        {texts::UploadHeadMessage(), "O0", 172}};
    line.SetSequence(95); // and on through the wrap from 99 to 1
    for (const auto& c : cases) {
        auto seq = line.Send(c.text);
        // One frame each: a second one would stand in for the next command's reply.
        auto replies = line.ReadReplies(1);
        ASSERT_EQ(replies.size(), 1u) << c.text;
        EXPECT_EQ(replies[0].sequence, seq) << c.text;
        EXPECT_EQ(replies[0].payload.substr(0, c.head.size()), c.head) << c.text;
        EXPECT_EQ(replies[0].payload.size(), c.size) << c.text;
    }
    EXPECT_EQ(line.ReadFor(100ms), "");
}

TEST_F(PrinterTest, AHeldAnswerWaitsForItsRelease) {
    printer.PushReaction(Reaction::Default().Held());
    auto seq = line.Send(texts::PrinterStatus());
    ASSERT_TRUE(printer.WaitForFrames(1, 5s));
    EXPECT_EQ(line.ReadFor(150ms), "") << "held";
    printer.ReleaseHeld();
    auto replies = line.ReadReplies(1);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].sequence, seq);
    EXPECT_EQ(replies[0].payload, "P00");

    // A release that comes first lets the next held answer go at once.
    printer.ReleaseHeld();
    printer.PushReaction(Reaction::WithPayload("O0LATE").Held());
    line.Send(texts::PrinterStatus());
    replies = line.ReadReplies(1);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].payload, "O0LATE");
}

TEST_F(PrinterTest, UploadsSendDataFramesAndThenTheEndFrame) {
    for (auto [text, record] : {std::pair{texts::UploadPlu(), 64}, {texts::UploadPkg('0'), 58}}) {
        auto seq = line.Send(text);
        auto replies = SplitReplies(line.ReadFor(300ms));
        ASSERT_GE(replies.size(), 2u);
        for (std::size_t i = 0; i + 1 < replies.size(); ++i) {
            EXPECT_EQ(replies[i].sequence, seq);
            ASSERT_FALSE(replies[i].payload.empty());
            EXPECT_EQ(replies[i].payload.size() % record, 0u);
            EXPECT_NE(replies[i].payload.substr(0, 3), "O0\xAA");
        }
        EXPECT_EQ(replies.back().payload, "O0\xAA");
    }
}

TEST_F(PrinterTest, ScriptedReactionsAsSeenOnTheWire) {
    using R = Reaction;
    using C = Corruption;
    const Bytes sale = texts::SaleItem(1, "pcs", 3, "01", "X", 0, 0);
    const Bytes stuffed = B({'O', '0', 0xC0, 0xDB, 0x00});
    const struct {
        const char* name;
        Reaction reaction;
        Bytes text;
        std::vector<Bytes> payloads; // "" for a frame the driver must refuse
        Bytes rawHas = {};           // in the first frame as it went out
        Millis atLeast{0};
        int reads = 0; // reads the bytes took, when judged (the gaps leave the reader time)
    } cases[] = {{"payload", R::WithPayload(stuffed), sale, {stuffed}},
                 {"error", R::ErrorReply('E', 15), sale, {"E015"}},
                 {"paper", R::ErrorReply('P', 3), sale, {"P003"}},
                 {"memory", R::ErrorReply('M', 99), sale, {"M099"}},
                 {"two digits, never more", R::ErrorReply('E', 115), sale, {"E015"}},
                 {"negative", R::ErrorReply('E', -1), sale, {"E099"}},
                 {"silence", R::Silent(), "47", {}},
                 {"bad checksum", R::Corrupted(C::BadChecksum), "47", {""}},
                 {"broken escape", R::Corrupted(C::BrokenEscape), "47", {""}, B({0xDB, 0xDE})},
                 {"wrong marker", R::Corrupted(C::WrongMarker), "47", {""}, B({0xAA, 0x56})},
                 {"corrupted payload, then sound",
                  R::WithPayload("O0MINE").WithCorruption(C::BadChecksum).ThenSound(20ms),
                  sale,
                  {"", "O0MINE"},
                  "\xAA\x55O0MINE"},
                 {"sound later",
                  R::Corrupted(C::BadChecksum).ThenSound(150ms),
                  "47",
                  {"", "P00"},
                  {},
                  150ms},
                 {"byte by byte", R::Default().Chunked(1, 100ms), "47", {"P00"}, {}, 800ms, 9},
                 {"pieces of 4", R::Default().Chunked(4, 100ms), "47", {"P00"}, {}, 200ms, 3},
                 {"junk, delayed",
                  R::Default().WithJunk("\x11junk").After(250ms),
                  "47",
                  {"", "P00"},
                  "\x11junk",
                  250ms},
                 {"upload",
                  R::UploadFrames({"first", stuffed, "third"}),
                  texts::UploadPlu(),
                  {"first", stuffed, "third", "O0\xAA"}},
                 {"upload, no end",
                  R::UploadFrames({"only", "data"}, false).FrameGap(50ms),
                  texts::UploadPkg('0'),
                  {"only", "data"},
                  {},
                  50ms}};
    std::uint8_t seq = 0;
    for (const auto& c : cases) {
        printer.PushReaction(c.reaction);
        Bytes frame = BuildFrame(seq, c.text);
        auto start = Clock::now();
        line.Write(frame);
        int reads = 0;
        auto replies = line.ReadReplies(c.payloads.size(), 3s, &reads);
        EXPECT_GE(Clock::now() - start, c.atLeast) << c.name;
        ASSERT_EQ(replies.size(), c.payloads.size()) << c.name;
        for (std::size_t i = 0; i < replies.size(); ++i) {
            EXPECT_EQ(replies[i].payload, c.payloads[i]) << c.name << " " << i;
            EXPECT_TRUE(c.payloads[i].empty() || replies[i].sequence == seq) << c.name;
        }
        EXPECT_TRUE(c.rawHas.empty() || replies[0].raw.find(c.rawHas) != Bytes::npos) << c.name;
        EXPECT_EQ(c.reads ? reads : 0, c.reads) << c.name;
        EXPECT_EQ(line.ReadFor(150ms), "") << c.name << ": nothing more unless asked for";
        if (c.text != "47") continue;
        // The driver's resend gets the printer's own answer.
        line.Write(frame);
        auto again = line.ReadReplies(1);
        ASSERT_EQ(again.size(), 1u) << c.name;
        EXPECT_EQ(again[0].payload, "P00") << c.name;
    }
    EXPECT_FALSE(printer.State().receiptOpen) << "scripted answers leave the printer alone";
}

TEST_F(PrinterTest, FramesAreRecordedBadOnesAndNoiseIgnoredShortTextsRefused) {
    constexpr std::size_t kMax = FrameCollector::kMaxStretch;
    auto before = Clock::now();
    EXPECT_FALSE(printer.WaitForFrames(1, 200ms));
    EXPECT_GE(Clock::now() - before, 200ms);
    printer.PushReaction(Reaction::ErrorReply('E', 1));
    std::uint8_t seq = 0;
    Bytes broken = BuildFrame(seq, "40");
    broken[6] = static_cast<char>(broken[6] ^ 0x01); // checksum
    line.Write("noise");
    line.Write(broken);
    line.Write(Bytes(3 * kMax, 'n'));
    EXPECT_EQ(line.ReadFor(200ms), "");
    EXPECT_EQ(printer.QueuedReactions(), 1u) << "an ignored frame takes no reaction";
    seq = 11;
    Bytes frame = BuildFrame(seq, "40");
    line.Write(frame);
    line.Write(BuildFrame(seq, "41"));
    auto replies = line.ReadReplies(2);
    ASSERT_EQ(replies.size(), 2u);
    EXPECT_EQ(replies[0].payload, "E001");
    EXPECT_EQ(line.Ask(""), "E001");
    EXPECT_EQ(line.Ask("4"), "E001");

    auto got = printer.Received();
    ASSERT_EQ(got.size(), 7u);
    EXPECT_EQ(got[0].raw, "noise");
    EXPECT_EQ(got[1].text, "");
    EXPECT_EQ(got[2].raw.size(), kMax) << "endless noise is cut";
    for (int i : {0, 1, 2}) EXPECT_FALSE(got[i].valid) << i;
    EXPECT_TRUE(got[3].valid);
    EXPECT_EQ(got[3].sequence, 12);
    EXPECT_EQ(got[3].text, "40");
    EXPECT_EQ(got[3].raw, frame.substr(1, frame.size() - 4));
    EXPECT_EQ(got[4].Code(), "41");
    EXPECT_EQ(got[4].sequence, 13);
    EXPECT_GE(got[3].received, before);
    EXPECT_LE(got[3].received, got[4].received);
    EXPECT_TRUE(got[5].valid);
    EXPECT_EQ(got[6].text, "4");
    EXPECT_EQ(printer.RawReceived().substr(0, 5 + broken.size()), "noise" + broken);
    EXPECT_NE(printer.RawReceived().find(Bytes(3 * kMax, 'n') + frame), Bytes::npos);
}

TEST_F(PrinterTest, SplitFramesAreReassembledAndAResendRunsOnce) {
    std::uint8_t seq = 30;
    const Bytes text = texts::SaleItem(2, "pcs", 1.25, "01", "BREAD", 0, 0);
    Bytes sale = BuildFrame(seq, text);
    for (char c : sale) line.Write(Bytes(1, c));
    line.Write(sale);
    auto replies = line.ReadReplies(2);
    ASSERT_EQ(replies.size(), 2u);
    EXPECT_EQ(replies[0].payload, "O0");
    EXPECT_EQ(replies[0].raw, replies[1].raw);
    EXPECT_EQ(printer.State().subtotal, 250);
    // The same text under the next number is a new sale.
    line.Write(BuildFrame(seq, text));
    line.ReadReplies(1);
    EXPECT_EQ(printer.State().subtotal, 500);
}

TEST(PrinterStop, IsPromptWhileIdleDelayedMidUploadAndFromTheObserver) {
    // Idle, a reply held back for 30 s, an upload with 30 s between its frames.
    for (int held : {0, 1, 2}) {
        Printer printer;
        Line line(printer.SlavePath());
        if (held == 1) printer.PushReaction(Reaction::Default().After(30s));
        if (held == 2) printer.PushReaction(Reaction::UploadFrames({"a", "b"}).FrameGap(30s));
        if (held > 0) line.Send(texts::UploadPlu());
        ASSERT_TRUE(held != 1 || printer.WaitForFrames(1, 1s));
        ASSERT_TRUE(held != 2 || line.ReadReplies(1).size() == 1);
        auto start = Clock::now();
        printer.Stop();
        // Far below the 30 s held: a stop that waited for them fails, a busy machine does not.
        EXPECT_LT(Clock::now() - start, 10s) << held;
        EXPECT_EQ(line.ReadFor(100ms), "") << held;
        printer.Stop(); // twice is harmless
    }
    Printer* self = nullptr;
    Printer printer([&](const ReceivedFrame&) { self->Stop(); });
    self = &printer;
    Line line(printer.SlavePath());
    line.Send("47");
    ASSERT_TRUE(printer.WaitForFrames(1, 1s));
    line.Send("47");
    EXPECT_FALSE(printer.WaitForFrames(2, 200ms)) << "nobody reads after the stop";
}

TEST(PrinterOnGivenLine, WaitsQuietlyWhileNobodyHoldsTheSlaveThenServes) {
    test::PtyPair pty;
    pty.releaseSlave();
    std::vector<Bytes> seen;
    std::mutex m;
    Printer printer(pty.master(), [&](const ReceivedFrame& f) {
        std::lock_guard lock(m);
        seen.push_back(f.text);
    });
    EXPECT_EQ(printer.SlavePath(), "");
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
    printer.Stop();
    std::lock_guard lock(m);
    EXPECT_EQ(seen, std::vector<Bytes>{"47"});
}

TEST(EmulatorProgram, LinksItsLineAnswersAndStopsOnSigterm) {
    auto bin = std::filesystem::read_symlink("/proc/self/exe").parent_path() / "fprn-emulator";
    test::TempDir dir("emulator-link");
    auto link = (dir.path() / "COM2").string();

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
}

} // namespace fprn::emu::testing
