#!/usr/bin/env bash
# ELF properties of a built library: file name, soname, run path, the
# libraries it needs and the exact set of exported symbols.
# usage: elf_properties.sh LIBRARY EXPECTED_SYMBOLS [NAME [NEEDED...]]
# NAME is the file name and soname (default libvarnel.so.0); NEEDED are the
# libraries it must depend on (default libm.so.6).
set -u
lib=$1 expected=$2 name=${3:-libvarnel.so.0}
shift $(($# < 3 ? $# : 3))
required_needed=("${@:-libm.so.6}")
fail=0
check() { # what, got, want
  if [ "$2" != "$3" ]; then echo "FAIL $1: got '$2', want '$3'"; fail=1; else echo "ok   $1: $2"; fi
}

check "file name" "$(basename "$lib")" "$name"
dyn=$(readelf -d -W "$lib")
check "soname" "$(sed -n 's/.*(SONAME).*\[\(.*\)\]/\1/p' <<<"$dyn")" "$name"
check "runpath" "$(sed -n 's/.*(RUNPATH).*\[\(.*\)\]/\1/p' <<<"$dyn")" '$ORIGIN/../lib64'
check "no old-style rpath" "$(grep -c '(RPATH)' <<<"$dyn")" "0"

# Only the C library, the mathematics library, the compiler's run-time
# support library and (for the C interface and the inverse functions)
# libvarnel.so.0 may be needed; libstdc++ in particular must not be.
needed=$(sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p' <<<"$dyn" | sort | tr '\n' ' ')
echo "     needed: $needed"
for n in $needed; do
  case $n in
    libc.so.6|libm.so.6|libgcc_s.so.1|libvarnel.so.0) ;;
    *) echo "FAIL needed: unexpected dependency $n"; fail=1 ;;
  esac
done
for n in "${required_needed[@]}"; do
  grep -qw "$n" <<<"$needed" || { echo "FAIL needed: $n missing"; fail=1; }
done

# Defined, globally visible dynamic symbols.
exported=$(readelf --dyn-syms -W "$lib" |
  awk '$5 ~ /GLOBAL|WEAK|UNIQUE/ && $6 == "DEFAULT" && $7 != "UND" {print $8}' |
  sed 's/@.*//' | sort -u)
want=$(grep -v '^#' "$expected" | awk '$1 != "required" {print $2}' | sort -u)
extra=$(comm -23 <(echo "$exported") <(echo "$want"))
if [ -n "$extra" ]; then echo "FAIL exported outside the interface:"; echo "$extra"; fail=1; fi

families=$(grep -v '^#' "$expected" | awk '$1 != "required" {print $1}' | sort -u)
for fam in $families; do
  syms=$(awk -v f="$fam" '$1 == f {print $2}' "$expected")
  have=0 missing=""
  for s in $syms; do
    if grep -qx "$s" <<<"$exported"; then have=$((have + 1)); else missing="$missing $s"; fi
  done
  required=$(awk -v f="$fam" '$1 == "required" && $2 == f' "$expected")
  if [ "$have" -gt 0 ] || [ -n "$required" ]; then
    if [ -n "$missing" ]; then echo "FAIL family $fam incomplete, missing:$missing"; fail=1
    else echo "ok   family $fam: $have symbols"; fi
  else
    echo "--   family $fam: not built yet"
  fi
done
echo "exported: $(grep -c . <<<"$exported") symbols"
exit $fail
