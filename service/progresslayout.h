#pragma once
// The layout of the progress dialogs (the firmware update's and the console's): a dialog
// without border icons, 326 x 210 and centred, three shadowed captions over their values, a
// bar, and OK (hidden) beside Cancel.
#include <QString>

class QDialog;
class QLabel;
class QProgressBar;
class QPushButton;

namespace fprn {

class TLabel3D;

struct ProgressWidgets {
    TLabel3D* label3D1 = nullptr; // "Status:"
    TLabel3D* label3D2 = nullptr; // "Current package:"
    TLabel3D* label3D3 = nullptr; // "Total Packages:"
    QLabel* statusLabel = nullptr;
    QLabel* curLabel = nullptr;   // "123" until set
    QLabel* totalLabel = nullptr; // "456" until set
    QProgressBar* progressBar = nullptr;
    QPushButton* okBtn = nullptr;     // "&OK", hidden
    QPushButton* cancelBtn = nullptr; // "Cancel"
};

// Builds the layout into `dialog`, which gets its size, font, colours and place on the screen.
ProgressWidgets BuildProgressLayout(QDialog& dialog);

// Sets a value label's text and fits the label to it.
void SetProgressCaption(QLabel* label, const QString& text);

} // namespace fprn
