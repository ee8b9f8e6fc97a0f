# The console's main window and the program.
find_package(Qt6 6.4 REQUIRED COMPONENTS Widgets Test)

# Reply dumps and status fields (no Qt).
add_library(fprn_replydecode STATIC replydecode.cpp)
target_include_directories(fprn_replydecode PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(fprn_replydecode PUBLIC fprn_language)

add_executable(replydecode_tests tests/replydecode_test.cpp)
target_link_libraries(replydecode_tests PRIVATE fprn_replydecode)
fprn_add_gtest(replydecode_tests)

# The main form, its pages and the program's start. Page groups register themselves from their
# own files, so everything that links the form takes the whole library (fprn_console_whole).
add_library(fprn_console STATIC
    mainform.cpp statuspages.cpp languagetable.cpp formcontrols.cpp messagebox.cpp dumplist.cpp
    progresswindow.cpp consolemain.cpp)
target_include_directories(fprn_console PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(fprn_console PUBLIC fprn_replydecode fprn_fprnapi fprn_language_qt
                                          fprn_qtpump fprn_progresslayout fprn_tolmibus
                                          fprn_editcontrols fprn_programstart Qt6::Widgets)
add_library(fprn_console_whole INTERFACE)
target_link_libraries(fprn_console_whole INTERFACE "$<LINK_LIBRARY:WHOLE_ARCHIVE,fprn_console>")

# Each page group brings <group>.pages.cmake: it adds its sources to fprn_console and its tests,
# and its tour steps to fprn_console_tour; nothing shared needs an edit.
file(GLOB FPRN_CONSOLE_PAGE_GROUPS CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.pages.cmake)

# The demo tour: steps through the program, shooting the screen (not installed).
add_library(fprn_console_tour STATIC tour/tour.cpp tour/statustour.cpp)
target_link_libraries(fprn_console_tour PUBLIC fprn_console_whole fprn_tourkit Qt6::Widgets Qt6::Test)
add_library(fprn_console_tour_whole INTERFACE)
target_link_libraries(fprn_console_tour_whole
                      INTERFACE "$<LINK_LIBRARY:WHOLE_ARCHIVE,fprn_console_tour>")

foreach(group ${FPRN_CONSOLE_PAGE_GROUPS})
    include(${group})
endforeach()

add_executable(calvetta calvetta.cpp)
target_link_libraries(calvetta PRIVATE fprn_console_whole)
add_dependencies(calvetta tovarin meskade peltrane)

add_executable(calvetta-tour tour/main.cpp)
target_link_libraries(calvetta-tour PRIVATE fprn_console_tour_whole)
add_dependencies(calvetta-tour tovarin meskade peltrane)

# The form on the real libraries against the emulator, and the whole start.
add_executable(mainform_tests tests/mainform_test.cpp)
target_include_directories(mainform_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/tests)
target_link_libraries(mainform_tests PRIVATE fprn_console_whole fprn_emulator fprn_testsupport
                                             Qt6::Test)
add_dependencies(mainform_tests tovarin meskade peltrane fprn_peltrane_marked)
fprn_add_gtest(mainform_tests)

add_executable(consolestart_tests tests/consolestart_test.cpp)
target_link_libraries(consolestart_tests PRIVATE fprn_console_whole fprn_emulator fprn_testsupport)
add_dependencies(consolestart_tests tovarin meskade peltrane)
fprn_add_gtest(consolestart_tests)
