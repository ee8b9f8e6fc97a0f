#include "toolwindow.h"

#include "dockinternal.h"
#include "dockversion.h"
#include "syscolors.h"

#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLayout>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QWindow>

#include <algorithm>

namespace fprn::toolbars {

void ToolWindowHookCallback(THookCode code, const THookPayload& payload);

namespace {

constexpr const char* kLoadingProperty = "fprnToolbarLoading";
constexpr THookCodes kToolWindowCodes = HookCodeBit(hcActivateAppSent) |
                                        HookCodeBit(hcWindowPosChangedSent) |
                                        HookCodeBit(hcBeforeDestroy);

// The floating bars, in the order they floated.
std::vector<TCustomToolWindow*> gFloatingBars;

bool IsForm(const QWidget* w) {
    return w && w->isWindow() && !qobject_cast<const TCustomToolWindow*>(w);
}

} // namespace

std::vector<TCustomToolWindow*> gAllBars;

// ---- loading ----

void BeginLoading(QWidget* form) {
    if (!form) return;
    form->setProperty(kLoadingProperty, form->property(kLoadingProperty).toInt() + 1);
}

void Loaded(QWidget* form) {
    if (!form) return;
    const int n = form->property(kLoadingProperty).toInt();
    if (n <= 0) return;
    form->setProperty(kLoadingProperty, n - 1);
    if (n > 1) return;
    const auto bars = form->findChildren<TCustomToolWindow*>();
    for (TCustomToolWindow* b : bars) b->Loaded();
    const auto docks = form->findChildren<TDock*>();
    for (TDock* d : docks) d->Loaded();
}

bool IsLoading(const QWidget* widget) {
    for (const QWidget* w = widget; w; w = w->parentWidget()) {
        if (w->property(kLoadingProperty).toInt() > 0) return true;
        if (auto* fp = qobject_cast<const TFloatingWindowParent*>(w)) w = fp->ParentForm();
        if (!w) break;
    }
    return false;
}

int DockPositionOfControl(const QWidget* control) {
    for (const QWidget* w = control; w; w = w->parentWidget())
        if (auto* bar = qobject_cast<const TCustomToolWindow*>(w))
            return bar->DockedTo() ? static_cast<int>(bar->DockedTo()->Position()) : kNotDocked;
    return kNotDocked;
}

const std::vector<TCustomToolWindow*>& FloatingToolWindows() {
    return gFloatingBars;
}

TCustomToolWindow::TCustomToolWindow() : QWidget(nullptr) {
    UseApplicationHookFilters();
    gAllBars.push_back(this);
    RegisterHookCallback(ToolWindowHookCallback, kToolWindowCodes, false);
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Moves without a button show the sizing cursors on a floating frame.
    setMouseTracking(true);
    setMinimumSize(1, 1);
    setMaximumSize(32767, 32767);
    GetToolWindowParams(fParams);
    fDropTimer.setSingleShot(true);
    connect(&fDropTimer, &QTimer::timeout, this, [this] { GuardHandler([&] { DeferredDrop(); }); });
}

TCustomToolWindow::~TCustomToolWindow() {
    fDestroying = true;
    CancelTracking();
    // Leave the docks and the floating list before the widget parts go.
    if (fDockedTo) {
        TDock* dock = fDockedTo;
        fDockedTo = nullptr;
        dock->ForgetBar(this);
        if (!dock->fDestroying) dock->ArrangeBars(false);
    }
    if (fLastDock) {
        fLastDock->ForgetBar(this);
        fLastDock = nullptr;
    }
    Remove(gFloatingBars, this);
    Remove(gAllBars, this);
    UnregisterHookCallback(ToolWindowHookCallback);
    if (fFloatingParent) {
        TFloatingWindowParent* fp = fFloatingParent;
        fFloatingParent = nullptr;
        if (parentWidget() == fp) {
            ++fInternalVisibility;
            QWidget::setParent(nullptr);
        }
        delete fp;
    }
}

const char* TCustomToolWindow::Version() const {
    return kToolbarVersion;
}

bool TCustomToolWindow::Floating() const {
    return fFloatingParent && parentWidget() == fFloatingParent;
}

// ---- properties ----

void TCustomToolWindow::SetBorderStyle(TBorderStyle value) {
    if (value == fBorderStyle) return;
    fBorderStyle = value;
    if (Docked()) CalcNCArea();
}

void TCustomToolWindow::SetCloseButton(bool value) {
    if (value == fCloseButton) return;
    fCloseButton = value;
    RequestFloatingNCPaint(fpCaption | fpCloseButton);
}

void TCustomToolWindow::SetCloseButtonWhenDocked(bool value) {
    if (value == fCloseButtonWhenDocked) return;
    fCloseButtonWhenDocked = value;
    if (Docked()) CalcNCArea();
}

void TCustomToolWindow::SetColor(TColor value) {
    if (value == fColor) return;
    fColor = value;
    RequestDockedNCPaint();
    update();
}

void TCustomToolWindow::SetDockedTo(TDock* value) {
    if (value)
        SetParent(value);
    else
        SetParent(RequireParentForm());
}

void TCustomToolWindow::SetDockPos(int value) {
    if (value == fDockPos) return;
    fDockPos = value;
    if (fDockedTo) fDockedTo->ArrangeBars(false);
}

void TCustomToolWindow::SetDockRow(int value) {
    if (value == fDockRow) return;
    fDockRow = value;
    if (fDockedTo) fDockedTo->ArrangeBars(false);
}

void TCustomToolWindow::SetDragHandleStyle(TDragHandleStyle value) {
    if (value == fDragHandleStyle) return;
    fDragHandleStyle = value;
    if (Docked()) CalcNCArea();
}

void TCustomToolWindow::SetFloatingMode(TToolWindowFloatingMode value) {
    if (value == fFloatingMode) return;
    fFloatingMode = value;
    ShowingChanged();
}

void TCustomToolWindow::SetFullSize(bool value) {
    if (value == fFullSize) return;
    fFullSize = value;
    Arrange();
}

void TCustomToolWindow::SetLastDock(TDock* value) {
    if (fUseLastDock && fDockedTo) value = fDockedTo;
    if (value == fLastDock) return;
    if (fLastDock && fLastDock != parentWidget()) fLastDock->ChangeDockList(false, this);
    fLastDock = value;
    if (value) {
        fUseLastDock = true;
        value->ChangeDockList(true, this);
    }
}

void TCustomToolWindow::SetShowCaption(bool value) {
    if (value == fShowCaption) return;
    fShowCaption = value;
    if (Floating()) CalcNCArea();
}

void TCustomToolWindow::SetUseLastDock(bool value) {
    if (value == fUseLastDock) return;
    fUseLastDock = value;
    SetLastDock(value ? fDockedTo : nullptr);
}

void TCustomToolWindow::setVisible(bool visible) {
    if (fInternalVisibility > 0) {
        QWidget::setVisible(visible);
        return;
    }
    if (visible == fVisible) {
        UpdateVisibility();
        return;
    }
    fVisible = visible;
    if (fDockedTo) fDockedTo->ChangeVisibleList(this, false);
    UpdateVisibility();
    if (OnVisibleChanged) OnVisibleChanged(this);
}

void TCustomToolWindow::SetBounds(const QRect& bounds) {
    const bool sizeChanged = bounds.size() != size();
    if (fUpdatingBounds == 0 && sizeChanged) SizeChanging(bounds.width(), bounds.height());
    setGeometry(bounds);
    if (Floating() && fUpdatingBounds == 0 && !IsLoading(this)) {
        fFloatingPos = bounds.topLeft();
        fFloatingPosKnown = true;
    }
    if (sizeChanged && fDockedTo) fDockedTo->ArrangeBars(false);
}

// ---- default virtuals ----

void TCustomToolWindow::SizeChanging(int, int) {}
bool TCustomToolWindow::ChildIsTransparent(QWidget*) {
    return false;
}
void TCustomToolWindow::DockChangingHidden(TDock* newDock) {
    if (!fDestroying && OnDockChangingHidden) OnDockChangingHidden(this, newDock);
}
void TCustomToolWindow::DoMoved() {
    if (OnMove) OnMove(this);
}
void TCustomToolWindow::GetToolWindowParams(TToolWindowParams& params) {
    params = TToolWindowParams{};
}
void TCustomToolWindow::InitializeOrdering() {}
void TCustomToolWindow::SizingBegin(int) {}
void TCustomToolWindow::SizingEnd(bool) {}
void TCustomToolWindow::SizingTrack(QRect&, const QRect&) {}

// ---- reparenting ----

void TCustomToolWindow::SetParent(QWidget* newParent) {
    TDock* newDock = qobject_cast<TDock*>(newParent);
    if (newParent && !newDock && !IsForm(newParent))
        throw EInvalidOperation(STBToolwinParentNotAllowed);

    // A form: float over it, through its own hidden parent.
    TFloatingWindowParent* const previousFloatingParent = fFloatingParent;
    TFloatingWindowParent* created = nullptr;
    if (newParent && !newDock) {
        if (!fFloatingParent || fFloatingParent->ParentForm() != newParent) {
            created = new TFloatingWindowParent(newParent);
            fFloatingParent = created;
        }
        newParent = fFloatingParent;
    }
    // A floating parent made here that the bar never moved into goes again.
    auto dropCreated = [&] {
        if (created && parentWidget() != created) {
            fFloatingParent = previousFloatingParent;
            delete created;
        }
    };

    if (newParent == parentWidget()) {
        fDockedTo = newDock;
        UpdateFloatingList();
        return;
    }

    if (!fFloatingPosKnown && newParent && !newDock) {
        // First float: where the bar is now on screen, else at the form's corner.
        const QWidget* form = fFloatingParent->ParentForm();
        fFloatingPos = parentWidget() ? mapToGlobal(QPoint(0, 0)) : form->mapToGlobal(QPoint(0, 0));
    }

    // Handlers may delete the bar or the dock it goes to: nothing of either is touched then.
    QPointer<TCustomToolWindow> self(this);
    QPointer<TDock> newDockAlive(newDock);
    try {
        if (!fDestroying && newParent) {
            if (OnDockChanging) OnDockChanging(this);
            if (self && OnDockChangingEx) OnDockChangingEx(this, newDock);
            if (self && OnRecreating) OnRecreating(this);
        }
    } catch (...) {
        if (self) dropCreated();
        throw;
    }
    if (!self) return;
    if (newDock && !newDockAlive) {
        dropCreated();
        return;
    }

    ++fHidden;
    ++fDisableMoved;
    TDock* const oldDock = qobject_cast<TDock*>(parentWidget());
    QPointer<TDock> oldDockAlive(oldDock);
    QWidget* const oldParent = parentWidget();
    bool oldOpen = false, newOpen = false, boundsOpen = false, controlsOpen = false;
    try {
        UpdateVisibility();
        if (oldDock) {
            oldDock->BeginArrange();
            oldOpen = true;
        }
        if (newDock) {
            newDock->BeginArrange();
            newOpen = true;
        }
        ++fUpdatingBounds;
        boundsOpen = true;

        if (newParent) {
            DockChangingHidden(newDock);
            if (!self) {
                if (oldOpen && oldDockAlive) oldDockAlive->EndArrange();
                if (newOpen && newDockAlive) newDockAlive->EndArrange();
                return;
            }
            if (fLastOrientationKnown) ArrangeControlsAndSize(fLastOrientation, newDock, false);
        }
        fArrangeNeeded = true;
        BeginArrangeControls();
        controlsOpen = true;

        if (oldDock) {
            if (!fUseLastDock) oldDock->ChangeDockList(false, this);
            oldDock->ChangeVisibleList(this, true);
        }

        Reparent(newParent);
        fDockedTo = newDock;
        CalcNCArea();

        if (auto* old = qobject_cast<TFloatingWindowParent*>(oldParent); old && old != newParent) {
            if (fFloatingParent == old) fFloatingParent = nullptr;
            delete old;
        }

        if (newDock) {
            if (fUseLastDock) {
                SetLastDock(newDock);
                newDock->ChangeVisibleList(this, false);
            } else {
                newDock->ChangeDockList(true, this);
            }
        }
        UpdateFloatingList();

        controlsOpen = false;
        EndArrangeControls();
        if (newParent) {
            fLastOrientation = newDock ? newDock->Orientation() : doNone;
            fLastOrientationKnown = true;
        }
        boundsOpen = false;
        --fUpdatingBounds;
        newOpen = false;
        if (newDock) newDock->EndArrange();
        oldOpen = false;
        if (oldDock) oldDock->EndArrange();
    } catch (...) {
        // Close every bracket opened above, so the docks and the bar keep working.
        auto quietly = [](const std::function<void()>& f) {
            try {
                f();
            } catch (...) {
            }
        };
        if (controlsOpen) quietly([&] { EndArrangeControls(); });
        if (boundsOpen) --fUpdatingBounds;
        if (newOpen) quietly([&] { newDock->EndArrange(); });
        if (oldOpen) quietly([&] { oldDock->EndArrange(); });
        dropCreated();
        --fDisableMoved;
        --fHidden;
        quietly([&] { UpdateVisibility(); });
        throw;
    }

    --fDisableMoved;
    --fHidden;
    UpdateVisibility();
    if (parentWidget()) Moved();
    if (!fDestroying && newParent) {
        if (OnRecreated) OnRecreated(this);
        if (self && OnDockChanged) OnDockChanged(this);
    }
}

void TCustomToolWindow::Reparent(QWidget* newParent) {
    ++fInternalVisibility;
    struct Done {
        int& n;
        ~Done() { --n; }
    } done{fInternalVisibility};
    if (qobject_cast<TDock*>(newParent)) {
        // A floating bar's platform window cannot become a child: drop it first.
        if (isWindow() && windowHandle()) destroy();
        QWidget::setParent(newParent, Qt::Widget);
    } else if (newParent) {
        QWidget::setParent(newParent, Qt::Tool | Qt::FramelessWindowHint);
        setAttribute(Qt::WA_ShowWithoutActivating);
    } else {
        QWidget::setParent(nullptr);
    }
    // Qt shows a reparented widget hidden; the Visible property decides again.
    QWidget::setVisible(false);
}

void TCustomToolWindow::UpdateFloatingList() {
    if (Floating()) {
        if (!Contains(gFloatingBars, this)) gFloatingBars.push_back(this);
        ++fUpdatingBounds;
        setGeometry(QRect(fFloatingPos, size()));
        --fUpdatingBounds;
    } else {
        Remove(gFloatingBars, this);
    }
}

void TCustomToolWindow::DockGone(TDock* dock) {
    if (fDefaultDock == dock) fDefaultDock = nullptr;
    if (fLastDock == dock) fLastDock = nullptr;
    if (fDockedTo == dock) {
        // Docked bars are deleted by the dock right after this.
        fDockedTo = nullptr;
    }
    dock->ForgetBar(this);
}

void TCustomToolWindow::FloatingParentGone(TFloatingWindowParent* parent) {
    if (fFloatingParent == parent) fFloatingParent = nullptr;
    Remove(gFloatingBars, this);
}

// ---- layout ----

void TCustomToolWindow::Arrange() {
    ArrangeControlsAndSize(fDockedTo ? fDockedTo->Orientation() : doNone, fDockedTo, true);
}

void TCustomToolWindow::ArrangeControlsAndSize(TDockOrientation previous, TDock* targetDock,
                                               bool resize) {
    if (fArrangeControlsDisable > 0 || fDestroying || !parentWidget() || IsLoading(this)) {
        fArrangeNeeded = true;
        return;
    }
    fArrangeNeeded = false;
    ++fArrangeControlsDisable;
    struct Done {
        int& n;
        ~Done() { --n; }
    } done{fArrangeControlsDisable};
    QSize client = ArrangeControls(true, previous, targetDock);
    if (!resize) return;
    if (fDockedTo) {
        const bool vertical = fDockedTo->IsVertical();
        const int thickness = CurrentRowThickness();
        if (vertical)
            client.setWidth(std::max(client.width(), thickness));
        else
            client.setHeight(std::max(client.height(), thickness));
        // Stretching needs the dock's length: a floating bar has none.
        if (fFullSize) {
            const int along =
                vertical ? fDockedTo->height() - fDockedTo->NonClientHeight() - NonClientHeight()
                         : fDockedTo->width() - fDockedTo->NonClientWidth() - NonClientWidth();
            if (vertical)
                client.setHeight(along);
            else
                client.setWidth(along);
        }
    }
    const QSize outer(NonClientWidth() + client.width(), NonClientHeight() + client.height());
    if (outer != size()) {
        ++fUpdatingBounds;
        struct Bounds {
            int& n;
            ~Bounds() { --n; }
        } b{fUpdatingBounds};
        SetBounds(QRect(pos(), outer));
    }
}

int TCustomToolWindow::CurrentRowThickness() {
    if (fDockedTo) {
        fDockedTo->BuildRowSizes();
        return fDockedTo->RowSize(fDockRow, this);
    }
    return RowThickness(doNone);
}

void TCustomToolWindow::BeginArrangeControls() {
    ++fArrangeControlsDisable;
}

void TCustomToolWindow::EndArrangeControls() {
    if (fArrangeControlsDisable <= 0) return;
    if (--fArrangeControlsDisable == 0 && fArrangeNeeded) Arrange();
}

void TCustomToolWindow::MoveOnScreen(bool onlyIfFullyOffscreen) {
    if (!Floating()) return;
    const QRect r = geometry();
    const QRect moved = MoveRectOnScreen(r, WorkAreaOfRect(r), onlyIfFullyOffscreen);
    if (moved != r) SetBounds(moved);
}

void TCustomToolWindow::Loaded() {
    if (Floating()) {
        // Bounds given while the form was built are relative to the form.
        if (QWidget* form = ToolWindowParentForm()) {
            const QRect r(form->mapToGlobal(geometry().topLeft()), size());
            SetBounds(r);
        }
        MoveOnScreen(false);
    }
    InitializeOrdering();
    Arrange();
}

// ---- frame ----

TDragHandleInfo TCustomToolWindow::DragHandle() const {
    return DragHandleInfo(fCloseButtonWhenDocked, fDragHandleStyle);
}

TInsets TCustomToolWindow::DockedNCAreaSize(bool vertical) const {
    return DockedNCInsets(vertical, true, DragHandle());
}

TInsets TCustomToolWindow::FloatingNCAreaSize() const {
    return FloatingNCInsets(FloatingFrameSize(), SmallCaptionHeight(), fShowCaption);
}

QSize TCustomToolWindow::AddDockedNCSize(QSize clientSize, bool vertical) const {
    const TInsets in = DockedNCAreaSize(vertical);
    return {clientSize.width() + in.Width(), clientSize.height() + in.Height()};
}

QSize TCustomToolWindow::AddFloatingNCSize(QSize clientSize) const {
    const TInsets in = FloatingNCAreaSize();
    return {clientSize.width() + in.Width(), clientSize.height() + in.Height()};
}

void TCustomToolWindow::CalcNCArea() {
    TInsets in;
    if (fDockedTo)
        in = DockedNCInsets(fDockedTo->IsVertical(), fDockedTo->AllowDrag(), DragHandle());
    else if (Floating())
        in = FloatingNCAreaSize();
    update();
    if (in == fInsets) return;
    fInsets = in;
    setContentsMargins(in.Left, in.Top, in.Right, in.Bottom);
    Arrange();
}

void TCustomToolWindow::RequestDockedNCPaint() {
    if (!fDockedTo || !isVisible()) return;
    update(QRegion(rect()).subtracted(QRegion(contentsRect())));
}

void TCustomToolWindow::RequestFloatingNCPaint(std::uint8_t parts) {
    if (!Floating() || !isVisible() || parts == 0) return;
    // Requests collapse: the parts add up until the paint, which draws only those.
    fPendingParts |= parts;
    const TFloatingFrame f = FloatingFrame();
    QRegion region;
    for (TFrameParts part : {fpFrame, fpCaption, fpCloseButton})
        if (parts & part) region += FloatingPartRect(f, part);
    update(region.subtracted(QRegion(contentsRect())));
}

TFrameMetrics TCustomToolWindow::FrameMetrics() const {
    return {FloatingFrameSize(), SmallCaptionHeight()};
}

TDockedFrame TCustomToolWindow::DockedFrame() const {
    TDockedFrame f;
    f.Window = size();
    f.Vertical = fDockedTo && fDockedTo->IsVertical();
    f.AllowDrag = !fDockedTo || fDockedTo->AllowDrag();
    f.Handle = DragHandle();
    f.Style = fDragHandleStyle;
    f.CloseButtonWhenDocked = fCloseButtonWhenDocked;
    f.ClosePressed = fClosePressed;
    f.Border = fBorderStyle;
    f.Color = fColor;
    f.Background = fDockedTo && fDockedTo->HasBackground() && fDockedTo->BackgroundOnToolbars();
    return f;
}

TFloatingFrame TCustomToolWindow::FloatingFrame() const {
    TFloatingFrame f;
    f.Window = size();
    f.Metrics = FrameMetrics();
    f.ShowCaption = fShowCaption;
    f.CloseButton = fCloseButton;
    f.ClosePressed = fClosePressed;
    f.InactiveCaption = fInactiveCaption;
    return f;
}

THitTest TCustomToolWindow::HitTest(QPoint p) const {
    if (fDockedTo) return DockedHitTest(p, DockedFrame());
    if (Floating()) return FloatingHitTest(p, FloatingFrame());
    return htClient;
}

namespace {

void PaintFills(QPainter& painter, const TFillList& fills, const QWidget* w, TDock* dock,
                const QWidget* tileFor) {
    for (const TFill& f : fills) {
        if (f.Kind == fkBackground && dock)
            dock->PaintBackground(painter, f.Rect, dock->TileOriginFor(tileFor));
        else
            painter.fillRect(f.Rect, Resolve(f.Color, w));
    }
}

QFont CaptionFont() {
    QFont font(QStringLiteral("Sans Serif"));
    font.setPixelSize(11);
    font.setWeight(QFont::Normal);
    return font;
}

} // namespace

void TCustomToolWindow::PaintNonClient(QPainter& painter, std::uint8_t parts) {
    if (fDockedTo) {
        PaintFills(painter, DockedFrameFills(DockedFrame()), this, fDockedTo, this);
        return;
    }
    if (!Floating()) return;
    const QFont font = CaptionFont();
    const QFontMetrics metrics(font);
    const TFramePlan plan =
        FloatingFramePlan(FloatingFrame(), parts, windowTitle(),
                          [&](const QString& text) { return metrics.horizontalAdvance(text); });
    PaintFills(painter, plan.Fills, this, nullptr, this);
    if (plan.HasText) {
        painter.save();
        painter.setFont(font);
        painter.setPen(Resolve(plan.TextColor, this));
        painter.setClipRect(plan.TextRect, Qt::IntersectClip);
        painter.drawText(plan.TextRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                         plan.Text);
        painter.restore();
    }
}

void TCustomToolWindow::PaintClientBackground(QPainter& painter) {
    const QRect client = contentsRect();
    if (fDockedTo && fDockedTo->HasBackground() && fDockedTo->BackgroundOnToolbars())
        fDockedTo->PaintBackground(painter, client, fDockedTo->TileOriginFor(this));
    else
        painter.fillRect(client, Resolve(fColor, this));
}

// ---- visibility ----

QWidget* TCustomToolWindow::ToolWindowParentForm() const {
    QWidget* p = parentWidget();
    if (!p) return nullptr;
    if (auto* fp = qobject_cast<TFloatingWindowParent*>(p)) return fp->ParentForm();
    return p->window();
}

QWidget* TCustomToolWindow::RequireParentForm() const {
    QWidget* form = ToolWindowParentForm();
    if (!form) {
        const std::string pattern = SParentRequired;
        const std::string name = objectName().toLocal8Bit().toStdString();
        const auto at = pattern.find("%s");
        throw EInvalidOperation(pattern.substr(0, at) + name + pattern.substr(at + 2));
    }
    return form;
}

bool TCustomToolWindow::ShouldBeVisible() const {
    if (!fVisible || fHidden > 0 || !parentWidget()) return false;
    if (!Floating()) return true;
    if (fFloatingMode == fmOnTopOfParentForm) {
        const QWidget* form = ToolWindowParentForm();
        if (!form || !form->isVisible() || form->isMinimized()) return false;
    }
    if (fHideWhenInactive && !AppHasActiveWindow()) return false;
    return true;
}

void TCustomToolWindow::UpdateVisibility() {
    const bool inactive = Floating() && !fHideWhenInactive && !AppHasActiveWindow();
    if (inactive != fInactiveCaption) {
        fInactiveCaption = inactive;
        RequestFloatingNCPaint(fpCaption);
    }
    if (ShouldBeVisible() != !isHidden()) ShowingChanged();
}

void TCustomToolWindow::ApplyShown(bool shown) {
    ++fInternalVisibility;
    QWidget::setVisible(shown);
    --fInternalVisibility;
}

namespace {

// A control that takes typed text when clicked.
bool TakesTyping(const QWidget* w) {
    return w->isEnabled() && w->testAttribute(Qt::WA_InputMethodEnabled) &&
           (w->focusPolicy() & Qt::ClickFocus) == Qt::ClickFocus;
}

QWidget* FindActivationCandidate(const QWidget* except) {
    QWidget* topmost = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w == except || !w->isVisible() || !w->isEnabled()) continue;
        if (qobject_cast<TCustomToolWindow*>(w)) continue;
        const bool onTop =
            w->windowHandle() && (w->windowHandle()->flags() & Qt::WindowStaysOnTopHint);
        if (!onTop) return w;
        if (!topmost) topmost = w;
    }
    return topmost;
}

} // namespace

