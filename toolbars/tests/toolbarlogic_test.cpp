// Toolbar rules without widgets: the frame's rectangles, hit tests and fills, MulDiv, the drag
// rules, the layout of the editor's main toolbar and its floating sizes, sizing snaps, and the
// button's event sequences and paint plans.
#include "buttonmodel.h"
#include "dockdrag.h"
#include "dockframe.h"
#include "toolbarlayout.h"

#include <gtest/gtest.h>

#include <climits>
#include <map>
#include <string>

using namespace fprn::toolbars;
using namespace fprn::colors;

namespace {

// The editor's main toolbar: three 23x22 buttons, a separator, Exit.
std::vector<TToolbarItem> MainToolbar() {
    TToolbarItem button;
    button.Width = 23;
    button.Height = 22;
    TToolbarItem sep;
    sep.Separator = true;
    return {button, button, button, sep, button};
}

QSize Arrange(std::vector<TToolbarItem>& items, TDockOrientation o, int rightEdge = 0,
              std::vector<TLineSeparator>* lines = nullptr) {
    TToolbarLayout l;
    l.Orientation = o;
    l.FloatingRightEdge = rightEdge;
    const TToolbarLayoutResult r = ArrangeToolbarItems(items, l);
    if (lines) *lines = r.Lines;
    return r.ClientSize;
}

// The colour each pixel ends with, fills painted in order.
std::map<std::pair<int, int>, TColor> Paint(const TFillList& fills) {
    std::map<std::pair<int, int>, TColor> px;
    for (const TFill& f : fills)
        for (int y = f.Rect.top(); y <= f.Rect.bottom(); ++y)
            for (int x = f.Rect.left(); x <= f.Rect.right(); ++x)
                px[{x, y}] = f.Kind == fkBackground ? 0xBACC6u : f.Color;
    return px;
}

TColor At(const std::map<std::pair<int, int>, TColor>& px, QPoint p) {
    const auto it = px.find({p.x(), p.y()});
    return it == px.end() ? 0xFFFFFFFFu : it->second;
}

} // namespace

TEST(ToolbarLayout, EditorMainToolbar) {
    auto items = MainToolbar();
    EXPECT_EQ(Arrange(items, doHorizontal), QSize(98, 22));
    EXPECT_EQ(items[3].Bounds, QRect(69, 0, 6, 22));
    EXPECT_EQ(items[4].Bounds, QRect(75, 0, 23, 22));
    EXPECT_EQ(Arrange(items, doHorizontal, 80), QSize(98, 22)) << "docked never wraps";

    EXPECT_EQ(Arrange(items, doVertical), QSize(23, 94));
    EXPECT_EQ(items[3].Bounds, QRect(0, 66, 23, 6));
    EXPECT_EQ(items[4].Bounds, QRect(0, 72, 23, 22));

    std::vector<TLineSeparator> lines;
    EXPECT_EQ(Arrange(items, doNone, 0, &lines), QSize(106, 25));
    EXPECT_TRUE(lines.empty());
    EXPECT_EQ(items[0].Bounds, QRect(4, 2, 23, 22));
    EXPECT_EQ(Arrange(items, doNone, 80, &lines), QSize(77, 53));
    EXPECT_EQ(lines, (std::vector<TLineSeparator>{{30, false}}));
    EXPECT_EQ(items[3].Bounds.width(), 0) << "the separator ending a line";
    EXPECT_EQ(items[4].Bounds, QRect(4, 30, 23, 22));

    EXPECT_EQ(ListFloatingSizes(items),
              (std::vector<QSize>{{106, 25}, {77, 53}, {54, 75}, {31, 97}}));
}

