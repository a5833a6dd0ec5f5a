// varnel._varnel: the library's functions as NumPy ufuncs.
//
// One table below defines every ufunc: its name, its loops (each a signature,
// a generic strided loop from loops.hpp and the exported function that loop
// calls) and its docstring. Input types are resolved by rules of our own
// rather than NumPy's first-safe-loop search, which would send booleans and
// small integers to the single-precision loop: float16 and float32 take the
// float32 loop, every other real type the float64 one.
#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include "numpy_api.hpp"
#include <numpy/arrayobject.h>
#include <numpy/ufuncobject.h>

// The stable-ABI build must have compiled against NumPy 2's headers, whatever
// else an include path offers (python/CMakeLists.txt checked the directory
// it was given; this checks the headers the compiler found).
#if defined(VARNEL_NUMPY2_HEADERS) && NPY_ABI_VERSION < 0x02000000
#error "the stable-ABI module is compiled against NumPy 1.x headers; NumPy 2's are required"
#endif

#include <varnel/stats.h>
#include <varnel/stats.hpp>
#include <varnel/varnel.h>
#include <varnel/varnel.hpp>

#include <cstdlib>
#include <cstring>
#include <deque>
#include <iterator>
#include <string>
#include <vector>

#include "loops.hpp"
#include "pool.hpp"

#ifndef VARNEL_VERSION
#error "VARNEL_VERSION must be defined by the build"
#endif

