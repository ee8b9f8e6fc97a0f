#pragma once
// The GUI edge of the language texts: bytes of the 8-bit charset to and from Qt strings. The
// charset is the locale's when it is single-byte, else ISO-8859-1. Widgets that show language,
// printer or driver texts use Qt::PlainText, so no text from outside is read as markup.
#include <QString>

#include <cstdint>
#include <string>
#include <string_view>

namespace fprn::lang {

QString FromCharset(std::string_view bytes);
// Characters the charset lacks become '?'.
std::string ToCharset(const QString& text);

// GetLanguageText of `id` as a Qt string.
QString LanguageText(std::int32_t id);

} // namespace fprn::lang
