// Binds the driver libraries, or loads a language library, the way the console does, from
// wherever the tests copy it; prints what happened.
#include "fprnapi.h"
#include "language.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "bind") == 0) {
        fprn::console::TovarinApi user;
        fprn::console::MeskadeApi service;
        std::string error = fprn::console::LoadDriverLibraries(user, service);
        std::printf("%s\n", error.empty() ? "bound" : error.c_str());
        return error.empty() ? 0 : 1;
    }
    if (argc == 3 && std::strcmp(argv[1], "language") == 0) {
        fprn::lang::TBsLocale locale;
        bool loaded = locale.LoadLib(argv[2]);
        std::printf("%s\n", loaded ? "loaded" : locale.Error().c_str());
        return loaded ? 0 : 1;
    }
    std::fprintf(stderr, "usage: %s bind | language NAME\n", argv[0]);
    return 2;
}
