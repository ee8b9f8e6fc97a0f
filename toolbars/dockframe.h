#pragma once
// The frame of a tool window without widgets: the rectangles of the caption and the close buttons,
// what a point of the frame means (client, close, a sizing edge), and both frames as lists of
// filled rectangles in colour order, so the widgets only paint what these answer.
#include "dockmodel.h"
#include "tcolor.h"

#include <QRect>
#include <QSize>
#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

namespace fprn::toolbars {

using colors::TColor;

enum TBorderStyle : std::uint8_t { bsNone, bsSingle };

// a * b / c rounded to the nearest integer (halves away from zero) through a 64-bit product;
// -1 for a zero divisor or a result that does not fit 32 bits.
int MulDiv(int a, int b, int c);

// The floating frame: sizing-frame width and height and the small caption height.
struct TFrameMetrics {
    QSize Frame{4, 4};
    int SmallCaption = 15;
};

// Caption of a floating bar in window coordinates: the client width wide and one pixel short of
// the small caption; without the close button's square when excludeClose; at the frame's inner
// corner when adjusted.
QRect CaptionRect(int clientWidth, const TFrameMetrics& m, bool adjusted, bool excludeClose);
QRect FloatingCloseButtonRect(int clientWidth, const TFrameMetrics& m);
// The docked close button: a square of the handle size less 3.
QRect DockedCloseButtonRect(int clientWidth, bool vertical, const TDragHandleInfo& handle);

// What a point of a bar means. The sizing answers run in the order of their handles (left 0,
// right 1, top 2, top-left 3, top-right 4, bottom 5, bottom-left 6, bottom-right 7).
enum THitTest : std::uint8_t {
    htNowhere,
    htClient,
    htClose,
    htLeft,
    htRight,
    htTop,
    htTopLeft,
    htTopRight,
    htBottom,
    htBottomLeft,
    htBottomRight
};
inline constexpr bool IsSizingHit(THitTest h) {
    return h >= htLeft;
}
inline constexpr int SizingHandleOf(THitTest h) {
    return h - htLeft;
}

struct TDockedFrame {
    QSize Window;
    bool Vertical = false;
    bool AllowDrag = true;
    TDragHandleInfo Handle;
    TDragHandleStyle Style = dhDouble;
    bool CloseButtonWhenDocked = false;
    bool ClosePressed = false;
    TBorderStyle Border = bsSingle;
    TColor Color = colors::clBtnFace;
    bool Background = false; // the dock's background runs on under the band
};

struct TFloatingFrame {
    QSize Window;
    TFrameMetrics Metrics;
    bool ShowCaption = true;
    bool CloseButton = true;
    bool ClosePressed = false;
    bool InactiveCaption = false;
};

// Docked: the whole frame starts drags, but the close button when there is one.
THitTest DockedHitTest(QPoint p, const TDockedFrame& f);
// Floating: client and caption start moves, the close button closes, the four edges size (no
// corners), the rest is nowhere.
THitTest FloatingHitTest(QPoint p, const TFloatingFrame& f);

// One filled rectangle; background fills show the dock's tiled background instead of a colour.
enum TFillKind : std::uint8_t { fkColor, fkBackground };
struct TFill {
    QRect Rect;
    TColor Color = colors::clBtnFace;
    TFillKind Kind = fkColor;
    bool operator==(const TFill&) const = default;
};
using TFillList = std::vector<TFill>;

// Edge styles and flags of the platform's edge drawing.
enum : unsigned {
    BDR_RAISEDOUTER = 0x1,
    BDR_SUNKENOUTER = 0x2,
    BDR_RAISEDINNER = 0x4,
    BDR_SUNKENINNER = 0x8,
    EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER,
    EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER,
    BF_RECT = 0xF,
    BF_MIDDLE = 0x800,
    BF_SOFT = 0x1000
};
// An edge of one or two rings around r: per ring the top and left lines stop one pixel short, the
// bottom and right lines run the full length over them; BF_MIDDLE fills the inside with the face.
void AddEdgeFills(TFillList& out, const QRect& r, unsigned edge, unsigned flags);
// A one-pixel ring.
void AddFrameFills(TFillList& out, const QRect& r, TColor color, TFillKind kind = fkColor);
// The caption close button: a soft raised (pushed: sunken) button with its cross, moved one pixel
// down and right while pushed.
void AddCloseButtonFills(TFillList& out, const QRect& r, bool pushed);

// The docked frame: border, ring, handle with its grips and the close button.
TFillList DockedFrameFills(const TDockedFrame& f);

// Width of a text in the caption font.
using TTextWidth = std::function<int(const QString&)>;

// A caption wider than its area loses characters before an appended "..." while it is too wide
// and longer than 4 characters.
QString FitCaption(const QString& text, int width, const TTextWidth& measure);

// Parts of the floating frame.
enum TFrameParts : std::uint8_t { fpFrame = 1, fpCaption = 2, fpCloseButton = 4, fpAll = 7 };

struct TFramePlan {
    TFillList Fills;
    bool HasText = false;
    QRect TextRect;
    QString Text;
    TColor TextColor = colors::clCaptionText;
};
// The floating frame's parts: raised edge and face band; the caption with its text, the face line
// under it and the caption-coloured ring of the close button; the close button.
TFramePlan FloatingFramePlan(const TFloatingFrame& f, std::uint8_t parts, const QString& caption,
                             const TTextWidth& measure);

// The region each part repaints, in window coordinates.
QRect FloatingPartRect(const TFloatingFrame& f, TFrameParts part);

} // namespace fprn::toolbars
