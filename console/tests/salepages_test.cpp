// The sale pages on the real form and both real libraries against the emulated printer, with
// an item file of three items: what reaches the printer, the sale list and total, the item
// file, the page shown, the focus and every box.
#include "formfixture.h"

#include "commandtexts.h"
#include "ctypelocale.h"
#include "currencyedit.h"
#include "fieldreadings.h"
#include "filesave.h"
#include "itemstock.h"
#include "languagetext.h"
#include "maskedit.h"
#include "postponed.h"
#include "salepages.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTimer>

#include <fcntl.h>
#include <fstream>
#include <sys/file.h>
#include <unistd.h>

namespace fprn::console::testing {
namespace {

using editcontrols::TCurrencyEdit;
using emu::Reaction;
using Lines = std::vector<SaleLine>;
using StrList = std::vector<std::string>;

const std::string kItems = "MILK\t5900000000028\tl\t2.50\tB\t10\r\n"
                           "BREAD\t4001\tpcs\t2.25\tc\t4\r\n"
                           "ODD\t123\tkg\t1.00\t7\tlots\r\n";

class SalesTest : public FormTest {
protected:
    void SetUp() override {
        FormTest::SetUp();
        MakeForm();
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        items = (dir.path() / "DEFAULT.PLU").string();
        std::ofstream(items, std::ios::binary) << kItems;
    }
    std::string ItemFile() const { return test::ReadFile(items); }
    void Load() { LoadPluFile(*form, items); }
    QLineEdit* Edit(const char* name) const { return Get<QLineEdit>(name); }
    TCurrencyEdit* Currency(const char* name) const { return Get<TCurrencyEdit>(name); }
    QString Total() const { return Edit("edTotal")->text(); }
    Lines SaleLinesShown() const { return SaleLines(*form); }
    bool Enabled(const char* button) const { return form->Button(button)->isEnabled(); }

    // Fills the sale fields as typed, without leaving the barcode.
    void Fill(const char* qty, const char* price, const char* letter, const char* name,
              const char* unit = "", const char* returnPrice = "0", const char* barcode = "") {
        Currency("edQty")->SetText(qty);
        Currency("edPrice")->SetText(price);
        Currency("edRtnPrice")->SetText(returnPrice);
        Get<QComboBox>("cbDepId")->setCurrentText(letter);
        Edit("edName")->setText(name);
        Edit("edUnit")->setText(unit);
        Edit("edBarcode")->setText(barcode);
    }
    void Sell(const char* qty, const char* price, const char* letter, const char* name,
              const char* unit = "", const char* returnPrice = "0") {
        Fill(qty, price, letter, name, unit, returnPrice);
        Click("btnSaleItem");
    }
    // Types a barcode and leaves the field, as a user does; the focus it moves comes after.
    void LeaveBarcode(const QString& text) {
        Edit("edBarcode")->setFocus();
        Edit("edBarcode")->setText(text);
        Edit("edName")->setFocus();
        QCoreApplication::processEvents();
    }
    void Select(int row) { SaleList(*form)->setCurrentRow(row); }
    void EndReceipt(const char* how) {
        Click("btnSaleVoid");
        ASSERT_EQ(form->CurrentPage(), 19);
        Click(how);
    }

    StrList NewTexts() {
        auto all = Texts();
        StrList fresh(all.begin() + static_cast<std::ptrdiff_t>(seen_), all.end());
        seen_ = all.size();
        return fresh;
    }
    // The last command text received since the last call, empty for none.
    std::string LastNewText() {
        auto fresh = NewTexts();
        return fresh.empty() ? std::string() : fresh.back();
    }
    static QString PrinterError(int number) {
        return lang::FromCharset(GetFPrnErrorText(-4, number));
    }
    static QString Format(int id, const std::string& arg) {
        return lang::FromCharset(lang::FormatLanguageText(lang::GetLanguageText(id), {arg}));
    }

    std::string items;
    std::size_t seen_ = 0;
};

TEST_F(SalesTest, ItemFileLookupAndStock) {
    std::ofstream(dir.path() / "notes.txt") << "not an item file";
    // The dialog lists the upper-case file and not the other one; it is chosen.
    QStringList listed;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_TRUE(dialog);
        auto* model = dialog->findChild<QFileSystemModel*>();
        ASSERT_TRUE(model);
        QModelIndex folder = model->index(QString::fromStdString(dir.path().string()));
        // The folder is read in the background; its entries arrive as inserted rows.
        QSignalSpy inserted(model, &QAbstractItemModel::rowsInserted);
        while (model->rowCount(folder) == 0 && inserted.wait(60000)) {
        }
        for (int row = 0; row < model->rowCount(folder); ++row) {
            QModelIndex entry = model->index(row, 0, folder);
            if (model->flags(entry) & Qt::ItemIsEnabled) listed << model->fileName(entry);
        }
        // Typed into its name field and opened, as a user does.
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_TRUE(name);
        name->setText(QStringLiteral("DEFAULT.PLU"));
        static_cast<QDialog*>(dialog)->accept();
    });
    form->OpenDialog1->setDirectory(QString::fromStdString(dir.path().string()));
    Click("bbtnLoadPlu");
    form->activateWindow(); // back from the dialog
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    EXPECT_EQ(listed, QStringList{"DEFAULT.PLU"});
    EXPECT_EQ(PluFileName(*form), items);
    ASSERT_TRUE(PluLines(*form));
    EXPECT_EQ(*PluBarcodes(*form), (StrList{"5900000000028", "4001", "123"}));

