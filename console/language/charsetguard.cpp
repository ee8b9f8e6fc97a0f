#include "charsetguard.h"

#include "languagetext.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QTimer>

#include <algorithm>

namespace fprn::lang {

namespace {

// A one-line field shows a line break or a tab as a space: a paste takes it as one, so the
// field holds what it shows. CR LF is one line break.
QString OneLine(QString text) {
    text.replace(QLatin1String("\r\n"), QLatin1String(" "));
    for (const QChar c : {QChar(u'\r'), QChar(u'\n'), QChar(u'\t')})
        text.replace(c, QLatin1Char(' '));
    return text;
}

bool IsControl(QChar c) {
    const char16_t u = c.unicode();
    return u < 0x20 || (u >= 0x7F && u < 0xA0);
}

// The first character of `text` that no field may hold: one the charset lacks, or a control
// character, which the field would hide and the printer would still get.
std::optional<char32_t> FirstCharRefused(const QString& text) {
    const auto control = std::find_if(text.begin(), text.end(), IsControl);
    const qsizetype at = control - text.begin();
    if (const std::optional<char32_t> c = FirstCharNotInCharset(text.left(at))) return c;
    if (at < text.size()) return text[at].unicode();
    return std::nullopt;
}

class CharsetGuard : public QObject {
public:
    CharsetGuard(QLineEdit* edit, CharsetRefusal refusal)
        : QObject(edit), edit_(edit), refusal_(std::move(refusal)) {
        setObjectName(QStringLiteral("CharsetGuard"));
        edit->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        if (object != edit_ || edit_->isReadOnly() || resending_) return false;
        switch (event->type()) {
        case QEvent::KeyPress: {
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->matches(QKeySequence::Paste)) {
                const QString clip = Clipboard(QClipboard::Clipboard);
                return Refused(clip) || InsertedAsOneLine(clip);
            }
            if (!FirstCharNotInCharset(key->text())) return false;
            Beep();
            return true;
        }
        case QEvent::InputMethod: {
            auto* input = static_cast<QInputMethodEvent*>(event);
            if (!FirstCharRefused(input->commitString())) return false;
            Beep();
            // The composition goes on without the refused commit.
            QInputMethodEvent rest(input->preeditString(), input->attributes());
            QCoreApplication::sendEvent(edit_, &rest);
            return true;
        }
        case QEvent::MouseButtonRelease: {
            if (static_cast<QMouseEvent*>(event)->button() != Qt::MiddleButton ||
                !QGuiApplication::clipboard()->supportsSelection())
                return false;
            const QString selection = Clipboard(QClipboard::Selection);
            if (Refused(selection)) return true;
            if (OneLine(selection) == selection) return false;
            // As the edit's own: at the caret the press placed, over no selection.
            edit_->deselect();
            return InsertedAsOneLine(selection);
        }
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            if (!drop->mimeData()->hasText()) return false;
            const QString text = drop->mimeData()->text();
            if (!FirstCharRefused(OneLine(text))) return DroppedAsOneLine(drop, text);
            drop->setDropAction(Qt::IgnoreAction);
            drop->accept();
            // The edit forgets the drag as if it had left; the box comes once the dragging side
            // has its answer.
            QDragLeaveEvent leave;
            QCoreApplication::sendEvent(edit_, &leave);
            QTimer::singleShot(0, edit_, [this, text] { Refused(text); });
            return true;
        }
        case QEvent::ContextMenu:
            ShowMenu(static_cast<QContextMenuEvent*>(event)->globalPos());
            return true;
        default:
            return false;
        }
    }

private:
    static QString Clipboard(QClipboard::Mode mode) {
        return QGuiApplication::clipboard()->text(mode);
    }
    void Beep() const {
        if (refusal_.beep) refusal_.beep();
    }
    // True when a paste of `text` holds a character the field may not; the refusal is then
    // reported.
    bool Refused(const QString& text) const {
        const std::optional<char32_t> c = FirstCharRefused(OneLine(text));
        if (c && refusal_.refusePaste) refusal_.refusePaste(CharNotInCharsetMessage(*c));
        return c.has_value();
    }
    // A paste of `text` holding line breaks or tabs goes in here, with spaces for them, over
    // the selection and as one step of the undo history, as the edit's own paste would; true
    // then. Any other is left to the edit.
    bool InsertedAsOneLine(const QString& text) {
        const QString line = OneLine(text);
        if (line == text) return false;
        if (line.isEmpty() && !edit_->hasSelectedText()) return true;
        CloseUndoStep();
        edit_->insert(line);
        CloseUndoStep();
        return true;
    }
    // The edit begins a new step of its undo history when the caret moves: there and back.
    void CloseUndoStep() {
        const int length = static_cast<int>(edit_->text().size());
        if (length == 0) return;
        const int caret = edit_->cursorPosition();
        int anchor = caret;
        if (edit_->hasSelectedText())
            anchor =
                caret == edit_->selectionStart() ? edit_->selectionEnd() : edit_->selectionStart();
        edit_->setCursorPosition(caret != 0 ? 0 : length);
        if (anchor == caret)
            edit_->setCursorPosition(caret);
        else
            edit_->setSelection(anchor, caret - anchor);
    }
    // A drop of `text`, which the field may hold once its line breaks and tabs are spaces: the
    // edit drops that instead. False for one that holds none, which the edit takes itself.
    bool DroppedAsOneLine(QDropEvent* drop, const QString& text) {
        const QString line = OneLine(text);
        if (line == text) return false;
        QMimeData data;
        data.setText(line);
        QDropEvent converted(drop->position(), drop->possibleActions(), &data, drop->buttons(),
                             drop->modifiers());
        converted.setDropAction(drop->dropAction());
        resending_ = true;
        QCoreApplication::sendEvent(edit_, &converted);
        resending_ = false;
        drop->setDropAction(converted.dropAction());
        drop->setAccepted(converted.isAccepted());
        return true;
    }
    // The edit's own menu, its Paste checked first.
    void ShowMenu(const QPoint& at) {
        QMenu* menu = edit_->createStandardContextMenu();
        menu->setAttribute(Qt::WA_DeleteOnClose);
        for (QAction* action : menu->actions()) {
            // Found by its connection to the edit's paste, in either of the toolkit's ways.
            const bool paste =
                QObject::disconnect(action, &QAction::triggered, edit_, &QLineEdit::paste) ||
                QObject::disconnect(action, SIGNAL(triggered()), edit_, SLOT(paste()));
            if (paste)
                connect(action, &QAction::triggered, edit_, [this] {
                    const QString clip = Clipboard(QClipboard::Clipboard);
                    if (!Refused(clip) && !InsertedAsOneLine(clip)) edit_->paste();
                });
        }
        menu->popup(at);
    }

    QLineEdit* edit_;
    CharsetRefusal refusal_;
    bool resending_ = false; // a drop converted here on its way to the edit
};

} // namespace

void GuardCharset(QLineEdit* edit, CharsetRefusal refusal) {
    if (edit->findChild<QObject*>(QStringLiteral("CharsetGuard"), Qt::FindDirectChildrenOnly))
        return;
    new CharsetGuard(edit, std::move(refusal));
}

} // namespace fprn::lang
