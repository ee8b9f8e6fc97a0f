// The editor's reader and writer on real files: the reading rules, the packed writing, a
// byte-exact round trip, and the cells a file cannot hold.
#include "plufile.h"
#include "tempdir.h"

#include <fstream>
#include <gtest/gtest.h>

namespace fprn::itemfile {
namespace {

void WriteBytes(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::vector<Bytes> Row(const PluTable& t, int row) {
    std::vector<Bytes> cells;
    for (int c = 1; c <= kPluColumns; ++c) cells.push_back(t.Cell(row, c));
    return cells;
}

TEST(PluFile, SplitStringGivesOneMorePieceThanDelimiters) {
    struct Case {
        Bytes text, delimiter;
        std::vector<Bytes> pieces;
    } cases[] = {
        {"", "\t", {""}},
        {"a", "\t", {"a"}},
        {"\t\t", "\t", {"", "", ""}},
        {"a\tb\t", "\t", {"a", "b", ""}},
        {"a\r\nb\r\n", "\r\n", {"a", "b", ""}},
        {"a\rb", "\r\n", {"a\rb"}},
    };
    for (const auto& c : cases) {
        std::vector<Bytes> list{"kept"}, want{"kept"};
        SplitString(c.text, c.delimiter, list);
        want.insert(want.end(), c.pieces.begin(), c.pieces.end());
        EXPECT_EQ(list, want) << c.text;
    }
}

TEST(PluFile, ReadingRules) {
    // Cells a line does not reach keep what they held before.
    const std::vector<Bytes> old{"o1", "o2", "o3", "o4", "o5", "o6"};
    struct Case {
        const char* what;
        Bytes line;
        std::vector<Bytes> row;
    } cases[] = {
        {"six fields", "Cola\t123\tBTL\t1.50\t1\t10", {"Cola", "123", "BTL", "1.50", "1", "10"}},
        {"extra fields",
         "Cola\t123\tBTL\t1.50\t1\t10\tx\ty",
         {"Cola", "123", "BTL", "1.50", "1", "10"}},
        {"name only", "Cola", {"Cola", "o2", "o3", "o4", "o5", "o6"}},
        {"ends in TAB", "a\tb\tc\td\te\t", {"a", "b", "c", "d", "e", ""}},
        {"two TABs", "\t\t", {"", "", "", "o4", "o5", "o6"}},
        {"blanks and controls trimmed",
         " \x01"
         "Big Cola \t 1 \t\x1F",
         {"Big Cola", "1", "", "o4", "o5", "o6"}},
        {"empty line", "", {"", "o2", "o3", "o4", "o5", "o6"}},
        {"lone CR dropped", "Co\rla\t1", {"Cola", "1", "o3", "o4", "o5", "o6"}},
    };
    test::TempDir dir("plu-read");
    for (const auto& c : cases) {
        PluTable t;
        for (int k = 1; k <= kPluColumns; ++k) t.SetCell(1, k, old[k - 1]);
        WriteBytes(dir.path() / "a.plu", c.line + "\r\nnext\r\n");
        ASSERT_TRUE(ReadPluFile(t, (dir.path() / "a.plu").string()).ok());
        EXPECT_EQ(Row(t, 1), c.row) << c.what;
        EXPECT_EQ(t.Cell(2, 1), "next") << c.what;
    }

    // Line ends: LF alone reads as CR LF does; 0x1A ends the content; no final end needed.
    PluTable lf, crlf;
    EXPECT_EQ(ParsePluContent("a\tb\nc\n", lf), 2);
    EXPECT_EQ(ParsePluContent("a\tb\r\nc\r\n", crlf), 2);
    EXPECT_EQ(Row(lf, 1), Row(crlf, 1));
    EXPECT_EQ(lf.Cell(2, 1), "c");
    PluTable eof;
    EXPECT_EQ(ParsePluContent("a\r\nb\x1A\r\nc\r\n", eof), 2);
    EXPECT_EQ(eof.Cell(2, 1), "b");
    EXPECT_EQ(eof.Cell(3, 1), "");
    EXPECT_EQ(ParsePluContent("\x1A"
                              "a\r\n",
                              eof),
              0);

    // 5200 lines: the first 5000 fill the table, and the read tells that more follow.
    Bytes many;
    for (int i = 1; i <= 5200; ++i) many += "item" + std::to_string(i) + "\r\n";
    WriteBytes(dir.path() / "many.plu", many);
    PluTable big;
    bool linesLeft = false;
    ASSERT_TRUE(ReadPluFile(big, (dir.path() / "many.plu").string(), nullptr, &linesLeft).ok());
    EXPECT_EQ(big.Cell(5000, 1), "item5000");
    EXPECT_TRUE(linesLeft);

    // A missing file and one that cannot be read (a folder) leave the table as it was.
    PluTable kept;
    kept.SetCell(7, 3, "x");
    EXPECT_EQ(ReadPluFile(kept, (dir.path() / "none.plu").string()).code, Status::Code::NotFound);
    Status folder = ReadPluFile(kept, dir.path().string());
    EXPECT_EQ(folder.code, Status::Code::Failed);
    EXPECT_NE(folder.message.find(dir.path().string()), std::string::npos) << folder.message;
    EXPECT_EQ(kept.Cell(7, 3), "x");
}

TEST(PluFile, WritesPackedRowsAndReadsThemBackByteForByte) {
    test::TempDir dir("plu-write");
    const std::string path = (dir.path() / "DEFAULT.PLU").string();

    PluTable t;
    t.SetCell(1, 1, "A");
    t.SetCell(2, 1, "B");
    t.SetCell(2, 6, "5");
    t.SetCell(4, 2, "no name, not written");
    t.SetCell(5, 1, "E");
    ASSERT_TRUE(WritePluFile(t, path).ok());
    EXPECT_EQ(test::ReadFile(path), "A\t\t\t\t\t\r\nB\t\t\t\t\t5\r\nE\t\t\t\t\t\r\n");
    PluTable back;
    ASSERT_TRUE(ReadPluFile(back, path).ok());
    EXPECT_EQ(back.Cell(3, 1), "E");

    // 5000 full items with every byte 0x80-0xFF in their cells come back exactly.
    PluTable full;
    for (int r = 1; r <= kPluRows; ++r)
        for (int c = 1; c <= kPluColumns; ++c) {
            Bytes cell = std::to_string(r * 10 + c);
            cell.push_back(static_cast<char>(0x80 + (r * 7 + c) % 128));
            cell.push_back(static_cast<char>(0xFF - r % 128));
            full.SetCell(r, c, cell + "x");
        }
    ASSERT_TRUE(WritePluFile(full, path).ok());
    const Bytes first = test::ReadFile(path);
    PluTable again;
    ASSERT_TRUE(ReadPluFile(again, path).ok());
    for (int r = 1; r <= kPluRows; r += 499) EXPECT_EQ(Row(again, r), Row(full, r)) << r;
    ASSERT_TRUE(WritePluFile(again, path).ok());
    EXPECT_EQ(test::ReadFile(path), first);

    // A cell that would split or end the file is refused, naming its place; the file stays.
    for (char bad : {'\t', '\r', '\n', '\x1A'}) {
        PluTable t2 = full;
        t2.SetCell(3, 2, Bytes("12") + bad + "3");
        Status s = WritePluFile(t2, path);
        ASSERT_FALSE(s.ok());
        EXPECT_NE(s.message.find("row 3, column 2 (BARCODE)"), std::string::npos) << s.message;
        EXPECT_EQ(test::ReadFile(path), first);
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                            std::filesystem::directory_iterator()),
              1);
}

} // namespace
} // namespace fprn::itemfile
