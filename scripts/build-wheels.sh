#!/usr/bin/env bash
# The Python package's release files, from a clone, offline, into OUTDIR:
#
#   varnel-<version>-cp311-abi3-manylinux_2_28_x86_64.whl
#   varnel-<version>-cp311-abi3-manylinux_2_28_aarch64.whl   (cross-built)
#   varnel-<version>.tar.gz                                  (the source distribution)
#
# Each wheel holds one extension module for CPython's stable ABI of 3.11
# (every CPython from 3.11 on; not the free-threaded builds), built against
# NumPy 2's headers for NumPy 1.23's interface (it loads on NumPy 1.23 and
# later), and the libraries it calls, all linked so that they need nothing
# newer than glibc 2.28 and nothing of the system's C++ run time
# (VARNEL_OLD_GLIBC_SYMBOLS: cmake/old-glibc-symbols.h,
# python/src/glibc_compat.cpp). scikit-build-core builds them
# (pyproject.toml) and names them linux_<arch>; tools/wheel_policy.py then
# gives each the manylinux tag its objects allow and checks it, and this
# script requires that tag to be manylinux_2_28.
#
# Built on Debian 12 (GCC 12, glibc 2.36) with Debian's python3 (3.11 or
# later), scikit-build-core (bookworm-backports, scripts/setup-deps.sh) and
# cmake; NumPy 2's headers come from Debian 13's python3-numpy-dev
# (scripts/numpy2-headers.sh); the aarch64 build uses the cross toolchain of
# cmake/aarch64-linux-gnu.cmake and the arm64 CPython headers of
# scripts/arm64-python-root.sh. File times are SOURCE_DATE_EPOCH, by default
# the time of the last commit, so that two builds of one tree give the same
# bytes; --reproducible builds the x86_64 wheel a second time and requires
# that.
#
# usage: build-wheels.sh OUTDIR [--reproducible]
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:?usage: build-wheels.sh OUTDIR [--reproducible]}
reproducible=0
[ "${2:-}" = --reproducible ] && reproducible=1
mkdir -p "$out"
out=$(realpath "$out")
source_dir=$PWD
python=/usr/bin/python3
start=$SECONDS

export PIP_CONFIG_FILE=/dev/null PYTHONDONTWRITEBYTECODE=1
unset PIP_FIND_LINKS PIP_INDEX_URL PIP_EXTRA_INDEX_URL PYTHONPATH
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null || stat -c %Y CMakeLists.txt)
fi
export SOURCE_DATE_EPOCH
version=$(sed -n 's/^project(varnel VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "build-wheels: no project version in CMakeLists.txt" >&2; exit 1; }
rm -f "$out"/varnel-"$version"-*.whl "$out/varnel-$version.tar.gz"

build_wheel() { # arch, directory, cmake definitions...
  local arch=$1 dir=$2 t=$SECONDS
  shift 2
  local settings=() d
  for d in VARNEL_OLD_GLIBC_SYMBOLS=ON "$@"; do
    settings+=("--config-settings=cmake.define.$d")
  done
  rm -rf "$dir"
  mkdir -p "$dir"
  # The platform scikit-build-core names the wheel for; the tag that counts
  # is the one tools/wheel_policy.py gives it below.
  _PYTHON_HOST_PLATFORM=linux-$arch \
    "$python" -m pip wheel -v --no-build-isolation --no-index --no-deps -w "$dir" \
    "${settings[@]}" "$source_dir" >"$dir.log" 2>&1 || { tail -n 60 "$dir.log"; exit 1; }
  local built
  built=$(echo "$dir"/varnel-"$version"-cp311-abi3-linux_"$arch".whl)
  [ -f "$built" ] || { echo "build-wheels: no cp311-abi3 wheel for $arch in $dir:" >&2; ls "$dir" >&2; exit 1; }
  "$python" tools/wheel_policy.py retag "$built" >/dev/null
  echo "$arch wheel built in $((SECONDS - t)) s"
}

work=$source_dir/build-wheels
mkdir -p "$work"
for arch in x86_64 aarch64; do
  if [ "$arch" = x86_64 ]; then
    defines=(VARNEL_NUMPY_INCLUDE_DIR="$(bash scripts/numpy2-headers.sh amd64)")
  else
    defines=(VARNEL_NUMPY_INCLUDE_DIR="$(bash scripts/numpy2-headers.sh arm64)"
             CMAKE_TOOLCHAIN_FILE="$source_dir/cmake/aarch64-linux-gnu.cmake"
             VARNEL_PYTHON_TARGET_ROOT="$(bash scripts/arm64-python-root.sh)")
  fi
  build_wheel "$arch" "$work/$arch" "${defines[@]}"
  wheel=$work/$arch/varnel-$version-cp311-abi3-manylinux_2_28_$arch.whl
  [ -f "$wheel" ] || { echo "build-wheels: the $arch wheel's objects do not keep manylinux_2_28:" >&2
                       ls "$work/$arch" >&2; "$python" tools/wheel_policy.py check "$work/$arch"/*.whl >&2
                       exit 1; }
  "$python" tools/wheel_policy.py check "$wheel"
  if ((reproducible)) && [ "$arch" = x86_64 ]; then
    build_wheel "$arch" "$work/$arch-again" "${defines[@]}"
    if cmp -s "$wheel" "$work/$arch-again/$(basename "$wheel")"; then
      echo "a second build of the $arch wheel gives the same bytes"
    else
      echo "build-wheels: a second build of the $arch wheel differs" >&2; exit 1
    fi
  fi
  cp "$wheel" "$out/"
done

# The source distribution: what scikit-build-core's build_sdist packs of
# this tree (pyproject.toml's sdist settings), from a clean export of the
# tracked files when this is a git clone, so that nothing untracked enters.
t=$SECONDS
sdist_src=$work/sdist-source
rm -rf "$sdist_src"
mkdir -p "$sdist_src"
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  git ls-files -z | tar --null -T - -cf - | tar -C "$sdist_src" -xf -
else
  tar --exclude='./build*' --exclude=./dist --exclude=./.git -cf - . | tar -C "$sdist_src" -xf -
fi
(cd "$sdist_src" && "$python" -c '
import sys
from scikit_build_core.build import build_sdist
print(build_sdist(sys.argv[1]))' "$out" >/dev/null)
[ -f "$out/varnel-$version.tar.gz" ] || { echo "build-wheels: no source distribution" >&2; exit 1; }
echo "source distribution made in $((SECONDS - t)) s"

cd "$out"
for f in varnel-"$version"-*.whl "varnel-$version.tar.gz"; do
  echo "$f  $(stat -c %s "$f") bytes  sha256 $(sha256sum "$f" | cut -c1-16)"
done
echo "build-wheels: done in $((SECONDS - start)) s"
