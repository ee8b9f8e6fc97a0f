// The tour through a sale: the printer's items loaded from the item file it wrote, two of them
// sold by their barcodes, the receipt paid in cash and closed with a footer.
#include "itemstock.h"
#include "mainform.h"
#include "tour.h"

#include <QLineEdit>
#include <QListWidget>
#include <QTest>

namespace fprn::console::tour {

namespace {

QString Text(Tour& t, const char* edit) {
    return t.Form().Control<QLineEdit>(QString::fromLatin1(edit))->text();
}

void SellByBarcode(Tour& t, const char* barcode, const char* name) {
    // Thirteen digits fill the field: the focus moves on and the item is looked up.
    t.Type(QStringLiteral("edBarcode"), QString::fromLatin1(barcode));
    if (Text(t, "edName") != QLatin1String(name))
        Fail(std::string(barcode) + " gave \"" + Text(t, "edName").toStdString() + "\"");
    t.Click(QStringLiteral("btnSaleItem"));
    t.ExpectNoBox();
}

void Sale(Tour& t) {
    t.ExpectPage(1);
    t.PickInNextFileDialog(QStringLiteral("DEFAULT.PLU"), "load-item-file");
    t.Click(QStringLiteral("bbtnLoadPlu"));
    t.ExpectNoBox();
    if (PluFileName(t.Form()).empty()) Fail("the item file was not loaded");
    t.Form().activateWindow();
    if (!QTest::qWaitForWindowActive(&t.Form())) Fail("the main window is not active again");

    t.Click(QStringLiteral("bbtnSale"));
    t.ExpectPage(8);
    SellByBarcode(t, "5900000000011", "BREAD");
    SellByBarcode(t, "5900000000028", "MILK 1L");
    if (t.Form().Control<QListWidget>(QStringLiteral("SaleList"))->count() != 2 ||
        Text(t, "edTotal") != QLatin1String("5.69"))
        Fail("the receipt shows " + Text(t, "edTotal").toStdString());
    t.Shoot("sale");

    t.Click(QStringLiteral("btnSaleOK"));
    t.ExpectPage(9);
    t.Shoot("payment");
    t.Click(QStringLiteral("CashBtn"));
    t.ExpectNoBox();
    t.ExpectPage(1);
    t.Click(QStringLiteral("bbtnCloseRecp"));
    t.ExpectPage(19);
    t.Type(QStringLiteral("edFootMsg"), QStringLiteral("THANK YOU"));
    t.Click(QStringLiteral("bbtnExecCloseRecp"));
    t.ExpectNoBox();
    t.ExpectPage(1);
    t.Shoot("receipt-closed");
}

// After the tax rates: the printer takes no new rates once it has sold.
FPRN_TOUR_STEP(Sale, {600, "sale by barcode, paid and closed", Sale});

} // namespace

} // namespace fprn::console::tour
