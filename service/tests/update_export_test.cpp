// UpdateFPrnProgram from libmeskade.so inside a Qt host: the real file dialog is filled in as a
// user would, and the real progress dialog runs against the fake boot loader.
#include "bootloader.h"
#include "meskade.h"
#include "ptypair.h"

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <numeric>
#include <random>
#include <thread>
#include <unistd.h>

using fprn::emu::BootAction;
using fprn::emu::FakeBootLoader;
namespace fs = std::filesystem;

namespace {

class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "update_export_tests";
        static char* argv[] = {name, nullptr};
        app_ = new QApplication(argc, argv);
    }
    void TearDown() override { delete app_; }

private:
    QApplication* app_ = nullptr;
};

[[maybe_unused]] ::testing::Environment* const qtEnv =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

// Plays the user: picks `pick` in the file dialog (or cancels it when empty), presses OK on an
// error, and notes what it saw on the way.
class User : public QObject {
public:
    explicit User(QWidget& owner) : owner_(owner) { qApp->installEventFilter(this); }
    ~User() override { qApp->removeEventFilter(this); }

    std::string pick;
    std::function<void()> whileChoosing;
    QStringList filters;
    int dialogs = 0;
    bool ownerEnabledInDialog = true;
    std::string errorText;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Show || !watched->isWidgetType()) return false;
        auto* w = static_cast<QWidget*>(watched);
        if (auto* files = qobject_cast<QFileDialog*>(w)) {
            ++dialogs;
            filters = files->nameFilters();
            QTimer::singleShot(0, files, [this, files] {
                if (whileChoosing) whileChoosing();
                if (pick.empty()) {
                    files->reject();
                    return;
                }
                files->selectFile(QString::fromStdString(pick));
                static_cast<QDialog*>(files)->accept();
            });
        } else if (w->objectName() == "ProgressForm") {
            ownerEnabledInDialog = owner_.isEnabled();
        } else if (w->objectName() == "OKBtn") {
            auto* status = w->parentWidget()->findChild<QLabel*>("StatusLabel");
            errorText = status ? status->text().toStdString() : "?";
            QTimer::singleShot(0, w, [w] { static_cast<QPushButton*>(w)->click(); });
        }
        return false;
    }

private:
    QWidget& owner_;
};

class ExportTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() /
                 ("update-export-" + std::to_string(::getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(folder);
        image.resize(65536);
        std::mt19937 rng(31);
        for (auto& b : image) b = static_cast<std::uint8_t>(rng());
        image[65530] = 'P';
        image[65531] = 'L';
        imagePath = (folder / "firmware.hex").string();
        std::ofstream(imagePath, std::ios::binary)
            .write(reinterpret_cast<const char*>(image.data()), static_cast<long>(image.size()));
        owner.show();
    }
    void TearDown() override {
        loader.Stop();
        fs::remove_all(folder);
    }
    std::int32_t Update(std::int32_t full) {
        return UpdateFPrnProgram(reinterpret_cast<std::uintptr_t>(&owner), pty.slavePath().c_str(),
                                 full);
    }
    std::uint16_t Sum() const {
        return static_cast<std::uint16_t>(
            std::accumulate(image.begin(), image.begin() + 65534, std::uint32_t{0}));
    }

    fs::path folder;
    std::vector<std::uint8_t> image;
    std::string imagePath;
    QWidget owner;
    User user{owner};
    fprn::test::PtyPair pty;
    FakeBootLoader loader{pty.master()};
};

} // namespace

TEST_F(ExportTest, FullUpdateThroughTheRealDialogs) {
    loader.Start();
    user.pick = imagePath;
    EXPECT_EQ(Update(1), 0);
    EXPECT_EQ(user.dialogs, 1);
    EXPECT_EQ(user.filters, QStringList{"Binary Files (*.hex)"});
    EXPECT_FALSE(user.ownerEnabledInDialog);
    EXPECT_TRUE(owner.isEnabled());
    EXPECT_TRUE(user.errorText.empty());
    EXPECT_EQ(loader.StartNumber(), 0x0F0F);
    auto sent = image;
    sent[65534] = static_cast<std::uint8_t>(Sum() & 0xFF);
    sent[65535] = static_cast<std::uint8_t>(Sum() >> 8);
    EXPECT_EQ(loader.Image(), sent);
    EXPECT_EQ(loader.EndSum(), Sum());
    EXPECT_EQ(QApplication::topLevelWidgets().size(), 1); // the dialog went with the call
}

TEST_F(ExportTest, OnlyTheLowByteOfTheFullFlagCountsAndADisabledOwnerStaysSo) {
    loader.Start();
    user.pick = imagePath;
    owner.setEnabled(false);
    EXPECT_EQ(Update(0x100), 0);
    EXPECT_EQ(loader.StartNumber(), 0);
    EXPECT_TRUE(loader.EndSeen());
    EXPECT_FALSE(owner.isEnabled());
}

TEST_F(ExportTest, FailureIsShownUntilOk) {
    loader.Script(0x0F, 200, std::vector<BootAction>(7, BootAction::Nak));
    loader.Start();
    user.pick = imagePath;
    EXPECT_EQ(Update(0), 0);
    EXPECT_EQ(user.errorText, "Download Program...Error!");
    EXPECT_FALSE(loader.EndSeen());
    EXPECT_TRUE(owner.isEnabled());
}

TEST_F(ExportTest, SecondCallWhileOneRunsIsRefusedAndCancelledChoiceEndsQuietly) {
    loader.Start();
    std::int32_t inner = 1;
    user.whileChoosing = [&] { inner = UpdateFPrnProgram(0, pty.slavePath().c_str(), 0); };
    EXPECT_EQ(Update(0), 0);
    EXPECT_EQ(inner, -1);
    EXPECT_EQ(user.dialogs, 1);
    EXPECT_TRUE(loader.Received().empty());
    EXPECT_TRUE(owner.isEnabled());
    // Once the first call is over, the next may run.
    user.whileChoosing = nullptr;
    EXPECT_EQ(Update(0), 0);
    EXPECT_EQ(user.dialogs, 2);
}

TEST_F(ExportTest, UnknownOwnerHandleIsNotTouched) {
    loader.Start();
    int notAWidget = 0;
    EXPECT_EQ(UpdateFPrnProgram(reinterpret_cast<std::uintptr_t>(&notAWidget),
                                pty.slavePath().c_str(), 0),
              0);
    EXPECT_EQ(notAWidget, 0);
    EXPECT_EQ(user.dialogs, 1);
    EXPECT_EQ(UpdateFPrnProgram(0, nullptr, 0), 0);
    EXPECT_EQ(user.dialogs, 2);
}

TEST_F(ExportTest, CallFromAnotherThreadIsRefused) {
    loader.Start();
    std::int32_t result = 1;
    ::testing::internal::CaptureStderr();
    std::thread([&] { result = Update(0); }).join();
    std::string message = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(result, -1);
    EXPECT_NE(message.find("thread"), std::string::npos) << message;
    EXPECT_EQ(user.dialogs, 0);
    EXPECT_TRUE(owner.isEnabled());
}
