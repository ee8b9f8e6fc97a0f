// The exported functions of the service driver library, on a transport of its own.
#include "include/meskade.h"
#include "servicetexts.h"
#include "transport.h"

namespace {

// Module state of this library; the user library has its own.
fprn::Transport gTransport;

fprn::BytesView Text(const char* s) {
    return s ? fprn::BytesView(s) : fprn::BytesView();
}

} // namespace

extern "C" {

int32_t OpenFPrn(const char* port, int32_t baudRate) {
    return gTransport.OpenFPrn(port, baudRate);
}
int32_t CloseFPrn(void) {
    return gTransport.CloseFPrn();
}
int32_t AbortFPrn(void) {
    return gTransport.AbortFPrn();
}

void cmSRAMErase(TFPrnResult* r, char* buf, int32_t* len) {
    gTransport.Run(
        r, "43", [] { return fprn::texts::SRAMErase(); }, buf, len);
}

void cmEnterFiscalMode(TFPrnResult* r, const char* idCode, const char* idNumber, char* buf,
                       int32_t* len) {
    gTransport.Run(
        r, "46", [&] { return fprn::texts::EnterFiscalMode(Text(idCode), Text(idNumber)); }, buf,
        len);
}

void cmSetID(TFPrnResult* r, const char* idCode, const char* idNumber, char* buf, int32_t* len) {
    gTransport.Run(
        r, "50", [&] { return fprn::texts::SetID(Text(idCode), Text(idNumber)); }, buf, len);
}

void cmSetTaxID(TFPrnResult* r, const char* taxId, int32_t format, char* buf, int32_t* len) {
    gTransport.Run(
        r, "52", [&] { return fprn::texts::SetTaxID(Text(taxId), format); }, buf, len);
}

} // extern "C"
