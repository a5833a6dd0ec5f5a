#!/usr/bin/env bash
# The whole test suite: native x86_64 build and the aarch64 cross build
# under qemu. Installs what is missing first.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-deps.sh
jobs=$(nproc)

run_suite() { # build-dir, extra cmake arguments...
  local dir=$1
  shift
  echo "=== $dir"
  cmake -S . -B "$dir" -DVARNEL_WERROR=ON "$@" >/dev/null
  cmake --build "$dir" -j"$jobs"
  ctest --test-dir "$dir" --output-on-failure -j"$jobs"
}

run_suite build-test
run_suite build-test-aarch64 -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake
echo "all suites passed"
