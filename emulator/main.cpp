// fprn-emulator [--link PATH] [--items PATH]: plays the printer on a pseudo-terminal until SIGINT
// or SIGTERM; --items first writes the printer's items as an item file.
#include "items.h"
#include "printer.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <pthread.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The command text with bytes outside printable ASCII as \xNN.
std::string Readable(const fprn::Bytes& text) {
    std::string out;
    for (unsigned char c : text) {
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            out.push_back(static_cast<char>(c));
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    return out;
}

void Log(const fprn::emu::ReceivedFrame& frame) {
    if (!frame.valid) {
        std::cout << "     -- invalid frame of " << frame.raw.size()
                  << " bytes: " << Readable(frame.raw) << std::endl;
        return;
    }
    auto name = fprn::emu::CommandName(frame.text);
    std::cout << (frame.sequence < 10 ? "  " : " ") << static_cast<int>(frame.sequence) << "  "
              << (name.empty() ? std::string_view("unknown command") : name) << ": \""
              << Readable(frame.text) << "\"" << std::endl;
}

int Usage() {
    std::cerr << "usage: fprn-emulator [--link PATH] [--items PATH] [--check NAME=VALUE]...\n";
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    std::string link, items;
    fprn::emu::PrinterState state = fprn::emu::FactoryState();
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--link") == 0 && i + 1 < argc)
            link = argv[++i];
        else if (std::strcmp(argv[i], "--items") == 0 && i + 1 < argc)
            items = argv[++i];
        else if (std::strcmp(argv[i], "--check") == 0 && i + 1 < argc &&
                 fprn::emu::SetHardwareCheck(state.hardware, argv[i + 1]))
            ++i;
        else
            return Usage();
    }

    // Blocked before the emulator's thread exists, so only sigwait below sees them.
    sigset_t stops;
    sigemptyset(&stops);
    sigaddset(&stops, SIGINT);
    sigaddset(&stops, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stops, nullptr);

    try {
        fprn::emu::Printer printer(Log, std::move(state));
        if (!items.empty()) {
            auto written = fprn::emu::WriteItemFile(printer.State(), items);
            if (!written.ok()) {
                std::cerr << "fprn-emulator: " << written.message << "\n";
                return 1;
            }
            std::cout << "fprn-emulator: items written to " << items << std::endl;
        }
        std::cout << "fprn-emulator: printer on " << printer.SlavePath() << std::endl;
        if (!link.empty()) {
            struct stat st {};
            // Replace only an old link of ours, never a file someone else put there.
            if (lstat(link.c_str(), &st) == 0) {
                if (!S_ISLNK(st.st_mode)) {
                    std::cerr << "fprn-emulator: " << link << " exists and is not a link\n";
                    return 1;
                }
                unlink(link.c_str());
            }
            if (symlink(printer.SlavePath().c_str(), link.c_str()) != 0) {
                std::cerr << "fprn-emulator: cannot link " << link << ": " << std::strerror(errno)
                          << "\n";
                return 1;
            }
            std::cout << "fprn-emulator: " << link << " -> " << printer.SlavePath() << std::endl;
        }

        int signal = 0;
        sigwait(&stops, &signal);
        printer.Stop();
        if (!link.empty()) unlink(link.c_str());
        std::cout << "fprn-emulator: stopped" << std::endl;
    } catch (const std::exception& e) {
        std::cerr << "fprn-emulator: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
