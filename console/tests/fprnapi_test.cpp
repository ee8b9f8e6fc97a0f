#include "fprnapi.h"
#include "language.h"
#include "printer.h"
#include "savedtexts.h"
#include "tempdir.h"
#include "testmodule.h"
#include "tovarinlib.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>

namespace fprn::console {
namespace {

namespace fs = std::filesystem;

// Runs a shell command; its first output line.
std::string FirstLineOf(const std::string& command) {
    FILE* p = popen((command + " 2>&1").c_str(), "r");
    if (p == nullptr) return "popen failed";
    char line[1024] = {};
    if (fgets(line, sizeof line, p) == nullptr) line[0] = '\0';
    pclose(p);
    std::string text = line;
    if (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
}

TEST(ErrorTexts, TablesByCodeAndNumber) {
    struct Case {
        std::int32_t code, number;
        const char* text;
    };
    const Case cases[] = {{-2, 7, "Comm Port not Opened "},
                          {-1, 0, "Comm Port not Opened "},
                          {-3, 5, "Time Out"},
                          {-4, 62, "check Eprom ID code ('KVOR') error"},
                          {-4, 48, "48"},
                          {-5, 1, "Printer error, printer is busy."},
                          {-6, 7, "microprocessor ROM checksum error (software is damaged)"}};
    for (const auto& c : cases)
        EXPECT_EQ(GetFPrnErrorText(c.code, c.number), c.text) << c.code << "," << c.number;
    const std::pair<std::int32_t, std::int32_t> empty[] = {
        {-4, 0}, {-4, 90}, {-5, 0}, {-5, 2}, {-6, 8}, {0, 1}, {5, 1}, {-7, 1}, {INT32_MIN, -1}};
    for (auto [code, number] : empty) EXPECT_EQ(GetFPrnErrorText(code, number), "") << code;

    // What the error box shows: the driver's own message for -7 and -8.
    char message[] = "Stream write error\0garbage";
    EXPECT_EQ(CommandErrorText({-7, 28, {}}, message, sizeof message), "Stream write error");
    EXPECT_EQ(CommandErrorText({-8, 0, {}}, message, 6), "Stream");
    EXPECT_EQ(CommandErrorText({-7, 5, {}}, nullptr, 0), "A file of the driver failed");
    EXPECT_EQ(CommandErrorText({-8, 0, {}}, "", 10), "An amount or quantity cannot be sent");
    EXPECT_EQ(CommandErrorText({-4, 4, {}}, message, sizeof message), "message checksum is wrong");

    EXPECT_EQ(MessageTexts().errorCaption, "Error");
    EXPECT_EQ(
        MessageTexts().sramEraseQuestion,
        "This Operation will erase the SRAM in Printer\n\rAre you sure to do this operation?");
}

TEST(ErrorTexts, TheLanguageApplicationReplacesEveryEntry) {
    const testing::SavedTexts saved;
    ApplyLanguageToTexts(); // no object: nothing changes
    EXPECT_EQ(GetFPrnErrorText(-4, 1), "operation code is wrong");

    auto locale = std::make_unique<lang::TBsLocale>();
    ASSERT_TRUE(locale->LoadLib(peltrane::testmodule::kFile)) << locale->Error();
    lang::SetLanguageObject(std::move(locale));
    ApplyLanguageToTexts();
    EXPECT_EQ(GetFPrnErrorText(-4, 1), "[12101] operation code is wrong");
    EXPECT_EQ(GetFPrnErrorText(-4, 89), "") << "the module lacks 12189";
    EXPECT_EQ(GetFPrnErrorText(-1, 0), "[12701] Comm Port not Opened ");
    EXPECT_EQ(GetFPrnErrorText(-6, 7),
              "[12607] microprocessor ROM checksum error (software is damaged)");
    EXPECT_EQ(MessageTexts().errorCaption, "[11370] Error");
    EXPECT_EQ(MessageTexts().sramEraseQuestion,
              "[11372] This Operation will erase the SRAM in Printer\n\r"
              "[11373] Are you sure to do this operation?");
    EXPECT_EQ(MessageTexts().confirmationCaption, "[11376] Confirmation");
}

TEST(Binding, TheListsAreTheExports) {
    std::set<std::string> user, service;
#define FPRN_NAME(name) user.insert(#name);
    FPRN_TOVARIN_API(FPRN_NAME)
#undef FPRN_NAME
#define FPRN_NAME(name) service.insert(#name);
    FPRN_MESKADE_API(FPRN_NAME)
#undef FPRN_NAME
    EXPECT_EQ(user, test::ExportedNames("libtovarin.so"));
    service.insert("AbortFPrn");
    EXPECT_EQ(service, test::ExportedNames("libmeskade.so"));
}

TEST(Binding, FailuresNameTheFileAndLeaveNothingLoaded) {
    TovarinApi user;
    MeskadeApi service;
    DriverLocation missing;
    missing.userFile = "libfprn_missing_driver.so";
    std::string error = LoadDriverLibraries(user, service, missing);
    EXPECT_EQ(error.rfind("Cannot load libfprn_missing_driver.so: ", 0), 0u) << error;
    EXPECT_NE(error.find("No such file"), std::string::npos) << error;
    EXPECT_FALSE(user.lib.IsLoaded());
    EXPECT_EQ(user.OpenFPrn, nullptr);

    test::TempDir lacking("binding-nosetid");
    fs::copy_file(plat::ProgramFolder() + "libtovarin.so", lacking.path() / "libtovarin.so.1");
    fs::copy_file(plat::ProgramFolder() + "nosetid/libmeskade.so",
                  lacking.path() / "libmeskade.so.1");
    DriverLocation nosetid;
    nosetid.folder = lacking.path().string();
    EXPECT_EQ(LoadDriverLibraries(user, service, nosetid),
              "libmeskade.so.1 lacks the function cmSetID");
    EXPECT_FALSE(user.lib.IsLoaded()) << "the user library goes too";
    EXPECT_EQ(user.cmClerkLogon, nullptr);
    EXPECT_FALSE(service.lib.IsLoaded());
    EXPECT_EQ(service.OpenFPrn, nullptr);

    ASSERT_EQ(LoadDriverLibraries(user, service), "");
    EXPECT_NE(user.AbortFPrn, nullptr);
    EXPECT_NE(service.UpdateFPrnProgram, nullptr);
}

// Beside a copy of a program that binds: the libraries come from its folder, and binding
// alone writes no trace log there or in the current directory.
TEST(Binding, LoadsBesideTheProgramAndWritesNoLog) {
    test::TempDir dir("binding-beside");
    for (const char* file :
         {"fprn_console_probe", "libtovarin.so.1", "libmeskade.so.1", "libfprnplatform.so"})
        fs::copy_file(plat::ProgramFolder() + file, dir.path() / file);
    std::string probe = (dir.path() / "fprn_console_probe").string();
    EXPECT_EQ(FirstLineOf("cd " + dir.path().string() + " && " + probe + " bind"), "bound");
    EXPECT_FALSE(fs::exists(dir.path() / "FiscPrn.log"));

    // A broken file beside the program is reported, not passed over for another.
    fs::resize_file(dir.path() / "libtovarin.so.1", 100);
    std::string error = FirstLineOf("cd " + dir.path().string() + " && " + probe + " bind");
    EXPECT_EQ(
        error.rfind("Cannot load libtovarin.so.1: " + (dir.path() / "libtovarin.so.1").string(), 0),
        0u)
        << error;
}

TEST(BindingE2E, CommandsThroughBothLibrariesAndRefusalsAsTheirTexts) {
    test::TempDir dir("binding-e2e", true);
    emu::Printer printer;
    TovarinApi user;
    MeskadeApi service;
    ASSERT_EQ(LoadDriverLibraries(user, service), "");
    const std::string port = printer.SlavePath();
    TFPrnResult r{};
    char buf[600] = {};
    std::int32_t len = 0;
    // Runs one command; the text its error box would show.
    auto run = [&](auto command) {
        len = sizeof buf;
        command();
        return CommandErrorText(r, buf, len);
    };

    ASSERT_EQ(user.OpenFPrn(port.c_str(), 9600), 0);
    EXPECT_EQ(run([&] { user.cmHardwareStatus(&r, buf, &len); }), "");
    EXPECT_EQ(len, 62);
    // The printer's own refusal (a wrong clerk password), a scripted one, the driver's message.
    EXPECT_EQ(run([&] { user.cmClerkLogon(&r, 1, "999", buf, &len); }), "cashier login error");
    printer.PushReaction(emu::Reaction::ErrorReply('E', 62));
    EXPECT_EQ(run([&] { user.cmPrinterStatus(&r, buf, &len); }),
              "check Eprom ID code ('KVOR') error");
    std::string message = run([&] { user.cmReceiveCash(&r, std::nan(""), buf, &len); });
    EXPECT_EQ(r.Code, FPRN_ARGUMENT_ERROR);
    EXPECT_NE(message, "An amount or quantity cannot be sent");
    EXPECT_NE(message, "");
    EXPECT_EQ(user.CloseFPrn(), 0);

    ASSERT_EQ(service.OpenFPrn(port.c_str(), 9600), 0);
    EXPECT_EQ(run([&] { service.cmSetID(&r, "XYZ", "87654321", buf, &len); }), "");
    EXPECT_EQ(r.Code, 0);
    EXPECT_EQ(service.CloseFPrn(), 0);
    EXPECT_EQ(printer.State().idCode, "XYZ");
}

} // namespace
} // namespace fprn::console
