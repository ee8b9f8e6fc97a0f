#include "toolbarbutton.h"

#include "dockversion.h"
#include "syscolors.h"
#include "toolwindow.h"

#include <QApplication>
#include <QDialog>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QShortcutEvent>

namespace fprn::toolbars {

// ================================= actions =================================

namespace {

QString ShortHintOf(const QString& hint) {
    const auto bar = hint.indexOf(QLatin1Char('|'));
    return bar < 0 ? hint : hint.left(bar);
}

QString LongHintOf(const QString& hint) {
    const auto bar = hint.indexOf(QLatin1Char('|'));
    return bar < 0 ? hint : hint.mid(bar + 1);
}

QString HintOf(const QAction* action) {
    if (auto* ca = qobject_cast<const TCustomAction*>(action)) return ca->Hint();
    const QString status = action->statusTip();
    return status.isEmpty() ? action->toolTip() : action->toolTip() + QLatin1Char('|') + status;
}

} // namespace

void TCustomAction::SetImageIndex(int value) {
    if (value == fImageIndex) return;
    fImageIndex = value;
    emit changed();
}

void TCustomAction::SetHelpContext(int value) {
    if (value == fHelpContext) return;
    fHelpContext = value;
    emit changed();
}

void TCustomAction::SetHint(const QString& value) {
    if (value == fHint) return;
    fHint = value;
    setToolTip(ShortHintOf(value));
    setStatusTip(LongHintOf(value));
    emit changed();
}

TToolbarButtonActionLink::TToolbarButtonActionLink(TToolbarButton* client, QAction* action)
    : fClient(client), fAction(action) {
    connect(action, &QAction::changed, this, [this] {
        GuardHandler([&] {
            if (fAction) fClient->ActionChange(false);
        });
    });
}

void TToolbarButtonActionLink::Execute() {
    if (fAction) fAction->trigger();
}

// ================================= buttons =================================

namespace {

constexpr THookCodes kButtonCodes = HookCodeBit(hcActivateAppSent) | HookCodeBit(hcMouseMovePosted);

// What all buttons share; lives from the first button to the last.
struct TButtonShared {
    QTimer Hover;
    QPointer<TToolbarButton> Hot;
    QPixmap Pattern;
    QRgb Face = 0;
    QRgb Highlight = 0;
    int Count = 0;
    QPoint Pointer; // last pointer position seen
};
TButtonShared* gShared = nullptr;
long gRepaints = 0;

// The down pattern: the face with the highlight on every pixel whose x + y is even.
const QPixmap& DownPattern(const QPalette& palette) {
    const QRgb face = colors::ToQColor(colors::clBtnFace, palette).rgb();
    const QRgb light = colors::ToQColor(colors::clBtnHighlight, palette).rgb();
    if (gShared->Pattern.isNull() || face != gShared->Face || light != gShared->Highlight) {
        QImage img(8, 8, QImage::Format_RGB32);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) img.setPixel(x, y, (x + y) % 2 == 0 ? light : face);
        gShared->Pattern = QPixmap::fromImage(img);
        gShared->Face = face;
        gShared->Highlight = light;
    }
    return gShared->Pattern;
}

TMouseButton MouseButtonOf(Qt::MouseButton b) {
    return b == Qt::LeftButton ? mbLeft : b == Qt::RightButton ? mbRight : mbMiddle;
}

} // namespace

void ButtonHookCallback(THookCode code, const THookPayload& payload) {
    if (!gShared) return;
    if (code == hcMouseMovePosted) gShared->Pointer = payload.GlobalPos;
    TToolbarButton* hot = gShared->Hot;
    if (!hot) return;
    if (code == hcMouseMovePosted && payload.Target != hot) hot->EndHot();
    if (code == hcActivateAppSent && !payload.Active && !hot->fShowBorderWhenInactive)
        hot->EndHot();
}

TToolbarButton::TToolbarButton(QWidget* parent) : QWidget(parent) {
    if (!gShared) {
        gShared = new TButtonShared;
        gShared->Hover.setInterval(125);
        QObject::connect(&gShared->Hover, &QTimer::timeout, [] {
            if (gShared && gShared->Hot) gShared->Hot->HoverTick();
        });
    }
    ++gShared->Count;
    UseApplicationHookFilters();
    RegisterHookCallback(ButtonHookCallback, kButtonCodes);
    resize(23, 22);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent, fOpaque || !fModel.Flat);
    fGlyph.SetColors(GlyphColorsOf(palette()));
    fGlyph.OnChange = [this] { RequestRepaint(); };
    connect(&fRepeatTimer, &QTimer::timeout, this, [this] { GuardHandler([&] { RepeatTick(); }); });
}

