// The user driver library end to end: loaded by name, driving the printer emulator on a
// pseudo-terminal.
#include "msgqueue.h"
#include "printer.h"
#include "tempdir.h"
#include "timer.h"
#include "tovarinlib.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <sys/file.h>
#include <unistd.h>

namespace fs = std::filesystem;
using fprn::Bytes;
using fprn::emu::Printer;
using fprn::emu::Reaction;
using namespace std::chrono_literals;

namespace {

using fprn::test::ReadFile;

class TovarinE2E : public ::testing::Test {
protected:
    void SetUp() override { lib_.Load(); }
    void TearDown() override {
        if (lib_.CloseFPrn) lib_.CloseFPrn();
        printer_.Stop();
    }
    void Open() { ASSERT_EQ(lib_.OpenFPrn(printer_.SlavePath().c_str(), 9600), 0); }

    fprn::test::TempDir tmp_{std::string("e2e-") +
                                 ::testing::UnitTest::GetInstance()->current_test_info()->name(),
                             true};
    Printer printer_;
    fprn::test::TovarinLib lib_;
    TFPrnResult r_{};
    char buf_[600];
};

} // namespace

TEST(TovarinExports, ExactlyTheDriverFunctionsAreExported) {
    std::set<std::string> functions = fprn::test::ExportedNames("libtovarin.so");
    EXPECT_EQ(functions.size(), 51u);
    int cm = 0;
    for (const auto& n : functions) cm += n.rfind("cm", 0) == 0;
    EXPECT_EQ(cm, 45);
    for (const char* n : {"OpenFPrn", "CloseFPrn", "AbortFPrn", "isCommandExecuting", "ExecCommand",
                          "GetReturnBufLength", "cmPrnRpt", "cmClerkLogon"})
        EXPECT_EQ(functions.count(n), 1u) << n;
}

TEST_F(TovarinE2E, LifeCycleResults) {
    EXPECT_EQ(lib_.OpenFPrn("/nonexistent/port", 9600), -2);
    EXPECT_EQ(lib_.OpenFPrn("COM77", 9600), -2);
    int32_t len = 100;
    lib_.cmHardwareStatus(&r_, buf_, &len);
    EXPECT_EQ(r_.Code, -1);
    Open();
    EXPECT_EQ(lib_.OpenFPrn("/anything", 9600), -1);
    EXPECT_EQ(lib_.isCommandExecuting(), 1);
    EXPECT_EQ(lib_.CloseFPrn(), 0);
    EXPECT_EQ(lib_.CloseFPrn(), 0);
    EXPECT_EQ(lib_.AbortFPrn(), 0);
    // The port was released: it opens again.
    Open();
    EXPECT_EQ(lib_.CloseFPrn(), 0);
}

TEST_F(TovarinE2E, StatusCommandRoundTrip) {
    Open();
    int32_t len = sizeof buf_;
    lib_.cmHardwareStatus(&r_, buf_, &len);
    EXPECT_EQ(r_.Code, 0);
    ASSERT_GT(len, 2);
    EXPECT_EQ(Bytes(buf_, 2).substr(1, 1), "0");
    auto frames = printer_.Received();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].text, "40");
    EXPECT_GE(frames[0].sequence, 1);
    // The next command carries the next sequence number.
    lib_.cmSoftwareStatus(&r_, buf_, &(len = sizeof buf_));
    EXPECT_EQ(r_.Code, 0);
    frames = printer_.Received();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[1].sequence, frames[0].sequence % 99 + 1);
}