void TCustomToolWindow::ShowingChanged() {
    const bool v = ShouldBeVisible();
    if (!v) fMapping = false;
    if (Floating()) {
        if (v) {
            create();
            if (QWindow* win = windowHandle()) {
                QWidget* form = ToolWindowParentForm();
                if (fFloatingMode == fmOnTopOfAllForms)
                    win->setTransientParent(nullptr);
                else if (form && form->windowHandle())
                    win->setTransientParent(form->windowHandle());
            }
            // A window manager minimises the bar with its form, and the bar keeps that state
            // while hidden; shown with it, the bar would be mapped minimised and take the form
            // down with it again.
            if (windowState() & Qt::WindowMinimized)
                setWindowState(windowState() & ~Qt::WindowMinimized);
            if (QWindow* win = windowHandle(); win && (win->windowStates() & Qt::WindowMinimized))
                win->setWindowStates(win->windowStates() & ~Qt::WindowMinimized);
            // A click leaves the bar inactive; presses reach its window before its controls
            // (WindowPressed). The first exposure ends the mapping (WindowExposed).
            if (QWindow* win = windowHandle()) {
                fMapping = !win->isExposed();
                win->installEventFilter(this);
                if (QApplication::activeWindow() != this) {
                    fTypingField = nullptr;
                    AcceptFocus(false);
                }
            }
            UpdateTopmost();
        }
        fFloatingParent->SetShouldShow(v);
    }
    const bool wasActive = !v && isActiveWindow() && isWindow();
    ApplyShown(v);
    if (Floating() && v) {
        // The transient hint is set again once the window exists on the platform.
        if (QWindow* win = windowHandle(); win && fFloatingMode == fmOnTopOfAllForms)
            win->setTransientParent(nullptr);
    }
    if (wasActive)
        if (QWidget* c = FindActivationCandidate(this)) c->activateWindow();
}

