#!/usr/bin/env bash
# The C and Fortran examples (examples/c/tails.c, examples/fortran/tails.f90)
# end to end: the bits every row prints are the bits the evaluator gives for
# the same call through the C++ interface, and the two programs print the same
# table, character for character. The evaluator reads the arguments as the
# programs pass them: k/2 and x/2 are exact, and w is printed with 17
# significant digits, which read back to the same double.
# usage: tails_examples.sh EVALUATOR C_PROGRAM FORTRAN_PROGRAM|- [EMULATOR...]
set -u
evaluator=$1 c_program=$2 fortran_program=$3
shift 3
emulator=("$@")
fail=0

c_out=$("${emulator[@]}" "$c_program") || { echo "FAIL $c_program exited with $?"; exit 1; }
echo "$c_out"

# Section 1 rows: k x P bits; section 2 rows: nu t w P bits.
rows() { awk -v s="$1" '/^Chi-square/ {n = 1; next} /^Student/ {n = 2; next}
                        n == s && length($NF) == 16 && $NF ~ /^[0-9A-F]+$/' <<<"$c_out"; }
compare() { # what, evaluator function, its argument lines, the printed bits
  local want got
  want=$(tr 'A-F' 'a-f' <<<"$4")
  got=$(printf '%s\n' "$3" | "${emulator[@]}" "$evaluator" --stdin "$2" |
        awk -F, 'NR > 1 {sub(/^0x/, "", $NF); print $NF}')
  if [ "$got" = "$want" ]; then
    echo "ok   $1: $(grep -c . <<<"$want") rows have the evaluator's bits"
  else
    echo "FAIL $1: the printed bits differ from the evaluator's"
    paste <(echo "$want") <(echo "$got")
    fail=1
  fi
}
compare "chi-square tail" cephes::d_igamc \
  "$(rows 1 | awk '{printf "%.17g %.17g\n", $1 / 2, $2 / 2}')" "$(rows 1 | awk '{print $NF}')"
compare "Student t tail" cephes::d_ibeta \
  "$(rows 2 | awk '{printf "%.17g 0.5 %s\n", $1 / 2, $3}')" "$(rows 2 | awk '{print $NF}')"
[ "$(rows 1 | grep -c .)" = 12 ] && [ "$(rows 2 | grep -c .)" = 8 ] ||
  { echo "FAIL the tables do not have 12 and 8 rows"; fail=1; }

if [ "$fortran_program" != - ]; then
  fortran_out=$("${emulator[@]}" "$fortran_program") || { echo "FAIL $fortran_program exited with $?"; exit 1; }
  if [ "$fortran_out" = "$c_out" ]; then
    echo "ok   the Fortran program prints the C program's table"
  else
    echo "FAIL the Fortran program prints another table:"
    diff <(echo "$c_out") <(echo "$fortran_out")
    fail=1
  fi
fi
exit $fail
