// calvetta-tour [SHOTS_FOLDER [BOOT_IMAGE [PRINTER_LOG]]]: starts the console as calvetta does,
// runs the demo tour through its buttons, saves a screenshot of the screen after each step into the
// folder (default "demo"), closes the window the way a user does and ends with status 0 only when
// every step and the close went as expected. BOOT_IMAGE is where the emulator's boot loader (on
// COM3) writes the image it rebuilt, which the firmware update's step compares with what it sent;
// PRINTER_LOG is where the emulator prints the commands it receives, which the sales check.
#include "consolemain.h"
#include "mainform.h"
#include "messagebox.h"
#include "tour.h"

#include <QTest>
#include <cstdio>

using namespace fprn::console;

int main(int argc, char** argv) {
    std::filesystem::path shots = argc > 1 ? argv[1] : "demo";
    std::filesystem::path bootImage = argc > 2 ? argv[2] : "";
    std::filesystem::path printerLog = argc > 3 ? argv[3] : "";
    int qtArgc = 1;
    bool passed = false;

    // A box before the tour starts (the language library missing) is a failure.
    int startBoxes = 0;
    SetMessageBoxSeam([&](QMessageBox& box) {
        std::fprintf(stderr, "tour: box at start: %s\n", qPrintable(box.text()));
        ++startBoxes;
        return QMessageBox::Ok;
    });

    StartOptions options;
    options.onShown = [&](TMainForm& form, TProgressForm& progress) {
        if (!QTest::qWaitForWindowExposed(&form)) {
            std::fprintf(stderr, "tour: the main window did not show\n");
            form.close();
            return;
        }
        {
            tour::Tour t(form, progress, shots);
            t.SetBootImage(bootImage);
            t.SetPrinterLog(printerLog);
            passed = startBoxes == 0 && t.RunAll();
        }
        form.close();
        if (form.isVisible()) {
            std::fprintf(stderr, "tour: the window did not close\n");
            passed = false;
        }
    };
    int status = RunConsole(qtArgc, argv, options);
    if (status != 0) return status;
    std::printf(passed ? "tour: passed\n" : "tour: FAILED\n");
    return passed ? 0 : 1;
}
