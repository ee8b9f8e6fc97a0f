// Style resolution and controller propagation, with plain links instead of widgets.
#include "editstyle.h"

#include <gtest/gtest.h>

#include <memory>
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

TEST(EditStyleResolution, NewEditWithoutControllerUsesDefaultValues) {
    FakeEdit edit;
    EXPECT_EQ(edit.style.BorderStyle(), xbs3D);
    EXPECT_EQ(edit.style.Edges(), kAllEdges);
    EXPECT_EQ(edit.style.BorderColor(), clWindowFrame);
    EXPECT_FALSE(edit.style.Shadow());
    EXPECT_FALSE(edit.style.HotTrack());
    EXPECT_EQ(edit.style.ButtonStyle(), btsDefault);
    EXPECT_EQ(edit.style.ButtonTransparence(), ebtNone);
    EXPECT_TRUE(edit.style.AssignedValues().Empty());
}

TEST(EditStyleResolution, OwnValueEqualToResolvedStillCountsAsSet) {
    TEditStyleController ctrl;
    FakeEdit edit;
    edit.SetController(&ctrl);
    edit.style.SetBorderStyle(xbs3D);
    EXPECT_TRUE(edit.style.AssignedValues().Contains(svBorderStyle));
    ctrl.SetBorderStyle(xbsSingle);
    EXPECT_EQ(edit.style.BorderStyle(), xbs3D);
    // Unset values still follow the controller.
    ctrl.SetShadow(true);
    EXPECT_TRUE(edit.style.Shadow());
}

