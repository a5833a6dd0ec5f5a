#!/usr/bin/env bash
# Builds the shipped libraries under every configuration of a table
# (scripts/toolchain-matrix.txt: compiler, flags, how to run), reads each
# library's machine code with tests/no_fused_multiply_add.sh and runs the bit
# tests on them natively or under qemu (the characterisation test, the
# inverses' bits test stats_bits_test and their bracket check
# inverse_brackets_test), two configurations side by side.
# Prints one line per configuration and fails if any guard or test failed.
#
# usage: scripts/toolchain-matrix.sh [options]
#   --table FILE     the configurations (default scripts/toolchain-matrix.txt)
#   --only REGEX     only the configurations whose name matches
#   --parallel N     configurations built side by side (default 2)
#   --out DIR        build directories and logs (default build-matrix)
#   --source DIR     the sources to build (default this tree); with
#   --build-only     library and guard only (no test), for reading the
#                    machine code of an older tree
#   --harness PLATFORM=DIR
#                    take the bit tests of PLATFORM (x86_64 or aarch64) from
#                    the build directory DIR, a default build of this tree
#                    (the suite passes its build-test and build-test-aarch64)
#                    instead of building them here
#
# Only what decides result bits is built with the configuration's flags: the
# three shipped libraries. The bit tests are the judge, not the judged: they
# are built once per platform with that platform's GCC and default flags (or
# taken from --harness) and run against each configuration's libraries
# through LD_LIBRARY_PATH, which the run checks resolves to them. So a flag
# that would bend the tests' own comparisons (-ffast-math folding isnan) can
# not make a test pass. A configuration whose run is "whole" builds the whole
# default project instead (every test, the evaluator, the Fortran module's
# tests where its toolchain names a Fortran compiler, the Python package
# where NumPy is found) and runs the whole ctest; GoogleTest for those is
# built once per platform with the default flags and installed into
# DIR/gtest-<platform>, since its code does not decide any result bit.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
table=$root/scripts/toolchain-matrix.txt
only=.
parallel=2
out=$root/build-matrix
source=$root
build_only=0
declare -A harness=()
while (($#)); do
  case $1 in
    --table) table=$(realpath "$2"); shift 2 ;;
    --only) only=$2; shift 2 ;;
    --parallel) parallel=$2; shift 2 ;;
    --out) out=$(realpath -m "$2"); shift 2 ;;
    --source) source=$(realpath "$2"); shift 2 ;;
    --build-only) build_only=1; shift ;;
    --harness) harness[${2%%=*}]=$(realpath "${2#*=}"); shift 2 ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
