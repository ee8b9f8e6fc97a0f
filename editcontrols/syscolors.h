#pragma once
// The one place where the system colours of the edit library become palette colours.
#include "editstyle.h"

#include <QColor>
#include <QPalette>

namespace fprn::editcontrols {

// A system colour takes its palette role (active group); any other value is 0x00BBGGRR.
QColor ToQColor(TColor color, const QPalette& palette);
// The palette role a system colour stands for; nothing for a plain RGB value or an unknown index.
std::optional<QPalette::ColorRole> SystemColorRole(TColor color);

} // namespace fprn::editcontrols
