/* libvarnel: the list of exported functions and constants, as X-macros.
 *
 * One list serves every place that must treat all functions alike: the C
 * interface (libvarnel-c) defines its wrappers from it, and programs may use
 * it to build tables, bindings or tests without spelling the sixteen
 * functions out again. Valid C99 and C++.
 *
 * VARNEL_FUNCTIONS(X) expands X(ns, name, sig, meaning) once per function, in
 * the order of the interface:
 *   ns       the C++ namespace, specfun or cephes; the C name is
 *            varnel_<ns>_<name>, the C++ name varnel::<ns>::<name>;
 *   name     the function's name within its namespace;
 *   sig      its signature, one of the tags below;
 *   meaning  a one-line description (a string literal).
 * A signature tag T names, through token pasting, the result type
 * VARNEL_RESULT_T, the parameter list VARNEL_PARAMS_T (with the parameter
 * names of the documentation) and the argument list VARNEL_ARGS_T that
 * passes those parameters on:
 *   FI   float  (float x, int kind)
 *   DI   double (double x, int kind)
 *   F    float  (float x)
 *   D    double (double x)
 *   DD   double (double a, double x)
 *   DDD  double (double a, double b, double x)
 *   Z    varnel_complex (varnel_complex z)
 * VARNEL_ARRAY_PARAMS_T is the parameter list of the function's array
 * version (see <varnel/varnel.h>).
 * varnel_complex is C99's double _Complex in C and std::complex<double> in
 * C++: the same layout, and passed and returned in the same registers on
 * x86_64 and aarch64.
 *
 * VARNEL_CONSTANTS(X) expands X(name, meaning) once per constant; the C object
 * is varnel_cephes_<name>, the C++ one varnel::cephes::<name>.
 *
 * Example: every C name with its meaning, and the declaration of each C
 * function as <varnel/varnel.h> has it:
 *   #define SHOW(ns, name, sig, meaning) puts("varnel_" #ns "_" #name ": " meaning);
 *   VARNEL_FUNCTIONS(SHOW)
 *   #define DECLARE(ns, name, sig, meaning) \
 *     VARNEL_RESULT_##sig varnel_##ns##_##name VARNEL_PARAMS_##sig;
 */
#ifndef VARNEL_FUNCTIONS_H
#define VARNEL_FUNCTIONS_H

#include <stddef.h>

#ifdef __cplusplus
#include <complex>
typedef std::complex<double> varnel_complex;
#else
typedef double _Complex varnel_complex;
#endif

#define VARNEL_FUNCTIONS(X)                                                          \
  X(specfun, s_calerf, FI, "kind 0: erf(x), 1: erfc(x), 2: exp(x^2)*erfc(x) (binary32)") \
  X(specfun, d_calerf, DI, "kind 0: erf(x), 1: erfc(x), 2: exp(x^2)*erfc(x) (binary64)") \
  X(specfun, s_gamma, F, "Gamma(x) (binary32)")                                      \
  X(specfun, d_gamma, D, "Gamma(x) (binary64)")                                      \
  X(specfun, s_lngamma, F, "ln Gamma(x) for x > 0 (binary32)")                       \
  X(specfun, d_lngamma, D, "ln Gamma(x) for x > 0 (binary64)")                       \
  X(specfun, d_ibeta, DDD, "I_x(a, b) by one continued fraction")                    \
  X(cephes, cstirf, Z, "Stirling formula for Gamma(z), Re z >= 18")                  \
  X(cephes, z_gamma, Z, "Gamma(z), z = re + i*im")                                   \
  X(cephes, z_lngamma, Z, "log Gamma(z) on its continuous branch")                   \
  X(cephes, d_igamma, DD, "P(a, x), regularised lower incomplete gamma")             \
  X(cephes, d_igamc, DD, "Q(a, x) = 1 - P(a, x)")                                    \
  X(cephes, incbcf, DDD, "first continued fraction of I_x(a, b)")                    \
  X(cephes, incbd, DDD, "second continued fraction of I_x(a, b)")                    \
  X(cephes, pseries, DDD, "power series of I_x(a, b)")                               \
  X(cephes, d_ibeta, DDD, "I_x(a, b) by power series and two continued fractions")

