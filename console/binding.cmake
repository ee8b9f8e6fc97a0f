# The binding of both driver libraries and the error texts. The console links neither library.
add_library(fprn_fprnapi STATIC fprnapi.cpp)
target_include_directories(fprn_fprnapi PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}
                                               ${CMAKE_SOURCE_DIR}/driver/include
                                               ${CMAKE_SOURCE_DIR}/service/include)
target_link_libraries(fprn_fprnapi PUBLIC fprn_platform fprn_language)
target_compile_definitions(fprn_fprnapi PRIVATE FPRN_INSTALL_LIBDIR="${CMAKE_INSTALL_LIBDIR}")

# A small program that binds the way the console does, run by the tests from other folders.
add_executable(fprn_console_probe tests/probe.cpp)
# Qt stays loaded, as in the console, when the service library that uses it is unloaded (which
# ThreadSanitizer, whose suppressions name Qt's libraries, also requires).
find_package(Qt6 6.4 REQUIRED COMPONENTS Core Widgets)
target_link_libraries(fprn_console_probe PRIVATE fprn_fprnapi Qt6::Widgets)

# The service library without one of its functions, in a folder of its own.
add_library(fprn_meskade_nosetid MODULE ${CMAKE_SOURCE_DIR}/service/meskade_exports.cpp
                                        ${CMAKE_SOURCE_DIR}/service/updatefprn.cpp)
target_compile_definitions(fprn_meskade_nosetid PRIVATE FPRN_BUILDING_DRIVER)
target_include_directories(fprn_meskade_nosetid PRIVATE ${CMAKE_SOURCE_DIR}/driver/include)
target_link_libraries(fprn_meskade_nosetid PRIVATE fprn_transport fprn_servicetexts fprn_update)
target_link_options(fprn_meskade_nosetid PRIVATE
                    -Wl,--version-script=${CMAKE_CURRENT_SOURCE_DIR}/tests/nosetid.map)
set_target_properties(fprn_meskade_nosetid PROPERTIES OUTPUT_NAME meskade
                      LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin/nosetid
                      LINK_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/nosetid.map)

add_executable(fprnapi_tests tests/fprnapi_test.cpp)
target_include_directories(fprnapi_tests PRIVATE ${CMAKE_SOURCE_DIR}/driver ${CMAKE_SOURCE_DIR}/driver/tests
                                                 ${CMAKE_CURRENT_SOURCE_DIR}/peltrane)
target_link_libraries(fprnapi_tests PRIVATE fprn_fprnapi fprn_emulator fprn_testsupport Qt6::Widgets)
add_dependencies(fprnapi_tests tovarin meskade peltrane fprn_peltrane_marked fprn_console_probe
                 fprn_meskade_nosetid)
fprn_add_gtest(fprnapi_tests)