    Click("bbtnSale");
    ASSERT_EQ(form->CurrentPage(), 8);
    LeaveBarcode("5900000000028");
    EXPECT_EQ(Edit("edName")->text(), "MILK");
    EXPECT_EQ(Currency("edPrice")->Text(), "2.50");
    EXPECT_EQ(Edit("edUnit")->text(), "l");
    EXPECT_EQ(Get<QComboBox>("cbDepId")->currentText(), "B");
    EXPECT_TRUE(Currency("edQty")->hasFocus());
    // Not found: the fields emptied, no letter, quantity 1.
    Currency("edQty")->SetText("3");
    LeaveBarcode("999");
    EXPECT_EQ(Edit("edName")->text(), "");
    EXPECT_EQ(Currency("edPrice")->Text(), "");
    EXPECT_EQ(Get<QComboBox>("cbDepId")->currentIndex(), -1);
    EXPECT_EQ(Currency("edQty")->Text(), "1");
    // A tax number that is no letter asks for one.
    LeaveBarcode("123");
    EXPECT_EQ(boxes.Take(), std::vector<QString>{Format(11440, "7")});
    EXPECT_EQ(Edit("edName")->text(), "ODD");
    EXPECT_TRUE(Get<QComboBox>("cbDepId")->hasFocus());
    // Enter moves on; trailing blanks are found, letters in any case.
    Edit("edBarcode")->setFocus();
    Edit("edBarcode")->setText("4001  ");
    QTest::keyClick(Edit("edBarcode"), Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_EQ(Edit("edName")->text(), "BREAD");
    EXPECT_EQ(Get<QComboBox>("cbDepId")->currentText(), "C");

    // Sold with its blanks: the stock still counts it, only that field changes.
    Click("btnSaleItem");
    std::string afterBread = kItems;
    afterBread.replace(afterBread.find("c\t4"), 3, "c\t5");
    EXPECT_EQ(ItemFile(), afterBread);
    EXPECT_EQ(SaleLinesShown().at(0)[kSaleBarcode], "4001  ");
    LeaveBarcode("5900000000028");
    Currency("edQty")->SetText("1.5");
    Click("btnSaleItem");
    EXPECT_EQ(NewTexts(), (StrList{texts::SaleItem(1, "pcs", 2.25, "03", "BREAD", 0, 0),
                                   texts::SaleItem(1.5, "l", 2.5, "02", "MILK", 0, 0)}));
    std::string afterMilk = afterBread;
    afterMilk.replace(afterMilk.find("B\t10"), 4, "B\t11.5");
    EXPECT_EQ(ItemFile(), afterMilk);
    for (int row : {1, 0}) {
        Select(row);
        Click("btnCancelItem");
    }
    EXPECT_EQ(ItemFile(), kItems);
    EXPECT_EQ(Total(), "0");
    EXPECT_TRUE(boxes.Take().empty());
    EndReceipt("bbtnExecCancelRecp");

    // A missing file leaves none loaded: the sale page stays shut.
    LoadPluFile(*form, (dir.path() / "gone.plu").string());
    EXPECT_EQ(PluFileName(*form), "");
    EXPECT_TRUE(PluLines(*form)) << "the lines stay as they were";
    Click("bbtnSale");
    EXPECT_EQ(boxes.Take(), std::vector<QString>{lang::LanguageText(11445)});
    EXPECT_EQ(form->CurrentPage(), 1);
}

// While another window is active no FocusOut comes: Enter looks the barcode up itself, and Sale
// Item does when nothing did. The printer gets the item, its QTY moves once a sale.
TEST_F(SalesTest, ABarcodeTypedInAnInactiveFormSellsItsItem) {
    Load();
    Click("bbtnSale");
    QLineEdit* barcode = Edit("edBarcode");
    barcode->setFocus();
    QWidget other;
    other.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    NewTexts();
    const std::string milk = texts::SaleItem(1, "l", 2.5, "02", "MILK", 0, 0);
    std::string stock = kItems;
    QTest::keyClicks(barcode, "5900000000028");
    QTest::keyClick(barcode, Qt::Key_Return);
    EXPECT_EQ(Edit("edName")->text(), "MILK");
    QCoreApplication::processEvents();
    Click("btnSaleItem");
    EXPECT_EQ(NewTexts(), StrList{milk});
    stock.replace(stock.find("B\t10"), 4, "B\t11");
    EXPECT_EQ(ItemFile(), stock);
    // The same barcode again, straight to Sale Item.
    QTest::keyClicks(barcode, "5900000000028");
    Click("btnSaleItem");
    EXPECT_EQ(NewTexts(), StrList{milk});
    stock.replace(stock.find("B\t11"), 4, "B\t12");
    EXPECT_EQ(ItemFile(), stock);
    // An unknown barcode sells nothing at first; then what is typed, counting no stock, also
    // after another program has added the barcode to the file.
    QTest::keyClicks(barcode, "999");
    Click("btnSaleItem");
    EXPECT_TRUE(NewTexts().empty());
    std::ofstream(items, std::ios::binary | std::ios::app) << "TEA\t999\tpcs\t1.00\tA\t5\r\n";
    stock = ItemFile();
    Fill("1", "2", "A", "TEA", "", "0", "999");
    Click("btnSaleItem");
    EXPECT_EQ(NewTexts(), StrList{texts::SaleItem(1, "", 2, "01", "TEA", 0, 0)});
    EXPECT_EQ(ItemFile(), stock);
    EXPECT_TRUE(boxes.Take().empty());
}

TEST_F(SalesTest, ReceiptSalesCancelDiscountsPaymentsAndDrawer) {
    Load();
    Click("bbtnSale");
    EXPECT_FALSE(Enabled("bbtnDiscount"));
    Sell("1.5", "2.25", "A", "TEA", "pcs");
    EXPECT_EQ(Total(), "3.38");
    EXPECT_FALSE(Enabled("BackBtn7"));
    Sell("1", "10", "A", "BEER", "", "0.5");
    EXPECT_EQ(Total(), "13.88");
    EXPECT_EQ(SaleLinesShown().at(1), (SaleLine{"1", "", "10", "A", "BEER", "10.5", "0.5", ""}));
    EXPECT_EQ(SaleList(*form)->item(0)->text(), "1.5---pcs---2.25---A---TEA---3.38---0---");
    // Cleared for the next item.
    EXPECT_EQ(Currency("edQty")->Text(), "1");
    EXPECT_EQ(Currency("edPrice")->Text(), "0");
    EXPECT_EQ(Get<QComboBox>("cbDepId")->currentText(), "A");
    EXPECT_TRUE(Edit("edBarcode")->hasFocus());
    Click("btnPrnSubtotal");
    EXPECT_EQ(printer.State().subtotal, 1388);
    EXPECT_EQ(form->CurrentPage(), 8);
    LeaveBarcode("4001");
    Click("btnSaleItem");
    EXPECT_EQ(ItemFile().find("c\t5"), kItems.find("c\t4"));
    Select(2);
    Click("btnCancelItem");
    Click("btnCancelItem"); // nothing is selected any more
    EXPECT_EQ(NewTexts(), (StrList{texts::SaleItem(1.5, "pcs", 2.25, "01", "TEA", 0, 0),
                                   texts::SaleItem(1, "", 10, "01", "BEER", 1, 0.5), "39",
                                   texts::SaleItem(1, "pcs", 2.25, "03", "BREAD", 0, 0),
                                   texts::CancelItem(1, "pcs", 2.25, "03", "BREAD", 0, 0)}));
    EXPECT_EQ(Total(), "13.88");
    EXPECT_EQ(ItemFile(), kItems);
    // An increase of 10 % on the subtotal: every line, the printer agreeing.
    Get<QRadioButton>("rbDiscCmd2")->click();
    EXPECT_EQ(form->Button("bbtnDiscount")->text(), lang::LanguageText(11100));
    Get<QRadioButton>("rbDiscBase2")->click();
    Edit("edDiscRate")->setText("10");
    Click("bbtnDiscount");
    EXPECT_EQ(NewTexts(), StrList{"3811000"});
    EXPECT_EQ(Dump().at(Dump().size() - 3), "Reply to command 32");
    EXPECT_EQ(Total(), "15.27");
    EXPECT_EQ(SaleLinesShown().at(0)[kSaleTotal], "3.72");
    EXPECT_EQ(SaleLinesShown().at(1)[kSaleTotal], "11.55");
    EXPECT_EQ(printer.State().subtotal, 1527);
    EndReceipt("bbtnExecCancelRecp");
    Get<QRadioButton>("rbDiscCmd1")->click();
    EXPECT_EQ(form->Button("bbtnDiscount")->text(), lang::LanguageText(11099));

    // A discount on the last line; then the buttons: Discount back with the next sale only.
    Click("bbtnSale");
    EXPECT_TRUE(Enabled("BackBtn7"));
    Sell("1", "3", "A", "A3");
    Sell("1", "7", "A", "A7");
    Get<QRadioButton>("rbDiscBase1")->click();
    Click("bbtnDiscount");
    EXPECT_EQ(SaleLinesShown().at(0)[kSaleTotal], "3");
    EXPECT_EQ(SaleLinesShown().at(1)[kSaleTotal], "6.3");
    EXPECT_EQ(Total(), "9.3");
    EXPECT_FALSE(Enabled("bbtnDiscount"));
    EXPECT_FALSE(Enabled("btnCancelItem"));
    Sell("1", "3.2", "A", "A32");
    EXPECT_TRUE(Enabled("bbtnDiscount"));
    EXPECT_FALSE(Enabled("btnCancelItem"));
    EXPECT_EQ(Total(), "12.5");
    EXPECT_EQ(printer.State().subtotal, 1250);
    Click("btnSaleOK");
    EXPECT_EQ(form->CurrentPage(), 9);
    EXPECT_EQ(Get<QLabel>("TotalLabel")->text(), "12.5");
    EXPECT_EQ(Edit("CashEdit")->selectedText(), "12.5");
    Edit("CashEdit")->setText("5");
    Click("CashBtn");
    EXPECT_EQ(Get<QLabel>("TotalLabel")->text(), "7.5");
    EXPECT_EQ(form->CurrentPage(), 9);
    Edit("Pay1NameEdit")->setText("VISA");
    Edit("Pay1Edit")->setText("7.5");
    Click("Pay1Btn");
    EXPECT_EQ(form->CurrentPage(), 1);
    Click("bbtnCloseRecp");
    EXPECT_TRUE(form->Button("bbtnExecCloseRecp")->isVisible());
    EXPECT_FALSE(form->Button("bbtnExecCancelRecp")->isVisible());
    Edit("edFootMsg")->setText("BYE");
    Click("bbtnExecCloseRecp");
    EXPECT_EQ(form->CurrentPage(), 1);
    EXPECT_EQ(printer.State().drawer, 500);
    NewTexts();

    // Sub total: both lines, a total of 9.
    Click("bbtnSale");
    Sell("1", "3", "A", "A3");
    Sell("1", "7", "A", "A7");
    Get<QRadioButton>("rbDiscBase2")->click();
    Click("bbtnDiscount");
    EXPECT_EQ(SaleLinesShown().at(0)[kSaleTotal], "2.7");
    EXPECT_EQ(SaleLinesShown().at(1)[kSaleTotal], "6.3");
    EXPECT_EQ(Total(), "9");
    EndReceipt("bbtnExecCancelRecp");

    // Cash into the drawer unrounded (the driver's rounding), paid out rounded here.
    NewTexts();
    Click("bbtnReceiveAccount");
    Edit("ReceiveAccountEdit")->setText("0.125");
    Click("bbtnReceiveCash");
    EXPECT_EQ(form->CurrentPage(), 1);
    Click("bbtnPaidOut");
    Edit("PaidOutEdit")->setText("0.125");
    Click("PaidOutBtn1");
    EXPECT_EQ(NewTexts(), (StrList{"3512", "3613"}));
    EXPECT_EQ(form->CurrentPage(), 1);
    Click("bbtnReceiveAccount");
    Edit("ReceiveAccountEdit")->setText("lots");
    Click("bbtnReceiveCash");
    EXPECT_EQ(boxes.Take().size(), 1u);
    EXPECT_TRUE(NewTexts().empty());
}

TEST_F(SalesTest, LimitsAndRefusalsChangeNothing) {
    Load();
    Click("bbtnSale");
    Sell("1", "999999.99", "A", "DEAR");
    EXPECT_EQ(NewTexts(), StrList{texts::SaleItem(1, "", 999999.99, "01", "DEAR", 0, 0)});
    const QString limit = Format(11444, "0");
    Fill("1", "1000000", "A", "DEARER");
    Click("btnSaleItem");
    EXPECT_TRUE(Currency("edPrice")->hasFocus());
    Fill("1", "1", "A", "DEARER", "", "1000000");
    Click("btnSaleItem");
    EXPECT_TRUE(Currency("edRtnPrice")->hasFocus());
    auto shown = boxes.Take();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0], lang::FromCharset(lang::FormatLanguageText(lang::GetLanguageText(11444),
                                                                   {"0", "999999.99"})));
    EXPECT_TRUE(NewTexts().empty());

    const Lines before = SaleLinesShown();
    const QString total = Total();
    auto unchanged = [&](const char* what) {
        EXPECT_EQ(SaleLinesShown(), before) << what;
        EXPECT_EQ(Total(), total) << what;
        EXPECT_EQ(ItemFile(), kItems) << what;
    };
    // The driver refuses a quantity it cannot send.
    LeaveBarcode("4001");
    Currency("edRtnPrice")->SetText("0");
    Currency("edQty")->SetText("1000000");
    Click("btnSaleItem");
    ASSERT_EQ(boxes.seen.size(), 1u);
    EXPECT_EQ(boxes.seen[0].icon, QMessageBox::Critical);
    EXPECT_TRUE(boxes.Take()[0].contains("quantity"));
    EXPECT_TRUE(NewTexts().empty());
    unchanged("quantity");

    // The printer refuses: the sale, the cancel, the discount, the postponement, the payment.
    const struct {
        const char* what;
        int error;
        std::function<void()> act;
    } refusals[] = {
        {"sale", 18, [&] { Sell("1", "2", "A", "X"); }},
        {"cancel", 23,
         [&] {
             Select(0);
             Click("btnCancelItem");
         }},
        {"discount", 25, [&] { Click("bbtnDiscount"); }},
        {"postpone", 47, [&] { Click("btnPostpone"); }},
        {"payment", 27,
         [&] {
             Click("btnSaleOK");
             Edit("CashEdit")->setText("1");
             Click("CashBtn");
             EXPECT_EQ(Get<QLabel>("TotalLabel")->text(), total);
             EXPECT_EQ(form->CurrentPage(), 9);
         }},
    };
    for (const auto& r : refusals) {
        printer.PushReaction(Reaction::ErrorReply('E', r.error));
        r.act();
        EXPECT_EQ(boxes.Take(), std::vector<QString>{PrinterError(r.error)}) << r.what;
        EXPECT_EQ(NewTexts().size(), 1u) << r.what;
        unchanged(r.what);
    }
    EXPECT_FALSE(Postponed(*form).stored[0].held);
    EXPECT_TRUE(Enabled("bbtnDiscount"));
    form->ShowPage(8);
    EndReceipt("bbtnExecCancelRecp");

    // The hidden batch sale stops with a box where the item file ends.
    Click("bbtnSale");
    NewTexts();
    boxes.Take();
    Edit("edBatch")->setText("1");
    Click("btnSale200");
    EXPECT_EQ(NewTexts().size(), 2u);
    EXPECT_EQ(SaleLinesShown().size(), 2u);
    shown = boxes.Take();
    ASSERT_EQ(shown.size(), 3u); // the tax letter of ODD, its QTY, the end
    EXPECT_TRUE(shown[1].contains("\"123\"")) << shown[1].toStdString();
    EXPECT_TRUE(shown[2].contains("no item 3")) << shown[2].toStdString();
    Edit("edBatch")->setText("-5");
    Click("btnSale200");
    EXPECT_TRUE(NewTexts().empty());
    EXPECT_EQ(boxes.Take().size(), 1u);
}

