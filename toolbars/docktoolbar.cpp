#include "docktoolbar.h"

#include "syscolors.h"

#include <QChildEvent>
#include <QCoreApplication>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>

namespace fprn::toolbars {

namespace {

QColor Resolve(TColor c, const QWidget* w) {
    return colors::ToQColor(c, w->palette());
}

} // namespace

// ================================ TCustomToolbar ================================

TCustomToolbar::TCustomToolbar() {
    RefreshToolWindowParams();
}

TCustomToolbar::~TCustomToolbar() {
    // A move or size of this bar ends before the toolbar part goes.
    CancelTracking();
    for (const TOrderEntry& e : fOrder)
        if (e.Live) e.Live->removeEventFilter(this);
}

void TCustomToolbar::GetToolWindowParams(TToolWindowParams& params) {
    params.UseBaseAlign = false;
    params.EightZoneSizing = false;
    params.ConfineCursorWhileSizing = false;
}

void TCustomToolbar::Purge() {
    if (!fOrderDirty) return;
    std::erase_if(fOrder,
                  [this](const TOrderEntry& e) { return !e.Live || e.Live->parent() != this; });
    fOrderDirty = false;
}

void TCustomToolbar::RequestArrange() {
    if (fArrangePosted || fPlacing > 0 || Destroying()) return;
    fArrangePosted = true;
    QCoreApplication::postEvent(this, new QEvent(QEvent::LayoutRequest));
}

bool TCustomToolbar::event(QEvent* e) {
    switch (e->type()) {
    case QEvent::ChildAdded: {
        QObject* child = static_cast<QChildEvent*>(e)->child();
        std::erase_if(fOrder, [child](const TOrderEntry& o) { return o.Raw == child; });
        if (child->isWidgetType()) {
            fOrder.push_back({child, child});
            fOrderDirty = true;
            child->installEventFilter(this);
            RequestArrange();
        }
        break;
    }
    case QEvent::ChildRemoved: {
        QObject* child = static_cast<QChildEvent*>(e)->child();
        const auto before = fOrder.size();
        for (const TOrderEntry& o : fOrder)
            if (o.Raw == child && o.Live) o.Live->removeEventFilter(this);
        // Only the pointer is compared: the child may be half destroyed.
        std::erase_if(fOrder, [child](const TOrderEntry& o) { return o.Raw == child; });
        if (fOrder.size() != before) RequestArrange();
        break;
    }
    case QEvent::LayoutRequest:
        if (fArrangePosted) {
            fArrangePosted = false;
            GuardHandler([&] { Arrange(); });
            return true;
        }
        break;
    default:
        break;
    }
    return TCustomToolWindow::event(e);
}

bool TCustomToolbar::eventFilter(QObject* object, QEvent* e) {
    switch (e->type()) {
    case QEvent::ShowToParent:
    case QEvent::HideToParent:
    case QEvent::Resize:
        // The layout's own placements do not ask for another one.
        if (fPlacing == 0 && object->parent() == this) RequestArrange();
        break;
    default:
        break;
    }
    return TCustomToolWindow::eventFilter(object, e);
}

std::vector<QWidget*> TCustomToolbar::OrderedControls() {
    Purge();
    std::vector<QWidget*> list;
    for (const TOrderEntry& e : fOrder)
        if (e.Live && e.Live->parent() == this)
            list.push_back(static_cast<QWidget*>(e.Live.data()));
    return list;
}

std::vector<QWidget*> TCustomToolbar::VisibleControls() {
    std::vector<QWidget*> list = OrderedControls();
    // Before the bar first shows Qt counts every child as hidden: then only those hidden on
    // purpose are.
    const bool shown = isVisible();
    std::erase_if(list, [shown](QWidget* w) {
        return w->isWindow() ||
               (w->isHidden() && (shown || w->testAttribute(Qt::WA_WState_ExplicitShowHide)));
    });
    return list;
}

std::vector<TToolbarItem> TCustomToolbar::ItemsOf(const std::vector<QWidget*>& controls) const {
    std::vector<TToolbarItem> items;
    items.reserve(controls.size());
    for (QWidget* w : controls) {
        TToolbarItem i;
        if (auto* sep = qobject_cast<TToolbarSep*>(w)) {
            i.Separator = true;
            i.Blank = sep->Blank();
            i.SizeHorz = sep->SizeHorz();
            i.SizeVert = sep->SizeVert();
        }
        i.Width = w->width();
        i.Height = w->height();
        items.push_back(i);
    }
    return items;
}

int TCustomToolbar::RowThickness(TDockOrientation orientation) {
    return ToolbarRowThickness(ItemsOf(VisibleControls()), orientation);
}

TToolbarLayout TCustomToolbar::LayoutFor(bool canMove, TDock* target) {
    TToolbarLayout layout;
    layout.Orientation = target ? target->Orientation() : doNone;
    layout.CanMove = canMove;
    layout.FloatingRightEdge = fFloatingRightEdge;
    if (target && target == DockedTo()) layout.RowSize = target->RowSize(DockRow(), this);
    return layout;
}

QSize TCustomToolbar::ArrangeControls(bool canMove, TDockOrientation, TDock* target) {
    const std::vector<QWidget*> controls = VisibleControls();
    std::vector<TToolbarItem> items = ItemsOf(controls);
    const TToolbarLayoutResult result = ArrangeToolbarItems(items, LayoutFor(canMove, target));
    if (canMove) {
        const QPoint origin = contentsRect().topLeft();
        ++fPlacing;
        struct Done {
            int& n;
            ~Done() { --n; }
        } done{fPlacing};
        for (std::size_t i = 0; i < controls.size(); ++i) {
            const QRect r = items[i].Bounds.translated(origin);
            if (controls[i]->geometry() != r) controls[i]->setGeometry(r);
        }
        fLines = result.Lines;
        update();
    }
    return result.ClientSize;
}

std::vector<QSize> TCustomToolbar::ListFloatingSizes() {
    return fprn::toolbars::ListFloatingSizes(ItemsOf(VisibleControls()));
}

bool TCustomToolbar::ChildIsTransparent(QWidget* control) {
    return qobject_cast<TToolbarSep*>(control) != nullptr;
}

void TCustomToolbar::InitializeOrdering() {
    fOrderDirty = true;
    Purge();
    const bool vertical = DockedTo() && DockedTo()->IsVertical();
    SortListWith(fOrder, [vertical](const TOrderEntry& a, const TOrderEntry& b) {
        const QWidget* wa = static_cast<const QWidget*>(a.Live.data());
        const QWidget* wb = static_cast<const QWidget*>(b.Live.data());
        return vertical ? wa->y() - wb->y() : wa->x() - wb->x();
    });
}

void TCustomToolbar::SizingBegin(int edge) {
    std::vector<QSize> sizes = ListFloatingSizes();
    for (QSize& s : sizes) s = AddFloatingNCSize(s);
    fSizing = std::make_unique<TToolbarSizing>(
        ToolbarSizingBegin(edge, std::move(sizes), size(), fFloatingRightEdge));
}

void TCustomToolbar::SizingTrack(QRect& rect, const QRect& startRect) {
    if (!fSizing) return;
    ToolbarSizingTrack(*fSizing, rect, startRect, TrackingPointer() - geometry().topLeft(), size(),
                       FrameMetrics().Frame.width());
}

void TCustomToolbar::SizingEnd(bool accept) {
    if (accept && fSizing) fFloatingRightEdge = fSizing->NewFloatingRightEdge;
    fSizing.reset();
}

void TCustomToolbar::paintEvent(QPaintEvent* e) {
    TCustomToolWindow::paintEvent(e);
    if (!Floating() || fLines.empty()) return;
    GuardHandler([&] {
        QPainter p(this);
        const QRect client = contentsRect();
        const QColor shadow = Resolve(colors::clBtnShadow, this);
        const QColor light = Resolve(colors::clBtnHighlight, this);
        for (const TLineSeparator& line : fLines) {
            if (line.Blank) continue;
            const int y = client.y() + line.Top;
            p.fillRect(client.x() + 1, y - 4, client.width() - 2, 1, shadow);
            p.fillRect(client.x() + 1, y - 3, client.width() - 2, 1, light);
        }
    });
}

void TCustomToolbar::resizeEvent(QResizeEvent* e) {
    TCustomToolWindow::resizeEvent(e);
    // A floating bar that changes shape paints anew.
    if (Floating()) update();
}

// ================================= TToolbarSep =================================

TToolbarSep::TToolbarSep(TCustomToolbar* toolbar) : QWidget(toolbar) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    resize(fSizeHorz, fSizeVert);
}

