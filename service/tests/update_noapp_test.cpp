// UpdateFPrnProgram in a host that has no Qt application of its own.
#include "bootloader.h"
#include "firmwareimage.h"
#include "meskade.h"
#include "ptypair.h"
#include "scopedenv.h"
#include "tempdir.h"

#include <QApplication>
#include <QFileDialog>
#include <QPushButton>
#include <QTimer>
#include <cstdlib>
#include <gtest/gtest.h>

namespace {

// What the application made for the call gets to see: set before the call, since nothing of
// the test runs inside it but this.
struct Choice {
    std::string pick;
    int dialogs = 0, applications = 0, errors = 0;
} gChoice;

class Chooser : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Show) return false;
        if (auto* ok = qobject_cast<QPushButton*>(watched); ok && ok->objectName() == "OKBtn") {
            ++gChoice.errors;
            QTimer::singleShot(0, ok, [ok] { ok->click(); });
        }
        auto* files = qobject_cast<QFileDialog*>(watched);
        if (!files) return false;
        ++gChoice.dialogs;
        QTimer::singleShot(0, files, [files] {
            if (gChoice.pick.empty()) return files->reject();
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

TEST(NoApplicationTest, WithoutADisplayOrWithoutWidgetsTheCallIsRefused) {
    const fprn::test::ScopedEnv noPlatform("QT_QPA_PLATFORM", nullptr), noX("DISPLAY", nullptr),
        noWayland("WAYLAND_DISPLAY", nullptr);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(UpdateFPrnProgram(0, "COM2", 0), -1);
    std::string message = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(message.find("UpdateFPrnProgram"), std::string::npos) << message;
    EXPECT_NE(message.find("display"), std::string::npos) << message;
    EXPECT_EQ(QCoreApplication::instance(), nullptr);

    static int argc = 1;
    static char name[] = "update_noapp_tests";
    static char* argv[] = {name, nullptr};
    QCoreApplication core(argc, argv);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(UpdateFPrnProgram(0, "COM2", 0), -1);
    message = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(message.find("widgets"), std::string::npos) << message;
    EXPECT_EQ(QCoreApplication::instance(), &core);
}

TEST(NoApplicationTest, AnApplicationIsMadeForEachCallOnly) {
    const fprn::test::ScopedEnv platform("QT_QPA_PLATFORM", "offscreen");
    fprn::test::TempDir dir("update-noapp");
    const std::string imagePath =
        fprn::test::WriteFile(dir.path() / "firmware.hex", fprn::test::MakeImage(65536, 1));
    fprn::test::PtyPair pty;
    fprn::emu::FakeBootLoader loader(pty.master());
    // The first block is refused: no whole download at the real intervals.
    loader.Script(0x0F, 0x0E00, std::vector<fprn::emu::BootAction>(7, fprn::emu::BootAction::Nak));
    loader.Start();

    qAddPreRoutine(InstallChooser);
    // A cancelled choice first, then an update in an application of its own.
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
    EXPECT_EQ(loader.StartNumber(), 0x0F0F);
    EXPECT_EQ(gChoice.errors, 1);
    EXPECT_FALSE(loader.EndSeen());
    loader.Stop();
}
