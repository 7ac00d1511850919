# What `cmake --install` puts where, and the Debian packages made from it:
# one install component per package.
#   platform, common, host: the runtime libraries, one package each named
#     after its SONAME (libstrataplot-platform1, libstrataplot-common1 with the
#     two library builds, which link it, and libstrataplot-host1, the C API);
#   programs: strataplot, the programs with the host's modules and the sample;
#   dev: strataplot-dev, the headers, the .so links, strataplot.pc, the CMake
#     package and the example hosts.
set(STRATAPLOT_RUNTIME_PACKAGES libstrataplot-platform1 libstrataplot-common1 libstrataplot-host1)
install(TARGETS strataplot-host strataplot-desktop strataplot-makeproject strataplot-bench
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT programs)
# The shared libraries with their .so links, which hosts link against.
install(TARGETS strataplot-platform LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        COMPONENT platform NAMELINK_COMPONENT dev)
install(TARGETS strataplot-common LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        COMPONENT common NAMELINK_COMPONENT dev)
install(TARGETS strataplot-capi LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        COMPONENT host NAMELINK_COMPONENT dev)
install(TARGETS strataplot strataplot-static LIBRARY DESTINATION ${STRATAPLOT_MODULE_DIR}
        COMPONENT common)
install(TARGETS strataplot-grids strataplot-render strataplot-gui
        LIBRARY DESTINATION ${STRATAPLOT_MODULE_DIR} COMPONENT programs)
# For hosts: the headers, pkg-config's strataplot.pc and the CMake package,
# each finding the tree relative to itself, and the example hosts.
install(DIRECTORY include/strataplot DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT dev)
file(RELATIVE_PATH STRATAPLOT_PC_TO_PREFIX /${CMAKE_INSTALL_LIBDIR}/pkgconfig /)
file(RELATIVE_PATH STRATAPLOT_CONFIG_TO_PREFIX /${CMAKE_INSTALL_LIBDIR}/cmake/Strataplot /)
configure_file(cmake/package/strataplot.pc.in ${CMAKE_BINARY_DIR}/package/strataplot.pc @ONLY)
configure_file(cmake/package/StrataplotConfig.cmake.in
               ${CMAKE_BINARY_DIR}/package/StrataplotConfig.cmake @ONLY)
include(CMakePackageConfigHelpers)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/package/StrataplotConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/package/strataplot.pc
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT dev)
install(FILES ${CMAKE_BINARY_DIR}/package/StrataplotConfig.cmake
              ${CMAKE_BINARY_DIR}/package/StrataplotConfigVersion.cmake
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Strataplot COMPONENT dev)
install(DIRECTORY examples/ DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/strataplot-dev/examples
        COMPONENT dev)
install(DIRECTORY sample/ DESTINATION ${CMAKE_INSTALL_DATADIR}/strataplot/sample
        COMPONENT programs)
install(FILES README.md docs/formats.md packaging/debian/copyright
        DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT programs)
install(FILES host/completion.bash DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
        RENAME strataplot COMPONENT programs)
# Why the package checker's remarks on the sample project do not apply.
install(FILES packaging/debian/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME strataplot
        COMPONENT programs)

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
install(FILES ${STRATAPLOT_MANUAL_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
        COMPONENT programs)
install(FILES ${STRATAPLOT_COMPRESSED_DIR}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR}
        COMPONENT programs)
# Every package has its copyright and changelog.
foreach(component platform common host dev)
  if(component STREQUAL "dev")
    set(package strataplot-dev)
  else()
    set(package libstrataplot-${component}1)
  endif()
  install(FILES packaging/debian/copyright ${STRATAPLOT_COMPRESSED_DIR}/changelog.gz
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component})
endforeach()

set(CPACK_PACKAGE_NAME strataplot)
set(CPACK_PACKAGE_VENDOR "Strataplot maintainers")
set(CPACK_PACKAGE_CONTACT "Strataplot maintainers <maintainers@strataplot.invalid>")
# Each package has its own summary, the first line of its description: none
# for CPack to put before them all.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "")
set(CPACK_GENERATOR DEB)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL platform common host programs dev)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Dependencies from the libraries each package's files link, as
# dpkg-shlibdeps finds them; it finds ours in the runtime components' staging
# directories (cmake/package/cpack-project.cmake) and the packages they are in
# are named below.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_SOURCE_DIR}/cmake/package/cpack-project.cmake)
set(exact "(= ${PROJECT_VERSION})")

