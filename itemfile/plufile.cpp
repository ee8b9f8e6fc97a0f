#include "plufile.h"

#include <cassert>

namespace fprn::itemfile {

PluTable::PluTable() : cells_(static_cast<std::size_t>(kPluRows) * kPluColumns) {}

std::size_t PluTable::Index(int row, int column) {
    assert(row >= 1 && row <= kPluRows && column >= 1 && column <= kPluColumns);
    return static_cast<std::size_t>(row - 1) * kPluColumns + static_cast<std::size_t>(column - 1);
}

void PluTable::SetCell(int row, int column, Bytes text) {
    Bytes& cell = cells_[Index(row, column)];
    if (cell == text) return;
    if (!OnCellChanged) {
        cell = std::move(text);
        return;
    }
    Bytes before = std::move(cell);
    cell = std::move(text);
    OnCellChanged(row, column, before);
}

void PluTable::Clear() {
    for (int row = 1; row <= kPluRows; ++row)
        for (int column = 1; column <= kPluColumns; ++column)
            if (!Cell(row, column).empty()) SetCell(row, column, {});
}

void SplitString(BytesView text, BytesView delimiter, std::vector<Bytes>& list) {
    if (delimiter.empty()) {
        list.emplace_back(text);
        return;
    }
    std::size_t start = 0;
    for (;;) {
        std::size_t at = text.find(delimiter, start);
        if (at == BytesView::npos) break;
        list.emplace_back(text.substr(start, at - start));
        start = at + delimiter.size();
    }
    list.emplace_back(text.substr(start));
}

std::optional<Bytes> PriceWithSeparator(BytesView price, std::string_view decimalSeparator) {
    const std::size_t at = price.find_first_of(".,");
    if (at == BytesView::npos) return Bytes(price);
    if (price.find_first_of(".,", at + 1) != BytesView::npos) return std::nullopt;
    Bytes text(price.substr(0, at));
    text += decimalSeparator;
    text += price.substr(at + 1);
    return text;
}

namespace {

// A piece as its cell keeps it: trimmed, its CRs dropped. Trimming first takes the same bytes
// off (a CR is a control character), and the cell is the one copy of the piece.
Bytes CellText(BytesView piece) {
    piece = TrimBlanks(piece);
    Bytes cell;
    cell.reserve(piece.size());
    PreferLargePages(cell.data(), piece.size());
    for (std::size_t cr; (cr = piece.find('\r')) != BytesView::npos; piece.remove_prefix(cr + 1))
        cell.append(piece.substr(0, cr));
    cell.append(piece);
    return cell;
}

} // namespace

int ParsePluContent(BytesView content, PluTable& table, bool* linesLeft) {
    content = content.substr(0, content.find('\x1A'));
    int row = 0;
    std::size_t pos = 0;
    // Lines and pieces are views of the content: a field of megabytes is copied only into
    // its cell.
    while (row < kPluRows && pos < content.size()) {
        std::size_t lf = content.find('\n', pos);
        BytesView line = content.substr(pos, lf == BytesView::npos ? BytesView::npos : lf - pos);
        pos = lf == BytesView::npos ? content.size() : lf + 1;
        ++row;
        for (int column = 1; column <= kPluColumns; ++column) {
            std::size_t tab = line.find('\t');
            table.SetCell(row, column, CellText(line.substr(0, tab)));
            if (tab == BytesView::npos) break;
            line.remove_prefix(tab + 1);
        }
    }
    if (linesLeft) *linesLeft = pos < content.size();
    return row;
}

Status ReadPluFile(PluTable& table, const std::string& path, FileIdentity* identity,
                   bool* linesLeft) {
    if (linesLeft) *linesLeft = false;
    Bytes content;
    Status status = ReadWholeFile(path, content, identity);
    if (status.ok()) ParsePluContent(content, table, linesLeft);
    return status;
}

namespace {

// TAB, CR, LF and 0x1A: a cell holding one would split or end the file when read back.
bool HoldsLineBreaker(const Bytes& cell) {
    for (char c : cell)
        if (c == '\t' || c == '\r' || c == '\n' || c == '\x1A') return true;
    return false;
}

} // namespace

Status FormatPluTable(const PluTable& table, Bytes& content) {
    std::size_t size = 0;
    for (int row = 1; row <= kPluRows; ++row) {
        if (table.Cell(row, 1).empty()) continue;
        for (int column = 1; column <= kPluColumns; ++column)
            size += table.Cell(row, column).size() + 1;
        size += 1;
    }
    Bytes out;
    out.reserve(size);
    for (int row = 1; row <= kPluRows; ++row) {
        if (table.Cell(row, 1).empty()) continue;
        for (int column = 1; column <= kPluColumns; ++column) {
            const Bytes& cell = table.Cell(row, column);
            if (HoldsLineBreaker(cell))
                return Status::Error("row " + std::to_string(row) + ", column " +
                                     std::to_string(column) + " (" + kPluColumnTitles[column] +
                                     ") holds a TAB, CR, LF or end-of-file byte, which an item "
                                     "file cannot hold");
            if (column > 1) out.push_back('\t');
            out += cell;
        }
        out += "\r\n";
    }
    content = std::move(out);
    return Status::Done();
}

Status WritePluFile(const PluTable& table, const std::string& path, const FileIdentity* expected,
                    FileIdentity* written) {
    Bytes content;
    Status status = FormatPluTable(table, content);
    if (!status.ok()) return Status::Error("Cannot save \"" + path + "\": " + status.message);
    return UpdateLocked(
        path,
        [&](Bytes& file, bool existed) {
            // Under the lock the file at the path is the locked one. One that has gone since
            // holds nothing to lose.
            if (expected && existed && !(IdentifyFile(path) == *expected))
                return Status{Status::Code::Changed,
                              "\"" + path + "\" was changed by another program"};
            file = std::move(content);
            return Status::Done();
        },
        written);
}

} // namespace fprn::itemfile
