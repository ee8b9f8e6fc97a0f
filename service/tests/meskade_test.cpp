// The service library beside the user library in one process: each keeps its own state.
#include "include/meskade.h"
#include "include/tovarin.h"
#include "printer.h"
#include "tovarinlib.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

using fprn::Bytes;
using fprn::emu::Printer;
using fprn::emu::Reaction;

namespace {

// The service library's own entry points, found in it by name (the program's plain calls of
// OpenFPrn go to whichever library the linker saw first).
struct ServiceLib {
    void* handle = nullptr;
    decltype(&::OpenFPrn) Open = nullptr;
    decltype(&::CloseFPrn) Close = nullptr;
    decltype(&::AbortFPrn) Abort = nullptr;
    decltype(&::cmSRAMErase) SRAMErase = nullptr;
    decltype(&::cmSetTaxID) SetTaxID = nullptr;
    decltype(&::cmEnterFiscalMode) EnterFiscalMode = nullptr;

    explicit ServiceLib(int flags) {
        handle = dlopen((fprn::plat::ProgramFolder() + "libmeskade.so").c_str(), flags);
        if (!handle) return;
        Open = reinterpret_cast<decltype(Open)>(dlsym(handle, "OpenFPrn"));
        Close = reinterpret_cast<decltype(Close)>(dlsym(handle, "CloseFPrn"));
        Abort = reinterpret_cast<decltype(Abort)>(dlsym(handle, "AbortFPrn"));
        SRAMErase = reinterpret_cast<decltype(SRAMErase)>(dlsym(handle, "cmSRAMErase"));
        SetTaxID = reinterpret_cast<decltype(SetTaxID)>(dlsym(handle, "cmSetTaxID"));
        EnterFiscalMode =
            reinterpret_cast<decltype(EnterFiscalMode)>(dlsym(handle, "cmEnterFiscalMode"));
    }
    ~ServiceLib() {
        if (handle) dlclose(handle);
    }
};

} // namespace

TEST(Meskade, ExportsExactlyTheServiceFunctions) {
    EXPECT_EQ(
        fprn::test::ExportedNames("libmeskade.so"),
        (std::set<std::string>{"OpenFPrn", "CloseFPrn", "AbortFPrn", "cmSRAMErase",
                               "cmEnterFiscalMode", "cmSetID", "cmSetTaxID", "UpdateFPrnProgram"}));
}

TEST(Meskade, LinkedBesideTheUserLibraryKeepsItsOwnState) {
    ServiceLib service(RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(service.handle, nullptr);
    ASSERT_NE(service.Open, nullptr);
    ASSERT_NE(service.Open, &::OpenFPrn) << "the program's OpenFPrn should be the user library's";
    // The service commands exist only in the service library, so the program's calls reach it.
    ASSERT_EQ(service.SRAMErase, &::cmSRAMErase);

    Printer user, svc;
    ASSERT_EQ(::OpenFPrn(user.SlavePath().c_str(), 9600), 0);
    EXPECT_EQ(service.Open(svc.SlavePath().c_str(), 9600), 0); // not "already open"

    TFPrnResult r{};
    char buf[100];
    int32_t len = 100;
    ::cmSRAMErase(&r, buf, &(len = 100));
    EXPECT_EQ(r.Code, 0);
    for (int i = 0; i < 3; ++i) ::cmHardwareStatus(&r, buf, &(len = 100));
    service.SRAMErase(&r, buf, &(len = 100));
    ASSERT_EQ(user.Received().size(), 3u);
    ASSERT_EQ(svc.Received().size(), 2u);
    EXPECT_EQ(svc.Received()[0].text, "43");
    // Each library counts its own frames: the user library's three commands in between do not
    // move the service library's number.
    EXPECT_EQ(svc.Received()[1].sequence, svc.Received()[0].sequence % 99 + 1);
    EXPECT_EQ(user.Received()[2].sequence, (user.Received()[0].sequence + 1) % 99 + 1);

    EXPECT_EQ(::CloseFPrn(), 0);
    EXPECT_EQ(service.Close(), 0);
    user.Stop();
    svc.Stop();
}

TEST(Meskade, LoadedByNameBesideTheUserLibrary) {
    fprn::test::TovarinLib user;
    user.Load();
    ServiceLib service(RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(service.handle, nullptr);
    Printer a, b;
    ASSERT_EQ(user.OpenFPrn(a.SlavePath().c_str(), 9600), 0);
    EXPECT_EQ(service.Open(b.SlavePath().c_str(), 9600), 0);
    EXPECT_EQ(service.Open(b.SlavePath().c_str(), 9600), -1);
    // The same port cannot be held by both.
    EXPECT_EQ(user.CloseFPrn(), 0);
    EXPECT_EQ(user.OpenFPrn(b.SlavePath().c_str(), 9600), -2);
    EXPECT_EQ(service.Close(), 0);
    EXPECT_EQ(user.OpenFPrn(b.SlavePath().c_str(), 9600), 0);
    EXPECT_EQ(user.CloseFPrn(), 0);
    a.Stop();
    b.Stop();
}

TEST(Meskade, ServiceCommandsOnTheWire) {
    ServiceLib service(RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(service.handle, nullptr);
    Printer p;
    TFPrnResult r{};
    char buf[100];
    int32_t len = 100;
    service.SRAMErase(&r, buf, &len); // closed
    EXPECT_EQ(r.Code, -1);
    service.SetTaxID(&r, "1", 0x0100, buf, &(len = 0)); // size query
    EXPECT_EQ(r.Code, 0);
    EXPECT_EQ(len, 100);
    ASSERT_EQ(service.Open(p.SlavePath().c_str(), 9600), 0);
    p.PushReaction(Reaction::WithPayload("O0"));
    p.PushReaction(Reaction::WithPayload("O0"));
    service.SetTaxID(&r, "1234567890", 0x0100, buf, &(len = 100));
    EXPECT_EQ(r.Code, 0);
    service.EnterFiscalMode(&r, "AB", "567", buf, &(len = 100));
    EXPECT_EQ(r.Code, 0);
    auto frames = p.Received();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].text, Bytes("521234567890\x01\x00", 14));
    EXPECT_EQ(frames[1].text, "46 AB     567");
    EXPECT_EQ(service.Close(), 0);
    p.Stop();
}
