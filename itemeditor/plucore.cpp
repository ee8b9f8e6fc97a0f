#include "plucore.h"

#include "localeinfo.h"
#include "numbertext.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace fprn::itemeditor {

namespace {

bool IsKeyColumn(int column) {
    return column == kNameColumn || column == kBarcodeColumn;
}

// Lines end at CR LF, LF or a lone CR; a text that ends with a line end has no empty line
// after it.
std::vector<BytesView> SplitLines(BytesView text) {
    std::vector<BytesView> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') continue;
        lines.push_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

} // namespace

bool ParsePrice(BytesView text, char decimalSeparator, double& value) {
    editcontrols::LocaleInfo locale = editcontrols::CLocaleInfo();
    locale.decimalSeparator = std::string(1, decimalSeparator);
    locale.thousandSeparator = decimalSeparator == ',' ? "." : ",";
    return editcontrols::ParseNumberGrammar(text, value, locale);
}

bool ParseInt64(BytesView text, std::int64_t& value) {
    const char* first = text.data();
    const char* last = first + text.size();
    if (first != last && *first == '+') {
        ++first;
        if (first != last && *first == '-') return false;
    }
    if (first == last) return false;
    auto [ptr, ec] = std::from_chars(first, last, value, 10);
    return ec == std::errc() && ptr == last;
}

Bytes FormatPrice(double value, char decimalSeparator) {
    char buf[400];
    auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, 2);
    Bytes out(buf, res.ptr);
    std::replace(out.begin(), out.end(), '.', decimalSeparator);
    return out;
}

Bytes FormatInt64(std::int64_t value) {
    char buf[24];
    auto res = std::to_chars(buf, buf + sizeof buf, value);
    return Bytes(buf, res.ptr);
}

char CellDecimalSeparator() {
    return itemfile::OneByteSeparator(editcontrols::LocaleSettings::Current()).decimalSeparator[0];
}

bool IsPriceKeyAllowed(BytesView text, char key, char decimalSeparator) {
    if (key >= '0' && key <= '9') return true;
    return key == decimalSeparator && text.find(decimalSeparator) == BytesView::npos;
}

bool AcceptKeyForCell(int column, BytesView text, bool hasSelection, char key,
                      char decimalSeparator) {
    if (column < 1 || column > kColumns) return true;
    if (static_cast<int>(text.size()) >= kColumnDigits[static_cast<std::size_t>(column)] &&
        !hasSelection)
        return false;
    if (column == kPriceColumn) return IsPriceKeyAllowed(text, key, decimalSeparator);
    return true;
}

Bytes BlankControls(Bytes text) {
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 32) c = ' ';
    return text;
}

PluSheet::PluSheet(itemfile::CaseFold fold) : fold_(fold) {
    table_.OnCellChanged = [this](int row, int column, const Bytes& before) {
        CellChanged(row, column, before);
    };
}

void PluSheet::Count(int column, const Bytes& text, int delta) {
    if (text.empty()) return;
    auto& counts = counts_[static_cast<std::size_t>(column - 1)];
    Bytes key = fold_.Fold(text);
    auto it = counts.find(key);
    if (it == counts.end()) {
        if (delta > 0) counts.emplace(std::move(key), delta);
        return;
    }
    it->second += delta;
    if (it->second <= 0) counts.erase(it);
}

void PluSheet::CellChanged(int row, int column, const Bytes& before) {
    if (IsKeyColumn(column) && !movingRows_) {
        Count(column, before, -1);
        Count(column, table_.Cell(row, column), +1);
    }
    if (changed_.Empty()) {
        changed_ = {row, column, row, column};
        return;
    }
    changed_.top = std::min(changed_.top, row);
    changed_.bottom = std::max(changed_.bottom, row);
    changed_.left = std::min(changed_.left, column);
    changed_.right = std::max(changed_.right, column);
}

void PluSheet::RebuildIndex() {
    for (auto& counts : counts_) counts.clear();
    for (int row = 1; row <= kRows; ++row) {
        Count(kNameColumn, table_.Cell(row, kNameColumn), +1);
        Count(kBarcodeColumn, table_.Cell(row, kBarcodeColumn), +1);
    }
}

void PluSheet::Assign(const itemfile::PluTable& table) {
    auto hook = std::move(table_.OnCellChanged);
    table_ = table;
    table_.OnCellChanged = std::move(hook);
    RebuildIndex();
    changed_ = {1, 1, kRows, kColumns};
}

void PluSheet::Clear(CellRect block) {
    for (int row = std::max(block.top, 1); row <= std::min(block.bottom, kRows); ++row)
        for (int column = std::max(block.left, 1); column <= std::min(block.right, kColumns);
             ++column)
            SetCell(row, column, {});
}

