#include "textedit.h"

#include "drawedittext.h"
#include "editstrings.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QInputMethodEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QRegularExpression>

#include <algorithm>
#include <array>

namespace fprn::editcontrols {

namespace {

constexpr const char* kPopupMenuProperty = "fprnPopupMenu";
constexpr const char* kPopupMenuLink = "fprnPopupMenuLink";
constexpr int kSeparatorTag = 2147483647;
// Space the window keeps between its text area and the text, left and right.
constexpr int kWindowTextMargin = 2;

struct MenuItem {
    int captionId;
    int tag;
};

// Position, caption and tag of the edit menu; 0 marks a separator.
constexpr std::array<MenuItem, 9> kMenu = {{{kStrEditUndo, -1},
                                            {kStrEditRedo, -2},
                                            {0, kSeparatorTag},
                                            {kStrEditCut, -3},
                                            {kStrEditCut + 1, -4},
                                            {kStrEditCut + 2, -5},
                                            {kStrEditCut + 3, -6},
                                            {0, kSeparatorTag},
                                            {kStrEditCut + 4, -7}}};

bool HasOwnMenu(const QWidget* w) {
    if (PopupMenu(w) != nullptr) return true;
    switch (w->contextMenuPolicy()) {
    case Qt::CustomContextMenu:
        return true;
    case Qt::ActionsContextMenu:
        return !w->actions().isEmpty();
    default:
        return false;
    }
}

bool IsPasteKey(int key, Qt::KeyboardModifiers shift) {
    return (key == Qt::Key_V && shift.testFlag(Qt::ControlModifier)) ||
           (key == Qt::Key_Insert && shift.testFlag(Qt::ShiftModifier)) || key == Qt::Key_Paste;
}

bool IsCutKey(int key, Qt::KeyboardModifiers shift) {
    return (key == Qt::Key_X && shift.testFlag(Qt::ControlModifier)) ||
           (key == Qt::Key_Delete && shift.testFlag(Qt::ShiftModifier)) || key == Qt::Key_Cut;
}

} // namespace

QString TextEditMenuCaption(int index) {
    static const std::array<int, 7> ids = {kStrEditUndo,    kStrEditRedo,    kStrEditCut,
                                           kStrEditCut + 1, kStrEditCut + 2, kStrEditCut + 3,
                                           kStrEditCut + 4};
    if (index < 0 || index >= static_cast<int>(ids.size())) return {};
    return QString::fromStdString(EditResourceString(ids[static_cast<std::size_t>(index)]));
}

void SetPopupMenu(QWidget* widget, QMenu* menu) {
    if (widget == nullptr) return;
    widget->setProperty(kPopupMenuProperty, QVariant::fromValue(QPointer<QMenu>(menu)));
    // One connection per widget, owned by a child object, so other listeners stay connected.
    delete widget->findChild<QObject*>(QLatin1String(kPopupMenuLink), Qt::FindDirectChildrenOnly);
    if (menu == nullptr) {
        widget->setContextMenuPolicy(Qt::DefaultContextMenu);
        return;
    }
    auto* link = new QObject(widget);
    link->setObjectName(QLatin1String(kPopupMenuLink));
    widget->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(widget, &QWidget::customContextMenuRequested, link, [widget](QPoint at) {
        if (QMenu* m = PopupMenu(widget)) m->popup(widget->mapToGlobal(at));
    });
}

QMenu* PopupMenu(const QWidget* widget) {
    if (widget == nullptr) return nullptr;
    return widget->property(kPopupMenuProperty).value<QPointer<QMenu>>().data();
}

TInplaceTextEdit::TInplaceTextEdit(QWidget* parent) : TInplaceEdit(parent) {
    setAcceptDrops(false);
    setDragEnabled(false);
    connect(this, &QLineEdit::selectionChanged, this, [this] { ReportSelection(); });
    connect(this, &QLineEdit::cursorPositionChanged, this, [this] { ReportSelection(); });
    ApplyTextLimit(fMaxLength);
}

TInplaceTextEdit::~TInplaceTextEdit() = default;

void TInplaceTextEdit::SetHideSelection(bool value) {
    if (value == fHideSelection) return;
    fHideSelection = value;
    update();
}

void TInplaceTextEdit::SetMaxLength(int value) {
    AddStoredValue(kStoredMaxLength);
    ChangeMaxLength(value);
}

void TInplaceTextEdit::ChangeMaxLength(int limit) {
    limit = std::max(limit, 0);
    if (limit == fMaxLength) return;
    fMaxLength = limit;
    ApplyTextLimit(limit);
}

void TInplaceTextEdit::ApplyTextLimit(int limit) {
    // The limit holds typing and pasting back; a longer text set from outside is kept whole.
    SetWindowLimit(std::max(limit > 0 ? limit : kDefaultTextLimit, TextLength()));
}

void TInplaceTextEdit::SetWindowLimit(int limit) {
    if (limit == maxLength()) return;
    // The window resets its text when its limit changes, which loses the modified flag (and
    // the undo history); the flag at least survives.
    const bool modified = isModified();
    const int start = SelStart();
    const int length = SelLength();
    setMaxLength(limit);
    setModified(modified);
    SetSel(start, start + length);
}

void TInplaceTextEdit::SetWindowText(const QString& value) {
    if (value.size() > maxLength()) SetWindowLimit(static_cast<int>(value.size()));
    setText(value);
    ApplyTextLimit(fMaxLength);
}

void TInplaceTextEdit::SetText(const QString& value) {
    if (value == text()) return;
    SetWindowText(value);
}

void TInplaceTextEdit::SetEditValue(const QString& value) {
    fAssigningText = true;
    struct TReset {
        bool& flag;
        ~TReset() { flag = false; }
    } reset{fAssigningText};
    SetText(value);
    EmptyUndoBuffer();
}

void TInplaceTextEdit::EmptyUndoBuffer() {
    const bool modified = isModified();
    const int start = SelStart();
    const int length = SelLength();
    {
        fAssigningText = true;
        struct TReset {
            bool& flag;
            ~TReset() { flag = false; }
        } reset{fAssigningText};
        SetWindowText(text());
    }
    setModified(modified);
    SetSel(start, start + length);
}

int TInplaceTextEdit::SelStart() const {
    return hasSelectedText() ? selectionStart() : cursorPosition();
}

int TInplaceTextEdit::SelLength() const {
    return hasSelectedText() ? static_cast<int>(selectedText().size()) : 0;
}

QString TInplaceTextEdit::SelText() const {
    return selectedText();
}

void TInplaceTextEdit::SetSelStart(int pos) {
    setCursorPosition(std::clamp(pos, 0, TextLength()));
}

void TInplaceTextEdit::SetSelLength(int count) {
    const int start = SelStart();
    setSelection(start, std::clamp(count, 0, TextLength() - start));
}

void TInplaceTextEdit::GetSel(int& start, int& end) const {
    start = SelStart();
    end = start + SelLength();
}

void TInplaceTextEdit::SetSel(int start, int end) {
    const int length = TextLength();
    start = std::clamp(start, 0, length);
    end = end < 0 ? length : std::clamp(end, 0, length);
    if (end == start) {
        setCursorPosition(start);
    } else {
        // Caret at the start, as the selection is shown.
        setSelection(end, start - end);
    }
}

int TInplaceTextEdit::GetSelTextBuf(QString& buffer, int count) const {
    buffer = SelText().left(std::max(count, 0));
    return static_cast<int>(buffer.size());
}

void TInplaceTextEdit::SelectAll() {
    selectAll();
}

bool TInplaceTextEdit::CanPaste() const {
    if (!CanEdit()) return false;
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    return data != nullptr && data->hasText();
}

QString TInplaceTextEdit::PasteSource() const {
    QString source = fPendingPaste ? *fPendingPaste : QGuiApplication::clipboard()->text();
    // A single-line window takes the first line only.
    const auto lineEnd = source.indexOf(QRegularExpression(QStringLiteral("[\r\n]")));
    if (lineEnd >= 0) source.truncate(lineEnd);
    return source;
}

void TInplaceTextEdit::PasteMessage() {
    if (!CanModify()) return;
    const QString source = PasteSource();
    if (source.isEmpty() && !hasSelectedText()) return;
    InsertAsOneStep(source);
}

void TInplaceTextEdit::CloseUndoStep() {
    // The window starts a new undo step whenever the caret moves.
    const int length = TextLength();
    if (length == 0) return;
    const int start = SelStart();
    const int selected = SelLength();
    fQuietSelection = true;
    setCursorPosition(cursorPosition() != 0 ? 0 : length);
    SetSel(start, start + selected);
    fQuietSelection = false;
}

void TInplaceTextEdit::InsertAsOneStep(const QString& text) {
    CloseUndoStep();
    insert(text);
    CloseUndoStep();
}

void TInplaceTextEdit::CutMessage() {
    if (CanModify() && hasSelectedText()) cut();
}

void TInplaceTextEdit::ClearMessage() {
    if (CanModify() && hasSelectedText()) del();
}

void TInplaceTextEdit::PasteText(const QString& text) {
    fPendingPaste = text;
    struct TReset {
        std::optional<QString>& pending;
        ~TReset() { pending.reset(); }
    } reset{fPendingPaste};
    PasteMessage();
}

void TInplaceTextEdit::KeyDown(int& key, Qt::KeyboardModifiers shift) {
    TInplaceEdit::KeyDown(key, shift);
    if (key == 0) return;
    if (IsPasteKey(key, shift)) {
        PasteMessage();
        key = 0;
    } else if (IsCutKey(key, shift)) {
        CutMessage();
        key = 0;
    }
}

void TInplaceTextEdit::DoEnter() {
    if (fAutoSelect) {
        if (!QGuiApplication::mouseButtons().testFlag(Qt::LeftButton)) SelectAll();
    } else {
        // The window selects everything on keyboard entry by itself.
        deselect();
    }
    TInplaceEdit::DoEnter();
}

void TInplaceTextEdit::TextChanged() {
    TInplaceEdit::TextChanged();
    ApplyCharCase();
    // A text longer than the limit came from outside; once it is back under the limit, the
    // limit holds again.
    if (maxLength() > TextLength()) ApplyTextLimit(fMaxLength);
    if (!fAssigningText) Change();
}

void TInplaceTextEdit::SelectionChanged() {
    if (OnSelectionChange) OnSelectionChange(this);
}

void TInplaceTextEdit::ReportSelection() {
    if (fQuietSelection) return;
    const int start = SelStart();
    const int length = SelLength();
    if (start == fLastSelStart && length == fLastSelLength) return;
    fLastSelStart = start;
    fLastSelLength = length;
    Guard([this] { SelectionChanged(); });
}

QMenu* TInplaceTextEdit::EditContextMenu() {
    if (fEditMenu != nullptr) return fEditMenu;
    fEditMenu = new QMenu(this);
    int caption = 0;
    for (const MenuItem& item : kMenu) {
        QAction* action = nullptr;
        if (item.captionId == 0) {
            action = fEditMenu->addSeparator();
        } else {
            action = fEditMenu->addAction(TextEditMenuCaption(caption++));
            const int tag = item.tag;
            connect(action, &QAction::triggered, this, [this, tag] { MenuClick(tag); });
        }
        action->setData(item.tag);
    }
    return fEditMenu;
}

void TInplaceTextEdit::UpdateEditContextMenu() {
    const bool selected = SelLength() > 0;
    for (QAction* action : EditContextMenu()->actions()) {
        switch (action->data().toInt()) {
        case -1:
            action->setEnabled(CanUndo());
            break;
        case -2:
            action->setEnabled(CanRedo());
            break;
        case -3:
        case -6:
            action->setEnabled(selected && CanEdit());
            break;
        case -4:
            action->setEnabled(selected);
            break;
        case -5:
            action->setEnabled(CanPaste());
            break;
        case -7:
            action->setEnabled(SelLength() != TextLength());
            break;
        default:
            break;
        }
    }
}

void TInplaceTextEdit::MenuClick(int tag) {
    Guard([this, tag] {
        switch (tag) {
        case -1:
            EditUndo();
            break;
        case -2:
            EditRedo();
            break;
        case -3:
            CutMessage();
            break;
        case -4:
            CopyToClipboard();
            break;
        case -5:
            PasteMessage();
            break;
        case -6:
            ClearMessage();
            break;
        case -7:
            SelectAll();
            break;
        default:
            break;
        }
    });
}

void TInplaceTextEdit::contextMenuEvent(QContextMenuEvent* e) {
    // A menu of the edit's own or of a parent wins; the event travels up to it.
    for (const QWidget* w = this; w != nullptr; w = w->parentWidget()) {
        if (HasOwnMenu(w)) {
            e->ignore();
            return;
        }
    }
    e->accept();
    QPoint at;
    if (e->reason() == QContextMenuEvent::Keyboard) {
        const QRect caret = cursorRect();
        at = mapToGlobal(QPoint(std::min(caret.left(), contentsRect().width()), caret.bottom()));
    } else {
        if (!contentsRect().contains(e->pos())) return;
        at = e->globalPos();
    }
    Guard([this] { UpdateEditContextMenu(); });
    EditContextMenu()->popup(at);
}

void TInplaceTextEdit::focusOutEvent(QFocusEvent* e) {
    // The window drops its selection when the focus leaves; an edit that shows its selection
    // while unfocused gets it back.
    const int start = SelStart();
    const int length = SelLength();
    TInplaceEdit::focusOutEvent(e);
    if (!fHideSelection && length > 0 && SelLength() == 0) {
        fQuietSelection = true;
        SetSel(start, start + length);
        fQuietSelection = false;
    }
}

void TInplaceTextEdit::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::MiddleButton) {
        // A middle click pastes the selection where the platform has one; as a paste.
        QClipboard* clipboard = QGuiApplication::clipboard();
        if (clipboard->supportsSelection()) {
            const QString selection = clipboard->text(QClipboard::Selection);
            Guard([this, &selection] { PasteText(selection); });
        }
        e->accept();
        return;
    }
    TInplaceEdit::mouseReleaseEvent(e);
}

