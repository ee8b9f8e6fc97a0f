#pragma once
// The item editor's table without any toolkit: the cell rules (lengths, numbers, duplicate
// names and barcodes), the duplicate index, and the commands that read or move cells (clear,
// insert, delete, copy, paste, find). Rows count 1 to 5000 and columns 1 to 6 (PLU NAME to
// QTY), as the grid shows them; cells hold 8-bit bytes.
#include "plufile.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>

namespace fprn::itemeditor {

using itemfile::Bytes;
using itemfile::BytesView;

inline constexpr int kRows = itemfile::kPluRows;
inline constexpr int kColumns = itemfile::kPluColumns;
enum Column {
    kSeqColumn = 0,
    kNameColumn,
    kBarcodeColumn,
    kUnitColumn,
    kPriceColumn,
    kTaxColumn,
    kQtyColumn
};
// Width in digits of columns 0 to 6; for columns 1 to 6 also the longest text a cell takes.
inline constexpr std::array<int, kColumns + 1> kColumnDigits{8, 32, 13, 4, 10, 2, 10};
// The largest price a cell takes, before it is written with two decimals.
inline constexpr double kPriceLimit = 9999999999.0;

// A block of cells, corners included.
struct CellRect {
    int top = 1, left = 1, bottom = 0, right = 0;
    bool Empty() const { return bottom < top || right < left; }
    bool Contains(int row, int column) const {
        return row >= top && row <= bottom && column >= left && column <= right;
    }
    bool operator==(const CellRect&) const = default;
};

// The outcome of checking one cell. A duplicate carries its message.
struct CellCheck {
    enum class Result { Ok, Invalid, Duplicate };
    Result result = Result::Ok;
    std::string message;
    bool ok() const { return result == Result::Ok; }
};

// Numbers. The separator is the locale's decimal separator, one byte.
// A price: the number grammar with a digit in its mantissa and, after an exponent letter, in
// its exponent ("." and "1e" are no number).
bool ParsePrice(BytesView text, char decimalSeparator, double& value);
// Optional sign and decimal digits, nothing else; a value outside 64 bits fails.
bool ParseInt64(BytesView text, std::int64_t& value);
// A price text ParsePrice takes with two decimals and the given separator: the decimal text is
// rounded as typed, half away from zero (2.675 gives 2.68), not its binary double. Empty for a
// text that is no price.
Bytes FormatPrice(BytesView text, char decimalSeparator);
Bytes FormatInt64(std::int64_t value);
// The process's decimal separator as the cells write it (one byte).
char CellDecimalSeparator();

// Keys typed into a cell: `text` is the cell editor's text, `hasSelection` whether the editor
// has a selection that the key would replace.
bool IsPriceKeyAllowed(BytesView text, char key, char decimalSeparator);
bool AcceptKeyForCell(int column, BytesView text, bool hasSelection, char key,
                      char decimalSeparator);

// Bytes below 32 become blanks: no TAB, CR, LF or end-of-file byte may reach a file.
Bytes BlankControls(Bytes text);

// The editor's table with a count per case-folded PLU NAME and BARCODE, kept at every write,
// so that a key held once needs no scan. Changed cells are collected until TakeChanged().
class PluSheet {
public:
    explicit PluSheet(itemfile::CaseFold fold = itemfile::CaseFold::ForProcessLocale());
    PluSheet(const PluSheet&) = delete;
    PluSheet& operator=(const PluSheet&) = delete;

    const Bytes& Cell(int row, int column) const { return table_.Cell(row, column); }
    void SetCell(int row, int column, Bytes text) { table_.SetCell(row, column, std::move(text)); }
    const itemfile::PluTable& Table() const { return table_; }
    // Replaces every cell with those of `table` (moved in when given as a temporary).
    void Assign(itemfile::PluTable table);

    // Empties the cells of the block (clipped to the table).
    void Clear(CellRect block);
    // Takes row `from` out and puts it in at `to`; the rows between shift by one.
    void MoveRow(int from, int to);
    // Moves the rows from `row` to 4999 down by one, dropping the last row, and empties `row`.
    // False, changing nothing, when the last row has a name.
    bool InsertRow(int row);
    // Empties `row` and moves it to the end: the rows below move up by one.
    void DeleteRow(int row);

    // The block as text: cells joined by TAB, rows by CR LF, nothing after the last cell.
    Bytes CopyText(CellRect block) const;
    // Puts lines (ending at CR LF, LF or CR; a final line end starts no line) from `top` and
    // pieces (split at TAB, trimmed of bytes 0 to 32, inner control bytes blanked) from `left`
    // while rows and columns last. Returns the block written.
    CellRect Paste(BytesView text, int top, int left);

    // Search mode 0: `text` as a row number, else nothing; mode 1 the PLU NAME column, any
    // other mode the BARCODE column: the first row after `currentRow`, wrapping, the current
    // row last, whose cell contains `text` (exact case).
    std::optional<int> Find(int mode, BytesView text, int currentRow) const;

    // Applies the column's rule to the cell and rewrites numbers. A price's point or comma is
    // its decimal separator, rewritten as `decimalSeparator`. A duplicate name or barcode
    // leaves the rewritten text in the cell.
    CellCheck ValidateCell(int column, int row, char decimalSeparator);

    // How many cells of the column hold `text`, letters compared without regard to case; 0 for
    // a text longer than the column takes, which no check looks up.
    int KeyCount(int column, BytesView text) const;
    // The first row of the column whose cell equals `text` without regard to case.
    std::optional<int> FirstRowWith(int column, BytesView text) const;

    // The cells changed since the last call, as one enclosing block (empty when none).
    CellRect TakeChanged();

private:
    static bool Countable(int column, BytesView text);
    void Count(int column, const Bytes& text, int delta);
    void CellChanged(int row, int column, const Bytes& before);
    void RebuildIndex();

    itemfile::CaseFold fold_;
    itemfile::PluTable table_;
    std::array<std::unordered_map<Bytes, int>, 2> counts_; // PLU NAME, BARCODE
    CellRect changed_{};
    bool movingRows_ = false;
};

} // namespace fprn::itemeditor
