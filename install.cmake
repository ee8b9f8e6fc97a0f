# What `cmake --install` puts under the prefix: the driver libraries (runtime names .so.1), the
# platform library they need, the language library, the console and the item editor, the headers under
# include/fprn/ and a pkg-config file per driver library. Libraries find each other beside
# themselves, the programs find them in ../<libdir>.
set(fprn_libraries)
foreach(lib tovarin meskade)
    if(TARGET ${lib})
        set_target_properties(${lib} PROPERTIES SOVERSION 1)
        list(APPEND fprn_libraries ${lib})
    endif()
endforeach()
foreach(lib fprn_platform peltrane)
    if(TARGET ${lib})
        list(APPEND fprn_libraries ${lib})
    endif()
endforeach()
# The same run path in the build tree and installed: nothing is rewritten (a rewrite pads the
# build tree's run path with empty entries, which would search the current directory).
set_target_properties(${fprn_libraries} PROPERTIES INSTALL_RPATH "$ORIGIN"
                                                   BUILD_WITH_INSTALL_RPATH ON)
install(TARGETS ${fprn_libraries} LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})

# The programs find the libraries in ../<libdir>; the build tree has that folder too (a link to
# bin/), so they run with their installed run path there as well.
set(fprn_programs)
foreach(program calvetta sorvane)
    if(TARGET ${program})
        list(APPEND fprn_programs ${program})
    endif()
endforeach()
if(fprn_programs)
    file(RELATIVE_PATH fprn_bin_to_lib ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBDIR})
    set_target_properties(${fprn_programs} PROPERTIES INSTALL_RPATH "$ORIGIN/${fprn_bin_to_lib}"
                                                      BUILD_WITH_INSTALL_RPATH ON)
    get_filename_component(fprn_libdir_parent ${CMAKE_BINARY_DIR}/${CMAKE_INSTALL_LIBDIR} DIRECTORY)
    file(MAKE_DIRECTORY ${fprn_libdir_parent})
    file(RELATIVE_PATH fprn_lib_to_bin ${fprn_libdir_parent} ${CMAKE_BINARY_DIR}/bin)
    if(NOT EXISTS ${CMAKE_BINARY_DIR}/${CMAKE_INSTALL_LIBDIR})
        file(CREATE_LINK ${fprn_lib_to_bin} ${CMAKE_BINARY_DIR}/${CMAKE_INSTALL_LIBDIR} SYMBOLIC)
    endif()
    install(TARGETS ${fprn_programs} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

install(FILES driver/include/tovarin.h driver/include/tovarin_types.h service/include/meskade.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/fprn)
# Relocatable: the prefix is found from where the .pc file lies.
file(RELATIVE_PATH FPRN_PC_TO_PREFIX ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
foreach(pc tovarin meskade)
    configure_file(pkgconfig/${pc}.pc.in ${CMAKE_BINARY_DIR}/pkgconfig/${pc}.pc @ONLY)
    install(FILES ${CMAKE_BINARY_DIR}/pkgconfig/${pc}.pc
            DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
endforeach()

# The installation checked in a temporary prefix.
add_test(NAME InstallLayout.IntoATemporaryPrefix
         COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/check-install.sh ${CMAKE_BINARY_DIR})
set_tests_properties(InstallLayout.IntoATemporaryPrefix PROPERTIES TIMEOUT 300)
