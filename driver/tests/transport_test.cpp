// The transport core in process, with short reply time-outs, against the printer emulator.
#include "frame.h"
#include "printer.h"
#include "tempdir.h"
#include "timer.h"
#include "transport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using fprn::Bytes;
using fprn::Transport;
using fprn::emu::Printer;
using fprn::emu::Reaction;
using namespace std::chrono_literals;

namespace {

using fprn::test::ReadFile;

class TransportTest : public ::testing::Test {
protected:
    void SetUp() override {
        t_.SetTraceFolder(dir_.string());
        t_.SetReplyTimeout(150);
        ASSERT_EQ(t_.OpenFPrn(printer_.SlavePath().c_str(), 9600), 0);
    }
    void TearDown() override {
        t_.CloseFPrn();
        printer_.Stop();
    }
    Bytes Reply() const { return Bytes(buf_, static_cast<std::size_t>(len_)); }
    void Exec(const Bytes& text, Transport::Upload mode = Transport::Upload::None) {
        len_ = sizeof buf_;
        if (mode == Transport::Upload::None)
            t_.ExecCommand(&r_, text, buf_, &len_);
        else
            t_.ExecUpload(mode, &r_, text, buf_, &len_);
    }

    fprn::test::TempDir tmp_{std::string("transport-") +
                                 ::testing::UnitTest::GetInstance()->current_test_info()->name(),
                             true};
    const fs::path& dir_ = tmp_.path();
    Printer printer_;
    Transport t_;
    TFPrnResult r_{};
    char buf_[600];
    int32_t len_ = 0;
};

} // namespace

TEST_F(TransportTest, SilentPrinterGetsThreeIdenticalFrames) {
    for (int i = 0; i < 3; ++i) printer_.PushReaction(Reaction::Silent());
    Exec("47");
    EXPECT_EQ(r_.Code, -3);
    auto frames = printer_.Received();
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0].raw, frames[2].raw);
    // The log holds the three sends, one line each.
    std::string log = ReadFile(dir_ / "FiscPrn.log");
    std::string line = "\r\n" + std::string("C0 ");
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 3);
}

TEST_F(TransportTest, CorruptedReplyIsIgnoredAndTheCommandSentAgain) {
    printer_.PushReaction(Reaction::Corrupted(fprn::emu::Corruption::BadChecksum));
    printer_.PushReaction(Reaction::WithPayload("O0SECOND"));
    Exec("40");
    EXPECT_EQ(r_.Code, 0);
    EXPECT_EQ(Reply(), "O0SECOND");
    auto frames = printer_.Received();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].raw, frames[1].raw); // same frame, same sequence number
}

TEST_F(TransportTest, SecondAndThirdSendCanStillSucceed) {
    printer_.PushReaction(Reaction::Silent());
    printer_.PushReaction(Reaction::Silent());
    printer_.PushReaction(Reaction::WithPayload("O0THIRD"));
    Exec("40");
    EXPECT_EQ(r_.Code, 0);
    EXPECT_EQ(Reply(), "O0THIRD");
    EXPECT_EQ(printer_.Received().size(), 3u);
}

TEST_F(TransportTest, UploadEndsByInactivityAndRepeatsAppendToTheFile) {
    // Two frames without an end frame, then silence: the command is sent again and the new
    // data follows the old; the third silence ends it.
    printer_.PushReaction(Reaction::UploadFrames({"AAAA", "BBBB"}, false));
    printer_.PushReaction(Reaction::UploadFrames({"CCCC"}, false));
    printer_.PushReaction(Reaction::Silent());
    Exec("90", Transport::Upload::Plu);
    EXPECT_EQ(r_.Code, -3);
    EXPECT_EQ(printer_.Received().size(), 3u);
    EXPECT_EQ(ReadFile("_Plu.mem"), "AAAABBBBCCCC");
}

TEST_F(TransportTest, UploadKeepsGoingWhileDataFlows) {
    // Frames spaced closer than the tick keep the upload alive beyond one interval.
    std::vector<Bytes> frames;
    for (int i = 0; i < 6; ++i) frames.push_back(Bytes(10, static_cast<char>('a' + i)));
    printer_.PushReaction(Reaction::UploadFrames(frames).FrameGap(60ms));
    Exec("891", Transport::Upload::Package);
    EXPECT_EQ(r_.Code, 0);
    EXPECT_EQ(printer_.Received().size(), 1u);
    std::string all;
    for (auto& f : frames) all += f;
    EXPECT_EQ(ReadFile("_RtnPkg.mem"), all);
}

