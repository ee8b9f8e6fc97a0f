#include "dock.h"

#include "dockinternal.h"
#include "dockversion.h"
#include "glyphimage.h"
#include "syscolors.h"
#include "toolwindow.h"

#include <QContextMenuEvent>
#include <QLayout>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace fprn::toolbars {

namespace {

bool LayoutContains(const QLayout* layout, const QWidget* widget) {
    if (!layout) return false;
    for (int i = 0; i < layout->count(); ++i) {
        QLayoutItem* item = layout->itemAt(i);
        if (item->widget() == widget) return true;
        if (LayoutContains(item->layout(), widget)) return true;
    }
    return false;
}

int PositiveMod(int a, int b) {
    const int m = a % b;
    return m < 0 ? m + b : m;
}

} // namespace

TDock::TDock(QWidget* parent) : QWidget(nullptr) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    ApplyPositionPolicy();
    SetParent(parent);
}

TDock::~TDock() {
    fDestroying = true;
    // Bars that float with this dock as their last or default dock forget it.
    for (TCustomToolWindow* bar : std::vector<TCustomToolWindow*>(gAllBars)) bar->DockGone(this);
    // Docked bars die with the dock, while it is still whole.
    const auto kids = findChildren<TCustomToolWindow*>(Qt::FindDirectChildrenOnly);
    for (TCustomToolWindow* bar : kids) delete bar;
    fBarList.clear();
    fVisibleList.clear();
}

void TDock::SetParent(QWidget* newParent) {
    if (newParent &&
        (qobject_cast<TCustomToolWindow*>(newParent) || qobject_cast<TDock*>(newParent)))
        throw EInvalidOperation(STBDockParentNotAllowed);
    if (newParent == parentWidget()) return;
    setParent(newParent);
    ArrangeBars(false);
}

const char* TDock::Version() const {
    return kToolbarVersion;
}

int TDock::NonClientWidth() const {
    return ((fBoundLines & SetBit(blLeft)) ? 1 : 0) + ((fBoundLines & SetBit(blRight)) ? 1 : 0);
}

int TDock::NonClientHeight() const {
    return ((fBoundLines & SetBit(blTop)) ? 1 : 0) + ((fBoundLines & SetBit(blBottom)) ? 1 : 0);
}

void TDock::SetAllowDrag(bool value) {
    if (value == fAllowDrag) return;
    fAllowDrag = value;
    for (TCustomToolWindow* bar : findChildren<TCustomToolWindow*>(Qt::FindDirectChildrenOnly))
        bar->CalcNCArea();
}

void TDock::SetBackground(const QImage& value) {
    fBackground = value.convertToFormat(QImage::Format_RGB32);
    BackgroundChanged();
}

void TDock::SetBackgroundOnToolbars(bool value) {
    if (value == fBackgroundOnToolbars) return;
    fBackgroundOnToolbars = value;
    InvalidateBackground();
}

void TDock::SetBackgroundTransparent(bool value) {
    if (value == fBackgroundTransparent) return;
    fBackgroundTransparent = value;
    if (HasBackground()) BackgroundChanged();
}

void TDock::SetBoundLines(TDockBoundLines value) {
    if (value == fBoundLines) return;
    fBoundLines = value;
    setContentsMargins((value & SetBit(blLeft)) ? 1 : 0, (value & SetBit(blTop)) ? 1 : 0,
                       (value & SetBit(blRight)) ? 1 : 0, (value & SetBit(blBottom)) ? 1 : 0);
    update();
    ArrangeBars(false);
}

void TDock::SetColor(TColor value) {
    if (value == fColor) return;
    fColor = value;
    if (HasBackground())
        BackgroundChanged();
    else
        InvalidateBackground();
}

void TDock::SetFixAlign(bool value) {
    if (value == fFixAlign) return;
    fFixAlign = value;
    ArrangeBars(false);
}

void TDock::SetPosition(TDockPosition value) {
    if (value == fPosition) return;
    if (!findChildren<QWidget*>(Qt::FindDirectChildrenOnly).isEmpty())
        throw EInvalidOperation(STBDockCannotChangePosition);
    fPosition = value;
    ApplyPositionPolicy();
    ArrangeBars(false);
}

