#include "glyphimage.h"

#include "dockconsts.h"

#include <algorithm>

namespace fprn::toolbars {

int DeriveGlyphCount(QSize source) {
    if (source.width() <= 0 || source.height() <= 0) return 1;
    if (source.width() % source.height() != 0) return 1;
    const int n = source.width() / source.height();
    return n >= 1 && n <= kMaxGlyphs ? n : 1;
}

TButtonState LookupState(TButtonState state, int glyphCount) {
    if (state != bsDisabled && static_cast<int>(state) >= glyphCount) return bsUp;
    return state;
}

int SourceSlice(TButtonState state, int glyphCount) {
    const int s = static_cast<int>(LookupState(state, glyphCount));
    return s < glyphCount ? s : 0;
}

// ---- masks ----

TBitMask::TBitMask(int width, int height)
    : fWidth(std::max(0, width)), fHeight(std::max(0, height)),
      fBits(static_cast<std::size_t>(fWidth) * static_cast<std::size_t>(fHeight), 0) {}

bool TBitMask::Test(int x, int y) const {
    if (x < 0 || y < 0 || x >= fWidth || y >= fHeight) return false;
    return fBits[static_cast<std::size_t>(y) * static_cast<std::size_t>(fWidth) +
                 static_cast<std::size_t>(x)] != 0;
}

void TBitMask::Set(int x, int y, bool on) {
    if (x < 0 || y < 0 || x >= fWidth || y >= fHeight) return;
    fBits[static_cast<std::size_t>(y) * static_cast<std::size_t>(fWidth) +
          static_cast<std::size_t>(x)] = on ? 1 : 0;
}

TBitMask& TBitMask::operator|=(const TBitMask& other) {
    for (int y = 0; y < fHeight; ++y)
        for (int x = 0; x < fWidth; ++x)
            if (other.Test(x, y)) Set(x, y);
    return *this;
}

TBitMask TBitMask::FromImage(const QImage& image) {
    TBitMask m(image.width(), image.height());
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x)
            if (qGray(line[x]) >= 128) m.Set(x, y);
    }
    return m;
}

TBitMask TBitMask::FromAlpha(const QImage& image) {
    TBitMask m(image.width(), image.height());
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x)
            if (qAlpha(line[x]) < 128) m.Set(x, y);
    }
    return m;
}

TBitMask ColorMask(const QImage& source, const QRect& rect, std::initializer_list<QRgb> colors) {
    TBitMask m(rect.width(), rect.height());
    const QImage rgb =
        source.format() == QImage::Format_RGB32 || source.format() == QImage::Format_ARGB32
            ? source
            : source.convertToFormat(QImage::Format_ARGB32);
    const QRect r = rect.intersected(rgb.rect());
    for (int y = r.top(); y <= r.bottom(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = r.left(); x <= r.right(); ++x) {
            const QRgb p = line[x] & 0xFFFFFFu;
            for (QRgb c : colors)
                if (p == (c & 0xFFFFFFu)) {
                    m.Set(x - rect.x(), y - rect.y());
                    break;
                }
        }
    }
    return m;
}

// ---- images ----

QImage MaskedByColor(const QImage& image, QRgb maskColor) {
    QImage out = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = maskColor & 0xFFFFFFu;
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x)
            line[x] = (line[x] & 0xFFFFFFu) == key ? 0u : (line[x] | 0xFF000000u);
    }
    return out;
}

QImage BuildNormalImage(const QImage& strip, const QRect& slice, const TBitMask* mask) {
    QImage img = strip.copy(slice).convertToFormat(QImage::Format_ARGB32);
    if (img.isNull() || img.width() == 0 || img.height() == 0) return {};
    if (!mask) return MaskedByColor(img, img.pixel(0, img.height() - 1));
    for (int y = 0; y < img.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x)
            line[x] = mask->Test(slice.x() + x, slice.y() + y) ? 0u : (line[x] | 0xFF000000u);
    }
    return img;
}

QImage BuildGeneratedDisabled(const QImage& slice, const TBitMask* transparency,
                              QRgb transparentColor, bool oldStyle, const TGlyphColors& colors) {
    const int w = slice.width();
    const int h = slice.height();
    if (w <= 0 || h <= 0) return {};
    const QRect all(0, 0, w, h);
    TBitMask b;
    if (oldStyle) {
        QImage src = slice.convertToFormat(QImage::Format_RGB32);
        if (transparency)
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    if (transparency->Test(x, y)) src.setPixel(x, y, 0xFFFFFFFFu);
        b = ColorMask(src, all, {0x000000u});
    } else if (transparency) {
        b = ColorMask(slice, all, {0xFFFFFFu, 0xC0C0C0u});
        b |= *transparency;
    } else {
        b = ColorMask(slice, all, {transparentColor, 0xFFFFFFu, 0xC0C0C0u});
    }
    // The brush goes where the bit is clear (new look) or set (old look): first the highlight
    // one pixel down and right, then the shadow in place.
    QImage img(w + 1, h + 1, QImage::Format_RGB32);
    img.fill(colors.BtnFace);
    for (const auto& [dx, colour] : {std::pair{1, colors.BtnHighlight}, {0, colors.BtnShadow}})
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (b.Test(x, y) == oldStyle) img.setPixel(x + dx, y + dx, colour);
    return MaskedByColor(img, colors.BtnFace);
}