TEST_F(TransportTest, ErrorReplyInsideAnUploadIsCapturedAsData) {
    printer_.PushReaction(Reaction::UploadFrames({"E012"}, false));
    printer_.PushReaction(Reaction::Silent());
    printer_.PushReaction(Reaction::Silent());
    Exec("90", Transport::Upload::Plu);
    EXPECT_EQ(r_.Code, -3);
    EXPECT_EQ(ReadFile("_Plu.mem"), "E012");
}

TEST_F(TransportTest, TraceLogRecordsEveryFrameAndChunkExactly) {
    printer_.PushReaction(Reaction::WithPayload("O0"));
    Exec("40");
    ASSERT_EQ(r_.Code, 0);
    std::string log = ReadFile(dir_ / "FiscPrn.log");
    // The sent frame is the first record; what came back follows in one or more records.
    std::uint8_t seq = static_cast<std::uint8_t>(printer_.Received()[0].sequence - 1);
    Bytes frame = fprn::BuildFrame(seq, "40");
    std::string first = fprn::TraceRecord(frame);
    ASSERT_EQ(log.substr(0, first.size()), first);
    std::string rest = log.substr(first.size());
    std::string bytes;
    for (std::size_t i = 0; i < rest.size();) {
        if (rest.compare(i, 2, "\r\n") == 0) {
            i += 2;
            continue;
        }
        bytes += rest.substr(i, 3);
        i += 3;
    }
    std::uint8_t replySeq = static_cast<std::uint8_t>(printer_.Received()[0].sequence - 1);
    Bytes reply = fprn::BuildFrame(replySeq, "O0");
    reply.resize(reply.size() - 2); // the emulator closes a reply with one delimiter
    EXPECT_EQ(bytes, fprn::TraceRecord(reply).substr(2));
}

TEST_F(TransportTest, UnwritableTraceLogEndsTheCommandWithItsMessageBeforeItIsSent) {
    t_.SetTraceFolder((dir_ / "no-such-folder").string());
    Exec("40");
    EXPECT_EQ(r_.Code, FPRN_DRIVER_ERROR);
    EXPECT_NE(r_.ErrorNumber, 0);
    EXPECT_EQ(Reply().rfind("Cannot create file \"", 0), 0u) << Reply();
    EXPECT_EQ(t_.IsCommandExecuting(), 1);
    t_.SetTraceFolder(dir_.string());
    Exec("41");
    EXPECT_EQ(r_.Code, 0);
    // The printer got the second command only.
    ASSERT_EQ(printer_.Received().size(), 1u);
    EXPECT_EQ(printer_.Received()[0].text, "41");
}

TEST_F(TransportTest, FifoAsTheTraceLogEndsTheCommandAtOnce) {
    // Read by somebody or not, it is refused; nobody reading must not hold the open.
    const std::string log = (dir_ / "FiscPrn.log").string();
    ASSERT_EQ(mkfifo(log.c_str(), 0644), 0);
    int reader = open(log.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    Exec("40");
    close(reader);
    EXPECT_EQ(r_.Code, FPRN_DRIVER_ERROR);
    ASSERT_EQ(Reply(), "Cannot open file \"" + log + "\". Not a regular file");
    Exec("40");
    EXPECT_EQ(r_.Code, FPRN_DRIVER_ERROR);
    EXPECT_EQ(Reply(), "Cannot open file \"" + log + "\". Not a regular file");
    EXPECT_EQ(t_.IsCommandExecuting(), 1);
}

TEST_F(TransportTest, TraceLogLockedByAnotherProgramEndsTheCommandBeforeItIsSent) {
    const std::string log = (dir_ / "FiscPrn.log").string();
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    pid_t holder = fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) {
        int fd = open(log.c_str(), O_WRONLY | O_CREAT, 0644);
        if (fd < 0 || flock(fd, LOCK_EX) != 0) _exit(1);
        (void)!write(ready[1], "L", 1);
        sleep(30);
        _exit(0);
    }
    close(ready[1]);
    char c = 0;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    close(ready[0]);

    // The host keeps being served while the command waits for the log.
    t_.SetTraceLockTimeout(1000ms);
    int ticks = 0;
    fprn::plat::Timer host([&] { ++ticks; });
    host.SetInterval(50);
    host.SetEnabled(true);
    auto start = std::chrono::steady_clock::now();
    Exec("40");
    auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(r_.Code, FPRN_DRIVER_ERROR);
    EXPECT_EQ(Reply(), "File \"" + log + "\" is locked by another program");
    EXPECT_GE(took, 1000ms);
    EXPECT_LT(took, 20s); // far below the holder's 30 s
    EXPECT_GT(ticks, 3);
    // An abort reaches the wait too.
    host.SetOnTimer([&] { t_.AbortFPrn(); });
    Exec("40");
    EXPECT_EQ(r_.Code, -3);
    host.SetEnabled(false);
    kill(holder, SIGKILL);
    waitpid(holder, nullptr, 0);
    EXPECT_EQ(printer_.RawReceived(), "");
    Exec("40");
    EXPECT_EQ(r_.Code, 0);
}