TEST_F(SalesTest, FieldsHoldingTheDelimiterCancelTheItemSold) {
    Load();
    Click("bbtnSale");
    Sell("1", "3", "A", "AB-");
    Sell("2", "1.5", "B", "A---B", "-");
    Select(0);
    Click("btnCancelItem");
    Select(0);
    Click("btnCancelItem");
    auto sent = NewTexts();
    ASSERT_EQ(sent.size(), 4u);
    EXPECT_EQ(sent[2], "31" + sent[0].substr(2));
    EXPECT_EQ(sent[3], "31" + sent[1].substr(2));
    EXPECT_EQ(Total(), "0");
    EXPECT_EQ(printer.State().subtotal, 0);
    EndReceipt("bbtnExecCancelRecp");

    // Without the language texts the discount button keeps its own captions.
    form.reset();
    MakeForm("no-such-language.so");
    boxes.Take();
    Get<QRadioButton>("rbDiscCmd2")->click();
    EXPECT_EQ(form->Button("bbtnDiscount")->text(), "Increase");
    Get<QRadioButton>("rbDiscCmd1")->click();
    EXPECT_EQ(form->Button("bbtnDiscount")->text(), "Discount");
    Get<QRadioButton>("rbDiscAmt2")->click();
    EXPECT_EQ(Edit("edDiscRate")->maxLength(), 10);
    EXPECT_TRUE(Get<QLabel>("lbPercentMark")->isHidden());
}

