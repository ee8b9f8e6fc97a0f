#include "formfixture.h"
#include "languagetable.h"
#include "languagetext.h"
#include "localeinfo.h"
#include "progresswindow.h"

#include "../peltrane/testmodule.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTimer>

#include <cmath>
#include <set>

namespace fprn::console::testing {
namespace {

using emu::Reaction;
using namespace std::chrono_literals;

QString Text(const QWidget* w) {
    return ControlCaption(w);
}

TEST_F(FormTest, OneLibraryHoldsThePortAndAPortChangeReachesTheNewPort) {
    MakeForm();
    ASSERT_TRUE(form->RunCommand(PortKind::Service, "43", service.cmSRAMErase));
    EXPECT_TRUE(form->ServicePortOpen());
    EXPECT_FALSE(form->UserPortOpen());
    Click("bbtnChkHw");
    EXPECT_FALSE(form->ServicePortOpen()) << "closed before the user library opens";
    EXPECT_TRUE(form->UserPortOpen());
    EXPECT_EQ(form->CurrentPage(), 12);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"43", "40"}));

    emu::Printer second;
    const fprn::test::ScopedEnv com3("FPRN_COM3", second.SlavePath().c_str());
    form->PortCB->setCurrentIndex(2);
    EXPECT_FALSE(form->UserPortOpen());
    Click("bbtnChkPrn");
    EXPECT_EQ(form->PortName(), "COM3");
    ASSERT_EQ(second.Received().size(), 1u);
    EXPECT_EQ(second.Received()[0].text, "47");
    EXPECT_EQ(Texts().size(), 2u);
    EXPECT_TRUE(boxes.Take().empty());
    form->close();
}

TEST_F(FormTest, APortChangeRefusedDuringACommandShowsThePortStillHeld) {
    MakeForm();
    printer.PushReaction(Reaction::Default().Held());
    bool changed = false;
    QTimer::singleShot(0, form.get(), [&] {
        form->PortCB->setCurrentIndex(3);
        changed = true;
        EXPECT_TRUE(form->UserPortOpen()) << "the library refuses to close while it runs";
        EXPECT_EQ(form->PortCB->currentText(), "COM2");
        printer.ReleaseHeld();
    });
    Click("bbtnChkHw");
    EXPECT_TRUE(changed);
    EXPECT_EQ(form->CurrentPage(), 12);
    EXPECT_EQ(form->PortCB->currentText(), "COM2");
    EXPECT_TRUE(boxes.Take().empty());
}

std::string Hardware(std::string format, char opMode = '1') {
    return "O0DEM00012345" + std::string("1234567890") + format + opMode +
           "010000"
           "00711793" +
           std::string(16, ' ') +
           "0010"
           "29";
}

