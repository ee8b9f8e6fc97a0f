#include "buttonglyph.h"

#include "dockconsts.h"
#include "syscolors.h"

#include <QApplication>
#include <QPainter>
#include <QPalette>
#include <QPolygon>

namespace fprn::toolbars {

// ---- image list ----

TImageList::TImageList(int width, int height, QObject* parent)
    : QObject(parent), fWidth(width), fHeight(height) {}

QImage TImageList::Checked(const QImage& image) const {
    if (image.width() != fWidth || image.height() != fHeight)
        throw EInvalidOperation(SInvalidImageSize);
    return image.convertToFormat(QImage::Format_ARGB32);
}

int TImageList::Add(const QImage& image) {
    fImages.push_back(Checked(image));
    emit Changed();
    return Count() - 1;
}

void TImageList::Replace(int index, const QImage& image) {
    if (index < 0 || index >= Count()) throw EInvalidOperation(SReplaceImage);
    fImages[static_cast<std::size_t>(index)] = Checked(image);
    emit Changed();
}

void TImageList::Delete(int index) {
    if (index < 0 || index >= Count()) return;
    fImages.erase(fImages.begin() + index);
    emit Changed();
}

void TImageList::Clear() {
    fImages.clear();
    emit Changed();
}

TGlyphColors GlyphColorsOf(const QPalette& palette) {
    return {colors::ToQColor(colors::clBtnFace, palette).rgb(),
            colors::ToQColor(colors::clBtnHighlight, palette).rgb(),
            colors::ToQColor(colors::clBtnShadow, palette).rgb()};
}

// ---- glyph ----

TButtonGlyph::TButtonGlyph() : fColors(GlyphColorsOf(QApplication::palette())) {
    for (auto& list : fIndex) list.fill(-1);
    GlyphCache();
}

TButtonGlyph::~TButtonGlyph() {
    QObject::disconnect(fImagesChanged);
    QObject::disconnect(fImagesGone);
    DropImages();
    FreeGlyphCacheIfEmpty();
}

void TButtonGlyph::SetGlyph(const QImage& value) {
    DropImages();
    // Sources are opaque: any transparency comes from the mask or the bottom-left colour.
    fSource = value.isNull() ? QImage() : value.convertToFormat(QImage::Format_RGB32);
    DeriveGlyphCount();
    SourceChanged(true);
}

void TButtonGlyph::SetGlyphMask(const QImage& value) {
    DropImages();
    fMaskImage = value;
    fMask = value.isNull() ? TBitMask() : TBitMask::FromImage(value);
    SourceChanged(false);
}

void TButtonGlyph::SetNumGlyphs(int value) {
    DropImages();
    if (fImages || value <= 0 || value > kMaxGlyphs) value = 1;
    fNumGlyphs = value;
    SourceChanged(false);
}

void TButtonGlyph::SetImages(TImageList* value) {
    if (value == fImages) return;
    QObject::disconnect(fImagesChanged);
    QObject::disconnect(fImagesGone);
    DropImages();
    fImages = value;
    if (value) {
        fImagesChanged =
            QObject::connect(value, &TImageList::Changed, [this] { SourceChanged(false); });
        fImagesGone = QObject::connect(value, &QObject::destroyed, [this] {
            DropImages();
            DeriveGlyphCount();
            if (OnChange) OnChange();
        });
    }
    DeriveGlyphCount();
    SourceChanged(false);
}

void TButtonGlyph::SetImageIndex(int value) {
    if (value == fImageIndex) return;
    fImageIndex = value;
    if (fImages) SourceChanged(false);
}

void TButtonGlyph::SetOldDisabledStyle(bool value) {
    if (value == fOldDisabledStyle) return;
    fOldDisabledStyle = value;
    SourceChanged(false);
}

void TButtonGlyph::SetColors(const TGlyphColors& value) {
    if (value == fColors) return;
    fColors = value;
    SourceChanged(false);
}

void TButtonGlyph::DeriveGlyphCount() {
    fNumGlyphs = fSource.isNull() ? 1 : fprn::toolbars::DeriveGlyphCount(fSource.size());
    if (fImages) fNumGlyphs = 1;
}

void TButtonGlyph::SourceChanged(bool sourceBitmap) {
    if (sourceBitmap && !fSource.isNull() && fSource.width() > 0 && fSource.height() > 0)
        fTransparentColor = fSource.pixel(0, fSource.height() - 1);
    DropImages();
    if (OnChange) OnChange();
}

void TButtonGlyph::DropImages() {
    for (std::size_t l = 0; l < 2; ++l) {
        for (int& slot : fIndex[l]) {
            if (slot != -1 && fLists[l]) fLists[l]->FreeSlot(slot);
            slot = -1;
        }
        if (fLists[l]) {
            GlyphCache().ReleaseList(fLists[l]);
            fLists[l] = nullptr;
        }
    }
}

int TButtonGlyph::BuiltSlot(int list, TButtonState state) const {
    return fIndex[static_cast<std::size_t>(list)][state];
}

QSize TButtonGlyph::GlyphSize() const {
    if (fImages) return {fImages->Width(), fImages->Height()};
    if (fSource.isNull() || fSource.width() <= 0 || fSource.height() <= 0) return {};
    return {fSource.width() / std::max(1, fNumGlyphs), fSource.height()};
}

std::pair<TGlyphList*, int> TButtonGlyph::BuildStateImage(TButtonState state) {
    const TButtonState s = LookupState(state, fNumGlyphs);
    for (std::size_t l : {std::size_t{1}, std::size_t{0}})
        if (fIndex[l][s] != -1) return {fLists[l], fIndex[l][s]};

    if (fImages) {
        if (fImageIndex < 0 || fImageIndex >= fImages->Count()) return {nullptr, -1};
    } else if (fSource.isNull() || fSource.width() <= 0 || fSource.height() <= 0) {
        return {nullptr, -1};
    }
    const bool useMask = !fImages && !fMask.Empty();
    const QSize size = GlyphSize();
    const int w = size.width();
    const int h = size.height();
    if (w <= 0 || h <= 0) return {nullptr, -1};

    const std::size_t l = s == bsDisabled ? 0 : 1;
    const int extra = s == bsDisabled ? 1 : 0;
    if (!fLists[l]) fLists[l] = GlyphCache().ListForSize(w + extra, h + extra);
    TGlyphList* list = fLists[l];
    const QRect slice(SourceSlice(s, fNumGlyphs) * w, 0, w, h);

    QImage image;
    if (fImages) {
        const QImage& src = fImages->Image(fImageIndex);
        if (s == bsDisabled) {
            QImage onWhite(src.size(), QImage::Format_RGB32);
            onWhite.fill(0xFFFFFFFFu);
            QPainter p(&onWhite);
            p.drawImage(0, 0, src);
            p.end();
            const TBitMask alpha = TBitMask::FromAlpha(src);
            image = BuildGeneratedDisabled(onWhite, &alpha, 0xFFFFFFu, fOldDisabledStyle, fColors);
        } else {
            image = src;
        }
    } else if (s == bsDisabled && fNumGlyphs < 2) {
        TBitMask cut;
        if (useMask) {
            cut = TBitMask(w, h);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) cut.Set(x, y, fMask.Test(slice.x() + x, y));
        }
        image = BuildGeneratedDisabled(fSource.copy(slice), useMask ? &cut : nullptr,
                                       fTransparentColor, fOldDisabledStyle, fColors);
    } else if (s == bsDisabled) {
        image = BuildStripDisabled(fSource, slice, useMask ? &fMask : nullptr, fColors);
    } else {
        image = BuildNormalImage(fSource, slice, useMask ? &fMask : nullptr);
    }
    const int slot = list->AddImage(image);
    fIndex[l][s] = slot;
    return {list, slot};
}