void TDock::ApplyPositionPolicy() {
    // Unfix the old thickness before the new one is applied.
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    if (IsVertical())
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    else
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

bool TDock::InLayout() const {
    const QWidget* p = parentWidget();
    return p && LayoutContains(p->layout(), this);
}

void TDock::ApplyThickness(int thickness) {
    if (InLayout()) {
        if (IsVertical())
            setFixedWidth(thickness);
        else
            setFixedHeight(thickness);
        return;
    }
    QRect g = geometry();
    switch (fPosition) {
    case dpTop:
        g.setHeight(thickness);
        break;
    case dpLeft:
        g.setWidth(thickness);
        break;
    case dpBottom:
        g = QRect(g.x(), g.y() + g.height() - thickness, g.width(), thickness);
        break;
    case dpRight:
        g = QRect(g.x() + g.width() - thickness, g.y(), thickness, g.height());
        break;
    }
    if (g != geometry()) setGeometry(g);
}

void TDock::BeginArrange() {
    ++fArrangeDisable;
}

void TDock::EndArrange() {
    if (fArrangeDisable <= 0) return;
    if (--fArrangeDisable == 0 && fArrangeNeeded) ArrangeBars(fClipPositions);
}

void TDock::ArrangeBars(bool clipPositions) {
    if (clipPositions) fClipPositions = true;
    if (fArrangeDisable > 0 || fDestroying || IsLoading(this)) {
        fArrangeNeeded = true;
        return;
    }
    ++fArrangeDisable;
    ++fArrangeCount;
    struct Close {
        TDock* d;
        ~Close() {
            --d->fArrangeDisable;
            d->fArrangeNeeded = false;
            d->fClipPositions = false;
        }
    } close{this};

    if (QWidget* p = parentWidget(); p && !p->children().isEmpty() && p->children().last() != this)
        raise();

    std::vector<TBarSlot> records(fBarList.size());
    std::vector<TBarSlot*> bars(fBarList.size());
    std::vector<TBarSlot*> visible;
    visible.reserve(fVisibleList.size());
    const TDockOrientation orientation = Orientation();
    for (std::size_t i = 0; i < fBarList.size(); ++i) {
        TCustomToolWindow* bar = fBarList[i];
        TBarSlot& s = records[i];
        s.DockRow = bar->fDockRow;
        s.DockPos = bar->fDockPos;
        s.FullSize = bar->fFullSize;
        s.Width = bar->width();
        s.Height = bar->height();
        s.Tag = static_cast<int>(i);
        bars[i] = &s;
    }
    for (TCustomToolWindow* bar : fVisibleList) {
        const auto it = std::find(fBarList.begin(), fBarList.end(), bar);
        if (it == fBarList.end()) continue;
        TBarSlot& s = records[static_cast<std::size_t>(it - fBarList.begin())];
        s.Visible = true;
        s.Thickness = bar->RowThickness(orientation);
        visible.push_back(&s);
    }

    TArrangeParams params;
    params.Vertical = IsVertical();
    params.LimitToOneRow = fLimitToOneRow;
    params.ClipPositions = fClipPositions;
    params.FixAlign = fFixAlign;
    params.AvailableLength =
        params.Vertical ? height() - NonClientHeight() : width() - NonClientWidth();
    params.NonClientAcross = params.Vertical ? NonClientWidth() : NonClientHeight();
    const TArrangeResult result = ArrangeBarSlots(bars, visible, params);

    const std::vector<TCustomToolWindow*> old = fBarList;
    for (std::size_t i = 0; i < bars.size(); ++i) {
        TCustomToolWindow* bar = old[static_cast<std::size_t>(bars[i]->Tag)];
        bar->fDockRow = bars[i]->DockRow;
        bar->fDockPos = bars[i]->DockPos;
        fBarList[i] = bar;
    }
    fVisibleList.clear();
    for (TBarSlot* s : visible) fVisibleList.push_back(old[static_cast<std::size_t>(s->Tag)]);
    fRowSizes = result.RowSizes;

    const QPoint client = contentsRect().topLeft();
    for (TBarSlot* s : visible) {
        TCustomToolWindow* bar = old[static_cast<std::size_t>(s->Tag)];
        ++bar->fUpdatingBounds;
        bar->setGeometry(s->Bounds.translated(client));
        --bar->fUpdatingBounds;
    }
    ApplyThickness(result.Thickness);
}

void TDock::ChangeDockList(bool insert, TCustomToolWindow* bar) {
    if (insert) {
        if (!Contains(fBarList, bar)) fBarList.push_back(bar);
    } else {
        Remove(fBarList, bar);
    }
    ChangeVisibleList(bar, false);
}

void TDock::ChangeVisibleList(TCustomToolWindow* bar, bool forceRemove) {
    const bool wanted = !forceRemove && IsBarVisibleIn(bar) && Contains(fBarList, bar);
    const bool listed = Contains(fVisibleList, bar);
    if (wanted == listed) return;
    if (wanted)
        fVisibleList.push_back(bar);
    else
        Remove(fVisibleList, bar);
    ArrangeBars(false);
    if (OnInsertRemoveBar && !fDestroying) OnInsertRemoveBar(this, wanted, bar);
}

bool TDock::IsBarVisibleIn(const TCustomToolWindow* bar) const {
    return bar->parentWidget() == this && bar->Visible();
}

bool TDock::HasVisibleBars() const {
    return std::any_of(fBarList.begin(), fBarList.end(),
                       [this](const TCustomToolWindow* b) { return IsBarVisibleIn(b); });
}

int TDock::HighestRow() const {
    int h = -1;
    for (const TCustomToolWindow* b : fBarList) h = std::max(h, b->fDockRow);
    return h;
}

int TDock::RowSize(int row, TCustomToolWindow* bar) const {
    int size = RowSizeAt(fRowSizes, row);
    if (size == 0 && bar) size = bar->RowThickness(Orientation());
    return size;
}

void TDock::BuildRowSizes() {
    fRowSizes.clear();
    const int highest = HighestRow();
    for (int row = 0; row <= highest; ++row) {
        int size = 0;
        bool any = false;
        for (TCustomToolWindow* b : fVisibleList) {
            if (b->fDockRow != row) continue;
            any = true;
            size = std::max(size, b->RowThickness(Orientation()));
        }
        fRowSizes.push_back(any ? std::max(size, 8) : 0);
    }
}

int TDock::RowAtPosition(int pos, bool& insert) const {
    return fprn::toolbars::RowAtPosition(fRowSizes, HighestRow(), pos, insert);
}

int TDock::RowAtPixel(int pixel) const {
    return fprn::toolbars::RowAtPixel(fRowSizes, HighestRow(), pixel);
}

int TDock::BarsInRow(int row, const TCustomToolWindow* except) const {
    return static_cast<int>(std::count_if(fBarList.begin(), fBarList.end(), [&](auto* b) {
        return b != except && b->fDockRow == row;
    }));
}

void TDock::InsertRow(int row) {
    for (TCustomToolWindow* b : fBarList)
        if (b->fDockRow >= row) ++b->fDockRow;
}

bool TDock::HasBackground() const {
    return fBackground.width() > 0 && fBackground.height() > 0;
}

const QPixmap& TDock::BackgroundPixmap() {
    if (!fBackgroundCacheValid) {
        if (fBackgroundTransparent) {
            // The background's bottom-left colour shows the dock's colour through it.
            QImage img(fBackground.size(), QImage::Format_RGB32);
            img.fill(Resolve(fColor, this));
            QPainter p(&img);
            p.drawImage(0, 0,
                        MaskedByColor(fBackground, fBackground.pixel(0, fBackground.height() - 1)));
            p.end();
            fBackgroundCache = QPixmap::fromImage(img);
            ++fBackgroundBuilds;
        } else {
            fBackgroundCache = QPixmap::fromImage(fBackground);
        }
        fBackgroundCacheValid = true;
    }
    return fBackgroundCache;
}

QPoint TDock::TileOriginFor(const QWidget* widget) const {
    // The dock's parent's origin in the widget's coordinates.
    QPoint offset = pos();
    for (const QWidget* w = widget; w && w != this; w = w->parentWidget()) offset += w->pos();
    return -offset;
}

void TDock::PaintBackground(QPainter& painter, const QRect& clip, const QPoint& origin,
                            const QRect* exclude) {
    if (!HasBackground() || clip.isEmpty()) return;
    const QPixmap& pm = BackgroundPixmap();
    painter.save();
    if (exclude)
        painter.setClipRegion(QRegion(clip).subtracted(QRegion(*exclude)), Qt::IntersectClip);
    const QPoint offset(PositiveMod(clip.x() - origin.x(), pm.width()),
                        PositiveMod(clip.y() - origin.y(), pm.height()));
    painter.drawTiledPixmap(clip, pm, offset);
    painter.restore();
}

void TDock::InvalidateBackground() {
    update();
    for (TCustomToolWindow* bar : fVisibleList) {
        bar->RequestDockedNCPaint();
        bar->update();
    }
}

void TDock::BackgroundChanged() {
    fBackgroundCache = QPixmap();
    fBackgroundCacheValid = false;
    InvalidateBackground();
}

void TDock::Loaded() {
    ArrangeBars(false);
}

void TDock::ForgetBar(const QObject* bar) {
    Remove(fBarList, bar);
    Remove(fVisibleList, bar);
}

void TDock::paintEvent(QPaintEvent*) {
    GuardHandler([&] {
        QPainter p(this);
        const QRect all = rect();
        const QRect client = contentsRect();
        if (client != all) {
            if (fBoundLines && HasVisibleBars()) {
                const QColor shadow = Resolve(colors::clBtnShadow, this);
                const QColor light = Resolve(colors::clBtnHighlight, this);
                if (fBoundLines & SetBit(blTop)) p.fillRect(0, 0, width(), 1, shadow);
                if (fBoundLines & SetBit(blLeft)) p.fillRect(0, 0, 1, height(), shadow);
                if (fBoundLines & SetBit(blBottom)) p.fillRect(0, height() - 1, width(), 1, light);
                if (fBoundLines & SetBit(blRight)) p.fillRect(width() - 1, 0, 1, height(), light);
            } else {
                p.save();
                p.setClipRegion(QRegion(all).subtracted(QRegion(client)));
                p.fillRect(all, Resolve(fColor, this));
                p.restore();
            }
        }
        if (HasBackground())
            PaintBackground(p, client, TileOriginFor(this));
        else
            p.fillRect(client, Resolve(fColor, this));
    });
}

void TDock::resizeEvent(QResizeEvent*) {
    GuardHandler([&] {
        ArrangeBars(false);
        if (OnResize && !IsLoading(this)) OnResize(this);
    });
}

void TDock::moveEvent(QMoveEvent*) {
    if (HasBackground()) InvalidateBackground();
}

void TDock::changeEvent(QEvent* e) {
    if (e->type() == QEvent::PaletteChange) {
        if (HasBackground())
            BackgroundChanged();
        else
            update();
    }
    QWidget::changeEvent(e);
}

void TDock::mousePressEvent(QMouseEvent* e) {
    GuardHandler([&] {
        if (OnMouseDown)
            OnMouseDown(this, e->button(), e->modifiers(), e->position().toPoint().x(),
                        e->position().toPoint().y());
    });
}

void TDock::mouseMoveEvent(QMouseEvent* e) {
    GuardHandler([&] {
        if (OnMouseMove)
            OnMouseMove(this, e->button(), e->modifiers(), e->position().toPoint().x(),
                        e->position().toPoint().y());
    });
}

void TDock::mouseReleaseEvent(QMouseEvent* e) {
    GuardHandler([&] {
        if (OnMouseUp)
            OnMouseUp(this, e->button(), e->modifiers(), e->position().toPoint().x(),
                      e->position().toPoint().y());
    });
}

void TDock::contextMenuEvent(QContextMenuEvent* e) {
    if (fPopupMenu) {
        fPopupMenu->popup(e->globalPos());
        e->accept();
    } else {
        QWidget::contextMenuEvent(e);
    }
}

} // namespace fprn::toolbars
