#include "stock.h"

#include "numbertext.h"

#include <cmath>
#include <exception>

namespace fprn::itemfile {

namespace {

struct Located {
    std::size_t qtyBegin = 0;
    std::size_t qtyLength = 0;
    int fields = 0;
};

// Field count and QTY place of the line at `span`.
Located Locate(BytesView content, const LineSpan& span) {
    Located at;
    BytesView line = content.substr(span.begin, span.length);
    std::size_t start = 0;
    for (at.fields = 1;; ++at.fields) {
        std::size_t tab = line.find('\t', start);
        if (at.fields == kQty + 1) {
            at.qtyBegin = span.begin + start;
            at.qtyLength = (tab == BytesView::npos ? line.size() : tab) - start;
        }
        if (tab == BytesView::npos) break;
        start = tab + 1;
    }
    return at;
}

Status ChangeQty(Bytes& content, BytesView barcode, StockSign sign, double quantity,
                 const editcontrols::LocaleInfo& locale, const std::string& item) {
    const CaseFold fold = CaseFold::ForProcessLocale();
    const LineSpan* found = nullptr;
    auto spans = SplitLines(content);
    for (const auto& span : spans) {
        if (fold.Equal(LineBarcode(BytesView(content).substr(span.begin, span.length)), barcode)) {
            found = &span;
            break;
        }
    }
    if (!found) return Status::Missing("No item " + item + " in the item file");

    Located at = Locate(content, *found);
    if (at.fields <= kQty)
        return Status::Error("its line has " + std::to_string(at.fields) +
                             " fields, not the six of an item");
    BytesView qty = BytesView(content).substr(at.qtyBegin, at.qtyLength);
    double old = 0;
    if (qty.find_first_not_of(' ') != BytesView::npos &&
        !editcontrols::ParseNumberGrammar(qty, old, locale))
        return Status::Error("its QTY \"" + Bytes(qty) + "\" is not a number");
    double now = sign == StockSign::Add ? old + quantity : old - quantity;
    if (!std::isfinite(now)) return Status::Error("the new QTY is not a finite number");
    content.replace(at.qtyBegin, at.qtyLength, editcontrols::GeneralNumberText(now, locale));
    return Status::Done();
}

} // namespace

Status AdjustStock(const std::string& path, BytesView barcode, StockSign sign, double quantity,
                   ItemList* loaded, const editcontrols::LocaleInfo& locale) {
    const std::string item = "\"" + Bytes(barcode) + "\"";
    try {
        const editcontrols::LocaleInfo byteLocale = OneByteSeparator(locale);
        Bytes written;
        Status status = UpdateLocked(path, [&](Bytes& content, bool existed) {
            if (!existed) {
                if (!loaded || loaded->Size() == 0)
                    return Status::Error("the item file \"" + path + "\" is gone");
                content = loaded->Joined();
            }
            Status changed = ChangeQty(content, barcode, sign, quantity, byteLocale, item);
            if (changed.ok()) written = content;
            return changed;
        });
        if (status.code == Status::Code::Failed)
            status.message = "Item " + item + ": " + status.message;
        if (status.ok() && loaded) loaded->Assign(written);
        return status;
    } catch (const std::exception& e) {
        return Status::Error("Item " + item + ": " + e.what());
    }
}

} // namespace fprn::itemfile
