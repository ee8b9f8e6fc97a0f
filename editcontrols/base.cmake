# Base edit: style values and controllers, border geometry (plain C++), and the QLineEdit-based
# TInplaceEdit that paints them. The text, mask and currency edits build on fprn_editcontrols_base.
add_library(fprn_editcontrols_pure STATIC editstyle.cpp editstate.cpp borderpaint.cpp textplace.cpp)
target_include_directories(fprn_editcontrols_pure PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
set_target_properties(fprn_editcontrols_pure PROPERTIES POSITION_INDEPENDENT_CODE ON)

add_library(fprn_editcontrols_base STATIC inplaceedit.cpp syscolors.cpp drawedittext.cpp)
set_target_properties(fprn_editcontrols_base PROPERTIES AUTOMOC ON POSITION_INDEPENDENT_CODE ON)
target_include_directories(fprn_editcontrols_base PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(fprn_editcontrols_base PUBLIC fprn_editcontrols_pure Qt6::Widgets)
