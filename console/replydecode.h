#pragma once
// What the console makes of a command's reply, without Qt: the dump lines of the return
// buffer and the fields of the three status replies. Texts are bytes of the 8-bit charset, a
// byte to a character; widgets only copy them.
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fprn::console {

// The text without its leading '0's; "0" when only zeros were there; "" stays "".
std::string StripLeadingZeros(std::string_view text);

// The code a handler passes, read as a decimal number; 0 when it is not one.
int ReplyCode(std::string_view code);

// The dump's first heading: `pattern` (a language text) filled with the code by the checked
// formatter, so a stray conversion in it is shown, never run.
std::string DumpHeading(std::string_view pattern, std::string_view code);

// One line per 16 bytes: the hex part ("4F 30 ..." padded to 47), " | ", the characters (a zero
// byte as '.', every other byte as itself, padded to 15).
std::vector<std::string> DumpLines(std::string_view payload);

// The tax identification in the groups its format says: four hexadecimal digits, each a group
// length read as a decimal digit ('A'-'F' count 0); "0000" leaves it whole.
std::string GroupTaxId(std::string_view taxId, std::string_view formatHex);

// Reply 40.
struct HardwareStatus {
    std::string idCode, idNumber, taxId, idFormat; // taxId already grouped
    // The radio pairs: index 0 or 1 of the pair checked, or neither (another byte).
    std::optional<int> opMode, batteryState, pinState;
    bool fiscalMemFull = false, saleReceipt = false, testMem = false, zReport = false;
    std::string lastZNo, freeZ;
    bool recDamaged = false, ramOk = false, flashOk = false, fiscalMemOk = false;
    std::string batteryVoltage; // "3.1V"
};
// Empty when the reply is shorter than 62 bytes or does not begin "O0".
std::optional<HardwareStatus> ParseHardwareStatus(std::string_view reply);

// Reply 41; the separators are the locale's (any text).
struct SoftwareStatus {
    std::string date, time, receiptNo, subtotal, printBuffer, version;
    bool receiptOpen = false, paymentStarted = false, serviceMode = false, superMode = false,
         zReportNeeded = false, ramChecksumError = false;
};
// Empty when the reply is shorter than 48 bytes or does not begin "O0".
std::optional<SoftwareStatus> ParseSoftwareStatus(std::string_view reply,
                                                  std::string_view dateSeparator,
                                                  std::string_view timeSeparator);

// Reply 47: the radio button of the printer status, 0-6 for '0'-'6', 7 for any other byte.
// Empty when the reply is shorter than 3 bytes or does not begin "P0".
std::optional<int> ParsePrinterStatus(std::string_view reply);
inline constexpr int kPrinterStatusButtons = 8;

} // namespace fprn::console
