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

/* Replaces the printer's firmware with an image file that the user picks, in a progress dialog
 * of its own. It opens `port` (a name such as "COM2", or a device path) itself: close both
 * driver libraries first. `owner` is the host's top-level window, a QWidget* converted to
 * uintptr_t, or 0 for none; it is disabled for the call and then left enabled or disabled as it
 * was. A non-zero low byte of `full` asks for a full update. Call it on the thread of the host's
 * QApplication; a host without one gets an application for the call when a display (or
 * QT_QPA_PLATFORM) is there. Returns 0 when the procedure ran to its end, whatever its dialog
 * showed (a cancelled choice, a refused file, a failed or cancelled download), and -1 when an
 * error escaped it, when it cannot run (no display, no widget application, the wrong thread: a
 * message goes to stderr) or while another update runs. */
FPRN_API int32_t UpdateFPrnProgram(uintptr_t owner, const char* port, int32_t full);

#ifdef __cplusplus
}
#endif

#endif
