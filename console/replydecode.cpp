#include "replydecode.h"

#include "language.h"

#include <algorithm>
#include <cstdio>

namespace fprn::console {

namespace {

constexpr std::size_t kBytesPerLine = 16;
constexpr std::size_t kHexWidth = 47;
constexpr std::size_t kCharWidth = 15;

std::string PadRight(std::string text, std::size_t width) {
    if (text.size() < width) text.append(width - text.size(), ' ');
    return text;
}

std::string DumpLine(std::string_view hex, std::string_view chars) {
    return PadRight(std::string(hex), kHexWidth) + " | " + PadRight(std::string(chars), kCharWidth);
}

bool AllFF(std::string_view field) {
    return std::all_of(field.begin(), field.end(), [](char c) { return c == '\xFF'; });
}

// A text field: empty when every byte is 0xFF (never set).
std::string Field(std::string_view reply, std::size_t at, std::size_t size) {
    std::string_view f = reply.substr(at, size);
    return AllFF(f) ? std::string() : std::string(f);
}

bool Is(std::string_view reply, std::size_t at, char c) {
    return reply[at] == c;
}

// '0' checks the first of a radio pair, '1' the second, any other byte neither.
std::optional<int> Pair(char c) {
    if (c == '0') return 0;
    if (c == '1') return 1;
    return std::nullopt;
}

bool Headed(std::string_view reply, std::size_t size, char first) {
    return reply.size() >= size && reply[0] == first && reply[1] == '0';
}

} // namespace

std::string StripLeadingZeros(std::string_view text) {
    if (text.empty()) return {};
    auto first = text.find_first_not_of('0');
    return first == std::string_view::npos ? std::string("0") : std::string(text.substr(first));
}

int ReplyCode(std::string_view code) {
    std::size_t i = 0;
    bool negative = false;
    if (i < code.size() && (code[i] == '+' || code[i] == '-')) negative = code[i++] == '-';
    if (i == code.size()) return 0;
    long long value = 0;
    for (; i < code.size(); ++i) {
        if (code[i] < '0' || code[i] > '9') return 0;
        value = value * 10 + (code[i] - '0');
        if (value > 2147483648LL) return 0;
    }
    if (!negative && value > 2147483647LL) return 0;
    return static_cast<int>(negative ? -value : value);
}

std::string DumpHeading(std::string_view pattern, std::string_view code) {
    return lang::FormatLanguageText(pattern, {lang::FormatArg(code)});
}

std::vector<std::string> DumpLines(std::string_view payload) {
    std::vector<std::string> lines;
    lines.reserve(payload.size() / kBytesPerLine + 1);
    std::string hex, chars;
    static const char digits[] = "0123456789ABCDEF";
    for (std::size_t i = 0; i < payload.size(); ++i) {
        auto byte = static_cast<unsigned char>(payload[i]);
        hex += digits[byte >> 4];
        hex += digits[byte & 0xF];
        hex += ' ';
        chars += byte == 0 ? '.' : static_cast<char>(byte);
        if ((i + 1) % kBytesPerLine == 0) {
            hex.pop_back();
            lines.push_back(DumpLine(hex, chars));
            hex.clear();
            chars.clear();
        }
    }
    if (!hex.empty()) lines.push_back(DumpLine(hex, chars));
    return lines;
}

std::string GroupTaxId(std::string_view taxId, std::string_view formatHex) {
    if (formatHex == "0000") return std::string(taxId);
    std::string out;
    std::size_t at = 0;
    for (std::size_t g = 0; g < 4; ++g) {
        char c = g < formatHex.size() ? formatHex[g] : '0';
        std::size_t length = c >= '0' && c <= '9' ? static_cast<std::size_t>(c - '0') : 0;
        if (g > 0) out += '-';
        std::size_t from = std::min(at, taxId.size());
        out += taxId.substr(from, length);
        at += length;
    }
    return out;
}

std::optional<HardwareStatus> ParseHardwareStatus(std::string_view r) {
    if (!Headed(r, 62, 'O')) return std::nullopt;
    HardwareStatus s;
    s.idCode = Field(r, 2, 3);
    s.idNumber = Field(r, 5, 8);
    char format[5];
    std::snprintf(format, sizeof format, "%02X%02X", static_cast<unsigned char>(r[23]),
                  static_cast<unsigned char>(r[24]));
    s.idFormat = format;
    s.taxId = AllFF(r.substr(13, 10)) ? std::string() : GroupTaxId(r.substr(13, 10), s.idFormat);
    s.opMode = Pair(r[25]);
    s.fiscalMemFull = Is(r, 26, '1');
    s.batteryState = Pair(r[27]);
    s.pinState = Pair(r[28]);
    s.saleReceipt = Is(r, 29, '1');
    s.testMem = Is(r, 30, '1');
    s.zReport = Is(r, 31, '1');
    s.lastZNo = StripLeadingZeros(r.substr(32, 4));
    s.freeZ = StripLeadingZeros(r.substr(36, 4));
    s.recDamaged = Is(r, 56, '1');
    s.ramOk = Is(r, 57, '0');
    s.flashOk = Is(r, 58, '1');
    s.fiscalMemOk = Is(r, 59, '0');
    s.batteryVoltage = std::string(1, r[60]) + "." + std::string(1, r[61]) + "V";
    return s;
}

std::optional<SoftwareStatus> ParseSoftwareStatus(std::string_view r,
                                                  std::string_view dateSeparator,
                                                  std::string_view timeSeparator) {
    if (!Headed(r, 48, 'O')) return std::nullopt;
    auto join = [&r](std::size_t a, std::size_t b, std::size_t c, std::size_t last,
                     std::string_view sep) {
        std::string out(r.substr(a, 2));
        out += sep;
        out += r.substr(b, 2);
        out += sep;
        out += r.substr(c, last);
        return out;
    };
    SoftwareStatus s;
    s.date = join(2, 4, 6, 4, dateSeparator);
    s.time = join(10, 12, 14, 2, timeSeparator);
    s.receiptNo = std::string(r.substr(16, 6));
    s.subtotal = StripLeadingZeros(r.substr(22, 12));
    s.receiptOpen = Is(r, 34, '1');
    s.paymentStarted = Is(r, 35, '1');
    s.serviceMode = Is(r, 36, '1');
    s.superMode = Is(r, 38, '1');
    s.zReportNeeded = Is(r, 39, '1');
    s.printBuffer = StripLeadingZeros(r.substr(40, 3));
    s.version = std::string(r.substr(43, 4));
    s.ramChecksumError = Is(r, 47, '1');
    return s;
}

std::optional<int> ParsePrinterStatus(std::string_view r) {
    if (!Headed(r, 3, 'P')) return std::nullopt;
    char c = r[2];
    return c >= '0' && c <= '6' ? c - '0' : kPrinterStatusButtons - 1;
}

} // namespace fprn::console
