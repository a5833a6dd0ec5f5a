#!/usr/bin/env bash
# End-to-end test of the varnel evaluator: output format, argument syntax,
# name lookup, the range and stdin modes, and that every kind of bad input
# gives one line on stderr and a non-zero status instead of a crash.
# usage: varnel_cli.sh [EMULATOR...] VARNEL
# The expected results are exact values (integers of gamma, limits of erf,
# poles, domain returns), so the same checks hold on every platform.
set -u
cmd=("$@")
fail=0
out="" err="" rc=0

run() { # arguments of varnel; sets out, err, rc
  local tmp
  tmp=$(mktemp)
  out=$("${cmd[@]}" "$@" 2>"$tmp")
  rc=$?
  err=$(cat "$tmp")
  rm -f "$tmp"
}

run_stdin() { # input, arguments of varnel
  local input=$1 tmp
  shift
  tmp=$(mktemp)
  out=$(printf '%b' "$input" | "${cmd[@]}" "$@" 2>"$tmp")
  rc=$?
  err=$(cat "$tmp")
  rm -f "$tmp"
}

ok() { echo "ok   $1"; }
bad() { echo "FAIL $1"; echo "     stdout: $out"; echo "     stderr: $err"; echo "     status: $rc"; fail=1; }

# expect WHY PATTERN ARGS...: success, nothing on stderr, and stdout matching
# the extended regular expression PATTERN (anchored at neither end).
expect() {
  local why=$1 pattern=$2
  shift 2
  run "$@"
  if [ "$rc" -eq 0 ] && [ -z "$err" ] && grep -Eq -- "$pattern" <<<"$out"; then ok "$why"; else bad "$why"; fi
}

# reject WHY PATTERN ARGS...: a non-zero status below 128 (no signal), nothing
# on stdout and exactly one line on stderr, matching PATTERN.
reject() {
  local why=$1 pattern=$2
  shift 2
  run "$@"
  if [ "$rc" -ne 0 ] && [ "$rc" -lt 128 ] && [ -z "$out" ] && [ "$(grep -c . <<<"$err")" -eq 1 ] &&
     grep -Eq -- "$pattern" <<<"$err"; then ok "$why"; else bad "$why"; fi
}

# --- one evaluation: decimal, hex-float and bits -------------------------------
expect "d_gamma(5) is 24, printed with hex-float and bits" \
  '^varnel::specfun::d_gamma\(5\) = 24$' d_gamma 5
expect "the bit pattern line of d_gamma(5)" \
  'hex-float 0x1\.8p\+4  bits 0x4038000000000000' d_gamma 5
expect "s_gamma prints binary32 bits" \
  's_gamma\(3\) = 2$' s_gamma 3
expect "s_gamma prints 8 hex digits" 'bits 0x40000000$' s_gamma 3
expect "a float argument is read straight to binary32 (0.1f echoes as 0.1)" \
  's_lngamma\(0\.1\) = ' s_lngamma 0.1
expect "hex-float arguments are accepted" 'd_gamma\(5\) = 24' d_gamma 0x1.4p+2
expect "-0 keeps its sign: erf(-0) = -0" \
  'd_calerf\(-0, 0\) = -0$' d_calerf -0 0
expect "-0 bits" 'bits 0x8000000000000000' d_calerf -0 0
expect "inf is accepted: erf(inf) = 1" 'd_calerf\(inf, 0\) = 1$' d_calerf inf 0
expect "-inf is accepted: erfc(-inf) = 2" 'd_calerf\(-inf, 1\) = 2$' d_calerf -inf 1
expect "nan is accepted and propagates" 'd_calerf\(-?nan, 2\) = -?nan$' d_calerf nan 2
expect "the gamma pole gives the overflow value" \
  'd_gamma\(0\) = 1\.79e\+308' d_gamma 0
expect "the domain NaN of cephes::d_ibeta has its fixed bits" \
  'bits 0x7ff8000000000000' cephes::d_ibeta 0 1 0.5
expect "negative selectors are integers too" 'd_calerf\(0, -7\) = 1$' d_calerf 0 -7

