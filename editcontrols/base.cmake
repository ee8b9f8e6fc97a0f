# Base edit: style values and controllers, border geometry (plain C++), and the QLineEdit-based
# TInplaceEdit that paints them. The text, mask and currency edits build on fprn_editcontrols_base.
add_library(fprn_editcontrols_pure STATIC editstyle.cpp editstate.cpp borderpaint.cpp textplace.cpp)
target_include_directories(fprn_editcontrols_pure PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(fprn_editcontrols_pure PUBLIC fprn_colors_pure)
set_target_properties(fprn_editcontrols_pure PROPERTIES POSITION_INDEPENDENT_CODE ON)

add_library(fprn_editcontrols_base STATIC inplaceedit.cpp drawedittext.cpp)
set_target_properties(fprn_editcontrols_base PROPERTIES AUTOMOC ON POSITION_INDEPENDENT_CODE ON)
target_include_directories(fprn_editcontrols_base PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(fprn_editcontrols_base PUBLIC fprn_editcontrols_pure fprn_colors Qt6::Widgets)

add_executable(base_logic_tests tests/base_style_test.cpp tests/base_geometry_test.cpp)
target_link_libraries(base_logic_tests PRIVATE fprn_editcontrols_pure)
fprn_add_gtest(base_logic_tests)

add_executable(base_widget_tests tests/base_widget_test.cpp)
target_link_libraries(base_widget_tests PRIVATE fprn_editcontrols_base Qt6::Test)
fprn_add_gtest(base_widget_tests)

# Border gallery: PNG sheets of every border style in <build>/edit_gallery (also run as a test).
add_executable(edit_border_gallery gallery/bordergallery.cpp)
target_link_libraries(edit_border_gallery PRIVATE fprn_editcontrols_base)
add_test(NAME edit_border_gallery
         COMMAND edit_border_gallery ${CMAKE_BINARY_DIR}/edit_gallery)
set_tests_properties(edit_border_gallery PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
                                                    TIMEOUT 120)
