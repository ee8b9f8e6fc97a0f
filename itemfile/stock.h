#pragma once
// The quantity write-back after a sale or a cancellation: the QTY field of one item changes,
// every other byte of the file stays as it is, also what other programs wrote since the
// console loaded the file.
#include "itemlist.h"

namespace fprn::itemfile {

enum class StockSign { Add, Subtract };

// Under the item-file lock, re-reads the file, finds the first line of `barcode` (letters
// compared without regard to case, the barcode used as given) and replaces its QTY by
// QTY + quantity or QTY - quantity, written in the shortest general form with the locale's
// decimal separator when it is one byte, else '.'. An empty QTY counts as 0.
//
// Ok: written; NotFound: no such item, nothing written; Failed: a QTY that is no number, a
// result that is not finite, a line of fewer than six fields or a file error, with a message
// naming the barcode and the cause, nothing written. When the file has vanished, it is
// written anew from `loaded` (with CR LF line ends). On success `loaded`, when given, takes
// the file's new content. Never throws.
Status
AdjustStock(const std::string& path, BytesView barcode, StockSign sign, double quantity,
            ItemList* loaded,
            const editcontrols::LocaleInfo& locale = editcontrols::LocaleSettings::Current());

} // namespace fprn::itemfile
