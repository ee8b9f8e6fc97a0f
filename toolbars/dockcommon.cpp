#include "dockcommon.h"

#include "dockmodel.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPlatformSurfaceEvent>
#include <QPointer>
#include <QScreen>
#include <QStyle>
#include <QWidget>
#include <QWindow>

#include <array>

namespace fprn::toolbars {

namespace {

// The widget a top-level platform window belongs to.
QWidget* WidgetOfWindow(QWindow* window) {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->windowHandle() == window) return w;
    return nullptr;
}

// Whether the application is active, as last reported. On X11 the state change comes before
// QApplication::activeWindow() follows it, so the state the change carries is what counts; the
// window activation that follows it then finds nothing left to report.
bool gAppActive = false;

class THookFilter : public QObject {
public:
    explicit THookFilter(THookKind kind) : fKind(kind) {}

    bool eventFilter(QObject* object, QEvent* event) override {
        switch (fKind) {
        case hkCallWndProc:
            CallWndProc(object, event);
            break;
        case hkCBT:
            if (event->type() == QEvent::PlatformSurface && object->isWindowType() &&
                static_cast<QPlatformSurfaceEvent*>(event)->surfaceEventType() ==
                    QPlatformSurfaceEvent::SurfaceAboutToBeDestroyed) {
                THookPayload p;
                p.Surface = object;
                p.Window = WidgetOfWindow(static_cast<QWindow*>(object));
                NotifyHookCallbacks(hcBeforeDestroy, p);
            }
            break;
        case hkGetMessage:
            if (event->type() == QEvent::MouseMove && object->isWindowType())
                MouseMove(object, event);
            break;
        }
        return false;
    }

private:
    static void CallWndProc(QObject* object, QEvent* event) {
        std::uint8_t flags = 0;
        switch (event->type()) {
        case QEvent::ApplicationStateChange: {
            if (object != qApp) return;
            THookPayload p;
            p.Active = static_cast<QApplicationStateChangeEvent*>(event)->applicationState() ==
                       Qt::ApplicationActive;
            p.Window = p.Active ? QApplication::activeWindow() : nullptr;
            gAppActive = p.Active;
            NotifyHookCallbacks(hcActivateAppSent, p);
            return;
        }
        case QEvent::WindowActivate:
        case QEvent::WindowDeactivate: {
            // The application gaining its first or losing its last active window, which not
            // every platform reports as a state change.
            const bool active = QApplication::activeWindow() != nullptr;
            if (active == gAppActive) return;
            gAppActive = active;
            THookPayload p;
            p.Active = active;
            p.Window = QApplication::activeWindow();
            NotifyHookCallbacks(hcActivateAppSent, p);
            return;
        }
        case QEvent::Show:
            flags = wpShown;
            break;
        case QEvent::Hide:
            flags = wpHidden;
            break;
        case QEvent::Move:
            flags = wpMoved;
            break;
        case QEvent::Resize:
            flags = wpSized;
            break;
        case QEvent::WindowStateChange:
            flags = wpStateChanged;
            break;
        default:
            return;
        }
        if (!object->isWidgetType() || !static_cast<QWidget*>(object)->isWindow()) return;
        THookPayload p;
        p.Window = object;
        p.PosFlags = flags;
        NotifyHookCallbacks(hcWindowPosChangedSent, p);
    }

    static void MouseMove(QObject* object, QEvent* event) {
        auto* window = static_cast<QWindow*>(object);
        const auto* me = static_cast<QMouseEvent*>(event);
        THookPayload p;
        p.GlobalPos = me->globalPosition().toPoint();
        QWidget* top = QWidget::find(window->winId());
        if (!top) top = WidgetOfWindow(window);
        p.Window = top;
        if (top) {
            QWidget* under = top->childAt(top->mapFromGlobal(p.GlobalPos));
            p.Target = under ? under : top;
        }
        NotifyHookCallbacks(hcMouseMovePosted, p);
    }

    THookKind fKind;
};

std::array<QPointer<THookFilter>, 3> gFilters;
bool gFiltersChosen = false;

void QtInstaller(THookKind kind, bool install) {
    QPointer<THookFilter>& f = gFilters[kind];
    if (install) {
        if (f || !qApp) return;
        // A child of the application, so it cannot outlive it.
        if (kind == hkCallWndProc) gAppActive = QApplication::activeWindow() != nullptr;
        f = new THookFilter(kind);
        f->setParent(qApp);
        qApp->installEventFilter(f);
    } else if (f) {
        qApp->removeEventFilter(f);
        delete f.data();
    }
}

std::function<void(const std::string&)> gErrorHook;

} // namespace

void UseApplicationHookFilters() {
    if (gFiltersChosen) return;
    gFiltersChosen = true;
    SetHookInstaller(QtInstaller);
}

bool AppHasActiveWindow() {
    // Without the filter nothing keeps the state: the active window is all there is.
    if (gFilters[hkCallWndProc]) return gAppActive;
    return QApplication::activeWindow() != nullptr;
}

void ShowToolbarError(const std::string& message) {
    if (gErrorHook) {
        gErrorHook(message);
        return;
    }
    QMessageBox::critical(QApplication::activeWindow(), QApplication::applicationName(),
                          QString::fromLocal8Bit(message.c_str()));
}

std::function<void(const std::string&)>
SetToolbarErrorHook(std::function<void(const std::string&)> hook) {
    auto old = std::move(gErrorHook);
    gErrorHook = std::move(hook);
    return old;
}

void GuardHandler(const std::function<void()>& body) {
    try {
        body();
    } catch (const std::exception& e) {
        try {
            ShowToolbarError(e.what());
        } catch (...) {
        }
    } catch (...) {
        try {
            ShowToolbarError("Unknown error");
        } catch (...) {
        }
    }
}

namespace {

std::vector<TScreenArea> Screens() {
    std::vector<TScreenArea> s;
    for (QScreen* screen : QGuiApplication::screens())
        s.push_back({screen->geometry(), screen->availableGeometry()});
    return s;
}

QRect PrimaryWorkArea() {
    if (QScreen* p = QGuiApplication::primaryScreen()) {
        const QRect a = p->availableGeometry();
        return a.isEmpty() ? QRect(QPoint(0, 0), p->size()) : a;
    }
    return {};
}

} // namespace

QRect WorkAreaOfRect(const QRect& rect) {
    return fprn::toolbars::WorkAreaOfRect(Screens(), rect, PrimaryWorkArea());
}

QRect WorkAreaOfPoint(const QPoint& point) {
    return fprn::toolbars::WorkAreaOfPoint(Screens(), point, PrimaryWorkArea());
}

QSize FloatingFrameSize() {
    const int f = QApplication::style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth);
    return {f, f};
}

int SmallCaptionHeight() {
    // The small caption is one pixel short of a small icon's height.
    return QApplication::style()->pixelMetric(QStyle::PM_SmallIconSize) - 1;
}

} // namespace fprn::toolbars
