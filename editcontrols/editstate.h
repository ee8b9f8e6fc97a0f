#pragma once
// The widget-free state of an edit: which values were set explicitly, the activation record that
// Escape restores, and the validation step. Text is UTF-8.
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>

namespace fprn::editcontrols {

enum TAlignment : std::uint8_t { taLeftJustify, taRightJustify, taCenter };

// A value left the edit refused on exit; its message is the text to show.
class EEditInvalidInput : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

inline constexpr const char* kInvalidInputText =
    "Invalid input value. Use escape key to abandon changes";

// StoredValues: which properties were assigned explicitly. A setter adds its bit; only
// RestoreDefaults clears bits.
using TStoredValues = std::uint16_t;
inline constexpr TStoredValues kStoredAlignment = 0x01;
inline constexpr TStoredValues kStoredMaxLength = 0x02;
inline constexpr TStoredValues kStoredMaxValue = 0x10;
inline constexpr TStoredValues kStoredMinValue = 0x20;
inline constexpr TStoredValues kStoredReadOnly = 0x40;
inline constexpr TStoredValues kStoredDisplayFormat = 0x100;

// The "StoredValues" entry of a stored description: only the low byte travels, and nothing is
// written for an empty set.
std::optional<int> StoredValuesToStream(TStoredValues values);
// Reading replaces the low byte and keeps the high bits the property setters left.
TStoredValues StoredValuesFromStream(TStoredValues current, int streamed);

// Entry record: what the edit looked like when it last became active or inactive.
class TActivation {
public:
    bool Active() const { return fActive; }
    bool PreviousModified() const { return fPreviousModified; }
    const std::string& PreviousText() const { return fPreviousText; }

    // Returns false (and changes nothing) when `value` is the current state.
    bool SetActive(bool value, bool modified, const std::string& text);

    struct TUndo {
        std::string Text;
        bool Modified;
    };
    // What Undo writes back, if anything: only a modified edit with its own edit window.
    std::optional<TUndo> UndoTarget(bool modified, bool hasEditWindow) const;

private:
    bool fActive = false;
    bool fPreviousModified = false;
    std::string fPreviousText;
};

using TValidateHandler = std::function<void(std::string& errorText, bool& accept)>;

struct TValidation {
    bool Accept = true;
    std::string ErrorText;
};
// The decision of the exit check: an unmodified edit is always accepted without asking.
TValidation RunValidation(bool modified, const TValidateHandler& onValidate);

} // namespace fprn::editcontrols
