#include "qtpump.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <cstdio>
#include <exception>

namespace fprn {

QtPumpBridge::QtPumpBridge(std::string tag, std::function<void()> onError, QObject* parent)
    : QObject(parent), tag_(std::move(tag)), onError_(std::move(onError)) {
    notifier_ = new QSocketNotifier(plat::QueueFd(), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { ServeQueue(); });
    previous_ = plat::SetHostHook(
        {[] { QCoreApplication::processEvents(); },
         [](int) { QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents); }});
}

QtPumpBridge::~QtPumpBridge() {
    plat::SetHostHook(std::move(previous_));
}

void QtPumpBridge::ServeQueue() {
    try {
        plat::DispatchPending();
        return;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", tag_.c_str(), e.what());
    } catch (...) {
        std::fprintf(stderr, "%s: unknown error\n", tag_.c_str());
    }
    if (onError_) onError_();
}

} // namespace fprn
