#pragma once
// Command texts of the printer's commands: arguments in, text bytes out. Nothing here talks
// to the printer. Text arguments end at their first NUL byte. Money and quantities that
// cannot be sent (NaN, infinite, too large for their field, negative in a fixed-width field)
// throw ArgumentError.
#include "bytes.h"
#include "textformat.h"

#include <array>
#include <cstdint>

namespace fprn::texts {

Bytes PrnProgramReport();
Bytes SetHeadMessage(int line, int second, BytesView message);
Bytes SetDepartName(BytesView number, BytesView name, BytesView taxLetter);
Bytes SetVatRate(const std::array<int, 9>& rates, BytesView taxLetter);
Bytes SetTime(int hour, int minute, int second);
Bytes XReport(int type);
Bytes ZReport();
Bytes MemReportByZNo(int type, int firstZ, int lastZ);
Bytes MemReportByDate(int type, int fromDay, int fromMonth, int fromYear, int toDay, int toMonth,
                      int toYear);
Bytes MemReportMonthly(int type, int month, int year);
Bytes SaleItem(double quantity, BytesView unit, double price, BytesView department, BytesView name,
               int packageFlag, double packagePrice);
Bytes CancelItem(double quantity, BytesView unit, double price, BytesView department,
                 BytesView name, int packageFlag, double packagePrice);
Bytes Discount(int base, int value, bool discount, bool amount);
Bytes Payment(int type, BytesView name, double amount);
Bytes ReceiptClose(BytesView text);
Bytes ReceiveCash(double amount);
Bytes PaidOut(double amount);
Bytes ReceiptCancel(BytesView text);
Bytes PrintSubTotal();
Bytes HardwareStatus();
Bytes SoftwareStatus();
Bytes SetDate(int day, int month, int year);
Bytes SRAMDump(int address);
Bytes EPROMDump(int address);
Bytes PrinterStatus();
Bytes ROMDump(int address);
Bytes InvoiceInfo(int first, int second, double firstAmount, double secondAmount);
Bytes OpenDrawer();
Bytes SkipPswdLogon(BytesView text);
Bytes SalePackage(double quantity, BytesView unit, double price, BytesView name);
Bytes SalePackagePayment(int unused);
Bytes SetSysNum(BytesView systemNumber);

// The 21 figures of the printed report, in the order the command takes them.
using ReportFigures = std::array<double, 21>;
Bytes PrnRpt(BytesView systemNumber, BytesView cashier, BytesView start, BytesView end,
             const ReportFigures& figures);

Bytes CashInDrawer();
Bytes UploadPkg(int selector);
Bytes UploadPlu();
Bytes UploadTaxRate();
Bytes UploadDepartment();
Bytes UploadHeadMessage();
Bytes SetPrinterSpeed(int speed);
Bytes ServiceLogon(BytesView password);
Bytes ReturnPackage(double quantity, BytesView unit, double price, BytesView name);
Bytes PackagePayment(int unused);
Bytes SetClerkPwd(int clerk, BytesView password, BytesView name);
Bytes ClerkLogon(int clerk, BytesView password);

} // namespace fprn::texts

namespace fprn {

// Reply buffer size a command needs, by its two-character code: 512 for the dump and upload
// codes, -1 for the reports that return nothing, 100 for the rest. The whole text is compared.
int ReturnBufLength(BytesView code);

} // namespace fprn