void TInplaceTextEdit::inputMethodEvent(QInputMethodEvent* e) {
    const QString commit = e->commitString();
    if (commit.isEmpty() || !CanModify()) {
        TInplaceEdit::inputMethodEvent(e);
        return;
    }
    // The composition goes on in the window; the committed text comes in as a paste.
    QInputMethodEvent rest(e->preeditString(), e->attributes());
    if (e->replacementLength() != 0)
        rest.setCommitString(QString(), e->replacementStart(), e->replacementLength());
    TInplaceEdit::inputMethodEvent(&rest);
    Guard([this, &commit] { PasteText(commit); });
    e->accept();
}

void TInplaceTextEdit::dragEnterEvent(QDragEnterEvent* e) {
    e->ignore();
}

void TInplaceTextEdit::dragMoveEvent(QDragMoveEvent* e) {
    e->ignore();
}

void TInplaceTextEdit::dropEvent(QDropEvent* e) {
    e->ignore();
}

bool TInplaceTextEdit::DrawContent(QPainter& painter, const QRect& rect, const TEditViewData& data,
                                   bool ownWindow) const {
    // The window draws its own text; only the inactive picture is painted here, with the text
    // where the window puts it, so nothing moves when the focus comes or goes.
    if (ownWindow) return false;
    painter.fillRect(rect, data.Brush);
    const QFontMetrics fm(data.Font);
    const QRect r = rect.marginsRemoved(textMargins());
    const int height = std::max(fm.boundingRect(data.Value).height(), fm.height());
    const QRect line(r.x() + kWindowTextMargin, r.y() + (r.height() - height + 1) / 2,
                     r.width() - 2 * kWindowTextMargin, height);
    // The window counts one pixel of caret into the width of its text.
    const int used = fm.horizontalAdvance(data.Value) + 1;
    int x = line.x();
    if (used <= line.width()) {
        switch (data.Alignment) {
        case taRightJustify:
            x = line.x() + line.width() - used - 1;
            break;
        case taCenter:
            x = line.x() - (used - line.width()) / 2;
            break;
        case taLeftJustify:
            break;
        }
    }
    const QRect textRect(x, line.y(), line.right() + 1 - x, line.height());
    DrawEditText(&painter, data.Value, -1, rect, textRect, kDetLeft | kDetTop, data.Brush,
                 data.Font, data.BackgroundColor, data.TextColor);
    return true;
}

} // namespace fprn::editcontrols
