#pragma once
// The item file as the PLU editor reads and writes it: one item per line, six fields
// separated by TAB (PLU NAME, BARCODE, UNIT, PRICE, TAX. NO., QTY), CR LF after every line.
// Cells hold bytes as they stand in the file; nothing is converted or reformatted.
#include "filesave.h"

#include <array>
#include <functional>
#include <optional>
#include <vector>

namespace fprn::itemfile {

inline constexpr int kPluRows = 5000;
inline constexpr int kPluColumns = 6;

// The editor's file names and dialogs.
inline constexpr const char* kDefaultPluFile = "DEFAULT.PLU";
inline constexpr const char* kPluExtension = "PLU";
inline constexpr const char* kPluFilter = "PLU files(*.PLU)";
inline constexpr const char* kPluInitialFolder = ".";
struct PluDialogRules {
    bool fileMustExist;    // open: an existing path and file
    bool pathMustExist;    // both dialogs
    bool confirmOverwrite; // save: ask before replacing a file
    bool showReadOnlyBox;  // neither shows it
};
inline constexpr PluDialogRules kPluOpenDialog{true, true, false, false};
inline constexpr PluDialogRules kPluSaveDialog{false, true, true, false};

// Built-in column titles, "Seq No." first; the fixed words of the editor's messages.
inline constexpr std::array<const char*, kPluColumns + 1> kPluColumnTitles{
    "Seq No.", "PLU NAME", "BARCODE", "UNIT", "PRICE", "TAX. NO.", "QTY"};

// The editor's table: rows 1 to 5000, columns 1 to 6 (PLU NAME to QTY), every cell empty at
// first.
class PluTable {
public:
    PluTable();

    const Bytes& Cell(int row, int column) const { return cells_[Index(row, column)]; }
    // Sets a cell; OnCellChanged follows when the text differs from before.
    void SetCell(int row, int column, Bytes text);
    // Empties every cell (OnCellChanged for each non-empty one).
    void Clear();

    // Called after a cell got a new text: row, column, its text before.
    std::function<void(int row, int column, const Bytes& before)> OnCellChanged;

private:
    static std::size_t Index(int row, int column);
    std::vector<Bytes> cells_;
};

// Appends the pieces of `text` between occurrences of `delimiter`: n delimiters give n + 1
// pieces, an empty text one empty piece, an empty delimiter the whole text.
void SplitString(BytesView text, BytesView delimiter, std::vector<Bytes>& list);

// A PRICE is written by "%f", which never groups digits, so a point or a comma in it can only
// be its decimal separator, whatever the locale of the program that wrote it: the text with
// that one separator made `decimalSeparator`. Nothing when it holds more than one of them.
std::optional<Bytes> PriceWithSeparator(BytesView price, std::string_view decimalSeparator);

// Puts the lines of an item file's content into the table from row 1: a line ends at LF (a
// CR anywhere is dropped), 0x1A ends the content, at most 5000 lines are taken and each takes
// a row. Pieces 1 to 6 of a line, trimmed of bytes 0 to 32 at both ends, go to columns 1 to 6;
// a cell without a piece keeps its text; further pieces are ignored. Returns the lines taken;
// `linesLeft`, when given, tells whether the content goes on after the last line taken.
int ParsePluContent(BytesView content, PluTable& table, bool* linesLeft = nullptr);

// Reads the whole file, then fills the table as ParsePluContent does. A missing file gives
// NotFound, an unreadable one an error; the table is unchanged in both cases. `identity`, when
// given, takes the identity of the file read; `linesLeft` whether it has more lines than the
// table takes.
Status ReadPluFile(PluTable& table, const std::string& path, FileIdentity* identity = nullptr,
                   bool* linesLeft = nullptr);

// The file content of the table: each row with a non-empty PLU NAME, its six cells joined by
// TAB, then CR LF. A written cell holding TAB, CR, LF or 0x1A (which would split or end the
// file when read back) is refused with a message naming its row and column.
Status FormatPluTable(const PluTable& table, Bytes& content);

// Formats the table and saves it under the item-file lock; the old file stays on failure. With
// `expected`, a file there whose identity differs (another program wrote it since) is left as
// it is and the result is Changed. `written`, when given, takes the identity of the new file.
Status WritePluFile(const PluTable& table, const std::string& path,
                    const FileIdentity* expected = nullptr, FileIdentity* written = nullptr);

} // namespace fprn::itemfile
