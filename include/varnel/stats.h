/* libvarnel-stats: inverse functions that are exactly consistent with
 * libvarnel's forward functions. libvarnel-stats.so.0, pkg-config
 * varnel-stats, CMake target varnel::varnel_stats.
 *
 * Each inverse returns the double (or float) at which the library's own
 * forward function crosses the target, to the last bit. For a target strictly
 * inside its interval, with prev(x) the next floating-point number towards
 * minus infinity:
 *
 *   erf_inv(p)          calerf(x, 0) >= p > calerf(prev(x), 0)     -1 < p < 1
 *   erfc_inv(q)         calerf(x, 1) <= q < calerf(prev(x), 1)      0 < q < 2
 *   igamma_inv(a, p)    P(a, x) >= p > P(a, prev(x))                0 < p < 1
 *   igamc_inv(a, q)     Q(a, x) <= q < Q(a, prev(x))                0 < q < 1
 *   ibeta_inv(a, b, p)  I_x(a, b) >= p > I_prev(x)(a, b)            0 < p < 1
 *   ibetac_inv(a, b, q) J(x) <= q < J(prev(x))                      0 < q < 1
 *
 * where P, Q are cephes d_igamma and d_igamc, I is cephes d_ibeta, calerf is
 * specfun d_calerf (s_calerf for the float versions), and the upper tail of
 * the incomplete beta function is J(x) = I_(1-x)(b, a), cephes d_ibeta with
 * the parameters swapped at 1 - x, which keeps its accuracy for tiny q.
 * So a cdf and its quantile computed with this library never disagree.
 *
 * Ends and edges are values: a target at an end of its interval gives the
 * end of the support (p = 0: 0 for the gamma and beta inverses, -infinity
 * for erf_inv; p = 1: +infinity, 1, +infinity; the upper forms mirrored);
 * a target outside its interval, a NaN argument, or a <= 0, b <= 0 give the
 * quiet NaN; so does an argument at which the forward function itself
 * gives no value (its quiet NaN where its loops reach their caps, for
 * parameters beyond about 1e13). Every call evaluates the forward function at
 * most VARNEL_STATS_MAX_EVALUATIONS times.
 *
 * Every function is pure and reentrant, allocates nothing, prints nothing
 * and leaves errno as the caller had it.
 *
 * The same header declares the distributions of nine families built on
 * these functions (below, VARNEL_STATS_DISTRIBUTIONS).
 *
 * Valid C99 and C++. VARNEL_STATS_FUNCTIONS and VARNEL_STATS_DISTRIBUTIONS
 * list the functions as X-macros for programs and bindings that build
 * tables from them.
 */
#ifndef VARNEL_STATS_H
#define VARNEL_STATS_H

#include <stddef.h>

#if defined(__GNUC__)
#define VARNEL_STATS_API __attribute__((visibility("default")))
#else
#define VARNEL_STATS_API
#endif

/* The most evaluations of the forward function that one call makes: the
 * refinement from the starting value (at most 24), then the search over the
 * ordered bit patterns of the floating-point numbers (a bisection of at most
 * 64 steps and the check of its ends, and where that check fails a second
 * search of at most 129). */
#define VARNEL_STATS_MAX_EVALUATIONS 219

/* VARNEL_STATS_FUNCTIONS(X) expands X(name, sig, meaning) once per function;
 * the C name is varnel_stats_<name>, the C++ name varnel::stats::<name>. The
 * signature tags:
 *   SP    float  (float p)
 *   DP    double (double p)
 *   DDP   double (double a, double p)
 *   DDDP  double (double a, double b, double p)
 * with VARNEL_STATS_RESULT_<sig>, VARNEL_STATS_PARAMS_<sig>,
 * VARNEL_STATS_ARGS_<sig> and VARNEL_STATS_ARRAY_PARAMS_<sig> as in
 * <varnel/functions.h>. */
#define VARNEL_STATS_FUNCTIONS(X)                                             \
  X(d_erf_inv, DP, "x with erf(x) = p, -1 <= p <= 1")                        \
  X(s_erf_inv, SP, "x with erf(x) = p, -1 <= p <= 1 (binary32)")             \
  X(d_erfc_inv, DP, "x with erfc(x) = q, 0 <= q <= 2")                       \
  X(s_erfc_inv, SP, "x with erfc(x) = q, 0 <= q <= 2 (binary32)")            \
  X(d_igamma_inv, DDP, "x with P(a, x) = p")                                 \
  X(d_igamc_inv, DDP, "x with Q(a, x) = q")                                  \
  X(d_ibeta_inv, DDDP, "x with I_x(a, b) = p")                               \
  X(d_ibetac_inv, DDDP, "x with 1 - I_x(a, b) = q, accurate for tiny q")

