// Regularised incomplete beta function I_x(a, b) and its three building
// blocks: the power series pseries and the continued fractions incbcf and
// incbd.
//
// Method of d_ibeta, after the domain tests (a <= 0, b <= 0, x < 0, x > 1
// and x = +inf give the quiet NaN; x = 0 gives +0 and x = 1 gives 1):
//   b x <= 1 and x <= 0.95: the power series, which converges at least as
//       fast as 0.95^n there;
//   otherwise keep x at or below the mean a/(a+b) with the symmetry
//       I_x(a, b) = 1 - I_(1-x)(b, a), taking the series of the swapped
//       problem directly where it applies;
//   below the mean pick the fraction that converges faster at the point
//       (incbcf when (a+b-2) x < a-1, else incbd in z = x/(1-x)), and
//       multiply by x^a (1-x)^b / (a B(a, b)): directly with pow and Gamma
//       where neither can overflow, otherwise in logarithms with lnGamma,
//       cut to +0 below D_MINLOG;
//   a complemented result is at most 1 - D_MACHEP, never a rounded 1.
// The fractions stop after 300 iterations (two terms each) and return their
// last estimate; their terms are rescaled by 2^52 in both directions so that
// the recurrence neither overflows nor underflows.
//
// The exported pseries checks nothing. Inside [0, 0.95] its terms shrink at
// least geometrically, but called with x >= 1 they do not (they grow to
// infinity for x > 1), so it stops after detail::kIterationCap terms and
// returns the quiet NaN there; d_ibeta's calls need at most a few thousand.
#include <cmath>
#include <cstdint>

#include "internal.hpp"
#include "varnel/varnel.hpp"