namespace varnel_python {
namespace {

namespace sf = varnel::specfun;
namespace ce = varnel::cephes;
namespace st = varnel::stats;
using Complex = std::complex<double>;

// Elements from which a loop is shared among threads. A chunk must be long
// enough to repay the wake-up of a worker (some microseconds): the
// error-function family and the real gamma functions take 10 to 25 ns per
// element, the complex and incomplete functions 90 ns and more, the inverse
// functions (tens of evaluations of an incomplete function each) some
// microseconds.
enum class Cost { Light, Heavy, Inverse };
constexpr Index min_parallel(Cost cost) {
  return cost == Cost::Light ? 32768 : cost == Cost::Heavy ? 4096 : 256;
}

struct LoopEntry {
  std::vector<int> types;  // NumPy type numbers, inputs then the output
  PyUFuncGenericFunction loop;
  AnyFunction function;
  int selector;
  Poles poles = Poles::None;
  AnyFunction array_function = nullptr;
};

template <typename F>
AnyFunction any(F f) {
  return reinterpret_cast<AnyFunction>(f);
}

LoopEntry loop(float (*f)(float) noexcept) {
  return {{NPY_FLOAT, NPY_FLOAT}, &Loop<decltype(f), float>::ufunc_loop, any(f), 0};
}
LoopEntry loop(double (*f)(double) noexcept) {
  return {{NPY_DOUBLE, NPY_DOUBLE}, &Loop<decltype(f), double>::ufunc_loop, any(f), 0};
}
LoopEntry loop(Complex (*f)(Complex) noexcept) {
  return {{NPY_CDOUBLE, NPY_CDOUBLE}, &Loop<decltype(f), Complex>::ufunc_loop, any(f), 0};
}
LoopEntry loop(double (*f)(double, double) noexcept) {
  return {{NPY_DOUBLE, NPY_DOUBLE, NPY_DOUBLE}, &Loop<decltype(f), double, double>::ufunc_loop,
          any(f), 0};
}
LoopEntry loop(double (*f)(double, double, double) noexcept) {
  return {{NPY_DOUBLE, NPY_DOUBLE, NPY_DOUBLE, NPY_DOUBLE},
          &Loop<decltype(f), double, double, double>::ufunc_loop, any(f), 0};
}
// The incomplete gamma and beta functions with their array versions in
// libvarnel-c, which the loop calls on evenly strided chunks.
LoopEntry loop(double (*f)(double, double) noexcept, ArrayFunction2 array) {
  LoopEntry entry = loop(f);
  entry.array_function = any(array);
  return entry;
}
LoopEntry loop(double (*f)(double, double, double) noexcept, ArrayFunction3 array) {
  LoopEntry entry = loop(f);
  entry.array_function = any(array);
  return entry;
}
// calerf with the selector as the second array argument.
LoopEntry loop(float (*f)(float, int) noexcept) {
  return {{NPY_FLOAT, NPY_LONG, NPY_FLOAT}, &Loop<decltype(f), float, npy_long>::ufunc_loop,
          any(f), 0};
}
LoopEntry loop(double (*f)(double, int) noexcept) {
  return {{NPY_DOUBLE, NPY_LONG, NPY_DOUBLE}, &Loop<decltype(f), double, npy_long>::ufunc_loop,
          any(f), 0};
}
// calerf with a selector fixed by the ufunc.
LoopEntry loop(float (*f)(float, int) noexcept, int selector) {
  return {{NPY_FLOAT, NPY_FLOAT}, &FixedSelectorLoop<float>::ufunc_loop, any(f), selector};
}
LoopEntry loop(double (*f)(double, int) noexcept, int selector) {
  return {{NPY_DOUBLE, NPY_DOUBLE}, &FixedSelectorLoop<double>::ufunc_loop, any(f), selector};
}

// The complex gamma functions: z = 0, -1, -2, ... are poles, where a
// non-finite result warns "divide" rather than "overflow".
LoopEntry with_poles(LoopEntry entry) {
  entry.poles = Poles::NonPositiveIntegers;
  return entry;
}

// The inverse functions of libvarnel-stats: an infinite result is the end of
// the support at an end of the target's interval, which warns "divide".
LoopEntry inverse(LoopEntry entry) {
  entry.poles = Poles::InfiniteResults;
  return entry;
}

// The distributions of libvarnel-stats follow the inverses' convention: an
// infinite result from finite arguments is an exact infinity (the infinite
// end of a support from a quantile, a density's pole at an end of its
// support, the logarithm of a zero density), which warns "divide"; so does
// a quantile whose crossing lies beyond the largest double (t with nu < 1 at
// tiny p), where the infinite end is the crossing.
LoopEntry distribution(LoopEntry entry) { return inverse(entry); }

struct UfuncEntry {
  std::string name;
  int nin;
  Cost cost;
  std::vector<LoopEntry> loops;
  std::string doc;
  // The Python module that offers it, for messages: "varnel" or "varnel.stats".
  const char* module = "varnel";
};

std::vector<UfuncEntry> special_function_table() {
  return {
      {"erf", 1, Cost::Light, {loop(sf::s_calerf, 0), loop(sf::d_calerf, 0)},
       R"(erf(x): the error function 2/sqrt(pi) * integral of exp(-t**2) from 0 to x.

float32 arguments are computed in single precision by the single-precision
algorithm, float64 (and integer or boolean) arguments in double precision.
Defined for every real x; erf(x) is exactly +1 or -1 for |x| >= 26.543
(9.194 in float32). NaN gives NaN.

Same bits as varnel::specfun::s_calerf(x, 0) and d_calerf(x, 0). Measured
accuracy: docs/erf.md and docs/accuracy.md in the source tree.)"},
      {"erfc", 1, Cost::Light, {loop(sf::s_calerf, 1), loop(sf::d_calerf, 1)},
       R"(erfc(x): the complementary error function 1 - erf(x), without cancellation.

float32 arguments are computed in single precision, float64 (and integer or
boolean) arguments in double precision. erfc(x) is exactly 0 for
x >= 26.543 (9.194 in float32) and exactly 2 for x <= -26.543 (-9.194).
NaN gives NaN.

Same bits as varnel::specfun::s_calerf(x, 1) and d_calerf(x, 1). Measured
accuracy: docs/erf.md and docs/accuracy.md in the source tree.)"},
      {"erfcx", 1, Cost::Light, {loop(sf::s_calerf, 2), loop(sf::d_calerf, 2)},
       R"(erfcx(x): the scaled complementary error function exp(x**2) * erfc(x).

float32 arguments are computed in single precision, float64 (and integer or
boolean) arguments in double precision. For large x the result is
1/(sqrt(pi) x), and exactly 0 from x = 2.53e307 (4.79e37 in float32) on.
Below x = -26.628 (-9.382 in float32), where exp(x**2) overflows, the result
is the finite overflow value 1.79e308 (3.39999995e38), not infinity. NaN
gives NaN.

Same bits as varnel::specfun::s_calerf(x, 2) and d_calerf(x, 2). Measured
accuracy: docs/erf.md and docs/accuracy.md in the source tree.)"},
      {"calerf", 2, Cost::Light, {loop(sf::s_calerf), loop(sf::d_calerf)},
       R"(calerf(x, kind): the error-function family through one selector.

kind 0 gives erf(x), 1 gives erfc(x), 2 gives exp(x**2) * erfc(x). Every
other integer is accepted as the library accepts it: it gives erfc(x) for
x >= 0 and |x| <= 0.46875, and 2*exp(x**2) - erfc(|x|) below -0.46875 (the
overflow value below -26.628, or -9.382 in float32). kind must be an integer
array or scalar (a float kind is a TypeError); values beyond the range of a
C int behave like any other selector.

float32 x is computed in single precision, float64 (and integer) x in double
precision. Same bits as varnel::specfun::s_calerf and d_calerf.)"},
      {"gamma", 1, Cost::Light,
       {loop(sf::s_gamma), loop(sf::d_gamma), with_poles(loop(ce::z_gamma))},
       R"(gamma(x): the gamma function.

Real arguments: float32 in single precision (varnel::specfun::s_gamma),
float64, integers and booleans in double precision (d_gamma). At the poles
(0, -0 and the negative integers), on overflow (x > 171.624, or 35.04 in
float32) and for NaN or infinite x the result is the finite overflow value
1.79e308 (3.39999995e38 in float32), not inf or NaN. Positive integers up to
11 give (n-1)! exactly.

complex128 (and complex64) arguments use varnel::cephes::z_gamma: +inf+0j at
the poles it recognises; not finite for real part above about 143.

Measured accuracy: docs/gamma.md, docs/complex-gamma.md, docs/accuracy.md.)"},
      {"gammaln", 1, Cost::Light, {loop(sf::s_lngamma), loop(sf::d_lngamma)},
       R"(gammaln(x): ln Gamma(x) for real x > 0.

float32 in single precision (varnel::specfun::s_lngamma), float64, integers
and booleans in double precision (d_lngamma). Outside the domain (x <= 0,
NaN, +inf and x above the overflow bound) the result is the overflow value
1.79e308, or 3.40100008e38 in float32 (which is not s_gamma's 3.39999995e38).
gammaln(1) and gammaln(2) are exactly 0. For the logarithm of the gamma
function of negative or complex arguments use loggamma.

Measured accuracy: docs/lngamma.md and docs/accuracy.md.)"},
      {"loggamma", 1, Cost::Heavy, {with_poles(loop(ce::z_lngamma))},
       R"(loggamma(z): log Gamma(z) for complex z.

Computed in complex128 (complex64, real and integer arguments are converted)
by varnel::cephes::z_lngamma, which mirrors a left half-plane argument by
the reflection formula, shifts a small real part up and sums the Stirling
series. The imaginary part is assembled from the angles of those factors
and is not reduced to a principal range (-pi, pi]; exp(loggamma(z)) is
gamma(z) to rounding. conj(z) gives the conjugate result, and -0j the same
as +0j. At z = 0 and the non-positive integers down to -2147483648 on the
real axis the result is +inf+0j. NaN in either part gives NaN.

Measured accuracy: docs/complex-lngamma.md and docs/accuracy.md.)"},
      {"gammainc", 2, Cost::Heavy, {loop(ce::d_igamma, varnel_cephes_d_igamma_array)},
       R"(gammainc(a, x): the regularised lower incomplete gamma function P(a, x).

P(a, x) = integral of t**(a-1) exp(-t) from 0 to x, divided by Gamma(a);
float64 only (varnel::cephes::d_igamma). For the chi-square distribution
with k degrees of freedom, the cumulative probability of x is
gammainc(k/2, x/2).

Out of the domain the result is a fixed value, not NaN: 0 for x <= 0 or
a <= 0. NaN arguments give NaN (unless the other argument is out of the
domain); x = +inf gives NaN. The result can leave [0, 1] by rounding (a few
units of 2**-53 times the prefactor's largest logarithm). Very large a near x
may stop at the library's step cap and give NaN.

Measured accuracy: docs/igamma.md and docs/accuracy.md.)"},
      {"gammaincc", 2, Cost::Heavy, {loop(ce::d_igamc, varnel_cephes_d_igamc_array)},
       R"(gammaincc(a, x): the regularised upper incomplete gamma function Q(a, x).

Q(a, x) = 1 - P(a, x), computed directly where it is small; float64 only
(varnel::cephes::d_igamc). For the chi-square distribution with k degrees of
freedom the upper-tail p-value of x is gammaincc(k/2, x/2).

Out of the domain the result is a fixed value, not NaN: 1 for x <= 0 or
a <= 0. NaN arguments give NaN (unless the other argument is out of the
domain); x = +inf gives NaN.

Measured accuracy: docs/igamma.md and docs/accuracy.md.)"},
      {"betainc", 3, Cost::Heavy, {loop(ce::d_ibeta, varnel_cephes_d_ibeta_array)},
       R"(betainc(a, b, x): the regularised incomplete beta function I_x(a, b).

By a power series and two continued fractions (varnel::cephes::d_ibeta),
float64 only. Domain a > 0, b > 0, 0 <= x <= 1: outside it the result is
NaN with NumPy's "invalid" warning. x = 0 gives 0 and
x = 1 gives 1. A complemented result that would round to 1 is 1 - 2**-53.
For the binomial, Student t and F distributions see examples/ in the source
tree.

Measured accuracy: docs/ibeta.md and docs/accuracy.md.)"},
      {"betainc_cf", 3, Cost::Heavy, {loop(sf::d_ibeta, varnel_specfun_d_ibeta_array)},
       R"(betainc_cf(a, b, x): I_x(a, b) by a single continued fraction.

The independent version of betainc (varnel::specfun::d_ibeta), float64
only. Its fraction stops at an absolute change of 1e-10, so its error is of
that order. x < 0 gives 0 and x > 1 gives 1 (a, b > 0); a <= 0 or b <= 0 is
not checked. NaN gives NaN.

Measured accuracy: docs/ibeta-cf.md and docs/accuracy.md.)"},
      {"pseries", 3, Cost::Heavy, {loop(ce::pseries, varnel_cephes_pseries_array)},
       R"(pseries(a, b, x): the power series of I_x(a, b), a building block of betainc.

float64 only (varnel::cephes::pseries). betainc uses it for small b*x, where
it needs a few terms; called directly elsewhere it may need very many, and
stops at the library's step cap with NaN (for example x > 1 or a < 0). See
docs/ibeta.md.)"},
      {"incbcf", 3, Cost::Heavy, {loop(ce::incbcf, varnel_cephes_incbcf_array)},
       R"(incbcf(a, b, x): the first continued fraction of I_x(a, b), a building block of betainc.

float64 only (varnel::cephes::incbcf); at most 300 iterations. Returns the
value of the fraction, not I_x(a, b) itself. See docs/ibeta.md.)"},
      {"incbd", 3, Cost::Heavy, {loop(ce::incbd, varnel_cephes_incbd_array)},
       R"(incbd(a, b, x): the second continued fraction of I_x(a, b), a building block of betainc.

float64 only (varnel::cephes::incbd); at most 300 iterations. Returns the
value of the fraction, not I_x(a, b) itself. See docs/ibeta.md.)"},
      {"cstirf", 1, Cost::Heavy, {loop(ce::cstirf)},
       R"(cstirf(z): Stirling's formula for Gamma(z), a building block of gamma.

complex128 only (varnel::cephes::cstirf); accurate for Re z >= 18 only, and
without special cases elsewhere. See docs/complex-gamma.md.)"},
      // The inverse functions, from libvarnel-stats.
      {"erfinv", 1, Cost::Inverse,
       {inverse(loop(st::s_erf_inv)), inverse(loop(st::d_erf_inv))},
       R"(erfinv(p): the x with erf(x) = p, for -1 <= p <= 1.

The number at which this package's erf crosses p, to the last bit: for
-1 < p < 1, erf(x) >= p > erf(x') with x' the next number below x. float32
arguments use erf's single-precision algorithm (varnel_stats_s_erf_inv),
float64, integers and booleans double precision (varnel_stats_d_erf_inv).
p = -1 and 1 give -inf and inf with NumPy's "divide" warning; |p| > 1 gives
NaN with its "invalid" warning; NaN gives NaN.)"},
      {"erfcinv", 1, Cost::Inverse,
       {inverse(loop(st::s_erfc_inv)), inverse(loop(st::d_erfc_inv))},
       R"(erfcinv(q): the x with erfc(x) = q, for 0 <= q <= 2.

The number at which this package's erfc crosses q, to the last bit: for
0 < q < 2, erfc(x) <= q < erfc(x') with x' the next number below x, so that
tiny q keep their accuracy. float32 arguments in single precision
(varnel_stats_s_erfc_inv), float64, integers and booleans in double precision
(varnel_stats_d_erfc_inv). q = 0 and 2 give inf and -inf with NumPy's
"divide" warning; q outside [0, 2] gives NaN with its "invalid" warning; NaN
gives NaN.)"},
      {"gammaincinv", 2, Cost::Inverse,
       {inverse(loop(st::d_igamma_inv, varnel_stats_d_igamma_inv_array))},
       R"(gammaincinv(a, p): the x with gammainc(a, x) = p.

The number at which this package's gammainc crosses p, to the last bit: for
0 < p < 1, gammainc(a, x) >= p > gammainc(a, x') with x' the next number
below x (varnel_stats_d_igamma_inv), float64 only. For the chi-square
distribution with k degrees of freedom, the quantile of probability p is
2 * gammaincinv(k/2, p).

p = 0 gives 0; p = 1 gives inf with NumPy's "divide" warning; p outside
[0, 1] or a <= 0 gives NaN with its "invalid" warning, and so do parameters
beyond about 1e13, where gammainc itself gives NaN. NaN gives NaN.)"},
      {"gammainccinv", 2, Cost::Inverse,
       {inverse(loop(st::d_igamc_inv, varnel_stats_d_igamc_inv_array))},
       R"(gammainccinv(a, q): the x with gammaincc(a, x) = q.

The number at which this package's gammaincc crosses q, to the last bit:
for 0 < q < 1, gammaincc(a, x) <= q < gammaincc(a, x') with x' the next
number below x (varnel_stats_d_igamc_inv), float64 only; tiny q keep their
accuracy. For the chi-square distribution with k degrees of freedom, the
critical value of the upper-tail p-value q is 2 * gammainccinv(k/2, q).

q = 1 gives 0; q = 0 gives inf with NumPy's "divide" warning; q outside
[0, 1] or a <= 0 gives NaN with its "invalid" warning. NaN gives NaN.)"},
      {"betaincinv", 3, Cost::Inverse,
       {inverse(loop(st::d_ibeta_inv, varnel_stats_d_ibeta_inv_array))},
       R"(betaincinv(a, b, p): the x with betainc(a, b, x) = p.

The number at which this package's betainc crosses p, to the last bit: for
0 < p < 1, betainc(a, b, x) >= p > betainc(a, b, x') with x' the next number
below x (varnel_stats_d_ibeta_inv), float64 only. p = 0 gives 0 and p = 1
gives 1; p outside [0, 1], a <= 0 or b <= 0 gives NaN with NumPy's "invalid"
warning. NaN gives NaN.)"},
      {"betainccinv", 3, Cost::Inverse,
       {inverse(loop(st::d_ibetac_inv, varnel_stats_d_ibetac_inv_array))},
       R"(betainccinv(a, b, q): the x with 1 - betainc(a, b, x) = q.

The upper tail is computed as betainc(b, a, 1 - x), which keeps its accuracy
for tiny q; the result is the number at which it crosses q, to the last bit:
for 0 < q < 1, betainc(b, a, 1 - x) <= q < betainc(b, a, 1 - x') with x' the
next number below x (varnel_stats_d_ibetac_inv), float64 only. q = 0 gives
1 and q = 1 gives 0; q outside [0, 1], a <= 0 or b <= 0 gives NaN with
NumPy's "invalid" warning. NaN gives NaN.)"},
  };
}

// ---------------------------------------------------------------------------
// The distributions of libvarnel-stats: one ufunc per family and operation,
// generated from VARNEL_STATS_DISTRIBUTIONS, with the names NumPy users know:
// chi2 for chisq, ppf for quantile, and pmf, logpmf for the discrete
// families' pdf and logpdf. They live in varnel.stats (python/varnel/stats.py).

// What the X-macro does not say about a family: its Python name, whether it
// is discrete, the domain of its parameters and its support.
struct FamilyFacts {
  const char* c_name;
  const char* python_name;
  bool discrete;
  const char* domain;
  const char* support;
};
constexpr FamilyFacts kFamilyFacts[] = {
    {"norm", "norm", false, "mu finite, sigma > 0 finite", "the real line"},
    {"chisq", "chi2", false, "k > 0 finite (real)", "[0, inf)"},
    {"gamma", "gamma", false, "shape > 0 and scale > 0, both finite", "[0, inf)"},
    {"beta", "beta", false, "a > 0 and b > 0, both finite", "[0, 1]"},
    {"t", "t", false, "nu > 0 finite (real)", "the real line"},
    {"f", "f", false, "d1 > 0 and d2 > 0, both finite", "[0, inf)"},
    {"poisson", "poisson", true, "lambda >= 0 finite", "the integers 0, 1, 2, ..."},
    {"binom", "binom", true, "n an integer in [0, 2**53], 0 <= p <= 1",
     "the integers 0, 1, ..., n"},
    {"nbinom", "nbinom", true,
     "r > 0 finite (real), 0 < p <= 1; the number of failures before the r-th success",
     "the integers 0, 1, 2, ..."},
};

struct Family {
  const char* c_name;
  const char* params;     // "mu, sigma"
  const char* long_name;  // "normal"
  FamilyFacts facts;
};

// The row of a table with this C name; every name of the header has one.
// The name is a plain C string: a std::string temporary bound to the
// parameter makes GCC 14's -Wdangling-reference suspect the returned row.
template <typename Rows>
const auto& by_c_name(const Rows& rows, const char* c_name) {
  for (const auto& row : rows) {
    if (std::strcmp(c_name, row.c_name) == 0) return row;
  }
  std::abort();  // a family or operation of the header without a row here
}

const std::vector<Family>& families() {
  static const std::vector<Family> list = {
#define VARNEL_PYTHON_FAMILY(family, sig, count, params, name) \
  {#family, params, name, by_c_name(kFamilyFacts, #family)},
      VARNEL_STATS_FAMILIES(VARNEL_PYTHON_FAMILY)
#undef VARNEL_PYTHON_FAMILY
  };
  return list;
}

// The Python name of an operation, and what it means, in a docstring.
struct Operation {
  const char* c_name;
  const char* continuous;  // Python name for the continuous families
  const char* discrete;    // and for the discrete ones
  Cost cost;
};
constexpr Operation kOperations[] = {
    {"pdf", "pdf", "pmf", Cost::Heavy},       {"logpdf", "logpdf", "logpmf", Cost::Heavy},
    {"cdf", "cdf", "cdf", Cost::Heavy},       {"sf", "sf", "sf", Cost::Heavy},
    {"quantile", "ppf", "ppf", Cost::Inverse}, {"isf", "isf", "isf", Cost::Inverse},
};

std::string python_name(const Family& family, const Operation& op) {
  return std::string(family.facts.python_name) + "_" +
         (family.facts.discrete ? op.discrete : op.continuous);
}

// The argument's name: x (k for the discrete families) for the density and
// the tails, p and q for the quantiles (prob where p names a parameter).
std::string argument_name(const Family& family, const Operation& op) {
  const std::string c = op.c_name;
  if (c == "quantile") {
    return std::string(family.params).find(", p") != std::string::npos ? "prob" : "p";
  }
  if (c == "isf") return "q";
  return family.facts.discrete ? "k" : "x";
}

// Paragraphs separated by blank lines, each filled to the width of the
// hand-written docstrings above.
std::string fill(const std::string& text, std::size_t width = 76) {
  std::string out, line, word;
  auto flush_word = [&] {
    if (word.empty()) return;
    if (!line.empty() && line.size() + 1 + word.size() > width) {
      out += line + "\n";
      line.clear();
    }
    line += (line.empty() ? "" : " ") + word;
    word.clear();
  };
  for (std::size_t i = 0; i <= text.size(); ++i) {
    const char ch = i < text.size() ? text[i] : '\n';
    if (ch == '\n' && i + 1 < text.size() && text[i + 1] == '\n') {
      flush_word();
      out += line + "\n\n";
      line.clear();
      ++i;
    } else if (ch == ' ' || ch == '\n') {
      flush_word();
    } else {
      word += ch;
    }
  }
  return out + line;
}

std::string distribution_doc(const Family& family, const Operation& op) {
  const std::string c = op.c_name;
  const bool discrete = family.facts.discrete;
  const std::string x = argument_name(family, op);
  const std::string of = std::string(" of the ") + family.long_name + " distribution";
  std::string doc = python_name(family, op) + "(" + x + ", " + family.params + "): ";
  std::string body;
  if (c == "pdf") {
    doc += discrete ? "the probability mass P(X = k)" + of + "."
                    : "the probability density" + of + " at x.";
    body = discrete ? "0 off the integers and outside the support."
                    : "0 outside the support; at an end of the support the limit, which is inf "
                      "at a pole of the density (with NumPy's \"divide\" warning).";
  } else if (c == "logpdf") {
    doc += std::string("the natural logarithm of the ") +
           (discrete ? "probability mass" : "density") + of + ".";
    body = std::string("Formed directly, not as the logarithm of ") +
           (discrete ? "pmf" : "pdf") +
           ", so that it stays finite where the value underflows. Where the " +
           (discrete ? "mass" : "density") +
           " is 0 (outside the support" + (discrete ? ", off the integers" : "") +
           ") it is -inf with NumPy's \"divide\" warning, as np.log(0).";
  } else if (c == "cdf") {
    doc += discrete ? "P(X <= k)" + of + ", at floor(k)." : "P(X <= x)" + of + ".";
    body = "0 below the support, 1 above it.";
  } else if (c == "sf") {
    doc += discrete ? "P(X > k)" + of + ", at floor(k)." : "P(X > x)" + of + ".";
    body = "Computed directly on its own side, never as 1 - cdf, so that small upper tails "
           "keep their accuracy. 1 below the support, 0 above it.";
  } else if (c == "quantile") {
    doc += "the quantile" + of + " at the lower-tail probability " + x + ".";
    body = discrete ? "The integer k with cdf(k) >= " + x + " > cdf(k - 1), computed against this "
                          "package's own cdf (the smallest such k wherever the cdf increases)."
                    : "The x at which this package's cdf crosses " + x +
                          ", to the last bit: cdf(x) >= " + x +
                          " > cdf(x') with x' the next number below x.";
    body += " " + x + " = 0 and 1 give the ends of the support; an infinite end comes with "
                      "NumPy's \"divide\" warning. " + x + " outside [0, 1] gives NaN.";
  } else {
    doc += "the inverse survival function" + of + " at the upper-tail probability q.";
    body = discrete ? "The integer k with sf(k) <= q < sf(k - 1), computed against this "
                      "package's own sf, accurate for tiny q."
                    : "The x at which this package's sf crosses q, to the last bit: "
                      "sf(x) <= q < sf(x') with x' the next number below x; tiny q keep "
                      "their accuracy.";
    body += " q = 1 and 0 give the lower and upper ends of the support; an infinite end comes "
            "with NumPy's \"divide\" warning. q outside [0, 1] gives NaN.";
  }
  const std::string c_function = std::string("varnel_stats_d_") + family.c_name + "_" + c;
  doc += "\n\n" + body + "\n\nParameters: " + family.facts.domain + ". Support: " +
         family.facts.support +
         ". Parameters outside their domain, infinite or NaN, give NaN: with NumPy's "
         "\"invalid\" warning, except that a NaN argument passes silently.\n\n"
         "The arguments are positional, in this order, and broadcast; float64 only "
         "(integers, booleans, float16 and float32 are converted). Same bits as the C "
         "function " + c_function + " (C++ varnel::stats::d_" + family.c_name + "_" + c +
         "), whose array version computes evenly strided chunks. See docs/distributions.md.";
  return fill(doc);
}

std::vector<UfuncEntry> distribution_table() {
  struct Generated {
    const char* family;
    const char* op;
    int count;
    LoopEntry loop;
  };
  const Generated generated[] = {
#define VARNEL_PYTHON_DISTRIBUTION(family, op, sig, count) \
  {#family, #op, count,                                    \
   distribution(loop(st::d_##family##_##op, varnel_stats_d_##family##_##op##_array))},
      VARNEL_STATS_DISTRIBUTIONS(VARNEL_PYTHON_DISTRIBUTION)
#undef VARNEL_PYTHON_DISTRIBUTION
  };
  std::vector<UfuncEntry> table;
  for (const auto& g : generated) {
    const Family& family = by_c_name(families(), g.family);
    const Operation& op = by_c_name(kOperations, g.op);
    table.push_back({python_name(family, op), 1 + g.count, op.cost, {g.loop},
                     distribution_doc(family, op), "varnel.stats"});
  }
  return table;
}

// The special functions, then the distributions.
const std::vector<UfuncEntry>& ufunc_table() {
  static const std::vector<UfuncEntry> table = [] {
    std::vector<UfuncEntry> all = special_function_table();
    for (auto& entry : distribution_table()) all.push_back(std::move(entry));
    return all;
  }();
  return table;
}

// ---------------------------------------------------------------------------
// Type resolution.

// What each ufunc accepts, for the message of a TypeError.
struct Accepted {
  PyUFuncObject* ufunc;
  std::string text;
  const char* name;  // with its module: varnel.erf, varnel.stats.norm_cdf
};
std::vector<Accepted>& accepted() {
  static std::vector<Accepted> list;
  return list;
}
// The names with their modules, for the messages; a deque, so that a name
// never moves once a ufunc or its NoReduction points to it.
const char* qualified_name(const std::string& module, const std::string& name) {
  static std::deque<std::string> names;
  names.push_back(module + "." + name);
  return names.back().c_str();
}
const Accepted* accepted_of(const PyUFuncObject* ufunc) {
  for (const auto& a : accepted()) {
    if (a.ufunc == ufunc) return &a;
  }
  return nullptr;
}

const char* type_name(int type) {
  switch (type) {
    case NPY_FLOAT: return "float32";
    case NPY_DOUBLE: return "float64";
    case NPY_CDOUBLE: return "complex128";
    case NPY_LONG: return "int64";
    default: return "?";
  }
}

std::string describe(const UfuncEntry& entry) {
  std::string text;
  bool single = false, real = false, complex = false, selector = false;
  for (const auto& l : entry.loops) {
    if (!text.empty()) text += ", ";
    text += "(";
    for (int i = 0; i < entry.nin; ++i) {
      text += std::string(i ? ", " : "") + type_name(l.types[i]);
      single = single || l.types[i] == NPY_FLOAT;
      real = real || l.types[i] == NPY_DOUBLE;
      complex = complex || l.types[i] == NPY_CDOUBLE;
      selector = selector || l.types[i] == NPY_LONG;
    }
    text += ") -> ";
    text += type_name(l.types[entry.nin]);
  }
  std::vector<std::string> notes;
  if (single) notes.push_back("float16 is computed as float32");
  if (real) notes.push_back("booleans and integers as float64");
  if (complex) notes.push_back(real ? "complex64 as complex128"
                                    : "complex64, real numbers and integers as complex128");
  if (selector) notes.push_back("the selector must be an integer");
  if (!notes.empty()) {
    text += " (";
    for (std::size_t i = 0; i < notes.size(); ++i) text += (i ? "; " : "") + notes[i];
    text += ")";
  }
  return text;
}

// Safe casts, except that only float16 and float32 reach a float32 slot.
bool accepts(int from, int to) {
  if (to == NPY_FLOAT) return from == NPY_HALF || from == NPY_FLOAT;
  return PyArray_CanCastSafely(from, to) != 0;
}

int resolve_types(PyUFuncObject* ufunc, NPY_CASTING casting, PyArrayObject** operands,
                  PyObject* type_tup, PyArray_Descr** out_dtypes) {
  const int nin = ufunc->nin;
  const int nargs = ufunc->nargs;
  bool all_inputs = true;
  for (int i = 0; i < nin; ++i) all_inputs = all_inputs && operands[i] != nullptr;
  // An explicit signature or dtype is the caller's choice: NumPy's rules.
  if (type_tup != nullptr || !all_inputs) {
    return PyUFunc_DefaultTypeResolver(ufunc, casting, operands, type_tup, out_dtypes);
  }
  for (int k = 0; k < ufunc->ntypes; ++k) {
    const char* types = ufunc->types + k * nargs;
    bool fits = true;
    for (int i = 0; i < nin && fits; ++i) {
      fits = accepts(PyArray_DESCR(operands[i])->type_num, types[i]);
    }
    if (!fits) continue;
    for (int i = 0; i < nargs; ++i) out_dtypes[i] = PyArray_DescrFromType(types[i]);
    return 0;
  }
  std::string given;
  for (int i = 0; i < nin; ++i) {
    PyObject* repr = PyObject_Str(reinterpret_cast<PyObject*>(PyArray_DESCR(operands[i])));
    if (repr == nullptr) return -1;
    given += std::string(i ? ", " : "") + PyUnicode_AsUTF8AndSize(repr, nullptr);
    Py_DECREF(repr);
  }
  const Accepted* ours = accepted_of(ufunc);
  PyErr_Format(PyExc_TypeError, "%s does not accept arguments of type (%s); it takes %s",
               ours != nullptr ? ours->name : ufunc->name, given.c_str(),
               ours != nullptr ? ours->text.c_str() : "?");
  return -1;
}

// ---------------------------------------------------------------------------
// Reductions. NumPy offers reduce, accumulate and reduceat for every ufunc of
// two arguments, but folding gammainc over an axis means nothing. The two
// NumPy lines need two means to refuse them, with one message:
//
// - A promoter, on every NumPy from 1.22 on. NumPy resolves a reduce-like
//   call without out= with the first operand's type unknown (a null DType),
//   which only a promoter registered with None in the first place matches.
//   Ours, registered for (None, None, None), refuses such a call and
//   declines every other (it returns the types it was given, unchanged,
//   and NumPy goes on to the type resolver below, as it would without it;
//   an exact loop is more specific and never reaches it). NumPy 2 sends
//   reduce, accumulate and reduceat of every input type there; NumPy 1.x
//   only those whose input type has no loop of its own (its reductions try
//   the loops of the form (T, T, T) first).
// - On NumPy 1.x also an identity that refuses to become a number: NumPy 1.x
//   converts the identity at each reduce that takes it (no initial=). NumPy
//   2 converts it once, when the ufunc is made, where it would fail the
//   import; the ufuncs have no identity there.
//
// What passes: on NumPy 2 a reduce-like call given out= or dtype= (the
// types are known, an exact loop is found and nothing asks for an
// identity); on NumPy 1.x accumulate and reduceat of floating-point arrays,
// and reduce with initial=. Those compute the left fold NumPy defines,
// f(f(x0, x1), x2) ... (docs/python.md).

const char* const kNoReduction =
    "%s has no reduction: it is not an associative operation of its two arguments";

// NumPy 2's C interface (feature version 0x12, NPY_2_0_API_VERSION).
constexpr unsigned kNumpy2Api = 0x00000012;
bool numpy2() { return PyArray_GetNDArrayCFeatureVersion() >= kNumpy2Api; }

struct NoReduction {
  PyObject_HEAD
  const char* ufunc;
};

PyObject* no_reduction_float(PyObject* self) {
  PyErr_Format(PyExc_TypeError, kNoReduction, reinterpret_cast<NoReduction*>(self)->ufunc);
  return nullptr;
}

PyObject* no_reduction_repr(PyObject* self) {
  return PyUnicode_FromFormat("<%s: no reduction>",
                              reinterpret_cast<NoReduction*>(self)->ufunc);
}

PyTypeObject* no_reduction_type() {
  static PyType_Slot slots[] = {{Py_nb_float, reinterpret_cast<void*>(no_reduction_float)},
                                {Py_nb_int, reinterpret_cast<void*>(no_reduction_float)},
                                {Py_nb_index, reinterpret_cast<void*>(no_reduction_float)},
                                {Py_tp_repr, reinterpret_cast<void*>(no_reduction_repr)},
                                {0, nullptr}};
  static PyType_Spec description = {"varnel.NoReduction", sizeof(NoReduction), 0,
                                    Py_TPFLAGS_DEFAULT, slots};
  static PyObject* type = PyType_FromSpec(&description);
  return reinterpret_cast<PyTypeObject*>(type);
}

// The identity of a ufunc of two arguments on NumPy 1.x; none on NumPy 2.
PyObject* no_reduction_identity(const char* ufunc) {
  if (numpy2()) return nullptr;
  PyTypeObject* type = no_reduction_type();
  if (type == nullptr) return nullptr;
  auto* object = PyObject_New(NoReduction, type);
  if (object != nullptr) object->ufunc = ufunc;
  return reinterpret_cast<PyObject*>(object);
}

// NumPy's promoter: (ufunc, operand DTypes, signature, new operand DTypes),
// the DTypes as objects (PyArrayMethod_PromoterFunction of NumPy 2's
// dtype_api.h; the same in 1.22 to 1.26, where it is internal).
int refuse_reductions(PyObject* ufunc, PyObject* const op_dtypes[], PyObject* const[],
                      PyObject* new_op_dtypes[]) {
  auto* u = reinterpret_cast<PyUFuncObject*>(ufunc);
  if (op_dtypes[0] == nullptr) {
    const Accepted* ours = accepted_of(u);
    PyErr_Format(PyExc_TypeError, kNoReduction, ours != nullptr ? ours->name : u->name);
    return -1;
  }
  for (int i = 0; i < u->nargs; ++i) {
    Py_XINCREF(op_dtypes[i]);
    new_op_dtypes[i] = op_dtypes[i];
  }
  return 0;
}

int add_reduction_promoter(PyObject* ufunc) {
  PyObject* promoter = PyCapsule_New(reinterpret_cast<void*>(&refuse_reductions),
                                     "numpy._ufunc_promoter", nullptr);
  if (promoter == nullptr) return -1;
  PyObject* dtypes = PyTuple_Pack(3, Py_None, Py_None, Py_None);
  int result = -1;
  if (dtypes != nullptr && numpy2()) {
    // PyUFunc_AddPromoter, entry 44 of NumPy 2's ufunc API table (its
    // header names it only for extensions that need NumPy 2 at least).
    using AddPromoter = int (*)(PyObject*, PyObject*, PyObject*);
    result = reinterpret_cast<AddPromoter>(PyUFunc_API[44])(ufunc, dtypes, promoter);
  } else if (dtypes != nullptr) {
    // NumPy 1.x: what its internal PyUFunc_AddLoop does, appending
    // (DTypes, promoter) to the ufunc's list of loops and promoters.
    auto* u = reinterpret_cast<PyUFuncObject*>(ufunc);
    if (u->_loops == nullptr) u->_loops = PyList_New(0);
    PyObject* entry = u->_loops != nullptr ? PyTuple_Pack(2, dtypes, promoter) : nullptr;
    if (entry != nullptr) result = PyList_Append(u->_loops, entry);
    Py_XDECREF(entry);
  }
  Py_XDECREF(dtypes);
  Py_DECREF(promoter);
  return result;
}

// ---------------------------------------------------------------------------
// Module functions.

PyObject* py_set_num_threads(PyObject*, PyObject* arg) {
  const long n = PyLong_AsLong(arg);
  if (n == -1 && PyErr_Occurred()) return nullptr;
  if (n < 1 || n > 4096) {
    PyErr_Format(PyExc_ValueError, "set_num_threads: n must be from 1 to 4096, not %ld", n);
    return nullptr;
  }
  Py_BEGIN_ALLOW_THREADS  // waits for a loop that uses the workers
  set_num_threads(static_cast<int>(n));
  Py_END_ALLOW_THREADS
  Py_RETURN_NONE;
}

PyObject* py_get_num_threads(PyObject*, PyObject*) { return PyLong_FromLong(num_threads()); }

PyMethodDef methods[] = {
    {"set_num_threads", py_set_num_threads, METH_O,
     "set_num_threads(n)\n\nUse n threads (the calling one included) for large arrays."},
    {"get_num_threads", py_get_num_threads, METH_NOARGS,
     "get_num_threads()\n\nThe number of threads used for large arrays."},
    {nullptr, nullptr, 0, nullptr}};

PyModuleDef module_def = {PyModuleDef_HEAD_INIT, "_varnel",
                          "NumPy ufuncs over libvarnel; see the varnel package.", -1, methods,
                          nullptr, nullptr, nullptr, nullptr};

int add_ufunc(PyObject* module, const UfuncEntry& entry) {
  const auto n = entry.loops.size();
  // Lives as long as the process, as the ufunc that points into it.
  auto* functions = new PyUFuncGenericFunction[n];
  auto* data = new void*[n];
  auto* types = new char[n * (entry.nin + 1)];
  for (std::size_t k = 0; k < n; ++k) {
    const auto& l = entry.loops[k];
    functions[k] = l.loop;
    data[k] = new LoopData{l.function, min_parallel(entry.cost), l.selector, l.poles,
                           l.array_function};
    for (int i = 0; i <= entry.nin; ++i) {
      types[k * (entry.nin + 1) + i] = static_cast<char>(l.types[i]);
    }
  }
  const char* name = qualified_name(entry.module, entry.name);
  PyObject* identity = nullptr;
  if (entry.nin == 2) {
    identity = no_reduction_identity(name);
    if (identity == nullptr && PyErr_Occurred()) return -1;
  }
  PyObject* ufunc = PyUFunc_FromFuncAndDataAndSignatureAndIdentity(
      functions, data, types, static_cast<int>(n), entry.nin, 1,
      identity != nullptr ? PyUFunc_IdentityValue : PyUFunc_None, entry.name.c_str(),
      entry.doc.c_str(), 0, nullptr, identity);
  Py_XDECREF(identity);
  if (ufunc == nullptr) return -1;
  if (entry.nin == 2 && add_reduction_promoter(ufunc) < 0) {
    Py_DECREF(ufunc);
    return -1;
  }
  auto* object = reinterpret_cast<PyUFuncObject*>(ufunc);
  object->type_resolver = &resolve_types;
  accepted().push_back({object, describe(entry), name});
  return PyModule_AddObject(module, entry.name.c_str(), ufunc);
}

// _stats_families: for varnel.stats, a (name, description, parameters,
// ufunc names) tuple per family, in the header's order.
int add_stats_families(PyObject* module) {
  PyObject* list = PyTuple_New(static_cast<Py_ssize_t>(families().size()));
  if (list == nullptr) return -1;
  Py_ssize_t i = 0;
  for (const auto& family : families()) {
    PyObject* names = PyTuple_New(static_cast<Py_ssize_t>(std::size(kOperations)));
    if (names == nullptr) {
      Py_DECREF(list);
      return -1;
    }
    Py_ssize_t k = 0;
    for (const auto& op : kOperations) {
      PyTuple_SetItem(names, k++, PyUnicode_FromString(python_name(family, op).c_str()));
    }
    PyObject* row = Py_BuildValue("(sssN)", family.facts.python_name, family.long_name,
                                  family.params, names);
    if (row == nullptr) {
      Py_DECREF(list);
      return -1;
    }
    PyTuple_SetItem(list, i++, row);
  }
  return PyModule_AddObject(module, "_stats_families", list);
}

int add_constants(PyObject* module) {
  const struct {
    const char* name;
    const double* value;
  } constants[] = {
      {"SQTPI", &ce::SQTPI},   {"LOGPI", &ce::LOGPI},       {"TWOOPI", &ce::TWOOPI},
      {"THPIO4", &ce::THPIO4}, {"LOGSQ2", &ce::LOGSQ2},     {"LOGE2", &ce::LOGE2},
      {"SQ2OPI", &ce::SQ2OPI}, {"LOG2E", &ce::LOG2E},       {"SQRTH", &ce::SQRTH},
      {"SQRT2", &ce::SQRT2},   {"PIO4", &ce::PIO4},         {"PIO2", &ce::PIO2},
      {"PI", &ce::PI},         {"D_MAXNUM", &ce::D_MAXNUM}, {"D_MINLOG", &ce::D_MINLOG},
      {"D_MAXLOG", &ce::D_MAXLOG}, {"D_MACHEP", &ce::D_MACHEP},
  };
  for (const auto& c : constants) {
    if (PyModule_AddObject(module, c.name, PyFloat_FromDouble(*c.value)) < 0) return -1;
  }
  return 0;
}

}  // namespace
}  // namespace varnel_python

PyMODINIT_FUNC PyInit__varnel(void) {
  using namespace varnel_python;
  import_array();
  import_umath();
  PyObject* module = PyModule_Create(&module_def);
  if (module == nullptr) return nullptr;
  for (const auto& entry : ufunc_table()) {
    if (add_ufunc(module, entry) < 0) {
      Py_DECREF(module);
      return nullptr;
    }
  }
  if (add_constants(module) < 0 || add_stats_families(module) < 0 ||
      PyModule_AddStringConstant(module, "__version__", VARNEL_VERSION) < 0) {
    Py_DECREF(module);
    return nullptr;
  }
  const char* env = std::getenv("VARNEL_NUM_THREADS");
  if (env != nullptr && *env != '\0' && !environment_threads_valid()) {
    if (PyErr_WarnFormat(PyExc_RuntimeWarning, 1,
                         "VARNEL_NUM_THREADS=%s is not a positive integer; using %d threads",
                         env, default_num_threads()) < 0) {
      Py_DECREF(module);
      return nullptr;
    }
  }
  return module;
}
