# The service driver library: its own copy of the command transport and the service commands.
add_library(fprn_servicetexts STATIC servicetexts.cpp)
target_include_directories(fprn_servicetexts PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(fprn_servicetexts PUBLIC fprn_protocol)

add_library(meskade SHARED meskade_exports.cpp)
target_compile_definitions(meskade PRIVATE FPRN_BUILDING_DRIVER)
target_include_directories(meskade PRIVATE ${CMAKE_SOURCE_DIR}/driver/include)
target_link_libraries(meskade PRIVATE fprn_transport fprn_servicetexts)
target_link_options(meskade PRIVATE -Wl,--version-script=${CMAKE_CURRENT_SOURCE_DIR}/meskade.map
                    -Wl,--no-undefined -Wl,-Bsymbolic)
set_target_properties(meskade PROPERTIES LINK_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/meskade.map)

add_executable(meskade_tests tests/servicetexts_test.cpp tests/meskade_test.cpp)
target_include_directories(meskade_tests PRIVATE ${CMAKE_SOURCE_DIR}/driver ${CMAKE_SOURCE_DIR}/driver/include
                                                 ${CMAKE_SOURCE_DIR}/driver/tests)
# Both libraries linked normally into one program: each must keep to its own state.
target_link_libraries(meskade_tests PRIVATE fprn_servicetexts fprn_platform fprn_emulator tovarin
                                            meskade dl)
fprn_add_gtest(meskade_tests)