TEST_F(FormTest, StatusRepliesFillTheirPagesAndBadOnesAreRefused) {
    MakeForm();
    Click("bbtnChkHw"); // the emulator's own reply
    EXPECT_EQ(form->CurrentPage(), 12);
    for (auto [name, text] : {std::pair{"lbIDCode", "DEM"},
                              {"lbIDNo", "00012345"},
                              {"lbTaxID", ""},
                              {"lbIDFmt", "0000"},
                              {"lbLastZNo", "0"},
                              {"lbFreeZ", "1800"},
                              {"lbBatVol", "3.1V"}})
        EXPECT_EQ(Text(Get(name)), text) << name;
    for (auto [name, on] : {std::pair{"rbOpMode1", false},
                            {"rbOpMode2", true},
                            {"rbBatteryState2", true},
                            {"rbPinState1", true},
                            {"ckbRam", true},
                            {"ckbFlash", true},
                            {"ckbFiscalMem", true},
                            {"ckbSaleReceipt", false}})
        EXPECT_EQ(Get<QAbstractButton>(name)->isChecked(), on) << name;

    printer.PushReaction(Reaction::WithPayload(Hardware("\x33\x22")));
    printer.PushReaction(Reaction::WithPayload(Hardware("\x33\x40", '9')));
    Click("bbtnChkHw");
    EXPECT_EQ(Text(Get("lbTaxID")), "123-456-78-90");
    EXPECT_EQ(Text(Get("lbLastZNo")), "71");
    EXPECT_EQ(Text(Get("lbBatVol")), "2.9V");
    Click("bbtnChkHw");
    EXPECT_EQ(Text(Get("lbTaxID")), "123-456-7890-");
    EXPECT_EQ(Text(Get("lbIDFmt")), "3340");
    EXPECT_FALSE(Get<QRadioButton>("rbOpMode1")->isChecked() ||
                 Get<QRadioButton>("rbOpMode2")->isChecked())
        << "another byte checks neither";

    // Too short, or the wrong head: the box, no page, nothing filled.
    form->ShowPage(1);
    printer.PushReaction(Reaction::WithPayload(Hardware(std::string(2, '\0')).substr(0, 61)));
    printer.PushReaction(Reaction::WithPayload("O00"));
    Click("bbtnChkHw");
    Click("bbtnChkPrn");
    EXPECT_EQ(form->CurrentPage(), 1);
    EXPECT_EQ(Text(Get("lbTaxID")), "123-456-7890-");
    ASSERT_EQ(boxes.seen.size(), 2u);
    for (const auto& box : boxes.seen) {
        EXPECT_EQ(box.text, "Return Value's Format is Illegal!");
        EXPECT_EQ(box.caption, "Error");
        EXPECT_EQ(box.icon, QMessageBox::Critical);
    }
    boxes.Take();

    editcontrols::LocaleInfo dotted = editcontrols::CLocaleInfo();
    dotted.dateSeparator = ".";
    dotted.timeSeparator = "-";
    editcontrols::ScopedLocale locale(dotted);
    std::string software = "O005032026083015000042000000012345100000"
                           "0070301"
                           "0";
    printer.PushReaction(Reaction::WithPayload(software));
    Click("bbtnChkSw");
    EXPECT_EQ(form->CurrentPage(), 13);
    EXPECT_EQ(Text(Get("lbCurDate")), "05.03.2026");
    EXPECT_EQ(Text(Get("lbCurTime")), "08-30-15");
    EXPECT_EQ(Text(Get("lbCurSailtotal")), "12345");
    EXPECT_EQ(Text(Get("lbPrintBuffer")), "7");
    EXPECT_TRUE(Get<QCheckBox>("ckbSaleReceipt_S")->isChecked());
    software.replace(22, 12, std::string(12, '0'));
    printer.PushReaction(Reaction::WithPayload(software));
    Click("bbtnChkSw");
    EXPECT_EQ(Text(Get("lbCurSailtotal")), "0");

    for (auto [reply, button] :
         {std::pair{"P03", "rbPrinterStatus4"}, {"P09", "rbPrinterStatus8"}}) {
        printer.PushReaction(Reaction::WithPayload(reply));
        Click("bbtnChkPrn");
        EXPECT_EQ(form->CurrentPage(), 14);
        for (int i = 1; i <= 8; ++i) {
            QString name = QStringLiteral("rbPrinterStatus%1").arg(i);
            EXPECT_EQ(form->Control<QRadioButton>(name)->isChecked(), name == button) << reply;
        }
    }
    EXPECT_TRUE(boxes.Take().empty());
}

