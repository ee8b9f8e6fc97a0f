#pragma once
// Float format patterns: up to three sections separated by ";" (positive, negative, zero);
// "0" and "#" digit placeholders, "." for the decimal separator, "," for thousand separators,
// "E+"/"E-" (or "e+"/"e-") with "0"s for a scientific exponent, text in '...' or "..." copied
// as it stands, every other character copied too.
//
// Digits are taken from the value at 18 significant digits and rounded half away from zero at
// the last placeholder. A value that rounds to zero takes the zero section (or the first one)
// and shows no minus sign. An empty pattern, an empty first section, values of 1e18 and more
// in fixed notation, NaN and infinities give the general number text.
#include "localeinfo.h"

#include <string>
#include <string_view>

namespace fprn::editcontrols {

std::string FormatFloat(std::string_view pattern, double value, const LocaleInfo& locale);

// The currency symbol as pattern text: every character a pattern would read as a placeholder,
// separator, section break, quote or exponent is quoted, so the symbol shows as it stands.
std::string QuoteCurrencySymbol(std::string_view symbol);

// The default display pattern of a currency edit: ",0." and the currency decimals, joined to the
// quoted symbol by the currency format, as "p;-p".
std::string BuildDefaultCurrencyFormat(const LocaleInfo& locale);

} // namespace fprn::editcontrols
