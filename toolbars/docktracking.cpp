// Moving, sizing and the close button of a tool window: each press starts a tracker that follows
// the pointer through an application event filter (no loop of its own), shows the outline in a
// window on top, and ends on release, Escape, another press or when the bar loses the pointer.
#include "dockdrag.h"
#include "toolwindow.h"

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QStyleHints>

#include <memory>
#include <vector>

namespace fprn::toolbars {

namespace {

// The outline of a move or size: a window on top masked to the outline's ring, painted with a
// checkerboard that keeps its place on the screen while the ring moves. A tool-tip window: no
// platform activates it, and window managers leave its place alone.
class TDragOutline : public QWidget {
public:
    TDragOutline()
        : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                               Qt::WindowTransparentForInput | Qt::WindowDoesNotAcceptFocus) {
        setObjectName(QStringLiteral("DockDragOutline"));
        setAttribute(Qt::WA_ShowWithoutActivating);
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

    void Place(const QRect& r, QSize thickness) {
        if (r.isEmpty()) {
            hide();
            return;
        }
        const bool resized = r.size() != size() || thickness != fThickness || mask().isEmpty();
        if (r != geometry()) setGeometry(r);
        if (resized) {
            fThickness = thickness;
            setMask(QRegion(0, 0, r.width(), r.height())
                        .subtracted(QRegion(thickness.width(), thickness.height(),
                                            r.width() - 2 * thickness.width(),
                                            r.height() - 2 * thickness.height())));
        }
        if (isHidden()) show();
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QImage pattern(8, 8, QImage::Format_RGB32);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                pattern.setPixel(x, y, (x + y) % 2 ? 0xFF000000u : 0xFFFFFFFFu);
        QPainter p(this);
        p.setBrushOrigin(-pos());
        p.fillRect(rect(), QBrush(pattern));
    }

private:
    QSize fThickness;
};

// Candidate docks below a control, through the widget tree.
struct TDockTreeOps {
    TCustomToolWindow* Bar;
    bool Skip(QWidget* w) const { return w == Bar || Bar->isAncestorOf(w) || !w->isVisible(); }
    std::vector<QWidget*> Children(QWidget* w) const {
        std::vector<QWidget*> kids;
        for (QObject* o : w->children())
            if (o->isWidgetType() && !static_cast<QWidget*>(o)->isWindow())
                kids.push_back(static_cast<QWidget*>(o));
        return kids;
    }
    bool IsDock(QWidget* w, TDockPosition& position) const {
        auto* dock = qobject_cast<TDock*>(w);
        if (dock) position = dock->Position();
        return dock != nullptr;
    }
    bool Accepts(QWidget* w) const {
        auto* dock = static_cast<TDock*>(w);
        return dock->AllowDrag() && (Bar->DockableTo() & SetBit(dock->Position()));
    }
};

} // namespace

class TToolWindowTracker : public QObject {
public:
    enum TKind { tkMove, tkSize, tkClose };

    TToolWindowTracker(TCustomToolWindow* bar, TKind kind) : fBar(bar), fKind(kind) {}

    void Start(QPoint pointer);
    bool eventFilter(QObject* object, QEvent* event) override;
    void End(bool accepted);
    void Moved();

    QPointer<TCustomToolWindow> fBar;
    TKind fKind;
    bool fEnded = false;
    QPoint fPointer;
    QPoint fStartPointer;
    std::unique_ptr<TDragOutline> fOutline;
    bool fForbidden = false;

    // Moving.
    TDragStart fStart;
    bool fNoDock = false;
    bool fCannotFloat = false;
    std::vector<QPointer<TDock>> fDocks;
    std::vector<QSize> fDockSizes;
    QSize fFloatingSize;
    QPointer<TDock> fTarget;
    bool fHasTarget = false;
    QRect fOutlineRect;

    // Sizing.
    int fHandle = 0;
    QSize fMinimum;
    QRect fStartRect;
    QRect fNewRect;
    QPoint fLastPointer;

