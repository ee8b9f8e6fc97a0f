#pragma once
// What the console's upload pages show, decoded from the capture files "_Plu.mem" (64-byte
// item records) and "_RtnPkg.mem" (58-byte package records) and from the replies of the tax
// rate, department and head message uploads. Cells are texts of the 8-bit charset; a viewer
// copies them into its grid and converts them at the widget.
#include "localeinfo.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace fprn::console {

using Bytes = std::string;
using BytesView = std::string_view;

inline constexpr const char* kPluCaptureFile = "_Plu.mem";
inline constexpr const char* kPackageCaptureFile = "_RtnPkg.mem";
inline constexpr std::size_t kPluRecordSize = 64;
inline constexpr std::size_t kPackageRecordSize = 58;
inline constexpr std::size_t kRecordNameLength = 32;
inline constexpr std::array<std::size_t, 5> kPackageFieldWidths{6, 4, 6, 4, 6};
inline constexpr std::array<double, 5> kPackageFieldDivisors{100, 1000, 100, 1000, 100};
inline constexpr std::uint16_t kPluValueEmpty = 0xFFFF;
inline constexpr std::uint16_t kPluValueExempt = 10000;

// Reply lengths the pages need, "O0" included.
inline constexpr std::size_t kTaxRateReplySize = 39;
inline constexpr std::size_t kDepartmentReplySize = 209;
inline constexpr std::size_t kHeadMessageReplySize = 172;

// One column of a grid: its header is language text `textId`, or Format(text, [formatArg])
// when formatArg is not negative; its width is `widthW` times the width of "W" in the grid's
// font, plus 2 pixels.
struct GridColumn {
    int textId;
    int formatArg;
    int widthW;
};

// A grid's content: one fixed header row from `columns`, then `rows`, each with one cell per
// column. `labelTextId` is the language text of the page's label, 0 when it has none.
struct GridCells {
    int labelTextId = 0;
    std::vector<GridColumn> columns;
    std::vector<std::vector<Bytes>> rows;
};

// A capture file, read and decoded whole before anything is shown.
struct CaptureView {
    GridCells grid;
    // A record came short (the file's length is no multiple of the record size, or it is
    // empty): the illegal-format box, then the grid hidden; `grid.rows` holds the records
    // before it.
    bool illegalFormat = false;
    // Not empty when the file could not be opened or read: the message (file name and the
    // system's reason) for the default error box; the page stays as it is.
    std::string fileError;
};

// Reads blocks of `blockSize` bytes from `fd` until `size` bytes (the size at open) are in, a
// read gives 0 bytes (a file that shrank) or a read fails (`error` set once, naming `name`).
// An empty file gives one empty block; the last block may be short.
std::vector<Bytes> ReadCaptureBlocks(int fd, std::uint64_t size, std::size_t blockSize,
                                     const std::string& name, std::string& error);

// Decoded blocks of the item and package captures.
CaptureView DecodePluBlocks(const std::vector<Bytes>& blocks,
                            const editcontrols::LocaleInfo& locale);
CaptureView DecodePackageBlocks(const std::vector<Bytes>& blocks,
                                const editcontrols::LocaleInfo& locale);

// Opens the capture file, reads and decodes it.
CaptureView
ReadPluCapture(const std::string& path = kPluCaptureFile,
               const editcontrols::LocaleInfo& locale = editcontrols::LocaleSettings::Current());
CaptureView ReadPackageCapture(
    const std::string& path = kPackageCaptureFile,
    const editcontrols::LocaleInfo& locale = editcontrols::LocaleSettings::Current());

// The text of a record or reply field: it ends at its first zero byte or after `width` bytes
// (or where the data ends).
Bytes FieldText(BytesView data, std::size_t offset, std::size_t width);

// The six values of an item record and the five fields of a package record as cell texts:
// empty, "ZW" for the exempt value, else the number in the shortest general form with the
// locale's decimal separator (one byte; '.' when the locale's is longer).
Bytes PluValueText(std::uint16_t value, const editcontrols::LocaleInfo& locale);
Bytes PackageFieldText(BytesView field, double divisor, const editcontrols::LocaleInfo& locale);

// Page 28: the captions of lbRate1 to lbRate9 and of lbFreeDep.
struct TaxRatesPage {
    std::array<Bytes, 9> rates; // the exempt rate's label reads "PTU ZW"
    Bytes exemptLetter;
    int exemptRate = 0; // 1 to 9: the label that reads "PTU ZW"; 0 when the letter is no A-I
};
inline constexpr const char* kExemptRateCaption = "PTU ZW";

// Replies 91, 92 and 93. False (the illegal-format box, the page unchanged) when the reply is
// too short or does not begin with "O0"; the output is then untouched.
bool DecodeTaxRates(BytesView reply, TaxRatesPage& page);
bool DecodeDepartments(BytesView reply, GridCells& grid);
bool DecodeHeadMessages(BytesView reply, GridCells& grid);

// Language texts of the viewers.
namespace text {
inline constexpr int kPluName = 11323;
inline constexpr int kPluValue = 11324; // Format(text, [value number 0..5])
inline constexpr int kDepartmentsLabel = 11330;
inline constexpr int kDepartmentNumber = 11331;
inline constexpr int kDepartmentTax = 11332;
inline constexpr int kDepartmentName = 11333;
inline constexpr int kHeadMessagesLabel = 11334;
inline constexpr int kHeadLine = 11335;
inline constexpr int kHeadText = 11336;
inline constexpr int kPackagesLabel = 11350;
inline constexpr int kPackageName = 11351; // 11351 to 11356, one per column
inline constexpr int kIllegalFormat = 11371;
} // namespace text

} // namespace fprn::console