# --- complex results: both parts with their bits ------------------------------
expect "z_gamma pole at 0: +inf + 0i" '^varnel::cephes::z_gamma\(\(0, 0\)\) = \(inf, 0\)$' z_gamma 0 0
expect "z_gamma pole: real part bits" 're inf  hex-float inf  bits 0x7ff0000000000000' z_gamma 0 0
expect "z_gamma pole: imaginary part bits" 'im 0  hex-float 0x0p\+0  bits 0x0000000000000000' z_gamma 0 0
expect "z_lngamma pole at -3" 'z_lngamma\(\(-3, 0\)\) = \(inf, 0\)$' z_lngamma -3 0
expect "z_gamma at -3 divides by a complex zero" 'z_gamma\(\(-3, 0\)\) = \(-?inf, -?nan\)' z_gamma -3 0

# --- names ----------------------------------------------------------------------
expect "fully qualified names" 'd_gamma\(5\) = 24' varnel::specfun::d_gamma 5
expect "namespace-qualified names" 'd_gamma\(5\) = 24' specfun::d_gamma 5
expect "cephes::d_ibeta at x = 1" '^varnel::cephes::d_ibeta\(2, 3, 1\) = 1$' cephes::d_ibeta 2 3 1
expect "specfun::d_ibeta at x = 0" '^varnel::specfun::d_ibeta\(2, 3, 0\) = 0$' specfun::d_ibeta 2 3 0
run specfun::d_ibeta 0.5 0.5 0.5; sf=$out
run cephes::d_ibeta 0.5 0.5 0.5; ce=$out
if [ "${sf#*= }" != "${ce#*= }" ] && grep -q '^varnel::specfun' <<<"$sf" && grep -q '^varnel::cephes' <<<"$ce"; then
  ok "the two d_ibeta are different functions"
else
  out="$sf / $ce"; bad "the two d_ibeta are different functions"
fi
# The inverse functions of libvarnel-stats: every name of its list, bare or
# qualified with stats::, printed as the others are; the ends of each domain
# are exact values (<varnel/stats.h>).
for name in d_erf_inv s_erf_inv d_erfc_inv s_erfc_inv; do
  expect "$name by its bare name" "^varnel::stats::$name\\(0\\.5\\) = " $name 0.5
done
for name in d_igamma_inv d_igamc_inv; do
  expect "$name by its bare name" "^varnel::stats::$name\\(3, 0\\.05\\) = " $name 3 0.05
done
for name in d_ibeta_inv d_ibetac_inv; do
  expect "$name by its bare name" "^varnel::stats::$name\\(2, 3, 0\\.5\\) = " $name 2 3 0.5
done
expect "stats:: qualified inverse" '^varnel::stats::d_igamma_inv\(3, 0\.05\) = ' stats::d_igamma_inv 3 0.05
expect "varnel::stats:: qualified inverse" '^varnel::stats::d_ibeta_inv\(2, 3, 0\.5\) = ' varnel::stats::d_ibeta_inv 2 3 0.5
expect "s_erf_inv prints binary32 bits" 'bits 0x[0-9a-f]{8}$' s_erf_inv 0.5
expect "d_erf_inv(1) is +inf" '^varnel::stats::d_erf_inv\(1\) = inf$' d_erf_inv 1
expect "s_erf_inv(-1) is -inf" '^varnel::stats::s_erf_inv\(-1\) = -inf$' s_erf_inv -1
expect "d_erfc_inv(0) is +inf" '^varnel::stats::d_erfc_inv\(0\) = inf$' d_erfc_inv 0
expect "d_igamma_inv(a, 0) is 0" '^varnel::stats::d_igamma_inv\(3, 0\) = 0$' d_igamma_inv 3 0
expect "d_igamc_inv(a, 0) is +inf" '^varnel::stats::d_igamc_inv\(3, 0\) = inf$' d_igamc_inv 3 0
expect "d_ibeta_inv(a, b, 1) is 1" '^varnel::stats::d_ibeta_inv\(2, 3, 1\) = 1$' d_ibeta_inv 2 3 1
expect "d_ibetac_inv(a, b, 1) is 0" '^varnel::stats::d_ibetac_inv\(2, 3, 1\) = 0$' d_ibetac_inv 2 3 1
expect "an inverse outside its domain gives NaN" '^varnel::stats::d_igamma_inv\(-1, 0\.5\) = -?nan$' d_igamma_inv -1 0.5
expect "a target beyond its interval gives NaN" '^varnel::stats::d_erfc_inv\(2\.5\) = -?nan$' d_erfc_inv 2.5
expect "the upper-tail target is named q in --list" 'varnel::stats::d_igamc_inv\(double a, double q\)' --list
expect "inverses sweep a range" '^3,0,0,0x0000000000000000$' d_igamma_inv 3 --range 0:1:1
reject "an inverse's arity" 'd_ibeta_inv takes 3 arguments \(a, b, p\), got 2' d_ibeta_inv 2 3
reject "near misses of inverse names" "did you mean d_igamma_inv" d_igamma_iv 3 0.05
# The distributions of libvarnel-stats, d_<family>_<op>: every name of the
# list evaluates, bare or qualified; the checked values are exact ones
# (ends of the supports, point masses, integer quantiles), and the
# parameters are named as the families name them (prob for the binomial
# families' p, which names the quantile's target).
for family in "norm 0 1" "chisq 3" "gamma 2 1" "beta 2 3" "t 3" "f 3 5" "poisson 4" "binom 10 0.3" "nbinom 2 0.4"; do
  set -- $family
  for op in pdf logpdf cdf sf quantile isf; do
    expect "d_$1_$op by its bare name" "^varnel::stats::d_$1_$op\\(0\\.5, " d_$1_$op 0.5 "${@:2}"
  done