TEST_F(FormTest, TheCommandLineSendsTheTextAndDecodesItsReply) {
    MakeForm();
    Click("bbtnCommLine");
    EXPECT_EQ(form->CurrentPage(), 0);
    auto* edit = Get<QLineEdit>("Edit1");
    edit->setText("4");
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(edit->text(), "") << "too short: cleared, nothing sent";
    EXPECT_TRUE(printer.Received().empty());

    // The form sees keys before its controls and may take them.
    std::vector<int> previewed;
    form->AddKeyPreview([&](QKeyEvent& key) {
        previewed.push_back(key.key());
        return key.key() == Qt::Key_X;
    });
    QTest::keyClicks(edit, "4x0");
    EXPECT_EQ(edit->text(), "40");
    EXPECT_EQ(previewed, (std::vector<int>{Qt::Key_4, Qt::Key_X, Qt::Key_0}));
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(Texts(), std::vector<std::string>{"40"});
    EXPECT_EQ(form->CurrentPage(), 12);

    form->ShowPage(0);
    printer.PushReaction(Reaction::ErrorReply('E', 62));
    edit->setText("47");
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(boxes.Take(), std::vector<QString>{"check Eprom ID code ('KVOR') error"});
    EXPECT_EQ(form->CurrentPage(), 0);
}

TEST_F(FormTest, TheDumpShowsWhatTheCommandReturnedAndErrorsTheDriversMessage) {
    MakeForm();
    printer.PushReaction(Reaction::WithPayload(std::string("P0\0\n\xE9", 5)));
    Click("bbtnChkPrn");
    QStringList lines = Dump();
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], "Reply to command 47");
    EXPECT_EQ(lines[1], "Hex bytes | Characters");
    EXPECT_EQ(lines[2], "50 30 00 0A E9" + QString(33, ' ') + " | P0.\n\u00E9" + QString(10, ' '));
    EXPECT_EQ(form->ListBox1->currentRow(), 2);

    // Without a return buffer (size -1): the two headings only.
    ASSERT_TRUE(
        form->RunCommand(PortKind::User, "", [this](TFPrnResult* r, char* b, std::int32_t* n) {
            user.cmXReport(r, 1, b, n);
        }));
    EXPECT_EQ(Dump().mid(3), (QStringList{"Reply to command ", "Hex bytes | Characters"}));

    // A library that reports more than it was given: only the buffer is dumped.
    form->Button3Click();
    ASSERT_TRUE(form->RunCommand(PortKind::User, "", [](TFPrnResult* r, char* b, std::int32_t* n) {
        r->Code = 0;
        if (!b)
            *n = 16;
        else
            *n = 1000;
    }));
    EXPECT_EQ(Dump().size(), 3);

    // -8: the driver's own message, nothing sent.
    std::size_t sent = printer.Received().size();
    EXPECT_FALSE(
        form->RunCommand(PortKind::User, "", [this](TFPrnResult* r, char* b, std::int32_t* n) {
            user.cmSaleItem(r, NAN, "PCS", 1, "01", "X", 0, 0, b, n);
        }));
    auto texts = boxes.Take();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_FALSE(texts[0].isEmpty());
    EXPECT_EQ(printer.Received().size(), sent);

    // An error that escapes a handler is shown, and the form goes on.
    auto* button = new QPushButton(form->Page(2));
    form->OnClick(button, [] { throw std::runtime_error("no such number"); });
    button->click();
    ASSERT_EQ(boxes.seen.size(), 1u);
    EXPECT_EQ(boxes.seen[0].text, "no such number");
    EXPECT_EQ(boxes.seen[0].icon, QMessageBox::Critical);
    boxes.Take();
    Click("bbtnChkPrn");
    EXPECT_EQ(form->CurrentPage(), 14);
}

