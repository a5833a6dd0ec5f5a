// Regularised incomplete beta function I_x(a, b) by one continued fraction.
//
// Method: for x above (a+1)/(a+b+1) use I_x(a, b) = 1 - I_(1-x)(b, a), so
// that the fraction is evaluated where it converges fast. Then
//   I_x(a, b) = x^a (1-x)^b / (a B(a, b)) * 1/(1 + d1/(1 + d2/(1 + ...)))
// with the partial numerators
//   d(2j+1) = -(a+j)(a+b+j) x / ((a+2j)(a+2j+1)),
//   d(2j)   = j(b-j) x / ((a+2j-1)(a+2j)),
// evaluated forwards: f is the latest convergent A_k/B_k, g = A_(k-1)/B_k
// and h = B_(k-1)/B_k, so that the recurrence needs no rescaling. It stops
// when a convergent moves the value of the fraction by less than 1e-10
// (absolute), and at once when a denominator vanishes, keeping the previous
// convergent. The prefactor is formed in logarithms with lnGamma, and is 0
// for x' <= 0 without evaluating a logarithm.
//
// Nothing is validated. Inside the domain (a, b > 0, 0 <= x <= 1) the
// convergents settle in a number of steps that grows roughly with the square
// root of a and b, and steeply as the working x' approaches 1 (possible
// without reflection only when b is tiny against a); outside the domain they
// need not settle at all (b < 0 with x > 1, for example). The fraction
// therefore stops after detail::kIterationCap steps, and a call that reaches
// the cap returns the quiet NaN instead of a value that has not converged.
// Inside the domain that happens only for x within a few units in the last
// place of 1 with b below about 1e-15 (a + 1).
#include <cmath>
#include <cstdint>

#include "internal.hpp"
#include "varnel/varnel.hpp"

namespace varnel::specfun {
namespace {

constexpr double kTolerance = 1e-10;

// Of the C library calls only log(1 - x'), which fails for x' >= 1 (outside
// the domain), and the exponential can set errno; both guard it on those
// arguments only.
double single_fraction(double a, double b, double x) noexcept {

  // Symmetry test; a NaN q or x keeps the problem as it is. For a, b > 0 the
  // threshold is below 1, but it rounds to 1 when b is tiny against a; at
  // x = 1 the test would then keep the problem, whose prefactor is exactly 0
  // (log(1 - x) is -inf), and return 0 after a fraction that converges very
  // slowly at x = 1, instead of I_1(a, b) = 1. Reflecting there gives 1 at
  // once.
  const double q = (a + 1) / ((a + b) + 1);
  const bool complement =
      std::isless(q, x) || (x == 1 && q == 1 && std::isgreater(a, 0.0) && std::isgreater(b, 0.0));
  const double ap = complement ? b : a;
  const double bp = complement ? a : b;
  const double xp = complement ? 1 - x : x;

  // Prefactor x'^a' (1 - x')^b' / (a' B(a', b')).
  double prefactor = 0;
  if (std::isgreater(xp, 0.0)) {
    const double log_x = std::log(xp);
    const double log_1mx = detail::log_keeping_errno(1 - xp);
    const double log_powers = ap * log_x + bp * log_1mx;
    const double lngamma_a = detail::real_lngamma(ap);
    const double lngamma_b = detail::real_lngamma(bp);
    const double lngamma_ab = detail::real_lngamma(ap + bp);
    const double log_beta = (lngamma_a + lngamma_b) - lngamma_ab;
    prefactor = detail::exp_keeping_errno(log_powers - log_beta) / ap;
  }

  double f = 1;
  double g = 0;
  double h = 1;
  double f_new;
  for (std::int64_t k = 1;; ++k) {
    const double s = ap + static_cast<double>(k);
    double alpha;
    if (k % 2 == 1) {
      const double j = static_cast<double>((k - 1) / 2);
      alpha = (((ap + bp) + j) * (-(ap + j)) * xp) / ((s - 1) * s);
    } else {
      const double j = static_cast<double>(k / 2);
      alpha = ((bp - j) * j * xp) / ((s - 1) * s);
    }
    const double t = alpha * h + 1;
    if (t != 0) {  // a NaN t counts as non-zero
      h = 1 / t;
      f_new = (alpha * g + f) / t;
      g = f / t;
    } else {
      f_new = f;  // ends the iteration with the previous convergent
    }
    if (!std::isgreaterequal(std::fabs(f_new - f), kTolerance)) break;  // also on NaN
    if (detail::reached_cap(k)) return detail::domain_nan();
    f = f_new;
  }

  const double v = prefactor * f_new;
  return complement ? 1 - v : v;
}

}  // namespace

// A NaN argument gives a NaN, and raises no exception: a NaN a or b makes q a
// NaN, which keeps x = 1 unreflected where a number would reflect it, and the
// prefactor then takes log(1 - x) = log(0), a pole (division by zero). Such a
// call runs under a hold on the floating-point exceptions; numbers never do.
double d_ibeta(double a, double b, double x) noexcept {
  if (__builtin_expect(std::isunordered(a, b) || std::isnan(x), 0)) {
    const detail::ExceptionHold hold;
    return single_fraction(a, b, x);
  }
  return single_fraction(a, b, x);
}

}  // namespace varnel::specfun
