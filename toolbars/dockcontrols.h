#pragma once
// Toolbar controls on Qt.
//
// TButtonGlyph turns a button's glyph strip (or one image of an image list), its optional mask and
// the button state into a finished image kept in the process's shared glyph lists, lays out glyph,
// caption and drop-down arrow in the button, and draws them. TImageList is the minimal image list
// a button may take its glyph from.
//
// TToolbarButton is a flat button for toolbars (23x22 by default): its border shows while the
// pointer is over it (one hot button per process, left within 125 ms of the pointer leaving), a
// glyph strip or an image of a list, an optional caption with its & accelerator, group (radio)
// behaviour, auto-repeat, a drop-down menu from the whole button or from a separate arrow part,
// Default/Cancel keys and a modal result for dialogs. It may be bound to a QAction (text, enabled,
// visible, hint, checked as Down; a click triggers it); TCustomAction adds ImageIndex and
// HelpContext. Handlers may close or delete the button's form: nothing of the button is touched
// after it is gone.
#include "buttonmodel.h"
#include "glyphimage.h"
#include "hookregistry.h"
#include "tcolor.h"

#include <QAction>
#include <QImage>
#include <QMenu>
#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

class QPainter;
class QPalette;

namespace fprn::toolbars {

enum TAlignment : std::uint8_t { taLeftJustify, taRightJustify, taCenter };

// Images of one size with their transparency; tells its users when its contents change.
class TImageList : public QObject {
    Q_OBJECT
public:
    TImageList(int width, int height, QObject* parent = nullptr);
    int Width() const { return fWidth; }
    int Height() const { return fHeight; }
    int Count() const { return static_cast<int>(fImages.size()); }
    // Images must have the list's size ("Invalid image size" otherwise).
    int Add(const QImage& image);
    void Replace(int index, const QImage& image);
    void Delete(int index);
    void Clear();
    const QImage& Image(int index) const { return fImages.at(static_cast<std::size_t>(index)); }

signals:
    void Changed();

private:
    QImage Checked(const QImage& image) const;
    int fWidth;
    int fHeight;
    std::vector<QImage> fImages;
};

// The button colours of a palette.
TGlyphColors GlyphColorsOf(const QPalette& palette);

class TButtonGlyph {
public:
    TButtonGlyph();
    ~TButtonGlyph();
    TButtonGlyph(const TButtonGlyph&) = delete;
    TButtonGlyph& operator=(const TButtonGlyph&) = delete;

    const QImage& Glyph() const { return fSource; }
    void SetGlyph(const QImage& value);
    // White pixels are transparent.
    const QImage& GlyphMask() const { return fMaskImage; }
    void SetGlyphMask(const QImage& value);
    int NumGlyphs() const { return fNumGlyphs; }
    void SetNumGlyphs(int value);
    TImageList* Images() const { return fImages; }
    void SetImages(TImageList* value);
    int ImageIndex() const { return fImageIndex; }
    void SetImageIndex(int value);
    bool OldDisabledStyle() const { return fOldDisabledStyle; }
    void SetOldDisabledStyle(bool value);
    // The colours images are built with; a change drops the built images.
    const TGlyphColors& Colors() const { return fColors; }
    void SetColors(const TGlyphColors& value);

    // Runs when anything that changes the look changed (the button repaints).
    std::function<void()> OnChange;

    // Frees every built image's slot and returns both lists to the cache.
    void DropImages();
    // The list and slot of the state's image, built on first use; slot -1: nothing to draw.
    std::pair<TGlyphList*, int> BuildStateImage(TButtonState state);
    // Slot of a built image in list 0 (disabled) or 1 (other states), -1 when not built.
    int BuiltSlot(int list, TButtonState state) const;
    TGlyphList* List(int list) const { return fLists[static_cast<std::size_t>(list)]; }
    // One image's size: the image list's, else the strip's slice; empty without a glyph.
    QSize GlyphSize() const;

    void DrawGlyphImage(QPainter& painter, QPoint position, TButtonState state);
    // Text in the painter's pen colour; disabled: highlight one pixel down-right, then shadow.
    void DrawCaption(QPainter& painter, const QString& caption, const QRect& bounds,
                     TButtonState state, TAlignment alignment, bool wordWrap);
    void DrawDropdownArrow(QPainter& painter, int x, TButtonState state, int arrowWidth, int y);
    // Lays out and draws glyph, caption and arrow; answers the layout used.
    TContentLayout DrawContent(QPainter& painter, const QRect& client, TButtonState state,
                               int arrowWidth, bool showArrow, int spacing, int margin,
                               TButtonLayout layout, TAlignment alignment, bool wordWrap,
                               const QString& caption, bool showText, bool showGlyph,
                               QPoint offset);

private:
    void SourceChanged(bool sourceBitmap);
    void DeriveGlyphCount();

    QImage fSource;
    QImage fMaskImage;
    TBitMask fMask;
    QPointer<TImageList> fImages;
    QMetaObject::Connection fImagesChanged;
    QMetaObject::Connection fImagesGone;
    int fImageIndex = -1;
    int fNumGlyphs = 1;
    bool fOldDisabledStyle = false;
    QRgb fTransparentColor = 0;
    TGlyphColors fColors;
    std::array<TGlyphList*, 2> fLists{nullptr, nullptr};
    std::array<std::array<int, 5>, 2> fIndex;
};

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
