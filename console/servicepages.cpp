// Pages 18, 20, 22, 23, 25, 29 and 31: the printer's identification and tax identification,
// fiscal mode, the X report with its print choice, the service and clerk logons, the printer
// speed and the printed report; the drawer buttons of the menu; the full firmware update and
// the key combination that shows its button.
#include "currencyedit.h"
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
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <array>
#include <string>

namespace fprn::console {

namespace {

using editcontrols::TCurrencyEdit;
using editcontrols::TMaskEdit;

constexpr QPoint kBackAt(592, 340);
constexpr int kMessageTaxIdFormat = 11441;
constexpr int kMessageClerkPassword = 11471;

template <typename T> T* Get(TMainForm& form, const char* name) {
    return form.Control<T>(QString::fromLatin1(name));
}
std::string Bytes(TMainForm& form, const char* edit) {
    return EditBytes(Get<QLineEdit>(form, edit));
}

using IdCommand = void (*MeskadeApi::*)(TFPrnResult*, const char*, const char*, char*,
                                        std::int32_t*);

void Identification(TMainForm& form, IdCommand command) {
    std::string code = Bytes(form, "edIDCode"), number = Bytes(form, "edIDNo");
    form.RunCommand(PortKind::Service, "", [&](TFPrnResult* r, char* b, std::int32_t* n) {
        (form.Service().*command)(r, code.c_str(), number.c_str(), b, n);
    });
}

void BuildIdentificationPage(TMainForm& form) {
    QWidget* page = form.Page(18);
    NewLabel(page, "Label47", QPoint(16, 20));
    NewEdit(page, "edIDCode", QRect(110, 16, 80, 26), 3);
    NewLabel(page, "Label74", QPoint(16, 56));
    NewEdit(page, "edIDNo", QRect(110, 52, 140, 26), 8);
    form.OnClick(NewButton(page, "btnExecSetID", QRect(16, 100, 150, 30)),
                 [&form] { Identification(form, &MeskadeApi::cmSetID); });
    form.OnClick(NewButton(page, "btnExecEnterFiscalMode", QRect(180, 100, 150, 30)),
                 [&form] { Identification(form, &MeskadeApi::cmEnterFiscalMode); });
    form.AddBackButton(18, "BitBtn10", kBackAt);
}

void BuildXReportPage(TMainForm& form) {
    QWidget* page = form.Page(20);
    NewRadioButton(page, "rbReportPrint1", QRect(16, 16, 160, 22))->setChecked(true);
    NewRadioButton(page, "rbReportPrint2", QRect(16, 42, 160, 22));
    form.OnClick(NewButton(page, "bbtnExecXReport", QRect(16, 80, 150, 30)), [&form] {
        int print = Get<QRadioButton>(form, "rbReportPrint1")->isChecked() ? 0 : 1;
        if (form.RunCommand(PortKind::User, "", [&](TFPrnResult* r, char* b, std::int32_t* n) {
                form.User().cmXReport(r, print, b, n);
            }))
            form.ShowPage(1);
    });
    // The department report has no command behind it.
    NewButton(page, "bbtnExecDepReport", QRect(180, 80, 170, 30));
    form.AddBackButton(20, "BitBtn12", kBackAt);
}

void SetTaxId(TMainForm& form) {
    std::optional<std::int32_t> format = TaxIdFormatValue(Bytes(form, "edIDFmt"));
    if (!format) {
        ShowPlainMessage(&form, lang::LanguageText(kMessageTaxIdFormat));
        return;
    }
    std::string taxId = Bytes(form, "edTaxID");
    form.RunCommand(PortKind::Service, "", [&](TFPrnResult* r, char* b, std::int32_t* n) {
        form.Service().cmSetTaxID(r, taxId.c_str(), *format, b, n);
    });
}

void BuildTaxIdPage(TMainForm& form) {
    QWidget* page = form.Page(22);
    NewLabel(page, "Label54", QPoint(16, 20));
    NewMaskEdit(page, "edTaxID", QRect(150, 16, 140, 26), "0000000000;0;_");
    NewLabel(page, "Label80", QPoint(16, 56));
    NewMaskEdit(page, "edIDFmt", QRect(150, 52, 70, 26), "9999;1;_");
    form.OnClick(NewButton(page, "btnSetTaxID", QRect(16, 100, 150, 30)),
                 [&form] { SetTaxId(form); });
    form.AddBackButton(22, "BitBtn13", kBackAt);
}

void BuildServiceLogonPage(TMainForm& form) {
    QWidget* page = form.Page(23);
    NewLabel(page, "Label90", QPoint(16, 20));
    NewEdit(page, "edServicePwd", QRect(150, 16, 140, 26), 8);
    form.OnClick(NewButton(page, "bbtnExecServiceLogon", QRect(16, 60, 150, 30)), [&form] {
        auto* edit = Get<QLineEdit>(form, "edServicePwd");
        EmptiedAfterwards emptied(edit);
        std::string password = EditBytes(edit);
        if (form.RunCommand(PortKind::User, "", [&](TFPrnResult* r, char* b, std::int32_t* n) {
                form.User().cmServiceLogon(r, password.c_str(), b, n);
            }))
            form.Button(QStringLiteral("BitBtn14"))->click();
    });
    form.AddBackButton(23, "BitBtn14", kBackAt);
}

// The clerk's number and password, or nothing when the password is short (the box is shown).
struct ClerkFields {
    std::int32_t clerk;
    std::string password;
};
std::optional<ClerkFields> ReadClerk(TMainForm& form) {
    auto* password = Get<QLineEdit>(form, "edClerkPwd");
    if (static_cast<int>(TrimmedEditBytes(password).size()) < password->maxLength()) {
        ShowErrorBox(&form, lang::FromCharset(lang::FormatLanguageText(
                                lang::GetLanguageText(kMessageClerkPassword),
                                {std::int64_t{password->maxLength()}})));
        return std::nullopt;
    }
    return ClerkFields{IntegerOr(Bytes(form, "edClerk"), 0), EditBytes(password)};
}

void BuildClerkPage(TMainForm& form) {
    QWidget* page = form.Page(25);
    NewLabel(page, "Label98", QPoint(16, 20));
    NewMaskEdit(page, "edClerk", QRect(110, 16, 40, 26), "9;1;_");
    NewLabel(page, "Label104", QPoint(16, 56));
    NewEdit(page, "edClerkPwd", QRect(110, 52, 80, 26), 3);
    NewLabel(page, "Label106", QPoint(16, 92));
    NewEdit(page, "edClerkName", QRect(110, 88, 220, 26));
    form.OnClick(NewButton(page, "btnExecClerkPwd", QRect(16, 136, 130, 30)), [&form] {
        auto clerk = ReadClerk(form);
        if (!clerk) return;
        std::string name = Bytes(form, "edClerkName");
        if (form.RunCommand(PortKind::User, "", [&](TFPrnResult* r, char* b, std::int32_t* n) {
                form.User().cmSetClerkPwd(r, clerk->clerk, clerk->password.c_str(), name.c_str(), b,
                                          n);
            }))
            form.Button(QStringLiteral("BitBtn16"))->click();
    });
    form.OnClick(NewButton(page, "btnExecClerkLogon", QRect(160, 136, 130, 30)), [&form] {
        auto clerk = ReadClerk(form);
        if (!clerk) return;
        if (form.RunCommand(PortKind::User, "", [&](TFPrnResult* r, char* b, std::int32_t* n) {
                form.User().cmClerkLogon(r, clerk->clerk, clerk->password.c_str(), b, n);
            }))
            form.Button(QStringLiteral("BitBtn16"))->click();
    });
    form.AddBackButton(25, "BitBtn16", kBackAt);
}

void BuildPrinterSpeedPage(TMainForm& form) {
    QWidget* page = form.Page(29);
    NewLabel(page, "Label114", QPoint(16, 20));
    NewDropDown(page, "cbDensity", QRect(150, 16, 60, 26),
                {"1", "2", "3", "4", "5", "6", "7", "8", "9"});
    form.OnClick(NewButton(page, "bbtnSetPrinterSpeed", QRect(16, 60, 150, 30)), [&form] {
        int density = Get<QComboBox>(form, "cbDensity")->currentIndex() + 1;
        form.RunCommand(PortKind::User, "", [&](TFPrnResult* r, char* b, std::int32_t* n) {
            form.User().cmSetPrinterSpeed(r, density, b, n);
        });
    });
    form.AddBackButton(29, "BitBtn20", kBackAt);
}

// The report's amounts after the receipt count, each with a count that is always 0.
constexpr const char* kReportAmounts[] = {"edPaidInAmt",   "edPaidOutAmt",     "edSICashAmt",
                                          "edSICardAmt",   "edSICheckAmt",     "edDiscountAmt",
                                          "edInCreaseAmt", "edSalesRtnPkgAmt", "edTakingRtnPkgAmt"};

// Hour and minute of the hour edit, then day, month and four-digit year of the date edit, as
// they stand in the edits.
std::string Period(TMainForm& form, const char* hour, const char* date) {
    std::string h = Bytes(form, hour), d = Bytes(form, date);
    auto part = [](const std::string& text, std::size_t at, std::size_t n) {
        return at < text.size() ? text.substr(at, n) : std::string();
    };
    return part(h, 0, 2) + part(h, 3, 2) + part(d, 0, 2) + part(d, 3, 2) + part(d, 6, 4);
}

void PrintReport(TMainForm& form) {
    auto value = [&form](const char* edit) { return Get<TCurrencyEdit>(form, edit)->Value(); };
    std::string system = Bytes(form, "edSystemNum"), cashier = Bytes(form, "edCashierName");
    std::string start = Period(form, "edHourFrom", "edDateFrom");
    std::string end = Period(form, "edHourTo", "edDateTo");
    double cashStart = value("edCIDBgn"), cashEnd = value("edCIDEnd");
    double receipts = value("edSaleReceiptQty");
    std::array<double, 9> a{};
    for (std::size_t i = 0; i < a.size(); ++i) a[i] = value(kReportAmounts[i]);
    form.RunCommand(PortKind::User, "", [&](TFPrnResult* r, char* b, std::int32_t* n) {
        form.User().cmPrnRpt(r, system.c_str(), cashier.c_str(), start.c_str(), end.c_str(),
                             cashStart, cashEnd, receipts, 0, a[0], 0, a[1], 0, a[2], 0, a[3], 0,
                             a[4], 0, a[5], 0, a[6], 0, a[7], 0, a[8], b, n);
    });
}

void BuildPrintedReportPage(TMainForm& form) {
    QWidget* page = form.Page(31);
    // The report's system number is six wide: a longer one would be cut without a word.
    NewLabel(page, "Label25", QPoint(8, 12));
    NewEdit(page, "edSystemNum", QRect(250, 8, 110, 24), 6);
    NewLabel(page, "Label3", QPoint(8, 40));
    NewEdit(page, "edCashierName", QRect(250, 36, 180, 24), 14);
    NewLabel(page, "Label10", QPoint(8, 68));
    NewMaskEdit(page, "edHourFrom", QRect(250, 64, 60, 24), "!90:00;1;_");
    NewMaskEdit(page, "edDateFrom", QRect(316, 64, 100, 24), "!99/99/0000;1;_");
    NewLabel(page, "Label11", QPoint(430, 68));
    NewMaskEdit(page, "edHourTo", QRect(460, 64, 60, 24), "!90:00;1;_");
    NewMaskEdit(page, "edDateTo", QRect(526, 64, 100, 24), "!99/99/0000;1;_");

    constexpr double kMaxAmount = 9999999999.99;
    const struct {
        const char *label, *edit;
        double maxValue; // 0: none
    } amounts[] = {{"Label12", "edCIDBgn", kMaxAmount},
                   {"Label13", "edCIDEnd", kMaxAmount},
                   {"Label14", "edSaleReceiptQty", 0},
                   {"Label15", "edPaidInAmt", kMaxAmount},
                   {"Label16", "edPaidOutAmt", 0},
                   {"Label17", "edSICashAmt", kMaxAmount},
                   {"Label18", "edSICardAmt", 0},
                   {"Label19", "edSICheckAmt", kMaxAmount},
                   {"Label20", "edDiscountAmt", kMaxAmount},
                   {"Label21", "edInCreaseAmt", kMaxAmount},
                   {"Label22", "edSalesRtnPkgAmt", kMaxAmount},
                   {"Label24", "edTakingRtnPkgAmt", kMaxAmount}};
    int i = 0;
    for (const auto& a : amounts) {
        const int x = i < 6 ? 8 : 364, y = 100 + (i % 6) * 28;
        NewLabel(page, a.label, QPoint(x, y + 4));
        if (std::string_view(a.edit) == "edSaleReceiptQty")
            NewCurrencyEdit(page, a.edit, QRect(x + 230, y, 110, 24), "0", 9, 0, 999999999);
        else
            NewCurrencyEdit(page, a.edit, QRect(x + 230, y, 110, 24), "0.00", 13, 2, a.maxValue);
        ++i;
    }
    form.OnClick(NewButton(page, "BitBtn23", QRect(8, 340, 130, 30)),
                 [&form] { PrintReport(form); });
    form.OnClick(NewButton(page, "BitBtn22", QRect(kBackAt, QSize(120, 30))),
                 [&form] { form.ShowPage(1); });
}

void ConnectMenu(TMainForm& form) {
    auto* code = Get<QLineEdit>(form, "edIDCode");
    auto* number = Get<QLineEdit>(form, "edIDNo");
    form.OnClick(QStringLiteral("bbtnEnterFiscalMode"), [&form, code, number] {
        code->clear();
        number->clear();
        QAbstractButton* setId = form.Button(QStringLiteral("btnExecSetID"));
        QAbstractButton* fiscal = form.Button(QStringLiteral("btnExecEnterFiscalMode"));
        fiscal->move(setId->x(), fiscal->y());
        fiscal->show();
        setId->hide();
        form.ShowPage(18);
    });
    form.OnClick(QStringLiteral("bbtnSetId"), [&form, code, number] {
        code->clear();
        number->clear();
        form.Button(QStringLiteral("btnExecEnterFiscalMode"))->hide();
        form.Button(QStringLiteral("btnExecSetID"))->show();
        form.ShowPage(18);
    });
    form.OnClick(QStringLiteral("bbtnUserMode"), [&form] { form.ShowPage(22); });
    form.OnClick(QStringLiteral("bbtnServiceLogon"), [&form] { form.ShowPage(23); });
    form.OnClick(QStringLiteral("bbtnSetClerkPwd"), [&form] {
        form.Button(QStringLiteral("btnExecClerkPwd"))->show();
        form.Button(QStringLiteral("btnExecClerkLogon"))->hide();
        form.ShowPage(25);
    });
    form.OnClick(QStringLiteral("bbtnClerkLogon"), [&form] {
        QAbstractButton* pwd = form.Button(QStringLiteral("btnExecClerkPwd"));
        QAbstractButton* logon = form.Button(QStringLiteral("btnExecClerkLogon"));
        pwd->hide();
        logon->move(pwd->x(), logon->y());
        logon->show();
        form.ShowPage(25);
    });
    form.OnClick(QStringLiteral("bbtnPrinterSpeed"), [&form] { form.ShowPage(29); });
    form.OnClick(QStringLiteral("btnPrnRpt"), [&form] { form.ShowPage(31); });

    form.OnClick(QStringLiteral("bbtnCashInDraw"),
                 [&form] { form.RunCommand(PortKind::User, "", form.User().cmCashInDrawer); });
    form.OnClick(QStringLiteral("btnOpenDrawer"),
                 [&form] { form.RunCommand(PortKind::User, "", form.User().cmOpenDrawer); });
}

void ConnectFullUpdate(TMainForm& form) {
    form.OnClick(QStringLiteral("btnUpdateFullProgram"), [&form] {
        TMainForm::CommandScope running(form);
        TMainForm::BusyScope busy(form);
        form.ClosePort(PortKind::User);
        form.ClosePort(PortKind::Service);
        form.Service().UpdateFPrnProgram(
            reinterpret_cast<std::uintptr_t>(static_cast<QWidget*>(&form)), form.PortName().c_str(),
            1);
    });
    // Ctrl+Shift+F11, whatever other modifiers are held, shows or hides the button.
    form.AddKeyPreview([&form](QKeyEvent& key) {
        const Qt::KeyboardModifiers needed = Qt::ControlModifier | Qt::ShiftModifier;
        if (key.key() != Qt::Key_F11 || (key.modifiers() & needed) != needed) return false;
        QAbstractButton* button = form.Button(QStringLiteral("btnUpdateFullProgram"));
        button->setVisible(button->isHidden());
        return true;
    });
}

void BuildServicePages(TMainForm& form) {
    BuildIdentificationPage(form);
    BuildXReportPage(form);
    BuildTaxIdPage(form);
    BuildServiceLogonPage(form);
    BuildClerkPage(form);
    BuildPrinterSpeedPage(form);
    BuildPrintedReportPage(form);
    ConnectMenu(form);
    ConnectFullUpdate(form);
}

FPRN_CONSOLE_PAGES(Service, {"service", {18, 20, 22, 23, 25, 29, 31}, BuildServicePages});

} // namespace

} // namespace fprn::console
