// The firmware update export of the service driver library.
#include "include/meskade.h"
#include "progressform.h"

#include <QApplication>
#include <QThread>
#include <QWidget>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

std::atomic<bool> gUpdateRunning{false};

bool HasEnv(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

// Without one of these, making a QApplication would end the host process.
bool DisplayAvailable() {
    return HasEnv("QT_QPA_PLATFORM") || HasEnv("DISPLAY") || HasEnv("WAYLAND_DISPLAY");
}

// The handle as a widget of this application, or null: a stale or foreign handle is not used.
QWidget* OwnerWidget(std::uintptr_t handle) {
    if (handle == 0) return nullptr;
    const auto widgets = QApplication::allWidgets();
    for (QWidget* w : widgets)
        if (reinterpret_cast<std::uintptr_t>(w) == handle) return w;
    return nullptr;
}

int Refuse(const char* why) {
    std::fprintf(stderr, "UpdateFPrnProgram: %s\n", why);
    return -1;
}

class RunningMark {
public:
    RunningMark() : entered_(!gUpdateRunning.exchange(true)) {}
    ~RunningMark() {
        if (entered_) gUpdateRunning = false;
    }
    bool Entered() const { return entered_; }

private:
    bool entered_;
};

} // namespace

extern "C" int32_t UpdateFPrnProgram(uintptr_t owner, const char* port, int32_t full) {
    RunningMark running;
    if (!running.Entered()) return Refuse("an update is already running");
    try {
        static int argc = 1;
        static char name[] = "meskade";
        static char* argv[] = {name, nullptr};
        std::unique_ptr<QApplication> ownApp;
        QCoreApplication* app = QCoreApplication::instance();
        if (!app) {
            if (!DisplayAvailable()) return Refuse("no display for the progress dialog");
            ownApp = std::make_unique<QApplication>(argc, argv);
            app = ownApp.get();
        } else if (!qobject_cast<QApplication*>(app)) {
            return Refuse("the host's Qt application has no widgets");
        }
        if (QThread::currentThread() != app->thread())
            return Refuse("not called on the thread of the host's Qt application");
        return fprn::RunProgressUpdate(OwnerWidget(owner), port ? port : "", (full & 0xFF) != 0);
    } catch (...) {
        return -1;
    }
}
