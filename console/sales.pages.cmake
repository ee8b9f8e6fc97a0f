# The sale pages (drawer, sale, payment, receipt end, packages) with the item file they sell
# from, the postponed receipts; their form tests, tour steps and unit tables.
target_sources(fprn_console PRIVATE
    ${CMAKE_CURRENT_SOURCE_DIR}/saleline.cpp ${CMAKE_CURRENT_SOURCE_DIR}/itemstock.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/salepages.cpp ${CMAKE_CURRENT_SOURCE_DIR}/postponed.cpp)
target_link_libraries(fprn_console PUBLIC fprn_itemfile fprn_filedialog)
target_sources(fprn_console_tour PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/tour/salestour.cpp)

add_executable(salepages_tests ${CMAKE_CURRENT_SOURCE_DIR}/tests/salepages_test.cpp
                               ${CMAKE_CURRENT_SOURCE_DIR}/tests/saleline_test.cpp)
target_include_directories(salepages_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/tests)
target_link_libraries(salepages_tests PRIVATE fprn_console_whole fprn_emulator fprn_testsupport
                                              Qt6::Test)
add_dependencies(salepages_tests tovarin meskade peltrane)
fprn_add_gtest(salepages_tests)
