#pragma once
// What the demo tours share: a screenshot of the screen after each step, and the answers to the
// modal dialogs the program under the tour shows.
#include <QObject>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

class QDialog;
class QWidget;

namespace fprn::tourkit {

// Lets the window system draw what the last step changed.
void Settle();

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
