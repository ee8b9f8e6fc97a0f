# Trace log, capture files and reply assembly: the parts of the transport without a port.
add_library(fprn_transport_parts STATIC driverfiles.cpp replyassembler.cpp)
target_link_libraries(fprn_transport_parts PUBLIC fprn_protocol fprn_platform)

add_executable(transport_parts_tests tests/replyassembler_test.cpp tests/driverfiles_test.cpp)
target_link_libraries(transport_parts_tests PRIVATE fprn_transport_parts fprn_testsupport)
fprn_add_gtest(transport_parts_tests)

# Needs the serial port component.
if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/serialcomm.cpp)
    # The transport core: built into each driver library, which then holds its own state.
    add_library(fprn_transport STATIC transport.cpp)
    target_link_libraries(fprn_transport PUBLIC fprn_transport_parts fprn_serialcomm fprn_platform)
    
    # The user driver library: exactly the exported functions of include/tovarin.h.
    add_library(tovarin SHARED tovarin_exports.cpp)
    target_compile_definitions(tovarin PRIVATE FPRN_BUILDING_DRIVER)
    target_link_libraries(tovarin PRIVATE fprn_transport)
    target_link_options(tovarin PRIVATE -Wl,--version-script=${CMAKE_CURRENT_SOURCE_DIR}/tovarin.map
                        -Wl,--no-undefined -Wl,-Bsymbolic)
    set_target_properties(tovarin PROPERTIES LINK_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tovarin.map)

    # End-to-end tests against the printer emulator.
    add_executable(transport_tests tests/transport_test.cpp)
    target_link_libraries(transport_tests PRIVATE fprn_transport fprn_emulator)
    fprn_add_gtest(transport_tests)

    add_executable(tovarin_e2e_tests tests/tovarin_e2e_test.cpp)
    target_include_directories(tovarin_e2e_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
    target_link_libraries(tovarin_e2e_tests PRIVATE fprn_platform fprn_emulator)
    add_dependencies(tovarin_e2e_tests tovarin)
    fprn_add_gtest(tovarin_e2e_tests)

    # A host in C that links nothing but the library.
    add_executable(fprn_chost tests/chost.c)
    target_include_directories(fprn_chost PRIVATE include)
    target_link_libraries(fprn_chost PRIVATE tovarin)
    add_executable(chost_tests tests/chost_test.cpp)
    target_link_libraries(chost_tests PRIVATE fprn_transport_parts fprn_platform fprn_emulator)
    add_dependencies(chost_tests fprn_chost)
    fprn_add_gtest(chost_tests)
endif()

# A command-line host that shows the library driving a printer.
if(TARGET tovarin)
    add_executable(tovarin-demo tools/tovarin_demo.cpp)
    target_include_directories(tovarin-demo PRIVATE include)
    target_link_libraries(tovarin-demo PRIVATE fprn_platform)
    add_dependencies(tovarin-demo tovarin)
endif()