void PluSheet::MoveRow(int from, int to) {
    if (from == to) return;
    // Moving rows keeps every key's count: the index is left alone while they move.
    struct Moving {
        bool& flag;
        explicit Moving(bool& f) : flag(f) { flag = true; }
        ~Moving() { flag = false; }
    } guard(movingRows_);
    std::array<Bytes, kColumns> moving;
    for (int c = 1; c <= kColumns; ++c) moving[static_cast<std::size_t>(c - 1)] = Cell(from, c);
    const int step = from < to ? 1 : -1;
    for (int row = from; row != to; row += step)
        for (int c = 1; c <= kColumns; ++c) SetCell(row, c, Cell(row + step, c));
    for (int c = 1; c <= kColumns; ++c)
        SetCell(to, c, std::move(moving[static_cast<std::size_t>(c - 1)]));
}

bool PluSheet::InsertRow(int row) {
    if (!Cell(kRows, kNameColumn).empty()) return false;
    MoveRow(kRows, row);
    Clear({row, 1, row, kColumns});
    return true;
}

void PluSheet::DeleteRow(int row) {
    Clear({row, 1, row, kColumns});
    MoveRow(row, kRows);
}

Bytes PluSheet::CopyText(CellRect block) const {
    Bytes text;
    for (int row = block.top; row <= block.bottom; ++row) {
        for (int column = block.left; column <= block.right; ++column) {
            text += Cell(row, column);
            if (column < block.right) text += '\t';
        }
        if (row < block.bottom) text += "\r\n";
    }
    return text;
}

CellRect PluSheet::Paste(BytesView text, int top, int left) {
    CellRect written{top, left, top - 1, left - 1};
    std::vector<Bytes> pieces;
    int row = top;
    for (BytesView line : SplitLines(text)) {
        if (row > kRows) break;
        pieces.clear();
        itemfile::SplitString(line, "\t", pieces);
        int column = left;
        for (const Bytes& piece : pieces) {
            if (column > kColumns) break;
            SetCell(row, column, BlankControls(Bytes(itemfile::TrimBlanks(piece))));
            written.right = std::max(written.right, column);
            ++column;
        }
        written.bottom = row;
        ++row;
    }
    return written;
}

std::optional<int> PluSheet::Find(int mode, BytesView text, int currentRow) const {
    if (text.empty()) return std::nullopt;
    if (mode == 0) {
        std::int64_t number = 0;
        if (!ParseInt64(text, number)) number = 0;
        if (number >= 1 && number <= kRows) return static_cast<int>(number);
        return std::nullopt;
    }
    const int column = mode == 1 ? kNameColumn : kBarcodeColumn;
    int row = currentRow;
    for (int n = 0; n < kRows; ++n) {
        row = row >= kRows ? 1 : row + 1;
        const Bytes& cell = Cell(row, column);
        if (!cell.empty() && cell.find(text) != Bytes::npos) return row;
    }
    return std::nullopt;
}

int PluSheet::KeyCount(int column, BytesView text) const {
    if (!IsKeyColumn(column) || text.empty()) return 0;
    const auto& counts = counts_[static_cast<std::size_t>(column - 1)];
    auto it = counts.find(fold_.Fold(text));
    return it == counts.end() ? 0 : it->second;
}

std::optional<int> PluSheet::FirstRowWith(int column, BytesView text) const {
    for (int row = 1; row <= kRows; ++row)
        if (fold_.Equal(Cell(row, column), text)) return row;
    return std::nullopt;
}

CellCheck PluSheet::ValidateCell(int column, int row, char decimalSeparator) {
    if (column < 1 || column > kColumns || row < 1 || row > kRows) return {};
    const Bytes text = Cell(row, column);
    if (static_cast<int>(text.size()) > kColumnDigits[static_cast<std::size_t>(column)])
        return {CellCheck::Result::Invalid, {}};
    if (text.empty()) return {};
    switch (column) {
    case kPriceColumn: {
        double value = 0;
        if (!ParsePrice(text, decimalSeparator, value) || value > kPriceLimit)
            return {CellCheck::Result::Invalid, {}};
        // A rewritten price longer than the column would fail at the next check.
        Bytes written = FormatPrice(value, decimalSeparator);
        if (static_cast<int>(written.size()) > kColumnDigits[kPriceColumn])
            return {CellCheck::Result::Invalid, {}};
        SetCell(row, column, std::move(written));
        return {};
    }
    case kBarcodeColumn:
    case kQtyColumn: {
        std::int64_t value = 0;
        if (!ParseInt64(text, value)) return {CellCheck::Result::Invalid, {}};
        SetCell(row, column, FormatInt64(value));
        break;
    }
    default:
        break;
    }
    if (!IsKeyColumn(column)) return {};
    const Bytes& now = Cell(row, column);
    if (KeyCount(column, now) <= 1) return {};
    const int first = FirstRowWith(column, now).value_or(row);
    if (first == row) return {};
    return {CellCheck::Result::Duplicate,
            std::string("Error: ") + itemfile::kPluColumnTitles[static_cast<std::size_t>(column)] +
                " ARE DUPLICATED.(Seq. No. : " + std::to_string(first) + "," + std::to_string(row) +
                ")"};
}

CellRect PluSheet::TakeChanged() {
    CellRect out = changed_;
    changed_ = {};
    return out;
}

} // namespace fprn::itemeditor
