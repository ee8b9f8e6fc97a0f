#include "consolemain.h"

#include "languagetext.h"
#include "messagebox.h"
#include "programstart.h"
#include "progresswindow.h"
#include "qtpump.h"

#include <QApplication>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <memory>

namespace fprn::console {

int RunConsole(int& argc, char** argv, const StartOptions& options) {
    // A write past the file-size limit then fails with EFBIG, which is reported, instead of
    // ending the program with unsaved work.
    std::signal(SIGXFSZ, SIG_IGN);
    // Declared first, so that they are unloaded last: after the forms and the application.
    TovarinApi user;
    MeskadeApi service;
    int status = 0;
    {
        const auto app = programstart::OpenApplication(argc, argv, "calvetta");
        QApplication::setApplicationName(QStringLiteral("calvetta"));
        std::string error = LoadDriverLibraries(user, service, options.drivers);
        if (!error.empty()) {
            std::fprintf(stderr, "calvetta: %s\n", error.c_str());
            ShowMessageBox(nullptr, QMessageBox::Critical, QStringLiteral("Error"),
                           lang::FromCharset(error));
            return 1;
        }
        if (options.bindOnly) return 0;

        // The drivers' waits serve Qt's events, and Qt's loops the drivers' queue.
        QtPumpBridge bridge("calvetta");
        auto mainForm = std::make_unique<TMainForm>(user, service, options.form);
        auto progressForm =
            std::make_unique<TProgressForm>(mainForm.get(), mainForm->TolmIBusComm1());
        mainForm->show();
        if (options.onShown) {
            TMainForm* form = mainForm.get();
            TProgressForm* progress = progressForm.get();
            QTimer::singleShot(0, form, [&options, form, progress] {
                form->Guarded([&] { options.onShown(*form, *progress); });
            });
        }
        status = QApplication::exec();
        progressForm.reset();
        mainForm.reset();
    }
    return status;
}

} // namespace fprn::console
