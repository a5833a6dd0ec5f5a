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
 * Valid C99 and C++. VARNEL_STATS_FUNCTIONS lists the functions as X-macros
 * for programs and bindings that build tables from it.
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

#ifdef __cplusplus
}
#endif

#endif /* VARNEL_STATS_H */
