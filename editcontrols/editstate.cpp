#include "editstate.h"

namespace fprn::editcontrols {

std::optional<int> StoredValuesToStream(TStoredValues values) {
    if (values == 0) return std::nullopt;
    return values & 0xFF;
}

TStoredValues StoredValuesFromStream(TStoredValues current, int streamed) {
    return static_cast<TStoredValues>((current & 0xFF00) | (streamed & 0xFF));
}

bool TActivation::SetActive(bool value, bool modified, const std::string& text) {
    if (value == fActive) return false;
    fPreviousModified = modified;
    fPreviousText = text;
    fActive = value;
    return true;
}

std::optional<TActivation::TUndo> TActivation::UndoTarget(bool modified, bool hasEditWindow) const {
    if (!modified || !hasEditWindow) return std::nullopt;
    return TUndo{fPreviousText, fPreviousModified};
}

TValidation RunValidation(bool modified, const TValidateHandler& onValidate) {
    TValidation v;
    if (!modified) return v;
    v.ErrorText = kInvalidInputText;
    if (onValidate) onValidate(v.ErrorText, v.Accept);
    return v;
}

} // namespace fprn::editcontrols