TToolbarButton::~TToolbarButton() {
    fGlyph.OnChange = nullptr;
    StopHotTracking();
    fLink.reset();
    UnregisterHookCallback(ButtonHookCallback);
    if (--gShared->Count == 0) {
        delete gShared;
        gShared = nullptr;
    }
}

const char* TToolbarButton::Version() const {
    return kToolbarVersion;
}

void TToolbarButton::RequestRepaint() {
    ++gRepaints;
    update();
}

bool TToolbarButton::Run(const TButtonEffects& effects, QMouseEvent* e) {
    QPointer<TToolbarButton> self(this);
    auto fire = [&](const TButtonMouseEvent& event) {
        if (!event || !e) return;
        const QPoint p = e->position().toPoint();
        event(this, e->button(), e->modifiers(), p.x(), p.y());
    };
    for (TButtonEffect effect : effects) {
        if (!self) return false;
        switch (effect) {
        case beRepaint:
            RequestRepaint();
            break;
        case beMouseEnter:
            if (OnMouseEnter) OnMouseEnter(this);
            break;
        case beMouseExit:
            if (OnMouseExit) OnMouseExit(this);
            break;
        case beStopHotTracking:
            StopHotTracking();
            break;
        case beMouseDown:
            fire(OnMouseDown);
            break;
        case beMouseMove:
            fire(OnMouseMove);
            break;
        case beMouseUp:
            fire(OnMouseUp);
            break;
        case beHotTrack:
            if (e) HotTrackEntry(e->globalPosition().toPoint());
            break;
        case beClick:
            Click();
            break;
        case beInheritedClick:
            InheritedClick();
            break;
        case beReleaseCapture:
            fCaptured = false;
            break;
        case beDropdown:
            Dropdown();
            break;
        case beModalResult:
            ApplyModalResult();
            break;
        case beSyncGroup:
            SyncGroup();
            break;
        case beCancelMode: {
            TButtonEffects cancel;
            fModel.CancelMode(cancel);
            fCaptured = false;
            SyncRepeatTimer();
            Run(cancel);
            break;
        }
        }
    }
    return self;
}

// ---- hot tracking ----

void TToolbarButton::HotTrackEntry(QPoint global) {
    if (gShared->Hot == this || QApplication::widgetAt(global) != this) return;
    if (QPointer<TToolbarButton> old = gShared->Hot) old->EndHot();
    if (!fShowBorderWhenInactive && !AppHasActiveWindow()) return;
    gShared->Hot = this;
    gShared->Hover.start();
    TButtonEffects e;
    fModel.BeginHot(e);
    Run(e);
}

void TToolbarButton::StopHotTracking() {
    if (!gShared || gShared->Hot != this) return;
    gShared->Hover.stop();
    gShared->Hot = nullptr;
}

void TToolbarButton::EndHot() {
    GuardHandler([&] {
        TButtonEffects e;
        fModel.EndHot(e);
        Run(e);
    });
}

void TToolbarButton::HoverTick() {
    if (QApplication::widgetAt(gShared->Pointer) != this) EndHot();
}

void TToolbarButton::leaveEvent(QEvent* e) {
    EndHot();
    QWidget::leaveEvent(e);
}

// ---- mouse ----

void TToolbarButton::Press(QMouseEvent* e) {
    QPointer<TToolbarButton> self(this);
    fLastPos = e->position().toPoint();
    gShared->Pointer = e->globalPosition().toPoint();
    struct Done {
        QPointer<TToolbarButton>& self;
        ~Done() {
            if (!self) return;
            self->fModel.MouseDownDone();
            self->SyncRepeatTimer();
        }
    } done{self};
    TButtonEffects effects;
    fModel.MouseDown(MouseButtonOf(e->button()), fLastPos.x(), fLastPos.y(), effects);
    if (fModel.MouseIsDown) fCaptured = true;
    Run(effects, e);
}

void TToolbarButton::mousePressEvent(QMouseEvent* e) {
    e->accept();
    GuardHandler([&] { Press(e); });
}

