#pragma once
// Tool windows on Qt.
//
// TCustomToolWindow is the base of every bar: docked, it is a child of a dock (dock.h); floating, a
// frameless tool window whose parent is its TFloatingWindowParent, a hidden zero-size child of
// the form, so the form is its transient parent and takes it along. Its frame is its contents
// margins. Descendants lay out their controls through the virtuals (RowThickness,
// MinimumClientSize, ArrangeControls) and hooks below.
//
// Conventions (besides the docks' own, dock.h):
// - Bars are reparented only through SetParent / SetDockedTo (QWidget::setParent bypasses the
//   docks). The Visible property (setVisible, show, hide) is the bar's own wish; whether its
//   window is shown also depends on its dock, form and the application (ShouldBeVisible).
// - Arrangement uses the Visible property, never isVisible(), which is false until the form
//   shows.
#include "dock.h"
#include "dockframe.h"

#include <QMenu>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <vector>

namespace fprn::toolbars {

class TFloatingWindowParent;

enum TToolWindowDockMode : std::uint8_t { dmCanFloat, dmCannotFloat, dmCannotFloatOrChangeDocks };
enum TToolWindowFloatingMode : std::uint8_t { fmOnTopOfParentForm, fmOnTopOfAllForms };

using TToolWindowNotifyEvent = std::function<void(TCustomToolWindow* Sender)>;
// Mouse events of a bar: button, modifiers, position in its client area.
using TToolWindowMouseEvent = std::function<void(TCustomToolWindow* Sender, Qt::MouseButton Button,
                                                 Qt::KeyboardModifiers Shift, int X, int Y)>;
using TCloseQueryEvent = std::function<void(TCustomToolWindow* Sender, bool& CanClose)>;
using TDockChangingExEvent = std::function<void(TCustomToolWindow* Sender, TDock* DockingTo)>;

// The dock position of the tool window holding `control` (its parent chain up to the first tool
// window): that dock's Position, or kNotDocked when it floats or there is none.
int DockPositionOfControl(const QWidget* control);

// While a bar is moved or sized: the outline window (a frameless window on top, masked to the
// outline's ring), else nullptr. For tests and benchmarks.
QWidget* DragOutlineWindow();
// Whether a move, a size or a press of a close button is being tracked.
bool ToolWindowTracking();

// The tool window parameters a descendant answers once, at construction; the behaviour built
// here is that of the false values.
struct TToolWindowParams {
    bool UseBaseAlign = false;
    bool EightZoneSizing = false;
    bool ConfineCursorWhileSizing = false;
};

class TCustomToolWindow : public QWidget {
    Q_OBJECT
public:
    // Parent it afterwards with SetParent or SetDockedTo (the layout virtuals cannot run from a
    // constructor).
    TCustomToolWindow();
    ~TCustomToolWindow() override;

    // A TDock docks the bar, a form floats it over that form, nullptr detaches it. Anything else
    // is refused. Event handlers may throw: every bracket opened is closed before the error
    // passes on.
    void SetParent(QWidget* newParent);

    // ---- properties ----
    bool ActivateParent() const { return fActivateParent; }
    void SetActivateParent(bool value) { fActivateParent = value; }
    TBorderStyle BorderStyle() const { return fBorderStyle; }
    void SetBorderStyle(TBorderStyle value);
    bool CloseButton() const { return fCloseButton; }
    void SetCloseButton(bool value);
    bool CloseButtonWhenDocked() const { return fCloseButtonWhenDocked; }
    void SetCloseButtonWhenDocked(bool value);
    TColor Color() const { return fColor; }
    void SetColor(TColor value);
    TDock* DefaultDock() const { return fDefaultDock; }
    void SetDefaultDock(TDock* value) { fDefaultDock = value; }
    TDockableTo DockableTo() const { return fDockableTo; }
    void SetDockableTo(TDockableTo value) { fDockableTo = value; }
    TDock* DockedTo() const { return fDockedTo; }
    // A dock docks the bar there; nullptr floats it over its form.
    void SetDockedTo(TDock* value);
    TToolWindowDockMode DockMode() const { return fDockMode; }
    void SetDockMode(TToolWindowDockMode value) { fDockMode = value; }
    int DockPos() const { return fDockPos; }
    void SetDockPos(int value);
    int DockRow() const { return fDockRow; }
    void SetDockRow(int value);
    TDragHandleStyle DragHandleStyle() const { return fDragHandleStyle; }
    void SetDragHandleStyle(TDragHandleStyle value);
    TToolWindowFloatingMode FloatingMode() const { return fFloatingMode; }
    void SetFloatingMode(TToolWindowFloatingMode value);
    bool FullSize() const { return fFullSize; }
    void SetFullSize(bool value);
    bool HideWhenInactive() const { return fHideWhenInactive; }
    void SetHideWhenInactive(bool value) { fHideWhenInactive = value; }
    TDock* LastDock() const { return fLastDock; }
    void SetLastDock(TDock* value);
    bool ShowCaption() const { return fShowCaption; }
    void SetShowCaption(bool value);
    bool UseLastDock() const { return fUseLastDock; }
    void SetUseLastDock(bool value);
    const char* Version() const;
    void SetVersion(const char*) {}
    bool Visible() const { return fVisible; }
    void setVisible(bool visible) override;

