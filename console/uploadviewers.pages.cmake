# The upload viewers: pages 26, 27, 28, 30 and 32, the upload buttons of the menu and the
# progress panel; their end-to-end tests and tour steps.
target_sources(fprn_console PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/uploadviewers.cpp
                                    ${CMAKE_CURRENT_SOURCE_DIR}/stringgrid.cpp)
target_link_libraries(fprn_console PUBLIC fprn_capturerecords fprn_label3d)
target_sources(fprn_console_tour PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/tour/uploadtour.cpp)

add_executable(uploadviewers_tests ${CMAKE_CURRENT_SOURCE_DIR}/tests/uploadviewers_test.cpp)
target_include_directories(uploadviewers_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/tests)
target_link_libraries(uploadviewers_tests PRIVATE fprn_console_whole fprn_emulator
                                                  fprn_testsupport Qt6::Test)
add_dependencies(uploadviewers_tests tovarin meskade peltrane)
fprn_add_gtest(uploadviewers_tests)
