// The upload viewers on the real form and libraries against the emulated printer: what each
// upload shows, the progress panel around the long ones, and every refusal.
#include "formfixture.h"
#include "label3d.h"
#include "localeinfo.h"
#include "stringgrid.h"

#include <QCheckBox>
#include <QLabel>
#include <QTimer>

#include <filesystem>

namespace fprn::console::testing {
namespace {

using emu::Reaction;

class UploadTest : public FormTest {
protected:
    void SetUp() override {
        FormTest::SetUp();
        MakeForm();
    }

    TStringGrid* Grid(const char* name) const { return Get<TStringGrid>(name); }
    QString Caption(const char* name) const { return Get<QLabel>(name)->text(); }
    QStringList Row(const char* grid, int row) const {
        QStringList cells;
        for (int c = 0; c < Grid(grid)->ColCount(); ++c) cells << Grid(grid)->Cell(c, row);
        return cells;
    }
    // The progress panel and the form as they are while the printer holds its answer.
    struct During {
        bool seen = false, panelShown = false, formEnabled = true;
        QString caption;
    };
    void WatchWhileHeld(During& during) {
        printer.PushReaction(Reaction::Default().Held());
        QTimer::singleShot(0, form.get(), [this, &during] {
            during.seen = true;
            during.panelShown = !Get("pnlProgress")->isHidden();
            during.formEnabled = form->isEnabled();
            during.caption = Get<TLabel3D>("Label3D1")->text();
            printer.ReleaseHeld();
        });
    }
    void ExpectPanelGone() {
        EXPECT_TRUE(Get("pnlProgress")->isHidden());
        EXPECT_TRUE(form->isEnabled());
    }

