/* libvarnel's C interface: libvarnel-c.so.0, pkg-config varnel-c, CMake
 * target varnel::varnel_c.
 *
 * Every function and constant of the C++ interface (<varnel/varnel.hpp>) under
 * a C name made of its namespace and its name: varnel::specfun::d_gamma is
 * varnel_specfun_d_gamma, varnel::cephes::PI is varnel_cephes_PI. Each C
 * function calls the C++ one and returns its result unchanged, so both give
 * the same bits, NaN included; like them, every C function is pure and
 * reentrant, allocates nothing, prints nothing and leaves errno as the caller
 * had it. Complex numbers are passed and returned by value as C99
 * double _Complex (varnel_complex; std::complex<double> when the header is
 * read by a C++ compiler, which has the same layout and calling convention).
 * The results for edges and bad arguments are those of the C++ functions,
 * documented in docs/.
 *
 * Valid C99 and C++. The list of the same functions as X-macros, for
 * programs that build tables from it, is <varnel/functions.h>.
 */
#ifndef VARNEL_VARNEL_H
#define VARNEL_VARNEL_H

#include "varnel/functions.h"

#if defined(__GNUC__)
#define VARNEL_C_API __attribute__((visibility("default")))
#else
#define VARNEL_C_API
#endif

#ifdef __cplusplus
/* Clang warns that a C function returns a C++ class; std::complex<double> is
 * exactly C's double _Complex in memory and in registers. */
#if defined(__clang__)
#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Wreturn-type-c-linkage"
#endif
extern "C" {
#endif

/* Error functions: kind 0 erf(x), 1 erfc(x), 2 exp(x*x)*erfc(x), binary32. */
VARNEL_C_API float varnel_specfun_s_calerf(float x, int kind);
/* Error functions: kind 0 erf(x), 1 erfc(x), 2 exp(x*x)*erfc(x), binary64. */
VARNEL_C_API double varnel_specfun_d_calerf(double x, int kind);
/* Gamma(x), binary32; 3.4e38 at poles, on overflow and for NaN or inf. */
VARNEL_C_API float varnel_specfun_s_gamma(float x);
/* Gamma(x), binary64; 1.79e308 at poles, on overflow and for NaN or inf. */
VARNEL_C_API double varnel_specfun_d_gamma(double x);
/* ln Gamma(x) for x > 0, binary32; 3.401e38 outside the domain. */
VARNEL_C_API float varnel_specfun_s_lngamma(float x);
/* ln Gamma(x) for x > 0, binary64; 1.79e308 outside the domain. */
VARNEL_C_API double varnel_specfun_d_lngamma(double x);
/* Regularised incomplete beta I_x(a, b) by one continued fraction. */
VARNEL_C_API double varnel_specfun_d_ibeta(double a, double b, double x);

/* Stirling formula for Gamma(z); accurate for Re z >= 18 only. */
VARNEL_C_API varnel_complex varnel_cephes_cstirf(varnel_complex z);
/* Gamma(z) for complex z; +inf + 0i at the poles it recognises. */
VARNEL_C_API varnel_complex varnel_cephes_z_gamma(varnel_complex z);
/* log Gamma(z) for complex z, on a continuous (unreduced) branch. */
VARNEL_C_API varnel_complex varnel_cephes_z_lngamma(varnel_complex z);
/* P(a, x), the regularised lower incomplete gamma function. */
VARNEL_C_API double varnel_cephes_d_igamma(double a, double x);
/* Q(a, x) = 1 - P(a, x), the regularised upper incomplete gamma function. */
VARNEL_C_API double varnel_cephes_d_igamc(double a, double x);
/* First continued fraction of I_x(a, b), a building block of d_ibeta. */
VARNEL_C_API double varnel_cephes_incbcf(double a, double b, double x);
/* Second continued fraction of I_x(a, b), a building block of d_ibeta. */
VARNEL_C_API double varnel_cephes_incbd(double a, double b, double x);
/* Power series of I_x(a, b), a building block of d_ibeta. */
VARNEL_C_API double varnel_cephes_pseries(double a, double b, double x);
/* I_x(a, b) by power series and two continued fractions. */
VARNEL_C_API double varnel_cephes_d_ibeta(double a, double b, double x);

/* Array versions, one per function: varnel_<ns>_<name>_array evaluates the
 * function on n elements of strided arrays, BLAS-style, with the parameter
 * list VARNEL_ARRAY_PARAMS_<sig> of <varnel/functions.h>; for example
 *   void varnel_cephes_d_igamma_array(size_t n, const double *a, ptrdiff_t inca,
 *                                     const double *x, ptrdiff_t incx,
 *                                     double *y, ptrdiff_t incy);
 * Element i of an array with increment inc >= 0 is p[i * inc] (inc = 0 reads
 * one value for every element); with inc < 0 it is p[(n - 1 - i) * -inc], so
 * that the array is walked backwards from its last element. y[i] gets exactly
 * the bits of the function on element i of the arguments, NaN included,
 * whatever n, the increments, the alignment and the order of the elements;
 * errno is kept. The result array
 * may be an argument array itself with the same increment (in place); any
 * other overlap between y and an argument is not allowed. The incomplete
 * gamma and beta functions and the three building blocks of cephes d_ibeta
 * evaluate several elements at once, each exactly as the single call does;
 * the other functions loop over the single call. */
#define VARNEL_C_ARRAY_DECLARATION(ns, name, sig, meaning) \
  VARNEL_C_API void varnel_##ns##_##name##_array VARNEL_ARRAY_PARAMS_##sig;
VARNEL_FUNCTIONS(VARNEL_C_ARRAY_DECLARATION)
#undef VARNEL_C_ARRAY_DECLARATION

VARNEL_C_API extern const double varnel_cephes_SQTPI;    /* sqrt(2 pi) */
VARNEL_C_API extern const double varnel_cephes_LOGPI;    /* log(pi) */
VARNEL_C_API extern const double varnel_cephes_TWOOPI;   /* 2/pi */
VARNEL_C_API extern const double varnel_cephes_THPIO4;   /* 3 pi/4 */
VARNEL_C_API extern const double varnel_cephes_LOGSQ2;   /* log(2)/2 */
VARNEL_C_API extern const double varnel_cephes_LOGE2;    /* log(2) */
VARNEL_C_API extern const double varnel_cephes_SQ2OPI;   /* sqrt(2/pi) */
VARNEL_C_API extern const double varnel_cephes_LOG2E;    /* 1/log(2) */
VARNEL_C_API extern const double varnel_cephes_SQRTH;    /* sqrt(1/2) */
VARNEL_C_API extern const double varnel_cephes_SQRT2;    /* sqrt(2) */
VARNEL_C_API extern const double varnel_cephes_PIO4;     /* pi/4 */
VARNEL_C_API extern const double varnel_cephes_PIO2;     /* pi/2 */
VARNEL_C_API extern const double varnel_cephes_PI;       /* pi */
VARNEL_C_API extern const double varnel_cephes_D_MAXNUM; /* largest finite double */
VARNEL_C_API extern const double varnel_cephes_D_MINLOG; /* log of the smallest normal double */
VARNEL_C_API extern const double varnel_cephes_D_MAXLOG; /* log(D_MAXNUM) */
VARNEL_C_API extern const double varnel_cephes_D_MACHEP; /* 2^-53 */

#ifdef __cplusplus
}
#if defined(__clang__)
#pragma clang diagnostic pop
#endif
#endif

#endif /* VARNEL_VARNEL_H */