void TButtonGlyph::DrawGlyphImage(QPainter& painter, QPoint position, TButtonState state) {
    const auto [list, slot] = BuildStateImage(state);
    if (slot >= 0) painter.drawImage(position, list->Image(slot));
}

namespace {

int TextFlags(TAlignment alignment, bool wordWrap) {
    int f = Qt::AlignVCenter | Qt::TextShowMnemonic;
    f |= alignment == taLeftJustify    ? Qt::AlignLeft
         : alignment == taRightJustify ? Qt::AlignRight
                                       : Qt::AlignHCenter;
    f |= wordWrap ? Qt::TextWordWrap : Qt::TextSingleLine;
    return f;
}

} // namespace

void TButtonGlyph::DrawCaption(QPainter& painter, const QString& caption, const QRect& bounds,
                               TButtonState state, TAlignment alignment, bool wordWrap) {
    const int flags = TextFlags(alignment, wordWrap);
    painter.save();
    if (state == bsDisabled) {
        painter.setPen(QColor::fromRgb(fColors.BtnHighlight));
        painter.drawText(bounds.translated(1, 1), flags, caption);
        painter.setPen(QColor::fromRgb(fColors.BtnShadow));
    }
    painter.drawText(bounds, flags, caption);
    painter.restore();
}

void TButtonGlyph::DrawDropdownArrow(QPainter& painter, int x, TButtonState state, int arrowWidth,
                                     int y) {
    const int m = x + arrowWidth / 2;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    auto triangle = [&](QColor c, QPoint a, QPoint b, QPoint apex) {
        painter.setPen(c);
        painter.setBrush(c);
        painter.drawPolygon(QPolygon({a, b, apex}));
    };
    if (state == bsDisabled) {
        triangle(QColor::fromRgb(fColors.BtnHighlight), {m - 1, y + 1}, {m + 3, y + 1},
                 {m + 1, y + 3});
        triangle(QColor::fromRgb(fColors.BtnShadow), {m - 2, y}, {m + 2, y}, {m, y + 2});
    } else {
        triangle(painter.pen().color(), {m - 2, y}, {m + 2, y}, {m, y + 2});
    }
    painter.restore();
}

TContentLayout TButtonGlyph::DrawContent(QPainter& painter, const QRect& client, TButtonState state,
                                         int arrowWidth, bool showArrow, int spacing, int margin,
                                         TButtonLayout layout, TAlignment alignment, bool wordWrap,
                                         const QString& caption, bool showText, bool showGlyph,
                                         QPoint offset) {
    TContentParams p;
    p.Client = client;
    p.GlyphSize = GlyphSize();
    p.ArrowWidth = arrowWidth;
    p.ShowArrow = showArrow;
    p.Spacing = spacing;
    p.Margin = margin;
    p.Layout = layout;
    p.WordWrap = wordWrap;
    p.Caption = caption;
    p.ShowText = showText;
    p.ShowGlyph = showGlyph;
    p.Offset = offset;
    const QFontMetrics fm(painter.font());
    const TContentLayout r =
        ComputeContentLayout(p, [&](const QString& text, int width, bool wrap) {
            const int flags = Qt::TextShowMnemonic | (wrap ? Qt::TextWordWrap : Qt::TextSingleLine);
            return fm.boundingRect(QRect(0, 0, std::max(0, width), 0x7FFF), flags, text).size();
        });
    if (showGlyph) DrawGlyphImage(painter, r.Glyph, state);
    if (showText) DrawCaption(painter, caption, r.Text, state, alignment, wordWrap);
    if (showArrow) DrawDropdownArrow(painter, r.Arrow.x(), state, arrowWidth, r.Arrow.y());
    return r;
}

} // namespace fprn::toolbars
