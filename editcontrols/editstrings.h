#pragma once
// The edit library's own texts, by string identifier. They are built in (English); the library
// reads them once when it starts.
#include <string>

namespace fprn::editcontrols {

// The text of `id`, or an empty text for an identifier the library does not have.
std::string EditResourceString(int id);

// Identifiers.
inline constexpr int kStrToday = 38903;
inline constexpr int kStrClear = 38904;
inline constexpr int kStrDialogOK = 38905;    // .. 38907
inline constexpr int kStrMenuCut = 38908;     // .. 38913
inline constexpr int kStrToolCut = 38914;     // .. 38919
inline constexpr int kStrToolHintCut = 38920; // .. 38925
inline constexpr int kStrInvalidDate = 38927;
inline constexpr int kStrDateToday = 38928; // .. 38947
inline constexpr int kStrEditUndo = 38949;
inline constexpr int kStrEditRedo = 38950;
inline constexpr int kStrError = 38951;
inline constexpr int kStrEditCut = 38952; // .. 38956

} // namespace fprn::editcontrols
