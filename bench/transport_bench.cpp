// Command round trips through the user driver library against the printer emulator, the same
// exchange through a bare termios loop (the floor on this machine), and the CPU the library
// spends waiting on a silent printer.
#include "benchargs.h"
#include "dynlib.h"
#include "frame.h"
#include "msgqueue.h"
#include "printer.h"
#include "timer.h"
#include "tovarin.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

using Clock = std::chrono::steady_clock;

namespace {

struct Stats {
    double perSecond, medianMs, p99Ms;
};

Stats Summarise(std::vector<double> ms, double totalSeconds) {
    std::sort(ms.begin(), ms.end());
    return {static_cast<double>(ms.size()) / totalSeconds, ms[ms.size() / 2],
            ms[std::min(ms.size() - 1, ms.size() * 99 / 100)]};
}

double CpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

template <class Fn> Stats Measure(int rounds, Fn once) {
    std::vector<double> ms;
    ms.reserve(static_cast<std::size_t>(rounds));
    auto start = Clock::now();
    for (int i = 0; i < rounds; ++i) {
        auto t0 = Clock::now();
        if (!once()) {
            std::fprintf(stderr, "round %d failed\n", i);
            std::exit(1);
        }
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }
    return Summarise(ms, std::chrono::duration<double>(Clock::now() - start).count());
}

// Writes the frame and reads until the reply's closing delimiter.
bool RawRoundTrip(int fd, const fprn::Bytes& frame) {
    if (write(fd, frame.data(), frame.size()) != static_cast<ssize_t>(frame.size())) return false;
    int delimiters = 0;
    char buf[512];
    while (delimiters < 2) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 5000) <= 0) return false;
        ssize_t n = read(fd, buf, sizeof buf);
        if (n <= 0) return false;
        for (ssize_t i = 0; i < n; ++i)
            if (static_cast<unsigned char>(buf[i]) == 0xC0) ++delimiters;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    const int rounds = fprn::bench::CountArgument(argc, argv, 2000, 1, "[rounds]");
    fprn::plat::DynLib lib(fprn::plat::ProgramFolder() + "libtovarin.so");
    if (!lib.IsLoaded()) {
        std::fprintf(stderr, "%s\n", lib.Error().c_str());
        return 1;
    }
    auto open = reinterpret_cast<decltype(&OpenFPrn)>(lib.Symbol("OpenFPrn"));
    auto close = reinterpret_cast<decltype(&CloseFPrn)>(lib.Symbol("CloseFPrn"));
    auto abort = reinterpret_cast<decltype(&AbortFPrn)>(lib.Symbol("AbortFPrn"));
    auto status = reinterpret_cast<decltype(&cmPrinterStatus)>(lib.Symbol("cmPrinterStatus"));

    fprn::emu::Printer printer;
    if (open(printer.SlavePath().c_str(), 9600) != 0) return 1;
    TFPrnResult r{};
    char buf[100];
    int32_t len = 100;
    Stats viaLib = Measure(rounds, [&] {
        len = 100;
        status(&r, buf, &len);
        return r.Code == 0;
    });

    // The silent printer: one wait of 5 s, ended by the host after it.
    printer.PushReaction(fprn::emu::Reaction::Silent());
    fprn::plat::Timer host([&] { abort(); });
    host.SetInterval(4990);
    host.SetEnabled(true);
    double cpu0 = CpuSeconds();
    auto t0 = Clock::now();
    len = 100;
    status(&r, buf, &len);
    double waited = std::chrono::duration<double>(Clock::now() - t0).count();
    double cpuMs = (CpuSeconds() - cpu0) * 1000;
    host.SetEnabled(false);
    close();

    int fd = ::open(printer.SlavePath().c_str(), O_RDWR | O_NOCTTY);
    termios tio{};
    tcgetattr(fd, &tio);
    cfmakeraw(&tio);
    cfsetspeed(&tio, B9600);
    tcsetattr(fd, TCSANOW, &tio);
    std::uint8_t seq = 0;
    fprn::Bytes frame = fprn::BuildFrame(seq, "47");
    Stats raw = Measure(rounds, [&] { return RawRoundTrip(fd, frame); });
    ::close(fd);
    printer.Stop();

    std::printf("round trips of command 47 against the emulator on a pty, %d each\n", rounds);
    std::printf("  library : %8.0f /s  median %.3f ms  p99 %.3f ms\n", viaLib.perSecond,
                viaLib.medianMs, viaLib.p99Ms);
    std::printf("  raw loop: %8.0f /s  median %.3f ms  p99 %.3f ms\n", raw.perSecond, raw.medianMs,
                raw.p99Ms);
    std::printf("  library / raw (median): %.2fx\n", viaLib.medianMs / raw.medianMs);
    std::printf("silent printer: waited %.2f s, process CPU %.2f ms\n", waited, cpuMs);
    return 0;
}
