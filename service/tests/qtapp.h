#pragma once
// Including this gives the test program one QApplication for the whole run.
#include <QApplication>
#include <QWidget>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace fprn::test {

class QtApp : public ::testing::Environment {
public:
    void SetUp() override { app_ = std::make_unique<QApplication>(argc_, argv_); }
    void TearDown() override { app_.reset(); }

private:
    int argc_ = 1;
    char name_[6] = "tests";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> app_;
};

inline ::testing::Environment* const qtApp = ::testing::AddGlobalTestEnvironment(new QtApp);

// Calls `onShow` for every widget shown anywhere in the application.
class ShowWatcher : public QObject {
public:
    explicit ShowWatcher(std::function<void(QWidget*)> onShow) : onShow_(std::move(onShow)) {
        qApp->installEventFilter(this);
    }
    ~ShowWatcher() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && watched->isWidgetType())
            onShow_(static_cast<QWidget*>(watched));
        return false;
    }

private:
    std::function<void(QWidget*)> onShow_;
};

} // namespace fprn::test
