// A C program that links only the driver library, run from its own folder: the library works
// without any message loop of the host's, and its trace log lands beside the program.
#include "driverfiles.h"
#include "dynlib.h"
#include "frame.h"
#include "printer.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Runs the host from its own folder `dir` against the printer; `limit` goes before it in the
// shell (a ulimit, say). Returns its output and sets its wait status.
std::string RunHost(const fs::path& dir, const fprn::emu::Printer& printer, int& status,
                    const std::string& limit = "") {
    fs::path bin = fprn::plat::ProgramFolder();
    fs::copy_file(bin / "fprn_chost", dir / "fprn_chost", fs::copy_options::overwrite_existing);
    std::string cmd = "cd / && " + limit + " LD_LIBRARY_PATH=" + bin.string() + " " +
                      (dir / "fprn_chost").string() + " " + printer.SlavePath();
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return "popen failed";
    std::string out;
    char line[256];
    while (fgets(line, sizeof line, p)) out += line;
    status = pclose(p);
    return out;
}

} // namespace

TEST(CHost, RunsACommandAndLogsBesideTheProgram) {
    fprn::test::TempDir tmp("chost");
    const fs::path& dir = tmp.path();

    fprn::emu::Printer printer;
    printer.PushReaction(fprn::emu::Reaction::WithPayload("O0READY"));
    int status = -1;
    std::string out = RunHost(dir, printer, status);
    EXPECT_EQ(status, 0) << out;
    EXPECT_EQ(out, "open 0\ncode 0 length 7 reply O0READY\nclose 0\n");

    auto frames = printer.Received();
    ASSERT_EQ(frames.size(), 1u);
    std::uint8_t seq = 0; // the first command of a freshly loaded library
    std::string expected = fprn::TraceRecord(fprn::BuildFrame(seq, "40"));
    std::string log = fprn::test::ReadFile(dir / "FiscPrn.log");
    ASSERT_GE(log.size(), expected.size());
    EXPECT_EQ(log.substr(0, expected.size()), expected);
    EXPECT_EQ(expected, "\r\nC0 01 AA 55 34 30 9B C0 C0 C0 ");
    // The rest is the reply as it came in, in one or more records.
    std::string rest;
    for (char c : log.substr(expected.size()))
        if (c != '\r' && c != '\n') rest += c;
    EXPECT_NE(rest.find("4F 30 52 45 41 44 59 "), std::string::npos) << rest;
    printer.Stop();
}

TEST(CHost, ALogAppendPastTheFileSizeLimitFailsTheCommandAndTheHostLives) {
    fprn::test::TempDir tmp("chost-limit");
    const fs::path& dir = tmp.path();
    // A log at the limit (one block of 512 or 1024 bytes, as the shell counts): any record
    // would pass it. The host keeps the default disposition of SIGXFSZ.
    const std::string full(1024, 'x');
    std::ofstream(dir / "FiscPrn.log", std::ios::binary) << full;
    fprn::emu::Printer printer;
    printer.PushReaction(fprn::emu::Reaction::WithPayload("O0READY"));
    int status = -1;
    std::string out = RunHost(dir, printer, status, "ulimit -f 1 &&");
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(out, "open 0\ncode -7 length 18 reply Stream write error\nclose 0\n");
    EXPECT_EQ(fprn::test::ReadFile(dir / "FiscPrn.log"), full);
    printer.Stop();
}
