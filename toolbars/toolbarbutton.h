#pragma once
// Toolbar buttons on Qt.
//
// TToolbarButton is a flat button for toolbars (23x22 by default): its border shows while the
// pointer is over it (one hot button per process, left within 125 ms of the pointer leaving), a
// glyph strip or an image of a list, an optional caption with its & accelerator, group (radio)
// behaviour, auto-repeat, a drop-down menu from the whole button or from a separate arrow part,
// Default/Cancel keys and a modal result for dialogs. It may be bound to a QAction (text, enabled,
// visible, hint, checked as Down; a click triggers it); TCustomAction adds ImageIndex and
// HelpContext. Handlers may close or delete the button's form: nothing of the button is touched
// after it is gone.
#include "buttonglyph.h"
#include "buttonmodel.h"
#include "hookregistry.h"
#include "tcolor.h"

#include <QAction>
#include <QImage>
#include <QMenu>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

namespace fprn::toolbars {

// An action with the image and help context a toolbar button takes from it. Hint is "short|long":
// the tool tip and the status tip.
class TCustomAction : public QAction {
    Q_OBJECT
public:
    explicit TCustomAction(QObject* parent = nullptr) : QAction(parent) {}
    int ImageIndex() const { return fImageIndex; }
    void SetImageIndex(int value);
    int HelpContext() const { return fHelpContext; }
    void SetHelpContext(int value);
    QString Hint() const { return fHint; }
    void SetHint(const QString& value);

private:
    int fImageIndex = -1;
    int fHelpContext = 0;
    QString fHint;
};

enum TButtonDisplayMode : std::uint8_t { dmBoth, dmGlyphOnly, dmTextOnly };

class TToolbarButton;
using TButtonNotifyEvent = std::function<void(TToolbarButton* Sender)>;
using TButtonDropdownEvent =
    std::function<void(TToolbarButton* Sender, bool& ShowMenu, bool& RemoveClicks)>;
using TButtonMouseEvent = std::function<void(TToolbarButton* Sender, Qt::MouseButton Button,
                                             Qt::KeyboardModifiers Shift, int X, int Y)>;

// Binds a button to an action: the button follows the action's changes, a click triggers it.
class TToolbarButtonActionLink : public QObject {
    Q_OBJECT
public:
    TToolbarButtonActionLink(TToolbarButton* client, QAction* action);
    TToolbarButton* Client() const { return fClient; }
    QAction* Action() const { return fAction; }
    void Execute();

private:
    TToolbarButton* fClient;
    QPointer<QAction> fAction;
};

class TToolbarButton : public QWidget {
    Q_OBJECT
public:
    explicit TToolbarButton(QWidget* parent = nullptr);
    ~TToolbarButton() override;

    // ---- properties ----
    QAction* Action() const;
    void SetAction(QAction* value);
    TAlignment Alignment() const { return fAlignment; }
    void SetAlignment(TAlignment value);
    bool AllowAllUp() const { return fModel.AllowAllUp; }
    void SetAllowAllUp(bool value);
    bool Cancel() const { return fCancel; }
    void SetCancel(bool value);
    QString Caption() const { return fCaption; }
    void SetCaption(const QString& value);
    TColor Color() const { return fColor; }
    void SetColor(TColor value);
    bool Default() const { return fDefault; }
    void SetDefault(bool value);
    TButtonDisplayMode DisplayMode() const { return fDisplayMode; }
    void SetDisplayMode(TButtonDisplayMode value);
    bool Down() const { return fModel.Down; }
    // Without a GroupIndex the button stays up; a down button without AllowAllUp stays down.
    void SetDown(bool value);
    bool DropdownAlways() const { return fDropdownAlways; }
    void SetDropdownAlways(bool value);
    bool DropdownArrow() const { return fDropdownArrow; }
    void SetDropdownArrow(bool value);
    int DropdownArrowWidth() const { return fModel.DropdownArrowWidth; }
    // At least 7; a combo button's width follows the change.
    void SetDropdownArrowWidth(int value);
    bool DropdownCombo() const { return fModel.DropdownCombo; }
    // Widens the button by the arrow part (DropdownArrowWidth + 2), or narrows it again.
    void SetDropdownCombo(bool value);
    QMenu* DropdownMenu() const { return fDropdownMenu; }
    void SetDropdownMenu(QMenu* value);
    bool Flat() const { return fModel.Flat; }
    void SetFlat(bool value);
    const QImage& Glyph() const { return fGlyph.Glyph(); }
    // A strip of 1 to 5 images side by side: Up, Disabled, Pressed, Down, Hot.
    void SetGlyph(const QImage& value);
    const QImage& GlyphMask() const { return fGlyph.GlyphMask(); }
    void SetGlyphMask(const QImage& value);
    int GroupIndex() const { return fModel.GroupIndex; }
    void SetGroupIndex(int value);
    int HelpContext() const { return fHelpContext; }
    void SetHelpContext(int value) { fHelpContext = value; }
    // "short|long": the tool tip and the status tip.
    QString Hint() const { return fHint; }
    void SetHint(const QString& value);
    bool HighlightWhenDown() const { return fHighlightWhenDown; }
    void SetHighlightWhenDown(bool value);
    int ImageIndex() const { return fGlyph.ImageIndex(); }
    void SetImageIndex(int value);
    TImageList* Images() const { return fGlyph.Images(); }
    void SetImages(TImageList* value);
    TButtonLayout Layout() const { return fLayout; }
    void SetLayout(TButtonLayout value);
    int Margin() const { return fMargin; }
    // Values below -1 are ignored.
    void SetMargin(int value);
    int ModalResult() const { return fModalResult; }
    void SetModalResult(int value) { fModalResult = value; }
    bool NoBorder() const { return fNoBorder; }
    void SetNoBorder(bool value);
    int NumGlyphs() const { return fGlyph.NumGlyphs(); }
    // 0 becomes 1, above 5 becomes 5.
    void SetNumGlyphs(int value);
    bool OldDisabledStyle() const { return fGlyph.OldDisabledStyle(); }
    void SetOldDisabledStyle(bool value);
    bool Opaque() const { return fOpaque; }
    void SetOpaque(bool value);
    bool Repeating() const { return fModel.Repeating; }
    void SetRepeating(bool value) { fModel.Repeating = value; }
    int RepeatDelay() const { return fModel.RepeatDelay; }
    void SetRepeatDelay(int value) { fModel.RepeatDelay = value; }
    int RepeatInterval() const { return fModel.RepeatInterval; }
    void SetRepeatInterval(int value) { fModel.RepeatInterval = value; }
    bool ShowBorderWhenInactive() const { return fShowBorderWhenInactive; }
    void SetShowBorderWhenInactive(bool value) { fShowBorderWhenInactive = value; }
    int Spacing() const { return fSpacing; }
    void SetSpacing(int value);
    const char* Version() const;
    void SetVersion(const char*) {}
    bool WordWrap() const { return fWordWrap; }
    void SetWordWrap(bool value);

