// The progress dialog offscreen: its layout and states, and whole updates run through it
// against the fake boot loader.
#include "bootloader.h"
#include "firmwareimage.h"
#include "label3d.h"
#include "msgqueue.h"
#include "progressform.h"
#include "ptypair.h"
#include "qtapp.h"
#include "tempdir.h"
#include "tolmibus.h"

#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <stdexcept>
#include <sys/resource.h>
#include <vector>

using namespace fprn;
using namespace fprn::test;
using fprn::emu::BootAction;
using fprn::emu::BootPacket;
using fprn::emu::FakeBootLoader;
using State = fprn::TProgressForm::State;
namespace tb = fprn::tolmibus;

namespace {

const QColor Red(255, 0, 0);

template <class W = QWidget> W* Child(QWidget& form, const char* name) {
    W* w = form.findChild<W*>(QString::fromLatin1(name));
    if (!w) throw std::runtime_error(std::string("no ") + name);
    return w;
}

QColor StatusBackground(QWidget& form) {
    return Child<QLabel>(form, "StatusLabel")->palette().color(QPalette::Window);
}

} // namespace

TEST(ProgressFormTest, LayoutTextsAndSettings) {
    TProgressForm form;
    EXPECT_EQ(form.size(), QSize(326, 210));
    EXPECT_EQ(form.minimumSize(), form.maximumSize());
    EXPECT_FALSE(form.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_EQ(Child(form, "Bevel1")->geometry(), QRect(8, 8, 313, 153));
    EXPECT_EQ(Child(form, "CancelBtn")->geometry(), QRect(126, 172, 75, 28));
    EXPECT_TRUE(Child(form, "OKBtn")->isHidden());
    auto* caption = Child<TLabel3D>(form, "Label3D2");
    EXPECT_EQ(caption->pos(), QPoint(32, 60));
    EXPECT_EQ(caption->text(), "Current package:");
    EXPECT_EQ(Child(form, "CurLabel")->palette().color(QPalette::WindowText), QColor(0, 0, 128));
    EXPECT_EQ(form.OpenDialog2()->nameFilters(), QStringList{"Binary Files (*.hex)"});
    EXPECT_EQ(form.TolmIBusComm1().CommName(), "COM2");
    EXPECT_EQ(form.TolmIBusComm1().BaudRate(), TBaudRate::tbr115200);
}

TEST(ProgressFormTest, MarginAndProgressDriveTheLabelsAndTheBar) {
    TProgressForm form;
    auto* cur = Child<QLabel>(form, "CurLabel");
    auto* total = Child<QLabel>(form, "TotalLabel");
    auto* bar = Child<QProgressBar>(form, "ProgressBar1");
    form.SetMargin(256);
    form.SetProgress(17);
    EXPECT_EQ(total->text(), "256");
    EXPECT_EQ(cur->text(), "17");
    EXPECT_EQ(bar->maximum(), 256);
    EXPECT_EQ(bar->value(), 17);
    // No blocks: the totals read 0, the bar keeps its range and goes back to the start.
    for (int blocks : {0, -3}) {
        form.SetMargin(blocks);
        EXPECT_EQ(total->text(), "0");
        EXPECT_EQ(cur->text(), "0");
        EXPECT_EQ(bar->maximum(), 256);
        EXPECT_EQ(bar->value(), 0);
    }
    // Showing the dialog starts it afresh.
    form.SetMargin(10);
    form.SetProgress(9);
    form.ShowStatus(true, "x...Error!");
    form.ShowDialog();
    EXPECT_EQ(form.Margin(), 0);
    EXPECT_EQ(form.Progress(), 0);
    EXPECT_EQ(cur->text(), "0");
    EXPECT_EQ(form.DialogState(), State::Running);
}

TEST(ProgressFormTest, ErrorStatusTurnsRedAndPutsOkWhereCancelWasUntilOk) {
    TProgressForm form;
    form.ShowDialog();
    auto* status = Child<QLabel>(form, "StatusLabel");
    auto* ok = Child<QPushButton>(form, "OKBtn");
    auto* cancel = Child<QPushButton>(form, "CancelBtn");
    const QColor face = StatusBackground(form);
    EXPECT_NE(face, Red);
    for (bool error : {true, false}) {
        const char* text = error ? "Connect...Error!" : "Download Program...";
        form.ShowStatus(error, text);
        EXPECT_EQ(status->text(), text);
        EXPECT_EQ(form.windowTitle(), text);
        EXPECT_EQ(StatusBackground(form), error ? Red : face);
        EXPECT_EQ(ok->isVisible(), error);
        EXPECT_EQ(cancel->isVisible(), !error);
        EXPECT_EQ(form.DialogState(), error ? State::ErrorShown : State::Running);
    }
    form.ShowStatus(true, "Disconnect...Error!");
    EXPECT_EQ(ok->pos(), QPoint(126, 172));
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.DialogState(), State::Closed);
    // Closed by OK: later statuses change nothing.
    form.ShowStatus(false, "Connect...");
    form.ShowStatus(true, "Connect...Error!");
    EXPECT_EQ(status->text(), "Disconnect...Error!");
    EXPECT_EQ(form.DialogState(), State::Closed);
}

