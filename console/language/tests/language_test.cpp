#include "language.h"
#include "languagetext.h"
#include "tempdir.h"
#include "testmodule.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>
#include <vector>

namespace fprn::lang {
namespace {

namespace marked = peltrane::testmodule;
namespace fs = std::filesystem;

std::string Beside(const char* file) {
    return plat::ProgramFolder() + file;
}

// Whether the process holds the library at `path` (asks without loading it).
bool Resident(const std::string& path) {
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (handle != nullptr) dlclose(handle);
    return handle != nullptr;
}

TEST(Locale, LoadsLooksUpAndFrees) {
    TBsLocale locale;
    locale.FreeLib(); // on nothing: no change
    EXPECT_FALSE(locale.IsLoaded());
    EXPECT_EQ(locale.GetStr(10100), "") << "nothing loaded: no texts of our own";

    ASSERT_TRUE(locale.LoadLib(kLanguageLibraryFile)) << locale.Error();
    EXPECT_EQ(locale.GetStr(10100), "Demo");
    EXPECT_EQ(locale.GetStr(1), "") << "an id outside the table";
    EXPECT_TRUE(Resident(Beside(kLanguageLibraryFile)));

    // A second load frees the first library before it loads.
    ASSERT_TRUE(locale.LoadLib(marked::kFile)) << locale.Error();
    EXPECT_FALSE(Resident(Beside(kLanguageLibraryFile)));
    EXPECT_EQ(locale.GetStr(11001), "[11001] Online");
    EXPECT_EQ(locale.GetStr(11042), "") << "left out of the module";
    std::string longText = locale.GetStr(marked::kLongText);
    EXPECT_EQ(longText.size(), 1023u);
    EXPECT_EQ(longText.back(), 'a' + 1022 % 26);
    EXPECT_EQ(locale.GetStr(marked::kCountTooLarge), "broken count");

    locale.FreeLib();
    EXPECT_FALSE(locale.IsLoaded());
    EXPECT_FALSE(Resident(Beside(marked::kFile)));

    EXPECT_FALSE(locale.LoadLib("libfprn_no_such_language.so"));
    EXPECT_NE(locale.Error().find("libfprn_no_such_language.so"), std::string::npos);
}

TEST(Locale, LoadStringKeepsToTheBuffer) {
    plat::DynLib lib(Beside(marked::kFile));
    ASSERT_TRUE(lib.IsLoaded()) << lib.Error();
    char buf[8];
    EXPECT_EQ(plat::LoadString(lib, 11001, nullptr, 8) + plat::LoadString(lib, 11001, buf, 0), 0);
    EXPECT_EQ(plat::LoadString(lib, 11001, buf, sizeof buf), 7);
    EXPECT_STREQ(buf, "[11001]");
    // A count past the buffer is clamped and the text ends there.
    EXPECT_EQ(plat::LoadString(lib, marked::kCountTooLarge, buf, sizeof buf), 7);
    EXPECT_EQ(buf[7], '\0');
    EXPECT_EQ(plat::LoadString(lib, marked::kCountNegative, buf, sizeof buf), 0);
    EXPECT_STREQ(buf, "");

    // A library without the function has no texts.
    plat::DynLib other(Beside("libfprn_platform_testplugin.so"));
    ASSERT_TRUE(other.IsLoaded()) << other.Error();
    EXPECT_EQ(plat::LoadString(other, 11001, buf, sizeof buf), 0);
    TBsLocale locale;
    ASSERT_TRUE(locale.LoadLib(Beside("libfprn_platform_testplugin.so")));
    EXPECT_EQ(locale.GetStr(11001), "");
}

TEST(Locale, TheGlobalObjectOwnsItsLibrary) {
    EXPECT_EQ(LanguageObject(), nullptr);
    EXPECT_EQ(GetLanguageText(10100), "");
    EXPECT_FALSE(Resident(Beside(kLanguageLibraryFile))) << "no object: nothing is called";

    auto locale = std::make_unique<TBsLocale>();
    ASSERT_TRUE(locale->LoadLib(kLanguageLibraryFile));
    SetLanguageObject(std::move(locale));
    EXPECT_EQ(GetLanguageText(10500), "Back To Menu");
    EXPECT_EQ(LanguageText(10500), QStringLiteral("Back To Menu"));

    // Replacing frees the old object and its library.
    auto other = std::make_unique<TBsLocale>();
    ASSERT_TRUE(other->LoadLib(marked::kFile));
    SetLanguageObject(std::move(other));
    EXPECT_FALSE(Resident(Beside(kLanguageLibraryFile)));
    EXPECT_EQ(GetLanguageText(10500), "[10500] Back To Menu");

    DropLanguageObject();
    EXPECT_EQ(LanguageObject(), nullptr);
    EXPECT_FALSE(Resident(Beside(marked::kFile)));
    EXPECT_EQ(GetLanguageText(10500), "");
    EXPECT_EQ(LanguageText(10500), QString());
}

// A bare name never comes from the current directory, even when the search path names it.
TEST(Locale, APlantedLibraryInTheCurrentDirectoryIsNotLoaded) {
    test::TempDir dir("planted-language", true);
    fs::copy_file(Beside(marked::kFile), dir.path() / "libfprn_planted.so");
    TBsLocale locale;
    EXPECT_FALSE(locale.LoadLib("libfprn_planted.so"));
    // The search path is read when a program starts: try it in a program of its own, run from
    // elsewhere with the planted file in its current directory.
    std::string command = "cd " + dir.path().string() + " && LD_LIBRARY_PATH=. " +
                          Beside("fprn_console_probe") + " language libfprn_planted.so 2>&1";
    FILE* p = popen(command.c_str(), "r");
    ASSERT_NE(p, nullptr);
    char line[512] = {};
    ASSERT_NE(fgets(line, sizeof line, p), nullptr);
    EXPECT_NE(pclose(p), 0);
    EXPECT_NE(std::string(line).find("relative folder"), std::string::npos) << line;
}

TEST(Formatter, FillsOnlyWhatItIsGiven) {
    // The five patterns of the programs.
    EXPECT_EQ(FormatLanguageText("Value %d", {3}), "Value 3");
    EXPECT_EQ(FormatLanguageText("Reply to command %s", {"40"}), "Reply to command 40");
    EXPECT_EQ(FormatLanguageText("Tax type %s unknown", {"7"}), "Tax type 7 unknown");
    EXPECT_EQ(FormatLanguageText("between %s and %s", {"0", "999999.99"}),
              "between 0 and 999999.99");
    EXPECT_EQ(FormatLanguageText("needs %d characters", {3}), "needs 3 characters");

    struct Case {
        const char* pattern;
        std::vector<FormatArg> args;
        const char* result;
    };
    const Case cases[] = {
        {"%s%s%n", {"a"}, "a%s%n"},
        {"%d", {"text"}, "%d"},
        {"%s|%d", {7, "x"}, "%s|%d"}, // each takes its own argument, even when copied
        {"%999999999d", {5}, "%999999999d"},
        {"%1024s", {"x"}, "%1024s"},
        {"%", {}, "%"},
        {"100%", {1}, "100%"},
        {"%% %5%", {}, "% %5%"},
        {"%x %p %*d %ld %-", {1, 2}, "%x %p %*d %ld %-"},
        {"[%5d|%-5d|%.3d|%-6.2s|%.0d]", {42, -7, -7, "abcdef", 0}, "[   42|-7   |-007|ab    |]"},
        {"%d %d", {INT64_MIN, 1, 2}, "-9223372036854775808 1"},
        {"%1023s", {""}, nullptr},
    };
    for (const auto& c : cases) {
        std::string got = FormatLanguageText(c.pattern, c.args);
        if (c.result != nullptr)
            EXPECT_EQ(got, c.result) << c.pattern;
        else
            EXPECT_EQ(got, std::string(1023, ' ')) << c.pattern;
    }
}

TEST(Charset, BytesMapOneToOneInTheCLocale) {
    QString text = FromCharset("A\xE9\xFF");
    ASSERT_EQ(text.size(), 3);
    EXPECT_EQ(text[1], QChar(0xE9));
    EXPECT_EQ(ToCharset(text), "A\xE9\xFF");
    EXPECT_EQ(ToCharset(QStringLiteral("\u20AC")), "?");
}

} // namespace
} // namespace fprn::lang
