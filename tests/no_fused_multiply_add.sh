#!/usr/bin/env bash
# Reads the machine code of built shared objects for instructions that round
# differently from the operations the source prescribes, since a compiler
# flag is a request and not a proof:
#   fused      a multiply and an add or subtract rounded once, in every form:
#              x86 FMA3/FMA4/AVX-512 (vfmadd*, vfmsub*, vfnmadd*, vfnmsub*,
#              vfmaddsub*, vfmsubadd*, v4fmadd*, the complex vfmaddc*/
#              vfcmaddc*), aarch64 scalar, Advanced SIMD, SVE and SME
#              (fmadd, fmsub, fnmadd, fnmsub, fmla, fmls, fcmla, fmad, fmsb,
#              fnmad, fnmsb, fnmla, fnmls, fmlal, fmlsl, bf16 forms, fmmla,
#              fmopa, fmops) and the fused Newton steps frecps, frsqrts;
#   approximate reciprocal and reciprocal square root estimates (x86 rcp*,
#              rsqrt*, vrcp*, vrsqrt*; aarch64 frecpe, frsqrte);
#   fp-mode    writes to the floating-point control registers (x86 ldmxcsr,
#              fldcw, fldenv; aarch64 msr fpcr): the library never changes
#              the caller's floating-point mode, so one of these is start-up
#              code such as crtfastmath.o setting flush-to-zero;
#   signalling comparisons that raise invalid for a quiet NaN operand (x86
#              comisd/comiss, aarch64 fcmpe/fccmpe): what the ordered
#              operators < <= > >= compile to, where the library compares
#              with std::isless and its kin so that a quiet NaN argument
#              raises nothing. Reading the machine code finds one < written
#              anywhere, also where no test passes a NaN (branch-free selects
#              are left to the table of NaN calls in fp_flags_test).
# Every finding is printed with its object, function and instruction; the
# last line per object counts them, in the form the toolchain matrix reads.
#
# usage: no_fused_multiply_add.sh OBJDUMP OBJECT...
#        no_fused_multiply_add.sh --disassembly NAME FILE   (objdump -d output
#                                  read from FILE, "-" for stdin: self-test)
set -u

# One disassembly on stdin, the object's name in $1; prints the findings and
# the count line, fails when anything is found or nothing could be read.
scan() {
  awk -v object="$1" '
    function kind(word, text) {
      if (word ~ /^vfn?m(add|sub)[0-9a-z]*$/ || word ~ /^v4fn?madd[a-z]*$/ ||
          word ~ /^vfc?maddc[a-z]*$/ ||
          word ~ /^(fmadd|fmsub|fnmadd|fnmsub|fmla|fmls|fcmla|fmad|fmsb|fnmad|fnmsb|fnmla|fnmls)$/ ||
          word ~ /^(fmlal|fmlal2|fmlsl|fmlsl2|bfmlal[bt]?|bfmlsl[bt]?|bfmla|bfmls|fmmla|bfmmla)$/ ||
          word ~ /^b?fmop[as]$/ || word ~ /^(frecps|frsqrts)$/)
        return "fused"
      if (word ~ /^v?(rcp|rsqrt)[0-9]*(ss|ps|sd|pd|sh|ph)$/ || word ~ /^(frecpe|frsqrte)$/)
        return "approximate"
      if (word ~ /^(v?ldmxcsr|fldcw|fldenv)$/ || (word == "msr" && text ~ /fpcr/))
        return "fp-mode"
      if (word ~ /^v?comis[sd]$/ || word ~ /^(fcmpe|fccmpe)$/)
        return "signalling"
      return ""
    }
    /^[0-9a-f]+ <.*>:$/ {
      function_name = substr($0, index($0, "<") + 1)
      sub(/>:$/, "", function_name)
      next
    }
    /^ *[0-9a-f]+:\t/ {
      ++instructions
      text = $0
      sub(/^ *[0-9a-f]+:\t/, "", text)
      # A raw-bytes column, if objdump printed one, ends with a tab.
      if (text ~ /^([0-9a-f][0-9a-f] ?)+\t/) sub(/^[^\t]*\t/, "", text)
      gsub(/\t/, " ", text)
      n = split(text, words, " ")
      for (i = 1; i <= n; ++i) {
        k = kind(words[i], text)
        if (k != "") {
          printf "%s: %s in %s: %s\n", object, k, function_name, text
          ++found[k]
          break
        }
        # Only prefixes such as rep, lock, notrack or {vex} come before the
        # mnemonic; stop at the first word that is none of them.
        if (words[i] !~ /^(\{[a-z0-9]+\}|rep[a-z]*|lock|notrack|bnd|data16|addr32)$/) break
      }
    }
    END {
      total = found["fused"] + found["approximate"] + found["fp-mode"] + found["signalling"]
      if (instructions == 0) {
        printf "FAIL %s: no instructions read (wrong objdump for this architecture?)\n", object
        exit 2
      }
      printf "%s %s: %d fused, %d approximate, %d fp-mode, %d signalling in %d instructions\n",
             total ? "FAIL" : "ok  ", object, found["fused"], found["approximate"],
             found["fp-mode"], found["signalling"], instructions
      exit total ? 1 : 0
    }'
}

if [ "${1:-}" = "--disassembly" ]; then
  [ $# -eq 3 ] || { echo "usage: $0 --disassembly NAME FILE" >&2; exit 2; }
  if [ "$3" = - ]; then scan "$2"; else scan "$2" <"$3"; fi
  exit
fi

[ $# -ge 2 ] || { echo "usage: $0 OBJDUMP OBJECT..." >&2; exit 2; }
objdump=$1
shift
status=0
for object in "$@"; do
  if [ ! -f "$object" ]; then
    echo "FAIL $object: no such file"
    status=1
    continue
  fi
  "$objdump" -d -C --no-show-raw-insn "$object" | scan "$(basename "$object")" || status=1
done
exit $status
