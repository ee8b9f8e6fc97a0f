#pragma once
// The item editor's about box: a fixed dialog with our own picture, the program's name,
// version, year and build, and an OK button that closes it.
#include <QDialog>
#include <QImage>

class QPushButton;

namespace fprn::itemeditor {

// The editor's version, as its about box and --version show it.
inline constexpr const char* kEditorVersion = "1.00";

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);
    QPushButton* OKButton() const { return okButton_; }
    void OKButtonClick();

    // The picture at the top left, 240 x 180, drawn by the program.
    static QImage Picture();

protected:
    void showEvent(QShowEvent* e) override;

private:
    QPushButton* okButton_;
};

} // namespace fprn::itemeditor
