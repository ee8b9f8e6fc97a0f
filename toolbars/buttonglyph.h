#pragma once
// Button glyphs on Qt.
//
// TButtonGlyph turns a button's glyph strip (or one image of an image list), its optional mask and
// the button state into a finished image kept in the process's shared glyph lists, lays out glyph,
// caption and drop-down arrow in the button, and draws them. TImageList is the minimal image list
// a button may take its glyph from.
#include "buttonmodel.h"
#include "glyphimage.h"

#include <QImage>
#include <QMetaObject>
#include <QObject>
#include <QPointer>

#include <array>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

class QPainter;
class QPalette;

namespace fprn::toolbars {

enum TAlignment : std::uint8_t { taLeftJustify, taRightJustify, taCenter };

// Images of one size with their transparency; tells its users when its contents change.
class TImageList : public QObject {
    Q_OBJECT
public:
    TImageList(int width, int height, QObject* parent = nullptr);
    int Width() const { return fWidth; }
    int Height() const { return fHeight; }
    int Count() const { return static_cast<int>(fImages.size()); }
    // Images must have the list's size ("Invalid image size" otherwise).
    int Add(const QImage& image);
    void Replace(int index, const QImage& image);
    void Delete(int index);
    void Clear();
    const QImage& Image(int index) const { return fImages.at(static_cast<std::size_t>(index)); }

signals:
    void Changed();

private:
    QImage Checked(const QImage& image) const;
    int fWidth;
    int fHeight;
    std::vector<QImage> fImages;
};

// The button colours of a palette.
TGlyphColors GlyphColorsOf(const QPalette& palette);

class TButtonGlyph {
public:
    TButtonGlyph();
    ~TButtonGlyph();
    TButtonGlyph(const TButtonGlyph&) = delete;
    TButtonGlyph& operator=(const TButtonGlyph&) = delete;

    const QImage& Glyph() const { return fSource; }
    void SetGlyph(const QImage& value);
    // White pixels are transparent.
    const QImage& GlyphMask() const { return fMaskImage; }
    void SetGlyphMask(const QImage& value);
    int NumGlyphs() const { return fNumGlyphs; }
    void SetNumGlyphs(int value);
    TImageList* Images() const { return fImages; }
    void SetImages(TImageList* value);
    int ImageIndex() const { return fImageIndex; }
    void SetImageIndex(int value);
    bool OldDisabledStyle() const { return fOldDisabledStyle; }
    void SetOldDisabledStyle(bool value);
    // The colours images are built with; a change drops the built images.
    const TGlyphColors& Colors() const { return fColors; }
    void SetColors(const TGlyphColors& value);

    // Runs when anything that changes the look changed (the button repaints).
    std::function<void()> OnChange;

    // Frees every built image's slot and returns both lists to the cache.
    void DropImages();
    // The list and slot of the state's image, built on first use; slot -1: nothing to draw.
    std::pair<TGlyphList*, int> BuildStateImage(TButtonState state);
    // Slot of a built image in list 0 (disabled) or 1 (other states), -1 when not built.
    int BuiltSlot(int list, TButtonState state) const;
    TGlyphList* List(int list) const { return fLists[static_cast<std::size_t>(list)]; }
    // One image's size: the image list's, else the strip's slice; empty without a glyph.
    QSize GlyphSize() const;

    void DrawGlyphImage(QPainter& painter, QPoint position, TButtonState state);
    // Text in the painter's pen colour; disabled: highlight one pixel down-right, then shadow.
    void DrawCaption(QPainter& painter, const QString& caption, const QRect& bounds,
                     TButtonState state, TAlignment alignment, bool wordWrap);
    void DrawDropdownArrow(QPainter& painter, int x, TButtonState state, int arrowWidth, int y);
    // Lays out and draws glyph, caption and arrow; answers the layout used.
    TContentLayout DrawContent(QPainter& painter, const QRect& client, TButtonState state,
                               int arrowWidth, bool showArrow, int spacing, int margin,
                               TButtonLayout layout, TAlignment alignment, bool wordWrap,
                               const QString& caption, bool showText, bool showGlyph,
                               QPoint offset);

private:
    void SourceChanged(bool sourceBitmap);
    void DeriveGlyphCount();

    QImage fSource;
    QImage fMaskImage;
    TBitMask fMask;
    QPointer<TImageList> fImages;
    QMetaObject::Connection fImagesChanged;
    QMetaObject::Connection fImagesGone;
    int fImageIndex = -1;
    int fNumGlyphs = 1;
    bool fOldDisabledStyle = false;
    QRgb fTransparentColor = 0;
    TGlyphColors fColors;
    std::array<TGlyphList*, 2> fLists{nullptr, nullptr};
    std::array<std::array<int, 5>, 2> fIndex;
};

} // namespace fprn::toolbars
