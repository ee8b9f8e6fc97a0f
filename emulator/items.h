#pragma once
// The emulated printer's items as an item file, so a demo can sell them by barcode.
#include "device.h"
#include "plufile.h"

namespace fprn::emu {

// One row per item: name, barcode, unit "PCS", price with two decimals and '.', the tax letter
// of its rate (the exempt letter for exempt items, empty when no letter has the rate), QTY 0.
itemfile::PluTable ItemTable(const PrinterState& state);

// Writes ItemTable as an item file.
itemfile::Status WriteItemFile(const PrinterState& state, const std::string& path);

} // namespace fprn::emu
