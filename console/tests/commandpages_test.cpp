// The settings, report, identification, logon and printed-report pages on the real form and
// both real libraries, against the emulated printer: what reaches the printer, the dump, the
// page shown and every box.
#include "formfixture.h"

#include "currencyedit.h"
#include "fieldreadings.h"
#include "formcontrols.h"
#include "fprnapi.h"
#include "languagetext.h"
#include "localeinfo.h"
#include "maskedit.h"

#include <QComboBox>
#include <QDateEdit>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>

#include <map>

namespace fprn::console::testing {
namespace {

using editcontrols::TCurrencyEdit;
using editcontrols::TMaskEdit;
using emu::Reaction;

class PagesTest : public FormTest {
protected:
    void SetUp() override {
        FormTest::SetUp();
        MakeForm();
    }
    QLineEdit* Edit(const char* name) const { return Get<QLineEdit>(name); }
    TMaskEdit* Mask(const char* name) const { return Get<TMaskEdit>(name); }
    void Spin(const char* name, int value) const { Get<QSpinBox>(name)->setValue(value); }
    // The command texts received since the last call.
    std::vector<std::string> NewTexts() {
        auto all = Texts();
        std::vector<std::string> fresh(all.begin() + static_cast<std::ptrdiff_t>(seen_), all.end());
        seen_ = all.size();
        return fresh;
    }
    static QString Language(int id) { return lang::LanguageText(id); }
    static QString PrinterError(int number) {
        return lang::FromCharset(GetFPrnErrorText(-4, number));
    }