TEST_F(TovarinE2E, ReturnLengthRules) {
    Open();
    printer_.PushReaction(Reaction::WithPayload("O0ABCDEFGH"));
    printer_.PushReaction(Reaction::WithPayload("O0ABCDEFGH"));
    printer_.PushReaction(Reaction::WithPayload("O0ABCDEFGH"));

    // Size query: nothing sent, whatever the library state.
    int32_t len = 0;
    r_.Code = 99;
    lib_.cmHardwareStatus(&r_, buf_, &len);
    EXPECT_EQ(r_.Code, 0);
    EXPECT_EQ(len, 100);
    lib_.cmXReport(&r_, 1, buf_, &(len = 0));
    EXPECT_EQ(len, -1);
    lib_.cmUploadPlu(&r_, buf_, &(len = 0));
    EXPECT_EQ(len, 512);
    EXPECT_EQ(lib_.GetReturnBufLength("44"), 512);
    EXPECT_EQ(lib_.GetReturnBufLength("20"), -1);
    EXPECT_EQ(lib_.GetReturnBufLength("441"), 100);
    EXPECT_EQ(printer_.Received().size(), 0u);

    // Negative length: runs, copies nothing.
    std::memset(buf_, '#', sizeof buf_);
    lib_.ExecCommand(&r_, "40", buf_, &(len = -1));
    EXPECT_EQ(r_.Code, 0);
    EXPECT_EQ(len, 0);
    EXPECT_EQ(buf_[0], '#');

    // Shorter than the reply: cut, no terminator.
    lib_.ExecCommand(&r_, "40", buf_, &(len = 4));
    EXPECT_EQ(len, 4);
    EXPECT_EQ(Bytes(buf_, 5), "O0AB#");

    // Longer: the reply's own length.
    lib_.ExecCommand(&r_, "40", buf_, &(len = 50));
    EXPECT_EQ(len, 10);
    EXPECT_EQ(Bytes(buf_, 11), "O0ABCDEFGH#");
    EXPECT_EQ(printer_.Received().size(), 3u);
}

TEST_F(TovarinE2E, ErrorRepliesBecomeResultCodes) {
    Open();
    struct Case {
        Bytes payload;
        int code, number;
        bool copied;
    } cases[] = {{"E015", -4, 15, false},
                 {"P0AB", -5, 0, false},
                 {"M099", -6, 99, false},
                 {"E0123", 0, 0, true},
                 {"X015", 0, 0, true}};
    for (const auto& c : cases) {
        printer_.PushReaction(Reaction::WithPayload(c.payload));
        std::memset(buf_, '#', sizeof buf_);
        int32_t len = 100;
        lib_.cmPrinterStatus(&r_, buf_, &len);
        EXPECT_EQ(r_.Code, c.code) << c.payload;
        EXPECT_EQ(r_.ErrorNumber, c.number) << c.payload;
        if (c.copied) {
            EXPECT_EQ(Bytes(buf_, static_cast<std::size_t>(len)), c.payload);
        } else {
            EXPECT_EQ(len, 100) << c.payload;
            EXPECT_EQ(buf_[0], '#');
        }
    }
}

TEST_F(TovarinE2E, DamagedAndSplitRepliesAreHandled) {
    Open();
    int32_t len;
    // A corrupted frame is ignored; the sound one that follows is taken.
    for (auto damage : {fprn::emu::Corruption::BadChecksum, fprn::emu::Corruption::BrokenEscape,
                        fprn::emu::Corruption::WrongMarker}) {
        printer_.PushReaction(
            Reaction::WithPayload("O0GOOD").WithJunk("\x01\x02junk").ThenSound(50ms));
        printer_.PushReaction(Reaction::Default());
        Reaction bad = Reaction::WithPayload("O0GOOD");
        bad.corruption = damage;
        bad.ThenSound(50ms);
        printer_.PushReaction(bad);
        lib_.ExecCommand(&r_, "40", buf_, &(len = 100));
        EXPECT_EQ(r_.Code, 0);
        EXPECT_EQ(Bytes(buf_, static_cast<std::size_t>(len)), "O0GOOD");
        lib_.ExecCommand(&r_, "40", buf_, &(len = 100));
        EXPECT_EQ(r_.Code, 0);
        lib_.ExecCommand(&r_, "40", buf_, &(len = 100));
        EXPECT_EQ(r_.Code, 0) << static_cast<int>(damage);
        EXPECT_EQ(Bytes(buf_, static_cast<std::size_t>(len)), "O0GOOD");
    }
    // Byte by byte, with pauses.
    printer_.PushReaction(Reaction::WithPayload("O0SPLIT").Chunked(1, 5ms));
    lib_.ExecCommand(&r_, "40", buf_, &(len = 100));
    EXPECT_EQ(r_.Code, 0);
    EXPECT_EQ(Bytes(buf_, static_cast<std::size_t>(len)), "O0SPLIT");
    // No command was sent twice.
    auto frames = printer_.Received();
    std::set<int> seqs;
    for (const auto& f : frames) seqs.insert(f.sequence);
    EXPECT_EQ(seqs.size(), frames.size());
}

