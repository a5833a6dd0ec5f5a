# Cross build for 64-bit Arm Linux with Debian's cross compiler; the tests run
# under user-mode qemu with the cross C library as its root.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
# Optional: the Fortran module is tested where the cross compiler is installed.
find_program(VARNEL_AARCH64_GFORTRAN aarch64-linux-gnu-gfortran)
if(VARNEL_AARCH64_GFORTRAN)
  set(CMAKE_Fortran_COMPILER ${VARNEL_AARCH64_GFORTRAN})
endif()
set(CMAKE_FIND_ROOT_PATH /usr/aarch64-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# The loader under qemu would otherwise take the C library from the host's
# ld.so.cache, which lists Debian's multiarch arm64 libraries once they are
# installed (the packaging needs them): a C library of another build than the
# cross loader, which makes threaded programs hang. The search path keeps the
# loader, the C library and the mathematics library one set.
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64 -L /usr/aarch64-linux-gnu
    -E LD_LIBRARY_PATH=/usr/aarch64-linux-gnu/lib)
