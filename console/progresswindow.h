#pragma once
// The console's own progress form: the layout of the firmware update's dialog, without its
// file choice and packet transport. It is created hidden at start; while it is shown the main
// form takes no input, and Cancel aborts the main form's packet transport.
#include <QDialog>
#include <QPointer>

namespace fprn {
class TTolmIBusComm;
struct ProgressWidgets;
} // namespace fprn

class QLabel;
class QProgressBar;
class QPushButton;

namespace fprn::console {

class TProgressForm : public QDialog {
public:
    enum class State : unsigned char { Shown = 0, Closed = 2 };

    // `mainForm` is disabled while this form is shown; `comm` is what Cancel aborts. Both
    // must outlive the form.
    TProgressForm(QWidget* mainForm, TTolmIBusComm& comm);
    ~TProgressForm() override;

    // The package count: the current one back to 0, the total and the bar's range (0 for a
    // value of 0 or less).
    void SetMargin(int packages);
    void SetProgress(int package);
    int Margin() const { return margin_; }
    int Progress() const { return progress_; }
    State DialogState() const { return state_; }

    void OKBtnClick();
    void CancelBtnClick();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void FormShow();
    void FormClose();

    QPointer<QWidget> mainForm_;
    TTolmIBusComm& comm_;
    QLabel* curLabel_ = nullptr;
    QLabel* totalLabel_ = nullptr;
    QProgressBar* progressBar_ = nullptr;
    QPushButton* okBtn_ = nullptr;
    QPushButton* cancelBtn_ = nullptr;
    State state_ = State::Closed;
    int margin_ = 0;
    int progress_ = 0;
};

} // namespace fprn::console
