# Records of the upload capture files and the table replies, turned into grid cells. No toolkit:
# the viewers copy the cells into their widgets.
add_library(fprn_capturerecords STATIC ${CMAKE_CURRENT_SOURCE_DIR}/capturerecords.cpp)
target_include_directories(fprn_capturerecords PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(fprn_capturerecords PUBLIC fprn_itemfile fprn_editlogic)

add_executable(capturerecords_tests ${CMAKE_CURRENT_SOURCE_DIR}/tests/capturerecords_test.cpp)
target_link_libraries(capturerecords_tests PRIVATE fprn_capturerecords fprn_testsupport)
fprn_add_gtest(capturerecords_tests)