    bool Docked() const { return fDockedTo != nullptr; }
    bool Floating() const;
    TFloatingWindowParent* FloatingParent() const { return fFloatingParent; }
    // Screen position of the floating bar, kept while docked.
    QPoint FloatingPosition() const { return fFloatingPos; }
    bool InactiveCaption() const { return fInactiveCaption; }
    const TToolWindowParams& ToolWindowParams() const { return fParams; }

    // Bounds through the bar's rules (SizeChanging first, floating position recorded).
    void SetBounds(const QRect& bounds);

    // ---- events ----
    TToolWindowNotifyEvent OnClose;
    TCloseQueryEvent OnCloseQuery;
    TToolWindowNotifyEvent OnDockChanged;
    TToolWindowNotifyEvent OnDockChanging;
    TDockChangingExEvent OnDockChangingEx;
    TDockChangingExEvent OnDockChangingHidden;
    TToolWindowNotifyEvent OnMove;
    TToolWindowNotifyEvent OnRecreated;
    TToolWindowNotifyEvent OnRecreating;
    TToolWindowNotifyEvent OnResize;
    TToolWindowNotifyEvent OnVisibleChanged;
    TToolWindowMouseEvent OnMouseDown;
    TToolWindowMouseEvent OnMouseMove;
    TToolWindowMouseEvent OnMouseUp;

    QString Caption() const { return windowTitle(); }
    void SetCaption(const QString& value) { setWindowTitle(value); }
    QMenu* PopupMenu() const { return fPopupMenu; }
    void SetPopupMenu(QMenu* value) { fPopupMenu = value; }

    // ---- layout virtuals for descendants ----
    // The bar's client thickness across a row of a dock of that orientation.
    virtual int RowThickness(TDockOrientation orientation) = 0;
    virtual QSize MinimumClientSize() = 0;
    // Lays out the child controls for the target dock (nullptr: floating) and answers the client
    // size this needs; moves controls only when canMove.
    virtual QSize ArrangeControls(bool canMove, TDockOrientation previous, TDock* target) = 0;
    virtual void SizeChanging(int newWidth, int newHeight);

    // ---- hooks ----
    virtual bool ChildIsTransparent(QWidget* control);
    virtual void DockChangingHidden(TDock* newDock);
    virtual void DoMoved();
    virtual void GetToolWindowParams(TToolWindowParams& params);
    virtual void InitializeOrdering();
    virtual void SizingBegin(int sizeHandle);
    virtual void SizingEnd(bool accepted);
    virtual void SizingTrack(QRect& rect, const QRect& startRect);

    // ---- operations ----
    void Arrange();
    void ArrangeControlsAndSize(TDockOrientation previous, TDock* targetDock, bool resize);
    int CurrentRowThickness();
    void BeginArrangeControls();
    // An end without a begin is ignored.
    void EndArrangeControls();
    void MoveOnScreen(bool onlyIfFullyOffscreen);
    bool ShouldBeVisible() const;
    void UpdateVisibility();
    void UpdateTopmost();
    QWidget* ToolWindowParentForm() const;
    // Throws "Control '%s' has no parent window" (the object name) without a form.
    QWidget* RequireParentForm() const;
    void Loaded();

    // ---- frame ----
    // Docked insets always include the handle; the frame in use follows the dock's AllowDrag.
    TInsets DockedNCAreaSize(bool vertical) const;
    TInsets FloatingNCAreaSize() const;
    QSize AddDockedNCSize(QSize clientSize, bool vertical) const;
    QSize AddFloatingNCSize(QSize clientSize) const;
    TInsets NCInsets() const { return fInsets; }
    int NonClientWidth() const { return fInsets.Width(); }
    int NonClientHeight() const { return fInsets.Height(); }
    TDragHandleInfo DragHandle() const;
    // Recomputes the frame (contents margins) and rearranges when it changed.
    void CalcNCArea();
    void RequestDockedNCPaint();
    void RequestFloatingNCPaint(std::uint8_t parts);
    // Parts requested since the last paint.
    std::uint8_t PendingFrameParts() const { return fPendingParts; }
    TFrameMetrics FrameMetrics() const;
    TDockedFrame DockedFrame() const;
    TFloatingFrame FloatingFrame() const;
    // What a point in the bar's coordinates means.
    THitTest HitTest(QPoint p) const;
    bool ClosePressed() const { return fClosePressed; }

protected:
    // Paints the frame band (outside contentsRect()): docked, the border, handle and close
    // button; floating, the parts asked for of the raised frame, the caption and its close button.
    virtual void PaintNonClient(QPainter& painter, std::uint8_t parts);
    // The pointer of a running move or size, in screen pixels (what SizingTrack follows).
    QPoint TrackingPointer() const { return fTrackingPointer; }
    // Ends a move or size of this bar without calling back into it (a dying bar).
    void CancelTracking();
    // Paints the client background: the dock's background when shared, else the colour.
    virtual void PaintClientBackground(QPainter& painter);
    bool Destroying() const { return fDestroying; }
    int UpdatingBounds() const { return fUpdatingBounds; }
    // Asks GetToolWindowParams again (a descendant's answer, after construction).
    void RefreshToolWindowParams() { GetToolWindowParams(fParams); }

