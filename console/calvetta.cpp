// calvetta: the demonstration console. "--bind-only" ends once both driver libraries are bound
// (an installation check).
#include "consolemain.h"

#include <cstring>

int main(int argc, char** argv) {
    fprn::console::StartOptions options;
    if (argc == 2 && std::strcmp(argv[1], "--bind-only") == 0) {
        options.bindOnly = true;
        argc = 1;
    }
    return fprn::console::RunConsole(argc, argv, options);
}
