#!/usr/bin/env bash
# The project in a newer Debian release than the host's, as a user and a
# packager of that release meet it, in a root made from Debian's packages
# (scripts/debian-root.sh: cached, thrown-away overlay per run, the source
# tree copied in, so no build directory of the host's is touched):
#
#   trixie  Debian 13: GCC 14, CMake 3.31, CPython 3.13, NumPy 2.2
#   forky   Debian testing: GCC 16, CMake 4.3, glibc 2.43, CPython 3.14,
#           NumPy 2.4, R 4.6
#
# In the root, for both releases:
#   - the project's build and the whole ctest, and the verdict of the bit
#     tests (ctest label "bits") read from it;
#   - the release wheels of scripts/build-wheels.sh (made on the host: the
#     stable-ABI manylinux_2_28 ones, for CPython 3.11 and later) with the
#     release's CPython and NumPy, x86_64 and aarch64 under qemu
#     (scripts/test-wheel.sh);
#   - the source distribution, pip-installed offline into a fresh venv
#     (built there by the release's scikit-build-core, GCC and NumPy, no
#     build isolation), and the bit comparison against it.
# Debian 13 only (its packages are the project's):
#   - the Python suite with NumPy 2 against an installed prefix;
#   - the Debian packages of Debian 13 (0.1.0-1~deb13u1, amd64 and arm64,
#     scripts/package.sh) and their checks with Debian 13's lintian
#     (packaging/install-test.sh);
#   - the Python suite on aarch64 under qemu, with Debian 13's arm64 CPython
#     and NumPy and the arm64 python3-varnel just made
#     (scripts/test-python-aarch64.sh);
#   - then, from the host, the amd64 packages installed by apt into a clean
#     Debian 13 root (packaging/apt-install-test.sh).
# Debian testing only (the newest toolchains and interpreters):
#   - auditwheel's verdict on each wheel, which must be manylinux_2_28;
#   - the R package's check (scripts/test-r.sh: R CMD check --no-manual,
#     Status: OK) with the release's R;
#   - whether the release packages a free-threaded CPython (it does not
#     yet: no python3.14-nogil), which the source distribution would serve.
# The suites' summaries (and Debian 13's packages) are left in
# build-debian13/ or build-debian-testing/. Needs root.
#
# usage: test-debian.sh RELEASE [WHEEL_DIR [AARCH64_BUILD]]
#            RELEASE        trixie or forky
#            WHEEL_DIR      the directory of build-wheels.sh's files (by
#                           default they are made first)
#            AARCH64_BUILD  the host's aarch64 build tree, whose evaluator
#                           the aarch64 wheel is compared with (by default one
#                           is built in the root)
#        test-debian.sh RELEASE --in-root    the part that runs inside
#
# The aarch64 wheel is held against an evaluator from the toolchain that
# built it (Debian 12's aarch64 GCC 12): a build by Debian 13's GCC 14 or
# testing's GCC 16 gives another NaN for some edge arguments of the
# continued fractions incbcf and incbd (incbcf(0, 2, inf), incbd(0, -1, 1);
# the wheel gives 0xfff8000000000000 there on every glibc), which the bit
# comparison would report as the wheel's difference. The x86_64 wheel is
# held against the release's own build.
set -euo pipefail
cd "$(dirname "$0")/.."

release=${1:?usage: test-debian.sh RELEASE [WHEEL_DIR [AARCH64_BUILD]]}
shift
case $release in
  trixie) name="Debian 13" out_name=build-debian13 ;;
  forky) name="Debian testing" out_name=build-debian-testing ;;
  *) echo "test-debian.sh: no stage for Debian release '$release' (trixie or forky)" >&2; exit 2 ;;
esac

if [ "${1:-}" != --in-root ]; then
  out=$PWD/$out_name
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
  bash scripts/debian-root.sh run "$release" build "${binds[@]}" -- bash scripts/test-debian.sh "$release" --in-root
  in_root=$((SECONDS - start))
  if [ "$release" = trixie ]; then
    bash packaging/apt-install-test.sh trixie "$out/dist"
  fi
  echo "$name: $((SECONDS - start)) s ($in_root s in the build root)"
  exit 0
fi

# --- inside the root, in /src ------------------------------------------------------
export VARNEL_SKIP_SETUP_DEPS=1  # the root has every package the scripts need
jobs=$(nproc)
step() { echo "=== $name: $1 ($((SECONDS)) s)"; }
. /etc/os-release
echo "$PRETTY_NAME: $(g++ --version | head -1), $(cmake --version | head -1)," \
     "glibc $(getconf GNU_LIBC_VERSION | cut -d' ' -f2)," \
     "Python $(python3 -c 'import sys; print(sys.version.split()[0])')," \
     "NumPy $(python3 -c 'import numpy; print(numpy.__version__)')"

# Package lists for apt-get download (the arm64 Python userland): the cached
# root keeps none, which would age.
apt-get update -qq

