#include "syscolors.h"

namespace fprn::colors {

std::optional<QPalette::ColorRole> SystemColorRole(TColor color) {
    if (!IsSystemColor(color)) return std::nullopt;
    switch (color) {
    case clScrollBar:
        return QPalette::Button;
    case clBackground:
        return QPalette::Window;
    // Captions: the selection colours when active, the dimmed ones when not.
    case clActiveCaption:
        return QPalette::Highlight;
    case clInactiveCaption:
        return QPalette::Dark;
    case clCaptionText:
        return QPalette::HighlightedText;
    case clInactiveCaptionText:
        return QPalette::Midlight;
    case clWindow:
        return QPalette::Base;
    case clWindowFrame:
        return QPalette::Shadow;
    case clWindowText:
        return QPalette::Text;
    case clHighlight:
        return QPalette::Highlight;
    case clHighlightText:
        return QPalette::HighlightedText;
    case clBtnFace:
        return QPalette::Button;
    case clBtnShadow:
        return QPalette::Dark;
    case clGrayText:
        return QPalette::PlaceholderText;
    case clBtnText:
        return QPalette::ButtonText;
    case clBtnHighlight:
        return QPalette::Light;
    case cl3DDkShadow:
        return QPalette::Shadow;
    case cl3DLight:
        return QPalette::Midlight;
    default:
        return std::nullopt;
    }
}

QColor ToQColor(TColor color, const QPalette& palette) {
    if (IsSystemColor(color)) {
        if (auto role = SystemColorRole(color)) return palette.color(QPalette::Active, *role);
        return palette.color(QPalette::Active, QPalette::Window);
    }
    return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                  static_cast<int>((color >> 16) & 0xFF));
}

} // namespace fprn::colors