    TButtonState State() const { return fModel.State; }
    bool MouseInControl() const { return fModel.MouseInControl; }
    bool UsesDropdown() const { return fModel.UsesDropdown; }

    // ---- events ----
    TButtonNotifyEvent OnClick;
    TButtonNotifyEvent OnDblClick; // only while Down
    TButtonDropdownEvent OnDropdown;
    TButtonNotifyEvent OnMouseEnter;
    TButtonNotifyEvent OnMouseExit;
    TButtonMouseEvent OnMouseDown;
    TButtonMouseEvent OnMouseMove;
    TButtonMouseEvent OnMouseUp;

    // The click: group toggle, the drop-down or the modal result, then OnClick or the action.
    void Click();
    // Copies the button's caption, state and hint into the action, Down into Checked.
    void AssignTo(TCustomAction* action) const;
    // Takes the action's values (checkDefaults: only over values still at their defaults).
    void ActionChange(bool checkDefaults);

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    friend struct TButtonTestSeam;
    friend void ButtonHookCallback(THookCode code, const THookPayload& payload);

    // Carries out the model's effects in order; false once the button is gone.
    bool Run(const TButtonEffects& effects, QMouseEvent* e = nullptr);
    void RequestRepaint();
    void Press(QMouseEvent* e);
    void HotTrackEntry(QPoint global);
    void StopHotTracking();
    void EndHot();
    void HoverTick();
    void RepeatTick();
    void SyncRepeatTimer();
    void SyncGroup();
    void Dropdown();
    void InheritedClick();
    void ApplyModalResult();
    void UpdateUsesDropdown();
    void UpdateShortcuts();
    void PaletteChanged();
    bool CanTakeKeys() const;

    TButtonModel fModel;
    TButtonGlyph fGlyph;
    QTimer fRepeatTimer; // stopped, never freed, inside its own tick
    bool fCaptured = false;
    QPoint fLastPos;
    std::unique_ptr<TToolbarButtonActionLink> fLink;
    QPointer<QMenu> fDropdownMenu;
    TAlignment fAlignment = taCenter;
    bool fCancel = false;
    bool fDefault = false;
    QString fCaption;
    TColor fColor = colors::clBtnFace;
    TButtonDisplayMode fDisplayMode = dmBoth;
    bool fDropdownAlways = false;
    bool fDropdownArrow = true;
    int fHelpContext = 0;
    QString fHint;
    bool fHighlightWhenDown = true;
    TButtonLayout fLayout = blGlyphLeft;
    int fMargin = -1;
    int fModalResult = 0;
    bool fNoBorder = false;
    bool fOpaque = true;
    bool fShowBorderWhenInactive = false;
    int fSpacing = 4;
    bool fWordWrap = false;
    int fMnemonicId = 0;
    int fReturnId = 0;
    int fEnterId = 0;
    int fEscapeId = 0;
};

// The buttons' timers and counters, for tests and benchmarks: they fire the hover and repeat
// ticks without waiting.
struct TButtonTestSeam {
    static TToolbarButton* HotButton();
    static bool HoverActive();
    static void FireHover();
    static bool RepeatActive(const TToolbarButton* button);
    static int RepeatInterval(const TToolbarButton* button);
    static void FireRepeat(TToolbarButton* button);
    // Repaints asked for by all buttons so far.
    static long Repaints();
    // Puts a button into a state for pictures of it.
    static void Show(TToolbarButton* button, TButtonState state, bool mouseInControl,
                     bool menuIsDown = false);
};

} // namespace fprn::toolbars
