# Read by CPack when it packages (CPACK_PROJECT_CONFIG_FILE): the runtime
# components' staging directories, where dpkg-shlibdeps finds our own shared
# libraries that the other packages link, lie under the directory packages are
# made in, which is known only now (cpack -B).
set(_stage "${CPACK_PACKAGE_DIRECTORY}/_CPack_Packages/Linux/DEB/${CPACK_PACKAGE_FILE_NAME}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS
    "${_stage}/platform/usr/lib" "${_stage}/common/usr/lib" "${_stage}/host/usr/lib")
