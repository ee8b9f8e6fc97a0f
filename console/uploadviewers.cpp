// The upload viewers: the printer's item and return-package tables (captured to a file by the
// driver while the upload runs, then read back whole) on pages 26 and 30, the tax rates on
// page 28, the departments and head messages on page 27; the upload buttons of page 1 and of
// page 32, and the progress panel shown while one of the two long uploads runs.
#include "capturerecords.h"
#include "formcontrols.h"
#include "fprnapi.h"
#include "label3d.h"
#include "language.h"
#include "languagetext.h"
#include "mainform.h"
#include "messagebox.h"
#include "stringgrid.h"

#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <array>
#include <string>

namespace fprn::console {

namespace {

constexpr int kPluPage = 26;
constexpr int kUploadPage = 27;
constexpr int kTaxRatePage = 28;
constexpr int kPackagePage = 30;
constexpr int kUploadPackagePage = 32;

constexpr int kPluUploadingText = 11360;
constexpr int kPackageUploadingText = 11361;

// The pages' controls, found once.
struct Viewers {
    TStringGrid* plu = nullptr;
    TStringGrid* packages = nullptr;
    TStringGrid* upload = nullptr;
    QLabel* uploadLabel = nullptr;
    QLabel* packageLabel = nullptr;
    std::array<QLabel*, 9> rates{};
    QLabel* freeDep = nullptr;
    QFrame* progress = nullptr;
    TLabel3D* progressLabel = nullptr;
    QCheckBox* isClear = nullptr;
};

Viewers& Of(TMainForm& form) {
    return form.GroupState<Viewers>();
}

QString Text(const std::string& bytes) {
    return lang::FromCharset(bytes);
}

void Illegal(TMainForm& form) {
    ShowErrorBox(&form, Text(MessageTexts().illegalFormat));
}

// The grid in one pass: its header row, its rows, its column widths.
void FillGrid(TStringGrid& grid, GridCells cells) {
    TStringGrid::Row header;
    header.reserve(cells.columns.size());
    for (const GridColumn& column : cells.columns) {
        std::string text = lang::GetLanguageText(column.textId);
        if (column.formatArg >= 0)
            text = lang::FormatLanguageText(text, {std::int64_t{column.formatArg}});
        header.push_back(std::move(text));
    }
    grid.SetCells(std::move(header), std::move(cells.rows));
    for (std::size_t c = 0; c < cells.columns.size(); ++c)
        grid.SetColWidthW(static_cast<int>(c), cells.columns[c].widthW);
}

// A capture read from its file: a file that cannot be read shows the default error box and
// changes nothing; a short record shows what came before it, the illegal-format box, and hides
// the grid; the page is shown either way.
void ShowCapture(TMainForm& form, CaptureView view, TStringGrid& grid, QLabel* label, int page) {
    if (!view.fileError.empty()) {
        ShowExceptionBox(&form, Text(view.fileError));
        return;
    }
    if (!view.grid.rows.empty()) {
        if (label && view.grid.labelTextId)
            label->setText(lang::LanguageText(view.grid.labelTextId));
        FillGrid(grid, std::move(view.grid));
        grid.show();
    }
    if (view.illegalFormat) {
        Illegal(form);
        grid.hide();
    }
    form.ShowPage(page);
}

void ShowPluMem(TMainForm& form) {
    Viewers& v = Of(form);
    ShowCapture(form, ReadPluCapture(), *v.plu, nullptr, kPluPage);
}

void ShowRtnPkgMem(TMainForm& form) {
    Viewers& v = Of(form);
    ShowCapture(form, ReadPackageCapture(), *v.packages, v.packageLabel, kPackagePage);
}

BytesView Reply(const char* buffer, std::int32_t length) {
    return BytesView(buffer, static_cast<std::size_t>(length));
}

void ShowUploadedTaxRates(TMainForm& form, const char* buffer, std::int32_t length) {
    TaxRatesPage page;
    if (!DecodeTaxRates(Reply(buffer, length), page)) return Illegal(form);
    Viewers& v = Of(form);
    for (std::size_t k = 0; k < v.rates.size(); ++k) v.rates[k]->setText(Text(page.rates[k]));
    v.freeDep->setText(Text(page.exemptLetter));
    form.ShowPage(kTaxRatePage);
}

void ShowUploadedTable(TMainForm& form, bool (*decode)(BytesView, GridCells&), const char* buffer,
                       std::int32_t length) {
    GridCells cells;
    if (!decode(Reply(buffer, length), cells)) return Illegal(form);
    Viewers& v = Of(form);
    v.uploadLabel->setText(lang::LanguageText(cells.labelTextId));
    FillGrid(*v.upload, std::move(cells));
    form.ShowPage(kUploadPage);
}

// While a long upload runs: the form disabled and the panel on page 1 shown with the text of
// `textId`; afterwards, however the call ended, the panel hidden and the form enabled. With
// `restoreCaption` the label gets its caption from before back.
class UploadProgress {
public:
    UploadProgress(TMainForm& form, int textId, bool restoreCaption)
        : form_(form), viewers_(Of(form)), restore_(restoreCaption),
          kept_(viewers_.progressLabel->text()) {
        form_.setEnabled(false);
        viewers_.progressLabel->setText(lang::LanguageText(textId));
        viewers_.progress->show();
        viewers_.progress->raise();
    }
    ~UploadProgress() {
        viewers_.progress->hide();
        if (restore_) viewers_.progressLabel->setText(kept_);
        form_.setEnabled(true);
    }
    UploadProgress(const UploadProgress&) = delete;
    UploadProgress& operator=(const UploadProgress&) = delete;

private:
    TMainForm& form_;
    Viewers& viewers_;
    bool restore_;
    QString kept_;
};

// The command pattern with the progress panel around the real call (not the size query).
void RunUpload(TMainForm& form, const char* code, int textId, bool restoreCaption,
               const std::function<void(TFPrnResult*, char*, std::int32_t*, bool sizing)>& call) {
    bool sized = false;
    form.RunCommand(PortKind::User, code, [&](TFPrnResult* r, char* b, std::int32_t* n) {
        if (!sized) {
            sized = true;
            return call(r, b, n, true);
        }
        UploadProgress progress(form, textId, restoreCaption);
        call(r, b, n, false);
    });
}

void bbtnUploadPluClick(TMainForm& form) {
    RunUpload(form, "90", kPluUploadingText, false,
              [&form](TFPrnResult* r, char* b, std::int32_t* n, bool) {
                  form.User().cmUploadPlu(r, b, n);
              });
}

void btnUpRtnPkgClick(TMainForm& form) {
    // "Is Clear" has the printer start its counts again once they are read; the size query
    // never clears.
    const std::int32_t selector = Of(form).isClear->isChecked() ? '1' : '0';
    RunUpload(form, "89", kPackageUploadingText, true,
              [&form, selector](TFPrnResult* r, char* b, std::int32_t* n, bool sizing) {
                  form.User().cmUploadPkg(r, sizing ? '0' : selector, b, n);
              });
}

void TableUpload(TMainForm& form, const char* button, const char* code,
                 void (*TovarinApi::*command)(TFPrnResult*, char*, std::int32_t*)) {
    form.OnClick(QString::fromLatin1(button), [&form, code, command] {
        form.RunCommand(PortKind::User, code,
                        [&form, command](TFPrnResult* r, char* b, std::int32_t* n) {
                            (form.User().*command)(r, b, n);
                        });
    });
}

// A panel on `page` at `geometry` that the grid fills.
TStringGrid* GridPanel(QWidget* page, const char* panelName, const char* gridName,
                       const QRect& geometry) {
    auto* panel = new QFrame(page);
    panel->setObjectName(QString::fromLatin1(panelName));
    panel->setGeometry(geometry);
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* grid = new TStringGrid(panel);
    grid->setObjectName(QString::fromLatin1(gridName));
    layout->addWidget(grid);
    return grid;
}

constexpr QRect kGridArea(8, 36, kPageWidth - 16, 296);
constexpr QPoint kBackAt(592, 342);

void BuildProgressPanel(TMainForm& form, Viewers& v) {
    auto* panel = new QFrame(form.Page(1));
    panel->setObjectName(QStringLiteral("pnlProgress"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setLineWidth(2);
    panel->setGeometry(QRect(QPoint(160, 130), QSize(400, 96)));
    auto* bevel = new QFrame(panel);
    bevel->setObjectName(QStringLiteral("Bevel1"));
    bevel->setFrameStyle(QFrame::Box | QFrame::Sunken);
    bevel->setGeometry(8, 8, 384, 80);
    auto* label = new TLabel3D(QStringLiteral("PLU UPLOADING..."), panel);
    label->setObjectName(QStringLiteral("Label3D1"));
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignCenter);
    QFont font(QStringLiteral("Times New Roman"), 20, QFont::Bold);
    label->setFont(font);
    label->setGeometry(16, 16, 368, 64);
    panel->hide();
    v.progress = panel;
    v.progressLabel = label;
}

void BuildPluPage(TMainForm& form, Viewers& v) {
    QWidget* page = form.Page(kPluPage);
    NewLabel(page, "Label108", QPoint(16, 12));
    v.plu = GridPanel(page, "Panel1", "sgrdPlu", kGridArea);
    v.plu->hide();
    NewLabel(page, "Label107", QPoint(16, 350));
    // Hidden, and does nothing.
    NewButton(page, "btnExecPluUpload", QRect(64, 342, 110, 30))->hide();
    form.AddBackButton(kPluPage, "BitBtn17", kBackAt);
}

void BuildUploadPage(TMainForm& form, Viewers& v) {
    QWidget* page = form.Page(kUploadPage);
    v.uploadLabel = NewLabel(page, "lbUpload", QPoint(16, 12));
    v.uploadLabel->setFixedWidth(kPageWidth - 32);
    v.upload = GridPanel(page, "pnlUpload", "sgrdUpload", kGridArea);
    form.AddBackButton(kUploadPage, "BitBtn18", kBackAt);
}

void BuildTaxRatePage(TMainForm& form, Viewers& v) {
    QWidget* page = form.Page(kTaxRatePage);
    NewLabel(page, "Label109", QPoint(16, 12));
    const char* const captions[] = {"Label110", "Label111", "Label113", "Label115", "Label117",
                                    "Label119", "Label121", "Label123", "Label125"};
    int y = 44;
    for (std::size_t k = 0; k < v.rates.size(); ++k, y += 28) {
        NewLabel(page, captions[k], QPoint(40, y + 3));
        std::string name = "lbRate" + std::to_string(k + 1);
        v.rates[k] = NewValueLabel(page, name.c_str(), QRect(220, y, 160, 24));
    }
    NewLabel(page, "Label127", QPoint(40, y + 3));
    v.freeDep = NewValueLabel(page, "lbFreeDep", QRect(220, y, 160, 24));
    form.AddBackButton(kTaxRatePage, "BitBtn19", kBackAt);
}

void BuildPackagePage(TMainForm& form, Viewers& v) {
    QWidget* page = form.Page(kPackagePage);
    v.packageLabel = NewLabel(page, "Label116", QPoint(16, 12));
    v.packageLabel->setFixedWidth(kPageWidth - 32);
    v.packages = GridPanel(page, "Panel5", "sgrdPkg", kGridArea);
    v.packages->hide();
    form.AddBackButton(kPackagePage, "BitBtn21", kBackAt);
}

void BuildUploadPackagePage(TMainForm& form, Viewers& v) {
    QWidget* page = form.Page(kUploadPackagePage);
    v.isClear = NewCheckBox(page, "chkbUpRtnPkg", QRect(40, 40, 240, 24));
    form.OnClick(NewButton(page, "btnUpRtnPkg", QRect(40, 76, 180, 30)),
                 [&form] { btnUpRtnPkgClick(form); });
    form.AddBackButton(kUploadPackagePage, "btnUpRtnPkgBack", kBackAt);
}

void BuildUploadViewers(TMainForm& form) {
    Viewers& v = Of(form);
    BuildProgressPanel(form, v);
    BuildPluPage(form, v);
    BuildUploadPage(form, v);
    BuildTaxRatePage(form, v);
    BuildPackagePage(form, v);
    BuildUploadPackagePage(form, v);

    form.SetReplyHook(90, [&form](const char*, std::int32_t) { ShowPluMem(form); });
    form.SetReplyHook(89, [&form](const char*, std::int32_t) { ShowRtnPkgMem(form); });
    form.SetReplyHook(91,
                      [&form](const char* b, std::int32_t n) { ShowUploadedTaxRates(form, b, n); });
    form.SetReplyHook(92, [&form](const char* b, std::int32_t n) {
        ShowUploadedTable(form, DecodeDepartments, b, n);
    });
    form.SetReplyHook(93, [&form](const char* b, std::int32_t n) {
        ShowUploadedTable(form, DecodeHeadMessages, b, n);
    });

    form.OnClick(QStringLiteral("bbtnUploadPlu"), [&form] { bbtnUploadPluClick(form); });
    TableUpload(form, "bbtnUploadTaxRate", "91", &TovarinApi::cmUploadTaxRate);
    TableUpload(form, "bbtnUploadDepart", "92", &TovarinApi::cmUploadDepartment);
    TableUpload(form, "bbtnUploadHeadMessage", "93", &TovarinApi::cmUploadHeadMessage);
    form.OnClick(QStringLiteral("bbtnUploadPkg"), [&form] { form.ShowPage(kUploadPackagePage); });
}

FPRN_CONSOLE_PAGES(UploadViewers,
                   {"upload viewers",
                    {kPluPage, kUploadPage, kTaxRatePage, kPackagePage, kUploadPackagePage},
                    BuildUploadViewers});

} // namespace

} // namespace fprn::console
