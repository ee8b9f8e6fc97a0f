// Dock arrangement, row lookups, frame insets and screen placement, without widgets.
#include "dockmodel.h"

#include <gtest/gtest.h>

#include <string>

using namespace fprn::toolbars;

namespace {

struct Bar {
    const char* name;
    int row, pos, width;
    bool visible = true;
    bool fullSize = false;
    int thickness = 22;
};

struct Dock {
    std::vector<TBarSlot> records;
    std::vector<TBarSlot*> bars, visible;
    TArrangeResult result;

    Dock(std::initializer_list<Bar> list) {
        records.reserve(list.size());
        for (const Bar& b : list) {
            TBarSlot s;
            s.DockRow = b.row;
            s.DockPos = b.pos;
            s.Width = b.width;
            s.Height = b.thickness + 4;
            s.Visible = b.visible;
            s.FullSize = b.fullSize;
            s.Thickness = b.thickness;
            s.Tag = static_cast<int>(records.size());
            records.push_back(s);
        }
        for (TBarSlot& s : records) {
            bars.push_back(&s);
            if (s.Visible) visible.push_back(&s);
        }
    }
    TArrangeResult Arrange(int length, bool clip = false, int boundLines = 0) {
        TArrangeParams p;
        p.AvailableLength = length;
        p.ClipPositions = clip;
        p.NonClientAcross = boundLines;
        result = ArrangeBarSlots(bars, visible, p);
        return result;
    }
    const TBarSlot& operator[](int tag) const { return records[static_cast<std::size_t>(tag)]; }
    // Visible bars in list order as "tag@x,y" items.
    std::string Placement() const {
        std::string s;
        for (const TBarSlot* b : visible)
            s += std::to_string(b->Tag) + "@" + std::to_string(b->Bounds.x()) + "," +
                 std::to_string(b->Bounds.y()) + " ";
        return s;
    }
};

} // namespace

TEST(DockArrangement, PartEdgeCases) {
    {
        Dock d{{"a", 0, 0, 50}, {"b", 0, 10, 30}};
        d.Arrange(300);
        EXPECT_EQ(d[1].Bounds.x(), 50) << "a bar that would overlap is pushed behind";
        EXPECT_EQ(d.result.Thickness, 26);
    }
    {
        // Clipped into a 100-pixel dock; the position survives unless clipping is asked for.
        Dock d{{"a", 0, 0, 30}, {"b", 0, 90, 30}};
        d.Arrange(100);
        EXPECT_EQ(d[1].Bounds.x(), 70);
        EXPECT_EQ(d[1].DockPos, 90);
        d.Arrange(200);
        EXPECT_EQ(d[1].Bounds.x(), 90) << "back where it was when the dock grows";
        d.Arrange(100, true);
        EXPECT_EQ(d[1].DockPos, 70);
    }
    {
        Dock d{{"a", 0, 0, 60}, {"b", 0, 30, 60}};
        d.Arrange(100);
        EXPECT_EQ(d.Placement(), "0@0,0 1@60,0 ") << "a row that does not fit runs past the end";
    }
    {
        // A full-size bar sharing a row keeps it alone; the others move down. It stretches to
        // the dock's length.
        Dock d{{"a", 0, 0, 40}, {"full", 0, 50, 40, true, true}, {"c", 1, 0, 40}};
        d.Arrange(300);
        EXPECT_EQ(d[1].DockRow, 0);
        EXPECT_EQ(d[0].DockRow, 1);
        EXPECT_EQ(d[2].DockRow, 2);
        EXPECT_EQ(d[1].Bounds, QRect(0, 0, 300, 26));
        EXPECT_EQ(d[0].Bounds, QRect(0, 26, 40, 26));
        EXPECT_EQ(d.result.Thickness, 78);
    }
    {
        // Hidden bars keep their row but it takes no pixels; empty rows are removed, which also
        // renumbers a floating bar (in the bar list, not visible).
        Dock d{{"a", 0, 0, 40},
               {"hidden", 2, 0, 40, false},
               {"b", 4, 0, 40},
               {"floating", 6, 0, 40, false}};
        d.Arrange(300);
        EXPECT_EQ(d[1].DockRow, 1);
        EXPECT_EQ(d[2].DockRow, 2);
        EXPECT_EQ(d[3].DockRow, 3);
        EXPECT_EQ(d.result.RowSizes, (std::vector<int>{22, 0, 22, 0}));
        EXPECT_EQ(d[2].Bounds.y(), 26);
        EXPECT_EQ(d.result.Thickness, 52);
    }
    {
        Dock d{{"thin", 0, 0, 40, true, false, 3}};
        d.Arrange(300, false, 2);
        EXPECT_EQ(d.result.RowSizes[0], 8);
        EXPECT_EQ(d.result.Thickness, 12 + 2) << "at least 8 + 4, plus the bound lines";
    }
    {
        Dock d{{"hidden", 0, 0, 40, false}};
        EXPECT_EQ(d.Arrange(300).Thickness, 0);
        TArrangeParams p;
        p.FixAlign = true;
        EXPECT_EQ(ArrangeBarSlots(d.bars, d.visible, p).Thickness, 1);
    }
    {
        // Equal keys keep the quicksort's order: of two bars at -1 the second comes first.
        Dock d{{"first", 0, -1, 40}, {"second", 0, -1, 30}};
        d.Arrange(300);
        EXPECT_EQ(d.Placement(), "1@0,0 0@30,0 ");
    }
}

