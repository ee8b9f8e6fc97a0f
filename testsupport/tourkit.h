#pragma once
// What the demo tours share: a screenshot of the screen after each step, and the answers to the
// modal dialogs the program under the tour shows.
#include <QObject>
#include <QPoint>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

class QDialog;
class QProcess;
class QWidget;

namespace fprn::tourkit {

// Lets the window system draw what the last step changed.
void Settle();

// Turns the event loop until `done` holds, for at most `ms`; false when it never did.
bool WaitUntil(const std::function<bool()>& done, int ms = 5000);

// Real input through the X server and its window manager (xdotool), as a user's keyboard and
// mouse give it: events posted straight to a widget skip the activation and focus handling that
// a step about focus or activation is there to go through. Each call throws std::runtime_error
// when xdotool is missing or fails; the event loop keeps turning while it runs, so the program
// answers the window manager meanwhile.
namespace x {
void Run(const std::vector<std::string>& args);
// Types `text` with `delayMs` between keys (a barcode scanner types a key every few ms).
void Type(const std::string& text, int delayMs = 12);
// One key or chord in xdotool's names: "Return", "Tab", "ctrl+o".
void Key(const std::string& keys);
// Moves the pointer to `at` (global) and clicks the left button `count` times.
void Click(QPoint at, int count = 1);
// Clicks the middle of `widget`.
void Click(const QWidget& widget);
// Left button down at `from`, moved over `via` in steps, up at `to`.
void Drag(QPoint from, QPoint to);
// Asks the window manager to activate `window`'s top-level window and waits until it has.
void Activate(const QWidget& window);
// Asks the window manager to activate the top-level window whose name is exactly `name`.
void ActivateNamed(const std::string& name);
} // namespace x

// Another program's window, to take the activation away from the program under the tour: the
// tour's own program started again as `program --peer NAME`, which shows an empty window named
// NAME until it is stopped. Throws when the window does not show.
class PeerWindow {
public:
    explicit PeerWindow(std::string name);
    ~PeerWindow();
    PeerWindow(const PeerWindow&) = delete;
    PeerWindow& operator=(const PeerWindow&) = delete;
    // Activated through the window manager, as a click on it does.
    void Activate() { x::ActivateNamed(name_); }

private:
    std::string name_;
    QProcess* process_;
};
// In the tour's main before anything else: runs the peer when the arguments ask for it and
// returns its exit status; -1 otherwise.
int RunPeerWhenAsked(int argc, char** argv);

// Saves the whole screen `window` is on as the PNG `file`. Throws std::runtime_error when the
// screen cannot be grabbed or the file written, when the window is not on the screen, or when the
// screen is all one colour.
void SaveScreen(const QWidget& window, const std::filesystem::path& file);

// Answers the modal dialogs the program shows, each on the first turn of the loop after it shows
// (whenever the program gets to show it), in the order the answers were given.
class DialogAnswers : public QObject {
public:
    using Match = std::function<bool(QDialog&)>;
    using Act = std::function<void(QDialog&)>;

    // With `rejectOthers`, a modal dialog no answer waits for is rejected (and counted) rather
    // than left waiting for a user who never comes.
    explicit DialogAnswers(bool rejectOthers);
    ~DialogAnswers() override;
    DialogAnswers(const DialogAnswers&) = delete;
    DialogAnswers& operator=(const DialogAnswers&) = delete;

    // The next dialog that `match` takes is handed to `act`, which answers it.
    void Next(Match match, Act act);
    bool Waiting() const { return !answers_.empty(); }
    int Unanswered() const { return unanswered_; }
    // What the first act that threw said; empty when none did. Cleared by the call.
    std::string TakeFailure();

protected:
    bool eventFilter(QObject* object, QEvent* event) override;

private:
    struct Answer {
        Match match;
        Act act;
    };
    bool rejectOthers_;
    std::vector<Answer> answers_;
    int unanswered_ = 0;
    std::string failure_;
};

} // namespace fprn::tourkit