QImage BuildStripDisabled(const QImage& strip, const QRect& slice, const TBitMask* mask,
                          const TGlyphColors& colors) {
    const int w = slice.width();
    const int h = slice.height();
    if (w <= 0 || h <= 0 || strip.isNull()) return {};
    const QImage src = strip.convertToFormat(QImage::Format_RGB32);
    const TBitMask white = ColorMask(src, slice, {0xFFFFFFu});
    const TBitMask grey = ColorMask(src, slice, {0x808080u});
    TBitMask transparent(w + 1, h + 1);
    if (mask) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                transparent.Set(x, y, mask->Test(slice.x() + x, slice.y() + y));
    } else {
        const QRgb key = src.pixel(0, src.height() - 1);
        const TBitMask m = ColorMask(src, slice, {key});
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) transparent.Set(x, y, m.Test(x, y));
    }
    for (int x = 0; x <= w; ++x) transparent.Set(x, h);
    for (int y = 0; y <= h; ++y) transparent.Set(w, y);

    QImage img(w + 1, h + 1, QImage::Format_ARGB32);
    img.fill(colors.BtnFace);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            QRgb p = src.pixel(slice.x() + x, slice.y() + y);
            if (white.Test(x, y))
                p = colors.BtnHighlight;
            else if (grey.Test(x, y))
                p = colors.BtnShadow;
            img.setPixel(x, y, p | 0xFF000000u);
        }
    for (int y = 0; y <= h; ++y)
        for (int x = 0; x <= w; ++x)
            if (transparent.Test(x, y)) img.setPixel(x, y, 0u);
    return img;
}

// ---- slot lists ----

TGlyphList::TGlyphList(int width, int height) : fWidth(width), fHeight(height) {}

bool TGlyphList::SlotUsed(int index) const {
    return index >= 0 && index < static_cast<int>(fUsed.size()) &&
           fUsed[static_cast<std::size_t>(index)];
}

int TGlyphList::TakeFreeSlot() {
    auto it = std::find(fUsed.begin(), fUsed.end(), false);
    const auto index = static_cast<std::size_t>(it - fUsed.begin());
    if (it == fUsed.end()) {
        QImage empty(fWidth, fHeight, QImage::Format_ARGB32);
        empty.fill(0u);
        fImages.push_back(empty);
        fUsed.push_back(false);
    }
    fUsed[index] = true;
    return static_cast<int>(index);
}

void TGlyphList::Store(int index, const QImage& image) {
    if (image.width() < fWidth || image.height() < fHeight)
        throw EInvalidOperation(SInvalidImageSize);
    fImages[static_cast<std::size_t>(index)] =
        image.copy(0, 0, fWidth, fHeight).convertToFormat(QImage::Format_ARGB32);
    if (OnChange) OnChange();
}

int TGlyphList::AddImage(const QImage& image) {
    const int slot = TakeFreeSlot();
    try {
        Store(slot, image);
    } catch (...) {
        fUsed[static_cast<std::size_t>(slot)] = false;
        throw;
    }
    ++fCount;
    return slot;
}

int TGlyphList::AddImageMasked(const QImage& image, QRgb maskColor) {
    return AddImage(MaskedByColor(image, maskColor));
}

void TGlyphList::ReplaceSlotMasked(int index, const QImage& image, QRgb maskColor) {
    if (index < 0 || index >= Capacity()) throw EInvalidOperation(SReplaceImage);
    Store(index, MaskedByColor(image, maskColor));
}

void TGlyphList::FreeSlot(int index) {
    if (!SlotUsed(index)) return;
    fUsed[static_cast<std::size_t>(index)] = false;
    --fCount;
}

const QImage& TGlyphList::Image(int index) const {
    return fImages.at(static_cast<std::size_t>(index));
}

