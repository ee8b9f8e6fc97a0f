#pragma once
// The toolbar button without widgets: its state and flags, what the pointer, clicks, the repeat
// timer, Down and Enabled do to them, answered as the effects the widget has to carry out in
// order (repaints, events, clicks, the menu), and the plan of its painting.
#include "dockframe.h"
#include "glyphimage.h"

#include <QPoint>
#include <QRect>

#include <cstdint>
#include <vector>

namespace fprn::toolbars {

enum TMouseButton : std::uint8_t { mbLeft, mbRight, mbMiddle };

enum TButtonEffect : std::uint8_t {
    beRepaint,
    beMouseEnter,      // OnMouseEnter
    beMouseExit,       // OnMouseExit
    beStopHotTracking, // no longer the hot button: the hover timer stops
    beMouseDown,       // the toolkit's mouse-down (OnMouseDown)
    beMouseMove,       // OnMouseMove
    beHotTrack,        // the pointer-entry check against the hot button
    beMouseUp,         // OnMouseUp
    beClick,           // the button's click
    beInheritedClick,  // OnClick or the action
    beReleaseCapture,
    beDropdown, // OnDropdown and the menu
    beModalResult,
    beSyncGroup,  // the other buttons of the group give way
    beCancelMode, // cancel mode sent to the button itself
};
using TButtonEffects = std::vector<TButtonEffect>;

// The repeat timer: absent, running, or kept but stopped.
enum TRepeatTimer : std::uint8_t { rtNone, rtEnabled, rtDisabled };

class TButtonModel {
public:
    // State and flags.
    TButtonState State = bsUp;
    bool Down = false;
    bool InClick = false;
    bool MouseInControl = false;
    bool MouseIsDown = false; // a left press is being tracked
    bool MenuIsDown = false;  // the press opened or will open the drop-down
    TRepeatTimer Repeat = rtNone;
    int RepeatTimerInterval = 0;

    // Properties the rules read.
    bool Enabled = true;
    bool Flat = true;
    bool AllowAllUp = false;
    bool Repeating = false;
    bool DropdownCombo = false;
    bool UsesDropdown = false; // DropdownAlways or a menu
    int NumGlyphs = 1;
    int GroupIndex = 0;
    int DropdownArrowWidth = 9;
    int RepeatDelay = 400;
    int RepeatInterval = 100;
    int Width = 23;
    int Height = 22;

    // Left of the combo arrow part (when there is one) and inside the height.
    bool PointInMainPart(int x, int y) const;

    void BeginHot(TButtonEffects& e);
    void EndHot(TButtonEffects& e);
    void MouseDown(TMouseButton button, int x, int y, TButtonEffects& e);
    // Ends a press: MenuIsDown is cleared, also after a failure.
    void MouseDownDone() { MenuIsDown = false; }
    void MouseMove(int x, int y, TButtonEffects& e);
    void MouseUp(TMouseButton button, int x, int y, TButtonEffects& e);
    void RepeatTick(bool hasCapture, int x, int y, TButtonEffects& e);
    // The click up to its handlers; answers whether ClickEnd has to follow them.
    bool Click(TButtonEffects& e);
    void ClickEnd(bool destroying, TButtonEffects& e);
    void SetDown(bool value, TButtonEffects& e);
    // Another button of the group went down.
    void ReleaseFromGroup(TButtonEffects& e);
    // After Enabled changed.
    void EnabledChanged(TButtonEffects& e);
    void CancelMode(TButtonEffects& e);

private:
    TButtonState RestingState() const { return Down && GroupIndex != 0 ? bsDown : bsUp; }
};

struct TEdgePaint {
    QRect Rect;
    unsigned Edge = 0;
    unsigned Flags = 0;
    bool operator==(const TEdgePaint&) const = default;
};

struct TButtonLook {
    bool Opaque = true;
    bool NoBorder = false;
    bool HighlightWhenDown = true;
    bool DropdownArrow = true;
};

struct TButtonPaintPlan {
    bool FillBackground = false; // opaque or not flat: the colour first
    std::vector<TEdgePaint> Edges;
    bool Pattern = false; // the down pattern over PatternRect
    QRect PatternRect;
    QRect Content;
    QPoint Offset;
    bool ShowArrow = false; // drawn with the content
    bool ComboArrow = false;
    QPoint ComboArrowAt;
};

TButtonPaintPlan ButtonPaintPlan(const TButtonModel& m, const TButtonLook& look);

} // namespace fprn::toolbars