TEST_F(FormTest, ClosingDuringASilentPrinterAsksOnceAndClosesAfterTheAbort) {
    MakeForm();
    form->show();
    printer.PushReaction(Reaction::Silent());
    boxes.answers = {QMessageBox::No, QMessageBox::Yes};
    int question = 0;
    boxes.onBox = [&](const BoxRecorder::Box& box) {
        if (!(box.buttons & QMessageBox::Yes)) return;
        // After No the window stays and may be closed again; after Yes a close asks nothing.
        if (++question <= 2) QTimer::singleShot(0, form.get(), [&] { form->close(); });
    };
    QTimer::singleShot(0, form.get(), [&] { form->close(); });
    Click("bbtnChkHw");
    ASSERT_TRUE(printer.WaitForFrames(1, 5s));
    EXPECT_EQ(boxes.Take(), (std::vector<QString>{"Command is executing, exit now?",
                                                  "Command is executing, exit now?", "Time Out"}));
    EXPECT_EQ(printer.Received().size(), 1u) << "aborted before a resend";
    EXPECT_TRUE(QTest::qWaitFor([&] { return !form->isVisible(); }, 30000));
    EXPECT_FALSE(form->UserPortOpen());
    EXPECT_TRUE(boxes.Take().empty());
}

TEST_F(FormTest, ClosingDuringAServiceCommandWaitsForItsEnd) {
    MakeForm();
    form->show();
    printer.PushReaction(Reaction::Default().Held());
    boxes.answers = {QMessageBox::Yes};
    boxes.onBox = [&](const BoxRecorder::Box&) { printer.ReleaseHeld(); };
    QTimer::singleShot(0, form.get(), [&] { form->close(); });
    ASSERT_TRUE(form->RunCommand(PortKind::Service, "43", service.cmSRAMErase));
    EXPECT_TRUE(form->isVisible()) << "the service library has no busy query of its own";
    EXPECT_EQ(boxes.Take(), std::vector<QString>{"Command is executing, exit now?"});
    EXPECT_TRUE(QTest::qWaitFor([&] { return !form->isVisible(); }, 30000));
    EXPECT_FALSE(form->ServicePortOpen());
    EXPECT_TRUE(boxes.Take().empty());
}

TEST_F(FormTest, TheProgressFormCountsAndGivesTheMainFormBackHoweverItGoes) {
    MakeForm();
    form->show();
    TProgressForm progress(form.get(), form->TolmIBusComm1());
    EXPECT_EQ(progress.size(), QSize(326, 210));
    EXPECT_EQ(Text(progress.findChild<QLabel*>("CurLabel")), "123");
    EXPECT_TRUE(progress.findChild<QWidget*>("OKBtn")->isHidden());
    auto* bar = progress.findChild<QProgressBar*>("ProgressBar1");

    std::function<void()> ways[] = {
        [&] { progress.findChild<QAbstractButton*>("CancelBtn")->click(); },
        [&] { QTest::keyClick(&progress, Qt::Key_Escape); }, [&] { progress.close(); },
        [&] { progress.hide(); }};
    for (auto& leave : ways) {
        progress.show();
        EXPECT_FALSE(form->isEnabled());
        EXPECT_EQ(Text(progress.findChild<QLabel*>("TotalLabel")), "0");
        progress.SetMargin(5);
        progress.SetProgress(3);
        EXPECT_EQ(Text(progress.findChild<QLabel*>("CurLabel")), "3");
        EXPECT_EQ(Text(progress.findChild<QLabel*>("TotalLabel")), "5");
        EXPECT_EQ(bar->maximum(), 5);
        EXPECT_EQ(bar->value(), 3);
        leave();
        EXPECT_TRUE(progress.isHidden());
        EXPECT_TRUE(form->isEnabled());
    }
    EXPECT_TRUE(form->TolmIBusComm1().Failed()) << "Cancel aborts the form's transport";
}

// A page shown again starts at its first control, not at the button used there last; what is
// typed there replaces what it kept. Also while Qt holds the form for inactive (no FocusIn).
TEST_F(FormTest, APageShownAgainGivesTheFocusToItsFirstControl) {
    MakeForm();
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    QWidget other;
    for (const char* amount : {"100", "50", "7"}) {
        if (amount[0] == '7') {
            other.show();
            ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
        }
        QTest::mouseClick(form->Button("bbtnReceiveAccount"), Qt::LeftButton);
        ASSERT_EQ(form->CurrentPage(), 6);
        EXPECT_EQ(form->focusWidget(), Get("ReceiveAccountEdit")) << amount;
        QTest::keyClicks(form->focusWidget(), amount);
        QTest::mouseClick(form->Button("bbtnReceiveCash"), Qt::LeftButton);
        ASSERT_EQ(form->CurrentPage(), 1);
    }
    EXPECT_EQ(Texts(), (std::vector<std::string>{"3510000", "355000", "35700"}));
    EXPECT_TRUE(boxes.Take().empty());
}