done
guard=$root/tests/no_fused_multiply_add.sh
# The shared objects the project ships, with their targets: each is built and
# read by the guard in every configuration.
library_targets=(varnel varnel_c varnel_stats)
libraries=(libvarnel.so.0 libvarnel-c.so.0 libvarnel-stats.so.0)
qemu=(qemu-aarch64 -L /usr/aarch64-linux-gnu -E LD_LIBRARY_PATH=/usr/aarch64-linux-gnu/lib)
mkdir -p "$out/results"
rm -f "$out"/results/*

trim() { local s=$1; s=${s#"${s%%[![:space:]]*}"}; printf '%s' "${s%"${s##*[![:space:]]}"}"; }

# toolchain -> platform, cmake arguments (into the array "cmake_args"), objdump.
# A toolchain is the C and C++ compilers, optionally "+" a Fortran compiler
# (clang-16+gfortran); without one, Fortran is left out.
platform_of() { case $1 in aarch64-*) echo aarch64 ;; *) echo x86_64 ;; esac; }
toolchain_setup() {
  toolchain_compilers "${1%%+*}" || return 1
  if [[ $1 == *+* ]]; then
    cmake_args+=(-DCMAKE_Fortran_COMPILER="${1#*+}" -DVARNEL_BUILD_FORTRAN=ON)
  else
    cmake_args+=(-DVARNEL_BUILD_FORTRAN=OFF)
  fi
}
toolchain_compilers() {
  case $1 in
    gcc) cmake_args=(-DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++); objdump=objdump ;;
    clang-*) cmake_args=(-DCMAKE_C_COMPILER="$1" -DCMAKE_CXX_COMPILER="${1/clang/clang++}")
             objdump=objdump ;;
    aarch64-gcc) cmake_args=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/aarch64-linux-gnu.cmake")
                 objdump=aarch64-linux-gnu-objdump ;;
    aarch64-clang-*) cmake_args=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/aarch64-linux-gnu-clang.cmake"
                                 -DVARNEL_AARCH64_CLANG="${1#aarch64-}")
                     objdump=aarch64-linux-gnu-objdump ;;
    *) echo "unknown toolchain $1" >&2; return 1 ;;
  esac
}

# Configures SOURCE into DIR with the platform's own GCC and default flags,
# for what is built once per platform; the output goes to LOG.
configure_default() { # platform source dir log cmake-arguments...
  local platform=$1 src=$2 dir=$3 log=$4 cmake_args objdump
  shift 4
  if [ "$platform" = aarch64 ]; then toolchain_compilers aarch64-gcc; else toolchain_compilers gcc; fi
  env -u CFLAGS -u CXXFLAGS -u LDFLAGS cmake -S "$src" -B "$dir" "${cmake_args[@]}" "$@" >"$log" 2>&1
}

# GoogleTest, once per platform, with that platform's GCC and default flags.
build_gtest() {
  local platform=$1 prefix=$out/gtest-$1
  [ -f "$prefix/.complete" ] && return 0
  echo "--- GoogleTest for $platform"
  rm -rf "$prefix" "$out/gtest-build-$platform"
  configure_default "$platform" /usr/src/googletest "$out/gtest-build-$platform" "$out/gtest-$platform.log" \
    -DCMAKE_BUILD_TYPE=Release -DBUILD_GMOCK=OFF -DCMAKE_INSTALL_PREFIX="$prefix"
  cmake --build "$out/gtest-build-$platform" -j"$parallel" >>"$out/gtest-$platform.log" 2>&1
  cmake --install "$out/gtest-build-$platform" >>"$out/gtest-$platform.log" 2>&1
  touch "$prefix/.complete"
}

# The bit tests of a platform, built once with its GCC and default flags,
# unless --harness named a build that has them.
bit_tests=(characterisation_test stats_bits_test inverse_brackets_test)
build_harness() {
  local platform=$1 dir=$out/harness-$1
  [ -n "${harness[$platform]:-}" ] && return 0
  echo "--- bit tests for $platform"
  configure_default "$platform" "$source" "$dir" "$out/harness-$platform.log" \
    -DVARNEL_BUILD_TESTS=BITS -DVARNEL_BUILD_PYTHON=OFF -DVARNEL_BUILD_TOOLS=OFF -DVARNEL_BUILD_FORTRAN=OFF
  cmake --build "$dir" -j"$parallel" --target "${bit_tests[@]}" >>"$out/harness-$platform.log" 2>&1
  harness[$platform]=$dir
}

# The platform's bit tests against the libraries in DIR, with the runner
# (nothing natively, qemu for aarch64) before each. The loader is asked
# first where the libraries come from: every one must be DIR's.
run_bit_tests() { # platform dir runner...
  local platform=$1 dir=$2 test
  shift 2
  local runner=("$@") trace tests=${harness[$platform]}/tests
  if [ "${runner[0]:-}" = qemu-aarch64 ]; then
    runner=("${runner[@]/#LD_LIBRARY_PATH=/LD_LIBRARY_PATH=$dir:}")
    trace=("${runner[@]}" -E LD_TRACE_LOADED_OBJECTS=1)
  else
    runner=(env LD_LIBRARY_PATH="$dir")
    trace=("${runner[@]}" LD_TRACE_LOADED_OBJECTS=1)
  fi
  local loaded
  loaded=$(for test in "${bit_tests[@]}"; do "${trace[@]}" "$tests/$test"; done 2>&1 |
    grep -E '^\s*libvarnel' | sort -u)
  echo "$loaded"
  if grep -v " => $dir/libvarnel" <<<"$loaded" ||
     [ "$(awk '{print $1}' <<<"$loaded" | sort -u | wc -l)" -ne ${#libraries[@]} ]; then
    echo "the bit tests do not load this configuration's libraries"
    return 1
  fi
  for test in "${bit_tests[@]}"; do
    "${runner[@]}" "$tests/$test" --gtest_brief=1 || return 1
  done
}

# One configuration: writes "name|toolchain|guard counts|test result|seconds"
# to the results directory and the full output to name.log.
run_config() {
  local name=$1 toolchain=$2 flags=$3 run=$4
  local dir=$out/$name log=$out/$name.log cmake_args objdump
  toolchain_setup "$toolchain"
  local platform cflags cxxflags ldflags
  platform=$(platform_of "$toolchain")
  if [ "$flags" = "@dpkg-buildflags" ]; then
    local dpkg=(env DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get)
    cflags="$("${dpkg[@]}" CPPFLAGS) $("${dpkg[@]}" CFLAGS)"
    cxxflags="$("${dpkg[@]}" CPPFLAGS) $("${dpkg[@]}" CXXFLAGS)"
    ldflags=$("${dpkg[@]}" LDFLAGS)
  else
    cflags=$flags cxxflags=$flags ldflags=$flags
  fi
  local targets=(--target "${library_targets[@]}")
  local options=(-DVARNEL_BUILD_TESTS=OFF -DVARNEL_BUILD_PYTHON=OFF -DVARNEL_BUILD_TOOLS=OFF)
  if [ "$run" = whole ] && ((!build_only)); then
    targets=() options=(-DVARNEL_GTEST_PREFIX="$out/gtest-$platform" -DVARNEL_WERROR=ON)
  fi
  rm -rf "$dir"
  local start=$SECONDS status=ok guard_counts=- test_result=-
  {
    echo "=== $name: $toolchain, $flags"
    CFLAGS=$cflags CXXFLAGS=$cxxflags LDFLAGS=$ldflags cmake -S "$source" -B "$dir" \
      "${cmake_args[@]}" -DCMAKE_BUILD_TYPE=None "${options[@]}" &&
      cmake --build "$dir" -j1 "${targets[@]}"
  } >"$log" 2>&1 || status=build-failed
  local seconds=$((SECONDS - start))
  if [ "$status" = ok ]; then
    local objects=("${libraries[@]/#/$dir/}")
    bash "$guard" "$objdump" "${objects[@]}" >"$dir/guard.txt" 2>&1 || true
    cat "$dir/guard.txt" >>"$log"
    # Summed over the objects; "unread" unless every object was read.
    guard_counts=$(awk -v want=${#objects[@]} '
      match($0, /^(ok  |FAIL) [^:]*: [0-9]+ fused, [0-9]+ approximate, [0-9]+ fp-mode, [0-9]+ signalling/) {
        split(substr($0, index($0, ": ") + 2), w, " "); f += w[1]; a += w[3]; m += w[5]; c += w[7]; ++n }
      END { if (n == want) printf "%d/%d/%d%s", f, a, m, c ? "+cmp" : ""; else print "unread" }' "$dir/guard.txt")
    [ "$guard_counts" = 0/0/0 ] || status=guard-failed
    local runner=()
    case $run in
      native) ;;
      native:*) grep -qw "${run#native:}" /proc/cpuinfo || runner=(skip) ;;
      qemu) runner=("${qemu[@]}") ;;
      qemu-max) runner=("${qemu[0]}" -cpu max "${qemu[@]:1}") ;;
      whole) runner=(ctest) ;;
      build) runner=(skip) ;;
      *) echo "unknown run mode $run" >>"$log"; runner=(skip); status=bad-run-mode ;;
    esac
    if ((build_only)); then
      test_result=-
    elif [ "${runner[*]}" = skip ]; then
      test_result="not run"
    elif [ "${runner[*]}" = ctest ]; then
      # The whole suite (natively, or under the build's emulator).
      if ctest --test-dir "$dir" --output-on-failure -j1 >"$dir/ctest.txt" 2>&1; then
        test_result="pass ($(grep -Eo 'out of [0-9]+' "$dir/ctest.txt" | tail -1 | cut -d' ' -f3) tests)"
      else
        local failed
        failed=$(sed -nE 's/^[[:space:]]*[0-9]+ - ([A-Za-z0-9_]+) .*/\1/p' "$dir/ctest.txt" | paste -sd, -)
        test_result="FAIL ${failed:-(see log)}"
        status=test-failed
      fi
      cat "$dir/ctest.txt" >>"$log"
    elif run_bit_tests "$platform" "$dir" "${runner[@]}" >>"$log" 2>&1; then
      test_result=pass
    else
      local failed
      failed=$( (sed -nE 's/^\[  FAILED  \] Exported\/Pinning\.ResultBitsAreUnchanged\/([a-z_0-9]+).*/\1/p' "$log"
                 grep -q '^\[  FAILED  \] StatsBits' "$log" && echo stats_bits || true) | sort -u | paste -sd, -)
      test_result="FAIL ${failed:-(see log)}"
      status=test-failed
    fi
  fi
  printf '%s|%s|%s|%s|%s|%s\n' "$name" "$toolchain" "$guard_counts" "$test_result" "$seconds" \
    "$status" >"$out/results/$name"
  printf '%-24s %-17s %-8s %-22s %4ss %s\n' "$name" "$toolchain" "$guard_counts" "$test_result" \
    "$seconds" "$([ "$status" = ok ] || echo "<- $status, see $log")"
}

