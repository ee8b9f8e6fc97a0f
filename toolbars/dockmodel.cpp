#include "dockmodel.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace fprn::toolbars {

int HighestRow(const std::vector<TBarSlot*>& bars) {
    int h = -1;
    for (const TBarSlot* b : bars) h = std::max(h, b->DockRow);
    return h;
}

int RowSizeAt(const std::vector<int>& rowSizes, int row) {
    return row >= 0 && row < static_cast<int>(rowSizes.size())
               ? rowSizes[static_cast<std::size_t>(row)]
               : 0;
}

namespace {

int Along(const TBarSlot& b, bool vertical) {
    return vertical ? b.Height : b.Width;
}

void RemoveEmptyRows(std::vector<TBarSlot*>& bars) {
    int highest = HighestRow(bars);
    int j = 0;
    while (j <= highest) {
        const bool used = std::any_of(bars.begin(), bars.end(),
                                      [j](const TBarSlot* b) { return b->DockRow == j; });
        if (used) {
            ++j;
            continue;
        }
        for (TBarSlot* b : bars)
            if (b->DockRow > j) --b->DockRow;
        --highest;
    }
}

int CompareRowPos(const TBarSlot* a, const TBarSlot* b) {
    if (a->DockRow != b->DockRow) return a->DockRow < b->DockRow ? -1 : 1;
    if (a->DockPos != b->DockPos) return a->DockPos < b->DockPos ? -1 : 1;
    return 0;
}

// A full-size bar that shares its row pushes every other bar of that row and below one down.
void IsolateFullSizeBars(std::vector<TBarSlot*>& bars) {
    int highest = HighestRow(bars);
    for (int i = 0; i <= highest; ++i) {
        for (TBarSlot* b : bars) {
            if (b->DockRow != i || !b->FullSize) continue;
            const bool shared = std::any_of(bars.begin(), bars.end(), [&](const TBarSlot* o) {
                return o != b && o->DockRow == i;
            });
            if (!shared) continue;
            for (TBarSlot* o : bars)
                if (o != b && o->DockRow >= i) ++o->DockRow;
            ++highest;
        }
    }
}

} // namespace

TArrangeResult ArrangeBarSlots(std::vector<TBarSlot*>& bars, std::vector<TBarSlot*>& visible,
                               const TArrangeParams& p) {
    TArrangeResult result;
    if (visible.empty()) {
        result.Thickness = p.FixAlign ? 1 : 0;
        return result;
    }
    if (p.LimitToOneRow)
        for (TBarSlot* b : bars) b->DockRow = 0;
    RemoveEmptyRows(bars);
    SortListWith(bars, CompareRowPos);
    SortListWith(visible, CompareRowPos);
    IsolateFullSizeBars(bars);

    const int highest = HighestRow(bars);
    for (int row = 0; row <= highest; ++row) {
        int size = 0;
        bool any = false;
        for (const TBarSlot* b : visible) {
            if (b->DockRow != row) continue;
            any = true;
            size = std::max(size, b->Thickness);
        }
        result.RowSizes.push_back(any ? std::max(size, 8) : 0);
    }

    // Bars never overlap: each starts at or after the end of the one before it.
    for (int row = 0; row <= highest; ++row) {
        int edge = 0;
        for (TBarSlot* b : visible) {
            if (b->DockRow != row) continue;
            if (b->FullSize)
                b->DockPos = 0;
            else if (b->DockPos <= edge)
                b->DockPos = edge;
            edge = b->DockPos + Along(*b, p.Vertical);
        }
    }

    // Clipped positions pull bars back inside the dock without forgetting where they were.
    const int available = std::max(0, p.AvailableLength);
    std::vector<int> newPos(visible.size());
    for (std::size_t i = 0; i < visible.size(); ++i) newPos[i] = visible[i]->DockPos;
    for (int row = 0; row <= highest; ++row) {
        int limit = available;
        for (std::size_t k = visible.size(); k-- > 0;) {
            const TBarSlot* b = visible[k];
            if (b->DockRow != row || b->FullSize) continue;
            limit -= Along(*b, p.Vertical);
            if (limit < newPos[k]) newPos[k] = limit;
            limit = newPos[k];
        }
        int edge = 0;
        for (std::size_t k = 0; k < visible.size(); ++k) {
            const TBarSlot* b = visible[k];
            if (b->DockRow != row || b->FullSize) continue;
            if (newPos[k] <= edge) newPos[k] = edge;
            edge = newPos[k] + Along(*b, p.Vertical);
        }
    }
    if (p.ClipPositions)
        for (std::size_t k = 0; k < visible.size(); ++k) visible[k]->DockPos = newPos[k];

    int offset = 0;
    for (int row = 0; row <= highest; ++row) {
        const int size = RowSizeAt(result.RowSizes, row);
        const int thickness = size ? size + 4 : 0;
        for (std::size_t k = 0; k < visible.size(); ++k) {
            TBarSlot* b = visible[k];
            if (b->DockRow != row) continue;
            const int along = b->FullSize ? available : Along(*b, p.Vertical);
            b->Bounds = p.Vertical ? QRect(offset, newPos[k], thickness, along)
                                   : QRect(newPos[k], offset, along, thickness);
        }
        offset += thickness;
    }
    result.Thickness = offset + p.NonClientAcross;
    return result;
}

