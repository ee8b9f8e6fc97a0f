#pragma once
// TInplaceEdit: the base of every edit of the library. It is a QLineEdit without a frame whose
// border, drop shadow and hot tracking it draws itself around the text area; the text area is the
// widget's contents rectangle and the widget mask cuts the window to what is drawn.
//
// Conventions for descendants and users:
// - Events are public std::function members named after the event (OnChange, OnValidate, ...);
//   an empty function is an unassigned event. Sender is the edit itself.
// - Text crossing this interface outside the widget's own text is UTF-8 std::string.
// - Virtual hooks carry the names the descendants override (KeyDown, KeyPress, ValidateEdit,
//   GetEditValue, DrawContent, CreateViewData, HasEditWindow, ...). C++ constructors cannot call
//   down to a descendant: the shape is computed when the widget is polished, or by calling
//   UpdateShape() at the end of a descendant's constructor.
// - No exception leaves an event handler: handlers catch at the boundary (Guard) and report
//   through ShowEditError (an EEditInvalidInput after its focus has gone back to the edit).
//   Descendants wrap their own slots and handlers in Guard as well.
// - Focus: entry and exit (DoEnter/DoExit, OnEnter/OnExit, the exit check) follow the user's
//   moves (Tab, Backtab, mouse, programmatic focus), not window deactivation or popups. A refused
//   exit sends the focus back through a zero-delay timer; meanwhile other edits the focus passes
//   through neither enter nor exit.
// - Keys: one QKeyEvent is the key phase (KeyDown, may consume or replace the key) and then the
//   character phase (KeyPress on the event's single character, may drop or replace it). A
//   consumed key produces no character, so no pending character needs discarding.
// - Every edit this system creates is standalone: 121 x 21 pixels at creation and a tab stop.
#include "borderpaint.h"
#include "editstate.h"
#include "editstyle.h"

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QLineEdit>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <string>

class QPainter;

namespace fprn::editcontrols {

class TInplaceEdit;

using TNotifyEvent = std::function<void(TInplaceEdit* Sender)>;
// Accept = false refuses the value on exit; ErrorText becomes the message shown.
using TEditValidateEvent =
    std::function<void(TInplaceEdit* Sender, std::string& ErrorText, bool& Accept)>;
// Key = 0 drops the key (no editing, no character).
using TKeyEvent = std::function<void(TInplaceEdit* Sender, int& Key, Qt::KeyboardModifiers Shift)>;
// Key = '\0' drops the character.
using TKeyPressEvent = std::function<void(TInplaceEdit* Sender, QChar& Key)>;

// The default beep; tests replace it to count beeps. Returns the previous hook.
void EditBeep();
std::function<void()> SetEditBeepHook(std::function<void()> hook);
// The application's error box; the default shows a critical message box captioned with the
// application name. Returns the previous hook.
void ShowEditError(const std::string& message);
std::function<void(const std::string&)>
SetEditErrorHook(std::function<void(const std::string&)> hook);

// Per-paint data; descendants extend it (CreateViewData).
class TEditViewData {
public:
    virtual ~TEditViewData() = default;

    bool Enabled = true;
    bool Focused = false;
    bool Hot = false;
    TColor BorderColor = kDefaultBorderColor;
    TEditBorderStyle BorderStyle = kDefaultBorderStyle; // raised when hot and hot-tracking
    TEditEdges Edges = kDefaultEdges;
    bool Shadow = false;
    TRect Bounds;
    TAlignment Alignment = taLeftJustify;
    QFont Font;
    QBrush Brush;
    QColor BackgroundColor;
    QColor TextColor;
    bool HasEditWindow = false;
    QString Value; // the text to show (GetEditValue)
    int TextLength = 0;
    std::optional<Qt::CursorShape> Cursor; // the edit's own cursor, if one was set
    QPalette Palette;                      // resolves system colours when drawing

    TBorderData Border() const;
};

class TInplaceEdit : public QLineEdit, public TEditStyleLink {
    Q_OBJECT
public:
    explicit TInplaceEdit(QWidget* parent = nullptr);
    ~TInplaceEdit() override;

    // ---- style ----
    TEditStyle& Style() { return *fStyle; }
    const TEditStyle& Style() const { return *fStyle; }
    // The edit keeps its own style object and copies the values.
    void SetStyle(const TEditStyle& value) { fStyle->Assign(value); }
    TEditStyleController* StyleController() const override { return fStyleController; }
    void SetStyleController(TEditStyleController* value);
    // Re-shape and repaint.
    void StyleChanged() override;

    // ---- properties ----
    TAlignment Alignment() const { return fAlignment; }
    void SetAlignment(TAlignment value);
    bool AutoSize() const { return fAutoSize && !IsInplace(); }
    void SetAutoSize(bool value);
    bool ReadOnly() const;
    void SetReadOnly(bool value);
    TStoredValues StoredValues() const { return fStoredValues; }
    void SetStoredValues(TStoredValues value) { fStoredValues = value; }
    void AddStoredValue(TStoredValues bit) { fStoredValues |= bit; }
    std::optional<Qt::CursorShape> Cursor() const { return fCursor; }
    void SetCursor(std::optional<Qt::CursorShape> cursor);

    bool Active() const { return fActivation.Active(); }
    bool Hot() const { return fHot; }
    const TActivation& Activation() const { return fActivation; }

