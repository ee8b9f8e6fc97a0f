#pragma once
// The sale pages' state and handlers that the item file, the postponed receipts and the tests
// share: the sale list with each line's fields kept beside its text, the receipt guard, and
// the "Sale" and "Sale Item" handlers.
#include "saleline.h"

#include <vector>

class QListWidget;

namespace fprn::console {

class TMainForm;

// True from the first sale of a receipt until it is paid, closed, cancelled or postponed:
// "Back To Menu" of the sale page stays disabled meanwhile.
bool& ReceiptStarted(TMainForm& form);

// The sale list (page 8) and its lines' fields.
QListWidget* SaleList(TMainForm& form);
std::vector<SaleLine> SaleLines(TMainForm& form);
void AppendSaleLine(TMainForm& form, const SaleLine& line);
void SetSaleLines(TMainForm& form, const std::vector<SaleLine>& lines);

// "Sale" on the menu: opens an empty receipt on page 8, or says that no item file is loaded.
void bbtnSaleClick(TMainForm& form);
// "Sale Item": sells what the fields of page 8 hold.
void btnSaleItemClick(TMainForm& form);

} // namespace fprn::console