#define VARNEL_CONSTANTS(X)                            \
  X(SQTPI, "sqrt(2 pi)")                               \
  X(LOGPI, "log(pi)")                                  \
  X(TWOOPI, "2/pi")                                    \
  X(THPIO4, "3 pi/4")                                  \
  X(LOGSQ2, "log(2)/2")                                \
  X(LOGE2, "log(2)")                                   \
  X(SQ2OPI, "sqrt(2/pi)")                              \
  X(LOG2E, "1/log(2)")                                 \
  X(SQRTH, "sqrt(1/2)")                                \
  X(SQRT2, "sqrt(2)")                                  \
  X(PIO4, "pi/4")                                      \
  X(PIO2, "pi/2")                                      \
  X(PI, "pi")                                          \
  X(D_MAXNUM, "largest finite double")                 \
  X(D_MINLOG, "log of the smallest normal double")     \
  X(D_MAXLOG, "log(D_MAXNUM)")                         \
  X(D_MACHEP, "2^-53")

#define VARNEL_RESULT_FI float
#define VARNEL_PARAMS_FI (float x, int kind)
#define VARNEL_ARGS_FI (x, kind)
#define VARNEL_RESULT_DI double
#define VARNEL_PARAMS_DI (double x, int kind)
#define VARNEL_ARGS_DI (x, kind)
#define VARNEL_RESULT_F float
#define VARNEL_PARAMS_F (float x)
#define VARNEL_ARGS_F (x)
#define VARNEL_RESULT_D double
#define VARNEL_PARAMS_D (double x)
#define VARNEL_ARGS_D (x)
#define VARNEL_RESULT_DD double
#define VARNEL_PARAMS_DD (double a, double x)
#define VARNEL_ARGS_DD (a, x)
#define VARNEL_RESULT_DDD double
#define VARNEL_PARAMS_DDD (double a, double b, double x)
#define VARNEL_ARGS_DDD (a, b, x)
#define VARNEL_RESULT_Z varnel_complex
#define VARNEL_PARAMS_Z (varnel_complex z)
#define VARNEL_ARGS_Z (z)

/* The parameter lists of the array versions (varnel_<ns>_<name>_array), per
 * signature tag: the element count n, then every argument array with its
 * increment in the order of the scalar parameters (the selector kind once),
 * then the result array y with its increment. */
#define VARNEL_ARRAY_PARAMS_FI \
  (size_t n, const float *x, ptrdiff_t incx, int kind, float *y, ptrdiff_t incy)
#define VARNEL_ARRAY_PARAMS_DI \
  (size_t n, const double *x, ptrdiff_t incx, int kind, double *y, ptrdiff_t incy)
#define VARNEL_ARRAY_PARAMS_F (size_t n, const float *x, ptrdiff_t incx, float *y, ptrdiff_t incy)
#define VARNEL_ARRAY_PARAMS_D \
  (size_t n, const double *x, ptrdiff_t incx, double *y, ptrdiff_t incy)
#define VARNEL_ARRAY_PARAMS_DD                                                  \
  (size_t n, const double *a, ptrdiff_t inca, const double *x, ptrdiff_t incx, \
   double *y, ptrdiff_t incy)
#define VARNEL_ARRAY_PARAMS_DDD                                                 \
  (size_t n, const double *a, ptrdiff_t inca, const double *b, ptrdiff_t incb, \
   const double *x, ptrdiff_t incx, double *y, ptrdiff_t incy)
#define VARNEL_ARRAY_PARAMS_Z \
  (size_t n, const varnel_complex *z, ptrdiff_t incz, varnel_complex *y, ptrdiff_t incy)

#endif /* VARNEL_FUNCTIONS_H */
