#include "textplace.h"

namespace fprn::editcontrols {

TTextPath ChooseTextPath(int width, bool hasLineBreak, const TRect& textRect, std::uint16_t flags) {
    TTextPath path;
    if ((flags & (kDetPrefix | kDetWordWrap)) != 0) {
        path.Formatted = true;
        path.TooWide = true;
        return path;
    }
    path.TooWide = width > textRect.Width();
    path.Formatted = (path.TooWide || hasLineBreak) &&
                     (flags & (kDetEndEllipsis | kDetPathEllipsis | kDetWordWrap)) != 0;
    return path;
}

TRect PlaceTextLine(const TRect& textRect, int width, int height, std::uint16_t flags,
                    bool tooWide) {
    TRect p = textRect;
    if (!tooWide) {
        switch (flags & kDetHorzMask) {
        case kDetCenter:
            p.Left = (p.Left + p.Right - width) / 2;
            break;
        case kDetRight:
            p.Left = p.Right - width;
            break;
        default:
            break;
        }
        p.Right = p.Left + width;
    }
    switch (flags & kDetVertMask) {
    case kDetVCenter:
        p.Top = (p.Top + p.Bottom - height) / 2;
        p.Bottom = p.Top + height;
        break;
    case kDetBottom:
        p.Top = p.Bottom - height;
        break;
    default:
        break;
    }
    return p;
}

int MeasuredEditTextHeight(int textHeight, const TRect& clipRect, const TRect& textRect) {
    return textHeight + (clipRect.Height() - textRect.Height());
}

} // namespace fprn::editcontrols
