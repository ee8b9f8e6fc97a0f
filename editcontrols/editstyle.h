#pragma once
// Edit appearance: the seven style values, the shared style controllers and the per-edit style
// that resolves each value (own value, else its controller's, else the default controller's,
// else a built-in constant). Plain C++: no toolkit types, so it is tested without a display.
#include "tcolor.h"

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <vector>

namespace fprn::editcontrols {

// Colours (TColor, the cl... values, IsSystemColor) are the shared ones.
using namespace fprn::colors;

// Ordinal order matters: stored values keep these numbers.
enum TEditBorderStyle : std::uint8_t { xbsNone, xbsSingle, xbsThick, xbsFlat, xbs3D };
enum TEditButtonViewStyle : std::uint8_t { btsDefault, bts3D, btsFlat, btsSimple, btsHotFlat };
enum TEditButtonTransparence : std::uint8_t { ebtNone, ebtInactive, ebtAlways, ebtHideInactive };
enum TEditEdge : std::uint8_t { edgLeft, edgTop, edgRight, edgBottom };
enum TEditStyleValue : std::uint8_t {
    svBorderColor,
    svBorderStyle,
    svButtonStyle,
    svButtonTransparence,
    svEdges,
    svHotTrack,
    svShadow
};

// A one-byte set, bit 0 for the first enumerator.
template <typename E> class TByteSet {
public:
    constexpr TByteSet() = default;
    constexpr TByteSet(std::initializer_list<E> items) {
        for (E e : items) fBits = static_cast<std::uint8_t>(fBits | Bit(e));
    }
    static constexpr TByteSet FromBits(std::uint8_t bits) {
        TByteSet s;
        s.fBits = bits;
        return s;
    }
    constexpr std::uint8_t Bits() const { return fBits; }
    constexpr bool Contains(E e) const { return (fBits & Bit(e)) != 0; }
    constexpr bool Empty() const { return fBits == 0; }
    constexpr void Include(E e) { fBits = static_cast<std::uint8_t>(fBits | Bit(e)); }
    constexpr void Exclude(E e) { fBits = static_cast<std::uint8_t>(fBits & ~Bit(e)); }
    constexpr bool operator==(const TByteSet&) const = default;

private:
    static constexpr std::uint8_t Bit(E e) { return static_cast<std::uint8_t>(1u << e); }
    std::uint8_t fBits = 0;
};

using TEditEdges = TByteSet<TEditEdge>;
using TEditStyleValues = TByteSet<TEditStyleValue>;

inline constexpr TEditEdges kAllEdges{edgLeft, edgTop, edgRight, edgBottom};

// Built-in constants, also a new controller's values.
inline constexpr TColor kDefaultBorderColor = clWindowFrame;
inline constexpr TEditBorderStyle kDefaultBorderStyle = xbs3D;
inline constexpr TEditButtonViewStyle kDefaultButtonStyle = btsDefault;
inline constexpr TEditButtonTransparence kDefaultButtonTransparence = ebtNone;
inline constexpr TEditEdges kDefaultEdges = kAllEdges;
inline constexpr bool kDefaultHotTrack = false;
inline constexpr bool kDefaultShadow = false;

// Assignment between unrelated classes.
class EConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TEditStyleController;
class TStyleController;

// What a controller needs of an edit that follows it.
class TEditStyleLink {
public:
    virtual ~TEditStyleLink() = default;
    // The edit's own controller; nullptr when it follows the default one.
    virtual TEditStyleController* StyleController() const = 0;
    // Re-shape and repaint after a style change.
    virtual void StyleChanged() = 0;
    // The controller the edit asked to hear from is going away.
    virtual void StyleControllerFreed(TStyleController* controller) = 0;
};

using TStyleChangedEvent = std::function<void(TStyleController* Sender, TEditStyleLink* Link)>;

class TStyleController {
public:
    TStyleController() = default;
    TStyleController(const TStyleController&) = delete;
    TStyleController& operator=(const TStyleController&) = delete;
    // Edits that asked for free notification drop this controller.
    virtual ~TStyleController();

    void BeginUpdate() { ++fUpdateLock; }
    // An EndUpdate without a matching BeginUpdate is ignored; a negative lock would silence the
    // controller for good.
    void EndUpdate();
    // Tells every link, in list order, unless locked or loading.
    void Changed();
    void BeginLoading() { fLoading = true; }
    // End of loading: one change notification for the whole load.
    virtual void Loaded();

    virtual void AddLink(TEditStyleLink* link);
    virtual void RemoveLink(TEditStyleLink* link);
    virtual void LinkChanged(TEditStyleLink* link);

    void FreeNotification(TEditStyleLink* link);
    void RemoveFreeNotification(TEditStyleLink* link);

    bool IsLoading() const { return fLoading; }
    bool IsDestroying() const { return fDestroying; }
    int UpdateLock() const { return fUpdateLock; }
    const std::vector<TEditStyleLink*>& Links() const { return fLinks; }

    TStyleChangedEvent OnStyleChanged;

private:
    std::vector<TEditStyleLink*> fLinks;
    std::vector<TEditStyleLink*> fFreeNotifies;
    int fUpdateLock = 0;
    bool fLoading = false;
    bool fDestroying = false;
};

class TEditStyleController : public TStyleController {
public:
    TEditStyleController() = default;

