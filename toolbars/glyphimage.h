#pragma once
// Button glyph images without widgets: the state images built from a glyph strip (with the
// generated disabled look), the exact-colour masks they need, the slot lists that hold them,
// shared per image size, and the placement of glyph, caption and drop-down arrow in a button.
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <vector>

namespace fprn::toolbars {

enum TButtonState : std::uint8_t { bsUp, bsDisabled, bsPressed, bsDown, bsHot };
enum TButtonLayout : std::uint8_t { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
inline constexpr int kMaxGlyphs = 5;

// The images a strip holds: width / height when that divides evenly into 1 to 5, else 1 (also
// for a strip without pixels).
int DeriveGlyphCount(QSize source);
// The state whose image is looked up: a state the strip has no image for shows Up, except
// Disabled, which is generated.
TButtonState LookupState(TButtonState state, int glyphCount);
// The strip image a state is built from.
int SourceSlice(TButtonState state, int glyphCount);

// One bit per pixel; set = marked.
class TBitMask {
public:
    TBitMask() = default;
    TBitMask(int width, int height);
    int Width() const { return fWidth; }
    int Height() const { return fHeight; }
    bool Empty() const { return fWidth <= 0 || fHeight <= 0; }
    bool Test(int x, int y) const;
    void Set(int x, int y, bool on = true);
    TBitMask& operator|=(const TBitMask& other);
    // White pixels (grey level from 128 up) are marked: a one-bit mask image or any image.
    static TBitMask FromImage(const QImage& image);
    // Transparent pixels (alpha below 128) are marked.
    static TBitMask FromAlpha(const QImage& image);

private:
    int fWidth = 0;
    int fHeight = 0;
    std::vector<std::uint8_t> fBits;
};

// Marks the pixels of `rect` whose RGB equals one of `colors` (the alpha is ignored).
TBitMask ColorMask(const QImage& source, const QRect& rect, std::initializer_list<QRgb> colors);

// The button colours images are built with.
struct TGlyphColors {
    QRgb BtnFace = 0xFFC0C0C0;
    QRgb BtnHighlight = 0xFFFFFFFF;
    QRgb BtnShadow = 0xFF808080;
    bool operator==(const TGlyphColors&) const = default;
};

// Normal states: the slice, transparent where the mask is set, else where the slice has the
// colour of its own bottom-left pixel.
QImage BuildNormalImage(const QImage& strip, const QRect& slice, const TBitMask* mask);
// Disabled, generated from an image without a disabled slice, one pixel wider and higher.
// `transparency` marks transparent pixels of the slice when there is a mask or an image list;
// without it the transparent colour (the strip's bottom-left) stands for them.
QImage BuildGeneratedDisabled(const QImage& slice, const TBitMask* transparency,
                              QRgb transparentColor, bool oldStyle, const TGlyphColors& colors);
// Disabled from the strip's own disabled slice: white becomes the highlight, grey (0x808080)
// the shadow; transparent where the mask is set, else where the strip's bottom-left colour is,
// and along the new last row and column.
QImage BuildStripDisabled(const QImage& strip, const QRect& slice, const TBitMask* mask,
                          const TGlyphColors& colors);
// Pixels of `maskColor` become transparent.
QImage MaskedByColor(const QImage& image, QRgb maskColor);

// Images of one size in slots that are freed and reused, never shrinking.
class TGlyphList {
public:
    TGlyphList(int width, int height);
    int Width() const { return fWidth; }
    int Height() const { return fHeight; }
    int Count() const { return fCount; } // used slots
    int Capacity() const { return static_cast<int>(fImages.size()); }
    bool SlotUsed(int index) const;

    int TakeFreeSlot();
    // Stores an image that carries its own transparency.
    int AddImage(const QImage& image);
    int AddImageMasked(const QImage& image, QRgb maskColor);
    // Throws EInvalidOperation "Invalid image size" for an image smaller than the list's,
    // "Unable to Replace Image" for a slot that does not exist.
    void ReplaceSlotMasked(int index, const QImage& image, QRgb maskColor);
    void FreeSlot(int index);
    const QImage& Image(int index) const;

    std::function<void()> OnChange;
    int Holders = 0; // glyph objects holding the list

private:
    void Store(int index, const QImage& image);

    int fWidth;
    int fHeight;
    int fCount = 0;
    std::vector<QImage> fImages;
    std::vector<bool> fUsed;
};

// One glyph list per image size, shared by every button of the process.
class TGlyphCache {
public:
    // The last list of that image size, else a new one; the caller holds it until ReleaseList.
    TGlyphList* ListForSize(int width, int height);
    // A list nobody holds any more is freed.
    void ReleaseList(TGlyphList* list);
    bool HasNoLists() const { return fLists.empty(); }
    int ListCount() const { return static_cast<int>(fLists.size()); }

private:
    std::vector<std::unique_ptr<TGlyphList>> fLists;
};

// The process's cache, made on demand; FreeGlyphCache drops it when it holds no lists.
TGlyphCache& GlyphCache();
bool GlyphCacheExists();
void FreeGlyphCacheIfEmpty();

// ---- content layout ----

// Measures a caption in a rectangle of the given width (word breaking only with wordWrap).
using TTextMeasure = std::function<QSize(const QString& text, int width, bool wordWrap)>;

struct TContentParams {
    QRect Client;
    QSize GlyphSize; // of one image; empty without a glyph
    int ArrowWidth = 9;
    bool ShowArrow = false;
    int Spacing = 4;
    int Margin = -1;
    TButtonLayout Layout = blGlyphLeft;
    bool WordWrap = false;
    QString Caption;
    bool ShowText = true;
    bool ShowGlyph = true;
    QPoint Offset;
};

struct TContentLayout {
    QPoint Glyph;
    QRect Text;
    QPoint Arrow;
    bool HasGlyph = false;
};

TContentLayout ComputeContentLayout(const TContentParams& params, const TTextMeasure& measure);

} // namespace fprn::toolbars
