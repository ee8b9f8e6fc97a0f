#pragma once
// Qt's own file dialog as the programs and the service library run it.
#include <QFileDialog>

namespace fprn {

// Runs the dialog modally and gives the file chosen, empty when it was cancelled. Whatever the
// dialog opened is closed with it, so the window beneath is usable and active again.
QString RunFileDialog(QFileDialog& dialog);

// A save dialog that takes a name only in a folder that exists: otherwise it says so and stays
// open, as an open dialog does for a file that does not exist.
class TSaveDialog : public QFileDialog {
public:
    explicit TSaveDialog(QWidget* parent = nullptr);
    void accept() override;
};

} // namespace fprn
