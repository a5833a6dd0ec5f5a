# Cross build for 64-bit Arm Linux with Clang (VARNEL_AARCH64_CLANG, by
# default clang-16): Debian's cross C library and GCC's cross run-time
# libraries, which Clang finds on its own for the target triple, and the same
# qemu run as the GCC cross build.
include(${CMAKE_CURRENT_LIST_DIR}/aarch64-linux-gnu.cmake)
if(NOT VARNEL_AARCH64_CLANG)
  set(VARNEL_AARCH64_CLANG clang-16)
endif()
string(REPLACE "clang" "clang++" _clangxx "${VARNEL_AARCH64_CLANG}")
set(CMAKE_C_COMPILER ${VARNEL_AARCH64_CLANG})
set(CMAKE_CXX_COMPILER ${_clangxx})
set(CMAKE_C_COMPILER_TARGET aarch64-linux-gnu)
set(CMAKE_CXX_COMPILER_TARGET aarch64-linux-gnu)
set(CMAKE_OBJDUMP aarch64-linux-gnu-objdump)
