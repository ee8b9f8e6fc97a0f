# The settings, report and memory-dump pages, the identification, logon and printed-report
# pages, the edits that move on when full; their form tests and tour steps.
target_sources(fprn_console PRIVATE
    ${CMAKE_CURRENT_SOURCE_DIR}/settingspages.cpp ${CMAKE_CURRENT_SOURCE_DIR}/servicepages.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/autoadvance.cpp ${CMAKE_CURRENT_SOURCE_DIR}/pageedits.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/fieldreadings.cpp)
target_sources(fprn_console_tour PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/tour/settingstour.cpp
                                         ${CMAKE_CURRENT_SOURCE_DIR}/tour/firmwaretour.cpp)
# The firmware step asks the X server what the window manager allows on the progress dialog.
find_package(PkgConfig REQUIRED)
pkg_check_modules(XCB REQUIRED IMPORTED_TARGET xcb)
target_link_libraries(fprn_console_tour PRIVATE PkgConfig::XCB)

add_executable(commandpages_tests ${CMAKE_CURRENT_SOURCE_DIR}/tests/commandpages_test.cpp
                                  ${CMAKE_CURRENT_SOURCE_DIR}/tests/fieldreadings_test.cpp)
target_include_directories(commandpages_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/tests)
target_link_libraries(commandpages_tests PRIVATE fprn_console_whole fprn_emulator fprn_testsupport
                                                 Qt6::Test)
add_dependencies(commandpages_tests tovarin meskade peltrane)
fprn_add_gtest(commandpages_tests)
