#pragma once
// Layout decisions of the edit text painter, without drawing: which path a text takes and where a
// single line lands.
#include "borderpaint.h"

#include <cstdint>

namespace fprn::editcontrols {

// Flags of DrawEditText (16 bits).
inline constexpr std::uint16_t kDetLeft = 0x0000;
inline constexpr std::uint16_t kDetCenter = 0x0001;
inline constexpr std::uint16_t kDetRight = 0x0002;
inline constexpr std::uint16_t kDetHorzMask = 0x0003;
inline constexpr std::uint16_t kDetTop = 0x0000;
inline constexpr std::uint16_t kDetVCenter = 0x0004;
inline constexpr std::uint16_t kDetBottom = 0x0008;
inline constexpr std::uint16_t kDetWordWrap = 0x0010;
inline constexpr std::uint16_t kDetVertMask = 0x001C;
inline constexpr std::uint16_t kDetEndEllipsis = 0x0100;
inline constexpr std::uint16_t kDetPathEllipsis = 0x0200;
inline constexpr std::uint16_t kDetFocusRect = 0x0400;
inline constexpr std::uint16_t kDetFocusTextOnly = 0x0800;
inline constexpr std::uint16_t kDetTransparent = 0x1000;
inline constexpr std::uint16_t kDetPrefix = 0x2000;
inline constexpr std::uint16_t kDetMeasureOnly = 0x4000;
inline constexpr std::uint16_t kDetKeepBkMode = 0x8000;

struct TTextPath {
    bool Formatted = false; // the multi-line/ellipsis/prefix path
    bool TooWide = false;   // clip to the text rectangle (and start at its left)
};

// `width` is the one-line width of the text; `hasLineBreak` says it holds CR or LF.
TTextPath ChooseTextPath(int width, bool hasLineBreak, const TRect& textRect, std::uint16_t flags);

// Where one line of `width` x `height` goes inside `textRect`. A too-wide line starts at the left
// and keeps the rectangle's right.
TRect PlaceTextLine(const TRect& textRect, int width, int height, std::uint16_t flags,
                    bool tooWide);

// What the measure-only call returns: the needed text height plus the clip rectangle's extra.
int MeasuredEditTextHeight(int textHeight, const TRect& clipRect, const TRect& textRect);

} // namespace fprn::editcontrols
