#!/usr/bin/env bash
# The whole test suite: native x86_64 build and the aarch64 cross build
# under qemu, the toolchain matrix, the packages of both, the Python package
# on both (aarch64 under qemu), the same on Debian 13 and on Debian testing
# in roots of their own (scripts/test-debian.sh), then the reliability
# stages: the suite again
# with AddressSanitizer and UndefinedBehaviorSanitizer, the concurrency test
# with ThreadSanitizer, and a bounded fuzzing run of every exported function.
# Installs what is missing first. VARNEL_FUZZ_SECONDS sets the fuzzing time
# per function (default 30; 0 skips fuzzing).
set -euo pipefail
cd "$(dirname "$0")/.."
start=$SECONDS

# Each "=== stage" is timed; the run ends, passed or failed, with a table of
# the stages' times (the failed one marked).
stage_names=()
stage_seconds=()
current_stage=""
stage_start=$SECONDS
end_stage() {
  if [ -n "$current_stage" ]; then
    stage_names+=("$current_stage")
    stage_seconds+=($((SECONDS - stage_start)))
    current_stage=""
  fi
}
stage() { # name
  end_stage
  current_stage=$1
  stage_start=$SECONDS
  echo "=== $1"
}
print_stage_times() {
  local status=$? last=""
  [ "$status" -ne 0 ] && last=$current_stage
  end_stage
  echo
  printf '%-36s %8s\n' "stage" "seconds"
  local i
  for i in "${!stage_names[@]}"; do
    printf '%-36s %8d%s\n' "${stage_names[$i]}" "${stage_seconds[$i]}" \
      "$([ "${stage_names[$i]}" = "$last" ] && echo "  (failed)")"
  done
  printf '%-36s %8d\n' "total" $((SECONDS - start))
}
trap print_stage_times EXIT

stage "dependencies"
bash scripts/setup-deps.sh
jobs=$(nproc)

# Debian testing's build root, made (or found in the cache) in the
# background while the CPU-bound stages run: making it is mostly downloading
# and unpacking. Its stage waits for it.
mkdir -p build-test
testing_root_log=$PWD/build-test/debian-testing-root.log
bash scripts/debian-root.sh path forky build >"$testing_root_log" 2>&1 &
testing_root_pid=$!

run_suite() { # build-dir, extra cmake arguments...
  local dir=$1
  shift
  stage "$dir"
  cmake -S . -B "$dir" -DVARNEL_WERROR=ON "$@" >/dev/null
  cmake --build "$dir" -j"$jobs"
  ctest --test-dir "$dir" --output-on-failure -j"$jobs"
}

# Sanitizer reports end the run with a failure; none is suppressed.
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1

run_suite build-test

