// Log-gamma function of a positive real argument, single and double precision.
//
// Method, written once over the working precision T:
//   x <= 0, NaN, x > bound   the out-of-domain value (no reflection);
//   x <= small               -log(x), since ln Gamma(x) = -ln x - gamma x + ...;
//   x < 0.6796875            -log(x) plus a rational approximation of
//                            ln(x Gamma(x)) about 1 (x <= 0.5) or about 2;
//   0.6796875 <= x <= 1.5    the rational approximation about 1, t = x - 1;
//   1.5 < x <= 4             the rational approximation about 2, t = x - 2;
//   4 < x <= 12              the rational approximation about 4, t = x - 4;
//   x > 12                   Stirling's series; above a cut-off the
//                            correction terms are below half an ulp and
//                            are dropped.
// The approximations about 1 and 2 have the form t (D + t num(t)/den(t)), so
// that ln Gamma(1) and ln Gamma(2) come out as exact zeros.
//
// The single-precision version computes in float throughout except for the
// logarithm, which is taken in double and rounded before any further use.
#include "specfun/lngamma_steps.hpp"
#include "varnel/varnel.hpp"

namespace varnel::specfun {

using log_gamma::lngamma_impl;

// No errno guard: the only C library call is the logarithm of an argument
// already known to be positive and finite, which cannot fail.
float s_lngamma(float x) noexcept { return lngamma_impl(x); }

double d_lngamma(double x) noexcept { return lngamma_impl(x); }

}  // namespace varnel::specfun

double varnel::detail::real_lngamma(double x) noexcept {
  return specfun::lngamma_impl(x);
}
