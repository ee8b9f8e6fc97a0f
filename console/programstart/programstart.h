#pragma once
// The front door of a program with windows: its command line, checked before any window, and
// its application object, made so that a display that cannot be opened ends the program with
// one line rather than the toolkit's abort.
#include <QApplication>

#include <memory>
#include <vector>

namespace fprn::programstart {

// An option of the program's own that takes no value ("--bind-only").
struct Flag {
    const char* name;
    const char* help;
    bool* given;
};

struct Program {
    const char* name; // as its messages and usage name it
    const char* version;
    const char* summary; // what it does, one line
    std::vector<Flag> flags;
};

// Checks the arguments. --help prints the usage and --version the version on stdout; a flag of
// the program's own is set and taken out; the toolkit's options stay for the application
// object; anything else gets a line naming it and the usage on stderr. Returns the status to
// end with (0 after --help or --version, 2 after a wrong argument), or -1 to go on.
int CheckCommandLine(int& argc, char** argv, const Program& program);

// The application object. When the toolkit cannot start (no display can be opened), one line
// on stderr says so and the process ends with status 1. What the toolkit says while it starts
// is held back until it has.
std::unique_ptr<QApplication> OpenApplication(int& argc, char** argv, const char* program);

} // namespace fprn::programstart
