// UpdateFPrnProgram in a host that has no Qt application of its own.
#include "bootloader.h"
#include "meskade.h"
#include "ptypair.h"

#include <QApplication>
#include <QFileDialog>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <unistd.h>

using fprn::emu::FakeBootLoader;
namespace fs = std::filesystem;

namespace {

// Environment variables put back as they were.
class EnvGuard {
public:
    explicit EnvGuard(std::initializer_list<const char*> names) {
        for (const char* n : names) {
            const char* v = std::getenv(n);
            saved_.push_back({n, v ? std::optional<std::string>(v) : std::nullopt});
        }
    }
    ~EnvGuard() {
        for (const auto& [name, value] : saved_) {
            if (value)
                ::setenv(name.c_str(), value->c_str(), 1);
            else
                ::unsetenv(name.c_str());
        }
    }

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

// What the application made for the call gets to see: set before the call, since nothing of
// the test runs inside it but this.
struct Choice {
    std::string pick;
    int dialogs = 0;
    int applications = 0;
} gChoice;

class Chooser : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* files = qobject_cast<QFileDialog*>(watched);
        if (!files || event->type() != QEvent::Show) return false;
        ++gChoice.dialogs;
        QTimer::singleShot(0, files, [files] {
            if (gChoice.pick.empty()) {
                files->reject();
                return;
            }
            files->selectFile(QString::fromStdString(gChoice.pick));
            static_cast<QDialog*>(files)->accept();
        });
        return false;
    }
};

// Runs as each QApplication is made.
void InstallChooser() {
    ++gChoice.applications;
    QCoreApplication* app = QCoreApplication::instance();
    app->installEventFilter(new Chooser(app)); // goes with the application
}

} // namespace

TEST(NoApplicationTest, WithoutADisplayTheCallIsRefusedWithAMessage) {
    EnvGuard env({"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"});
    ::unsetenv("QT_QPA_PLATFORM");
    ::unsetenv("DISPLAY");
    ::unsetenv("WAYLAND_DISPLAY");
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(UpdateFPrnProgram(0, "COM2", 0), -1);
    std::string message = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(message.find("UpdateFPrnProgram"), std::string::npos) << message;
    EXPECT_NE(message.find("display"), std::string::npos) << message;
    EXPECT_EQ(QCoreApplication::instance(), nullptr);
}

TEST(NoApplicationTest, HostWithoutWidgetsIsRefused) {
    static int argc = 1;
    static char name[] = "update_noapp_tests";
    static char* argv[] = {name, nullptr};
    {
        QCoreApplication core(argc, argv);
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(UpdateFPrnProgram(0, "COM2", 0), -1);
        std::string message = ::testing::internal::GetCapturedStderr();
        EXPECT_NE(message.find("widgets"), std::string::npos) << message;
        EXPECT_EQ(QCoreApplication::instance(), &core);
    }
}

TEST(NoApplicationTest, AnApplicationIsMadeForEachCallOnly) {
    EnvGuard env({"QT_QPA_PLATFORM"});
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    fs::path folder = fs::temp_directory_path() / ("update-noapp-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    std::vector<char> image(65536, 0x11);
    image[65530] = 'M';
    image[65531] = 'Z';
    const std::string imagePath = (folder / "firmware.hex").string();
    std::ofstream(imagePath, std::ios::binary).write(image.data(), 65536);
    fprn::test::PtyPair pty;
    FakeBootLoader loader(pty.master());
    loader.Start();

    qAddPreRoutine(InstallChooser);
    // A cancelled choice first, then a whole update in an application of its own.
    EXPECT_EQ(UpdateFPrnProgram(0, pty.slavePath().c_str(), 0), 0);
    EXPECT_EQ(QCoreApplication::instance(), nullptr);
    EXPECT_EQ(gChoice.applications, 1);
    EXPECT_EQ(gChoice.dialogs, 1);
    EXPECT_TRUE(loader.Received().empty());

    gChoice.pick = imagePath;
    EXPECT_EQ(UpdateFPrnProgram(0, pty.slavePath().c_str(), 1), 0);
    EXPECT_EQ(QCoreApplication::instance(), nullptr);
    EXPECT_EQ(gChoice.applications, 2);
    EXPECT_EQ(gChoice.dialogs, 2);
    EXPECT_TRUE(loader.EndSeen());
    EXPECT_EQ(loader.Image().size(), 65536u);
    loader.Stop();
    fs::remove_all(folder);
}