names=() toolchains=() flag_sets=() runs=()
while IFS='|' read -r name toolchain flags run; do
  name=$(trim "$name")
  [ -z "$name" ] || [ "${name:0:1}" = "#" ] && continue
  [[ $name =~ $only ]] || continue
  names+=("$name") toolchains+=("$(trim "$toolchain")") flag_sets+=("$(trim "$flags")")
  runs+=("$(trim "$run")")
done <"$table"
((${#names[@]})) || { echo "no configuration selected from $table" >&2; exit 2; }

if ((!build_only)); then
  for i in "${!names[@]}"; do
    platform=$(platform_of "${toolchains[$i]}")
    if [ "${runs[$i]}" = whole ]; then build_gtest "$platform"; else build_harness "$platform"; fi
  done
fi

start=$SECONDS
printf '%-24s %-17s %-8s %-22s %5s\n' configuration toolchain "f/a/m" characterisation build
for i in "${!names[@]}"; do
  while (($(jobs -rp | wc -l) >= parallel)); do wait -n || true; done
  run_config "${names[$i]}" "${toolchains[$i]}" "${flag_sets[$i]}" "${runs[$i]}" &
done
wait
echo "(f/a/m: fused, approximate and mode-setting instructions found by the guard;"
echo " +cmp: signalling comparisons found too)"
failed=$(cut -d'|' -f1,6 "$out"/results/* | { grep -v '|ok$' || true; } | cut -d'|' -f1 | paste -sd' ' -)
echo "${#names[@]} configurations in $((SECONDS - start)) s"
if [ -n "$failed" ]; then
  echo "FAILED: $failed"
  exit 1
fi