void TToolbarSep::SetParent(QWidget* parent) {
    if (parent && !qobject_cast<TCustomToolbar*>(parent))
        throw EInvalidOperation(STBToolbarSepParentNotAllowed);
    if (parent == parentWidget()) return;
    // Reparenting hides a widget; the separator keeps its own wish.
    const bool hidden = testAttribute(Qt::WA_WState_ExplicitShowHide) && isHidden();
    setParent(parent);
    if (parent && !hidden) show();
}

TCustomToolbar* TToolbarSep::Toolbar() const {
    return qobject_cast<TCustomToolbar*>(parentWidget());
}

void TToolbarSep::SetBlank(bool value) {
    if (value == fBlank) return;
    fBlank = value;
    update();
}

void TToolbarSep::SetSizeHorz(int value) {
    if (value == fSizeHorz) return;
    fSizeHorz = value;
    if (TCustomToolbar* bar = Toolbar()) bar->Arrange();
}

void TToolbarSep::SetSizeVert(int value) {
    if (value == fSizeVert) return;
    fSizeVert = value;
    if (TCustomToolbar* bar = Toolbar()) bar->Arrange();
}

void TToolbarSep::paintEvent(QPaintEvent*) {
    TCustomToolbar* bar = Toolbar();
    if (!bar || fBlank) return;
    GuardHandler([&] {
        QPainter p(this);
        const QColor shadow = Resolve(colors::clBtnShadow, this);
        const QColor light = Resolve(colors::clBtnHighlight, this);
        if (bar->DockedTo() && bar->DockedTo()->IsVertical()) {
            const int m = height() / 2;
            p.fillRect(0, m - 1, width(), 1, shadow);
            p.fillRect(0, m, width(), 1, light);
        } else {
            const int m = width() / 2;
            p.fillRect(m - 1, 0, 1, height(), shadow);
            p.fillRect(m, 0, 1, height(), light);
        }
    });
}

} // namespace fprn::toolbars
