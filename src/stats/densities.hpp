// Logarithms of densities and probability masses in the saddle-point form
// of C. Loader, "Fast and accurate computation of binomial probabilities"
// (2000): the logarithm of C(n, x) p^x q^(n - x) written as
//
//   stirlerr(n) - stirlerr(x) - stirlerr(n - x)
//     - bd0(x, n p) - bd0(n - x, n q) - log(2 pi x (n - x) / n) / 2,
//
// where stirlerr(m) = log Gamma(m + 1) - [(m + 1/2) log m - m + log sqrt(2 pi)]
// is the remainder of Stirling's series and bd0(x, m) = x log(x / m) + m - x
// the deviance term. Written directly, the logarithm is a difference of
// terms of size n log n that nearly cancel, and loses about log2(n log n)
// bits; in this form every term is small or computed without cancellation
// (bd0 by its series in v = (x - m) / (x + m) where x is near m), so the
// absolute error of the logarithm, and hence the relative error of the
// density, stays a few units in the last place. The same kernel, with real
// x and n - x, gives the densities of the gamma, beta and F distributions
// and the negative binomial mass.
#ifndef VARNEL_SRC_STATS_DENSITIES_HPP
#define VARNEL_SRC_STATS_DENSITIES_HPP

#include <cmath>
#include <limits>

#include "varnel/varnel.hpp"

namespace varnel::stats::detail::density {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kLogSqrt2Pi = 0.91893853320467274178;  // log(sqrt(2 pi))
constexpr double kLog2Pi = 1.8378770664093454836;       // log(2 pi)

// stirlerr(m) for m > 0. Up to 15 from the log-gamma function (the terms
// there are at most about 40, so the absolute error stays near 40 units of
// 1e-16, which is what matters in an exponent); beyond, Stirling's series
// 1/(12 m) - 1/(360 m^3) + 1/(1260 m^5) - 1/(1680 m^7) + 1/(1188 m^9), with
// fewer terms as m grows (the first omitted term is below 1e-17 of the sum).
inline double stirlerr(double m) noexcept {
  if (std::islessequal(m, 15.0)) {
    return specfun::d_lngamma(m + 1) - (m + 0.5) * std::log(m) + m - kLogSqrt2Pi;
  }
  constexpr double s0 = 1.0 / 12, s1 = 1.0 / 360, s2 = 1.0 / 1260, s3 = 1.0 / 1680,
                   s4 = 1.0 / 1188;
  const double mm = m * m;
  if (std::isgreater(m, 500.0)) return (s0 - s1 / mm) / m;
  if (std::isgreater(m, 80.0)) return (s0 - (s1 - s2 / mm) / mm) / m;
  if (std::isgreater(m, 35.0)) return (s0 - (s1 - (s2 - s3 / mm) / mm) / mm) / m;
  return (s0 - (s1 - (s2 - (s3 - s4 / mm) / mm) / mm) / mm) / m;
}

// bd0(x, m) = x log(x / m) + m - x >= 0, for x >= 0 and m > 0. Where x is
// within 10% of m, the series
//   (x - m) v + 2 x (v^3 / 3 + v^5 / 5 + ...),   v = (x - m) / (x + m),
// whose terms fall by v^2 < 1/100 each: the two large terms of the direct
// form would cancel there.
inline double bd0(double x, double m) noexcept {
  if (x == 0) return m;
  const double d = x - m;
  const double s = x + m;
  if (std::isless(std::fabs(d), 0.1 * s)) {
    const double v = d / s;
    const double v2 = v * v;
    double sum = d * v;
    double term = 2 * x * v;
    for (int j = 1; j < 100; ++j) {
      term *= v2;
      const double next = sum + term / (2 * j + 1);
      if (next == sum) return next;
      sum = next;
    }
    return sum;
  }
  // The logarithm of the quotient where it is a normal number, else the
  // difference of the logarithms.
  const double r = x / m;
  const double lr = (std::isgreater(r, 1e-300) && std::isless(r, 1e300)) ? std::log(r)
                                                                         : std::log(x) - std::log(m);
  return x * lr + m - x;
}

// bd0(x, n p) for n, p > 0. Where n p falls below the normal range (the beta
// density at a subnormal y) the product has lost its digits or is 0; m is
// then negligible against x >= 1e-300 and x log(x / m) comes from the sum of
// the logarithms of n and p, each exact to an ulp.
inline double bd0_product(double x, double n, double p) noexcept {
  const double m = n * p;
  if (!std::isless(m, std::numeric_limits<double>::min()) || x == 0) return bd0(x, m);
  return x * (std::log(x) - std::log(n) - std::log(p)) + m - x;
}

// log[Gamma(x + y + 1) / (Gamma(x + 1) Gamma(y + 1)) p^x q^y] for real
// x, y >= 0 and p + q = 1 (both given, so that the caller's accurate one is
// used): the binomial probability of x successes in n = x + y trials.
inline double log_binomial_kernel(double x, double y, double p, double q) noexcept {
  if (p == 0) return x == 0 ? 0.0 : -kInf;
  if (q == 0) return y == 0 ? 0.0 : -kInf;
  const double n = x + y;
  if (x == 0) {
    if (y == 0) return 0.0;
    // q^n; n log q loses accuracy when q is near 1, where the deviance form
    // -bd0(n, n q) - n p is exact.
    return std::isless(p, 0.1) ? -bd0(n, n * q) - n * p : n * std::log(q);
  }
  if (y == 0) return std::isless(q, 0.1) ? -bd0(n, n * p) - n * q : n * std::log(p);
  const double lc =
      stirlerr(n) - stirlerr(x) - stirlerr(y) - bd0_product(x, n, p) - bd0_product(y, n, q);
  // log(2 pi x y / n), the Gaussian factor of the saddle point.
  const double lf = kLog2Pi + std::log(x) + std::log(y) - std::log(n);
  return lc - 0.5 * lf;
}

// log[m^x e^(-m) / Gamma(x + 1)] for real x >= 0, m > 0: the Poisson mass at
// x, and the gamma density with x the shape less one.
inline double log_poisson_kernel(double x, double m) noexcept {
  if (x == 0) return -m;
  if (std::isless(x, 1.0)) return x * std::log(m) - m - specfun::d_lngamma(x + 1);
  return -stirlerr(x) - bd0(x, m) - 0.5 * (kLog2Pi + std::log(x));
}

// log Gamma(z + 1/2) - log Gamma(z) - log(z) / 2, for the Student t density.
// With log Gamma(w) = (w - 1/2) log w - w + log sqrt(2 pi) + stirlerr(w),
// the terms of size z log z cancel in closed form:
//   log Gamma(z + 1/2) - log Gamma(z)
//     = z log1p(1 / (2 z)) - 1/2 + log(z) / 2 + stirlerr(z + 1/2) - stirlerr(z),
// which keeps its absolute accuracy for z up to the largest double (the
// difference of two log-gamma values would lose log2(z log z) bits). The
// caller combines log(z) / 2 with its own logarithms.
inline double log_gamma_half_ratio_less_half_log(double z) noexcept {
  return z * std::log1p(0.5 / z) - 0.5 + stirlerr(z + 0.5) - stirlerr(z);
}

}  // namespace varnel::stats::detail::density

#endif  // VARNEL_SRC_STATS_DENSITIES_HPP