// A character the 8-bit charset lacks is refused in a text field, typed with the edits' beep,
// pasted with a box naming it: the printer gets the name the field shows.
TEST_F(SalesTest, TextFieldsRefuseCharactersTheCharsetLacks) {
    const test::ScopedCtype latin1("C");
    int beeps = 0;
    const auto previous = editcontrols::SetEditBeepHook([&beeps] { ++beeps; });
    Load();
    Click("bbtnSale");
    Fill("1", "2", "A", "");
    QLineEdit* name = Edit("edName");
    name->setFocus();
    QTest::keyClicks(name, "Tea");
    QTest::sendKeyEvent(QTest::Click, name, Qt::Key_unknown, QStringLiteral("\u20AC"),
                        Qt::NoModifier);
    QApplication::clipboard()->setText(QStringLiteral("x\u0141"));
    QTest::keyClick(name, Qt::Key_V, Qt::ControlModifier);
    editcontrols::SetEditBeepHook(previous);
    EXPECT_EQ(beeps, 1);
    EXPECT_EQ(boxes.Take(), std::vector<QString>{QStringLiteral(
                                "Paste refused: the character \"\u0141\" (U+0141) has no code in "
                                "the 8-bit character set")});
    Click("btnSaleItem");
    EXPECT_EQ(LastNewText(), texts::SaleItem(1, "", 2, "01", "Tea", 0, 0));
}

