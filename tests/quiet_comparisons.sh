#!/usr/bin/env bash
# A quiet NaN argument must raise no floating-point exception, so the library
# compares with std::isless and its kin, never with the ordered operators:
# those compile to the signalling comparisons comisd/comiss (x86_64) and
# fcmpe/fccmpe (aarch64), which raise invalid for any NaN operand. The
# disassembly of the built library is searched for them, so that one < written
# anywhere is found even where no test passes it a NaN. (Branch-free selects
# are left to the table of NaN calls in fp_flags_test.)
# usage: quiet_comparisons.sh OBJDUMP LIBRARY
set -u
objdump=$1 lib=$2
found=$("$objdump" -d --no-show-raw-insn -C "$lib" |
  awk '/^[0-9a-f]+ <.*>:$/ { name = $0; sub(/^[0-9a-f]+ </, "", name); sub(/>:$/, "", name) }
       $2 ~ /^(v?comis[sd]|fcmpe|fccmpe)$/ { print "  " name ": " $2 }' | sort | uniq -c)
if [ -n "$found" ]; then
  echo "FAIL signalling comparisons in $lib (count, function, instruction):"
  echo "$found" | head -20
  exit 1
fi
echo "ok   no signalling comparison in $(basename "$lib")"
