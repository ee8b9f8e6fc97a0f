#pragma once
// The console's binding of the two driver libraries, and the texts it shows for a failed
// command. The console links neither library: both are loaded at start and their functions
// looked up by name into the two tables below.
#include "dynlib.h"
#include "meskade.h"
#include "tovarin.h"

#include <array>
#include <cstdint>
#include <string>

namespace fprn::console {

// Every function of the user library.
// clang-format off
#define FPRN_TOVARIN_API(X)                                                                     \
    X(OpenFPrn) X(CloseFPrn) X(AbortFPrn) X(isCommandExecuting) X(ExecCommand)                  \
    X(GetReturnBufLength) X(cmPrnProgramReport) X(cmSetHeadMessage) X(cmSetDepartName)         \
    X(cmSetVatRate) X(cmSetTime) X(cmXReport) X(cmZReport) X(cmMemReportByZNo)                  \
    X(cmMemReportByDate) X(cmMemReportMonthly) X(cmSaleItem) X(cmCancelItem) X(cmDiscount)      \
    X(cmPayment) X(cmReceiptClose) X(cmReceiveCash) X(cmPaidOut) X(cmReceiptCancel)             \
    X(cmPrintSubTotal) X(cmHardwareStatus) X(cmSoftwareStatus) X(cmSetDate) X(cmSRAMDump)       \
    X(cmEPROMDump) X(cmPrinterStatus) X(cmROMDump) X(cmInvoiceInfo) X(cmOpenDrawer)             \
    X(cmSkipPswdLogon) X(cmSalePackage) X(cmSalePackagePayment) X(cmSetSysNum) X(cmPrnRpt)      \
    X(cmCashInDrawer) X(cmUploadPkg) X(cmUploadPlu) X(cmUploadTaxRate) X(cmUploadDepartment)    \
    X(cmUploadHeadMessage) X(cmSetPrinterSpeed) X(cmServiceLogon) X(cmReturnPackage)            \
    X(cmPackagePayment) X(cmSetClerkPwd) X(cmClerkLogon)

// The service library's functions the console calls: aborts go to the user library only.
#define FPRN_MESKADE_API(X)                                                                     \
    X(OpenFPrn) X(CloseFPrn) X(cmSRAMErase) X(cmEnterFiscalMode) X(cmSetID) X(cmSetTaxID)      \
    X(UpdateFPrnProgram)
// clang-format on

#define FPRN_API_MEMBER(name) decltype(&::name) name = nullptr;

// The user library's functions, each named like its export.
struct TovarinApi {
    FPRN_TOVARIN_API(FPRN_API_MEMBER)
    plat::DynLib lib;
    // Forgets the functions, then unloads the library.
    void Unload();
};

// The service library's functions, each named like its export.
struct MeskadeApi {
    FPRN_MESKADE_API(FPRN_API_MEMBER)
    plat::DynLib lib;
    void Unload();
};

#undef FPRN_API_MEMBER

// Where the libraries are looked for: their runtime names, in the folder, then in the library
// folder of an installation around it (<folder>/../lib), then by bare name.
struct DriverLocation {
    // Empty means the program's folder.
    std::string folder;
    std::string userFile = "libtovarin.so.1";
    std::string serviceFile = "libmeskade.so.1";
};

// Loads the user library, then the service library, each from the first of the two folders
// that has the file (a file that is there but fails to load is reported, never passed over),
// else by its bare name, and binds every function. Returns an empty text when both are bound;
// otherwise one line naming the file and the loader's text or the missing function, with both
// unloaded.
std::string LoadDriverLibraries(TovarinApi& user, MeskadeApi& service,
                                const DriverLocation& where = {});

// The error-text tables, entry n at index n - 1: the built-in English texts until the language
// application replaces them.
std::array<std::string, 2>& LinkErrorTexts();     // -1 and -2 (entry 1), -3 (entry 2)
std::array<std::string, 89>& PrinterErrorTexts(); // -4, by the printer's error number
std::array<std::string, 1>& PrinterBusyTexts();   // -5
std::array<std::string, 7>& MemoryFaultTexts();   // -6

// The text for a result code and error number; empty when no table has one.
std::string GetFPrnErrorText(std::int32_t code, std::int32_t errorNumber);

// What the error box of a failed command shows. For -7 and -8 the driver's message in the
// return buffer (up to `length` bytes or a zero byte), or a text of our own when there is
// none (commands without a return buffer); else GetFPrnErrorText.
std::string CommandErrorText(const TFPrnResult& result, const char* buffer, std::int32_t length);

// The texts of the console's message boxes.
struct TMessageTexts {
    std::string errorCaption;        // every error box
    std::string illegalFormat;       // a reply that cannot be read
    std::string sramEraseQuestion;   // two lines joined by "\n\r"
    std::string confirmationCaption; // the SRAM erase question's box
};
TMessageTexts& MessageTexts();

// The language application's part for these texts: with a language object, every message
// text and table entry becomes the language text of its identifier (missing ones empty);
// without one, nothing changes.
void ApplyLanguageToTexts();

} // namespace fprn::console
