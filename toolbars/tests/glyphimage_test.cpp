// Glyph counts and states, slot lists and the shared cache, content layout; without widgets.
#include "dockconsts.h"
#include "glyphimage.h"

#include <gtest/gtest.h>

using namespace fprn::toolbars;

TEST(GlyphCounts, StripsAndStates) {
    EXPECT_EQ(DeriveGlyphCount({16, 16}), 1);
    EXPECT_EQ(DeriveGlyphCount({64, 16}), 4);
    EXPECT_EQ(DeriveGlyphCount({96, 16}), 1) << "six images are not accepted";
    EXPECT_EQ(DeriveGlyphCount({40, 16}), 1);
    EXPECT_EQ(DeriveGlyphCount({16, 0}), 1) << "no height: empty, no division";
    EXPECT_EQ(DeriveGlyphCount({0, 16}), 1);

    struct Row {
        TButtonState state;
        int count;
        TButtonState lookup;
        int slice;
    } rows[] = {{bsHot, 4, bsUp, 0},
                {bsDown, 2, bsUp, 0},
                {bsPressed, 2, bsUp, 0},
                {bsDisabled, 2, bsDisabled, 1},
                {bsDisabled, 1, bsDisabled, 0},
                {bsDown, 4, bsDown, 3},
                {bsHot, 5, bsHot, 4}};
    for (const Row& r : rows) {
        EXPECT_EQ(LookupState(r.state, r.count), r.lookup) << int(r.state) << "/" << r.count;
        EXPECT_EQ(SourceSlice(r.state, r.count), r.slice) << int(r.state) << "/" << r.count;
    }
}

TEST(GlyphLists, SlotsAndSharing) {
    TGlyphList list(16, 16);
    QImage img(16, 16, QImage::Format_RGB32);
    img.fill(0xFF112233u);
    int changes = 0;
    list.OnChange = [&] { ++changes; };
    EXPECT_EQ(list.AddImageMasked(img, 0x112233u), 0);
    EXPECT_EQ(qAlpha(list.Image(0).pixel(3, 3)), 0) << "the mask colour is transparent";
    EXPECT_EQ(list.AddImage(img), 1);
    list.FreeSlot(0);
    list.FreeSlot(0);
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(list.AddImage(img), 0) << "a freed slot is reused";
    EXPECT_EQ(list.Capacity(), 2);
    EXPECT_EQ(changes, 3);

    const QImage small(15, 16, QImage::Format_RGB32);
    try {
        list.ReplaceSlotMasked(1, small, 0);
        FAIL();
    } catch (const EInvalidOperation& e) {
        EXPECT_STREQ(e.what(), "Invalid image size");
    }
    try {
        list.ReplaceSlotMasked(7, img, 0);
        FAIL();
    } catch (const EInvalidOperation& e) {
        EXPECT_STREQ(e.what(), "Unable to Replace Image");
    }
    EXPECT_THROW(list.AddImage(small), EInvalidOperation);
    EXPECT_EQ(list.Count(), 2) << "a failed add leaves no slot taken";
    EXPECT_EQ(list.TakeFreeSlot(), 2);

    // A list lives while anybody holds it, even without images.
    TGlyphCache cache;
    TGlyphList* a = cache.ListForSize(16, 16);
    TGlyphList* b = cache.ListForSize(16, 16);
    EXPECT_EQ(a, b);
    EXPECT_NE(cache.ListForSize(17, 17), a);
    cache.ReleaseList(a);
    EXPECT_EQ(cache.ListCount(), 2) << "the other holder still has it";
    EXPECT_EQ(b->Width(), 16);
    cache.ReleaseList(b);
    EXPECT_EQ(cache.ListCount(), 1);
}

