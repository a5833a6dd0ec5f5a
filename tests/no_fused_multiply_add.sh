#!/usr/bin/env bash
# The library's arithmetic must round every product and sum on its own: a
# fused multiply-add changes results in the last bit. aarch64 compilers fuse
# by default, so the disassembly of the built library is searched for them.
# usage: no_fused_multiply_add.sh OBJDUMP LIBRARY
set -u
objdump=$1 lib=$2
fused=$("$objdump" -d "$lib" |
  grep -E '[[:space:]](fmadd|fmsub|fnmadd|fnmsub|fmla|fmls|vfn?m(add|sub)[0-9a-z]*)[[:space:]]')
if [ -n "$fused" ]; then
  echo "FAIL fused multiply-add instructions in $lib:"
  echo "$fused" | head -20
  exit 1
fi
echo "ok   no fused multiply-add in $(basename "$lib") ($("$objdump" -d "$lib" | grep -c '^ ') instructions read)"
