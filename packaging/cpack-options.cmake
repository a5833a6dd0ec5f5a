# Read by cpack once per generator (CPACK_PROJECT_CONFIG_FILE), after the
# settings that packaging.cmake wrote.

if(CPACK_VARNEL_PACKAGING_ERRORS)
  message(FATAL_ERROR "no packages: ${CPACK_VARNEL_PACKAGING_ERRORS}")
endif()

# The install rules of the Debian-only files (copyright, changelog, lintian
# overrides) look at this; cpack runs them in this process.
set(ENV{VARNEL_PACKAGE_FORMAT} "${CPACK_GENERATOR}")

if(CPACK_GENERATOR STREQUAL "RPM")
  list(REMOVE_ITEM CPACK_COMPONENTS_ALL python)
elseif(CPACK_GENERATOR STREQUAL "DEB")
  # libvarnel0 as dpkg-shlibdeps expects a package being built to look: the
  # library below a directory holding DEBIAN/symbols. The packages that link
  # the library then depend on the libvarnel0 version the symbols file names
  # for the symbols they use.
  file(READ ${CPACK_VARNEL_LIBRARY_FILE_NAME} library)
  file(REMOVE_RECURSE ${CPACK_VARNEL_SHLIBDEPS_ROOT})
  file(COPY ${library} DESTINATION ${CPACK_VARNEL_SHLIBDEPS_ROOT}/usr/lib64)
  file(COPY ${CPACK_VARNEL_DEBIAN_DIR}/symbols ${CPACK_VARNEL_DEBIAN_DIR}/shlibs
       DESTINATION ${CPACK_VARNEL_SHLIBDEPS_ROOT}/DEBIAN)
  # libvarnel-c0 likewise, for the Python module that links it.
  file(READ ${CPACK_VARNEL_C_LIBRARY_FILE_NAME} c_library)
  file(REMOVE_RECURSE ${CPACK_VARNEL_C_SHLIBDEPS_ROOT})
  file(COPY ${c_library} DESTINATION ${CPACK_VARNEL_C_SHLIBDEPS_ROOT}/usr/lib64)
  file(COPY ${CPACK_VARNEL_DEBIAN_DIR}/libvarnel-c0/symbols ${CPACK_VARNEL_DEBIAN_DIR}/libvarnel-c0/shlibs
       DESTINATION ${CPACK_VARNEL_C_SHLIBDEPS_ROOT}/DEBIAN)
  # libvarnel-stats0 likewise, for the evaluator and the Python module.
  file(READ ${CPACK_VARNEL_STATS_LIBRARY_FILE_NAME} stats_library)
  file(REMOVE_RECURSE ${CPACK_VARNEL_STATS_SHLIBDEPS_ROOT})
  file(COPY ${stats_library} DESTINATION ${CPACK_VARNEL_STATS_SHLIBDEPS_ROOT}/usr/lib64)
  file(COPY ${CPACK_VARNEL_DEBIAN_DIR}/libvarnel-stats0/symbols
       ${CPACK_VARNEL_DEBIAN_DIR}/libvarnel-stats0/shlibs
       DESTINATION ${CPACK_VARNEL_STATS_SHLIBDEPS_ROOT}/DEBIAN)
  # dpkg-shlibdeps looks up the C library's symbols for this architecture
  # (installed through Debian multiarch for the cross build).
  set(ENV{DEB_HOST_ARCH} "${CPACK_DEBIAN_PACKAGE_ARCHITECTURE}")
endif()