TEST(GlyphImages, BuildersMarkTheRightPixels) {
    // Strip of two: slice 1 holds white, grey and the background (bottom-left) colour.
    const QRgb bg = 0xFF00FF00u;
    QImage strip(8, 4, QImage::Format_RGB32);
    strip.fill(bg);
    strip.setPixel(1, 1, 0xFF000000u);
    strip.setPixel(5, 1, 0xFFFFFFFFu);
    strip.setPixel(6, 1, 0xFF808080u);
    strip.setPixel(7, 1, 0xFF400000u);
    const TGlyphColors colors{0xFFD4D0C8u, 0xFFFAFAFAu, 0xFF404040u};
    const QImage up = BuildNormalImage(strip, {0, 0, 4, 4}, nullptr);
    EXPECT_EQ(qAlpha(up.pixel(0, 0)), 0);
    EXPECT_EQ(up.pixel(1, 1), 0xFF000000u);
    const QImage dis = BuildStripDisabled(strip, {4, 0, 4, 4}, nullptr, colors);
    ASSERT_EQ(dis.size(), QSize(5, 5));
    EXPECT_EQ(dis.pixel(1, 1), colors.BtnHighlight);
    EXPECT_EQ(dis.pixel(2, 1), colors.BtnShadow);
    EXPECT_EQ(dis.pixel(3, 1), 0xFF400000u);
    EXPECT_EQ(qAlpha(dis.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(dis.pixel(4, 1)), 0) << "new last column";
    EXPECT_EQ(qAlpha(dis.pixel(1, 4)), 0) << "new last row";

    // Generated: dark pixels are embossed (new look); the old look embosses black only.
    QImage one(4, 4, QImage::Format_RGB32);
    one.fill(bg);
    one.setPixel(1, 1, 0xFF000000u);
    one.setPixel(2, 2, 0xFFC0C0C0u);
    one.setPixel(0, 2, 0xFF400000u);
    for (bool old : {false, true}) {
        const QImage g = BuildGeneratedDisabled(one, nullptr, bg, old, colors);
        ASSERT_EQ(g.size(), QSize(5, 5));
        EXPECT_EQ(g.pixel(1, 1), colors.BtnShadow);
        EXPECT_EQ(g.pixel(2, 2), colors.BtnHighlight) << "the highlight one pixel down-right";
        EXPECT_EQ(qAlpha(g.pixel(3, 3)), 0) << "button face is transparent";
        EXPECT_EQ(g.pixel(0, 2) == colors.BtnShadow, !old);
    }
    // With a mask, masked pixels count as transparent and the background colour is embossed.
    TBitMask mask(4, 4);
    mask.Set(1, 1);
    const QImage m = BuildGeneratedDisabled(one, &mask, bg, false, colors);
    EXPECT_EQ(m.pixel(1, 1), colors.BtnHighlight);
    EXPECT_EQ(m.pixel(3, 0), colors.BtnShadow);
    EXPECT_EQ(qAlpha(m.pixel(2, 2)), 0);
    const QImage mu = BuildNormalImage(one, {0, 0, 4, 4}, &mask);
    EXPECT_EQ(qAlpha(mu.pixel(1, 1)), 0);
    EXPECT_EQ(mu.pixel(3, 3), bg) << "with a mask the background colour stays";
}

TEST(ContentLayout, Placements) {
    // 6 pixels a character, 13 high; wrapped text breaks at the width.
    const TTextMeasure measure = [](const QString& t, int width, bool wrap) {
        const int w = static_cast<int>(t.size()) * 6;
        if (!wrap || w <= width) return QSize(w, 13);
        const int perLine = std::max(1, width / 6);
        return QSize(perLine * 6, 13 * ((static_cast<int>(t.size()) + perLine - 1) / perLine));
    };
    struct Row {
        const char* name;
        QRect client;
        TButtonLayout layout;
        const char* caption;
        bool showArrow, showText, showGlyph, wrap;
        int spacing, margin;
        QPoint glyph, text, arrow;
    } rows[] = {
        // The toolbar's 23x22 flat glyph-only button: client (1,1)-(22,21).
        {"flat glyph only",
         {1, 1, 21, 20},
         blGlyphLeft,
         "",
         false,
         false,
         true,
         false,
         4,
         -1,
         {4, 3},
         {20, 11},
         {21, 11}},
        {"glyph left, text",
         {0, 0, 80, 22},
         blGlyphLeft,
         "Find",
         false,
         true,
         true,
         false,
         4,
         -1,
         {18, 3},
         {38, 5},
         {63, 11}},
        {"glyph right",
         {0, 0, 80, 22},
         blGlyphRight,
         "Find",
         false,
         true,
         true,
         false,
         4,
         -1,
         {46, 3},
         {18, 5},
         {63, 11}},
        {"glyph top",
         {0, 0, 40, 40},
         blGlyphTop,
         "Go",
         false,
         true,
         true,
         false,
         4,
         -1,
         {12, 4},
         {14, 24},
         {29, 12}},
        {"glyph bottom, margin",
         {0, 0, 40, 40},
         blGlyphBottom,
         "Go",
         false,
         true,
         true,
         false,
         4,
         2,
         {12, 22},
         {14, 5},
         {29, 30}},
        {"spacing and margin free",
         {0, 0, 80, 22},
         blGlyphLeft,
         "Find",
         false,
         true,
         true,
         false,
         -1,
         -1,
         {13, 3},
         {42, 5},
         {67, 11}},
        {"text only, arrow",
         {0, 0, 60, 22},
         blGlyphTop,
         "Menu",
         true,
         true,
         false,
         false,
         4,
         -1,
         {14, 11},
         {14, 5},
         {39, 10}},
        {"offset and origin",
         {2, 2, 21, 20},
         blGlyphLeft,
         "",
         true,
         false,
         true,
         false,
         4,
         -1,
         {2, 5},
         {18, 13},
         {19, 11}},
    };
    for (const Row& r : rows) {
        TContentParams p;
        p.Client = r.client;
        p.GlyphSize = {16, 16};
        p.Layout = r.layout;
        p.Caption = QString::fromLatin1(r.caption);
        p.ShowArrow = r.showArrow;
        p.ShowText = r.showText;
        p.ShowGlyph = r.showGlyph;
        p.WordWrap = r.wrap;
        p.Spacing = r.spacing;
        p.Margin = r.margin;
        if (std::string(r.name) == "offset and origin") p.Offset = {1, 1};
        const TContentLayout l = ComputeContentLayout(p, measure);
        EXPECT_EQ(l.Glyph, r.glyph) << r.name;
        EXPECT_EQ(l.Text.topLeft(), r.text) << r.name;
        EXPECT_EQ(l.Arrow, r.arrow) << r.name;
    }
}
