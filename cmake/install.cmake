# What `cmake --install` puts where, and the Debian package made from it.
install(TARGETS strataplot-host strataplot-desktop strataplot-makeproject strataplot-bench
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The shared libraries with their .so links, which hosts link against.
install(TARGETS strataplot-platform strataplot-common strataplot-capi
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(TARGETS strataplot strataplot-static strataplot-grids strataplot-render strataplot-gui
        LIBRARY DESTINATION ${STRATAPLOT_MODULE_DIR})
# For hosts: the headers, pkg-config's strataplot.pc and the CMake package,
# each finding the tree relative to itself, and the example hosts.
install(DIRECTORY include/strataplot DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
file(RELATIVE_PATH STRATAPLOT_PC_TO_PREFIX /${CMAKE_INSTALL_LIBDIR}/pkgconfig /)
file(RELATIVE_PATH STRATAPLOT_CONFIG_TO_PREFIX /${CMAKE_INSTALL_LIBDIR}/cmake/Strataplot /)
configure_file(cmake/package/strataplot.pc.in ${CMAKE_BINARY_DIR}/package/strataplot.pc @ONLY)
configure_file(cmake/package/StrataplotConfig.cmake.in
               ${CMAKE_BINARY_DIR}/package/StrataplotConfig.cmake @ONLY)
include(CMakePackageConfigHelpers)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/package/StrataplotConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/package/strataplot.pc
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
install(FILES ${CMAKE_BINARY_DIR}/package/StrataplotConfig.cmake
              ${CMAKE_BINARY_DIR}/package/StrataplotConfigVersion.cmake
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Strataplot)
install(DIRECTORY examples/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)
install(DIRECTORY sample/ DESTINATION ${CMAKE_INSTALL_DATADIR}/strataplot/sample)
install(FILES README.md docs/formats.md packaging/debian/copyright
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES host/completion.bash DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
        RENAME strataplot)
# Why the package checker's remarks on the sample project do not apply.
install(FILES packaging/debian/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME strataplot)

# The manual page of every program and the changelog are installed
# compressed, with gzip -9n: no name and no time stamp inside, so the same
# text always gives the same bytes.
set(STRATAPLOT_PROGRAMS strataplot strataplot-desktop strataplot-makeproject strataplot-bench)
find_program(STRATAPLOT_GZIP gzip REQUIRED)
set(STRATAPLOT_COMPRESSED_DIR ${CMAKE_BINARY_DIR}/compressed)
file(MAKE_DIRECTORY ${STRATAPLOT_COMPRESSED_DIR})
set(STRATAPLOT_COMPRESSED)
set(STRATAPLOT_MANUAL_PAGES)
function(strataplot_compress source name)
  set(output ${STRATAPLOT_COMPRESSED_DIR}/${name}.gz)
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E copy ${source} ${STRATAPLOT_COMPRESSED_DIR}/${name}
    COMMAND ${STRATAPLOT_GZIP} -9nf ${STRATAPLOT_COMPRESSED_DIR}/${name}
    DEPENDS ${source}
    COMMENT "Compressing ${name}"
    VERBATIM)
  set(STRATAPLOT_COMPRESSED ${STRATAPLOT_COMPRESSED} ${output} PARENT_SCOPE)
endfunction()
foreach(program ${STRATAPLOT_PROGRAMS})
  strataplot_compress(${CMAKE_SOURCE_DIR}/docs/${program}.1 ${program}.1)
  list(APPEND STRATAPLOT_MANUAL_PAGES ${STRATAPLOT_COMPRESSED_DIR}/${program}.1.gz)
endforeach()
strataplot_compress(${CMAKE_SOURCE_DIR}/packaging/debian/changelog changelog)
add_custom_target(strataplot-compressed ALL DEPENDS ${STRATAPLOT_COMPRESSED})
install(FILES ${STRATAPLOT_MANUAL_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${STRATAPLOT_COMPRESSED_DIR}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_PACKAGE_NAME strataplot)
set(CPACK_PACKAGE_VENDOR "Strataplot maintainers")
set(CPACK_PACKAGE_CONTACT "Strataplot maintainers <maintainers@strataplot.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
# One line of the control file per line here (at most 80 columns).
string(CONCAT CPACK_PACKAGE_DESCRIPTION
       "Reads the simulation results of a basin-modelling project and writes oil\n"
       "and gas intensity maps for contour plotting and chloroform bitumen A\n"
       "saturation profiles. The host program strataplot runs either build of the\n"
       "library on a project, at a terminal, in batch or with windows; it also draws\n"
       "the maps as pictures and writes them as standard grids and contour lines.\n"
       "strataplot-desktop runs the commands from one window and shows the maps.")
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
# Dependencies from the libraries the programs link, as dpkg-shlibdeps finds
# them; our own shared libraries are in the package. Beside them: a font that
# writes Chinese, without which the pictures' titles, units and legends show
# as boxes (Depends: one of the two; Recommends: both, for the dialogs, whose
# two template fonts map to one each). Qt's X11 and offscreen platforms come
# with libqt6gui6; qt6-qpa-plugins and, for a Wayland session without X11,
# qt6-wayland add the others.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-wqy-microhei | fonts-arphic-uming")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-wqy-microhei, fonts-arphic-uming, qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "qt6-wayland")
# libstrataplot-platform.so.1 and libstrataplot-common.so.1 are public: a
# shlibs entry each, from their SONAMEs (the library modules in
# lib/strataplot/ have none and get none), and ldconfig through its trigger,
# not from maintainer scripts. CPack writes a postinst and a postrm calling
# ldconfig unless control files of those names are given: the two named here
# do not exist (CPack says so, "missing file"), so the package has no
# maintainer scripts at all.
set(STRATAPLOT_SHLIBS)
foreach(library strataplot-platform strataplot-common strataplot-capi)
  string(APPEND STRATAPLOT_SHLIBS
         "$<TARGET_FILE_PREFIX:${library}>$<TARGET_FILE_BASE_NAME:${library}> "
         "$<TARGET_PROPERTY:${library},SOVERSION> strataplot (>= ${PROJECT_VERSION})\n")
endforeach()
file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/debian/shlibs CONTENT "${STRATAPLOT_SHLIBS}")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${CMAKE_BINARY_DIR}/debian/shlibs
    ${CMAKE_SOURCE_DIR}/packaging/debian/triggers
    ${CMAKE_BINARY_DIR}/no-maintainer-scripts/postinst
    ${CMAKE_BINARY_DIR}/no-maintainer-scripts/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)

# The installed tree and the package, checked as a user would meet them.
if(STRATAPLOT_TESTS AND NOT STRATAPLOT_SANITIZE)
  add_test(NAME install_tree COMMAND ${CMAKE_SOURCE_DIR}/scripts/check-install ${CMAKE_BINARY_DIR})
  # The example hosts built and run against the installed tree, and the
  # exported symbols of every installed library.
  add_test(NAME examples_installed
           COMMAND ${CMAKE_SOURCE_DIR}/scripts/check-examples ${CMAKE_BINARY_DIR})
  set_tests_properties(examples_installed PROPERTIES TIMEOUT 300)
  # What scripts/install-deps installs, with apt-get replaced: nothing is.
  add_test(NAME install_deps COMMAND ${CMAKE_SOURCE_DIR}/scripts/check-install-deps)
endif()
