# Debian and RPM packages, made by CPack from the install components of one
# configured build tree (native, or cross through the aarch64 toolchain file):
#
#   component    Debian           RPM               contents
#   runtime      libvarnel0       libvarnel         /usr/lib64/libvarnel.so.0
#   c_runtime    libvarnel-c0     libvarnel-c       /usr/lib64/libvarnel-c.so.0
#   stats_runtime libvarnel-stats0 libvarnel-stats  /usr/lib64/libvarnel-stats.so.0
#   development  libvarnel-dev    libvarnel-devel   headers, Fortran module
#                                                   source, the .so links,
#                                                   CMake and pkg-config files
#   tools        varnel-tools     varnel-tools      /usr/bin/varnel, its man page
#   python       python3-varnel   (none)            the Python module, when built
#
# The RPMs stop at the five native packages: the Python module is installed
# into Debian's dist-packages layout, which RPM-family systems do not search.
# Debian dependencies are computed from the binaries by dpkg-shlibdeps (our own
# library's through the symbols file in debian/), RPM ones by rpmbuild's ELF
# dependency generator. scripts/package.sh runs cpack in both build trees and
# collects the files in dist/; install-test.sh checks them.

set(VARNEL_PACKAGING_DIR ${CMAKE_CURRENT_LIST_DIR})

# The packaging revision of this upstream version; it restarts at 1 with every
# new version and is the last number of the Debian and RPM versions.
set(VARNEL_PACKAGE_RELEASE 1 CACHE STRING "Packaging revision (Debian revision, RPM release)")
set(VARNEL_PACKAGE_MAINTAINER "libvarnel developers <libvarnel@example.org>"
    CACHE STRING "Maintainer of the Debian and RPM packages")
set(VARNEL_PACKAGE_VERSION ${PROJECT_VERSION}-${VARNEL_PACKAGE_RELEASE})

# The Debian packages are built in each release's own environment (Debian 12
# on the host, Debian 13 in a root of its own: scripts/test-debian.sh), and
# their versions say which, as Debian's convention for one source built for
# several releases does: 0.1.0-1~deb12u1, 0.1.0-1~deb13u1. Both sort below
# 0.1.0-1, and Debian 12's below Debian 13's, so an upgrade of the system
# upgrades the packages. The release is read from the build machine's
# /etc/os-release (the cross build's target release is the build machine's);
# elsewhere than on Debian the suffix is empty. The RPMs keep the plain
# version.
set(VARNEL_DEBIAN_RELEASE_NUMBER "")
set(VARNEL_DEBIAN_CODENAME "")
if(EXISTS /etc/os-release)
  file(STRINGS /etc/os-release os_release REGEX "^(ID|VERSION_ID|VERSION_CODENAME)=")
  if("ID=debian" IN_LIST os_release)
    foreach(line IN LISTS os_release)
      if(line MATCHES "^VERSION_ID=\"?([0-9]+)\"?$")
        set(VARNEL_DEBIAN_RELEASE_NUMBER ${CMAKE_MATCH_1})
      elseif(line MATCHES "^VERSION_CODENAME=([a-z]+)$")
        set(VARNEL_DEBIAN_CODENAME ${CMAKE_MATCH_1})
      endif()
    endforeach()
  endif()
endif()
if(VARNEL_DEBIAN_RELEASE_NUMBER)
  set(default_suffix "~deb${VARNEL_DEBIAN_RELEASE_NUMBER}u1")
else()
  set(default_suffix "")
endif()
set(VARNEL_DEBIAN_RELEASE_SUFFIX "${default_suffix}" CACHE STRING
    "Appended to the Debian revision: the release the packages are built for (~debNNuM)")
set(VARNEL_DEBIAN_VERSION ${VARNEL_PACKAGE_VERSION}${VARNEL_DEBIAN_RELEASE_SUFFIX}
    CACHE INTERNAL "The version of the Debian packages")
# Which of the two package formats cpack makes (a Debian root makes the Debian
# packages alone).
set(VARNEL_PACKAGE_GENERATORS DEB RPM CACHE STRING "Package formats: DEB, RPM or both")

