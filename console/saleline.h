#pragma once
// The sale list's lines and the numbers the sale pages compute, without Qt. Texts are bytes of
// the 8-bit charset; numbers are read and written with the edits' locale settings.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fprn::console {

// The eight fields of a sale-list line, in the order they are shown.
enum SaleField {
    kSaleQty,
    kSaleUnit,
    kSalePrice,
    kSaleLetter,
    kSaleName,
    kSaleTotal,
    kSaleReturnPrice,
    kSaleBarcode,
    kSaleFieldCount
};
struct SaleLine : std::array<std::string, kSaleFieldCount> {
    // The line's change of its item's QTY reached the item file: only then does cancelling the
    // line change the file back. Not shown, not compared.
    bool stockInFile = false;
};

// How a line is shown: its fields joined by "---". Only shown: the fields may hold the
// delimiter themselves, so the text is never split back.
inline constexpr std::string_view kSaleDelimiter = "---";
std::string SaleLineText(const SaleLine& line);

// The text cut at every occurrence of the delimiter, left to right; every piece is an entry,
// the empty ones and the one after the last delimiter too.
std::vector<std::string> SplitStr(std::string_view text, std::string_view delimiter);

// A number as the edits read one (blanks, sign, digits, the locale's decimal separator,
// exponent; never "nan", "inf" or hexadecimal), or `fallback` when the text is none.
double StrToFloatDefault(std::string_view text, double fallback);
// The same, throwing ConversionError (fieldreadings.h) when the text is no number.
double StrToFloat(std::string_view text);
// The shortest general text of a number (15 significant digits, the locale's separator).
std::string FloatToStr(double value);
// A number of a sale-list line's field, 0 when it is none. The fields never group digits, so a
// point or a comma can only be the decimal separator: read as an item file's PRICE is.
double SaleFieldNumber(std::string_view field);

// x rounded to n decimals through its decimal digits: 18 significant digits, halves away from
// zero at the n-th decimal. NaN and infinities come back as they are.
double RoundDecimals(int n, double x);

// The department sent for the tax letter at `index` of the list A to I: "01" to "09", "00"
// for none (-1).
std::string DepartmentCode(int index);
// The department of a line's letter: the character code of its first character less 64, two
// digits ("A" -> "01", "C" -> "03"); "00" for an empty letter.
std::string LetterDepartmentCode(std::string_view letter);

// The tax in the lines' totals at the rates of the letters A to I. A rate of 255 (not set) and
// a line without one of those letters add nothing.
double TaxAmount(const std::vector<SaleLine>& lines, const std::array<std::int32_t, 9>& rates);

// Postponed receipts: slots 1 to 3.
inline constexpr int kPostponeSlots = 3;
// The slot after `slot`, 1 after the last.
int SlotAfter(int slot);
// Where the next postponement goes: `next` when it is empty, else the first empty one after
// it; nothing when all are held.
std::optional<int> ChoosePostponeSlot(int next, const std::array<bool, kPostponeSlots>& held);

} // namespace fprn::console
