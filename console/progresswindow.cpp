#include "progresswindow.h"

#include "progresslayout.h"
#include "tolmibus.h"

#include <QCloseEvent>
#include <QHideEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>
#include <algorithm>

namespace fprn::console {

TProgressForm::TProgressForm(QWidget* mainForm, TTolmIBusComm& comm)
    : QDialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      mainForm_(mainForm), comm_(comm) {
    setObjectName(QStringLiteral("ProgressForm"));
    ProgressWidgets w = BuildProgressLayout(*this);
    curLabel_ = w.curLabel;
    totalLabel_ = w.totalLabel;
    progressBar_ = w.progressBar;
    okBtn_ = w.okBtn;
    cancelBtn_ = w.cancelBtn;
    connect(okBtn_, &QPushButton::clicked, this, [this] { OKBtnClick(); });
    connect(cancelBtn_, &QPushButton::clicked, this, [this] { CancelBtnClick(); });
}

TProgressForm::~TProgressForm() = default;

void TProgressForm::SetMargin(int packages) {
    margin_ = packages;
    SetProgressCaption(curLabel_, QStringLiteral("0"));
    if (packages > 0) {
        SetProgressCaption(totalLabel_, QString::number(packages));
        progressBar_->setRange(0, packages);
    } else {
        SetProgressCaption(totalLabel_, QStringLiteral("0"));
    }
    progressBar_->setValue(0);
}

void TProgressForm::SetProgress(int package) {
    progress_ = package;
    SetProgressCaption(curLabel_, QString::number(package));
    progressBar_->setValue(std::clamp(package, progressBar_->minimum(), progressBar_->maximum()));
}

void TProgressForm::FormShow() {
    if (mainForm_) mainForm_->setEnabled(false);
    SetMargin(0);
    SetProgress(0);
    state_ = State::Shown;
}

void TProgressForm::FormClose() {
    if (mainForm_) mainForm_->setEnabled(true);
}

void TProgressForm::OKBtnClick() {
    hide();
    state_ = State::Closed;
}

void TProgressForm::CancelBtnClick() {
    comm_.Abort();
    hide();
    state_ = State::Closed;
}

void TProgressForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) FormShow();
}

void TProgressForm::hideEvent(QHideEvent* event) {
    // However the form goes (a button, Esc, the window manager, hide()), the main form takes
    // input again.
    QDialog::hideEvent(event);
    if (!event->spontaneous()) FormClose();
}

void TProgressForm::closeEvent(QCloseEvent* event) {
    state_ = State::Closed;
    event->accept();
}

void TProgressForm::reject() {
    CancelBtnClick();
}

} // namespace fprn::console