void TToolbarButton::mouseDoubleClickEvent(QMouseEvent* e) {
    e->accept();
    QPointer<TToolbarButton> self(this);
    GuardHandler([&] {
        Press(e);
        if (self && fModel.Down && OnDblClick) OnDblClick(this);
    });
}

void TToolbarButton::mouseMoveEvent(QMouseEvent* e) {
    e->accept();
    QPointer<TToolbarButton> self(this);
    GuardHandler([&] {
        fLastPos = e->position().toPoint();
        gShared->Pointer = e->globalPosition().toPoint();
        TButtonEffects effects;
        fModel.MouseMove(fLastPos.x(), fLastPos.y(), effects);
        if (Run(effects, e)) SyncRepeatTimer();
    });
}

void TToolbarButton::mouseReleaseEvent(QMouseEvent* e) {
    e->accept();
    GuardHandler([&] {
        fLastPos = e->position().toPoint();
        if (e->button() == Qt::LeftButton) fCaptured = false;
        TButtonEffects effects;
        fModel.MouseUp(MouseButtonOf(e->button()), fLastPos.x(), fLastPos.y(), effects);
        SyncRepeatTimer();
        Run(effects, e);
    });
}

void TToolbarButton::SyncRepeatTimer() {
    if (fModel.Repeat == rtEnabled) {
        if (!fRepeatTimer.isActive() || fRepeatTimer.interval() != fModel.RepeatTimerInterval)
            fRepeatTimer.start(fModel.RepeatTimerInterval);
    } else {
        fRepeatTimer.stop();
    }
}

void TToolbarButton::RepeatTick() {
    TButtonEffects effects;
    fModel.RepeatTick(fCaptured, fLastPos.x(), fLastPos.y(), effects);
    // The timer is only stopped here: this runs inside its own tick.
    SyncRepeatTimer();
    Run(effects);
}

// ---- click ----

void TToolbarButton::Click() {
    QPointer<TToolbarButton> self(this);
    TButtonEffects effects;
    const bool full = fModel.Click(effects);
    auto end = [&] {
        if (!self || !full) return;
        TButtonEffects after;
        fModel.ClickEnd(false, after);
        Run(after);
    };
    try {
        Run(effects);
    } catch (...) {
        end();
        throw;
    }
    end();
}

void TToolbarButton::InheritedClick() {
    if (OnClick)
        OnClick(this);
    else if (fLink)
        fLink->Execute();
}

void TToolbarButton::ApplyModalResult() {
    if (fModalResult == 0) return;
    if (auto* dialog = qobject_cast<QDialog*>(window())) dialog->done(fModalResult);
}

void TToolbarButton::Dropdown() {
    QPointer<TToolbarButton> self(this);
    bool showMenu = fDropdownMenu != nullptr;
    bool removeClicks = true;
    if (OnDropdown) OnDropdown(this, showMenu, removeClicks);
    if (!self || !fDropdownMenu || !showMenu) return;
    QPointer<QMenu> menu = fDropdownMenu;
    QPoint at(0, height());
    bool rightAligned = false;
    switch (DockPositionOfControl(this)) {
    case dpLeft:
        at = QPoint(width(), 0);
        break;
    case dpRight:
        at = QPoint(0, 0);
        rightAligned = true;
        break;
    default:
        break;
    }
    QPoint global = mapToGlobal(at);
    if (rightAligned) global.rx() -= menu->sizeHint().width();
    // A press on this button that closes the menu does not reach the button again.
    menu->setNoReplayFor(removeClicks ? this : nullptr);
    menu->exec(global);
    if (menu) menu->setNoReplayFor(nullptr);
}

void TToolbarButton::SyncGroup() {
    if (fModel.GroupIndex == 0 || !parentWidget()) return;
    for (QObject* o : parentWidget()->children()) {
        auto* b = qobject_cast<TToolbarButton*>(o);
        if (!b || b == this || b->fModel.GroupIndex != fModel.GroupIndex) continue;
        if (fModel.Down && b->fModel.Down) {
            TButtonEffects e;
            b->fModel.ReleaseFromGroup(e);
            b->Run(e);
        }
        b->fModel.AllowAllUp = fModel.AllowAllUp;
    }
}

// ---- keys ----

bool TToolbarButton::CanTakeKeys() const {
    const QWidget* p = parentWidget();
    return isEnabled() && isVisible() && p && p->isEnabled() && p->isVisible();
}