    TColor BorderColor() const { return fBorderColor; }
    TEditBorderStyle BorderStyle() const { return fBorderStyle; }
    TEditButtonViewStyle ButtonStyle() const { return fButtonStyle; }
    TEditButtonTransparence ButtonTransparence() const { return fButtonTransparence; }
    TEditEdges Edges() const { return fEdges; }
    bool HotTrack() const { return fHotTrack; }
    bool Shadow() const { return fShadow; }

    void SetBorderColor(TColor v);
    void SetBorderStyle(TEditBorderStyle v);
    void SetButtonStyle(TEditButtonViewStyle v);
    void SetButtonTransparence(TEditButtonTransparence v);
    void SetEdges(TEditEdges v);
    void SetHotTrack(bool v);
    void SetShadow(bool v);

    // Copies the seven values of another edit-style controller under one update lock.
    virtual void Assign(const TStyleController& source);
    virtual void RestoreDefaults();
    // Skips edits that follow another controller (the default controller links every edit).
    void LinkChanged(TEditStyleLink* link) override;

private:
    TColor fBorderColor = kDefaultBorderColor;
    TEditBorderStyle fBorderStyle = kDefaultBorderStyle;
    TEditButtonViewStyle fButtonStyle = kDefaultButtonStyle;
    TEditButtonTransparence fButtonTransparence = kDefaultButtonTransparence;
    TEditEdges fEdges = kDefaultEdges;
    bool fHotTrack = kDefaultHotTrack;
    bool fShadow = kDefaultShadow;
};

// The library-wide controller that every edit follows unless it names its own; nullptr outside
// StartEditStyles/EndEditStyles (the library starts them once for the program).
TEditStyleController* DefaultStyleController();
// Counted: the first start creates the default controller, the matching end frees it.
void StartEditStyles();
void EndEditStyles();

// An edit's StyleController setter: leaves the old controller (unless it is being destroyed),
// joins the new one, asks for its free notification and lets it style the edit; nullptr goes back
// to the default controller and restyles the edit.
void ChangeStyleController(TEditStyleLink* edit, TEditStyleController*& current,
                           TEditStyleController* value);
// An edit going away leaves its controller (unless that is being destroyed).
void ReleaseStyleController(TEditStyleLink* edit, TEditStyleController*& current);

// One edit's style: own values where AssignedValues says so, otherwise resolved.
class TEditStyle {
public:
    // Links `edit` to the default controller for the style's whole life.
    explicit TEditStyle(TEditStyleLink* edit);
    TEditStyle(const TEditStyle&) = delete;
    TEditStyle& operator=(const TEditStyle&) = delete;
    virtual ~TEditStyle();

    TEditStyleValues AssignedValues() const { return fAssignedValues; }
    void SetAssignedValues(TEditStyleValues v);

    TColor BorderColor() const;
    TEditBorderStyle BorderStyle() const;
    TEditButtonViewStyle ButtonStyle() const;
    TEditButtonTransparence ButtonTransparence() const;
    TEditEdges Edges() const;
    bool HotTrack() const;
    bool Shadow() const;

    void SetBorderColor(TColor v);
    void SetBorderStyle(TEditBorderStyle v);
    void SetButtonStyle(TEditButtonViewStyle v);
    void SetButtonTransparence(TEditButtonTransparence v);
    void SetEdges(TEditEdges v);
    void SetHotTrack(bool v);
    void SetShadow(bool v);

    // A value is written to a stored description exactly when the edit set it itself.
    bool IsStored(TEditStyleValue v) const { return fAssignedValues.Contains(v); }

    // Copies the other style's resolved values; all seven become own values here.
    virtual void Assign(const TEditStyle& source);
    virtual void RestoreDefaults();

    TEditStyleLink* Edit() const { return fEdit; }

protected:
    virtual void Changed();
    virtual TColor GetDefaultBorderColor() const;
    virtual TEditBorderStyle GetDefaultBorderStyle() const;
    virtual TEditButtonViewStyle GetDefaultButtonStyle() const;
    virtual TEditButtonTransparence GetDefaultButtonTransparence() const;
    virtual TEditEdges GetDefaultEdges() const;
    virtual bool GetDefaultHotTrack() const;
    virtual bool GetDefaultShadow() const;

private:
    // The controller an unset value comes from: the edit's own, else the default, else none.
    const TEditStyleController* Source() const;
    template <typename T> void SetOwn(T& field, T v, TEditStyleValue bit);

    TEditStyleValues fAssignedValues;
    TColor fBorderColor = kDefaultBorderColor;
    TEditBorderStyle fBorderStyle = kDefaultBorderStyle;
    TEditButtonViewStyle fButtonStyle = kDefaultButtonStyle;
    TEditButtonTransparence fButtonTransparence = kDefaultButtonTransparence;
    TEditEdges fEdges = kDefaultEdges;
    TEditStyleLink* fEdit;
    bool fHotTrack = kDefaultHotTrack;
    bool fShadow = kDefaultShadow;
};

} // namespace fprn::editcontrols
