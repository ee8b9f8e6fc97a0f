#pragma once
// What the widget tests share: the application object, the beep and error-box counters, and a
// form with two edits to move the focus between.
#include "inplaceedit.h"

#include <QApplication>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace fprn::editcontrols::test {

// The application exists from before the first test to after the last; `start` and `end` run
// inside that span (the edit library's start, for instance).
class QtEnvironment : public ::testing::Environment {
public:
    explicit QtEnvironment(std::function<void()> start = {}, std::function<void()> end = {})
        : fStart(std::move(start)), fEnd(std::move(end)) {}
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        fApp = std::make_unique<QApplication>(fArgc, fArgv);
        if (fStart) fStart();
    }
    void TearDown() override {
        if (fEnd) fEnd();
        fApp.reset();
    }

private:
    std::function<void()> fStart, fEnd;
    int fArgc = 1;
    char fName[16] = "widget_tests";
    char* fArgv[2] = {fName, nullptr};
    std::unique_ptr<QApplication> fApp;
};

// Counts beeps, collects the error boxes and logs what happens, in order.
class Hooks {
public:
    Hooks() {
        fOldBeep = SetEditBeepHook([this] {
            ++beeps;
            Log("beep");
        });
        fOldError = SetEditErrorHook([this](const std::string& m) {
            errors.push_back(m);
            Log("error " + m);
        });
    }
    ~Hooks() {
        SetEditBeepHook(fOldBeep);
        SetEditErrorHook(fOldError);
    }
    // Logs the entries and exits of `edit` as "enter <name>" and "exit <name>".
    void Watch(TInplaceEdit* edit, const std::string& name) {
        edit->OnEnter = [this, name](TInplaceEdit*) { Log("enter " + name); };
        edit->OnExit = [this, name](TInplaceEdit*) { Log("exit " + name); };
    }
    void Log(const std::string& event) { fLog += (fLog.empty() ? "" : ", ") + event; }
    // What was logged since the last call.
    std::string Events() { return std::exchange(fLog, std::string()); }

    int beeps = 0;
    std::vector<std::string> errors;

private:
    std::function<void()> fOldBeep;
    std::function<void(const std::string&)> fOldError;
    std::string fLog;
};

// Focus, activity, modified flag and text of an edit in one string: "focus active modified '5'".
inline std::string State(const TInplaceEdit& e) {
    return std::string(e.hasFocus() ? "focus " : "") + (e.Active() ? "active " : "") +
           (e.GetModified() ? "modified " : "") + "'" + e.text().toStdString() + "'";
}

// Lets posted events (focus returns, posted pastes) run.
inline void Settle() {
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
}

// A shown window with edit `a` focused and edit `b` below it to take the focus.
template <typename Edit> struct TwoEdits {
    QWidget window;
    Edit* a = new Edit(&window);
    Edit* b = new Edit(&window);
    TwoEdits() {
        b->move(0, 40);
        window.resize(200, 100);
        window.show();
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
        Focus(a);
    }
    void Focus(QWidget* w, Qt::FocusReason reason = Qt::OtherFocusReason) {
        w->setFocus(reason);
        Settle();
    }
};

} // namespace fprn::editcontrols::test
