#include "plucore.h"

#include "localeinfo.h"
#include "numbertext.h"

#include <algorithm>
#include <charconv>

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

// A price as decimal digits: |value| = 0.<digits> x 10^point, the digits without leading zeros
// (none for zero).
struct PriceDigits {
    bool negative = false;
    std::string digits;
    std::int64_t point = 0;
};

// The number grammar's shape, with a digit before or after the separator and, after an exponent
// letter, exponent digits: the grammar's lone separator and bare "e" are no price.
bool ScanPrice(BytesView text, char decimalSeparator, PriceDigits& price) {
    price = {};
    const std::size_t n = text.size();
    auto digit = [&](std::size_t i) { return i < n && text[i] >= '0' && text[i] <= '9'; };
    std::size_t i = 0;
    while (i < n && text[i] == ' ') ++i;
    if (i < n && (text[i] == '+' || text[i] == '-')) price.negative = text[i++] == '-';
    std::int64_t whole = 0;
    for (; digit(i); ++i, ++whole) price.digits.push_back(text[i]);
    if (i < n && text[i] == decimalSeparator)
        for (++i; digit(i); ++i) price.digits.push_back(text[i]);
    if (price.digits.empty()) return false;
    std::int64_t exponent = 0;
    if (i < n && (text[i] == 'E' || text[i] == 'e')) {
        ++i;
        bool negative = false;
        if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
        if (!digit(i)) return false;
        for (; digit(i); ++i)
            if (exponent < 1000000000) exponent = exponent * 10 + (text[i] - '0');
        if (negative) exponent = -exponent;
    }
    while (i < n && text[i] == ' ') ++i;
    if (i != n) return false;
    const std::size_t lead = std::min(price.digits.find_first_not_of('0'), price.digits.size());
    price.digits.erase(0, lead);
    price.point = price.digits.empty() ? 0 : whole + exponent - static_cast<std::int64_t>(lead);
    return true;
}

} // namespace

bool ParsePrice(BytesView text, char decimalSeparator, double& value) {
    value = 0;
    PriceDigits digits;
    if (!ScanPrice(text, decimalSeparator, digits)) return false;
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

Bytes FormatPrice(BytesView text, char decimalSeparator) {
    double value = 0;
    PriceDigits price;
    if (!ParsePrice(text, decimalSeparator, value) || !ScanPrice(text, decimalSeparator, price))
        return {};
    // Hundredths: the digits before position point + 2 (no more than a double's 309 places
    // plus two), rounded up in magnitude when the first one dropped is 5 or more.
    Bytes cents;
    int dropped = 0;
    const std::int64_t keep = price.point + 2;
    if (keep > 0) {
        const auto k = static_cast<std::size_t>(keep);
        cents = price.digits.substr(0, k);
        cents.append(k - cents.size(), '0');
        if (k < price.digits.size()) dropped = price.digits[k] - '0';
    } else if (keep == 0 && !price.digits.empty()) {
        dropped = price.digits[0] - '0';
    }
    if (dropped >= 5) {
        std::size_t k = cents.size();
        for (; k > 0 && cents[k - 1] == '9'; --k) cents[k - 1] = '0';
        if (k == 0)
            cents.insert(cents.begin(), '1');
        else
            ++cents[k - 1];
    }
    if (cents.size() < 3) cents.insert(0, 3 - cents.size(), '0');
    Bytes out = price.negative && !price.digits.empty() ? "-" : "";
    out.append(cents, 0, cents.size() - 2);
    out += decimalSeparator;
    out.append(cents, cents.size() - 2, 2);
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

// A text longer than its column fails the length check before any duplicate check, so it is
// never looked up: it is left out of the index rather than copied to be folded (a name may be
// megabytes long).
bool PluSheet::Countable(int column, BytesView text) {
    return !text.empty() &&
           text.size() <= static_cast<std::size_t>(kColumnDigits[static_cast<std::size_t>(column)]);
}

PluSheet::PluSheet(itemfile::CaseFold fold) : fold_(fold) {
    table_.OnCellChanged = [this](int row, int column, const Bytes& before) {
        CellChanged(row, column, before);
    };
}

void PluSheet::Count(int column, const Bytes& text, int delta) {
    if (!Countable(column, text)) return;
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

void PluSheet::Assign(itemfile::PluTable table) {
    auto hook = std::move(table_.OnCellChanged);
    table_ = std::move(table);
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
    if (!IsKeyColumn(column) || !Countable(column, text)) return 0;
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
        // A file saved under another locale holds the other separator: read it as this one's.
        const std::optional<Bytes> price =
            itemfile::PriceWithSeparator(text, BytesView(&decimalSeparator, 1));
        double value = 0;
        if (!price || !ParsePrice(*price, decimalSeparator, value) || value > kPriceLimit)
            return {CellCheck::Result::Invalid, {}};
        // A rewritten price longer than the column would fail at the next check.
        Bytes written = FormatPrice(*price, decimalSeparator);
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
