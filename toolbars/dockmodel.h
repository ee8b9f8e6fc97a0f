#pragma once
// The geometry of docks and tool windows without widgets: how a dock arranges its bars in rows,
// which row a position falls in, the frame insets of a docked or floating bar, keeping a floating
// bar on screen and the work area a rectangle belongs to.
#include <QPoint>
#include <QRect>
#include <QSize>

#include <cstdint>
#include <utility>
#include <vector>

namespace fprn::toolbars {

enum TDockPosition : std::uint8_t { dpTop, dpBottom, dpLeft, dpRight };
// A bar's dock position as the buttons ask for it: a TDockPosition, or this when not docked.
inline constexpr int kNotDocked = 4;
enum TDockOrientation : std::uint8_t { doNone, doHorizontal, doVertical };
enum TDragHandleStyle : std::uint8_t { dhDouble, dhNone, dhSingle };

inline constexpr TDockOrientation OrientationOf(TDockPosition p) {
    return p == dpLeft || p == dpRight ? doVertical : doHorizontal;
}

// Sorts in place with the comparison's sign (negative: a before b). The quicksort's own order
// for equal keys is part of the behaviour (bars with equal positions keep the order it gives).
template <class T, class Compare>
void SortListRange(std::vector<T>& v, int l, int r, Compare& compare) {
    int i = l;
    do {
        i = l;
        int j = r;
        const T pivot = v[static_cast<std::size_t>((l + r) / 2)];
        do {
            while (compare(v[static_cast<std::size_t>(i)], pivot) < 0) ++i;
            while (compare(v[static_cast<std::size_t>(j)], pivot) > 0) --j;
            if (i <= j) {
                std::swap(v[static_cast<std::size_t>(i)], v[static_cast<std::size_t>(j)]);
                ++i;
                --j;
            }
        } while (i <= j);
        if (l < j) SortListRange(v, l, j, compare);
        l = i;
    } while (i < r);
}

template <class T, class Compare> void SortListWith(std::vector<T>& list, Compare compare) {
    if (list.size() > 1) SortListRange(list, 0, static_cast<int>(list.size()) - 1, compare);
}

// One bar as the dock arranges it.
struct TBarSlot {
    int DockRow = 0;
    int DockPos = -1;
    bool FullSize = false;
    bool Visible = false; // in the dock's visible-bar list
    int Width = 0;        // current outer size
    int Height = 0;
    int Thickness = 0; // the bar's row thickness for the dock's orientation
    int Tag = 0;       // the caller's
    QRect Bounds;      // placement in the dock's client area (visible bars)
};

struct TArrangeParams {
    bool Vertical = false;
    bool LimitToOneRow = false;
    bool ClipPositions = false;
    bool FixAlign = false;
    int AvailableLength = 0; // dock along size less its bound lines
    int NonClientAcross = 0; // bound lines across the rows
};

struct TArrangeResult {
    std::vector<int> RowSizes;
    int Thickness = 0; // the dock's new outer thickness
};

// Arranges the bars: renumbers rows (empty rows removed, full-size bars alone in a row), sorts
// both lists by row and position, pushes bars apart, clips them into the available length and
// places the visible ones. `bars` is the dock's bar list, `visible` its visible-bar list
// (pointers into the same slots).
TArrangeResult ArrangeBarSlots(std::vector<TBarSlot*>& bars, std::vector<TBarSlot*>& visible,
                               const TArrangeParams& params);

int HighestRow(const std::vector<TBarSlot*>& bars);
// The row size list entry, 0 beyond it.
int RowSizeAt(const std::vector<int>& rowSizes, int row);
// The row a dropped bar's across centre falls in; insert = a new row goes before it.
int RowAtPosition(const std::vector<int>& rowSizes, int highestRow, int pos, bool& insert);
// The row a pixel across the dock lies in (highest row + 1 past the last).
int RowAtPixel(const std::vector<int>& rowSizes, int highestRow, int pixel);
// Every bar at or below `row` moves one row down.
void InsertRow(std::vector<TBarSlot*>& bars, int row);

// ---- frame insets ----

struct TDragHandleInfo {
    int Size = 0;
    int GripOffset = 0;
    int Grips = 0;
};
TDragHandleInfo DragHandleInfo(bool closeButtonWhenDocked, TDragHandleStyle style);

struct TInsets {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    int Width() const { return Left + Right; }
    int Height() const { return Top + Bottom; }
    bool operator==(const TInsets&) const = default;
};
// Docked: 2 on every side plus the handle on the leading side (left in a horizontal dock, top in
// a vertical one) when the dock allows dragging.
TInsets DockedNCInsets(bool vertical, bool allowDrag, const TDragHandleInfo& handle);
// Floating: the frame on every side plus the small caption on top when it is shown.
TInsets FloatingNCInsets(QSize frame, int smallCaption, bool showCaption);

// ---- screens ----

// Moves a floating bar's rectangle into the work area (left and top edges win). With
// onlyIfFullyOffscreen a rectangle that meets the work area stays.
QRect MoveRectOnScreen(const QRect& bounds, const QRect& workArea, bool onlyIfFullyOffscreen);

struct TScreenArea {
    QRect Geometry;
    QRect Available;
};
// The available area of the screen the rectangle overlaps most, else of the nearest screen;
// `fallback` without screens.
QRect WorkAreaOfRect(const std::vector<TScreenArea>& screens, const QRect& rect,
                     const QRect& fallback);
QRect WorkAreaOfPoint(const std::vector<TScreenArea>& screens, QPoint point, const QRect& fallback);

} // namespace fprn::toolbars