namespace varnel::cephes {
namespace {

// Below this a + b, Gamma(a + b), Gamma(a) and Gamma(b) are all finite, and
// the prefactor can be formed directly.
constexpr double kGammaFormLimit = 171.62437695630271;
constexpr double kSeriesLimit = 0.95;
constexpr int kFractionIterations = 300;
constexpr double kBig = 4503599627370496.0;              // 2^52
constexpr double kBigInverse = 2.22044604925031308e-16;  // 2^-52

// The shared recurrence of incbcf and incbd. Seven running factors replace
// the closed forms of the terms; `variable` is x for incbcf and x/(1-x) for
// incbd, and the two differ otherwise only in which of the running factors
// a + b + m and b - 1 - m enters the odd and which the even terms.
double continued_fraction(double a, double variable, double odd_factor, double odd_step,
                          double even_factor, double even_step) noexcept {
  double f1 = a;            // a + m
  double f2 = odd_factor;   // a + b + m (incbcf) or b - 1 - m (incbd)
  double f3 = a;            // a + 2m
  double f4 = a + 1;        // a + 2m + 1
  double f5 = 1;            // m + 1
  double f6 = even_factor;  // b - 1 - m (incbcf) or a + b + m (incbd)
  double f7 = a + 2;        // a + 2m + 2

  double p2 = 0;
  double p1 = 1;
  double q2 = 1;
  double q1 = 1;
  double estimate = 1;
  double ratio = 1;
  // Read from the exported constant, so formed at run time: folded to a
  // compile-time constant it leads GCC to spill one more running factor in
  // the loop, which costs about 3 % of the fraction's time.
  const double threshold = 3.0 * D_MACHEP;

  for (int iteration = 0; iteration < kFractionIterations; ++iteration) {
    // Odd term.
    double g = -(f2 * (f1 * variable)) / (f3 * f4);
    double p = p1 + g * p2;
    double q = q1 + g * q2;
    p2 = p1;
    p1 = p;
    q2 = q1;
    q1 = q;

    // Even term.
    g = ((f5 * variable) * f6) / (f4 * f7);
    p = p1 + g * p2;
    q = q1 + g * q2;
    p2 = p1;
    p1 = p;
    q2 = q1;
    q1 = q;

    if (q != 0) ratio = p / q;
    double change;
    if (ratio != 0) {
      change = std::fabs((estimate - ratio) / ratio);
      estimate = ratio;
    } else {
      change = 1;
    }
    if (std::isless(change, threshold)) return estimate;

    f1 = f1 + 1;
    f2 = f2 + odd_step;
    f3 = f3 + 2;
    f4 = f4 + 2;
    f5 = f5 + 1;
    f6 = f6 + even_step;
    f7 = f7 + 2;

    // Both tests look at this iteration's p and q before any scaling, so
    // both scalings may apply together (and cancel).
    if (std::isgreater(std::fabs(q) + std::fabs(p), kBig)) {
      p2 = p2 * kBigInverse;
      p1 = p1 * kBigInverse;
      q2 = q2 * kBigInverse;
      q1 = q1 * kBigInverse;
    }
    if (std::isless(std::fabs(q), kBigInverse) || std::isless(std::fabs(p), kBigInverse)) {
      p2 = p2 * kBig;
      p1 = p1 * kBig;
      q2 = q2 * kBig;
      q1 = q1 * kBig;
    }
  }
  return estimate;
}

double fraction_cf(double a, double b, double x) noexcept {
  return continued_fraction(a, x, a + b, 1, b - 1, -1);
}

double fraction_d(double a, double b, double x) noexcept {
  const double z = x / (1 - x);
  return continued_fraction(a, z, b - 1, -1, a + b, 1);
}

// The power series. Called directly, x may be anything: the logarithms and the
// power can then fail and set errno, and the helpers guard them on those
// arguments only.
double power_series(double a, double b, double x) noexcept {
  const double a_inverse = 1 / a;
  double u = (1 - b) * x;
  double product = u;
  double v = u / (a + 1);
  const double first = v;
  const double tolerance = a_inverse * detail::kMachEp;
  double sum = 0;
  double n = 2;
  for (std::int64_t steps = 0; std::isgreater(std::fabs(v), tolerance); ++steps) {
    if (detail::reached_cap(steps)) return detail::domain_nan();
    u = ((n - b) * x) / n;
    product = product * u;
    v = product / (a + n);
    sum = sum + v;
    n = n + 1;
  }
  sum = (sum + first) + a_inverse;

  const double log_power = a * detail::log_keeping_errno(x);
  if (std::isless(a + b, kGammaFormLimit) && std::isless(std::fabs(log_power), detail::kMaxLog)) {
    const double gamma_ab = detail::real_gamma(a + b);
    const double gamma_a = detail::real_gamma(a);
    const double gamma_b = detail::real_gamma(b);
    return ((gamma_ab / (gamma_a * gamma_b)) * sum) * detail::pow_keeping_errno(x, a, log_power);
  }
  const double lngamma_ab = detail::real_lngamma(a + b);
  const double lngamma_a = detail::real_lngamma(a);
  const double lngamma_b = detail::real_lngamma(b);
  const double log_result = (((lngamma_ab - lngamma_a) - lngamma_b) + log_power) +
                            detail::log_keeping_errno(sum);
  if (std::isless(log_result, detail::kMinLog)) return 0.0;
  return detail::exp_keeping_errno(log_result);
}

// I_x(a, b) by a continued fraction times its prefactor, for x at or below
// the mean a/s (s = a + b), with xc = 1 - x. Both x and xc lie in (0, 1), so
// their logarithms cannot fail; the power, the last logarithm and the
// exponential can, and guard errno where they might.
double below_mean(double a, double b, double x, double xc, double s) noexcept {
  const double y = (s - 2) * x - (a - 1);
  const double fraction = std::isless(y, 0.0) ? fraction_cf(a, b, x) : fraction_d(a, b, x) / xc;

  const double log_x_power = a * std::log(x);
  const double log_xc_power = b * std::log(xc);
  if (std::isless(s, kGammaFormLimit) && std::isless(std::fabs(log_x_power), detail::kMaxLog) &&
      std::isless(std::fabs(log_xc_power), detail::kMaxLog)) {
    const double xc_power = detail::pow_keeping_errno(xc, b, log_xc_power);
    const double x_power = detail::pow_keeping_errno(x, a, log_x_power);
    const double gamma_s = detail::real_gamma(s);
    const double gamma_a = detail::real_gamma(a);
    const double gamma_b = detail::real_gamma(b);
    return (gamma_s / (gamma_a * gamma_b)) * (fraction * ((xc_power * x_power) / a));
  }
  const double log_fraction = detail::log_keeping_errno(fraction / a);
  const double lngamma_s = detail::real_lngamma(s);
  const double lngamma_a = detail::real_lngamma(a);
  const double lngamma_b = detail::real_lngamma(b);
  const double log_t =
      ((((log_xc_power + lngamma_s) - lngamma_a) - lngamma_b) + log_x_power) + log_fraction;
  if (std::isless(log_t, detail::kMinLog)) return 0.0;
  return detail::exp_keeping_errno(log_t);
}

}  // namespace

// The fractions call nothing from the C library: no errno to keep.
double incbcf(double a, double b, double x) noexcept { return fraction_cf(a, b, x); }

double incbd(double a, double b, double x) noexcept { return fraction_d(a, b, x); }

double pseries(double a, double b, double x) noexcept { return power_series(a, b, x); }

double d_ibeta(double a, double b, double x) noexcept {
  // The parameters are tested first, so that a <= 0 or b <= 0 is an error
  // even at x = 0 or x = 1; a NaN parameter passes these tests.
  if (std::islessequal(a, 0.0)) return detail::domain_nan();
  if (std::islessequal(b, 0.0)) return detail::domain_nan();
  if (std::islessequal(x, 0.0)) return x == 0 ? 0.0 : detail::domain_nan();
  if (std::isgreaterequal(x, 1.0)) return x == 1 ? 1.0 : detail::domain_nan();

  if (std::islessequal(b * x, 1.0) && std::islessequal(x, kSeriesLimit)) {
    return power_series(a, b, x);
  }

  const double w = 1 - x;
  const double s = a + b;  // the same for the problem and its swap
  if (std::isless(a / s, x)) {
    // Above the mean: evaluate I_w(b, a) and complement it.
    const double t = (std::islessequal(a * w, 1.0) && std::islessequal(w, kSeriesLimit))
                         ? power_series(b, a, w)
                         : below_mean(b, a, w, x, s);
    // 1 - t would round to 1 for t <= D_MACHEP; the largest double below 1
    // keeps a complemented result distinguishable from an exact 1.
    if (std::islessequal(t, detail::kMachEp)) return 1 - detail::kMachEp;
    return 1 - t;
  }
  return below_mean(a, b, x, w, s);
}

}  // namespace varnel::cephes
