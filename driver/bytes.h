#pragma once
// Byte strings of the 8-bit charset that travel to the printer, into files and across the
// library boundary. std::string holds any byte value, NULs included.
#include <string>
#include <string_view>

namespace fprn {

using Bytes = std::string;
using BytesView = std::string_view;

// A text argument that came in as a C string ends at its first NUL.
inline BytesView CText(BytesView text) {
    auto nul = text.find('\0');
    return nul == BytesView::npos ? text : text.substr(0, nul);
}

} // namespace fprn