    // The close button.
    bool fPressed = false;

private:
    void DragMouseMoved();
    void SizeMoved();
    void CloseMoved();
    void DrawOutline(const QRect& r, QSize thickness);
    void SetForbidden(bool on);
    bool LostActivation() const;
};

namespace {

TToolWindowTracker* gTracker = nullptr;

} // namespace

QWidget* DragOutlineWindow() {
    return gTracker && gTracker->fOutline && !gTracker->fOutline->isHidden()
               ? gTracker->fOutline.get()
               : nullptr;
}

bool ToolWindowTracking() {
    return gTracker != nullptr;
}

void TToolWindowTracker::Start(QPoint pointer) {
    gTracker = this;
    fPointer = pointer;
    fStartPointer = pointer;
    fLastPointer = pointer;
    qApp->installEventFilter(this);
    fBar->grabMouse();
    fBar->grabKeyboard();
    Moved();
}

void TToolWindowTracker::Moved() {
    switch (fKind) {
    case tkMove:
        DragMouseMoved();
        break;
    case tkSize:
        SizeMoved();
        break;
    case tkClose:
        CloseMoved();
        break;
    }
}

bool TToolWindowTracker::LostActivation() const {
    const QWidget* active = QApplication::activeWindow();
    if (!active) return true;
    if (active == fOutline.get() || !fBar) return false;
    return active != fBar->window() && active != fBar->ToolWindowParentForm();
}

bool TToolWindowTracker::eventFilter(QObject* object, QEvent* event) {
    if (fEnded) return false;
    switch (event->type()) {
    case QEvent::MouseMove:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseButtonRelease: {
        if (!object->isWidgetType() && !object->isWindowType()) return false;
        auto* me = static_cast<QMouseEvent*>(event);
        const bool left = me->button() == Qt::LeftButton;
        if (event->type() == QEvent::MouseMove) {
            fPointer = me->globalPosition().toPoint();
            GuardHandler([&] { Moved(); });
        } else if (left) {
            fPointer = me->globalPosition().toPoint();
            const bool release = event->type() == QEvent::MouseButtonRelease;
            GuardHandler([&] { End(release && (fKind != tkClose || fPressed)); });
        }
        // Right and middle buttons are swallowed.
        return true;
    }
    case QEvent::ShortcutOverride:
        event->accept();
        return true;
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        GuardHandler([&] {
            if (fKind == tkMove && key == Qt::Key_Control) {
                const bool noDock = event->type() == QEvent::KeyPress;
                if (noDock != fNoDock) {
                    fNoDock = noDock;
                    DragMouseMoved();
                }
            } else if (key == Qt::Key_Escape && fKind != tkClose) {
                End(false);
            }
        });
        return true;
    }
    case QEvent::Hide:
        if (object == fBar.data()) GuardHandler([&] { End(false); });
        return false;
    case QEvent::Show:
        if (object->isWidgetType() && static_cast<QWidget*>(object)->windowType() == Qt::Popup)
            GuardHandler([&] { End(false); });
        return false;
    case QEvent::WindowDeactivate:
    case QEvent::ApplicationStateChange:
        if (LostActivation()) GuardHandler([&] { End(false); });
        return false;
    default:
        return false;
    }
}

void TToolWindowTracker::DrawOutline(const QRect& r, QSize thickness) {
    if (!fOutline) {
        if (r.isEmpty()) return;
        fOutline = std::make_unique<TDragOutline>();
    }
    fOutline->Place(r, thickness);
}

void TToolWindowTracker::SetForbidden(bool on) {
    if (on == fForbidden) return;
    fForbidden = on;
    if (on)
        QGuiApplication::setOverrideCursor(Qt::ForbiddenCursor);
    else
        QGuiApplication::restoreOverrideCursor();
}

void TToolWindowTracker::DragMouseMoved() {
    TCustomToolWindow* bar = fBar;
    if (!bar) return;
    QPoint p = fPointer;
    int target = -1;
    if (!fNoDock) {
        for (std::size_t i = 0; i < fDocks.size(); ++i) {
            TDock* dock = fDocks[i];
            if (!dock) continue;
            const QRect r(dock->mapToGlobal(QPoint(0, 0)), dock->size());
            if (!PointInDockArea(r, dock->IsVertical(), p, fStart, fDockSizes[i])) continue;
            bool accept = true;
            if (dock->OnRequestDock) GuardHandler([&] { dock->OnRequestDock(dock, bar, accept); });
            // The handler may have ended the drag, or taken the bar or the dock away.
            if (fEnded) return;
            if (!fBar) {
                End(false);
                return;
            }
            if (!fDocks[i] || !accept) continue;
            target = static_cast<int>(i);
            break;
        }
    }
    const QRect work = WorkAreaOfPoint(p);
    if (target < 0) p = ClampToWorkArea(p, work);
    const QSize size = target >= 0 ? fDockSizes[static_cast<std::size_t>(target)] : fFloatingSize;
    QRect outline = OutlineAt(p, size, fStart);
    const QSize frame = bar->FrameMetrics().Frame;
    if (target < 0)
        outline =
            ClampFloatingOutline(outline, WorkAreaOfPoint(p), frame, bar->FloatingNCAreaSize().Top);
    if (target < 0 && fCannotFloat) {
        outline = QRect();
        SetForbidden(true);
    } else {
        SetForbidden(false);
    }
    fTarget = target >= 0 ? fDocks[static_cast<std::size_t>(target)] : nullptr;
    fHasTarget = target >= 0;
    fOutlineRect = outline;
    DrawOutline(outline, target >= 0 ? QSize(1, 1) : frame);
}