TEST(ToolbarLayout, WrapRules) {
    std::vector<TLineSeparator> lines;
    // A run of controls wider than the line wraps without a line; the next group starts a new
    // line that does get one.
    std::vector<TToolbarItem> items(4, MainToolbar()[0]);
    items.push_back(MainToolbar()[3]);
    items.push_back(MainToolbar()[0]);
    EXPECT_EQ(Arrange(items, doNone, 60, &lines), QSize(54, 75));
    EXPECT_EQ(items[2].Bounds.topLeft(), QPoint(4, 24));
    EXPECT_EQ(lines, (std::vector<TLineSeparator>{{52, false}}));

    // A blank separator ends its line without a drawn line.
    items = MainToolbar();
    items[3].Blank = true;
    Arrange(items, doNone, 80, &lines);
    EXPECT_EQ(lines, (std::vector<TLineSeparator>{{30, true}}));

    // The right edge is raised to the widest control + 8; empty bars; a taller row centres.
    items = {MainToolbar()[0]};
    items[0].Width = 50;
    EXPECT_EQ(Arrange(items, doNone, 20), QSize(58, 25));
    items.clear();
    EXPECT_EQ(Arrange(items, doNone), QSize(16, 11));
    EXPECT_EQ(Arrange(items, doHorizontal), QSize(8, 8));
    items = MainToolbar();
    TToolbarLayout l;
    l.Orientation = doHorizontal;
    l.RowSize = 30;
    ArrangeToolbarItems(items, l);
    EXPECT_EQ(items[0].Bounds, QRect(0, 4, 23, 22));
    EXPECT_EQ(items[3].Bounds, QRect(69, 0, 6, 30));
}

TEST(ToolbarSizing, SnapsPerEdge) {
    auto items = MainToolbar();
    std::vector<QSize> window; // client + floating frame 4/19/4/4
    for (QSize s : ListFloatingSizes(items)) window.push_back(s + QSize(8, 23));
    const QSize two(85, 76);
    const QRect start(100, 100, 85, 76);
    struct Step {
        int edge;
        QPoint pointer; // relative to the window
        QSize want;
        int rightEdge;
    } steps[] = {
        // Right edge, pressed 3 pixels inside: the snap keeps the size until 12 pixels out.
        {1, {82, 40}, {85, 76}, 77},
        {1, {96, 40}, {85, 76}, 77},
        {1, {97, 40}, {114, 48}, 0},
        {1, {400, 40}, {114, 48}, 0},
        {1, {70, 40}, {62, 98}, 54},
        // Left edge: the extent is measured from the right.
        {0, {2, 40}, {85, 76}, 77},
        {0, {-20, 40}, {114, 48}, 0},
        // Bottom and top: heights, the one-line shape last.
        {5, {40, 50}, {114, 48}, 0},
        {5, {40, 90}, {62, 98}, 54},
        {5, {40, 110}, {39, 120}, 31},
        {2, {40, -40}, {39, 120}, 31},
    };
    int edge = -1;
    TToolbarSizing s;
    for (const Step& st : steps) {
        if (st.edge != edge) {
            edge = st.edge;
            s = ToolbarSizingBegin(edge, window, two, 77);
            EXPECT_EQ(s.SnapDistance, 12);
        }
        QRect r = start;
        ToolbarSizingTrack(s, r, start, st.pointer, two, 4);
        EXPECT_EQ(r.size(), st.want) << st.edge << " " << st.pointer.x() << "," << st.pointer.y();
        EXPECT_EQ(s.NewFloatingRightEdge, st.rightEdge);
    }
    // Sizes 1 pixel apart leave no snap.
    EXPECT_EQ(ToolbarSizingBegin(1, {{20, 10}, {19, 12}}, {20, 10}, 0).SnapDistance, 0);
}

