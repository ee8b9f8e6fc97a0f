#include "maskedit.h"

#include "localeinfo.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>

#include <algorithm>

namespace fprn::editcontrols {

namespace {

CharClasses QtCharClasses() {
    return CharClasses{[](char32_t c) { return QChar::isLetter(c); },
                       [](char32_t c) { return QChar::toUpper(c); },
                       [](char32_t c) { return QChar::toLower(c); }};
}

// Code points before UTF-16 position `pos`, and back.
int ToCodePoints(const QString& text, int pos) {
    return static_cast<int>(text.left(pos).toStdU32String().size());
}

int ToUtf16(const QString& text, int codePoints) {
    const std::u32string all = text.toStdU32String();
    const auto n =
        static_cast<std::size_t>(std::clamp(codePoints, 0, static_cast<int>(all.size())));
    return static_cast<int>(QString::fromStdU32String(all.substr(0, n)).size());
}

bool IsPasteKey(int key, Qt::KeyboardModifiers shift) {
    return (key == Qt::Key_V && shift.testFlag(Qt::ControlModifier)) ||
           (key == Qt::Key_Insert && shift.testFlag(Qt::ShiftModifier));
}

} // namespace

TInplaceMaskEdit::TInplaceMaskEdit(QWidget* parent) : TInplaceTextEdit(parent) {}

std::u32string TInplaceMaskEdit::WindowText() const {
    return text().toStdU32String();
}

int TInplaceMaskEdit::MaskSelStart() const {
    return ToCodePoints(text(), SelStart());
}

int TInplaceMaskEdit::MaskSelLength() const {
    const int start = SelStart();
    return ToCodePoints(text(), start + SelLength()) - ToCodePoints(text(), start);
}

void TInplaceMaskEdit::SetMaskCaret(int pos, int length) {
    const QString t = text();
    const int start = ToUtf16(t, pos);
    const int end = ToUtf16(t, pos + length);
    if (end > start) {
        setSelection(end, start - end);
    } else {
        setCursorPosition(start);
    }
}

void TInplaceMaskEdit::ReplaceCaret() {
    if (!IsMasked() || SelLength() != 0) return;
    const int pos = fMask.NextInput(MaskSelStart());
    SetMaskCaret(pos, pos < fMask.Length() ? 1 : 0);
}

void TInplaceMaskEdit::ApplyMaskResult(const MaskEditResult& r) {
    if (r.beep) EditBeep();
    if (r.changed) {
        // One undoable edit of the whole text; it marks the edit modified.
        const QString t = QString::fromStdU32String(r.text);
        selectAll();
        InsertAsOneStep(t);
    }
    SetMaskCaret(r.selStart, r.selLength);
}

QString TInplaceMaskEdit::Text() const {
    if (!IsMasked()) return text();
    return QString::fromStdU32String(fMask.ReadText(WindowText()));
}

void TInplaceMaskEdit::SetText(const QString& value) {
    if (!IsMasked()) {
        TInplaceTextEdit::SetText(value);
        return;
    }
    const QString w = QString::fromStdU32String(fMask.WindowTextFor(value.toStdU32String()));
    if (w == text()) return;
    SetWindowText(w);
    ReplaceCaret();
}

void TInplaceMaskEdit::ChangeEditMask(const QString& mask) {
    if (mask.toStdString() == fMask.Mask()) return;
    const std::u32string kept = IsMasked() ? fMask.StripLiterals(WindowText()) : WindowText();
    const int oldPos = SelStart();
    fMask = editcontrols::EditMask(mask.toStdString(), LocaleSettings::Current(), QtCharClasses());
    ApplyTextLimit(MaxLength());
    SetWindowText(
        QString::fromStdU32String(IsMasked() ? fMask.InsertLiterals(kept, fMask.Blank()) : kept));
    if (hasFocus()) {
        setCursorPosition(std::clamp(oldPos, 0, TextLength()));
        ReplaceCaret();
    }
}

int TInplaceMaskEdit::DefaultMaxLength() const {
    return IsMasked() ? fMask.Length() : TInplaceTextEdit::DefaultMaxLength();
}

void TInplaceMaskEdit::ApplyTextLimit(int limit) {
    TInplaceTextEdit::ApplyTextLimit(IsMasked() && fMask.Length() > 0 ? fMask.Length() : limit);
}

void TInplaceMaskEdit::KeyDown(int& key, Qt::KeyboardModifiers shift) {
    // A masked, modified edit keeps Escape for itself (Undo), so no dialog sees it.
    const bool keepEscape = key == Qt::Key_Escape && IsMasked() && GetModified();
    if (IsPasteKey(key, shift)) {
        PostPasteMessage();
        key = 0;
        return;
    }
    if (IsMasked() && !shift.testFlag(Qt::AltModifier)) {
        const bool plain =
            !shift.testFlag(Qt::ShiftModifier) && !shift.testFlag(Qt::ControlModifier);
        const int start = MaskSelStart();
        const int length = MaskSelLength();
        switch (key) {
        case Qt::Key_Left:
            if (plain) {
                const int prev = fMask.PrevInput(start);
                SetMaskCaret(prev >= 0 ? prev : fMask.NextInput(0), 1);
                key = 0;
            }
            break;
        case Qt::Key_Right:
            if (plain) {
                const int next = fMask.NextInput(start + 1);
                SetMaskCaret(next, next < fMask.Length() ? 1 : 0);
                key = 0;
            }
            break;
        case Qt::Key_Up:
        case Qt::Key_Down:
            key = 0;
            break;
        case Qt::Key_Home:
        case Qt::Key_End: {
            const int target = key == Qt::Key_Home ? fMask.NextInput(0)
                                                   : std::max(fMask.PrevInput(fMask.Length()), 0);
            if (shift.testFlag(Qt::ShiftModifier)) {
                const int from = std::min(start, target);
                SetMaskCaret(from, std::max(start + length, target + 1) - from);
            } else {
                SetMaskCaret(target, target < fMask.Length() ? 1 : 0);
            }
            key = 0;
            break;
        }
        case Qt::Key_Delete:
        case Qt::Key_Backspace:
            if (key == Qt::Key_Backspace || plain) {
                if (CanModify() && CanEdit())
                    ApplyMaskResult(
                        fMask.Delete(WindowText(), start, length, key == Qt::Key_Backspace));
                key = 0;
            }
            break;
        case Qt::Key_A:
            if (shift.testFlag(Qt::ControlModifier)) {
                SelectAll();
                key = 0;
            }
            break;
        default:
            ReplaceCaret();
            break;
        }
    }
    if (key != 0) TInplaceTextEdit::KeyDown(key, shift);
    if (keepEscape) key = 0;
}

void TInplaceMaskEdit::KeyPress(QChar& key) {
    TInplaceTextEdit::KeyPress(key);
    if (!IsMasked() || key.isNull()) return;
    const char16_t c = key.unicode();
    // Copy, paste and cut shortcuts reach the window.
    if (c == 3 || c == 22 || c == 24) return;
    key = QChar();
    if (c == 27) {
        Undo();
    } else if (c == '\r' && !IsInplace()) {
        ValidateEdit();
    } else if (CanModify() && CanEdit() && c != 8) {
        ApplyMaskResult(fMask.TypeChar(WindowText(), MaskSelStart(), MaskSelLength(), c));
    }
}

void TInplaceMaskEdit::PasteMessage() {
    if (!IsMasked() || !CanEdit()) {
        TInplaceTextEdit::PasteMessage();
        return;
    }
    if (!CanModify()) return;
    ApplyMaskResult(
        fMask.Paste(WindowText(), MaskSelStart(), MaskSelLength(), PasteSource().toStdU32String()));
    SetModified(true);
    ValidateEdit();
}

void TInplaceMaskEdit::CutMessage() {
    if (!IsMasked()) {
        TInplaceTextEdit::CutMessage();
        return;
    }
    if (!CanModify()) return;
    copy();
    ClearMessage();
}

void TInplaceMaskEdit::ClearMessage() {
    if (!IsMasked()) {
        TInplaceTextEdit::ClearMessage();
        return;
    }
    if (!CanModify()) return;
    ApplyMaskResult(fMask.ClearAll(WindowText()));
    SetModified(true);
    ReplaceCaret();
}

void TInplaceMaskEdit::ValidateEdit() {
    if (IsMasked() && GetModified()) {
        if (const auto bad = fMask.FindUnfilled(WindowText(), fIgnoreBlanks)) {
            fReentering = true;
            SetMaskCaret(*bad, 1);
            // The base refusal beeps, takes the focus back and raises; only the message differs.
            TEditValidateEvent saved = std::move(OnValidate);
            OnValidate = [](TInplaceEdit*, std::string& errorText, bool& accept) {
                errorText = kMaskInvalidInputText;
                accept = false;
            };
            try {
                TInplaceTextEdit::ValidateEdit();
            } catch (const EEditInvalidInput& e) {
                OnValidate = std::move(saved);
                throw EDBEditError(e.what());
            }
            OnValidate = std::move(saved);
            return;
        }
        ReplaceCaret();
    }
    TInplaceTextEdit::ValidateEdit();
}

void TInplaceMaskEdit::DoEnter() {
    if (!IsMasked() || !fReentering) {
        TInplaceTextEdit::DoEnter();
    } else {
        TInplaceEdit::DoEnter();
    }
    fReentering = false;
    ReplaceCaret();
}

void TInplaceMaskEdit::TextChanged() {
    if (IsMasked() && !fFixing && static_cast<int>(WindowText().size()) != fMask.Length()) {
        // Something put a text of the wrong length into the window: lay it onto the mask again.
        fFixing = true;
        struct TReset {
            bool& flag;
            ~TReset() { flag = false; }
        } reset{fFixing};
        SetWindowText(QString::fromStdU32String(fMask.Normalize(WindowText())));
        SetModified(true);
    }
    TInplaceTextEdit::TextChanged();
    if (IsMasked() && SelLength() == 0) {
        const int pos = MaskSelStart();
        if (fMask.IsLiteral(pos)) SetMaskCaret(fMask.NextInput(pos), 0);
    }
}

void TInplaceMaskEdit::focusInEvent(QFocusEvent* e) {
    TInplaceTextEdit::focusInEvent(e);
    Guard([this] { ReplaceCaret(); });
}

void TInplaceMaskEdit::keyReleaseEvent(QKeyEvent* e) {
    TInplaceTextEdit::keyReleaseEvent(e);
    if (IsMasked() && e->modifiers().testFlag(Qt::ControlModifier) &&
        (e->key() == Qt::Key_Left || e->key() == Qt::Key_Right))
        Guard([this] { ReplaceCaret(); });
}

void TInplaceMaskEdit::mouseReleaseEvent(QMouseEvent* e) {
    TInplaceTextEdit::mouseReleaseEvent(e);
    if (IsMasked() && e->button() == Qt::LeftButton) Guard([this] { ReplaceCaret(); });
}

} // namespace fprn::editcontrols