// Every page is built and every row of the language table finds its control, which carries
// the language library's text (which differs from a few built-in captions).
TEST_F(FormTest, EveryBuiltPageHasEachControlOfItsLanguageRows) {
    MakeForm();
    const std::set<int> built = BuiltPages();
    std::vector<const LanguageRow*> expected;
    for (const LanguageRow& row : LanguageRows())
        if (row.page != kFramePage && !built.count(row.page)) expected.push_back(&row);
    auto missing = MissingLanguageControls(*form);
    std::vector<std::string> names, expectedNames;
    for (auto* row : missing) names.push_back(row->name);
    for (auto* row : expected) expectedNames.push_back(row->name);
    EXPECT_EQ(names, expectedNames);
    EXPECT_EQ(built.size(), static_cast<std::size_t>(kPageCount));
    EXPECT_TRUE(missing.empty()) << missing.size() << " rows without their control";
    EXPECT_EQ(form->windowTitle(), "Demo V1.13");
    for (const LanguageRow& row : LanguageRows()) {
        if (!built.count(row.page) && row.page != kFramePage) continue;
        QWidget* control = Get(row.name);
        std::string text = lang::GetLanguageText(row.id) + (row.colon ? ":" : "");
        EXPECT_FALSE(text.empty() || text == ":") << row.name;
        EXPECT_EQ(Text(control), lang::FromCharset(text)) << row.name;
    }
}

TEST_F(FormTest, TheTestLanguageModuleMarksEveryBuiltCaptionAndTheHeading) {
    auto hints = [this] {
        QStringList tips;
        for (QWidget* w : form->findChildren<QWidget*>()) tips << w->objectName() + w->toolTip();
        return tips;
    };
    MakeForm();
    QStringList builtIn = hints();
    form.reset();
    MakeForm(Beside(peltrane::testmodule::kFile));
    EXPECT_EQ(form->windowTitle().left(7), "[10100]");
    EXPECT_TRUE(form->windowTitle().endsWith(" V1.13"));
    const std::set<int> built = BuiltPages();
    for (const LanguageRow& row : LanguageRows()) {
        if (!built.count(row.page) && row.page != kFramePage) continue;
        QString text = Text(Get(row.name));
        if (row.id == peltrane::testmodule::kOmitted[0])
            EXPECT_EQ(text, "") << row.name << ": a missing text empties the caption";
        else
            EXPECT_TRUE(text.startsWith(QStringLiteral("[%1]").arg(row.id))) << row.name;
    }
    for (const char* name : {"bbtnExec", "BitBtn3", "Label2"})
        EXPECT_FALSE(Text(Get(name)).startsWith('[')) << name << ": page 0 keeps its texts";
    EXPECT_EQ(hints(), builtIn) << "hints keep their texts";

    printer.PushReaction(Reaction::ErrorReply('E', 1));
    Click("bbtnChkPrn");
    ASSERT_EQ(boxes.seen.size(), 1u);
    EXPECT_TRUE(boxes.seen[0].caption.startsWith("[11370]"));
    EXPECT_TRUE(boxes.seen[0].text.startsWith("[12101]"));
    boxes.Take();
    Click("bbtnChkPrn");
    EXPECT_EQ(Dump().at(0), "[11363] 47%s%n") << "the stray conversions are shown, not run";
}

} // namespace
} // namespace fprn::console::testing