TEST(FrameGeometry, RectsAndHitTests) {
    EXPECT_EQ(CaptionRect(98, TFrameMetrics{}, false, true), QRect(0, 0, 84, 14));
    const TDragHandleInfo withClose = DragHandleInfo(true, dhDouble);
    EXPECT_EQ(DockedCloseButtonRect(23, true, withClose), QRect(14, 3, 11, 11));
    EXPECT_EQ(DockedCloseButtonRect(98, false, withClose), QRect(3, 2, 11, 11));

    TFloatingFrame f;
    f.Window = {106, 48};
    const std::pair<QPoint, THitTest> floating[] = {
        {{50, 30}, htClient},  {{50, 10}, htClient}, {{95, 10}, htClose},  {{50, 1}, htTop},
        {{1, 1}, htTop},       {{50, 43}, htClient}, {{50, 44}, htBottom}, {{1, 30}, htLeft},
        {{101, 30}, htClient}, {{102, 30}, htRight}, {{50, 18}, htNowhere}};
    for (auto [p, want] : floating) EXPECT_EQ(FloatingHitTest(p, f), want) << p.x() << "," << p.y();
    f.CloseButton = false;
    EXPECT_EQ(FloatingHitTest({95, 10}, f), htClient);

    TDockedFrame d;
    d.Window = {116, 26};
    d.Handle = withClose;
    d.CloseButtonWhenDocked = true;
    EXPECT_EQ(DockedHitTest({5, 5}, d), htClose);
    EXPECT_EQ(DockedHitTest({20, 5}, d), htClient) << "the rest of the frame drags";
}

TEST(FrameFills, DockedFloatingAndCaption) {
    // Docked in a horizontal dock, double grips: raised inner border, grips with their corner.
    TDockedFrame d;
    d.Window = {111, 26};
    d.Handle = DragHandleInfo(false, dhDouble);
    d.Color = 0x123456;
    auto px = Paint(DockedFrameFills(d));
    const std::pair<QPoint, TColor> docked[] = {
        {{0, 0}, clBtnHighlight},  {{110, 0}, clBtnShadow},  {{0, 25}, clBtnShadow},
        {{1, 1}, 0x123456},        {{4, 2}, clBtnHighlight}, {{6, 5}, clBtnShadow},
        {{5, 5}, clBtnFace},       {{5, 23}, clBtnShadow},   {{4, 23}, clBtnHighlight},
        {{7, 23}, clBtnHighlight}, {{2, 5}, 0x123456},       {{10, 5}, 0x123456}};
    for (auto [p, want] : docked) EXPECT_EQ(At(px, p), want) << p.x() << "," << p.y();
    EXPECT_FALSE(px.count({12, 5})) << "the client is not painted";

    d.Border = bsNone;
    d.Background = true;
    px = Paint(DockedFrameFills(d));
    EXPECT_EQ((px[{0, 0}]), 0x123456u);
    EXPECT_EQ((px[{1, 1}]), 0xBACC6u) << "the dock's background on the band";
    EXPECT_EQ((px[{10, 5}]), 0xBACC6u);

    // Vertical, single grip ending short of the close button, which is drawn pushed.
    d = TDockedFrame{};
    d.Window = {27, 112};
    d.Vertical = true;
    d.Handle = DragHandleInfo(true, dhSingle);
    d.CloseButtonWhenDocked = true;
    d.ClosePressed = true;
    px = Paint(DockedFrameFills(d));
    EXPECT_EQ((px[{2, 7}]), clBtnHighlight) << "grip at 5 + 2";
    EXPECT_EQ((px[{12, 9}]), clBtnShadow) << "the grip ends at cw - 14 + 4";
    EXPECT_EQ((px[{13, 9}]), clBtnFace);
    EXPECT_EQ((px[{14, 3}]), cl3DDkShadow) << "pushed close, soft sunken";
    EXPECT_EQ((px[{19, 9}]), clBtnText) << "its cross, moved down and right";

    // Floating: raised edge, face band, caption, face line, close button and its ring.
    TFloatingFrame f;
    f.Window = {106, 48};
    auto width = [](const QString& s) { return 6 * static_cast<int>(s.size()); };
    TFramePlan plan = FloatingFramePlan(f, fpAll, "Tools", width);
    px = Paint(plan.Fills);
    const std::pair<QPoint, TColor> floating[] = {
        {{0, 0}, cl3DLight},        {{1, 1}, clBtnHighlight},  {{105, 47}, cl3DDkShadow},
        {{104, 46}, clBtnShadow},   {{2, 2}, clBtnFace},       {{5, 5}, clActiveCaption},
        {{88, 4}, clActiveCaption}, {{89, 5}, clBtnHighlight}, {{50, 18}, clBtnFace}};
    for (auto [p, want] : floating) EXPECT_EQ(At(px, p), want) << p.x() << "," << p.y();
    EXPECT_EQ(plan.TextRect, QRect(5, 4, 82, 14));
    EXPECT_EQ(plan.Text, "Tools");
    EXPECT_EQ(plan.TextColor, clCaptionText);

    f.InactiveCaption = true;
    f.ClosePressed = true;
    plan = FloatingFramePlan(f, fpCloseButton, "Tools", width);
    px = Paint(plan.Fills);
    EXPECT_FALSE(px.count({5, 5})) << "only the asked part";
    EXPECT_EQ((px[{89, 5}]), cl3DDkShadow);
    plan = FloatingFramePlan(f, fpCaption, "A longer caption", width);
    EXPECT_EQ((Paint(plan.Fills)[{5, 5}]), clInactiveCaption);
    EXPECT_EQ(plan.TextColor, clInactiveCaptionText);
    EXPECT_EQ(plan.Text, "A longer c...");

    EXPECT_EQ(FitCaption("Main toolbar", 40, width), "Mai...");
    EXPECT_EQ(FitCaption("Main toolbar", 10, width), "M...");
    EXPECT_EQ(FloatingPartRect(f, fpCaption), QRect(4, 4, 98, 15));
}

