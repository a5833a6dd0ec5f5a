#!/usr/bin/env bash
# A quiet NaN argument must raise no floating-point exception, so the library
# compares with std::isless and its kin, never with the ordered operators:
# those compile to the signalling comparisons comisd/comiss (x86_64) and
# fcmpe/fccmpe (aarch64), which raise invalid for any NaN operand. The
# disassembly of the built objects is searched for them, so that one < written
# anywhere is found even where no test passes it a NaN. (Branch-free selects
# are left to the table of NaN calls in fp_flags_test.)
# usage: quiet_comparisons.sh OBJDUMP OBJECT...
set -u
objdump=$1
shift
fail=0
for lib in "$@"; do
  listing=$("$objdump" -d --no-show-raw-insn -C "$lib") || { echo "FAIL cannot read $lib"; fail=1; continue; }
  found=$(awk '/^[0-9a-f]+ <.*>:$/ { name = $0; sub(/^[0-9a-f]+ </, "", name); sub(/>:$/, "", name) }
               $2 ~ /^(v?comis[sd]|fcmpe|fccmpe)$/ { print "  " name ": " $2 }' <<<"$listing" |
          sort | uniq -c)
  if [ -n "$found" ]; then
    echo "FAIL signalling comparisons in $lib (count, function, instruction):"
    echo "$found" | head -20
    fail=1
  else
    echo "ok   no signalling comparison in $(basename "$lib") ($(grep -c '^ ' <<<"$listing") instructions read)"
  fi
done
exit $fail
