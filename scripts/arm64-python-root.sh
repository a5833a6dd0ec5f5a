#!/usr/bin/env bash
# An arm64 Python userland for running and building the Python package for
# aarch64 on an x86_64 machine: Debian's arm64 CPython (interpreter, standard
# library, headers), NumPy, pytest and Dask with the run-time libraries they
# load, fetched with apt-get download and unpacked with dpkg-deb -x into one
# directory. Nothing is installed: installing the arm64 interpreter and NumPy
# through multiarch would make apt remove the host's python3-dev, python3-venv
# and the clang development packages.
#
# The packages are those of the Debian release this runs on (its
# /etc/os-release): Debian 12's CPython 3.11 and NumPy 1.24 on the host,
# Debian 13's CPython 3.13 and NumPy 2.2 inside the Debian 13 root, Debian
# testing's CPython 3.14 and NumPy 2.4 inside its root (scripts/test-debian.sh
# runs it there).
#
# The directory is cached, keyed by the versions of all the packages, under
# $VARNEL_CACHE_DIR (default $XDG_CACHE_HOME/varnel or ~/.cache/varnel): a
# later run with the same package versions reuses it, new versions make a new
# one. Needs the arm64 architecture in dpkg and its package lists (which
# scripts/setup-deps.sh sets up for the packaging); no root.
#
# usage: arm64-python-root.sh          prints the directory, making it if needed
#        arm64-python-root.sh --env    prints shell assignments for run-arm64-python
set -euo pipefail

# What differs between the releases: the interpreter's version, library
# names (Debian 13's 64-bit time_t transition renamed libssl3), NumPy's
# headers (their own package from Debian 13 on) and pytest's dependencies
# (Debian testing's pytest needs Pygments too).
codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
case $codename in
  bookworm)
    python=3.11
    release_arch=(libssl3 python3-numpy)
    release_all=(python3-pkg-resources python3-attr python3-py python3-more-itertools) ;;
  trixie)
    python=3.13
    release_arch=(libssl3t64 python3-numpy python3-numpy-dev)
    release_all=() ;;
  forky)
    python=3.14
    release_arch=(libssl3t64 python3-numpy python3-numpy-dev)
    release_all=(python3-pygments) ;;
  *) echo "arm64-python-root: no package list for Debian release '$codename'" >&2; exit 1 ;;
esac

# Architecture-specific packages, fetched as :arm64.
arch_packages=(
  libc6 libgcc-s1 libstdc++6 libgfortran5                       # C, C++, Fortran run time
  python$python-minimal libpython$python-minimal libpython$python-stdlib # the interpreter
  libpython$python libpython$python-dev                        # headers, for building
  libexpat1 zlib1g libffi8 libbz2-1.0 liblzma5 libuuid1 libcrypt1 # what the stdlib loads
  libblas3 liblapack3                                          # NumPy's BLAS
  python3-yaml libyaml-0-2                                     # for Dask
  "${release_arch[@]}"
)
# Pure-Python packages (Architecture: all).
all_packages=(
  python3-pytest python3-pluggy python3-iniconfig python3-packaging
  python3-dask python3-toolz python3-cloudpickle python3-fsspec python3-partd python3-locket
  python3-click
  "${release_all[@]}"
)

requested=()
for p in "${arch_packages[@]}"; do requested+=("$p:arm64"); done
requested+=("${all_packages[@]}")

# The candidate version of every package: the cache key.
versions=$(apt-cache show --no-all-versions "${requested[@]}" |
           awk '/^Package:/ {p=$2} /^Architecture:/ {a=$2} /^Version:/ {print p ":" a "=" $2}' |
           sort)
if [ "$(wc -l <<<"$versions")" -ne "${#requested[@]}" ]; then
  echo "arm64-python-root: not every package is known to apt (arm64 lists missing?):" >&2
  echo "$versions" >&2
  exit 1
fi
key=$(sha256sum <<<"$versions" | cut -c1-12)
cache=${VARNEL_CACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/varnel}
root=$cache/arm64-python-$key

if [ ! -e "$root/.complete" ]; then
  echo "arm64-python-root: making $root" >&2
  mkdir -p "$cache"
  rm -rf "$root" "$root.tmp"
  mkdir -p "$root.tmp/debs" "$root.tmp/root"
  (cd "$root.tmp/debs" && apt-get download -q "${requested[@]}" >&2)
  for deb in "$root.tmp"/debs/*.deb; do dpkg-deb -x "$deb" "$root.tmp/root"; done
  # Debian selects BLAS and LAPACK through alternatives, which unpacking
  # does not set up: the library path names their directories instead.
  echo "$versions" >"$root.tmp/root/.versions"
  mv "$root.tmp/root" "$root"
  rm -rf "$root.tmp"
  touch "$root/.complete"
fi

if [ "${1:-}" = --env ]; then
  lib=$root/usr/lib/aarch64-linux-gnu
  echo "VARNEL_ARM64_ROOT=$root"
  echo "VARNEL_ARM64_PYTHON=$root/usr/bin/python$python"
  echo "VARNEL_ARM64_LIBRARY_PATH=$root/lib/aarch64-linux-gnu:$lib:$lib/blas:$lib/lapack"
else
  echo "$root"
fi
