// The exported functions of the user driver library. Each command only builds its text and
// hands it to the transport; the transport never lets an exception out.
#include "commandtexts.h"
#include "include/tovarin.h"
#include "transport.h"

#include <array>

namespace {

// Module state of this library; the service library has its own.
fprn::Transport gTransport;

using fprn::BytesView;
namespace t = fprn::texts;

BytesView Text(const char* s) {
    return s ? BytesView(s) : BytesView();
}

template <class Build>
void Run(TFPrnResult* r, BytesView code, Build build, char* buf, int32_t* len) {
    gTransport.Run(r, code, build, buf, len);
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
int32_t isCommandExecuting(void) {
    return gTransport.IsCommandExecuting();
}

void ExecCommand(TFPrnResult* result, const char* text, char* buffer, int32_t* length) {
    gTransport.ExecCommand(result, Text(text), buffer, length);
}

int32_t GetReturnBufLength(const char* code) {
    return fprn::ReturnBufLength(Text(code));
}

void cmPrnProgramReport(TFPrnResult* r, char* buf, int32_t* len) {
    Run(
        r, "00", [] { return t::PrnProgramReport(); }, buf, len);
}

void cmSetHeadMessage(TFPrnResult* r, int32_t line, int32_t second, const char* message, char* buf,
                      int32_t* len) {
    Run(
        r, "01", [&] { return t::SetHeadMessage(line, second, Text(message)); }, buf, len);
}

void cmSetDepartName(TFPrnResult* r, const char* number, const char* name, const char* taxLetter,
                     char* buf, int32_t* len) {
    Run(
        r, "02", [&] { return t::SetDepartName(Text(number), Text(name), Text(taxLetter)); }, buf,
        len);
}

void cmSetVatRate(TFPrnResult* r, int32_t rate1, int32_t rate2, int32_t rate3, int32_t rate4,
                  int32_t rate5, int32_t rate6, int32_t rate7, int32_t rate8, int32_t rate9,
                  const char* taxLetter, char* buf, int32_t* len) {
    std::array<int, 9> rates{rate1, rate2, rate3, rate4, rate5, rate6, rate7, rate8, rate9};
    Run(
        r, "03", [&] { return t::SetVatRate(rates, Text(taxLetter)); }, buf, len);
}

void cmSetTime(TFPrnResult* r, int32_t hour, int32_t minute, int32_t second, char* buf,
               int32_t* len) {
    Run(
        r, "04", [&] { return t::SetTime(hour, minute, second); }, buf, len);
}

void cmXReport(TFPrnResult* r, int32_t type, char* buf, int32_t* len) {
    Run(
        r, "10", [&] { return t::XReport(type); }, buf, len);
}

void cmZReport(TFPrnResult* r, char* buf, int32_t* len) {
    Run(
        r, "20", [] { return t::ZReport(); }, buf, len);
}

void cmMemReportByZNo(TFPrnResult* r, int32_t type, int32_t firstZ, int32_t lastZ, char* buf,
                      int32_t* len) {
    Run(
        r, "21", [&] { return t::MemReportByZNo(type, firstZ, lastZ); }, buf, len);
}

void cmMemReportByDate(TFPrnResult* r, int32_t type, int32_t fromDay, int32_t fromMonth,
                       int32_t fromYear, int32_t toDay, int32_t toMonth, int32_t toYear, char* buf,
                       int32_t* len) {
    Run(
        r, "22",
        [&] {
            return t::MemReportByDate(type, fromDay, fromMonth, fromYear, toDay, toMonth, toYear);
        },
        buf, len);
}

void cmMemReportMonthly(TFPrnResult* r, int32_t type, int32_t month, int32_t year, char* buf,
                        int32_t* len) {
    Run(
        r, "23", [&] { return t::MemReportMonthly(type, month, year); }, buf, len);
}

void cmSaleItem(TFPrnResult* r, double quantity, const char* unit, double price,
                const char* department, const char* name, int32_t packageFlag, double packagePrice,
                char* buf, int32_t* len) {
    Run(
        r, "30",
        [&] {
            return t::SaleItem(quantity, Text(unit), price, Text(department), Text(name),
                               packageFlag, packagePrice);
        },
        buf, len);
}

void cmCancelItem(TFPrnResult* r, double quantity, const char* unit, double price,
                  const char* department, const char* name, int32_t packageFlag,
                  double packagePrice, char* buf, int32_t* len) {
    Run(
        r, "31",
        [&] {
            return t::CancelItem(quantity, Text(unit), price, Text(department), Text(name),
                                 packageFlag, packagePrice);
        },
        buf, len);
}

void cmDiscount(TFPrnResult* r, int32_t base, int32_t value, unsigned char discount,
                unsigned char amount, char* buf, int32_t* len) {
    Run(
        r, discount ? "32" : "38",
        [&] { return t::Discount(base, value, discount != 0, amount != 0); }, buf, len);
}

void cmPayment(TFPrnResult* r, int32_t type, const char* name, double amount, char* buf,
               int32_t* len) {
    Run(
        r, "33", [&] { return t::Payment(type, Text(name), amount); }, buf, len);
}

void cmReceiptClose(TFPrnResult* r, const char* text, char* buf, int32_t* len) {
    Run(
        r, "34", [&] { return t::ReceiptClose(Text(text)); }, buf, len);
}

void cmReceiveCash(TFPrnResult* r, double amount, char* buf, int32_t* len) {
    Run(
        r, "35", [&] { return t::ReceiveCash(amount); }, buf, len);
}

void cmPaidOut(TFPrnResult* r, double amount, char* buf, int32_t* len) {
    Run(
        r, "36", [&] { return t::PaidOut(amount); }, buf, len);
}

void cmReceiptCancel(TFPrnResult* r, const char* text, char* buf, int32_t* len) {
    Run(
        r, "37", [&] { return t::ReceiptCancel(Text(text)); }, buf, len);
}

void cmPrintSubTotal(TFPrnResult* r, char* buf, int32_t* len) {
    Run(
        r, "39", [] { return t::PrintSubTotal(); }, buf, len);
}

void cmHardwareStatus(TFPrnResult* r, char* buf, int32_t* len) {
    Run(
        r, "40", [] { return t::HardwareStatus(); }, buf, len);
}

void cmSoftwareStatus(TFPrnResult* r, char* buf, int32_t* len) {
    Run(
        r, "41", [] { return t::SoftwareStatus(); }, buf, len);
}

void cmSetDate(TFPrnResult* r, int32_t day, int32_t month, int32_t year, char* buf, int32_t* len) {
    Run(
        r, "42", [&] { return t::SetDate(day, month, year); }, buf, len);
}

void cmSRAMDump(TFPrnResult* r, int32_t address, char* buf, int32_t* len) {
    Run(
        r, "44", [&] { return t::SRAMDump(address); }, buf, len);
}

void cmEPROMDump(TFPrnResult* r, int32_t address, char* buf, int32_t* len) {
    Run(
        r, "45", [&] { return t::EPROMDump(address); }, buf, len);
}

void cmPrinterStatus(TFPrnResult* r, char* buf, int32_t* len) {
    Run(
        r, "47", [] { return t::PrinterStatus(); }, buf, len);
}

void cmROMDump(TFPrnResult* r, int32_t address, char* buf, int32_t* len) {
    Run(
        r, "48", [&] { return t::ROMDump(address); }, buf, len);
}

void cmInvoiceInfo(TFPrnResult* r, int32_t first, int32_t second, double firstAmount,
                   double secondAmount, char* buf, int32_t* len) {
    Run(
        r, "63", [&] { return t::InvoiceInfo(first, second, firstAmount, secondAmount); }, buf,
        len);
}

void cmOpenDrawer(TFPrnResult* r, char* buf, int32_t* len) {
    Run(
        r, "82", [] { return t::OpenDrawer(); }, buf, len);
}

void cmSkipPswdLogon(TFPrnResult* r, const char* text, char* buf, int32_t* len) {
    Run(
        r, "83", [&] { return t::SkipPswdLogon(Text(text)); }, buf, len);
}

void cmSalePackage(TFPrnResult* r, double quantity, const char* unit, double price,
                   const char* name, char* buf, int32_t* len) {
    Run(
        r, "84", [&] { return t::SalePackage(quantity, Text(unit), price, Text(name)); }, buf, len);
}

void cmSalePackagePayment(TFPrnResult* r, int32_t unused, char* buf, int32_t* len) {
    Run(
        r, "85", [&] { return t::SalePackagePayment(unused); }, buf, len);
}

void cmSetSysNum(TFPrnResult* r, const char* systemNumber, char* buf, int32_t* len) {
    Run(
        r, "86", [&] { return t::SetSysNum(Text(systemNumber)); }, buf, len);
}

void cmPrnRpt(TFPrnResult* r, const char* systemNumber, const char* cashier, const char* start,
              const char* end, double cashStart, double cashEnd, double receipts,
              double paidInCount, double paidInAmount, double paidOutCount, double paidOutAmount,
              double cashCount, double cashAmount, double cardCount, double cardAmount,
              double chequeCount, double chequeAmount, double discountCount, double discountAmount,
              double increaseCount, double increaseAmount, double packageSaleCount,
              double packageSaleAmount, double packageTakeCount, double packageTakeAmount,
              char* buf, int32_t* len) {
    t::ReportFigures figures{
        cashStart,        cashEnd,        receipts,         paidInCount,       paidInAmount,
        paidOutCount,     paidOutAmount,  cashCount,        cashAmount,        cardCount,
        cardAmount,       chequeCount,    chequeAmount,     discountCount,     discountAmount,
        increaseCount,    increaseAmount, packageSaleCount, packageSaleAmount, packageTakeCount,
        packageTakeAmount};
    Run(
        r, "87",
        [&] {
            return t::PrnRpt(Text(systemNumber), Text(cashier), Text(start), Text(end), figures);
        },
        buf, len);
}

void cmCashInDrawer(TFPrnResult* r, char* buf, int32_t* len) {
    Run(
        r, "88", [] { return t::CashInDrawer(); }, buf, len);
}

void cmUploadPkg(TFPrnResult* r, int32_t selector, char* buf, int32_t* len) {
    gTransport.Run(
        r, "89", [&] { return t::UploadPkg(selector); }, buf, len,
        fprn::Transport::Upload::Package);
}

void cmUploadPlu(TFPrnResult* r, char* buf, int32_t* len) {
    gTransport.Run(
        r, "90", [] { return t::UploadPlu(); }, buf, len, fprn::Transport::Upload::Plu);
}

void cmUploadTaxRate(TFPrnResult* r, char* buf, int32_t* len) {
    Run(
        r, "91", [] { return t::UploadTaxRate(); }, buf, len);
}

void cmUploadDepartment(TFPrnResult* r, char* buf, int32_t* len) {
    Run(
        r, "92", [] { return t::UploadDepartment(); }, buf, len);
}

void cmUploadHeadMessage(TFPrnResult* r, char* buf, int32_t* len) {
    Run(
        r, "93", [] { return t::UploadHeadMessage(); }, buf, len);
}

void cmSetPrinterSpeed(TFPrnResult* r, int32_t speed, char* buf, int32_t* len) {
    Run(
        r, "94", [&] { return t::SetPrinterSpeed(speed); }, buf, len);
}

void cmServiceLogon(TFPrnResult* r, const char* password, char* buf, int32_t* len) {
    Run(
        r, "95", [&] { return t::ServiceLogon(Text(password)); }, buf, len);
}

void cmReturnPackage(TFPrnResult* r, double quantity, const char* unit, double price,
                     const char* name, char* buf, int32_t* len) {
    Run(
        r, "96", [&] { return t::ReturnPackage(quantity, Text(unit), price, Text(name)); }, buf,
        len);
}

void cmPackagePayment(TFPrnResult* r, int32_t unused, char* buf, int32_t* len) {
    Run(
        r, "97", [&] { return t::PackagePayment(unused); }, buf, len);
}

void cmSetClerkPwd(TFPrnResult* r, int32_t clerk, const char* password, const char* name, char* buf,
                   int32_t* len) {
    Run(
        r, "98", [&] { return t::SetClerkPwd(clerk, Text(password), Text(name)); }, buf, len);
}

void cmClerkLogon(TFPrnResult* r, int32_t clerk, const char* password, char* buf, int32_t* len) {
    Run(
        r, "99", [&] { return t::ClerkLogon(clerk, Text(password)); }, buf, len);
}

} // extern "C"
