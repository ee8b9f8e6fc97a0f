// fprn-emulator: plays the printer on a pseudo-terminal until SIGINT or SIGTERM, and with
// --boot-link its boot loader for the firmware download on a second one (see Usage).
#include "bootloader.h"
#include "items.h"
#include "printer.h"
#include "ptypair.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <memory>
#include <mutex>
#include <optional>
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

// The printer's and the boot loader's threads both log: one line at a time.
std::mutex gLogMutex;

void Log(const fprn::emu::ReceivedFrame& frame) {
    std::lock_guard lock(gLogMutex);
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

constexpr const char* kUsage =
    "usage: fprn-emulator [--link PATH] [--items PATH] [--check NAME=VALUE]...\n"
    "                     [--boot-link PATH [--boot-image PATH]]\n";

constexpr const char* kHelp =
    "Plays the fiscal printer on a pseudo-terminal until SIGINT or SIGTERM and prints every\n"
    "command it receives.\n"
    "  --link PATH         a symbolic link PATH to the printer's terminal\n"
    "                      (FPRN_COM2=PATH points the driver's COM2 at it)\n"
    "  --items PATH        first writes the printer's items to PATH as an item file\n"
    "  --check NAME=VALUE  what a printer check reports in the status replies: battery, pin,\n"
    "                      memtest, damaged, ram, flash, fiscalmem, supermode, checksum (one\n"
    "                      character), voltage (two digits), buffer (0-999), version (four)\n"
    "  --boot-link PATH    also plays the printer's boot loader for the firmware download on a\n"
    "                      second terminal, linked as PATH (FPRN_COM3=PATH: the console's\n"
    "                      \"Update Full Program\" on COM3 reaches it)\n"
    "  --boot-image PATH   with --boot-link: after each download's end packet, writes the image\n"
    "                      the boot loader rebuilt from the blocks to PATH\n"
    "  --help              this text\n";

// A line naming what is wrong with the arguments, then the usage.
int Usage(const std::string& wrong) {
    std::cerr << "fprn-emulator: " << wrong << "\n" << kUsage;
    return 2;
}

// Links `link` to `target`, replacing only an old link of ours, never a file someone else put
// there.
bool MakeLink(const std::string& link, const std::string& target) {
    struct stat st {};
    if (lstat(link.c_str(), &st) == 0) {
        if (!S_ISLNK(st.st_mode)) {
            std::cerr << "fprn-emulator: " << link << " exists and is not a link\n";
            return false;
        }
        unlink(link.c_str());
    }
    if (symlink(target.c_str(), link.c_str()) != 0) {
        std::cerr << "fprn-emulator: cannot link " << link << ": " << std::strerror(errno) << "\n";
        return false;
    }
    std::cout << "fprn-emulator: " << link << " -> " << target << std::endl;
    return true;
}

// Written beside the target and renamed over it: a reader never sees half an image.
bool WriteImage(const std::string& path, const std::vector<std::uint8_t>& image) {
    const std::string temporary = path + ".part";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(image.data()),
                  static_cast<std::streamsize>(image.size()));
        if (!out.flush()) return false;
    }
    return std::rename(temporary.c_str(), path.c_str()) == 0;
}

// The boot loader on its own terminal; logs the steps of a download and keeps its image.
class BootSide {
public:
    explicit BootSide(std::string imagePath) : imagePath_(std::move(imagePath)) {
        loader_.SetOnWakeUp([](int bursts) { Line("wake-up burst " + std::to_string(bursts)); });
        loader_.SetOnPacket([this](const fprn::emu::BootPacket& p) { Take(p); });
        loader_.Start();
    }
    ~BootSide() { loader_.Stop(); }
    BootSide(const BootSide&) = delete;
    BootSide& operator=(const BootSide&) = delete;

    const std::string& SlavePath() const { return pty_.slavePath(); }

private:
    static void Line(const std::string& text) {
        std::lock_guard lock(gLogMutex);
        std::cout << "boot loader: " << text << std::endl;
    }

    static std::string Hex(unsigned value) {
        char text[8];
        std::snprintf(text, sizeof text, "0x%04X", value);
        return text;
    }

    // On the loader's thread, before its answer goes out: once the end packet is acknowledged,
    // the image is on disk.
    void Take(const fprn::emu::BootPacket& p) {
        if (p.action != fprn::emu::BootAction::Answer) {
            Line("packet " + Hex(p.command) + " " + Hex(p.number) + " at " +
                 std::to_string(p.rate) + " baud not answered");
            return;
        }
        if (p.command == 0x0E) {
            if (p.number != 1) return Line("identification request");
            Line("logon at " + std::to_string(p.rate) + " baud");
            started_ = false;
            blocks_ = 0;
            return;
        }
        if (p.command != 0x0F) return;
        if (!started_) {
            started_ = true;
            return Line("start packet " + Hex(p.number));
        }
        if (!loader_.EndSeen()) {
            if (++blocks_ % 64 == 0) Line(std::to_string(blocks_) + " blocks");
            return;
        }
        const std::vector<std::uint8_t> image = loader_.Image();
        std::string line = "end of program, image sum " + Hex(loader_.EndSum()) + ", " +
                           std::to_string(blocks_) + " blocks, " + std::to_string(image.size()) +
                           " bytes";
        if (!imagePath_.empty())
            line += WriteImage(imagePath_, image) ? ", written to " + imagePath_
                                                  : ", NOT written to " + imagePath_;
        Line(line);
    }

    std::string imagePath_;
    fprn::test::PtyPair pty_;
    fprn::emu::FakeBootLoader loader_{pty_.master()};
    int blocks_ = 0;
    bool started_ = false;
};

} // namespace

int main(int argc, char** argv) {
    std::string link, items, bootLink, bootImage;
    fprn::emu::PrinterState state = fprn::emu::FactoryState();
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help") {
            std::cout << kUsage << kHelp;
            return 0;
        }
        std::string* path = arg == "--link"         ? &link
                            : arg == "--items"      ? &items
                            : arg == "--boot-link"  ? &bootLink
                            : arg == "--boot-image" ? &bootImage
                                                    : nullptr;
        if (path == nullptr && arg != "--check")
            return Usage((arg.starts_with("-") ? "unknown option " : "unexpected argument ") + arg);
        if (i + 1 >= argc) return Usage(arg + (path ? " needs a path" : " needs NAME=VALUE"));
        const char* value = argv[++i];
        std::string why;
        if (path)
            *path = value;
        else if (!fprn::emu::SetHardwareCheck(state.hardware, value, &why))
            return Usage("--check " + std::string(value) + ": " + why);
    }
    if (!bootImage.empty() && bootLink.empty()) return Usage("--boot-image needs --boot-link");

    // Blocked before the emulator's threads exist, so only sigwait below sees them.
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
        if (!link.empty() && !MakeLink(link, printer.SlavePath())) return 1;
        std::unique_ptr<BootSide> boot;
        if (!bootLink.empty()) {
            boot = std::make_unique<BootSide>(bootImage);
            std::cout << "fprn-emulator: boot loader on " << boot->SlavePath() << std::endl;
            if (!MakeLink(bootLink, boot->SlavePath())) {
                if (!link.empty()) unlink(link.c_str());
                return 1;
            }
        }

        int signal = 0;
        sigwait(&stops, &signal);
        printer.Stop();
        boot.reset();
        if (!link.empty()) unlink(link.c_str());
        if (!bootLink.empty()) unlink(bootLink.c_str());
        std::cout << "fprn-emulator: stopped" << std::endl;
    } catch (const std::exception& e) {
        std::cerr << "fprn-emulator: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
