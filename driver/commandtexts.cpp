#include "commandtexts.h"

namespace fprn::texts {

using namespace fprn::fmt;

namespace {

// Quantity in thousandths as "%9.9d", price in hundredths as "%.10d".
Bytes QuantityField(double quantity) {
    return DecMin(ScaleRoundField(quantity, 1000, 9, "quantity"), 9);
}
Bytes PriceField(double price, std::string_view what) {
    return DecMin(ScaleRoundField(price, 100, 10, what), 10);
}

Bytes ItemText(const char* code, double quantity, BytesView unit, double price,
               BytesView department, BytesView name, int packageFlag, double packagePrice) {
    Bytes t = code;
    t += QuantityField(quantity);
    t += RightExact(CText(unit), 4);
    t += PriceField(price, "price");
    t += RightExact(CText(department), 2);
    t += Dec(packageFlag);
    t += PriceField(packagePrice, "return-package price");
    t += LeftMin(CText(name), 32);
    return t;
}

Bytes PackageText(const char* code, double quantity, BytesView unit, double price, BytesView name) {
    Bytes t = code;
    t += QuantityField(quantity);
    t += RightExact(CText(unit), 4);
    t += PriceField(price, "price");
    t += LeftMin(CText(name), 32);
    return t;
}

Bytes WithText(const char* code, BytesView text) {
    return Bytes(code) + Bytes(CText(text));
}

Bytes DumpText(const char* code, int address) {
    return Bytes(code) + HexMin(static_cast<std::uint32_t>(address), 5);
}

} // namespace

Bytes PrnProgramReport() {
    return "00";
}

Bytes SetHeadMessage(int line, int second, BytesView message) {
    return "01" + Dec(line) + Dec(second) + Bytes(CText(message));
}

Bytes SetDepartName(BytesView number, BytesView name, BytesView taxLetter) {
    return "02" + RightExact(CText(number), 2) + RightExact(CText(taxLetter), 1) +
           Bytes(CText(name));
}

Bytes SetVatRate(const std::array<int, 9>& rates, BytesView taxLetter) {
    Bytes t = "03";
    for (int rate : rates) t += rate == 255 ? Bytes(4, static_cast<char>(0xFF)) : DecMin(rate, 4);
    t += CText(taxLetter);
    return t;
}

Bytes SetTime(int hour, int minute, int second) {
    return "04" + DecMin(hour, 2) + DecMin(minute, 2) + DecMin(second, 2);
}

Bytes XReport(int type) {
    return "10" + DecMin(type, 1);
}
Bytes ZReport() {
    return "20";
}

Bytes MemReportByZNo(int type, int firstZ, int lastZ) {
    return "21" + DecMin(firstZ, 4) + DecMin(lastZ, 4) + DecMin(type, 1);
}

Bytes MemReportByDate(int type, int fromDay, int fromMonth, int fromYear, int toDay, int toMonth,
                      int toYear) {
    return "22" + DecMin(fromDay, 2) + DecMin(fromMonth, 2) + DecMin(fromYear, 2) +
           DecMin(toDay, 2) + DecMin(toMonth, 2) + DecMin(toYear, 2) + Dec(type);
}

Bytes MemReportMonthly(int type, int month, int year) {
    return "23" + DecMin(month, 2) + DecMin(year, 2) + Dec(type);
}

Bytes SaleItem(double quantity, BytesView unit, double price, BytesView department, BytesView name,
               int packageFlag, double packagePrice) {
    return ItemText("30", quantity, unit, price, department, name, packageFlag, packagePrice);
}

Bytes CancelItem(double quantity, BytesView unit, double price, BytesView department,
                 BytesView name, int packageFlag, double packagePrice) {
    return ItemText("31", quantity, unit, price, department, name, packageFlag, packagePrice);
}

Bytes Discount(int base, int value, bool discount, bool /*amount: same layout either way*/) {
    return Bytes(discount ? "32" : "38") + Dec(base) + DecMin(value, 4);
}

Bytes Payment(int type, BytesView name, double amount) {
    return "33" + Dec(type) + LeftMin(CText(name), 20) + Dec(ScaleRound(amount, 100, "amount"));
}

Bytes ReceiptClose(BytesView text) {
    return WithText("34", text);
}
Bytes ReceiveCash(double amount) {
    return "35" + Dec(ScaleRound(amount, 100, "amount"));
}
Bytes PaidOut(double amount) {
    return "36" + Dec(ScaleRound(amount, 100, "amount"));
}
Bytes ReceiptCancel(BytesView text) {
    return WithText("37", text);
}
Bytes PrintSubTotal() {
    return "39";
}
Bytes HardwareStatus() {
    return "40";
}
Bytes SoftwareStatus() {
    return "41";
}

Bytes SetDate(int day, int month, int year) {
    return "42" + DecMin(day, 2) + DecMin(month, 2) + DecMin(year, 2);
}

Bytes SRAMDump(int address) {
    return DumpText("44", address);
}
Bytes EPROMDump(int address) {
    return DumpText("45", address);
}
Bytes PrinterStatus() {
    return "47";
}
Bytes ROMDump(int address) {
    return DumpText("48", address);
}

Bytes InvoiceInfo(int first, int second, double firstAmount, double secondAmount) {
    return "638" + DecMin(first, 1) + DecMin(second, 6) +
           DecMin(ScaleRoundField(firstAmount, 1, 12, "first amount"), 12) +
           DecMin(ScaleRoundField(secondAmount, 1, 12, "second amount"), 12);
}

Bytes OpenDrawer() {
    return "82";
}
Bytes SkipPswdLogon(BytesView text) {
    return WithText("83", text);
}

Bytes SalePackage(double quantity, BytesView unit, double price, BytesView name) {
    return PackageText("84", quantity, unit, price, name);
}

Bytes SalePackagePayment(int /*unused*/) {
    return "850";
}
Bytes SetSysNum(BytesView systemNumber) {
    return "86" + RightExact(CText(systemNumber), 16);
}

Bytes PrnRpt(BytesView systemNumber, BytesView cashier, BytesView start, BytesView end,
             const ReportFigures& f) {
    Bytes t = "87";
    t += RightExact(CText(systemNumber), 6);
    t += RightExact(CText(cashier), 14);
    t += RightExact(CText(start), 12);
    t += RightExact(CText(end), 12);
    t += DecMin(ScaleRoundField(f[0], 100, 12, "cash at start"), 12);
    t += DecMin(ScaleRoundField(f[1], 100, 12, "cash at end"), 12);
    t += DecMin(ScaleRoundField(f[2], 1, 9, "receipt count"), 9);
    for (std::size_t pair = 0; pair < 9; ++pair) {
        double count = f[3 + 2 * pair];
        double amount = f[4 + 2 * pair];
        int countDigits = pair < 7 ? 4 : 8;
        t += DecMin(ScaleRoundField(count, 1, countDigits, "count"), countDigits);
        t += DecMin(ScaleRoundField(amount, 100, 12, "amount"), 12);
    }
    return t;
}

Bytes CashInDrawer() {
    return "88";
}

Bytes UploadPkg(int selector) {
    Bytes t = "89";
    // The text travels as a C string, so a zero selector byte ends it.
    char low = static_cast<char>(selector & 0xFF);
    if (low != '\0') t.push_back(low);
    return t;
}

Bytes UploadPlu() {
    return "90";
}
Bytes UploadTaxRate() {
    return "91";
}
Bytes UploadDepartment() {
    return "92";
}
Bytes UploadHeadMessage() {
    return "93";
}
Bytes SetPrinterSpeed(int speed) {
    return "94" + DecMin(speed, 1);
}
Bytes ServiceLogon(BytesView password) {
    return WithText("95", password);
}

Bytes ReturnPackage(double quantity, BytesView unit, double price, BytesView name) {
    return PackageText("96", quantity, unit, price, name);
}

Bytes PackagePayment(int /*unused*/) {
    return "970";
}

Bytes SetClerkPwd(int clerk, BytesView password, BytesView name) {
    return "98" + DecMin(clerk, 1) + LeftExact(CText(password), 3) + LeftExact(CText(name), 14);
}

Bytes ClerkLogon(int clerk, BytesView password) {
    return "99" + DecMin(clerk, 1) + Bytes(CText(password));
}

} // namespace fprn::texts

namespace fprn {

int ReturnBufLength(BytesView code) {
    static constexpr BytesView kLarge[] = {"45", "44", "48", "89", "90", "91", "92", "93"};
    for (BytesView c : kLarge)
        if (code == c) return 512;
    if (code == "10" || code == "20") return -1;
    return 100;
}

} // namespace fprn
