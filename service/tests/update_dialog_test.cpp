// The progress dialog offscreen: its layout and states, and whole updates run through it
// against the fake boot loader.
#include "bootloader.h"
#include "label3d.h"
#include "msgqueue.h"
#include "progressform.h"
#include "ptypair.h"
#include "tolmibus.h"

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <time.h>
#include <unistd.h>

using namespace fprn;
using fprn::emu::BootAction;
using fprn::emu::BootPacket;
using fprn::emu::FakeBootLoader;
namespace tb = fprn::tolmibus;
namespace fs = std::filesystem;

namespace {

class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "update_dialog_tests";
        static char* argv[] = {name, nullptr};
        app_ = new QApplication(argc, argv);
    }
    void TearDown() override { delete app_; }

private:
    QApplication* app_ = nullptr;
};

[[maybe_unused]] ::testing::Environment* const qtEnv =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

const QColor Red(255, 0, 0);
const QColor Navy(0, 0, 128);

template <class W> W* Child(QWidget& form, const char* name) {
    W* w = form.findChild<W*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}

QColor StatusBackground(QWidget& form) {
    return Child<QLabel>(form, "StatusLabel")->palette().color(QPalette::Window);
}

// Calls `onShow` for every widget that is shown, anywhere in the application.
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

std::vector<std::uint8_t> MakeImage(std::size_t size, std::uint32_t seed) {
    std::vector<std::uint8_t> image(size);
    std::mt19937 rng(seed);
    for (auto& b : image) b = static_cast<std::uint8_t>(rng());
    if (size >= 65532) {
        image[65530] = 'M';
        image[65531] = 'Z';
    }
    return image;
}

double CpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

} // namespace

TEST(ProgressFormTest, LayoutTextsAndSettings) {
    TProgressForm form;
    EXPECT_EQ(form.size(), QSize(326, 210));
    EXPECT_EQ(form.minimumSize(), form.maximumSize());
    EXPECT_FALSE(form.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(form.windowFlags() & Qt::WindowMinMaxButtonsHint);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        EXPECT_EQ(form.pos(), screen->geometry().center() - QRect(0, 0, 326, 210).center());
    }

    struct Box {
        const char* name;
        QRect geometry;
    } boxes[] = {{"Bevel1", {8, 8, 313, 153}},         {"Bevel2", {24, 24, 281, 25}},
                 {"Bevel3", {24, 56, 281, 25}},        {"Bevel4", {24, 88, 281, 25}},
                 {"ProgressBar1", {24, 120, 281, 15}}, {"OKBtn", {58, 172, 75, 28}},
                 {"CancelBtn", {126, 172, 75, 28}}};
    for (const Box& b : boxes) {
        if (auto* w = Child<QWidget>(form, b.name)) {
            EXPECT_EQ(w->geometry(), b.geometry) << b.name;
        }
    }
    EXPECT_EQ(Child<QFrame>(form, "Bevel1")->frameShadow(), QFrame::Raised);

    struct Caption {
        const char* name;
        QPoint at;
        const char* text;
    } captions[] = {{"Label3D1", {32, 28}, "Status:"},
                    {"Label3D2", {32, 60}, "Current package:"},
                    {"Label3D3", {32, 92}, "Total Packages:"}};
    for (const Caption& c : captions) {
        auto* label = Child<TLabel3D>(form, c.name);
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->pos(), c.at);
        EXPECT_EQ(label->text(), QString::fromLatin1(c.text));
        EXPECT_EQ(label->font().family(), "Times New Roman");
        EXPECT_EQ(label->font().pixelSize(), 15);
    }
    struct Value {
        const char* name;
        QPoint at;
    } values[] = {{"StatusLabel", {88, 28}}, {"CurLabel", {168, 60}}, {"TotalLabel", {160, 92}}};
    for (const Value& v : values) {
        auto* label = Child<QLabel>(form, v.name);
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->pos(), v.at) << v.name;
        EXPECT_EQ(label->palette().color(QPalette::WindowText), Navy) << v.name;
        EXPECT_EQ(label->font().pixelSize(), 15) << v.name;
    }

    auto* ok = Child<QPushButton>(form, "OKBtn");
    auto* cancel = Child<QPushButton>(form, "CancelBtn");
    EXPECT_EQ(ok->text(), "&OK");
    EXPECT_EQ(cancel->text(), "Cancel");
    EXPECT_TRUE(ok->isHidden());
    EXPECT_FALSE(cancel->isHidden());

    QFileDialog* open = form.OpenDialog2();
    ASSERT_NE(open, nullptr);
    EXPECT_EQ(open->defaultSuffix(), "hex");
    EXPECT_EQ(open->nameFilters(), QStringList{"Binary Files (*.hex)"});
    EXPECT_EQ(open->fileMode(), QFileDialog::ExistingFile);
    EXPECT_EQ(open->acceptMode(), QFileDialog::AcceptOpen);

    EXPECT_EQ(form.TolmIBusComm1().CommName(), "COM2");
    EXPECT_EQ(form.TolmIBusComm1().BaudRate(), TBaudRate::tbr115200);
    EXPECT_FALSE(form.TolmIBusComm1().BroadCast());
}

