#!/usr/bin/env bash
# Installs from Debian's packages whatever the build and the tests need and
# the machine lacks. Idempotent: nothing is fetched when all is present.
set -euo pipefail
# python3-munkres satisfies a dependency of matplotlib's python3-fonttools
# that apt would otherwise fill with a large numerical library, which Dask
# (used by the Python package's tests) would then import.
packages=(cmake g++ googletest libbenchmark-dev g++-aarch64-linux-gnu qemu-user
          binutils python3-mpmath python3-numpy python3-munkres python3-matplotlib
          pkg-config clang libclang-rt-14-dev
          libboost-math-dev libgsl-dev)  # the benchmarks' peers

# --- C interface and Fortran module: the Fortran compilers for the module's
# tests and example, natively and in the aarch64 cross build.
packages+=(gfortran gfortran-aarch64-linux-gnu)
# --- end of C interface and Fortran module

# --- toolchain matrix (scripts/toolchain-matrix.sh): the other compilers it
# builds with (each pulls in its linker plug-in for -flto).
packages+=(clang-14 clang-15 clang-16)
# --- end of toolchain matrix

# --- packaging: Debian and RPM tools; the arm64 C and C++ run-time packages
# through Debian multiarch, whose symbols files dpkg-shlibdeps reads to compute
# the dependencies of the arm64 packages.
packages+=(dpkg-dev fakeroot file lintian rpm rpm2cpio cpio
           libc6:arm64 libgcc-s1:arm64 libstdc++6:arm64)
if ! dpkg --print-foreign-architectures | grep -qx arm64; then
  echo "adding the arm64 architecture to dpkg"
  if [ "$(id -u)" -eq 0 ]; then dpkg --add-architecture arm64; else sudo dpkg --add-architecture arm64; fi
fi
# --- end of packaging

# --- Debian roots (scripts/debian-root.sh: the Debian 13 stage, the clean
# roots of the apt install test): debootstrap is fetched and unpacked, not
# installed; it downloads with wget and checks the archive with Debian's keys.
packages+=(wget debian-archive-keyring)
# --- end of Debian roots

# Installs those of the named packages that are missing; extra apt-get
# options come first, up to "--".
install_missing() {
  local options=()
  while [ "$1" != "--" ]; do options+=("$1"); shift; done
  shift
  local missing=()
  for p in "$@"; do
    dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
  done
  ((${#missing[@]})) || return 0
  echo "installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${options[@]}" "${missing[@]}" >/dev/null
}

install_missing -- "${packages[@]}"

# --- Python package (python/): build, tests, Dask cluster, offline pip -----
# Without recommended packages: nothing the Python package needs is among
# them, and they would pull in large unrelated ones.
python_packages=(python3-dev python3-numpy python3-pytest python3-dask
                 python3-distributed python3-pip python3-setuptools python3-wheel
                 python3-venv)
install_missing --no-install-recommends -- "${python_packages[@]}"
# --- end of Python package -------------------------------------------------

# --- wheels and source distribution (scripts/build-wheels.sh): the build
# backend scikit-build-core, which Debian 12 has in bookworm-backports only;
# the backports archive is added to apt's sources (the mirror of the release's
# own sources) and only that package and what it needs are taken from it.
if [ "$(. /etc/os-release && echo "${VERSION_CODENAME:-}")" = bookworm ] &&
   ! dpkg -s python3-scikit-build-core >/dev/null 2>&1; then
  if ! apt-cache policy 2>/dev/null | grep -q 'bookworm-backports'; then
    mirror=$(bash "$(dirname "$0")/debian-root.sh" mirror)
    echo "adding bookworm-backports ($mirror) to apt's sources"
    printf 'Types: deb\nURIs: %s\nSuites: bookworm-backports\nComponents: main\nSigned-By: %s\n' \
      "$mirror" /usr/share/keyrings/debian-archive-keyring.gpg \
      >/etc/apt/sources.list.d/varnel-backports.sources
  fi
  install_missing --no-install-recommends -t bookworm-backports -- python3-scikit-build-core
else
  install_missing --no-install-recommends -- python3-scikit-build-core
fi
# --- end of wheels and source distribution

# --- R package (r/): R to build, check and test it, testthat for its tests.
# Without recommended packages: R CMD check --no-manual needs none of them.
install_missing --no-install-recommends -- r-base-dev r-cran-testthat
# --- end of R package
