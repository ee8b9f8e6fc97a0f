// Hook registration counts and notification walks, with an installer that records what it did.
#include "hookregistry.h"

#include <gtest/gtest.h>

#include <string>

using namespace fprn::toolbars;

namespace {

std::string gLog;
std::string gCalls;

void A(THookCode, const THookPayload&) {
    gCalls += "A";
}
void B(THookCode, const THookPayload&) {
    gCalls += "B";
}
void Thrower(THookCode, const THookPayload&) {
    gCalls += "T";
    throw std::runtime_error("listener failed");
}
// Unregisters B and itself, registers A again: neither change may break the walk.
void Meddler(THookCode, const THookPayload&) {
    gCalls += "M";
    UnregisterHookCallback(B);
    UnregisterHookCallback(Meddler);
    RegisterHookCallback(A, HookCodeBit(hcMouseMovePosted), false);
}

class HookRegistry : public ::testing::Test {
protected:
    void SetUp() override {
        gLog.clear();
        gCalls.clear();
        fOld = SetHookInstaller(
            [](THookKind k, bool install) { gLog += (install ? "+" : "-") + std::to_string(k); });
    }
    void TearDown() override {
        ShutdownHooks();
        SetHookInstaller(fOld);
    }
    THookInstaller fOld;
};

constexpr THookCodes kWindowCodes = HookCodeBit(hcActivateAppSent) |
                                    HookCodeBit(hcWindowPosChangedSent) |
                                    HookCodeBit(hcBeforeDestroy);

} // namespace

TEST_F(HookRegistry, CountsBalance) {
    // Two tool windows share one callback: one entry, each kind counted twice.
    RegisterHookCallback(A, kWindowCodes);
    RegisterHookCallback(A, kWindowCodes);
    EXPECT_EQ(HookEntryCount(), 1);
    EXPECT_EQ(HookCallbackCount(A), 2);
    EXPECT_EQ(HookKindCount(hkCallWndProc), 2);
    EXPECT_EQ(HookKindCount(hkCBT), 2);
    EXPECT_EQ(gLog, "+0+1");
    UnregisterHookCallback(A);
    EXPECT_TRUE(HookKindInstalled(hkCallWndProc));
    UnregisterHookCallback(A);
    EXPECT_EQ(gLog, "+0+1-0-1");
    EXPECT_FALSE(HookRegistryExists());

    // A registration that installs nothing releases nothing: the other's hook stays.
    gLog.clear();
    RegisterHookCallback(B, HookCodeBit(hcMouseMovePosted), true);
    EXPECT_EQ(gLog, "");
    RegisterHookCallback(A, HookCodeBit(hcMouseMovePosted));
    UnregisterHookCallback(B);
    EXPECT_TRUE(HookKindInstalled(hkGetMessage));
    EXPECT_EQ(HookKindCount(hkGetMessage), 1);
    UnregisterHookCallback(A);
    EXPECT_EQ(gLog, "+2-2");

    // A repeat with other codes acquires and later releases its own kinds; the entry keeps the
    // codes first given.
    gLog.clear();
    RegisterHookCallback(A, HookCodeBit(hcActivateAppSent));
    RegisterHookCallback(A, HookCodeBit(hcBeforeDestroy));
    NotifyHookCallbacks(hcBeforeDestroy, {});
    EXPECT_EQ(gCalls, "");
    UnregisterHookCallback(A);
    UnregisterHookCallback(A);
    EXPECT_EQ(gLog, "+0+1-1-0");
    EXPECT_EQ(HookKindCount(hkCallWndProc), 0);
    EXPECT_EQ(HookKindCount(hkCBT), 0);
    UnregisterHookCallback(A); // not registered: nothing
    EXPECT_EQ(HookKindCount(hkCallWndProc), 0);
}

TEST_F(HookRegistry, NotificationWalk) {
    const THookCodes move = HookCodeBit(hcMouseMovePosted);
    RegisterHookCallback(Thrower, move);
    RegisterHookCallback(Meddler, move);
    RegisterHookCallback(B, move);
    RegisterHookCallback(A, HookCodeBit(hcActivateAppSent));
    NotifyHookCallbacks(hcMouseMovePosted, {});
    // The thrower does not stop the walk, B was removed before its turn, A (added during the
    // walk, with other codes anyway) is not called by it.
    EXPECT_EQ(gCalls, "TM");
    EXPECT_EQ(HookCallbackCount(B), 0);
    EXPECT_EQ(HookCallbackCount(Meddler), 0);
    EXPECT_EQ(HookCallbackCount(A), 2);
    gCalls.clear();
    NotifyHookCallbacks(hcMouseMovePosted, {});
    EXPECT_EQ(gCalls, "T") << "A keeps the codes it was first given";
    NotifyHookCallbacks(hcActivateAppSent, {});
    EXPECT_EQ(gCalls, "TA");
}
