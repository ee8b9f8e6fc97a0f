#pragma once
// Every message box of the console goes through here, so that a test (or the demo tour) can
// read and answer each one instead of a person.
#include <QMessageBox>
#include <QString>
#include <functional>

namespace fprn::console {

// Gets the box, built and not yet shown, and returns the button it is answered with.
using MessageBoxSeam = std::function<QMessageBox::StandardButton(QMessageBox& box)>;
// An empty seam shows boxes modally, as usual. Returns the seam it replaces.
MessageBoxSeam SetMessageBoxSeam(MessageBoxSeam seam);

// A box with this caption, text (plain, never markup), icon and buttons; the answer.
QMessageBox::StandardButton ShowMessageBox(QWidget* parent, QMessageBox::Icon icon,
                                           const QString& caption, const QString& text,
                                           QMessageBox::StandardButtons buttons = QMessageBox::Ok);

// The error box of a failed command or an unreadable reply: the error caption (a message
// text of the language) and the error icon.
void ShowErrorBox(QWidget* parent, const QString& text);
// The toolkit's plain message: the program's name as caption, no icon, OK.
void ShowPlainMessage(QWidget* parent, const QString& text);
// What an error that escaped a handler shows: the program's name, the error icon.
void ShowExceptionBox(QWidget* parent, const QString& text);

} // namespace fprn::console