#define VARNEL_STATS_RESULT_SP float
#define VARNEL_STATS_PARAMS_SP (float p)
#define VARNEL_STATS_ARGS_SP (p)
#define VARNEL_STATS_RESULT_DP double
#define VARNEL_STATS_PARAMS_DP (double p)
#define VARNEL_STATS_ARGS_DP (p)
#define VARNEL_STATS_RESULT_DDP double
#define VARNEL_STATS_PARAMS_DDP (double a, double p)
#define VARNEL_STATS_ARGS_DDP (a, p)
#define VARNEL_STATS_RESULT_DDDP double
#define VARNEL_STATS_PARAMS_DDDP (double a, double b, double p)
#define VARNEL_STATS_ARGS_DDDP (a, b, p)

/* The array versions, varnel_stats_<name>_array: the element count n, every
 * argument array with its increment in the order of the scalar parameters,
 * then the result array y with its increment. The same conventions as the
 * array versions of <varnel/varnel.h>: element i of an array with increment
 * inc >= 0 is base[i * inc] (0 repeats one value), with inc < 0 it is
 * base[(n - 1 - i) * -inc]; y[i] gets exactly the bits of the scalar
 * function on element i; y may be an argument array with the same increment
 * (in place), no other overlap is allowed; errno is kept. */
#define VARNEL_STATS_ARRAY_PARAMS_SP \
  (size_t n, const float *p, ptrdiff_t incp, float *y, ptrdiff_t incy)
#define VARNEL_STATS_ARRAY_PARAMS_DP \
  (size_t n, const double *p, ptrdiff_t incp, double *y, ptrdiff_t incy)
#define VARNEL_STATS_ARRAY_PARAMS_DDP                                          \
  (size_t n, const double *a, ptrdiff_t inca, const double *p, ptrdiff_t incp, \
   double *y, ptrdiff_t incy)
#define VARNEL_STATS_ARRAY_PARAMS_DDDP                                         \
  (size_t n, const double *a, ptrdiff_t inca, const double *b, ptrdiff_t incb, \
   const double *p, ptrdiff_t incp, double *y, ptrdiff_t incy)

/* The distributions: nine families, six operations each, named
 * varnel_stats_d_<family>_<operation> (C++ varnel::stats::d_<family>_<operation>):
 *
 *   pdf(x, ...)       density (the probability mass for discrete families)
 *   logpdf(x, ...)    its natural logarithm
 *   cdf(x, ...)       P(X <= x)
 *   sf(x, ...)        P(X > x), computed directly, never as 1 - cdf
 *   quantile(p, ...)  x with cdf(x) >= p > cdf(prev(x))
 *   isf(q, ...)       x with sf(x) <= q < sf(prev(x))
 *
 * the argument first, then the family's parameters:
 *
 *   norm     mu, sigma     normal, sigma > 0
 *   chisq    k             chi-square, k > 0 real
 *   gamma    shape, scale  gamma, both > 0
 *   beta     a, b          beta, both > 0
 *   t        nu            Student t, nu > 0 real
 *   f        d1, d2        F (Fisher-Snedecor), both > 0
 *   poisson  lambda        Poisson, lambda >= 0
 *   binom    n, p          binomial, n an integer in [0, 2^53], 0 <= p <= 1
 *   nbinom   r, p          negative binomial (failures before the r-th
 *                          success), r > 0 real, 0 < p <= 1
 *
 * For the discrete families (poisson, binom, nbinom) prev(x) is x - 1: the
 * quantile is the integer k with cdf(k) >= p > cdf(k - 1), the smallest k
 * with cdf(k) >= p wherever the cdf increases, so quantile(cdf(k)) == k
 * there; cdf and sf take a real x and use floor(x), the mass is 0 off the
 * integers. Parameters outside their domain, infinite or NaN, a probability
 * outside [0, 1] and a NaN argument give the quiet NaN; x outside the
 * support gives 0, 1 or -infinity (logpdf) as the case may be; p = 0 and
 * p = 1 give the ends of the support. Pure, reentrant, no allocation, errno
 * kept. See docs/distributions.md for the formulas of each operation.
 *
 * VARNEL_STATS_FAMILIES(X) expands X(family, sig, count, params, name) once
 * per family; VARNEL_STATS_DISTRIBUTIONS(X) expands X(family, operation,
 * sig, count) once per function, count being the number of parameters
 * after the argument. The signature tags:
 *   XD    double (double x, double a)
 *   XDD   double (double x, double a, double b)
 * with the argument x (p for quantile, q for isf) first; the array versions
 * take the argument array first, then the parameter arrays in order. */
