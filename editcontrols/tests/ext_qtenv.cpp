// The application object and the edit library for the widget tests.
#include "edlib.h"

#include <QApplication>
#include <gtest/gtest.h>

namespace {

class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        app_ = new QApplication(argc_, argv_);
        fprn::editcontrols::StartEditLibrary();
    }
    void TearDown() override {
        fprn::editcontrols::EndEditLibrary();
        delete app_;
        app_ = nullptr;
    }

private:
    int argc_ = 1;
    char name_[20] = "ext_widget_tests";
    char* argv_[2] = {name_, nullptr};
    QApplication* app_ = nullptr;
};

[[maybe_unused]] ::testing::Environment* const gEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

} // namespace
