#pragma once
// What the toolbar widget tests share: the application, a bar of fixed content size, forms with
// docks (laid out or bare) and an error collector.
#include "toolwindow.h"

#include <QApplication>
#include <QBoxLayout>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace fprn::toolbars::test {

class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        fApp = std::make_unique<QApplication>(fArgc, fArgv);
    }
    void TearDown() override { fApp.reset(); }

private:
    int fArgc = 1;
    char fName[16] = "toolbar_tests";
    char* fArgv[2] = {fName, nullptr};
    std::unique_ptr<QApplication> fApp;
};

// One application for every test of the binary.
inline ::testing::Environment* const gQtEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

inline void Settle() {
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
}

// Its controls need a fixed client size: width along a horizontal row, height across it.
class TTestBar : public TCustomToolWindow {
public:
    explicit TTestBar(QSize content = {50, 22}) : fContent(content) {}
    void SetContent(QSize s) {
        fContent = s;
        Arrange();
    }
    // The content runs along the row: its height is the thickness across, either way.
    int RowThickness(TDockOrientation) override { return fContent.height(); }
    QSize MinimumClientSize() override { return fContent; }
    QSize ArrangeControls(bool, TDockOrientation, TDock* target) override {
        ++arranged;
        return target && target->IsVertical() ? fContent.transposed() : fContent;
    }
    int arranged = 0;

private:
    QSize fContent;
};

// A 400x300 form with top, bottom and left docks, in a box layout or placed by hand.
struct Form {
    explicit Form(bool laidOut) {
        form.resize(400, 300);
        top = new TDock(&form);
        bottom = new TDock(&form);
        bottom->SetPosition(dpBottom);
        left = new TDock(&form);
        left->SetPosition(dpLeft);
        central = new QWidget(&form);
        if (laidOut) {
            auto* v = new QVBoxLayout(&form);
            v->setContentsMargins(0, 0, 0, 0);
            v->setSpacing(0);
            auto* h = new QHBoxLayout;
            h->addWidget(left);
            h->addWidget(central, 1);
            v->addWidget(top);
            v->addLayout(h, 1);
            v->addWidget(bottom);
        } else {
            top->setGeometry(0, 0, 400, 0);
            bottom->setGeometry(0, 300, 400, 0);
            left->setGeometry(0, 0, 0, 300);
        }
    }
    // The pointer goes off the form with it: Qt drops a move to where the pointer already is,
    // so one left where the next test's form has a button would swallow that test's first move.
    ~Form() {
        if (QWindow* w = form.windowHandle())
            QTest::mouseMove(w, w->mapFromGlobal(QPoint(-1000, -1000)));
    }
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;
    void Show() {
        form.show();
        form.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&form));
        // Shown again, the form is still this platform's focus window, while the widgets' active
        // window went with the hide: activate it, as a window manager does.
        if (QApplication::activeWindow() != &form) QApplication::setActiveWindow(&form);
        Settle();
    }
    QWidget form;
    TDock* top;
    TDock* bottom;
    TDock* left;
    QWidget* central;
};

// Error boxes from handlers, collected instead of shown.
struct Errors {
    Errors() {
        fOld = SetToolbarErrorHook([this](const std::string& m) { list.push_back(m); });
    }
    ~Errors() { SetToolbarErrorHook(fOld); }
    std::vector<std::string> list;

private:
    std::function<void(const std::string&)> fOld;
};

} // namespace fprn::toolbars::test
