// The tour through the upload viewers: the printer's items, its tax rates, its head messages
// and its return packages, each on its page.
#include "mainform.h"
#include "stringgrid.h"
#include "tour.h"

namespace fprn::console::tour {

namespace {

// The grid on the page shows a row of data under its header.
void ExpectRows(Tour& t, const char* grid, int atLeast) {
    auto* g = t.Form().Control<TStringGrid>(QString::fromLatin1(grid));
    if (g->isHidden() || g->RowCount() < atLeast + 1 || g->Cell(0, 1).isEmpty())
        Fail(std::string(grid) + " shows " + std::to_string(g->RowCount() - 1) + " rows");
}

void Uploads(Tour& t) {
    t.ExpectPage(1);
    t.Click(QStringLiteral("bbtnUploadPlu"));
    t.ExpectNoBox();
    t.ExpectPage(26);
    ExpectRows(t, "sgrdPlu", 1);
    t.Shoot("upload-plu");
    t.Click(QStringLiteral("BitBtn17"));

    t.Click(QStringLiteral("bbtnUploadTaxRate"));
    t.ExpectNoBox();
    t.ExpectPage(28);
    t.Shoot("upload-tax-rates");
    t.Click(QStringLiteral("BitBtn19"));

    t.Click(QStringLiteral("bbtnUploadHeadMessage"));
    t.ExpectNoBox();
    t.ExpectPage(27);
    ExpectRows(t, "sgrdUpload", 5);
    t.Shoot("upload-head-messages");
    t.Click(QStringLiteral("BitBtn18"));

    t.Click(QStringLiteral("bbtnUploadPkg"));
    t.ExpectPage(32);
    t.Click(QStringLiteral("btnUpRtnPkg"));
    t.ExpectNoBox();
    t.ExpectPage(30);
    ExpectRows(t, "sgrdPkg", 1);
    t.Shoot("upload-return-packages");
    t.Click(QStringLiteral("BitBtn21"));
    t.ExpectPage(1);
}

FPRN_TOUR_STEP(Uploads, {500, "uploads", Uploads});

} // namespace

} // namespace fprn::console::tour
