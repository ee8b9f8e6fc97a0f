#pragma once
// Joins the platform pump and Qt on the calling thread, for as long as the bridge lives: the
// pump's waits serve Qt's events and sleep in Qt until either side has something, and Qt's own
// loops (modal boxes, file dialogs, exec) drain the platform queue. Needs a QCoreApplication.
#include "msgqueue.h"

#include <QObject>
#include <functional>
#include <string>

class QSocketNotifier;

namespace fprn {

class QtPumpBridge : public QObject {
public:
    // `onError` runs when a queue handler throws while Qt's loop serves it (nothing may cross
    // Qt's loop); the message goes to stderr after `tag`.
    explicit QtPumpBridge(std::string tag, std::function<void()> onError = {},
                          QObject* parent = nullptr);
    // Puts back the host hook that was set before.
    ~QtPumpBridge() override;
    QtPumpBridge(const QtPumpBridge&) = delete;
    QtPumpBridge& operator=(const QtPumpBridge&) = delete;

private:
    void ServeQueue();

    std::string tag_;
    std::function<void()> onError_;
    QSocketNotifier* notifier_ = nullptr;
    plat::HostHook previous_;
};

} // namespace fprn
