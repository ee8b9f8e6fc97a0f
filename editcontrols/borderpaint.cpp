#include "borderpaint.h"

namespace fprn::editcontrols {

TEditBorderStyle HotBorderStyle(TEditBorderStyle style, bool hot, bool hotTrack) {
    if (!hot || !hotTrack) return style;
    switch (style) {
    case xbsNone:
        return xbsFlat;
    case xbsSingle:
        return xbsThick;
    case xbsFlat:
        return xbs3D;
    case xbsThick:
    case xbs3D:
        return style;
    }
    return style;
}

int BorderWidthOf(TEditBorderStyle style) {
    switch (style) {
    case xbsNone:
        return 0;
    case xbsSingle:
        return 1;
    case xbsThick:
    case xbsFlat:
    case xbs3D:
        return 2;
    }
    return 0;
}

int AutoHeightFromFont(int fontHeight, int systemBorderHeight) {
    return fontHeight + 2 * (systemBorderHeight + 1);
}

TEditViewInfo CalcViewInfo(const TBorderData& data, bool autoSize, int autoHeight) {
    TEditViewInfo info;
    info.ShadowWidth = data.Shadow ? kEditShadowWidth : 0;
    info.BorderWidth = BorderWidthOf(data.BorderStyle);
    info.Bounds = data.Bounds;
    const TRect& b = info.Bounds;
    info.Content = {b.Left + kContentInset, b.Top + kContentInset,
                    b.Right - kContentInset - info.ShadowWidth,
                    b.Bottom - kContentInset - info.ShadowWidth};
    if (autoSize) {
        info.Bounds.Bottom = b.Top + autoHeight + 2 * kContentInset + info.ShadowWidth;
        info.Content.Bottom = b.Top + kContentInset + autoHeight;
    }
    info.LeftEdge = data.Edges.Contains(edgLeft);
    info.TopEdge = data.Edges.Contains(edgTop);
    info.RightEdge = data.Edges.Contains(edgRight);
    info.BottomEdge = data.Edges.Contains(edgBottom);

    const int w = info.BorderWidth;
    info.BorderRect = info.Content;
    if (info.LeftEdge) info.BorderRect.Left -= w;
    if (info.TopEdge) info.BorderRect.Top -= w;
    if (info.RightEdge) info.BorderRect.Right += w;
    if (info.BottomEdge) info.BorderRect.Bottom += w;

    if (info.ShadowWidth > 0) {
        const TRect& r = info.BorderRect;
        info.ShadowRect = {r.Left + info.ShadowWidth, r.Top + info.ShadowWidth,
                           r.Right + info.ShadowWidth, r.Bottom + info.ShadowWidth};
    }
    return info;
}

std::optional<std::vector<TRect>> BorderRegion(const TEditViewInfo& info) {
    const bool allEdges = info.LeftEdge && info.TopEdge && info.RightEdge && info.BottomEdge;
    if (info.ShadowWidth == 0 && info.BorderWidth >= 2 && allEdges) return std::nullopt;
    std::vector<TRect> region{info.BorderRect};
    if (!info.ShadowRect.IsEmpty()) region.push_back(info.ShadowRect);
    return region;
}

bool RegionContains(const std::optional<std::vector<TRect>>& region, const TRect& bounds, int x,
                    int y) {
    if (!region) return bounds.Contains(x, y);
    for (const TRect& r : *region)
        if (r.Contains(x, y)) return true;
    return false;
}

std::vector<TRect> EditShadowStrips(const TRect& r, int width) {
    return {{r.Left, r.Bottom - width, r.Right, r.Bottom},
            {r.Right - width, r.Top, r.Right, r.Bottom}};
}

namespace {

// One line of a sunken edge ring on the present sides of `r`, then `r` shrinks on those sides.
// The top and left lines stop one pixel short of the far corner, so the bottom and right lines
// own the bottom-left and top-right corners, the usual look of a sunken frame.
void EdgeRing(std::vector<TBorderFill>& out, TRect& r, const TEditViewInfo& info, TColor topLeft,
              TColor bottomRight) {
    if (r.IsEmpty()) return;
    if (info.LeftEdge) out.push_back({{r.Left, r.Top, r.Left + 1, r.Bottom - 1}, topLeft});
    if (info.TopEdge) out.push_back({{r.Left, r.Top, r.Right - 1, r.Top + 1}, topLeft});
    if (info.RightEdge) out.push_back({{r.Right - 1, r.Top, r.Right, r.Bottom}, bottomRight});
    if (info.BottomEdge) out.push_back({{r.Left, r.Bottom - 1, r.Right, r.Bottom}, bottomRight});
    if (info.LeftEdge) ++r.Left;
    if (info.TopEdge) ++r.Top;
    if (info.RightEdge) --r.Right;
    if (info.BottomEdge) --r.Bottom;
}

} // namespace

std::vector<TBorderFill> BorderFills(const TEditViewInfo& info, const TBorderData& data) {
    std::vector<TBorderFill> out;
    TRect r = info.BorderRect;
    const int w = info.BorderWidth;
    switch (data.BorderStyle) {
    case xbsNone:
        break;
    case xbsSingle:
    case xbsThick:
        if (info.LeftEdge && info.TopEdge && info.RightEdge && info.BottomEdge) {
            for (int i = 0; i < w && !r.IsEmpty(); ++i) {
                out.push_back({{r.Left, r.Top, r.Right, r.Top + 1}, data.BorderColor});
                out.push_back({{r.Left, r.Bottom - 1, r.Right, r.Bottom}, data.BorderColor});
                out.push_back({{r.Left, r.Top, r.Left + 1, r.Bottom}, data.BorderColor});
                out.push_back({{r.Right - 1, r.Top, r.Right, r.Bottom}, data.BorderColor});
                r = {r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1};
            }
        } else {
            // Side strips reach above the content when there is no top edge.
            const int t = info.TopEdge ? r.Top : r.Top - w;
            if (info.LeftEdge) out.push_back({{r.Left, t, r.Left + w, r.Bottom}, data.BorderColor});
            if (info.TopEdge)
                out.push_back({{r.Left, r.Top, r.Right, r.Top + w}, data.BorderColor});
            if (info.RightEdge)
                out.push_back({{r.Right - w, t, r.Right, r.Bottom}, data.BorderColor});
            if (info.BottomEdge)
                out.push_back({{r.Left, r.Bottom - w, r.Right, r.Bottom}, data.BorderColor});
        }
        break;
    case xbsFlat:
        // A flat frame: the outer sunken line in one colour, the inner one in the face colour.
        EdgeRing(out, r, info, clBtnShadow, clBtnShadow);
        EdgeRing(out, r, info, clBtnFace, clBtnFace);
        break;
    case xbs3D:
        EdgeRing(out, r, info, clBtnShadow, clBtnHighlight);
        EdgeRing(out, r, info, cl3DDkShadow, cl3DLight);
        break;
    }
    if (data.Shadow && info.ShadowWidth > 0)
        for (const TRect& s : EditShadowStrips(info.ShadowRect, info.ShadowWidth))
            out.push_back({s, clBtnShadow});
    // Drop what is empty so callers need not care.
    std::erase_if(out, [](const TBorderFill& f) { return f.Rect.IsEmpty(); });
    return out;
}

std::optional<TColor> FillColorAt(const std::vector<TBorderFill>& fills, int x, int y) {
    std::optional<TColor> color;
    for (const TBorderFill& f : fills)
        if (f.Rect.Contains(x, y)) color = f.Color;
    return color;
}

} // namespace fprn::editcontrols