void TToolWindowTracker::SizeMoved() {
    TCustomToolWindow* bar = fBar;
    if (!bar) return;
    if (fPointer == fLastPointer) return;
    fLastPointer = fPointer;
    QRect r = SizingRect(fStartRect, fHandle, fPointer - fStartPointer, fMinimum);
    bar->fTrackingPointer = fPointer;
    bar->SizingTrack(r, fStartRect);
    if (fEnded || !fBar) return;
    fNewRect = r;
    DrawOutline(r, bar->FrameMetrics().Frame);
}

void TToolWindowTracker::CloseMoved() {
    TCustomToolWindow* bar = fBar;
    if (!bar) return;
    const int clientWidth = bar->width() - bar->NonClientWidth();
    const QRect close =
        bar->Docked()
            ? DockedCloseButtonRect(clientWidth, bar->DockedTo()->IsVertical(), bar->DragHandle())
            : FloatingCloseButtonRect(clientWidth, bar->FrameMetrics());
    const bool inside = close.contains(bar->mapFromGlobal(fPointer));
    if (inside != fPressed) {
        fPressed = inside;
        bar->SetClosePressed(inside);
    }
}

void TToolWindowTracker::End(bool accepted) {
    if (fEnded) return;
    fEnded = true;
    if (gTracker == this) gTracker = nullptr;
    qApp->removeEventFilter(this);
    deleteLater();
    TCustomToolWindow* bar = fBar;
    const bool alive = bar && !bar->fDestroying;
    if (alive) {
        if (QWidget::mouseGrabber() == bar) bar->releaseMouse();
        if (QWidget::keyboardGrabber() == bar) bar->releaseKeyboard();
    }
    if (fOutline) {
        // Out of its own events before it goes.
        fOutline->hide();
        fOutline.release()->deleteLater();
    }
    SetForbidden(false);
    if (!alive) return;

    switch (fKind) {
    case tkMove: {
        // Reparenting waits for the next turn of the loop, out of the bar's own event. A press
        // and release in one place may be the first half of a double click, which docks or
        // floats the bar itself: its drop waits until no second click can come.
        const bool finish = accepted && !fOutlineRect.isEmpty();
        const bool click = (fPointer - fStartPointer).manhattanLength() <=
                           QGuiApplication::styleHints()->mouseDoubleClickDistance();
        QPointer<TCustomToolWindow> b(bar);
        QPointer<TDock> target = fTarget;
        const bool hasTarget = fHasTarget;
        const QRect outline = fOutlineRect;
        if (finish && click) bar->DeferDrop(target, hasTarget, outline);
        QMetaObject::invokeMethod(
            bar,
            [b, target, hasTarget, outline, finish = finish && !click] {
                if (b && finish && (!hasTarget || target))
                    GuardHandler([&] { b->FinishDrag(target, outline); });
                if (b && b->OnMouseUp)
                    GuardHandler([&] { b->OnMouseUp(b, Qt::LeftButton, Qt::NoModifier, -1, -1); });
            },
            Qt::QueuedConnection);
        break;
    }
    case tkSize: {
        bar->SizingEnd(accepted);
        if (!fBar || !accepted) break;
        bar->BeginArrangeControls();
        bar->SetBounds(fNewRect);
        bar->fArrangeNeeded = true;
        bar->EndArrangeControls();
        if (fBar) bar->MoveOnScreen(true);
        break;
    }
    case tkClose: {
        if (fPressed) bar->SetClosePressed(false);
        if (!accepted) break;
        bool canClose = true;
        if (bar->OnCloseQuery) bar->OnCloseQuery(bar, canClose);
        if (!fBar || !canClose) break;
        bar->setVisible(false);
        if (fBar && bar->OnClose) bar->OnClose(bar);
        break;
    }
    }
}

// ---- the bar's side ----

