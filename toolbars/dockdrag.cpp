#include "dockdrag.h"

#include "dockframe.h"

#include <algorithm>

namespace fprn::toolbars {

namespace {

int Right(const QRect& r) {
    return r.x() + r.width();
}
int Bottom(const QRect& r) {
    return r.y() + r.height();
}

} // namespace

QRect OutlineAt(QPoint pointer, QSize size, const TDragStart& start) {
    const int x = pointer.x() - MulDiv(size.width() - 1, start.Offset.x(), start.StartSize.width());
    const int y =
        pointer.y() - MulDiv(size.height() - 1, start.Offset.y(), start.StartSize.height());
    return {x, y, size.width(), size.height()};
}

bool PointInDockArea(const QRect& dock, bool vertical, QPoint p, const TDragStart& start,
                     QSize outlineSize) {
    QRect r = dock;
    if (r.width() == 0 || r.height() == 0) {
        if (vertical)
            r.adjust(-1, 0, 1, 0);
        else
            r.adjust(0, -1, 0, 1);
    }
    const int a = MulDiv(32, start.Offset.x(), start.StartSize.width());
    const int c = MulDiv(20, start.Offset.y(), start.StartSize.height());
    if (p.x() < r.x() - 32 + a || p.x() > Right(r) - 1 + a) return false;
    if (vertical && (p.y() < r.y() || p.y() >= Bottom(r))) return false;
    if (p.y() < r.y() - 20 + c || p.y() > Bottom(r) - 1 + c) return false;
    return OutlineAt(p, outlineSize, start).intersects(r);
}

QPoint ClampToWorkArea(QPoint p, const QRect& work) {
    return {std::clamp(p.x(), work.x(), Right(work)), std::clamp(p.y(), work.y(), Bottom(work))};
}

QRect ClampFloatingOutline(QRect o, const QRect& work, QSize frame, int topInset) {
    const QRect w = work.adjusted(frame.width() + 4, frame.height() + 4, -(frame.width() + 4),
                                  -(frame.height() + 4));
    if (Bottom(o) < w.y())
        o.moveTop(w.y() - o.height());
    else if (o.y() > Bottom(w))
        o.moveTop(Bottom(w));
    if (Right(o) < w.x())
        o.moveLeft(w.x() - o.width());
    else if (o.x() > Right(w))
        o.moveLeft(Right(w));
    const int reach = topInset - 4;
    if (work.y() - o.y() > reach) o.moveTop(work.y() - reach);
    return o;
}

TDropDecision DecideDrop(const QRect& outline, bool vertical, const std::vector<int>& rowSizes,
                         int highestRow, bool fullSize, const std::function<int(int)>& barsInRow) {
    TDropDecision d;
    const int centre =
        vertical ? (outline.x() + Right(outline)) / 2 : (outline.y() + Bottom(outline)) / 2;
    bool insert = false;
    d.Row = RowAtPosition(rowSizes, highestRow, centre, insert);
    if (insert) {
        d.InsertRowAt = d.Row;
    } else if (fullSize && barsInRow(d.Row) > 0) {
        ++d.Row;
        d.InsertRowAt = d.Row;
    }
    d.Pos = vertical ? outline.y() : outline.x();
    return d;
}

QRect SizingRect(const QRect& start, int handle, QPoint delta, QSize minimum) {
    const bool horizontal = handle != 2 && handle != 5;
    const bool leftEdge = handle == 0 || handle == 3 || handle == 6;
    const bool vertical = handle >= 2;
    const bool topEdge = handle == 2 || handle == 3 || handle == 4;
    int left = start.x(), top = start.y(), right = Right(start), bottom = Bottom(start);
    if (horizontal) (leftEdge ? left : right) += delta.x();
    if (vertical) (topEdge ? top : bottom) += delta.y();
    if (right - left < minimum.width()) {
        if (horizontal && leftEdge)
            left = right - minimum.width();
        else
            right = left + minimum.width();
    }
    if (bottom - top < minimum.height()) {
        if (vertical && topEdge)
            top = bottom - minimum.height();
        else
            bottom = top + minimum.height();
    }
    return {left, top, right - left, bottom - top};
}

} // namespace fprn::toolbars