TEST(MulDiv, RoundsHalvesAwayFromZero) {
    struct Row {
        int a, b, c, want;
    } rows[] = {{5, 1, 2, 3},        {-5, 1, 2, -3},  {5, -1, 2, -3},
                {5, 1, -2, -3},      {7, 3, 2, 11},   {1, 1, 3, 0},
                {2, 1, 3, 1},        {9, 9, 0, -1},   {INT_MAX, 2, 2, INT_MAX},
                {INT_MAX, 2, 1, -1}, {32, 5, 110, 1}, {110, 5, 110, 5}};
    for (const Row& r : rows) EXPECT_EQ(MulDiv(r.a, r.b, r.c), r.want) << r.a << " " << r.b;
}

namespace {

struct Node {
    std::string name;
    bool dock = false;
    TDockPosition pos = dpTop;
    bool showing = true, accepts = true, inBar = false;
    std::vector<Node*> kids;
};

struct TreeOps {
    bool Skip(Node* n) const { return !n->showing || n->inBar; }
    std::vector<Node*> Children(Node* n) const { return n->kids; }
    bool IsDock(Node* n, TDockPosition& p) const {
        p = n->pos;
        return n->dock;
    }
    bool Accepts(Node* n) const { return n->accepts; }
};

} // namespace

TEST(DragRules, CandidatesAreasOutlinesAndDrops) {
    auto dock = [](const char* name, TDockPosition p) {
        Node n;
        n.name = name;
        n.dock = true;
        n.pos = p;
        return n;
    };
    Node left = dock("left", dpLeft), bottom = dock("bottom", dpBottom), top = dock("top", dpTop);
    Node right = dock("right", dpRight), hidden = dock("hidden", dpTop);
    Node inner = dock("inner", dpTop), inBar = dock("inBar", dpTop), panel, bar, form;
    right.accepts = false;
    hidden.showing = false;
    inBar.inBar = true;
    panel.kids = {&inner};
    bar.kids = {&inBar};
    form.kids = {&panel, &left, &right, &bottom, &hidden, &top, &bar};
    TreeOps ops;
    std::vector<Node*> out;
    CollectDocks<Node*>(&form, ops, out);
    std::string order;
    for (Node* n : out) order += n->name + " ";
    EXPECT_EQ(order, "top bottom left inner ") << "refusing, hidden and bar docks left out";

    // A bar 111x26 taken at (5, 5): 32 pixels before the dock scaled to 1, 20 above to 4.
    const TDragStart start{{5, 5}, {110, 25}};
    const QRect topDock(0, 0, 800, 26);
    EXPECT_TRUE(PointInDockArea(topDock, false, {-31, -16}, start, {111, 26}));
    EXPECT_FALSE(PointInDockArea(topDock, false, {-32, 10}, start, {111, 26}));
    EXPECT_FALSE(PointInDockArea(topDock, false, {100, -17}, start, {111, 26}));
    EXPECT_TRUE(PointInDockArea(topDock, false, {100, 29}, start, {111, 26}));
    EXPECT_FALSE(PointInDockArea(topDock, false, {100, 30}, start, {111, 26}));
    // An empty dock counts one pixel thicker on each side.
    EXPECT_TRUE(PointInDockArea({0, 574, 800, 0}, false, {100, 577}, start, {111, 26}));
    EXPECT_FALSE(PointInDockArea({0, 574, 800, 0}, false, {100, 579}, start, {111, 26}));
    EXPECT_TRUE(PointInDockArea({0, 26, 0, 548}, true, {0, 100}, start, {27, 107}));
    EXPECT_EQ(OutlineAt({100, 50}, {55, 13}, start), QRect(98, 48, 55, 13)) << "scaled offset";

    const QRect work(0, 0, 800, 600);
    EXPECT_EQ(ClampToWorkArea({900, -5}, work), QPoint(800, 0));
    EXPECT_EQ(ClampFloatingOutline({-500, 100, 114, 48}, work, {4, 4}, 19).x(), -106);
    EXPECT_EQ(ClampFloatingOutline({900, 100, 114, 48}, work, {4, 4}, 19).x(), 792);
    EXPECT_EQ(ClampFloatingOutline({100, 700, 114, 48}, work, {4, 4}, 19).y(), 592);
    EXPECT_EQ(ClampFloatingOutline({100, -100, 114, 48}, work, {4, 4}, 19).y(), -15);

    auto none = [](int) { return 0; };
    auto one = [](int) { return 1; };
    const std::vector<int> rows{22};
    EXPECT_EQ(DecideDrop({40, 0, 111, 26}, false, rows, 0, false, none),
              (TDropDecision{0, -1, 40}));
    EXPECT_EQ(DecideDrop({40, -20, 111, 26}, false, rows, 0, false, none),
              (TDropDecision{0, 0, 40}))
        << "within 5 pixels of the row's start: a new row before it";
    EXPECT_EQ(DecideDrop({40, 0, 111, 26}, false, rows, 0, true, one), (TDropDecision{1, 1, 40}))
        << "full size in an occupied row: a row of its own after it";
    EXPECT_EQ(DecideDrop({0, 30, 27, 107}, true, rows, 0, false, none), (TDropDecision{0, -1, 30}));

    const QRect s(100, 100, 114, 48);
    EXPECT_EQ(SizingRect(s, 1, {10, 7}, {50, 30}), QRect(100, 100, 124, 48));
    EXPECT_EQ(SizingRect(s, 0, {100, 0}, {50, 30}), QRect(164, 100, 50, 48));
    EXPECT_EQ(SizingRect(s, 5, {0, -40}, {50, 30}), QRect(100, 100, 114, 30));
    EXPECT_EQ(SizingRect(s, 2, {0, -12}, {50, 30}), QRect(100, 88, 114, 60));
    EXPECT_EQ(SizingRect(s, 7, {-100, 5}, {50, 30}), QRect(100, 100, 50, 53));
}

