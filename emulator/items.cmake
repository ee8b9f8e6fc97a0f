# The emulator's items written as an item file (fprn-emulator --items PATH).
add_library(fprn_emulator_items STATIC ${CMAKE_CURRENT_SOURCE_DIR}/items.cpp)
target_include_directories(fprn_emulator_items PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(fprn_emulator_items PUBLIC fprn_emulator fprn_itemfile)
target_link_libraries(fprn-emulator PRIVATE fprn_emulator_items)

add_executable(emulator_items_tests ${CMAKE_CURRENT_SOURCE_DIR}/tests/items_test.cpp)
target_link_libraries(emulator_items_tests PRIVATE fprn_emulator_items fprn_testsupport)
fprn_add_gtest(emulator_items_tests)
