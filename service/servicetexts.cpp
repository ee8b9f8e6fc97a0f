#include "servicetexts.h"

#include "textformat.h"

namespace fprn::texts {

using fmt::RightExact;

Bytes SRAMErase() {
    return "43";
}

Bytes EnterFiscalMode(BytesView idCode, BytesView idNumber) {
    return "46" + RightExact(CText(idCode), 3) + RightExact(CText(idNumber), 8);
}

Bytes SetID(BytesView idCode, BytesView idNumber) {
    return "50" + RightExact(CText(idCode), 3) + RightExact(CText(idNumber), 8);
}

Bytes SetTaxID(BytesView taxId, std::int32_t format) {
    Bytes t = "52" + RightExact(CText(taxId), 10);
    if (format != 0) {
        t.push_back(static_cast<char>((format >> 8) & 0xFF));
        t.push_back(static_cast<char>(format & 0xFF));
    } else {
        t.append(2, static_cast<char>(0xEE));
    }
    return t;
}

} // namespace fprn::texts