TEST(ProgressFormTest, MarginAndProgressDriveTheLabelsAndTheBar) {
    TProgressForm form;
    auto* cur = Child<QLabel>(form, "CurLabel");
    auto* total = Child<QLabel>(form, "TotalLabel");
    auto* bar = Child<QProgressBar>(form, "ProgressBar1");

    form.SetMargin(256);
    EXPECT_EQ(total->text(), "256");
    EXPECT_EQ(cur->text(), "0");
    EXPECT_EQ(bar->maximum(), 256);
    EXPECT_EQ(bar->value(), 0);
    form.SetProgress(17);
    EXPECT_EQ(cur->text(), "17");
    EXPECT_EQ(bar->value(), 17);
    EXPECT_EQ(form.Progress(), 17);

    // No blocks: the totals read 0, the bar keeps its range and goes back to the start.
    form.SetMargin(0);
    EXPECT_EQ(total->text(), "0");
    EXPECT_EQ(cur->text(), "0");
    EXPECT_EQ(bar->maximum(), 256);
    EXPECT_EQ(bar->value(), 0);
    form.SetMargin(-3);
    EXPECT_EQ(total->text(), "0");

    // Showing the dialog starts it afresh.
    form.SetMargin(10);
    form.SetProgress(9);
    form.ShowStatus(true, "x...Error!");
    form.ShowDialog();
    EXPECT_EQ(form.Margin(), 0);
    EXPECT_EQ(form.Progress(), 0);
    EXPECT_EQ(cur->text(), "0");
    EXPECT_EQ(form.DialogState(), TProgressForm::State::Running);
    form.CloseDialog();
}

TEST(ProgressFormTest, ErrorStatusTurnsRedAndPutsOkWhereCancelWas) {
    TProgressForm form;
    form.ShowDialog();
    auto* status = Child<QLabel>(form, "StatusLabel");
    auto* ok = Child<QPushButton>(form, "OKBtn");
    auto* cancel = Child<QPushButton>(form, "CancelBtn");
    const QColor face = StatusBackground(form);
    EXPECT_NE(face, Red);

    form.ShowStatus(false, "Connect...");
    EXPECT_EQ(status->text(), "Connect...");
    EXPECT_EQ(form.windowTitle(), "Connect...");

    form.ShowStatus(true, "Connect...Error!");
    EXPECT_EQ(status->text(), "Connect...Error!");
    EXPECT_EQ(form.windowTitle(), "Connect...Error!");
    EXPECT_EQ(StatusBackground(form), Red);
    EXPECT_TRUE(ok->isVisible());
    EXPECT_EQ(ok->pos(), QPoint(126, 172));
    EXPECT_TRUE(cancel->isHidden());
    EXPECT_EQ(form.DialogState(), TProgressForm::State::ErrorShown);

    form.ShowStatus(false, "Download Program...");
    EXPECT_EQ(StatusBackground(form), face);
    EXPECT_TRUE(ok->isHidden());
    EXPECT_TRUE(cancel->isVisible());
    EXPECT_EQ(form.DialogState(), TProgressForm::State::Running);

    form.ShowStatus(true, "Disconnect...Error!");
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.DialogState(), TProgressForm::State::Closed);
    // Closed by OK: later statuses change nothing.
    form.ShowStatus(false, "Connect...");
    form.ShowStatus(true, "Connect...Error!");
    EXPECT_EQ(status->text(), "Disconnect...Error!");
    EXPECT_EQ(form.DialogState(), TProgressForm::State::Closed);
}

