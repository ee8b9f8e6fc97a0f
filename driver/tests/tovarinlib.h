#pragma once
// The user driver library loaded the way hosts load it: by file name, functions by name.
#include "dynlib.h"
#include "include/tovarin.h"

#include <gtest/gtest.h>

#include <string>

namespace fprn::test {

struct TovarinLib {
    plat::DynLib lib;
#define FPRN_FN(name) decltype(&::name) name = nullptr;
    FPRN_FN(OpenFPrn)
    FPRN_FN(CloseFPrn)
    FPRN_FN(AbortFPrn)
    FPRN_FN(isCommandExecuting)
    FPRN_FN(ExecCommand)
    FPRN_FN(GetReturnBufLength)
    FPRN_FN(cmHardwareStatus)
    FPRN_FN(cmSoftwareStatus)
    FPRN_FN(cmPrinterStatus)
    FPRN_FN(cmSaleItem)
    FPRN_FN(cmPayment)
    FPRN_FN(cmUploadPlu)
    FPRN_FN(cmUploadPkg)
    FPRN_FN(cmUploadTaxRate)
    FPRN_FN(cmXReport)
    FPRN_FN(cmSetVatRate)
    FPRN_FN(cmSRAMDump)
#undef FPRN_FN

    // Loads the library from the test program's folder; fails the test when it cannot.
    void Load(const std::string& file = "libtovarin.so") {
        ASSERT_TRUE(lib.Load(plat::ProgramFolder() + file)) << lib.Error();
#define FPRN_BIND(name)                                                                            \
    name = reinterpret_cast<decltype(name)>(lib.Symbol(#name));                                    \
    ASSERT_NE(name, nullptr) << #name;
        FPRN_BIND(OpenFPrn)
        FPRN_BIND(CloseFPrn)
        FPRN_BIND(AbortFPrn)
        FPRN_BIND(isCommandExecuting)
        FPRN_BIND(ExecCommand)
        FPRN_BIND(GetReturnBufLength)
        FPRN_BIND(cmHardwareStatus)
        FPRN_BIND(cmSoftwareStatus)
        FPRN_BIND(cmPrinterStatus)
        FPRN_BIND(cmSaleItem)
        FPRN_BIND(cmPayment)
        FPRN_BIND(cmUploadPlu)
        FPRN_BIND(cmUploadPkg)
        FPRN_BIND(cmUploadTaxRate)
        FPRN_BIND(cmXReport)
        FPRN_BIND(cmSetVatRate)
        FPRN_BIND(cmSRAMDump)
#undef FPRN_BIND
    }
};

} // namespace fprn::test
