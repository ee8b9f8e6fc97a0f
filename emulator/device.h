#pragma once
// What the emulated printer does with a command text: a little state (clock, receipt, tables,
// identification) and the reply payloads. No I/O here; Printer puts the replies on the line.
//
// Error replies are "E0" and two digits: the printer's own numbers, which the console's table
// puts into words. Refusal, number (and the number it had before):
//   unknown command 01 (01); message cut short 02 (02); any other wrong character (a package
//   flag, a head-message second digit, the X-report type, the printer speed, an upload
//   selector) 03 (02, 03)
//   wrong sequence: no receipt open, receipt open, payment started, tax rates before the Z
//   report 05 (04, 05, 09, 06)
//   Z report with the fiscal memory full 07 ("M001")
//   head-message line 10; tax letter 11; time not numeric, hour, minute, second 12-15; date
//   not numeric, month, day 41-43 (02, 03)
//   sale quantity, sale price, package price, tax rate not numeric 16, 18, 76, 71 (02);
//   department not 1-9 19 (02, 03)
//   receipt, drawer above 12 digits 21, 22; cancel or package return above the sale 23;
//   card or cheque above the sale 28; paid out above the drawer 31 (08)
//   discount value not numeric 24; discount base not numeric or more than 100 % 25; payment
//   type, amount not numeric 26, 27; cash in, paid out not numeric 29, 30 (02, 03)
//   Z-number report not numeric, from > to 32, 33; date and monthly reports not numeric,
//   first date or month, second date 36, 37, 38 (02, 03)
//   dump address of EPROM and ROM 44, of SRAM 81 (02, 03)
//   printed report shorter than its 231 characters 02, longer or a figure not digits 03
//   identification once fiscal 53 (11)
//   clerk number of 98, of 99 64, 66 (02, 03); wrong clerk password 65 (07); empty service
//   password 67 (taken before); a 101st package 77 (10)
//   invoice info: mode not 0 or 1 45, slot not 1-3 or no such postponed receipt 46, slot
//   already holding one 47; package payment above the drawer 28
// Replies other than "O0":
//   40  62 bytes, 41  48 bytes, 47  "P0" and the status digit (the console's status pages)
//   39  "O0" and the subtotal, 88  "O0" and the cash in drawer: 12 digits in hundredths
//   44, 45, 48  "O0" and 510 bytes of memory from the address (less at the end of the 1 MiB)
//   91, 92, 93  tax rates, departments, head messages (texts padded with zero bytes)
//   89, 90  data frames of up to four records each, then "O0" 0xAA
// Tax rates (03, 91) are whole percent, four digits ("0023" is 23 %).
// Item records: name, price, tax rate in hundredths of a percent (10000 exempt), quantity sold
// in hundredths, three empty values, then the barcode in the last 20 bytes. Package records:
// name, price, quantity and amount sold, quantity and amount returned; selector '1' clears the
// counts.
//
// Rules: a sale or package sale opens a receipt; close pays in cash whatever other payments
// left open, and so does the package payment 85; a package return (96) outside a receipt opens
// a return receipt, which takes only more returns and ends with 97, paid out of the drawer;
// discount base 0 changes the last sold line, base 1 the subtotal; a receipt cancel takes back
// what its lines added to the item and package records; invoice info 63 mode 0
// puts the open receipt (no payment yet) aside into one of three slots, closing it without
// takings, and mode 1 takes it up again when no receipt is open and the amounts (whole
// currency units) are those it was put aside with; sales stop once a payment started; settings,
// reports and cash in or out wait until no receipt is open; tax rates wait for a Z report after
// sales; the clerk password must match (98 sets it, "000" at first); any service password but an
// empty one is taken.
#include "bytes.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace fprn::emu {

struct PluRecord {
    Bytes name;         // up to 32 bytes
    Bytes barcode;      // up to 13 digits
    std::int64_t price; // hundredths
    int taxRate;        // hundredths of a percent, 10000 for exempt
    std::int64_t sold;  // thousandths of a unit since the last upload with clearing
};

struct PackageRecord {
    Bytes name;                   // up to 32 bytes
    std::int64_t price = 0;       // hundredths
    std::int64_t soldQty = 0;     // thousandths
    std::int64_t soldAmount = 0;  // hundredths
    std::int64_t returnedQty = 0; // thousandths
    std::int64_t returnedAmount = 0;
};

struct Department {
    char taxLetter = 'A';
    Bytes name; // up to 20 bytes
};

struct Clerk {
    Bytes password; // up to 3 bytes, trailing blanks dropped
    Bytes name;     // up to 14 bytes
};

struct Header {
    char second = '0'; // the second number of the set command, echoed in the upload
    Bytes text;        // up to 32 bytes
};

