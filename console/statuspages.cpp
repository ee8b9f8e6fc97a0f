// Pages 12 to 14: the hardware, software and printer status, filled from the replies of 40, 41
// and 47, and the three menu buttons that ask for them. Every field is set on each decode.
#include "formcontrols.h"
#include "fprnapi.h"
#include "languagetext.h"
#include "localeinfo.h"
#include "mainform.h"
#include "messagebox.h"
#include "replydecode.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>

#include <map>
#include <string>

namespace fprn::console {

namespace {

QString Text(const std::string& bytes) {
    return lang::FromCharset(bytes);
}

void Illegal(TMainForm& form) {
    ShowErrorBox(&form, Text(MessageTexts().illegalFormat));
}

// The pages' controls by name, found once: a decode sets every field.
struct StatusControls {
    std::map<std::string, QWidget*, std::less<>> byName;
};

template <typename T> T* Find(TMainForm& form, const char* name) {
    auto& cache = form.GroupState<StatusControls>().byName;
    auto it = cache.find(name);
    if (it == cache.end())
        it = cache.emplace(name, form.Control<T>(QString::fromLatin1(name))).first;
    return static_cast<T*>(it->second);
}

QRadioButton* Radio(TMainForm& form, const char* name) {
    return Find<QRadioButton>(form, name);
}
QCheckBox* Check(TMainForm& form, const char* name) {
    return Find<QCheckBox>(form, name);
}
QLabel* Label(TMainForm& form, const char* name) {
    return Find<QLabel>(form, name);
}

// A group box with its two radio buttons.
void RadioPair(QWidget* page, const char* group, const char* first, const char* second, int y) {
    QGroupBox* box = NewGroupBox(page, group, QRect(8, y, 200, 66));
    NewRadioButton(box, first, QRect(12, 20, 180, 20));
    NewRadioButton(box, second, QRect(12, 42, 180, 20));
}

// Caption labels and their value labels, one row each.
void Fields(QWidget* parent, std::initializer_list<std::pair<const char*, const char*>> rows,
            QPoint at, int valueX, int valueWidth) {
    int y = at.y();
    for (auto [caption, value] : rows) {
        NewLabel(parent, caption, QPoint(at.x(), y + 3));
        NewValueLabel(parent, value, QRect(valueX, y, valueWidth, 22));
        y += 26;
    }
}

void Checks(QWidget* page, std::initializer_list<const char*> names, QPoint at, int columns,
            int columnWidth) {
    int i = 0;
    for (const char* name : names) {
        int x = at.x() + (i % columns) * columnWidth;
        NewCheckBox(page, name, QRect(x, at.y() + (i / columns) * 24, kPageWidth - 8 - x, 22));
        ++i;
    }
}

void ShowHardware(TMainForm& form, const char* buffer, std::int32_t length) {
    auto s = ParseHardwareStatus(std::string_view(buffer, static_cast<std::size_t>(length)));
    if (!s) return Illegal(form);
    Label(form, "lbIDCode")->setText(Text(s->idCode));
    Label(form, "lbIDNo")->setText(Text(s->idNumber));
    Label(form, "lbTaxID")->setText(Text(s->taxId));
    Label(form, "lbIDFmt")->setText(Text(s->idFormat));
    Label(form, "lbLastZNo")->setText(Text(s->lastZNo));
    Label(form, "lbFreeZ")->setText(Text(s->freeZ));
    Label(form, "lbBatVol")->setText(Text(s->batteryVoltage));
    CheckRadio({Radio(form, "rbOpMode1"), Radio(form, "rbOpMode2")}, s->opMode.value_or(-1));
    CheckRadio({Radio(form, "rbBatteryState1"), Radio(form, "rbBatteryState2")},
               s->batteryState.value_or(-1));
    CheckRadio({Radio(form, "rbPinState1"), Radio(form, "rbPinState2")}, s->pinState.value_or(-1));
    Check(form, "ckbFiscalMemFull")->setChecked(s->fiscalMemFull);
    Check(form, "ckbSaleReceipt")->setChecked(s->saleReceipt);
    Check(form, "ckbTestmem")->setChecked(s->testMem);
    Check(form, "ckbZReport")->setChecked(s->zReport);
    Check(form, "ckbRecDamaged")->setChecked(s->recDamaged);
    Check(form, "ckbRam")->setChecked(s->ramOk);
    Check(form, "ckbFlash")->setChecked(s->flashOk);
    Check(form, "ckbFiscalMem")->setChecked(s->fiscalMemOk);
    form.ShowPage(12);
}

void ShowSoftware(TMainForm& form, const char* buffer, std::int32_t length) {
    const auto& locale = editcontrols::LocaleSettings::Current();
    auto s = ParseSoftwareStatus(std::string_view(buffer, static_cast<std::size_t>(length)),
                                 lang::ToCharset(QString::fromStdString(locale.dateSeparator)),
                                 lang::ToCharset(QString::fromStdString(locale.timeSeparator)));
    if (!s) return Illegal(form);
    Label(form, "lbCurDate")->setText(Text(s->date));
    Label(form, "lbCurTime")->setText(Text(s->time));
    Label(form, "lbCurReceiptNo")->setText(Text(s->receiptNo));
    Label(form, "lbCurSailtotal")->setText(Text(s->subtotal));
    Label(form, "lbPrintBuffer")->setText(Text(s->printBuffer));
    Label(form, "lbVersion")->setText(Text(s->version));
    Check(form, "ckbSaleReceipt_S")->setChecked(s->receiptOpen);
    Check(form, "ckbPayment1_S")->setChecked(s->paymentStarted);
    Check(form, "ckbPayment2_S")->setChecked(s->serviceMode);
    Check(form, "ckbProgramReceipt_S")->setChecked(s->superMode);
    Check(form, "ckbZReport_S")->setChecked(s->zReportNeeded);
    Check(form, "ckbRamCheckSum_S")->setChecked(s->ramChecksumError);
    form.ShowPage(13);
}

void ShowPrinter(TMainForm& form, const char* buffer, std::int32_t length) {
    auto button = ParsePrinterStatus(std::string_view(buffer, static_cast<std::size_t>(length)));
    if (!button) return Illegal(form);
    CheckRadio({Radio(form, "rbPrinterStatus1"), Radio(form, "rbPrinterStatus2"),
                Radio(form, "rbPrinterStatus3"), Radio(form, "rbPrinterStatus4"),
                Radio(form, "rbPrinterStatus5"), Radio(form, "rbPrinterStatus6"),
                Radio(form, "rbPrinterStatus7"), Radio(form, "rbPrinterStatus8")},
               *button);
    form.ShowPage(14);
}

void BuildHardwarePage(TMainForm& form) {
    QWidget* page = form.Page(12);
    RadioPair(page, "GroupBox6", "rbOpMode1", "rbOpMode2", 8);
    RadioPair(page, "GroupBox11", "rbBatteryState1", "rbBatteryState2", 78);
    RadioPair(page, "GroupBox12", "rbPinState1", "rbPinState2", 148);
    RadioPair(page, "GroupBox7", "rbFiscalMode1", "rbFiscalMode2", 218);
    QGroupBox* info = NewGroupBox(page, "GroupBox9", QRect(216, 8, 496, 206));
    Fields(info,
           {{"Label61", "lbIDCode"},
            {"Label63", "lbIDNo"},
            {"Label82", "lbTaxID"},
            {"Label86", "lbIDFmt"},
            {"Label57", "lbLastZNo"},
            {"Label59", "lbFreeZ"},
            {"Label33", "lbBatVol"}},
           QPoint(12, 22), 150, 330);
    Checks(page,
           {"ckbRam", "ckbFlash", "ckbFiscalMem", "ckbRecDamaged", "ckbFiscalMemFull",
            "ckbSaleReceipt", "ckbTestmem", "ckbZReport"},
           QPoint(216, 220), 2, 210);
    form.AddBackButton(12, "BitBtn4", QPoint(592, 340));
}

void BuildSoftwarePage(TMainForm& form) {
    QWidget* page = form.Page(13);
    Fields(page,
           {{"Label56", "lbCurDate"},
            {"Label60", "lbCurTime"},
            {"Label64", "lbCurReceiptNo"},
            {"Label68", "lbCurSailtotal"},
            {"Label55", "lbVersion"},
            {"Label76", "lbPrintBuffer"}},
           QPoint(16, 16), 180, 200);
    Checks(page,
           {"ckbSaleReceipt_S", "ckbPayment1_S", "ckbPayment2_S", "ckbProgramReceipt_S",
            "ckbZReport_S", "ckbRamCheckSum_S"},
           QPoint(16, 190), 1, 0);
    form.AddBackButton(13, "BitBtn5", QPoint(592, 340));
}

void BuildPrinterPage(TMainForm& form) {
    QWidget* page = form.Page(14);
    QGroupBox* box = NewGroupBox(page, "GroupBox10", QRect(16, 8, 420, 230));
    const char* const names[] = {"rbPrinterStatus1", "rbPrinterStatus2", "rbPrinterStatus3",
                                 "rbPrinterStatus4", "rbPrinterStatus5", "rbPrinterStatus6",
                                 "rbPrinterStatus7", "rbPrinterStatus8"};
    int y = 22;
    for (const char* name : names) {
        NewRadioButton(box, name, QRect(14, y, 390, 22));
        y += 25;
    }
    form.AddBackButton(14, "BitBtn6", QPoint(592, 340));
}

void StatusButton(TMainForm& form, const char* name, const char* code,
                  void (*TovarinApi::*command)(TFPrnResult*, char*, std::int32_t*)) {
    form.OnClick(QString::fromLatin1(name), [&form, code, command] {
        form.RunCommand(PortKind::User, code,
                        [&form, command](TFPrnResult* r, char* b, std::int32_t* n) {
                            (form.User().*command)(r, b, n);
                        });
    });
}

void BuildStatusPages(TMainForm& form) {
    BuildHardwarePage(form);
    BuildSoftwarePage(form);
    BuildPrinterPage(form);
    form.SetReplyHook(40, [&form](const char* b, std::int32_t n) { ShowHardware(form, b, n); });
    form.SetReplyHook(41, [&form](const char* b, std::int32_t n) { ShowSoftware(form, b, n); });
    form.SetReplyHook(47, [&form](const char* b, std::int32_t n) { ShowPrinter(form, b, n); });
    StatusButton(form, "bbtnChkHw", "40", &TovarinApi::cmHardwareStatus);
    StatusButton(form, "bbtnChkSw", "41", &TovarinApi::cmSoftwareStatus);
    StatusButton(form, "bbtnChkPrn", "47", &TovarinApi::cmPrinterStatus);
}

FPRN_CONSOLE_PAGES(Status, {"status", {12, 13, 14}, BuildStatusPages});

} // namespace

} // namespace fprn::console
