// Style resolution and controller propagation with plain links instead of widgets; the edit
// state behind them: StoredValues and the entry record behind Escape and Undo (the exit check
// is covered through the widgets).
#include "editstate.h"
#include "editstyle.h"

#include <gtest/gtest.h>

#include <memory>
#include <tuple>
#include <vector>

namespace fprn::editcontrols {
namespace {

// An edit as the controllers see it: it counts how often it was told to restyle.
class FakeEdit : public TEditStyleLink {
public:
    FakeEdit() : style(this) {}
    ~FakeEdit() override { ReleaseStyleController(this, controller); }

    TEditStyleController* StyleController() const override { return controller; }
    void StyleChanged() override { ++restyled; }
    void StyleControllerFreed(TStyleController* c) override {
        if (c == controller) ChangeStyleController(this, controller, nullptr);
    }
    void SetController(TEditStyleController* c) { ChangeStyleController(this, controller, c); }

    TEditStyleController* controller = nullptr;
    int restyled = 0;
    TEditStyle style;
};

// The seven values of a style or a controller, in one comparable tuple.
template <typename S> auto Values(const S& s) {
    return std::tuple(s.BorderColor(), s.BorderStyle(), s.ButtonStyle(), s.ButtonTransparence(),
                      s.Edges(), s.HotTrack(), s.Shadow());
}
const auto kDefaults =
    std::tuple(clWindowFrame, xbs3D, btsDefault, ebtNone, kAllEdges, false, false);

// Counts the restyles of `edit` during `body`.
template <typename F> int Restyles(const FakeEdit& edit, F body) {
    const int before = edit.restyled;
    body();
    return edit.restyled - before;
}

TEST(EditStyleResolution, OwnValueThenOwnControllerThenDefaultControllerThenConstant) {
    FakeEdit edit;
    EXPECT_EQ(Values(edit.style), kDefaults);
    EXPECT_TRUE(edit.style.AssignedValues().Empty());

    TEditStyleController ctrl;
    ctrl.SetEdges({edgLeft, edgRight});
    edit.SetController(&ctrl);
    EXPECT_EQ(edit.style.Edges(), (TEditEdges{edgLeft, edgRight}));
    // An own value equal to the resolved one still counts as set.
    edit.style.SetBorderStyle(xbs3D);
    EXPECT_TRUE(edit.style.AssignedValues().Contains(svBorderStyle));
    ctrl.SetBorderStyle(xbsSingle);
    ctrl.SetShadow(true);
    EXPECT_EQ(edit.style.BorderStyle(), xbs3D);
    EXPECT_TRUE(edit.style.Shadow());

    DefaultStyleController()->SetBorderColor(0x123456);
    edit.SetController(nullptr);
    EXPECT_EQ(edit.style.BorderColor(), 0x123456u);
    EXPECT_EQ(edit.style.Edges(), kAllEdges);
    DefaultStyleController()->RestoreDefaults();

    // Without any default controller the built-in constants apply.
    EndEditStyles();
    ASSERT_EQ(DefaultStyleController(), nullptr);
    {
        FakeEdit bare;
        EXPECT_EQ(bare.style.BorderStyle(), kDefaultBorderStyle);
        EXPECT_EQ(bare.style.BorderColor(), kDefaultBorderColor);
        bare.style.SetHotTrack(true);
        EXPECT_TRUE(bare.style.HotTrack());
    }
    StartEditStyles();
    ASSERT_NE(DefaultStyleController(), nullptr);
}

TEST(EditStyleResolution, AssignedValuesRestylesAndStoredValues) {
    FakeEdit edit;
    // A setter restyles unless it writes the same own value.
    EXPECT_EQ(Restyles(edit, [&] { edit.style.SetBorderColor(clBlack); }), 1);
    EXPECT_EQ(Restyles(edit, [&] { edit.style.SetBorderColor(clBlack); }), 0);
    edit.style.SetBorderStyle(xbsFlat);
    edit.style.SetShadow(true);
    edit.style.SetEdges({edgTop});
    edit.style.SetHotTrack(false);
    // Stored exactly when set.
    for (TEditStyleValue v : {svBorderColor, svBorderStyle, svButtonStyle, svButtonTransparence,
                              svEdges, svHotTrack, svShadow})
        EXPECT_EQ(edit.style.IsStored(v), v != svButtonStyle && v != svButtonTransparence) << v;
    // Removing an assigned bit follows the controller again; the same set again changes nothing.
    TEditStyleValues v = edit.style.AssignedValues();
    v.Exclude(svBorderStyle);
    EXPECT_EQ(Restyles(edit, [&] { edit.style.SetAssignedValues(v); }), 1);
    EXPECT_EQ(edit.style.BorderStyle(), xbs3D);
    EXPECT_TRUE(edit.style.Shadow());
    EXPECT_EQ(Restyles(edit, [&] { edit.style.SetAssignedValues(v); }), 0);
    // RestoreDefaults clears everything and always restyles, even with nothing set.
    edit.style.RestoreDefaults();
    EXPECT_TRUE(edit.style.AssignedValues().Empty());
    EXPECT_FALSE(edit.style.Shadow());
    EXPECT_EQ(Restyles(edit, [&] { edit.style.RestoreDefaults(); }), 1);
}

TEST(EditStyleResolution, AssignCopiesResolvedValuesAndMarksAllSeven) {
    TEditStyleController ctrl;
    ctrl.SetBorderStyle(xbsThick);
    FakeEdit source;
    source.SetController(&ctrl);
    source.style.SetShadow(true);
    FakeEdit target;
    target.style.Assign(source.style);
    EXPECT_EQ(target.style.AssignedValues().Bits(), 0x7F);
    EXPECT_EQ(target.style.BorderStyle(), xbsThick);
    EXPECT_TRUE(target.style.Shadow());
    EXPECT_EQ(target.restyled, 7);
    // Now independent of the default controller.
    DefaultStyleController()->SetBorderStyle(xbsNone);
    EXPECT_EQ(target.style.BorderStyle(), xbsThick);
    DefaultStyleController()->RestoreDefaults();
}

TEST(EditStyleController, UpdatesReachOnlyTheLinkedEdits) {
    TEditStyleController a, b;
    FakeEdit plain1, plain2, ea, eb;
    ea.SetController(&a);
    eb.SetController(&b);
    EXPECT_EQ(ea.restyled, 1) << "joining styles the edit once";
    // The default controller restyles only the edits without their own, in list order.
    std::vector<TEditStyleLink*> told;
    DefaultStyleController()->OnStyleChanged = [&](TStyleController*, TEditStyleLink* link) {
        told.push_back(link);
    };
    DefaultStyleController()->SetShadow(true);
    DefaultStyleController()->OnStyleChanged = nullptr;
    DefaultStyleController()->RestoreDefaults();
    EXPECT_EQ(told, (std::vector<TEditStyleLink*>{&plain1, &plain2}));
    EXPECT_EQ(plain1.restyled, 2);
    EXPECT_EQ(ea.restyled, 1);
    // An own controller restyles its own links, and only on a real change.
    a.SetBorderStyle(xbsSingle);
    a.SetBorderStyle(xbsSingle);
    EXPECT_EQ(ea.restyled, 2);
    EXPECT_EQ(eb.restyled, 1);
    EXPECT_EQ(plain1.restyled, 2);
    EXPECT_EQ(ea.style.BorderStyle(), xbsSingle);
    EXPECT_EQ(eb.style.BorderStyle(), xbs3D);
}

TEST(EditStyleController, UpdateLockAndLoadingTellTheLinksOnceAtTheEnd) {
    TEditStyleController ctrl;
    FakeEdit edit;
    edit.SetController(&ctrl);
    int n = edit.restyled;
    ctrl.BeginUpdate();
    ctrl.SetBorderStyle(xbsFlat);
    ctrl.SetShadow(true);
    EXPECT_EQ(edit.restyled, n);
    ctrl.EndUpdate();
    EXPECT_EQ(edit.restyled, n + 1);
    // Nested: only the outermost end propagates.
    ctrl.BeginUpdate();
    ctrl.BeginUpdate();
    ctrl.SetShadow(false);
    ctrl.EndUpdate();
    EXPECT_EQ(edit.restyled, n + 1);
    ctrl.EndUpdate();
    EXPECT_EQ(edit.restyled, n + 2);
    // An unmatched end does not silence the controller.
    ctrl.EndUpdate();
    EXPECT_EQ(ctrl.UpdateLock(), 0);
    EXPECT_EQ(Restyles(edit, [&] { ctrl.SetShadow(true); }), 1);
    // Loading: nothing until Loaded, then one notification.
    n = edit.restyled;
    ctrl.BeginLoading();
    ctrl.SetBorderStyle(xbsThick);
    ctrl.SetEdges({edgLeft});
    EXPECT_EQ(edit.restyled, n);
    ctrl.Loaded();
    EXPECT_EQ(edit.restyled, n + 1);
}

TEST(EditStyleController, AssignAndRestoreDefaults) {
    TEditStyleController source, target;
    source.SetBorderColor(0x00FF00);
    source.SetBorderStyle(xbsNone);
    source.SetButtonStyle(btsHotFlat);
    source.SetButtonTransparence(ebtAlways);
    source.SetEdges({edgBottom});
    source.SetHotTrack(true);
    source.SetShadow(true);
    FakeEdit edit;
    edit.SetController(&target);
    EXPECT_EQ(Restyles(edit, [&] { target.Assign(source); }), 1);
    EXPECT_EQ(Values(target), std::tuple(0x00FF00u, xbsNone, btsHotFlat, ebtAlways,
                                         TEditEdges{edgBottom}, true, true));
    EXPECT_EQ(Restyles(edit, [&] { target.Assign(target); }), 1) << "from itself still tells";
    EXPECT_EQ(Restyles(edit, [&] { target.RestoreDefaults(); }), 1);
    EXPECT_EQ(Values(target), kDefaults);
    // From another class: fails and changes nothing.
    target.SetShadow(true);
    TStyleController other;
    EXPECT_THROW(target.Assign(other), EConvertError);
    EXPECT_TRUE(target.Shadow());
    // A throwing handler leaves the controller unlocked and usable.
    target.OnStyleChanged = [](TStyleController*, TEditStyleLink*) {
        throw std::runtime_error("handler");
    };
    EXPECT_THROW(target.Assign(source), std::runtime_error);
    EXPECT_THROW(target.RestoreDefaults(), std::runtime_error);
    EXPECT_EQ(target.UpdateLock(), 0);
    target.OnStyleChanged = nullptr;
    EXPECT_EQ(Restyles(edit, [&] { target.SetHotTrack(true); }), 1);
}

TEST(EditStyleController, LinksComeAndGo) {
    // Freeing the controller sends its edits back to the default.
    FakeEdit edit;
    auto ctrl = std::make_unique<TEditStyleController>();
    ctrl->SetBorderStyle(xbsSingle);
    edit.SetController(ctrl.get());
    EXPECT_EQ(edit.style.BorderStyle(), xbsSingle);
    EXPECT_EQ(Restyles(edit, [&] { ctrl.reset(); }), 1);
    EXPECT_EQ(edit.controller, nullptr);
    EXPECT_EQ(edit.style.BorderStyle(), xbs3D);

    // Edits leave their controllers when destroyed; telling the links then reaches nobody (a
    // dangling link would crash under the sanitizer).
    TEditStyleController own;
    const size_t defaultLinks = DefaultStyleController()->Links().size();
    {
        FakeEdit gone;
        gone.SetController(&own);
        EXPECT_EQ(own.Links().size(), 1u);
        EXPECT_EQ(DefaultStyleController()->Links().size(), defaultLinks + 1);
    }
    EXPECT_TRUE(own.Links().empty());
    EXPECT_EQ(DefaultStyleController()->Links().size(), defaultLinks);
    own.SetShadow(true);

    // RemoveLink drops the first occurrence only.
    TStyleController plain;
    plain.AddLink(&edit);
    plain.AddLink(&edit);
    plain.RemoveLink(&edit);
    EXPECT_EQ(plain.Links().size(), 1u);
    plain.RemoveLink(&edit);
    plain.RemoveLink(&edit);
    EXPECT_TRUE(plain.Links().empty());

    // An edit leaving while the links are told is skipped.
    auto first = std::make_unique<FakeEdit>();
    auto second = std::make_unique<FakeEdit>();
    first->SetController(&own);
    second->SetController(&own);
    int told = 0;
    own.OnStyleChanged = [&](TStyleController*, TEditStyleLink* link) {
        ++told;
        if (link == first.get()) second.reset();
    };
    own.SetHotTrack(true);
    EXPECT_EQ(told, 1);
}

TEST(EditState, StoredValuesStreamOnlyTheLowByte) {
    EXPECT_EQ(StoredValuesToStream(0), std::nullopt);
    EXPECT_EQ(StoredValuesToStream(kStoredMaxLength | kStoredMaxValue), 18);
    // DisplayFormat alone still writes an entry, holding 0.
    EXPECT_EQ(StoredValuesToStream(kStoredDisplayFormat), 0);
    EXPECT_EQ(StoredValuesToStream(kStoredDisplayFormat | kStoredReadOnly), 0x40);
    // Reading replaces the low byte (the setters read before the entry set Alignment) and
    // keeps the high bits.
    EXPECT_EQ(StoredValuesFromStream(kStoredAlignment | kStoredDisplayFormat, 18),
              kStoredDisplayFormat | kStoredMaxLength | kStoredMaxValue);
    EXPECT_EQ(StoredValuesFromStream(kStoredDisplayFormat, 0), kStoredDisplayFormat);
    EXPECT_EQ(StoredValuesFromStream(0, 0x1FF), 0xFF);
}

TEST(EditState, ActivationRecordAndUndo) {
    // Escape in the widget tests covers the record and Undo of an edit with an edit window;
    // here the cases no widget reaches.
    TActivation a;
    EXPECT_TRUE(a.SetActive(true, false, "12.50"));
    EXPECT_EQ(a.UndoTarget(true, false), std::nullopt) << "no edit window, no Undo";
    EXPECT_EQ(a.UndoTarget(false, true), std::nullopt);
    EXPECT_EQ(a.UndoTarget(true, true)->Text, "12.50");
    // The same state again keeps the record; a change takes a new one.
    EXPECT_FALSE(a.SetActive(true, true, "99"));
    EXPECT_EQ(a.PreviousText(), "12.50");
    EXPECT_TRUE(a.SetActive(false, true, "99"));
    EXPECT_EQ(a.PreviousText(), "99");
    EXPECT_TRUE(a.PreviousModified());
}

} // namespace
} // namespace fprn::editcontrols