TEST(DockArrangement, VerticalAndOneRow) {
    Dock d{{"a", 0, 0, 0, true, false, 23}, {"b", 1, 5, 0, true, false, 30}};
    d.records[0].Height = 60;
    d.records[1].Height = 40;
    TArrangeParams p;
    p.Vertical = true;
    p.AvailableLength = 200;
    ArrangeBarSlots(d.bars, d.visible, p);
    EXPECT_EQ(d[0].Bounds, QRect(0, 0, 27, 60));
    EXPECT_EQ(d[1].Bounds, QRect(27, 5, 34, 40));
    p.LimitToOneRow = true;
    EXPECT_EQ(ArrangeBarSlots(d.bars, d.visible, p).Thickness, 34);
    EXPECT_EQ(d[1].Bounds, QRect(0, 60, 34, 40));
}

TEST(DockRows, PositionAndPixel) {
    const std::vector<int> sizes{22, 0, 22}; // rows 0 and 2 hold bars: [0,26) and [26,52)
    struct Row {
        int pos, row;
        bool insert;
    } rows[] = {{0, 0, true},  {4, 0, true},  {5, 0, false},  {20, 0, false},
                {21, 2, true}, {30, 2, true}, {31, 2, false}, {46, 2, false},
                {47, 3, true}, {56, 3, true}, {57, 3, false}, {400, 3, false}};
    for (const Row& r : rows) {
        bool insert = !r.insert;
        EXPECT_EQ(RowAtPosition(sizes, 2, r.pos, insert), r.row) << r.pos;
        EXPECT_EQ(insert, r.insert) << r.pos;
    }
    EXPECT_EQ(RowAtPixel(sizes, 2, 0), 0);
    EXPECT_EQ(RowAtPixel(sizes, 2, 25), 0);
    EXPECT_EQ(RowAtPixel(sizes, 2, 26), 2);
    EXPECT_EQ(RowAtPixel(sizes, 2, 52), 3);

    TBarSlot a, b;
    a.DockRow = 0;
    b.DockRow = 2;
    std::vector<TBarSlot*> bars{&a, &b};
    InsertRow(bars, 1);
    EXPECT_EQ(a.DockRow, 0);
    EXPECT_EQ(b.DockRow, 3);
}

