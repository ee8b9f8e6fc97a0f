#pragma once
// The item file the sale page sells from: loaded whole, its barcodes indexed, the sale fields
// filled from the item of a typed barcode, and the item's QTY changed after each sale or
// cancellation the printer accepted.
#include "itemlist.h"

#include <string>
#include <string_view>
#include <vector>

namespace fprn::console {

class TMainForm;

// The loaded lines and their barcodes; null until a load finds its file.
const itemfile::ItemList* PluLines(TMainForm& form);
const std::vector<itemfile::Bytes>* PluBarcodes(TMainForm& form);
// The loaded file; empty while none is (then the sale page does not open).
const std::string& PluFileName(TMainForm& form);

// Loads an item file. A missing one leaves no file loaded and the lines as they were; one that
// cannot be read throws, leaving no file loaded.
void LoadPluFile(TMainForm& form, const std::string& path);
// "Load PLU": the open dialog, preset to the loaded file, then LoadPluFile.
void bbtnLoadPluClick(TMainForm& form);

// Leaving edBarcode: the item of the barcode (trailing blanks and control characters dropped)
// fills name, price (its point or comma as the locale's separator), unit and tax letter, or the
// fields are emptied when there is none, or with a box when its PRICE is no number.
void edBarcodeExit(TMainForm& form);
// Before a sale: the lookup, unless edBarcode holds no barcode or the one the fields were last
// filled for.
enum class SaleLookup {
    Item,   // sell; the stock follows as for any sale
    NoItem, // sell what the fields hold, no stock: the barcode's lookup found no item
    Stop,   // sell nothing: the lookup just run found no item (the fields emptied, the focus on
            // the barcode), its item needs a tax letter chosen (the focus on the letters), or
            // its item was refused for a PRICE that is no number (the focus on the barcode)
};
SaleLookup LookUpBeforeSale(TMainForm& form);
// Enter in edBarcode, edName, edUnit and cbDepId moves on; Enter in or leaving edBarcode looks
// it up.
void HookItemLookup(TMainForm& form);

// QTY of the barcode's item (trimmed as the lookup trims it) plus or minus `quantity`, the
// file written. Ok, or NotFound when no file is loaded or no item has the barcode; Failed with
// a message naming the barcode and the cause.
itemfile::Status AdjustPluStock(TMainForm& form, std::string_view barcode, bool add,
                                double quantity);
// The error box for the failed updates among these; nothing for the others.
void ReportStockFailures(TMainForm& form, const std::vector<itemfile::Status>& results);

// The hidden batch sale: 100 items from the index in edBatch (200 when it is no number), one
// each; it stops with an error box where the item file ends.
void btnSale200Click(TMainForm& form);

} // namespace fprn::console
