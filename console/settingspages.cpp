// Pages 2 to 5, 10, 11, 15 and 16: the printer's date, time, tax rates, head messages and
// departments, the fiscal-memory reports and the memory dumps; and the menu's commands that
// need no page (X, Z and message reports, the SRAM erase).
#include "autoadvance.h"
#include "fieldreadings.h"
#include "formcontrols.h"
#include "fprnapi.h"
#include "language.h"
#include "languagetext.h"
#include "mainform.h"
#include "maskedit.h"
#include "messagebox.h"
#include "pageedits.h"

#include <QComboBox>
#include <QDate>
#include <QDateEdit>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTime>

#include <string>

namespace fprn::console {

namespace {

using editcontrols::TMaskEdit;

constexpr QPoint kBackAt(592, 340);
constexpr int kMessageMonth = 11443;
constexpr int kMessageYear = 11442;

template <typename T> T* Get(TMainForm& form, const QString& name) {
    return form.Control<T>(name);
}
template <typename T> T* Get(TMainForm& form, const char* name) {
    return form.Control<T>(QString::fromLatin1(name));
}

int Value(TMainForm& form, const char* spinName) {
    return Get<QSpinBox>(form, spinName)->value();
}

const QStringList kTaxLetters = {"A", "B", "C", "D", "E", "F", "G", "H", "I"};

// The caption of a row, at the left of its field.
void Row(QWidget* page, const char* label, int y) {
    NewLabel(page, label, QPoint(16, y + 4));
}

void BuildDatePages(TMainForm& form) {
    QWidget* date = form.Page(2);
    const struct {
        const char *label, *spin;
        int minimum, maximum;
    } dateRows[] = {
        {"Label4", "YearSE", 0, 99}, {"Label5", "MonthSE", 1, 12}, {"Label6", "DaySE", 1, 31}};
    int y = 16;
    for (const auto& r : dateRows) {
        Row(date, r.label, y);
        NewSpinEdit(date, r.spin, QRect(100, y, 80, 26), r.minimum, r.maximum);
        y += 36;
    }
    form.OnClick(NewButton(date, "SetDateBtn1", QRect(16, y + 8, 120, 30)), [&form] {
        int day = Value(form, "DaySE"), month = Value(form, "MonthSE"),
            year = Value(form, "YearSE");
        if (form.RunCommand(PortKind::User, "", [&](TFPrnResult* r, char* b, std::int32_t* n) {
                form.User().cmSetDate(r, day, month, year, b, n);
            }))
            form.ShowPage(1);
    });
    form.AddBackButton(2, "BackBtn1", kBackAt);

    QWidget* time = form.Page(3);
    const struct {
        const char *label, *spin;
        int maximum;
    } timeRows[] = {
        {"Label7", "HourSE", 23}, {"Label8", "MinuteSE", 59}, {"Label9", "SecondSE", 59}};
    y = 16;
    for (const auto& r : timeRows) {
        Row(time, r.label, y);
        NewSpinEdit(time, r.spin, QRect(100, y, 80, 26), 0, r.maximum);
        y += 36;
    }
    form.OnClick(NewButton(time, "SetTimeBtn1", QRect(16, y + 8, 120, 30)), [&form] {
        int hour = Value(form, "HourSE"), minute = Value(form, "MinuteSE"),
            second = Value(form, "SecondSE");
        if (form.RunCommand(PortKind::User, "", [&](TFPrnResult* r, char* b, std::int32_t* n) {
                form.User().cmSetTime(r, hour, minute, second, b, n);
            }))
            form.ShowPage(1);
    });
    form.AddBackButton(3, "BackBtn2", kBackAt);
}

void BuildVatRatePage(TMainForm& form) {
    QWidget* page = form.Page(4);
    // Twelve tax labels in two columns; only the first nine letters have a rate field.
    for (int i = 0; i < 12; ++i) {
        const char letter = static_cast<char>('A' + i);
        const int x = i < 6 ? 16 : 300, y = 12 + (i % 6) * 34;
        NewLabel(page, ("lblTax" + std::string(1, letter)).c_str(), QPoint(x, y + 4));
        if (i < 9) {
            TMaskEdit* rate = NewMaskEdit(page, ("PtuME" + std::to_string(i + 1)).c_str(),
                                          QRect(x + 64, y, 70, 26), "9999;1;_");
            rate->SetText(QStringLiteral("9999"));
        }
        NewLabel(page, ("lblTax" + std::string(1, letter) + "P").c_str(), QPoint(x + 140, y + 4));
    }
    NewLabel(page, "lblFreeTaxType", QPoint(16, 222));
    NewDropDown(page, "cbTaxType2", QRect(130, 218, 60, 26), kTaxLetters);
    form.OnClick(NewButton(page, "SetVatRateBtn1", QRect(16, 262, 130, 30)), [&form] {
        // The rates stay as read, also when the command fails: the sale pages use them.
        for (int i = 0; i < 9; ++i) {
            auto* field = Get<QLineEdit>(form, QStringLiteral("PtuME%1").arg(i + 1));
            form.VatRates[static_cast<std::size_t>(i)] =
                VatRateField(lang::ToCharset(field->text()));
        }
        std::string letter = lang::ToCharset(Get<QComboBox>(form, "cbTaxType2")->currentText());
        const auto& v = form.VatRates;
        if (form.RunCommand(PortKind::User, "", [&](TFPrnResult* r, char* b, std::int32_t* n) {
                form.User().cmSetVatRate(r, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8],
                                         letter.c_str(), b, n);
            }))
            form.ShowPage(1);
    });
    form.AddBackButton(4, "BackBtn3", kBackAt);
}

void BuildHeadMessagePage(TMainForm& form) {
    QWidget* page = form.Page(5);
    QGroupBox* box = NewGroupBox(page, "GroupBox1", QRect(8, 8, 580, 196));
    for (int i = 1; i <= 5; ++i) {
        const int y = 24 + (i - 1) * 34;
        NewRadioButton(box, ("HMRB" + std::to_string(i)).c_str(), QRect(12, y, 40, 24),
                       QString::number(i));
        NewEdit(box, ("HMEdit" + std::to_string(i)).c_str(), QRect(60, y, 500, 26), 32);
    }
    form.OnClick(NewButton(page, "SetHeadMessageBtn1", QRect(16, 216, 150, 30)), [&form] {
        int line = 1;
        for (int i = 1; i <= 5; ++i) {
            if (Get<QRadioButton>(form, QStringLiteral("HMRB%1").arg(i))->isChecked()) {
                line = i;
                break;
            }
        }
        std::string text = EditBytes(Get<QLineEdit>(form, QStringLiteral("HMEdit%1").arg(line)));
        form.RunCommand(PortKind::User, "", [&](TFPrnResult* r, char* b, std::int32_t* n) {
            form.User().cmSetHeadMessage(r, line, 0, text.c_str(), b, n);
        });
    });
    form.AddBackButton(5, "BackBtn4", kBackAt);
}

void BuildDepartmentPage(TMainForm& form) {
    QWidget* page = form.Page(10);
    Row(page, "Label28", 16);
    NewDropDown(page, "cbDepID2", QRect(130, 16, 70, 26),
                {"01", "02", "03", "04", "05", "06", "07", "08", "09"});
    Row(page, "Label105", 52);
    NewDropDown(page, "cbTaxType", QRect(130, 52, 70, 26), kTaxLetters);
    Row(page, "Label23", 88);
    NewEdit(page, "edDepName", QRect(130, 88, 260, 26), 20);
    form.OnClick(NewButton(page, "bbtnExecSetDept", QRect(16, 136, 140, 30)), [&form] {
        std::string number = lang::ToCharset(Get<QComboBox>(form, "cbDepID2")->currentText());
        std::string name = EditBytes(Get<QLineEdit>(form, "edDepName"));
        std::string letter = lang::ToCharset(Get<QComboBox>(form, "cbTaxType")->currentText());
        form.RunCommand(PortKind::User, "02", [&](TFPrnResult* r, char* b, std::int32_t* n) {
            form.User().cmSetDepartName(r, number.c_str(), name.c_str(), letter.c_str(), b, n);
        });
    });
    form.AddBackButton(10, "BitBtn1", kBackAt);
}

// A report's pair of "Summary" (type 0, checked) and "Detail" radio buttons.
void TypePair(QGroupBox* box, const char* summary, const char* detail) {
    NewRadioButton(box, summary, QRect(12, 24, 110, 22))->setChecked(true);
    NewRadioButton(box, detail, QRect(130, 24, 110, 22));
}

int ReportType(TMainForm& form, const char* summary) {
    return Get<QRadioButton>(form, summary)->isChecked() ? 0 : 1;
}

void MonthlyReport(TMainForm& form) {
    form.OpenPort(PortKind::User);
    auto* monthEdit = Get<QLineEdit>(form, "edMonth");
    auto* yearEdit = Get<QLineEdit>(form, "edYear");
    int month = IntegerOr(EditBytes(monthEdit), 0);
    if (month < 1 || month > 12) {
        ShowPlainMessage(&form, lang::LanguageText(kMessageMonth));
        monthEdit->setFocus();
        return;
    }
    int year = IntegerOr(EditBytes(yearEdit), 0) - 2000;
    if (year < 0 || year > 99) {
        ShowPlainMessage(&form, lang::LanguageText(kMessageYear));
        yearEdit->setFocus();
        return;
    }
    int type = ReportType(form, "rbMonPrn1");
    form.RunCommand(PortKind::User, "23", [&](TFPrnResult* r, char* b, std::int32_t* n) {
        form.User().cmMemReportMonthly(r, type, month, year, b, n);
    });
}

void BuildMemoryReportPage(TMainForm& form) {
    QWidget* page = form.Page(11);
    QGroupBox* byZ = NewGroupBox(page, "GroupBox2", QRect(8, 8, 340, 140));
    TypePair(byZ, "rbZNoPrn1", "rbZNoPrn2");
    NewLabel(byZ, "Label29", QPoint(12, 62));
    NewEdit(byZ, "edZNo1", QRect(96, 58, 70, 26), 4);
    NewLabel(byZ, "Label49", QPoint(182, 62));
    NewEdit(byZ, "edZNo2", QRect(210, 58, 70, 26), 4);
    form.OnClick(NewButton(byZ, "bbtnZNoReport", QRect(12, 98, 150, 30)), [&form] {
        int type = ReportType(form, "rbZNoPrn1");
        int first = IntegerOr(EditBytes(Get<QLineEdit>(form, "edZNo1")), 0);
        int last = IntegerOr(EditBytes(Get<QLineEdit>(form, "edZNo2")), 0);
        form.RunCommand(PortKind::User, "21", [&](TFPrnResult* r, char* b, std::int32_t* n) {
            form.User().cmMemReportByZNo(r, type, first, last, b, n);
        });
    });

    QGroupBox* monthly = NewGroupBox(page, "GroupBox8", QRect(356, 8, 356, 140));
    TypePair(monthly, "rbMonPrn1", "rbMonPrn2");
    NewLabel(monthly, "Label65", QPoint(12, 62));
    NewMaskEdit(monthly, "edMonth", QRect(70, 58, 50, 26), "99");
    NewLabel(monthly, "Label67", QPoint(140, 62));
    NewMaskEdit(monthly, "edYear", QRect(190, 58, 70, 26), "9999");
    form.OnClick(NewButton(monthly, "bbtnMonthlyReport", QRect(12, 98, 150, 30)),
                 [&form] { MonthlyReport(form); });

    QGroupBox* byDate = NewGroupBox(page, "GroupBox5", QRect(8, 156, 440, 140));
    TypePair(byDate, "rbDatePrn1", "rbDatePrn2");
    NewLabel(byDate, "Label50", QPoint(12, 62));
    NewDatePicker(byDate, "dtpDate1", QRect(96, 58, 130, 26));
    NewLabel(byDate, "Label51", QPoint(240, 62));
    NewDatePicker(byDate, "dtpDate2", QRect(268, 58, 130, 26));
    form.OnClick(NewButton(byDate, "bbtnDateReport", QRect(12, 98, 150, 30)), [&form] {
        int type = ReportType(form, "rbDatePrn1");
        QDate from = Get<QDateEdit>(form, "dtpDate1")->date();
        QDate to = Get<QDateEdit>(form, "dtpDate2")->date();
        form.RunCommand(PortKind::User, "22", [&](TFPrnResult* r, char* b, std::int32_t* n) {
            form.User().cmMemReportByDate(r, type, from.day(), from.month(), from.year() % 100,
                                          to.day(), to.month(), to.year() % 100, b, n);
        });
    });

    NewLabel(page, "lblSkipPswd", QPoint(464, 166));
    NewEdit(page, "edSkipPswd", QRect(464, 190, 150, 26));
    form.OnClick(NewButton(page, "btnSkipPswd", QRect(464, 226, 200, 30)), [&form] {
        auto* edit = Get<QLineEdit>(form, "edSkipPswd");
        EmptiedAfterwards emptied(edit);
        std::string password = EditBytes(edit);
        form.RunCommand(PortKind::User, "", [&](TFPrnResult* r, char* b, std::int32_t* n) {
            form.User().cmSkipPswdLogon(r, password.c_str(), b, n);
        });
    });
    form.AddBackButton(11, "BitBtn2", kBackAt);
}

using DumpCommand = void (*TovarinApi::*)(TFPrnResult*, std::int32_t, char*, std::int32_t*);

void Dump(TMainForm& form, const char* edit, const char* code, DumpCommand command) {
    std::int32_t address = HexAddress(EditBytes(Get<QLineEdit>(form, edit)));
    form.RunCommand(PortKind::User, code, [&](TFPrnResult* r, char* b, std::int32_t* n) {
        (form.User().*command)(r, address, b, n);
    });
}

void BuildDumpPages(TMainForm& form) {
    QWidget* sram = form.Page(15);
    Row(sram, "Label62", 16);
    NewEdit(sram, "edSRamAddr", QRect(130, 16, 80, 26), 5);
    form.OnClick(NewButton(sram, "btnExecDumpSRam", QRect(16, 60, 120, 30)),
                 [&form] { Dump(form, "edSRamAddr", "44", &TovarinApi::cmSRAMDump); });
    form.AddBackButton(15, "BitBtn7", kBackAt);

    QWidget* eprom = form.Page(16);
    Row(eprom, "Label69", 16);
    NewEdit(eprom, "edEPRomAddr", QRect(130, 16, 80, 26), 5);
    form.OnClick(NewButton(eprom, "btnExecDumpEprom", QRect(16, 60, 120, 30)),
                 [&form] { Dump(form, "edEPRomAddr", "45", &TovarinApi::cmEPROMDump); });
    form.OnClick(NewButton(eprom, "btnExecDumpRom", QRect(150, 60, 120, 30)),
                 [&form] { Dump(form, "edEPRomAddr", "48", &TovarinApi::cmROMDump); });
    form.AddBackButton(16, "BitBtn8", kBackAt);
}

// The menu buttons of these pages and the menu's own commands.
void ConnectMenu(TMainForm& form) {
    form.OnClick(QStringLiteral("bbtnSetDate"), [&form] {
        QDate today = QDate::currentDate();
        Get<QSpinBox>(form, "YearSE")->setValue(today.year() % 100);
        Get<QSpinBox>(form, "MonthSE")->setValue(today.month());
        Get<QSpinBox>(form, "DaySE")->setValue(today.day());
        form.ShowPage(2);
    });
    form.OnClick(QStringLiteral("bbtnSetTime"), [&form] {
        QTime now = QTime::currentTime();
        Get<QSpinBox>(form, "HourSE")->setValue(now.hour());
        Get<QSpinBox>(form, "MinuteSE")->setValue(now.minute());
        Get<QSpinBox>(form, "SecondSE")->setValue(now.second());
        form.ShowPage(3);
    });
    form.OnClick(QStringLiteral("SetVatRateBtn"), [&form] { form.ShowPage(4); });
    form.OnClick(QStringLiteral("bbtnSetHeadMessage"), [&form] { form.ShowPage(5); });
    form.OnClick(QStringLiteral("bbtnSetDept"), [&form] { form.ShowPage(10); });
    form.OnClick(QStringLiteral("bbtnMemReport"), [&form] {
        QDate today = QDate::currentDate();
        Get<QDateEdit>(form, "dtpDate1")->setDate(today);
        Get<QDateEdit>(form, "dtpDate2")->setDate(today);
        Get<TMaskEdit>(form, "edMonth")
            ->SetText(QStringLiteral("%1").arg(today.month(), 2, 10, QLatin1Char('0')));
        Get<TMaskEdit>(form, "edYear")
            ->SetText(QStringLiteral("%1").arg(today.year(), 4, 10, QLatin1Char('0')));
        form.ShowPage(11);
    });
    form.OnClick(QStringLiteral("bbtnDumpSram"), [&form] { form.ShowPage(15); });
    // One page for both dumps: the button of the one asked for stands at the left.
    form.OnClick(QStringLiteral("bbtnDumpEprom"), [&form] {
        Get<QLineEdit>(form, "edEPRomAddr")->clear();
        form.Button(QStringLiteral("btnExecDumpEprom"))->show();
        form.Button(QStringLiteral("btnExecDumpRom"))->hide();
        form.ShowPage(16);
    });
    form.OnClick(QStringLiteral("bbtnDumpRom"), [&form] {
        Get<QLineEdit>(form, "edEPRomAddr")->clear();
        QAbstractButton* eprom = form.Button(QStringLiteral("btnExecDumpEprom"));
        QAbstractButton* rom = form.Button(QStringLiteral("btnExecDumpRom"));
        rom->move(eprom->x(), rom->y());
        rom->show();
        eprom->hide();
        form.ShowPage(16);
    });

    form.OnClick(QStringLiteral("bbtnXReport"), [&form] {
        form.RunCommand(PortKind::User, "", [&](TFPrnResult* r, char* b, std::int32_t* n) {
            form.User().cmXReport(r, 1, b, n);
        });
    });
    form.OnClick(QStringLiteral("bbtnZReport"), [&form] {
        if (form.RunCommand(PortKind::User, "", form.User().cmZReport)) form.ShowPage(1);
    });
    form.OnClick(QStringLiteral("bbtnPrgReport"),
                 [&form] { form.RunCommand(PortKind::User, "", form.User().cmPrnProgramReport); });
    form.OnClick(QStringLiteral("bbtnTestSram"), [&form] {
        const TMessageTexts& texts = MessageTexts();
        auto answer = ShowMessageBox(
            &form, QMessageBox::Question, lang::FromCharset(texts.confirmationCaption),
            lang::FromCharset(texts.sramEraseQuestion), QMessageBox::Yes | QMessageBox::No);
        if (answer == QMessageBox::Yes)
            form.RunCommand(PortKind::Service, "43", form.Service().cmSRAMErase);
    });
}

void BuildSettingsPages(TMainForm& form) {
    BuildDatePages(form);
    BuildVatRatePage(form);
    BuildHeadMessagePage(form);
    BuildDepartmentPage(form);
    BuildMemoryReportPage(form);
    BuildDumpPages(form);
    ConnectMenu(form);
}

FPRN_CONSOLE_PAGES(
    Settings, {"settings", {2, 3, 4, 5, 10, 11, 15, 16}, BuildSettingsPages, HookEditAutoAdvance});

} // namespace

} // namespace fprn::console
