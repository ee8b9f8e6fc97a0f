#include "tourkit.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QImage>
#include <QPixmap>
#include <QPointer>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <stdexcept>

namespace fprn::tourkit {

namespace {

// True when every pixel has the colour of the first.
bool OneColour(const QImage& image) {
    const QRgb first = image.pixel(0, 0);
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2)
            if (image.pixel(x, y) != first) return false;
    return true;
}

} // namespace

void Settle() {
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
    QTest::qWait(150);
}

void SaveScreen(const QWidget& window, const std::filesystem::path& file) {
    QScreen* screen = window.screen();
    if (!screen) throw std::runtime_error("no screen");
    QImage image = screen->grabWindow(0).toImage();
    if (image.isNull()) throw std::runtime_error("the screen could not be grabbed");
    const QRect frame = window.frameGeometry().translated(-screen->geometry().topLeft());
    if (!window.isVisible() || !image.rect().intersects(frame))
        throw std::runtime_error("the main window is not on the screen");
    if (OneColour(image))
        throw std::runtime_error(file.stem().string() + ": the screen is one colour");
    if (!image.save(QString::fromStdString(file.string())))
        throw std::runtime_error("cannot write " + file.string());
}

DialogAnswers::DialogAnswers(bool rejectOthers) : rejectOthers_(rejectOthers) {
    qApp->installEventFilter(this);
}

DialogAnswers::~DialogAnswers() {
    qApp->removeEventFilter(this);
}

void DialogAnswers::Next(Match match, Act act) {
    answers_.push_back({std::move(match), std::move(act)});
}

std::string DialogAnswers::TakeFailure() {
    return std::exchange(failure_, {});
}

bool DialogAnswers::eventFilter(QObject* object, QEvent* event) {
    auto* dialog = qobject_cast<QDialog*>(object);
    if (event->type() != QEvent::Show || !dialog || !dialog->isModal()) return false;
    QPointer<QDialog> target(dialog);
    if (answers_.empty() || !answers_.front().match(*dialog)) {
        if (!rejectOthers_) return false;
        ++unanswered_;
        QTimer::singleShot(0, dialog, [target] {
            if (target) target->reject();
        });
        return false;
    }
    Act act = std::move(answers_.front().act);
    answers_.erase(answers_.begin());
    QTimer::singleShot(0, dialog, [this, target, act] {
        try {
            if (target) act(*target);
        } catch (const std::exception& e) {
            if (failure_.empty()) failure_ = e.what();
            if (target) target->reject();
        }
    });
    return false;
}

} // namespace fprn::tourkit