void TToolbarButton::UpdateShortcuts() {
    for (int* id : {&fMnemonicId, &fReturnId, &fEnterId, &fEscapeId}) {
        if (*id) releaseShortcut(*id);
        *id = 0;
    }
    const QKeySequence mnemonic = QKeySequence::mnemonic(fCaption);
    if (!mnemonic.isEmpty() && fDisplayMode != dmGlyphOnly)
        fMnemonicId = grabShortcut(mnemonic, Qt::WindowShortcut);
    if (fDefault) {
        fReturnId = grabShortcut(QKeySequence(Qt::Key_Return), Qt::WindowShortcut);
        fEnterId = grabShortcut(QKeySequence(Qt::Key_Enter), Qt::WindowShortcut);
    }
    if (fCancel) fEscapeId = grabShortcut(QKeySequence(Qt::Key_Escape), Qt::WindowShortcut);
}

bool TToolbarButton::event(QEvent* e) {
    fModel.Width = width();
    fModel.Height = height();
    if (e->type() == QEvent::Shortcut) {
        const int id = static_cast<QShortcutEvent*>(e)->shortcutId();
        const bool mnemonic = id == fMnemonicId && fDisplayMode != dmGlyphOnly;
        const bool key =
            ((id == fReturnId || id == fEnterId) && fDefault) || (id == fEscapeId && fCancel);
        if (id != 0 && (mnemonic || key)) {
            if (CanTakeKeys()) GuardHandler([&] { Click(); });
            return true;
        }
    }
    return QWidget::event(e);
}

// ---- changes ----

void TToolbarButton::changeEvent(QEvent* e) {
    GuardHandler([&] {
        switch (e->type()) {
        case QEvent::EnabledChange: {
            fModel.Enabled = isEnabled();
            TButtonEffects effects;
            fModel.EnabledChanged(effects);
            Run(effects);
            break;
        }
        case QEvent::PaletteChange:
            PaletteChanged();
            break;
        case QEvent::FontChange:
            RequestRepaint();
            break;
        default:
            break;
        }
    });
    QWidget::changeEvent(e);
}

void TToolbarButton::PaletteChanged() {
    // New colours: the pattern and the glyph images are made again on the next paint.
    fGlyph.SetColors(GlyphColorsOf(palette()));
    if (gShared->Face != colors::ToQColor(colors::clBtnFace, palette()).rgb() ||
        gShared->Highlight != colors::ToQColor(colors::clBtnHighlight, palette()).rgb())
        gShared->Pattern = QPixmap();
    RequestRepaint();
}

void TToolbarButton::UpdateUsesDropdown() {
    const bool uses = fDropdownAlways || fDropdownMenu;
    if (uses == fModel.UsesDropdown) return;
    fModel.UsesDropdown = uses;
    if (fDropdownArrow || fModel.DropdownCombo) RequestRepaint();
}

// ---- properties ----

QAction* TToolbarButton::Action() const {
    return fLink ? fLink->Action() : nullptr;
}

void TToolbarButton::SetAction(QAction* value) {
    if (value == Action()) return;
    fLink.reset();
    if (!value) return;
    fLink = std::make_unique<TToolbarButtonActionLink>(this, value);
    ActionChange(IsLoading(this));
}

void TToolbarButton::ActionChange(bool checkDefaults) {
    QAction* a = Action();
    if (!a) return;
    QPointer<TToolbarButton> self(this);
    if (!checkDefaults || fCaption.isEmpty()) SetCaption(a->text());
    if (!checkDefaults || isEnabled()) setEnabled(a->isEnabled());
    if (!checkDefaults || fHint.isEmpty()) SetHint(HintOf(a));
    if (!checkDefaults || !isHidden()) {
        // A button without a parent would show as a window of its own.
        if (!a->isVisible() || parentWidget()) setVisible(a->isVisible());
    }
    if (!self) return;
    if (!checkDefaults || !Down()) SetDown(a->isChecked());
    if (auto* ca = qobject_cast<TCustomAction*>(a)) {
        if (!checkDefaults || fHelpContext == 0) fHelpContext = ca->HelpContext();
        if (!checkDefaults || ImageIndex() == -1) SetImageIndex(ca->ImageIndex());
    }
}

