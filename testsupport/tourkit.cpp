#include "tourkit.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QEventLoop>
#include <QImage>
#include <QPixmap>
#include <QPointer>
#include <QProcess>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <stdexcept>
#include <string_view>

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

bool WaitUntil(const std::function<bool()>& done, int ms) {
    return QTest::qWaitFor(done, ms);
}

namespace x {

void Run(const std::vector<std::string>& args) {
    QStringList list;
    for (const std::string& arg : args) list << QString::fromStdString(arg);
    QProcess xdotool;
    xdotool.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // The program goes on answering the window manager and the X server while xdotool waits
    // for them.
    QEventLoop loop;
    QObject::connect(&xdotool, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&xdotool, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    xdotool.start(QStringLiteral("xdotool"), list);
    if (xdotool.state() != QProcess::NotRunning) loop.exec();
    const std::string command = "xdotool " + list.join(' ').toStdString();
    if (xdotool.error() == QProcess::FailedToStart)
        throw std::runtime_error("xdotool cannot be started: is it installed?");
    if (xdotool.state() != QProcess::NotRunning) {
        xdotool.kill();
        xdotool.waitForFinished();
        throw std::runtime_error(command + " did not end");
    }
    if (xdotool.exitStatus() != QProcess::NormalExit || xdotool.exitCode() != 0)
        throw std::runtime_error(command + " failed");
}

void Type(const std::string& text, int delayMs) {
    Run({"type", "--delay", std::to_string(delayMs), "--", text});
}

void Key(const std::string& keys) {
    Run({"key", "--delay", "30", "--", keys});
}

void Click(QPoint at, int count) {
    Run({"mousemove", "--sync", std::to_string(at.x()), std::to_string(at.y()), "click", "--repeat",
         std::to_string(count), "--delay", "80", "1"});
}

void Click(const QWidget& widget) {
    Click(widget.mapToGlobal(widget.rect().center()));
}

void Drag(QPoint from, QPoint to) {
    std::vector<std::string> args{
        "mousemove", "--sync", std::to_string(from.x()), std::to_string(from.y()),
        "mousedown", "1"};
    constexpr int kSteps = 6;
    for (int i = 1; i <= kSteps; ++i) {
        const QPoint at = from + (to - from) * i / kSteps;
        args.insert(args.end(), {"sleep", "0.05", "mousemove", "--sync", std::to_string(at.x()),
                                 std::to_string(at.y())});
    }
    args.insert(args.end(), {"sleep", "0.05", "mouseup", "1"});
    Run(args);
}

void Activate(const QWidget& window) {
    const QWidget* top = window.window();
    Run({"windowactivate", "--sync", std::to_string(top->winId())});
}

void ActivateNamed(const std::string& name) {
    Run({"search", "--sync", "--onlyvisible", "--name", "^" + name + "$", "windowactivate",
         "--sync"});
}

} // namespace x

PeerWindow::PeerWindow(std::string name) : name_(std::move(name)), process_(new QProcess) {
    process_->setProcessChannelMode(QProcess::ForwardedChannels);
    process_->start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--peer"), QString::fromStdString(name_)});
    if (!process_->waitForStarted()) {
        delete process_;
        throw std::runtime_error("the peer window's program did not start");
    }
    try {
        x::Run({"search", "--sync", "--onlyvisible", "--name", "^" + name_ + "$"});
    } catch (...) {
        process_->kill();
        process_->waitForFinished();
        delete process_;
        throw;
    }
}

PeerWindow::~PeerWindow() {
    process_->terminate();
    if (!process_->waitForFinished(5000)) {
        process_->kill();
        process_->waitForFinished();
    }
    delete process_;
}

int RunPeerWhenAsked(int argc, char** argv) {
    if (argc != 3 || std::string_view(argv[1]) != "--peer") return -1;
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QString::fromLocal8Bit(argv[2]));
    window.resize(320, 200);
    window.move(40, 40);
    window.show();
    return QApplication::exec();
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
