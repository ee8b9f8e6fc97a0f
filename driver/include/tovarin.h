/* User driver library of the fiscal receipt printer (libtovarin.so).
 *
 * Calling rules
 * - Call every function from the thread that called OpenFPrn. A command blocks until it ends
 *   but keeps serving that thread's message queue (and, through the platform's host hook, the
 *   host's GUI events); from there the host may call isCommandExecuting, AbortFPrn and further
 *   commands, which are refused as busy (-2).
 * - Every command takes the caller's result record first and the return buffer and a pointer
 *   to its length last. A length of 0 sends nothing and sets the length to the buffer size the
 *   command needs (512, -1 or 100). Otherwise the reply payload is copied raw (no terminator)
 *   up to the length, and the length is set to the number of bytes copied.
 * - Texts are zero-terminated 8-bit strings. A null text counts as empty, a null buffer or
 *   length receives nothing, a null result record makes the call do nothing.
 *
 * Result codes (TFPrnResult.Code)
 *    0  success
 *   -1  port not open
 *   -2  another command is executing
 *   -3  no valid reply (three sends timed out, or aborted)
 *   -4, -5, -6  the printer answered "E0nn", "P0nn" or "M0nn"; nn is in ErrorNumber
 *   -7  FPRN_DRIVER_ERROR: a file of the driver failed (the trace log "FiscPrn.log" or an
 *       upload capture file), e.g. "Stream write error" or "Fail to clear file _Plu.mem";
 *       the command was not completed
 *   -8  FPRN_ARGUMENT_ERROR: an amount or quantity cannot be sent (not a number, infinite,
 *       too large for its field, or negative where its field has a fixed width: quantities
 *       and prices of sales, cancels and packages, invoice amounts, the printed report's
 *       figures); nothing was sent
 *   For -7 and -8 the message text is copied into the return buffer (cut to the length, with
 *   a terminating zero when there is room) and the length is set to the message's length
 *   without the zero; ErrorNumber holds the system error number for -7, else 0.
 */
#ifndef TOVARIN_H
#define TOVARIN_H

#include "tovarin_types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Library life cycle. */
FPRN_API int32_t OpenFPrn(const char* port, int32_t baudRate);
FPRN_API int32_t CloseFPrn(void);
FPRN_API int32_t AbortFPrn(void);
FPRN_API int32_t isCommandExecuting(void);
FPRN_API void ExecCommand(TFPrnResult* result, const char* text, char* buffer, int32_t* length);
FPRN_API int32_t GetReturnBufLength(const char* code);

/* Commands. Boolean arguments are one byte, non-zero is true. */
FPRN_API void cmPrnProgramReport(TFPrnResult* r, char* buf, int32_t* len);
FPRN_API void cmSetHeadMessage(TFPrnResult* r, int32_t line, int32_t second, const char* message,
                               char* buf, int32_t* len);
FPRN_API void cmSetDepartName(TFPrnResult* r, const char* number, const char* name,
                              const char* taxLetter, char* buf, int32_t* len);
FPRN_API void cmSetVatRate(TFPrnResult* r, int32_t rate1, int32_t rate2, int32_t rate3,
                           int32_t rate4, int32_t rate5, int32_t rate6, int32_t rate7,
                           int32_t rate8, int32_t rate9, const char* taxLetter, char* buf,
                           int32_t* len);
FPRN_API void cmSetTime(TFPrnResult* r, int32_t hour, int32_t minute, int32_t second, char* buf,
                        int32_t* len);
FPRN_API void cmXReport(TFPrnResult* r, int32_t type, char* buf, int32_t* len);
FPRN_API void cmZReport(TFPrnResult* r, char* buf, int32_t* len);
FPRN_API void cmMemReportByZNo(TFPrnResult* r, int32_t type, int32_t firstZ, int32_t lastZ,
                               char* buf, int32_t* len);
FPRN_API void cmMemReportByDate(TFPrnResult* r, int32_t type, int32_t fromDay, int32_t fromMonth,
                                int32_t fromYear, int32_t toDay, int32_t toMonth, int32_t toYear,
                                char* buf, int32_t* len);
FPRN_API void cmMemReportMonthly(TFPrnResult* r, int32_t type, int32_t month, int32_t year,
                                 char* buf, int32_t* len);
FPRN_API void cmSaleItem(TFPrnResult* r, double quantity, const char* unit, double price,
                         const char* department, const char* name, int32_t packageFlag,
                         double packagePrice, char* buf, int32_t* len);
FPRN_API void cmCancelItem(TFPrnResult* r, double quantity, const char* unit, double price,
                           const char* department, const char* name, int32_t packageFlag,
                           double packagePrice, char* buf, int32_t* len);
