#include "tour.h"

#include "mainform.h"
#include "messagebox.h"
#include "tourkit.h"

#include <QAbstractButton>
#include <QFileDialog>
#include <QLineEdit>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <stdexcept>

namespace fprn::console::tour {

namespace {

std::vector<TourStep>& Steps() {
    static std::vector<TourStep> steps;
    return steps;
}

} // namespace

void Fail(const std::string& why) {
    throw std::runtime_error(why);
}

bool RegisterTourStep(TourStep step) {
    Steps().push_back(step);
    return true;
}

const std::vector<TourStep>& TourSteps() {
    std::stable_sort(Steps().begin(), Steps().end(),
                     [](const TourStep& a, const TourStep& b) { return a.order < b.order; });
    return Steps();
}

Tour::Tour(TMainForm& form, TProgressForm& progress, std::filesystem::path shots)
    : form_(form), progress_(progress), folder_(std::move(shots)),
      dialogs_(std::make_unique<tourkit::DialogAnswers>(false)) {
    std::filesystem::create_directories(folder_);
    SetMessageBoxSeam([this](QMessageBox& box) { return Answer(box); });
}

Tour::~Tour() {
    SetMessageBoxSeam({});
}

void Tour::Settle() {
    tourkit::Settle();
}

QMessageBox::StandardButton Tour::Answer(QMessageBox& box) {
    boxes_.push_back({box.icon(), box.windowTitle(), box.text()});
    if (planned_.empty()) {
        std::fprintf(stderr, "tour: unexpected box \"%s\": %s\n", qPrintable(box.windowTitle()),
                     qPrintable(box.text()));
        return QMessageBox::Ok;
    }
    Planned plan = planned_.front();
    planned_.erase(planned_.begin());
    if (!plan.shot.empty()) {
        box.show();
        if (!QTest::qWaitForWindowExposed(&box)) Fail("the box did not show");
        Settle();
        Shoot(plan.shot);
        box.hide();
    }
    return plan.answer;
}

void Tour::Click(const QString& buttonName) {
    QAbstractButton* button = form_.Button(buttonName);
    if (!button->isEnabled()) Fail(buttonName.toStdString() + " is disabled");
    if (button->isVisible())
        QTest::mouseClick(button, Qt::LeftButton);
    else
        button->click();
    Settle();
    ThrowKeptFailure();
}

void Tour::PickInNextFileDialog(const QString& fileName, std::string shot,
                                std::function<void(QFileDialog&)> also) {
    dialogs_->Next([](QDialog& d) { return qobject_cast<QFileDialog*>(&d) != nullptr; },
                   [this, fileName, shot, also](QDialog& d) {
                       auto& dialog = static_cast<QFileDialog&>(d);
                       if (!QTest::qWaitForWindowExposed(&dialog))
                           Fail("the file dialog did not show");
                       if (!shot.empty()) Shoot(shot);
                       if (also) also(dialog);
                       // Typed into the name box and accepted, as a user does.
                       if (auto* name =
                               dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
                           name->setText(fileName);
                       else
                           dialog.selectFile(fileName);
                       d.accept();
                   });
}

void Tour::TypeInNextFileDialog(const std::string& fileName, std::string shot) {
    dialogs_->Next([](QDialog& d) { return qobject_cast<QFileDialog*>(&d) != nullptr; },
                   [this, fileName, shot](QDialog& d) {
                       if (!QTest::qWaitForWindowExposed(&d)) Fail("the file dialog did not show");
                       if (!tourkit::WaitUntil([&d] { return d.isActiveWindow(); }))
                           Fail("the file dialog is not the active window");
                       if (!shot.empty()) Shoot(shot);
                       // The name box has the focus when the dialog opens.
                       tourkit::x::Type(fileName);
                       tourkit::x::Key("Return");
                       if (!tourkit::WaitUntil([&d] { return !d.isVisible(); }))
                           Fail("the file dialog did not take the typed name");
                   });
}

void Tour::Press(const QString& buttonName, const std::function<bool()>& done) {
    QAbstractButton* button = form_.Button(buttonName);
    if (!button->isVisible() || !button->isEnabled())
        Fail(buttonName.toStdString() + " cannot be clicked");
    tourkit::x::Click(*button);
    ThrowKeptFailure();
    if (!tourkit::WaitUntil(done))
        Fail("the click on " + buttonName.toStdString() + " did not work");
    Settle();
    ThrowKeptFailure();
}

void Tour::TypeKeys(const std::string& text, int delayMs, const std::function<bool()>& done) {
    tourkit::x::Type(text, delayMs);
    tourkit::x::Key("Return");
    if (!tourkit::WaitUntil(done)) Fail("typing \"" + text + "\" did not work");
    Settle();
    ThrowKeptFailure();
}

void Tour::Guard(const std::function<void()>& body) {
    try {
        body();
    } catch (const std::exception& e) {
        if (keptFailure_.empty()) keptFailure_ = e.what();
    }
}

void Tour::ThrowKeptFailure() {
    if (keptFailure_.empty()) keptFailure_ = dialogs_->TakeFailure();
    if (!keptFailure_.empty()) Fail(std::exchange(keptFailure_, {}));
}

void Tour::Type(const QString& editName, const QString& text, bool enter) {
    auto* edit = form_.Control<QLineEdit>(editName);
    edit->setFocus();
    // Typed over the whole text, as a user replaces it: a mask edit keeps its mask.
    edit->selectAll();
    if (text.isEmpty())
        QTest::keyClick(edit, Qt::Key_Delete);
    else
        QTest::keyClicks(edit, text);
    if (enter) QTest::keyClick(edit, Qt::Key_Return);
    Settle();
}

void Tour::ExpectPage(int n) {
    if (form_.CurrentPage() != n)
        Fail("page " + std::to_string(form_.CurrentPage()) + " is shown, not " + std::to_string(n));
}

void Tour::AnswerNextBox(QMessageBox::StandardButton answer, std::string shot) {
    planned_.push_back({answer, std::move(shot)});
}

std::vector<SeenBox> Tour::TakeBoxes() {
    std::vector<SeenBox> seen;
    seen.swap(boxes_);
    return seen;
}

void Tour::ExpectBox(QMessageBox::Icon icon, const QString& text) {
    auto seen = TakeBoxes();
    if (seen.size() != 1) Fail(std::to_string(seen.size()) + " boxes instead of one");
    if (seen[0].icon != icon || seen[0].text != text)
        Fail("box \"" + seen[0].text.toStdString() + "\", not \"" + text.toStdString() + "\"");
}

void Tour::ExpectNoBox() {
    auto seen = TakeBoxes();
    if (!seen.empty()) Fail("unexpected box: " + seen[0].text.toStdString());
}

void Tour::Shoot(const std::string& name) {
    // A step may have set controls by code since the last click: draw them before the grab.
    Settle();
    if (form_.width() < kPageWidth) Fail("the main window is not at its size");
    char prefix[8];
    std::snprintf(prefix, sizeof prefix, "%02zu-", shots_.size() + 1);
    std::filesystem::path file = folder_ / (prefix + name + ".png");
    tourkit::SaveScreen(form_, file);
    shots_.push_back(file);
    std::printf("%s\n", file.c_str());
    std::fflush(stdout);
}

bool Tour::RunAll() {
    for (const TourStep& step : TourSteps()) {
        try {
            step.run(*this);
            ThrowKeptFailure();
            ExpectNoBox();
            if (!planned_.empty()) Fail("a box that was waited for did not come");
            if (dialogs_->Waiting()) Fail("a file dialog that was waited for did not come");
        } catch (const std::exception& e) {
            std::fprintf(stderr, "tour: step \"%s\" failed: %s\n", step.name, e.what());
            return false;
        }
    }
    return true;
}

} // namespace fprn::console::tour
