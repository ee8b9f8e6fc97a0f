# Text, mask and currency edits, and the pure logic under them (numbers, format patterns,
# masks, locale settings), which builds and tests without the toolkit.
set(EXT_DIR ${CMAKE_CURRENT_SOURCE_DIR})

add_library(fprn_editlogic STATIC
    ${EXT_DIR}/localeinfo.cpp ${EXT_DIR}/numbertext.cpp ${EXT_DIR}/floatformat.cpp
    ${EXT_DIR}/maskengine.cpp)
target_include_directories(fprn_editlogic PUBLIC ${EXT_DIR})
set_target_properties(fprn_editlogic PROPERTIES POSITION_INDEPENDENT_CODE ON)

add_executable(ext_logic_tests
    ${EXT_DIR}/tests/ext_number_test.cpp ${EXT_DIR}/tests/ext_format_test.cpp
    ${EXT_DIR}/tests/ext_mask_test.cpp ${EXT_DIR}/tests/ext_locale_test.cpp)
target_link_libraries(ext_logic_tests PRIVATE fprn_editlogic)
fprn_add_gtest(ext_logic_tests)
