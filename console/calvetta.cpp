// calvetta: the demonstration console. "--bind-only" ends once both driver libraries are bound
// (an installation check).
#include "consolemain.h"
#include "languagetable.h"
#include "programstart.h"

int main(int argc, char** argv) {
    fprn::console::StartOptions options;
    const fprn::programstart::Program program{
        "calvetta",
        fprn::console::kConsoleVersion,
        "The fiscal printer's demonstration console: every command of both driver libraries.",
        {{"--bind-only", "binds both driver libraries, then ends (an installation check)",
          &options.bindOnly}}};
    if (int status = fprn::programstart::CheckCommandLine(argc, argv, program); status >= 0)
        return status;
    return fprn::console::RunConsole(argc, argv, options);
}
