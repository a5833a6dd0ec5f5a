// Inverses of the incomplete gamma and beta functions, as templates over the
// forward functions they invert, so that the tests can count the
// evaluations of one call (incomplete_inv.cpp instantiates them with the
// library's functions).
//
// Each inverse works in two stages (bracket.hpp): Newton's method on the
// logarithm of the tail that holds the answer, from a published starting
// value, then the search that makes the result a crossing of the forward
// function to the last bit. The tail whose probability is at most 1/2 is
// refined, so that its logarithm keeps its relative accuracy however far
// out the answer lies; the other tail's target, 1 - p, is exact there
// (Sterbenz), since p >= 1/2.
#ifndef VARNEL_SRC_STATS_INCOMPLETE_INV_HPP
#define VARNEL_SRC_STATS_INCOMPLETE_INV_HPP

#include <cmath>
#include <limits>

#include "internal.hpp"
#include "stats/bracket.hpp"
#include "stats/erf_start.hpp"
#include "stats/inverses.hpp"

namespace varnel::stats::detail {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
// log of the smallest subnormal and of the largest finite double: the range
// of the refinement variable log x.
constexpr double kLogTiny = -744.44007192138122;
constexpr double kLogHuge = 709.78271289338397;
// A Newton step below this (relative to the variable) leaves an error of
// about its square: far below a unit in the last place.
constexpr double kRefineTolerance = 1e-10;
// How many times the forward function's estimated wobble the window of the
// monotone search spans (bracket.hpp): the estimates are rough, the margin
// costs log2 of itself in evaluations.
constexpr double kWindowMargin = 2;

// 0 <= t <= 1, false for NaN, without a signalling comparison.
inline bool in_unit_interval(double t) noexcept {
  return std::isgreaterequal(t, 0.0) && std::islessequal(t, 1.0);
}

// The standard normal quantile of a lower-tail probability p <= 1/2, from
// the inverse error function's starting value: -sqrt(2) y, erfc(y) = 2p.
inline double normal_lower_quantile(double p) noexcept {
  return -1.4142135623730951 * erf_inv_refined(1.0 - 2.0 * p, 2.0 * p);
}

// --- incomplete gamma ---------------------------------------------------------
// The logarithm of a starting value (formed in logarithms, so that a start
// below the smallest double still guides the refinement), after DiDonato and Morris (ACM TOMS 12, 1986, 377-393) in
// their simplest forms: for a small lower tail, x^a / Gamma(a + 1) = p, the
// leading term of the series of P, which the answer exceeds; for a small
// upper tail, x^(a - 1) e^(-x) / Gamma(a) = q, the leading term of the
// asymptotic series of Q, solved by three fixed-point steps; and the
// Wilson-Hilferty cube of a normal quantile (Biometrika 1931), good over the
// body of the distribution once a is 1 or more. The larger of a one-term
// start and the Wilson-Hilferty value is taken where both apply, since the
// one-term forms fall short of the answer.
inline double igamma_start_log(double a, double lg, double target, bool upper) noexcept {
  const double z0 = normal_lower_quantile(target);
  const double z = upper ? -z0 : z0;
  double log_wh = -kInf;
  if (std::isgreaterequal(a, 1.0)) {
    const double c = 1.0 / (9.0 * a);
    const double base = 1.0 - c + z * std::sqrt(c);
    if (std::isgreater(base, 0.0)) log_wh = std::log(a) + 3 * std::log(base);
  }
  const double log_target = std::log(target);
  if (!upper) return std::fmax((log_target + lg + std::log(a)) / a, log_wh);
  double x = std::fmax(a, 1.0);
  for (int i = 0; i < 3; ++i) x = std::fmax(1.0, -log_target - lg + (a - 1) * std::log(x));
  return std::fmax(std::log(x), log_wh);
}

// log(v / target) for the Newton steps: the quotient first, whose logarithm
// is exact to a unit in the last place of 1 when v is near the target (the
// difference log v - log target would lose |log target| units there, and
// stall the refinement some hundred units short in the far tails); the
// difference where the quotient would leave the normal range.
inline double log_ratio(double v, double target) noexcept {
  const double r = v / target;
  if (std::isgreater(r, 1e-300) && std::isless(r, 1e300)) return std::log(r);
  return std::log(v) - std::log(target);
}

// x with P(a, x) = p (upper false) or Q(a, x) = q (upper true), exactly as
// stated in <varnel/stats.h>. F has P(a, x), Q(a, x) and lngamma(a).
template <typename F>
double igamma_inverse(const F& f, double a, double target, bool upper) noexcept {
  if (!std::isgreater(a, 0.0) || a == kInf || !in_unit_interval(target)) return kNaN;
  if (target == 0) return upper ? kInf : 0.0;
  if (target == 1) return upper ? 0.0 : kInf;
  const varnel::detail::ErrnoGuard guard;
  // The tail refined: lower with probability pl, or upper with pu.
  const bool refine_upper = upper ? std::islessequal(target, 0.5) : std::isgreater(target, 0.5);
  const double tail = (upper == refine_upper) ? target : 1.0 - target;
  const double lg = f.lngamma(a);
  const double t0 = igamma_start_log(a, lg, tail, refine_upper);
  // g(t) = +-(log tail(e^t) - log target), increasing in t = log x; its
  // derivative is x times the density over the tail.
  double slope_at_end = kNaN;
  auto slope = [&](double t) {
    const double x = std::exp(t);
    const double v = refine_upper ? f.Q(a, x) : f.P(a, x);
    const double g = refine_upper ? -log_ratio(v, tail) : log_ratio(v, tail);
    const double dg = std::exp(a * t - x - lg - std::log(v));
    slope_at_end = dg;
    return Slope{g, dg};
  };
  const double t = refine(slope, t0, kLogTiny, kLogHuge, kRefineTolerance);
  const double start = std::exp(t);
  // The wobble of the forward function, in units of x: its relative error
  // grows with the terms of the prefactor's exponent, a log x - x - log
  // Gamma(a), each rounded to a unit of its own size; divided by the slope
  // of the log tail in log x. The complement 1 - Q adds a unit of 1.
  double eta = std::fabs(a * t) + start + std::fabs(lg) + 16;
  if (upper != refine_upper) eta += 2 / tail;
  const double window = kWindowMargin * eta / std::fabs(slope_at_end);
  if (upper) {
    auto reach = [&](double x) {
      const double v = f.Q(a, x);
      return std::isnan(v) ? Reach::fail : std::islessequal(v, target) ? Reach::yes : Reach::no;
    };
    return find_crossing_monotone<double>(reach, start, 0.0, kInf, window);
  }
  auto reach = [&](double x) {
    const double v = f.P(a, x);
    return std::isnan(v) ? Reach::fail : std::isgreaterequal(v, target) ? Reach::yes : Reach::no;
  };
  return find_crossing_monotone<double>(reach, start, 0.0, kInf, window);
}

// --- incomplete beta ----------------------------------------------------------
// Starting values: for a small lower tail, x^a / (a B(a, b)) = p, the
// leading term of the power series of I_x(a, b), which the answer exceeds
// when b >= 1; a small upper tail is the same problem with a and b swapped
// at 1 - x. Over the body, once a and b are both 1 or more, the normal
// approximation with the distribution's mean and variance. The refinement
// runs in the logit t = log(x / (1 - x)), which spreads both ends of (0, 1)
// out to infinity as log x does for the gamma inverse.
inline double ibeta_lower_start_log(double a, double b, double log_beta, double p) noexcept {
  const double log_xs = (std::log(p) + std::log(a) + log_beta) / a;
  if (std::isgreaterequal(a, 1.0) && std::isgreaterequal(b, 1.0)) {
    const double n = a + b;
    const double mean = a / n;
    const double sd = std::sqrt(a * b / (n * n * (n + 1)));
    const double xn = mean + normal_lower_quantile(p) * sd;
    if (std::isgreater(xn, 0.0) && std::isless(xn, 1.0)) {
      return std::fmax(std::fmin(log_xs, 0.0), std::log(xn));
    }
  }
  return std::fmin(log_xs, -0.6931471805599453);
}

// x = 1 / (1 + e^-t), 1 - x and their logarithms, from e^-|t| so that
// nothing overflows and x reaches down to the smallest subnormal.
struct Logit {
  double x, one_minus_x, log_x, log_1mx;
  explicit Logit(double t) noexcept {
    const double e = std::exp(-std::fabs(t));
    const double l = std::log1p(e);
    if (std::isless(t, 0.0)) {
      x = e / (1.0 + e);
      one_minus_x = 1.0 / (1.0 + e);
      log_x = t - l;
      log_1mx = -l;
    } else {
      x = 1.0 / (1.0 + e);
      one_minus_x = e / (1.0 + e);
      log_x = -l;
      log_1mx = -t - l;
    }
  }
};

// The refined lower-tail solution w of I_w(a, b) = p (p <= 1/2), from the
// forward function lower(w) = I_w(a, b), as a start for the search. Also
// returns, through one_minus, 1 - w formed from the logit without
// cancellation, for the callers that refine a swapped problem.
template <typename Lower>
double ibeta_refine_lower(const Lower& lower, double a, double b, double log_beta, double p,
                          double* one_minus, double* slope_at_end) noexcept {
  const double log_w0 = ibeta_lower_start_log(a, b, log_beta, p);
  // x = 1 / (1 + e^-t), 1 - x = 1 / (1 + e^t); the derivative of log I in
  // t is x (1 - x) times the density over I.
  auto slope = [&](double t) {
    const Logit u(t);
    const double x = u.x;
    const double log_x = u.log_x;
    const double log_1mx = u.log_1mx;
    const double v = lower(x);
    const double dg = std::exp(a * log_x + b * log_1mx - log_beta - std::log(v));
    *slope_at_end = dg;
    return Slope{log_ratio(v, p), dg};
  };
  // The logit of w0, from its logarithm (w0 may be below the smallest
  // double).
  const double t0 = log_w0 - std::log1p(-std::exp(log_w0));
  const double t = refine(slope, t0, kLogTiny, -kLogTiny, kRefineTolerance);
  const Logit u(t);
  *one_minus = u.one_minus_x;
  return u.x;
}

// x with I_x(a, b) = p (upper false) or with J(x) = I_(1-x)(b, a) = q (upper
// true), exactly as stated in <varnel/stats.h>. F has ibeta(a, b, x) and
// lngamma(a).
template <typename F>
double ibeta_inverse(const F& f, double a, double b, double target, bool upper) noexcept {
  if (!std::isgreater(a, 0.0) || !std::isgreater(b, 0.0) || a == kInf || b == kInf ||
      !in_unit_interval(target)) {
    return kNaN;
  }
  if (target == 0) return upper ? 1.0 : 0.0;
  if (target == 1) return upper ? 0.0 : 1.0;
  const varnel::detail::ErrnoGuard guard;
  const double log_beta = f.lngamma(a) + f.lngamma(b) - f.lngamma(a + b);
  const bool refine_upper = upper ? std::islessequal(target, 0.5) : std::isgreater(target, 0.5);
  const double tail = (upper == refine_upper) ? target : 1.0 - target;
  double start;
  double one_minus;
  double slope = kNaN;
  if (refine_upper) {
    // The upper tail of x is the lower tail of w = 1 - x with a and b
    // swapped.
    auto lower = [&](double w) { return f.ibeta(b, a, w); };
    one_minus = ibeta_refine_lower(lower, b, a, log_beta, tail, &start, &slope);
  } else {
    auto lower = [&](double x) { return f.ibeta(a, b, x); };
    start = ibeta_refine_lower(lower, a, b, log_beta, tail, &one_minus, &slope);
  }
  // The wobble of the forward function, in units of x (as for the gamma
  // inverse): the terms of the prefactor's exponent a log x + b log(1 - x)
  // - log B(a, b), over the slope of the log tail in the logit, turned into
  // x by dx = x (1 - x) dt and into units by x's spacing.
  double eta = std::fabs(a * std::log(start)) + std::fabs(b * std::log(one_minus)) +
               std::fabs(log_beta) + 16;
  if (upper != refine_upper) eta += 2 / tail;
  const double spacing = std::nextafter(start, 2.0) - start;
  const double window =
      kWindowMargin * eta * 0x1p-53 * start * one_minus / (std::fabs(slope) * spacing);
  if (upper) {
    auto reach = [&](double x) {
      const double v = f.ibeta(b, a, 1.0 - x);
      return std::isnan(v) ? Reach::fail : std::islessequal(v, target) ? Reach::yes : Reach::no;
    };
    return find_crossing_monotone<double>(reach, start, 0.0, 1.0, window);
  }
  auto reach = [&](double x) {
    const double v = f.ibeta(a, b, x);
    return std::isnan(v) ? Reach::fail : std::isgreaterequal(v, target) ? Reach::yes : Reach::no;
  };
  return find_crossing_monotone<double>(reach, start, 0.0, 1.0, window);
}

}  // namespace varnel::stats::detail

#endif  // VARNEL_SRC_STATS_INCOMPLETE_INV_HPP
