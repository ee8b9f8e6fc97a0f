#include "progressform.h"

#include "label3d.h"
#include "msgqueue.h"
#include "tolmibus.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QFileDialog>
#include <QFrame>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QSocketNotifier>
#include <QStyle>
#include <algorithm>
#include <cstdio>
#include <exception>

namespace fprn {

namespace {

const QColor Navy(0, 0, 128);
const QColor Red(255, 0, 0);
constexpr int ClientWidth = 326;
constexpr int ClientHeight = 210;

QString Text(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

QFrame* MakeBevel(QWidget* parent, const char* name, const QRect& geometry, QFrame::Shadow shadow) {
    auto* bevel = new QFrame(parent);
    bevel->setObjectName(QString::fromLatin1(name));
    bevel->setFrameStyle(QFrame::Panel | shadow);
    bevel->setLineWidth(1);
    bevel->setGeometry(geometry);
    return bevel;
}

TLabel3D* MakeCaption(QWidget* parent, const char* name, const char* caption, const QPoint& at,
                      const QFont& font) {
    auto* label = new TLabel3D(QString::fromLatin1(caption), parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setFont(font);
    label->move(at);
    label->adjustSize();
    return label;
}

QLabel* MakeValue(QWidget* parent, const char* name, const QPoint& at, const QFont& font) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setFont(font);
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, Navy);
    label->setPalette(pal);
    label->move(at);
    return label;
}

void SetCaption(QLabel* label, const QString& text) {
    label->setText(text);
    label->adjustSize();
}

} // namespace

TProgressForm::TProgressForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      comm_(std::make_unique<TTolmIBusComm>()) {
    setObjectName(QStringLiteral("ProgressForm"));
    setFont(QFont(QStringLiteral("System")));
    setFixedSize(ClientWidth, ClientHeight);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::Button));
    setPalette(pal);
    setAutoFillBackground(true);

    MakeBevel(this, "Bevel1", QRect(8, 8, 313, 153), QFrame::Raised);
    MakeBevel(this, "Bevel2", QRect(24, 24, 281, 25), QFrame::Sunken);
    MakeBevel(this, "Bevel3", QRect(24, 56, 281, 25), QFrame::Sunken);
    MakeBevel(this, "Bevel4", QRect(24, 88, 281, 25), QFrame::Sunken);

    QFont labelFont(QStringLiteral("Times New Roman"));
    labelFont.setPixelSize(15);
    label3D1_ = MakeCaption(this, "Label3D1", "Status:", QPoint(32, 28), labelFont);
    label3D2_ = MakeCaption(this, "Label3D2", "Current package:", QPoint(32, 60), labelFont);
    label3D3_ = MakeCaption(this, "Label3D3", "Total Packages:", QPoint(32, 92), labelFont);
    statusLabel_ = MakeValue(this, "StatusLabel", QPoint(88, 28), labelFont);
    statusLabel_->setAutoFillBackground(true);
    SetStatusBackground(palette().color(QPalette::Window));
    curLabel_ = MakeValue(this, "CurLabel", QPoint(168, 60), labelFont);
    totalLabel_ = MakeValue(this, "TotalLabel", QPoint(160, 92), labelFont);
    SetCaption(statusLabel_, QString());
    SetCaption(curLabel_, QStringLiteral("0"));
    SetCaption(totalLabel_, QStringLiteral("0"));

    progressBar_ = new QProgressBar(this);
    progressBar_->setObjectName(QStringLiteral("ProgressBar1"));
    progressBar_->setGeometry(24, 120, 281, 15);
    progressBar_->setTextVisible(false);
    progressBar_->setRange(0, 100);
    progressBar_->setValue(0);

    okBtn_ = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton),
                             QStringLiteral("&OK"), this);
    okBtn_->setObjectName(QStringLiteral("OKBtn"));
    okBtn_->setGeometry(58, 172, 75, 28);
    okBtn_->setDefault(true);
    okBtn_->hide();
    cancelBtn_ = new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton),
                                 QStringLiteral("Cancel"), this);
    cancelBtn_->setObjectName(QStringLiteral("CancelBtn"));
    cancelBtn_->setGeometry(126, 172, 75, 28);
    connect(okBtn_, &QPushButton::clicked, this, [this] { OKBtnClick(); });
    connect(cancelBtn_, &QPushButton::clicked, this, [this] { CancelBtnClick(); });

    openDialog_ = new QFileDialog(this);
    openDialog_->setObjectName(QStringLiteral("OpenDialog2"));
    openDialog_->setAcceptMode(QFileDialog::AcceptOpen);
    openDialog_->setFileMode(QFileDialog::ExistingFile);
    openDialog_->setDefaultSuffix(QStringLiteral("hex"));
    openDialog_->setNameFilter(QStringLiteral("Binary Files (*.hex)"));
    openDialog_->setOption(QFileDialog::HideNameFilterDetails);

    comm_->SetCommName("COM2");
    comm_->SetBaudRate(TBaudRate::tbr115200);
    comm_->SetBroadCast(false);

    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());

    // Qt's own loops (modal boxes, the file dialog) drain the transport's queue, and the
    // transport's waits serve Qt and sleep in Qt until either side has something.
    queueNotifier_ = new QSocketNotifier(plat::QueueFd(), QSocketNotifier::Read, this);
    connect(queueNotifier_, &QSocketNotifier::activated, this, [this] { ServeQueue(); });
    hostHook_ = plat::SetHostHook(
        {[] { QCoreApplication::processEvents(); },
         [](int) { QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents); }});
}

