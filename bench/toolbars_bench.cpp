// Toolbar timings: the pure arrangement, a widget dock's relayout, painting a dock with a tiled
// background, building and drawing glyph images, a mouse move through the hook filters, the
// layout and floating sizes of a 60-control toolbar, a drag move over 8 docks and a hover step
// over 40 buttons.
// Run by hand, offscreen: QT_QPA_PLATFORM=offscreen build/bin/fprn_bench_toolbars
#include "benchargs.h"
#include "dock.h"
#include "dockcontrols.h"
#include "docktoolbar.h"
#include "toolwindow.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QTest>
#include <QWindow>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <utility>
#include <vector>

using namespace fprn::toolbars;
using Clock = std::chrono::steady_clock;

namespace {

struct Stats {
    double median, p99; // microseconds
};

template <class Fn> Stats Measure(int rounds, Fn once) {
    std::vector<double> us;
    us.reserve(static_cast<std::size_t>(rounds));
    for (int i = 0; i < rounds; ++i) {
        const auto t0 = Clock::now();
        once(i);
        us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
    }
    std::sort(us.begin(), us.end());
    return {us[us.size() / 2], us[std::min(us.size() - 1, us.size() * 99 / 100)]};
}

void Report(const char* what, Stats s, const char* target) {
    std::printf("%-58s median %9.2f us  p99 %9.2f us  (target %s)\n", what, s.median, s.p99,
                target);
}

class BenchBar : public TCustomToolWindow {
public:
    explicit BenchBar(int width, int thickness = 22) : fWidth(width), fThickness(thickness) {}
    int RowThickness(TDockOrientation) override { return fThickness; }
    QSize MinimumClientSize() override { return {fWidth, fThickness}; }
    QSize ArrangeControls(bool, TDockOrientation, TDock*) override { return {fWidth, fThickness}; }

private:
    int fWidth;
    int fThickness;
};

void PureArrangement() {
    std::vector<TBarSlot> records(40);
    std::vector<TBarSlot*> bars, visible;
    for (int i = 0; i < 40; ++i) {
        TBarSlot& s = records[static_cast<std::size_t>(i)];
        s.DockRow = i % 8;
        s.DockPos = (i / 8) * 150 + (i % 3) * 7;
        s.Width = 120 + (i % 5) * 10;
        s.Height = 26;
        s.Thickness = 22;
        s.Visible = true;
        s.Tag = i;
        bars.push_back(&s);
        visible.push_back(&s);
    }
    TArrangeParams p;
    p.AvailableLength = 700;
    Report("pure arrangement, 40 bars in 8 rows",
           Measure(20000, [&](int) { ArrangeBarSlots(bars, visible, p); }), "< 10 us");
}

void WidgetDock() {
    QWidget form;
    form.resize(1920, 200);
    auto* dock = new TDock(&form);
    dock->setGeometry(0, 0, 1920, 0);
    std::vector<BenchBar*> bars;
    for (int i = 0; i < 20; ++i) {
        auto* b = new BenchBar(60 + i);
        b->SetDockRow(i % 4);
        b->SetDockPos(i * 40);
        b->SetParent(dock);
        bars.push_back(b);
    }
    form.show();
    QApplication::processEvents();
    Report("widget dock relayout, 20 bars",
           Measure(2000, [&](int i) { bars[0]->SetDockPos(i % 2 ? 0 : 3); }), "< 500 us");
    // Every bar placed anew: the dock alternates between room for all and clipping most.
    Report("widget dock relayout, 20 bars all moving",
           Measure(2000, [&](int i) { dock->resize(i % 2 ? 1920 : 700, dock->height()); }),
           "< 500 us");
}

void DockPaint() {
    for (int tile : {1, 16}) {
        for (bool transparent : {false, true}) {
            QWidget form;
            form.resize(1920, 120);
            auto* dock = new TDock(&form);
            dock->setGeometry(0, 0, 1920, 0);
            QImage bg(tile, tile, QImage::Format_RGB32);
            for (int y = 0; y < tile; ++y)
                for (int x = 0; x < tile; ++x) bg.setPixel(x, y, qRgb(x * 15, y * 15, 128));
            dock->SetBackground(bg);
            dock->SetBackgroundTransparent(transparent);
            for (int i = 0; i < 10; ++i) {
                auto* b = new BenchBar(150, 28);
                b->SetDockRow(i / 5);
                b->SetDockPos((i % 5) * 380);
                b->SetParent(dock);
            }
            form.show();
            QApplication::processEvents();
            char what[96];
            std::snprintf(what, sizeof what, "grab() of a %dx%d dock, 10 bars, %dx%d %s",
                          dock->width(), dock->height(), tile, tile,
                          transparent ? "transparent" : "opaque");
            Report(what, Measure(100, [&](int) { (void)dock->grab(); }), "< 2000 us");
            if (transparent)
                std::printf("    transparent background built %d time(s) in 100 paints\n",
                            dock->BackgroundBuildCount());
        }
    }
}

QImage Strip() {
    QImage s(32, 16, QImage::Format_RGB32);
    s.fill(0xFFFF00FFu);
    for (int y = 2; y < 14; ++y)
        for (int x = 3; x < 13; ++x) {
            s.setPixel(x, y, (x + y) % 3 ? 0xFF000000u : 0xFFFFFFFFu);
            s.setPixel(16 + x, y, (x + y) % 3 ? 0xFF808080u : 0xFFFFFFFFu);
        }
    return s;
}

void Glyphs() {
    const QImage strip = Strip();
    QImage one = strip.copy(0, 0, 16, 16);
    const Stats build = Measure(20, [&](int) {
        std::vector<std::unique_ptr<TButtonGlyph>> glyphs;
        for (int i = 0; i < 200; ++i) {
            auto g = std::make_unique<TButtonGlyph>();
            g->SetGlyph(i % 2 ? strip : one);
            for (int s = bsUp; s <= bsHot; ++s) g->BuildStateImage(static_cast<TButtonState>(s));
            glyphs.push_back(std::move(g));
        }
    });
    Report("5 states built for 200 buttons", build, "< 20000 us");
    TButtonGlyph g;
    g.SetGlyph(one);
    QImage canvas(64, 64, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::white);
    QPainter p(&canvas);
    g.DrawGlyphImage(p, {4, 4}, bsDisabled);
    Report("cached glyph draw",
           Measure(20000,
                   [&](int i) {
                       g.DrawGlyphImage(p, {4, 4}, i % 2 ? bsUp : bsDisabled);
                   }),
           "< 5 us");
}

int gHits = 0;
template <int N> void Listener(THookCode, const THookPayload& p) {
    if (p.Target) ++gHits;
}
template <int... N> void RegisterListeners(std::integer_sequence<int, N...>) {
    (RegisterHookCallback(Listener<N>, HookCodeBit(hcMouseMovePosted)), ...);
}
template <int... N> void UnregisterListeners(std::integer_sequence<int, N...>) {
    (UnregisterHookCallback(Listener<N>), ...);
}

void MouseMoves() {
    UseApplicationHookFilters();
    QWidget w;
    w.resize(400, 300);
    auto* child = new QWidget(&w);
    child->setGeometry(100, 100, 100, 100);
    w.show();
    QApplication::processEvents();
    QWindow* win = w.windowHandle();
    auto move = [&](int i) {
        const QPointF local(120 + i % 7, 130);
        QMouseEvent e(QEvent::MouseMove, local, local, win->mapToGlobal(local), Qt::NoButton,
                      Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(win, &e);
    };
    const Stats bare = Measure(20000, move);
    RegisterListeners(std::make_integer_sequence<int, 50>());
    const Stats hooked = Measure(20000, move);
    UnregisterListeners(std::make_integer_sequence<int, 50>());
    Report("mouse move, no filter (Qt's own delivery)", bare, "-");
    Report("mouse move through the filter, 50 callbacks", hooked, "-");
    std::printf("    filter and callbacks add %.2f us (target < 2 us); %d callbacks ran\n",
                hooked.median - bare.median, gHits);
}

std::vector<TToolbarItem> SixtyItems() {
    std::vector<TToolbarItem> items(60);
    for (std::size_t i = 0; i < items.size(); ++i) {
        items[i].Separator = i % 6 == 3;
        items[i].Width = 23 + static_cast<int>(i % 3) * 10;
        items[i].Height = 22;
    }
    return items;
}

void ToolbarLayout() {
    std::vector<TToolbarItem> items = SixtyItems();
    TToolbarLayout layout;
    layout.FloatingRightEdge = 300;
    Report("pure moving layout, 60 controls wrapped at 300",
           Measure(20000, [&](int) { ArrangeToolbarItems(items, layout); }), "< 20 us");

    QWidget form;
    form.resize(800, 600);
    auto* bar = new TToolbar;
    for (const TToolbarItem& i : items) {
        if (i.Separator) {
            new TToolbarSep(bar);
        } else {
            auto* b = new TToolbarButton(bar);
            b->resize(i.Width, i.Height);
        }
    }
    bar->SetParent(&form);
    form.show();
    QApplication::processEvents();
    // Narrowed by its right edge, as a user does, so the layout wraps.
    if (QWindow* win = bar->windowHandle()) {
        const QPoint edge(bar->width() - 3, bar->height() / 2);
        const QPoint to(std::min(bar->width() - 3, 300), edge.y());
        QTest::mousePress(win, Qt::LeftButton, {}, edge);
        QTest::mouseMove(win, to);
        QTest::mouseRelease(win, Qt::LeftButton, {}, to);
        QApplication::processEvents();
    }
    Report("widget moving layout, 60 controls floating",
           Measure(5000, [&](int) { bar->ArrangeControls(true, doNone, nullptr); }), "< 20 us");
    std::printf("    wrapped at right edge %d into %dx%d\n", bar->FloatingRightEdge(), bar->width(),
                bar->height());
    std::size_t count = 0;
    Report("ListFloatingSizes, 60 controls",
           Measure(200, [&](int) { count = bar->ListFloatingSizes().size(); }), "< 5000 us");
    std::printf("    %zu floating sizes listed\n", count);
}

void DragMoves() {
    QWidget form;
    form.setGeometry(0, 0, 800, 600);
    auto* panel = new QWidget(&form);
    panel->setGeometry(200, 150, 400, 300);
    TDock* docks[8];
    for (int i = 0; i < 8; ++i) {
        QWidget* parent = i < 4 ? &form : panel;
        docks[i] = new TDock(parent);
        docks[i]->SetPosition(static_cast<TDockPosition>(i % 4));
        const QSize s = parent->size();
        switch (i % 4) {
        case dpTop:
            docks[i]->setGeometry(0, 0, s.width(), 0);
            break;
        case dpBottom:
            docks[i]->setGeometry(0, s.height(), s.width(), 0);
            break;
        case dpLeft:
            docks[i]->setGeometry(0, 30, 0, s.height() - 60);
            break;
        default:
            docks[i]->setGeometry(s.width(), 30, 0, s.height() - 60);
            break;
        }
    }
    auto* bar = new TToolbar;
    for (int i = 0; i < 6; ++i) new TToolbarButton(bar);
    bar->SetParent(docks[0]);
    form.show();
    QApplication::processEvents();
    QWindow* win = form.windowHandle();
    QTest::mousePress(win, Qt::LeftButton, {}, bar->mapTo(&form, QPoint(5, 12)));
    auto move = [&](int i) {
        const QPointF at(20 + (i * 7) % 760, 20 + (i * 13) % 560);
        QMouseEvent e(QEvent::MouseMove, at, at, win->mapToGlobal(at), Qt::NoButton, Qt::LeftButton,
                      Qt::NoModifier);
        QCoreApplication::sendEvent(win, &e);
        QApplication::processEvents();
    };
    const Stats s = Measure(3000, move);
    Report("drag move over 8 docks, outline moved and painted", s, "median < 300 us");
    std::printf("    p99 %.2f us (target < 2000 us); outline %s\n", s.p99,
                DragOutlineWindow() ? "shown" : "missing");
    QTest::mouseRelease(win, Qt::LeftButton, {}, QPoint(400, 300));
    QApplication::processEvents();
}

void HoverSteps() {
    QWidget form;
    form.setGeometry(0, 0, 800, 200);
    std::vector<TToolbarButton*> buttons;
    for (int row = 0; row < 2; ++row) {
        auto* dock = new TDock(&form);
        dock->setGeometry(0, row * 60, 800, 0);
        auto* bar = new TToolbar;
        for (int i = 0; i < 20; ++i) buttons.push_back(new TToolbarButton(bar));
        bar->SetParent(dock);
    }
    form.show();
    form.activateWindow();
    if (!QTest::qWaitForWindowActive(&form)) std::printf("    form not active\n");
    QWindow* win = form.windowHandle();
    long fewest = 1 << 30, most = 0;
    auto step = [&](int i) {
        TToolbarButton* b = buttons[static_cast<std::size_t>(i) % buttons.size()];
        const QPointF at = b->mapTo(&form, QPoint(11, 11));
        const long before = TButtonTestSeam::Repaints();
        QMouseEvent e(QEvent::MouseMove, at, at, win->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                      Qt::NoModifier);
        QCoreApplication::sendEvent(win, &e);
        const long n = TButtonTestSeam::Repaints() - before;
        if (i > 0) {
            fewest = std::min(fewest, n);
            most = std::max(most, n);
        }
    };
    Report("hover step to the next of 40 buttons", Measure(4000, step), "< 50 us");
    std::printf("    button repaints per step: %ld to %ld (want exactly 2)\n", fewest, most);
}

} // namespace

int main(int argc, char** argv) {
    fprn::bench::AnswerHelp(argc, argv, "[toolkit options]");
    QApplication app(argc, argv);
    PureArrangement();
    WidgetDock();
    DockPaint();
    Glyphs();
    MouseMoves();
    ToolbarLayout();
    DragMoves();
    HoverSteps();
    return 0;
}
