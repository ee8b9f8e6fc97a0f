// Docks in real forms: bars added, hidden and resized, brackets, refusals, bound lines and the
// shared background, in a laid-out and a bare form.
#include "toolbartest.h"

#include <QPainter>

using namespace fprn::toolbars;
using namespace fprn::toolbars::test;

namespace {

template <class Fn> std::string Refusal(Fn fn) {
    try {
        fn();
    } catch (const EInvalidOperation& e) {
        return e.what();
    }
    return "accepted";
}

} // namespace

TEST(Dock, BarsInLaidOutAndBareForms) {
    for (bool laidOut : {true, false}) {
        SCOPED_TRACE(laidOut ? "laid out" : "bare");
        Form f(laidOut);
        f.Show();
        EXPECT_EQ(f.top->height(), 0) << "an empty dock takes no room";
        auto* a = new TTestBar;
        auto* b = new TTestBar;
        b->SetDockPos(1);
        a->SetParent(f.top);
        b->SetParent(f.top);
        Settle();
        // 50x22 client, 2 around it and the 9-pixel handle on the left.
        EXPECT_EQ(a->geometry(), QRect(0, 0, 63, 26));
        EXPECT_EQ(b->geometry(), QRect(63, 0, 63, 26));
        EXPECT_EQ(f.top->height(), 26);
        EXPECT_EQ(f.top->VisibleBars().size(), 2u);

        a->hide();
        Settle();
        EXPECT_EQ(b->x(), 63) << "a bar keeps its position when a neighbour goes";
        EXPECT_EQ(f.top->VisibleBars().size(), 1u);
        b->hide();
        Settle();
        EXPECT_EQ(f.top->height(), 0);
        a->show();
        b->show();
        a->SetContent({80, 30});
        Settle();
        EXPECT_EQ(a->size(), QSize(93, 34));
        EXPECT_EQ(b->geometry(), QRect(93, 0, 63, 34)) << "pushed along, as thick as the row";
        EXPECT_EQ(f.top->height(), 34);

        // The left dock stacks its bars downwards; the bottom dock keeps its bottom edge.
        auto* c = new TTestBar;
        c->SetParent(f.left);
        auto* d = new TTestBar;
        d->SetParent(f.bottom);
        Settle();
        EXPECT_EQ(c->geometry(), QRect(0, 0, 26, 63));
        EXPECT_EQ(f.left->width(), 26);
        EXPECT_EQ(f.bottom->height(), 26);
        EXPECT_EQ(f.bottom->geometry().bottom(), 299);
        d->SetContent({50, 40});
        Settle();
        EXPECT_EQ(f.bottom->height(), 44);
        EXPECT_EQ(f.bottom->geometry().bottom(), 299);
        EXPECT_EQ(DockPositionOfControl(new QWidget(c)), dpLeft);
        EXPECT_EQ(DockPositionOfControl(f.central), kNotDocked);
    }
}

