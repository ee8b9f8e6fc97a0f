#pragma once
// The library's version text, read through every Version property.

namespace fprn::toolbars {

inline constexpr const char* kToolbarVersion = "1.0";

} // namespace fprn::toolbars
