#pragma once
// The program: the application object, the binding of both driver libraries, the main form
// and the hidden progress form, the loop; at the end the forms, then the application, then the
// libraries.
#include "fprnapi.h"
#include "mainform.h"

#include <functional>
#include <string>

namespace fprn::console {

class TProgressForm;

struct StartOptions {
    DriverLocation drivers;
    FormOptions form;
    // Runs once the main form is on the screen (the demo tour, tests); the loop then runs
    // until the main form closes.
    std::function<void(TMainForm&, TProgressForm&)> onShown;
    // Ends after binding, with status 0 (an installation check).
    bool bindOnly = false;
};

// 0 after the main form has closed; 1 when the libraries cannot be bound (a box and a line on
// stderr say why, before any window, port, language library or trace file).
int RunConsole(int& argc, char** argv, const StartOptions& options);

} // namespace fprn::console