int RowAtPosition(const std::vector<int>& rowSizes, int highestRow, int pos, bool& insert) {
    insert = false;
    int b = 0;
    for (int i = 0; i <= highestRow + 1; ++i) {
        int c = INT_MAX;
        if (i <= highestRow) {
            const int size = RowSizeAt(rowSizes, i);
            if (size == 0) continue;
            c = b + size + 4;
        }
        if (pos < b + 5) {
            insert = true;
            return i;
        }
        if (c == INT_MAX || pos < c - 5) return i;
        b = c;
    }
    return 0;
}

int RowAtPixel(const std::vector<int>& rowSizes, int highestRow, int pixel) {
    int sum = 0;
    for (int i = 0; i <= highestRow; ++i) {
        const int size = RowSizeAt(rowSizes, i);
        if (size) sum += size + 4;
        if (sum > pixel) return i;
    }
    return highestRow + 1;
}

void InsertRow(std::vector<TBarSlot*>& bars, int row) {
    for (TBarSlot* b : bars)
        if (b->DockRow >= row) ++b->DockRow;
}

TDragHandleInfo DragHandleInfo(bool closeButtonWhenDocked, TDragHandleStyle style) {
    switch (style) {
    case dhDouble:
        return closeButtonWhenDocked ? TDragHandleInfo{14, 3, 2} : TDragHandleInfo{9, 2, 2};
    case dhNone:
        return closeButtonWhenDocked ? TDragHandleInfo{14, 0, 0} : TDragHandleInfo{0, 0, 0};
    case dhSingle:
        return closeButtonWhenDocked ? TDragHandleInfo{14, 5, 1} : TDragHandleInfo{6, 1, 1};
    }
    return {};
}

TInsets DockedNCInsets(bool vertical, bool allowDrag, const TDragHandleInfo& handle) {
    TInsets r{2, 2, 2, 2};
    if (allowDrag) (vertical ? r.Top : r.Left) += handle.Size;
    return r;
}

TInsets FloatingNCInsets(QSize frame, int smallCaption, bool showCaption) {
    TInsets r{frame.width(), frame.height(), frame.width(), frame.height()};
    if (showCaption) r.Top += smallCaption;
    return r;
}

QRect MoveRectOnScreen(const QRect& bounds, const QRect& work, bool onlyIfFullyOffscreen) {
    if (onlyIfFullyOffscreen && bounds.intersects(work)) return bounds;
    QRect r = bounds;
    // Exclusive right and bottom edges, as the work area is measured.
    const int workRight = work.x() + work.width();
    const int workBottom = work.y() + work.height();
    if (r.x() + r.width() > workRight) r.moveLeft(workRight - r.width());
    if (r.y() + r.height() > workBottom) r.moveTop(workBottom - r.height());
    if (r.x() < work.x()) r.moveLeft(work.x());
    if (r.y() < work.y()) r.moveTop(work.y());
    return r;
}

namespace {

long long Overlap(const QRect& a, const QRect& b) {
    const QRect i = a.intersected(b);
    return i.isEmpty() ? 0 : static_cast<long long>(i.width()) * i.height();
}

// Squared distance between the nearest points of two rectangles.
long long Distance(const QRect& a, const QRect& b) {
    auto gap = [](int lo1, int hi1, int lo2, int hi2) -> long long {
        if (hi1 <= lo2) return lo2 - hi1;
        if (hi2 <= lo1) return lo1 - hi2;
        return 0;
    };
    const long long dx = gap(a.x(), a.x() + a.width(), b.x(), b.x() + b.width());
    const long long dy = gap(a.y(), a.y() + a.height(), b.y(), b.y() + b.height());
    return dx * dx + dy * dy;
}

} // namespace

QRect WorkAreaOfRect(const std::vector<TScreenArea>& screens, const QRect& rect,
                     const QRect& fallback) {
    if (screens.empty()) return fallback;
    const QRect probe = rect.isEmpty() ? QRect(rect.topLeft(), QSize(1, 1)) : rect;
    const TScreenArea* best = nullptr;
    long long bestOverlap = 0;
    for (const TScreenArea& s : screens) {
        const long long o = Overlap(s.Geometry, probe);
        if (o > bestOverlap) {
            bestOverlap = o;
            best = &s;
        }
    }
    if (!best) {
        long long bestDistance = -1;
        for (const TScreenArea& s : screens) {
            const long long d = Distance(s.Geometry, probe);
            if (bestDistance < 0 || d < bestDistance) {
                bestDistance = d;
                best = &s;
            }
        }
    }
    return best->Available;
}

QRect WorkAreaOfPoint(const std::vector<TScreenArea>& screens, QPoint point,
                      const QRect& fallback) {
    return WorkAreaOfRect(screens, QRect(point, QSize(1, 1)), fallback);
}

} // namespace fprn::toolbars