void TToolbarButton::AssignTo(TCustomAction* action) const {
    action->setText(fCaption);
    action->setEnabled(isEnabled());
    action->SetHint(fHint);
    action->setVisible(!isHidden());
    action->SetHelpContext(fHelpContext);
    action->SetImageIndex(ImageIndex());
    if (fModel.Down) action->setCheckable(true);
    action->setChecked(fModel.Down);
}

void TToolbarButton::SetAlignment(TAlignment value) {
    if (value == fAlignment) return;
    fAlignment = value;
    RequestRepaint();
}

void TToolbarButton::SetAllowAllUp(bool value) {
    fModel.AllowAllUp = value;
    SyncGroup();
}

void TToolbarButton::SetCancel(bool value) {
    if (value == fCancel) return;
    fCancel = value;
    UpdateShortcuts();
}

void TToolbarButton::SetCaption(const QString& value) {
    if (value == fCaption) return;
    fCaption = value;
    setAccessibleName(QString(value).remove(QLatin1Char('&')));
    UpdateShortcuts();
    RequestRepaint();
}

void TToolbarButton::SetColor(TColor value) {
    if (value == fColor) return;
    fColor = value;
    RequestRepaint();
}

void TToolbarButton::SetDefault(bool value) {
    if (value == fDefault) return;
    fDefault = value;
    UpdateShortcuts();
}

void TToolbarButton::SetDisplayMode(TButtonDisplayMode value) {
    if (value == fDisplayMode) return;
    fDisplayMode = value;
    UpdateShortcuts();
    RequestRepaint();
}

void TToolbarButton::SetDown(bool value) {
    TButtonEffects e;
    fModel.SetDown(value, e);
    Run(e);
}

void TToolbarButton::SetDropdownAlways(bool value) {
    fDropdownAlways = value;
    UpdateUsesDropdown();
}

void TToolbarButton::SetDropdownArrow(bool value) {
    if (value == fDropdownArrow) return;
    fDropdownArrow = value;
    RequestRepaint();
}

void TToolbarButton::SetDropdownArrowWidth(int value) {
    value = std::max(value, 7);
    const int delta = value - fModel.DropdownArrowWidth;
    if (delta == 0) return;
    fModel.DropdownArrowWidth = value;
    if (fModel.DropdownCombo && !IsLoading(this)) resize(std::max(1, width() + delta), height());
    RequestRepaint();
}

void TToolbarButton::SetDropdownCombo(bool value) {
    if (value == fModel.DropdownCombo) return;
    fModel.DropdownCombo = value;
    if (!IsLoading(this)) {
        const int part = fModel.DropdownArrowWidth + 2;
        resize(std::max(1, width() + (value ? part : -part)), height());
    }
    RequestRepaint();
}

void TToolbarButton::SetDropdownMenu(QMenu* value) {
    if (value == fDropdownMenu) return;
    if (fDropdownMenu) disconnect(fDropdownMenu, &QObject::destroyed, this, nullptr);
    fDropdownMenu = value;
    if (value)
        connect(value, &QObject::destroyed, this, [this] {
            fDropdownMenu = nullptr;
            UpdateUsesDropdown();
        });
    UpdateUsesDropdown();
}

void TToolbarButton::SetFlat(bool value) {
    if (value == fModel.Flat) return;
    fModel.Flat = value;
    setAttribute(Qt::WA_OpaquePaintEvent, fOpaque || !value);
    RequestRepaint();
}

void TToolbarButton::SetGlyph(const QImage& value) {
    fGlyph.SetGlyph(value);
    fModel.NumGlyphs = fGlyph.NumGlyphs();
}

void TToolbarButton::SetGlyphMask(const QImage& value) {
    fGlyph.SetGlyphMask(value);
}

void TToolbarButton::SetGroupIndex(int value) {
    fModel.GroupIndex = value;
    SyncGroup();
}

void TToolbarButton::SetHint(const QString& value) {
    fHint = value;
    setToolTip(ShortHintOf(value));
    setStatusTip(LongHintOf(value));
}

void TToolbarButton::SetHighlightWhenDown(bool value) {
    if (value == fHighlightWhenDown) return;
    fHighlightWhenDown = value;
    if (fModel.Down) RequestRepaint();
}

void TToolbarButton::SetImageIndex(int value) {
    fGlyph.SetImageIndex(value);
}

void TToolbarButton::SetImages(TImageList* value) {
    fGlyph.SetImages(value);
    fModel.NumGlyphs = fGlyph.NumGlyphs();
}

