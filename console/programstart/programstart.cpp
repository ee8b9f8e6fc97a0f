#include "programstart.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string>
#include <string_view>

namespace fprn::programstart {

namespace {

// The toolkit's own options, which its application object takes with one dash or two.
constexpr std::string_view kToolkitValueOptions[] = {
    "platform",    "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry",
    "qwindowicon", "qwindowtitle",       "session",       "style",  "stylesheet",
    "display",     "geometry",           "title",         "icon",   "name",
    "visual"};
constexpr std::string_view kToolkitFlags[] = {"reverse", "widgetcount", "nograb",
                                              "dograb",  "sync",        "testability"};
// Those it also takes as "-name=value".
constexpr std::string_view kToolkitJoinedOptions[] = {"style", "stylesheet", "qmljsdebugger"};

template <std::size_t N> bool Holds(const std::string_view (&list)[N], std::string_view name) {
    return std::find(std::begin(list), std::end(list), name) != std::end(list);
}

void PrintUsage(std::FILE* out, const Program& program) {
    std::fprintf(out, "usage: %s", program.name);
    for (const Flag& flag : program.flags) std::fprintf(out, " [%s]", flag.name);
    std::fprintf(out, " [--help] [--version] [Qt options: -platform NAME, -style NAME, ...]\n");
}

int Wrong(const Program& program, const std::string& what) {
    std::fprintf(stderr, "%s: %s\n", program.name, what.c_str());
    PrintUsage(stderr, program);
    return 2;
}

// While the application object is made: the toolkit's messages, and the program's name.
struct Held {
    QtMsgType type;
    QByteArray category;
    QString text;
};
struct Starting {
    const char* program = nullptr;
    std::vector<Held> held;
};
Starting* gStarting = nullptr;

std::string DisplayNamed() {
    const char* display = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    std::string text =
        display && *display ? std::string("DISPLAY=") + display : std::string("DISPLAY is not set");
    if (wayland && *wayland) text += std::string(", WAYLAND_DISPLAY=") + wayland;
    if (platform && *platform) text += std::string(", QT_QPA_PLATFORM=") + platform;
    return text;
}

void HoldOrEnd(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtFatalMsg) {
        // The toolkit would abort: its platform, and so the display, could not be opened.
        std::fprintf(stderr, "%s: no display could be opened (%s)\n", gStarting->program,
                     DisplayNamed().c_str());
        std::fflush(stderr);
        std::_Exit(1);
    }
    gStarting->held.push_back({type, context.category ? context.category : "", text});
}

} // namespace

int CheckCommandLine(int& argc, char** argv, const Program& program) {
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help") {
            PrintUsage(stdout, program);
            std::printf("%s\n", program.summary);
            for (const Flag& flag : program.flags)
                std::printf("  %-12s %s\n", flag.name, flag.help);
            std::printf("  --help       this text\n  --version    the program's version\n");
            return 0;
        }
        if (arg == "--version") {
            std::printf("%s %s\n", program.name, program.version);
            return 0;
        }
        auto own = std::find_if(program.flags.begin(), program.flags.end(),
                                [arg](const Flag& flag) { return arg == flag.name; });
        if (own != program.flags.end()) {
            *own->given = true;
            continue;
        }
        if (arg.size() < 2 || arg[0] != '-')
            return Wrong(program, "unexpected argument " + std::string(arg));
        std::string_view name = arg.substr(arg.starts_with("--") ? 2 : 1);
        const std::size_t equals = name.find('=');
        const bool known = Holds(kToolkitFlags, name) || Holds(kToolkitValueOptions, name) ||
                           (equals != std::string_view::npos &&
                            Holds(kToolkitJoinedOptions, name.substr(0, equals)));
        if (!known) return Wrong(program, "unknown option " + std::string(arg));
        argv[kept++] = argv[i];
        if (!Holds(kToolkitValueOptions, name)) continue;
        if (i + 1 >= argc) return Wrong(program, std::string(arg) + " needs a value");
        argv[kept++] = argv[++i];
    }
    argv[kept] = nullptr;
    argc = kept;
    return -1;
}

std::unique_ptr<QApplication> OpenApplication(int& argc, char** argv, const char* program) {
    Starting starting;
    starting.program = program;
    gStarting = &starting;
    const QtMessageHandler previous = qInstallMessageHandler(HoldOrEnd);
    auto app = std::make_unique<QApplication>(argc, argv);
    qInstallMessageHandler(previous);
    gStarting = nullptr;
    for (const Held& message : starting.held) {
        const QMessageLogContext context(nullptr, 0, nullptr, message.category.constData());
        qt_message_output(message.type, context, message.text);
    }
    return app;
}

} // namespace fprn::programstart
