// Button glyph images through TButtonGlyph: strips, generated disabled looks, masks, image
// lists, the shared lists and their slots, colours, and content drawn where the layout says.
#include "dockcontrols.h"
#include "toolbartest.h"

#include <QPainter>

using namespace fprn::toolbars;
using namespace fprn::toolbars::test;

namespace {

const QRgb kBack = 0xFFFF00FFu; // the strips' transparent colour (bottom-left)
const TGlyphColors kColors{0xFFD4D0C8u, 0xFFFCFCFCu, 0xFF606060u};

// An n-image strip of 16x16 images: a black pixel at (3,3), white at (4,4), grey at (5,5)
// in every image, and image i's own colour at (8,8).
QImage Strip(int n) {
    QImage s(16 * n, 16, QImage::Format_RGB32);
    s.fill(kBack);
    for (int i = 0; i < n; ++i) {
        s.setPixel(16 * i + 3, 3, 0xFF000000u);
        s.setPixel(16 * i + 4, 4, 0xFFFFFFFFu);
        s.setPixel(16 * i + 5, 5, 0xFF808080u);
        s.setPixel(16 * i + 8, 8, qRgb(10 * i, 100, 50));
    }
    return s;
}

const QImage& Built(TButtonGlyph& g, TButtonState s) {
    const auto [list, slot] = g.BuildStateImage(s);
    EXPECT_GE(slot, 0);
    return list->Image(slot);
}

} // namespace

TEST(ButtonGlyph, StripsAndDisabledLooks) {
    TButtonGlyph g;
    g.SetColors(kColors);
    int changes = 0;
    g.OnChange = [&] { ++changes; };
    g.SetGlyph(Strip(2));
    EXPECT_EQ(g.NumGlyphs(), 2);
    EXPECT_EQ(changes, 1);

    // Two images: image 0 for every state but Disabled, image 1 recoloured for Disabled.
    const auto up = g.BuildStateImage(bsUp);
    for (TButtonState s : {bsPressed, bsDown, bsHot}) EXPECT_EQ(g.BuildStateImage(s), up);
    const QImage& u = Built(g, bsUp);
    EXPECT_EQ(u.size(), QSize(16, 16));
    EXPECT_EQ(qAlpha(u.pixel(0, 0)), 0);
    EXPECT_EQ(u.pixel(8, 8), qRgb(0, 100, 50));
    const QImage& d = Built(g, bsDisabled);
    EXPECT_EQ(d.size(), QSize(17, 17));
    EXPECT_NE(g.List(0), g.List(1));
    EXPECT_EQ(d.pixel(4, 4), kColors.BtnHighlight);
    EXPECT_EQ(d.pixel(5, 5), kColors.BtnShadow);
    EXPECT_EQ(d.pixel(8, 8), qRgb(10, 100, 50));
    EXPECT_EQ(qAlpha(d.pixel(16, 8)), 0);

    // One image: Disabled is generated, embossed in the new look, black-only in the old.
    g.SetGlyph(Strip(1));
    EXPECT_EQ(g.BuiltSlot(1, bsUp), -1) << "a new glyph drops the built images";
    for (bool old : {false, true}) {
        g.SetOldDisabledStyle(old);
        const QImage& gen = Built(g, bsDisabled);
        EXPECT_EQ(gen.pixel(3, 3), kColors.BtnShadow);
        EXPECT_EQ(gen.pixel(4, 4), kColors.BtnHighlight);
        EXPECT_EQ(gen.pixel(8, 8) == kColors.BtnShadow, !old);
        EXPECT_EQ(qAlpha(gen.pixel(0, 0)), 0);
    }

    // A mask makes its white pixels transparent and lets the background colour show.
    QImage mask(16, 16, QImage::Format_RGB32);
    mask.fill(0xFF000000u);
    for (int y = 0; y < 16; ++y) mask.setPixel(8, y, 0xFFFFFFFFu);
    g.SetGlyphMask(mask);
    const QImage& m = Built(g, bsUp);
    EXPECT_EQ(qAlpha(m.pixel(8, 8)), 0);
    EXPECT_EQ(m.pixel(0, 0), kBack);

    // Other colours (a palette change) rebuild with them.
    g.SetGlyphMask(QImage());
    Built(g, bsDisabled);
    TGlyphColors other = kColors;
    other.BtnShadow = 0xFF102030u;
    g.SetColors(other);
    EXPECT_EQ(g.BuiltSlot(0, bsDisabled), -1);
    EXPECT_EQ(Built(g, bsDisabled).pixel(3, 3), other.BtnShadow);

    // A glyph without width or height draws nothing.
    g.SetGlyph(QImage(16, 0, QImage::Format_RGB32));
    EXPECT_EQ(g.NumGlyphs(), 1);
    EXPECT_EQ(g.BuildStateImage(bsUp).second, -1);
    EXPECT_EQ(g.BuildStateImage(bsDisabled).second, -1);
    g.SetGlyph(QImage(0, 16, QImage::Format_RGB32));
    EXPECT_EQ(g.BuildStateImage(bsUp).second, -1);
}

