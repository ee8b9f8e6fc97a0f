#pragma once
// The library's messages and its error type.
#include <stdexcept>

namespace fprn::toolbars {

// An operation refused because of the object's state; nothing was changed.
class EInvalidOperation : public std::logic_error {
public:
    using std::logic_error::logic_error;
};

inline constexpr const char* STBDockParentNotAllowed =
    "A TDock control cannot be placed inside a tool window or another TDock";
inline constexpr const char* STBDockCannotChangePosition =
    "Cannot change Position of a TDock if it already contains controls";
inline constexpr const char* STBToolwinParentNotAllowed =
    "A tool window can only be placed on a TDock or directly on the form";
inline constexpr const char* STBToolbarSepParentNotAllowed =
    "TToolbarSep can only be placed on a TToolbar";
inline constexpr const char* SParentRequired = "Control '%s' has no parent window";
inline constexpr const char* SInvalidImageSize = "Invalid image size";
inline constexpr const char* SReplaceImage = "Unable to Replace Image";

} // namespace fprn::toolbars
