#include "languagetext.h"

#include "language.h"

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
    for (QChar c : text) {
        char16_t u = c.unicode();
        char byte = '?';
        if (u < 0x80 && table[u] == u) {
            bytes.push_back(static_cast<char>(u));
            continue;
        }
        for (int b = 0x80; b < 256; ++b)
            if (table[static_cast<std::size_t>(b)] == u) {
                byte = static_cast<char>(b);
                break;
            }
        bytes.push_back(byte);
    }
    return bytes;
}

QString LanguageText(std::int32_t id) {
    return FromCharset(GetLanguageText(id));
}

} // namespace fprn::lang
