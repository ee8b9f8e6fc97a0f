// Renders the toolbar library for a person to look at: glyphs in every state on two palettes,
// content layouts, docks (two rows, bound lines, opaque and transparent backgrounds, a left dock,
// a full-size bar), a floating bar, toolbars docked and floating in every wrapped size with their
// frames and outlines, and buttons in every state and kind, each sheet at 1x and magnified 4x.
// Usage: toolbars_gallery [output folder]   (default: the current folder)
#include "dock.h"
#include "dockcontrols.h"
#include "docktoolbar.h"
#include "toolwindow.h"

#include <QApplication>
#include <QBoxLayout>
#include <QDir>
#include <QPainter>
#include <QTest>
#include <QWindow>

#include <cstdio>
#include <memory>
#include <utility>
#include <vector>

using namespace fprn::toolbars;

namespace {

const QRgb kKey = 0xFFFF00FFu; // transparent colour of the glyph strips

// A 16x16 page with a folded corner and a coloured mark; `disabledLook` draws the strip's
// disabled image in white and grey.
void DrawPage(QImage& img, int x0, bool disabledLook, QRgb mark) {
    const QRgb outline = disabledLook ? 0xFF808080u : 0xFF000000u;
    for (int y = 1; y < 15; ++y)
        for (int x = 3; x < 13; ++x) {
            const bool edge = y == 1 || y == 14 || x == 3 || x == 12;
            img.setPixel(x0 + x, y, edge ? outline : 0xFFFFFFFFu);
        }
    for (int x = 5; x < 11; ++x) img.setPixel(x0 + x, 5, disabledLook ? 0xFF808080u : mark);
    for (int x = 5; x < 11; ++x) img.setPixel(x0 + x, 8, disabledLook ? 0xFF808080u : 0xFF808080u);
    if (!disabledLook)
        for (int y = 2; y < 15; ++y) img.setPixel(x0 + 13, y, 0xFF808080u);
}

QImage Strip(int images, bool withDisabled) {
    QImage s(16 * images, 16, QImage::Format_RGB32);
    s.fill(kKey);
    for (int i = 0; i < images; ++i)
        DrawPage(s, 16 * i, withDisabled && i == 1, i == 3 ? 0xFF0000C0u : 0xFFC00000u);
    return s;
}

// A bar whose controls are painted glyphs: `count` 23x22 cells along the row.
class GalleryBar : public TCustomToolWindow {
public:
    explicit GalleryBar(int count) : fCount(count) { fGlyph.SetGlyph(Strip(1, false)); }
    int RowThickness(TDockOrientation) override { return 22; }
    QSize MinimumClientSize() override { return {23, 22}; }
    QSize ArrangeControls(bool, TDockOrientation, TDock* target) override {
        fVertical = target && target->IsVertical();
        return fVertical ? QSize(22, 23 * fCount) : QSize(23 * fCount, 22);
    }

protected:
    void paintEvent(QPaintEvent* e) override {
        TCustomToolWindow::paintEvent(e);
        QPainter p(this);
        const QPoint c = contentsRect().topLeft();
        for (int i = 0; i < fCount; ++i) {
            const QPoint at = c + (fVertical ? QPoint(3, 23 * i + 4) : QPoint(23 * i + 4, 3));
            fGlyph.DrawGlyphImage(p, at, i == fCount - 1 ? bsDisabled : bsUp);
        }
    }

private:
    int fCount;
    bool fVertical = false;
    TButtonGlyph fGlyph;
};

struct Item {
    QString caption;
    QImage image;
};

// Items below each other with their captions, on a white sheet.
QImage Sheet(const QString& title, const std::vector<Item>& items) {
    const int pad = 8;
    const int captionHeight = 16;
    int width = 360;
    int height = pad + captionHeight + pad;
    for (const Item& i : items) {
        width = std::max(width, i.image.width() + 2 * pad);
        height += captionHeight + i.image.height() + pad;
    }
    QImage sheet(width, height, QImage::Format_RGB32);
    sheet.fill(Qt::white);
    QPainter p(&sheet);
    p.setPen(Qt::black);
    int y = pad;
    p.drawText(QRect(pad, y, width - 2 * pad, captionHeight), Qt::AlignLeft | Qt::AlignVCenter,
               title);
    y += captionHeight + pad;
    for (const Item& i : items) {
        p.drawText(QRect(pad, y, width - 2 * pad, captionHeight), Qt::AlignLeft | Qt::AlignVCenter,
                   i.caption);
        y += captionHeight;
        p.drawImage(pad, y, i.image);
        y += i.image.height() + pad;
    }
    return sheet;
}

bool Save(const QImage& image, const QString& folder, const QString& name) {
    bool ok = true;
    for (int scale : {1, 4}) {
        const QString path = QDir(folder).filePath(scale == 1 ? name + ".png" : name + "_4x.png");
        const QImage out = scale == 1 ? image
                                      : image.scaled(image.size() * scale, Qt::IgnoreAspectRatio,
                                                     Qt::FastTransformation);
        if (out.save(path)) {
            std::printf("%s\n", path.toLocal8Bit().constData());
        } else {
            std::fprintf(stderr, "cannot write %s\n", path.toLocal8Bit().constData());
            ok = false;
        }
    }
    return ok;
}

QPalette OtherPalette() {
    QPalette pal = QApplication::palette();
    pal.setColor(QPalette::Button, QColor(0x3A, 0x4F, 0x6E));
    pal.setColor(QPalette::Light, QColor(0xB0, 0xD0, 0xFF));
    pal.setColor(QPalette::Dark, QColor(0x10, 0x18, 0x28));
    return pal;
}

// Every glyph kind in the five states, on the face colour of the palette.
QImage GlyphRow(TButtonGlyph& glyph, const QPalette& pal) {
    glyph.SetColors(GlyphColorsOf(pal));
    QImage row(5 * 28, 26, QImage::Format_RGB32);
    row.fill(pal.color(QPalette::Button));
    QPainter p(&row);
    for (int s = bsUp; s <= bsHot; ++s)
        glyph.DrawGlyphImage(p, QPoint(28 * s + 5, 5), static_cast<TButtonState>(s));
    return row;
}

QImage GlyphSheet() {
    TImageList images(16, 16);
    QImage argb(16, 16, QImage::Format_ARGB32);
    argb.fill(0u);
    QImage page = Strip(1, false);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            if (page.pixel(x, y) != kKey) argb.setPixel(x, y, page.pixel(x, y) | 0xFF000000u);
    images.Add(argb);

    struct Kind {
        const char* name;
        std::function<void(TButtonGlyph&)> setUp;
    } kinds[] = {
        {"two-image strip (Up, Disabled)", [](TButtonGlyph& g) { g.SetGlyph(Strip(2, true)); }},
        {"four-image strip", [](TButtonGlyph& g) { g.SetGlyph(Strip(4, false)); }},
        {"one image, generated disabled", [](TButtonGlyph& g) { g.SetGlyph(Strip(1, false)); }},
        {"one image, old disabled style",
         [](TButtonGlyph& g) {
             g.SetGlyph(Strip(1, false));
             g.SetOldDisabledStyle(true);
         }},
        {"masked (left half transparent)",
         [](TButtonGlyph& g) {
             g.SetGlyph(Strip(1, false));
             QImage mask(16, 16, QImage::Format_RGB32);
             mask.fill(Qt::black);
             for (int y = 0; y < 16; ++y)
                 for (int x = 0; x < 8; ++x) mask.setPixel(x, y, 0xFFFFFFFFu);
             g.SetGlyphMask(mask);
         }},
        {"image list", [&](TButtonGlyph& g) {
             g.SetImages(&images);
             g.SetImageIndex(0);
         }}};
    std::vector<Item> items;
    const QPalette palettes[] = {QApplication::palette(), OtherPalette()};
    for (const Kind& k : kinds) {
        TButtonGlyph glyph;
        k.setUp(glyph);
        QImage both(2 * 5 * 28 + 10, 26, QImage::Format_RGB32);
        both.fill(Qt::white);
        QPainter p(&both);
        p.drawImage(0, 0, GlyphRow(glyph, palettes[0]));
        p.drawImage(5 * 28 + 10, 0, GlyphRow(glyph, palettes[1]));
        p.end();
        items.push_back({QString::fromLatin1(k.name) + ": Up Disabled Pressed Down Hot", both});
    }
    return Sheet("Glyphs, two palettes", items);
}

QImage ContentSheet() {
    struct Case {
        const char* name;
        TButtonLayout layout;
        const char* caption;
        bool arrow, text, glyph;
        TButtonState state;
        QSize size;
    } cases[] = {
        {"glyph only, 23x22", blGlyphLeft, "", false, false, true, bsUp, {23, 22}},
        {"glyph left", blGlyphLeft, "&Open", false, true, true, bsUp, {70, 22}},
        {"glyph right", blGlyphRight, "&Open", false, true, true, bsUp, {70, 22}},
        {"glyph top", blGlyphTop, "&Open", false, true, true, bsUp, {50, 40}},
        {"glyph bottom", blGlyphBottom, "&Open", false, true, true, bsUp, {50, 40}},
        {"with arrow", blGlyphLeft, "Find", true, true, true, bsUp, {80, 22}},
        {"text only, arrow", blGlyphLeft, "Menu", true, true, false, bsUp, {60, 22}},
        {"disabled", blGlyphLeft, "&Save", true, true, true, bsDisabled, {80, 22}},
    };
    TButtonGlyph glyph;
    glyph.SetGlyph(Strip(1, false));
    std::vector<Item> items;
    for (const Case& c : cases) {
        QImage img(c.size, QImage::Format_RGB32);
        img.fill(QApplication::palette().color(QPalette::Button));
        QPainter p(&img);
        p.setFont(QApplication::font());
        p.setPen(QApplication::palette().color(QPalette::ButtonText));
        glyph.DrawContent(p, QRect(QPoint(1, 1), c.size - QSize(2, 2)), c.state, 9, c.arrow, 4, -1,
                          c.layout, taCenter, false, QString::fromLatin1(c.caption), c.text,
                          c.glyph, {});
        p.setPen(QColor(0xC0, 0x60, 0x60));
        p.drawRect(0, 0, c.size.width() - 1, c.size.height() - 1);
        p.end();
        items.push_back({QString::fromLatin1(c.name), img});
    }
    return Sheet("Content layouts (button outline in red)", items);
}

QImage Tile(int w, int h) {
    QImage t(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            t.setPixel(x, y,
                       ((x / 4 + y / 4) % 2) ? qRgb(0xD8, 0xC8, 0xA0) : qRgb(0xC0, 0xB0, 0x88));
    t.setPixel(0, h - 1, qRgb(0xC0, 0xB0, 0x88));
    return t;
}

// A laid-out form with top, left and bottom docks, grabbed once shown.
struct DockForm {
    QWidget form;
    TDock* top = new TDock(&form);
    TDock* left = new TDock(&form);
    TDock* bottom = new TDock(&form);
    DockForm() {
        form.resize(420, 190);
        left->SetPosition(dpLeft);
        bottom->SetPosition(dpBottom);
        auto* v = new QVBoxLayout(&form);
        v->setContentsMargins(0, 0, 0, 0);
        v->setSpacing(0);
        auto* h = new QHBoxLayout;
        auto* central = new QWidget;
        central->setAutoFillBackground(true);
        QPalette pal = central->palette();
        pal.setColor(QPalette::Window, Qt::white);
        central->setPalette(pal);
        h->addWidget(left);
        h->addWidget(central, 1);
        v->addWidget(top);
        v->addLayout(h, 1);
        v->addWidget(bottom);
    }
    GalleryBar* Add(TDock* dock, int cells, int row, int pos) {
        auto* bar = new GalleryBar(cells);
        bar->SetDockRow(row);
        bar->SetDockPos(pos);
        bar->SetParent(dock);
        return bar;
    }
    QImage Grab() {
        form.show();
        QApplication::processEvents();
        return form.grab().toImage();
    }
};

QImage DockSheet() {
    std::vector<Item> items;
    {
        DockForm f;
        f.Add(f.top, 4, 0, 0);
        f.Add(f.top, 3, 0, 120);
        f.Add(f.top, 5, 1, 20);
        f.Add(f.left, 3, 0, 0);
        f.Add(f.bottom, 2, 0, 0)->SetFullSize(true);
        items.push_back({"two rows on top, a left dock, a full-size bar at the bottom", f.Grab()});
    }
    const std::pair<const char*, TDockBoundLines> lines[] = {
        {"bound lines top and bottom", SetBit(blTop) | SetBit(blBottom)},
        {"bound lines all round",
         SetBit(blTop) | SetBit(blBottom) | SetBit(blLeft) | SetBit(blRight)}};
    for (const auto& [name, set] : lines) {
        DockForm f;
        f.top->SetBoundLines(set);
        f.left->SetBoundLines(set);
        f.Add(f.top, 4, 0, 0);
        f.Add(f.left, 2, 0, 0);
        items.push_back({name, f.Grab()});
    }
    for (bool transparent : {false, true}) {
        DockForm f;
        f.top->SetBackground(Tile(16, 16));
        f.top->SetBackgroundTransparent(transparent);
        f.top->SetColor(fprn::colors::FromRgb(0x8CB4E0));
        f.Add(f.top, 4, 0, 0);
        f.Add(f.top, 3, 0, 130);
        f.Add(f.top, 2, 1, 40);
        items.push_back({transparent ? "transparent 16x16 background (dock colour shows through)"
                                     : "opaque 16x16 background, shared by the bars",
                         f.Grab()});
    }
    {
        DockForm f;
        QImage one(1, 1, QImage::Format_RGB32);
        one.fill(qRgb(0xA0, 0xC8, 0xA0));
        f.top->SetBackground(one);
        f.Add(f.top, 4, 0, 0);
        items.push_back({"1x1 background", f.Grab()});
    }
    return Sheet("Docks", items);
}

QImage FloatingSheet() {
    DockForm f;
    auto* bar = f.Add(f.top, 4, 0, 0);
    f.form.move(40, 40);
    f.form.show();
    f.form.activateWindow();
    if (!QTest::qWaitForWindowActive(&f.form)) std::fprintf(stderr, "form not active\n");
    bar->setWindowTitle("Tools");
    bar->SetDockedTo(nullptr);
    QApplication::processEvents();
    std::vector<Item> items{
        {"floating over its form (frame and caption band)", bar->grab().toImage()}};
    return Sheet("Floating bar", items);
}

// ---- toolbars ----

// The editor's main toolbar: four glyph buttons, a separator before the last.
TToolbar* MainToolbar(const QString& caption = "Main", bool blank = false) {
    auto* bar = new TToolbar;
    bar->SetCaption(caption);
    for (int i = 0; i < 4; ++i) {
        if (i == 3) new TToolbarSep(bar);
        auto* b = new TToolbarButton(bar);
        b->SetGlyph(Strip(2, true));
        b->SetDisplayMode(dmGlyphOnly);
        b->SetOpaque(false);
        if (i == 2) b->setEnabled(false);
    }
    if (blank)
        for (auto* sep : bar->findChildren<TToolbarSep*>()) sep->SetBlank(true);
    return bar;
}

void Drag(QWidget* bar, QPoint from, QPoint to) {
    QWindow* w = bar->window()->windowHandle();
    QTest::mousePress(w, Qt::LeftButton, {}, w->mapFromGlobal(bar->mapToGlobal(from)));
    QTest::mouseMove(w, w->mapFromGlobal(bar->mapToGlobal(to)));
    QTest::mouseRelease(w, Qt::LeftButton, {}, w->mapFromGlobal(bar->mapToGlobal(to)));
    QApplication::processEvents();
}

QImage ToolbarSheet() {
    std::vector<Item> items;
    {
        DockForm f;
        f.form.resize(420, 200);
        MainToolbar()->SetParent(f.top);
        TToolbar* left = MainToolbar();
        left->SetParent(f.left);
        items.push_back({"docked top and left", f.Grab()});
    }
    {
        DockForm f;
        f.form.resize(420, 200);
        int row = 0;
        for (TDragHandleStyle style : {dhDouble, dhSingle, dhNone})
            for (bool close : {false, true}) {
                TToolbar* bar = MainToolbar();
                bar->SetDragHandleStyle(style);
                bar->SetCloseButtonWhenDocked(close);
                bar->SetDockRow(row / 2);
                bar->SetDockPos(close ? 150 : 0);
                bar->SetParent(f.top);
                ++row;
            }
        TToolbar* none = MainToolbar();
        none->SetBorderStyle(bsNone);
        none->SetDockRow(3);
        none->SetParent(f.top);
        TToolbar* closeLeft = MainToolbar();
        closeLeft->SetCloseButtonWhenDocked(true);
        closeLeft->SetParent(f.left);
        items.push_back({"handles: double, single, none; without and with the close button; "
                         "bsNone; a left dock with close",
                         f.Grab()});
    }
    return Sheet("Toolbars docked", items);
}

QImage FloatingToolbarSheet() {
    std::vector<Item> items;
    DockForm f;
    f.form.move(40, 40);
    f.form.show();
    f.form.activateWindow();
    if (!QTest::qWaitForWindowActive(&f.form)) std::fprintf(stderr, "form not active\n");
    TToolbar* bar = MainToolbar("Main toolbar");
    bar->SetParent(&f.form);
    bar->SetBounds({200, 300, bar->width(), bar->height()});
    QApplication::processEvents();
    // Narrower and narrower through the right edge: every shape the wrapping allows.
    const std::vector<QSize> sizes = bar->ListFloatingSizes();
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        // The pointer at the wanted width picks the widest shape not wider.
        const QSize want = bar->AddFloatingNCSize(sizes[i]);
        if (i > 0) Drag(bar, {bar->width() - 2, 30}, {want.width(), 30});
        items.push_back({QString("floating %1x%2, right edge %3")
                             .arg(bar->width())
                             .arg(bar->height())
                             .arg(bar->FloatingRightEdge()),
                         bar->grab().toImage()});
    }
    TToolbar* blank = MainToolbar("Blank", true);
    blank->SetParent(&f.form);
    blank->SetBounds({500, 300, blank->width(), blank->height()});
    QApplication::processEvents();
    Drag(blank, {blank->width() - 2, 30}, {82, 30});
    items.push_back({"blank separator ending a line: no line", blank->grab().toImage()});

    Drag(bar, {bar->width() - 2, 30}, {400, 30});
    QWindow* w = bar->windowHandle();
    const QPoint close = w->mapFromGlobal(bar->mapToGlobal(QPoint(bar->width() - 10, 10)));
    QTest::mousePress(w, Qt::LeftButton, {}, close);
    items.push_back({"close button pressed", bar->grab().toImage()});
    QTest::mouseMove(w, QPoint(20, 30));
    QTest::mouseRelease(w, Qt::LeftButton, {}, QPoint(20, 30));
    QApplication::processEvents();

    TToolbar* cut = MainToolbar("A caption far too long for the bar");
    cut->SetParent(&f.form);
    cut->SetBounds({200, 450, cut->width(), cut->height()});
    cut->SetHideWhenInactive(false);
    bar->SetHideWhenInactive(false);
    QApplication::processEvents();
    items.push_back({"caption cut", cut->grab().toImage()});
    QApplication::setActiveWindow(nullptr);
    QApplication::processEvents();
    items.push_back({"caption inactive", bar->grab().toImage()});
    QApplication::setActiveWindow(&f.form);
    QApplication::processEvents();

    // The outlines while moving: one pixel over a dock, the frame's width floating.
    for (QPoint to : {QPoint(60, 2), QPoint(150, 200)}) {
        QWindow* bw = bar->windowHandle();
        QTest::mousePress(bw, Qt::LeftButton, {}, QPoint(30, 10));
        const QPoint target = f.form.mapToGlobal(to);
        QWindow* fw = f.form.windowHandle();
        QTest::mouseMove(fw, fw->mapFromGlobal(target));
        if (QWidget* o = DragOutlineWindow()) {
            QImage ring(o->size(), QImage::Format_RGB32);
            ring.fill(Qt::white);
            QPainter p(&ring);
            p.setClipRegion(o->mask());
            p.drawImage(0, 0, o->grab().toImage());
            p.end();
            items.push_back({to.y() < 10 ? "outline over the top dock" : "outline floating", ring});
        }
        QTest::keyClick(bar, Qt::Key_Escape);
        QTest::mouseRelease(fw, Qt::LeftButton, {}, fw->mapFromGlobal(target));
        QApplication::processEvents();
    }
    return Sheet("Toolbars floating", items);
}

// ---- buttons ----

QImage ButtonSheet() {
    struct Look {
        const char* name;
        std::function<void(TToolbarButton&)> setUp;
    } looks[] = {
        {"flat, opaque", [](TToolbarButton&) {}},
        {"flat, transparent", [](TToolbarButton& b) { b.SetOpaque(false); }},
        {"not flat", [](TToolbarButton& b) { b.SetFlat(false); }},
        {"no border", [](TToolbarButton& b) { b.SetNoBorder(true); }},
        {"drop-down", [](TToolbarButton& b) { b.SetDropdownAlways(true); }},
        {"combo",
         [](TToolbarButton& b) {
             b.SetDropdownAlways(true);
             b.SetDropdownCombo(true);
         }},
        {"caption, glyph left",
         [](TToolbarButton& b) {
             b.SetCaption("&Open");
             b.resize(64, 22);
         }},
        {"caption, glyph top",
         [](TToolbarButton& b) {
             b.SetCaption("&Open");
             b.SetLayout(blGlyphTop);
             b.resize(48, 40);
         }},
        {"caption, glyph right",
         [](TToolbarButton& b) {
             b.SetCaption("&Open");
             b.SetLayout(blGlyphRight);
             b.resize(64, 22);
         }},
        {"text only",
         [](TToolbarButton& b) {
             b.SetCaption("&Find");
             b.SetDisplayMode(dmTextOnly);
             b.resize(40, 22);
         }},
        {"glyph only",
         [](TToolbarButton& b) {
             b.SetCaption("&Find");
             b.SetDisplayMode(dmGlyphOnly);
         }},
    };
    struct Cell {
        const char* name;
        TButtonState state;
        bool mouseIn, down, highlight, menu;
    } cells[] = {{"Up", bsUp, false, false, true, false},
                 {"Hot", bsHot, true, false, true, false},
                 {"Pressed", bsPressed, true, false, true, false},
                 {"Down", bsDown, false, true, true, false},
                 {"Down, no highlight", bsDown, false, true, false, false},
                 {"Hot while down", bsDown, true, true, true, false},
                 {"Disabled", bsDisabled, false, false, true, false},
                 {"Arrow pressed", bsPressed, true, false, true, true}};
    const int cellWidth = 92;
    std::vector<Item> items;
    QImage head(8 * cellWidth, 16, QImage::Format_RGB32);
    head.fill(Qt::white);
    {
        QPainter p(&head);
        for (int i = 0; i < 8; ++i)
            p.drawText(QRect(i * cellWidth, 0, cellWidth, 16), Qt::AlignLeft, cells[i].name);
    }
    items.push_back({"states:", head});
    for (const Look& look : looks) {
        QWidget strip;
        strip.setAutoFillBackground(true);
        QPalette pal = strip.palette();
        pal.setColor(QPalette::Window, QColor(0xB8, 0xC8, 0xD8));
        strip.setPalette(pal);
        strip.resize(8 * cellWidth, 44);
        for (int i = 0; i < 8; ++i) {
            auto* b = new TToolbarButton(&strip);
            b->SetGlyph(Strip(2, true));
            look.setUp(*b);
            b->move(i * cellWidth + 4, 2);
            if (cells[i].down) {
                b->SetGroupIndex(1 + i);
                b->SetDown(true);
            }
            b->SetHighlightWhenDown(cells[i].highlight);
            if (cells[i].state == bsDisabled) b->setEnabled(false);
            TButtonTestSeam::Show(b, cells[i].state, cells[i].mouseIn, cells[i].menu);
        }
        items.push_back({look.name, strip.grab().toImage()});
    }
    return Sheet("Toolbar buttons (toolbar colour behind)", items);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString outDir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    if (!QDir().mkpath(outDir)) {
        std::fprintf(stderr, "cannot create %s\n", outDir.toLocal8Bit().constData());
        return 1;
    }
    bool ok = Save(GlyphSheet(), outDir, "glyphs");
    ok = Save(ContentSheet(), outDir, "content") && ok;
    ok = Save(DockSheet(), outDir, "docks") && ok;
    ok = Save(FloatingSheet(), outDir, "floating") && ok;
    ok = Save(ToolbarSheet(), outDir, "toolbars") && ok;
    ok = Save(FloatingToolbarSheet(), outDir, "toolbars_floating") && ok;
    ok = Save(ButtonSheet(), outDir, "buttons") && ok;
    return ok ? 0 : 1;
}
