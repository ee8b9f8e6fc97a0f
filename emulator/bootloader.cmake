# The printer's boot loader for the firmware download, on a pty master; fprn-emulator serves
# it with --boot-link.
find_package(Threads REQUIRED)
add_library(fprn_bootloader STATIC ${CMAKE_CURRENT_SOURCE_DIR}/bootloader.cpp)
target_include_directories(fprn_bootloader PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(fprn_bootloader PUBLIC fprn_tolmibus_codec Threads::Threads)
target_link_libraries(fprn-emulator PRIVATE fprn_bootloader)
