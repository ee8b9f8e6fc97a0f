#pragma once
// Moving on when an edit is full: once the text of a plain or mask edit of the form reaches
// the edit's length limit while the user types into it, the focus goes to the next tab stop.
class QLineEdit;
class QWidget;

namespace fprn::console {

class TMainForm;

// Hooks every plain and mask edit of the form's pages and top panel; currency edits, and the
// edits inside spin boxes, date pickers and drop-down lists, are left alone. The form's step
// of FormCreate, once every page is built.
void HookEditAutoAdvance(TMainForm& form);

// True when the edit is full: it has a limit (neither 0 nor the toolkit's 32767, which means
// none), and its text without blanks at either end (a mask edit's with its literals) is at
// least that long; a mask edit with an input position blank is never full.
bool EditIsFull(const QLineEdit& edit);

// Moves the focus to the next control in tab order that takes it by Tab, as the Tab key would.
void FocusNextTabStop(QWidget& control);

} // namespace fprn::console