TEST_F(TransportTest, TraceLogLinkedToDevNullLetsTheCommandRun) {
    fs::create_symlink("/dev/null", dir_ / "FiscPrn.log");
    printer_.PushReaction(Reaction::WithPayload("E015"));
    Exec("40");
    EXPECT_EQ(r_.Code, -4);
    EXPECT_EQ(r_.ErrorNumber, 15);
    ASSERT_EQ(printer_.Received().size(), 1u);
    EXPECT_EQ(printer_.Received()[0].text, "40");
}

TEST_F(TransportTest, LogAndCaptureFilesFollowTheUmask) {
    const mode_t old = umask(002);
    printer_.PushReaction(Reaction::UploadFrames({"AAAA"}));
    Exec("90", Transport::Upload::Plu);
    umask(old);
    EXPECT_EQ(r_.Code, 0);
    for (const fs::path& f : {dir_ / "FiscPrn.log", dir_ / "_Plu.mem"}) {
        struct stat st {};
        ASSERT_EQ(stat(f.c_str(), &st), 0) << f;
        EXPECT_EQ(st.st_mode & 0777, 0664u) << f;
    }
}

TEST_F(TransportTest, CaptureFileThatCannotBeClearedSendsNothing) {
    fs::create_directories("_Plu.mem/inside");
    Exec("90", Transport::Upload::Plu);
    EXPECT_EQ(r_.Code, FPRN_DRIVER_ERROR);
    EXPECT_EQ(Reply(), "Fail to clear file _Plu.mem");
    EXPECT_EQ(printer_.Received().size(), 0u);
    EXPECT_EQ(t_.IsCommandExecuting(), 1);
}

TEST_F(TransportTest, LogFailureAfterTheFrameWentOutLeavesThePrintersAnswer) {
    // The send is logged; then the log's folder goes away before the reply comes in.
    fs::create_directories(dir_ / "logs");
    t_.SetTraceFolder((dir_ / "logs").string());
    printer_.PushReaction(Reaction::WithPayload("O0LATE").After(100ms));
    fprn::plat::Timer host;
    host.SetInterval(30);
    host.SetOnTimer([&] {
        host.SetEnabled(false);
        fs::rename(dir_ / "logs", dir_ / "moved");
    });
    host.SetEnabled(true);
    Exec("40");
    EXPECT_EQ(r_.Code, 0);
    EXPECT_EQ(Reply(), "O0LATE");
    EXPECT_EQ(t_.IsCommandExecuting(), 1);
    // The next command meets the log's failure before it sends anything.
    Exec("41");
    EXPECT_EQ(r_.Code, FPRN_DRIVER_ERROR);
    EXPECT_NE(Reply().find("FiscPrn.log"), std::string::npos) << Reply();
    fs::rename(dir_ / "moved", dir_ / "logs");
    Exec("47");
    EXPECT_EQ(r_.Code, 0);
    ASSERT_EQ(printer_.Received().size(), 2u);
    EXPECT_EQ(printer_.Received()[1].text, "47");
}

TEST_F(TransportTest, ReceiveBufferIsBoundedAndResynchronises) {
    Bytes noise(100000, 'z');
    printer_.PushReaction(Reaction::WithPayload("O0AFTER").WithJunk(noise));
    Exec("40");
    EXPECT_EQ(r_.Code, 0);
    EXPECT_EQ(Reply(), "O0AFTER");
}

TEST_F(TransportTest, SequenceNumberSurvivesCloseAndReopen) {
    Exec("40");
    int first = printer_.Received().back().sequence;
    ASSERT_EQ(t_.CloseFPrn(), 0);
    ASSERT_EQ(t_.OpenFPrn(printer_.SlavePath().c_str(), 9600), 0);
    Exec("40");
    EXPECT_EQ(printer_.Received().back().sequence, first % 99 + 1);
}

TEST(TransportUnload, DestroyingAnOpenTransportReleasesThePort) {
    Printer printer;
    {
        Transport t;
        ASSERT_EQ(t.OpenFPrn(printer.SlavePath().c_str(), 9600), 0);
    }
    Transport again;
    EXPECT_EQ(again.OpenFPrn(printer.SlavePath().c_str(), 9600), 0);
    again.CloseFPrn();
    printer.Stop();
}
