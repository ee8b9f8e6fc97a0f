// Postponed receipts: "Postpone" and "Complete Postpone" on the sale page (hidden there, as in
// the form), page 21 that takes a receipt up again, and page 17, which only carries its
// captions.
#include "postponed.h"

#include "formcontrols.h"
#include "fprnapi.h"
#include "languagetext.h"
#include "mainform.h"
#include "messagebox.h"
#include "pageedits.h"
#include "salepages.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

namespace fprn::console {

namespace {

constexpr int kPostponedFull = 47; // the printer's "over 3 save(postponed) records"

void Postpone(TMainForm& form) {
    const std::vector<SaleLine> lines = SaleLines(form);
    if (lines.empty()) return;
    PostponedReceipts& receipts = Postponed(form);
    std::array<bool, kPostponeSlots> held{};
    for (int i = 0; i < kPostponeSlots; ++i)
        held[static_cast<std::size_t>(i)] = receipts.stored[static_cast<std::size_t>(i)].held;
    // A held receipt is never replaced.
    const auto slot = ChoosePostponeSlot(receipts.next, held);
    if (!slot) {
        ShowErrorBox(&form, lang::FromCharset(GetFPrnErrorText(-4, kPostponedFull)));
        // Taking one up is then the only way on: once this receipt is ended.
        form.Button(QStringLiteral("btnCancelPostpone"))->setEnabled(true);
        return;
    }
    const double tax = TaxAmount(lines, form.VatRates);
    const double total =
        StrToFloatDefault(lang::ToCharset(form.Control<QLineEdit>("edTotal")->text()), 0);
    if (!form.RunCommand(PortKind::User, "63", [&](TFPrnResult* r, char* b, std::int32_t* n) {
            form.User().cmInvoiceInfo(r, 0, *slot, total, tax, b, n);
        }))
        return;
    receipts.stored[static_cast<std::size_t>(*slot - 1)] = {
        true, lines, total, tax, form.Button(QStringLiteral("bbtnDiscount"))->isEnabled()};
    receipts.next = SlotAfter(*slot);
    form.Button(QStringLiteral("bbtnSale"))->click();
    // The receipt left the page: the next one guards its own.
    ReceiptStarted(form) = false;
    form.Button(QStringLiteral("btnCancelPostpone"))->setEnabled(true);
}

void CompletePostponed(TMainForm& form) {
    if (SaleList(form)->count() != 0) return;
    auto* number = form.Control<QComboBox>(QStringLiteral("cbRecNo"));
    const int n = number->currentIndex() < 0 ? 0 : number->currentIndex() + 1;
    PostponedReceipts& receipts = Postponed(form);
    if (n < 1 || n > kPostponeSlots || !receipts.stored[static_cast<std::size_t>(n - 1)].held)
        return;
    PostponedReceipt& held = receipts.stored[static_cast<std::size_t>(n - 1)];
    if (!form.RunCommand(PortKind::User, "63", [&](TFPrnResult* r, char* b, std::int32_t* len) {
            form.User().cmInvoiceInfo(r, 1, n, held.total, held.tax, b, len);
        }))
        return;
    form.Button(QStringLiteral("bbtnSale"))->click();
    SetSaleLines(form, held.lines);
    form.Control<QLineEdit>(QStringLiteral("edTotal"))
        ->setText(lang::FromCharset(FloatToStr(held.total)));
    form.Button(QStringLiteral("bbtnDiscount"))->setEnabled(held.discountEnabled);
    held = {};
    receipts.next = n;
    // The receipt is open again: it must be ended before the page is left.
    ReceiptStarted(form) = true;
    form.Button(QStringLiteral("BackBtn7"))->setEnabled(false);
}

// Page 17: the captions of the invoice kinds, in nine boxes.
void BuildInvoicePage(TMainForm& form) {
    const struct {
        const char* box;
        std::vector<const char*> radios, labels;
    } boxes[] = {
        {"gbNormal", {}, {"Label58", "Label66", "Label71", "Label73"}},
        {"gbReceipt", {"rbReceipt1", "rbReceipt2"}, {"Label99", "Label101", "Label103"}},
        {"gbExpDoc", {"rbExpDoc1", "rbExpDoc2"}, {"Label87", "Label89", "Label91"}},
        {"gbDplSale", {}, {"Label79", "Label81", "Label83"}},
        {"gbWaybill", {"rbWaybill1", "rbWaybill2"}, {"Label85"}},
        {"gbGiftCert", {}, {"Label93", "Label95"}},
        {"gbOrdRecp", {}, {"Label97"}},
        {"gbCancel", {}, {"Label75", "Label77"}},
        {"gbGuarantee", {}, {"Label72"}},
    };
    QWidget* page = form.Page(17);
    int i = 0;
    for (const auto& b : boxes) {
        QGroupBox* box =
            NewGroupBox(page, b.box, QRect(8 + (i % 3) * 236, 4 + (i / 3) * 112, 228, 106));
        int y = 20;
        if (!b.radios.empty()) {
            NewRadioButton(box, b.radios[0], QRect(8, y, 100, 20))->setChecked(true);
            NewRadioButton(box, b.radios[1], QRect(112, y, 100, 20));
            y += 22;
        }
        for (const char* label : b.labels) {
            NewLabel(box, label, QPoint(8, y));
            y += 20;
        }
        ++i;
    }
    form.AddBackButton(17, "BitBtn9", QPoint(592, 340));
}

void BuildPostponedPages(TMainForm& form) {
    QWidget* sale = form.Page(8);
    QPushButton* postpone = NewButton(sale, "btnPostpone", QRect(244, 300, 100, 30));
    form.OnClick(postpone, [&form] { Postpone(form); });
    QPushButton* complete = NewButton(sale, "btnCancelPostpone", QRect(350, 300, 140, 30));
    form.OnClick(complete, [&form] { form.ShowPage(21); });
    // In the form, shown by nothing.
    for (QPushButton* b : {postpone, complete}) {
        b->setEnabled(false);
        b->hide();
    }

    QWidget* page = form.Page(21);
    NewLabel(page, "Label70", QPoint(16, 20));
    NewDropDown(page, "cbRecNo", QRect(190, 16, 70, 26), {"01", "02", "03"});
    form.OnClick(NewButton(page, "btnExecCancelPostpone", QRect(16, 60, 160, 30)),
                 [&form] { CompletePostponed(form); });
    form.OnClick(NewButton(page, "bbtnBackSale", QRect(592, 340, 120, 30)),
                 [&form] { form.ShowPage(8); });
    BuildInvoicePage(form);
}

// Every slot empty at start.
void ClearPostponed(TMainForm& form) {
    Postponed(form) = PostponedReceipts{};
}

FPRN_CONSOLE_PAGES(Postponed,
                   {"postponed receipts", {17, 21}, BuildPostponedPages, ClearPostponed});

} // namespace

PostponedReceipts& Postponed(TMainForm& form) {
    return form.GroupState<PostponedReceipts>();
}

} // namespace fprn::console
