#include "itemlist.h"

namespace fprn::itemfile {

BytesView LineField(BytesView line, int index) {
    std::size_t start = 0;
    for (int k = 0; k < index; ++k) {
        std::size_t tab = line.find('\t', start);
        if (tab == BytesView::npos) return {};
        start = tab + 1;
    }
    std::size_t end = line.find('\t', start);
    return line.substr(start, end == BytesView::npos ? BytesView::npos : end - start);
}

BytesView LineBarcode(BytesView line) {
    std::size_t first = line.find('\t');
    if (first == BytesView::npos) return {};
    std::size_t second = line.find('\t', first + 1);
    if (second == BytesView::npos) return {};
    return line.substr(first + 1, second - first - 1);
}

std::vector<LineSpan> SplitLines(BytesView content) {
    std::vector<LineSpan> spans;
    std::size_t pos = 0;
    while (pos < content.size()) {
        std::size_t end = content.find_first_of("\r\n", pos);
        if (end == BytesView::npos) {
            spans.push_back({pos, content.size() - pos});
            break;
        }
        spans.push_back({pos, end - pos});
        pos = end + 1;
        if (content[end] == '\r' && pos < content.size() && content[pos] == '\n') ++pos;
    }
    return spans;
}

void ItemList::Assign(BytesView content) {
    lines_.clear();
    barcodes_.clear();
    index_.clear();
    fold_ = CaseFold::ForProcessLocale();
    auto spans = SplitLines(content);
    lines_.reserve(spans.size());
    for (const auto& span : spans) lines_.emplace_back(content.substr(span.begin, span.length));
    barcodes_.reserve(lines_.size());
    index_.reserve(lines_.size());
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        barcodes_.emplace_back(LineBarcode(lines_[i]));
        index_.try_emplace(fold_.Fold(barcodes_.back()), i);
    }
}

std::optional<std::size_t> ItemList::Find(BytesView barcode) const {
    auto it = index_.find(fold_.Fold(barcode));
    if (it == index_.end()) return std::nullopt;
    return it->second;
}

Bytes ItemList::Joined() const {
    Bytes out;
    std::size_t size = 0;
    for (const auto& line : lines_) size += line.size() + 2;
    out.reserve(size);
    for (const auto& line : lines_) {
        out += line;
        out += "\r\n";
    }
    return out;
}

Status LoadItemFile(const std::string& path, ItemList& list) {
    Bytes content;
    Status status = ReadWholeFile(path, content);
    if (status.ok()) list.Assign(content);
    return status;
}

} // namespace fprn::itemfile
