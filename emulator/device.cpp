#include "device.h"

#include "textformat.h"

#include <algorithm>
#include <cctype>
#include <ctime>

namespace fprn::emu {

namespace {

// The printer's error numbers ("E0nn"), named for the refusals that use them (device.h).
enum Error {
    kUnknownCommand = 1,
    kLength = 2,
    kCharacters = 3,
    kSequence = 5,
    kFiscalMemoryFull = 7,
    kHeadLine = 10,
    kTaxLetter = 11,
    kTimeCharacters = 12,
    kHour = 13,
    kMinute = 14,
    kSecond = 15,
    kQuantityCharacters = 16,
    kPriceCharacters = 18,
    kDepartment = 19,
    kReceiptDigits = 21,
    kDrawerDigits = 22,
    kAboveSale = 23,
    kDiscountCharacters = 24,
    kDiscountParameter = 25,
    kPaymentParameter = 26,
    kPaymentCharacters = 27,
    kPaymentNotPermitted = 28,
    kCashInCharacters = 29,
    kPaidOutCharacters = 30,
    kAboveDrawer = 31,
    kZReportCharacters = 32,
    kZReportRange = 33,
    kReportCharacters = 36,
    kReportDate1 = 37,
    kReportDate2 = 38,
    kDateCharacters = 41,
    kMonth = 42,
    kDay = 43,
    kMemoryDumpAddress = 44,
    kInvoiceMode = 45,
    kInvoiceData = 46,
    kPostponedFull = 47,
    kAlreadyFiscal = 53,
    kSetClerk = 64,
    kClerkLogon = 65,
    kClerkNumber = 66,
    kServicePassword = 67,
    kTaxRateCharacters = 71,
    kPackagePriceCharacters = 76,
    kPackages = 77,
    kSramDumpAddress = 81,
};

constexpr std::int64_t kMaxAmount = 999'999'999'999; // the 12 digits of the status fields
constexpr std::size_t kMaxPlus = 500;
constexpr std::size_t kMaxPackages = 100;
constexpr std::uint32_t kMemorySize = 0x100000; // what five hexadecimal digits address
constexpr std::size_t kDumpBytes = 510;         // "O0" and this fill the 512-byte buffer
constexpr std::size_t kPlusPerFrame = 4;
constexpr std::size_t kPackagesPerFrame = 4;

// Ends a command with an error reply.
struct Refusal {
    Bytes payload;
};

[[noreturn]] void Refuse(int error) {
    throw Refusal{Bytes("E0") + fmt::DecMin(error, 2)};
}

BytesView Field(BytesView text, std::size_t pos, std::size_t len) {
    if (text.size() < pos + len) Refuse(kLength);
    return text.substr(pos, len);
}

BytesView Rest(BytesView text, std::size_t pos) {
    if (text.size() < pos) Refuse(kLength);
    return text.substr(pos);
}

// Decimal digits; `error` names the field when it holds anything else.
std::int64_t Number(BytesView digits, int error = kCharacters) {
    if (digits.empty()) Refuse(kLength);
    if (digits.size() > 18) Refuse(error);
    std::int64_t value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') Refuse(error);
        value = value * 10 + (c - '0');
    }
    return value;
}

Bytes TrimRight(BytesView text) {
    auto end = text.find_last_not_of(' ');
    return Bytes(end == BytesView::npos ? BytesView() : text.substr(0, end + 1));
}

Bytes TrimBoth(BytesView text) {
    auto begin = text.find_first_not_of(' ');
    if (begin == BytesView::npos) return {};
    return TrimRight(text.substr(begin));
}

Bytes Cut(BytesView text, std::size_t width) {
    return Bytes(text.substr(0, width));
}

// A text field of the upload replies: the text, then zero bytes up to the width.
Bytes ZeroPadded(BytesView text, std::size_t width) {
    Bytes out = Cut(text, width);
    out.resize(width, '\0');
    return out;
}

void AppendBigEndian(Bytes& out, std::uint64_t value, int width) {
    for (int i = width - 1; i >= 0; --i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// quantity in thousandths times price in hundredths gives hundredths, rounded half up.
std::int64_t LineAmount(std::int64_t quantity, std::int64_t price) {
    auto product = static_cast<__int128>(quantity) * price;
    auto amount = (product + 500) / 1000;
    if (amount > kMaxAmount) Refuse(kReceiptDigits);
    return static_cast<std::int64_t>(amount);
}

std::tm PrinterTime(std::int64_t offset) {
    std::time_t t = std::time(nullptr) + static_cast<std::time_t>(offset);
    std::tm out{};
    gmtime_r(&t, &out);
    return out;
}

std::int64_t OffsetFor(std::tm wanted) {
    return static_cast<std::int64_t>(timegm(&wanted)) -
           static_cast<std::int64_t>(std::time(nullptr));
}

bool ValidDate(int day, int month, int year) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12 || day < 1) return false;
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return day <= kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

unsigned char MemoryByte(int code, std::uint32_t address) {
    switch (code) {
    case 44:
        return static_cast<unsigned char>(address); // RAM test pattern
    case 45:
        return static_cast<unsigned char>((address * 7) ^ 0x5A); // fiscal memory
    default:
        return static_cast<unsigned char>((address >> 8) ^ (address * 13)); // program ROM
    }
}

int DepartmentNumber(BytesView field) {
    Bytes trimmed = TrimBoth(field);
    auto number = Number(trimmed, kDepartment);
    if (number < 1 || number > 9) Refuse(kDepartment);
    return static_cast<int>(number);
}

char TaxLetter(BytesView field) {
    char letter = field.empty() ? '\0' : field[0];
    if (letter < 'A' || letter > 'I') Refuse(kTaxLetter);
    return letter;
}

// The printed report's fields after the code: system number (6), cashier (14), period start
// and end (12 each: digits, or blanks for none), then the figures, all digits: cash at start
// and end (12 each), receipts (9), seven count-and-amount pairs (4 + 12) and two (8 + 12).
constexpr std::size_t kPrintedReportLength = 231;
constexpr std::size_t kPeriodAt = 22, kFiguresAt = 46;

void CheckPrintedReport(BytesView text) {
    if (text.size() < kPrintedReportLength) Refuse(kLength);
    if (text.size() > kPrintedReportLength) Refuse(kCharacters);
    BytesView period = text.substr(kPeriodAt, kFiguresAt - kPeriodAt);
    for (std::size_t k = 0; k < period.size(); k += 12) {
        BytesView one = period.substr(k, 12);
        bool blank = one.find_first_not_of(' ') == BytesView::npos;
        if (!blank && one.find_first_not_of("0123456789") != BytesView::npos) Refuse(kCharacters);
    }
    if (text.substr(kFiguresAt).find_first_not_of("0123456789") != BytesView::npos)
        Refuse(kCharacters);
}

} // namespace

PrinterState FactoryState() {
    PrinterState s;
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    s.clockOffset = local.tm_gmtoff;
    // The serial number comes from the factory; the tax identification from the service.
    s.idCode = "DEM";
    s.idNumber = "00012345";

    const char* headers[5] = {"         DEMO SHOP", "      1 MARKET STREET",
                              "      OPEN 8:00-20:00", "", "   THANK YOU, COME AGAIN"};
    for (int i = 0; i < 5; ++i) s.headers[i] = Header{'0', headers[i]};

    const char* departments[9] = {"GROCERY", "DAIRY",    "BAKERY",  "DRINKS", "HOUSEHOLD",
                                  "BOOKS",   "SERVICES", "TOBACCO", "OTHER"};
    const char letters[9] = {'B', 'B', 'C', 'A', 'A', 'C', 'A', 'A', 'E'};
    for (int i = 0; i < 9; ++i) s.departments[i] = Department{letters[i], departments[i]};

    s.vatRates = {23, 8, 5, 0}; // the others not set
    s.exemptLetter = 'E';
    for (int i = 0; i < 9; ++i) s.clerks[i] = Clerk{"000", "CLERK " + fmt::Dec(i + 1)};

    s.plus = {
        {"BREAD", "5900000000011", 250, 500, 0},
        {"MILK 1L", "5900000000028", 319, 500, 0},
        {"APPLES", "5900000000035", 449, 500, 0},
        {"MINERAL WATER 0.5L", "5900000000042", 199, 800, 0},
        {"COFFEE 250G", "5900000000059", 1299, 2300, 0},
        {"NEWSPAPER", "5900000000066", 350, 10000, 0},
    };
    s.packages = {
        {"BOTTLE 0.5L", 50, 0, 0, 0, 0},
        {"CRATE", 1500, 0, 0, 0, 0},
        {"KEG 30L", 15000, 0, 0, 0, 0},
    };
    return s;
}

std::string_view CommandName(BytesView text) {
    struct Entry {
        const char* code;
        const char* name;
    };
    static constexpr Entry kNames[] = {
        {"00", "program report"},     {"01", "set head message"},
        {"02", "set department"},     {"03", "set VAT rates"},
        {"04", "set time"},           {"10", "X report"},
        {"20", "Z report"},           {"21", "report by Z number"},
        {"22", "report by date"},     {"23", "monthly report"},
        {"30", "sale item"},          {"31", "cancel item"},
        {"32", "discount"},           {"33", "payment"},
        {"34", "close receipt"},      {"35", "receive cash"},
        {"36", "paid out"},           {"37", "cancel receipt"},
        {"38", "increase"},           {"39", "subtotal"},
        {"40", "hardware status"},    {"41", "software status"},
        {"42", "set date"},           {"43", "SRAM erase"},
        {"44", "SRAM dump"},          {"45", "EPROM dump"},
        {"46", "enter fiscal mode"},  {"47", "printer status"},
        {"48", "ROM dump"},           {"50", "set ID"},
        {"52", "set tax ID"},         {"63", "invoice info"},
        {"82", "open drawer"},        {"83", "logon without password"},
        {"84", "sale package"},       {"85", "sale package payment"},
        {"86", "set system number"},  {"87", "printed report"},
        {"88", "cash in drawer"},     {"89", "upload packages"},
        {"90", "upload PLU"},         {"91", "upload tax rates"},
        {"92", "upload departments"}, {"93", "upload head messages"},
        {"94", "set printer speed"},  {"95", "service logon"},
        {"96", "return package"},     {"97", "package payment"},
        {"98", "set clerk password"}, {"99", "clerk logon"},
    };
    BytesView code = text.substr(0, 2);
    for (const auto& e : kNames)
        if (code == e.code) return e.name;
    return {};
}

Answer Device::Execute(BytesView text) {
    BytesView code = text.substr(0, 2);
    if (code == "89" || code == "90") {
        try {
            return Upload(text);
        } catch (const Refusal& r) {
            return Answer{{r.payload}, false};
        }
    }
    return Answer{{Run(text)}, false};
}

Answer Device::Upload(BytesView text) {
    auto& s = state_;
    Answer answer;
    answer.upload = true;
    if (text.substr(0, 2) == "90") {
        for (std::size_t i = 0; i < s.plus.size(); i += kPlusPerFrame) {
            Bytes frame;
            for (std::size_t k = i; k < std::min(s.plus.size(), i + kPlusPerFrame); ++k) {
                const auto& p = s.plus[k];
                frame += ZeroPadded(p.name, 32);
                auto clamp = [](std::int64_t v) {
                    return static_cast<std::uint64_t>(std::clamp<std::int64_t>(v, 0, 0xFFFE));
                };
                AppendBigEndian(frame, clamp(p.price), 2);
                AppendBigEndian(frame, p.taxRate < 0 ? 0xFFFF : clamp(p.taxRate), 2);
                AppendBigEndian(frame, clamp((p.sold + 5) / 10), 2);
                for (int v = 0; v < 3; ++v) AppendBigEndian(frame, 0xFFFF, 2);
                frame += ZeroPadded(p.barcode, 20);
            }
            answer.payloads.push_back(std::move(frame));
        }
    } else {
        char selector = text.size() > 2 ? text[2] : '0';
        if (selector != '0' && selector != '1') Refuse(kCharacters);
        for (std::size_t i = 0; i < s.packages.size(); i += kPackagesPerFrame) {
            Bytes frame;
            for (std::size_t k = i; k < std::min(s.packages.size(), i + kPackagesPerFrame); ++k) {
                const auto& p = s.packages[k];
                frame += ZeroPadded(p.name, 32);
                AppendBigEndian(frame, static_cast<std::uint64_t>(p.price), 6);
                AppendBigEndian(frame, static_cast<std::uint64_t>(p.soldQty), 4);
                AppendBigEndian(frame, static_cast<std::uint64_t>(p.soldAmount), 6);
                AppendBigEndian(frame, static_cast<std::uint64_t>(p.returnedQty), 4);
                AppendBigEndian(frame, static_cast<std::uint64_t>(p.returnedAmount), 6);
            }
            answer.payloads.push_back(std::move(frame));
        }
        // "Is Clear": the counters start again once they have been read.
        if (selector == '1')
            for (auto& p : s.packages) p = PackageRecord{p.name, p.price};
    }
    answer.payloads.push_back(kUploadEnd);
    return answer;
}

bool SetHardwareCheck(HardwareChecks& checks, std::string_view assignment, std::string* why) {
    auto refuse = [why](std::string text) {
        if (why) *why = std::move(text);
        return false;
    };
    auto eq = assignment.find('=');
    if (eq == std::string_view::npos) return refuse("NAME=VALUE expected");
    std::string_view name = assignment.substr(0, eq), value = assignment.substr(eq + 1);
    const std::string quoted = "\"" + std::string(value) + "\"";
    const std::pair<std::string_view, char HardwareChecks::*> bytes[] = {
        {"battery", &HardwareChecks::batteryState},
        {"pin", &HardwareChecks::resetPin},
        {"memtest", &HardwareChecks::memoryTest},
        {"damaged", &HardwareChecks::recordsDamaged},
        {"ram", &HardwareChecks::ramCheck},
        {"flash", &HardwareChecks::flashCheck},
        {"fiscalmem", &HardwareChecks::fiscalMemoryCheck},
        {"supermode", &HardwareChecks::superMode},
        {"checksum", &HardwareChecks::ramChecksum}};
    for (auto [key, member] : bytes) {
        if (name != key) continue;
        if (value.size() != 1)
            return refuse(std::string(key) + " takes one character, not " + quoted);
        checks.*member = value[0];
        return true;
    }
    auto digits = [](std::string_view v) {
        return !v.empty() && v.find_first_not_of("0123456789") == std::string_view::npos;
    };
    if (name == "voltage") {
        if (value.size() != 2 || !digits(value))
            return refuse("voltage takes two digits, not " + quoted);
        checks.batteryVoltage = {value[0], value[1]};
        return true;
    }
    if (name == "buffer") {
        if (value.size() > 3 || !digits(value))
            return refuse("buffer takes a number from 0 to 999, not " + quoted);
        checks.printBufferLeft = std::stoi(std::string(value));
        return true;
    }
    if (name == "version") {
        if (value.size() != 4) return refuse("version takes four characters, not " + quoted);
        checks.version = Bytes(value);
        return true;
    }
    return refuse("no check is named \"" + std::string(name) +
                  "\" (battery, pin, memtest, damaged, ram, flash, fiscalmem, supermode, "
                  "checksum, voltage, buffer, version)");
}

Bytes Device::Run(BytesView text) {
    auto& s = state_;
    const HardwareChecks& hw = s.hardware;
    auto notInReceipt = [&] {
        if (s.receiptOpen) Refuse(kSequence);
    };
    auto needReceipt = [&] {
        if (!s.receiptOpen) Refuse(kSequence);
    };
    auto openReceipt = [&] {
        if (s.receiptOpen) return;
        s.receiptOpen = true;
        s.receiptNumber = s.receiptNumber % 999999 + 1;
        s.returnReceipt = false;
        s.subtotal = s.paid = s.paidNonCash = 0;
        s.lines.clear();
        s.counted.clear();
        s.paymentStarted = false;
    };
    auto closeReceipt = [&] {
        s.receiptOpen = s.returnReceipt = false;
        s.subtotal = s.paid = s.paidNonCash = 0;
        s.lines.clear();
        s.counted.clear();
        s.paymentStarted = false;
    };
    auto findPlu = [&](const Bytes& name) {
        return std::find_if(s.plus.begin(), s.plus.end(),
                            [&](const PluRecord& p) { return p.name == name; });
    };
    auto findPackage = [&](const Bytes& name) {
        return std::find_if(s.packages.begin(), s.packages.end(),
                            [&](const PackageRecord& p) { return p.name == name; });
    };
    // Latest first, so that each change meets the record as it left it.
    auto takeBackCounted = [&] {
        using Record = CountedChange::Record;
        auto less = [](std::int64_t& v, std::int64_t by) { v = std::max<std::int64_t>(0, v - by); };
        for (auto c = s.counted.rbegin(); c != s.counted.rend(); ++c) {
            if (c->record == Record::Item) {
                if (auto plu = findPlu(c->name); plu != s.plus.end()) less(plu->sold, c->quantity);
                continue;
            }
            auto package = findPackage(c->name);
            if (package == s.packages.end()) continue;
            bool sold = c->record == Record::PackageSold;
            less(sold ? package->soldQty : package->returnedQty, c->quantity);
            less(sold ? package->soldAmount : package->returnedAmount, c->amount);
        }
    };
    // Sales, payments and the sale's close have no place in a return receipt.
    auto saleReceipt = [&] {
        if (s.receiptOpen && s.returnReceipt) Refuse(kSequence);
    };
    auto addToSubtotal = [&](std::int64_t amount) {
        if (s.subtotal + amount > kMaxAmount) Refuse(kReceiptDigits);
        s.subtotal += amount;
    };
    const Bytes ok = "O0";

    try {
        if (text.size() < 2 || !std::isdigit(static_cast<unsigned char>(text[0])) ||
            !std::isdigit(static_cast<unsigned char>(text[1])))
            Refuse(kUnknownCommand);
        auto code = Number(text.substr(0, 2));
        switch (code) {
        case 0: // program report
            notInReceipt();
            return ok;
        case 87: // printed report
            notInReceipt();
            CheckPrintedReport(text);
            return ok;

        case 1: { // head message: line digit, second digit, text
            notInReceipt();
            auto line = Number(Field(text, 2, 1), kHeadLine);
            char second = Field(text, 3, 1)[0];
            if (line < 1 || line > 5) Refuse(kHeadLine);
            if (second < '0' || second > '9') Refuse(kCharacters);
            s.headers[line - 1] = Header{second, Cut(Rest(text, 4), 32)};
            return ok;
        }
        case 2: { // department: number, tax letter, name
            notInReceipt();
            int number = DepartmentNumber(Field(text, 2, 2));
            char letter = TaxLetter(Field(text, 4, 1));
            s.departments[number - 1] = Department{letter, Cut(Rest(text, 5), 20)};
            return ok;
        }
        case 3: { // nine rates (four digits, or four 0xFF bytes for none), exempt letter
            notInReceipt();
            if (s.salesSinceZ) Refuse(kSequence);
            std::array<std::optional<int>, 9> rates;
            for (int k = 0; k < 9; ++k) {
                auto field = Field(text, 2 + 4 * k, 4);
                if (field == BytesView("\xFF\xFF\xFF\xFF", 4)) continue;
                rates[k] = static_cast<int>(Number(field, kTaxRateCharacters));
            }
            char letter = TaxLetter(Field(text, 38, 1));
            s.vatRates = rates;
            s.exemptLetter = letter;
            return ok;
        }
        case 4: { // time hhmmss
            notInReceipt();
            auto hour = Number(Field(text, 2, 2), kTimeCharacters);
            auto minute = Number(Field(text, 4, 2), kTimeCharacters);
            auto second = Number(Field(text, 6, 2), kTimeCharacters);
            if (hour > 23) Refuse(kHour);
            if (minute > 59) Refuse(kMinute);
            if (second > 59) Refuse(kSecond);
            std::tm t = PrinterTime(s.clockOffset);
            t.tm_hour = static_cast<int>(hour);
            t.tm_min = static_cast<int>(minute);
            t.tm_sec = static_cast<int>(second);
            s.clockOffset = OffsetFor(t);
            return ok;
        }
        case 42: { // date ddmmyy
            notInReceipt();
            auto day = Number(Field(text, 2, 2), kDateCharacters);
            auto month = Number(Field(text, 4, 2), kDateCharacters);
            auto year = 2000 + Number(Field(text, 6, 2), kDateCharacters);
            if (month < 1 || month > 12) Refuse(kMonth);
            if (!ValidDate(static_cast<int>(day), static_cast<int>(month), static_cast<int>(year)))
                Refuse(kDay);
            std::tm t = PrinterTime(s.clockOffset);
            t.tm_mday = static_cast<int>(day);
            t.tm_mon = static_cast<int>(month - 1);
            t.tm_year = static_cast<int>(year - 1900);
            s.clockOffset = OffsetFor(t);
            return ok;
        }
        case 10: // X report with its type digit
            notInReceipt();
            Number(Field(text, 2, 1));
            return ok;
        case 20: // Z report
            notInReceipt();
            if (s.lastZ >= s.zCapacity) Refuse(kFiscalMemoryFull);
            ++s.lastZ;
            s.salesSinceZ = false;
            s.takingsSinceZ = 0;
            return ok;
        case 21: { // fiscal memory by Z numbers: first, last, type
            notInReceipt();
            auto first = Number(Field(text, 2, 4), kZReportCharacters);
            auto last = Number(Field(text, 6, 4), kZReportCharacters);
            Number(Field(text, 10, 1), kZReportCharacters);
            if (first > last) Refuse(kZReportRange);
            return ok;
        }
        case 22: { // fiscal memory by dates: ddmmyy ddmmyy type
            notInReceipt();
            for (int k = 0; k < 2; ++k) {
                auto day = Number(Field(text, 2 + 6 * k, 2), kReportCharacters);
                auto month = Number(Field(text, 4 + 6 * k, 2), kReportCharacters);
                auto year = 2000 + Number(Field(text, 6 + 6 * k, 2), kReportCharacters);
                if (!ValidDate(static_cast<int>(day), static_cast<int>(month),
                               static_cast<int>(year)))
                    Refuse(k == 0 ? kReportDate1 : kReportDate2);
            }
            Number(Field(text, 14, 1), kReportCharacters);
            return ok;
        }
        case 23: { // monthly: mm yy type
            notInReceipt();
            auto month = Number(Field(text, 2, 2), kReportCharacters);
            Number(Field(text, 4, 2), kReportCharacters);
            Number(Field(text, 6, 1), kReportCharacters);
            if (month < 1 || month > 12) Refuse(kReportDate1);
            return ok;
        }

        case 30:   // sale
        case 31: { // cancellation: quantity, unit, price, department, flag, package price, name
            auto quantity = Number(Field(text, 2, 9), kQuantityCharacters);
            auto price = Number(Field(text, 15, 10), kPriceCharacters);
            int department = DepartmentNumber(Field(text, 25, 2));
            char flag = Field(text, 27, 1)[0];
            auto packagePrice = Number(Field(text, 28, 10), kPackagePriceCharacters);
            Bytes name = Cut(TrimRight(Rest(text, 38)), 32);
            if (flag != '0' && flag != '1') Refuse(kCharacters);
            auto amount = LineAmount(quantity, price);
            if (flag == '1') amount += LineAmount(quantity, packagePrice);
            if (s.paymentStarted && s.receiptOpen) Refuse(kSequence);
            saleReceipt();
            auto plu = findPlu(name);
            if (code == 30) {
                openReceipt();
                addToSubtotal(amount);
                s.lines.push_back(amount);
                s.salesSinceZ = true;
                if (plu != s.plus.end()) {
                    plu->sold += quantity;
                } else if (s.plus.size() < kMaxPlus) {
                    const auto& dep = s.departments[department - 1];
                    auto rate = s.vatRates[dep.taxLetter - 'A'];
                    int taxRate = dep.taxLetter == s.exemptLetter ? 10000 : rate ? *rate * 100 : -1;
                    s.plus.push_back(PluRecord{name, "", price, taxRate, quantity});
                } else {
                    return ok;
                }
                s.counted.push_back({CountedChange::Record::Item, name, quantity});
            } else {
                needReceipt();
                if (amount > s.subtotal) Refuse(kAboveSale);
                s.subtotal -= amount;
                // The last line of that amount goes.
                auto line = std::find(s.lines.rbegin(), s.lines.rend(), amount);
                if (line != s.lines.rend()) s.lines.erase(std::next(line).base());
                if (plu != s.plus.end()) {
                    auto before = plu->sold;
                    plu->sold = std::max<std::int64_t>(0, plu->sold - quantity);
                    s.counted.push_back({CountedChange::Record::Item, name, plu->sold - before});
                }
            }
            return ok;
        }
        case 32:   // discount
        case 38: { // increase: base digit (0 the last sold line, 1 the subtotal), value in
                   // hundredths of a percent
            auto base = Number(Field(text, 2, 1), kDiscountParameter);
            auto value = Number(Rest(text, 3), kDiscountCharacters);
            needReceipt();
            saleReceipt();
            if (s.paymentStarted) Refuse(kSequence);
            if (base > 1 || (code == 32 && value > 10000)) Refuse(kDiscountParameter);
            std::int64_t* line = base == 0 && !s.lines.empty() ? &s.lines.back() : nullptr;
            std::int64_t changed = base == 1 ? s.subtotal : line ? *line : 0;
            auto change =
                static_cast<std::int64_t>((static_cast<__int128>(changed) * value + 5000) / 10000);
            if (code == 32) {
                s.subtotal -= change;
                if (line) *line -= change;
            } else {
                addToSubtotal(change);
                if (line) *line += change;
            }
            return ok;
        }
        case 33: { // payment: type digit, name, amount in hundredths
            auto type = Number(Field(text, 2, 1), kPaymentParameter);
            Field(text, 3, 20);
            auto amount = Number(Rest(text, 23), kPaymentCharacters);
            needReceipt();
            saleReceipt();
            if (amount > kMaxAmount) Refuse(kReceiptDigits);
            // Cards and cheques give no change: nothing more is taken once they cover the sale.
            if (type != 0 && s.paidNonCash + amount > s.subtotal) Refuse(kPaymentNotPermitted);
            s.paid += amount;
            if (type != 0) s.paidNonCash += amount;
            s.paymentStarted = true;
            return ok;
        }
        case 34:   // close: what cards and cheques did not cover was paid in cash
        case 85: { // package sale payment, the same
            needReceipt();
            saleReceipt();
            s.drawer = std::min(kMaxAmount,
                                s.drawer + std::max<std::int64_t>(0, s.subtotal - s.paidNonCash));
            s.takingsSinceZ = std::min(kMaxAmount, s.takingsSinceZ + s.subtotal);
            closeReceipt();
            return ok;
        }
        case 97: // package return payment: out of the drawer
            needReceipt();
            if (!s.returnReceipt) Refuse(kSequence);
            if (s.subtotal > s.drawer) Refuse(kPaymentNotPermitted);
            s.drawer -= s.subtotal;
            closeReceipt();
            return ok;
        case 37: // cancel receipt
            needReceipt();
            takeBackCounted();
            closeReceipt();
            return ok;
        case 63: { // invoice info "8", mode, slot (6), total (12), tax (12)
            if (Number(Field(text, 2, 1)) != 8) Refuse(kCharacters);
            auto mode = Number(Field(text, 3, 1), kInvoiceMode);
            auto slot = Number(Field(text, 4, 6), kInvoiceData);
            auto total = Number(Field(text, 10, 12), kInvoiceData);
            auto tax = Number(Field(text, 22, 12), kInvoiceData);
            if (mode > 1) Refuse(kInvoiceMode);
            if (slot < 1 || slot > 3) Refuse(kInvoiceData);
            auto& held = s.postponed[static_cast<std::size_t>(slot - 1)];
            if (mode == 0) {
                needReceipt();
                saleReceipt();
                if (s.paymentStarted) Refuse(kSequence);
                if (held.held) Refuse(kPostponedFull);
                held = {true, total, tax, s.subtotal, s.lines, s.receiptNumber, s.counted};
                closeReceipt();
            } else {
                notInReceipt();
                if (!held.held || held.total != total || held.tax != tax) Refuse(kInvoiceData);
                closeReceipt();
                s.receiptOpen = true;
                s.receiptNumber = held.receiptNumber;
                s.subtotal = held.subtotal;
                s.lines = held.lines;
                s.counted = held.counted;
                held = {};
            }
            return ok;
        }
        case 39: // subtotal
            needReceipt();
            return ok + fmt::DecMin(s.subtotal, 12);
        case 35:   // cash in
        case 36: { // cash out
            notInReceipt();
            auto amount =
                Number(Rest(text, 2), code == 35 ? kCashInCharacters : kPaidOutCharacters);
            if (code == 35) {
                if (s.drawer + amount > kMaxAmount) Refuse(kDrawerDigits);
                s.drawer += amount;
            } else {
                if (amount > s.drawer) Refuse(kAboveDrawer);
                s.drawer -= amount;
            }
            return ok;
        }
        case 88:
            return ok + fmt::DecMin(s.drawer, 12);
        case 82: // drawer
        case 83: // logon without password
            return ok;

        case 84:   // sale of a package
        case 96: { // return of a package: quantity, unit, price, name
            auto quantity = Number(Field(text, 2, 9), kQuantityCharacters);
            auto price = Number(Field(text, 15, 10), kPackagePriceCharacters);
            Bytes name = Cut(TrimRight(Rest(text, 25)), 32);
            auto amount = LineAmount(quantity, price);
            auto package = findPackage(name);
            if (package == s.packages.end()) {
                if (s.packages.size() >= kMaxPackages) Refuse(kPackages);
            }
            if (code == 84) {
                if (s.paymentStarted && s.receiptOpen) Refuse(kSequence);
                saleReceipt();
                openReceipt();
                addToSubtotal(amount);
                s.salesSinceZ = true;
            } else if (!s.receiptOpen || s.returnReceipt) {
                // A return of its own: what the drawer pays out at 97.
                if (!s.receiptOpen) {
                    openReceipt();
                    s.returnReceipt = true;
                }
                addToSubtotal(amount);
            } else {
                if (s.paymentStarted) Refuse(kSequence);
                if (amount > s.subtotal) Refuse(kAboveSale);
                s.subtotal -= amount;
            }
            if (package == s.packages.end()) {
                s.packages.push_back(PackageRecord{name, price});
                package = s.packages.end() - 1;
            }
            package->price = price;
            auto& qty = code == 84 ? package->soldQty : package->returnedQty;
            auto& sum = code == 84 ? package->soldAmount : package->returnedAmount;
            // The upload fields are 4 and 6 bytes wide.
            auto qtyBefore = qty, sumBefore = sum;
            qty = std::min<std::int64_t>(qty + quantity, 0xFFFFFFFE);
            sum = std::min<std::int64_t>(sum + amount, 0xFFFFFFFFFFFE);
            s.counted.push_back({code == 84 ? CountedChange::Record::PackageSold
                                            : CountedChange::Record::PackageReturned,
                                 name, qty - qtyBefore, sum - sumBefore});
            return ok;
        }

        case 40: { // hardware status
            Bytes r = ok;
            r += s.idCode.empty() ? Bytes(3, '\xFF') : s.idCode;
            r += s.idNumber.empty() ? Bytes(8, '\xFF') : s.idNumber;
            r += s.taxId.empty() ? Bytes(10, '\xFF') : s.taxId;
            r.push_back(static_cast<char>(s.idFormat[0]));
            r.push_back(static_cast<char>(s.idFormat[1]));
            bool full = s.lastZ >= s.zCapacity;
            r += s.fiscalMode ? '0' : '1';
            r += full ? '1' : '0';
            r += hw.batteryState;
            r += hw.resetPin;
            r += s.receiptOpen ? '1' : '0';
            r += hw.memoryTest;
            r += full ? '1' : '0';
            r += fmt::DecMin(s.lastZ, 4);
            r += fmt::DecMin(s.zCapacity - s.lastZ, 4);
            r += s.systemNumber;
            r += hw.recordsDamaged;
            r += hw.ramCheck;
            r += hw.flashCheck;
            r += hw.fiscalMemoryCheck;
            r += hw.batteryVoltage[0];
            r += hw.batteryVoltage[1];
            return r;
        }
        case 41: { // software status
            std::tm t = PrinterTime(s.clockOffset);
            Bytes r = ok;
            r += fmt::DecMin(t.tm_mday, 2) + fmt::DecMin(t.tm_mon + 1, 2) +
                 fmt::DecMin(t.tm_year + 1900, 4);
            r += fmt::DecMin(t.tm_hour, 2) + fmt::DecMin(t.tm_min, 2) + fmt::DecMin(t.tm_sec, 2);
            r += fmt::DecMin(s.receiptNumber, 6);
            r += fmt::DecMin(s.receiptOpen ? s.subtotal : 0, 12);
            r += s.receiptOpen ? '1' : '0';
            r += s.paymentStarted ? '1' : '0';
            r += s.serviceMode ? '1' : '0';
            r += '0';
            r += hw.superMode;
            r += s.salesSinceZ ? '1' : '0';
            r += fmt::RightExact(fmt::DecMin(hw.printBufferLeft, 3), 3);
            r += fmt::LeftExact(hw.version, 4);
            r += hw.ramChecksum;
            return r;
        }
        case 47:
            return Bytes("P0") + s.printerStatus;
        case 44:   // SRAM
        case 45:   // EPROM
        case 48: { // ROM: five (or more) hexadecimal address digits
            int illegal = code == 44 ? kSramDumpAddress : kMemoryDumpAddress;
            BytesView digits = Rest(text, 2);
            if (digits.size() < 5 || digits.size() > 8) Refuse(illegal);
            std::uint32_t address = 0;
            for (char c : digits) {
                int v = c >= '0' && c <= '9'   ? c - '0'
                        : c >= 'A' && c <= 'F' ? c - 'A' + 10
                        : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                               : -1;
                if (v < 0) Refuse(illegal);
                address = address * 16 + static_cast<std::uint32_t>(v);
            }
            if (address >= kMemorySize) Refuse(illegal);
            Bytes r = ok;
            for (std::uint32_t a = address; a < kMemorySize && a < address + kDumpBytes; ++a)
                r.push_back(static_cast<char>(MemoryByte(static_cast<int>(code), a)));
            return r;
        }

        case 86: // system number
            notInReceipt();
            s.systemNumber = Bytes(Field(text, 2, 16));
            return ok;
        case 91: { // tax rates
            Bytes r = ok;
            for (const auto& rate : s.vatRates)
                r += rate ? fmt::DecMin(*rate, 4) : Bytes(4, '\xFF');
            r += s.exemptLetter;
            return r;
        }
        case 92: { // departments
            Bytes r = ok;
            for (int i = 0; i < 9; ++i) {
                r += fmt::DecMin(i + 1, 2);
                r += s.departments[i].taxLetter;
                r += ZeroPadded(s.departments[i].name, 20);
            }
            return r;
        }
        case 93: { // head messages
            Bytes r = ok;
            for (int i = 0; i < 5; ++i) {
                r += static_cast<char>('1' + i);
                r += s.headers[i].second;
                r += ZeroPadded(s.headers[i].text, 32);
            }
            return r;
        }
        case 94: { // printer speed digit
            notInReceipt();
            auto speed = Number(Rest(text, 2));
            if (speed > 9) Refuse(kCharacters);
            s.speed = static_cast<int>(speed);
            return ok;
        }
        case 95: // service logon: any password but none opens service mode
            notInReceipt();
            if (TrimBoth(Rest(text, 2)).empty()) Refuse(kServicePassword);
            s.serviceMode = true;
            s.clerk = 0;
            return ok;
        case 98: { // clerk digit, password (3), name (14)
            notInReceipt();
            auto clerk = Number(Field(text, 2, 1), kSetClerk);
            if (clerk < 1) Refuse(kSetClerk);
            s.clerks[clerk - 1] =
                Clerk{TrimRight(Field(text, 3, 3)), TrimRight(Field(text, 6, 14))};
            return ok;
        }
        case 99: { // clerk digit, password
            notInReceipt();
            auto clerk = Number(Field(text, 2, 1), kClerkNumber);
            if (clerk < 1) Refuse(kClerkNumber);
            if (TrimRight(Rest(text, 3)) != s.clerks[clerk - 1].password) Refuse(kClerkLogon);
            s.clerk = static_cast<int>(clerk);
            s.serviceMode = false;
            return ok;
        }

        // Service library.
        case 43: { // SRAM erase: everything but the fiscal memory and the clock
            PrinterState fresh = FactoryState();
            fresh.hardware = s.hardware;
            fresh.fiscalMode = s.fiscalMode;
            fresh.idCode = s.idCode;
            fresh.idNumber = s.idNumber;
            fresh.taxId = s.taxId;
            fresh.idFormat = s.idFormat;
            fresh.lastZ = s.lastZ;
            fresh.zCapacity = s.zCapacity;
            fresh.clockOffset = s.clockOffset;
            fresh.receiptNumber = s.receiptNumber;
            s = std::move(fresh);
            return ok;
        }
        case 46:   // enter fiscal mode
        case 50: { // set identification
            notInReceipt();
            if (s.fiscalMode) Refuse(kAlreadyFiscal);
            s.idCode = Bytes(Field(text, 2, 3));
            s.idNumber = Bytes(Field(text, 5, 8));
            if (code == 46) s.fiscalMode = true;
            return ok;
        }
        case 52: { // tax identification (10) and the format bytes (none, one or two)
            notInReceipt();
            if (s.fiscalMode) Refuse(kAlreadyFiscal);
            s.taxId = Bytes(Field(text, 2, 10));
            auto high = text.size() > 12 ? static_cast<unsigned char>(text[12]) : 0;
            auto low = text.size() > 13 ? static_cast<unsigned char>(text[13]) : 0;
            if (high == 0xEE && low == 0xEE) high = low = 0; // format 0
            s.idFormat = {static_cast<unsigned char>(high), static_cast<unsigned char>(low)};
            return ok;
        }
        default:
            Refuse(kUnknownCommand);
        }
    } catch (const Refusal& r) {
        return r.payload;
    }
}

} // namespace fprn::emu
