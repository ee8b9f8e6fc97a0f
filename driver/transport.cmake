# Trace log, capture files and reply assembly: the parts of the transport without a port.
add_library(fprn_transport_parts STATIC driverfiles.cpp replyassembler.cpp)
target_link_libraries(fprn_transport_parts PUBLIC fprn_protocol)

add_executable(transport_parts_tests tests/replyassembler_test.cpp tests/driverfiles_test.cpp)
target_link_libraries(transport_parts_tests PRIVATE fprn_transport_parts)
fprn_add_gtest(transport_parts_tests)
