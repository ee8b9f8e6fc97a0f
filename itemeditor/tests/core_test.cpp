// The editor's table rules without a window: cell checks and number rewriting under both
// decimal separators, the key filter, copy and paste texts, and the duplicate index against a
// plain scan after random changes.
#include "plucore.h"

#include <gtest/gtest.h>

#include <random>

namespace fprn::itemeditor {
namespace {

using R = CellCheck::Result;

TEST(ItemCore, ValidateCellUnderBothSeparators) {
    struct Case {
        char sep;
        int column;
        Bytes typed;
        R result;
        Bytes cell; // after the check
    } cases[] = {
        {'.', kPriceColumn, "12.5", R::Ok, "12.50"},
        {',', kPriceColumn, "12,5", R::Ok, "12,50"},
        {',', kPriceColumn, "12.5", R::Ok, "12,50"},
        {'.', kPriceColumn, "1,234.5", R::Invalid, "1,234.5"},
        {'.', kPriceColumn, "-3", R::Ok, "-3.00"},
        {'.', kPriceColumn, "1e3", R::Ok, "1000.00"},
        {'.', kPriceColumn, "0.005", R::Ok, "0.01"},
        // The decimal text is rounded as typed, half away from zero, not its binary double.
        {'.', kPriceColumn, "0.125", R::Ok, "0.13"},
        {'.', kPriceColumn, "2.675", R::Ok, "2.68"},
        {'.', kPriceColumn, "1.005", R::Ok, "1.01"},
        {',', kPriceColumn, "-2,675", R::Ok, "-2,68"},
        // A separator or an exponent letter without digits is no number.
        {'.', kPriceColumn, ".", R::Invalid, "."},
        {'.', kPriceColumn, "-.", R::Invalid, "-."},
        {'.', kPriceColumn, "1e", R::Invalid, "1e"},
        {'.', kPriceColumn, "9999999.99", R::Ok, "9999999.99"},
        // Rewritten to 11 characters: refused at once instead of at the next check.
        {'.', kPriceColumn, "12345678", R::Invalid, "12345678"},
        {'.', kPriceColumn, "9999999.995", R::Invalid, "9999999.995"},
        {'.', kPriceColumn, "1e10", R::Invalid, "1e10"},
        {'.', kPriceColumn, "NaN", R::Invalid, "NaN"},
        {'.', kPriceColumn, "Inf", R::Invalid, "Inf"},
        {'.', kPriceColumn, "12345678901", R::Invalid, "12345678901"},
        {'.', kBarcodeColumn, "007", R::Ok, "7"},
        {'.', kBarcodeColumn, "+42", R::Ok, "42"},
        {'.', kBarcodeColumn, "9223372036854775808", R::Invalid, "9223372036854775808"},
        {'.', kBarcodeColumn, "12a", R::Invalid, "12a"},
        {'.', kQtyColumn, "1e3", R::Invalid, "1e3"},
        {'.', kQtyColumn, "-5", R::Ok, "-5"},
        {'.', kQtyColumn, "+-5", R::Invalid, "+-5"},
        {'.', kQtyColumn, "12345678901", R::Invalid, "12345678901"},
        {'.', kUnitColumn, "BOX", R::Ok, "BOX"},
        {'.', kUnitColumn, "BOXES", R::Invalid, "BOXES"},
        {'.', kTaxColumn, "A1", R::Ok, "A1"},
        {'.', kNameColumn, Bytes(33, 'n'), R::Invalid, Bytes(33, 'n')},
        {'.', kNameColumn, Bytes(32, 'n'), R::Ok, Bytes(32, 'n')},
        {'.', kNameColumn, "", R::Ok, ""},
    };
    for (const Case& c : cases) {
        PluSheet sheet(itemfile::CaseFold::Latin1());
        sheet.SetCell(4, c.column, c.typed);
        CellCheck check = sheet.ValidateCell(c.column, 4, c.sep);
        EXPECT_EQ(check.result, c.result) << c.column << " " << c.typed << " " << c.sep;
        EXPECT_EQ(sheet.Cell(4, c.column), c.cell) << c.typed;
    }
}

TEST(ItemCore, DuplicatesFirstOccurrencePassesLaterRowsFail) {
    PluSheet sheet(itemfile::CaseFold::Latin1());
    sheet.SetCell(2, kNameColumn, "ABC");
    sheet.SetCell(8, kNameColumn, "abc");
    sheet.SetCell(3, kBarcodeColumn, "7");
    sheet.SetCell(9, kBarcodeColumn, "007");
    // The title row is no cell: a name equal to a title is no duplicate.
    sheet.SetCell(1, kNameColumn, "plu name");

    EXPECT_TRUE(sheet.ValidateCell(kNameColumn, 2, '.').ok());
    EXPECT_TRUE(sheet.ValidateCell(kNameColumn, 1, '.').ok());
    CellCheck name = sheet.ValidateCell(kNameColumn, 8, '.');
    EXPECT_EQ(name.result, R::Duplicate);
    EXPECT_EQ(name.message, "Error: PLU NAME ARE DUPLICATED.(Seq. No. : 2,8)");
    CellCheck code = sheet.ValidateCell(kBarcodeColumn, 9, '.');
    EXPECT_EQ(code.message, "Error: BARCODE ARE DUPLICATED.(Seq. No. : 3,9)");
    EXPECT_EQ(sheet.Cell(9, kBarcodeColumn), "7"); // the rewrite stays
}

TEST(ItemCore, KeyFilter) {
    struct Case {
        int column;
        Bytes text;
        bool selection;
        char key, sep;
        bool allowed;
    } cases[] = {
        {kPriceColumn, "12", false, '5', '.', true},
        {kPriceColumn, "12", false, '.', '.', true},
        {kPriceColumn, "12.5", false, '.', '.', false},
        {kPriceColumn, "12.5", true, '.', '.', false}, // a second separator, at any length
        {kPriceColumn, "12", false, '.', ',', false},
        {kPriceColumn, "12", false, ',', ',', true},
        {kPriceColumn, "12", false, '-', '.', false},
        {kPriceColumn, "1234567890", false, '1', '.', false},
        {kPriceColumn, "1234567890", true, '1', '.', true},
        {kNameColumn, Bytes(32, 'a'), false, 'b', '.', false},
        {kNameColumn, Bytes(31, 'a'), false, 'b', '.', true},
        {kTaxColumn, "A1", true, 'x', '.', true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AcceptKeyForCell(c.column, c.text, c.selection, c.key, c.sep), c.allowed)
            << c.column << " '" << c.text << "' " << c.key;
}

TEST(ItemCore, CopyAndPasteTexts) {
    PluSheet sheet(itemfile::CaseFold::Latin1());
    sheet.SetCell(1, 1, "a");
    sheet.SetCell(1, 2, "b");
    sheet.SetCell(2, 1, "c");
    sheet.SetCell(2, 2, "d");
    const Bytes block = sheet.CopyText({1, 1, 2, 2});
    EXPECT_EQ(block, "a\tb\r\nc\td");

    struct Case {
        const char* what;
        Bytes text;
        int top, left;
        std::vector<std::pair<std::pair<int, int>, Bytes>> cells; // (row, column) = text
        CellRect written;
    } cases[] = {
        {"block",
         block,
         10,
         2,
         {{{10, 2}, "a"}, {{10, 3}, "b"}, {{11, 2}, "c"}, {{11, 3}, "d"}},
         {10, 2, 11, 3}},
        {"column 5 drops the rest",
         "p\tq\tr\r\ns\tt\tu",
         3,
         5,
         {{{3, 5}, "p"}, {{3, 6}, "q"}, {{4, 5}, "s"}, {{4, 6}, "t"}},
         {3, 5, 4, 6}},
        {"final line end starts no line",
         "x\r\n",
         20,
         1,
         {{{20, 1}, "x"}, {{21, 1}, "keep"}},
         {20, 1, 20, 1}},
        {"LF and lone CR end lines",
         "e\nf\rg",
         30,
         1,
         {{{30, 1}, "e"}, {{31, 1}, "f"}, {{32, 1}, "g"}},
         {30, 1, 32, 1}},
        {"trimmed, inner controls blanked",
         " \x01h\x1Ai\x02 \tj",
         40,
         1,
         {{{40, 1}, "h i"}, {{40, 2}, "j"}},
         {40, 1, 40, 2}},
        {"last row", "y\r\nz", kRows, 1, {{{kRows, 1}, "y"}}, {kRows, 1, kRows, 1}},
        {"empty text", "", 50, 1, {{{50, 1}, "keep"}}, {50, 1, 49, 0}},
    };
    for (const Case& c : cases) {
        PluSheet target(itemfile::CaseFold::Latin1());
        for (int row : {21, 50}) target.SetCell(row, 1, "keep");
        EXPECT_EQ(target.Paste(c.text, c.top, c.left), c.written) << c.what;
        for (const auto& [at, text] : c.cells)
            EXPECT_EQ(target.Cell(at.first, at.second), text) << c.what;
    }
}

TEST(ItemCore, RowsAndSearch) {
    PluSheet sheet(itemfile::CaseFold::Latin1());
    for (int row = 1; row <= kRows; ++row) sheet.SetCell(row, kQtyColumn, FormatInt64(row));
    ASSERT_TRUE(sheet.InsertRow(10));
    EXPECT_EQ(sheet.Cell(10, kQtyColumn), "");
    EXPECT_EQ(sheet.Cell(11, kQtyColumn), "10");
    EXPECT_EQ(sheet.Cell(kRows, kQtyColumn), "4999");
    sheet.DeleteRow(10);
    EXPECT_EQ(sheet.Cell(10, kQtyColumn), "10");
    EXPECT_EQ(sheet.Cell(kRows, kQtyColumn), "");
    sheet.SetCell(kRows, kNameColumn, "last");
    EXPECT_FALSE(sheet.InsertRow(1));
    EXPECT_EQ(sheet.Cell(1, kQtyColumn), "1");

    sheet.SetCell(2, kNameColumn, "Cola");
    sheet.SetCell(9, kNameColumn, "Cola light");
    sheet.SetCell(4, kBarcodeColumn, "5012345");
    EXPECT_EQ(sheet.Find(1, "Cola", 5), 9);
    EXPECT_EQ(sheet.Find(1, "Cola", 9), 2);
    EXPECT_EQ(sheet.Find(1, "light", 9), 9); // the current row is looked at last
    EXPECT_EQ(sheet.Find(1, "cola", 1), std::nullopt);
    EXPECT_EQ(sheet.Find(-1, "1234", 1), 4); // no mode: BARCODE
    EXPECT_EQ(sheet.Find(0, "4999", 1), 4999);
    EXPECT_EQ(sheet.Find(0, "0", 1), std::nullopt);
    EXPECT_EQ(sheet.Find(0, "6000", 1), std::nullopt);
    EXPECT_EQ(sheet.Find(0, "x", 1), std::nullopt);
}

TEST(ItemCore, DuplicateIndexMatchesPlainScan) {
    std::mt19937 random(19);
    PluSheet sheet(itemfile::CaseFold::Latin1());
    const Bytes keys[] = {"a", "A", "b", "\xC4", "\xE4", "c", ""};
    auto key = [&] { return keys[random() % std::size(keys)]; };
    auto row = [&] { return 1 + static_cast<int>(random() % 40); };
    for (int step = 0; step < 3000; ++step) {
        switch (random() % 6) {
        case 0:
        case 1:
            sheet.SetCell(row(), 1 + static_cast<int>(random() % 2), key());
            break;
        case 2:
            sheet.Paste(key() + "\t" + key() + "\n" + key() + "\t" + key(), row(), 1);
            break;
        case 3:
            sheet.InsertRow(row());
            break;
        case 4:
            sheet.DeleteRow(row());
            break;
        case 5:
            sheet.Clear({row(), 1, row(), 2});
            break;
        }
        if (step % 100 == 0) {
            itemfile::PluTable copy = sheet.Table();
            sheet.Assign(copy);
        }
        if (step % 50 != 49) continue;
        for (int column : {kNameColumn, kBarcodeColumn})
            for (const Bytes& k : keys) {
                int plain = 0;
                for (int r = 1; r <= kRows; ++r)
                    plain +=
                        !k.empty() && itemfile::CaseFold::Latin1().Equal(sheet.Cell(r, column), k);
                ASSERT_EQ(sheet.KeyCount(column, k), plain) << step << " " << column << " " << k;
            }
    }
}

} // namespace
} // namespace fprn::itemeditor
