#include "eightbit.h"

#include <cctype>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <langinfo.h>

namespace fprn::itemfile {

CaseFold CaseFold::Latin1() {
    CaseFold fold;
    for (int c = 0; c < 256; ++c) {
        bool upper = (c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7);
        fold.lower_[static_cast<std::size_t>(c)] = static_cast<unsigned char>(upper ? c + 32 : c);
    }
    return fold;
}

CaseFold CaseFold::ForProcessLocale() {
    const char* codeset = nl_langinfo(CODESET);
    bool ascii = codeset == nullptr || std::strcmp(codeset, "ANSI_X3.4-1968") == 0 ||
                 std::strcmp(codeset, "ASCII") == 0;
    if (MB_CUR_MAX != 1 || ascii) return Latin1();
    CaseFold fold;
    for (int c = 0; c < 256; ++c)
        fold.lower_[static_cast<std::size_t>(c)] = static_cast<unsigned char>(std::tolower(c));
    return fold;
}

Bytes CaseFold::Fold(BytesView text) const {
    Bytes out(text);
    for (char& c : out) c = (*this)(c);
    return out;
}

bool CaseFold::Equal(BytesView a, BytesView b) const {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if ((*this)(a[i]) != (*this)(b[i])) return false;
    return true;
}

editcontrols::LocaleInfo OneByteSeparator(const editcontrols::LocaleInfo& locale) {
    editcontrols::LocaleInfo out = locale;
    if (out.decimalSeparator.size() != 1) out.decimalSeparator = ".";
    if (out.thousandSeparator == out.decimalSeparator)
        out.thousandSeparator = out.decimalSeparator == "," ? "." : ",";
    return out;
}

BytesView TrimBlanks(BytesView text) {
    auto blank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
    std::size_t begin = 0, end = text.size();
    while (begin < end && blank(text[begin])) ++begin;
    while (end > begin && blank(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

} // namespace fprn::itemfile