void TCustomToolWindow::ActivationChanged() {
    if (QApplication::activeWindow() != this) {
        // A modal window (a box the typing in the field opened) has the keyboard only while it
        // shows; the window manager then gives it to the form, which does not know the field.
        const QWidget* to = QApplication::activeWindow();
        if (fTypingField && (QApplication::activeModalWidget() || (to && to->isModal()))) {
            fFieldBeforeModal = fTypingField;
            if (QWidget* form = ToolWindowParentForm()) form->installEventFilter(this);
        }
        fTypingField = nullptr;
        AcceptFocus(false);
        return;
    }
    // Typing belongs to the form, but for a text field of the bar that the user pressed.
    if (fTypingField) return;
    if (fFieldBeforeModal && !QApplication::activeModalWidget()) {
        ReturnTyping();
        return;
    }
    if (QWidget* to = isVisible() ? ToolWindowParentForm() : FindActivationCandidate(this))
        to->activateWindow();
}

void TCustomToolWindow::WindowPressed(QPoint at) {
    // The window manager leaves a clicked bar inactive: a text field pressed asks for the
    // keyboard itself, and Qt gives it the focus.
    for (QWidget* w = childAt(at); w && w != this; w = w->parentWidget()) {
        if (!TakesTyping(w)) continue;
        fTypingField = w;
        AcceptFocus(true);
        if (QApplication::activeWindow() != this) activateWindow();
        return;
    }
}