# The examples, built against the installed package as a user's project is
# (CMake package, pkg-config and a plain compiler command), and the evaluator
# from its installed place.
stage "examples against the installed package"
prefix=$PWD/build-test/_install
rm -rf "$prefix"
cmake --install build-test --prefix "$prefix" >/dev/null
cmake -S examples -B build-test/examples -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build build-test/examples -j"$jobs"
for source in examples/*.cpp; do
  name=$(basename "$source" .cpp)
  echo "--- $name"
  "build-test/examples/$name"
done
PKG_CONFIG_PATH=$prefix/share/pkgconfig c++ -std=c++17 examples/values.cpp \
  $(PKG_CONFIG_PATH=$prefix/share/pkgconfig pkg-config --define-variable=prefix="$prefix" --cflags --libs varnel) \
  -o build-test/values-pkg-config
build-test/values-pkg-config >/dev/null
c++ -std=c++17 -I"$prefix/include" examples/values.cpp -L"$prefix/lib64" -Wl,-rpath,"$prefix/lib64" \
  -lvarnel -o build-test/values-plain
build-test/values-plain >/dev/null
"$prefix/bin/varnel" cephes::d_ibeta 2 3 0.4
# The inverse functions from the installed prefix: the evaluator, and a
# program of <varnel/stats.hpp> through pkg-config varnel-stats.
"$prefix/bin/varnel" d_igamma_inv 3 0.05
printf '#include <varnel/stats.hpp>\nint main() { return varnel::stats::d_ibeta_inv(2, 3, 1) == 1 ? 0 : 1; }\n' \
  >build-test/stats-pkg-config.cpp
c++ -std=c++17 build-test/stats-pkg-config.cpp \
  $(PKG_CONFIG_PATH=$prefix/share/pkgconfig pkg-config --define-variable=prefix="$prefix" --cflags --libs varnel-stats) \
  -o build-test/stats-pkg-config
build-test/stats-pkg-config

# --- C interface and Fortran module (examples/c, examples/fortran) ---------
# The two examples built against the installed prefix, through the CMake
# package and through pkg-config, each build's rows held against the
# installed evaluator and the two tables against each other.
stage "C and Fortran examples against the installed package"
cmake -S examples/c -B build-test/examples-c -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build build-test/examples-c -j"$jobs"
cmake -S examples/fortran -B build-test/examples-fortran -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build build-test/examples-fortran -j"$jobs"
bash tests/tails_examples.sh "$prefix/bin/varnel" build-test/examples-c/tails \
  build-test/examples-fortran/tails
pc=$prefix/share/pkgconfig
mkdir -p build-test/tails-pkg-config
cc -std=c99 -ffp-contract=off examples/c/tails.c $(PKG_CONFIG_PATH=$pc pkg-config --cflags --libs varnel-c) \
  -o build-test/tails-pkg-config/tails-c
gfortran -ffp-contract=off -Jbuild-test/tails-pkg-config \
  "$(PKG_CONFIG_PATH=$pc pkg-config --variable=fortran_source varnel-c)" examples/fortran/tails.f90 \
  $(PKG_CONFIG_PATH=$pc pkg-config --libs varnel-c) -o build-test/tails-pkg-config/tails-fortran
bash tests/tails_examples.sh "$prefix/bin/varnel" build-test/tails-pkg-config/tails-c \
  build-test/tails-pkg-config/tails-fortran >/dev/null
# --- end of C interface and Fortran module ---------------------------------

# --- Python package (python/) ----------------------------------------------
# The tests import the package from the installed prefix (so the relative run
# path to lib64 is exercised) and compare with the installed evaluator; the
# Dask examples run small; then pip installs the package from the repository
# into a throw-away venv, offline, and the bit comparison runs against it.
stage "Python package"
python_path=$prefix/lib/python3/dist-packages
PYTHONPATH=$python_path VARNEL_EVALUATOR=$prefix/bin/varnel \
  /usr/bin/python3 -m pytest -q -p no:cacheprovider python/tests
PYTHONPATH=$python_path /usr/bin/python3 examples/python/quick_tour.py >/dev/null
PYTHONPATH=$python_path /usr/bin/python3 examples/python/chi_square_pvalues.py \
  --points 2e5 --chunk 5e4
PYTHONPATH=$python_path /usr/bin/python3 examples/python/distributions.py \
  --rows 1e5 --chunk 2.5e4 >/dev/null
rm -rf build-test/venv
/usr/bin/python3 -m venv --system-site-packages build-test/venv
# The package's build backend (scikit-build-core, pyproject.toml) makes the
# stable-ABI module against NumPy 2's headers: Debian 13's, as the wheels.
build-test/venv/bin/pip install -q --no-build-isolation --no-index \
  --config-settings=cmake.define.VARNEL_NUMPY_INCLUDE_DIR="$(bash scripts/numpy2-headers.sh amd64)" .
(cd build-test && venv/bin/python -c "import varnel; assert '/venv/' in varnel.__file__")
env -u PYTHONPATH VARNEL_EVALUATOR=$prefix/bin/varnel \
  build-test/venv/bin/python -m pytest -q -p no:cacheprovider python/tests/test_bits.py \
  python/tests/test_stats.py
# --- end of Python package -------------------------------------------------

# --- documentation: every command and shown output of README.md and docs/
# against the installed prefix above (with its Python package), nothing
# built again; blocks that cannot run here are marked and counted
# (scripts/test-docs.sh, tools/doctest_md.py).
stage "documentation"
bash scripts/test-docs.sh "$prefix"
# --- end of documentation

# The accuracy report generator, on small samples (the full run that makes
# docs/accuracy.md takes minutes). The reference pages are copied so that the
# refresh of their accuracy blocks is exercised too.
stage "reduced accuracy run"
rm -rf build-test/accuracy-quick
mkdir -p build-test/accuracy-quick
cp docs/*.md build-test/accuracy-quick/
/usr/bin/python3 tools/accuracy.py --quick --lib build-test/libvarnel-c.so.0 --out build-test/accuracy-quick
for family in calerf gamma lngamma complex_gamma complex_lngamma igamma cephes_ibeta specfun_ibeta; do
  test -s "build-test/accuracy-quick/accuracy-$family.png"
done
if grep -q "Not in the measured library" build-test/accuracy-quick/accuracy.md; then
  echo "accuracy run: functions missing from the library"; exit 1
fi
# The inverses and the distributions of libvarnel-stats, on small samples,
# into the same directory: each its page and picture, and its summary block
# of the accuracy.md just written; and the distribution tool's own test of
# its references and verdicts.
quick_stats_run() {
  local tool=$1 page=$2 picture=$3
  /usr/bin/python3 "tools/$tool" --quick --lib build-test/libvarnel-c.so.0 --out build-test/accuracy-quick
  if grep -q "Not in the measured library" "build-test/accuracy-quick/$page"; then
    echo "$tool: functions missing from libvarnel-stats"; exit 1
  fi
  grep -q "Generated by \`tools/$tool\`" build-test/accuracy-quick/accuracy.md
  test -s "build-test/accuracy-quick/$picture"
}
quick_stats_run accuracy_inverses.py inverses-accuracy.md accuracy-inverses.png
/usr/bin/python3 -m pytest -q -p no:cacheprovider tools/test_accuracy_distributions.py
quick_stats_run accuracy_distributions.py distributions-accuracy.md accuracy-distributions.png

# The benchmark suite in its short mode, so that it keeps building and
# running: the layer-free build must give the library's bits on every
# benchmark argument, every benchmark must run and the report be written,
# with its distributions' section (whose making tools/test_perf_report.py
# checks on made-up runs). No timing is looked at.
stage "benchmark suite, short run"
/usr/bin/python3 -m pytest -q -p no:cacheprovider tools/test_perf_report.py
/usr/bin/python3 tools/perf_report.py --quick --build-dir build-bench
test -s build-bench/perf-quick/performance.md
grep -q "^## Distributions" build-bench/perf-quick/performance.md

run_suite build-test-aarch64 -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake

# --- toolchain matrix: the libraries under every compiler and flag set of
# scripts/toolchain-matrix.txt, each read by the machine-code guard and put
# under the bit tests of build-test and build-test-aarch64 (x86_64 natively,
# aarch64 under qemu), which load them in place of their own.
stage "toolchain matrix"
bash scripts/toolchain-matrix.sh --parallel "$jobs" --out build-matrix \
  --harness x86_64=build-test --harness aarch64=build-test-aarch64
# --- end of toolchain matrix

# --- packages: the Debian and RPM packages of both architectures, made into
# dist/ and checked with lintian, dpkg and rpm; the amd64 ones installed on
# this machine (and removed), the arm64 ones unpacked and run under qemu;
# then the Debian ones installed by apt into a clean root of this release.
stage "packages"
bash scripts/package.sh
bash packaging/install-test.sh
bash packaging/apt-install-test.sh "$(. /etc/os-release && echo "$VERSION_CODENAME")" dist
# --- end of packages

# --- R package (r/): R CMD check --no-manual offline (Status: OK, the tests
# comparing every function's bits with the installed evaluator) against the
# installed prefix, the benchmark's short run, and the r-cran-varnel package
# built from dist/, linted and install-tested (scripts/test-r.sh, which calls
# scripts/package-r.sh).
stage "R package"
bash scripts/test-r.sh "$prefix"
# --- end of R package

# --- Python on aarch64: the arm64 python3-varnel from dist/, unpacked beside
# Debian's arm64 CPython and NumPy (fetched once into a cache, see
# scripts/arm64-python-root.sh), runs the package's tests under qemu against
# the packaged aarch64 evaluator.
stage "Python on aarch64"
python_arm64_start=$SECONDS
bash scripts/test-python-aarch64.sh
echo "Python on aarch64: $((SECONDS - python_arm64_start)) s"
# --- end of Python on aarch64

# --- wheels: the release files of scripts/build-wheels.sh (the stable-ABI
# manylinux_2_28 wheels of x86_64 and, cross-built, aarch64, and the source
# distribution), the x86_64 one built twice for the same bytes; each wheel
# checked for a truthful platform tag (tools/wheel_policy.py), offered to
# pyenv's CPythons (accepted on 3.11 and later, refused before), installed
# offline into a fresh venv (under qemu for aarch64) with no libvarnel on
# the system, and compared bit for bit with the evaluator of its
# architecture (scripts/test-wheel.sh); then the x86_64 wheel's objects
# loaded with every symbol bound in a Debian 11 root (glibc 2.31,
# scripts/test-wheel-glibc.sh). After the packages' install test, which
# removes the libraries it installed. The Debian 13 stage below tests the
# same files there, the source distribution included.
stage "wheels"
wheel_start=$SECONDS
wheels=$PWD/build-wheels/dist
bash scripts/build-wheels.sh "$wheels" --reproducible
bash scripts/test-wheel.sh /usr/bin/python3 "$wheels"/varnel-*_x86_64.whl --evaluator "$prefix/bin/varnel"
bash scripts/test-wheel.sh /usr/bin/python3 "$wheels"/varnel-*_aarch64.whl \
  --evaluator build-test-aarch64/tools/varnel/varnel
bash scripts/test-wheel-glibc.sh bullseye "$wheels"/varnel-*_x86_64.whl
echo "wheels: $((SECONDS - wheel_start)) s"
# --- end of wheels

# --- Debian 13: the build, ctest, the Python suite with NumPy 2, the Debian
# 13 packages with their checks and apt install, the Python suite on
# aarch64 with Debian 13's arm64 CPython and NumPy, the wheels above and the
# source distribution, in a Debian 13 root made from Debian's packages and
# cached (scripts/test-debian.sh).
stage "Debian 13"
bash scripts/test-debian.sh trixie "$wheels" build-test-aarch64
# --- end of Debian 13

# --- Debian testing: GCC 16, CMake 4.3, glibc 2.43, CPython 3.14, NumPy 2.4,
# R 4.6: the build and ctest, the wheels above (auditwheel's verdict
# included) and the source distribution, the free-threaded CPython where
# packaged, the R package's check, in the root made in the background since
# the start (scripts/test-debian.sh).
stage "Debian testing"
wait "$testing_root_pid" || { cat "$testing_root_log"; echo "no Debian testing root"; exit 1; }
bash scripts/test-debian.sh forky "$wheels" build-test-aarch64
# --- end of Debian testing

run_suite build-asan -DVARNEL_SANITIZE=address,undefined

stage "build-tsan"
cmake -S . -B build-tsan -DVARNEL_WERROR=ON -DVARNEL_SANITIZE=thread >/dev/null
cmake --build build-tsan -j"$jobs" --target threads_test stats_inverses_test stats_distributions_test
# ThreadSanitizer's shadow memory layout does not fit every address-space
# randomisation a kernel may be set to; run without randomisation if the
# machine allows it.
no_aslr=()
if setarch "$(uname -m)" -R true 2>/dev/null; then no_aslr=(setarch "$(uname -m)" -R); fi
"${no_aslr[@]}" build-tsan/tests/threads_test
"${no_aslr[@]}" build-tsan/tests/stats_inverses_test --gtest_filter='*Thread*'
"${no_aslr[@]}" build-tsan/tests/stats_distributions_test --gtest_filter='*Thread*'

fuzz_seconds=${VARNEL_FUZZ_SECONDS:-30}
if [ "$fuzz_seconds" -gt 0 ]; then
  stage "build-fuzz"
  cmake -S . -B build-fuzz -DVARNEL_WERROR=ON -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DVARNEL_SANITIZE=address,undefined -DVARNEL_FUZZ=ON -DVARNEL_BUILD_TESTS=OFF >/dev/null
  cmake --build build-fuzz -j"$jobs" --target varnel_fuzz varnel_fuzz_stats varnel_fuzz_dist
  bash scripts/fuzz.sh "$fuzz_seconds" build-fuzz
fi
echo "all suites passed in $((SECONDS - start)) s"
