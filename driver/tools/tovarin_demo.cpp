// tovarin-demo PORT: drives a printer through the user driver library, loaded by name as hosts
// load it, and prints each command's result and reply.
#include "dynlib.h"
#include "tovarin.h"

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>

namespace {

fprn::plat::DynLib gLib;

template <class Fn> Fn Bind(const char* name) {
    auto fn = reinterpret_cast<Fn>(gLib.Symbol(name));
    if (!fn) {
        std::fprintf(stderr, "tovarin-demo: %s missing: %s\n", name, gLib.Error().c_str());
        std::exit(1);
    }
    return fn;
}
#define BIND(name) Bind<decltype(&::name)>(#name)

std::string Printable(const char* buf, int32_t len) {
    std::string out;
    for (int32_t i = 0; i < len; ++i) {
        unsigned char c = static_cast<unsigned char>(buf[i]);
        if (c >= 0x20 && c < 0x7F) {
            out.push_back(static_cast<char>(c));
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "<%02X>", c);
            out += hex;
        }
    }
    return out;
}

int gFailures = 0;

void Show(const char* what, const TFPrnResult& r, const char* buf, int32_t len) {
    std::printf("%-28s code %3d", what, static_cast<int>(r.Code));
    if (r.Code == 0 || r.Code <= FPRN_DRIVER_ERROR) {
        std::string text = Printable(buf, len);
        if (text.size() > 60) text = text.substr(0, 60) + "...";
        std::printf("  %s", text.c_str());
    } else if (r.Code <= -4) {
        std::printf("  printer error %d", static_cast<int>(r.ErrorNumber));
    }
    std::printf("\n");
    if (r.Code != 0) ++gFailures;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tovarin-demo PORT\n");
        return 2;
    }
    if (!gLib.Load(fprn::plat::ProgramFolder() + "libtovarin.so")) {
        std::fprintf(stderr, "tovarin-demo: %s\n", gLib.Error().c_str());
        return 1;
    }
    auto open = BIND(OpenFPrn);
    auto close = BIND(CloseFPrn);
    int32_t opened = open(argv[1], 9600);
    std::printf("OpenFPrn(%s, 9600)            %d\n", argv[1], static_cast<int>(opened));
    if (opened != 0) return 1;

    TFPrnResult r{};
    char buf[512];
    int32_t len;
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);

#define RUN(label, call)                                                                           \
    len = sizeof buf;                                                                              \
    call;                                                                                          \
    Show(label, r, buf, len);

    RUN("hardware status", BIND(cmHardwareStatus)(&r, buf, &len));
    RUN("software status", BIND(cmSoftwareStatus)(&r, buf, &len));
    RUN("printer status", BIND(cmPrinterStatus)(&r, buf, &len));
    RUN("set date", BIND(cmSetDate)(&r, tm.tm_mday, tm.tm_mon + 1, tm.tm_year % 100, buf, &len));
    RUN("set time", BIND(cmSetTime)(&r, tm.tm_hour, tm.tm_min, tm.tm_sec, buf, &len));
    RUN("clerk logon", BIND(cmClerkLogon)(&r, 1, "000", buf, &len));
    RUN("sale 1.5 kg apples",
        BIND(cmSaleItem)(&r, 1.5, "kg", 2.35, "01", "APPLES", 0, 0.0, buf, &len));
    RUN("sale 2 bottles",
        BIND(cmSaleItem)(&r, 2, "pc", 0.99, "02", "MINERAL WATER", 1, 0.25, buf, &len));
    RUN("subtotal", BIND(cmPrintSubTotal)(&r, buf, &len));
    RUN("payment in cash", BIND(cmPayment)(&r, 0, "CASH", 10.0, buf, &len));
    RUN("close receipt", BIND(cmReceiptClose)(&r, "THANK YOU", buf, &len));
    RUN("X report", BIND(cmXReport)(&r, 1, buf, &len));
    RUN("upload tax rates", BIND(cmUploadTaxRate)(&r, buf, &len));
    RUN("upload items", BIND(cmUploadPlu)(&r, buf, &len));
    std::error_code ec;
    std::printf("%-28s %llu bytes\n", "  _Plu.mem",
                static_cast<unsigned long long>(std::filesystem::file_size("_Plu.mem", ec)));
    RUN("upload return packages", BIND(cmUploadPkg)(&r, '0', buf, &len));
    std::printf("%-28s %llu bytes\n", "  _RtnPkg.mem",
                static_cast<unsigned long long>(std::filesystem::file_size("_RtnPkg.mem", ec)));
    RUN("sale with a bad price", BIND(cmSaleItem)(&r, 1, "pc", 1e300, "01", "X", 0, 0, buf, &len));
    --gFailures; // that one is meant to fail

    std::printf("CloseFPrn()                   %d\n", static_cast<int>(close()));
    std::printf("%s\n", gFailures == 0 ? "all commands answered" : "some commands failed");
    return gFailures == 0 ? 0 : 1;
}