void TCustomToolWindow::ReturnTyping() {
    QWidget* field = fFieldBeforeModal;
    fFieldBeforeModal = nullptr;
    if (QWidget* form = ToolWindowParentForm()) form->removeEventFilter(this);
    if (!field || !Floating() || !isVisible() || !isAncestorOf(field) || !field->isVisible() ||
        !TakesTyping(field))
        return;
    fTypingField = field;
    AcceptFocus(true);
    field->setFocus(Qt::ActiveWindowFocusReason);
    if (QApplication::activeWindow() != this) activateWindow();
}

void TCustomToolWindow::AcceptFocus(bool accept) {
    QWindow* win = windowHandle();
    if (!win || !Floating()) return;
    if (bool(win->flags() & Qt::WindowDoesNotAcceptFocus) != accept) return;
    win->setFlag(Qt::WindowDoesNotAcceptFocus, !accept);
}

void TCustomToolWindow::UpdateTopmost() {
    if (!Floating()) return;
    QWindow* win = windowHandle();
    if (!win) return;
    bool wanted;
    if (fFloatingMode == fmOnTopOfAllForms) {
        wanted = isEnabled();
    } else {
        const QWidget* form = ToolWindowParentForm();
        wanted = form && form->windowHandle() &&
                 (form->windowHandle()->flags() & Qt::WindowStaysOnTopHint);
    }
    const Qt::WindowFlags flags = win->flags();
    if (wanted != bool(flags & Qt::WindowStaysOnTopHint))
        win->setFlags(flags ^ Qt::WindowStaysOnTopHint);
    fTopmost = wanted;
}