TEST(ProgressFormTest, EscapeAndWindowCloseActAsTheButtonOnShow) {
    struct Case {
        bool error, escape;
        State state;
        bool aborted;
    } cases[] = {{true, true, State::ErrorShown, false},
                 {true, false, State::Closed, false},
                 {false, true, State::Closed, true},
                 {false, false, State::Closed, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.error ? "error, " : "running, ") +
                     (c.escape ? "escape" : "close"));
        TProgressForm form;
        form.ShowDialog();
        form.ShowStatus(c.error, c.error ? "Connect...Error!" : "Connect...");
        if (c.escape) QTest::keyClick(&form, Qt::Key_Escape);
        if (!c.escape) form.close();
        EXPECT_EQ(form.DialogState(), c.state);
        EXPECT_EQ(form.isVisible(), c.state != State::Closed);
        EXPECT_EQ(form.TolmIBusComm1().Failed(), c.aborted);
    }
}

TEST(ProgressFormTest, TheHostsOwnPumpHookIsBackWhenTheDialogGoes) {
    int served = 0;
    plat::SetHostHook({[&] { ++served; }, {}});
    { TProgressForm form; }
    plat::HostHook back = plat::SetHostHook({});
    ASSERT_TRUE(back.serve);
    EXPECT_FALSE(back.wait);
    back.serve();
    EXPECT_EQ(served, 1);
}

namespace {

// Updates through the real dialog, with the image chosen for it and short intervals.
class DialogRunTest : public ::testing::Test {
protected:
    DialogRunTest() { owner.show(); }
    void TearDown() override { loader.Stop(); }
    int Run(const std::string& port, int wakeUpPauseMs = 50) {
        return RunProgressUpdate(&owner, port, false, [=, this](TProgressForm& f) {
            form = &f;
            f.TolmIBusComm1().SetTuning({150, wakeUpPauseMs, dir.path().string()});
            f.SetFileChooser([this](std::string& name) {
                name = imagePath;
                return true;
            });
            QObject::connect(&f, &QWidget::windowTitleChanged, [this](const QString& t) {
                titles.push_back(t.toStdString());
                if (onTitle) onTitle(t);
            });
        });
    }

    TempDir dir{"update-dialog"};
    std::string imagePath = WriteFile(dir.path() / "image.hex", MakeImage(65536, 21, "MZ"));
    QWidget owner;
    PtyPair pty;
    FakeBootLoader loader{pty.master()};
    TProgressForm* form = nullptr;
    std::vector<std::string> titles;
    std::function<void(const QString&)> onTitle;
};

} // namespace

TEST_F(DialogRunTest, RefusedFileUnopenablePortAndEscapingErrorLeaveTheOwnerEnabled) {
    loader.Start();
    std::vector<std::string> boxes;
    ShowWatcher boxWatcher([&](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        if (!box) return;
        EXPECT_EQ(box->icon(), QMessageBox::Critical);
        EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
        boxes.push_back(box->text().toStdString());
        QTimer::singleShot(0, box, [box] { box->accept(); });
    });
    const std::string image = imagePath, port = (dir.path() / "no-tty").string();
    imagePath = WriteFile(dir.path() / "short.hex", Bytes(100, 'P'));
    EXPECT_EQ(Run(pty.slavePath()), 0);
    imagePath = image;
    EXPECT_EQ(Run(port), 0);
    EXPECT_EQ(boxes, (std::vector<std::string>{"Not a valid file!",
                                               "Error opening " + port +
                                                   "!\r\nplease select other ports."}));
    EXPECT_TRUE(titles.empty());
    EXPECT_TRUE(loader.Received().empty());
    EXPECT_TRUE(owner.isEnabled());

    EXPECT_EQ(RunProgressUpdate(&owner, pty.slavePath(), false,
                                [](TProgressForm& f) {
                                    f.SetFileChooser([](std::string&) -> bool {
                                        throw std::runtime_error("no file system");
                                    });
                                }),
              -1);
    EXPECT_TRUE(owner.isEnabled());
}

