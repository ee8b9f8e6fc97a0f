#include "messagebox.h"

#include "fprnapi.h"
#include "languagetext.h"

#include <QCoreApplication>

namespace fprn::console {

namespace {

MessageBoxSeam& Seam() {
    static MessageBoxSeam seam;
    return seam;
}

} // namespace

MessageBoxSeam SetMessageBoxSeam(MessageBoxSeam seam) {
    std::swap(Seam(), seam);
    return seam;
}

QMessageBox::StandardButton ShowMessageBox(QWidget* parent, QMessageBox::Icon icon,
                                           const QString& caption, const QString& text,
                                           QMessageBox::StandardButtons buttons) {
    QMessageBox box(icon, caption, text, buttons, parent);
    box.setTextFormat(Qt::PlainText);
    if (Seam()) return Seam()(box);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

void ShowErrorBox(QWidget* parent, const QString& text) {
    ShowMessageBox(parent, QMessageBox::Critical, lang::FromCharset(MessageTexts().errorCaption),
                   text);
}

void ShowPlainMessage(QWidget* parent, const QString& text) {
    ShowMessageBox(parent, QMessageBox::NoIcon, QCoreApplication::applicationName(), text);
}

void ShowExceptionBox(QWidget* parent, const QString& text) {
    ShowMessageBox(parent, QMessageBox::Critical, QCoreApplication::applicationName(), text);
}

} // namespace fprn::console