void TCustomToolWindow::Moved() {
    if (!IsLoading(this) && fDisableMoved == 0) DoMoved();
}

// ---- event handlers ----

void TCustomToolWindow::paintEvent(QPaintEvent* e) {
    GuardHandler([&] {
        // Only requested parts when nothing else needs painting.
        std::uint8_t parts = fpAll;
        if (fPendingParts && Floating()) {
            const TFloatingFrame f = FloatingFrame();
            QRegion requested;
            for (TFrameParts part : {fpFrame, fpCaption, fpCloseButton})
                if (fPendingParts & part) requested += FloatingPartRect(f, part);
            if (e->region().subtracted(requested).isEmpty()) parts = fPendingParts;
        }
        fPendingParts = 0;
        QPainter p(this);
        PaintNonClient(p, parts);
        if (e->region().intersects(contentsRect())) PaintClientBackground(p);
    });
}

void TCustomToolWindow::moveEvent(QMoveEvent*) {
    GuardHandler([&] {
        fMoved = true;
        if (fDockedTo && fDockedTo->HasBackground()) {
            RequestDockedNCPaint();
            update();
        }
        if (Floating() && fUpdatingBounds == 0 && !fMapping && !IsLoading(this)) {
            fFloatingPos = pos();
            fFloatingPosKnown = true;
        }
        Moved();
    });
}

