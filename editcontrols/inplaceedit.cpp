#include "inplaceedit.h"

#include "syscolors.h"

#include <QApplication>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPainter>
#include <QRegion>
#include <QTimer>

namespace fprn::editcontrols {

namespace {

std::function<void()>& BeepHook() {
    static std::function<void()> hook;
    return hook;
}

std::function<void(const std::string&)>& ErrorHook() {
    static std::function<void(const std::string&)> hook;
    return hook;
}

// The edit whose refused exit is taking the focus back; other edits neither enter nor exit
// while the focus only passes through them, so two refusing edits cannot play ping-pong.
TInplaceEdit* gFocusReturnEdit = nullptr;

QRect ToQRect(const TRect& r) {
    return QRect(r.Left, r.Top, r.Width(), r.Height());
}

// Shows the error once the current event is done; a modal box inside a focus change would
// re-enter it.
void ReportLater(std::string message) {
    QTimer::singleShot(0, qApp, [message = std::move(message)] { ShowEditError(message); });
}

Qt::Alignment ToQtAlignment(TAlignment a) {
    switch (a) {
    case taRightJustify:
        return Qt::AlignRight | Qt::AlignVCenter;
    case taCenter:
        return Qt::AlignHCenter | Qt::AlignVCenter;
    case taLeftJustify:
        break;
    }
    return Qt::AlignLeft | Qt::AlignVCenter;
}

} // namespace

void EditBeep() {
    if (BeepHook())
        BeepHook()();
    else
        QApplication::beep();
}

std::function<void()> SetEditBeepHook(std::function<void()> hook) {
    std::function<void()> old = std::move(BeepHook());
    BeepHook() = std::move(hook);
    return old;
}

void ShowEditError(const std::string& message) {
    if (ErrorHook()) {
        ErrorHook()(message);
        return;
    }
    QMessageBox::critical(QApplication::activeWindow(), QGuiApplication::applicationDisplayName(),
                          QString::fromStdString(message));
}

std::function<void(const std::string&)>
SetEditErrorHook(std::function<void(const std::string&)> hook) {
    std::function<void(const std::string&)> old = std::move(ErrorHook());
    ErrorHook() = std::move(hook);
    return old;
}

TBorderData TEditViewData::Border() const {
    TBorderData b;
    b.Enabled = Enabled;
    b.Focused = Focused;
    b.Hot = Hot;
    b.BorderColor = BorderColor;
    b.BorderStyle = BorderStyle;
    b.Edges = Edges;
    b.Shadow = Shadow;
    b.Bounds = Bounds;
    return b;
}

// ---- construction ----

TInplaceEdit::TInplaceEdit(QWidget* parent) : QLineEdit(parent) {
    fStyle = std::make_unique<TEditStyle>(this);
    setFrame(false);
    setAlignment(ToQtAlignment(fAlignment));
    resize(121, 21);
    setFocusPolicy(Qt::StrongFocus);
    connect(this, &QLineEdit::textChanged, this, [this] { Guard([this] { TextChanged(); }); });
    UpdateShape();
}

TInplaceEdit::~TInplaceEdit() {
    fDestroying = true;
    if (gFocusReturnEdit == this) gFocusReturnEdit = nullptr;
    ReleaseStyleController(this, fStyleController);
    fStyle.reset();
}

// ---- style ----

void TInplaceEdit::SetStyleController(TEditStyleController* value) {
    ChangeStyleController(this, fStyleController, value);
}

void TInplaceEdit::StyleControllerFreed(TStyleController* controller) {
    if (controller == fStyleController) SetStyleController(nullptr);
}

void TInplaceEdit::StyleChanged() {
    if (fDestroying) return;
    UpdateShape();
    update();
}

// ---- properties ----

void TInplaceEdit::SetAlignment(TAlignment value) {
    fStoredValues |= kStoredAlignment;
    SetAlignmentValue(value);
}

void TInplaceEdit::SetAlignmentValue(TAlignment value) {
    if (value == fAlignment) return;
    fAlignment = value;
    setAlignment(ToQtAlignment(value));
    update();
}

void TInplaceEdit::SetAutoSize(bool value) {
    if (value == fAutoSize) return;
    fAutoSize = value;
    StyleChanged();
    updateGeometry();
}

bool TInplaceEdit::ReadOnly() const {
    return (fStoredValues & kStoredReadOnly) != 0 ? fReadOnly : DefaultReadOnly();
}

void TInplaceEdit::SetReadOnly(bool value) {
    fStoredValues |= kStoredReadOnly;
    SetReadOnlyValue(value);
}

void TInplaceEdit::SetCursor(std::optional<Qt::CursorShape> cursor) {
    fCursor = cursor;
    setCursor(GetViewCursor(*CreateViewData(false)));
}

// ---- behaviour ----

bool TInplaceEdit::IsEditingKey(int key, Qt::KeyboardModifiers shift) const {
    switch (key) {
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
        return true;
    case Qt::Key_Insert:
        return shift.testFlag(Qt::ShiftModifier);
    case Qt::Key_V:
    case Qt::Key_X:
        return shift.testFlag(Qt::ControlModifier);
    default:
        return false;
    }
}

bool TInplaceEdit::IsFocused() const {
    return hasFocus();
}

bool TInplaceEdit::IsHot() const {
    return fHot || (IsFocused() && isEnabled());
}

void TInplaceEdit::Undo() {
    const auto target = fActivation.UndoTarget(GetModified(), HasEditWindow());
    if (!target) return;
    setText(QString::fromStdString(target->Text));
    SetModified(target->Modified);
}

void TInplaceEdit::RestoreDefaults() {
    fStoredValues = 0;
    SetAlignmentValue(DefaultAlignment());
    SetReadOnlyValue(DefaultReadOnly());
}

void TInplaceEdit::ValidateEdit() {
    TValidateHandler handler;
    if (OnValidate)
        handler = [this](std::string& errorText, bool& accept) {
            OnValidate(this, errorText, accept);
        };
    const TValidation v = RunValidation(GetModified(), handler);
    if (v.Accept) return;
    EditBeep();
    if (isVisible()) ReturnFocusLater();
    throw EEditInvalidInput(v.ErrorText);
}

void TInplaceEdit::ReturnFocusLater() {
    if (hasFocus() || fFocusReturn) return;
    fFocusReturn = true;
    gFocusReturnEdit = this;
    QTimer::singleShot(0, this, [this] {
        fFocusReturn = false;
        if (gFocusReturnEdit == this) gFocusReturnEdit = nullptr;
        if (isVisible() && isEnabled()) {
            setFocus(Qt::OtherFocusReason);
            return;
        }
        // The focus cannot come back: the edit that holds it now enters after all.
        auto* holder = qobject_cast<TInplaceEdit*>(QApplication::focusWidget());
        if (holder != nullptr && !holder->fEntered) {
            holder->fEntered = true;
            holder->Guard([holder] { holder->DoEnter(); });
        }
    });
}

void TInplaceEdit::Change() {
    // Called from inside the line edit's signals: a throwing handler must not unwind through it.
    Guard([this] {
        if (OnChange) OnChange(this);
    });
}

QString TInplaceEdit::GetEditValue(bool) const {
    return text();
}

void TInplaceEdit::SetActive(bool value) {
    if (fActivation.SetActive(value, GetModified(), text().toStdString()) && PaintsInactive())
        update();
}

void TInplaceEdit::FocusEntered() {
    HotTrackUpdate();
    if (!HasEditWindow()) update();
}

void TInplaceEdit::FocusLeft() {
    HotTrackUpdate();
    if (!HasEditWindow()) update();
}

void TInplaceEdit::DoEnter() {
    SetActive(true);
    if (OnEnter) OnEnter(this);
}

void TInplaceEdit::DoExit() {
    ValidateEdit();
    fEntered = false;
    SetActive(false);
    if (OnExit) OnExit(this);
}

void TInplaceEdit::TextChanged() {
    if (!HasEditWindow()) update();
}

void TInplaceEdit::HotTrackUpdate() {
    if (fDestroying) return;
    if (Style().HotTrack() || Style().ButtonTransparence() != ebtNone) UpdateShape();
}

// ---- painting and shape ----

void TInplaceEdit::FillViewData(TEditViewData& d, bool forPainting) const {
    const QPalette pal = palette();
    d.Enabled = isEnabled();
    d.Focused = IsFocused();
    d.Hot = IsHot();
    d.BorderColor = Style().BorderColor();
    d.BorderStyle = HotBorderStyle(Style().BorderStyle(), d.Hot, Style().HotTrack());
    d.Edges = Style().Edges();
    d.Shadow = Style().Shadow();
    d.Bounds = {0, 0, width(), height()};
    d.Alignment = fAlignment;
    d.Font = font();
    d.Palette = pal;
    if (d.Enabled) {
        d.BackgroundColor = pal.color(QPalette::Active, QPalette::Base);
        d.Brush = pal.brush(QPalette::Active, QPalette::Base);
        d.TextColor = pal.color(QPalette::Active, QPalette::Text);
    } else {
        d.BackgroundColor = ToQColor(clBtnFace, pal);
        d.Brush = QBrush(d.BackgroundColor);
        d.TextColor = ToQColor(clBtnShadow, pal);
    }
    d.HasEditWindow = HasEditWindow();
    d.Value = GetEditValue(forPainting);
    d.TextLength = 0;
    d.Cursor = fCursor;
}

std::unique_ptr<TEditViewData> TInplaceEdit::CreateViewData(bool forPainting) const {
    auto d = std::make_unique<TEditViewData>();
    FillViewData(*d, forPainting);
    return d;
}

bool TInplaceEdit::DrawContent(QPainter& painter, const QRect& rect, const TEditViewData& data,
                               bool) const {
    painter.fillRect(rect, data.Brush);
    return true;
}

int TInplaceEdit::GetAutoHeight(const TEditViewData& data) const {
    return AutoHeightFromFont(QFontMetrics(data.Font).height());
}

Qt::CursorShape TInplaceEdit::GetViewCursor(const TEditViewData& data) const {
    if (data.Cursor) return *data.Cursor;
    return data.HasEditWindow ? Qt::IBeamCursor : Qt::ArrowCursor;
}

TEditViewInfo TInplaceEdit::CalcViewInfo(const TEditViewData& data, bool autoSize) const {
    return editcontrols::CalcViewInfo(data.Border(), autoSize, autoSize ? GetAutoHeight(data) : 0);
}

void TInplaceEdit::DrawBorder(QPainter& painter, const TEditViewInfo& info,
                              const TEditViewData& data) {
    for (const TBorderFill& f : BorderFills(info, data.Border()))
        painter.fillRect(ToQRect(f.Rect), ToQColor(f.Color, data.Palette));
}

void TInplaceEdit::Draw(QPainter& painter, const TEditViewData& data) const {
    const TEditViewInfo info = CalcViewInfo(data, false);
    DrawBorder(painter, info, data);
    DrawContent(painter, ToQRect(info.Content), data, false);
}

void TInplaceEdit::UpdateShape() {
    if (fInShape || fDestroying) return;
    fInShape = true;
    struct TReset {
        bool& flag;
        ~TReset() { flag = false; }
    } reset{fInShape};

    std::unique_ptr<TEditViewData> data = CreateViewData(false);
    if (AutoSize()) {
        const TEditViewInfo sized = CalcViewInfo(*data, true);
        if (sized.Bounds.Height() != height()) {
            resize(width(), sized.Bounds.Height());
            updateGeometry();
        }
        data->Bounds = {0, 0, width(), height()};
    }
    const TEditViewInfo info = CalcViewInfo(*data, false);
    const TRect& b = info.Bounds;
    const TRect& c = info.Content;
    setContentsMargins(c.Left - b.Left, c.Top - b.Top, b.Right - c.Right, b.Bottom - c.Bottom);
    if (const auto region = BorderRegion(info)) {
        QRegion mask;
        for (const TRect& r : *region) mask += ToQRect(r);
        setMask(mask);
    } else {
        clearMask();
    }
    update();
}

QSize TInplaceEdit::sizeHint() const {
    if (!AutoSize()) return {121, 21};
    std::unique_ptr<TEditViewData> data = CreateViewData(false);
    return {121, CalcViewInfo(*data, true).Bounds.Height() - data->Bounds.Top};
}

QSize TInplaceEdit::minimumSizeHint() const {
    return {2 * kContentInset + 2, sizeHint().height()};
}

// ---- event boundary ----

void TInplaceEdit::Guard(const std::function<void()>& body) {
    try {
        body();
    } catch (const std::exception& e) {
        ReportLater(e.what());
    } catch (...) {
        ReportLater("Unknown error");
    }
}

void TInplaceEdit::paintEvent(QPaintEvent* e) {
    Guard([&] {
        std::unique_ptr<TEditViewData> data = CreateViewData(true);
        const TEditViewInfo info = CalcViewInfo(*data, false);
        const QRect content = ToQRect(info.Content);
        if (!Active() && PaintsInactive()) {
            QPainter p(this);
            DrawContent(p, content, *data, false);
            DrawBorder(p, info, *data);
            return;
        }
        if (content.width() > 0) {
            QPainter p(this);
            DrawContent(p, content, *data, true);
        }
        if (HasEditWindow()) QLineEdit::paintEvent(e);
        QPainter p(this);
        DrawBorder(p, info, *data);
    });
}

void TInplaceEdit::KeyDown(int& key, Qt::KeyboardModifiers shift) {
    if (key == Qt::Key_Escape) Undo();
    if (IsEditingKey(key, shift) && (!CanEdit() || !CanModify())) key = 0;
    if (key != 0 && OnKeyDown) OnKeyDown(this, key, shift);
}

void TInplaceEdit::KeyPress(QChar& key) {
    if (key == QChar(27)) {
        key = QChar();
        return;
    }
    // Characters are typed only into an edit that may change; Unicode beyond Latin-1 counts as
    // typed text too.
    if (HasEditWindow() && !CanModify() && (key == QChar('\t') || key.unicode() >= 32)) {
        key = QChar();
        return;
    }
    if (OnKeyPress) OnKeyPress(this, key);
}

void TInplaceEdit::PassKey(QKeyEvent* e) {
    if (HasEditWindow())
        QLineEdit::keyPressEvent(e);
    else
        QWidget::keyPressEvent(e);
}

void TInplaceEdit::keyPressEvent(QKeyEvent* e) {
    Guard([&] {
        int key = e->key();
        KeyDown(key, e->modifiers());
        if (key == 0) {
            e->accept();
            return;
        }
        if (key != e->key()) {
            // A key replaced by the key phase carries no character of its own.
            QKeyEvent replaced(e->type(), key, e->modifiers(), QString(), e->isAutoRepeat());
            PassKey(&replaced);
            e->setAccepted(replaced.isAccepted());
            return;
        }
        const QString text = e->text();
        if (text.size() != 1) {
            PassKey(e);
            return;
        }
        QChar ch = text.front();
        KeyPress(ch);
        if (ch.isNull()) {
            e->accept();
            return;
        }
        if (ch == text.front()) {
            PassKey(e);
            return;
        }
        QKeyEvent changed(e->type(), e->key(), e->modifiers(), QString(ch), e->isAutoRepeat(),
                          static_cast<quint16>(e->count()));
        PassKey(&changed);
        e->setAccepted(changed.isAccepted());
    });
}

void TInplaceEdit::PasteMessage() {
    if (CanModify()) paste();
}

void TInplaceEdit::CutMessage() {
    if (CanModify()) cut();
}

void TInplaceEdit::ClearMessage() {
    if (CanModify() && hasSelectedText()) del();
}

void TInplaceEdit::PostPasteMessage() {
    QMetaObject::invokeMethod(
        this, [this] { Guard([this] { PasteMessage(); }); }, Qt::QueuedConnection);
}

void TInplaceEdit::inputMethodEvent(QInputMethodEvent* e) {
    if (!e->commitString().isEmpty() && HasEditWindow() && !CanModify()) {
        e->accept();
        return;
    }
    QLineEdit::inputMethodEvent(e);
}

void TInplaceEdit::focusInEvent(QFocusEvent* e) {
    Guard([this] { FocusEntered(); });
    QLineEdit::focusInEvent(e);
    // Coming back after a refused exit, or from another window or a popup, is no new entry.
    if (fEntered) return;
    if (gFocusReturnEdit != nullptr && gFocusReturnEdit != this) return;
    fEntered = true;
    Guard([this] { DoEnter(); });
}

void TInplaceEdit::focusOutEvent(QFocusEvent* e) {
    Guard([this] { FocusLeft(); });
    const Qt::FocusReason reason = e->reason();
    const bool leavesEdit = reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason;
    if (fEntered && leavesEdit && !fFocusReturn && !fExiting) {
        fExiting = true;
        Guard([this] { DoExit(); });
        fExiting = false;
    }
    QLineEdit::focusOutEvent(e);
}

void TInplaceEdit::enterEvent(QEnterEvent* e) {
    QLineEdit::enterEvent(e);
    Guard([this] {
        SetHot(true);
        HotTrackUpdate();
        if (OnMouseEnter) OnMouseEnter(this);
    });
}

void TInplaceEdit::leaveEvent(QEvent* e) {
    QLineEdit::leaveEvent(e);
    Guard([this] {
        SetHot(false);
        HotTrackUpdate();
        if (OnMouseLeave) OnMouseLeave(this);
    });
}

void TInplaceEdit::resizeEvent(QResizeEvent* e) {
    QLineEdit::resizeEvent(e);
    Guard([this] { UpdateShape(); });
}

void TInplaceEdit::changeEvent(QEvent* e) {
    QLineEdit::changeEvent(e);
    switch (e->type()) {
    case QEvent::PaletteChange:
    case QEvent::EnabledChange:
        Guard([this] { StyleChanged(); });
        break;
    case QEvent::FontChange:
        Guard([this] { UpdateShape(); });
        break;
    default:
        break;
    }
}

bool TInplaceEdit::event(QEvent* e) {
    if (e->type() == QEvent::Polish) {
        // Descendants are complete now: their shape hooks and cursor apply.
        Guard([this] {
            setCursor(GetViewCursor(*CreateViewData(false)));
            UpdateShape();
        });
    }
    return QLineEdit::event(e);
}

} // namespace fprn::editcontrols
