# Qt and the platform pump joined on one thread, and the progress dialogs' layout: shared with
# the console.
add_library(fprn_qtpump STATIC qtpump.cpp)
set_target_properties(fprn_qtpump PROPERTIES POSITION_INDEPENDENT_CODE ON)
target_include_directories(fprn_qtpump PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(fprn_qtpump PUBLIC fprn_platform Qt6::Core)

add_library(fprn_progresslayout STATIC progresslayout.cpp)
set_target_properties(fprn_progresslayout PROPERTIES POSITION_INDEPENDENT_CODE ON)
target_include_directories(fprn_progresslayout PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(fprn_progresslayout PUBLIC fprn_label3d Qt6::Widgets)

# The firmware update with its progress dialog, built into the service driver library.
add_library(fprn_update STATIC firmwareupdate.cpp progressform.cpp progressform.h)
set_target_properties(fprn_update PROPERTIES AUTOMOC ON POSITION_INDEPENDENT_CODE ON)
target_include_directories(fprn_update PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(fprn_update PUBLIC fprn_tolmibus fprn_label3d fprn_qtpump fprn_progresslayout
                                         fprn_filedialog Qt6::Widgets)
# The dialog tells an X11 window manager its window type itself.
find_package(PkgConfig REQUIRED)
pkg_check_modules(XCB REQUIRED IMPORTED_TARGET xcb)
target_link_libraries(fprn_update PRIVATE PkgConfig::XCB)

target_sources(meskade PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/updatefprn.cpp)
target_link_libraries(meskade PRIVATE fprn_update fprn_tolmibus fprn_label3d fprn_qtpump
                                      fprn_progresslayout Qt6::Widgets)

# The download procedure against the boot loader, with a dialog that records what it is told.
add_executable(update_logic_tests tests/update_logic_test.cpp)
target_link_libraries(update_logic_tests PRIVATE fprn_update fprn_bootloader fprn_testsupport)
fprn_add_gtest(update_logic_tests)

# The progress dialog itself, offscreen.
add_executable(update_dialog_tests tests/update_dialog_test.cpp)
target_link_libraries(update_dialog_tests PRIVATE fprn_update fprn_bootloader fprn_testsupport
                                                  Qt6::Test)
fprn_add_gtest(update_dialog_tests)

# The export as a host calls it: inside a Qt host, and in a host without a Qt application.
add_executable(update_export_tests tests/update_export_test.cpp)
target_include_directories(update_export_tests PRIVATE ${CMAKE_SOURCE_DIR}/driver/include
                                                   ${CMAKE_CURRENT_SOURCE_DIR}/include)
target_link_libraries(update_export_tests PRIVATE meskade fprn_bootloader fprn_testsupport
                                                  Qt6::Widgets)
fprn_add_gtest(update_export_tests)

add_executable(update_noapp_tests tests/update_noapp_test.cpp)
target_include_directories(update_noapp_tests PRIVATE ${CMAKE_SOURCE_DIR}/driver/include
                                                   ${CMAKE_CURRENT_SOURCE_DIR}/include)
target_link_libraries(update_noapp_tests PRIVATE meskade fprn_bootloader fprn_testsupport
                                                 Qt6::Widgets)
fprn_add_gtest(update_noapp_tests)