if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|amd64|AMD64)$")
  set(VARNEL_DEB_ARCH amd64)
  set(VARNEL_RPM_ARCH x86_64)
elseif(CMAKE_SYSTEM_PROCESSOR MATCHES "^(aarch64|arm64|ARM64)$")
  set(VARNEL_DEB_ARCH arm64)
  set(VARNEL_RPM_ARCH aarch64)
else()
  message(STATUS "No packages for processor ${CMAKE_SYSTEM_PROCESSOR}")
  return()
endif()

# Problems found here fail cpack, not the build: the library and its tests
# stay usable while the packaging is being brought up to date.
set(VARNEL_PACKAGING_ERRORS "")

# The Debian changelog must describe the version being packaged.
file(STRINGS ${VARNEL_PACKAGING_DIR}/debian/changelog changelog_head LIMIT_COUNT 1)
if(NOT changelog_head MATCHES "^libvarnel \\(${VARNEL_PACKAGE_VERSION}\\) ")
  list(APPEND VARNEL_PACKAGING_ERRORS
       "packaging/debian/changelog has no entry for ${VARNEL_PACKAGE_VERSION} at the top")
endif()

# Every install rule must belong to a packaged component, or its files would be
# left out of every package without a word.
set(VARNEL_PACKAGE_COMPONENTS runtime c_runtime stats_runtime development tools)
get_cmake_property(installed_components COMPONENTS)
if(python IN_LIST installed_components)
  list(APPEND VARNEL_PACKAGE_COMPONENTS python)
endif()
foreach(component IN LISTS installed_components)
  if(NOT component IN_LIST VARNEL_PACKAGE_COMPONENTS)
    list(APPEND VARNEL_PACKAGING_ERRORS "install component '${component}' is in no package")
  endif()
endforeach()
if(VARNEL_PACKAGING_ERRORS)
  message(WARNING "cpack will refuse to make packages: ${VARNEL_PACKAGING_ERRORS}")
endif()

# The evaluator's man page, compressed as both package formats expect.
if(TARGET varnel_cli)
  set(manpage ${CMAKE_BINARY_DIR}/packaging/varnel.1.gz)
  add_custom_command(OUTPUT ${manpage}
    COMMAND gzip -9nc ${VARNEL_PACKAGING_DIR}/varnel.1 > ${manpage}
    DEPENDS ${VARNEL_PACKAGING_DIR}/varnel.1 VERBATIM)
  add_custom_target(varnel_manpage ALL DEPENDS ${manpage})
  install(FILES ${manpage} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT tools)
endif()

# Debian wants a copyright file and a changelog in /usr/share/doc/<package> of
# every package, and reads lintian overrides from the package itself. They are
# installed only when CPack makes Debian packages (cpack-options.cmake sets
# VARNEL_PACKAGE_FORMAT), so RPMs and plain installs do not carry them.
# With a release suffix the packages' changelog gets an entry of that version
# on top of packaging/debian/changelog, as a stable update or a backport
# has: the distribution is the release's, the maintainer that of the entry
# below it, the date one second after it (lintian wants a later date; a fixed
# one keeps the packages reproducible).
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/packaging)
set(debian_changelog ${VARNEL_PACKAGING_DIR}/debian/changelog)
if(VARNEL_DEBIAN_RELEASE_SUFFIX)
  file(READ ${debian_changelog} changelog_text)
  string(REGEX MATCH "\n -- ([^\n]*>)  ([^\n]*)" changelog_trailer "${changelog_text}")
  set(changelog_maintainer ${CMAKE_MATCH_1})
  execute_process(COMMAND date -u -R -d "${CMAKE_MATCH_2} + 1 second"
                  OUTPUT_VARIABLE changelog_date OUTPUT_STRIP_TRAILING_WHITESPACE
                  COMMAND_ERROR_IS_FATAL ANY)
  set(distribution ${VARNEL_DEBIAN_CODENAME})
  if(NOT distribution)
    set(distribution unstable)
  endif()
  if(VARNEL_DEBIAN_RELEASE_NUMBER)
    set(built_for "Debian ${VARNEL_DEBIAN_RELEASE_NUMBER} (${distribution})")
  else()
    set(built_for "${distribution}")
  endif()
  set(debian_changelog ${CMAKE_BINARY_DIR}/packaging/changelog)
  file(WRITE ${debian_changelog} "libvarnel (${VARNEL_DEBIAN_VERSION}) ${distribution}; urgency=medium

  * Built for ${built_for}.

 -- ${changelog_maintainer}  ${changelog_date}

${changelog_text}")
endif()
set(debian_changelog_gz ${CMAKE_BINARY_DIR}/packaging/changelog.Debian.gz)
execute_process(COMMAND gzip -9nc ${debian_changelog}
                OUTPUT_FILE ${debian_changelog_gz} COMMAND_ERROR_IS_FATAL ANY)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${VARNEL_PACKAGING_DIR}/debian/changelog)
