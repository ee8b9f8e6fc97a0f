// The tour through two receipts, driven through the window system as a user drives it: the
// printer's items loaded from the item file it wrote by typing its name in the open dialog, one
// item sold by its barcode typed at a scanner's speed, the receipt paid in cash and closed with
// a footer typed on its page; then the sale page again and a second receipt the same way. The
// printer must have received each item's name and price.
#include "itemstock.h"
#include "mainform.h"
#include "tour.h"

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>

#include <fstream>

namespace fprn::console::tour {

namespace {

QString Text(Tour& t, const char* edit) {
    return t.Form().Control<QLineEdit>(QString::fromLatin1(edit))->text();
}

// The last line the printer emulator printed for a command whose name begins `command`.
std::string LastReceived(Tour& t, const std::string& command) {
    if (t.PrinterLog().empty()) Fail("no printer log named");
    std::ifstream in(t.PrinterLog());
    std::string line, last;
    while (std::getline(in, line))
        if (line.find("  " + command + ": ") != std::string::npos) last = line;
    return last;
}

void LoadItems(Tour& t) {
    t.ExpectPage(1);
    t.TypeInNextFileDialog("DEFAULT.PLU", "load-item-file");
    t.Press(QStringLiteral("bbtnLoadPlu"), [&t] { return !PluFileName(t.Form()).empty(); });
    t.ExpectNoBox();
    // What the dialog leaves behind would take the next click and the keys.
    if (QApplication::activePopupWidget()) Fail("the file dialog left a popup on the screen");
    if (QApplication::activeWindow() != &t.Form()) Fail("the main window is not active again");
}

// `price` as the sale command carries it: hundredths in ten digits.
void SellByScanner(Tour& t, const char* barcode, const char* name, const char* price) {
    t.Press(QStringLiteral("bbtnSale"), [&t] { return t.Form().CurrentPage() == 8; });
    auto* list = t.Form().Control<QListWidget>(QStringLiteral("SaleList"));
    const int lines = list->count();
    // The page's first field has the focus: the scanner types into it and ends with Enter.
    t.TypeKeys(barcode, 4, [&] { return Text(t, "edName") == QLatin1String(name); });
    t.Press(QStringLiteral("btnSaleItem"), [&] { return list->count() == lines + 1; });
    t.ExpectNoBox();
    const std::string sent = LastReceived(t, "sale item");
    if (sent.find(price) == std::string::npos || sent.find(name) == std::string::npos)
        Fail(std::string("the printer received ") + sent + " for " + name);
}

void PayAndClose(Tour& t, const char* total) {
    if (Text(t, "edTotal") != QLatin1String(total))
        Fail("the receipt shows " + Text(t, "edTotal").toStdString());
    t.Shoot("sale");
    t.Click(QStringLiteral("btnSaleOK"));
    t.ExpectPage(9);
    t.Shoot("payment");
    t.Click(QStringLiteral("CashBtn"));
    t.ExpectNoBox();
    t.ExpectPage(1);
    t.Press(QStringLiteral("bbtnCloseRecp"), [&t] { return t.Form().CurrentPage() == 19; });
    // Typed into the page's first field, which has the focus each time the page shows.
    t.TypeKeys("THANK YOU", 12,
               [&t] { return Text(t, "edFootMsg") == QLatin1String("THANK YOU"); });
    t.Press(QStringLiteral("bbtnExecCloseRecp"), [&t] { return t.Form().CurrentPage() == 1; });
    t.ExpectNoBox();
    if (LastReceived(t, "close receipt").find("\"34THANK YOU\"") == std::string::npos)
        Fail("the receipt was not closed with its footer");
    t.Shoot("receipt-closed");
}

void Sale(Tour& t) {
    LoadItems(t);
    SellByScanner(t, "5900000000011", "BREAD", "0000000250");
    PayAndClose(t, "2.5");
    SellByScanner(t, "5900000000028", "MILK 1L", "0000000319");
    PayAndClose(t, "3.19");
}

// After the tax rates: the printer takes no new rates once it has sold.
FPRN_TOUR_STEP(Sale, {600, "two receipts sold by barcode, paid and closed", Sale});

} // namespace

} // namespace fprn::console::tour
