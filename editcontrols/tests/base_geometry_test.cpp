// Border geometry, window region and fills; text placement of the edit text painter.
#include "borderpaint.h"
#include "textplace.h"

#include <gtest/gtest.h>

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

TEST(EditBorderGeometry, DefaultStyleCoversTheWholeWindow) {
    const TEditViewInfo info = CalcViewInfo(Data(xbs3D), false, 0);
    EXPECT_EQ(info.Content, (TRect{2, 2, 119, 19}));
    EXPECT_EQ(info.BorderRect, (TRect{0, 0, 121, 21}));
    EXPECT_EQ(info.BorderWidth, 2);
    EXPECT_TRUE(info.ShadowRect.IsEmpty());
    EXPECT_FALSE(BorderRegion(info).has_value());
}

TEST(EditBorderGeometry, SingleBorderRegionIsTheFrame) {
    const TEditViewInfo info = CalcViewInfo(Data(xbsSingle, 100, 30), false, 0);
    EXPECT_EQ(info.BorderRect, (TRect{1, 1, 99, 29}));
    const auto region = BorderRegion(info);
    ASSERT_TRUE(region.has_value());
    EXPECT_EQ(*region, (std::vector<TRect>{{1, 1, 99, 29}}));
    const auto fills = BorderFills(info, Data(xbsSingle, 100, 30));
    // The ring at (1,1,99,29) is border colour, the pixel inside it is not painted.
    EXPECT_EQ(FillColorAt(fills, 1, 1), kDefaultBorderColor);
    EXPECT_EQ(FillColorAt(fills, 98, 28), kDefaultBorderColor);
    EXPECT_EQ(FillColorAt(fills, 50, 1), kDefaultBorderColor);
    EXPECT_EQ(FillColorAt(fills, 2, 2), std::nullopt);
    EXPECT_EQ(FillColorAt(fills, 0, 0), std::nullopt);
}

TEST(EditBorderGeometry, NoBorderRegionIsTheContent) {
    const TEditViewInfo info = CalcViewInfo(Data(xbsNone, 80, 20), false, 0);
    EXPECT_EQ(info.BorderWidth, 0);
    EXPECT_EQ(*BorderRegion(info), (std::vector<TRect>{{2, 2, 78, 18}}));
    EXPECT_TRUE(BorderFills(info, Data(xbsNone, 80, 20)).empty());
}

TEST(EditBorderGeometry, ShadowShrinksTheBorderAndAddsStrips) {
    const TBorderData d = Data(xbs3D, 121, 21, kAllEdges, true);
    const TEditViewInfo info = CalcViewInfo(d, false, 0);
    EXPECT_EQ(info.ShadowWidth, 2);
    EXPECT_EQ(info.BorderRect, (TRect{0, 0, 119, 19}));
    EXPECT_EQ(info.ShadowRect, (TRect{2, 2, 121, 21}));
    EXPECT_EQ(*BorderRegion(info), (std::vector<TRect>{{0, 0, 119, 19}, {2, 2, 121, 21}}));
    EXPECT_EQ(EditShadowStrips(info.ShadowRect, 2),
              (std::vector<TRect>{{2, 19, 121, 21}, {119, 2, 121, 21}}));
    const auto fills = BorderFills(info, d);
    EXPECT_EQ(FillColorAt(fills, 120, 20), clBtnShadow);
    EXPECT_EQ(FillColorAt(fills, 2, 20), clBtnShadow);
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
    EXPECT_EQ(info.Bounds.Height(), 23);
    EXPECT_EQ(info.Bounds.Width(), 121);
}

TEST(EditBorderGeometry, ThickWithoutTopEdgeStripsReachAboveTheContent) {
    const TBorderData d = Data(xbsThick, 60, 20, {edgLeft, edgRight, edgBottom});
    const TEditViewInfo info = CalcViewInfo(d, false, 0);
    EXPECT_EQ(info.BorderRect, (TRect{0, 2, 60, 20}));
    const auto fills = BorderFills(info, d);
    ASSERT_EQ(fills.size(), 3u);
    EXPECT_EQ(fills[0].Rect, (TRect{0, 0, 2, 20}));
    EXPECT_EQ(fills[1].Rect, (TRect{58, 0, 60, 20}));
    EXPECT_EQ(fills[2].Rect, (TRect{0, 18, 60, 20}));
    // A missing edge cuts the region even with a full-width border.
    EXPECT_EQ(*BorderRegion(info), (std::vector<TRect>{{0, 2, 60, 20}}));
}

