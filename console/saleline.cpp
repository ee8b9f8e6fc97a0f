#include "saleline.h"

#include "fieldreadings.h"
#include "floatformat.h"
#include "localeinfo.h"
#include "numbertext.h"
#include "plufile.h"

#include <cmath>
#include <cstdio>

namespace fprn::console {

namespace {

const editcontrols::LocaleInfo& Locale() {
    return editcontrols::LocaleSettings::Current();
}

std::string TwoDigits(int value) {
    char text[16];
    std::snprintf(text, sizeof text, "%.2d", value);
    return text;
}

} // namespace

std::string SaleLineText(const SaleLine& line) {
    std::string text = line[0];
    for (std::size_t i = 1; i < line.size(); ++i) {
        text += kSaleDelimiter;
        text += line[i];
    }
    return text;
}

std::vector<std::string> SplitStr(std::string_view text, std::string_view delimiter) {
    std::vector<std::string> pieces;
    if (delimiter.empty()) return {std::string(text)};
    for (;;) {
        std::size_t at = text.find(delimiter);
        pieces.emplace_back(text.substr(0, at));
        if (at == std::string_view::npos) return pieces;
        text.remove_prefix(at + delimiter.size());
    }
}

double StrToFloatDefault(std::string_view text, double fallback) {
    double value = 0;
    return editcontrols::ParseNumberGrammar(text, value, Locale()) ? value : fallback;
}

double StrToFloat(std::string_view text) {
    double value = 0;
    if (!editcontrols::ParseNumberGrammar(text, value, Locale()))
        throw ConversionError("'" + std::string(text) + "' is not a valid number");
    return value;
}

std::string FloatToStr(double value) {
    return editcontrols::GeneralNumberText(value, Locale());
}

double SaleFieldNumber(std::string_view field) {
    const editcontrols::LocaleInfo plain = editcontrols::CLocaleInfo();
    const std::optional<std::string> text =
        itemfile::PriceWithSeparator(field, plain.decimalSeparator);
    double value = 0;
    return text && editcontrols::ParseNumberGrammar(*text, value, plain) ? value : 0;
}

double RoundDecimals(int n, double x) {
    if (!std::isfinite(x)) return x;
    n = n < 0 ? 0 : n > 17 ? 17 : n;
    std::string pattern = n == 0 ? "0" : "0." + std::string(static_cast<std::size_t>(n), '0');
    const editcontrols::LocaleInfo plain = editcontrols::CLocaleInfo();
    double rounded = 0;
    if (!editcontrols::ParseNumberGrammar(editcontrols::FormatFloat(pattern, x, plain), rounded,
                                          plain))
        return x;
    return rounded;
}

std::string DepartmentCode(int index) {
    return TwoDigits(index < 0 ? 0 : index + 1);
}

std::string LetterDepartmentCode(std::string_view letter) {
    if (letter.empty()) return "00";
    return TwoDigits(static_cast<unsigned char>(letter.front()) - 64);
}

double TaxAmount(const std::vector<SaleLine>& lines, const std::array<std::int32_t, 9>& rates) {
    double tax = 0;
    for (const SaleLine& line : lines) {
        const std::string& letter = line[kSaleLetter];
        if (letter.size() != 1 || letter[0] < 'A' || letter[0] > 'I') continue;
        const double rate = rates[static_cast<std::size_t>(letter[0] - 'A')];
        if (rate == kRateNotSet || rate < 0) continue;
        double amount = SaleFieldNumber(line[kSaleTotal]);
        tax += RoundDecimals(2, rate * amount / (rate + 100));
    }
    return tax;
}

int SlotAfter(int slot) {
    return slot >= kPostponeSlots || slot < 1 ? 1 : slot + 1;
}

std::optional<int> ChoosePostponeSlot(int next, const std::array<bool, kPostponeSlots>& held) {
    int slot = next < 1 || next > kPostponeSlots ? 1 : next;
    for (int k = 0; k < kPostponeSlots; ++k, slot = SlotAfter(slot))
        if (!held[static_cast<std::size_t>(slot - 1)]) return slot;
    return std::nullopt;
}

} // namespace fprn::console
