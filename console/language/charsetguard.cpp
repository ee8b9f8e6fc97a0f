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

namespace fprn::lang {

namespace {

class CharsetGuard : public QObject {
public:
    CharsetGuard(QLineEdit* edit, CharsetRefusal refusal)
        : QObject(edit), edit_(edit), refusal_(std::move(refusal)) {
        setObjectName(QStringLiteral("CharsetGuard"));
        edit->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        if (object != edit_ || edit_->isReadOnly()) return false;
        switch (event->type()) {
        case QEvent::KeyPress: {
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->matches(QKeySequence::Paste)) return Refused(Clipboard(QClipboard::Clipboard));
            if (!FirstCharNotInCharset(key->text())) return false;
            Beep();
            return true;
        }
        case QEvent::InputMethod: {
            auto* input = static_cast<QInputMethodEvent*>(event);
            if (!FirstCharNotInCharset(input->commitString())) return false;
            Beep();
            // The composition goes on without the refused commit.
            QInputMethodEvent rest(input->preeditString(), input->attributes());
            QCoreApplication::sendEvent(edit_, &rest);
            return true;
        }
        case QEvent::MouseButtonRelease:
            return static_cast<QMouseEvent*>(event)->button() == Qt::MiddleButton &&
                   QGuiApplication::clipboard()->supportsSelection() &&
                   Refused(Clipboard(QClipboard::Selection));
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            if (!drop->mimeData()->hasText()) return false;
            const QString text = drop->mimeData()->text();
            if (!FirstCharNotInCharset(text)) return false;
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
    // True when `text` holds a character the charset lacks; the refusal is then reported.
    bool Refused(const QString& text) const {
        const std::optional<char32_t> c = FirstCharNotInCharset(text);
        if (c && refusal_.refusePaste) refusal_.refusePaste(CharNotInCharsetMessage(*c));
        return c.has_value();
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
                    if (!Refused(Clipboard(QClipboard::Clipboard))) edit_->paste();
                });
        }
        menu->popup(at);
    }

    QLineEdit* edit_;
    CharsetRefusal refusal_;
};

} // namespace

void GuardCharset(QLineEdit* edit, CharsetRefusal refusal) {
    if (edit->findChild<QObject*>(QStringLiteral("CharsetGuard"), Qt::FindDirectChildrenOnly))
        return;
    new CharsetGuard(edit, std::move(refusal));
}

} // namespace fprn::lang
