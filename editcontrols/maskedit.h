#pragma once
// TInplaceMaskEdit: the text edit with an optional edit mask (see maskengine.h for the mask
// format). Unmasked, Text is the window text and the clipboard passes through to the text edit,
// except that the paste keys post a paste request to the edit itself. Masked, every key,
// paste, cut and clear goes through the mask, and leaving the edit with a required position
// empty is refused.
//
// The mask is this library's own; the window's input mask is never used.
#include "maskengine.h"
#include "textedit.h"

#include <stdexcept>

namespace fprn::editcontrols {

// Leaving a masked edit with a required position empty.
class EDBEditError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

inline constexpr const char* kMaskInvalidInputText =
    "Invalid input value.  Use escape key to abandon changes";

class TInplaceMaskEdit : public TInplaceTextEdit {
    Q_OBJECT
public:
    explicit TInplaceMaskEdit(QWidget* parent = nullptr);

    bool IsMasked() const { return fMask.IsMasked(); }
    QString EditMask() const { return QString::fromStdString(fMask.Mask()); }
    void SetEditMask(const QString& mask) { ChangeEditMask(mask); }
    const editcontrols::EditMask& Mask() const { return fMask; }
    bool IgnoreBlanks() const { return fIgnoreBlanks; }
    void SetIgnoreBlanks(bool value) { fIgnoreBlanks = value; }
    // The blank character shown in empty input positions.
    char32_t BlankChar() const { return fMask.Blank(); }

    // Masked: the input characters (and, when the mask saves them, the literals), blanks as
    // spaces. Unmasked: the window text.
    QString Text() const override;
    void SetText(const QString& value) override;

    void ValidateEdit() override;

protected:
    virtual void ChangeEditMask(const QString& mask);
    virtual QString DefaultEditMask() const { return {}; }
    int DefaultMaxLength() const override;
    void ApplyTextLimit(int limit) override;
    bool UsesOleCallback() const override {
        return TInplaceTextEdit::UsesOleCallback() || IsMasked();
    }

    void KeyDown(int& key, Qt::KeyboardModifiers shift) override;
    void KeyPress(QChar& key) override;
    void PasteMessage() override;
    void CutMessage() override;
    void ClearMessage() override;
    void DoEnter() override;
    void TextChanged() override;

    void focusInEvent(QFocusEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

    // Mask positions of the window text (code points), and the caret shown as a one-character
    // selection of the input position.
    int MaskSelStart() const;
    int MaskSelLength() const;
    void SetMaskCaret(int pos, int length);
    // Moves an empty selection onto the next input position.
    void ReplaceCaret();
    void ApplyMaskResult(const MaskEditResult& result);

private:
    std::u32string WindowText() const;

    editcontrols::EditMask fMask;
    bool fIgnoreBlanks = false;
    bool fReentering = false;
    bool fFixing = false;
};

// The standalone mask edit for forms: 121 x 21 pixels at creation, a tab stop, auto-size, and
// Enter validates a masked text.
class TMaskEdit : public TInplaceMaskEdit {
    Q_OBJECT
public:
    using TInplaceMaskEdit::TInplaceMaskEdit;
    bool IsInplace() const override { return false; }
};

} // namespace fprn::editcontrols