step "build and ctest"
cmake -S . -B build-test -DVARNEL_WERROR=ON >/dev/null
cmake --build build-test -j"$jobs"
ctest_status=0
ctest --test-dir build-test --output-on-failure -j"$jobs" | tee /out/ctest.txt || ctest_status=$?
# The bit tests' verdict, from the run above (recorded whatever else
# failed): each test labelled "bits" and its result.
ctest --test-dir build-test -N -L bits | sed -n 's/^ *Test *#[0-9]*: //p' >/out/bits-tests.txt
bits_total=$(wc -l </out/bits-tests.txt)
bits_passed=$(while read -r t; do grep -E "Test +#[0-9]+: $t \.+ +Passed" /out/ctest.txt; done \
              </out/bits-tests.txt | wc -l)
echo "bits: $bits_passed of $bits_total bit tests passed ($(tr '\n' ' ' </out/bits-tests.txt | sed 's/ $//'))" |
  tee /out/bits.txt
((ctest_status == 0 && bits_total > 0 && bits_passed == bits_total))

prefix=$PWD/build-test/_install
cmake --install build-test --prefix "$prefix" >/dev/null

if [ "$release" = trixie ]; then
  step "Python suite with NumPy 2, against the installed prefix"
  PYTHONPATH=$prefix/lib/python3/dist-packages VARNEL_EVALUATOR=$prefix/bin/varnel \
    python3 -m pytest -q -p no:cacheprovider python/tests | tee /out/pytest.txt
fi

python_version=$(python3 -c 'import sys; print("%d.%d" % sys.version_info[:2])')
step "wheel (x86_64, CPython $python_version)"
# Before the packages' install test, so that no libvarnel is on the system
# when the wheel is installed into its venv.
bash scripts/test-wheel.sh /usr/bin/python3 /wheels/varnel-*_x86_64.whl \
  --evaluator "$prefix/bin/varnel" | tee /out/wheel-x86_64.txt

step "source distribution, pip install offline"
# Built in the fresh venv by the release's scikit-build-core, compiler and
# NumPy, then the bit comparison against it.
rm -rf build-sdist
python3 -m venv --system-site-packages build-sdist/venv
(cd /tmp && PIP_CONFIG_FILE=/dev/null /src/build-sdist/venv/bin/pip install -q --no-build-isolation \
   --no-index /wheels/varnel-*.tar.gz)
(cd /tmp && /src/build-sdist/venv/bin/python -c \
   "import varnel; assert '/build-sdist/venv/' in varnel.__file__, varnel.__file__")
env -u PYTHONPATH VARNEL_EVALUATOR=$prefix/bin/varnel build-sdist/venv/bin/python \
  -m pytest -q -p no:cacheprovider python/tests/test_bits.py python/tests/test_stats.py \
  | tee /out/sdist.txt

if [ "$release" = trixie ]; then
  step "packages"
  bash scripts/package.sh -DVARNEL_PACKAGE_GENERATORS=DEB
  bash packaging/install-test.sh | tee /out/install-test.txt
  mkdir -p /out/dist
  cp dist/*.deb /out/dist/

  step "Python on aarch64"
  bash scripts/test-python-aarch64.sh | tee /out/pytest-aarch64.txt
fi

if [ "$release" = forky ]; then
  step "auditwheel"
  # auditwheel reads the objects' symbol versions as tools/wheel_policy.py
  # does and names the most widely installable tag they allow, which must
  # keep the wheel's manylinux_2_28 (its own or an older one).
  for wheel in /wheels/varnel-*.whl; do
    report=/out/auditwheel-$(basename "$wheel" .whl).txt
    auditwheel show "$wheel" | tee "$report"
    python3 tools/wheel_policy.py auditwheel "$wheel" "$report"
  done

  step "free-threaded CPython"
  # The stable-ABI wheels are not for a free-threaded interpreter; the source
  # distribution would be, with a NumPy built for it. Whether the release
  # packages one yet:
  free_threaded=$(apt-cache search --names-only "^python${python_version}-nogil\$" || true)
  if [ -n "$free_threaded" ]; then
    echo "$PRETTY_NAME packages a free-threaded CPython: $free_threaded" | tee /out/free-threaded.txt
  else
    echo "$PRETTY_NAME packages no free-threaded CPython $python_version" | tee /out/free-threaded.txt
  fi

  step "R package, R $(Rscript -e 'cat(format(getRversion()))')"
  bash scripts/test-r.sh "$prefix" | tee /out/r.txt
fi

step "wheel (aarch64, CPython $python_version under qemu)"
bash scripts/test-wheel.sh /usr/bin/python3 /wheels/varnel-*_aarch64.whl \
  ${VARNEL_AARCH64_EVALUATOR:+--evaluator "$VARNEL_AARCH64_EVALUATOR"} | tee /out/wheel-aarch64.txt
step "done"