TEST_F(TovarinE2E, UploadsCaptureExactlyTheDataPayloads) {
    Open();
    std::vector<Bytes> items = {Bytes(64, 'a'), Bytes(64, 'b'), Bytes("\xC0\xDB\x00z", 4)};
    printer_.PushReaction(Reaction::UploadFrames(items));
    std::ofstream("_Plu.mem") << "stale data from an earlier upload";
    int32_t len = 512;
    lib_.cmUploadPlu(&r_, buf_, &len);
    EXPECT_EQ(r_.Code, 0);
    EXPECT_EQ(ReadFile("_Plu.mem"), items[0] + items[1] + items[2]);
    EXPECT_EQ(Bytes(buf_, 3), Bytes("O0\xAA", 3));

    std::vector<Bytes> pkgs = {Bytes(58, 'p'), Bytes(58, 'q')};
    printer_.PushReaction(Reaction::UploadFrames(pkgs).FrameGap(20ms));
    lib_.cmUploadPkg(&r_, '1', buf_, &(len = 512));
    EXPECT_EQ(r_.Code, 0);
    EXPECT_EQ(ReadFile("_RtnPkg.mem"), pkgs[0] + pkgs[1]);
    EXPECT_EQ(printer_.Received().back().text, "891");

    // An ordinary command after an upload is not captured.
    lib_.cmHardwareStatus(&r_, buf_, &(len = 100));
    EXPECT_EQ(r_.Code, 0);
    EXPECT_EQ(ReadFile("_RtnPkg.mem"), pkgs[0] + pkgs[1]);

    // The size query leaves the file alone.
    lib_.cmUploadPkg(&r_, '1', buf_, &(len = 0));
    EXPECT_EQ(len, 512);
    EXPECT_EQ(ReadFile("_RtnPkg.mem"), pkgs[0] + pkgs[1]);
}

TEST_F(TovarinE2E, UploadWhileClosedStillClearsTheCaptureFile) {
    std::ofstream("_Plu.mem") << "old";
    int32_t len = 512;
    lib_.cmUploadPlu(&r_, buf_, &len);
    EXPECT_EQ(r_.Code, -1);
    EXPECT_TRUE(fs::exists("_Plu.mem"));
    EXPECT_EQ(fs::file_size("_Plu.mem"), 0u);
}

TEST_F(TovarinE2E, HostEventsDuringAWaitGetBusyAnswersAndAbortEndsIt) {
    Open();
    printer_.PushReaction(Reaction::Silent());
    struct Seen {
        int executing = -9, close = -9, open = -9, nested = -9;
    } seen;
    fprn::plat::Timer host;
    host.SetInterval(100);
    host.SetOnTimer([&] {
        host.SetEnabled(false);
        seen.executing = lib_.isCommandExecuting();
        seen.close = lib_.CloseFPrn();
        seen.open = lib_.OpenFPrn("/dev/null", 9600);
        TFPrnResult nested{};
        char b[100];
        int32_t l = 100;
        lib_.cmHardwareStatus(&nested, b, &l);
        seen.nested = nested.Code;
        lib_.AbortFPrn();
    });
    host.SetEnabled(true);
    int32_t len = 100;
    auto start = std::chrono::steady_clock::now();
    lib_.cmPrinterStatus(&r_, buf_, &len);
    auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(r_.Code, -3);
    EXPECT_EQ(seen.executing, 0);
    EXPECT_EQ(seen.close, -2);
    EXPECT_EQ(seen.open, -1);
    EXPECT_EQ(seen.nested, -2);
    EXPECT_LT(took, 4s); // well before the first time-out
    EXPECT_EQ(printer_.Received().size(), 1u);
    EXPECT_EQ(lib_.isCommandExecuting(), 1);
    // The library still works.
    lib_.cmHardwareStatus(&r_, buf_, &(len = 100));
    EXPECT_EQ(r_.Code, 0);
}

