#include "dockframe.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <limits>

namespace fprn::toolbars {

int MulDiv(int a, int b, int c) {
    if (c == 0) return -1;
    const std::int64_t p = static_cast<std::int64_t>(a) * b;
    std::int64_t q = p / c;
    const std::int64_t r = p % c;
    if (2 * std::llabs(r) >= std::llabs(static_cast<std::int64_t>(c)))
        q += ((p < 0) != (c < 0)) ? -1 : 1;
    if (q < std::numeric_limits<int>::min() || q > std::numeric_limits<int>::max()) return -1;
    return static_cast<int>(q);
}

QRect CaptionRect(int clientWidth, const TFrameMetrics& m, bool adjusted, bool excludeClose) {
    const int h = m.SmallCaption - 1;
    QRect r(0, 0, clientWidth, h);
    if (excludeClose) r.setWidth(std::max(0, r.width() - h));
    if (adjusted) r.translate(m.Frame.width(), m.Frame.height());
    return r;
}

QRect FloatingCloseButtonRect(int clientWidth, const TFrameMetrics& m) {
    const QRect c = CaptionRect(clientWidth, m, true, false);
    const int right = c.x() + c.width();
    const int left = right - m.SmallCaption + 1;
    return {left, c.y(), right - left, c.height()};
}

QRect DockedCloseButtonRect(int clientWidth, bool vertical, const TDragHandleInfo& handle) {
    const int s = handle.Size - 3;
    return vertical ? QRect(clientWidth - s + 2, 3, s, s) : QRect(3, 2, s, s);
}

namespace {

QRect ClientRectOf(QSize window, const TInsets& in) {
    return {in.Left, in.Top, window.width() - in.Width(), window.height() - in.Height()};
}

TInsets DockedInsets(const TDockedFrame& f) {
    return DockedNCInsets(f.Vertical, f.AllowDrag, f.Handle);
}

TInsets FloatingInsets(const TFloatingFrame& f) {
    return FloatingNCInsets(f.Metrics.Frame, f.Metrics.SmallCaption, f.ShowCaption);
}

// The part of `outer` outside `inner` as up to four rectangles.
void AddRing(TFillList& out, const QRect& outer, const QRect& inner, TColor color, TFillKind kind) {
    const QRect in = inner.intersected(outer);
    if (in.isEmpty()) {
        if (!outer.isEmpty()) out.push_back({outer, color, kind});
        return;
    }
    auto add = [&](QRect r) {
        if (!r.isEmpty()) out.push_back({r, color, kind});
    };
    add(QRect(outer.x(), outer.y(), outer.width(), in.y() - outer.y()));
    add(QRect(outer.x(), in.y() + in.height(), outer.width(),
              outer.y() + outer.height() - (in.y() + in.height())));
    add(QRect(outer.x(), in.y(), in.x() - outer.x(), in.height()));
    add(QRect(in.x() + in.width(), in.y(), outer.x() + outer.width() - (in.x() + in.width()),
              in.height()));
}

void AddRingLines(TFillList& out, const QRect& r, TColor topLeft, TColor bottomRight) {
    if (r.width() <= 0 || r.height() <= 0) return;
    const int x = r.x(), y = r.y(), w = r.width(), h = r.height();
    out.push_back({QRect(x, y, 1, h - 1), topLeft});
    out.push_back({QRect(x, y, w - 1, 1), topLeft});
    out.push_back({QRect(x + w - 1, y, 1, h), bottomRight});
    out.push_back({QRect(x, y + h - 1, w, 1), bottomRight});
    // Zero-sized lines of a one-pixel rectangle are dropped.
    std::erase_if(out, [](const TFill& f) { return f.Rect.isEmpty(); });
}

} // namespace

THitTest DockedHitTest(QPoint p, const TDockedFrame& f) {
    const TInsets in = DockedInsets(f);
    const int clientWidth = f.Window.width() - in.Width();
    if (f.CloseButtonWhenDocked && f.AllowDrag &&
        DockedCloseButtonRect(clientWidth, f.Vertical, f.Handle).contains(p))
        return htClose;
    return htClient;
}

THitTest FloatingHitTest(QPoint p, const TFloatingFrame& f) {
    const int w = f.Window.width(), h = f.Window.height();
    if (p.x() < 0 || p.y() < 0 || p.x() >= w || p.y() >= h) return htNowhere;
    const TInsets in = FloatingInsets(f);
    const QRect client = ClientRectOf(f.Window, in);
    if (client.contains(p)) return htClient;
    if (f.ShowCaption && CaptionRect(client.width(), f.Metrics, true, false).contains(p)) {
        if (f.CloseButton && FloatingCloseButtonRect(client.width(), f.Metrics).contains(p))
            return htClose;
        return htClient;
    }
    const int fx = f.Metrics.Frame.width(), fy = f.Metrics.Frame.height();
    if (p.y() < fy) return htTop;
    if (p.y() >= h - fy - 1) return htBottom;
    if (p.x() < fx) return htLeft;
    if (p.x() >= w - fx - 1) return htRight;
    return htNowhere;
}

void AddEdgeFills(TFillList& out, const QRect& r, unsigned edge, unsigned flags) {
    using namespace colors;
    const bool soft = flags & BF_SOFT;
    QRect ring = r;
    if (edge & (BDR_RAISEDOUTER | BDR_SUNKENOUTER)) {
        if (edge & BDR_RAISEDOUTER)
            AddRingLines(out, ring, soft ? clBtnHighlight : cl3DLight, cl3DDkShadow);
        else
            AddRingLines(out, ring, soft ? cl3DDkShadow : clBtnShadow, clBtnHighlight);
        ring = ring.adjusted(1, 1, -1, -1);
    }
    if (edge & (BDR_RAISEDINNER | BDR_SUNKENINNER)) {
        // Alone, an inner edge takes the outer place with its own colours.
        if (edge & BDR_RAISEDINNER)
            AddRingLines(out, ring, soft ? cl3DLight : clBtnHighlight, clBtnShadow);
        else
            AddRingLines(out, ring, soft ? clBtnShadow : cl3DDkShadow, cl3DLight);
        ring = ring.adjusted(1, 1, -1, -1);
    }
    if ((flags & BF_MIDDLE) && ring.width() > 0 && ring.height() > 0)
        out.push_back({ring, clBtnFace});
}

void AddFrameFills(TFillList& out, const QRect& r, TColor color, TFillKind kind) {
    AddRing(out, r, r.adjusted(1, 1, -1, -1), color, kind);
}

void AddCloseButtonFills(TFillList& out, const QRect& r, bool pushed) {
    AddEdgeFills(out, r, pushed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_MIDDLE | BF_SOFT);
    const int n = std::min(r.width(), r.height()) - 6;
    if (n < 2) return;
    const int shift = pushed ? 1 : 0;
    const int x0 = r.x() + (r.width() - (n + 1)) / 2 + shift;
    const int y0 = r.y() + (r.height() - n) / 2 + shift;
    for (int i = 0; i < n; ++i) {
        out.push_back({QRect(x0 + i, y0 + i, 2, 1), colors::clBtnText});
        out.push_back({QRect(x0 + n - 1 - i, y0 + i, 2, 1), colors::clBtnText});
    }
}

TFillList DockedFrameFills(const TDockedFrame& f) {
    TFillList out;
    const QRect r(QPoint(0, 0), f.Window);
    const TInsets in = DockedInsets(f);
    const QRect client = ClientRectOf(f.Window, in);
    if (f.Border == bsSingle)
        AddEdgeFills(out, r, BDR_RAISEDINNER, BF_RECT);
    else
        AddFrameFills(out, r, f.Color);
    const QRect inner = r.adjusted(1, 1, -1, -1);
    if (f.Background)
        AddRing(out, inner, client, f.Color, fkBackground);
    else
        AddFrameFills(out, inner, f.Color);
    if (!f.AllowDrag) return out;

    const int cw = client.width(), ch = client.height();
    const int l = f.Vertical ? cw + 2 : ch + 2;
    const int hs = f.Handle.Size;
    if (!f.Background) {
        const QRect handle = f.Vertical ? QRect(2, 2, l - 2, hs) : QRect(2, 2, hs, l - 2);
        if (!handle.isEmpty()) out.push_back({handle, f.Color});
    }
    if (f.Style != dhNone) {
        int p = f.Handle.GripOffset + 2;
        for (int g = 0; g < f.Handle.Grips; ++g, p += 3) {
            if (f.Vertical) {
                const int end = f.CloseButtonWhenDocked ? cw - hs + 4 : l;
                AddEdgeFills(out, QRect(2, p, end - 2, 3), BDR_RAISEDINNER, BF_RECT | BF_MIDDLE);
                out.push_back({QRect(l - 1, p, 1, 1), colors::clBtnHighlight});
            } else {
                const int start = f.CloseButtonWhenDocked ? hs : 2;
                AddEdgeFills(out, QRect(p, start, 3, l - start), BDR_RAISEDINNER,
                             BF_RECT | BF_MIDDLE);
                out.push_back({QRect(p, l - 1, 1, 1), colors::clBtnHighlight});
            }
        }
    }
    if (f.CloseButtonWhenDocked)
        AddCloseButtonFills(out, DockedCloseButtonRect(cw, f.Vertical, f.Handle), f.ClosePressed);
    return out;
}

QString FitCaption(const QString& text, int width, const TTextWidth& measure) {
    if (measure(text) <= width) return text;
    QString s = text + QStringLiteral("...");
    while (measure(s) > width && s.size() > 4) s.remove(s.size() - 4, 1);
    return s;
}

TFramePlan FloatingFramePlan(const TFloatingFrame& f, std::uint8_t parts, const QString& caption,
                             const TTextWidth& measure) {
    TFramePlan plan;
    const QRect r(QPoint(0, 0), f.Window);
    const QRect client = ClientRectOf(f.Window, FloatingInsets(f));
    if (parts & fpFrame) {
        AddEdgeFills(plan.Fills, r, EDGE_RAISED, BF_RECT);
        AddRing(plan.Fills, r.adjusted(2, 2, -2, -2), client, colors::clBtnFace, fkColor);
    }
    if (!f.ShowCaption) return plan;
    const int cw = client.width();
    const QRect full = CaptionRect(cw, f.Metrics, true, false);
    const QRect close = FloatingCloseButtonRect(cw, f.Metrics);
    const TColor captionColor =
        f.InactiveCaption ? colors::clInactiveCaption : colors::clActiveCaption;
    if (parts & fpCaption) {
        const QRect cap = CaptionRect(cw, f.Metrics, true, f.CloseButton);
        if (!cap.isEmpty()) plan.Fills.push_back({cap, captionColor});
        const QRect area = cap.adjusted(1, 0, -1, 0);
        const QString text = FitCaption(caption, std::max(0, area.width()), measure);
        if (!text.isEmpty() && area.width() > 0) {
            plan.HasText = true;
            plan.TextRect = area;
            plan.Text = text;
            plan.TextColor =
                f.InactiveCaption ? colors::clInactiveCaptionText : colors::clCaptionText;
        }
        plan.Fills.push_back(
            {QRect(full.x(), full.y() + full.height(), full.width(), 1), colors::clBtnFace});
        if (f.CloseButton) AddFrameFills(plan.Fills, close, captionColor);
    }
    if (f.CloseButton && (parts & fpCloseButton))
        AddCloseButtonFills(plan.Fills, close.adjusted(1, 1, -1, -1), f.ClosePressed);
    return plan;
}

QRect FloatingPartRect(const TFloatingFrame& f, TFrameParts part) {
    const QRect client = ClientRectOf(f.Window, FloatingInsets(f));
    switch (part) {
    case fpCaption: {
        if (!f.ShowCaption) return {};
        const QRect full = CaptionRect(client.width(), f.Metrics, true, false);
        return full.adjusted(0, 0, 0, 1);
    }
    case fpCloseButton:
        if (!f.ShowCaption || !f.CloseButton) return {};
        return FloatingCloseButtonRect(client.width(), f.Metrics);
    default:
        return QRect(QPoint(0, 0), f.Window);
    }
}

} // namespace fprn::toolbars
