#include "buttonmodel.h"

namespace fprn::toolbars {

bool TButtonModel::PointInMainPart(int x, int y) const {
    const int arrow = DropdownCombo && UsesDropdown ? DropdownArrowWidth + 2 : 0;
    return x >= 0 && x < Width - arrow && y >= 0 && y < Height;
}

void TButtonModel::BeginHot(TButtonEffects& e) {
    if (!Enabled || MouseInControl) return;
    MouseInControl = true;
    if (State == bsUp) State = bsHot;
    if (Flat || NumGlyphs == 5) e.push_back(beRepaint);
    e.push_back(beMouseEnter);
}

void TButtonModel::EndHot(TButtonEffects& e) {
    if (!Enabled || !MouseInControl || MouseIsDown) return;
    MouseInControl = false;
    e.push_back(beStopHotTracking);
    const TButtonState old = State;
    if (State == bsHot || (State == bsPressed && !InClick)) State = RestingState();
    if (Flat || NumGlyphs == 5 || (State != old && old != bsHot)) e.push_back(beRepaint);
    e.push_back(beMouseExit);
}

void TButtonModel::MouseDown(TMouseButton button, int x, int, TButtonEffects& e) {
    if (!Enabled) {
        e.push_back(beMouseDown);
        return;
    }
    BeginHot(e);
    const bool left = button == mbLeft;
    if (left) {
        MenuIsDown = UsesDropdown && !(DropdownCombo && x < Width - DropdownArrowWidth - 2);
        if (!Down) {
            State = bsPressed;
            e.push_back(beRepaint);
        } else if (AllowAllUp) {
            e.push_back(beRepaint);
        }
        if (!MenuIsDown) MouseIsDown = true;
    }
    e.push_back(beMouseDown);
    if (!left) return;
    if (MenuIsDown) {
        e.push_back(beClick);
    } else if (Repeating) {
        e.push_back(beClick);
        Repeat = rtEnabled;
        RepeatTimerInterval = RepeatDelay;
    }
}

void TButtonModel::MouseMove(int x, int y, TButtonEffects& e) {
    e.push_back(beMouseMove);
    e.push_back(beHotTrack);
    if (!MouseIsDown) return;
    const bool inside = PointInMainPart(x, y);
    if (inside && Repeat != rtNone) Repeat = rtEnabled;
    const TButtonState next = Down ? bsDown : inside ? bsPressed : bsUp;
    if (next != State) {
        State = next;
        e.push_back(beRepaint);
    }
}

void TButtonModel::MouseUp(TMouseButton button, int x, int y, TButtonEffects& e) {
    Repeat = rtNone;
    if (button == mbRight && Enabled) {
        MouseIsDown = false;
        EndHot(e);
    }
    e.push_back(beMouseUp);
    if (button == mbLeft && MouseIsDown) {
        MouseIsDown = false;
        if (PointInMainPart(x, y) && !Repeating)
            e.push_back(beClick);
        else
            EndHot(e);
    }
}

void TButtonModel::RepeatTick(bool hasCapture, int x, int y, TButtonEffects& e) {
    RepeatTimerInterval = RepeatInterval;
    if (Repeating && MouseIsDown && hasCapture && PointInMainPart(x, y))
        e.push_back(beClick);
    else if (Repeat != rtNone)
        Repeat = rtDisabled;
}

bool TButtonModel::Click(TButtonEffects& e) {
    if (Repeating && !MenuIsDown) {
        e.push_back(beInheritedClick);
        return false;
    }
    InClick = true;
    if (GroupIndex != 0 && !MenuIsDown) SetDown(!Down, e);
    const bool dropdown = UsesDropdown && (!DropdownCombo || MenuIsDown);
    if (State == bsUp || State == bsHot) {
        State = bsPressed;
        e.push_back(beRepaint);
    }
    EndHot(e);
    if (dropdown) {
        if (!DropdownCombo) e.push_back(beInheritedClick);
        e.push_back(beReleaseCapture);
        e.push_back(beDropdown);
    } else {
        e.push_back(beModalResult);
        e.push_back(beInheritedClick);
    }
    return true;
}

void TButtonModel::ClickEnd(bool destroying, TButtonEffects& e) {
    InClick = false;
    if (State == bsPressed) State = bsUp;
    if (destroying) return;
    e.push_back(beRepaint);
    EndHot(e);
}

void TButtonModel::SetDown(bool value, TButtonEffects& e) {
    if (GroupIndex == 0) value = false;
    if (value == Down || (Down && !AllowAllUp)) return;
    Down = value;
    State = !Enabled ? bsDisabled : Down ? bsDown : bsUp;
    e.push_back(beRepaint);
    if (Down) e.push_back(beSyncGroup);
}

void TButtonModel::ReleaseFromGroup(TButtonEffects& e) {
    if (!Down) return;
    Down = false;
    State = Enabled ? bsUp : bsDisabled;
    e.push_back(beRepaint);
}

void TButtonModel::EnabledChanged(TButtonEffects& e) {
    if (!Enabled) {
        State = bsDisabled;
        MouseInControl = false;
        MouseIsDown = false;
        e.push_back(beStopHotTracking);
        e.push_back(beCancelMode);
    } else if (State == bsDisabled) {
        State = RestingState();
    }
    e.push_back(beRepaint);
}

void TButtonModel::CancelMode(TButtonEffects& e) {
    Repeat = rtNone;
    if (MouseIsDown) {
        MouseIsDown = false;
        EndHot(e);
    }
}

TButtonPaintPlan ButtonPaintPlan(const TButtonModel& m, const TButtonLook& look) {
    TButtonPaintPlan plan;
    plan.FillBackground = look.Opaque || !m.Flat;
    const bool pushed = m.State == bsPressed || m.State == bsDown;
    const bool combo = m.DropdownCombo && m.UsesDropdown;
    const bool drawDown = m.State == bsDown || (m.State == bsPressed && !(combo && m.MenuIsDown));
    const bool drawBorder =
        !look.NoBorder && (!m.Flat || pushed || (m.MouseInControl && m.State != bsDisabled));
    auto edge = [&](bool down) -> unsigned {
        if (m.Flat) return down ? BDR_SUNKENOUTER : BDR_RAISEDINNER;
        return down ? EDGE_SUNKEN : EDGE_RAISED;
    };
    const unsigned flags = m.Flat ? BF_RECT : BF_RECT | BF_MIDDLE | BF_SOFT;
    QRect r(0, 0, m.Width, m.Height);
    const int arrowX = m.Width - m.DropdownArrowWidth - 2;
    if (combo) {
        if (drawBorder)
            plan.Edges.push_back({QRect(arrowX, 0, m.DropdownArrowWidth, m.Height),
                                  edge(pushed && m.MenuIsDown), flags});
        r.setWidth(r.width() - (m.DropdownArrowWidth + 2));
    }
    if (drawBorder) plan.Edges.push_back({r, edge(drawDown), flags});
    if (!look.NoBorder) {
        const int d = m.Flat ? 1 : 2;
        r.adjust(d, d, -d, -d);
    }
    if (drawDown) {
        if (m.State == bsDown && (!m.Flat || !m.MouseInControl) && !m.MenuIsDown &&
            look.HighlightWhenDown) {
            plan.Pattern = true;
            plan.PatternRect = r;
        }
        plan.Offset = {1, 1};
    }
    plan.Content = r;
    plan.ShowArrow = look.DropdownArrow && !m.DropdownCombo && m.UsesDropdown;
    if (combo) {
        plan.ComboArrow = true;
        plan.ComboArrowAt = {arrowX, m.Height / 2 - 1};
    }
    return plan;
}

} // namespace fprn::toolbars