// What the printer's own checks report in the status replies; a sound printer by default.
// Each is the reply's byte (or digits) as it goes out.
struct HardwareChecks {
    char batteryState = '1';                      // '0' low, '1' normal
    char resetPin = '0';                          // RAM reset pin: '0' open, '1' shorted
    char memoryTest = '0';                        // '1' while a memory test runs
    char recordsDamaged = '0';                    // '1' when fiscal-memory records may be damaged
    char ramCheck = '0';                          // '0' passed
    char flashCheck = '1';                        // '1' passed
    char fiscalMemoryCheck = '0';                 // '0' passed
    std::array<char, 2> batteryVoltage{'3', '1'}; // units and tenths of a volt
    char superMode = '0';
    char ramChecksum = '0';    // '1' on a checksum error
    int printBufferLeft = 100; // three digits
    Bytes version = "0210";    // four characters
};

// A change that a line of the open receipt made to an item or package record, as made (after
// the records' limits), so that a receipt cancel can take it back.
struct CountedChange {
    enum class Record { Item, PackageSold, PackageReturned } record = Record::Item;
    Bytes name;
    std::int64_t quantity = 0; // thousandths; an item cancel's is negative
    std::int64_t amount = 0;   // hundredths, packages only
};

struct PrinterState {
    // The printer's checks: no command changes them, an SRAM erase neither.
    HardwareChecks hardware;

    // Fiscal memory: survives an SRAM erase.
    bool fiscalMode = false;
    Bytes idCode;   // 3 bytes once set, empty before
    Bytes idNumber; // 8 bytes once set
    Bytes taxId;    // 10 bytes once set
    std::array<unsigned char, 2> idFormat{0, 0};
    int lastZ = 0;
    int zCapacity = 1800;

    // Static RAM.
    std::int64_t clockOffset = 0; // seconds added to the host clock's local time
    Bytes systemNumber = Bytes(16, ' ');
    std::array<Header, 5> headers;
    std::array<Department, 9> departments;
    std::array<std::optional<int>, 9> vatRates; // whole percent; empty when not set
    char exemptLetter = 'E';
    std::array<Clerk, 9> clerks;
    int clerk = 0; // logged-on clerk, 0 for none
    bool serviceMode = false;
    int speed = 0;
    char printerStatus = '0';
    std::vector<PluRecord> plus;
    std::vector<PackageRecord> packages;

    bool receiptOpen = false;
    bool returnReceipt = false; // the open receipt takes package returns only
    int receiptNumber = 0;
    std::int64_t subtotal = 0;          // hundredths
    std::vector<std::int64_t> lines;    // the open receipt's sold lines, hundredths
    std::vector<CountedChange> counted; // what the open receipt's lines counted, in order
    std::int64_t paid = 0;              // hundredths, all payment types
    std::int64_t paidNonCash = 0;
    bool paymentStarted = false;
    std::int64_t drawer = 0; // cash in drawer, hundredths
    bool salesSinceZ = false;
    std::int64_t takingsSinceZ = 0;

    // Receipts put aside by invoice info 63, slots 1 to 3.
    struct Postponed {
        bool held = false;
        std::int64_t total = 0, tax = 0; // whole units, as sent
        std::int64_t subtotal = 0;       // hundredths
        std::vector<std::int64_t> lines;
        int receiptNumber = 0;
        std::vector<CountedChange> counted;
    };
    std::array<Postponed, 3> postponed;
};

// The tables a fresh or SRAM-erased printer holds, so that uploads show something.
PrinterState FactoryState();

// Sets one check from "name=value": battery, pin, memtest, damaged, ram, flash, fiscalmem,
// supermode, checksum (one character each), voltage (two digits), buffer (0-999), version
// (four characters). False, changing nothing, for anything else; `why`, when given, then
// takes what is wrong.
bool SetHardwareCheck(HardwareChecks& checks, std::string_view assignment,
                      std::string* why = nullptr);

struct Answer {
    std::vector<Bytes> payloads; // one reply, or the data frames and end frame of an upload
    bool upload = false;
};

// Payload of the frame that ends an upload.
inline const Bytes kUploadEnd = Bytes("O0\xAA", 3);

class Device {
public:
    Device() : state_(FactoryState()) {}
    explicit Device(PrinterState state) : state_(std::move(state)) {}

    Answer Execute(BytesView text);
    const PrinterState& State() const { return state_; }

private:
    Bytes Run(BytesView text);
    Answer Upload(BytesView text);

    PrinterState state_;
};

// Short readable name of a command code ("40" -> "hardware status"); empty when unknown.
std::string_view CommandName(BytesView text);

} // namespace fprn::emu