TGlyphList* TGlyphCache::ListForSize(int width, int height) {
    for (auto it = fLists.rbegin(); it != fLists.rend(); ++it)
        if ((*it)->Width() == width && (*it)->Height() == height) {
            ++(*it)->Holders;
            return it->get();
        }
    fLists.push_back(std::make_unique<TGlyphList>(width, height));
    fLists.back()->Holders = 1;
    return fLists.back().get();
}

void TGlyphCache::ReleaseList(TGlyphList* list) {
    auto it = std::find_if(fLists.begin(), fLists.end(),
                           [list](const auto& l) { return l.get() == list; });
    if (it == fLists.end()) return;
    if (list->Holders > 0) --list->Holders;
    if (list->Holders == 0 && list->Count() == 0) fLists.erase(it);
}

namespace {
std::unique_ptr<TGlyphCache> gCache;
}

TGlyphCache& GlyphCache() {
    if (!gCache) gCache = std::make_unique<TGlyphCache>();
    return *gCache;
}

bool GlyphCacheExists() {
    return gCache != nullptr;
}

void FreeGlyphCacheIfEmpty() {
    if (gCache && gCache->HasNoLists()) gCache.reset();
}

// ---- content layout ----

TContentLayout ComputeContentLayout(const TContentParams& p, const TTextMeasure& measure) {
    const int cw = p.Client.width();
    const int ch = p.Client.height();
    const int gw = p.ShowGlyph ? p.GlyphSize.width() : 0;
    const int gh = p.ShowGlyph ? p.GlyphSize.height() : 0;
    const bool hasGlyph = gw != 0 && gh != 0;
    const int aw = p.ShowArrow ? p.ArrowWidth : 0;
    const int ah = p.ShowArrow ? 3 : 0;
    int spacing = p.Spacing;
    int margin = p.Margin;

    TButtonLayout layout = p.Layout;
    bool horizontal = layout == blGlyphLeft || layout == blGlyphRight;
    if (!hasGlyph && !horizontal) {
        layout = blGlyphLeft;
        horizontal = true;
    }

    int tw = 0;
    int th = 0;
    if (p.ShowText && !p.Caption.isEmpty() && measure) {
        int width = cw - (horizontal ? aw : 0);
        if (p.WordWrap) {
            int tm = 4;
            if (horizontal && hasGlyph) {
                width -= gw + (spacing == -1 ? 4 : spacing);
                tm = margin != -1 ? margin : (spacing != -1 ? spacing : 4);
            }
            width -= 2 * tm;
        }
        const QSize s = measure(p.Caption, width, p.WordWrap);
        tw = s.width();
        th = s.height();
    }

    int gx = 0, gy = 0, tx = 0, ty = 0, ax = 0;
    if (horizontal) {
        gy = (ch - gh + 1) / 2;
        ty = (ch - th + 1) / 2;
    } else {
        gx = (cw - gw - aw + 1) / 2;
        tx = (cw - tw + 1) / 2;
        ax = hasGlyph ? gx + gw : tx + tw;
    }
    if (tw == 0 || th == 0 || !hasGlyph) spacing = 0;

    if (margin == -1) {
        if (spacing == -1) {
            const int totalW = gw + tw + aw;
            const int totalH = gh + th;
            margin = horizontal ? (cw - totalW) / 3 : (ch - totalH) / 3;
            spacing = margin;
        } else {
            const int totalW = gw + spacing + tw + aw;
            const int totalH = gh + spacing + th;
            margin = horizontal ? (cw - totalW + 1) / 2 : (ch - totalH + 1) / 2;
        }
    } else if (spacing == -1) {
        const int spaceW = cw - (margin + gw + aw);
        const int spaceH = ch - (margin + gh);
        spacing = horizontal ? (spaceW - tw) / 2 : (spaceH - th) / 2;
    }

    switch (layout) {
    case blGlyphLeft:
        gx = margin;
        tx = gx + gw + spacing;
        ax = tx + tw;
        break;
    case blGlyphRight:
        ax = cw - margin - aw;
        gx = ax - gw;
        tx = gx - spacing - tw;
        break;
    case blGlyphTop:
        gy = margin;
        ty = gy + gh + spacing;
        break;
    case blGlyphBottom:
        gy = ch - margin - gh;
        ty = gy - spacing - th;
        break;
    }
    ax += 1;
    const int ay = hasGlyph ? gy + (gh - ah) / 2 : ty + (th - ah) / 2;

    const QPoint shift = p.Client.topLeft() + p.Offset;
    TContentLayout r;
    r.Glyph = QPoint(gx, gy) + shift;
    r.Text = QRect(QPoint(tx, ty) + shift, QSize(tw, th));
    r.Arrow = QPoint(ax, ay) + shift;
    r.HasGlyph = hasGlyph;
    return r;
}

} // namespace fprn::toolbars
