#include "editstyle.h"

#include <algorithm>

namespace fprn::editcontrols {

// ---- TStyleController ----

TStyleController::~TStyleController() {
    fDestroying = true;
    // A copy: each edit drops this controller, which may edit the lists.
    const std::vector<TEditStyleLink*> notifies = fFreeNotifies;
    for (TEditStyleLink* link : notifies) link->StyleControllerFreed(this);
}

void TStyleController::EndUpdate() {
    if (fUpdateLock > 0) --fUpdateLock;
    Changed();
}

void TStyleController::Changed() {
    if (fUpdateLock != 0 || fLoading) return;
    // A link may unlink itself or others while told; walk a snapshot and skip the departed.
    const std::vector<TEditStyleLink*> snapshot = fLinks;
    for (TEditStyleLink* link : snapshot) {
        if (std::find(fLinks.begin(), fLinks.end(), link) == fLinks.end()) continue;
        LinkChanged(link);
    }
}

void TStyleController::Loaded() {
    fLoading = false;
    Changed();
}

void TStyleController::AddLink(TEditStyleLink* link) {
    fLinks.push_back(link);
}

void TStyleController::RemoveLink(TEditStyleLink* link) {
    auto it = std::find(fLinks.begin(), fLinks.end(), link);
    if (it != fLinks.end()) fLinks.erase(it);
}

void TStyleController::LinkChanged(TEditStyleLink* link) {
    if (OnStyleChanged) OnStyleChanged(this, link);
}

void TStyleController::FreeNotification(TEditStyleLink* link) {
    if (std::find(fFreeNotifies.begin(), fFreeNotifies.end(), link) == fFreeNotifies.end())
        fFreeNotifies.push_back(link);
}

void TStyleController::RemoveFreeNotification(TEditStyleLink* link) {
    auto it = std::find(fFreeNotifies.begin(), fFreeNotifies.end(), link);
    if (it != fFreeNotifies.end()) fFreeNotifies.erase(it);
}

// ---- TEditStyleController ----

namespace {
template <typename T> bool Store(T& field, T v) {
    if (field == v) return false;
    field = v;
    return true;
}

// Runs `body` under one update lock; the lock is released on every way out. Not a destructor:
// the release tells the links, and their handlers may throw.
template <typename F> void UnderUpdate(TStyleController& c, F body) {
    c.BeginUpdate();
    try {
        body();
    } catch (...) {
        c.EndUpdate();
        throw;
    }
    c.EndUpdate();
}
} // namespace

void TEditStyleController::SetBorderColor(TColor v) {
    if (Store(fBorderColor, v)) Changed();
}
void TEditStyleController::SetBorderStyle(TEditBorderStyle v) {
    if (Store(fBorderStyle, v)) Changed();
}
void TEditStyleController::SetButtonStyle(TEditButtonViewStyle v) {
    if (Store(fButtonStyle, v)) Changed();
}
void TEditStyleController::SetButtonTransparence(TEditButtonTransparence v) {
    if (Store(fButtonTransparence, v)) Changed();
}
void TEditStyleController::SetEdges(TEditEdges v) {
    if (Store(fEdges, v)) Changed();
}
void TEditStyleController::SetHotTrack(bool v) {
    if (Store(fHotTrack, v)) Changed();
}
void TEditStyleController::SetShadow(bool v) {
    if (Store(fShadow, v)) Changed();
}

void TEditStyleController::Assign(const TStyleController& source) {
    const auto* src = dynamic_cast<const TEditStyleController*>(&source);
    if (src == nullptr) throw EConvertError("Cannot assign this style controller");
    UnderUpdate(*this, [&] {
        SetBorderColor(src->BorderColor());
        SetBorderStyle(src->BorderStyle());
        SetButtonStyle(src->ButtonStyle());
        SetButtonTransparence(src->ButtonTransparence());
        SetEdges(src->Edges());
        SetHotTrack(src->HotTrack());
        SetShadow(src->Shadow());
    });
}

void TEditStyleController::RestoreDefaults() {
    UnderUpdate(*this, [this] {
        SetBorderColor(kDefaultBorderColor);
        SetBorderStyle(kDefaultBorderStyle);
        SetButtonStyle(kDefaultButtonStyle);
        SetButtonTransparence(kDefaultButtonTransparence);
        SetEdges(kDefaultEdges);
        SetHotTrack(kDefaultHotTrack);
        SetShadow(kDefaultShadow);
    });
}

void TEditStyleController::LinkChanged(TEditStyleLink* link) {
    TEditStyleController* own = link->StyleController();
    if (own != nullptr && own != this) return;
    link->StyleChanged();
    TStyleController::LinkChanged(link);
}

// ---- default controller ----

namespace {
int gStartCount = 0;
TEditStyleController* gDefaultController = nullptr;

// The library starts with the program, as the edits expect a default controller to exist.
struct TModuleStart {
    TModuleStart() { StartEditStyles(); }
    ~TModuleStart() { EndEditStyles(); }
    TModuleStart(const TModuleStart&) = delete;
    TModuleStart& operator=(const TModuleStart&) = delete;
};
TModuleStart gModuleStart;
} // namespace

TEditStyleController* DefaultStyleController() {
    return gDefaultController;
}

void StartEditStyles() {
    if (gStartCount++ == 0) gDefaultController = new TEditStyleController();
}

void EndEditStyles() {
    if (gStartCount == 0) return;
    if (--gStartCount == 0) {
        delete gDefaultController;
        gDefaultController = nullptr;
    }
}

void ReleaseStyleController(TEditStyleLink* edit, TEditStyleController*& current) {
    if (current != nullptr && !current->IsDestroying()) {
        current->RemoveLink(edit);
        current->RemoveFreeNotification(edit);
    }
    current = nullptr;
}

void ChangeStyleController(TEditStyleLink* edit, TEditStyleController*& current,
                           TEditStyleController* value) {
    if (value == current) return;
    ReleaseStyleController(edit, current);
    current = value;
    if (value != nullptr) {
        value->AddLink(edit);
        value->FreeNotification(edit);
        value->LinkChanged(edit);
    } else {
        edit->StyleChanged();
    }
}

// ---- TEditStyle ----

TEditStyle::TEditStyle(TEditStyleLink* edit) : fEdit(edit) {
    if (TEditStyleController* def = DefaultStyleController()) def->AddLink(fEdit);
}

TEditStyle::~TEditStyle() {
    if (TEditStyleController* def = DefaultStyleController()) def->RemoveLink(fEdit);
}

const TEditStyleController* TEditStyle::Source() const {
    if (const TEditStyleController* own = fEdit->StyleController()) return own;
    return DefaultStyleController();
}

void TEditStyle::SetAssignedValues(TEditStyleValues v) {
    if (v == fAssignedValues) return;
    fAssignedValues = v;
    Changed();
}

template <typename T> void TEditStyle::SetOwn(T& field, T v, TEditStyleValue bit) {
    if (fAssignedValues.Contains(bit) && field == v) return;
    field = v;
    fAssignedValues.Include(bit);
    Changed();
}

TColor TEditStyle::BorderColor() const {
    return fAssignedValues.Contains(svBorderColor) ? fBorderColor : GetDefaultBorderColor();
}
TEditBorderStyle TEditStyle::BorderStyle() const {
    return fAssignedValues.Contains(svBorderStyle) ? fBorderStyle : GetDefaultBorderStyle();
}
TEditButtonViewStyle TEditStyle::ButtonStyle() const {
    return fAssignedValues.Contains(svButtonStyle) ? fButtonStyle : GetDefaultButtonStyle();
}
TEditButtonTransparence TEditStyle::ButtonTransparence() const {
    return fAssignedValues.Contains(svButtonTransparence) ? fButtonTransparence
                                                          : GetDefaultButtonTransparence();
}
TEditEdges TEditStyle::Edges() const {
    return fAssignedValues.Contains(svEdges) ? fEdges : GetDefaultEdges();
}
bool TEditStyle::HotTrack() const {
    return fAssignedValues.Contains(svHotTrack) ? fHotTrack : GetDefaultHotTrack();
}
bool TEditStyle::Shadow() const {
    return fAssignedValues.Contains(svShadow) ? fShadow : GetDefaultShadow();
}

void TEditStyle::SetBorderColor(TColor v) {
    SetOwn(fBorderColor, v, svBorderColor);
}
void TEditStyle::SetBorderStyle(TEditBorderStyle v) {
    SetOwn(fBorderStyle, v, svBorderStyle);
}
void TEditStyle::SetButtonStyle(TEditButtonViewStyle v) {
    SetOwn(fButtonStyle, v, svButtonStyle);
}
void TEditStyle::SetButtonTransparence(TEditButtonTransparence v) {
    SetOwn(fButtonTransparence, v, svButtonTransparence);
}
void TEditStyle::SetEdges(TEditEdges v) {
    SetOwn(fEdges, v, svEdges);
}
void TEditStyle::SetHotTrack(bool v) {
    SetOwn(fHotTrack, v, svHotTrack);
}
void TEditStyle::SetShadow(bool v) {
    SetOwn(fShadow, v, svShadow);
}

void TEditStyle::Assign(const TEditStyle& source) {
    // Read everything first: the source may be this style.
    const TColor color = source.BorderColor();
    const TEditBorderStyle border = source.BorderStyle();
    const TEditButtonViewStyle button = source.ButtonStyle();
    const TEditButtonTransparence transparence = source.ButtonTransparence();
    const TEditEdges edges = source.Edges();
    const bool hot = source.HotTrack();
    const bool shadow = source.Shadow();
    SetBorderColor(color);
    SetBorderStyle(border);
    SetButtonStyle(button);
    SetButtonTransparence(transparence);
    SetEdges(edges);
    SetHotTrack(hot);
    SetShadow(shadow);
}

void TEditStyle::RestoreDefaults() {
    fAssignedValues = {};
    Changed();
}

void TEditStyle::Changed() {
    fEdit->StyleChanged();
}

TColor TEditStyle::GetDefaultBorderColor() const {
    const TEditStyleController* c = Source();
    return c ? c->BorderColor() : kDefaultBorderColor;
}
TEditBorderStyle TEditStyle::GetDefaultBorderStyle() const {
    const TEditStyleController* c = Source();
    return c ? c->BorderStyle() : kDefaultBorderStyle;
}
TEditButtonViewStyle TEditStyle::GetDefaultButtonStyle() const {
    const TEditStyleController* c = Source();
    return c ? c->ButtonStyle() : kDefaultButtonStyle;
}
TEditButtonTransparence TEditStyle::GetDefaultButtonTransparence() const {
    const TEditStyleController* c = Source();
    return c ? c->ButtonTransparence() : kDefaultButtonTransparence;
}
TEditEdges TEditStyle::GetDefaultEdges() const {
    const TEditStyleController* c = Source();
    return c ? c->Edges() : kDefaultEdges;
}
bool TEditStyle::GetDefaultHotTrack() const {
    const TEditStyleController* c = Source();
    return c ? c->HotTrack() : kDefaultHotTrack;
}
bool TEditStyle::GetDefaultShadow() const {
    const TEditStyleController* c = Source();
    return c ? c->Shadow() : kDefaultShadow;
}

} // namespace fprn::editcontrols
