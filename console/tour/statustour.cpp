// The tour's first steps: the menu, the three status pages, a command typed on the command line,
// and a command the printer refuses, with its error box.
#include "mainform.h"
#include "tour.h"

namespace fprn::console::tour {

namespace {

void Menu(Tour& t) {
    t.ExpectPage(1);
    t.Shoot("menu");
}

void Status(Tour& t) {
    const struct {
        const char *button, *back;
        int page;
        const char* shot;
    } steps[] = {{"bbtnChkHw", "BitBtn4", 12, "hardware-status"},
                 {"bbtnChkSw", "BitBtn5", 13, "software-status"},
                 {"bbtnChkPrn", "BitBtn6", 14, "printer-status"}};
    for (const auto& s : steps) {
        t.Click(QString::fromLatin1(s.button));
        t.ExpectNoBox();
        t.ExpectPage(s.page);
        t.Shoot(s.shot);
        t.Click(QString::fromLatin1(s.back));
        t.ExpectPage(1);
    }
}

void CommandLine(Tour& t) {
    t.Click(QStringLiteral("bbtnCommLine"));
    t.ExpectPage(0);
    t.Type(QStringLiteral("Edit1"), QStringLiteral("88"), true);
    t.ExpectPage(0);
    t.Shoot("command-line");
}

void ErrorBox(Tour& t) {
    // A command code the printer does not know.
    t.AnswerNextBox(QMessageBox::Ok, "error-box");
    t.Type(QStringLiteral("Edit1"), QStringLiteral("77"), true);
    t.ExpectBox(QMessageBox::Critical, QStringLiteral("operation code is wrong"));
    t.Click(QStringLiteral("BitBtn3"));
    t.ExpectPage(1);
}

FPRN_TOUR_STEP(Menu, {100, "menu", Menu});
FPRN_TOUR_STEP(Status, {200, "status pages", Status});
FPRN_TOUR_STEP(CommandLine, {300, "command line", CommandLine});
FPRN_TOUR_STEP(ErrorBox, {400, "error box", ErrorBox});

} // namespace

} // namespace fprn::console::tour
