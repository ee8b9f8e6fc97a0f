#pragma once
// The layout of a toolbar's controls without widgets: controls one after another along the bar,
// centred across it; separators as gaps, or, floating, as line breaks with a drawn line; wrapping
// of a floating bar at its right edge; the sizes its wrapping can produce, and how sizing a
// floating bar by an edge snaps to them.
#include "dockmodel.h"

#include <QRect>
#include <QSize>

#include <vector>

namespace fprn::toolbars {

// One visible control of the bar, in the bar's order.
struct TToolbarItem {
    bool Separator = false;
    bool Blank = false;
    int SizeHorz = 6; // separators: thickness along a horizontal or floating bar
    int SizeVert = 6; // and along a vertical one
    int Width = 0;    // current size
    int Height = 0;
    QRect Bounds; // placed by a moving layout; a separator ending a line gets width 0
};

// A line break of a floating layout: the new line's top in client pixels and the Blank flag of
// the separator that caused it.
struct TLineSeparator {
    int Top = 0;
    bool Blank = false;
    bool operator==(const TLineSeparator&) const = default;
};

struct TToolbarLayout {
    TDockOrientation Orientation = doNone; // doNone: floating
    bool CanMove = true;
    int FloatingRightEdge = 0; // 0: one line
    int RowSize = 0;           // thickness of the bar's row in its own dock; 0: its own thickness
};

struct TToolbarLayoutResult {
    QSize ClientSize;
    std::vector<TLineSeparator> Lines; // only from a moving floating layout
};

// The largest width (vertical docks) or height (otherwise) of the non-separators, at least 8.
int ToolbarRowThickness(const std::vector<TToolbarItem>& items, TDockOrientation orientation);

TToolbarLayoutResult ArrangeToolbarItems(std::vector<TToolbarItem>& items,
                                         const TToolbarLayout& layout);

// The floating client sizes from one line to the narrowest, one per height.
std::vector<QSize> ListFloatingSizes(const std::vector<TToolbarItem>& items);

// Sizing a floating toolbar by one edge (0 left, 1 right, 2 top, 5 bottom) through its listed
// sizes.
struct TToolbarSizing {
    int Edge = 1;
    std::vector<QSize> Sizes; // window sizes, largest first along the edge's axis
    int NewFloatingRightEdge = 0;
    bool Changed = false;
    bool LastShrinking = false;
    int SnapDistance = 12;
};

// `windowSizes` are the listed sizes with the frame added; `current` the window's size.
TToolbarSizing ToolbarSizingBegin(int edge, std::vector<QSize> windowSizes, QSize current,
                                  int floatingRightEdge);
// Moves the sizing edge of `rect` (from `startRect`) to the listed size the pointer (relative to
// the window's top-left) asks for; `frameWidth` is the floating frame's left width.
void ToolbarSizingTrack(TToolbarSizing& s, QRect& rect, const QRect& startRect, QPoint pointer,
                        QSize current, int frameWidth);

} // namespace fprn::toolbars
