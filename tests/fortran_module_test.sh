#!/usr/bin/env bash
# Runs fortran_module_test and holds every call it prints against the
# evaluator: each line is "FUNCTION ARG... | BITS...", the arguments printed
# with 17 significant digits (which read back to the same value), and the
# evaluator must give the same result bits for them.
# usage: fortran_module_test.sh EVALUATOR PROGRAM [EMULATOR...]
set -u
evaluator=$1 program=$2
shift 2
emulator=("$@")
out=$("${emulator[@]}" "$program")
rc=$?
echo "$out" | grep -v ' | '
fail=$rc
calls=0
while IFS='|' read -r call bits; do
  read -r name args <<<"$call"
  want=$(tr 'A-F ' 'a-f\n' <<<"${bits# }" | grep .)
  columns=$(grep -c . <<<"$want")
  got=$(echo "$args" | "${emulator[@]}" "$evaluator" --stdin "$name" |
        awk -F, -v n="$columns" 'NR == 2 {for (i = NF - n + 1; i <= NF; ++i) {sub(/^0x/, "", $i); print $i}}')
  if [ "$got" = "$want" ]; then
    calls=$((calls + 1))
  else
    echo "FAIL $name($args): the module gives $(echo $want), the evaluator $(echo $got)"
    fail=1
  fi
done < <(grep ' | ' <<<"$out")
echo "ok   $calls calls through the module's interfaces have the evaluator's bits"
# One per function: the 16 of libvarnel-c and the 8 of libvarnel-stats.
[ "$calls" -eq 24 ] || { echo "FAIL expected 24 calls, one per function"; fail=1; }
exit $fail