TEST(SortListWith, QuicksortOrder) {
    std::vector<std::pair<int, char>> v{{3, 'a'}, {1, 'b'}, {3, 'c'}, {2, 'd'}, {1, 'e'}, {0, 'f'}};
    SortListWith(v, [](auto& x, auto& y) { return x.first - y.first; });
    std::string order;
    for (auto& [k, c] : v) order += c;
    for (std::size_t i = 1; i < v.size(); ++i) EXPECT_LE(v[i - 1].first, v[i].first);
    // Not stable: the equal keys come out in the partition's order.
    EXPECT_EQ(order, "febdac");
}

TEST(FrameInsets, HandlesDockedAndFloating) {
    struct Row {
        bool close;
        TDragHandleStyle style;
        TDragHandleInfo want;
    } rows[] = {{false, dhDouble, {9, 2, 2}}, {false, dhNone, {0, 0, 0}},
                {false, dhSingle, {6, 1, 1}}, {true, dhDouble, {14, 3, 2}},
                {true, dhNone, {14, 0, 0}},   {true, dhSingle, {14, 5, 1}}};
    for (const Row& r : rows) {
        const TDragHandleInfo h = DragHandleInfo(r.close, r.style);
        EXPECT_EQ(h.Size, r.want.Size);
        EXPECT_EQ(h.GripOffset, r.want.GripOffset);
        EXPECT_EQ(h.Grips, r.want.Grips);
    }
    const TDragHandleInfo dbl = DragHandleInfo(false, dhDouble);
    EXPECT_EQ(DockedNCInsets(false, true, dbl), (TInsets{11, 2, 2, 2}));
    EXPECT_EQ(DockedNCInsets(true, true, dbl), (TInsets{2, 11, 2, 2}));
    EXPECT_EQ(DockedNCInsets(false, false, dbl), (TInsets{2, 2, 2, 2}));
    EXPECT_EQ(DockedNCInsets(false, true, DragHandleInfo(false, dhNone)).Width(), 4);
    EXPECT_EQ(FloatingNCInsets({4, 4}, 15, true), (TInsets{4, 19, 4, 4}));
    EXPECT_EQ(FloatingNCInsets({4, 4}, 15, false).Height(), 8);
}

TEST(Screens, MoveOnScreenAndWorkAreas) {
    const QRect work(0, 0, 1000, 700);
    EXPECT_EQ(MoveRectOnScreen({950, 680, 100, 50}, work, false), QRect(900, 650, 100, 50));
    EXPECT_EQ(MoveRectOnScreen({-20, -5, 100, 50}, work, false), QRect(0, 0, 100, 50));
    EXPECT_EQ(MoveRectOnScreen({-20, 0, 1200, 50}, work, false), QRect(0, 0, 1200, 50))
        << "too wide: the left edge wins";
    EXPECT_EQ(MoveRectOnScreen({950, 10, 100, 50}, work, true), QRect(950, 10, 100, 50))
        << "partly on screen stays";
    EXPECT_EQ(MoveRectOnScreen({1100, 10, 100, 50}, work, true), QRect(900, 10, 100, 50));

    const std::vector<TScreenArea> screens{{{0, 0, 1000, 700}, {0, 0, 1000, 660}},
                                           {{1000, 0, 800, 600}, {1000, 30, 800, 570}}};
    const QRect none(0, 0, 1, 1);
    EXPECT_EQ(WorkAreaOfRect(screens, {900, 10, 300, 50}, none), screens[1].Available);
    EXPECT_EQ(WorkAreaOfRect(screens, {950, 10, 80, 50}, none), screens[0].Available);
    EXPECT_EQ(WorkAreaOfRect(screens, {1900, 650, 10, 10}, none), screens[1].Available)
        << "off every screen: the nearest";
    EXPECT_EQ(WorkAreaOfPoint(screens, {10, 690}, none), screens[0].Available);
    EXPECT_EQ(WorkAreaOfPoint({}, {10, 10}, none), none);
}