void TCustomToolWindow::resizeEvent(QResizeEvent*) {
    GuardHandler([&] {
        if (fDockedTo && fUpdatingBounds == 0) fDockedTo->ArrangeBars(false);
        if (OnResize && !IsLoading(this)) OnResize(this);
    });
}

void TCustomToolWindow::changeEvent(QEvent* e) {
    GuardHandler([&] {
        switch (e->type()) {
        case QEvent::EnabledChange:
            if (fFloatingMode == fmOnTopOfAllForms) UpdateTopmost();
            break;
        case QEvent::PaletteChange:
            RequestDockedNCPaint();
            update();
            break;
        case QEvent::WindowTitleChange:
            RequestFloatingNCPaint(fpCaption);
            break;
        case QEvent::ActivationChange:
            if (Floating()) ActivationChanged();
            break;
        default:
            break;
        }
    });
    QWidget::changeEvent(e);
}

void TCustomToolWindow::WindowExposed() {
    // While a window manager maps a bar, Qt may take the frame it reparents the bar into for the
    // bar's place (the screen's corner) and learn no better: the bar is placed again where it
    // was put, so Qt's idea of it, and what moves, sizes and docks it from there, is right.
    if (!fMapping || !windowHandle()->isExposed()) return;
    fMapping = false;
    if (!Floating() || pos() == fFloatingPos) return;
    ++fUpdatingBounds;
    setGeometry(QRect(fFloatingPos, size()));
    --fUpdatingBounds;
}