    editcontrols::ScopedLocale locale{editcontrols::CLocaleInfo()};
};

QString Hundredths(std::int64_t v) {
    return QString::number(static_cast<double>(v) / 100.0);
}

TEST_F(UploadTest, ItemUploadShowsThePanelWhileItRunsAndThenEveryItemOfThePrinter) {
    During during;
    WatchWhileHeld(during);
    Click("bbtnUploadPlu");
    ASSERT_TRUE(during.seen) << "the driver serves the form's events while it waits";
    EXPECT_TRUE(during.panelShown);
    EXPECT_FALSE(during.formEnabled);
    EXPECT_EQ(during.caption, "PLU UPLOADING...");
    ExpectPanelGone();
    EXPECT_TRUE(boxes.Take().empty());
    EXPECT_EQ(form->CurrentPage(), 26);

    TStringGrid* grid = Grid("sgrdPlu");
    EXPECT_FALSE(grid->isHidden());
    const auto items = printer.State().plus;
    ASSERT_EQ(grid->RowCount(), static_cast<int>(items.size()) + 1);
    EXPECT_EQ(grid->FixedRows(), 1);
    EXPECT_EQ(Row("sgrdPlu", 0), (QStringList{"PLU Name", "Value 0", "Value 1", "Value 2",
                                              "Value 3", "Value 4", "Value 5"}));
    for (std::size_t i = 0; i < items.size(); ++i) {
        const auto& item = items[i];
        QString tax = item.taxRate == 10000 ? "ZW" : Hundredths(item.taxRate);
        EXPECT_EQ(Row("sgrdPlu", static_cast<int>(i) + 1),
                  (QStringList{QString::fromLatin1(item.name), Hundredths(item.price), tax, "0", "",
                               "", ""}));
    }
    const int w = grid->WUnit();
    EXPECT_EQ(grid->ColWidth(0), 32 * w + 2);
    EXPECT_EQ(grid->ColWidth(6), 4 * w + 2);

    // A capture the printer cut short: what came before it, the box, the grid hidden.
    const std::string record = "HALF" + std::string(28, '\0') + std::string("\x00\x64", 2) +
                               std::string(10, '\xFF') + std::string(20, '1');
    printer.PushReaction(Reaction::UploadFrames({record + record.substr(0, 63)}));
    form->ShowPage(1);
    Click("bbtnUploadPlu");
    EXPECT_EQ(boxes.Take(), std::vector<QString>{"Return Value's Format is Illegal!"});
    EXPECT_EQ(form->CurrentPage(), 26);
    EXPECT_TRUE(grid->isHidden());
    EXPECT_EQ(Row("sgrdPlu", 1), (QStringList{"HALF", "1", "", "", "", "", ""}));
    EXPECT_EQ(grid->RowCount(), 2);

    // No capture file at all: the default box names it, the page stays.
    form->ShowPage(1);
    std::filesystem::remove("_Plu.mem");
    form->DecodeReturnBuffer("90", "", 0);
    auto texts = boxes.Take();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_TRUE(texts[0].contains("\"_Plu.mem\". No such file or directory"))
        << texts[0].toStdString();
    EXPECT_EQ(form->CurrentPage(), 1);
}

TEST_F(UploadTest, PackageUploadsSendTheClearFlagAndPutThePanelsCaptionBack) {
    auto* label = Get<TLabel3D>("Label3D1");
    label->setText("earlier");
    Click("bbtnUploadPkg");
    EXPECT_EQ(form->CurrentPage(), 32);
    Get<QCheckBox>("chkbUpRtnPkg")->setChecked(true);
    During during;
    WatchWhileHeld(during);
    Click("btnUpRtnPkg");
    ASSERT_TRUE(during.seen);
    EXPECT_TRUE(during.panelShown);
    EXPECT_FALSE(during.formEnabled);
    EXPECT_EQ(during.caption, "RETURN PACKAGE UPLOADING...");
    ExpectPanelGone();
    EXPECT_EQ(label->text(), "earlier");
    EXPECT_EQ(form->CurrentPage(), 30);
    EXPECT_EQ(Caption("Label116"), "Return Package Uploaded");
    const auto packages = printer.State().packages;
    ASSERT_EQ(Grid("sgrdPkg")->RowCount(), static_cast<int>(packages.size()) + 1);
    EXPECT_EQ(Row("sgrdPkg", 0), (QStringList{"Name", "Price", "Sold Qty", "Sold Amount",
                                              "Returned Qty", "Returned Amount"}));
    EXPECT_EQ(Row("sgrdPkg", 2), (QStringList{"CRATE", "15", "0", "0", "0", "0"}));
    EXPECT_EQ(Grid("sgrdPkg")->ColWidth(5), 8 * Grid("sgrdPkg")->WUnit() + 2);

    // Unticked: '0'. A capture of two records and one byte: two rows, one box, grid hidden.
    Get<QCheckBox>("chkbUpRtnPkg")->setChecked(false);
    std::string record = "KEG" + std::string(29, '\0') + std::string(6, '\xFF') +
                         std::string("\x00\x00\x03\xE8", 4) + std::string(16, '\0');
    printer.PushReaction(Reaction::UploadFrames({record, record + "x"}));
    form->ShowPage(32);
    Click("btnUpRtnPkg");
    EXPECT_EQ(boxes.Take(), std::vector<QString>{"Return Value's Format is Illegal!"});
    EXPECT_EQ(form->CurrentPage(), 30);
    EXPECT_TRUE(Grid("sgrdPkg")->isHidden());
    EXPECT_EQ(Grid("sgrdPkg")->RowCount(), 3);
    EXPECT_EQ(Row("sgrdPkg", 2), (QStringList{"KEG", "", "1", "0", "0", "0"}));
    EXPECT_EQ(Texts(), (std::vector<std::string>{"891", "890"}));
}

TEST_F(UploadTest, TaxRatesDepartmentsAndHeadMessagesFillTheirPages) {
    Click("bbtnUploadTaxRate");
    EXPECT_EQ(form->CurrentPage(), 28);
    EXPECT_EQ(Caption("lbRate1"), "0023"); // whole percent
    EXPECT_EQ(Caption("lbRate4"), "0000");
    EXPECT_EQ(Caption("lbRate5"), "PTU ZW") << "the exempt letter E";
    EXPECT_EQ(Caption("lbRate6"), QString(4, QChar(0xFF))) << "a rate not set";
    EXPECT_EQ(Caption("lbFreeDep"), "E");

    // A letter outside A-I marks no rate.
    std::string rates = "O02300080005000000" + std::string(20, '7') + "Z";
    printer.PushReaction(Reaction::WithPayload(rates));
    Click("bbtnUploadTaxRate");
    EXPECT_EQ(Caption("lbRate5"), "7777");
    EXPECT_EQ(Caption("lbFreeDep"), "Z");

    Click("bbtnUploadDepart");
    EXPECT_EQ(form->CurrentPage(), 27);
    EXPECT_EQ(Caption("lbUpload"), "Uploaded");
    EXPECT_EQ(Grid("sgrdUpload")->RowCount(), 10);
    EXPECT_EQ(Row("sgrdUpload", 0), (QStringList{"Depart ID", "Tax Type", "Depart Name"}));
    EXPECT_EQ(Row("sgrdUpload", 1), (QStringList{"01", "B", "GROCERY"}));
    EXPECT_EQ(Grid("sgrdUpload")->ColWidth(2), 20 * Grid("sgrdUpload")->WUnit() + 2);

    Click("bbtnUploadHeadMessage");
    EXPECT_EQ(Caption("lbUpload"), "Head Message Uploaded");
    EXPECT_EQ(Grid("sgrdUpload")->RowCount(), 6);
    EXPECT_EQ(Row("sgrdUpload", 0), (QStringList{"Line", "Message"}));
    EXPECT_EQ(Row("sgrdUpload", 5), (QStringList{"5", "   THANK YOU, COME AGAIN"}));
    EXPECT_TRUE(boxes.Take().empty());

    // Replies one byte short: the box, the page and every cell as they were.
    form->ShowPage(1);
    printer.PushReaction(Reaction::WithPayload(rates.substr(0, 38)));
    printer.PushReaction(Reaction::WithPayload("O0" + std::string(206, '1')));
    printer.PushReaction(Reaction::WithPayload("O0" + std::string(169, '1')));
    Click("bbtnUploadTaxRate");
    Click("bbtnUploadDepart");
    Click("bbtnUploadHeadMessage");
    ASSERT_EQ(boxes.seen.size(), 3u);
    for (const auto& box : boxes.seen) {
        EXPECT_EQ(box.text, "Return Value's Format is Illegal!");
        EXPECT_EQ(box.caption, "Error");
        EXPECT_EQ(box.icon, QMessageBox::Critical);
    }
    boxes.Take();
    EXPECT_EQ(form->CurrentPage(), 1);
    EXPECT_EQ(Caption("lbFreeDep"), "Z");
    EXPECT_EQ(Row("sgrdUpload", 5), (QStringList{"5", "   THANK YOU, COME AGAIN"}));
}

// A table reply "E0nn" is refused at once; the printer's refusal of a long upload would be
// captured as data and end by silence, so those two end here by an abort while they wait.
TEST_F(UploadTest, AFailedUploadShowsTheDriversErrorAndParsesNothing) {
    Click("bbtnUploadPlu");
    const int rows = Grid("sgrdPlu")->RowCount();
    const auto dumped = Dump().size();
    form->ShowPage(1);
    printer.PushReaction(Reaction::ErrorReply('E', 1));
    Click("bbtnUploadTaxRate");
    for (const char* button : {"bbtnUploadPlu", "btnUpRtnPkg"}) {
        printer.PushReaction(Reaction::Silent());
        QTimer::singleShot(0, form.get(), [this] { user.AbortFPrn(); });
        Click(button);
        ExpectPanelGone();
    }
    ASSERT_EQ(boxes.seen.size(), 3u);
    EXPECT_EQ(boxes.seen[0].text, "operation code is wrong");
    EXPECT_EQ(boxes.seen[1].text, "Time Out");
    EXPECT_EQ(boxes.seen[2].text, "Time Out");
    for (const auto& box : boxes.seen) {
        EXPECT_EQ(box.caption, "Error");
        EXPECT_EQ(box.icon, QMessageBox::Critical);
    }
    boxes.Take();
    EXPECT_EQ(form->CurrentPage(), 1);
    EXPECT_EQ(Grid("sgrdPlu")->RowCount(), rows);
    EXPECT_EQ(Caption("lbRate1"), "");
    EXPECT_TRUE(Grid("sgrdPkg")->isHidden());
    EXPECT_EQ(Dump().size(), dumped) << "a failed upload dumps nothing";
}

} // namespace
} // namespace fprn::console::testing