TEST(Dock, BracketsAndRefusals) {
    Form f(true);
    f.Show();
    auto* a = new TTestBar;
    a->SetParent(f.top);
    Settle();

    // A hundred changes inside a bracket arrange once, at its end.
    const int before = f.top->ArrangeCount();
    f.top->BeginArrange();
    for (int i = 1; i <= 100; ++i) a->SetDockPos(i);
    EXPECT_EQ(f.top->ArrangeCount(), before);
    f.top->EndArrange();
    EXPECT_EQ(f.top->ArrangeCount(), before + 1);
    EXPECT_EQ(a->x(), 100);
    // An end without a begin changes nothing: the next bracket still defers.
    f.top->EndArrange();
    f.top->BeginArrange();
    a->SetDockPos(5);
    EXPECT_EQ(a->x(), 100);
    f.top->EndArrange();
    EXPECT_EQ(a->x(), 5);
    // Likewise for a bar's control arrangement.
    const int arranged = a->arranged;
    a->EndArrangeControls();
    a->BeginArrangeControls();
    a->Arrange();
    EXPECT_EQ(a->arranged, arranged);
    a->EndArrangeControls();
    EXPECT_EQ(a->arranged, arranged + 1);

    EXPECT_EQ(Refusal([&] { f.top->SetPosition(dpLeft); }),
              "Cannot change Position of a TDock if it already contains controls");
    EXPECT_EQ(f.top->Position(), dpTop);
    EXPECT_EQ(f.top->sizePolicy().verticalPolicy(), QSizePolicy::Fixed);
    EXPECT_EQ(Refusal([&] { f.top->SetPosition(dpTop); }), "accepted");
    auto* empty = new TDock(&f.form);
    EXPECT_EQ(Refusal([&] { empty->SetPosition(dpRight); }), "accepted");
    EXPECT_EQ(empty->sizePolicy().horizontalPolicy(), QSizePolicy::Fixed);
    const char* nested = "A TDock control cannot be placed inside a tool window or another TDock";
    EXPECT_EQ(Refusal([&] { new TDock(a); }), nested);
    EXPECT_EQ(Refusal([&] { empty->SetParent(f.top); }), nested);
    EXPECT_EQ(empty->parentWidget(), &f.form);
    EXPECT_STREQ(f.top->Version(), a->Version());

    // Bound lines take a pixel each; an empty dock is 1 pixel with FixAlign.
    f.top->SetBoundLines(SetBit(blTop) | SetBit(blBottom));
    Settle();
    EXPECT_EQ(f.top->height(), 28);
    EXPECT_EQ(a->y(), 1);
    f.bottom->SetFixAlign(true);
    Settle();
    EXPECT_EQ(f.bottom->height(), 1);
}

TEST(Dock, BackgroundRunsOnIntoBars) {
    Form f(true);
    QImage tile(7, 5, QImage::Format_RGB32);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x) tile.setPixel(x, y, qRgb(x * 30, y * 40, 200));
    tile.setPixel(0, 4, qRgb(1, 2, 3)); // bottom-left: the transparent colour
    f.top->SetBackground(tile);
    f.top->SetBoundLines(SetBit(blTop) | SetBit(blBottom) | SetBit(blLeft) | SetBit(blRight));
    auto* a = new TTestBar;
    a->SetParent(f.top);
    auto* b = new TTestBar;
    b->SetParent(f.top);
    f.Show();

    // Dock client, a bar's frame band (inside its edge, between the grips) and a bar's client all
    // show one pattern, anchored at the form's origin; the bound lines are shadow above and left,
    // highlight below and right.
    const QImage shot = f.form.grab().toImage();
    const QPoint probes[] = {{300, 10},        {390, 20},         {b->x() + 10, 12},
                             {b->x() + 30, 3}, {a->x() + 20, 20}, {a->x() + 1, 2}};
    for (QPoint p : probes) {
        const QPoint in = p + f.top->pos();
        QRgb want = tile.pixel(in.x() % 7, in.y() % 5);
        EXPECT_EQ(shot.pixel(in), want) << p.x() << "," << p.y();
    }
    const QPalette& pal = f.top->palette();
    EXPECT_EQ(shot.pixel(200, 0), pal.color(QPalette::Dark).rgb());
    EXPECT_EQ(shot.pixel(0, 10), pal.color(QPalette::Dark).rgb());
    EXPECT_EQ(shot.pixel(200, f.top->height() - 1), pal.color(QPalette::Light).rgb());
    EXPECT_EQ(shot.pixel(399, 10), pal.color(QPalette::Light).rgb());

    // Transparent: the bottom-left colour shows the dock's colour; built once for many paints.
    f.top->SetBackgroundTransparent(true);
    for (int i = 0; i < 5; ++i) f.top->grab();
    EXPECT_EQ(f.top->BackgroundBuildCount(), 1);
    f.top->SetColor(fprn::colors::FromRgb(0xFF2040u));
    const QImage t = f.form.grab().toImage();
    EXPECT_EQ(f.top->BackgroundBuildCount(), 2);
    // Form pixel (x, y) with x % 7 == 0 and y % 5 == 4 is the transparent one.
    EXPECT_EQ(t.pixel(301, 4), qRgb(0xFF, 0x20, 0x40));
    EXPECT_EQ(t.pixel(302, 4), tile.pixel(302 % 7, 4));
}