bool TCustomToolWindow::eventFilter(QObject* object, QEvent* e) {
    if (e->type() == QEvent::Expose && object == windowHandle())
        GuardHandler([&] { WindowExposed(); });
    // The form active again as a modal window goes: once that is through, the field that had
    // the typing takes it back.
    if (e->type() == QEvent::WindowActivate && fFieldBeforeModal &&
        object == ToolWindowParentForm()) {
        QPointer<TCustomToolWindow> self(this);
        QMetaObject::invokeMethod(
            this,
            [self] {
                GuardHandler([&] {
                    if (self && self->fFieldBeforeModal && !QApplication::activeModalWidget())
                        self->ReturnTyping();
                });
            },
            Qt::QueuedConnection);
    }
    if ((e->type() == QEvent::MouseButtonPress || e->type() == QEvent::MouseButtonDblClick) &&
        object == windowHandle() && Floating())
        GuardHandler([&] { WindowPressed(static_cast<QMouseEvent*>(e)->position().toPoint()); });
    return QWidget::eventFilter(object, e);
}

void TCustomToolWindow::closeEvent(QCloseEvent* e) {
    // The bar does not close itself: the request goes to its form.
    e->ignore();
    if (fClosing) return;
    fClosing = true;
    GuardHandler([&] {
        if (QWidget* form = ToolWindowParentForm()) form->close();
    });
    fClosing = false;
}

void TCustomToolWindow::keyPressEvent(QKeyEvent* e) {
    if (Floating() && fFloatingParent && fFloatingParent->DialogKey(e->key(), e->modifiers())) {
        e->accept();
        return;
    }
    QWidget::keyPressEvent(e);
}

void TCustomToolWindow::FireMouse(const TToolWindowMouseEvent& event, QMouseEvent* e) {
    if (!event) return;
    const QPoint p = e->position().toPoint() - contentsRect().topLeft();
    event(this, e->button(), e->modifiers(), p.x(), p.y());
}

void TCustomToolWindow::mousePressEvent(QMouseEvent* e) {
    e->accept();
    QPointer<TCustomToolWindow> self(this);
    GuardHandler([&] {
        if (Floating()) {
            raise();
            QWidget* form = ToolWindowParentForm();
            if (fFloatingMode == fmOnTopOfParentForm && fActivateParent && form &&
                QApplication::activeWindow() != this)
                form->activateWindow();
        }
        const QPoint at = e->position().toPoint();
        const THitTest hit = HitTest(at);
        if (hit == htClient) {
            FireMouse(OnMouseDown, e);
            if (!self) return;
        }
        if (e->button() != Qt::LeftButton || ToolWindowTracking()) return;
        const QPoint global = e->globalPosition().toPoint();
        if (IsSizingHit(hit)) {
            if (Floating()) BeginSizing(SizingHandleOf(hit), at, global);
            return;
        }
        if (hit == htClose) {
            TrackCloseButton();
            return;
        }
        if (hit != htClient) return;
        if (QWidget* child = childAt(at); child && child->isVisible() && !ChildIsTransparent(child))
            return;
        if (fDockedTo && !fDockedTo->AllowDrag()) return;
        BeginMoving(at, global, e->modifiers());
    });
}