void TCustomToolWindow::BeginMoving(QPoint at, QPoint global, Qt::KeyboardModifiers modifiers) {
    fDropTimer.stop();
    auto t = std::make_unique<TToolWindowTracker>(this, TToolWindowTracker::tkMove);
    t->fStart = {at, QSize(width() - 1, height() - 1)};
    t->fNoDock = modifiers & Qt::ControlModifier;
    t->fCannotFloat = fDockMode != dmCanFloat;
    std::vector<QWidget*> docks;
    if (fDockMode == dmCannotFloatOrChangeDocks) {
        if (fDockedTo) docks.push_back(fDockedTo);
    } else if (QWidget* form = ToolWindowParentForm()) {
        TDockTreeOps ops{this};
        CollectDocks<QWidget*>(form, ops, docks);
    }
    const TDockOrientation current = fDockedTo ? fDockedTo->Orientation() : doNone;
    t->fFloatingSize = AddFloatingNCSize(ArrangeControls(false, current, nullptr));
    for (QWidget* w : docks) {
        auto* dock = static_cast<TDock*>(w);
        const QSize client = dock == fDockedTo
                                 ? QSize(width() - NonClientWidth(), height() - NonClientHeight())
                                 : ArrangeControls(false, current, dock);
        t->fDocks.emplace_back(dock);
        t->fDockSizes.push_back(AddDockedNCSize(client, dock->IsVertical()));
    }
    t.release()->Start(global);
}

void TCustomToolWindow::BeginSizing(int handle, QPoint at, QPoint global) {
    fDropTimer.stop();
    auto t = std::make_unique<TToolWindowTracker>(this, TToolWindowTracker::tkSize);
    t->fHandle = handle;
    t->fMinimum = MinimumClientSize() + QSize(NonClientWidth(), NonClientHeight());
    // Where the press says the bar is: a window manager reports the place of a bar it has just
    // mapped only later, and geometry() holds where its frame began meanwhile.
    t->fStartRect = QRect(global - at, size());
    t->fNewRect = t->fStartRect;
    t->fStartPointer = global;
    SizingBegin(handle);
    TToolWindowTracker* tracker = t.release();
    gTracker = tracker;
    tracker->fPointer = global;
    tracker->fLastPointer = global;
    qApp->installEventFilter(tracker);
    grabMouse();
    grabKeyboard();
    fTrackingPointer = global;
    tracker->fOutline = std::make_unique<TDragOutline>();
    tracker->fOutline->Place(tracker->fStartRect, FrameMetrics().Frame);
}

void TCustomToolWindow::TrackCloseButton() {
    fDropTimer.stop();
    auto* t = new TToolWindowTracker(this, TToolWindowTracker::tkClose);
    t->fPressed = true;
    SetClosePressed(true);
    gTracker = t;
    qApp->installEventFilter(t);
    grabMouse();
    grabKeyboard();
}

void TCustomToolWindow::CancelTracking() {
    if (!gTracker || gTracker->fBar != this) return;
    if (QWidget::mouseGrabber() == this) releaseMouse();
    if (QWidget::keyboardGrabber() == this) releaseKeyboard();
    gTracker->fBar = nullptr;
    gTracker->End(false);
}

void TCustomToolWindow::DeferDrop(TDock* target, bool hasTarget, const QRect& outline) {
    fDropTarget = target;
    fDropHasTarget = hasTarget;
    fDropOutline = outline;
    fDropTimer.start(QGuiApplication::styleHints()->mouseDoubleClickInterval());
}

void TCustomToolWindow::DeferredDrop() {
    if (!fDropHasTarget || fDropTarget) FinishDrag(fDropTarget, fDropOutline);
}

void TCustomToolWindow::FinishDrag(TDock* target, const QRect& outline) {
    QPointer<TCustomToolWindow> self(this);
    if (target) {
        const QPoint origin = target->mapToGlobal(target->contentsRect().topLeft());
        const TDropDecision d = DecideDrop(outline.translated(-origin), target->IsVertical(),
                                           target->RowSizes(), target->HighestRow(), fFullSize,
                                           [&](int row) { return target->BarsInRow(row, this); });
        QPointer<TDock> dock(target);
        if (d.InsertRowAt >= 0) target->InsertRow(d.InsertRowAt);
        fDockRow = d.Row;
        fDockPos = d.Pos;
        SetParent(target);
        if (!self) return;
        if (dock) dock->ArrangeBars(true);
    } else {
        fFloatingPos = outline.topLeft();
        fFloatingPosKnown = true;
        if (fDockedTo)
            SetParent(RequireParentForm());
        else
            SetBounds(QRect(outline.topLeft(), size()));
        if (!self) return;
    }
    MoveOnScreen(true);
}

} // namespace fprn::toolbars
