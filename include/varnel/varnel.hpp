// libvarnel: special functions of real and complex arguments.
//
// Every function is pure and reentrant: it reads only its arguments and the
// read-only constants below, allocates nothing, never throws, never prints and
// leaves errno as the caller had it. Trouble is reported through the returned
// value only (a large finite overflow value, infinity, 0, 1 or a quiet NaN, as
// documented for each function).
#ifndef VARNEL_VARNEL_HPP
#define VARNEL_VARNEL_HPP

#include <complex>

#if defined(__GNUC__)
#define VARNEL_API __attribute__((visibility("default")))
#else
#define VARNEL_API
#endif

namespace varnel {

// Real-argument functions.
namespace specfun {

// kind 0: erf(x); 1: erfc(x); 2: exp(x*x)*erfc(x). Other selectors are
// accepted: they give erfc for x >= 0 and 2*exp(x*x) - erfc(|x|) for x < 0.
VARNEL_API float s_calerf(float x, int kind) noexcept;
VARNEL_API double d_calerf(double x, int kind) noexcept;

// Gamma function; the overflow value (3.4e38 / 1.79e308) at poles, overflow
// and for NaN or infinite arguments.
VARNEL_API float s_gamma(float x) noexcept;
VARNEL_API double d_gamma(double x) noexcept;

// ln Gamma(x) for x > 0; 3.401e38 / 1.79e308 outside the domain.
VARNEL_API float s_lngamma(float x) noexcept;
VARNEL_API double d_lngamma(double x) noexcept;

// Regularised incomplete beta I_x(a, b) by a single continued fraction.
VARNEL_API double d_ibeta(double a, double b, double x) noexcept;

}  // namespace specfun

// Complex gamma, incomplete gamma and incomplete beta, and the constants.
namespace cephes {

VARNEL_API extern const double SQTPI;     // sqrt(2 pi)
VARNEL_API extern const double LOGPI;     // log(pi)
VARNEL_API extern const double TWOOPI;    // 2/pi
VARNEL_API extern const double THPIO4;    // 3 pi/4
VARNEL_API extern const double LOGSQ2;    // log(2)/2
VARNEL_API extern const double LOGE2;     // log(2)
VARNEL_API extern const double SQ2OPI;    // sqrt(2/pi)
VARNEL_API extern const double LOG2E;     // 1/log(2)
VARNEL_API extern const double SQRTH;     // sqrt(1/2)
VARNEL_API extern const double SQRT2;     // sqrt(2)
VARNEL_API extern const double PIO4;      // pi/4
VARNEL_API extern const double PIO2;      // pi/2
VARNEL_API extern const double PI;        // pi
VARNEL_API extern const double D_MAXNUM;  // largest finite double
VARNEL_API extern const double D_MINLOG;  // log of the smallest normal double
VARNEL_API extern const double D_MAXLOG;  // log(D_MAXNUM)
VARNEL_API extern const double D_MACHEP;  // 2^-53

// Stirling formula for Gamma(z); accurate for Re z >= 18 only.
VARNEL_API std::complex<double> cstirf(std::complex<double> z) noexcept;
// Gamma(z) for complex z; +inf + 0i at the poles it recognises.
VARNEL_API std::complex<double> z_gamma(std::complex<double> z) noexcept;
// log Gamma(z) for complex z, on a continuous (unreduced) branch.
VARNEL_API std::complex<double> z_lngamma(std::complex<double> z) noexcept;

// Regularised lower (P) and upper (Q) incomplete gamma functions.
VARNEL_API double d_igamma(double a, double x) noexcept;
VARNEL_API double d_igamc(double a, double x) noexcept;

// Building blocks of the incomplete beta function, and the function itself.
VARNEL_API double incbcf(double a, double b, double x) noexcept;
VARNEL_API double incbd(double a, double b, double x) noexcept;
VARNEL_API double pseries(double a, double b, double x) noexcept;
VARNEL_API double d_ibeta(double a, double b, double x) noexcept;

}  // namespace cephes
}  // namespace varnel

#endif  // VARNEL_VARNEL_HPP