    void paintEvent(QPaintEvent* e) override;
    void moveEvent(QMoveEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void changeEvent(QEvent* e) override;
    // Watches presses reaching the floating bar's window before its controls see them.
    bool eventFilter(QObject* object, QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;

private:
    friend class TDock;
    friend class TFloatingWindowParent;
    friend class TToolWindowTracker;

    // The three loops the frame starts; `at` is the press in the bar's coordinates, `global` on
    // the screen.
    void BeginMoving(QPoint at, QPoint global, Qt::KeyboardModifiers modifiers);
    void BeginSizing(int handle, QPoint at, QPoint global);
    void TrackCloseButton();
    void FinishDrag(TDock* target, const QRect& outline);
    // The drop of a move that ended where it began, once the double-click time has passed
    // without a double click.
    void DeferDrop(TDock* target, bool hasTarget, const QRect& outline);
    void DeferredDrop();
    void DoubleClicked();
    void SetClosePressed(bool pressed);
    void FireMouse(const TToolWindowMouseEvent& event, QMouseEvent* e);
    friend void ToolWindowHookCallback(THookCode code, const THookPayload& payload);

    void Reparent(QWidget* newParent);
    void ApplyShown(bool shown);
    void ShowingChanged();
    void ActivationChanged();
    void WindowPressed(QPoint at);
    void ReturnTyping();
    void WindowExposed();
    // Whether the window manager may give the floating bar's window the keyboard.
    void AcceptFocus(bool accept);
    void UpdateFloatingList();
    void Moved();
    void DockGone(TDock* dock);
    void FloatingParentGone(TFloatingWindowParent* parent);

    // Properties
    bool fActivateParent = true;
    TBorderStyle fBorderStyle = bsSingle;
    bool fCloseButton = true;
    bool fCloseButtonWhenDocked = false;
    TColor fColor = colors::clBtnFace;
    TDock* fDefaultDock = nullptr;
    TDockableTo fDockableTo = kAllDockPositions;
    TDock* fDockedTo = nullptr;
    TToolWindowDockMode fDockMode = dmCanFloat;
    int fDockPos = -1;
    int fDockRow = 0;
    TDragHandleStyle fDragHandleStyle = dhDouble;
    TToolWindowFloatingMode fFloatingMode = fmOnTopOfParentForm;
    bool fFullSize = false;
    bool fHideWhenInactive = true;
    TDock* fLastDock = nullptr;
    bool fShowCaption = true;
    bool fUseLastDock = true;
    bool fVisible = true;

    // State
    TToolWindowParams fParams;
    TDockOrientation fLastOrientation = doNone;
    bool fLastOrientationKnown = false;
    int fUpdatingBounds = 0;
    int fArrangeControlsDisable = 0;
    int fDisableMoved = 0;
    int fHidden = 0;
    bool fArrangeNeeded = false;
    bool fMoved = false;
    bool fInactiveCaption = false;
    bool fTopmost = false;
    bool fDestroying = false;
    bool fClosing = false;
    int fInternalVisibility = 0;
    QPoint fFloatingPos;
    bool fFloatingPosKnown = false;
    TInsets fInsets;
    TFloatingWindowParent* fFloatingParent = nullptr;
    QPointer<QMenu> fPopupMenu;
    bool fClosePressed = false;
    std::uint8_t fPendingParts = 0;
    QPoint fTrackingPointer;
    QTimer fDropTimer;
    QPointer<TDock> fDropTarget;
    bool fDropHasTarget = false;
    QRect fDropOutline;
    // The text field pressed since the floating bar was last active: it keeps the typing.
    QPointer<QWidget> fTypingField;
    // The text field that had the typing when a modal window took the keyboard: it gets it
    // back once the form is active again.
    QPointer<QWidget> fFieldBeforeModal;
    // From a floating bar's showing until its window is first exposed: the window manager is
    // mapping it, and the places Qt reports meanwhile are not where the bar is.
    bool fMapping = false;
};

// The hidden parent of a floating bar, a zero-size child of the bar's form.
class TFloatingWindowParent : public QWidget {
    Q_OBJECT
public:
    explicit TFloatingWindowParent(QWidget* form);
    ~TFloatingWindowParent() override;

    QWidget* ParentForm() const { return fParentForm; }
    bool ShouldShow() const { return fShouldShow; }
    void SetShouldShow(bool value) { fShouldShow = value; }
    // Escape without modifiers activates the form and is consumed.
    bool DialogKey(int key, Qt::KeyboardModifiers modifiers);

private:
    QPointer<QWidget> fParentForm;
    bool fShouldShow = false;
};

// The floating bars of the process, in the order they floated.
const std::vector<TCustomToolWindow*>& FloatingToolWindows();

} // namespace fprn::toolbars
