#include "progressform.h"

#include "filedialog.h"
#include "label3d.h"
#include "msgqueue.h"
#include "progresslayout.h"
#include "qtpump.h"
#include "tolmibus.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>
#include <QStyle>
#include <QWindow>
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#if QT_CONFIG(xcb)
#include <xcb/xcb.h>
#endif

namespace fprn {

namespace {

const QColor Red(255, 0, 0);

QString Text(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// Keeps the dialog above the owner's window, which the window manager would otherwise raise
// over it at a click while it is disabled. Not its child: disabling the owner would disable
// the dialog too.
void KeepAbove(QWidget& dialog, QWidget& owner) {
    QWindow* ownerWindow = owner.window()->windowHandle();
    if (!ownerWindow) return; // never shown: nothing to be buried under
    dialog.winId();
    dialog.windowHandle()->setTransientParent(ownerWindow);
}

// A title bar without minimise and maximise buttons. The dialog's hints ask for none already,
// but some window managers (openbox) give every dialog both whatever its hints say, and keep
// them only off a torn-off toolbar: the window is named that first, and a window manager that
// knows no such type takes the dialog it also is. Read when the window is mapped.
void AskForTitleBarWithoutButtons(QWidget& dialog) {
#if QT_CONFIG(xcb)
    // Other platforms (the offscreen one too) may answer for X11 without an X connection.
    if (QGuiApplication::platformName() != QLatin1String("xcb")) return;
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection) return;
    const auto atom = [connection](std::string_view name) {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
            connection,
            xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(name.size()), name.data()),
            nullptr);
        const xcb_atom_t found = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
        std::free(reply);
        return found;
    };
    const xcb_atom_t types[] = {atom("_NET_WM_WINDOW_TYPE_TOOLBAR"),
                                atom("_NET_WM_WINDOW_TYPE_DIALOG"),
                                atom("_NET_WM_WINDOW_TYPE_NORMAL")};
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE,
                        static_cast<xcb_window_t>(dialog.winId()), atom("_NET_WM_WINDOW_TYPE"),
                        XCB_ATOM_ATOM, 32, 3, types);
    xcb_flush(connection);
#else
    (void)dialog;
#endif
}

} // namespace

TProgressForm::TProgressForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      comm_(std::make_unique<TTolmIBusComm>()) {
    setObjectName(QStringLiteral("ProgressForm"));
    ProgressWidgets w = BuildProgressLayout(*this);
    label3D1_ = w.label3D1;
    label3D2_ = w.label3D2;
    label3D3_ = w.label3D3;
    statusLabel_ = w.statusLabel;
    curLabel_ = w.curLabel;
    totalLabel_ = w.totalLabel;
    progressBar_ = w.progressBar;
    okBtn_ = w.okBtn;
    cancelBtn_ = w.cancelBtn;
    statusLabel_->setAutoFillBackground(true);
    SetStatusBackground(palette().color(QPalette::Window));
    SetProgressCaption(curLabel_, QStringLiteral("0"));
    SetProgressCaption(totalLabel_, QStringLiteral("0"));

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

    bridge_ = std::make_unique<QtPumpBridge>("firmware update", [this] { comm_->Abort(); });
}

TProgressForm::~TProgressForm() {
    bridge_.reset();
    // The port goes before the widgets: a late message must not find a half-gone dialog.
    comm_.reset();
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
        SetProgressCaption(statusLabel_, caption);
        setWindowTitle(caption);
        okBtn_->move(cancelBtn_->x(), okBtn_->y());
        okBtn_->show();
        cancelBtn_->hide();
        state_ = State::ErrorShown;
    } else {
        SetStatusBackground(palette().color(QPalette::Window));
        okBtn_->hide();
        cancelBtn_->show();
        SetProgressCaption(statusLabel_, caption);
        setWindowTitle(caption);
        statusLabel_->repaint();
        state_ = State::Running;
    }
}

void TProgressForm::SetMargin(int blocks) {
    margin_ = blocks;
    SetProgressCaption(curLabel_, QStringLiteral("0"));
    if (blocks > 0) {
        SetProgressCaption(totalLabel_, QString::number(blocks));
        progressBar_->setRange(0, blocks);
    } else {
        SetProgressCaption(totalLabel_, QStringLiteral("0"));
    }
    progressBar_->setValue(0);
}

void TProgressForm::SetProgress(int block) {
    progress_ = block;
    SetProgressCaption(curLabel_, QString::number(block));
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
    if (event->spontaneous()) return;
    // Before the window is mapped: the window manager reads its type then.
    AskForTitleBarWithoutButtons(*this);
    FormShow();
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
    const QString chosen = RunFileDialog(*openDialog_);
    if (chosen.isEmpty()) return false;
    fileName = QFile::encodeName(chosen).toStdString();
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
        if (owner) {
            KeepAbove(*form, *owner);
            owner->setEnabled(false);
        }
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