done
expect "a chi-square critical value" '^varnel::stats::d_chisq_isf\(0\.05, 3\) = 7\.8147' d_chisq_isf 0.05 3
expect "the binomial count exceeded with probability at most 1e-20" \
  '^varnel::stats::d_binom_isf\(1e-20, 10000, 4e-05\) = 16$' d_binom_isf 1e-20 10000 4e-5
expect "stats:: qualified distribution" '^varnel::stats::d_norm_cdf\(0, 0, 1\) = 0\.5$' stats::d_norm_cdf 0 0 1
expect "varnel::stats:: qualified distribution" '^varnel::stats::d_t_quantile\(1, 3\) = inf$' \
  varnel::stats::d_t_quantile 1 3
expect "quantile(0) is the lower end of the support" '^varnel::stats::d_norm_quantile\(0, 0, 1\) = -inf$' \
  d_norm_quantile 0 0 1
expect "isf(0) is the upper end of the support" '^varnel::stats::d_binom_isf\(0, 10, 0\.3\) = 10$' d_binom_isf 0 10 0.3
expect "a mass off the integers is 0" '^varnel::stats::d_poisson_pdf\(2\.5, 4\) = 0$' d_poisson_pdf 2.5 4
expect "logpdf below the support is -inf" '^varnel::stats::d_gamma_logpdf\(-1, 2, 1\) = -inf$' d_gamma_logpdf -1 2 1
expect "a parameter outside its domain gives NaN" '^varnel::stats::d_beta_cdf\(0\.5, -1, 2\) = -?nan$' \
  d_beta_cdf 0.5 -1 2
expect "the binomial probability is named prob in --list" \
  'double varnel::stats::d_binom_quantile\(double p, double n, double prob\) +binomial: ' --list
expect "distributions sweep a range: the point mass of lambda = 0" '^0,0,1,0x3ff0000000000000$' \
  d_poisson_pdf 0 --range 0:1:1
run_stdin '0 1\n0.5 -1\n' --stdin d_t_cdf
if [ "$rc" -eq 0 ] && [ "$(grep -c . <<<"$out")" -eq 3 ] && [ "$(sed -n 1p <<<"$out")" = "x,nu,result,result_bits" ] &&
   grep -q '^0,1,0\.5,0x3fe0000000000000$' <<<"$out" && grep -Eq '^0\.5,-1,-?nan,' <<<"$out"; then
  ok "distributions read from stdin, with the header of their parameters"
else
  bad "distributions read from stdin, with the header of their parameters"
fi
reject "a distribution's arity" 'd_binom_isf takes 3 arguments \(q, n, prob\), got 2' d_binom_isf 1e-20 10000
reject "a one-parameter distribution's arity" 'd_chisq_cdf takes 2 arguments \(x, k\), got 3' d_chisq_cdf 1 2 3
reject "near misses of distribution names" "did you mean d_chisq_quantile" d_chisq_quantil 0.05 3

expect "constants print their bits" '^varnel::cephes::D_MACHEP = 1\.1102230246251565e-16' D_MACHEP
expect "constant bits" 'bits 0x3ca0000000000000' cephes::D_MACHEP

