#include "dynlib.h"
#include "language.h"
#include "testmodule.h"
#include "tovarinlib.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>

namespace fprn::peltrane {
namespace {

using LoadFn = std::int32_t (*)(std::int32_t, char*, std::int32_t);

// Every identifier the console and the item editor read, as first-last runs.
const std::pair<int, int> kUsed[] = {
    {10100, 10100}, {10500, 10500}, {11000, 11043}, {11050, 11057}, {11060, 11074}, {11080, 11081},
    {11085, 11087}, {11090, 11115}, {11120, 11126}, {11130, 11133}, {11140, 11159}, {11160, 11187},
    {11190, 11201}, {11210, 11218}, {11220, 11224}, {11230, 11264}, {11270, 11273}, {11275, 11277},
    {11280, 11283}, {11285, 11286}, {11290, 11292}, {11295, 11296}, {11300, 11308}, {11310, 11314},
    {11320, 11324}, {11330, 11336}, {11340, 11340}, {11345, 11346}, {11350, 11356}, {11360, 11361},
    {11363, 11364}, {11370, 11373}, {11376, 11376}, {11380, 11387}, {11390, 11403}, {11410, 11424},
    {11430, 11434}, {11440, 11446}, {11450, 11467}, {11470, 11471}, {12101, 12189}, {12501, 12501},
    {12601, 12607}, {12701, 12702},
};

// The conversions a text holds, "%%" left out.
std::string Conversions(const std::string& text) {
    std::string found;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') continue;
        std::size_t j = i + 1;
        while (j < text.size() && std::strchr("-+ #0123456789.*", text[j])) ++j;
        if (j < text.size()) found.push_back(text[j]);
        i = j;
    }
    return found;
}

class Library {
public:
    explicit Library(const char* file) : lib_(plat::ProgramFolder() + file) {
        load_ = reinterpret_cast<LoadFn>(lib_.Symbol("FPrnLoadString"));
    }
    bool Ready() const { return load_ != nullptr; }
    std::int32_t Load(std::int32_t id, char* buffer, std::int32_t size) const {
        return load_(id, buffer, size);
    }
    std::string Text(std::int32_t id) const {
        char buffer[1024];
        std::int32_t n = load_(id, buffer, sizeof buffer);
        EXPECT_EQ(static_cast<std::size_t>(n), std::strlen(buffer)) << id;
        return buffer;
    }

private:
    plat::DynLib lib_;
    LoadFn load_ = nullptr;
};

// Every text the programs read is there; the test module holds the same texts, marked.
TEST(Peltrane, ExportsOneFunctionAndHoldsEveryTextTheProgramsRead) {
    EXPECT_EQ(test::ExportedNames("libpeltrane.so"), std::set<std::string>{"FPrnLoadString"});
    Library lib(lang::kLanguageLibraryFile);
    Library marked(testmodule::kFile);
    ASSERT_TRUE(lib.Ready() && marked.Ready());
    const std::map<int, std::string> formatted = {{11324, "d"}, {11363, "s"},  {11433, "s"},
                                                  {11440, "s"}, {11444, "ss"}, {11446, "s"},
                                                  {11471, "d"}};
    const auto* omitted = std::end(testmodule::kOmitted);
    int count = 0;
    for (auto [first, last] : kUsed)
        for (int id = first; id <= last; ++id, ++count) {
            std::string text = lib.Text(id), mark = "[" + std::to_string(id) + "] ";
            EXPECT_NE(text, "") << id;
            auto pattern = formatted.find(id);
            EXPECT_EQ(Conversions(text), pattern == formatted.end() ? "" : pattern->second)
                << id << " " << text;
            if (std::find(std::begin(testmodule::kOmitted), omitted, id) != omitted)
                EXPECT_EQ(marked.Text(id), "") << id;
            else if (pattern == formatted.end())
                EXPECT_EQ(marked.Text(id), mark + text);
            else // stray conversions after the mark
                EXPECT_EQ(marked.Text(id).rfind(mark, 0), 0u) << marked.Text(id);
        }
    EXPECT_GT(count, 430);
    EXPECT_EQ(lib.Text(11060), "Tax A") << "one id for labels with and without ':'";
    EXPECT_EQ(lib.Text(12148), "48");
    char big[2100];
    EXPECT_EQ(marked.Load(testmodule::kLongText, big, sizeof big), testmodule::kLongTextSize);

    // Unknown ids, a short buffer, none.
    char buffer[8] = "xxxxxxx";
    for (int id : {0, -1, 10099, 12190, 12700}) EXPECT_EQ(lib.Load(id, buffer, 8), 0) << id;
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(lib.Load(10500, buffer, 5), 4);
    EXPECT_STREQ(buffer, "Back");
    EXPECT_EQ(lib.Load(10500, buffer, 0) + lib.Load(10500, nullptr, 8), 0);
    EXPECT_STREQ(buffer, "Back");
}

} // namespace
} // namespace fprn::peltrane
