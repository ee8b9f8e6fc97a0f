// Pages 6 to 9, 19 and 24: cash into and out of the drawer, the sale page with its sale list,
// item cancellation, discount or increase and subtotal, the payments and the system number,
// the receipt's close and cancellation, and the return and sale of packages.
#include "salepages.h"

#include "currencyedit.h"
#include "fieldreadings.h"
#include "formcontrols.h"
#include "itemstock.h"
#include "language.h"
#include "languagetable.h"
#include "languagetext.h"
#include "mainform.h"
#include "messagebox.h"
#include "pageedits.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include <cmath>
#include <limits>
#include <optional>

namespace fprn::console {

namespace {

using editcontrols::TCurrencyEdit;

constexpr QPoint kBackAt(592, 340);
constexpr double kMaxPrice = 999999.99;
constexpr int kMessagePriceRange = 11444;
constexpr int kMessageNoItemFile = 11445;
constexpr int kCaptionDiscount = 11099;
constexpr int kCaptionIncrease = 11100;
constexpr std::size_t kSystemNumberWidth = 16;

struct SaleState {
    bool receiptStarted = false;
};

template <typename T = QWidget> T* Get(TMainForm& form, const char* name) {
    return form.Control<T>(QString::fromLatin1(name));
}
QLineEdit* Edit(TMainForm& form, const char* name) {
    return Get<QLineEdit>(form, name);
}
TCurrencyEdit* Currency(TMainForm& form, const char* name) {
    return Get<TCurrencyEdit>(form, name);
}
bool Checked(TMainForm& form, const char* radio) {
    return Get<QRadioButton>(form, radio)->isChecked();
}
void Enable(TMainForm& form, const char* button, bool enabled) {
    form.Button(QString::fromLatin1(button))->setEnabled(enabled);
}

// A field's text as a number, 0 when it is none.
double Number(TMainForm& form, const char* edit) {
    return StrToFloatDefault(EditBytes(Edit(form, edit)), 0);
}
void SetNumber(TMainForm& form, const char* edit, double value) {
    Edit(form, edit)->setText(lang::FromCharset(FloatToStr(value)));
}

QStringList FieldsOf(const SaleLine& line) {
    QStringList fields;
    // Latin-1 keeps every byte as it is.
    for (const std::string& f : line) fields << QString::fromLatin1(f.data(), qsizetype(f.size()));
    return fields;
}

constexpr int kStockInFileRole = Qt::UserRole + 1;

SaleLine LineOf(const QListWidgetItem* item) {
    SaleLine line;
    const QStringList fields = item->data(Qt::UserRole).toStringList();
    for (int i = 0; i < kSaleFieldCount && i < fields.size(); ++i)
        line[static_cast<std::size_t>(i)] = fields[i].toLatin1().toStdString();
    line.stockInFile = item->data(kStockInFileRole).toBool();
    return line;
}

QListWidgetItem* NewLineItem(const SaleLine& line) {
    auto* item = new QListWidgetItem(lang::FromCharset(SaleLineText(line)));
    item->setData(Qt::UserRole, FieldsOf(line));
    item->setData(kStockInFileRole, line.stockInFile);
    return item;
}

// Every stock update of a receipt's lines, reported together.
void ReportStock(TMainForm& form, const itemfile::Status& status) {
    ReportStockFailures(form, {status});
}

// "Cash Into Drawer" and "Paid Out".
void BuildDrawerPages(TMainForm& form) {
    QWidget* in = form.Page(6);
    NewLabel(in, "lblCashIntoDrawer", QPoint(16, 20));
    NewEdit(in, "ReceiveAccountEdit", QRect(100, 16, 140, 26), 10);
    form.OnClick(NewButton(in, "bbtnReceiveCash", QRect(16, 60, 150, 30)), [&form] {
        double amount = StrToFloat(EditBytes(Edit(form, "ReceiveAccountEdit")));
        if (form.RunCommand(PortKind::User, "", [&](TFPrnResult* r, char* b, std::int32_t* n) {
                form.User().cmReceiveCash(r, amount, b, n);
            }))
            form.ShowPage(1);
    });
    form.AddBackButton(6, "BackBtn5", kBackAt);

    QWidget* out = form.Page(7);
    NewEdit(out, "PaidOutEdit", QRect(16, 16, 140, 26), 10);
    form.OnClick(NewButton(out, "PaidOutBtn1", QRect(16, 60, 150, 30)), [&form] {
        double amount = RoundDecimals(2, StrToFloat(EditBytes(Edit(form, "PaidOutEdit"))));
        if (form.RunCommand(PortKind::User, "", [&](TFPrnResult* r, char* b, std::int32_t* n) {
                form.User().cmPaidOut(r, amount, b, n);
            }))
            form.ShowPage(1);
    });
    form.AddBackButton(7, "BackBtn6", kBackAt);
}

void CancelItem(TMainForm& form) {
    QListWidget* list = SaleList(form);
    QListWidgetItem* item = list->currentItem();
    if (!item || !item->isSelected()) return;
    const SaleLine line = LineOf(item);
    const double quantity = SaleFieldNumber(line[kSaleQty]);
    const double price = SaleFieldNumber(line[kSalePrice]);
    const double returnPrice = SaleFieldNumber(line[kSaleReturnPrice]);
    const std::string department = LetterDepartmentCode(line[kSaleLetter]);
    bool sized = false;
    if (!form.RunCommand(PortKind::User, "", [&](TFPrnResult* r, char* b, std::int32_t* n) {
            if (!sized) { // the size query needs no item
                sized = true;
                form.User().cmCancelItem(r, 0, "", 0, "", "", 0, 0, b, n);
                return;
            }
            form.User().cmCancelItem(r, quantity, line[kSaleUnit].c_str(), price,
                                     department.c_str(), line[kSaleName].c_str(),
                                     returnPrice > 0 ? 1 : 0, returnPrice, b, n);
        }))
        return;
    delete list->takeItem(list->row(item));
    // Nothing stays selected: a second click must not cancel the neighbouring line.
    list->setCurrentItem(nullptr);
    list->clearSelection();
    SetNumber(form, "edTotal", Number(form, "edTotal") - SaleFieldNumber(line[kSaleTotal]));
    // A sale that did not reach the file has nothing in it to undo.
    if (!PluFileName(form).empty() && line.stockInFile)
        ReportStock(form, AdjustPluStock(form, line[kSaleBarcode], false, quantity));
}

void Discount(TMainForm& form) {
    const int base = Checked(form, "rbDiscBase1") ? 0 : 1;
    const bool discount = Checked(form, "rbDiscCmd1");
    const bool rateMode = Checked(form, "rbDiscAmt1");
    const std::string typed = EditBytes(Edit(form, "edDiscRate"));
    std::int32_t value = 0;
    if (rateMode) {
        // Hundredths of a percent, ties to even.
        double hundredths = std::nearbyint(StrToFloatDefault(typed, 0) * 100);
        if (!(std::fabs(hundredths) <= std::numeric_limits<std::int32_t>::max()))
            throw ConversionError("'" + typed + "' is no rate that can be sent");
        value = static_cast<std::int32_t>(hundredths);
    } else {
        value = IntegerOr(typed, 0);
    }
    if (!form.RunCommand(PortKind::User, "32", [&](TFPrnResult* r, char* b, std::int32_t* n) {
            form.User().cmDiscount(r, base, value, discount ? 1 : 0, rateMode ? 1 : 0, b, n);
        }))
        return;
    const double rate = RoundDecimals(2, StrToFloatDefault(typed, 0));
    double total = Number(form, "edTotal");
    auto change = [&](SaleLine& line) {
        double t = SaleFieldNumber(line[kSaleTotal]);
        double a = rateMode ? RoundDecimals(2, t * rate / 100) : rate;
        if (discount) a = -a;
        t += a;
        total += a;
        line[kSaleTotal] = FloatToStr(t);
    };
    std::vector<SaleLine> lines = SaleLines(form);
    if (base == 0) {
        if (!lines.empty()) {
            change(lines.back());
            QListWidget* list = SaleList(form);
            delete list->takeItem(list->count() - 1);
            AppendSaleLine(form, lines.back());
        }
    } else {
        for (SaleLine& line : lines) change(line);
        SetSaleLines(form, lines);
    }
    SetNumber(form, "edTotal", total);
    Enable(form, "bbtnDiscount", false);
    Enable(form, "btnCancelItem", false);
}

// The discount button names what it does; without a language object its built-in captions.
void rbDiscCmd1Click(TMainForm& form) {
    const bool discount = Checked(form, "rbDiscCmd1");
    QString caption = lang::LanguageObject()
                          ? lang::LanguageText(discount ? kCaptionDiscount : kCaptionIncrease)
                          : BuiltInCaption(discount ? "bbtnDiscount" : "rbDiscCmd2");
    form.Button(QStringLiteral("bbtnDiscount"))->setText(caption);
}

void rbDiscAmt1Click(TMainForm& form) {
    const bool rate = Checked(form, "rbDiscAmt1");
    Edit(form, "edDiscRate")->setMaxLength(rate ? 4 : 10);
    Get<QLabel>(form, "lbPercentMark")->setVisible(rate);
}

void ShowFooterPage(TMainForm& form, bool cancel) {
    Edit(form, "edFootMsg")->clear();
    QAbstractButton* cancelButton = form.Button(QStringLiteral("bbtnExecCancelRecp"));
    QAbstractButton* closeButton = form.Button(QStringLiteral("bbtnExecCloseRecp"));
    cancelButton->setVisible(cancel);
    closeButton->setVisible(!cancel);
    if (!cancel) {
        closeButton->move(cancelButton->x(), closeButton->y());
        form.Button(QStringLiteral("BitBtn11"))->show();
    }
    form.ShowPage(19);
}

void BuildSalePage(TMainForm& form) {
    QWidget* page = form.Page(8);
    NewLabel(page, "lblBarcode", QPoint(8, 12));
    NewEdit(page, "edBarcode", QRect(96, 8, 140, 26), 13);
    NewLabel(page, "lblPluName", QPoint(250, 12));
    NewEdit(page, "edName", QRect(310, 8, 260, 26), 32);
    NewLabel(page, "lblUnit", QPoint(8, 44));
    NewEdit(page, "edUnit", QRect(96, 40, 60, 26), 4);
    NewLabel(page, "lblQty", QPoint(170, 44));
    NewCurrencyEdit(page, "edQty", QRect(240, 40, 100, 26), "0.000", 0, 3, 0)
        ->SetText(QStringLiteral("1"));
    NewLabel(page, "lblPrice", QPoint(354, 44));
    NewCurrencyEdit(page, "edPrice", QRect(410, 40, 110, 26), "0.00", 0, 2, 0)
        ->SetText(QStringLiteral("0"));
    NewLabel(page, "lblReturnPkgPrice", QPoint(8, 76));
    NewCurrencyEdit(page, "edRtnPrice", QRect(160, 72, 100, 26), "0.00", 0, 2, 0)
        ->SetText(QStringLiteral("0"));
    NewLabel(page, "lblTaxType", QPoint(274, 76));
    NewDropDown(page, "cbDepId", QRect(350, 72, 60, 26),
                {"A", "B", "C", "D", "E", "F", "G", "H", "I"});
    NewLabel(page, "lblSaleTotal", QPoint(430, 76));
    QLineEdit* total = NewEdit(page, "edTotal", QRect(480, 72, 130, 26));
    total->setReadOnly(true);
    total->setText(QStringLiteral("0"));
    auto* list = new QListWidget(page);
    list->setObjectName(QStringLiteral("SaleList"));
    list->setGeometry(8, 106, 440, 150);

    QGroupBox* from = NewGroupBox(page, "GroupBox4", QRect(456, 104, 256, 50));
    NewRadioButton(from, "rbDiscBase1", QRect(8, 22, 120, 22))->setChecked(true);
    NewRadioButton(from, "rbDiscBase2", QRect(132, 22, 110, 22));
    QGroupBox* how = NewGroupBox(page, "GroupBox14", QRect(456, 158, 256, 50));
    QRadioButton* discount = NewRadioButton(how, "rbDiscCmd1", QRect(8, 22, 120, 22));
    discount->setChecked(true);
    NewRadioButton(how, "rbDiscCmd2", QRect(132, 22, 110, 22));
    NewLabel(page, "lblChangeAmt", QPoint(456, 220));
    NewEdit(page, "edDiscRate", QRect(580, 216, 70, 26), 5);
    NewLabel(page, "lbPercentMark", QPoint(656, 220), QStringLiteral("%"));
    QGroupBox* calc = NewGroupBox(page, "GroupBox13", QRect(456, 250, 256, 50));
    QRadioButton* rate = NewRadioButton(calc, "rbDiscAmt1", QRect(8, 22, 120, 22));
    rate->setChecked(true);
    NewRadioButton(calc, "rbDiscAmt2", QRect(132, 22, 110, 22));
    calc->hide();
    QObject::connect(discount, &QRadioButton::toggled, &form,
                     [&form] { form.Guarded([&form] { rbDiscCmd1Click(form); }); });
    QObject::connect(rate, &QRadioButton::toggled, &form,
                     [&form] { form.Guarded([&form] { rbDiscAmt1Click(form); }); });

    form.OnClick(NewButton(page, "btnSaleItem", QRect(8, 264, 104, 30)),
                 [&form] { btnSaleItemClick(form); });
    QPushButton* discountButton = NewButton(page, "bbtnDiscount", QRect(118, 264, 104, 30));
    discountButton->setEnabled(false); // nothing sold yet
    form.OnClick(discountButton, [&form] { Discount(form); });
    form.OnClick(NewButton(page, "btnCancelItem", QRect(228, 264, 104, 30)),
                 [&form] { CancelItem(form); });
    form.OnClick(NewButton(page, "btnPrnSubtotal", QRect(338, 264, 110, 30)),
                 [&form] { form.RunCommand(PortKind::User, "", form.User().cmPrintSubTotal); });
    form.OnClick(NewButton(page, "btnSaleOK", QRect(8, 300, 104, 30)), [&form] {
        const QString total = Edit(form, "edTotal")->text();
        if (total.isEmpty()) return;
        ReceiptStarted(form) = false;
        form.ShowPage(9);
        Get<QLabel>(form, "TotalLabel")->setText(total);
        QLineEdit* cash = Edit(form, "CashEdit");
        cash->setText(total);
        cash->setFocus();
        cash->selectAll();
    });
    form.OnClick(NewButton(page, "btnSaleVoid", QRect(118, 300, 120, 30)),
                 [&form] { ShowFooterPage(form, true); });
    // The batch sale: in the form, shown by nothing.
    QPushButton* batch =
        NewButton(page, "btnSale200", QRect(456, 304, 100, 30), QStringLiteral("Sale Batch"));
    form.OnClick(batch, [&form] { btnSale200Click(form); });
    batch->hide();
    QLineEdit* batchStart = NewEdit(page, "edBatch", QRect(562, 306, 60, 26));
    batchStart->setText(QStringLiteral("200"));
    batchStart->hide();
    form.AddBackButton(8, "BackBtn7", kBackAt);
    HookItemLookup(form);
}

void Pay(TMainForm& form, const char* amountEdit, std::int32_t type, const std::string& name) {
    const double amount = RoundDecimals(2, Number(form, amountEdit));
    if (!form.RunCommand(PortKind::User, "", [&](TFPrnResult* r, char* b, std::int32_t* n) {
            form.User().cmPayment(r, type, name.c_str(), amount, b, n);
        }))
        return;
    QLabel* label = Get<QLabel>(form, "TotalLabel");
    const double total = RoundDecimals(2, StrToFloatDefault(lang::ToCharset(label->text()), 0));
    const double remaining = RoundDecimals(2, total - amount);
    label->setText(lang::FromCharset(FloatToStr(remaining)));
    if (remaining <= 0) form.ShowPage(1);
}

void BuildPayPage(TMainForm& form) {
    QWidget* page = form.Page(9);
    NewLabel(page, "Label34", QPoint(16, 20));
    NewValueLabel(page, "TotalLabel", QRect(110, 16, 200, 26));
    NewLabel(page, "Label31", QPoint(16, 56));
    NewEdit(page, "CashEdit", QRect(110, 52, 130, 26), 10);
    form.OnClick(NewButton(page, "CashBtn", QRect(250, 50, 80, 30)),
                 [&form] { Pay(form, "CashEdit", 0, " "); });
    NewLabel(page, "Label32", QPoint(16, 100));
    NewLabel(page, "Label39", QPoint(32, 128));
    NewEdit(page, "Pay1NameEdit", QRect(110, 124, 220, 26), 20);
    NewLabel(page, "Label40", QPoint(32, 164));
    NewEdit(page, "Pay1Edit", QRect(110, 160, 130, 26), 10);
    form.OnClick(NewButton(page, "Pay1Btn", QRect(250, 158, 80, 30)),
                 [&form] { Pay(form, "Pay1Edit", 1, EditBytes(Edit(form, "Pay1NameEdit"))); });
    NewLabel(page, "Label26", QPoint(16, 228));
    NewEdit(page, "edSystemNumber", QRect(130, 224, 200, 26), 16);
    form.OnClick(NewButton(page, "btnSetSysNum", QRect(340, 222, 70, 30)), [&form] {
        std::string number = EditBytes(Edit(form, "edSystemNumber"));
        if (number.size() < kSystemNumberWidth) number.resize(kSystemNumberWidth, ' ');
        form.RunCommand(PortKind::User, "", [&](TFPrnResult* r, char* b, std::int32_t* n) {
            form.User().cmSetSysNum(r, number.c_str(), b, n);
        });
    });
}

void BuildFooterPage(TMainForm& form) {
    QWidget* page = form.Page(19);
    NewLabel(page, "Label78", QPoint(16, 20));
    NewEdit(page, "edFootMsg", QRect(140, 16, 320, 26), 32);
    form.OnClick(NewButton(page, "bbtnExecCancelRecp", QRect(16, 60, 150, 30)), [&form] {
        std::string footer = EditBytes(Edit(form, "edFootMsg"));
        if (!form.RunCommand(PortKind::User, "", [&](TFPrnResult* r, char* b, std::int32_t* n) {
                form.User().cmReceiptCancel(r, footer.c_str(), b, n);
            }))
            return;
        form.ShowPage(1);
        ReceiptStarted(form) = false;
        if (PluFileName(form).empty()) return;
        // Every line goes back to stock, also after one that cannot.
        std::vector<itemfile::Status> results;
        for (const SaleLine& line : SaleLines(form))
            if (line.stockInFile)
                results.push_back(AdjustPluStock(form, line[kSaleBarcode], false,
                                                 SaleFieldNumber(line[kSaleQty])));
        ReportStockFailures(form, results);
    });
    form.OnClick(NewButton(page, "bbtnExecCloseRecp", QRect(180, 60, 150, 30)), [&form] {
        std::string footer = EditBytes(Edit(form, "edFootMsg"));
        if (!form.RunCommand(PortKind::User, "", [&](TFPrnResult* r, char* b, std::int32_t* n) {
                form.User().cmReceiptClose(r, footer.c_str(), b, n);
            }))
            return;
        form.ShowPage(1);
        ReceiptStarted(form) = false;
    });
    form.AddBackButton(19, "BitBtn11", kBackAt);
}

using PackageCommand = void (*TovarinApi::*)(TFPrnResult*, double, const char*, double, const char*,
                                             char*, std::int32_t*);
using PackagePayment = void (*TovarinApi::*)(TFPrnResult*, std::int32_t, char*, std::int32_t*);

void PackageLine(TMainForm& form, PackageCommand command, const char* runningTotal) {
    const double price = RoundDecimals(2, Number(form, "edPrice2"));
    const double quantity = Number(form, "edQty2");
    std::string unit = EditBytes(Edit(form, "edUnit2"));
    std::string name = EditBytes(Edit(form, "edName2"));
    if (!form.RunCommand(PortKind::User, "", [&](TFPrnResult* r, char* b, std::int32_t* n) {
            (form.User().*command)(r, quantity, unit.c_str(), price, name.c_str(), b, n);
        }))
        return;
    SetNumber(form, runningTotal, Number(form, runningTotal) + RoundDecimals(2, quantity * price));
    Edit(form, "edName2")->clear();
    Edit(form, "edUnit2")->clear();
    Edit(form, "edPrice2")->setText(QStringLiteral("0"));
    Edit(form, "edQty2")->setText(QStringLiteral("1"));
    Edit(form, "edName2")->setFocus();
    Enable(form, "BitBtn15", false);
}

void PackagePay(TMainForm& form, PackagePayment command) {
    const bool paid =
        form.RunCommand(PortKind::User, "", [&](TFPrnResult* r, char* b, std::int32_t* n) {
            (form.User().*command)(r, 0, b, n);
        });
    // Refused too: what would let the printer pay (cash into the drawer) is on another page.
    Enable(form, "BitBtn15", true);
    if (paid) form.ShowPage(1);
}

void BuildPackagePage(TMainForm& form) {
    QWidget* page = form.Page(24);
    const struct {
        const char *label, *edit, *text;
        int width, maxLength;
    } rows[] = {{"Label92", "edName2", "", 260, 32},
                {"Label94", "edPrice2", "0", 120, 0},
                {"Label100", "edUnit2", "", 60, 4},
                {"Label96", "edQty2", "1", 120, 0}};
    int y = 16;
    for (const auto& row : rows) {
        NewLabel(page, row.label, QPoint(16, y + 4));
        NewEdit(page, row.edit, QRect(110, y, row.width, 26), row.maxLength)
            ->setText(QString::fromLatin1(row.text));
        y += 36;
    }
    NewLabel(page, "Label102", QPoint(420, 20));
    for (const char* name : {"edTotal2", "edTotal3"}) {
        QLineEdit* sum = NewEdit(page, name, QRect(480, name[7] == '2' ? 16 : 52, 130, 26));
        sum->setReadOnly(true);
        sum->setText(QStringLiteral("0"));
    }
    form.OnClick(NewButton(page, "btnExecRtnPck", QRect(16, 168, 160, 30)),
                 [&form] { PackageLine(form, &TovarinApi::cmReturnPackage, "edTotal2"); });
    form.OnClick(NewButton(page, "btnSalePackage", QRect(186, 168, 160, 30)),
                 [&form] { PackageLine(form, &TovarinApi::cmSalePackage, "edTotal3"); });
    form.OnClick(NewButton(page, "btnExecPckPay", QRect(16, 208, 160, 30)),
                 [&form] { PackagePay(form, &TovarinApi::cmPackagePayment); });
    form.OnClick(NewButton(page, "btnSalePackagePayment", QRect(186, 208, 180, 30)),
                 [&form] { PackagePay(form, &TovarinApi::cmSalePackagePayment); });
    form.AddBackButton(24, "BitBtn15", kBackAt);
}

void ConnectMenu(TMainForm& form) {
    form.OnClick(QStringLiteral("bbtnReceiveAccount"), [&form] { form.ShowPage(6); });
    form.OnClick(QStringLiteral("bbtnPaidOut"), [&form] { form.ShowPage(7); });
    form.OnClick(QStringLiteral("bbtnSale"), [&form] { bbtnSaleClick(form); });
    form.OnClick(QStringLiteral("bbtnCloseRecp"), [&form] { ShowFooterPage(form, false); });
    form.OnClick(QStringLiteral("bbtnRtnPackage"), [&form] {
        form.ShowPage(24);
        Enable(form, "BitBtn15", true);
    });
    form.OnClick(QStringLiteral("bbtnLoadPlu"), [&form] { bbtnLoadPluClick(form); });
    // Qt's own dialog, the same on every desktop; "DEFAULT.PLU" matches "*.plu" too.
    form.OpenDialog1->setOption(QFileDialog::DontUseNativeDialog);
    form.OpenDialog1->setFilter(form.OpenDialog1->filter() & ~QDir::CaseSensitive);
    form.OpenDialog1->setNameFilter(QStringLiteral("Plu Files (*.plu)"));
}

void BuildSalePages(TMainForm& form) {
    BuildDrawerPages(form);
    BuildSalePage(form);
    BuildPayPage(form);
    BuildFooterPage(form);
    BuildPackagePage(form);
    ConnectMenu(form);
}

FPRN_CONSOLE_PAGES(Sales, {"sales", {6, 7, 8, 9, 19, 24}, BuildSalePages});

} // namespace

bool& ReceiptStarted(TMainForm& form) {
    return form.GroupState<SaleState>().receiptStarted;
}

QListWidget* SaleList(TMainForm& form) {
    return Get<QListWidget>(form, "SaleList");
}

std::vector<SaleLine> SaleLines(TMainForm& form) {
    QListWidget* list = SaleList(form);
    std::vector<SaleLine> lines;
    lines.reserve(static_cast<std::size_t>(list->count()));
    for (int i = 0; i < list->count(); ++i) lines.push_back(LineOf(list->item(i)));
    return lines;
}

void AppendSaleLine(TMainForm& form, const SaleLine& line) {
    SaleList(form)->addItem(NewLineItem(line));
}

void SetSaleLines(TMainForm& form, const std::vector<SaleLine>& lines) {
    QListWidget* list = SaleList(form);
    list->clear();
    for (const SaleLine& line : lines) list->addItem(NewLineItem(line));
}

void bbtnSaleClick(TMainForm& form) {
    if (PluFileName(form).empty()) {
        ShowPlainMessage(&form, lang::LanguageText(kMessageNoItemFile));
        return;
    }
    Edit(form, "edTotal")->setText(QStringLiteral("0"));
    form.ShowPage(8);
    SaleList(form)->clear();
    Enable(form, "BackBtn7", true);
    Enable(form, "btnPostpone", false);
    Enable(form, "btnCancelItem", true);
}

void btnSaleItemClick(TMainForm& form) {
    // A barcode typed but never looked up (no FocusOut came) sells its item, not blank fields.
    const SaleLookup item = LookUpBeforeSale(form);
    if (item == SaleLookup::Stop) return;
    form.OpenPort(PortKind::User);
    TCurrencyEdit* qtyEdit = Currency(form, "edQty");
    TCurrencyEdit* priceEdit = Currency(form, "edPrice");
    TCurrencyEdit* returnEdit = Currency(form, "edRtnPrice");
    const double quantity = qtyEdit->Value(), price = priceEdit->Value(),
                 returnPrice = returnEdit->Value();
    if (price > kMaxPrice || returnPrice > kMaxPrice) {
        ShowPlainMessage(&form, lang::FromCharset(lang::FormatLanguageText(
                                    lang::GetLanguageText(kMessagePriceRange),
                                    {lang::FormatArg("0"), lang::FormatArg("999999.99")})));
        (price <= kMaxPrice ? returnEdit : priceEdit)->setFocus();
        return;
    }
    auto* letters = Get<QComboBox>(form, "cbDepId");
    const std::string department = DepartmentCode(letters->currentIndex());
    SaleLine line{EditBytes(qtyEdit),
                  EditBytes(Edit(form, "edUnit")),
                  EditBytes(priceEdit),
                  lang::ToCharset(letters->currentText()),
                  EditBytes(Edit(form, "edName")),
                  FloatToStr(RoundDecimals(2, (price + returnPrice) * quantity)),
                  EditBytes(returnEdit),
                  EditBytes(Edit(form, "edBarcode"))};
    if (!form.RunCommand(PortKind::User, "", [&](TFPrnResult* r, char* b, std::int32_t* n) {
            form.User().cmSaleItem(r, quantity, line[kSaleUnit].c_str(), price, department.c_str(),
                                   line[kSaleName].c_str(), returnPrice > 0 ? 1 : 0, returnPrice, b,
                                   n);
        }))
        return;
    SetNumber(form, "edTotal",
              Number(form, "edTotal") + RoundDecimals(2, (price + returnPrice) * quantity));
    std::optional<itemfile::Status> stock;
    // A barcode without an item in the file loaded counts no stock, also should another program
    // have added it since.
    if (!PluFileName(form).empty() && item == SaleLookup::Item) {
        stock = AdjustPluStock(form, line[kSaleBarcode], true, quantity);
        line.stockInFile = stock->ok();
    }
    AppendSaleLine(form, line);
    Edit(form, "edBarcode")->clear();
    Edit(form, "edName")->clear();
    Edit(form, "edUnit")->clear();
    priceEdit->SetText(QStringLiteral("0"));
    qtyEdit->SetText(QStringLiteral("1"));
    returnEdit->SetText(QStringLiteral("0"));
    letters->setCurrentIndex(0);
    Enable(form, "bbtnDiscount", true);
    Enable(form, "btnPostpone", true);
    Enable(form, "btnCancelPostpone", false);
    Edit(form, "edBarcode")->setFocus();
    if (!ReceiptStarted(form)) {
        ReceiptStarted(form) = true;
        Enable(form, "BackBtn7", false);
    }
    if (stock) ReportStock(form, *stock);
}

} // namespace fprn::console