namespace {

std::string Names(const TButtonEffects& e) {
    static const char* names[] = {"repaint", "enter", "exit",  "stophot", "down",
                                  "move",    "track", "up",    "click",   "inherited",
                                  "release", "menu",  "modal", "group",   "cancel"};
    std::string s;
    for (TButtonEffect x : e) s += std::string(s.empty() ? "" : " ") + names[x];
    return s;
}

} // namespace

TEST(ButtonModel, EventSequences) {
    using Op = std::function<void(TButtonModel&, TButtonEffects&)>;
    struct Step {
        Op op;
        const char* effects;
        TButtonState state;
    };
    auto run = [](TButtonModel m, std::initializer_list<Step> steps) {
        int i = 0;
        for (const Step& s : steps) {
            TButtonEffects e;
            s.op(m, e);
            EXPECT_EQ(Names(e), s.effects) << "step " << i;
            EXPECT_EQ(m.State, s.state) << "step " << i;
            ++i;
        }
        return m;
    };
    const auto hot = [](TButtonModel& m, TButtonEffects& e) { m.BeginHot(e); };
    const auto press = [](int x) {
        return [x](TButtonModel& m, TButtonEffects& e) { m.MouseDown(mbLeft, x, 5, e); };
    };
    const auto move = [](int x) {
        return [x](TButtonModel& m, TButtonEffects& e) { m.MouseMove(x, 5, e); };
    };
    const auto up = [](int x) {
        return [x](TButtonModel& m, TButtonEffects& e) { m.MouseUp(mbLeft, x, 5, e); };
    };
    const auto click = [](TButtonModel& m, TButtonEffects& e) {
        if (m.Click(e)) m.ClickEnd(false, e);
        m.MouseDownDone();
    };

    // A flat button: hot, pressed, out and back in, released inside: one click.
    TButtonModel flat;
    run(flat, {{hot, "repaint enter", bsHot},
               {press(5), "repaint down", bsPressed},
               {move(30), "move track repaint", bsUp},
               {move(5), "move track repaint", bsPressed},
               {up(5), "up click", bsPressed},
               {click, "stophot repaint exit modal inherited repaint", bsUp}});
    // Released outside: no click, the border goes.
    run(flat, {{hot, "repaint enter", bsHot},
               {press(5), "repaint down", bsPressed},
               {up(30), "up stophot repaint exit", bsUp}});
    // Repeating: clicks at the press and on ticks inside; outside the timer stops, inside again
    // it runs; the release does not click.
    TButtonModel rep;
    rep.Repeating = true;
    rep = run(rep, {{press(5), "repaint enter repaint down click", bsPressed}});
    EXPECT_EQ(rep.Repeat, rtEnabled);
    EXPECT_EQ(rep.RepeatTimerInterval, 400);
    rep = run(rep, {{[](auto& m, auto& e) { m.RepeatTick(true, 5, 5, e); }, "click", bsPressed},
                    {[](auto& m, auto& e) { m.RepeatTick(true, 40, 5, e); }, "", bsPressed}});
    EXPECT_EQ(rep.RepeatTimerInterval, 100);
    EXPECT_EQ(rep.Repeat, rtDisabled);
    rep = run(rep, {{move(5), "move track", bsPressed}});
    EXPECT_EQ(rep.Repeat, rtEnabled);
    rep = run(rep, {{up(5), "up stophot repaint exit", bsUp}});
    EXPECT_EQ(rep.Repeat, rtNone);

    // A drop-down button clicks at the press, a combo from its arrow part (34 wide: from 23).
    TButtonModel menu;
    menu.UsesDropdown = true;
    run(menu, {{press(5), "repaint enter repaint down click", bsPressed},
               {click, "stophot repaint exit inherited release menu repaint", bsUp}});
    TButtonModel combo = menu;
    combo.DropdownCombo = true;
    combo.Width = 34;
    run(combo, {{press(24), "repaint enter repaint down click", bsPressed},
                {click, "stophot repaint exit release menu repaint", bsUp}});

    // Groups: Down needs a group index; without AllowAllUp a down button stays down.
    TButtonModel g;
    run(g, {{[](auto& m, auto& e) { m.SetDown(true, e); }, "", bsUp}});
    g.GroupIndex = 1;
    g = run(g, {{[](auto& m, auto& e) { m.SetDown(true, e); }, "repaint group", bsDown},
                {[](auto& m, auto& e) { m.SetDown(false, e); }, "", bsDown},
                {hot, "repaint enter", bsDown},
                {press(5), "down", bsDown},
                {up(5), "up click", bsDown},
                {click, "stophot repaint exit modal inherited repaint", bsDown}});
    g.AllowAllUp = true;
    g = run(g, {{click, "repaint repaint modal inherited repaint", bsUp}});
    run(g, {{[](auto& m, auto& e) {
                 m.Enabled = false;
                 m.EnabledChanged(e);
             },
             "stophot cancel repaint", bsDisabled},
            {[](auto& m, auto& e) {
                 m.Enabled = true;
                 m.EnabledChanged(e);
             },
             "repaint", bsUp}});
}

