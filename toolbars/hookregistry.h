#pragma once
// Callbacks that follow window events of the GUI thread: activation of the application, windows
// shown, hidden, moved or resized, windows about to lose their platform surface, and mouse moves.
// Each code is served by one hook kind; a kind is installed only while some registration needs
// it. Installing and removing a kind is delegated to an installer (the widget library installs
// application event filters), so the counting is tested without a display.
#include <QObject>
#include <QPoint>

#include <cstdint>
#include <functional>

namespace fprn::toolbars {

enum THookCode : std::uint8_t {
    hcActivateAppSent = 0,
    hcWindowPosChangedSent = 1,
    hcBeforeDestroy = 2,
    hcMouseMovePosted = 3
};
enum THookKind : std::uint8_t { hkCallWndProc = 0, hkCBT = 1, hkGetMessage = 2 };

// Sets of codes and kinds, bit n for value n.
using THookCodes = std::uint8_t;
using THookKinds = std::uint8_t;
inline constexpr THookCodes HookCodeBit(THookCode c) {
    return static_cast<THookCodes>(1u << c);
}
inline constexpr THookKinds HookKindBit(THookKind k) {
    return static_cast<THookKinds>(1u << k);
}
THookKinds HookKindsOf(THookCodes codes);

// What changed for hcWindowPosChangedSent.
enum TWindowPosFlag : std::uint8_t {
    wpShown = 1,
    wpHidden = 2,
    wpMoved = 4,
    wpSized = 8,
    wpStateChanged = 16
};

// The event a callback hears about. Window: the window the event is for (a top-level widget for
// codes 1 and 2, the widget under the pointer's window for code 3, the active window or none
// for code 0).
struct THookPayload {
    QObject* Window = nullptr;
    bool Active = false;        // hcActivateAppSent: the application became active
    std::uint8_t PosFlags = 0;  // hcWindowPosChangedSent: TWindowPosFlag bits
    QPoint GlobalPos;           // hcMouseMovePosted
    QObject* Target = nullptr;  // hcMouseMovePosted: the widget under the pointer
    QObject* Surface = nullptr; // hcBeforeDestroy: the platform window going away
};

using THookProc = void (*)(THookCode code, const THookPayload& payload);
// Installs (install = true) or removes one hook kind.
using THookInstaller = std::function<void(THookKind kind, bool install)>;

// Registering a callback again only counts it (its codes stay as first given); each registration
// acquires the kinds of its own codes unless dontInstall, and unregistering releases exactly what
// the matching registration acquired.
void RegisterHookCallback(THookProc callback, THookCodes codes, bool dontInstall = false);
void UnregisterHookCallback(THookProc callback);
void AcquireHookKinds(THookKinds kinds);
void ReleaseHookKinds(THookKinds kinds, bool force);

// Calls, in list order, every entry whose codes hold `code`. A callback may register or
// unregister callbacks meanwhile: entries added during the walk are not called by it, removed
// ones are not called any more. Exceptions from callbacks are swallowed.
void NotifyHookCallbacks(THookCode code, const THookPayload& payload);

// Replaces the installer; returns the previous one. Used by the widget library and by tests.
THookInstaller SetHookInstaller(THookInstaller installer);
// Removes every installed kind (forced) and frees the registry.
void ShutdownHooks();

// State, for the widget library and tests.
bool HookRegistryExists();
int HookEntryCount();
int HookCallbackCount(THookProc callback); // 0 when not registered
int HookKindCount(THookKind kind);
bool HookKindInstalled(THookKind kind);

} // namespace fprn::toolbars
