#include "driverfiles.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sched.h>
#include <sstream>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

using fprn::test::ReadFile;

std::string TestName() {
    return ::testing::UnitTest::GetInstance()->current_test_info()->name();
}

class DriverFiles : public ::testing::Test {
protected:
    fprn::test::TempDir tmp_{"files-" + TestName()};
    const fs::path& dir_ = tmp_.path();
};

} // namespace

TEST(TraceRecord, IsLineEndThenHexPairsWithBlanks) {
    EXPECT_EQ(fprn::TraceRecord("\xC0\x01\xAA"), "\r\nC0 01 AA ");
    EXPECT_EQ(fprn::TraceRecord(""), "\r\n");
    EXPECT_EQ(fprn::TraceRecord(std::string("\0\xff", 2)), "\r\n00 FF ");
}

TEST_F(DriverFiles, TraceLogAppendsRecordsWithoutTruncating) {
    fprn::TraceLog log;
    log.SetFolder(dir_.string());
    log.Append("40");
    log.Append("\x0F");
    EXPECT_EQ(ReadFile(dir_ / "FiscPrn.log"), "\r\n34 30 \r\n0F ");
    fprn::TraceLog again;
    again.SetFolder(dir_.string());
    again.Append("A");
    EXPECT_EQ(ReadFile(dir_ / "FiscPrn.log"), "\r\n34 30 \r\n0F \r\n41 ");
}

TEST_F(DriverFiles, TraceLogFailureNamesTheFile) {
    fprn::TraceLog log;
    log.SetFolder((dir_ / "missing").string());
    try {
        log.Append("40");
        FAIL() << "no error";
    } catch (const fprn::FileError& e) {
        std::string m = e.what();
        EXPECT_EQ(m.rfind("Cannot create file \"", 0), 0u) << m;
        EXPECT_NE(m.find("FiscPrn.log\". "), std::string::npos) << m;
    }
}

TEST_F(DriverFiles, RecordThatFillsTheDiskIsCutBackWhole) {
    // A disk of two pages in a mount namespace of its own: one holds the log, the other a
    // filler, so the record's first bytes fit and the rest does not.
    const fs::path disk = dir_ / "disk";
    fs::create_directories(disk);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (unshare(geteuid() == 0 ? CLONE_NEWNS : CLONE_NEWUSER | CLONE_NEWNS) != 0 ||
            mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            mount("fprn", disk.c_str(), "tmpfs", 0, "size=8k") != 0)
            _exit(77);
        std::ofstream(disk / "FiscPrn.log") << std::string(4000, 'x');
        std::ofstream(disk / "filler") << std::string(4096, 'f');
        fprn::TraceLog log;
        log.SetFolder(disk.string());
        try {
            log.Append(std::string(100, 'r'));
            _exit(1);
        } catch (const fprn::FileError& e) {
            if (e.error() != ENOSPC) _exit(2);
        }
        _exit(fs::file_size(disk / "FiscPrn.log") == 4000 ? 0 : 3);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 77) GTEST_SKIP() << "no tmpfs in a mount namespace here";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: no error, 2: another error, 3: half a record left";
}

TEST_F(DriverFiles, CaptureFileIsRecreatedEmptyAndAppended) {
    fs::path name = dir_ / "_Plu.mem";
    std::ofstream(name) << "old content";
    fprn::CaptureFile f;
    f.Prepare(name.string());
    EXPECT_TRUE(f.IsOpen());
    EXPECT_EQ(ReadFile(name), "");
    f.Append("abc");
    f.Append(std::string("\0d", 2));
    f.Close();
    EXPECT_EQ(ReadFile(name), std::string("abc\0d", 5));
    f.Append("ignored after close");
    EXPECT_EQ(fs::file_size(name), 5u);
}

TEST_F(DriverFiles, CaptureFileThatCannotBeClearedKeepsItsContent) {
    if (geteuid() == 0) {
        // Root ignores directory permissions; a directory in the file's place cannot be
        // unlinked by anybody.
        fs::create_directories(dir_ / "_RtnPkg.mem" / "inner");
        fprn::CaptureFile f;
        try {
            f.Prepare((dir_ / "_RtnPkg.mem").string());
            FAIL() << "no error";
        } catch (const fprn::FileError& e) {
            EXPECT_EQ(std::string(e.what()),
                      "Fail to clear file " + (dir_ / "_RtnPkg.mem").string());
        }
        EXPECT_TRUE(fs::exists(dir_ / "_RtnPkg.mem" / "inner"));
        return;
    }
    fs::path name = dir_ / "_RtnPkg.mem";
    std::ofstream(name) << "keep";
    fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec);
    fprn::CaptureFile f;
    EXPECT_THROW(f.Prepare(name.string()), fprn::FileError);
    fs::permissions(dir_, fs::perms::owner_all);
    EXPECT_EQ(ReadFile(name), "keep");
}

TEST_F(DriverFiles, MissingCaptureFileWhoseUnlinkFailsGetsTheCreationsMessage) {
    // On a read-only file system the unlink of a missing file fails (EROFS); a path through a
    // plain file fails it too (ENOTDIR), for any user. Nothing is there to be "not cleared".
    std::ofstream(dir_ / "plain") << "x";
    const std::string name = (dir_ / "plain" / "_Plu.mem").string();
    fprn::CaptureFile f;
    try {
        f.Prepare(name);
        FAIL() << "no error";
    } catch (const fprn::FileError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Cannot create file \"" + name + "\". " + std::strerror(ENOTDIR));
    }
}

TEST_F(DriverFiles, CaptureWriteFailureIsReported) {
    fprn::CaptureFile f;
    f.Prepare((dir_ / "_Plu.mem").string());
    // A file-size limit makes the write fail part-way, as a full disk would.
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    auto oldHandler = signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 4;
    setrlimit(RLIMIT_FSIZE, &small);
    bool threw = false;
    try {
        f.Append("0123456789");
    } catch (const fprn::FileError& e) {
        threw = true;
        EXPECT_STREQ(e.what(), "Stream write error");
    }
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, oldHandler);
    EXPECT_TRUE(threw);
}
