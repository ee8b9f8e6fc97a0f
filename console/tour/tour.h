#pragma once
// The demo tour: the real program driven through its real buttons, with a screenshot of the
// screen after each step. Steps come from the page groups' own files (FPRN_TOUR_STEP) and run
// in the order of their keys; a step that finds something wrong throws, and the tour fails.
#include <QMessageBox>
#include <QString>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QFileDialog;

namespace fprn::tourkit {
class DialogAnswers;
}

namespace fprn::console {

class TMainForm;
class TProgressForm;

namespace tour {

class Tour;

struct TourStep {
    int order; // steps run from the lowest key up
    const char* name;
    void (*run)(Tour&);
};
bool RegisterTourStep(TourStep step);
const std::vector<TourStep>& TourSteps();

#define FPRN_TOUR_STEP(tag, ...)                                                                   \
    [[maybe_unused]] static const bool fprnTourStep##tag =                                         \
        ::fprn::console::tour::RegisterTourStep(::fprn::console::tour::TourStep __VA_ARGS__)

// A message box the tour saw.
struct SeenBox {
    QMessageBox::Icon icon;
    QString caption, text;
};

class Tour {
public:
    Tour(TMainForm& form, TProgressForm& progress, std::filesystem::path shots);
    ~Tour();
    Tour(const Tour&) = delete;
    Tour& operator=(const Tour&) = delete;

    TMainForm& Form() { return form_; }
    TProgressForm& Progress() { return progress_; }

    // A mouse click on a visible button; a hidden one (only reachable by code) is clicked
    // without the mouse.
    void Click(const QString& buttonName);
    // The same click through the window system, as the user's mouse gives it (the window
    // manager and Qt's activation take part); waits until `done` holds.
    void Press(const QString& buttonName, const std::function<bool()>& done);
    // Keys typed through the window system into whatever has the focus, `delayMs` apart (a
    // scanner types a key every few ms), then Enter; waits until `done` holds.
    void TypeKeys(const std::string& text, int delayMs, const std::function<bool()>& done);
    // Types into an edit (replacing its text) and, with `enter`, presses Enter there.
    void Type(const QString& editName, const QString& text, bool enter = false);
    // Throws unless page `n` is shown.
    void ExpectPage(int n);

    // The next file dialog, once it shows, is shot when `shot` is not empty, handed to `also`
    // and accepted with `fileName` typed into its name box.
    void PickInNextFileDialog(const QString& fileName, std::string shot = {},
                              std::function<void(QFileDialog&)> also = {});
    // The same, with the name typed on the keyboard and Enter pressed through the window system;
    // once the dialog has gone, no popup may stay and the main window must be active again.
    void TypeInNextFileDialog(const std::string& fileName, std::string shot = {});
    // Runs `body` where nothing may throw (Qt's signals and timers): a failure is kept and
    // thrown after the click or step that was running.
    void Guard(const std::function<void()>& body);

    // Where the boot loader writes the image it rebuilt (empty: not given).
    const std::filesystem::path& BootImage() const { return bootImage_; }
    void SetBootImage(std::filesystem::path path) { bootImage_ = std::move(path); }

    // What the printer emulator prints of each command it receives (empty: not given).
    const std::filesystem::path& PrinterLog() const { return printerLog_; }
    void SetPrinterLog(std::filesystem::path path) { printerLog_ = std::move(path); }

    // The next message box is answered with `answer`, and shot when `shot` is not empty.
    void AnswerNextBox(QMessageBox::StandardButton answer, std::string shot = {});
    // The boxes since the last call; the tour fails on a box nobody expected.
    std::vector<SeenBox> TakeBoxes();
    // Throws unless exactly one box came, of that icon and text.
    void ExpectBox(QMessageBox::Icon icon, const QString& text);
    void ExpectNoBox();

    // Saves the whole screen as NN-name.png and checks it: the main window on it, not one
    // colour. Prints the path.
    void Shoot(const std::string& name);
    const std::vector<std::filesystem::path>& Shots() const { return shots_; }

    // Runs every registered step in order; false after the first failure (printed).
    bool RunAll();

private:
    QMessageBox::StandardButton Answer(QMessageBox& box);
    void Settle();
    void ThrowKeptFailure();

    TMainForm& form_;
    TProgressForm& progress_;
    std::filesystem::path folder_;
    std::vector<std::filesystem::path> shots_;
    struct Planned {
        QMessageBox::StandardButton answer;
        std::string shot;
    };
    std::vector<Planned> planned_;
    std::vector<SeenBox> boxes_;
    std::unique_ptr<tourkit::DialogAnswers> dialogs_;
    std::string keptFailure_;
    std::filesystem::path bootImage_;
    std::filesystem::path printerLog_;
};

[[noreturn]] void Fail(const std::string& why);

} // namespace tour
} // namespace fprn::console
