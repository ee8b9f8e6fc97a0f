#pragma once
// Geometry and colours of an edit's border, shadow and window region, computed without any
// drawing: the widget paints exactly the fills these functions return, and tests compare the
// painted pixels against them.
#include "editstyle.h"

#include <optional>
#include <vector>

namespace fprn::editcontrols {

// Left/top inclusive, right/bottom exclusive.
struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;

    constexpr int Width() const { return Right - Left; }
    constexpr int Height() const { return Bottom - Top; }
    constexpr bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    constexpr bool Contains(int x, int y) const {
        return x >= Left && x < Right && y >= Top && y < Bottom;
    }
    constexpr bool operator==(const TRect&) const = default;
};

// The part of an edit's per-paint data that the border depends on.
struct TBorderData {
    bool Enabled = true;
    bool Focused = false;
    bool Hot = false;
    TColor BorderColor = kDefaultBorderColor;
    // Already raised for hot tracking (see HotBorderStyle).
    TEditBorderStyle BorderStyle = kDefaultBorderStyle;
    TEditEdges Edges = kDefaultEdges;
    bool Shadow = false;
    TRect Bounds;
};

// Per-calculation geometry.
struct TEditViewInfo {
    int BorderWidth = 0;
    int ShadowWidth = 0;
    TRect Bounds;
    TRect Content; // inside the border: the text area
    bool LeftEdge = false;
    bool TopEdge = false;
    bool RightEdge = false;
    bool BottomEdge = false;
    TRect BorderRect;
    TRect ShadowRect; // empty without shadow
};

inline constexpr int kEditShadowWidth = 2;
// The content sits this far inside the bounds on every side, whatever the border width.
inline constexpr int kContentInset = 2;

// Hot tracking raises a border one step while hot; thick and 3D stay.
TEditBorderStyle HotBorderStyle(TEditBorderStyle style, bool hot, bool hotTrack);
int BorderWidthOf(TEditBorderStyle style);

// `autoHeight` is the content height that auto-size uses (see AutoHeightFromFont).
TEditViewInfo CalcViewInfo(const TBorderData& data, bool autoSize, int autoHeight);

// Content height for auto-size: the font height plus twice (border height + 1).
int AutoHeightFromFont(int fontHeight, int systemBorderHeight = 1);

// The window region: nothing (the full window) when a full-width border is drawn on all four
// sides without shadow; otherwise the border rectangle and the shadow rectangle, so the parent
// shows through where nothing is drawn.
std::optional<std::vector<TRect>> BorderRegion(const TEditViewInfo& info);
bool RegionContains(const std::optional<std::vector<TRect>>& region, const TRect& bounds, int x,
                    int y);

struct TBorderFill {
    TRect Rect;
    TColor Color;
    bool operator==(const TBorderFill&) const = default;
};

// Every fill that drawing the border (and the shadow) makes, in drawing order; later fills cover
// earlier ones.
std::vector<TBorderFill> BorderFills(const TEditViewInfo& info, const TBorderData& data);

// The two strips of the drop shadow within `r`: the bottom one, then the right one.
std::vector<TRect> EditShadowStrips(const TRect& r, int width);

// The colour that the fills leave at (x, y), or nothing when no fill covers it.
std::optional<TColor> FillColorAt(const std::vector<TBorderFill>& fills, int x, int y);

} // namespace fprn::editcontrols
