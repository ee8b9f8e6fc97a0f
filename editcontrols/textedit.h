#pragma once
// TInplaceTextEdit: the base edit with a real single-line text window. The base edit's own
// QLineEdit is that window: it holds the text, the selection, the text limit, the modified flag
// and the undo history.
//
// Nothing can be dragged out of or dropped onto the edit, and the edit never holds anything but
// plain text. Every way text comes in other than typing (the paste keys, the context menu,
// a middle click, an input-method commit) goes through PasteMessage, which descendants check.
#include "inplaceedit.h"

#include <QPointer>

#include <optional>

class QMenu;

namespace fprn::editcontrols {

// The popup menu a widget shows on a right click. A text edit shows none of its own when it or
// any of its parents has one (or asks for a custom or action menu through its context-menu
// policy).
void SetPopupMenu(QWidget* widget, QMenu* menu);
QMenu* PopupMenu(const QWidget* widget);

class TInplaceTextEdit : public TInplaceEdit {
    Q_OBJECT
public:
    explicit TInplaceTextEdit(QWidget* parent = nullptr);
    ~TInplaceTextEdit() override;

    // What a text limit of 0 stands for: the window's own default.
    static constexpr int kDefaultTextLimit = 32767;

    bool AutoSelect() const { return fAutoSelect; }
    void SetAutoSelect(bool value) { fAutoSelect = value; }
    // Off: the selection stays (and shows) while the edit has no focus.
    bool HideSelection() const { return fHideSelection; }
    void SetHideSelection(bool value);
    int MaxLength() const { return fMaxLength; }
    // Records the value as set explicitly, then ChangeMaxLength.
    void SetMaxLength(int value);

    // The window text. Writing it fires OnChange when the text differs.
    virtual QString Text() const { return text(); }
    virtual void SetText(const QString& value);
    // Sets the text as a value: no change event, the undo history is emptied.
    virtual void SetEditValue(const QString& value);

    virtual int SelStart() const;
    virtual int SelLength() const;
    virtual QString SelText() const;
    virtual void SetSelStart(int pos);
    virtual void SetSelLength(int count);
    void GetSel(int& start, int& end) const;
    void SetSel(int start, int end);
    // Copies at most `count` characters of the selection; returns how many.
    int GetSelTextBuf(QString& buffer, int count) const;
    int TextLength() const { return static_cast<int>(text().size()); }

    void SelectAll() override;
    bool HasEditWindow() const override { return true; }
    bool GetModified() const override { return isModified(); }
    void SetModified(bool value) override { setModified(value); }
    void SetReadOnlyValue(bool value) override {
        TInplaceEdit::SetReadOnlyValue(value);
        setReadOnly(value);
    }

    void CutToClipboard() {
        Guard([this] { CutMessage(); });
    }
    void CopyToClipboard() { copy(); }
    void PasteFromClipboard() {
        Guard([this] { PasteMessage(); });
    }
    void ClearSelection() {
        Guard([this] { ClearMessage(); });
    }
    void EditUndo() { undo(); }
    void EditRedo() { redo(); }
    // The history cannot be emptied without resetting the text; the text stays as it is.
    void EmptyUndoBuffer();
    bool CanUndo() const { return isUndoAvailable(); }
    bool CanRedo() const { return isRedoAvailable(); }
    bool CanPaste() const;
    // Caret after the last character.
    void CaretToEnd() { end(false); }

    // The right-click menu, built on first use; tests look at it.
    QMenu* EditContextMenu();
    // Sets the enabled states as they are shown before the menu opens.
    void UpdateEditContextMenu();

    bool DrawContent(QPainter& painter, const QRect& rect, const TEditViewData& data,
                     bool ownWindow) const override;

    TNotifyEvent OnSelectionChange;

protected:
    virtual void ApplyCharCase() {}
    virtual void ApplyTextLimit(int limit);
    virtual bool UsesOleCallback() const { return false; }
    virtual void SelectionChanged();
    virtual void ChangeMaxLength(int limit);
    virtual int DefaultMaxLength() const { return 0; }

    // The text a paste inserts: the pending text of a middle click or an input-method commit,
    // otherwise the clipboard. Only its first line counts.
    QString PasteSource() const;
    // Inserts PasteSource over the selection when the edit may change.
    void PasteMessage() override;
    void CutMessage() override;
    void ClearMessage() override;
    // Replaces the selection with `text` as one step of the undo history.
    void InsertAsOneStep(const QString& text);
    // Routes `text` through PasteMessage.
    void PasteText(const QString& text);

    void KeyDown(int& key, Qt::KeyboardModifiers shift) override;
    void DoEnter() override;
    void TextChanged() override;
    bool IsAssigning() const { return fAssigningText; }
    // Sets the window text without losing characters to the text limit.
    void SetWindowText(const QString& value);

    void focusOutEvent(QFocusEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void inputMethodEvent(QInputMethodEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dropEvent(QDropEvent* e) override;

private:
    void SetWindowLimit(int limit);
    void CloseUndoStep();
    void MenuClick(int tag);
    void ReportSelection();

    QMenu* fEditMenu = nullptr;
    std::optional<QString> fPendingPaste;
    int fMaxLength = 0;
    int fLastSelStart = -1;
    int fLastSelLength = -1;
    bool fAssigningText = false;
    bool fQuietSelection = false;
    bool fAutoSelect = true;
    bool fHideSelection = true;
};

// The captions of the edit menu, in menu order without separators (Undo, Redo, Cut, Copy,
// Paste, Delete, Select All).
QString TextEditMenuCaption(int index);

} // namespace fprn::editcontrols
