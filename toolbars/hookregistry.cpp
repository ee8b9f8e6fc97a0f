#include "hookregistry.h"

#include <array>
#include <memory>
#include <vector>

namespace fprn::toolbars {

namespace {

struct Entry {
    THookProc Callback = nullptr;
    int Count = 0;
    THookCodes Codes = 0;
    // What each registration acquired, so every unregistration releases its own share.
    std::vector<THookKinds> Acquired;
    bool Removed = false;
};

struct Registry {
    std::vector<Entry> Entries;
    int Walking = 0;
    bool Purge = false;
};

struct KindState {
    int Count = 0;
    bool Installed = false;
};

std::unique_ptr<Registry> gRegistry;
std::array<KindState, 3> gKinds;
THookInstaller gInstaller;

Entry* Find(THookProc callback) {
    if (!gRegistry) return nullptr;
    for (Entry& e : gRegistry->Entries)
        if (!e.Removed && e.Callback == callback) return &e;
    return nullptr;
}

// Drops removed entries and frees an empty registry, unless a walk is running.
void Tidy() {
    if (!gRegistry || gRegistry->Walking > 0) return;
    if (gRegistry->Purge) {
        std::erase_if(gRegistry->Entries, [](const Entry& e) { return e.Removed; });
        gRegistry->Purge = false;
    }
    if (gRegistry->Entries.empty()) gRegistry.reset();
}

} // namespace

THookKinds HookKindsOf(THookCodes codes) {
    THookKinds k = 0;
    if (codes & (HookCodeBit(hcActivateAppSent) | HookCodeBit(hcWindowPosChangedSent)))
        k |= HookKindBit(hkCallWndProc);
    if (codes & HookCodeBit(hcBeforeDestroy)) k |= HookKindBit(hkCBT);
    if (codes & HookCodeBit(hcMouseMovePosted)) k |= HookKindBit(hkGetMessage);
    return k;
}

void AcquireHookKinds(THookKinds kinds) {
    for (int i = 0; i < 3; ++i) {
        if (!(kinds & (1u << i))) continue;
        KindState& k = gKinds[static_cast<std::size_t>(i)];
        ++k.Count;
        if (!k.Installed) {
            if (gInstaller) gInstaller(static_cast<THookKind>(i), true);
            k.Installed = true;
        }
    }
}

void ReleaseHookKinds(THookKinds kinds, bool force) {
    for (int i = 0; i < 3; ++i) {
        if (!(kinds & (1u << i))) continue;
        KindState& k = gKinds[static_cast<std::size_t>(i)];
        if (k.Count >= 1) --k.Count;
        if ((force || k.Count == 0) && k.Installed) {
            if (gInstaller) gInstaller(static_cast<THookKind>(i), false);
            k.Installed = false;
        }
    }
}

void RegisterHookCallback(THookProc callback, THookCodes codes, bool dontInstall) {
    if (!gRegistry) gRegistry = std::make_unique<Registry>();
    const THookKinds kinds = dontInstall ? 0 : HookKindsOf(codes);
    if (Entry* e = Find(callback)) {
        ++e->Count;
        e->Acquired.push_back(kinds);
    } else {
        gRegistry->Entries.push_back(Entry{callback, 1, codes, {kinds}, false});
    }
    if (kinds) AcquireHookKinds(kinds);
}

void UnregisterHookCallback(THookProc callback) {
    Entry* e = Find(callback);
    if (!e) return;
    const THookKinds kinds = e->Acquired.empty() ? 0 : e->Acquired.back();
    if (!e->Acquired.empty()) e->Acquired.pop_back();
    if (--e->Count <= 0) {
        e->Removed = true;
        gRegistry->Purge = true;
    }
    if (kinds) ReleaseHookKinds(kinds, false);
    Tidy();
}

void NotifyHookCallbacks(THookCode code, const THookPayload& payload) {
    if (!gRegistry) return;
    ++gRegistry->Walking;
    const std::size_t n = gRegistry->Entries.size();
    for (std::size_t i = 0; i < n; ++i) {
        // The vector may grow during a callback: index it afresh each time.
        const Entry& e = gRegistry->Entries[i];
        if (e.Removed || !(e.Codes & HookCodeBit(code))) continue;
        const THookProc callback = e.Callback;
        try {
            callback(code, payload);
        } catch (...) {
            // A failing listener must not stop the others.
        }
    }
    --gRegistry->Walking;
    Tidy();
}

THookInstaller SetHookInstaller(THookInstaller installer) {
    THookInstaller old = std::move(gInstaller);
    gInstaller = std::move(installer);
    return old;
}

void ShutdownHooks() {
    ReleaseHookKinds(HookKindBit(hkCallWndProc) | HookKindBit(hkCBT) | HookKindBit(hkGetMessage),
                     true);
    for (KindState& k : gKinds) k.Count = 0;
    if (gRegistry && gRegistry->Walking == 0) gRegistry.reset();
}

bool HookRegistryExists() {
    return gRegistry != nullptr;
}

int HookEntryCount() {
    if (!gRegistry) return 0;
    int n = 0;
    for (const Entry& e : gRegistry->Entries) n += e.Removed ? 0 : 1;
    return n;
}

int HookCallbackCount(THookProc callback) {
    const Entry* e = Find(callback);
    return e ? e->Count : 0;
}

int HookKindCount(THookKind kind) {
    return gKinds[kind].Count;
}

bool HookKindInstalled(THookKind kind) {
    return gKinds[kind].Installed;
}

} // namespace fprn::toolbars
