#!/usr/bin/env bash
# The wrappers of libvarnel-c cost one jump each: every symbol of the family
# "functions" in the expected-symbols file must be a single unconditional jump
# into libvarnel.so.0 (through the global offset table), with no frame, no
# call and no instruction that could touch an argument or the result. A
# wrapper that converted its complex argument, or saved a register, would
# show up here as more instructions.
# usage: c_tail_calls.sh OBJDUMP LIBRARY EXPECTED_SYMBOLS
set -u
objdump=$1 lib=$2 expected=$3
fail=0
disassembly=$("$objdump" -d --no-show-raw-insn "$lib")
for sym in $(awk '$1 == "functions" {print $2}' "$expected"); do
  # The instructions of the function, up to the padding after it.
  body=$(awk -v s="<$sym>:" '$2 == s {on = 1; next} on && NF == 0 {exit}
                             on {sub(/^ *[0-9a-f]+:[ \t]*/, ""); print}' <<<"$disassembly" |
         grep -Ev '^(nop|cs nop|data16|xchg +%ax,%ax)' )
  # x86_64: jmp *GOT(%rip). aarch64: b to the target, or adrp/ldr/br through
  # the global offset table.
  if grep -Eqx 'jmp +\*0x[0-9a-f]+\(%rip\).*' <<<"$body" && [ "$(grep -c . <<<"$body")" = 1 ]; then
    echo "ok   $sym: $(head -1 <<<"$body")"
  elif grep -Eq '^b[ \t]' <<<"$body" && [ "$(grep -c . <<<"$body")" = 1 ]; then
    echo "ok   $sym: $(head -1 <<<"$body")"
  elif [ "$(grep -c . <<<"$body")" = 3 ] && [ "$(sed -n 1p <<<"$body" | awk '{print $1}')" = adrp ] &&
       [ "$(sed -n 2p <<<"$body" | awk '{print $1}')" = ldr ] &&
       [ "$(sed -n 3p <<<"$body" | awk '{print $1}')" = br ]; then
    echo "ok   $sym: adrp/ldr/br"
  else
    echo "FAIL $sym is not a single jump:"; sed 's/^/       /' <<<"$body"; fail=1
  fi
done
exit $fail