TEST_F(TovarinE2E, CommandDuringAnUploadIsRefusedAndLeavesTheUploadAlone) {
    Open();
    std::vector<Bytes> items = {Bytes(64, '1'), Bytes(64, '2'), Bytes(64, '3')};
    printer_.PushReaction(Reaction::UploadFrames(items).FrameGap(150ms));
    int nestedUpload = -9, nestedStatus = -9;
    fprn::plat::Timer host;
    host.SetInterval(80);
    host.SetOnTimer([&] {
        host.SetEnabled(false);
        TFPrnResult nested{};
        char b[512];
        int32_t l = 512;
        lib_.cmUploadPlu(&nested, b, &l);
        nestedUpload = nested.Code;
        lib_.cmHardwareStatus(&nested, b, &(l = 100));
        nestedStatus = nested.Code;
    });
    host.SetEnabled(true);
    int32_t len = 512;
    lib_.cmUploadPlu(&r_, buf_, &len);
    EXPECT_EQ(nestedUpload, -2);
    EXPECT_EQ(nestedStatus, -2);
    EXPECT_EQ(r_.Code, 0);
    EXPECT_EQ(ReadFile("_Plu.mem"), items[0] + items[1] + items[2]);
}

TEST_F(TovarinE2E, UnsendableArgumentsAreRefusedWithAMessage) {
    Open();
    int32_t len = sizeof buf_;
    lib_.cmSaleItem(&r_, NAN, "kg", 1.0, "01", "APPLE", 0, 0.0, buf_, &len);
    EXPECT_EQ(r_.Code, FPRN_ARGUMENT_ERROR);
    ASSERT_GT(len, 0);
    EXPECT_NE(std::string(buf_, static_cast<std::size_t>(len)).find("quantity"), std::string::npos);
    lib_.cmPayment(&r_, 0, "CASH", 1e300, buf_, &(len = sizeof buf_));
    EXPECT_EQ(r_.Code, FPRN_ARGUMENT_ERROR);
    // The size query still answers.
    lib_.cmSaleItem(&r_, NAN, "kg", 1.0, "01", "APPLE", 0, 0.0, buf_, &(len = 0));
    EXPECT_EQ(r_.Code, 0);
    EXPECT_EQ(len, 100);
    EXPECT_EQ(printer_.Received().size(), 0u);
}

TEST_F(TovarinE2E, NegativeValuesInFixedWidthFieldsAreRefused) {
    Open();
    auto refused = [&](const char* what) {
        EXPECT_EQ(r_.Code, FPRN_ARGUMENT_ERROR) << what;
        EXPECT_EQ(r_.ErrorNumber, 0) << what;
    };
    int32_t len = sizeof buf_;
    lib_.cmSaleItem(&r_, -1, "kg", 1.0, "01", "APPLE", 0, 0.0, buf_, &len);
    refused("sale quantity");
    EXPECT_NE(std::string(buf_, static_cast<std::size_t>(len)).find("quantity"), std::string::npos);
    lib_.cmSaleItem(&r_, 1, "kg", -1.0, "01", "APPLE", 0, 0.0, buf_, &(len = sizeof buf_));
    refused("sale price");
    lib_.cmCancelItem(&r_, 1, "kg", 1.0, "01", "APPLE", 1, -0.5, buf_, &(len = sizeof buf_));
    refused("cancel package price");
    lib_.cmSalePackage(&r_, -2, "pc", 0.5, "BOTTLE", buf_, &(len = sizeof buf_));
    refused("package sale");
    lib_.cmReturnPackage(&r_, 1, "pc", -0.5, "BOTTLE", buf_, &(len = sizeof buf_));
    refused("package return");
    lib_.cmInvoiceInfo(&r_, 0, 1, -6, 1, buf_, &(len = sizeof buf_));
    refused("invoice amount");
    lib_.cmPrnRpt(&r_, "1", "ANNA", "120000010126", "180000010126", -1, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                  0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, buf_, &(len = sizeof buf_));
    refused("report cash");
    EXPECT_EQ(printer_.Received().size(), 0u);
}

