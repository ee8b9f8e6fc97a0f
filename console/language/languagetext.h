#pragma once
// The GUI edge of the language texts: bytes of the 8-bit charset to and from Qt strings. The
// charset is the locale's when it is single-byte, else ISO-8859-1. Widgets that show language,
// printer or driver texts use Qt::PlainText, so no text from outside is read as markup.
#include <QString>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace fprn::lang {

QString FromCharset(std::string_view bytes);
// Characters the charset lacks become '?'; text typed or pasted by hand never holds one
// (charsetguard.h).
std::string ToCharset(const QString& text);

// The first character of `text` (a whole code point) that the charset has no byte for.
std::optional<char32_t> FirstCharNotInCharset(const QString& text);
// Why a paste holding `c` was refused, naming it (a control character by its code alone):
// language text 11446 (built-in English when the library has none), filled by the checked
// formatter.
QString CharNotInCharsetMessage(char32_t c);

// GetLanguageText of `id` as a Qt string.
QString LanguageText(std::int32_t id);

} // namespace fprn::lang