TEST(ProgressFormTest, CancelAbortsTheTransportAndClosesTheDialog) {
    TProgressForm form;
    form.ShowDialog();
    form.ShowStatus(false, "Download Program...");
    EXPECT_FALSE(form.TolmIBusComm1().Failed());
    QTest::mouseClick(Child<QPushButton>(form, "CancelBtn"), Qt::LeftButton);
    EXPECT_TRUE(form.TolmIBusComm1().Failed());
    EXPECT_FALSE(form.isVisible());
    EXPECT_TRUE(form.Closed());
}

TEST(ProgressFormTest, TheHostsOwnPumpHookIsBackWhenTheDialogGoes) {
    int served = 0;
    fprn::plat::SetHostHook({[&] { ++served; }, {}});
    { TProgressForm form; }
    fprn::plat::HostHook back = fprn::plat::SetHostHook({});
    ASSERT_TRUE(back.serve);
    EXPECT_FALSE(back.wait);
    back.serve();
    EXPECT_EQ(served, 1);
}

TEST(ProgressFormTest, EscapeAndWindowCloseActAsTheButtonOnShow) {
    {
        TProgressForm form;
        form.ShowDialog();
        form.ShowStatus(true, "Connect...Error!");
        QTest::keyClick(&form, Qt::Key_Escape);
        EXPECT_EQ(form.DialogState(), TProgressForm::State::ErrorShown);
        EXPECT_TRUE(form.isVisible());
        form.close();
        EXPECT_EQ(form.DialogState(), TProgressForm::State::Closed);
        EXPECT_FALSE(form.TolmIBusComm1().Failed());
    }
    {
        TProgressForm form;
        form.ShowDialog();
        form.ShowStatus(false, "Connect...");
        QTest::keyClick(&form, Qt::Key_Escape);
        EXPECT_EQ(form.DialogState(), TProgressForm::State::Closed);
        EXPECT_TRUE(form.TolmIBusComm1().Failed());
    }
    {
        TProgressForm form;
        form.ShowDialog();
        form.close();
        EXPECT_EQ(form.DialogState(), TProgressForm::State::Closed);
        EXPECT_TRUE(form.TolmIBusComm1().Failed());
    }
}

namespace {

// Whole updates through the real dialog, with the image chosen for it and short intervals.
class DialogRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() /
                 ("update-dialog-" + std::to_string(::getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(folder);
        image = MakeImage(65536, 21);
        imagePath = (folder / "image.hex").string();
        std::ofstream(imagePath, std::ios::binary)
            .write(reinterpret_cast<const char*>(image.data()), static_cast<long>(image.size()));
        owner.show();
        StartLoader();
    }
    void TearDown() override {
        loader->Stop();
        fs::remove_all(folder);
    }
    // A fresh loader at 9600, with `script` given before it starts.
    void StartLoader(std::function<void(FakeBootLoader&)> script = {}) {
        if (loader) loader->Stop();
        loader = std::make_unique<FakeBootLoader>(pty.master());
        loader->SetOnPacket([this, ref = canceller.Ref()](const BootPacket& p) {
            if (cancelWhen && cancelWhen(p)) ref.Post(1);
        });
        loader->SetOnWakeUp([this, ref = canceller.Ref()](int bursts) {
            if (bursts == cancelAtBurst) ref.Post(1);
        });
        if (script) script(*loader);
        loader->Start();
    }

    int Run(bool full, const std::string& port = {}) {
        return RunProgressUpdate(&owner, port.empty() ? pty.slavePath() : port, full,
                                 [this](TProgressForm& f) { Prepare(f); });
    }
    void Prepare(TProgressForm& f) {
        form = &f;
        TTolmIBusComm::Tuning tuning;
        tuning.logonWaitMs = 150;
        tuning.wakeUpPauseMs = wakeUpPauseMs;
        tuning.traceFolder = folder.string();
        f.TolmIBusComm1().SetTuning(tuning);
        f.TolmIBusComm1().SetRetryInterval(retryInterval);
        f.SetFileChooser([this](std::string& name) {
            name = imagePath;
            return true;
        });
        QObject::connect(&f, &QWidget::windowTitleChanged,
                         [this](const QString& t) { titles.push_back(t.toStdString()); });
        // Takes in the error state the moment OK comes up, then presses OK.
        okWatcher = std::make_unique<ShowWatcher>([this](QWidget* w) {
            if (w->objectName() == "ProgressForm") ownerEnabledWhileShown = owner.isEnabled();
            if (w->objectName() != "OKBtn" || !form) return;
            // Once the status is complete and the procedure waits for OK.
            QTimer::singleShot(0, w, [this, w] {
                error.seen = true;
                error.text = Child<QLabel>(*form, "StatusLabel")->text().toStdString();
                error.red = StatusBackground(*form) == Red;
                error.okAt = w->pos();
                error.cancelHidden = Child<QPushButton>(*form, "CancelBtn")->isHidden();
                error.portOpen = form->TolmIBusComm1().isActive();
                error.ownerEnabled = owner.isEnabled();
                error.packets = loader->Packets().size();
                static_cast<QPushButton*>(w)->click();
            });
        });
    }
    void Cancel() {
        if (form) Child<QPushButton>(*form, "CancelBtn")->click();
    }

    fs::path folder;
    std::vector<std::uint8_t> image;
    std::string imagePath;
    QWidget owner;
    test::PtyPair pty;
    std::unique_ptr<FakeBootLoader> loader;
    TProgressForm* form = nullptr;
    int wakeUpPauseMs = 50;
    int retryInterval = 150;
    std::vector<std::string> titles;
    std::unique_ptr<ShowWatcher> okWatcher;
    bool ownerEnabledWhileShown = true;
    struct {
        bool seen = false;
        std::string text;
        bool red = false;
        QPoint okAt;
        bool cancelHidden = false;
        bool portOpen = false;
        bool ownerEnabled = true;
        std::size_t packets = 0;
    } error;
    std::function<bool(const BootPacket&)> cancelWhen;
    int cancelAtBurst = -1;
    plat::Target canceller{[this](plat::Message&) { Cancel(); }};
};

} // namespace