TEST_F(TovarinE2E, NullPointersFromTheHostDoNotCrash) {
    Open();
    int32_t len = 100;
    lib_.cmHardwareStatus(nullptr, buf_, &len); // refused: nothing sent
    EXPECT_EQ(printer_.Received().size(), 0u);
    lib_.cmHardwareStatus(&r_, nullptr, &len); // runs, copies nothing
    EXPECT_EQ(r_.Code, 0);
    EXPECT_EQ(len, 0);
    lib_.cmHardwareStatus(&r_, buf_, nullptr); // runs
    EXPECT_EQ(r_.Code, 0);
    lib_.cmSaleItem(&r_, 1, nullptr, 1, nullptr, nullptr, 0, 0, buf_, &(len = 100));
    EXPECT_NE(r_.Code, -3);
    EXPECT_EQ(lib_.GetReturnBufLength(nullptr), 100);
    lib_.ExecCommand(&r_, nullptr, buf_, &(len = 0));
    EXPECT_EQ(len, 100);
    EXPECT_EQ(printer_.Received().size(), 3u);
    EXPECT_EQ(printer_.Received()[2].text.substr(0, 2), "30");
}

TEST_F(TovarinE2E, BytesBetweenCommandsAreNotTakenForTheNextReply) {
    Open();
    int32_t len = 100;
    // A reply the printer sends late, after the command already gave up on it.
    printer_.PushReaction(Reaction::WithPayload("O0LATE").After(300ms));
    printer_.PushReaction(Reaction::WithPayload("O0NEXT"));
    fprn::plat::Timer host;
    host.SetInterval(50);
    host.SetOnTimer([&] {
        host.SetEnabled(false);
        lib_.AbortFPrn();
    });
    host.SetEnabled(true);
    lib_.cmHardwareStatus(&r_, buf_, &len);
    EXPECT_EQ(r_.Code, -3);
    // Let the late reply arrive without the host pumping.
    usleep(500 * 1000);
    lib_.cmHardwareStatus(&r_, buf_, &(len = 100));
    EXPECT_EQ(r_.Code, 0);
    EXPECT_EQ(Bytes(buf_, static_cast<std::size_t>(len)), "O0NEXT");
}

// The one slow case: a printer that never answers costs three full waits.
TEST_F(TovarinE2E, SilentPrinterGetsThreeIdenticalFramesThenNoReply) {
    Open();
    for (int i = 0; i < 3; ++i) printer_.PushReaction(Reaction::Silent());
    int32_t len = 100;
    auto start = std::chrono::steady_clock::now();
    lib_.cmHardwareStatus(&r_, buf_, &len);
    auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(r_.Code, -3);
    auto frames = printer_.Received();
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0].raw, frames[1].raw);
    EXPECT_EQ(frames[1].raw, frames[2].raw);
    EXPECT_GE(took, 14s);
    EXPECT_LT(took, 20s);
    auto gap = frames[1].received - frames[0].received;
    EXPECT_GE(gap, 4900ms);
    EXPECT_LT(gap, 5500ms);
}

TEST(TovarinUnload, UnloadingWithThePortOpenReleasesIt) {
    Printer printer;
    {
        fprn::test::TovarinLib lib;
        lib.Load();
        ASSERT_EQ(lib.OpenFPrn(printer.SlavePath().c_str(), 9600), 0);
        // No CloseFPrn: the library goes away with the port open.
    }
    int fd = open(printer.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0) << "the unloaded library still holds the port";
    close(fd);
    // And a fresh load opens it again.
    fprn::test::TovarinLib again;
    again.Load();
    EXPECT_EQ(again.OpenFPrn(printer.SlavePath().c_str(), 9600), 0);
    EXPECT_EQ(again.CloseFPrn(), 0);
    printer.Stop();
}
