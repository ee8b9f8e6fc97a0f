/* Service driver library of the fiscal receipt printer (libmeskade.so).
 *
 * OpenFPrn, CloseFPrn and AbortFPrn, the result record, the return-length rules and the result
 * codes are those of the user driver library (tovarin.h), with state of this library's own:
 * only one of the two libraries should hold the port at a time. Every service command needs a
 * return buffer of 100 bytes.
 */
#ifndef MESKADE_H
#define MESKADE_H

#include "tovarin_types.h"

#ifdef __cplusplus
extern "C" {
#endif

FPRN_API int32_t OpenFPrn(const char* port, int32_t baudRate);
FPRN_API int32_t CloseFPrn(void);
FPRN_API int32_t AbortFPrn(void);

FPRN_API void cmSRAMErase(TFPrnResult* r, char* buf, int32_t* len);
FPRN_API void cmEnterFiscalMode(TFPrnResult* r, const char* idCode, const char* idNumber, char* buf,
                                int32_t* len);
FPRN_API void cmSetID(TFPrnResult* r, const char* idCode, const char* idNumber, char* buf,
                      int32_t* len);
/* The tax ID is cut or padded to 10 characters; a non-zero format sends its high and its low
 * byte, format 0 sends 0xEE 0xEE. */
FPRN_API void cmSetTaxID(TFPrnResult* r, const char* taxId, int32_t format, char* buf,
                         int32_t* len);

#ifdef __cplusplus
}
#endif

#endif
