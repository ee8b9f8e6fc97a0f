#include "languagetext.h"

#include "language.h"

#include <QList>

#include <array>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <iconv.h>
#include <langinfo.h>
#include <mutex>

namespace fprn::lang {

namespace {

using Table = std::array<char16_t, 256>;

// Each byte of a single-byte charset stands for one character on its own, so one table of
// 256 characters converts exactly. ISO-8859-1 is the identity.
Table BuildTable(const char* codeset) {
    Table table;
    for (int b = 0; b < 256; ++b) table[static_cast<std::size_t>(b)] = static_cast<char16_t>(b);
    iconv_t cd = iconv_open("UTF-16LE", codeset);
    if (cd == reinterpret_cast<iconv_t>(-1)) return table;
    for (int b = 0x80; b < 256; ++b) {
        char in = static_cast<char>(b);
        char out[4];
        char* inp = &in;
        char* outp = out;
        std::size_t inLeft = 1, outLeft = sizeof out;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        if (iconv(cd, &inp, &inLeft, &outp, &outLeft) != static_cast<std::size_t>(-1) &&
            outLeft == 2)
            table[static_cast<std::size_t>(b)] = static_cast<char16_t>(
                static_cast<unsigned char>(out[0]) | static_cast<unsigned char>(out[1]) << 8);
    }
    iconv_close(cd);
    return table;
}

Table CurrentTable() {
    static std::mutex mutex;
    static std::string codeset;
    static Table table = BuildTable("ISO-8859-1");
    std::lock_guard<std::mutex> lock(mutex);
    const char* cs = nl_langinfo(CODESET);
    // Plain ASCII cannot name the upper half: ISO-8859-1 serves it, as for multi-byte locales.
    std::string wanted = MB_CUR_MAX == 1 && cs != nullptr && std::strcmp(cs, "ANSI_X3.4-1968") != 0
                             ? std::string(cs)
                             : std::string("ISO-8859-1");
    if (wanted != codeset) {
        table = BuildTable(wanted.c_str());
        codeset = wanted;
    }
    return table;
}

// The byte of `u` in the charset of `table`.
std::optional<char> ByteOf(char32_t u, const Table& table) {
    if (u < 0x80 && table[u] == u) return static_cast<char>(u);
    for (int b = 0x80; b < 256; ++b)
        if (table[static_cast<std::size_t>(b)] == u) return static_cast<char>(b);
    return std::nullopt;
}

constexpr std::int32_t kCharNotInCharsetText = 11446;
constexpr char kCharNotInCharsetBuiltIn[] =
    "Paste refused: the character %s has no code in the 8-bit character set";

} // namespace

QString FromCharset(std::string_view bytes) {
    const Table table = CurrentTable();
    QString text(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        text[static_cast<qsizetype>(i)] = QChar(table[static_cast<unsigned char>(bytes[i])]);
    return text;
}

std::string ToCharset(const QString& text) {
    const Table table = CurrentTable();
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(text.size()));
    for (QChar c : text) bytes.push_back(ByteOf(c.unicode(), table).value_or('?'));
    return bytes;
}

std::optional<char32_t> FirstCharNotInCharset(const QString& text) {
    const Table table = CurrentTable();
    for (const uint u : text.toUcs4())
        if (!ByteOf(u, table)) return static_cast<char32_t>(u);
    return std::nullopt;
}

QString CharNotInCharsetMessage(char32_t c) {
    std::string pattern = GetLanguageText(kCharNotInCharsetText);
    if (pattern.empty()) pattern = kCharNotInCharsetBuiltIn;
    // The character has no byte to fill the pattern with: a control byte that no text holds
    // stands in for it and is swapped for its name afterwards.
    constexpr char kStandIn[] = "\x1A";
    QString message = FromCharset(FormatLanguageText(pattern, {FormatArg(kStandIn)}));
    const QString code = QString::number(c, 16).toUpper().rightJustified(4, QLatin1Char('0'));
    // A control character has nothing to show: its code alone names it.
    if (c < 0x20 || (c >= 0x7F && c < 0xA0))
        return message.replace(QChar(0x1A), QStringLiteral("U+%1").arg(code));
    return message.replace(QChar(0x1A),
                           QStringLiteral("\"%1\" (U+%2)").arg(QString::fromUcs4(&c, 1), code));
}

QString LanguageText(std::int32_t id) {
    return FromCharset(GetLanguageText(id));
}

} // namespace fprn::lang
