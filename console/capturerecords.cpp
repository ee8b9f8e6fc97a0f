#include "capturerecords.h"

#include "eightbit.h"
#include "filesave.h"
#include "numbertext.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fprn::console {

namespace {

std::string SystemMessage(const char* what, const std::string& name, int error) {
    return std::string(what) + " \"" + name + "\". " + std::strerror(error);
}

std::uint64_t BigEndian(BytesView bytes) {
    std::uint64_t value = 0;
    for (unsigned char c : bytes) value = value << 8 | c;
    return value;
}

CaptureView ReadCapture(const std::string& path, std::size_t blockSize,
                        CaptureView (*decode)(const std::vector<Bytes>&,
                                              const editcontrols::LocaleInfo&),
                        const editcontrols::LocaleInfo& locale) {
    CaptureView view;
    // Not blocking: a FIFO in the capture's place must not hang the console.
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        view.fileError = SystemMessage("Cannot open file", path, errno);
        return view;
    }
    struct stat st {};
    if (itemfile::Status checked = itemfile::CheckOpenedForReading(fd, path, &st); !checked.ok()) {
        ::close(fd);
        view.fileError = checked.message;
        return view;
    }
    const auto size = static_cast<std::uint64_t>(st.st_size);
    std::string error;
    auto blocks = ReadCaptureBlocks(fd, size, blockSize, path, error);
    ::close(fd);
    if (!error.empty()) {
        view.fileError = error;
        return view;
    }
    return decode(blocks, locale);
}

} // namespace

std::vector<Bytes> ReadCaptureBlocks(int fd, std::uint64_t size, std::size_t blockSize,
                                     const std::string& name, std::string& error) {
    // As many whole blocks as cover the size taken at open, and at least one; read in large
    // pieces, handed out block by block.
    const std::uint64_t want =
        std::max<std::uint64_t>(1, (size + blockSize - 1) / blockSize) * blockSize;
    const std::size_t piece = blockSize * std::max<std::size_t>(1, 65536 / blockSize);
    std::vector<Bytes> blocks;
    blocks.reserve(static_cast<std::size_t>(want / blockSize));
    Bytes data(piece, '\0');
    Bytes pending;
    std::uint64_t total = 0;
    while (total < want) {
        std::size_t ask = static_cast<std::size_t>(std::min<std::uint64_t>(piece, want - total));
        ssize_t n = ::read(fd, data.data(), ask);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            error = SystemMessage("Cannot read file", name, errno);
            return blocks;
        }
        // A file that shrank since its size was taken ends at its first empty read.
        if (n == 0) break;
        total += static_cast<std::uint64_t>(n);
        pending.append(data, 0, static_cast<std::size_t>(n));
        std::size_t at = 0;
        for (; pending.size() - at >= blockSize; at += blockSize)
            blocks.emplace_back(pending, at, blockSize);
        pending.erase(0, at);
    }
    // A short last record, or the one empty block of an empty file.
    if (!pending.empty() || blocks.empty()) blocks.push_back(std::move(pending));
    return blocks;
}

Bytes FieldText(BytesView data, std::size_t offset, std::size_t width) {
    if (offset >= data.size()) return {};
    BytesView field = data.substr(offset, width);
    return Bytes(field.substr(0, field.find('\0')));
}

namespace {

// The number of decimals of a divisor that is 10, 100, ... 1000000; 0 for any other.
int PowerOfTen(double divisor) {
    double p = 1;
    for (int k = 1; k <= 6; ++k)
        if (divisor == (p *= 10)) return k;
    return 0;
}

// value / divisor as GeneralNumberText writes it. For a power-of-ten divisor and a value of
// at most 15 digits that is the exact decimal (15 significant digits round back to it), which
// is written here from the integer: a capture of thousands of records has tens of thousands.
Bytes ScaledText(std::uint64_t value, double divisor, const editcontrols::LocaleInfo& byteLocale) {
    const int decimals = PowerOfTen(divisor);
    if (decimals == 0 || value >= 1000000000000000ULL)
        return editcontrols::GeneralNumberText(static_cast<double>(value) / divisor, byteLocale);
    char digits[24];
    int n = 0;
    for (std::uint64_t v = value; v != 0 || n <= decimals; v /= 10)
        digits[n++] = static_cast<char>('0' + v % 10);
    // digits[] holds the number backwards; the lowest `decimals` are the fraction.
    int fractionEnd = 0;
    while (fractionEnd < decimals && digits[fractionEnd] == '0') ++fractionEnd;
    Bytes out;
    for (int i = n - 1; i >= decimals; --i) out.push_back(digits[i]);
    if (fractionEnd < decimals) {
        out += byteLocale.decimalSeparator;
        for (int i = decimals - 1; i >= fractionEnd; --i) out.push_back(digits[i]);
    }
    return out;
}

// As below, with a locale whose separator is one byte already.
Bytes ValueText(std::uint16_t value, const editcontrols::LocaleInfo& byteLocale) {
    if (value == kPluValueEmpty) return {};
    if (value == kPluValueExempt) return "ZW";
    return ScaledText(value, 100, byteLocale);
}

Bytes FieldValueText(BytesView field, double divisor, const editcontrols::LocaleInfo& byteLocale) {
    if (field.find_first_not_of('\xFF') == BytesView::npos) return {};
    // At most 48 bits, which a double holds exactly.
    return ScaledText(BigEndian(field), divisor, byteLocale);
}

} // namespace

