# Text, mask and currency edits, and the pure logic under them (numbers, format patterns,
# masks, locale settings), which builds and tests without the toolkit.
set(EXT_DIR ${CMAKE_CURRENT_SOURCE_DIR})

add_library(fprn_editlogic STATIC
    ${EXT_DIR}/localeinfo.cpp ${EXT_DIR}/numbertext.cpp ${EXT_DIR}/floatformat.cpp
    ${EXT_DIR}/maskengine.cpp ${EXT_DIR}/editstrings.cpp)
target_include_directories(fprn_editlogic PUBLIC ${EXT_DIR})
set_target_properties(fprn_editlogic PROPERTIES POSITION_INDEPENDENT_CODE ON)

add_executable(ext_logic_tests
    ${EXT_DIR}/tests/ext_number_test.cpp ${EXT_DIR}/tests/ext_mask_test.cpp)
target_link_libraries(ext_logic_tests PRIVATE fprn_editlogic)
fprn_add_gtest(ext_logic_tests)

# The widgets need the base edit.
if(TARGET fprn_editcontrols_base)
    add_library(fprn_editcontrols STATIC
        ${EXT_DIR}/textedit.cpp ${EXT_DIR}/maskedit.cpp ${EXT_DIR}/currencyedit.cpp
        ${EXT_DIR}/edlib.cpp ${EXT_DIR}/edresources.qrc)
    set_target_properties(fprn_editcontrols PROPERTIES
        AUTOMOC ON AUTORCC ON POSITION_INDEPENDENT_CODE ON)
    target_include_directories(fprn_editcontrols PUBLIC ${EXT_DIR})
    target_link_libraries(fprn_editcontrols PUBLIC fprn_editcontrols_base fprn_editlogic
                                                   Qt6::Widgets)

    add_executable(ext_widget_tests
        ${EXT_DIR}/tests/ext_edlib_test.cpp ${EXT_DIR}/tests/ext_textedit_test.cpp
        ${EXT_DIR}/tests/ext_maskedit_test.cpp ${EXT_DIR}/tests/ext_currencyedit_test.cpp)
    target_link_libraries(ext_widget_tests PRIVATE fprn_editcontrols Qt6::Test)
    fprn_add_gtest(ext_widget_tests)

    # Currency edits in a few formats and locales, painted to PNG files in the build folder.
    add_executable(ext_gallery ${EXT_DIR}/gallery_ext/main.cpp)
    target_link_libraries(ext_gallery PRIVATE fprn_editcontrols)
    add_test(NAME ext_gallery
             COMMAND ext_gallery ${CMAKE_BINARY_DIR}/gallery_ext)
    set_tests_properties(ext_gallery PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endif()