# --- --list -----------------------------------------------------------------------
run --list
if [ "$rc" -eq 0 ] && [ "$(grep -Ec '^  (float|double|std::complex<double>) varnel::(specfun|cephes)::' <<<"$out")" -eq 16 ] &&
   [ "$(grep -Ec '^  (float|double) varnel::stats::[sd]_[a-z]+_inv\(' <<<"$out")" -eq 8 ] &&
   [ "$(grep -Ec '^  double varnel::stats::d_[a-z]+_(pdf|logpdf|cdf|sf|quantile|isf)\(' <<<"$out")" -eq 54 ] &&
   [ "$(grep -c '^  varnel::cephes::[A-Z]' <<<"$out")" -eq 17 ]; then
  ok "--list shows 16 functions, 8 inverse functions, 54 distribution functions and 17 constants"
else
  bad "--list shows 16 functions, 8 inverse functions, 54 distribution functions and 17 constants"
fi
expect "--list gives the signatures" \
  'double varnel::cephes::d_igamma\(double a, double x\)' --list
expect "--list gives complex signatures" \
  'std::complex<double> varnel::cephes::z_lngamma\(std::complex<double> z\)' --list

# --- --version: the project's version, passed in by CTest as VARNEL_VERSION ------
version_pattern='[0-9]+\.[0-9]+\.[0-9]+'
[ -n "${VARNEL_VERSION:-}" ] && version_pattern=${VARNEL_VERSION//./\\.}
expect "--version prints the project's version" "^varnel ${version_pattern}\$" --version

# --- range mode -------------------------------------------------------------------
run d_gamma --range 1:5:1
if [ "$rc" -eq 0 ] && [ "$(sed -n 1p <<<"$out")" = "x,result,result_bits" ] &&
   [ "$(grep -c . <<<"$out")" -eq 6 ] && [ "$(sed -n 6p <<<"$out")" = "5,24,0x4038000000000000" ]; then
  ok "range: header, five rows, exact factorials"
else
  bad "range: header, five rows, exact factorials"
fi
run d_calerf --range 0:1:0.1 0
if [ "$rc" -eq 0 ] && [ "$(grep -c . <<<"$out")" -eq 12 ] && grep -q '^1,0,' <<<"$out" &&
   grep -q '^0\.30000000000000004,0,' <<<"$out"; then
  ok "range: TO is included, points are FROM + i*STEP"
else
  bad "range: TO is included, points are FROM + i*STEP"
fi
expect "range on a middle argument" '^1,3,0,0,0x0000000000000000$' cephes::d_ibeta 1 --range 1:3:1 0
expect "range on the int selector" '^inf,2,0,0x0000000000000000$' d_calerf inf --range=0:2:1
expect "descending range" '^3,2,0x4000000000000000$' d_gamma --range 3:1:-1
expect "complex range prints both parts" \
  '^re,im,result_re,result_im,result_re_bits,result_im_bits$' z_gamma --range 0:1:1 0

# --- stdin mode -------------------------------------------------------------------
run_stdin '# x kind\n0 0\n\ninf, 1\n-inf 1 # erfc\n' --stdin d_calerf
if [ "$rc" -eq 0 ] && [ "$out" = $'x,kind,result,result_bits\n0,0,0,0x0000000000000000\ninf,1,0,0x0000000000000000\n-inf,1,2,0x4000000000000000' ]; then
  ok "stdin: blanks, commas and comments"
else
  bad "stdin: blanks, commas and comments"
fi
run_stdin '5\nfive\n6 7\n3\n' --stdin d_gamma
if [ "$rc" -eq 1 ] && [ "$(grep -c . <<<"$out")" -eq 3 ] &&
   grep -q "line 2: argument 1 (x): 'five' is not a number" <<<"$err" &&
   grep -q "line 3: d_gamma takes 1 argument (x), got 2" <<<"$err"; then
  ok "stdin: bad lines are named on stderr, the good ones still evaluated, status 1"
else
  bad "stdin: bad lines are named on stderr, the good ones still evaluated, status 1"
fi

# --- bad input: one line, non-zero status ---------------------------------------
reject "unknown function, with a suggestion" "unknown function 'd_gama' \(did you mean d_gamma\?\)" d_gama 1
reject "unknown namespace" "unknown function 'special::d_gamma'" special::d_gamma 1
reject "ambiguous d_ibeta" "'d_ibeta' is ambiguous: say specfun::d_ibeta or cephes::d_ibeta" d_ibeta 1 2 0.5
reject "too few arguments" "d_igamc takes 2 arguments \(a, x\), got 1" d_igamc 1
reject "too many arguments" "d_gamma takes 1 argument \(x\), got 2" d_gamma 1 2
reject "complex takes two parts" "z_gamma takes 2 arguments \(re, im\), the real and imaginary part of z, got 1" z_gamma 1
reject "unparsable number" "argument 1 \(x\) of d_gamma: '1\.5\.3' is not a number" d_gamma 1.5.3
reject "trailing garbage" "argument 2 \(x\) of d_igamma: '2x' is not a number" d_igamma 1 2x
reject "empty argument" "argument 1 \(x\) of d_gamma: an empty argument is not a number" d_gamma ''
reject "overflowing decimal" "'1e999' overflows double" d_gamma 1e999
reject "overflowing float" "'1e39' overflows float" s_gamma 1e39
reject "non-integer selector" "argument 2 \(kind\) of d_calerf: '1\.5' is not an integer" d_calerf 1 1.5
reject "selector out of int range" "'99999999999' is out of the range of int" d_calerf 1 99999999999
reject "range with a zero step" "range STEP must not be zero" d_gamma --range 1:2:0
reject "range that never reaches TO" "never reaches TO" d_gamma --range 1:2:-1
reject "malformed range" "range '1:2' is not FROM:TO:STEP" d_gamma --range 1:2
reject "range with a bad number" "range TO: 'x' is not a number" d_gamma --range 1:x:1
reject "huge range" "more than 10000000 points" d_gamma --range 0:1:1e-9
reject "fractional range on the selector" "integer FROM and STEP" d_calerf 1 --range 0:1:0.5
reject "unknown option" "unknown option '--frobnicate'" --frobnicate
reject "constant with arguments" "PI is a constant and takes no arguments" PI 1
run
if [ "$rc" -eq 2 ] && grep -q '^usage: varnel' <<<"$err"; then ok "no arguments: usage, status 2"; else bad "no arguments: usage, status 2"; fi

# --check, from the build tree: the source tree's data, a verdict per
# function, status 0 for a correct build; --check takes nothing else.
run --check
verdicts=$(grep -cE '^[a-z_:]+ +(the same bits|[0-9]+ of [0-9]+ calls differ because this C library answers differently)' <<<"$out")
if [ "$rc" -eq 0 ] && [ -z "$err" ] && [ "$verdicts" -eq 16 ]; then
  ok "--check: a verdict for each of the 16 functions, status 0"
else
  bad "--check: a verdict for each of the 16 functions, status 0 ($verdicts verdicts)"
fi
# ... and for each of the 8 inverse functions, the bracket by its forward
# function at every point, which the closing line confirms.
inverses=$(grep -cE '^[sd]_[a-z]+_inv +each result where .* crosses its target \([0-9]+ calls\)$' <<<"$out")
if [ "$rc" -eq 0 ] && [ "$inverses" -eq 8 ] &&
   grep -q '^Every inverse is exactly consistent with its forward function, and every distribution' <<<"$out"; then
  ok "--check: each of the 8 inverse functions where its forward function crosses the target"
else
  bad "--check: each of the 8 inverse functions where its forward function crosses the target ($inverses)"
fi
# ... and for each of the 9 distribution families, the quantile and isf where
# the family's own cdf and sf cross the target.
pairs=$(grep -cE '^[a-z]+ +each quantile and isf where the cdf and sf cross the target \([0-9]+ calls\)$' <<<"$out")
if [ "$rc" -eq 0 ] && [ "$pairs" -eq 9 ]; then
  ok "--check: each of the 9 distribution families where its cdf and sf cross the target"
else
  bad "--check: each of the 9 distribution families where its cdf and sf cross the target ($pairs)"
fi
reject_usage() { # why, pattern, arguments: status 2 and the message
  local why=$1 pattern=$2
  shift 2
  run "$@"
  if [ "$rc" -eq 2 ] && [ -z "$out" ] && grep -Eq -- "$pattern" <<<"$err"; then ok "$why"; else bad "$why"; fi
}
reject_usage "--check with an argument" "--check takes no arguments" --check d_gamma

exit $fail
