// The console's reply dump and status decoding on the real main form, a Hardware Status click
// through the form against the printer emulator beside the bare library round trip, and
// captures of 5000 records read, decoded and shown in their grids.
// Usage: fprn_bench_console [rounds]
#include "benchargs.h"
#include "fprnapi.h"
#include "mainform.h"
#include "messagebox.h"
#include "printer.h"
#include "qtpump.h"
#include "replydecode.h"
#include "stringgrid.h"
#include "tempdir.h"

#include "dumplist.h"
#include <QAbstractButton>
#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

using Clock = std::chrono::steady_clock;
using namespace fprn;
using namespace fprn::console;

namespace {

// `prepare` runs before each timed round, outside the time.
template <class Prepare, class Fn> double MedianMs(int rounds, Prepare prepare, Fn once) {
    std::vector<double> ms;
    for (int i = 0; i < rounds; ++i) {
        prepare();
        auto t0 = Clock::now();
        once();
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

std::string HardwareReply() {
    return "O0DEM00012345" + std::string("1234567890") + "\x33\x22" + "1010000" + "00421758" +
           std::string(16, ' ') + "0010" + "31";
}

template <class Fn> double MedianMs(int rounds, Fn once) {
    return MedianMs(
        rounds, [] {}, once);
}

std::string BigEndian(std::uint64_t value, int width) {
    std::string out;
    for (int i = width - 1; i >= 0; --i) out.push_back(static_cast<char>(value >> (8 * i) & 0xFF));
    return out;
}

// Item records as the printer sends them (price, tax rate, sold count, three empty values,
// the barcode) and package records with every field set.
void WriteCaptures(int records) {
    std::string plu, pkg;
    const std::uint64_t rates[] = {2300, 800, 500, 10000};
    for (int i = 0; i < records; ++i) {
        std::string name = "ITEM " + std::to_string(i);
        name.resize(32, '\0');
        const auto n = static_cast<std::uint64_t>(i);
        plu += name + BigEndian(n * 37 % 65000, 2) + BigEndian(rates[i % 4], 2) +
               BigEndian(n * 7, 2) + std::string(6, '\xFF') + std::string(20, '5');
        pkg += name + BigEndian(n * 1234567, 6) + BigEndian(n, 4) + BigEndian(n * 99, 6) +
               BigEndian(n * 3, 4) + BigEndian(7, 6);
    }
    std::ofstream("_Plu.mem", std::ios::binary) << plu;
    std::ofstream("_RtnPkg.mem", std::ios::binary) << pkg;
}

} // namespace

int main(int argc, char** argv) {
    const int rounds = fprn::bench::CountArgument(argc, argv, 200, 10, "[rounds]");
    // Without a display it runs offscreen, as it does on a build machine.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    SetMessageBoxSeam([](QMessageBox& box) {
        std::fprintf(stderr, "box: %s\n", qPrintable(box.text()));
        return QMessageBox::Ok;
    });
    emu::Printer printer;
    setenv("FPRN_COM2", printer.SlavePath().c_str(), 1);
    TovarinApi user;
    MeskadeApi service;
    if (std::string error = LoadDriverLibraries(user, service); !error.empty()) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    std::printf("median of %d rounds\n", rounds);
    {
        QtPumpBridge bridge("bench");
        TMainForm form(user, service);
        form.show();
        QApplication::processEvents();

        std::string dump(512, '\0');
        for (std::size_t i = 0; i < dump.size(); ++i) dump[i] = static_cast<char>(i * 7);
        auto clear = [&] { form.ListBox1->clear(); };
        double empty =
            MedianMs(rounds, clear, [&] { form.ShowReturnBuffer("", dump.data(), 512); });
        double emptyPainted = MedianMs(rounds, clear, [&] {
            form.ShowReturnBuffer("", dump.data(), 512);
            form.ListBox1->repaint();
        });
        QStringList filler;
        for (int i = 0; i < 100000; ++i) filler << QStringLiteral("line %1").arg(i);
        // Back to 100,000 lines before each round.
        auto refill = [&] {
            if (form.ListBox1->count() != 100000) {
                form.ListBox1->clear();
                form.ListBox1->addLines(filler);
            }
        };
        double full =
            MedianMs(rounds, refill, [&] { form.ShowReturnBuffer("", dump.data(), 512); });
        double fullPainted = MedianMs(rounds, refill, [&] {
            form.ShowReturnBuffer("", dump.data(), 512);
            form.ListBox1->repaint();
        });
        std::printf("512-byte dump into an empty list: %.3f ms (goal < 1 ms), painted %.3f ms\n",
                    empty, emptyPainted);
        std::printf("512-byte dump after 100,000 lines: %.3f ms (goal < 2 ms), painted %.3f ms\n",
                    full, fullPainted);
        form.ListBox1->clear();

        std::string reply = HardwareReply();
        double parse = MedianMs(rounds * 10, [&] { (void)ParseHardwareStatus(reply); });
        // Each round starts from the menu with the paints of the last one done, as a user's
        // next click does.
        auto fromMenu = [&] {
            form.ShowPage(1);
            QApplication::processEvents();
        };
        auto decode40 = [&] {
            form.DecodeReturnBuffer("40", reply.data(), static_cast<std::int32_t>(reply.size()));
        };
        double fill = MedianMs(rounds, decode40);
        double decode = MedianMs(rounds, fromMenu, decode40);
        double pageChange = MedianMs(rounds, fromMenu, [&] { form.ShowPage(12); });
        std::printf("reply 40 parsed: %.4f ms; decoded into page 12 on the screen: %.4f ms "
                    "(goal < 0.2 ms); from the menu: %.4f ms, of which the page change alone "
                    "%.4f ms\n",
                    parse, fill, decode, pageChange);

        // The bare round trip: the same two calls the form makes, on an open port.
        user.OpenFPrn("COM2", 9600);
        double bare = MedianMs(rounds, [&] {
            TFPrnResult r{};
            std::int32_t size = 0;
            user.cmHardwareStatus(&r, nullptr, &size);
            std::vector<char> buffer(static_cast<std::size_t>(size), '\0');
            user.cmHardwareStatus(&r, buffer.data(), &size);
            if (r.Code != 0) std::exit(1);
        });
        user.CloseFPrn();
        QAbstractButton* button = form.Button(QStringLiteral("bbtnChkHw"));
        auto clickToPage12 = [&] {
            button->click();
            if (form.CurrentPage() != 12) std::exit(1);
        };
        double click = MedianMs(
            rounds,
            [&] {
                form.ListBox1->clear();
                fromMenu();
            },
            clickToPage12);
        // The same with the window's paint that follows the click.
        double painted = MedianMs(
            rounds,
            [&] {
                form.ListBox1->clear();
                fromMenu();
            },
            [&] {
                clickToPage12();
                form.repaint();
            });
        std::printf(
            "Hardware Status click to page 12: %.3f ms; bare library round trip: %.3f ms; "
            "the form adds %.3f ms (goal < 1 ms); with the window painted after it %.3f ms\n",
            click, bare, click - bare, painted);

        // The viewers read the captures from the current folder.
        {
            test::TempDir captures("bench-captures", true);
            WriteCaptures(5000);
            const struct {
                const char* what;
                const char* code;
                const char* grid;
                int page;
            } viewers[] = {{"item capture", "90", "sgrdPlu", 26},
                           {"package capture", "89", "sgrdPkg", 30}};
            for (const auto& v : viewers) {
                auto* grid = form.Control<TStringGrid>(QString::fromLatin1(v.grid));
                double shown = MedianMs(std::max(10, rounds / 10), [&] {
                    form.ShowPage(1);
                    form.DecodeReturnBuffer(v.code, "", 0);
                    grid->viewport()->repaint();
                    if (form.CurrentPage() != v.page || grid->RowCount() != 5001) std::exit(1);
                });
                std::printf("%s of 5000 records read, decoded, shown and painted in its grid: "
                            "%.3f ms (goal < 250 ms)\n",
                            v.what, shown);
            }
        }
        form.close();
    }
    SetMessageBoxSeam({});
    return 0;
}