void TCustomToolWindow::mouseDoubleClickEvent(QMouseEvent* e) {
    e->accept();
    QPointer<TCustomToolWindow> self(this);
    GuardHandler([&] {
        const QPoint at = e->position().toPoint();
        if (HitTest(at) != htClient) return;
        FireMouse(OnMouseDown, e);
        if (!self || e->button() != Qt::LeftButton) return;
        if (QWidget* child = childAt(at); child && child->isVisible() && !ChildIsTransparent(child))
            return;
        if (fDockedTo && !fDockedTo->AllowDrag()) return;
        // The first click's drop is the double click's to decide.
        fDropTimer.stop();
        // Reparenting the bar inside its own event is left to the next turn of the loop.
        QMetaObject::invokeMethod(
            this,
            [self] {
                GuardHandler([&] {
                    if (self) self->DoubleClicked();
                });
            },
            Qt::QueuedConnection);
    });
}

void TCustomToolWindow::DoubleClicked() {
    if (fDockedTo) {
        if (fDockMode != dmCanFloat) return;
        QPointer<TCustomToolWindow> self(this);
        SetParent(RequireParentForm());
        if (self) MoveOnScreen(true);
    } else if (Floating()) {
        if (fLastDock) {
            SetDockedTo(fLastDock);
        } else if (fDefaultDock) {
            fDockRow = 0;
            fDockPos = -8;
            SetDockedTo(fDefaultDock);
        }
    }
}

void TCustomToolWindow::mouseMoveEvent(QMouseEvent* e) {
    e->accept();
    GuardHandler([&] {
        const THitTest hit = HitTest(e->position().toPoint());
        if (e->buttons() == Qt::NoButton) {
            if (hit == htLeft || hit == htRight)
                setCursor(Qt::SizeHorCursor);
            else if (hit == htTop || hit == htBottom)
                setCursor(Qt::SizeVerCursor);
            else
                unsetCursor();
        }
        if (hit == htClient) FireMouse(OnMouseMove, e);
    });
}

void TCustomToolWindow::mouseReleaseEvent(QMouseEvent* e) {
    e->accept();
    GuardHandler([&] {
        if (HitTest(e->position().toPoint()) == htClient) FireMouse(OnMouseUp, e);
    });
}

void TCustomToolWindow::contextMenuEvent(QContextMenuEvent* e) {
    if (fPopupMenu) {
        fPopupMenu->popup(e->globalPos());
        e->accept();
    } else {
        QWidget::contextMenuEvent(e);
    }
}

void TCustomToolWindow::SetClosePressed(bool pressed) {
    if (pressed == fClosePressed) return;
    fClosePressed = pressed;
    if (fDockedTo)
        RequestDockedNCPaint();
    else
        RequestFloatingNCPaint(fpCloseButton);
}

// ---- hooks ----

void ToolWindowHookCallback(THookCode code, const THookPayload& payload) {
    // Bars may float, dock or die from inside UpdateVisibility's handlers: walk a copy.
    std::vector<QPointer<TCustomToolWindow>> bars(gFloatingBars.begin(), gFloatingBars.end());
    switch (code) {
    case hcActivateAppSent:
        for (auto& bar : bars)
            if (bar) bar->UpdateVisibility();
        break;
    case hcWindowPosChangedSent: {
        if (!(payload.PosFlags & (wpShown | wpHidden | wpStateChanged))) break;
        auto* h = qobject_cast<QWidget*>(payload.Window);
        if (!h) break;
        for (auto& bar : bars) {
            if (!bar || bar->FloatingMode() != fmOnTopOfParentForm) continue;
            const QWidget* form = bar->ToolWindowParentForm();
            if (form && (form == h || h->isAncestorOf(form))) bar->UpdateVisibility();
        }
        break;
    }
    case hcBeforeDestroy:
        for (auto& bar : bars) {
            if (!bar || !bar->windowHandle()) continue;
            QWindow* win = bar->windowHandle();
            if (static_cast<QObject*>(win->transientParent()) != payload.Surface) continue;
            QWindow* owner = nullptr;
            if (QWidget* p = bar->parentWidget())
                if (QWidget* top = p->window();
                    top && top->windowHandle() &&
                    static_cast<QObject*>(top->windowHandle()) != payload.Surface)
                    owner = top->windowHandle();
            win->setTransientParent(owner);
        }
        break;
    case hcMouseMovePosted:
        break;
    }
}

// ============================ TFloatingWindowParent ============================

TFloatingWindowParent::TFloatingWindowParent(QWidget* form) : QWidget(form), fParentForm(form) {
    setObjectName(
        QStringLiteral("DockFloatingParent_%1")
            .arg(reinterpret_cast<quintptr>(this), int(sizeof(void*) * 2), 16, QLatin1Char('0')));
    setGeometry(0, 0, 0, 0);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    QWidget::setVisible(false);
}

TFloatingWindowParent::~TFloatingWindowParent() {
    // Its bars die with it (they are its children) and must not free it again.
    for (TCustomToolWindow* bar : findChildren<TCustomToolWindow*>(Qt::FindDirectChildrenOnly))
        bar->FloatingParentGone(this);
}

bool TFloatingWindowParent::DialogKey(int key, Qt::KeyboardModifiers modifiers) {
    if (key != Qt::Key_Escape ||
        (modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier)))
        return false;
    if (!fParentForm) return false;
    fParentForm->activateWindow();
    fParentForm->setFocus(Qt::OtherFocusReason);
    return true;
}

} // namespace fprn::toolbars
