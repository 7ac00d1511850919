# What `cmake --install` puts where, and the Debian package made from it.
install(TARGETS strataplot-host strataplot-desktop strataplot-makeproject strataplot-bench
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS strataplot-platform strataplot-common
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} NAMELINK_SKIP)
install(TARGETS strataplot strataplot-static strataplot-grids strataplot-render strataplot-gui
        LIBRARY DESTINATION ${STRATAPLOT_MODULE_DIR})
install(DIRECTORY sample/ DESTINATION ${CMAKE_INSTALL_DATADIR}/strataplot/sample)
install(FILES README.md docs/formats.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES docs/strataplot.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES host/completion.bash DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
        RENAME strataplot)

set(CPACK_PACKAGE_NAME strataplot)
set(CPACK_PACKAGE_VENDOR "Strataplot maintainers")
set(CPACK_PACKAGE_CONTACT "Strataplot maintainers <maintainers@strataplot.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION "Reads the simulation results of a basin-modelling project and \
writes oil and gas intensity maps for contour plotting and chloroform bitumen A \
saturation profiles. The host program strataplot runs either build of the library \
on a project, at a terminal or in batch.")
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
# Dependencies from the libraries the programs link, as dpkg-shlibdeps finds
# them; our own shared libraries are in the package.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
include(CPack)

# The installed tree and the package, checked as a user would meet them.
if(STRATAPLOT_TESTS AND NOT STRATAPLOT_SANITIZE)
  add_test(NAME install_tree COMMAND ${CMAKE_SOURCE_DIR}/scripts/check-install ${CMAKE_BINARY_DIR})
endif()
