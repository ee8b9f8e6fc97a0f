#include "items.h"

namespace fprn::emu {

namespace {

Bytes PriceText(std::int64_t hundredths) {
    Bytes sign = hundredths < 0 ? "-" : "";
    std::int64_t magnitude = hundredths < 0 ? -hundredths : hundredths;
    Bytes cents = std::to_string(magnitude % 100);
    if (cents.size() < 2) cents.insert(0, "0");
    return sign + std::to_string(magnitude / 100) + "." + cents;
}

Bytes TaxLetter(const PrinterState& state, int taxRate) {
    if (taxRate == 10000) return Bytes(1, state.exemptLetter);
    for (std::size_t k = 0; k < state.vatRates.size(); ++k)
        if (state.vatRates[k] && *state.vatRates[k] * 100 == taxRate)
            return Bytes(1, static_cast<char>('A' + k));
    return {};
}

} // namespace

itemfile::PluTable ItemTable(const PrinterState& state) {
    itemfile::PluTable table;
    int row = 0;
    for (const auto& p : state.plus) {
        if (++row > itemfile::kPluRows) break;
        table.SetCell(row, 1, p.name);
        table.SetCell(row, 2, p.barcode);
        table.SetCell(row, 3, "PCS");
        table.SetCell(row, 4, PriceText(p.price));
        table.SetCell(row, 5, TaxLetter(state, p.taxRate));
        table.SetCell(row, 6, "0");
    }
    return table;
}

itemfile::Status WriteItemFile(const PrinterState& state, const std::string& path) {
    return itemfile::WritePluFile(ItemTable(state), path);
}

} // namespace fprn::emu