# The runtime libraries: a shlibs entry from each SONAME naming its own
# package, ldconfig through its trigger and no maintainer script at all
# (CPack writes a postinst and a postrm calling ldconfig unless control files
# of those names are given: the two named here do not exist, CPack says
# "missing file"). They and the library builds were in strataplot 1.0.0.
foreach(component platform common host)
  string(TOUPPER ${component} COMPONENT)
  set(library strataplot-${component})
  if(component STREQUAL "host")
    set(library strataplot-capi)
  endif()
  set(package libstrataplot-${component}1)
  set(CPACK_DEBIAN_${COMPONENT}_PACKAGE_NAME ${package})
  set(CPACK_DEBIAN_${COMPONENT}_PACKAGE_SECTION libs)
  file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/debian/${component}/shlibs CONTENT
       "$<TARGET_FILE_PREFIX:${library}>$<TARGET_FILE_BASE_NAME:${library}> $<TARGET_PROPERTY:${library},SOVERSION> ${package} (>= ${PROJECT_VERSION})\n")
  set(CPACK_DEBIAN_${COMPONENT}_PACKAGE_CONTROL_EXTRA
      ${CMAKE_BINARY_DIR}/debian/${component}/shlibs
      ${CMAKE_SOURCE_DIR}/packaging/debian/triggers
      ${CMAKE_BINARY_DIR}/no-maintainer-scripts/postinst
      ${CMAKE_BINARY_DIR}/no-maintainer-scripts/postrm)
endforeach()
set(CPACK_DEBIAN_PLATFORM_DESCRIPTION "Strataplot's platform library
The files by handle, encodings, message boxes, dialogs and the user-interface
backend interface the map and profile library runs on
(libstrataplot-platform.so.1).")
set(CPACK_DEBIAN_COMMON_DESCRIPTION "Strataplot's common library and the library builds
The common library of the map and profile library (project name, field
reading and writing; libstrataplot-common.so.1) and the two builds of the
library that hosts load, in /usr/lib/strataplot.")
set(CPACK_DEBIAN_HOST_DESCRIPTION "Strataplot's C API for hosts in any language
Runs the map and profile commands on a project in batch from C or any
language that calls C (libstrataplot-host.so.1).")
set(CPACK_DEBIAN_COMMON_PACKAGE_DEPENDS "libstrataplot-platform1 ${exact}")
set(CPACK_DEBIAN_HOST_PACKAGE_DEPENDS
    "libstrataplot-platform1 ${exact}, libstrataplot-common1 ${exact}")
# Files that moved out of strataplot 1.0.0.
foreach(COMPONENT PLATFORM COMMON)
  set(CPACK_DEBIAN_${COMPONENT}_PACKAGE_BREAKS "strataplot (<< 1.0.1)")
  set(CPACK_DEBIAN_${COMPONENT}_PACKAGE_REPLACES "strataplot (<< 1.0.1)")
endforeach()

# The programs. Beside the libraries: a font that writes Chinese, without
# which the pictures' titles, units and legends show as boxes (Depends: one of
# the two; Recommends: both, for the dialogs, whose two template fonts map to
# one each). Qt's X11 and offscreen platforms come with libqt6gui6;
# qt6-qpa-plugins and, for a Wayland session without X11, qt6-wayland add the
# others.
set(CPACK_DEBIAN_PROGRAMS_PACKAGE_NAME strataplot)
set(CPACK_DEBIAN_PROGRAMS_PACKAGE_DEPENDS
    "libstrataplot-platform1 ${exact}, libstrataplot-common1 ${exact}, fonts-wqy-microhei | fonts-arphic-uming")
set(CPACK_DEBIAN_PROGRAMS_PACKAGE_RECOMMENDS "fonts-wqy-microhei, fonts-arphic-uming, qt6-qpa-plugins")
set(CPACK_DEBIAN_PROGRAMS_PACKAGE_SUGGESTS "qt6-wayland")
# One line of the control file per line here (at most 80 columns).
string(CONCAT CPACK_DEBIAN_PROGRAMS_DESCRIPTION
       "${PROJECT_DESCRIPTION}\n"
       "Reads the simulation results of a basin-modelling project and writes oil\n"
       "and gas intensity maps for contour plotting and chloroform bitumen A\n"
       "saturation profiles. The host program strataplot runs either build of the\n"
       "library on a project, at a terminal, in batch or with windows; it also draws\n"
       "the maps as pictures and writes them as standard grids and contour lines.\n"
       "strataplot-desktop runs the commands from one window and shows the maps.")
set(CPACK_DEBIAN_PROGRAMS_PACKAGE_CONTROL_EXTRA
    ${CMAKE_BINARY_DIR}/no-maintainer-scripts/postinst
    ${CMAKE_BINARY_DIR}/no-maintainer-scripts/postrm)

# For building hosts.
set(CPACK_DEBIAN_DEV_PACKAGE_NAME strataplot-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS
    "libstrataplot-platform1 ${exact}, libstrataplot-common1 ${exact}, libstrataplot-host1 ${exact}")
set(CPACK_DEBIAN_DEV_DESCRIPTION "Strataplot's headers and packages for hosts
The C API (strataplot/strataplot.h) and the C++ headers of the host seam,
the .so links, strataplot.pc for pkg-config, the CMake package
(find_package(Strataplot)) and example hosts in C, C++ and Python.")
set(CPACK_DEBIAN_DEV_PACKAGE_CONTROL_EXTRA
    ${CMAKE_BINARY_DIR}/no-maintainer-scripts/postinst
    ${CMAKE_BINARY_DIR}/no-maintainer-scripts/postrm)
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