#define VARNEL_STATS_FAMILY_LIST_(M, X)                                 \
  M(X, norm, XDD, 2, "mu, sigma", "normal")                             \
  M(X, chisq, XD, 1, "k", "chi-square")                                 \
  M(X, gamma, XDD, 2, "shape, scale", "gamma")                          \
  M(X, beta, XDD, 2, "a, b", "beta")                                    \
  M(X, t, XD, 1, "nu", "Student t")                                     \
  M(X, f, XDD, 2, "d1, d2", "F")                                        \
  M(X, poisson, XD, 1, "lambda", "Poisson")                             \
  M(X, binom, XDD, 2, "n, p", "binomial")                               \
  M(X, nbinom, XDD, 2, "r, p", "negative binomial")
#define VARNEL_STATS_FAMILY_ONE_(X, family, sig, count, params, name) \
  X(family, sig, count, params, name)
#define VARNEL_STATS_FAMILY_OPERATIONS_(X, family, sig, count, params, name)          \
  X(family, pdf, sig, count) X(family, logpdf, sig, count) X(family, cdf, sig, count) \
  X(family, sf, sig, count) X(family, quantile, sig, count) X(family, isf, sig, count)
#define VARNEL_STATS_FAMILIES(X) VARNEL_STATS_FAMILY_LIST_(VARNEL_STATS_FAMILY_ONE_, X)
#define VARNEL_STATS_DISTRIBUTIONS(X) \
  VARNEL_STATS_FAMILY_LIST_(VARNEL_STATS_FAMILY_OPERATIONS_, X)

#define VARNEL_STATS_RESULT_XD double
#define VARNEL_STATS_PARAMS_XD (double x, double a)
#define VARNEL_STATS_ARGS_XD (x, a)
#define VARNEL_STATS_RESULT_XDD double
#define VARNEL_STATS_PARAMS_XDD (double x, double a, double b)
#define VARNEL_STATS_ARGS_XDD (x, a, b)
#define VARNEL_STATS_ARRAY_PARAMS_XD                                           \
  (size_t n, const double *x, ptrdiff_t incx, const double *a, ptrdiff_t inca, \
   double *y, ptrdiff_t incy)
#define VARNEL_STATS_ARRAY_PARAMS_XDD                                          \
  (size_t n, const double *x, ptrdiff_t incx, const double *a, ptrdiff_t inca, \
   const double *b, ptrdiff_t incb, double *y, ptrdiff_t incy)

#ifdef __cplusplus
extern "C" {
#endif

/* x with erf(x) = p: -inf at p = -1, +inf at p = 1. */
VARNEL_STATS_API double varnel_stats_d_erf_inv(double p);
VARNEL_STATS_API float varnel_stats_s_erf_inv(float p);
/* x with erfc(x) = q: +inf at q = 0, -inf at q = 2. */
VARNEL_STATS_API double varnel_stats_d_erfc_inv(double q);
VARNEL_STATS_API float varnel_stats_s_erfc_inv(float q);
/* x with P(a, x) = p: 0 at p = 0, +inf at p = 1. */
VARNEL_STATS_API double varnel_stats_d_igamma_inv(double a, double p);
/* x with Q(a, x) = q: +inf at q = 0, 0 at q = 1. */
VARNEL_STATS_API double varnel_stats_d_igamc_inv(double a, double q);
/* x with I_x(a, b) = p: 0 at p = 0, 1 at p = 1. */
VARNEL_STATS_API double varnel_stats_d_ibeta_inv(double a, double b, double p);
/* x with I_(1-x)(b, a) = q: 1 at q = 0, 0 at q = 1. */
VARNEL_STATS_API double varnel_stats_d_ibetac_inv(double a, double b, double q);

#define VARNEL_STATS_ARRAY_DECLARATION(name, sig, meaning) \
  VARNEL_STATS_API void varnel_stats_##name##_array VARNEL_STATS_ARRAY_PARAMS_##sig;
VARNEL_STATS_FUNCTIONS(VARNEL_STATS_ARRAY_DECLARATION)
#undef VARNEL_STATS_ARRAY_DECLARATION

/* The distributions, e.g. double varnel_stats_d_norm_cdf(double x, double
 * mu, double sigma), double varnel_stats_d_chisq_isf(double q, double k),
 * and their array versions varnel_stats_d_norm_cdf_array(n, x, incx, mu,
 * incmu, sigma, incsigma, y, incy). */
#define VARNEL_STATS_DISTRIBUTION_DECLARATION(family, op, sig, count)               \
  VARNEL_STATS_API double varnel_stats_d_##family##_##op VARNEL_STATS_PARAMS_##sig; \
  VARNEL_STATS_API void varnel_stats_d_##family##_##op##_array VARNEL_STATS_ARRAY_PARAMS_##sig;
VARNEL_STATS_DISTRIBUTIONS(VARNEL_STATS_DISTRIBUTION_DECLARATION)
#undef VARNEL_STATS_DISTRIBUTION_DECLARATION

#ifdef __cplusplus
}
#endif

#endif /* VARNEL_STATS_H */
