// The program's start and end as calvetta runs them: each test runs the whole start, with its
// own application object, and ends through the window's close.
#include "consolemain.h"
#include "languagetable.h"
#include "messagebox.h"
#include "printer.h"
#include "progresswindow.h"
#include "savedtexts.h"
#include "scopedenv.h"
#include "tempdir.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace fprn::console {
namespace {

struct Box {
    QMessageBox::Icon icon;
    QString caption, text;
};

class StartTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetMessageBoxSeam([this](QMessageBox& box) {
            boxes.push_back({box.icon(), box.windowTitle(), box.text()});
            return QMessageBox::Ok;
        });
    }
    void TearDown() override { SetMessageBoxSeam({}); }

    int Run(StartOptions options) {
        char name[] = "calvetta";
        char* argv[] = {name, nullptr};
        int argc = 1;
        return RunConsole(argc, argv, options);
    }

    testing::SavedTexts texts; // the started form applies its language to them
    test::TempDir dir{"console-start", true};
    emu::Printer printer;
    test::ScopedEnv com2{"FPRN_COM2", printer.SlavePath().c_str()};
    std::vector<Box> boxes;
};

TEST_F(StartTest, OpensOnTheMenuWithItsTextsAndClosesIdleWithoutAQuestion) {
    StartOptions options;
    bool shown = false;
    options.onShown = [&](TMainForm& form, TProgressForm& progress) {
        shown = true;
        EXPECT_EQ(form.windowTitle(), "Demo V1.13");
        EXPECT_EQ(form.PortCB->currentText(), "COM2");
        EXPECT_EQ(form.PortCB->count(), 4);
        EXPECT_EQ(form.CurrentPage(), 1);
        for (const char* hidden :
             {"UpdateProgramBtn", "bbtnDumpSram", "bbtnDumpEprom", "bbtnDumpRom",
              "bbtnEnterFiscalMode", "bbtnSetId", "bbtnUserMode", "bbtnServiceLogon",
              "bbtnTestSram", "bbtnSetDate", "btnOnline", "btnOffline", "btnUpdateFullProgram",
              "bbtnCommLine", "bbtnSetDept", "bbtnDepReport", "bbtnUploadDepart"})
            EXPECT_TRUE(form.Control(QString::fromLatin1(hidden))->isHidden()) << hidden;
        EXPECT_FALSE(form.Control(QStringLiteral("bbtnChkHw"))->isHidden());
        EXPECT_TRUE(progress.isHidden());

        form.Button(QStringLiteral("bbtnChkSw"))->click();
        EXPECT_EQ(form.CurrentPage(), 13);
        EXPECT_TRUE(form.UserPortOpen());
        form.close();
        EXPECT_FALSE(form.isVisible());
        EXPECT_FALSE(form.UserPortOpen());
        EXPECT_FALSE(form.ServicePortOpen());
    };
    EXPECT_EQ(Run(options), 0);
    EXPECT_TRUE(shown);
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(lang::LanguageObject(), nullptr) << "freed with the form";
    ASSERT_TRUE(printer.WaitForFrames(1, std::chrono::seconds(5)));
    EXPECT_EQ(printer.Received()[0].text, "41");
}

TEST_F(StartTest, WithoutTheLanguageLibraryOneBoxAndTheBuiltInTexts) {
    StartOptions options;
    options.form.languageFile = "libfprn_no_such_language.so";
    options.onShown = [&](TMainForm& form, TProgressForm&) {
        EXPECT_EQ(lang::LanguageObject(), nullptr);
        EXPECT_EQ(form.windowTitle(), "Demo");
        for (const LanguageRow& row : LanguageRows()) {
            QWidget* control = form.findChild<QWidget*>(QString::fromLatin1(row.name));
            if (!control) continue;
            EXPECT_EQ(ControlCaption(control), QString::fromLatin1(row.builtIn)) << row.name;
        }
        form.close();
    };
    EXPECT_EQ(Run(options), 0);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Can not load Peltrane.dll");
    EXPECT_EQ(boxes[0].caption, "Error");
    EXPECT_EQ(boxes[0].icon, QMessageBox::Critical);
}

TEST_F(StartTest, AMissingDriverLibraryStopsTheStartBeforeAnything) {
    StartOptions options;
    options.drivers.serviceFile = "libfprn_no_such_driver.so";
    bool shown = false;
    options.onShown = [&](TMainForm&, TProgressForm&) { shown = true; };
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(Run(options), 1);
    std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_FALSE(shown);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "Error");
    EXPECT_EQ(boxes[0].icon, QMessageBox::Critical);
    EXPECT_TRUE(boxes[0].text.startsWith("Cannot load libfprn_no_such_driver.so: "));
    EXPECT_NE(err.find(boxes[0].text.toStdString()), std::string::npos) << err;
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "FiscPrn.log"));
    EXPECT_TRUE(printer.Received().empty());
    EXPECT_EQ(lang::LanguageObject(), nullptr) << "no language library either";
}

} // namespace
} // namespace fprn::console