    std::size_t seen_ = 0;
};

TEST_F(PagesTest, DateTimeRatesHeadMessagesAndDepartmentsReachThePrinter) {
    Click("bbtnSetDate");
    EXPECT_EQ(form->CurrentPage(), 2);
    EXPECT_EQ(Get<QSpinBox>("YearSE")->value(), QDate::currentDate().year() % 100);
    Spin("DaySE", 5);
    Spin("MonthSE", 3);
    Spin("YearSE", 26);
    Click("SetDateBtn1");
    EXPECT_EQ(form->CurrentPage(), 1);
    Click("bbtnSetTime");
    EXPECT_EQ(form->CurrentPage(), 3);
    Spin("HourSE", 8);
    Spin("MinuteSE", 30);
    Spin("SecondSE", 0);
    Click("SetTimeBtn1");
    EXPECT_EQ(form->CurrentPage(), 1);
    Click("bbtnChkSw");
    EXPECT_EQ(NewTexts(), (std::vector<std::string>{"42050326", "04083000", "41"}));
    ASSERT_EQ(form->CurrentPage(), 13);
    const auto& locale = editcontrols::LocaleSettings::Current();
    const QString d = QString::fromStdString(locale.dateSeparator);
    const QString t = QString::fromStdString(locale.timeSeparator);
    EXPECT_EQ(Get<QLabel>("lbCurDate")->text(), "05" + d + "03" + d + "2026");
    EXPECT_TRUE(Get<QLabel>("lbCurTime")->text().startsWith("08" + t + "30" + t));

    // Rates: a full field is its number, one with blanks left is not set.
    Click("SetVatRateBtn");
    EXPECT_EQ(form->CurrentPage(), 4);
    EXPECT_EQ(Mask("PtuME9")->text(), "9999");
    Mask("PtuME1")->SetText("0023");
    Mask("PtuME2")->SetText("0008");
    Mask("PtuME3")->SetText("00");
    EXPECT_EQ(Mask("PtuME3")->text(), "00__");
    Get<QComboBox>("cbTaxType2")->setCurrentText("E");
    Click("SetVatRateBtn1");
    EXPECT_EQ(form->CurrentPage(), 1);
    std::string rates = "0300230008" + std::string(4, '\xFF');
    for (int i = 4; i <= 9; ++i) rates += "9999";
    EXPECT_EQ(NewTexts(), std::vector<std::string>{rates + "E"});
    EXPECT_EQ(form->VatRates[0], 23);
    EXPECT_EQ(form->VatRates[1], 8);
    EXPECT_EQ(form->VatRates[2], kRateNotSet);
    EXPECT_EQ(printer.State().vatRates[0], 23);
    // A refused command keeps the rates as read.
    Click("SetVatRateBtn");
    Mask("PtuME1")->SetText("0012");
    printer.PushReaction(Reaction::ErrorReply('E', 5));
    Click("SetVatRateBtn1");
    EXPECT_EQ(boxes.Take(), std::vector<QString>{PrinterError(5)});
    EXPECT_EQ(form->VatRates[0], 12);
    EXPECT_EQ(form->CurrentPage(), 4);
    NewTexts();

    // Head messages: the first checked line, or line 1 when none is.
    Click("bbtnSetHeadMessage");
    EXPECT_EQ(form->CurrentPage(), 5);
    Edit("HMEdit1")->setText("FIRST");
    Edit("HMEdit3")->setText("  WELCOME");
    Get<QRadioButton>("HMRB3")->setChecked(true);
    Click("SetHeadMessageBtn1");
    CheckRadio({Get<QRadioButton>("HMRB3")}, -1);
    Click("SetHeadMessageBtn1");
    EXPECT_EQ(NewTexts(), (std::vector<std::string>{"0130  WELCOME", "0110FIRST"}));
    EXPECT_EQ(form->CurrentPage(), 5);

    Click("bbtnSetDept");
    EXPECT_EQ(form->CurrentPage(), 10);
    Get<QComboBox>("cbDepID2")->setCurrentText("03");
    Get<QComboBox>("cbTaxType")->setCurrentText("D");
    Edit("edDepName")->setText("FRESH FISH");
    Click("bbtnExecSetDept");
    EXPECT_EQ(NewTexts(), std::vector<std::string>{"0203DFRESH FISH"});
    EXPECT_EQ(Dump().at(Dump().size() - 3), "Reply to command 02");
    EXPECT_EQ(form->CurrentPage(), 10);

    // The density is the chosen item's place, from 1.
    Click("bbtnPrinterSpeed");
    EXPECT_EQ(form->CurrentPage(), 29);
    EXPECT_EQ(Get<QComboBox>("cbDensity")->currentText(), "1");
    Get<QComboBox>("cbDensity")->setCurrentIndex(2);
    Click("bbtnSetPrinterSpeed");
    EXPECT_EQ(NewTexts(), std::vector<std::string>{"943"});
    EXPECT_EQ(form->CurrentPage(), 29);
    EXPECT_TRUE(boxes.Take().empty());
}

TEST_F(PagesTest, ReportsFromTheMenuAndTheFiscalMemoryPage) {
    Click("bbtnXReport");
    EXPECT_EQ(Dump(), (QStringList{"Reply to command ", "Hex bytes | Characters"}));
    Click("bbtnPrgReport");
    form->ShowPage(11);
    Click("bbtnZReport");
    EXPECT_EQ(form->CurrentPage(), 1);
    EXPECT_EQ(NewTexts(), (std::vector<std::string>{"101", "00", "20"}));

    Click("bbtnMemReport");
    ASSERT_EQ(form->CurrentPage(), 11);
    const QDate today = QDate::currentDate();
    EXPECT_EQ(Get<QDateEdit>("dtpDate2")->date(), today);
    EXPECT_EQ(Mask("edMonth")->Text(), QStringLiteral("%1").arg(today.month(), 2, 10, QChar('0')));
    EXPECT_EQ(Mask("edYear")->Text(), QString::number(today.year()));

    Get<QDateEdit>("dtpDate1")->setDate(QDate(2026, 3, 5));
    Get<QDateEdit>("dtpDate2")->setDate(QDate(2026, 4, 7));
    Get<QRadioButton>("rbDatePrn2")->setChecked(true);
    Click("bbtnDateReport");
    Mask("edMonth")->SetText("03");
    Mask("edYear")->SetText("2026");
    Click("bbtnMonthlyReport");
    Edit("edZNo1")->setText("x");
    Edit("edZNo2")->setText("5");
    Click("bbtnZNoReport");
    EXPECT_EQ(NewTexts(), (std::vector<std::string>{"220503260704261", "2303260", "21000000050"}));
    EXPECT_EQ(Dump().at(Dump().size() - 3), "Reply to command 21");
    EXPECT_TRUE(boxes.Take().empty());

    // Out of range: the message, the field focused, nothing sent.
    const struct {
        const char *month, *year;
        int message;
        const char* focused;
    } refused[] = {{"13", "2026", 11443, "edMonth"},
                   {"00", "2026", 11443, "edMonth"},
                   {"03", "1999", 11442, "edYear"},
                   {"03", "2100", 11442, "edYear"}};
    for (const auto& r : refused) {
        Mask("edMonth")->SetText(r.month);
        Mask("edYear")->SetText(r.year);
        Click("bbtnMonthlyReport");
        ASSERT_EQ(boxes.seen.size(), 1u) << r.month << " " << r.year;
        EXPECT_EQ(boxes.seen[0].text, Language(r.message));
        EXPECT_FALSE(boxes.seen[0].text.isEmpty());
        EXPECT_EQ(boxes.seen[0].icon, QMessageBox::NoIcon);
        EXPECT_EQ(form->focusWidget(), Get(r.focused));
        boxes.Take();
    }
    EXPECT_TRUE(NewTexts().empty());
}

TEST_F(PagesTest, ServiceLibraryCommandsEraseIdentifyAndCheckTheTaxIdFormat) {
    Click("bbtnChkHw");
    NewTexts();
    // No: nothing sent, the user library keeps the port.
    Click("bbtnTestSram");
    ASSERT_EQ(boxes.seen.size(), 1u);
    EXPECT_EQ(boxes.seen[0].icon, QMessageBox::Question);
    EXPECT_EQ(boxes.seen[0].caption, lang::FromCharset(MessageTexts().confirmationCaption));
    EXPECT_EQ(boxes.seen[0].text, lang::FromCharset(MessageTexts().sramEraseQuestion));
    EXPECT_EQ(boxes.seen[0].buttons, QMessageBox::Yes | QMessageBox::No);
    boxes.Take();
    EXPECT_TRUE(NewTexts().empty());
    EXPECT_TRUE(form->UserPortOpen());
    EXPECT_FALSE(form->ServicePortOpen());
    boxes.answers = {QMessageBox::Yes};
    Click("bbtnTestSram");
    boxes.Take();
    EXPECT_EQ(NewTexts(), std::vector<std::string>{"43"});
    EXPECT_FALSE(form->UserPortOpen());
    EXPECT_TRUE(form->ServicePortOpen());

    Click("bbtnSetId");
    EXPECT_EQ(form->CurrentPage(), 18);
    EXPECT_FALSE(Get("btnExecSetID")->isHidden());
    EXPECT_TRUE(Get("btnExecEnterFiscalMode")->isHidden());
    Edit("edIDCode")->setText("ABC");
    Edit("edIDNo")->setText("12345678");
    Click("btnExecSetID");
    EXPECT_EQ(NewTexts(), std::vector<std::string>{"50ABC12345678"});

    Click("bbtnUserMode");
    EXPECT_EQ(form->CurrentPage(), 22);
    Mask("edTaxID")->SetText("1234567890");
    for (const char* format : {"3322", "0000"}) {
        Mask("edIDFmt")->SetText(format);
        Click("btnSetTaxID");
    }
    EXPECT_EQ(NewTexts(),
              (std::vector<std::string>{"521234567890\x33\x22", "521234567890\xEE\xEE"}));
    for (const char* format : {"3321", "12"}) {
        Mask("edIDFmt")->SetText(format);
        Click("btnSetTaxID");
        EXPECT_EQ(boxes.Take(), std::vector<QString>{Language(11441)}) << format;
    }
    Mask("edIDFmt")->SetText("3 3");
    Click("btnSetTaxID");
    ASSERT_EQ(boxes.seen.size(), 1u);
    EXPECT_EQ(boxes.seen[0].icon, QMessageBox::Critical);
    boxes.Take();
    EXPECT_TRUE(NewTexts().empty());

    // Fiscal mode: its button at the place of Set ID, which then is refused.
    Click("bbtnEnterFiscalMode");
    EXPECT_EQ(Edit("edIDCode")->text(), "");
    EXPECT_TRUE(Get("btnExecSetID")->isHidden());
    EXPECT_EQ(Get("btnExecEnterFiscalMode")->x(), Get("btnExecSetID")->x());
    Edit("edIDCode")->setText("XYZ");
    Edit("edIDNo")->setText("87654321");
    Click("btnExecEnterFiscalMode");
    EXPECT_EQ(NewTexts(), std::vector<std::string>{"46XYZ87654321"});
    EXPECT_TRUE(printer.State().fiscalMode);
    Click("btnExecSetID");
    EXPECT_EQ(boxes.Take(), std::vector<QString>{PrinterError(53)});
    EXPECT_EQ(form->CurrentPage(), 18);
}

TEST_F(PagesTest, ClerkServiceAndReadOnlyLogons) {
    Click("bbtnSetClerkPwd");
    EXPECT_EQ(form->CurrentPage(), 25);
    EXPECT_TRUE(Get("btnExecClerkLogon")->isHidden());
    Mask("edClerk")->SetText("1");
    Edit("edClerkPwd")->setText("12");
    Edit("edClerkName")->setText("ANNA");
    Click("btnExecClerkPwd");
    ASSERT_EQ(boxes.seen.size(), 1u);
    EXPECT_EQ(boxes.seen[0].text,
              lang::FromCharset(lang::FormatLanguageText(lang::GetLanguageText(11471), {3})));
    EXPECT_TRUE(boxes.seen[0].text.contains('3'));
    EXPECT_EQ(boxes.seen[0].caption, lang::FromCharset(MessageTexts().errorCaption));
    EXPECT_EQ(boxes.seen[0].icon, QMessageBox::Critical);
    boxes.Take();
    EXPECT_FALSE(form->UserPortOpen()) << "nothing opened";
    Edit("edClerkPwd")->setText("123");
    Click("btnExecClerkPwd");
    EXPECT_EQ(form->CurrentPage(), 1);
    Click("bbtnClerkLogon");
    EXPECT_TRUE(Get("btnExecClerkPwd")->isHidden());
    EXPECT_EQ(Get("btnExecClerkLogon")->x(), Get("btnExecClerkPwd")->x());
    Click("btnExecClerkLogon");
    EXPECT_EQ(form->CurrentPage(), 1);
    EXPECT_EQ(NewTexts(), (std::vector<std::string>{"981123ANNA          ", "991123"}));
    EXPECT_EQ(printer.State().clerk, 1);
    Click("bbtnClerkLogon");
    Edit("edClerkPwd")->setText("999");
    Click("btnExecClerkLogon");
    EXPECT_EQ(boxes.Take(), std::vector<QString>{PrinterError(65)});
    EXPECT_EQ(form->CurrentPage(), 25);

    // The passwords never stay in their edits, whether the printer takes them or not.
    Click("bbtnServiceLogon");
    EXPECT_EQ(form->CurrentPage(), 23);
    Edit("edServicePwd")->setText("SECRET");
    Click("bbtnExecServiceLogon");
    EXPECT_EQ(form->CurrentPage(), 1);
    EXPECT_EQ(Edit("edServicePwd")->text(), "");
    Click("bbtnServiceLogon");
    Edit("edServicePwd")->setText(" ");
    Click("bbtnExecServiceLogon");
    EXPECT_EQ(boxes.Take(), std::vector<QString>{PrinterError(67)});
    EXPECT_EQ(form->CurrentPage(), 23);
    EXPECT_EQ(Edit("edServicePwd")->text(), "");
    Click("bbtnMemReport");
    Edit("edSkipPswd")->setText("READ");
    Click("btnSkipPswd");
    EXPECT_EQ(Edit("edSkipPswd")->text(), "");
    Edit("edSkipPswd")->setText("READ");
    printer.PushReaction(Reaction::ErrorReply('E', 1));
    Click("btnSkipPswd");
    EXPECT_EQ(boxes.Take(), std::vector<QString>{PrinterError(1)});
    EXPECT_EQ(Edit("edSkipPswd")->text(), "");
    EXPECT_EQ(NewTexts(),
              (std::vector<std::string>{"991999", "95SECRET", "95 ", "83READ", "83READ"}));
}

TEST_F(PagesTest, MemoryDumpsReadTheirAddressInHexadecimal) {
    Click("bbtnDumpSram");
    EXPECT_EQ(form->CurrentPage(), 15);
    for (const char* address : {"1f00", "xyz"}) {
        Edit("edSRamAddr")->setText(address);
        Click("btnExecDumpSRam");
    }
    Click("bbtnDumpRom");
    EXPECT_EQ(form->CurrentPage(), 16);
    EXPECT_TRUE(Get("btnExecDumpEprom")->isHidden());
    EXPECT_EQ(Get("btnExecDumpRom")->x(), Get("btnExecDumpEprom")->x());
    Edit("edEPRomAddr")->setText("1A0");
    const int before = static_cast<int>(Dump().size());
    Click("btnExecDumpRom");
    EXPECT_EQ(Dump().size() - before, 34) << "two headings, 512 bytes in lines of 16";
    EXPECT_EQ(Dump().at(before), "Reply to command 48");
    Click("bbtnDumpEprom");
    EXPECT_EQ(Edit("edEPRomAddr")->text(), "");
    EXPECT_TRUE(Get("btnExecDumpRom")->isHidden());
    Click("btnExecDumpEprom");
    EXPECT_EQ(NewTexts(), (std::vector<std::string>{"4401F00", "4400000", "48001A0", "4500000"}));
    EXPECT_TRUE(boxes.Take().empty());
}

TEST_F(PagesTest, PrintedReportSendsThePeriodAsTypedAndRefusesAnAmountTooLarge) {
    Click("btnPrnRpt");
    EXPECT_EQ(form->CurrentPage(), 31);
    const QString d = QString::fromStdString(editcontrols::LocaleSettings::Current().dateSeparator);
    const QString t = QString::fromStdString(editcontrols::LocaleSettings::Current().timeSeparator);
    EXPECT_EQ(Mask("edDateFrom")->Text(), "  " + d + "  " + d + "    ") << "blank at start";
    EXPECT_EQ(Mask("edHourTo")->Text(), "  " + t + "  ");
    // The report's field is six wide: a longer number cannot be typed.
    QTest::keyClicks(Edit("edSystemNum"), "1234567890");
    EXPECT_EQ(Edit("edSystemNum")->text(), "123456");
    Edit("edCashierName")->setText("ANNA");
    Mask("edHourFrom")->SetText("08" + t + "30");
    Mask("edDateFrom")->SetText("07" + d + "12" + d + "2026");
    Mask("edHourTo")->SetText("18" + t + "05");
    Mask("edDateTo")->SetText("08" + d + "12" + d + "2026");
    Get<TCurrencyEdit>("edCIDBgn")->SetValue(100.5);
    Get<TCurrencyEdit>("edSaleReceiptQty")->SetValue(7);
    Get<TCurrencyEdit>("edPaidOutAmt")->SetValue(12.25);
    Get<TCurrencyEdit>("edTakingRtnPkgAmt")->SetValue(3);
    Click("BitBtn23");
    EXPECT_TRUE(boxes.Take().empty());
    auto sent = NewTexts();
    ASSERT_EQ(sent.size(), 1u);
    const std::string& r = sent[0];
    ASSERT_EQ(r.size(), 231u);
    EXPECT_EQ(r.substr(0, 22), "87123456          ANNA");
    EXPECT_EQ(r.substr(22, 24), "083007122026180508122026");
    EXPECT_EQ(r.substr(46, 33), "000000010050000000000000000000007");
    EXPECT_EQ(r.substr(95, 16), "0000000000001225") << "paid out, its count 0";
    EXPECT_EQ(r.substr(211, 20), "00000000000000000300");

    // No largest value on the paid-out amount: the driver refuses it, nothing is clamped.
    Get<TCurrencyEdit>("edPaidOutAmt")->SetValue(1e10);
    Click("BitBtn23");
    ASSERT_EQ(boxes.seen.size(), 1u);
    EXPECT_EQ(boxes.seen[0].icon, QMessageBox::Critical);
    EXPECT_TRUE(boxes.seen[0].text.startsWith("amount out of range: 1e+10"))
        << "the driver's own message: " << boxes.seen[0].text.toStdString();
    boxes.Take();
    EXPECT_TRUE(NewTexts().empty());
    EXPECT_EQ(Get<TCurrencyEdit>("edPaidOutAmt")->Value(), 1e10);
    EXPECT_EQ(form->CurrentPage(), 31);
    Click("BitBtn22");
    EXPECT_EQ(form->CurrentPage(), 1);
}

TEST_F(PagesTest, FullEditsMoveOnTheKeyShowsTheFullUpdateWhichClosesBothPorts) {
    form->show();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    Click("bbtnSetId");
    QLineEdit* code = Edit("edIDCode");
    code->setFocus();
    QTest::keyClicks(code, "AB");
    EXPECT_TRUE(code->hasFocus()) << "not full";
    QTest::keyClick(code, 'C');
    EXPECT_TRUE(Edit("edIDNo")->hasFocus());
    code->setText("XYZ");
    EXPECT_TRUE(Edit("edIDNo")->hasFocus()) << "an edit without the focus moves nothing";

    Click("btnPrnRpt");
    TMaskEdit* hour = Mask("edHourFrom");
    hour->setFocus();
    QTest::keyClicks(hour, "083");
    EXPECT_TRUE(hour->hasFocus()) << hour->text().toStdString();
    QTest::keyClicks(hour, "0");
    EXPECT_TRUE(Mask("edDateFrom")->hasFocus()) << hour->text().toStdString();
    auto* amount = Get<TCurrencyEdit>("edCIDBgn");
    amount->setFocus();
    QTest::keyClicks(amount, "1234567890123");
    EXPECT_EQ(amount->text().size(), 13);
    EXPECT_TRUE(amount->hasFocus()) << "a currency edit never moves on";

    QWidget* full = Get("btnUpdateFullProgram");
    EXPECT_TRUE(full->isHidden());
    const struct {
        Qt::KeyboardModifiers modifiers;
        bool shown;
    } keys[] = {{Qt::ControlModifier, false},
                {Qt::ShiftModifier, false},
                {Qt::ControlModifier | Qt::ShiftModifier, true},
                {Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier, false},
                {Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier, true}};
    for (const auto& k : keys) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F11, k.modifiers);
        EXPECT_EQ(full->isVisible(), k.shown) << k.modifiers.toInt();
    }
    EXPECT_EQ(amount->text().size(), 13) << "the key went to the form, not the edit";

