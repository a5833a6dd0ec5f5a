#!/usr/bin/env bash
# A wheel of scripts/build-wheels.sh, tested as a user meets it: checked for
# a truthful platform tag, offered to every CPython of pyenv that is there
# (pip must accept it on 3.11 and later and refuse it on 3.10 and earlier),
# installed offline into a fresh venv and run there with none of the
# project's libraries on the system, no LD_LIBRARY_PATH and no build tree on
# the path, every loop bit for bit against the evaluator built from this
# tree, and the distributions of varnel.stats (stats.py ships in the wheel)
# against the wheel's own libvarnel-stats.so.0.
#
# usage: test-wheel.sh PYTHON WHEEL [--evaluator PATH]
#
#   PYTHON          the interpreter whose venv receives the wheel (with NumPy,
#                   pip, venv and pytest: /usr/bin/python3 on Debian); for an
#                   aarch64 wheel, the arm64 CPython and NumPy of
#                   scripts/arm64-python-root.sh of this release under
#                   qemu-aarch64 instead (a venv it makes, the wheel installed
#                   by pip run by that interpreter), PYTHON only running the
#                   checks
#   WHEEL           the wheel; its architecture is that of its tag
#   --evaluator P   the evaluator to compare with (of the wheel's
#                   architecture), built from the same tree; by default the
#                   script builds one
#
# Work files go to build-wheel-<arch>/. Works with any Debian release's
# /usr/bin/python3 and the packages g++, cmake, python3-numpy, python3-pip,
# python3-venv and python3-pytest; for aarch64 also g++-aarch64-linux-gnu,
# qemu-user and python3-pip-whl (the pip run in the arm64 venv). No network:
# pip is told --no-index and reads no configuration.
set -euo pipefail
cd "$(dirname "$0")/.."
source_dir=$PWD
usage="usage: test-wheel.sh PYTHON WHEEL [--evaluator PATH]"
python=${1:?$usage}
wheel=$(realpath "${2:?$usage}")
shift 2
evaluator=
while (($#)); do
  case $1 in
    --evaluator) evaluator=$(realpath "$2"); shift 2 ;;
    *) echo "test-wheel.sh: unknown argument $1" >&2; exit 2 ;;
  esac
done
case $(basename "$wheel") in
  *_x86_64.whl) arch=x86_64 ;;
  *_aarch64.whl) arch=aarch64 ;;
  *) echo "test-wheel.sh: $wheel is of no architecture this test knows" >&2; exit 2 ;;
esac
start=$SECONDS
work=$source_dir/build-wheel-$arch
rm -rf "$work"
mkdir -p "$work/empty"

# pip as it is on a user's machine with no configuration: nothing but the
# command line decides where packages come from.
export PIP_CONFIG_FILE=/dev/null
unset PIP_FIND_LINKS PIP_INDEX_URL PIP_EXTRA_INDEX_URL PYTHONPATH LD_LIBRARY_PATH
export PYTHONDONTWRITEBYTECODE=1

toolchain=()    # for the evaluator's
run=()          # runs a program of the wheel's architecture
if [ "$arch" != "$(uname -m)" ]; then
  [ "$arch" = aarch64 ] || { echo "test-wheel.sh: no cross build for $arch" >&2; exit 2; }
  eval "$(bash scripts/arm64-python-root.sh --env)"
  root=$VARNEL_ARM64_ROOT
  toolchain=(-DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/aarch64-linux-gnu.cmake")
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

echo "=== $(basename "$wheel") on $(. /etc/os-release && echo "$PRETTY_NAME")"

# The tag against the objects, then the checker itself against this wheel
# relabelled (a tag that claims too much must be refused).
"$python" tools/wheel_policy.py check "$wheel"
VARNEL_WHEEL=$wheel "$python" -m pytest -q -p no:cacheprovider tools/test_wheel_policy.py

# Which CPythons pip offers the wheel to: the interpreters of pyenv, where
# the machine has them (none has NumPy, so nothing but the wheel itself is
# installed, into a throw-away directory). Those of the wheel's
# architecture only.
pyenv_root=${PYENV_ROOT:-$HOME/.pyenv}
offered=0
if [ "$arch" = "$(uname -m)" ]; then
  for candidate in "$pyenv_root"/versions/*/bin/python; do
    [ -x "$candidate" ] || continue
    minor=$("$candidate" -c 'import sys; print(sys.version_info[1] if sys.version_info[0] == 3 else 0)')
    free_threaded=$("$candidate" -c 'import sysconfig; print(int(bool(sysconfig.get_config_var("Py_GIL_DISABLED"))))')
    target=$(mktemp -d "$work/pip-target.XXXXXX")
    if "$candidate" -m pip install -q --disable-pip-version-check --no-index --no-deps \
         --target "$target" "$wheel" >"$target.log" 2>&1; then
      accepted=1
    else
      accepted=0
    fi
    name="$(basename "$(dirname "$(dirname "$candidate")")")"
    if ((minor >= 11 && !free_threaded)); then
      ((accepted)) || { cat "$target.log"; echo "test-wheel.sh: pip of CPython $name refuses the wheel" >&2; exit 1; }
      [ -e "$target/varnel/_varnel.abi3.so" ] || { echo "test-wheel.sh: no module installed for $name" >&2; exit 1; }
      echo "pip of CPython $name accepts the wheel"
    else
      ((!accepted)) || { echo "test-wheel.sh: pip of CPython $name accepts the wheel" >&2; exit 1; }
      echo "pip of CPython $name refuses the wheel: $(grep -m1 -o 'is not a supported wheel.*\|requires a different Python.*' "$target.log" || tail -n 1 "$target.log")"
    fi
    offered=$((offered + 1))
    rm -rf "$target" "$target.log"
  done
fi
((offered)) || echo "no pyenv interpreters of $arch in $pyenv_root: the acceptance check is left out"

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
  "$source_dir/python/tests/test_bits.py" "$source_dir/python/tests/test_stats.py"
echo "wheel for $arch tested in $((SECONDS - start)) s"