TEST(ButtonGlyph, ImageListsAndSharedSlots) {
    auto* images = new TImageList(16, 16);
    QImage argb(16, 16, QImage::Format_ARGB32);
    argb.fill(0u);
    argb.setPixel(2, 2, 0xFF000000u);
    argb.setPixel(9, 9, 0xFF203040u);
    images->Add(argb);
    EXPECT_THROW(images->Add(QImage(8, 8, QImage::Format_ARGB32)), EInvalidOperation);
    TButtonGlyph g;
    g.SetColors(kColors);
    g.SetImages(images);
    EXPECT_EQ(g.BuildStateImage(bsUp).second, -1) << "no image index yet";
    g.SetImageIndex(0);
    EXPECT_EQ(Built(g, bsUp).pixel(9, 9), 0xFF203040u);
    const QImage& dis = Built(g, bsDisabled);
    EXPECT_EQ(dis.pixel(2, 2), kColors.BtnShadow);
    EXPECT_EQ(dis.pixel(3, 3), kColors.BtnHighlight);
    EXPECT_EQ(qAlpha(dis.pixel(12, 12)), 0);
    int changes = 0;
    g.OnChange = [&] { ++changes; };
    images->Replace(0, argb);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(g.BuiltSlot(1, bsUp), -1);
    Built(g, bsUp);
    delete images;
    EXPECT_EQ(g.Images(), nullptr);
    EXPECT_EQ(g.BuiltSlot(1, bsUp), -1);

    // Glyphs of one size share a list; a dropped glyph's slot is reused, the list never shrinks.
    auto a = std::make_unique<TButtonGlyph>();
    TButtonGlyph b, c;
    a->SetGlyph(Strip(1));
    b.SetGlyph(Strip(1));
    c.SetGlyph(Strip(1));
    Built(*a, bsUp);
    Built(b, bsUp);
    EXPECT_EQ(a->List(1), b.List(1));
    TGlyphList* shared = b.List(1);
    const int slotA = a->BuiltSlot(1, bsUp);
    const int capacity = shared->Capacity();
    a.reset();
    EXPECT_FALSE(shared->SlotUsed(slotA));
    Built(c, bsUp);
    EXPECT_EQ(c.BuiltSlot(1, bsUp), slotA);
    EXPECT_EQ(shared->Capacity(), capacity);
    EXPECT_EQ(Built(b, bsUp).pixel(3, 3), 0xFF000000u) << "the other glyph's image is intact";
}

TEST(ButtonGlyph, ContentWhereTheLayoutSays) {
    TButtonGlyph g;
    g.SetColors(kColors);
    g.SetGlyph(Strip(1));
    QImage canvas(23, 22, QImage::Format_ARGB32);
    canvas.fill(0xFFFFFFFFu);
    QPainter p(&canvas);
    p.setPen(Qt::black);
    // The toolbar's flat 23x22 glyph-only button: content inside (1,1)-(22,21).
    const TContentLayout l = g.DrawContent(p, QRect(1, 1, 21, 20), bsUp, 9, false, 4, -1,
                                           blGlyphLeft, taCenter, false, "Find", false, true, {});
    EXPECT_EQ(l.Glyph, QPoint(4, 3));
    g.DrawDropdownArrow(p, 10, bsUp, 9, 18);
    p.end();
    EXPECT_EQ(canvas.pixel(4 + 3, 3 + 3), 0xFF000000u);
    EXPECT_EQ(canvas.pixel(4, 3), 0xFFFFFFFFu) << "transparent glyph pixels leave the canvas";
    // The arrow: 5, 3 and 1 pixels wide below each other around x = 14.
    EXPECT_EQ(canvas.pixel(12, 18), 0xFF000000u);
    EXPECT_EQ(canvas.pixel(16, 18), 0xFF000000u);
    EXPECT_EQ(canvas.pixel(14, 20), 0xFF000000u);
    EXPECT_EQ(canvas.pixel(13, 20), 0xFFFFFFFFu);
}
