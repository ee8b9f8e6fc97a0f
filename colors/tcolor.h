#pragma once
// Colours as the libraries store them: 0x00BBGGRR, or a system colour (high bit set, low byte the
// colour index) that follows the application's palette. Plain C++, no toolkit types.
#include <cstdint>

namespace fprn::colors {

using TColor = std::uint32_t;

inline constexpr TColor kSystemColorFlag = 0x80000000u;
inline constexpr TColor clScrollBar = 0x80000000u;
inline constexpr TColor clBackground = 0x80000001u;
inline constexpr TColor clActiveCaption = 0x80000002u;
inline constexpr TColor clInactiveCaption = 0x80000003u;
inline constexpr TColor clWindow = 0x80000005u;
inline constexpr TColor clWindowFrame = 0x80000006u;
inline constexpr TColor clWindowText = 0x80000008u;
inline constexpr TColor clCaptionText = 0x80000009u;
inline constexpr TColor clHighlight = 0x8000000Du;
inline constexpr TColor clHighlightText = 0x8000000Eu;
inline constexpr TColor clBtnFace = 0x8000000Fu;
inline constexpr TColor clBtnShadow = 0x80000010u;
inline constexpr TColor clGrayText = 0x80000011u;
inline constexpr TColor clBtnText = 0x80000012u;
inline constexpr TColor clInactiveCaptionText = 0x80000013u;
inline constexpr TColor clBtnHighlight = 0x80000014u;
inline constexpr TColor cl3DDkShadow = 0x80000015u;
inline constexpr TColor cl3DLight = 0x80000016u;
inline constexpr TColor clBlack = 0x000000u;
inline constexpr TColor clWhite = 0xFFFFFFu;
inline constexpr TColor clSilver = 0xC0C0C0u;
inline constexpr TColor clGray = 0x808080u;

inline constexpr bool IsSystemColor(TColor c) {
    return (c & kSystemColorFlag) != 0;
}

// 0x00BBGGRR from 0xAARRGGBB (the alpha is dropped).
inline constexpr TColor FromRgb(std::uint32_t argb) {
    return ((argb & 0xFFu) << 16) | (argb & 0xFF00u) | ((argb >> 16) & 0xFFu);
}

} // namespace fprn::colors
