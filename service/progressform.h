#pragma once
// The progress dialog of the firmware update: status, current and total block, a bar, and the
// Cancel button that turns into OK when an error is shown. While it exists, the waits of the
// packet transport serve Qt's events and Qt's loops serve the transport's queue.
#include "firmwareupdate.h"
#include "msgqueue.h"

#include <QDialog>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class QFileDialog;
class QLabel;
class QProgressBar;
class QPushButton;

namespace fprn {

class QtPumpBridge;
class TLabel3D;
class TTolmIBusComm;

class TProgressForm : public QDialog, public IUpdateUi {
    Q_OBJECT

public:
    enum class State : std::uint8_t { Running = 0, ErrorShown = 1, Closed = 2 };

    // Hidden until the download shows it. Needs a QApplication on the calling thread.
    explicit TProgressForm(QWidget* parent = nullptr);
    ~TProgressForm() override;

    // The whole update on `port`: choose and check the image, then download it.
    void DownloadProgram(const std::string& port, bool full);

    void ShowStatus(bool error, const std::string& text) override;
    int Margin() const { return margin_; }
    void SetMargin(int blocks) override;
    int Progress() const { return progress_; }
    void SetProgress(int block) override;
    State DialogState() const { return state_; }

    TTolmIBusComm& TolmIBusComm1() { return *comm_; }
    QFileDialog* OpenDialog2() const { return openDialog_; }
    // Replaces the open dialog in the file choice; false from it means cancelled.
    using FileChooser = std::function<bool(std::string& fileName)>;
    void SetFileChooser(FileChooser chooser) { chooser_ = std::move(chooser); }

    void OKBtnClick();
    void CancelBtnClick();
    void FormShow();
    void FormClose() {}

    // IUpdateUi, as the download sees the dialog.
    bool ChooseFile(std::string& fileName) override;
    void Beep() override;
    void MessageBox(const std::string& text) override;
    void ShowDialog() override;
    void CloseDialog() override;
    void WaitForOk() override;
    void PumpOnce() override;
    bool Closed() const override { return state_ == State::Closed; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void SetStatusBackground(const QColor& color);

    std::unique_ptr<TTolmIBusComm> comm_;
    std::unique_ptr<QtPumpBridge> bridge_; // Qt and the pump joined while the dialog lives
    TLabel3D* label3D1_ = nullptr;
    TLabel3D* label3D2_ = nullptr;
    TLabel3D* label3D3_ = nullptr;
    QLabel* statusLabel_ = nullptr;
    QLabel* curLabel_ = nullptr;
    QLabel* totalLabel_ = nullptr;
    QProgressBar* progressBar_ = nullptr;
    QPushButton* okBtn_ = nullptr;
    QPushButton* cancelBtn_ = nullptr;
    QFileDialog* openDialog_ = nullptr;
    FileChooser chooser_;

    State state_ = State::Running;
    int margin_ = 0;
    int progress_ = 0;
};

// What UpdateFPrnProgram does once a widget application is at hand: disables `owner` (may be
// null) for the call and restores its own enabled state, runs the download in a dialog that
// lives for the call. 0 when the procedure ran to its end, -1 when an exception escaped it.
// `prepare` sees the dialog before it runs.
int RunProgressUpdate(QWidget* owner, const std::string& port, bool full,
                      const std::function<void(TProgressForm&)>& prepare = {});

} // namespace fprn