TEST(EditBorderGeometry, MissingEdgesLeaveTheBorderRectAtTheContent) {
    const TEditViewInfo info = CalcViewInfo(Data(xbsFlat, 50, 20, {edgTop}), false, 0);
    EXPECT_EQ(info.BorderRect, (TRect{2, 0, 48, 18}));
    const auto fills = BorderFills(info, Data(xbsFlat, 50, 20, {edgTop}));
    // Only top lines: outer in the shadow colour, inner in the face colour.
    EXPECT_EQ(FillColorAt(fills, 10, 0), clBtnShadow);
    EXPECT_EQ(FillColorAt(fills, 10, 1), clBtnFace);
    EXPECT_EQ(FillColorAt(fills, 2, 5), std::nullopt);
    EXPECT_EQ(FillColorAt(fills, 47, 5), std::nullopt);
}

TEST(EditBorderGeometry, SunkenEdgeColoursAndCorners) {
    const TBorderData d = Data(xbs3D, 20, 12);
    const auto fills = BorderFills(CalcViewInfo(d, false, 0), d);
    EXPECT_EQ(FillColorAt(fills, 0, 0), clBtnShadow);
    EXPECT_EQ(FillColorAt(fills, 19, 11), clBtnHighlight);
    EXPECT_EQ(FillColorAt(fills, 0, 11), clBtnHighlight); // bottom line owns the corner
    EXPECT_EQ(FillColorAt(fills, 19, 0), clBtnHighlight); // right line owns the corner
    EXPECT_EQ(FillColorAt(fills, 1, 1), cl3DDkShadow);
    EXPECT_EQ(FillColorAt(fills, 18, 10), cl3DLight);
    EXPECT_EQ(FillColorAt(fills, 5, 10), cl3DLight);
    EXPECT_EQ(FillColorAt(fills, 2, 2), std::nullopt);
}

TEST(EditBorderGeometry, HotTrackingRaisesOneStep) {
    EXPECT_EQ(HotBorderStyle(xbsNone, true, true), xbsFlat);
    EXPECT_EQ(HotBorderStyle(xbsSingle, true, true), xbsThick);
    EXPECT_EQ(HotBorderStyle(xbsFlat, true, true), xbs3D);
    EXPECT_EQ(HotBorderStyle(xbsThick, true, true), xbsThick);
    EXPECT_EQ(HotBorderStyle(xbs3D, true, true), xbs3D);
    EXPECT_EQ(HotBorderStyle(xbsSingle, false, true), xbsSingle);
    EXPECT_EQ(HotBorderStyle(xbsSingle, true, false), xbsSingle);
}

TEST(EditBorderGeometry, TinyEditsProduceNoInvertedFills) {
    for (int style = xbsNone; style <= xbs3D; ++style) {
        const TBorderData d = Data(static_cast<TEditBorderStyle>(style), 3, 3, kAllEdges, true);
        for (const TBorderFill& f : BorderFills(CalcViewInfo(d, false, 0), d))
            EXPECT_FALSE(f.Rect.IsEmpty());
    }
}

TEST(EditTextPlacement, ChoosesOneLineUnlessFormattingIsAskedFor) {
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
}

TEST(EditTextPlacement, PlacesOneLine) {
    const TRect r{10, 0, 110, 21};
    EXPECT_EQ(PlaceTextLine(r, 40, 13, kDetLeft, false), (TRect{10, 0, 50, 21}));
    EXPECT_EQ(PlaceTextLine(r, 40, 13, kDetRight, false), (TRect{70, 0, 110, 21}));
    EXPECT_EQ(PlaceTextLine(r, 40, 13, kDetCenter | kDetVCenter, false), (TRect{40, 4, 80, 17}));
    EXPECT_EQ(PlaceTextLine(r, 40, 13, kDetBottom, false), (TRect{10, 8, 50, 21}));
    // Too wide: from the left, right edge kept, whatever the placement.
    EXPECT_EQ(PlaceTextLine(r, 400, 13, kDetRight, true), (TRect{10, 0, 110, 21}));
    // Halving truncates towards zero, also for negative sums.
    EXPECT_EQ(PlaceTextLine(TRect{-10, -5, 0, 0}, 3, 3, kDetCenter | kDetVCenter, false).Left, -6);
}

TEST(EditTextPlacement, MeasuredHeightAddsTheClipExtra) {
    EXPECT_EQ(MeasuredEditTextHeight(13, {0, 0, 50, 25}, {2, 2, 48, 19}), 21);
    EXPECT_EQ(MeasuredEditTextHeight(13, {0, 0, 50, 17}, {0, 0, 50, 17}), 13);
}

} // namespace
} // namespace fprn::editcontrols
