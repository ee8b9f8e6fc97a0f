#pragma once
// The one place where system colours become palette colours.
#include "tcolor.h"

#include <QColor>
#include <QPalette>

#include <optional>

namespace fprn::colors {

// A system colour takes its palette role (active group); any other value is 0x00BBGGRR.
QColor ToQColor(TColor color, const QPalette& palette);
// The palette role a system colour stands for; nothing for a plain RGB value or an unknown index.
std::optional<QPalette::ColorRole> SystemColorRole(TColor color);

} // namespace fprn::colors