    // ---- overridable behaviour ----
    virtual bool IsInplace() const { return true; }
    virtual bool HasEditWindow() const { return false; }
    virtual bool GetModified() const { return fModified; }
    virtual void SetModified(bool value) { fModified = value; }
    virtual bool CanModify() const { return !ReadOnly(); }
    virtual bool CanEdit() const { return !ReadOnly(); }
    virtual bool IsEditingKey(int key, Qt::KeyboardModifiers shift) const;
    virtual bool IsFocused() const;
    virtual bool IsHot() const;
    virtual bool PaintsInactive() const { return !isEnabled(); }
    virtual TAlignment DefaultAlignment() const { return taLeftJustify; }
    virtual bool DefaultReadOnly() const { return false; }
    // Text back to what it was at the last focus entry (Escape).
    virtual void Undo();
    virtual void SelectAll() {}
    virtual void RestoreDefaults();
    // Runs OnValidate when modified; a refusal beeps, sends the focus back and throws
    // EEditInvalidInput with the error text.
    virtual void ValidateEdit();
    // Change notification; descendants call it when their text changes. An exception from
    // OnChange is reported, not thrown, since this runs inside the line edit's signals.
    virtual void Change();
    // The text to show; the painting flag lets a descendant show a display text.
    virtual QString GetEditValue(bool forPainting) const;

    // ---- painting ----
    // Descendants with their own view data class create it and call FillViewData.
    virtual std::unique_ptr<TEditViewData> CreateViewData(bool forPainting) const;
    void FillViewData(TEditViewData& data, bool forPainting) const;
    // Fills the content; returns true when it painted. The base fills with the view data's brush.
    // `ownWindow` is set when the call paints the edit's own window, which a descendant with an
    // edit window paints itself.
    virtual bool DrawContent(QPainter& painter, const QRect& rect, const TEditViewData& data,
                             bool ownWindow) const;
    // Content height for auto-size.
    virtual int GetAutoHeight(const TEditViewData& data) const;
    virtual Qt::CursorShape GetViewCursor(const TEditViewData& data) const;
    TEditViewInfo CalcViewInfo(const TEditViewData& data, bool autoSize) const;
    // Paints a copy of the edit (border and content) as the data describe it.
    void Draw(QPainter& painter, const TEditViewData& data) const;
    static void DrawBorder(QPainter& painter, const TEditViewInfo& info, const TEditViewData& data);
    // Geometry, margins and mask from the current style; auto-size sets the height.
    void UpdateShape();
    // Re-shape when hot tracking or button transparence depends on hot or focus.
    void HotTrackUpdate();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // ---- events ----
    TNotifyEvent OnChange;
    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;
    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;
    TEditValidateEvent OnValidate;
    TKeyEvent OnKeyDown;
    TKeyPressEvent OnKeyPress;

protected:
    // Key phase of a key press: Escape undoes; editing keys are dropped when the edit may not
    // change; then OnKeyDown. Set key to 0 to consume the key.
    virtual void KeyDown(int& key, Qt::KeyboardModifiers shift);
    // Character phase: Escape is dropped; typed characters are dropped on a read-only edit with
    // an edit window; then OnKeyPress. Set key to '\0' to drop the character.
    virtual void KeyPress(QChar& key);
    // Clipboard requests (from keys, menus or posted by descendants); the base lets them through
    // to the edit window only when the edit may change.
    virtual void PasteMessage();
    virtual void CutMessage();
    virtual void ClearMessage();
    // Queues PasteMessage, as a posted message would.
    void PostPasteMessage();
    // Focus entry and exit as the user sees them (not window deactivation or popups).
    virtual void DoEnter();
    virtual void DoExit();
    virtual void FocusEntered();
    virtual void FocusLeft();
    virtual void SetActive(bool value);
    virtual void SetAlignmentValue(TAlignment value);
    virtual void SetReadOnlyValue(bool value) { fReadOnly = value; }
    virtual void SetHot(bool value) { fHot = value; }
    // The edit's text changed (any cause).
    virtual void TextChanged();
    void StyleControllerFreed(TStyleController* controller) override;

    // Runs `body`; an exception is reported through ShowEditError instead of leaving.
    void Guard(const std::function<void()>& body);

    void paintEvent(QPaintEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void enterEvent(QEnterEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void changeEvent(QEvent* e) override;
    void inputMethodEvent(QInputMethodEvent* e) override;
    bool event(QEvent* e) override;

private:
    void ReturnFocusLater();
    // Passes a key to QLineEdit (edit window) or to the plain widget handling.
    void PassKey(QKeyEvent* e);

    std::unique_ptr<TEditStyle> fStyle;
    TEditStyleController* fStyleController = nullptr;
    TActivation fActivation;
    TAlignment fAlignment = taLeftJustify;
    TStoredValues fStoredValues = 0;
    std::optional<Qt::CursorShape> fCursor;
    bool fAutoSize = true;
    bool fModified = false;
    bool fReadOnly = false;
    bool fHot = false;
    bool fEntered = false;     // between a user-visible focus entry and a successful exit
    bool fFocusReturn = false; // a refused exit is sending the focus back
    bool fExiting = false;     // an exit handler moving the focus must not start another exit
    bool fInShape = false;     // UpdateShape resizes, which calls it again
    bool fDestroying = false;
};

} // namespace fprn::editcontrols