Bytes PluValueText(std::uint16_t value, const editcontrols::LocaleInfo& locale) {
    return ValueText(value, itemfile::OneByteSeparator(locale));
}

Bytes PackageFieldText(BytesView field, double divisor, const editcontrols::LocaleInfo& locale) {
    return FieldValueText(field, divisor, itemfile::OneByteSeparator(locale));
}

CaptureView DecodePluBlocks(const std::vector<Bytes>& blocks,
                            const editcontrols::LocaleInfo& locale) {
    CaptureView view;
    view.grid.columns.push_back({text::kPluName, -1, 32});
    for (int i = 0; i < 6; ++i) view.grid.columns.push_back({text::kPluValue, i, 4});
    view.grid.rows.reserve(blocks.size());
    const auto byteLocale = itemfile::OneByteSeparator(locale);
    for (const auto& block : blocks) {
        if (block.size() < kPluRecordSize) {
            view.illegalFormat = true;
            break;
        }
        std::vector<Bytes> row;
        row.reserve(7);
        row.push_back(FieldText(block, 0, kRecordNameLength));
        for (std::size_t i = 0; i < 6; ++i) {
            auto v = static_cast<std::uint16_t>(BigEndian(BytesView(block).substr(32 + 2 * i, 2)));
            row.push_back(ValueText(v, byteLocale));
        }
        view.grid.rows.push_back(std::move(row));
    }
    return view;
}

CaptureView DecodePackageBlocks(const std::vector<Bytes>& blocks,
                                const editcontrols::LocaleInfo& locale) {
    CaptureView view;
    view.grid.labelTextId = text::kPackagesLabel;
    for (int c = 0; c < 6; ++c)
        view.grid.columns.push_back({text::kPackageName + c, -1, c ? 8 : 32});
    view.grid.rows.reserve(blocks.size());
    const auto byteLocale = itemfile::OneByteSeparator(locale);
    for (const auto& block : blocks) {
        if (block.size() < kPackageRecordSize) {
            view.illegalFormat = true;
            break;
        }
        std::vector<Bytes> row;
        row.reserve(6);
        row.push_back(FieldText(block, 0, kRecordNameLength));
        std::size_t offset = kRecordNameLength;
        for (std::size_t f = 0; f < kPackageFieldWidths.size(); ++f) {
            BytesView field = BytesView(block).substr(offset, kPackageFieldWidths[f]);
            row.push_back(FieldValueText(field, kPackageFieldDivisors[f], byteLocale));
            offset += kPackageFieldWidths[f];
        }
        view.grid.rows.push_back(std::move(row));
    }
    return view;
}

CaptureView ReadPluCapture(const std::string& path, const editcontrols::LocaleInfo& locale) {
    return ReadCapture(path, kPluRecordSize, DecodePluBlocks, locale);
}

CaptureView ReadPackageCapture(const std::string& path, const editcontrols::LocaleInfo& locale) {
    return ReadCapture(path, kPackageRecordSize, DecodePackageBlocks, locale);
}

namespace {

bool Acceptable(BytesView reply, std::size_t size) {
    return reply.size() >= size && reply[0] == 'O' && reply[1] == '0';
}

} // namespace

bool DecodeTaxRates(BytesView reply, TaxRatesPage& page) {
    if (!Acceptable(reply, kTaxRateReplySize)) return false;
    TaxRatesPage out;
    for (std::size_t k = 0; k < 9; ++k) out.rates[k] = FieldText(reply, 2 + 4 * k, 4);
    out.exemptLetter = FieldText(reply, 38, 1);
    const auto letter = static_cast<unsigned char>(reply[38]);
    if (letter >= 'A' && letter <= 'I') {
        out.exemptRate = letter - 'A' + 1;
        out.rates[static_cast<std::size_t>(out.exemptRate - 1)] = kExemptRateCaption;
    }
    page = std::move(out);
    return true;
}

bool DecodeDepartments(BytesView reply, GridCells& grid) {
    if (!Acceptable(reply, kDepartmentReplySize)) return false;
    GridCells out;
    out.labelTextId = text::kDepartmentsLabel;
    out.columns = {{text::kDepartmentNumber, -1, 9},
                   {text::kDepartmentTax, -1, 8},
                   {text::kDepartmentName, -1, 20}};
    for (std::size_t i = 0; i < 9; ++i) {
        std::size_t at = 2 + 23 * i;
        out.rows.push_back(
            {FieldText(reply, at, 2), FieldText(reply, at + 2, 1), FieldText(reply, at + 3, 20)});
    }
    grid = std::move(out);
    return true;
}

bool DecodeHeadMessages(BytesView reply, GridCells& grid) {
    if (!Acceptable(reply, kHeadMessageReplySize)) return false;
    GridCells out;
    out.labelTextId = text::kHeadMessagesLabel;
    out.columns = {{text::kHeadLine, -1, 3}, {text::kHeadText, -1, 32}};
    for (std::size_t i = 0; i < 5; ++i) {
        std::size_t at = 2 + 34 * i;
        out.rows.push_back({FieldText(reply, at, 1), FieldText(reply, at + 2, 32)});
    }
    grid = std::move(out);
    return true;
}

} // namespace fprn::console