    Click("bbtnChkHw");
    ASSERT_TRUE(form->UserPortOpen());
    int dialogs = 0;
    test::ShowWatcher watcher([&](QWidget* w) {
        auto* files = qobject_cast<QFileDialog*>(w);
        if (!files) return;
        ++dialogs;
        EXPECT_FALSE(form->UserPortOpen());
        EXPECT_FALSE(form->ServicePortOpen());
        QTimer::singleShot(0, files, &QFileDialog::reject);
    });
    Click("btnUpdateFullProgram");
    EXPECT_EQ(dialogs, 1);
    EXPECT_FALSE(form->UserPortOpen());
    EXPECT_TRUE(form->isEnabled());
    EXPECT_TRUE(boxes.Take().empty());
}

// A digit deleted from a full time field leaves a blank position: the field is no longer
// full, keeps the focus and can be typed into again.
TEST_F(PagesTest, ADeletionInAFullMaskEditKeepsTheFocus) {
    form->show();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    Click("btnPrnRpt");
    TMaskEdit* hour = Mask("edHourFrom");
    hour->setFocus();
    QTest::keyClicks(hour, "0930");
    ASSERT_TRUE(Mask("edDateFrom")->hasFocus());
    QTest::mouseClick(hour, Qt::LeftButton);
    ASSERT_TRUE(hour->hasFocus());
    QTest::keyClick(hour, Qt::Key_End);
    QTest::keyClick(hour, Qt::Key_Backspace);
    const QString t = QString::fromStdString(editcontrols::LocaleSettings::Current().timeSeparator);
    EXPECT_EQ(hour->text(), "09" + t + "_0");
    EXPECT_TRUE(hour->hasFocus());
    QTest::keyClicks(hour, "4");
    EXPECT_EQ(hour->text(), "09" + t + "40");
    EXPECT_TRUE(Mask("edDateFrom")->hasFocus());
    EXPECT_TRUE(boxes.Take().empty());
}

