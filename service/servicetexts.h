#pragma once
// Command texts of the service commands.
#include "bytes.h"

#include <cstdint>

namespace fprn::texts {

Bytes SRAMErase();
Bytes EnterFiscalMode(BytesView idCode, BytesView idNumber);
Bytes SetID(BytesView idCode, BytesView idNumber);
// Both format bytes go out as they are, zero bytes included; format 0 sends 0xEE 0xEE.
Bytes SetTaxID(BytesView taxId, std::int32_t format);

} // namespace fprn::texts
