// UpdateFPrnProgram from libmeskade.so inside a Qt host: the real file dialog is filled in as a
// user would, and the real progress dialog runs against the fake boot loader.
#include "bootloader.h"
#include "firmwareimage.h"
#include "meskade.h"
#include "ptypair.h"
#include "qtapp.h"
#include "tempdir.h"

#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>
#include <thread>

using namespace fprn::test;
using fprn::emu::BootAction;

namespace {

class ExportTest : public ::testing::Test {
protected:
    ExportTest() { owner.show(); }
    void TearDown() override { loader.Stop(); }
    std::int32_t Update(std::int32_t full) {
        return UpdateFPrnProgram(reinterpret_cast<std::uintptr_t>(&owner), pty.slavePath().c_str(),
                                 full);
    }
    // Plays the user: picks `pick` in the file dialog (or cancels it when empty), presses OK on
    // an error, and notes what it saw on the way.
    void OnShow(QWidget* w) {
        if (auto* files = qobject_cast<QFileDialog*>(w)) {
            ++dialogs;
            filters = files->nameFilters();
            QTimer::singleShot(0, files, [this, files] {
                if (whileChoosing) whileChoosing();
                if (pick.empty()) return files->reject();
                files->selectFile(QString::fromStdString(pick));
                static_cast<QDialog*>(files)->accept();
            });
        } else if (w->objectName() == "ProgressForm") {
            ownerEnabledInDialog = owner.isEnabled();
        } else if (w->objectName() == "OKBtn") {
            errorText = w->parentWidget()->findChild<QLabel*>("StatusLabel")->text().toStdString();
            QTimer::singleShot(0, w, [w] { static_cast<QPushButton*>(w)->click(); });
        }
    }

    TempDir dir{"update-export"};
    Bytes image = MakeImage(65536, 31);
    std::string imagePath = WriteFile(dir.path() / "firmware.hex", image);
    QWidget owner;
    std::string pick;
    std::function<void()> whileChoosing;
    QStringList filters;
    int dialogs = 0;
    bool ownerEnabledInDialog = true;
    std::string errorText;
    ShowWatcher user{[this](QWidget* w) { OnShow(w); }};
    PtyPair pty;
    fprn::emu::FakeBootLoader loader{pty.master()};
};

} // namespace

TEST_F(ExportTest, FullUpdateThroughTheRealDialogs) {
    loader.Start();
    pick = imagePath;
    EXPECT_EQ(Update(1), 0);
    EXPECT_EQ(dialogs, 1);
    EXPECT_EQ(filters, QStringList{"Binary Files (*.hex)"});
    EXPECT_FALSE(ownerEnabledInDialog);
    EXPECT_TRUE(owner.isEnabled());
    EXPECT_TRUE(errorText.empty());
    EXPECT_EQ(loader.StartNumber(), 0x0F0F);
    EXPECT_EQ(loader.Image(), WithSum(image));
    EXPECT_EQ(loader.EndSum(), SumOf(image, 65534));
    EXPECT_EQ(QApplication::topLevelWidgets().size(), 1); // the dialog went with the call
}

TEST_F(ExportTest, OnlyTheLowByteOfTheFullFlagCountsAndFailureIsShownUntilOk) {
    loader.Script(0x0F, 16, std::vector<BootAction>(7, BootAction::Nak));
    loader.Start();
    pick = imagePath;
    owner.setEnabled(false);
    EXPECT_EQ(Update(0x100), 0);
    EXPECT_EQ(loader.StartNumber(), 0);
    EXPECT_EQ(errorText, "Download Program...Error!");
    EXPECT_FALSE(loader.EndSeen());
    EXPECT_FALSE(owner.isEnabled()); // disabled before the call, so it stays
}

TEST_F(ExportTest, SecondCallWhileOneRunsIsRefusedAndUnknownOwnersAreLeftAlone) {
    loader.Start();
    std::int32_t inner = 1;
    whileChoosing = [&] { inner = UpdateFPrnProgram(0, pty.slavePath().c_str(), 0); };
    EXPECT_EQ(Update(0), 0); // the choice is cancelled
    EXPECT_EQ(inner, -1);
    EXPECT_EQ(dialogs, 1);
    EXPECT_TRUE(owner.isEnabled());
    // Once the first call is over, the next may run.
    whileChoosing = nullptr;
    int notAWidget = 0;
    EXPECT_EQ(UpdateFPrnProgram(reinterpret_cast<std::uintptr_t>(&notAWidget),
                                pty.slavePath().c_str(), 0),
              0);
    EXPECT_EQ(notAWidget, 0);
    EXPECT_EQ(UpdateFPrnProgram(0, nullptr, 0), 0);
    EXPECT_EQ(dialogs, 3);
    EXPECT_TRUE(loader.Received().empty());
}

TEST_F(ExportTest, CallFromAnotherThreadIsRefused) {
    loader.Start();
    std::int32_t result = 1;
    ::testing::internal::CaptureStderr();
    std::thread([&] { result = Update(0); }).join();
    std::string message = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(result, -1);
    EXPECT_NE(message.find("thread"), std::string::npos) << message;
    EXPECT_EQ(dialogs, 0);
    EXPECT_TRUE(owner.isEnabled());
}
