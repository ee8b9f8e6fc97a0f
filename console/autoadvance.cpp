#include "autoadvance.h"

#include "currencyedit.h"
#include "mainform.h"
#include "maskedit.h"

#include <QAbstractSpinBox>
#include <QComboBox>
#include <QLineEdit>

namespace fprn::console {

namespace {

// What a line edit's limit is when nobody set one.
constexpr int kNoLimit = 32767;

} // namespace

void FocusNextTabStop(QWidget& control) {
    QWidget* window = control.window();
    for (QWidget* w = control.nextInFocusChain(); w && w != &control; w = w->nextInFocusChain()) {
        if ((w->focusPolicy() & Qt::TabFocus) != Qt::TabFocus || w->focusProxy()) continue;
        if (w->window() != window || !w->isVisible() || !w->isEnabled()) continue;
        w->setFocus(Qt::TabFocusReason);
        return;
    }
}

namespace {

// True when an input position of a masked edit shows no character: one just deleted, or one
// never typed.
bool HasBlankPosition(const editcontrols::TInplaceMaskEdit& edit) {
    const editcontrols::EditMask& mask = edit.Mask();
    const std::u32string window = mask.Normalize(edit.text().toStdU32String());
    for (int i = 0; i < mask.Length(); ++i) {
        const char32_t c = window[static_cast<std::size_t>(i)];
        if (!mask.IsLiteral(i) && (c == mask.Blank() || c == U' ')) return true;
    }
    return false;
}

} // namespace

bool EditIsFull(const QLineEdit& edit) {
    const int limit = edit.maxLength();
    if (limit <= 0 || limit >= kNoLimit) return false;
    // A mask edit's text always has the mask's length, literals and blanks included: a
    // deletion leaves it as long as before, and must not move the focus on.
    if (auto* masked = qobject_cast<const editcontrols::TInplaceMaskEdit*>(&edit);
        masked && masked->IsMasked() && HasBlankPosition(*masked))
        return false;
    return edit.text().trimmed().size() >= limit;
}

void HookEditAutoAdvance(TMainForm& form) {
    for (QLineEdit* edit : form.centralWidget()->findChildren<QLineEdit*>()) {
        if (qobject_cast<editcontrols::TInplaceCurrencyEdit*>(edit)) continue;
        QWidget* owner = edit->parentWidget();
        if (qobject_cast<QAbstractSpinBox*>(owner) || qobject_cast<QComboBox*>(owner)) continue;
        QObject::connect(edit, &QLineEdit::textChanged, edit, [&form, edit] {
            // Only the edit being typed in moves on: a handler filling other edits takes
            // the focus nowhere.
            if (!edit->hasFocus()) return;
            form.Guarded([edit] {
                if (EditIsFull(*edit)) FocusNextTabStop(*edit);
            });
        });
    }
}

} // namespace fprn::console