TEST_F(DialogRunTest, NormalUpdateRunsThroughEveryStageWithTheOwnerDisabled) {
    EXPECT_EQ(Run(false), 0);
    EXPECT_EQ(titles, (std::vector<std::string>{"Wait 1 second...", "Connect...",
                                                "Download Program...", "Disconnect..."}));
    EXPECT_FALSE(error.seen);
    EXPECT_FALSE(ownerEnabledWhileShown);
    EXPECT_TRUE(owner.isEnabled());
    EXPECT_TRUE(loader->EndSeen());
    auto rebuilt = loader->Image();
    ASSERT_EQ(rebuilt.size(), 65536u);
    EXPECT_TRUE(std::equal(image.begin() + 4096, image.begin() + 65534, rebuilt.begin() + 4096));
}

TEST_F(DialogRunTest, OwnerDisabledBeforeStaysDisabled) {
    owner.setEnabled(false);
    StartLoader([](FakeBootLoader& l) { l.Script(tb::CmdLogon, 1, {BootAction::Nak}); });
    EXPECT_EQ(Run(false), 0);
    EXPECT_TRUE(error.seen);
    EXPECT_FALSE(owner.isEnabled());
}

TEST_F(DialogRunTest, EachStageShowsItsFailureAndWaitsForOkWithThePortOpen) {
    const std::vector<BootAction> nakAll(7, BootAction::Nak);
    struct Case {
        const char* stage;
        std::uint8_t command;
        std::uint16_t number;
        std::vector<BootAction> script;
        const char* text;
    } cases[] = {
        {"logon", tb::CmdLogon, 1, {BootAction::Nak}, "Connect...Error!"},
        {"identification", tb::CmdLogon, 0x10, std::vector<BootAction>(7, BootAction::BadSum),
         "Connect...Error!"},
        {"start packet", tb::CmdProgram, 0, nakAll, "Connect...Error!"},
        {"block", tb::CmdProgram, 100, nakAll, "Download Program...Error!"},
        {"end packet", tb::CmdProgram, 1, nakAll, "Disconnect...Error!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stage);
        StartLoader([&](FakeBootLoader& l) { l.Script(c.command, c.number, c.script); });
        error = {};
        titles.clear();

        EXPECT_EQ(Run(false), 0);
        EXPECT_TRUE(error.seen);
        EXPECT_EQ(error.text, c.text);
        EXPECT_EQ(titles.back(), c.text);
        EXPECT_TRUE(error.red);
        EXPECT_EQ(error.okAt, QPoint(126, 172));
        EXPECT_TRUE(error.cancelHidden);
        EXPECT_TRUE(error.portOpen);
        EXPECT_FALSE(error.ownerEnabled);
        EXPECT_TRUE(owner.isEnabled());
        // Nothing went out after the failure.
        EXPECT_TRUE(loader->WaitQuiet(200, 5000));
        EXPECT_EQ(loader->Packets().size(), error.packets);
        EXPECT_FALSE(loader->EndSeen());
    }
}

TEST_F(DialogRunTest, CancelAtEachStageClosesAtOnceWithoutAnError) {
    retryInterval = 4000;
    struct Case {
        const char* stage;
        std::uint8_t command;
        std::uint16_t number;
        int burst;
    } cases[] = {
        {"wake-up", 0, 0, 1},
        {"logon", tb::CmdLogon, 1, -1},
        {"identification", tb::CmdLogon, 0x10, -1},
        {"start packet", tb::CmdProgram, 0, -1},
        {"block", tb::CmdProgram, 50, -1},
        {"end packet", tb::CmdProgram, 1, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stage);
        // Only the wake-up case waits long in the pause; the others pass it quickly.
        wakeUpPauseMs = c.burst > 0 ? 4000 : 50;
        cancelAtBurst = c.burst;
        cancelWhen = [c](const BootPacket& p) {
            return c.burst < 0 && p.command == c.command && p.number == c.number;
        };
        StartLoader([&](FakeBootLoader& l) {
            if (c.burst < 0) l.Script(c.command, c.number, {BootAction::Drop});
        });
        error = {};
        titles.clear();

        auto begun = std::chrono::steady_clock::now();
        EXPECT_EQ(Run(false), 0);
        EXPECT_LT(std::chrono::steady_clock::now() - begun, std::chrono::seconds(3));
        EXPECT_FALSE(error.seen);
        for (const auto& t : titles) EXPECT_EQ(t.find("Error"), std::string::npos) << t;
        EXPECT_TRUE(owner.isEnabled());
        std::size_t packets = loader->Packets().size();
        EXPECT_TRUE(loader->WaitQuiet(300, 5000));
        EXPECT_EQ(loader->Packets().size(), packets);
        EXPECT_FALSE(loader->EndSeen());
    }
}

TEST_F(DialogRunTest, RefusedFileAndUnopenablePortAreShownInErrorBoxes) {
    std::vector<std::string> boxes;
    ShowWatcher boxWatcher([&](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        if (!box) return;
        EXPECT_EQ(box->icon(), QMessageBox::Critical);
        EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
        boxes.push_back(box->text().toStdString());
        QTimer::singleShot(0, box, [box] { box->accept(); });
    });
    std::ofstream(imagePath, std::ios::binary) << "far too short";
    EXPECT_EQ(Run(false), 0);
    image = MakeImage(65536, 22);
    std::ofstream(imagePath, std::ios::binary)
        .write(reinterpret_cast<const char*>(image.data()), static_cast<long>(image.size()));
    const std::string port = (folder / "no-tty").string();
    EXPECT_EQ(Run(false, port), 0);
    EXPECT_EQ(boxes, (std::vector<std::string>{"Not a valid file!",
                                               "Error opening " + port +
                                                   "!\r\nplease select other ports."}));
    EXPECT_TRUE(titles.empty());
    EXPECT_TRUE(loader->Received().empty());
    EXPECT_TRUE(owner.isEnabled());
}

TEST_F(DialogRunTest, EscapingErrorGivesMinusOneAndTheOwnerBack) {
    int result = RunProgressUpdate(&owner, pty.slavePath(), false, [](TProgressForm& f) {
        f.SetFileChooser([](std::string&) -> bool { throw std::runtime_error("no file system"); });
    });
    EXPECT_EQ(result, -1);
    EXPECT_TRUE(owner.isEnabled());
}

TEST_F(DialogRunTest, WaitsSleepInsteadOfSpinning) {
    wakeUpPauseMs = 1500;
    cancelWhen = [](const BootPacket& p) { return p.command == tb::CmdLogon; };
    StartLoader([](FakeBootLoader& l) { l.Script(tb::CmdLogon, 1, {BootAction::Drop}); });
    double cpu = CpuSeconds();
    auto begun = std::chrono::steady_clock::now();
    EXPECT_EQ(Run(false), 0);
    std::chrono::duration<double> wall = std::chrono::steady_clock::now() - begun;
    cpu = CpuSeconds() - cpu;
    EXPECT_GE(wall.count(), 1.4);
    EXPECT_LT(cpu, wall.count() / 3) << "cpu " << cpu << " s over " << wall.count() << " s";
}
