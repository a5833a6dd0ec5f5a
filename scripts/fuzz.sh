#!/usr/bin/env bash
# Runs the libFuzzer harness on every exported function for a bounded time
# each and fails on any finding (crash, sanitizer report, timeout, or a
# broken promise: errno, determinism, allocation, documented range).
# usage: scripts/fuzz.sh [SECONDS_PER_FUNCTION [BUILD_DIR]]
# Needs a build configured with -DVARNEL_FUZZ=ON and Clang (test-all.sh
# makes one). New corpus entries go to BUILD_DIR/fuzz-corpus, findings to
# BUILD_DIR/fuzz-findings; the committed seeds in fuzz/corpus are only read.
# Reproduce a finding with
#   VARNEL_FUZZ_FUNCTION=<function> BUILD_DIR/fuzz/varnel_fuzz <finding file>
set -uo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
build=${2:-build-fuzz}
fuzzer=$build/fuzz/varnel_fuzz
# A call may take up to about a second where an iteration cap ends it; the
# instrumented build is a few times slower and each input is called three
# times. Anything beyond this bound is a hang.
timeout_s=${VARNEL_FUZZ_TIMEOUT:-20}
stats_seconds=${VARNEL_FUZZ_STATS_SECONDS:-$(( (seconds + 1) / 2 ))}
jobs=${VARNEL_FUZZ_JOBS:-$(nproc)}
[ -x "$fuzzer" ] && [ -x "${fuzzer}_stats" ] && [ -x "${fuzzer}_dist" ] || { echo "no $fuzzer: build with -DVARNEL_FUZZ=ON first"; exit 1; }
rm -rf "$build/fuzz-findings"
mkdir -p "$build/fuzz-findings" "$build/fuzz-logs"

fuzz_one() { # function
  local fn=$1
  mkdir -p "$build/fuzz-corpus/$fn"
  # The inverses and the distributions of libvarnel-stats have harnesses of
  # their own; a distribution's input is one operation byte and three doubles.
  # They run for half the time each (VARNEL_FUZZ_STATS_SECONDS): seventeen
  # targets whose every input already runs the crossing search's checks.
  local exe=$fuzzer max_len=24 run_seconds=$seconds
  case $fn in
    stats_dist_*) exe=${fuzzer}_dist max_len=25 run_seconds=$stats_seconds ;;
    stats_*) exe=${fuzzer}_stats run_seconds=$stats_seconds ;;
  esac
  VARNEL_FUZZ_FUNCTION=$fn "$exe" -max_total_time="$run_seconds" -timeout="$timeout_s" \
    -max_len="$max_len" -print_final_stats=1 -artifact_prefix="$build/fuzz-findings/$fn-" \
    "$build/fuzz-corpus/$fn" "fuzz/corpus/$fn" >"$build/fuzz-logs/$fn.log" 2>&1
  echo $? >"$build/fuzz-logs/$fn.status"
}

functions=$(ls fuzz/corpus)
running=0
for fn in $functions; do
  rm -f "$build/fuzz-logs/$fn.status"
  fuzz_one "$fn" &
  running=$((running + 1))
  if [ "$running" -ge "$jobs" ]; then
    wait -n || true
    running=$((running - 1))
  fi
done
wait
failed=()
for fn in $functions; do
  [ "$(cat "$build/fuzz-logs/$fn.status" 2>/dev/null)" = 0 ] || failed+=("$fn")
done

printf '%-16s %12s %8s %10s\n' function executions seconds exec/s
for fn in $functions; do
  log=$build/fuzz-logs/$fn.log
  if grep -q "not in the library yet" "$log"; then
    printf '%-16s %s\n' "$fn" "not built yet"
    continue
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  secs=$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$log")
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
  printf '%-16s %12s %8s %10s\n' "$fn" "${runs:-?}" "${secs:-?}" "${rate:-?}"
done
if ((${#failed[@]})); then
  for fn in "${failed[@]}"; do
    echo "=== finding in $fn:"
    grep -E 'FAULT|ERROR|runtime error|SUMMARY|Test unit written|timeout' "$build/fuzz-logs/$fn.log" | head -20
  done
  echo "fuzzing FAILED: ${failed[*]}"
  exit 1
fi
echo "fuzzing clean"
