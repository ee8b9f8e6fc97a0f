#pragma once
// Numbers as the currency edit reads and writes them. Nothing here depends on the C library's
// locale: the separators come from a LocaleInfo and the conversions from <charconv>.
#include "localeinfo.h"

#include <string>
#include <string_view>

namespace fprn::editcontrols {

// Number of characters (code points) of a UTF-8 text.
int Utf8Length(std::string_view text);
// Byte offset of the character with index `chars` (clamped to the text).
std::size_t Utf8Offset(std::string_view text, int chars);

// The number grammar alone: optional blanks, sign, digits, the decimal separator and digits,
// an exponent, optional blanks. A lone decimal separator reads 0; a lone sign fails. Values
// whose magnitude lies outside 5e-324 .. 1.7e308 fail. On failure `value` is 0.
bool ParseNumberGrammar(std::string_view text, double& value, const LocaleInfo& locale);

// Removes every thousand separator first, then parses with the grammar above.
bool ParseNumberText(std::string_view text, double& value, const LocaleInfo& locale);

// At most 15 significant digits, no trailing zeros, no thousand separators; the scientific form
// (1E20, 1.5E-7) for 16 or more integer digits and for magnitudes below 0.0001.
std::string GeneralNumberText(double value, const LocaleInfo& locale);

// What a typed "," or "." becomes: the thousand separator passes when it may be typed, every
// other "," or "." turns into the decimal separator; other keys are returned unchanged.
std::string MapNumericKey(std::string_view key, bool useThousandSeparator,
                          const LocaleInfo& locale);

// Whether typing `key` (one character) over the selection of `text` keeps a number: the key must
// be a digit, sign, exponent letter or separator, the result must parse, and it may carry at
// most `decimalPlaces` fraction digits. A "-" into an otherwise empty text is always taken.
// Positions count characters.
bool AcceptsNumericKey(std::string_view text, int selStart, int selLength, std::string_view key,
                       int decimalPlaces, bool useThousandSeparator, const LocaleInfo& locale);

} // namespace fprn::editcontrols
