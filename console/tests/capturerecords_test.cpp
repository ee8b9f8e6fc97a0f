// Capture records and table replies decoded into the cells the upload pages show.
#include "capturerecords.h"
#include "filesave.h"
#include "numbertext.h"
#include "tempdir.h"

#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace fprn::console {
namespace {

const editcontrols::LocaleInfo kC = editcontrols::CLocaleInfo();

Bytes Name(const Bytes& text) {
    Bytes out = text;
    out.resize(kRecordNameLength, '\0');
    return out;
}

Bytes PluRecord(const Bytes& name, std::array<std::uint16_t, 6> values) {
    Bytes r = Name(name);
    for (auto v : values) {
        r.push_back(static_cast<char>(v >> 8));
        r.push_back(static_cast<char>(v & 0xFF));
    }
    r += Bytes(20, '7'); // the barcode, not shown
    return r;
}

void WriteBytes(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

TEST(CaptureRecords, ItemRecordsShowNamesAndValues) {
    test::TempDir dir("capture-plu");
    const auto path = (dir.path() / kPluCaptureFile).string();
    const Bytes full(32, 'N');
    WriteBytes(path, PluRecord("BREAD", {0xFFFF, 10000, 0, 1, 2350, 65534}) +
                         PluRecord(full, {2300, 5, 10, 100, 12345, 9999}));
    CaptureView view = ReadPluCapture(path, kC);
    ASSERT_TRUE(view.fileError.empty()) << view.fileError;
    EXPECT_FALSE(view.illegalFormat);
    ASSERT_EQ(view.grid.rows.size(), 2u);
    EXPECT_EQ(view.grid.rows[0],
              (std::vector<Bytes>{"BREAD", "", "ZW", "0", "0.01", "23.5", "655.34"}));
    EXPECT_EQ(view.grid.rows[1],
              (std::vector<Bytes>{full, "23", "0.05", "0.1", "1", "123.45", "99.99"}));

    editcontrols::LocaleInfo comma = kC;
    comma.decimalSeparator = ",";
    comma.thousandSeparator = ".";
    EXPECT_EQ(ReadPluCapture(path, comma).grid.rows[0][5], "23,5");

    // A missing file: its name and the reason, nothing decoded.
    CaptureView missing = ReadPluCapture((dir.path() / "none.mem").string(), kC);
    EXPECT_NE(missing.fileError.find("none.mem\". No such file or directory"), std::string::npos)
        << missing.fileError;
    EXPECT_TRUE(missing.grid.rows.empty());
}

// The cells are written from the integers; they must read as the general number form of the
// quotient, for every item value and for package fields up to their full width.
TEST(CaptureRecords, ValueTextsAreTheGeneralFormOfTheQuotient) {
    editcontrols::LocaleInfo comma = kC;
    comma.decimalSeparator = ",";
    comma.thousandSeparator = ".";
    for (const auto& locale : {kC, comma}) {
        for (std::uint32_t v = 0; v < 0xFFFF; ++v) {
            if (v == kPluValueExempt) continue;
            ASSERT_EQ(PluValueText(static_cast<std::uint16_t>(v), locale),
                      editcontrols::GeneralNumberText(v / 100.0, locale))
                << v;
        }
        std::mt19937_64 rng(3);
        for (int i = 0; i < 20000; ++i) {
            for (std::size_t f = 0; f < kPackageFieldWidths.size(); ++f) {
                const std::size_t width = kPackageFieldWidths[f];
                std::uint64_t v = rng() >> (64 - 8 * width) >> (i % 40);
                if (i == 0) v = (std::uint64_t{1} << (8 * width)) - 2; // the largest value
                Bytes field;
                for (std::size_t b = width; b-- > 0;)
                    field.push_back(static_cast<char>(v >> 8 * b));
                ASSERT_EQ(PackageFieldText(field, kPackageFieldDivisors[f], locale),
                          editcontrols::GeneralNumberText(
                              static_cast<double>(v) / kPackageFieldDivisors[f], locale))
                    << v << " / " << kPackageFieldDivisors[f];
            }
        }
    }
}

TEST(CaptureRecords, PackageFieldsAndShortRecords) {
    Bytes record = Name("CRATE") + Bytes("\x00\x00\x01\x00\x00\x00", 6) +
                   Bytes("\x00\x00\x03\xE8", 4) + Bytes(6, '\xFF') + Bytes(4, '\xFF') +
                   Bytes("\x00\x00\x00\x00\x00\x2A", 6);
    ASSERT_EQ(record.size(), kPackageRecordSize);
    Bytes padded = Name(Bytes("KEG\0junk", 8));

    test::TempDir dir("capture-pkg");
    const auto path = (dir.path() / kPackageCaptureFile).string();
    WriteBytes(path, record + padded + record.substr(32));
    CaptureView two = ReadPackageCapture(path, kC);
    EXPECT_FALSE(two.illegalFormat);
    ASSERT_EQ(two.grid.rows.size(), 2u);
    EXPECT_EQ(two.grid.rows[0], (std::vector<Bytes>{"CRATE", "167772.16", "1", "", "", "0.42"}));
    EXPECT_EQ(two.grid.rows[1][0], "KEG");

    // One byte more: two rows, then the illegal format. Empty: the illegal format alone.
    WriteBytes(path, record + record + "x");
    CaptureView three = ReadPackageCapture(path, kC);
    EXPECT_EQ(three.grid.rows.size(), 2u);
    EXPECT_TRUE(three.illegalFormat);
    WriteBytes(path, "");
    CaptureView empty = ReadPackageCapture(path, kC);
    EXPECT_TRUE(empty.illegalFormat);
    EXPECT_TRUE(empty.grid.rows.empty());
    EXPECT_TRUE(empty.fileError.empty());
}

TEST(CaptureRecords, ReadingEndsAtTheFirstEmptyReadAndReportsAReadErrorOnce) {
    test::TempDir dir("capture-read");
    const auto path = (dir.path() / kPluCaptureFile).string();
    WriteBytes(path, PluRecord("A", {}) + PluRecord("B", {}));
    // The size taken at open was ten records; the file has two left.
    int fd = ::open(path.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    std::string error;
    auto blocks = ReadCaptureBlocks(fd, 10 * kPluRecordSize, kPluRecordSize, path, error);
    ::close(fd);
    EXPECT_TRUE(error.empty());
    ASSERT_EQ(blocks.size(), 2u);
    CaptureView view = DecodePluBlocks(blocks, kC);
    EXPECT_FALSE(view.illegalFormat);
    EXPECT_EQ(view.grid.rows[1][0], "B");

    // What is no regular file, or is larger than any capture, is refused unread: a folder, a
    // FIFO that no program writes (reading it would wait for one), a sparse file past the bound.
    const auto fifo = dir.path() / "fifo.mem", huge = dir.path() / "huge.mem";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    WriteBytes(huge.string(), PluRecord("A", {}));
    std::filesystem::resize_file(huge, itemfile::kMaxReadBytes + 1);
    const std::pair<std::filesystem::path, std::string> refused[] = {
        {dir.path(), "\" is not a regular file"},
        {fifo, "\" is not a regular file"},
        {huge, "\" is larger than 64 MiB"}};
    for (const auto& [file, words] : refused) {
        CaptureView view = ReadPluCapture(file.string(), kC);
        EXPECT_EQ(view.fileError.rfind("\"" + file.string() + words, 0), 0u) << view.fileError;
        EXPECT_TRUE(view.grid.rows.empty());
    }
}

TEST(CaptureRecords, TableReplies) {
    Bytes rates = "O02300080005000000";
    rates += Bytes(20, '\xFF');
    TaxRatesPage page;
    ASSERT_TRUE(DecodeTaxRates(rates + "D", page));
    EXPECT_EQ(page.rates[0], "2300");
    EXPECT_EQ(page.rates[3], kExemptRateCaption);
    EXPECT_EQ(page.rates[4], Bytes(4, '\xFF'));
    EXPECT_EQ(page.exemptLetter, "D");
    EXPECT_EQ(page.exemptRate, 4);
    for (char letter : {'Z', '\0'}) {
        ASSERT_TRUE(DecodeTaxRates(rates + letter, page));
        EXPECT_EQ(page.exemptRate, 0);
        EXPECT_EQ(page.rates[3], "0000");
        EXPECT_EQ(page.exemptLetter, letter ? "Z" : "");
    }

    Bytes departments = "O0";
    for (int i = 1; i <= 9; ++i)
        departments += "0" + std::to_string(i) + "B" + Name("DAIRY").substr(0, 20);
    Bytes heads = "O0";
    for (int i = 1; i <= 5; ++i)
        heads += std::to_string(i) + "0" + Name("SHOP " + std::to_string(i));
    GridCells grid;
    ASSERT_TRUE(DecodeDepartments(departments, grid));
    EXPECT_EQ(grid.rows.size(), 9u);
    EXPECT_EQ(grid.rows[8], (std::vector<Bytes>{"09", "B", "DAIRY"}));
    ASSERT_TRUE(DecodeHeadMessages(heads, grid));
    EXPECT_EQ(grid.rows.size(), 5u);
    EXPECT_EQ(grid.rows[4], (std::vector<Bytes>{"5", "SHOP 5"}));

    // Short replies and replies without "O0" are refused and change nothing.
    GridCells kept = grid;
    TaxRatesPage keptPage = page;
    EXPECT_FALSE(DecodeTaxRates(rates, page));
    EXPECT_FALSE(DecodeTaxRates("E0" + rates.substr(2) + "A", page));
    EXPECT_FALSE(DecodeDepartments(departments.substr(0, 208), grid));
    EXPECT_FALSE(DecodeHeadMessages(heads.substr(0, 171), grid));
    EXPECT_FALSE(DecodeHeadMessages("E0" + heads.substr(2), grid));
    EXPECT_EQ(grid.rows, kept.rows);
    EXPECT_EQ(page.rates, keptPage.rates);
}

} // namespace
} // namespace fprn::console
