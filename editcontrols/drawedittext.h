#pragma once
// The text painter of the edits' content (the text edit draws its inactive text with it).
#include "textplace.h"

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>

class QPainter;

namespace fprn::editcontrols {

// Draws (or, with kDetMeasureOnly, measures) `charCount` characters of `text` (all when
// negative) in `textRect`, clipped to `clipRect`, with the kDet* flags. Measuring stores the
// one-line height in `heightOut` and returns the needed height plus the clip rectangle's extra;
// drawing returns 0. The painter's state is restored on return; it may be null when measuring.
int DrawEditText(QPainter* painter, const QString& text, int charCount, const QRect& clipRect,
                 const QRect& textRect, std::uint16_t flags, const QBrush& brush, const QFont& font,
                 const QColor& background, const QColor& textColor, int* heightOut = nullptr);

// Fills the two strips of an edit's drop shadow within `rect`.
void PaintEditShadow(QPainter& painter, const QRect& rect, int width, const QBrush& brush);

} // namespace fprn::editcontrols
