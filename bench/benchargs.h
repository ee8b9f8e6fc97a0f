#pragma once
// The arguments of a benchmark, checked before anything runs.
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace fprn::bench {

// "--help" anywhere ends the program with the usage line `usage` (what follows the program's
// name) on stdout and exit status 0, before anything runs.
inline void AnswerHelp(int argc, char** argv, const char* usage) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") != 0) continue;
        std::printf("usage: %s %s\n", argv[0], usage);
        std::exit(0);
    }
}

// argv[1] as a whole number of at least `least`, or `fallback` when it is not given; "--help"
// ends the program as AnswerHelp does, any other text with the usage line and exit status 2.
inline int CountArgument(int argc, char** argv, int fallback, int least, const char* usage) {
    AnswerHelp(argc, argv, usage);
    if (argc < 2) return fallback;
    const char* text = argv[1];
    char* end = nullptr;
    errno = 0;
    const long n = std::strtol(text, &end, 10);
    if (end != text && *end == '\0' && errno == 0 && n >= least && n <= INT_MAX)
        return static_cast<int>(n);
    std::fprintf(stderr, "usage: %s %s\n  the count is a whole number of at least %d, not \"%s\"\n",
                 argv[0], usage, least, text);
    std::exit(2);
}

} // namespace fprn::bench