FPRN_API void cmDiscount(TFPrnResult* r, int32_t base, int32_t value, unsigned char discount,
                         unsigned char amount, char* buf, int32_t* len);
FPRN_API void cmPayment(TFPrnResult* r, int32_t type, const char* name, double amount, char* buf,
                        int32_t* len);
FPRN_API void cmReceiptClose(TFPrnResult* r, const char* text, char* buf, int32_t* len);
FPRN_API void cmReceiveCash(TFPrnResult* r, double amount, char* buf, int32_t* len);
FPRN_API void cmPaidOut(TFPrnResult* r, double amount, char* buf, int32_t* len);
FPRN_API void cmReceiptCancel(TFPrnResult* r, const char* text, char* buf, int32_t* len);
FPRN_API void cmPrintSubTotal(TFPrnResult* r, char* buf, int32_t* len);
FPRN_API void cmHardwareStatus(TFPrnResult* r, char* buf, int32_t* len);
FPRN_API void cmSoftwareStatus(TFPrnResult* r, char* buf, int32_t* len);
FPRN_API void cmSetDate(TFPrnResult* r, int32_t day, int32_t month, int32_t year, char* buf,
                        int32_t* len);
FPRN_API void cmSRAMDump(TFPrnResult* r, int32_t address, char* buf, int32_t* len);
FPRN_API void cmEPROMDump(TFPrnResult* r, int32_t address, char* buf, int32_t* len);
FPRN_API void cmPrinterStatus(TFPrnResult* r, char* buf, int32_t* len);
FPRN_API void cmROMDump(TFPrnResult* r, int32_t address, char* buf, int32_t* len);
FPRN_API void cmInvoiceInfo(TFPrnResult* r, int32_t first, int32_t second, double firstAmount,
                            double secondAmount, char* buf, int32_t* len);
FPRN_API void cmOpenDrawer(TFPrnResult* r, char* buf, int32_t* len);
FPRN_API void cmSkipPswdLogon(TFPrnResult* r, const char* text, char* buf, int32_t* len);
FPRN_API void cmSalePackage(TFPrnResult* r, double quantity, const char* unit, double price,
                            const char* name, char* buf, int32_t* len);
FPRN_API void cmSalePackagePayment(TFPrnResult* r, int32_t unused, char* buf, int32_t* len);
FPRN_API void cmSetSysNum(TFPrnResult* r, const char* systemNumber, char* buf, int32_t* len);
/* Printed report: cash at start, cash at end, receipt count, seven count-and-amount pairs
 * (paid in, paid out, cash, card, cheque, discounts, increases), two return-package pairs. */
FPRN_API void cmPrnRpt(TFPrnResult* r, const char* systemNumber, const char* cashier,
                       const char* start, const char* end, double cashStart, double cashEnd,
                       double receipts, double paidInCount, double paidInAmount,
                       double paidOutCount, double paidOutAmount, double cashCount,
                       double cashAmount, double cardCount, double cardAmount, double chequeCount,
                       double chequeAmount, double discountCount, double discountAmount,
                       double increaseCount, double increaseAmount, double packageSaleCount,
                       double packageSaleAmount, double packageTakeCount, double packageTakeAmount,
                       char* buf, int32_t* len);
FPRN_API void cmCashInDrawer(TFPrnResult* r, char* buf, int32_t* len);
FPRN_API void cmUploadPkg(TFPrnResult* r, int32_t selector, char* buf, int32_t* len);
FPRN_API void cmUploadPlu(TFPrnResult* r, char* buf, int32_t* len);
FPRN_API void cmUploadTaxRate(TFPrnResult* r, char* buf, int32_t* len);
FPRN_API void cmUploadDepartment(TFPrnResult* r, char* buf, int32_t* len);
FPRN_API void cmUploadHeadMessage(TFPrnResult* r, char* buf, int32_t* len);
FPRN_API void cmSetPrinterSpeed(TFPrnResult* r, int32_t speed, char* buf, int32_t* len);
FPRN_API void cmServiceLogon(TFPrnResult* r, const char* password, char* buf, int32_t* len);
FPRN_API void cmReturnPackage(TFPrnResult* r, double quantity, const char* unit, double price,
                              const char* name, char* buf, int32_t* len);
FPRN_API void cmPackagePayment(TFPrnResult* r, int32_t unused, char* buf, int32_t* len);
FPRN_API void cmSetClerkPwd(TFPrnResult* r, int32_t clerk, const char* password, const char* name,
                            char* buf, int32_t* len);
FPRN_API void cmClerkLogon(TFPrnResult* r, int32_t clerk, const char* password, char* buf,
                           int32_t* len);

#ifdef __cplusplus
}
#endif

#endif
