#pragma once
// The item file as the console sells from it: its lines in file order, the BARCODE field of
// each, and an index that finds the first line of a barcode, letters compared without regard
// to case.
#include "filesave.h"

#include <optional>
#include <unordered_map>
#include <vector>

namespace fprn::itemfile {

// Field positions of an item line.
enum ItemField { kName = 0, kBarcode = 1, kUnit = 2, kPrice = 3, kTaxNo = 4, kQty = 5 };

// Field `index` of a TAB-separated line; empty when the line has fewer fields.
BytesView LineField(BytesView line, int index);

// The BARCODE of a line: the text between its first and second TAB, empty with fewer than two.
BytesView LineBarcode(BytesView line);

// Where the lines of `content` are: a line ends at CR LF, LF or CR; a final line without an
// end counts, an empty content has none.
struct LineSpan {
    std::size_t begin;
    std::size_t length;
};
std::vector<LineSpan> SplitLines(BytesView content);

class ItemList {
public:
    // Splits `content` into lines (ending at CR LF, LF or CR; a final line without an end
    // counts) and indexes their barcodes with the process locale's case map.
    void Assign(BytesView content);

    const std::vector<Bytes>& Lines() const { return lines_; }
    const std::vector<Bytes>& Barcodes() const { return barcodes_; }
    std::size_t Size() const { return lines_.size(); }

    // The first line whose barcode equals `barcode` (used as given, not trimmed).
    std::optional<std::size_t> Find(BytesView barcode) const;

    // Every line followed by CR LF: what a file written from this list holds.
    Bytes Joined() const;

private:
    std::vector<Bytes> lines_;
    std::vector<Bytes> barcodes_;
    std::unordered_map<Bytes, std::size_t> index_;
    CaseFold fold_ = CaseFold::Latin1();
};

// Reads the file into `list`. A missing file gives NotFound, an unreadable one an error; the
// list is unchanged in both cases.
Status LoadItemFile(const std::string& path, ItemList& list);

} // namespace fprn::itemfile
