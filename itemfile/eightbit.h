#pragma once
// Helpers for 8-bit text: the files and the printer carry bytes of one single-byte charset
// (the locale's when it is single-byte, else ISO-8859-1).
#include "localeinfo.h"

#include <array>
#include <string>
#include <string_view>

namespace fprn::itemfile {

using Bytes = std::string;
using BytesView = std::string_view;

// Lower-case map of the 8-bit charset, for comparing letters without regard to case.
class CaseFold {
public:
    // The process locale's map when its charset is single-byte (other than plain ASCII),
    // else the ISO-8859-1 letters.
    static CaseFold ForProcessLocale();
    static CaseFold Latin1();

    unsigned char operator()(unsigned char c) const { return lower_[c]; }
    char operator()(char c) const {
        return static_cast<char>(lower_[static_cast<unsigned char>(c)]);
    }
    Bytes Fold(BytesView text) const;
    bool Equal(BytesView a, BytesView b) const;

private:
    std::array<unsigned char, 256> lower_{};
};

// The text without the blanks and control characters (codes 0 to 32) at either end.
BytesView TrimBlanks(BytesView text);

// The locale with a decimal separator of one byte, so that numbers written into 8-bit text
// stay one charset: the locale's separator when it is one byte, else '.'.
editcontrols::LocaleInfo OneByteSeparator(const editcontrols::LocaleInfo& locale);

} // namespace fprn::itemfile