// Every command button, refused by the printer: its error box, the page and its fields kept.
TEST_F(PagesTest, ARefusedCommandShowsItsTextAndKeepsPageAndFields) {
    const struct {
        const char* opener; // a menu button, or "" to show the page directly
        int page;
        const char* button;
    } rows[] = {{"bbtnSetDate", 2, "SetDateBtn1"},
                {"bbtnSetTime", 3, "SetTimeBtn1"},
                {"SetVatRateBtn", 4, "SetVatRateBtn1"},
                {"bbtnSetHeadMessage", 5, "SetHeadMessageBtn1"},
                {"bbtnSetDept", 10, "bbtnExecSetDept"},
                {"bbtnMemReport", 11, "bbtnZNoReport"},
                {"bbtnMemReport", 11, "bbtnDateReport"},
                {"bbtnMemReport", 11, "bbtnMonthlyReport"},
                {"bbtnDumpSram", 15, "btnExecDumpSRam"},
                {"bbtnDumpEprom", 16, "btnExecDumpEprom"},
                {"bbtnDumpRom", 16, "btnExecDumpRom"},
                {"bbtnSetId", 18, "btnExecSetID"},
                {"bbtnEnterFiscalMode", 18, "btnExecEnterFiscalMode"},
                {"", 20, "bbtnExecXReport"},
                {"bbtnUserMode", 22, "btnSetTaxID"},
                {"bbtnSetClerkPwd", 25, "btnExecClerkPwd"},
                {"bbtnClerkLogon", 25, "btnExecClerkLogon"},
                {"bbtnPrinterSpeed", 29, "bbtnSetPrinterSpeed"},
                {"btnPrnRpt", 31, "BitBtn23"},
                {"", 1, "bbtnXReport"},
                {"", 1, "bbtnZReport"},
                {"", 1, "bbtnPrgReport"},
                {"", 1, "bbtnCashInDraw"},
                {"", 1, "btnOpenDrawer"},
                {"", 1, "bbtnChkSw"}};
    const std::map<std::string, QString> fields = {
        {"HMEdit1", "HELLO"},  {"edDepName", "DAIRY"},  {"edZNo1", "1"},      {"edZNo2", "2"},
        {"edSRamAddr", "100"}, {"edEPRomAddr", "200"},  {"edIDCode", "ABC"},  {"edIDNo", "1"},
        {"edClerkPwd", "123"}, {"edClerkName", "ANNA"}, {"edSystemNum", "42"}};
    int error = 10;
    for (const auto& row : rows) {
        if (*row.opener)
            Click(row.opener);
        else
            form->ShowPage(row.page);
        ASSERT_EQ(form->CurrentPage(), row.page) << row.button;
        for (const auto& [name, text] : fields)
            if (form->Page(row.page)->isAncestorOf(Edit(name.c_str())))
                Edit(name.c_str())->setText(text);
        if (row.page == 22) Mask("edIDFmt")->SetText("0000");
        QStringList before;
        for (QLineEdit* e : form->Page(row.page)->findChildren<QLineEdit*>()) before << e->text();
        printer.PushReaction(Reaction::ErrorReply('E', ++error));
        Click(row.button);
        EXPECT_EQ(boxes.Take(), std::vector<QString>{PrinterError(error)}) << row.button;
        EXPECT_EQ(form->CurrentPage(), row.page) << row.button;
        QStringList after;
        for (QLineEdit* e : form->Page(row.page)->findChildren<QLineEdit*>()) after << e->text();
        EXPECT_EQ(after, before) << row.button;
    }
    EXPECT_EQ(printer.Received().size(), std::size(rows));
}

} // namespace
} // namespace fprn::console::testing
