// Regularised incomplete gamma functions P(a, x) and Q(a, x) = 1 - P(a, x).
//
// Method: both share the prefactor x^a e^-x / Gamma(a), formed in logarithms
// as (a log x - x) - lnGamma(a) and cut to +0 when its logarithm lies below
// -D_MAXLOG, where the result has underflowed anyway.
//   P is summed as the power series
//       P = x^a e^-x / (a Gamma(a)) * (1 + x/(a+1) + x^2/((a+1)(a+2)) + ...)
//   when x <= 1 or x <= a, where its terms shrink from the start;
//   Q is evaluated as Legendre's continued fraction for Gamma(a, x) when
//   x >= 1 and x >= a, where the fraction converges fast.
// Each function returns one minus the other outside its own region. The two
// regions are disjoint, so one call delegates at most once.
// Special cases, in order: x <= 0 or a <= 0 give P = +0 and Q = 1 (also for
// a NaN in the other argument); a NaN otherwise, or x = +inf, gives NaN.
//
// Termination: the series and the fraction run until their relative change
// falls to D_MACHEP. For huge a with x near a that takes of the order of
// sqrt(a) steps, and from a = 2^53 on, where a + n stops changing, it may
// never happen. Each loop therefore stops after detail::kIterationCap steps,
// and a call that gets there returns the quiet NaN, so that a value that has
// not converged is never mistaken for a result. The series reaches the cap
// for a above about 2e14 with x close to a (and for every a >= 2^53 at
// x = a); the fraction for a between about 2^69 and 2^79 with x within a few
// units in the last place of a.
#include <cmath>
#include <cstdint>

#include "internal.hpp"
#include "varnel/varnel.hpp"

namespace varnel::cephes {
namespace {

// The continued fraction keeps its numerators below 2^52 by scaling all four
// stored convergent terms down by 2^-52 together, which leaves their ratios
// (the convergents) unchanged; the fraction's terms only grow, so no upward
// scaling is needed.
constexpr double kBig = 4503599627370496.0;          // 2^52
constexpr double kBigInverse = 2.22044604925031308e-16;  // 2^-52

// log(x^a e^-x / Gamma(a)): the logarithm first, then the product, then the
// difference. x is positive or NaN here, so the logarithm cannot set errno.
double log_prefactor(double a, double x) noexcept {
  const double u = a * std::log(x) - x;
  return u - detail::real_lngamma(a);
}

double upper_fraction(double a, double x) noexcept;

// P(a, x). The two functions call each other through these internal
// versions, bound directly rather than through the exported symbols.
double lower_series(double a, double x) noexcept {
  if (std::islessequal(x, 0.0)) return 0.0;
  if (std::islessequal(a, 0.0)) return 0.0;
  if (std::isgreater(x, 1.0) && std::isgreater(x, a)) return 1.0 - upper_fraction(a, x);

  const double log_f = log_prefactor(a, x);
  if (std::isless(log_f, -detail::kMaxLog)) return 0.0;
  const double f = detail::exp_keeping_errno(log_f);

  // Power series; term and sum start at 1.
  double r = a;
  double term = 1;
  double sum = 1;
  for (std::int64_t steps = 1;; ++steps) {
    r = r + 1;
    term = term * (x / r);
    sum = sum + term;
    if (!std::isgreater(term / sum, detail::kMachEp)) break;  // a NaN ratio also ends the loop
    if (detail::reached_cap(steps)) return detail::domain_nan();
  }
  return (f * sum) / a;
}

// Q(a, x).
double upper_fraction(double a, double x) noexcept {
  if (std::islessequal(x, 0.0)) return 1.0;
  if (std::islessequal(a, 0.0)) return 1.0;
  if (std::isless(x, 1.0)) return 1.0 - lower_series(a, x);
  if (std::isless(x, a)) return 1.0 - lower_series(a, x);

  const double log_f = log_prefactor(a, x);
  if (std::isless(log_f, -detail::kMaxLog)) return 0.0;
  const double f = detail::exp_keeping_errno(log_f);

  // Continued fraction, evaluated forwards by the three-term recurrence of
  // its numerators p and denominators q.
  double y = 1 - a;
  double z = (x + y) + 1;
  double c = 0;
  double p2 = 1;
  double p1 = x + 1;
  double q2 = x;
  double q1 = x * z;
  double estimate = p1 / q1;
  for (std::int64_t steps = 1;; ++steps) {
    c = c + 1;
    y = y + 1;
    z = z + 2;
    const double m = c * y;
    const double pk = z * p1 - m * p2;
    const double qk = z * q1 - m * q2;
    double change;
    if (qk != 0) {  // a NaN qk takes this branch and makes everything NaN
      const double r = pk / qk;
      change = std::fabs((estimate - r) / r);
      estimate = r;
    } else {
      change = 1;
    }
    p2 = p1;
    p1 = pk;
    q2 = q1;
    q1 = qk;
    if (std::isgreater(std::fabs(pk), kBig)) {
      p2 = p2 * kBigInverse;
      p1 = p1 * kBigInverse;
      q2 = q2 * kBigInverse;
      q1 = q1 * kBigInverse;
    }
    if (!std::isgreater(change, detail::kMachEp)) break;  // a NaN change also ends the loop
    if (detail::reached_cap(steps)) return detail::domain_nan();
  }
  return f * estimate;
}

}  // namespace

// The only C library call that can set errno is the exponential of the
// prefactor, which guards itself where it can overflow or underflow.
double d_igamma(double a, double x) noexcept { return lower_series(a, x); }

double d_igamc(double a, double x) noexcept { return upper_fraction(a, x); }

}  // namespace varnel::cephes
