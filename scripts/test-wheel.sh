#!/usr/bin/env bash
# The wheel: built from this tree by pip with the given interpreter, checked
# for a truthful platform tag, installed offline into a fresh venv and run
# there with none of the project's libraries on the system, no
# LD_LIBRARY_PATH and no build tree on the path, every loop bit for bit
# against the evaluator built from this tree.
#
# usage: test-wheel.sh PYTHON [--arch aarch64] [--evaluator PATH] [--reproducible]
#
#   PYTHON          the interpreter that builds the wheel (with NumPy, pip,
#                   setuptools and venv: /usr/bin/python3 on Debian)
#   --arch aarch64  cross-build the wheel for aarch64 (the toolchain of
#                   cmake/aarch64-linux-gnu.cmake, the target's CPython and
#                   NumPy from scripts/arm64-python-root.sh) and test it under
#                   qemu-aarch64 with that CPython: a venv it makes, the wheel
#                   installed into it by pip run by that interpreter
#   --evaluator P   the evaluator to compare with (of the wheel's
#                   architecture), built from the same tree; by default the
#                   script builds one
#   --reproducible  build the wheel a second time and require the same bytes
#
# Work files go to build-wheel-<arch>/; the wheel to build-wheel-<arch>/dist.
# Works with any Debian release's /usr/bin/python3 and the packages g++,
# cmake, python3-dev, python3-numpy, python3-pip, python3-venv,
# python3-setuptools and python3-pytest; for aarch64 also
# g++-aarch64-linux-gnu, qemu-user and python3-pip-whl (the pip run in the
# arm64 venv). No network: pip is told --no-index and reads no configuration.
set -euo pipefail
cd "$(dirname "$0")/.."
source_dir=$PWD
python=${1:?usage: test-wheel.sh PYTHON [--arch aarch64] [--evaluator PATH] [--reproducible]}
shift
arch=$(uname -m)
evaluator=
reproducible=0
while (($#)); do
  case $1 in
    --arch) arch=$2; shift 2 ;;
    --evaluator) evaluator=$(realpath "$2"); shift 2 ;;
    --reproducible) reproducible=1; shift ;;
    *) echo "test-wheel.sh: unknown argument $1" >&2; exit 2 ;;
  esac
done
start=$SECONDS
work=$source_dir/build-wheel-$arch
rm -rf "$work"
mkdir -p "$work/empty"

# pip as it is on a user's machine with no configuration: nothing but the
# command line decides where packages come from.
export PIP_CONFIG_FILE=/dev/null
unset PIP_FIND_LINKS PIP_INDEX_URL PIP_EXTRA_INDEX_URL PYTHONPATH LD_LIBRARY_PATH
export PYTHONDONTWRITEBYTECODE=1