void TToolbarButton::SetLayout(TButtonLayout value) {
    if (value == fLayout) return;
    fLayout = value;
    RequestRepaint();
}

void TToolbarButton::SetMargin(int value) {
    if (value < -1 || value == fMargin) return;
    fMargin = value;
    RequestRepaint();
}

void TToolbarButton::SetNoBorder(bool value) {
    if (value == fNoBorder) return;
    fNoBorder = value;
    update();
}

void TToolbarButton::SetNumGlyphs(int value) {
    value = std::clamp(value, 1, kMaxGlyphs);
    fGlyph.SetNumGlyphs(value);
    fModel.NumGlyphs = fGlyph.NumGlyphs();
    RequestRepaint();
}

void TToolbarButton::SetOldDisabledStyle(bool value) {
    fGlyph.SetOldDisabledStyle(value);
    RequestRepaint();
}

void TToolbarButton::SetOpaque(bool value) {
    if (value == fOpaque) return;
    fOpaque = value;
    setAttribute(Qt::WA_OpaquePaintEvent, value || !fModel.Flat);
    update();
}

void TToolbarButton::SetSpacing(int value) {
    if (value == fSpacing) return;
    fSpacing = value;
    RequestRepaint();
}

void TToolbarButton::SetWordWrap(bool value) {
    if (value == fWordWrap) return;
    fWordWrap = value;
    RequestRepaint();
}

// ---- paint ----

void TToolbarButton::paintEvent(QPaintEvent*) {
    GuardHandler([&] {
        fModel.Width = width();
        fModel.Height = height();
        TButtonLook look;
        look.Opaque = fOpaque;
        look.NoBorder = fNoBorder;
        look.HighlightWhenDown = fHighlightWhenDown;
        look.DropdownArrow = fDropdownArrow;
        const TButtonPaintPlan plan = ButtonPaintPlan(fModel, look);
        QPainter p(this);
        if (plan.FillBackground) p.fillRect(rect(), colors::ToQColor(fColor, palette()));
        TFillList fills;
        for (const TEdgePaint& edge : plan.Edges)
            AddEdgeFills(fills, edge.Rect, edge.Edge, edge.Flags);
        for (const TFill& f : fills) p.fillRect(f.Rect, colors::ToQColor(f.Color, palette()));
        if (plan.Pattern) {
            p.setBrushOrigin(0, 0);
            p.fillRect(plan.PatternRect, QBrush(DownPattern(palette())));
        }
        p.setFont(font());
        p.setPen(palette().color(QPalette::ButtonText));
        fGlyph.DrawContent(p, plan.Content, fModel.State, fModel.DropdownArrowWidth, plan.ShowArrow,
                           fSpacing, fMargin, fLayout, fAlignment, fWordWrap, fCaption,
                           fDisplayMode != dmGlyphOnly, fDisplayMode != dmTextOnly, plan.Offset);
        if (plan.ComboArrow)
            fGlyph.DrawDropdownArrow(p, plan.ComboArrowAt.x(), fModel.State,
                                     fModel.DropdownArrowWidth, plan.ComboArrowAt.y());
    });
}

// ---- test seam ----

TToolbarButton* TButtonTestSeam::HotButton() {
    return gShared ? gShared->Hot.data() : nullptr;
}

bool TButtonTestSeam::HoverActive() {
    return gShared && gShared->Hover.isActive();
}

void TButtonTestSeam::FireHover() {
    // What the timer's tick runs.
    if (gShared && gShared->Hover.isActive() && gShared->Hot) gShared->Hot->HoverTick();
}

bool TButtonTestSeam::RepeatActive(const TToolbarButton* button) {
    return button->fRepeatTimer.isActive();
}

int TButtonTestSeam::RepeatInterval(const TToolbarButton* button) {
    return button->fRepeatTimer.interval();
}

void TButtonTestSeam::FireRepeat(TToolbarButton* button) {
    if (button->fRepeatTimer.isActive()) GuardHandler([&] { button->RepeatTick(); });
}

long TButtonTestSeam::Repaints() {
    return gRepaints;
}

void TButtonTestSeam::Show(TToolbarButton* button, TButtonState state, bool mouseInControl,
                           bool menuIsDown) {
    button->fModel.State = state;
    button->fModel.MouseInControl = mouseInControl;
    button->fModel.MenuIsDown = menuIsDown;
    button->update();
}

} // namespace fprn::toolbars
