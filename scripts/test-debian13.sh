#!/usr/bin/env bash
# The Debian 13 (trixie) stage: the project as a Debian 13 user and packager
# meet it (GCC 14, CMake 3.31, CPython 3.13, NumPy 2), in a root made from
# Debian's packages (scripts/debian-root.sh: cached, thrown-away overlay per
# run, the source tree copied in, so no build directory of the host's is
# touched). In the root:
#   - the project's build and the whole ctest;
#   - the Python suite with NumPy 2 against an installed prefix;
#   - the Debian packages of Debian 13 (0.1.0-1~deb13u1, amd64 and arm64,
#     scripts/package.sh) and their checks with Debian 13's lintian
#     (packaging/install-test.sh);
#   - the Python suite on aarch64 under qemu, with Debian 13's arm64 CPython
#     3.13 and NumPy 2 and the arm64 python3-varnel just made
#     (scripts/test-python-aarch64.sh);
#   - the release wheels of scripts/build-wheels.sh (made on the host: the
#     stable-ABI manylinux_2_28 ones, for CPython 3.11 and later) with
#     CPython 3.13 and NumPy 2, x86_64 and aarch64 under qemu
#     (scripts/test-wheel.sh);
#   - the source distribution, pip-installed offline into a fresh venv
#     (built there by Debian 13's scikit-build-core, GCC 14 and NumPy 2),
#     and the bit comparison against it.
# Then, from the host, the amd64 packages installed by apt into a clean
# Debian 13 root (packaging/apt-install-test.sh). The packages and the
# suites' summaries are left in build-debian13/. Needs root.
#
# usage: test-debian13.sh [WHEEL_DIR [AARCH64_BUILD]]
#            WHEEL_DIR      the directory of build-wheels.sh's files (by
#                           default they are made first)
#            AARCH64_BUILD  the host's aarch64 build tree, whose evaluator
#                           the aarch64 wheel is compared with (by default one
#                           is built in the root)
#        test-debian13.sh --in-root    the part that runs inside
#
# The aarch64 wheel is held against an evaluator from the toolchain that
# built it (Debian 12's aarch64 GCC 12): a build by Debian 13's GCC 14
# gives another NaN for some edge arguments of the continued fractions
# incbcf and incbd (incbcf(0, 2, inf), incbd(0, -1, 1); the wheel gives
# 0xfff8000000000000 there on Debian 12's and 13's glibc alike), which the
# bit comparison would report as the wheel's difference. The x86_64 wheel is
# held against Debian 13's own build.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "${1:-}" != --in-root ]; then
  out=$PWD/build-debian13
  rm -rf "$out"
  mkdir -p "$out"
  start=$SECONDS
  if [ -n "${1:-}" ]; then
    wheels=$(realpath "$1")
  else
    wheels=$out/wheels
    bash scripts/build-wheels.sh "$wheels"
  fi
  binds=(--bind "$out:/out" --bind "$wheels:/wheels")
  if [ -n "${2:-}" ]; then
    # At its own path: the evaluator's run path names its build tree.
    aarch64_build=$(realpath "$2")
    binds+=(--bind "$aarch64_build:$aarch64_build")
    export VARNEL_AARCH64_EVALUATOR=$aarch64_build/tools/varnel/varnel
  fi
  bash scripts/debian-root.sh run trixie build "${binds[@]}" -- bash scripts/test-debian13.sh --in-root
  in_root=$((SECONDS - start))
  bash packaging/apt-install-test.sh trixie "$out/dist"
  echo "Debian 13: $((SECONDS - start)) s ($in_root s in the build root)"
  exit 0
fi

# --- inside the Debian 13 root, in /src ------------------------------------------
export VARNEL_SKIP_SETUP_DEPS=1  # the root has every package the scripts need
jobs=$(nproc)
step() { echo "=== Debian 13: $1 ($((SECONDS)) s)"; }
. /etc/os-release
echo "$PRETTY_NAME: $(g++ --version | head -1), $(cmake --version | head -1)," \
     "Python $(python3 -c 'import sys; print(sys.version.split()[0])')," \
     "NumPy $(python3 -c 'import numpy; print(numpy.__version__)')"

# Package lists for apt-get download (the arm64 Python userland): the cached
# root keeps none, which would age.
apt-get update -qq

step "build and ctest"
cmake -S . -B build-test -DVARNEL_WERROR=ON >/dev/null
cmake --build build-test -j"$jobs"
ctest --test-dir build-test --output-on-failure -j"$jobs" | tee /out/ctest.txt

step "Python suite with NumPy 2, against the installed prefix"
prefix=$PWD/build-test/_install
cmake --install build-test --prefix "$prefix" >/dev/null
PYTHONPATH=$prefix/lib/python3/dist-packages VARNEL_EVALUATOR=$prefix/bin/varnel \
  python3 -m pytest -q -p no:cacheprovider python/tests | tee /out/pytest.txt

step "wheel (x86_64, CPython 3.13)"
# Before the packages' install test, so that no libvarnel is on the system
# when the wheel is installed into its venv.
bash scripts/test-wheel.sh /usr/bin/python3 /wheels/varnel-*_x86_64.whl \
  --evaluator "$prefix/bin/varnel" | tee /out/wheel-x86_64.txt

step "source distribution, pip install offline"
rm -rf build-sdist
python3 -m venv --system-site-packages build-sdist/venv
(cd /tmp && PIP_CONFIG_FILE=/dev/null /src/build-sdist/venv/bin/pip install -q --no-build-isolation \
   --no-index /wheels/varnel-*.tar.gz)
(cd /tmp && /src/build-sdist/venv/bin/python -c \
   "import varnel; assert '/build-sdist/venv/' in varnel.__file__, varnel.__file__")
env -u PYTHONPATH VARNEL_EVALUATOR=$prefix/bin/varnel build-sdist/venv/bin/python \
  -m pytest -q -p no:cacheprovider python/tests/test_bits.py python/tests/test_stats.py \
  | tee /out/sdist.txt

step "packages"
bash scripts/package.sh -DVARNEL_PACKAGE_GENERATORS=DEB
bash packaging/install-test.sh | tee /out/install-test.txt
mkdir -p /out/dist
cp dist/*.deb /out/dist/

step "Python on aarch64"
bash scripts/test-python-aarch64.sh | tee /out/pytest-aarch64.txt
step "wheel (aarch64, CPython 3.13 under qemu)"
bash scripts/test-wheel.sh /usr/bin/python3 /wheels/varnel-*_aarch64.whl \
  ${VARNEL_AARCH64_EVALUATOR:+--evaluator "$VARNEL_AARCH64_EVALUATOR"} | tee /out/wheel-aarch64.txt
step "done"
