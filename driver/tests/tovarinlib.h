#pragma once
// The user driver library loaded the way hosts load it: by file name, functions by name.
#include "dynlib.h"
#include "include/tovarin.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <sstream>
#include <string>

namespace fprn::test {

// The functions the tests call.
// clang-format off
#define FPRN_TOVARIN_FUNCTIONS(X)                                                               \
    X(OpenFPrn) X(CloseFPrn) X(AbortFPrn) X(isCommandExecuting) X(ExecCommand)                  \
    X(GetReturnBufLength) X(cmHardwareStatus) X(cmSoftwareStatus) X(cmPrinterStatus)           \
    X(cmSaleItem) X(cmPayment) X(cmUploadPlu) X(cmUploadPkg) X(cmXReport) X(cmCancelItem)     \
    X(cmSalePackage) X(cmReturnPackage) X(cmInvoiceInfo) X(cmPrnRpt)
// clang-format on

struct TovarinLib {
    plat::DynLib lib;
#define FPRN_FIELD(name) decltype(&::name) name = nullptr;
    FPRN_TOVARIN_FUNCTIONS(FPRN_FIELD)
#undef FPRN_FIELD

    // Loads the library from the test program's folder; fails the test when it cannot.
    void Load(const std::string& file = "libtovarin.so") {
        ASSERT_TRUE(lib.Load(plat::ProgramFolder() + file)) << lib.Error();
#define FPRN_BIND(name)                                                                            \
    name = reinterpret_cast<decltype(name)>(lib.Symbol(#name));                                    \
    ASSERT_NE(name, nullptr) << #name;
        FPRN_TOVARIN_FUNCTIONS(FPRN_BIND)
#undef FPRN_BIND
    }
};

// The names a library in the program's folder exports, as the dynamic linker sees them.
inline std::set<std::string> ExportedNames(const std::string& file) {
    std::string cmd = "nm -D --defined-only " + plat::ProgramFolder() + file;
    std::set<std::string> names;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return names;
    char line[512];
    while (fgets(line, sizeof line, p)) {
        std::istringstream ss(line);
        std::string addr, type, name;
        ss >> addr >> type >> name;
        if (!name.empty() && name != "_init" && name != "_fini" && name.rfind("__", 0) != 0 &&
            name.find('@') == std::string::npos)
            names.insert(name);
    }
    pclose(p);
    return names;
}

} // namespace fprn::test