// The wake-up pause idles; Cancel, pressed while the logon waits, ends the run quietly.
TEST_F(DialogRunTest, WaitsSleepInsteadOfSpinningAndCancelEndsThem) {
    plat::Target canceller(
        [&](plat::Message&) { Child<QPushButton>(*form, "CancelBtn")->click(); });
    loader.Script(tb::CmdLogon, 1, {BootAction::Drop});
    loader.SetOnPacket([ref = canceller.Ref()](const BootPacket& p) {
        if (p.command == tb::CmdLogon) ref.Post(1);
    });
    loader.Start();
    // This thread runs the dialog and its waits. Every 100 ms from the wake-up status to the
    // connect status (the 1.5 s pause between the bursts) it notes how often it has given up
    // the processor to wait: a sleep does so in every slice, if only for the next tick, a spin
    // in none. Neither its CPU nor its wait for a processor tell them apart on a busy machine,
    // and the dialog's first paint, which can fill the first slices, counts for little.
    auto waits = [] {
        rusage usage{};
        getrusage(RUSAGE_THREAD, &usage);
        return usage.ru_nvcsw;
    };
    std::vector<long> samples;
    auto sample = [&] { samples.push_back(waits()); };
    QTimer slices;
    slices.setInterval(100);
    QObject::connect(&slices, &QTimer::timeout, sample);
    onTitle = [&](const QString& title) {
        if (title == QLatin1String("Wait 1 second...")) {
            sample();
            slices.start();
        } else if (slices.isActive()) {
            slices.stop();
        }
    };
    auto begun = std::chrono::steady_clock::now();
    EXPECT_EQ(Run(pty.slavePath(), 1500), 0);
    std::chrono::duration<double> wall = std::chrono::steady_clock::now() - begun;
    EXPECT_GE(wall.count(), 1.4);
    std::size_t slept = 0;
    for (std::size_t i = 1; i < samples.size(); ++i) slept += samples[i] > samples[i - 1];
    RecordProperty("slices_slept",
                   std::to_string(slept) + " of " + std::to_string(samples.size() - 1));
    ASSERT_GE(samples.size(), 5u);
    EXPECT_GE(slept * 2, samples.size() - 1)
        << slept << " of " << samples.size() - 1 << " slices of the pause slept";
    EXPECT_EQ(titles, (std::vector<std::string>{"Wait 1 second...", "Connect..."}));
    EXPECT_TRUE(owner.isEnabled());
    EXPECT_TRUE(loader.WaitQuiet(300, 5000));
    EXPECT_EQ(loader.Packets().size(), 1u);
}

// The window manager keeps the dialog above the owner it disables, also while an error waits
// for OK: the dialog is transient for the owner's window at every status.
TEST_F(DialogRunTest, TheDialogStaysAboveTheOwnerItDisables) {
    loader.Script(tb::CmdLogon, 1, {BootAction::Nak});
    loader.Start();
    onTitle = [this](const QString& title) {
        ASSERT_TRUE(form->windowHandle());
        EXPECT_EQ(form->windowHandle()->transientParent(), owner.windowHandle())
            << title.toStdString();
        EXPECT_FALSE(owner.isEnabled());
        if (title.endsWith(QLatin1String("Error!")))
            QTimer::singleShot(0, form, [f = form] { Child<QPushButton>(*f, "OKBtn")->click(); });
    };
    EXPECT_EQ(Run(pty.slavePath()), 0);
    EXPECT_EQ(titles,
              (std::vector<std::string>{"Wait 1 second...", "Connect...", "Connect...Error!"}));
    EXPECT_TRUE(owner.isEnabled());
}