cmake_args=()   # for the wheel's CMake
toolchain=()    # for the evaluator's
run=()          # runs a program of the wheel's architecture
if [ "$arch" != "$(uname -m)" ]; then
  [ "$arch" = aarch64 ] || { echo "test-wheel.sh: no cross build for $arch" >&2; exit 2; }
  eval "$(bash scripts/arm64-python-root.sh --env)"
  root=$VARNEL_ARM64_ROOT
  toolchain=(-DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/aarch64-linux-gnu.cmake")
  cmake_args=("${toolchain[@]}" -DVARNEL_PYTHON_TARGET_ROOT="$root")
  # The arm64 userland's loader and C library for every program, and its
  # library directories (BLAS and LAPACK sit behind alternatives that
  # unpacking does not set up); none of them holds a libvarnel.
  run=(qemu-aarch64 -L "$root" -E LD_LIBRARY_PATH="$VARNEL_ARM64_LIBRARY_PATH")
  if find "$root" -name 'libvarnel*' | grep -q .; then
    echo "test-wheel.sh: the arm64 userland $root holds a libvarnel" >&2; exit 1
  fi
  target_python=$(echo "$root"/usr/bin/python3.[0-9]*)
  [ -x "$target_python" ] || { echo "test-wheel.sh: no single python3.X in $root" >&2; exit 1; }
else
  target_python=$python
  # The libraries must come from the wheel, not from an installed package:
  # none in the loader's cache nor in the system's library directories.
  installed=$( (ldconfig -p | grep libvarnel || true
               find /lib /lib64 /usr/lib /usr/lib64 /usr/local/lib /usr/local/lib64 \
                 -maxdepth 2 -name 'libvarnel*' 2>/dev/null || true) | sort -u)
  if [ -n "$installed" ]; then
    echo "test-wheel.sh: libvarnel is installed on this system:" >&2
    echo "$installed" >&2
    echo "remove it (dpkg --purge libvarnel0 libvarnel-c0 ...) to test the wheel" >&2
    exit 1
  fi
fi

build_wheel() { # output directory
  local t=$SECONDS
  VARNEL_CMAKE_ARGS="${cmake_args[*]}" \
    "$python" -m pip wheel -q --no-build-isolation --no-index --no-deps -w "$1" ./python \
    >"$1.log" 2>&1 || { cat "$1.log"; exit 1; }
  echo "wheel built in $((SECONDS - t)) s"
}
echo "=== wheel for $arch, built by $("$python" -c 'import sys; print(sys.version.split()[0])')"
build_wheel "$work/dist"
wheel=$(echo "$work"/dist/*.whl)
[ -f "$wheel" ] || { echo "test-wheel.sh: not one wheel in $work/dist" >&2; exit 1; }
echo "$(basename "$wheel")  sha256 $(sha256sum "$wheel" | cut -c1-16)"
if ((reproducible)); then
  build_wheel "$work/again"
  if cmp -s "$wheel" "$work/again/$(basename "$wheel")"; then
    echo "a second build gives the same bytes"
  else
    echo "test-wheel.sh: a second build of the wheel differs" >&2; exit 1
  fi
fi

# The tag against the objects, then the checker itself against this wheel
# relabelled (a tag that claims too much must be refused).
"$python" tools/wheel_policy.py check "$wheel"
VARNEL_WHEEL=$wheel "$python" -m pytest -q -p no:cacheprovider tools/test_wheel_policy.py

# The evaluator: of the wheel's architecture, from this tree.
if [ -z "$evaluator" ]; then
  echo "--- evaluator"
  cmake -S . -B "$work/evaluator" -DCMAKE_BUILD_TYPE=Release -DVARNEL_BUILD_TESTS=OFF \
    -DVARNEL_BUILD_PYTHON=OFF -DVARNEL_BUILD_FORTRAN=OFF "${toolchain[@]}" >/dev/null
  cmake --build "$work/evaluator" -j2 --target varnel_cli >/dev/null
  evaluator=$work/evaluator/tools/varnel/varnel
fi
if ((${#run[@]})); then
  # A host script that runs the aarch64 evaluator under qemu, for the tests.
  printf '#!/bin/sh\nexec %s %s "$@"\n' "${run[*]}" "$evaluator" >"$work/varnel"
  chmod +x "$work/varnel"
  evaluator=$work/varnel
fi

# A fresh venv with the system's NumPy; on aarch64 the arm64 interpreter makes
# it (without pip: the unpacked userland has no ensurepip) and runs Debian's
# pip wheel, which is pure Python, to install into it.
echo "--- fresh venv, offline install"
venv=$work/venv
if ((${#run[@]})); then
  "${run[@]}" "$target_python" -m venv --without-pip --system-site-packages "$venv"
  pip_wheel=$(ls /usr/share/python-wheels/pip-*.whl | tail -n 1)
  pip=("${run[@]}" "$venv/bin/python" "$pip_wheel/pip")
else
  "$python" -m venv --system-site-packages "$venv"
  pip=("$venv/bin/pip")
fi
(cd "$work/empty" && "${pip[@]}" install --no-index "$wheel")
site=$("${run[@]}" "$venv/bin/python" -c 'import sysconfig; print(sysconfig.get_paths()["platlib"])')
for object in "$site"/varnel/_varnel*.so "$site"/varnel/libvarnel.so.0 "$site"/varnel/libvarnel-c.so.0 \
              "$site"/varnel/libvarnel-stats.so.0; do
  readelf -d "$object" | grep -q 'Library runpath: \[\$ORIGIN\]$' ||
    { echo "test-wheel.sh: $object has no run path \$ORIGIN" >&2; readelf -d "$object" >&2; exit 1; }
done

# From an empty directory: the package and the three libraries come from the venv.
cd "$work/empty"
"${run[@]}" "$venv/bin/python" - "$site" "$arch" <<'EOF'
import ctypes, os, platform, sys
import numpy as np, varnel
site, arch = sys.argv[1:]
package = os.path.join(site, "varnel")
assert platform.machine() == arch, platform.machine()
assert varnel.__file__ == os.path.join(package, "__init__.py"), varnel.__file__
for d in filter(os.path.isdir, os.environ.get("LD_LIBRARY_PATH", "").split(":")):
    assert not any(f.startswith("libvarnel") for f in os.listdir(d)), d
loaded = {line.split()[-1] for line in open("/proc/self/maps") if "libvarnel" in line}
assert loaded == {os.path.join(package, "libvarnel.so.0"),
                  os.path.join(package, "libvarnel-c.so.0"),
                  os.path.join(package, "libvarnel-stats.so.0")}, loaded
# The C interface alone, as ctypes users load it: its run path finds libvarnel.so.0.
c = ctypes.CDLL(os.path.join(package, "libvarnel-c.so.0"))
c.varnel_specfun_d_calerf.restype = ctypes.c_double
c.varnel_specfun_d_calerf.argtypes = [ctypes.c_double, ctypes.c_int]
assert c.varnel_specfun_d_calerf(0.5, 0) == varnel.erf(0.5)
# The inverse functions alone too: their run path finds libvarnel.so.0.
s = ctypes.CDLL(os.path.join(package, "libvarnel-stats.so.0"))
s.varnel_stats_d_igamma_inv.restype = ctypes.c_double
s.varnel_stats_d_igamma_inv.argtypes = [ctypes.c_double, ctypes.c_double]
assert (np.float64(s.varnel_stats_d_igamma_inv(3.0, 0.05)).tobytes()
        == varnel.gammaincinv(3.0, 0.05).tobytes())
print(f"varnel {varnel.__version__} on {platform.machine()}, {sys.version.split()[0]}, "
      f"NumPy {np.__version__}, from {package}: erf(0.5) = {varnel.erf(0.5)!r}")
EOF
slowdown=1
((${#run[@]})) && slowdown=15
VARNEL_EVALUATOR=$evaluator VARNEL_TEST_SLOWDOWN=$slowdown "${run[@]}" "$venv/bin/python" \
  -m pytest -q -p no:cacheprovider --rootdir="$source_dir/python/tests" \
  "$source_dir/python/tests/test_bits.py"
echo "wheel for $arch tested in $((SECONDS - start)) s"
