# The console's main window and the program.

# Reply dumps and status fields (no Qt).
add_library(fprn_replydecode STATIC replydecode.cpp)
target_include_directories(fprn_replydecode PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(fprn_replydecode PUBLIC fprn_language)

add_executable(replydecode_tests tests/replydecode_test.cpp)
target_link_libraries(replydecode_tests PRIVATE fprn_replydecode)
fprn_add_gtest(replydecode_tests)
