#pragma once
// Text typed or pasted into a plain line edit by hand stays within the 8-bit charset, since a
// character the charset lacks would reach a file or the printer as '?', and holds only what
// the edit shows. A typed character (a key or an input-method commit) that the charset lacks
// is refused with a beep; a paste (the paste keys, the edit's menu, a middle click) or a drop
// takes each line break and tab as a space, and one that holds a character the charset lacks
// or another control character is refused whole with a message naming the first such
// character. Text the program sets is not checked.
#include <QString>

#include <functional>

class QLineEdit;

namespace fprn::lang {

struct CharsetRefusal {
    std::function<void()> beep;
    std::function<void(const QString& message)> refusePaste;
};

// Guards `edit` from now on; an edit already guarded keeps its first guard.
void GuardCharset(QLineEdit* edit, CharsetRefusal refusal);

} // namespace fprn::lang