TProgressForm::~TProgressForm() {
    plat::SetHostHook(std::move(hostHook_));
    // The port goes before the widgets: a late message must not find a half-gone dialog.
    comm_.reset();
}

void TProgressForm::ServeQueue() {
    try {
        plat::DispatchPending();
    } catch (const std::exception& e) {
        // Nothing may cross Qt's loop; the wait in progress ends instead.
        std::fprintf(stderr, "firmware update: %s\n", e.what());
        comm_->Abort();
    } catch (...) {
        comm_->Abort();
    }
}

void TProgressForm::DownloadProgram(const std::string& port, bool full) {
    fprn::DownloadProgram(*this, *comm_, port, full);
}

void TProgressForm::SetStatusBackground(const QColor& color) {
    QPalette pal = statusLabel_->palette();
    pal.setColor(QPalette::Window, color);
    statusLabel_->setPalette(pal);
}

void TProgressForm::ShowStatus(bool error, const std::string& text) {
    if (state_ == State::Closed) return;
    const QString caption = Text(text);
    if (error) {
        QApplication::beep();
        SetStatusBackground(Red);
        SetCaption(statusLabel_, caption);
        setWindowTitle(caption);
        okBtn_->move(cancelBtn_->x(), okBtn_->y());
        okBtn_->show();
        cancelBtn_->hide();
        state_ = State::ErrorShown;
    } else {
        SetStatusBackground(palette().color(QPalette::Window));
        okBtn_->hide();
        cancelBtn_->show();
        SetCaption(statusLabel_, caption);
        setWindowTitle(caption);
        statusLabel_->repaint();
        state_ = State::Running;
    }
}

void TProgressForm::SetMargin(int blocks) {
    margin_ = blocks;
    SetCaption(curLabel_, QStringLiteral("0"));
    if (blocks > 0) {
        SetCaption(totalLabel_, QString::number(blocks));
        progressBar_->setRange(0, blocks);
    } else {
        SetCaption(totalLabel_, QStringLiteral("0"));
    }
    progressBar_->setValue(0);
}

void TProgressForm::SetProgress(int block) {
    progress_ = block;
    SetCaption(curLabel_, QString::number(block));
    // The bar keeps within its range rather than ignoring a value outside it.
    progressBar_->setValue(std::clamp(block, progressBar_->minimum(), progressBar_->maximum()));
}

void TProgressForm::FormShow() {
    SetMargin(0);
    SetProgress(0);
    state_ = State::Running;
}

void TProgressForm::OKBtnClick() {
    hide();
    state_ = State::Closed;
}

void TProgressForm::CancelBtnClick() {
    comm_->Abort();
    hide();
    state_ = State::Closed;
}

void TProgressForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) FormShow();
}

void TProgressForm::closeEvent(QCloseEvent* event) {
    FormClose();
    // A close from the window manager acts as the button on show; otherwise a download would
    // go on without its dialog, or an error would wait for an OK that cannot be pressed.
    if (state_ == State::ErrorShown)
        OKBtnClick();
    else if (state_ == State::Running)
        CancelBtnClick();
    event->accept();
}

void TProgressForm::reject() {
    // Escape acts as Cancel while Cancel is on show, and does nothing while OK is.
    if (state_ == State::Running && !cancelBtn_->isHidden()) CancelBtnClick();
}

bool TProgressForm::ChooseFile(std::string& fileName) {
    if (chooser_) return chooser_(fileName);
    if (openDialog_->exec() != QDialog::Accepted) return false;
    const QStringList files = openDialog_->selectedFiles();
    if (files.isEmpty()) return false;
    fileName = QFile::encodeName(files.first()).toStdString();
    return true;
}

void TProgressForm::Beep() {
    QApplication::beep();
}

void TProgressForm::MessageBox(const std::string& text) {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Error"), Text(text), QMessageBox::Ok,
                    this);
    box.exec();
}

void TProgressForm::ShowDialog() {
    show();
    activateWindow();
}

void TProgressForm::CloseDialog() {
    hide();
}

void TProgressForm::WaitForOk() {
    plat::PumpUntil([this] { return state_ == State::Closed; });
}

void TProgressForm::PumpOnce() {
    plat::DispatchPending();
    QCoreApplication::processEvents();
}

int RunProgressUpdate(QWidget* owner, const std::string& port, bool full,
                      const std::function<void(TProgressForm&)>& prepare) {
    QPointer<QWidget> ownerRef(owner);
    // The owner's own state, not the one it inherits from a parent.
    const bool ownerEnabled = owner && !owner->testAttribute(Qt::WA_ForceDisabled);
    std::unique_ptr<TProgressForm> form;
    int result = 0;
    try {
        form = std::make_unique<TProgressForm>();
        if (owner) owner->setEnabled(false);
        if (prepare) prepare(*form);
        form->DownloadProgram(port, full);
    } catch (...) {
        result = -1;
    }
    // Back to the owner before the dialog goes, so that it can take the focus again.
    if (ownerRef && ownerEnabled) ownerRef->setEnabled(true);
    form.reset();
    return result;
}

} // namespace fprn