function(varnel_debian_docs component package)
  set(files ${VARNEL_PACKAGING_DIR}/debian/copyright ${debian_changelog_gz})
  set(overrides ${VARNEL_PACKAGING_DIR}/lintian/${package})
  set(code "if(\"\$ENV{VARNEL_PACKAGE_FORMAT}\" STREQUAL \"DEB\")
  file(INSTALL ${files} DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/doc/${package}\"
       FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)")
  if(EXISTS ${overrides})
    string(APPEND code "
  file(INSTALL ${overrides} DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/lintian/overrides\"
       FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)")
  endif()
  install(CODE "${code}\nendif()" COMPONENT ${component})
endfunction()

# --- package names, descriptions and relations -------------------------------
set(summary_body
  "libvarnel evaluates the error-function family, real gamma and log-gamma in
single and double precision, complex gamma and log-gamma, the regularised
incomplete gamma functions and two incomplete beta functions. Every result is
fixed to the last bit by the order of operations of its algorithm, the same on
amd64 and arm64.")

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME libvarnel0)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_RUNTIME_DESCRIPTION "C++ library of special functions (erf, gamma, incomplete gamma and beta)
${summary_body}
.
This package contains the shared library.")
set(CPACK_RPM_RUNTIME_PACKAGE_NAME libvarnel)
set(CPACK_RPM_RUNTIME_PACKAGE_SUMMARY "C++ library of special functions (erf, gamma, incomplete gamma and beta)")
set(CPACK_RPM_RUNTIME_PACKAGE_DESCRIPTION "${summary_body}\n\nThis package contains the shared library.")
varnel_debian_docs(runtime libvarnel0)

# --- C interface package ---
set(CPACK_DEBIAN_C_RUNTIME_PACKAGE_NAME libvarnel-c0)
set(CPACK_DEBIAN_C_RUNTIME_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_C_RUNTIME_DESCRIPTION "C interface to the libvarnel special functions
${summary_body}
.
This package contains the shared library libvarnel-c.so.0, which gives every
function and constant a plain C name, for C, Fortran (ISO_C_BINDING) and the
foreign-function interfaces of other languages.")
set(CPACK_RPM_C_RUNTIME_PACKAGE_NAME libvarnel-c)
set(CPACK_RPM_C_RUNTIME_PACKAGE_SUMMARY "C interface to the libvarnel special functions")
set(CPACK_RPM_C_RUNTIME_PACKAGE_DESCRIPTION "${summary_body}

This package contains the shared library libvarnel-c.so.0, which gives every
function and constant a plain C name, for C, Fortran (ISO_C_BINDING) and the
foreign-function interfaces of other languages.")
set(CPACK_RPM_C_RUNTIME_PACKAGE_GROUP "System Environment/Libraries")
varnel_debian_docs(c_runtime libvarnel-c0)
# --- end of C interface package ---

# --- inverse functions package ---
set(stats_body "This package contains the shared library libvarnel-stats.so.0: the inverses
of the error functions and of the regularised incomplete gamma and beta
functions (quantiles of the normal, gamma, chi-square and beta
distributions), each result the number at which libvarnel's own forward
function crosses the target, to the last bit.")
set(CPACK_DEBIAN_STATS_RUNTIME_PACKAGE_NAME libvarnel-stats0)
set(CPACK_DEBIAN_STATS_RUNTIME_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_STATS_RUNTIME_DESCRIPTION "inverse functions exactly consistent with libvarnel
${summary_body}
.
${stats_body}")
set(CPACK_RPM_STATS_RUNTIME_PACKAGE_NAME libvarnel-stats)
set(CPACK_RPM_STATS_RUNTIME_PACKAGE_SUMMARY "Inverse functions exactly consistent with libvarnel")
set(CPACK_RPM_STATS_RUNTIME_PACKAGE_DESCRIPTION "${summary_body}

${stats_body}")
set(CPACK_RPM_STATS_RUNTIME_PACKAGE_GROUP "System Environment/Libraries")
varnel_debian_docs(stats_runtime libvarnel-stats0)
# --- end of inverse functions package ---

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libvarnel-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS "libvarnel0 (= ${VARNEL_DEBIAN_VERSION}), libvarnel-c0 (= ${VARNEL_DEBIAN_VERSION}), libvarnel-stats0 (= ${VARNEL_DEBIAN_VERSION})")
set(CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION "C++ library of special functions - development files
${summary_body}
.
This package contains the C++ header <varnel/varnel.hpp>, the C header
<varnel/varnel.h>, the headers of the inverse functions <varnel/stats.h> and
<varnel/stats.hpp>, the Fortran module varnel as source, the libvarnel.so,
libvarnel-c.so and libvarnel-stats.so links and the files for CMake's
find_package(varnel) and for pkg-config.")
set(CPACK_RPM_DEVELOPMENT_PACKAGE_NAME libvarnel-devel)
set(CPACK_RPM_DEVELOPMENT_PACKAGE_SUMMARY "C++ library of special functions - development files")
set(CPACK_RPM_DEVELOPMENT_PACKAGE_DESCRIPTION "${summary_body}

This package contains the C++ header <varnel/varnel.hpp>, the C header
<varnel/varnel.h>, the headers of the inverse functions <varnel/stats.h> and
<varnel/stats.hpp>, the Fortran module varnel as source, the libvarnel.so,
libvarnel-c.so and libvarnel-stats.so links and the files for CMake's
find_package(varnel) and for pkg-config.")
set(CPACK_RPM_DEVELOPMENT_PACKAGE_REQUIRES "libvarnel = ${VARNEL_PACKAGE_VERSION}, libvarnel-c = ${VARNEL_PACKAGE_VERSION}, libvarnel-stats = ${VARNEL_PACKAGE_VERSION}")
varnel_debian_docs(development libvarnel-dev)

set(CPACK_DEBIAN_TOOLS_PACKAGE_NAME varnel-tools)
set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION math)
set(CPACK_DEBIAN_TOOLS_DESCRIPTION "command-line evaluator of the libvarnel special functions
varnel evaluates any function or constant of libvarnel given on the command
line, sweeps one argument over a range, or reads argument sets from standard
input, and prints each result as a round-trip decimal, a hex-float and its bit
pattern.")
set(CPACK_RPM_TOOLS_PACKAGE_NAME varnel-tools)
set(CPACK_RPM_TOOLS_PACKAGE_SUMMARY "Command-line evaluator of the libvarnel special functions")
set(CPACK_RPM_TOOLS_PACKAGE_DESCRIPTION "varnel evaluates any function or constant of libvarnel given on the command
line, sweeps one argument over a range, or reads argument sets from standard
input, and prints each result as a round-trip decimal, a hex-float and its bit
pattern.")
varnel_debian_docs(tools varnel-tools)

if(python IN_LIST VARNEL_PACKAGE_COMPONENTS)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME python3-varnel)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
  # Besides the libraries its extension links (computed by dpkg-shlibdeps),
  # the module needs the interpreter version it was built for and NumPy's
  # binary interface it was compiled against: the relations Debian's own
  # helpers for Python and NumPy extensions would write. Both are the
  # target's (python/ reads them from the unpacked target userland in a
  # cross build). The module and the libraries come from one build and its
  # results are their bits: it takes libvarnel0, libvarnel-c0 and
  # libvarnel-stats0 of exactly its own version (and architecture: the
  # packages are not Multi-Arch).
  set(python_depends "libvarnel0 (= ${VARNEL_DEBIAN_VERSION}), libvarnel-c0 (= ${VARNEL_DEBIAN_VERSION}), libvarnel-stats0 (= ${VARNEL_DEBIAN_VERSION})")
  if(VARNEL_PYTHON_BUILT_FOR MATCHES "^3\\.([0-9]+)$")
    math(EXPR next_minor "${CMAKE_MATCH_1} + 1")
    string(APPEND python_depends ", python3 (>= ${VARNEL_PYTHON_BUILT_FOR}~), python3 (<< 3.${next_minor})")
  else()
    string(APPEND python_depends ", python3")
  endif()
  set(numpy_versions ${VARNEL_PYTHON_NUMPY_VERSIONS})
  if(numpy_versions AND EXISTS ${numpy_versions})
    file(STRINGS ${numpy_versions} numpy_abi REGEX "^abi ")
    file(STRINGS ${numpy_versions} numpy_api_min REGEX "^api-min-version ")
    string(REPLACE "abi " "" numpy_abi "${numpy_abi}")
    string(REPLACE "api-min-version " "" numpy_api_min "${numpy_api_min}")
    # As the release's dh_numpy3 writes it: NumPy 1.x (Debian 12) names its
    # ABI python3-numpy-abiN and needs the API's first version; NumPy 2
    # (Debian 13) names it python3-numpy2-abiN, whose ABI 0 also runs on
    # NumPy 1.x's last ABI (the extension targets NumPy 1.22's interface,
    # python/src/numpy_api.hpp).
    if(numpy_api_min MATCHES "^([0-9]+:)?([0-9]+)\\." AND CMAKE_MATCH_2 GREATER_EQUAL 2)
      string(APPEND python_depends ", python3-numpy2-abi${numpy_abi}")
      if(numpy_abi STREQUAL "0")
        string(APPEND python_depends " | python3-numpy-abi9")
      endif()
    else()
      string(APPEND python_depends ", python3-numpy (>= ${numpy_api_min}), python3-numpy-abi${numpy_abi}")
    endif()
  else()
    string(APPEND python_depends ", python3-numpy")
  endif()
  set(VARNEL_PYTHON_PACKAGE_DEPENDS "" CACHE STRING
      "Debian Depends of python3-varnel besides the computed ones (empty: from the interpreter and NumPy found)")
  if(VARNEL_PYTHON_PACKAGE_DEPENDS)
    set(python_depends "${VARNEL_PYTHON_PACKAGE_DEPENDS}")
  endif()
  set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS "${python_depends}")
  set(CPACK_DEBIAN_PYTHON_DESCRIPTION "Python 3 bindings of the libvarnel special functions
${summary_body}
.
This package contains the Python 3 module varnel.")
  varnel_debian_docs(python python3-varnel)
endif()

# --- common settings ----------------------------------------------------------
set(CPACK_PACKAGE_NAME varnel)
set(CPACK_PACKAGE_VENDOR "libvarnel developers")
set(CPACK_PACKAGE_CONTACT "${VARNEL_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_GENERATOR ${VARNEL_PACKAGE_GENERATORS})
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_COMPONENTS_ALL ${VARNEL_PACKAGE_COMPONENTS})
# Stripping removes symbol tables and debugging sections only; the code is
# untouched. The cross build strips with the cross binutils.
set(CPACK_STRIP_FILES ON)
set(CPACK_PROJECT_CONFIG_FILE ${VARNEL_PACKAGING_DIR}/cpack-options.cmake)
set(CPACK_VARNEL_PACKAGING_ERRORS "${VARNEL_PACKAGING_ERRORS}")
set(CPACK_VARNEL_DEBIAN_DIR ${VARNEL_PACKAGING_DIR}/debian)
set(CPACK_VARNEL_SHLIBDEPS_ROOT ${CMAKE_BINARY_DIR}/packaging/shlibdeps)
set(CPACK_VARNEL_LIBRARY_FILE_NAME ${CMAKE_BINARY_DIR}/packaging/library-file.txt)
file(GENERATE OUTPUT ${CPACK_VARNEL_LIBRARY_FILE_NAME} CONTENT "$<TARGET_FILE:varnel>")
# The same for libvarnel-c0, in a tree of its own, for the Python module,
# which links libvarnel-c.so.0 too.
set(CPACK_VARNEL_C_SHLIBDEPS_ROOT ${CMAKE_BINARY_DIR}/packaging/shlibdeps-c)
set(CPACK_VARNEL_C_LIBRARY_FILE_NAME ${CMAKE_BINARY_DIR}/packaging/c-library-file.txt)
file(GENERATE OUTPUT ${CPACK_VARNEL_C_LIBRARY_FILE_NAME} CONTENT "$<TARGET_FILE:varnel_c>")
# And for libvarnel-stats0, which the evaluator, the Python module and the R
# package link.
set(CPACK_VARNEL_STATS_SHLIBDEPS_ROOT ${CMAKE_BINARY_DIR}/packaging/shlibdeps-stats)
set(CPACK_VARNEL_STATS_LIBRARY_FILE_NAME ${CMAKE_BINARY_DIR}/packaging/stats-library-file.txt)
file(GENERATE OUTPUT ${CPACK_VARNEL_STATS_LIBRARY_FILE_NAME} CONTENT "$<TARGET_FILE:varnel_stats>")

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${VARNEL_PACKAGE_RELEASE}${VARNEL_DEBIAN_RELEASE_SUFFIX})
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${VARNEL_DEB_ARCH})
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# dpkg-shlibdeps finds libvarnel.so.0, for the packages whose binaries link
# it, in a tree that cpack-options.cmake lays out like the libvarnel0 package
# being built: the library and DEBIAN/symbols.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CPACK_VARNEL_SHLIBDEPS_ROOT}/usr/lib64
    ${CPACK_VARNEL_C_SHLIBDEPS_ROOT}/usr/lib64 ${CPACK_VARNEL_STATS_SHLIBDEPS_ROOT}/usr/lib64)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA
    ${VARNEL_PACKAGING_DIR}/debian/shlibs ${VARNEL_PACKAGING_DIR}/debian/symbols
    ${VARNEL_PACKAGING_DIR}/debian/triggers)
set(CPACK_DEBIAN_C_RUNTIME_PACKAGE_CONTROL_EXTRA
    ${VARNEL_PACKAGING_DIR}/debian/libvarnel-c0/shlibs
    ${VARNEL_PACKAGING_DIR}/debian/libvarnel-c0/symbols
    ${VARNEL_PACKAGING_DIR}/debian/libvarnel-c0/triggers)
set(CPACK_DEBIAN_STATS_RUNTIME_PACKAGE_CONTROL_EXTRA
    ${VARNEL_PACKAGING_DIR}/debian/libvarnel-stats0/shlibs
    ${VARNEL_PACKAGING_DIR}/debian/libvarnel-stats0/symbols
    ${VARNEL_PACKAGING_DIR}/debian/libvarnel-stats0/triggers)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_RPM_COMPONENT_INSTALL ON)
set(CPACK_RPM_FILE_NAME RPM-DEFAULT)
set(CPACK_RPM_PACKAGE_RELEASE ${VARNEL_PACKAGE_RELEASE})
set(CPACK_RPM_PACKAGE_ARCHITECTURE ${VARNEL_RPM_ARCH})
set(CPACK_RPM_PACKAGE_LICENSE "Unspecified")
set(CPACK_RPM_RUNTIME_PACKAGE_GROUP "System Environment/Libraries")
set(CPACK_RPM_DEVELOPMENT_PACKAGE_GROUP "Development/Libraries")
set(CPACK_RPM_TOOLS_PACKAGE_GROUP "Applications/Engineering")
# The binaries are stripped already, by the strip of the target's binutils;
# no build-id links, which would put files outside the package's directories.
set(CPACK_RPM_SPEC_MORE_DEFINE "%define __strip ${CMAKE_STRIP}
%define _build_id_links none")
# Directories other packages own.
set(CPACK_RPM_EXCLUDE_FROM_AUTO_FILELIST_ADDITION
    /usr/share/cmake /usr/share/pkgconfig /usr/share/man /usr/share/man/man1)

include(CPack)
