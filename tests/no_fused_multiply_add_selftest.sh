#!/usr/bin/env bash
# The machine-code guard (no_fused_multiply_add.sh) on one-instruction
# disassemblies in objdump's formats: what each row's instruction must be
# reported as ("-" for nothing), so that a pattern that misses a form, or
# catches an ordinary one, shows here by name.
# usage: no_fused_multiply_add_selftest.sh GUARD
set -u
guard=$1
failures=0
rows=0
# expected | instruction line after the address (tabs as objdump prints them)
while IFS='|' read -r expected line; do
  [ -z "$expected" ] || [ "${expected:0:1}" = "#" ] && continue
  ((++rows))
  disassembly=$(printf '0000000000001000 <varnel::f(double)>:\n    1000:\t%b\n' "$line")
  output=$(printf '%s\n' "$disassembly" | bash "$guard" --disassembly lib.so -)
  status=$?
  got=-
  [[ $output =~ lib\.so:\ ([a-z-]+)\ in\ varnel::f\(double\): ]] && got=${BASH_REMATCH[1]}
  want_status=1
  [ "$expected" = - ] && want_status=0
  if [ "$got" != "$expected" ] || [ "$status" -ne "$want_status" ]; then
    echo "FAIL '$line': expected $expected (exit $want_status), got $got (exit $status): $output"
    ((++failures))
  fi
done <<'TABLE'
# x86: FMA3 scalar, packed, the complex-product form, FMA4, AVX-512
fused|vfmadd132sd %xmm1,%xmm2,%xmm0
fused|vfmaddsub132pd 0x10(%rsp),%xmm0,%xmm1
fused|vfmsubadd231pd %ymm1,%ymm2,%ymm0
fused|vfnmadd213sd 0x8(%rip),%xmm1,%xmm0
fused|vfnmsub231pd %zmm1,%zmm2,%zmm0{%k1}
fused|vfmaddpd %xmm3,%xmm2,%xmm1,%xmm0
fused|v4fmaddps (%rax),%zmm4,%zmm0
fused|vfcmaddcph %zmm1,%zmm2,%zmm0
# with the raw bytes column and a prefix
fused|c4 e2 f1 99 c2 \tvfmadd132sd %xmm2,%xmm1,%xmm0
fused|{vex} vfmadd231pd %xmm1,%xmm2,%xmm0
# x86: estimates, and writes to the control registers
approximate|rcpss %xmm0,%xmm1
approximate|vrsqrtps %ymm0,%ymm1
approximate|vrcp14pd %zmm0,%zmm1
fp-mode|ldmxcsr -0x4(%rsp)
fp-mode|fldcw 0x2(%rsp)
signalling|comisd %xmm1,%xmm0
signalling|vcomiss 0x4(%rip),%xmm0
# x86: ordinary arithmetic, moves and reads stay clean
-|vmulsd %xmm1,%xmm0,%xmm0
-|vaddsubpd %xmm1,%xmm0,%xmm0
-|addsubpd %xmm1,%xmm0
-|vfpclasssd $0x1,%xmm0,%k0
-|stmxcsr -0x4(%rsp)
-|movapd %xmm1,%xmm0
-|ucomisd %xmm1,%xmm0
-|rcl $1,%eax
-|call 1030 <fmadd@plt>
# aarch64: scalar, Advanced SIMD, complex, SVE, Newton steps
fused|fmadd\td0, d0, d1, d2
fused|fnmsub\td0, d1, d2, d3
fused|fmla\tv0.2d, v1.2d, v2.2d
fused|fmls\tv0.2d, v1.2d, v2.d[1]
fused|fcmla\tv0.2d, v1.2d, v2.2d, #90
fused|fmad\tz0.d, p0/m, z1.d, z2.d
fused|fnmla\tz0.d, p0/m, z1.d, z2.d
fused|fmlal\tv0.4s, v1.4h, v2.4h
fused|frecps\td0, d1, d2
fused|frsqrts\tv0.2d, v1.2d, v2.2d
approximate|frecpe\td0, d1
approximate|frsqrte\tv0.2d, v1.2d
fp-mode|msr\tfpcr, x0
signalling|fcmpe\td0, d1
signalling|fccmpe\td0, d1, #0x0, ne
# aarch64: ordinary arithmetic and reads stay clean
-|fmul\td0, d0, d1
-|fadd\tv0.2d, v1.2d, v2.2d
-|fcmp\td0, #0.0
-|fcmgt\tv0.2d, v1.2d, v2.2d
-|fcadd\tv0.2d, v1.2d, v2.2d, #90
-|frecpx\td0, d1
-|mrs\tx0, fpcr
-|msr\tfpsr, xzr
-|bl\t6d0 <fmla@plt>
TABLE

# No instructions at all (objdump for another architecture) is a failure too.
if printf 'lib.so: file format unknown\n' | bash "$guard" --disassembly lib.so - >/dev/null; then
  echo "FAIL an empty disassembly passed"
  ((++failures))
fi
((++rows))
if ((failures)); then
  echo "$failures of $rows rows failed"
  exit 1
fi
echo "ok   all $rows rows"
