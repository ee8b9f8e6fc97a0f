// Border geometry, window region and fills; text placement of the edit text painter.
#include "borderpaint.h"
#include "textplace.h"

#include <gtest/gtest.h>

#include <tuple>

namespace fprn::editcontrols {
namespace {

TBorderData Data(TEditBorderStyle style, int w = 121, int h = 21, TEditEdges edges = kAllEdges,
                 bool shadow = false) {
    TBorderData d;
    d.BorderStyle = style;
    d.Edges = edges;
    d.Shadow = shadow;
    d.Bounds = {0, 0, w, h};
    return d;
}

std::vector<TBorderFill> Fills(const TBorderData& d) {
    return BorderFills(CalcViewInfo(d, false, 0), d);
}

// The colour the fills leave at each point; nothing where no fill covers it.
using ColorAt = std::tuple<int, int, std::optional<TColor>>;
void ExpectColors(const std::vector<TBorderFill>& fills, std::initializer_list<ColorAt> points) {
    for (const auto& [x, y, color] : points)
        EXPECT_EQ(FillColorAt(fills, x, y), color) << x << "," << y;
}

TEST(EditBorderGeometry, FullBorderSingleAndNone) {
    // The default 3D border covers the whole window: no region.
    TEditViewInfo info = CalcViewInfo(Data(xbs3D), false, 0);
    EXPECT_EQ(info.Content, (TRect{2, 2, 119, 19}));
    EXPECT_EQ(info.BorderRect, (TRect{0, 0, 121, 21}));
    EXPECT_EQ(info.BorderWidth, 2);
    EXPECT_TRUE(info.ShadowRect.IsEmpty());
    EXPECT_FALSE(BorderRegion(info).has_value());
    // A single border's region is its frame, a ring of border colour.
    info = CalcViewInfo(Data(xbsSingle, 100, 30), false, 0);
    EXPECT_EQ(info.BorderRect, (TRect{1, 1, 99, 29}));
    EXPECT_EQ(BorderRegion(info), (std::vector<TRect>{{1, 1, 99, 29}}));
    ExpectColors(Fills(Data(xbsSingle, 100, 30)), {{1, 1, kDefaultBorderColor},
                                                   {98, 28, kDefaultBorderColor},
                                                   {50, 1, kDefaultBorderColor},
                                                   {2, 2, std::nullopt},
                                                   {0, 0, std::nullopt}});
    // No border: the region is the content and nothing is filled.
    info = CalcViewInfo(Data(xbsNone, 80, 20), false, 0);
    EXPECT_EQ(info.BorderWidth, 0);
    EXPECT_EQ(BorderRegion(info), (std::vector<TRect>{{2, 2, 78, 18}}));
    EXPECT_TRUE(Fills(Data(xbsNone, 80, 20)).empty());
}

TEST(EditBorderGeometry, ShadowShrinksTheBorderAndAddsStrips) {
    const TBorderData d = Data(xbs3D, 121, 21, kAllEdges, true);
    const TEditViewInfo info = CalcViewInfo(d, false, 0);
    EXPECT_EQ(info.ShadowWidth, 2);
    EXPECT_EQ(info.BorderRect, (TRect{0, 0, 119, 19}));
    EXPECT_EQ(info.ShadowRect, (TRect{2, 2, 121, 21}));
    EXPECT_EQ(BorderRegion(info), (std::vector<TRect>{{0, 0, 119, 19}, {2, 2, 121, 21}}));
    EXPECT_EQ(EditShadowStrips(info.ShadowRect, 2),
              (std::vector<TRect>{{2, 19, 121, 21}, {119, 2, 121, 21}}));
    ExpectColors(Fills(d), {{120, 20, clBtnShadow}, {2, 20, clBtnShadow}});
    // The corners the shadow leaves free are outside the region too.
    EXPECT_FALSE(RegionContains(BorderRegion(info), info.Bounds, 1, 20));
    EXPECT_FALSE(RegionContains(BorderRegion(info), info.Bounds, 120, 1));
}

TEST(EditBorderGeometry, AutoSizeHeightFollowsTheFontAndShadow) {
    EXPECT_EQ(AutoHeightFromFont(13), 17);
    TEditViewInfo info = CalcViewInfo(Data(xbs3D, 121, 50), true, AutoHeightFromFont(13));
    EXPECT_EQ(info.Bounds, (TRect{0, 0, 121, 21}));
    EXPECT_EQ(info.Content, (TRect{2, 2, 119, 19}));
    info = CalcViewInfo(Data(xbs3D, 121, 50, kAllEdges, true), true, AutoHeightFromFont(13));
    EXPECT_EQ(info.Bounds, (TRect{0, 0, 121, 23}));
}

TEST(EditBorderGeometry, MissingEdges) {
    // Thick without the top edge: the side strips reach above the content, and a missing edge
    // cuts the region even with a full-width border.
    TBorderData d = Data(xbsThick, 60, 20, {edgLeft, edgRight, edgBottom});
    TEditViewInfo info = CalcViewInfo(d, false, 0);
    EXPECT_EQ(info.BorderRect, (TRect{0, 2, 60, 20}));
    EXPECT_EQ(Fills(d), (std::vector<TBorderFill>{{{0, 0, 2, 20}, kDefaultBorderColor},
                                                  {{58, 0, 60, 20}, kDefaultBorderColor},
                                                  {{0, 18, 60, 20}, kDefaultBorderColor}}));
    EXPECT_EQ(BorderRegion(info), (std::vector<TRect>{{0, 2, 60, 20}}));
    // Flat with the top edge only: the border rectangle stays at the content on the other
    // sides; outer line in the shadow colour, inner in the face colour.
    d = Data(xbsFlat, 50, 20, {edgTop});
    EXPECT_EQ(CalcViewInfo(d, false, 0).BorderRect, (TRect{2, 0, 48, 18}));
    ExpectColors(
        Fills(d),
        {{10, 0, clBtnShadow}, {10, 1, clBtnFace}, {2, 5, std::nullopt}, {47, 5, std::nullopt}});
}

TEST(EditBorderGeometry, SunkenEdgeColoursAndCorners) {
    // The bottom line owns the bottom-left corner, the right line the top-right one.
    ExpectColors(Fills(Data(xbs3D, 20, 12)), {{0, 0, clBtnShadow},
                                              {19, 11, clBtnHighlight},
                                              {0, 11, clBtnHighlight},
                                              {19, 0, clBtnHighlight},
                                              {1, 1, cl3DDkShadow},
                                              {18, 10, cl3DLight},
                                              {5, 10, cl3DLight},
                                              {2, 2, std::nullopt}});
}

TEST(EditBorderGeometry, HotTrackingRaisesOneStepAndTinyEditsStayValid) {
    const std::pair<TEditBorderStyle, TEditBorderStyle> raised[] = {{xbsNone, xbsFlat},
                                                                    {xbsSingle, xbsThick},
                                                                    {xbsFlat, xbs3D},
                                                                    {xbsThick, xbsThick},
                                                                    {xbs3D, xbs3D}};
    for (auto [style, hot] : raised) EXPECT_EQ(HotBorderStyle(style, true, true), hot) << style;
    EXPECT_EQ(HotBorderStyle(xbsSingle, false, true), xbsSingle);
    EXPECT_EQ(HotBorderStyle(xbsSingle, true, false), xbsSingle);
    // A 3 x 3 edit with shadow produces no inverted fills.
    for (int style = xbsNone; style <= xbs3D; ++style)
        for (const TBorderFill& f :
             Fills(Data(static_cast<TEditBorderStyle>(style), 3, 3, kAllEdges, true)))
            EXPECT_FALSE(f.Rect.IsEmpty());
}

TEST(EditTextPlacement, PathPlacementAndMeasuredHeight) {
    // One line unless formatting is asked for (ellipsis only when too wide).
    const TRect r{0, 0, 50, 20};
    EXPECT_FALSE(ChooseTextPath(40, false, r, kDetLeft).Formatted);
    TTextPath p = ChooseTextPath(80, false, r, kDetLeft);
    EXPECT_FALSE(p.Formatted);
    EXPECT_TRUE(p.TooWide);
    EXPECT_TRUE(ChooseTextPath(80, false, r, kDetEndEllipsis).Formatted);
    EXPECT_FALSE(ChooseTextPath(40, false, r, kDetEndEllipsis).Formatted);
    EXPECT_TRUE(ChooseTextPath(40, true, r, kDetPathEllipsis).Formatted);
    p = ChooseTextPath(10, false, r, kDetPrefix);
    EXPECT_TRUE(p.Formatted);
    EXPECT_TRUE(p.TooWide);
    EXPECT_TRUE(ChooseTextPath(10, false, r, kDetWordWrap).Formatted);

    const TRect t{10, 0, 110, 21};
    EXPECT_EQ(PlaceTextLine(t, 40, 13, kDetLeft, false), (TRect{10, 0, 50, 21}));
    EXPECT_EQ(PlaceTextLine(t, 40, 13, kDetRight, false), (TRect{70, 0, 110, 21}));
    EXPECT_EQ(PlaceTextLine(t, 40, 13, kDetCenter | kDetVCenter, false), (TRect{40, 4, 80, 17}));
    EXPECT_EQ(PlaceTextLine(t, 40, 13, kDetBottom, false), (TRect{10, 8, 50, 21}));
    // Too wide: from the left, right edge kept, whatever the placement.
    EXPECT_EQ(PlaceTextLine(t, 400, 13, kDetRight, true), (TRect{10, 0, 110, 21}));
    // Halving truncates towards zero, also for negative sums.
    EXPECT_EQ(PlaceTextLine(TRect{-10, -5, 0, 0}, 3, 3, kDetCenter | kDetVCenter, false).Left, -6);

    // The measured height adds the clip rectangle's extra.
    EXPECT_EQ(MeasuredEditTextHeight(13, {0, 0, 50, 25}, {2, 2, 48, 19}), 21);
    EXPECT_EQ(MeasuredEditTextHeight(13, {0, 0, 50, 17}, {0, 0, 50, 17}), 13);
}

} // namespace
} // namespace fprn::editcontrols
