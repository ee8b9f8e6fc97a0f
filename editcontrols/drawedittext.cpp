#include "drawedittext.h"

#include <QFontMetrics>
#include <QPainter>

namespace fprn::editcontrols {

namespace {

TRect ToTRect(const QRect& r) {
    return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}
QRect ToQRect(const TRect& r) {
    return QRect(r.Left, r.Top, r.Width(), r.Height());
}

int FormattedQtFlags(std::uint16_t flags, bool tooWide) {
    int f = Qt::TextExpandTabs;
    switch (flags & kDetHorzMask) {
    case kDetCenter:
        f |= Qt::AlignHCenter;
        break;
    case kDetRight:
        f |= Qt::AlignRight;
        break;
    default:
        f |= Qt::AlignLeft;
        break;
    }
    switch (flags & kDetVertMask) {
    case kDetVCenter:
        f |= Qt::AlignVCenter | Qt::TextSingleLine;
        break;
    case kDetBottom:
        f |= Qt::AlignBottom | Qt::TextSingleLine;
        break;
    case kDetWordWrap:
        f |= Qt::AlignTop | Qt::TextWordWrap;
        break;
    default:
        f |= Qt::AlignTop | Qt::TextSingleLine;
        break;
    }
    if ((flags & kDetPrefix) != 0) f |= Qt::TextShowMnemonic;
    if (!tooWide) f |= Qt::TextDontClip;
    return f;
}

QString Elided(const QString& s, const QFontMetrics& fm, std::uint16_t flags, int width) {
    if ((flags & kDetWordWrap) != 0) return s;
    if ((flags & kDetEndEllipsis) != 0) return fm.elidedText(s, Qt::ElideRight, width);
    if ((flags & kDetPathEllipsis) != 0) return fm.elidedText(s, Qt::ElideMiddle, width);
    return s;
}

} // namespace

int DrawEditText(QPainter* painter, const QString& text, int charCount, const QRect& clipRect,
                 const QRect& textRect, std::uint16_t flags, const QBrush& brush, const QFont& font,
                 const QColor& background, const QColor& textColor, int* heightOut) {
    const QString s = charCount < 0 ? text : text.left(charCount);
    const bool measureOnly = (flags & kDetMeasureOnly) != 0;
    const bool transparent = (flags & kDetTransparent) != 0;
    if (!measureOnly && painter == nullptr) return 0;

    const QFontMetrics fm(font);
    const int w = fm.horizontalAdvance(s);
    const int h = s.isEmpty() ? 0 : fm.height();
    if (measureOnly && heightOut != nullptr) {
        *heightOut = h;
        if (h == 0) return 0;
    }
    const bool lineBreak = s.contains(QChar('\r')) || s.contains(QChar('\n'));
    const TRect clip = ToTRect(clipRect);
    const TRect tr = ToTRect(textRect);
    const TTextPath path = ChooseTextPath(w, lineBreak, tr, flags);

    if (painter != nullptr) {
        painter->save();
        painter->setFont(font);
        painter->setPen(textColor);
    }
    TRect p = tr;
    int needed = h;
    if (!path.Formatted) {
        TRect k = clip;
        if (path.TooWide) {
            if (!transparent && !measureOnly)
                painter->fillRect(ToQRect({tr.Right, k.Top, k.Right, k.Bottom}), brush);
            k.Right = tr.Right;
        }
        p = PlaceTextLine(tr, w, h, flags, path.TooWide);
        if (!measureOnly) {
            painter->save();
            painter->setClipRect(ToQRect(k), Qt::IntersectClip);
            if (!transparent) painter->fillRect(ToQRect(k), background);
            painter->drawText(QPoint(p.Left, p.Top + fm.ascent()), s);
            painter->restore();
        }
    } else {
        const int qtFlags = FormattedQtFlags(flags, path.TooWide);
        const QString shown = Elided(s, fm, flags, tr.Width());
        const QRect bound = fm.boundingRect(textRect, qtFlags, shown);
        if (measureOnly) {
            needed = bound.height();
        } else {
            if (!transparent) painter->fillRect(clipRect, brush);
            painter->save();
            if (path.TooWide) painter->setClipRect(textRect, Qt::IntersectClip);
            painter->drawText(textRect, qtFlags, shown);
            painter->restore();
            if ((flags & kDetFocusRect) != 0 && (flags & kDetFocusTextOnly) != 0)
                p = ToTRect(bound);
        }
    }

    int result = 0;
    if (measureOnly) {
        result = MeasuredEditTextHeight(needed, clip, tr);
    } else if ((flags & kDetFocusRect) != 0) {
        if ((flags & kDetFocusTextOnly) == 0) p = tr;
        if (!s.isEmpty() || (flags & kDetFocusTextOnly) == 0) {
            p = {p.Left - 1, p.Top - 1, p.Right + 1, p.Bottom + 1};
            // A dotted frame that inverts what lies under it, as a focus frame does.
            painter->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
            QPen pen(Qt::white);
            pen.setStyle(Qt::DotLine);
            painter->setPen(pen);
            painter->setBrush(Qt::NoBrush);
            painter->drawRect(QRect(p.Left, p.Top, p.Width() - 1, p.Height() - 1));
        }
    }
    if (painter != nullptr) painter->restore();
    return result;
}

void PaintEditShadow(QPainter& painter, const QRect& rect, int width, const QBrush& brush) {
    for (const TRect& strip : EditShadowStrips(ToTRect(rect), width))
        painter.fillRect(ToQRect(strip), brush);
}

} // namespace fprn::editcontrols