// A one-line field shows a pasted line break as a space: the printer gets the space, and a
// paste holding another control character is refused whole.
TEST_F(SalesTest, APasteIntoAFieldSendsWhatTheFieldShows) {
    Load();
    Click("bbtnSale");
    Sell("1", "2", "A", "TEA");
    Click("btnSaleVoid");
    QLineEdit* footer = Edit("edFootMsg");
    footer->setFocus();
    QApplication::clipboard()->setText(QStringLiteral("Thanks\nBye"));
    QTest::keyClick(footer, Qt::Key_V, Qt::ControlModifier);
    QApplication::clipboard()->setText(QStringLiteral("!\x01"));
    QTest::keyClick(footer, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(boxes.Take(), std::vector<QString>{QStringLiteral(
                                "Paste refused: the character U+0001 has no code in the 8-bit "
                                "character set")});
    EXPECT_EQ(footer->text(), "Thanks Bye");
    NewTexts();
    Click("bbtnExecCancelRecp");
    EXPECT_EQ(NewTexts(), StrList{"37Thanks Bye"});
}

TEST_F(SalesTest, PostponedReceiptsKeepEverySlotAndComeBack) {
    Click("SetVatRateBtn");
    Get<editcontrols::TMaskEdit>("PtuME1")->SetText("0023");
    Get<editcontrols::TMaskEdit>("PtuME2")->SetText("0008");
    for (const char* empty : {"PtuME3", "PtuME4", "PtuME5"})
        Get<editcontrols::TMaskEdit>(empty)->SetText("");
    Click("SetVatRateBtn1");
    EXPECT_EQ(form->VatRates[4], kRateNotSet);
    Load();
    Click("bbtnSale");
    NewTexts();
    Sell("1", "12.30", "A", "TAX A");
    Sell("1", "10.80", "B", "TAX B");
    Click("btnPostpone");
    EXPECT_EQ(LastNewText(), texts::InvoiceInfo(0, 1, 23.1, 3.1));
    EXPECT_EQ(texts::InvoiceInfo(0, 1, 23.1, 3.1), "6380000001000000000023000000000003");
    EXPECT_EQ(Dump().at(Dump().size() - 3), "Reply to command 63");
    EXPECT_DOUBLE_EQ(Postponed(*form).stored[0].tax, 3.1);
    EXPECT_TRUE(SaleLinesShown().empty());
    EXPECT_EQ(Total(), "0");
    EXPECT_TRUE(Enabled("btnCancelPostpone"));
    EXPECT_TRUE(Enabled("BackBtn7"));
    // The next receipt guards itself again; a rate not set adds no tax.
    Sell("1", "12.5", "E", "UNTAXED");
    EXPECT_FALSE(Enabled("BackBtn7"));
    Edit("edDiscRate")->setText("0");
    Click("bbtnDiscount");
    const Lines second = SaleLinesShown();
    Click("btnPostpone");
    EXPECT_EQ(LastNewText(), texts::InvoiceInfo(0, 2, 12.5, 0));
    Sell("1", "1", "A", "THIRD");
    Click("btnPostpone");
    EXPECT_EQ(LastNewText(), texts::InvoiceInfo(0, 3, 1, 0.19));
    // All three held: refused before anything is sent.
    Sell("1", "1", "A", "FOURTH");
    NewTexts();
    Click("btnPostpone");
    EXPECT_EQ(boxes.Take(), std::vector<QString>{PrinterError(47)});
    EXPECT_TRUE(NewTexts().empty());
    EXPECT_EQ(SaleLinesShown().size(), 1u);
    EXPECT_TRUE(Enabled("btnCancelPostpone")) << "a held one can be taken up instead";
    EndReceipt("bbtnExecCancelRecp");

    Click("bbtnSale");
    Click("btnCancelPostpone");
    ASSERT_EQ(form->CurrentPage(), 21);
    Get<QComboBox>("cbRecNo")->setCurrentText("02");
    printer.PushReaction(Reaction::ErrorReply('E', 46));
    Click("btnExecCancelPostpone");
    EXPECT_EQ(boxes.Take(), std::vector<QString>{PrinterError(46)});
    EXPECT_TRUE(Postponed(*form).stored[1].held);
    EXPECT_TRUE(Enabled("bbtnDiscount")) << "the last sale's state";
    Click("btnExecCancelPostpone");
    EXPECT_EQ(LastNewText(), texts::InvoiceInfo(1, 2, 12.5, 0));
    EXPECT_EQ(form->CurrentPage(), 8);
    EXPECT_EQ(SaleLinesShown(), second);
    EXPECT_EQ(Total(), "12.5");
    EXPECT_FALSE(Enabled("bbtnDiscount"));
    EXPECT_FALSE(Enabled("BackBtn7"));
    EXPECT_TRUE(ReceiptStarted(*form));
    EXPECT_FALSE(Postponed(*form).stored[1].held);
    // Completing with lines on the page does nothing; slot 2 is the next target.
    Click("btnCancelPostpone");
    Get<QComboBox>("cbRecNo")->setCurrentText("01");
    Click("btnExecCancelPostpone");
    EXPECT_TRUE(NewTexts().empty());
    Click("bbtnBackSale");
    EXPECT_EQ(form->CurrentPage(), 8);
    EXPECT_FALSE(Enabled("btnPostpone")) << "until the next sale";
    Sell("1", "1", "E", "MORE");
    Click("btnPostpone");
    EXPECT_EQ(LastNewText(), texts::InvoiceInfo(0, 2, 13.5, 0));
    EXPECT_TRUE(boxes.Take().empty());
}

TEST_F(SalesTest, ReceiptCancelRevertsEveryLineAndGoesOnPastAFailure) {
    Load();
    Click("bbtnSale");
    LeaveBarcode("5900000000028");
    Currency("edQty")->SetText("2");
    Click("btnSaleItem");
    LeaveBarcode("123");
    Get<QComboBox>("cbDepId")->setCurrentText("A");
    Click("btnSaleItem"); // its QTY is no number: the sale stands, the box names it
    LeaveBarcode("4001");
    Click("btnSaleItem");
    auto shown = boxes.Take();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_TRUE(shown[1].contains("\"123\"") && shown[1].contains("lots"));
    EXPECT_EQ(SaleLinesShown().size(), 3u);
    EXPECT_EQ(Total(), "8.25");
    // Another program makes the first line's QTY unreadable before the cancel.
    std::string spoilt = ItemFile();
    spoilt.replace(spoilt.find("B\t12"), 4, "B\tmany");
    std::ofstream(items, std::ios::binary) << spoilt;

    NewTexts();
    Click("btnSaleVoid");
    EXPECT_TRUE(form->Button("bbtnExecCancelRecp")->isVisible());
    EXPECT_FALSE(form->Button("bbtnExecCloseRecp")->isVisible());
    Edit("edFootMsg")->setText("SORRY");
    Click("bbtnExecCancelRecp");
    EXPECT_EQ(NewTexts(), StrList{"37SORRY"});
    EXPECT_EQ(form->CurrentPage(), 1);
    EXPECT_FALSE(ReceiptStarted(*form));
    std::string expected = kItems;
    expected.replace(expected.find("B\t10"), 4, "B\tmany");
    EXPECT_EQ(ItemFile(), expected) << "the line after the bad one is back";
    // The line whose sale never reached the file has nothing to undo, and no box.
    shown = boxes.Take();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_TRUE(shown[0].contains("\"5900000000028\"") && shown[0].contains("many"));
    EXPECT_FALSE(shown[0].contains("\"123\""));
    EXPECT_EQ(SaleLinesShown().size(), 3u) << "the list is kept";
}

TEST_F(SalesTest, CancelsLeaveTheFileAloneWhereTheSaleDidNotReachIt) {
    Load();
    Click("bbtnSale");
    itemfile::SetLockTimeout(std::chrono::milliseconds(30));
    struct RestoreTimeout {
        ~RestoreTimeout() { itemfile::SetLockTimeout(std::chrono::seconds(5)); }
    } restore;
    // Another program holds the item file's lock through a sale: it is made, the file is not.
    auto sellLocked = [&](const char* barcode) {
        const int holder = ::open(items.c_str(), O_RDONLY);
        ASSERT_EQ(::flock(holder, LOCK_EX), 0);
        LeaveBarcode(barcode);
        Click("btnSaleItem");
        ::close(holder);
        auto shown = boxes.Take();
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_TRUE(shown[0].contains("another program holds it")) << shown[0].toStdString();
    };
    sellLocked("5900000000028");
    EXPECT_EQ(ItemFile(), kItems);
    Select(0);
    Click("btnCancelItem");
    EXPECT_EQ(ItemFile(), kItems);
    EXPECT_TRUE(boxes.Take().empty());

    // A receipt cancel over a line that reached the file and one that did not.
    LeaveBarcode("4001");
    Click("btnSaleItem");
    EXPECT_NE(ItemFile(), kItems);
    sellLocked("5900000000028");
    EndReceipt("bbtnExecCancelRecp");
    EXPECT_EQ(ItemFile(), kItems);
    EXPECT_TRUE(boxes.Take().empty());
}

// An item file's PRICE holds a point or a comma, whichever locale wrote it: either is its
// decimal separator. The field, the sale list and the printer hold that one number, the cancel
// too; a PRICE that is no number refuses the item.
TEST_F(SalesTest, AFilePriceIsOneNumberUnderEitherSeparator) {
    editcontrols::LocaleInfo comma = editcontrols::CLocaleInfo();
    comma.decimalSeparator = ",";
    comma.thousandSeparator = ".";
    const struct {
        editcontrols::LocaleInfo locale;
        const char *file, *field;
    } cases[] = {{comma, "2.50", "2,50"}, {editcontrols::CLocaleInfo(), "2,50", "2.50"}};
    for (const auto& c : cases) {
        editcontrols::ScopedLocale scoped(c.locale);
        std::ofstream(items, std::ios::binary)
            << "BREAD\t5900000000011\tpcs\t" << c.file << "\tC\t0\r\n"
            << "ODD\t7\tpcs\t1,234.50\tC\t0\r\n";
        Load();
        Click("bbtnSale");
        NewTexts();
        LeaveBarcode("5900000000011");
        EXPECT_EQ(Currency("edPrice")->Text(), c.field);
        Click("btnSaleItem");
        EXPECT_EQ(SaleLinesShown().at(0)[kSalePrice], c.field);
        Select(0);
        Click("btnCancelItem");
        EXPECT_EQ(NewTexts(), (StrList{texts::SaleItem(1, "pcs", 2.5, "03", "BREAD", 0, 0),
                                       texts::CancelItem(1, "pcs", 2.5, "03", "BREAD", 0, 0)}))
            << c.file;
        EXPECT_EQ(Total(), "0");
        LeaveBarcode("7");
        Click("btnSaleItem");
        EXPECT_EQ(boxes.Take(), std::vector<QString>{"Item \"7\": its PRICE \"1,234.50\" is not "
                                                     "a number; it is not sold."});
        EXPECT_TRUE(NewTexts().empty());
        EndReceipt("bbtnExecCancelRecp");
    }
}

// Clicks that arrive while the printer holds its answer are dropped under a busy cursor: the
// handler finishes on its page with its sale list and total, and the next click acts.
TEST_F(SalesTest, ClicksWhileThePrinterHoldsItsAnswerAreDropped) {
    Load();
    // Through the window, as a user's click comes.
    auto clickAt = [&](const char* button) {
        QWidget* w = form->Button(button);
        QTest::mouseClick(form->windowHandle(), Qt::LeftButton, {},
                          w->mapTo(form.get(), w->rect().center()));
    };
    bool busyCursor = false;
    auto clickWhileHeld = [&](const char* button) {
        printer.PushReaction(Reaction::Default().Held());
        QTimer::singleShot(0, form.get(), [&, button] {
            QWidget* w = form->Button(button);
            QWidget* under = form->childAt(w->mapTo(form.get(), w->rect().center()));
            busyCursor = under && under->cursor().shape() == Qt::WaitCursor;
            clickAt(button);
            printer.ReleaseHeld();
        });
        Click("btnSaleItem");
    };
    const std::string bread = texts::SaleItem(1, "pcs", 2.25, "03", "BREAD", 0, 0);

    // "Back To Menu" during the first sale.
    Click("bbtnSale");
    NewTexts();
    LeaveBarcode("4001");
    clickWhileHeld("BackBtn7");
    EXPECT_TRUE(busyCursor);
    EXPECT_EQ(form->CurrentPage(), 8);
    ASSERT_EQ(SaleLinesShown().size(), 1u);
    EXPECT_EQ(SaleLinesShown()[0][kSaleName], "BREAD");
    EXPECT_EQ(Total(), "2.25");
    clickAt("btnSaleVoid");
    ASSERT_EQ(form->CurrentPage(), 19);
    clickAt("bbtnExecCancelRecp");
    EXPECT_EQ(NewTexts(), (StrList{bread, "37"}));
    EXPECT_EQ(ItemFile(), kItems) << "BREAD's QTY back";

    // "Pay" during the second sale of a receipt.
    Click("bbtnSale");
    LeaveBarcode("4001");
    Click("btnSaleItem");
    LeaveBarcode("5900000000028");
    clickWhileHeld("btnSaleOK");
    EXPECT_EQ(form->CurrentPage(), 8);
    EXPECT_EQ(SaleLinesShown().size(), 2u);
    EXPECT_EQ(Total(), "4.75");
    clickAt("btnSaleOK");
    ASSERT_EQ(form->CurrentPage(), 9);
    EXPECT_EQ(Get<QLabel>("TotalLabel")->text(), "4.75");
    clickAt("CashBtn");
    EXPECT_EQ(form->CurrentPage(), 1);
    EXPECT_EQ(NewTexts(), (StrList{bread, texts::SaleItem(1, "l", 2.5, "02", "MILK", 0, 0),
                                   texts::Payment(0, " ", 4.75)}));
    EXPECT_EQ(printer.State().paid, 475);
    EXPECT_EQ(printer.State().subtotal, 475);
    EXPECT_TRUE(boxes.Take().empty());
}

// A package payment refused for an empty drawer lets the cashier leave for the cash-in; the
// running total stays.
TEST_F(SalesTest, ARefusedPackagePaymentLeavesTheWayBackOpen) {
    Click("bbtnRtnPackage");
    Edit("edName2")->setText("CRATE");
    Edit("edPrice2")->setText("1.25");
    Click("btnExecRtnPck");
    EXPECT_FALSE(Enabled("BitBtn15"));
    Click("btnExecPckPay");
    EXPECT_EQ(boxes.Take(), std::vector<QString>{PrinterError(28)});
    EXPECT_EQ(form->CurrentPage(), 24);
    EXPECT_EQ(Edit("edTotal2")->text(), "1.25");
    Click("BitBtn15");
    EXPECT_EQ(form->CurrentPage(), 1);
}

TEST_F(SalesTest, PackagesAndSystemNumber) {
    Click("bbtnReceiveAccount");
    Edit("ReceiveAccountEdit")->setText("10");
    Click("bbtnReceiveCash");
    Click("bbtnRtnPackage");
    ASSERT_EQ(form->CurrentPage(), 24);
    EXPECT_TRUE(Enabled("BitBtn15"));
    NewTexts();
    Edit("edName2")->setText("CRATE");
    Edit("edUnit2")->setText("pcs");
    Edit("edPrice2")->setText("1.25");
    Edit("edQty2")->setText("2");
    Click("btnExecRtnPck");
    EXPECT_EQ(Edit("edTotal2")->text(), "2.5");
    const std::pair<const char*, const char*> reset[] = {
        {"edName2", ""}, {"edUnit2", ""}, {"edPrice2", "0"}, {"edQty2", "1"}};
    for (auto [edit, text] : reset) EXPECT_EQ(Edit(edit)->text(), text) << edit;
    EXPECT_TRUE(Edit("edName2")->hasFocus());
    EXPECT_FALSE(Enabled("BitBtn15"));
    Edit("edName2")->setText("BOTTLE");
    Edit("edPrice2")->setText("1.234");
    Click("btnExecRtnPck");
    EXPECT_EQ(Edit("edTotal2")->text(), "3.73");
    Click("btnExecPckPay");
    auto sent = NewTexts();
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[0], texts::ReturnPackage(2, "pcs", 1.25, "CRATE"));
    EXPECT_EQ(sent[1].substr(15, 10), "0000000123");
    EXPECT_EQ(sent[2], "970");
    EXPECT_TRUE(Enabled("BitBtn15"));
    EXPECT_EQ(form->CurrentPage(), 1);
    EXPECT_EQ(printer.State().drawer, 627);

    Click("bbtnRtnPackage");
    Edit("edName2")->setText("CRATE");
    Edit("edPrice2")->setText("1.5");
    Click("btnSalePackage");
    EXPECT_EQ(Edit("edTotal3")->text(), "1.5");
    EXPECT_EQ(Edit("edTotal2")->text(), "3.73") << "never reset";
    Click("btnSalePackagePayment");
    EXPECT_EQ(NewTexts(), (StrList{texts::SalePackage(1, "", 1.5, "CRATE"), "850"}));
    EXPECT_EQ(printer.State().drawer, 777);
    EXPECT_EQ(form->CurrentPage(), 1);

    form->ShowPage(9);
    Edit("edSystemNumber")->setText("12");
    Click("btnSetSysNum");
    EXPECT_EQ(NewTexts(), StrList{"8612" + std::string(14, ' ')});
    EXPECT_EQ(printer.State().systemNumber, "12" + std::string(14, ' '));
    EXPECT_TRUE(boxes.Take().empty());
}

} // namespace
} // namespace fprn::console::testing
