#pragma once
// The rules of moving and sizing a bar, without widgets: which docks are candidates and in what
// order, whether the pointer is close enough to a dock, where the outline goes (and how a floating
// one is kept reachable), where a dropped bar lands in a dock, and how a sizing edge follows the
// pointer. Positions are screen pixels unless said otherwise.
#include "dockmodel.h"

#include <QPoint>
#include <QRect>
#include <QSize>

#include <functional>
#include <vector>

namespace fprn::toolbars {

// The docks a drag may end in, below `control`: skipped controls (inside the dragged bar, not
// showing) take their children along; each control's child docks come first in position order
// (top, bottom, left, right), then its other children, then the control itself when it is an
// accepting dock. `Ops` answers Skip(n), Children(n) (a range of nodes), IsDock(n, position&) and
// Accepts(n) (dragging allowed and the position among the bar's dockable positions).
template <class Node, class Ops> void CollectDocks(Node control, Ops& ops, std::vector<Node>& out) {
    if (ops.Skip(control)) return;
    const auto children = ops.Children(control);
    TDockPosition position{};
    for (TDockPosition wanted : {dpTop, dpBottom, dpLeft, dpRight})
        for (const Node& child : children)
            if (ops.IsDock(child, position) && position == wanted) CollectDocks(child, ops, out);
    for (const Node& child : children)
        if (!ops.IsDock(child, position)) CollectDocks(child, ops, out);
    if (ops.IsDock(control, position) && ops.Accepts(control)) out.push_back(control);
}

// Where the bar was taken: the press relative to its top-left, and its size less one pixel.
struct TDragStart {
    QPoint Offset;
    QSize StartSize;
};

// An outline of `size` placed so that the press keeps its relative place in it.
QRect OutlineAt(QPoint pointer, QSize size, const TDragStart& start);

// Near enough to dock: within 32 pixels before the dock's start along x and 20 above it, scaled
// by where the bar was taken, and the outline the bar would have there meets the dock (a dock of
// no thickness counts one pixel wider on each side across).
bool PointInDockArea(const QRect& dock, bool vertical, QPoint pointer, const TDragStart& start,
                     QSize outlineSize);

// The pointer kept inside the work area, right and bottom edges included.
QPoint ClampToWorkArea(QPoint pointer, const QRect& work);

// A floating outline may leave the work area by at most the frame + 4 on each side, and its
// caption stays reachable: its top at most `topInset` - 4 above the work area's top.
QRect ClampFloatingOutline(QRect outline, const QRect& work, QSize frame, int topInset);

// Where a bar dropped into a dock goes: its row (after inserting a row at InsertRowAt when that is
// not -1) and its position along the dock.
struct TDropDecision {
    int Row = 0;
    int InsertRowAt = -1;
    int Pos = 0;
    bool operator==(const TDropDecision&) const = default;
};
// `outline` is in the dock's client coordinates; `barsInRow(row)` counts the other bars there.
TDropDecision DecideDrop(const QRect& outline, bool vertical, const std::vector<int>& rowSizes,
                         int highestRow, bool fullSize, const std::function<int(int)>& barsInRow);

// Sizing handles: left 0, right 1, top 2, top-left 3, top-right 4, bottom 5, bottom-left 6,
// bottom-right 7. The moving edges follow `delta`; a side below the minimum is put back by the
// dragged edge.
QRect SizingRect(const QRect& start, int handle, QPoint delta, QSize minimum);

} // namespace fprn::toolbars