TEST(EditStyleResolution, OwnControllerThenDefaultControllerThenConstant) {
    TEditStyleController ctrl;
    ctrl.SetEdges({edgLeft, edgRight});
    FakeEdit edit;
    edit.SetController(&ctrl);
    EXPECT_EQ(edit.style.Edges(), (TEditEdges{edgLeft, edgRight}));

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

TEST(EditStyleResolution, RemovingAnAssignedBitFollowsTheControllerAgain) {
    FakeEdit edit;
    edit.style.SetBorderStyle(xbsFlat);
    edit.style.SetShadow(true);
    int before = edit.restyled;
    TEditStyleValues v = edit.style.AssignedValues();
    v.Exclude(svBorderStyle);
    edit.style.SetAssignedValues(v);
    EXPECT_EQ(edit.restyled, before + 1);
    EXPECT_EQ(edit.style.BorderStyle(), xbs3D);
    EXPECT_TRUE(edit.style.Shadow());
    // The same set again changes nothing.
    edit.style.SetAssignedValues(v);
    EXPECT_EQ(edit.restyled, before + 1);

    edit.style.RestoreDefaults();
    EXPECT_TRUE(edit.style.AssignedValues().Empty());
    EXPECT_FALSE(edit.style.Shadow());
    // RestoreDefaults always restyles, even with nothing set.
    before = edit.restyled;
    edit.style.RestoreDefaults();
    EXPECT_EQ(edit.restyled, before + 1);
}

TEST(EditStyleResolution, SetterRestylesUnlessTheSameOwnValue) {
    FakeEdit edit;
    edit.style.SetBorderColor(clBlack);
    EXPECT_EQ(edit.restyled, 1);
    edit.style.SetBorderColor(clBlack);
    EXPECT_EQ(edit.restyled, 1);
    edit.style.SetBorderColor(clWhite);
    EXPECT_EQ(edit.restyled, 2);
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

TEST(EditStyleResolution, StoredExactlyWhenSet) {
    FakeEdit edit;
    edit.style.SetEdges({edgTop});
    edit.style.SetHotTrack(false);
    for (TEditStyleValue v : {svBorderColor, svBorderStyle, svButtonStyle, svButtonTransparence,
                              svEdges, svHotTrack, svShadow})
        EXPECT_EQ(edit.style.IsStored(v), v == svEdges || v == svHotTrack) << int(v);
}

TEST(EditStyleController, DefaultControllerRestylesOnlyEditsWithoutOwnController) {
    TEditStyleController own;
    FakeEdit plain1, plain2, owned;
    owned.SetController(&own);
    const int ownedBefore = owned.restyled;
    std::vector<TEditStyleLink*> told;
    DefaultStyleController()->OnStyleChanged = [&](TStyleController*, TEditStyleLink* link) {
        told.push_back(link);
    };
    DefaultStyleController()->SetShadow(true);
    DefaultStyleController()->OnStyleChanged = nullptr;
    EXPECT_EQ(plain1.restyled, 1);
    EXPECT_EQ(plain2.restyled, 1);
    EXPECT_EQ(owned.restyled, ownedBefore);
    EXPECT_EQ(told, (std::vector<TEditStyleLink*>{&plain1, &plain2}));
    DefaultStyleController()->RestoreDefaults();
}

TEST(EditStyleController, OwnControllerRestylesItsLinksOnly) {
    TEditStyleController a, b;
    FakeEdit ea, eb;
    ea.SetController(&a);
    eb.SetController(&b);
    EXPECT_EQ(ea.restyled, 1); // joining styles the edit once
    a.SetBorderStyle(xbsSingle);
    a.SetBorderStyle(xbsSingle); // unchanged: nothing
    EXPECT_EQ(ea.restyled, 2);
    EXPECT_EQ(eb.restyled, 1);
    EXPECT_EQ(eb.style.BorderStyle(), xbs3D);
    EXPECT_EQ(ea.style.BorderStyle(), xbsSingle);
}

TEST(EditStyleController, UpdateLockTellsLinksOnceAtTheEnd) {
    TEditStyleController ctrl;
    FakeEdit edit;
    edit.SetController(&ctrl);
    const int before = edit.restyled;
    ctrl.BeginUpdate();
    ctrl.SetBorderStyle(xbsFlat);
    ctrl.SetShadow(true);
    ctrl.SetHotTrack(true);
    EXPECT_EQ(edit.restyled, before);
    ctrl.EndUpdate();
    EXPECT_EQ(edit.restyled, before + 1);

    // Nested: only the outermost end propagates.
    ctrl.BeginUpdate();
    ctrl.BeginUpdate();
    ctrl.SetShadow(false);
    ctrl.EndUpdate();
    EXPECT_EQ(edit.restyled, before + 1);
    ctrl.EndUpdate();
    EXPECT_EQ(edit.restyled, before + 2);
}

TEST(EditStyleController, UnmatchedEndUpdateDoesNotSilenceTheController) {
    TEditStyleController ctrl;
    FakeEdit edit;
    edit.SetController(&ctrl);
    ctrl.EndUpdate();
    ctrl.EndUpdate();
    EXPECT_EQ(ctrl.UpdateLock(), 0);
    const int before = edit.restyled;
    ctrl.SetShadow(true);
    EXPECT_EQ(edit.restyled, before + 1);
}

TEST(EditStyleController, AssignAndRestoreDefaultsNotifyOnce) {
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
    int before = edit.restyled;
    target.Assign(source);
    EXPECT_EQ(edit.restyled, before + 1);
    EXPECT_EQ(target.BorderColor(), 0x00FF00u);
    EXPECT_EQ(target.BorderStyle(), xbsNone);
    EXPECT_EQ(target.ButtonStyle(), btsHotFlat);
    EXPECT_EQ(target.ButtonTransparence(), ebtAlways);
    EXPECT_EQ(target.Edges(), (TEditEdges{edgBottom}));
    EXPECT_TRUE(target.HotTrack());
    EXPECT_TRUE(target.Shadow());

    before = edit.restyled;
    target.RestoreDefaults();
    EXPECT_EQ(edit.restyled, before + 1);
    EXPECT_EQ(target.BorderStyle(), kDefaultBorderStyle);
    EXPECT_EQ(target.Edges(), kDefaultEdges);
    EXPECT_EQ(target.UpdateLock(), 0);
}

TEST(EditStyleController, ThrowingStyleChangedHandlerLeavesTheControllerUsable) {
    TEditStyleController source, target;
    source.SetShadow(true);
    FakeEdit edit;
    edit.SetController(&target);
    target.OnStyleChanged = [](TStyleController*, TEditStyleLink*) {
        throw std::runtime_error("handler");
    };
    EXPECT_THROW(target.Assign(source), std::runtime_error);
    EXPECT_THROW(target.RestoreDefaults(), std::runtime_error);
    EXPECT_EQ(target.UpdateLock(), 0);
    target.OnStyleChanged = nullptr;
    const int before = edit.restyled;
    target.SetHotTrack(true);
    EXPECT_EQ(edit.restyled, before + 1);
}

TEST(EditStyleController, AssignFromItselfStillTellsTheLinks) {
    TEditStyleController ctrl;
    FakeEdit edit;
    edit.SetController(&ctrl);
    const int before = edit.restyled;
    ctrl.Assign(ctrl);
    EXPECT_EQ(edit.restyled, before + 1);
}

TEST(EditStyleController, AssignFromAnotherClassFailsAndChangesNothing) {
    TEditStyleController target;
    target.SetShadow(true);
    TStyleController other;
    EXPECT_THROW(target.Assign(other), EConvertError);
    EXPECT_TRUE(target.Shadow());
    EXPECT_EQ(target.UpdateLock(), 0);
}

TEST(EditStyleController, NoPropagationWhileLoadingThenOneAtTheEnd) {
    TEditStyleController ctrl;
    FakeEdit edit;
    edit.SetController(&ctrl);
    const int before = edit.restyled;
    ctrl.BeginLoading();
    ctrl.SetBorderStyle(xbsThick);
    ctrl.SetEdges({edgLeft});
    EXPECT_EQ(edit.restyled, before);
    ctrl.Loaded();
    EXPECT_EQ(edit.restyled, before + 1);
}

TEST(EditStyleController, FreeingTheControllerSendsEditsBackToTheDefault) {
    FakeEdit edit;
    {
        auto ctrl = std::make_unique<TEditStyleController>();
        ctrl->SetBorderStyle(xbsSingle);
        edit.SetController(ctrl.get());
        EXPECT_EQ(edit.style.BorderStyle(), xbsSingle);
        const int before = edit.restyled;
        ctrl.reset();
        EXPECT_EQ(edit.controller, nullptr);
        EXPECT_EQ(edit.restyled, before + 1);
    }
    EXPECT_EQ(edit.style.BorderStyle(), xbs3D);
}

TEST(EditStyleController, EditsLeaveTheirControllersWhenDestroyed) {
    TEditStyleController ctrl;
    const size_t defaultLinks = DefaultStyleController()->Links().size();
    {
        FakeEdit edit;
        edit.SetController(&ctrl);
        EXPECT_EQ(ctrl.Links().size(), 1u);
        EXPECT_EQ(DefaultStyleController()->Links().size(), defaultLinks + 1);
    }
    EXPECT_TRUE(ctrl.Links().empty());
    EXPECT_EQ(DefaultStyleController()->Links().size(), defaultLinks);
    // Telling the links now reaches nobody (a dangling link would crash under the sanitizer).
    ctrl.SetShadow(true);
}

TEST(EditStyleController, RemoveLinkDropsFirstOccurrenceOnly) {
    TStyleController ctrl;
    FakeEdit a;
    ctrl.AddLink(&a);
    ctrl.AddLink(&a);
    ctrl.RemoveLink(&a);
    EXPECT_EQ(ctrl.Links().size(), 1u);
    ctrl.RemoveLink(&a);
    ctrl.RemoveLink(&a);
    EXPECT_TRUE(ctrl.Links().empty());
}

TEST(EditStyleController, EditLeavingDuringPropagationIsSkipped) {
    TEditStyleController ctrl;
    auto first = std::make_unique<FakeEdit>();
    auto second = std::make_unique<FakeEdit>();
    first->SetController(&ctrl);
    second->SetController(&ctrl);
    FakeEdit* secondRaw = second.get();
    int told = 0;
    ctrl.OnStyleChanged = [&](TStyleController*, TEditStyleLink* link) {
        ++told;
        if (link == first.get()) second.reset();
    };
    ctrl.SetHotTrack(true);
    EXPECT_EQ(told, 1);
    EXPECT_EQ(second, nullptr);
    (void)secondRaw;
}

} // namespace
} // namespace fprn::editcontrols