TEST(ButtonPaintPlan, Rows) {
    const unsigned raised = BDR_RAISEDINNER, sunken = BDR_SUNKENOUTER, soft = BF_MIDDLE | BF_SOFT;
    struct Row {
        TButtonState state;
        bool flat, mouseIn, noBorder, down;
        unsigned edge, flags; // the border around the whole button, 0 for none
        int inset;            // of the content
        bool offset, pattern;
    } rows[] = {
        {bsUp, true, false, false, false, 0, 0, 1, false, false},
        {bsHot, true, true, false, false, raised, BF_RECT, 1, false, false},
        {bsPressed, true, true, false, false, sunken, BF_RECT, 1, true, false},
        {bsDown, true, false, false, true, sunken, BF_RECT, 1, true, true},
        {bsDown, true, true, false, true, sunken, BF_RECT, 1, true, false},
        {bsUp, false, false, false, false, EDGE_RAISED, BF_RECT | soft, 2, false, false},
        {bsDisabled, true, true, false, false, 0, 0, 1, false, false},
        {bsHot, true, true, true, false, 0, 0, 0, false, false},
    };
    for (const Row& r : rows) {
        TButtonModel m;
        m.State = r.state;
        m.Flat = r.flat;
        m.MouseInControl = r.mouseIn;
        m.Down = r.down;
        TButtonLook look;
        look.NoBorder = r.noBorder;
        const TButtonPaintPlan p = ButtonPaintPlan(m, look);
        std::vector<TEdgePaint> edges;
        if (r.edge) edges.push_back({{0, 0, 23, 22}, r.edge, r.flags});
        EXPECT_EQ(p.Edges, edges) << r.state << " " << r.flat;
        EXPECT_EQ(p.Content, QRect(0, 0, 23, 22).adjusted(r.inset, r.inset, -r.inset, -r.inset));
        EXPECT_EQ(p.Offset, r.offset ? QPoint(1, 1) : QPoint()) << r.state;
        EXPECT_EQ(p.Pattern, r.pattern) << r.state;
    }
    // A combo pressed on its arrow: the arrow part sunken, the main part raised.
    TButtonModel c;
    c.DropdownCombo = c.UsesDropdown = c.MenuIsDown = c.MouseInControl = true;
    c.State = bsPressed;
    c.Width = 34;
    const TButtonPaintPlan p = ButtonPaintPlan(c, {});
    ASSERT_EQ(p.Edges.size(), 2u);
    EXPECT_EQ(p.Edges[0], (TEdgePaint{{23, 0, 9, 22}, BDR_SUNKENOUTER, BF_RECT}));
    EXPECT_EQ(p.Edges[1], (TEdgePaint{{0, 0, 23, 22}, BDR_RAISEDINNER, BF_RECT}));
    EXPECT_TRUE(p.ComboArrow);
    EXPECT_EQ(p.ComboArrowAt, QPoint(23, 10));
    EXPECT_FALSE(p.ShowArrow);
}
