// Nine distributions on libvarnel's forward functions: for each, the
// density (mass), its logarithm, the cdf and the survival function, each
// computed on the side where it does not cancel, and the quantile and
// inverse survival function as exact crossings of this file's own cdf and
// sf (see docs/distributions.md for the formulas and the edges).
//
// Continuous families: quantile(p) is the double x with cdf(x) >= p >
// cdf(prev(x)), isf(q) the one with sf(x) <= q < sf(prev(x)); a starting
// value from the inverses of inverses.hpp, then find_crossing against the
// family's own function. Discrete families: quantile(p) is the integer k
// with cdf(k) >= p > cdf(k - 1) (the smallest k with cdf(k) >= p wherever
// the cdf increases), isf(q) the k with sf(k) <= q < sf(k - 1); a starting
// value from the Cornish-Fisher expansion, then a galloping search over the
// integers, so that the number of evaluations grows with the logarithm of
// the distance from the start, never with n or lambda.
#include "stats/distributions.hpp"

#include <cmath>
#include <cstdint>
#include <limits>

#include "internal.hpp"
#include "stats/bracket.hpp"
#include "stats/densities.hpp"
#include "stats/incomplete_inv.hpp"
#include "stats/inverses.hpp"
#include "varnel/varnel.hpp"

namespace varnel::stats::detail {
namespace {

using density::bd0;
using density::kLogSqrt2Pi;
using density::log_binomial_kernel;
using density::log_poisson_kernel;
using varnel::detail::ErrnoGuard;

constexpr double kSqrtHalf = 0.70710678118654752440;
constexpr double kSqrt2 = 1.4142135623730950488;
constexpr double kInvSqrt2Pi = 0.39894228040143267794;
constexpr double kTwo53 = 9007199254740992.0;  // 2^53: the integers below are exact
constexpr double kSmallestNormal = 2.2250738585072014e-308;

// The forward functions, held to [0, 1]: for subnormal parameters they can
// stray a few units of 1e-45 below 0, which a probability must not. NaN
// (their caps) passes through.
double clamp01(double v) noexcept {
  if (std::isless(v, 0.0)) return 0.0;
  if (std::isgreater(v, 1.0)) return 1.0;
  return v;
}
// The far tails of the incomplete gamma function below the smallest normal
// double. cephes' P and Q stop there once their factor e^(-x) underflows
// (Q(0.1, 705) is 1.9e-310, Q(0.1, 708.5) already 0 where the value is near
// 1e-311); only there are they replaced (above it this form, whose
// exponent of some 700 is rounded, would be the less accurate one). The
// tails are carried on into the subnormals from
// the factor x^a e^(-x) / Gamma(a + 1) = e^(log_poisson_kernel(a, x)), which
// is formed in logarithms without cancellation, times
//   P: the series sum_n x^n / ((a + 1) ... (a + n)), for x < a, whose terms
//      fall by x / (a + n);
//   Q: a times Legendre's continued fraction 1 / (x + 1 - a - 1 (1 - a) /
//      (x + 3 - a - 2 (2 - a) / (x + 5 - a - ...))), for x > a + 1, by
//      Lentz's method.
// Each gives up (NaN) after 2000 steps, where cephes' value is kept.
double small_tail(double a, double x, bool upper) noexcept {
  const double factor = std::exp(log_poisson_kernel(a, x));
  if (!upper) {
    if (!std::isless(x, a)) return kNaN;
    double term = 1.0;
    double sum = 1.0;
    for (int n = 1; n < 2000; ++n) {
      term *= x / (a + n);
      sum += term;
      if (std::isless(term, 1e-17 * sum)) return factor * sum;
    }
    return kNaN;
  }
  if (!std::isgreater(x, a + 1)) return kNaN;
  constexpr double kFloor = 1e-300;
  double b = x + 1 - a;
  double c = 1 / kFloor;
  double d = 1 / b;
  double h = d;
  for (int i = 1; i < 2000; ++i) {
    const double an = -i * (i - a);
    b += 2;
    d = an * d + b;
    if (std::isless(std::fabs(d), kFloor)) d = kFloor;
    c = b + an / c;
    if (std::isless(std::fabs(c), kFloor)) c = kFloor;
    d = 1 / d;
    const double del = d * c;
    h *= del;
    if (std::isless(std::fabs(del - 1), 1e-16)) return a * factor * h;
  }
  return kNaN;
}
double with_small_tail(double v, double a, double x, bool upper) noexcept {
  if (!std::isless(v, kSmallestNormal)) return v;
  const double t = small_tail(a, x, upper);
  return std::isnan(t) ? v : clamp01(t);
}
double P(double a, double x) noexcept { return with_small_tail(clamp01(cephes::d_igamma(a, x)), a, x, false); }
double Q(double a, double x) noexcept { return with_small_tail(clamp01(cephes::d_igamc(a, x)), a, x, true); }
// The same for the incomplete beta function: cephes' I_x(a, b) gives 0 once
// x^a (1 - x)^b underflows. Below the smallest normal double it is
// recomputed as
//   x^a (1 - x)^b / (a B(a, b)) sum_n (a + b)_n / (a + 1)_n x^n,
// the factor from Loader's kernel (times b / (a + b)) with w = 1 - x as the
// caller has it, the series where its terms fall (by (a + b + n) x /
// (a + 1 + n), below 0.9 from the start) and for at most 2000 terms.
double small_beta_tail(double a, double b, double x, double w) noexcept {
  if (!std::isless((a + b) * x, 0.9 * (a + 1))) return kNaN;
  const double factor = std::exp(log_binomial_kernel(a, b, x, w)) * (b / (a + b));
  double term = 1.0;
  double sum = 1.0;
  for (int n = 0; n < 2000; ++n) {
    term *= (a + b + n) * x / (a + 1 + n);
    sum += term;
    if (std::isless(term, 1e-17 * sum)) return factor * sum;
  }
  return kNaN;
}
// I_x(a, b), with w = 1 - x formed by the caller without cancellation.
double I(double a, double b, double x, double w) noexcept {
  const double v = clamp01(cephes::d_ibeta(a, b, x));
  if (!std::isless(v, kSmallestNormal)) return v;
  const double t = small_beta_tail(a, b, x, w);
  return std::isnan(t) ? v : clamp01(t);
}
constexpr double kLn2 = 0.69314718055994530942;  // log 2

// log of y^(a-1) w^(b-1) / B(a, b) for y in (0, 1), w = 1 - y, given both.
double log_beta_density(double a, double b, double y, double w) noexcept {
  return log_binomial_kernel(a, b, y, w) + std::log(a) + std::log(b) - std::log(a + b) -
         std::log(y) - std::log(w);
}
// I_y(a, b) where y and w = 1 - y are both known to full relative accuracy
// (each formed directly, neither as 1 minus the other). cephes' I_y takes y
// alone and forms 1 - y itself. Up to y = 1/2 that costs nothing. Beyond, y
// carries an absolute error up to 2^-54 (and rounds to 1 where w < 2^-54),
// which moves I_y by the density times that; the other route, 1 - I_w(b, a)
// from the exact w, carries the subtraction's absolute 2^-53 instead. So:
// 1 - I_w(b, a) wherever that complement is at most 1/2 (nothing then
// cancels), and otherwise wherever the density at y exceeds 2 or y is 1.
double I_split(double a, double b, double y, double w) noexcept {
  if (!std::isgreater(y, 0.5)) return I(a, b, y, w);
  const double complement = I(b, a, w, y);
  if (std::islessequal(complement, 0.5) || y == 1 ||
      std::isgreater(log_beta_density(a, b, y, w), kLn2)) {
    return 1.0 - complement;
  }
  return I(a, b, y, w);
}
double lngamma(double x) noexcept { return specfun::d_lngamma(x); }

bool positive_finite(double v) noexcept { return std::isgreater(v, 0.0) && v != kInf; }
// A target of a quantile in [0, 1] (false for NaN).
bool probability(double p) noexcept { return in_unit_interval(p); }

// A density from its logarithm (0 where the logarithm is -infinity).
double exp_or_zero(double log_density) noexcept { return std::exp(log_density); }

// The predicates of the searches: the cdf reaches p where it is >= p, the
// sf reaches q where it is <= q; NaN from the forward function ends the
// search with NaN.
template <typename Cdf>
auto cdf_reaches(const Cdf& cdf, double p) noexcept {
  return [&cdf, p](double x) {
    const double v = cdf(x);
    return std::isnan(v) ? Reach::fail : std::isgreaterequal(v, p) ? Reach::yes : Reach::no;
  };
}
template <typename Sf>
auto sf_reaches(const Sf& sf, double q) noexcept {
  return [&sf, q](double x) {
    const double v = sf(x);
    return std::isnan(v) ? Reach::fail : std::islessequal(v, q) ? Reach::yes : Reach::no;
  };
}

// The standard normal quantile of any p in (0, 1), accurate in both tails
// (1 - p is exact for p >= 1/2).
double normal_quantile(double p) noexcept {
  return std::islessequal(p, 0.5) ? normal_lower_quantile(p) : -normal_lower_quantile(1.0 - p);
}

// ---------------------------------------------------------------------------
// Integer search: the k in (lo, hi] with reach(k) yes and reach(k - 1) no,
// near start. lo is taken not to reach and hi to reach (the ends of the
// support, where the cdf is 0 and 1), and neither is evaluated. Steps of 1,
// 2, 4, ... from the start until the predicate changes, then halving: about
// 2 log2 of the distance from the start, at most about 2 x 54 evaluations
// over a support of 2^53 integers. NaN if an evaluation fails.
template <typename ReachFn>
double integer_crossing(const ReachFn& reach, double start, std::int64_t lo, std::int64_t hi) noexcept {
  std::int64_t k = hi;
  if (hi - lo > 1) {
    if (std::isnan(start) || !std::isgreater(start, static_cast<double>(lo))) {
      k = lo + 1;
    } else if (!std::isless(start, static_cast<double>(hi))) {
      k = hi - 1;
    } else {
      k = static_cast<std::int64_t>(std::floor(start));
      if (k <= lo) k = lo + 1;
    }
  }
  auto at = [&](std::int64_t j) { return reach(static_cast<double>(j)); };
  if (k != hi) {
    const Reach r = at(k);
    if (r == Reach::fail) return kNaN;
    std::int64_t step = 1;
    if (r == Reach::yes) {
      hi = k;
      while (step < hi - lo) {
        const std::int64_t j = hi - step;
        const Reach rj = at(j);
        if (rj == Reach::fail) return kNaN;
        if (rj == Reach::no) {
          lo = j;
          break;
        }
        hi = j;
        step *= 2;
      }
    } else {
      lo = k;
      while (step < hi - lo) {
        const std::int64_t j = lo + step;
        const Reach rj = at(j);
        if (rj == Reach::fail) return kNaN;
        if (rj == Reach::yes) {
          hi = j;
          break;
        }
        lo = j;
        step *= 2;
      }
    }
  }
  while (hi - lo > 1) {
    const std::int64_t mid = lo + (hi - lo) / 2;
    const Reach r = at(mid);
    if (r == Reach::fail) return kNaN;
    if (r == Reach::yes) {
      hi = mid;
    } else {
      lo = mid;
    }
  }
  return static_cast<double>(hi);
}

// A discrete family's support and moments, for the edges and the start.
struct Discrete {
  double lo, hi;               // the support's ends (hi may be +infinity)
  double mean, sd, skewness;   // for the Cornish-Fisher start
};

// The Cornish-Fisher start mean + sd (z + skewness (z^2 - 1) / 6), z the
// normal quantile of the target taken as a lower-tail probability, or as an
// upper-tail one (z of 1 - q, formed as -z of q) for the isf.
double cornish_fisher(const Discrete& d, double target, bool upper) noexcept {
  const double z = upper ? -normal_quantile(target) : normal_quantile(target);
  return std::floor(d.mean + d.sd * (z + d.skewness * (z * z - 1) / 6));
}

// quantile (upper false) or isf (upper true) of a discrete family, from its
// cdf or sf: the ends of the support at targets 0 and 1, else the integer
// search over the support (bounded above by 2^53 where it is unbounded: if
// the function has not reached the target there, the answer is beyond the
// exact integers and is given as +infinity).
template <typename Fn>
double discrete_inverse(const Fn& fn, const Discrete& d, double target, bool upper) noexcept {
  if (target == 0) return upper ? d.hi : d.lo;
  if (target == 1) return upper ? d.lo : d.hi;
  if (d.lo == d.hi) return d.lo;
  const ErrnoGuard guard;
  const double start = cornish_fisher(d, target, upper);
  const bool bounded = d.hi != kInf;
  const auto hi = static_cast<std::int64_t>(bounded ? d.hi : kTwo53);
  const auto lo = static_cast<std::int64_t>(d.lo) - 1;
  double k;
  if (upper) {
    k = integer_crossing(sf_reaches(fn, target), start, lo, hi);
  } else {
    k = integer_crossing(cdf_reaches(fn, target), start, lo, hi);
  }
  if (!bounded && k == kTwo53) {
    const double v = fn(k);
    if (std::isnan(v)) return kNaN;
    const bool reached = upper ? std::islessequal(v, target) : std::isgreaterequal(v, target);
    if (!reached) return kInf;
  }
  return k;
}

// Whether x is a point of a discrete family's lattice, an integer (the mass
// is 0 elsewhere; the cdf and sf take floor(x)).
bool is_integer(double x) noexcept { return std::isfinite(x) && std::floor(x) == x; }

// ---------------------------------------------------------------------------
// Normal(mu, sigma): z = (x - mu) / sigma, cdf = erfc(-z / sqrt 2) / 2 and
// sf = erfc(z / sqrt 2) / 2, each of which keeps its relative accuracy in
// its own tail down to the smallest subnormal probabilities.
bool norm_valid(double mu, double sigma) noexcept { return std::isfinite(mu) && positive_finite(sigma); }

// erfc(w) / 2. d_calerf's erfc stops at the smallest normal double (it is 0
// from w = 26.55 on); beyond w = 26 the scaled function erfcx(w) =
// e^(w^2) erfc(w) carries on into the subnormals, with e^(-w^2) formed as
// e^(-h^2) e^(-(w - h)(w + h)) for h = w rounded down to a sixteenth, whose
// square is exact: the rounding of w^2 itself would cost |w^2| units, some
// 700, in the exponent. The subnormal factor comes last, so that the result
// is rounded into the subnormals once.
double half_erfc(double w) noexcept {
  if (!std::isgreater(w, 26.0)) return 0.5 * specfun::d_calerf(w, 1);
  if (std::isgreater(w, 40.0)) return 0.0;  // below half the smallest subnormal from 27.3 on
  const double h = std::floor(w * 16) / 16;
  const double del = (w - h) * (w + h);
  return (0.5 * specfun::d_calerf(w, 2) * std::exp(-del)) * std::exp(-h * h);
}
// P(a, x) (upper false) or Q(a, x) (upper true) for a >= kLargeShape, by
// Temme's uniform asymptotic expansion (N. M. Temme, SIAM J. Math. Anal. 10,
// 1979, 757-766):
//
//   Q(a, x) = erfc(eta sqrt(a/2)) / 2 + R,   P(a, x) = erfc(-eta sqrt(a/2)) / 2 - R,
//   R = e^(-a eta^2 / 2) / sqrt(2 pi a) (C0(eta) + C1(eta) / a + ...),
//
// with eta^2 / 2 = mu - log(1 + mu), mu = x / a - 1, eta of the sign of mu.
// The forward functions of libvarnel slow down beyond a = 1e10 and give NaN
// near the answer from about 3e13 on; this form costs the same at any a.
// The omitted term C2 / a^2 is below 4e-18 of the result for a >= 5e8.
// Only |mu| < 0.01 matters: beyond it a eta^2 / 2 exceeds 2.5e4 and the
// smaller tail is far below the smallest double. There C0 and C1 are
// their Taylor polynomials in eta (C0 = -1/3 + eta/12 - 2 eta^2/135 + ...,
// C1 = -1/540 - eta/288 + eta^2/378 - ...; coefficients from the closed
// forms C0 = 1/mu - 1/eta, C1 = 1/eta^3 - 1/mu^3 - 1/mu^2 - 1/(12 mu),
// evaluated at 80 digits), which avoid the cancellation of the closed
// forms near eta = 0; the first omitted term is below 1e-22.
constexpr double kLargeShape = 1e9;
double igamma_large(double a, double x, bool upper) noexcept {
  const double mu = (x - a) / a;
  if (!std::isless(std::fabs(mu), 0.01)) {
    if (std::isnan(mu)) return kNaN;
    const bool beyond = std::isgreater(mu, 0.0);  // x far above a: Q = 0, P = 1
    return (beyond != upper) ? 1.0 : 0.0;
  }
  // mu - log1p(mu) = mu^2/2 - mu^3/3 + ..., to mu^14 (|mu|^15 / 15 < 1e-31).
  double s = 0.0;
  double power = mu;
  for (int k = 2; k <= 14; ++k) {
    power *= mu;
    s += ((k % 2 == 0) ? power : -power) / k;
  }
  const double eta = std::copysign(std::sqrt(2 * s), mu);
  constexpr double c0[] = {-1.0 / 3,  1.0 / 12,  -2.0 / 135, 1.0 / 864,
                           1.0 / 2835, -139.0 / 777600, 1.0 / 25515, -2.1854485106804829527e-6};
  constexpr double c1[] = {-1.0 / 540, -1.0 / 288, 1.0 / 378, -9.9022633744855967078e-4,
                           2.0576131687242798341e-4, -4.0187757201646090517e-7};
  double p0 = 0.0;
  for (int i = 7; i >= 0; --i) p0 = p0 * eta + c0[i];
  double p1 = 0.0;
  for (int i = 5; i >= 0; --i) p1 = p1 * eta + c1[i];
  const double y = eta * std::sqrt(0.5 * a);
  const double r = std::exp(-y * y) * (kInvSqrt2Pi / std::sqrt(a)) * (p0 + p1 / a);
  const double v = upper ? half_erfc(y) + r : half_erfc(-y) - r;
  return clamp01(v);
}

// x y = hi + lo exactly (Dekker's product by Veltkamp's splitting; the
// build contracts nothing, and a fused multiply-add is not assumed), for
// |x y| well inside the range.
void two_product(double x, double y, double* hi, double* lo) noexcept {
  constexpr double kSplit = 134217729.0;  // 2^27 + 1
  const double cx = kSplit * x;
  const double xh = cx - (cx - x);
  const double xl = x - xh;
  const double cy = kSplit * y;
  const double yh = cy - (cy - y);
  const double yl = y - yh;
  *hi = x * y;
  *lo = ((xh * yh - *hi) + xh * yl + xl * yh) + xl * yl;
}

// I_x(a, b) (upper false) or 1 - I_x(a, b) (upper true) for a, b >= kLargeBeta,
// with x given as d = x - a / (a + b), formed exactly by the caller (the
// rounding of x itself would move the erfc argument below by sqrt(r) units).
// The uniform expansion in r = a + b about p = a / r (after Temme's
// treatment of the incomplete gamma function above, derived here by the
// same integration by parts): with q = 1 - p, sigma = sqrt(p q),
// u = d / sigma and eta defined by
//
//   -eta^2 / 2 = p log(x / p) + q log((1 - x) / q) = -u^2 / 2 + sum_k f_k u^k,
//   f_k = ((-1)^(k+1) p (sigma/p)^k - q (sigma/q)^k) / k,   eta = u sqrt(1 - 2 w),
//
// w = sum_(k>=3) f_k u^(k-2), the density of I in eta is
// sqrt(r / (2 pi)) e^D e^(-r eta^2 / 2) eta / u, D = stirlerr(r) - stirlerr(a)
// - stirlerr(b) (Stirling's series for 1 / B(a, b) p^a q^b), and
//
//   I = erfc(-eta sqrt(r/2)) / 2 - e^D e^(-r eta^2/2) / sqrt(2 pi r) (h1 + h2 / r + h3 / r^2),
//
// h1 = 1/u - 1/eta, h(j+1) = (h(j)'(eta) - h(j)'(0)) / eta (the factor of
// erfc is 1 to all orders, since I tends to 1). h1 is formed from w without
// cancellation; h2 and h3 from the Taylor coefficients c_k of h1 in eta,
// polynomials in the f_k found by series reversion. The expansion's
// variable is 1 / min(a, b): from 2e6 on the omitted terms are below 1e-18
// of the result (measured against the integral at 40 digits: 4e-16 at
// min(a, b) = 1e5 already, 3e-11 at 6e3). Only |x - p| < 0.05 min(p, q)
// is evaluated: there the f_k series converge to 1e-19, and beyond it
// r eta^2 / 2 exceeds 2500, the smaller tail is far below the doubles.
constexpr double kLargeBeta = 2e6;
double ibeta_large(double a, double b, double d, bool upper) noexcept {
  const double r = a + b;
  const double p = a / r;
  const double q = b / r;
  if (!std::isless(std::fabs(d), 0.05 * std::fmin(p, q))) {
    if (std::isnan(d)) return kNaN;
    const bool above = std::isgreater(d, 0.0);  // x far above the mean: I = 1
    return (above != upper) ? 1.0 : 0.0;
  }
  const double sigma = std::sqrt(a * b) / r;
  const double u = d / sigma;
  const double alpha = sigma / p;
  const double beta = sigma / q;
  constexpr int kTerms = 16;  // f_3 .. f_16: (|alpha u| < 0.013)^14 < 1e-26
  double f[kTerms + 1] = {};
  double pa = alpha * alpha;
  double pb = beta * beta;
  for (int k = 3; k <= kTerms; ++k) {
    pa *= alpha;
    pb *= beta;
    f[k] = ((k % 2 == 1 ? p * pa : -p * pa) - q * pb) / k;
  }
  double w1 = 0.0;  // w / u
  for (int k = kTerms; k >= 3; --k) w1 = w1 * u + f[k];
  const double w = u * w1;
  const double sq = std::sqrt(1.0 - 2.0 * w);
  const double eta = u * sq;
  const double h1 = -2.0 * w1 / ((1.0 + sq) * sq);
  const double f3 = f[3], f4 = f[4], f5 = f[5], f6 = f[6], f7 = f[7], f8 = f[8], f9 = f[9];
  const double f32 = f3 * f3, f33 = f32 * f3, f34 = f33 * f3, f35 = f34 * f3;
  const double c2 = -4 * f33 - 4 * f3 * f4 - f5;
  const double c3 = -105.0 / 8 * f34 - 35.0 / 2 * f32 * f4 - 5 * f3 * f5 - 5.0 / 2 * f4 * f4 - f6;
  const double c4 = -48 * f35 - 80 * f33 * f4 - 24 * f32 * f5 - 24 * f3 * f4 * f4 - 6 * f3 * f6 -
                    6 * f4 * f5 - f7;
  const double c5 = -3003.0 / 16 * f35 * f3 - 3003.0 / 8 * f34 * f4 - 231.0 / 2 * f33 * f5 -
                    693.0 / 4 * f32 * f4 * f4 - 63.0 / 2 * f32 * f6 - 63 * f3 * f4 * f5 - 7 * f3 * f7 -
                    21.0 / 2 * f4 * f4 * f4 - 7 * f4 * f6 - 7.0 / 2 * f5 * f5 - f8;
  const double c6 = -768 * f35 * f32 - 1792 * f35 * f4 - 560 * f34 * f5 - 1120 * f33 * f4 * f4 -
                    160 * f33 * f6 - 480 * f32 * f4 * f5 - 40 * f32 * f7 - 160 * f3 * f4 * f4 * f4 -
                    80 * f3 * f4 * f6 - 40 * f3 * f5 * f5 - 8 * f3 * f8 - 40 * f4 * f4 * f5 - 8 * f4 * f7 -
                    8 * f5 * f6 - f9;
  const double h2 = 2 * c2 + eta * (3 * c3 + eta * (4 * c4 + eta * (5 * c5 + eta * 6 * c6)));
  const double h3 = 8 * c4 + eta * (15 * c5 + eta * 24 * c6);
  const double dd = density::stirlerr(r) - density::stirlerr(a) - density::stirlerr(b);
  const double y = eta * std::sqrt(0.5 * r);
  const double rest = std::exp(dd - y * y) * (kInvSqrt2Pi / std::sqrt(r)) * (h1 + (h2 + h3 / r) / r);
  return clamp01(upper ? half_erfc(y) + rest : half_erfc(-y) - rest);
}

// d = x - a / (a + b) for the expansion, with x r formed exactly.
double offset_from_mean(double x, double a, double r) noexcept {
  double hi, lo;
  two_product(x, r, &hi, &lo);
  return ((hi - a) + lo) / r;
}

// A NaN x gives the quiet NaN itself: carried through -z it would keep a
// sign bit that one processor sets and another does not.
double norm_cdf_valid(double x, double mu, double sigma) noexcept {
  if (std::isnan(x)) return kNaN;
  const double z = (x - mu) / sigma;
  return half_erfc(-z * kSqrtHalf);
}
double norm_sf_valid(double x, double mu, double sigma) noexcept {
  if (std::isnan(x)) return kNaN;
  const double z = (x - mu) / sigma;
  return half_erfc(z * kSqrtHalf);
}
double norm_logpdf_valid(double x, double mu, double sigma) noexcept {
  if (std::isnan(x)) return kNaN;
  const double z = (x - mu) / sigma;
  return -0.5 * z * z - std::log(sigma) - kLogSqrt2Pi;
}
double norm_quantile_valid(double p, double mu, double sigma) noexcept {
  if (p == 0) return -kInf;
  if (p == 1) return kInf;
  const ErrnoGuard guard;
  // erfc(y) = 2 p at y = -z / sqrt 2; 2 p is exact.
  const double start = mu + sigma * (-kSqrt2 * erfc_inv(2 * p));
  auto cdf = [mu, sigma](double x) { return norm_cdf_valid(x, mu, sigma); };
  return find_crossing<double>(cdf_reaches(cdf, p), start, -kInf, kInf);
}
double norm_isf_valid(double q, double mu, double sigma) noexcept {
  if (q == 0) return kInf;
  if (q == 1) return -kInf;
  const ErrnoGuard guard;
  const double start = mu + sigma * (kSqrt2 * erfc_inv(2 * q));
  auto sf = [mu, sigma](double x) { return norm_sf_valid(x, mu, sigma); };
  return find_crossing<double>(sf_reaches(sf, q), start, -kInf, kInf);
}

// ---------------------------------------------------------------------------
// Gamma(shape k, scale theta): y = x / theta, cdf = P(k, y), sf = Q(k, y)
// (from k = 1e9 on by the uniform expansion above); the density is the
// Poisson kernel of k - 1 at y over theta. The quantile starts from the
// inverse of P or Q, or for large k from the Wilson-Hilferty cube
// k (1 - 1/(9k) + z / (3 sqrt k))^3, within a few units there.
double wilson_hilferty(double k, double z) noexcept {
  const double c = 1.0 / (9.0 * k);
  const double base = 1.0 - c + z * std::sqrt(c);
  return k * base * base * base;
}
bool gamma_valid(double k, double theta) noexcept { return positive_finite(k) && positive_finite(theta); }

double gamma_cdf_valid(double x, double k, double theta) noexcept {
  if (std::isnan(x)) return kNaN;
  if (!std::isgreater(x, 0.0)) return 0.0;
  const double y = x / theta;
  if (y == kInf) return 1.0;
  return std::isgreaterequal(k, kLargeShape) ? igamma_large(k, y, false) : P(k, y);
}
double gamma_sf_valid(double x, double k, double theta) noexcept {
  if (std::isnan(x)) return kNaN;
  if (!std::isgreater(x, 0.0)) return 1.0;
  const double y = x / theta;
  if (y == kInf) return 0.0;
  return std::isgreaterequal(k, kLargeShape) ? igamma_large(k, y, true) : Q(k, y);
}
double gamma_logpdf_valid(double x, double k, double theta) noexcept {
  if (std::isnan(x)) return kNaN;
  if (std::isless(x, 0.0) || x == kInf) return -kInf;
  if (x == 0) {
    if (std::isless(k, 1.0)) return kInf;
    return k == 1 ? -std::log(theta) : -kInf;
  }
  const double y = x / theta;
  if (y == kInf) return -kInf;
  double lp;
  if (std::isless(k, 1.0)) {
    // y^(k-1) e^(-y) / Gamma(k): no large terms cancel for k < 1.
    lp = (k - 1) * std::log(y) - y - lngamma(k);
  } else {
    lp = log_poisson_kernel(k - 1, y);
  }
  return lp - std::log(theta);
}
double gamma_quantile_valid(double p, double k, double theta) noexcept {
  if (p == 0) return 0.0;
  if (p == 1) return kInf;
  const ErrnoGuard guard;
  const double start = theta * (std::isgreaterequal(k, kLargeShape) ? wilson_hilferty(k, normal_quantile(p))
                                                                     : igamma_inv(k, p));
  auto cdf = [k, theta](double x) { return gamma_cdf_valid(x, k, theta); };
  return find_crossing<double>(cdf_reaches(cdf, p), start, 0.0, kInf);
}
double gamma_isf_valid(double q, double k, double theta) noexcept {
  if (q == 0) return kInf;
  if (q == 1) return 0.0;
  const ErrnoGuard guard;
  const double start = theta * (std::isgreaterequal(k, kLargeShape) ? wilson_hilferty(k, -normal_quantile(q))
                                                                     : igamc_inv(k, q));
  auto sf = [k, theta](double x) { return gamma_sf_valid(x, k, theta); };
  return find_crossing<double>(sf_reaches(sf, q), start, 0.0, kInf);
}

// ---------------------------------------------------------------------------
// Beta(a, b): cdf = I_x(a, b), sf = I_(1-x)(b, a) (1 - x exact for x >= 1/2,
// where the sf is small; below, 1 - x may round and the sf is 1 - cdf
// wherever the cdf is at most 1/2, see I_split). The density is Loader's kernel of (a, b) at
// (x, 1 - x) times a b / ((a + b) x (1 - x)), since 1 / B(a, b) = a b /
// (a + b) times Gamma(a + b + 1) / (Gamma(a + 1) Gamma(b + 1)).
bool beta_valid(double a, double b) noexcept { return positive_finite(a) && positive_finite(b); }

double beta_cdf_valid(double x, double a, double b) noexcept {
  if (std::isnan(x)) return kNaN;
  if (!std::isgreater(x, 0.0)) return 0.0;
  if (!std::isless(x, 1.0)) return 1.0;
  return I(a, b, x, 1.0 - x);
}
double beta_sf_valid(double x, double a, double b) noexcept {
  if (std::isnan(x)) return kNaN;
  if (!std::isgreater(x, 0.0)) return 1.0;
  if (!std::isless(x, 1.0)) return 0.0;
  return I_split(b, a, 1.0 - x, x);
}
double beta_logpdf_valid(double x, double a, double b) noexcept {
  if (std::isnan(x)) return kNaN;
  if (std::isless(x, 0.0) || std::isgreater(x, 1.0)) return -kInf;
  // At the ends: x^(a-1) is 0, 1 or infinite; at a = 1 the density there is
  // 1 / B(1, b) = b.
  if (x == 0) return std::isless(a, 1.0) ? kInf : a == 1 ? std::log(b) : -kInf;
  if (x == 1) return std::isless(b, 1.0) ? kInf : b == 1 ? std::log(a) : -kInf;
  return log_beta_density(a, b, x, 1.0 - x);
}
double beta_quantile_valid(double p, double a, double b) noexcept {
  if (p == 0) return 0.0;
  if (p == 1) return 1.0;
  const ErrnoGuard guard;
  const double start = ibeta_inv(a, b, p);
  auto cdf = [a, b](double x) { return beta_cdf_valid(x, a, b); };
  return find_crossing<double>(cdf_reaches(cdf, p), start, 0.0, 1.0);
}
double beta_isf_valid(double q, double a, double b) noexcept {
  if (q == 0) return 1.0;
  if (q == 1) return 0.0;
  const ErrnoGuard guard;
  const double start = ibetac_inv(a, b, q);
  auto sf = [a, b](double x) { return beta_sf_valid(x, a, b); };
  return find_crossing<double>(sf_reaches(sf, q), start, 0.0, 1.0);
}

// ---------------------------------------------------------------------------
// Student t(nu). With x = nu / (nu + t^2) and 1 - x = t^2 / (nu + t^2), the
// probability beyond |t| is I_x(nu/2, 1/2) / 2 and the one between 0 and
// |t| is I_(1-x)(1/2, nu/2) / 2. The tail side is always the first (its
// relative accuracy is kept however small it is); for |t| < 1 the lower
// side is 1/2 - (the second), which is at least 0.158 for every nu, so that
// nothing cancels and the cdf near 0 resolves t down to the smallest
// doubles (x itself would round to 1 there).
// nu / 2 must not underflow to 0 (nu the smallest subnormal).
bool t_valid(double nu) noexcept { return positive_finite(nu) && std::isgreater(0.5 * nu, 0.0); }

// I_x(nu/2, 1/2) / 2 with x = nu / (nu + t^2), for |t| = at >= 1. Where x
// would be below 1e-300 (t^2 beyond 1e300 nu, as for nu = 1 at the 1e-300
// quantile), it is no longer a normal double; there the leading term of the
// power series of I, x^a / (a B(a, 1/2)) with log x = log nu - 2 log|t|, is
// the value to within a relative 1e-300.
double t_far(double at, double nu) noexcept {
  const double a = 0.5 * nu;
  const double log_x = std::log(nu) - 2 * std::log(at);
  if (std::isless(log_x, -690.0)) {
    const double log_beta = lngamma(a) + lngamma(0.5) - lngamma(a + 0.5);
    return 0.5 * std::exp(a * log_x - std::log(a) - log_beta);
  }
  const double ratio = (at / nu) * at;  // t^2 / nu, below 1e300 here
  return 0.5 * I(a, 0.5, 1.0 / (1.0 + ratio), ratio / (1.0 + ratio));
}
// I_(1-x)(1/2, nu/2) / 2 for |t| = at < 1.
double t_near(double at, double nu) noexcept {
  const double t2 = at * at;
  return 0.5 * I(0.5, 0.5 * nu, t2 / (nu + t2), nu / (nu + t2));
}
double t_cdf_valid(double t, double nu) noexcept {
  if (std::isnan(t)) return kNaN;
  if (t == -kInf) return 0.0;
  if (t == kInf) return 1.0;
  const double at = std::fabs(t);
  if (std::isless(at, 1.0)) {
    const double mid = t_near(at, nu);
    return std::isless(t, 0.0) ? 0.5 - mid : 0.5 + mid;
  }
  const double far = t_far(at, nu);
  return std::isless(t, 0.0) ? far : 1.0 - far;
}
// By symmetry, bit for bit.
double t_sf_valid(double t, double nu) noexcept { return t_cdf_valid(-t, nu); }

double t_logpdf_valid(double t, double nu) noexcept {
  if (std::isnan(t)) return kNaN;
  const double at = std::fabs(t);
  if (at == kInf) return -kInf;
  // log(1 + t^2 / nu), from the logarithms where t^2 / nu leaves the range.
  const double ratio = (at / nu) * at;
  const double l = std::isless(ratio, 1e300) ? std::log1p(ratio) : 2 * std::log(at) - std::log(nu);
  // log Gamma((nu+1)/2) - log Gamma(nu/2) - log(nu pi) / 2, whose log(nu)
  // terms combine to -log(2 pi) / 2.
  return -kLogSqrt2Pi + density::log_gamma_half_ratio_less_half_log(0.5 * nu) - 0.5 * (nu + 1) * l;
}

// |t| with probability s <= 1/2 beyond it, as a start for the search. For
// x = nu / (nu + t^2) far below the normal range, from the leading term of
// the power series (as in t_far) in logarithms; otherwise from the inverse
// of I_x(nu/2, 1/2) = 2 s, taking t^2 = nu (1 - x) / x where x <= 1/2 and
// else from 1 - x = y, found directly as the reflected inverse (I_(1-y)(nu/2,
// 1/2) = 2 s), t^2 = nu y / (1 - y): no 1 - x is formed where it would
// cancel.
double t_tail_start(double s, double nu) noexcept {
  const double a = 0.5 * nu;
  const double log_beta = lngamma(a) + lngamma(0.5) - lngamma(a + 0.5);
  const double log_x = (std::log(2 * s) + std::log(a) + log_beta) / a;
  if (std::isless(log_x, -690.0)) return std::sqrt(nu) * std::exp(-0.5 * log_x);
  const double x = ibeta_inv(a, 0.5, 2 * s);
  if (std::islessequal(x, 0.5)) return std::sqrt(nu * ((1.0 - x) / x));
  const double y = ibetac_inv(0.5, a, 2 * s);
  return std::sqrt(nu * (y / (1.0 - y)));
}
double t_quantile_valid(double p, double nu) noexcept {
  if (p == 0) return -kInf;
  if (p == 1) return kInf;
  const ErrnoGuard guard;
  double start = 0.0;
  if (std::isless(p, 0.5)) start = -t_tail_start(p, nu);
  if (std::isgreater(p, 0.5)) start = t_tail_start(1.0 - p, nu);
  auto cdf = [nu](double t) { return t_cdf_valid(t, nu); };
  return find_crossing<double>(cdf_reaches(cdf, p), start, -kInf, kInf);
}
double t_isf_valid(double q, double nu) noexcept {
  if (q == 0) return kInf;
  if (q == 1) return -kInf;
  const ErrnoGuard guard;
  double start = 0.0;
  if (std::isless(q, 0.5)) start = t_tail_start(q, nu);
  if (std::isgreater(q, 0.5)) start = -t_tail_start(1.0 - q, nu);
  auto sf = [nu](double t) { return t_sf_valid(t, nu); };
  return find_crossing<double>(sf_reaches(sf, q), start, -kInf, kInf);
}

// ---------------------------------------------------------------------------
// F(d1, d2): with u = d1 x, y = u / (u + d2) and 1 - y = d2 / (u + d2),
// both formed directly (neither is 1 minus the other), cdf = I_y(d1/2,
// d2/2) and sf = I_(1-y)(d2/2, d1/2), each through I_split so that the
// exact 1 - y, not y's rounding, decides where y is near 1.
bool f_valid(double d1, double d2) noexcept {
  return positive_finite(d1) && positive_finite(d2) && std::isgreater(0.5 * d1, 0.0) &&
         std::isgreater(0.5 * d2, 0.0);
}

// y and 1 - y for x > 0 finite, as ratios that neither overflow nor cancel.
void f_split(double x, double d1, double d2, double* y, double* w) noexcept {
  const double u = d1 * x;  // may overflow: then 1 - y from (d2 / d1) / x
  if (std::islessequal(u, d2)) {
    const double r = u / d2;  // at most 1
    *y = r / (1.0 + r);
    *w = 1.0 / (1.0 + r);
  } else {
    const double s = (u == kInf) ? (d2 / d1) / x : d2 / u;  // below 1
    *y = 1.0 / (1.0 + s);
    *w = s / (1.0 + s);
  }
}
double f_cdf_valid(double x, double d1, double d2) noexcept {
  if (std::isnan(x)) return kNaN;
  if (!std::isgreater(x, 0.0)) return 0.0;
  if (x == kInf) return 1.0;
  double y, w;
  f_split(x, d1, d2, &y, &w);
  return I_split(0.5 * d1, 0.5 * d2, y, w);
}
double f_sf_valid(double x, double d1, double d2) noexcept {
  if (std::isnan(x)) return kNaN;
  if (!std::isgreater(x, 0.0)) return 1.0;
  if (x == kInf) return 0.0;
  double y, w;
  f_split(x, d1, d2, &y, &w);
  return I_split(0.5 * d2, 0.5 * d1, w, y);
}
// The density is the beta density of (d1/2, d2/2) at y times dy/dx =
// y (1 - y) / x: Loader's kernel times a b / ((a + b) x).
double f_logpdf_valid(double x, double d1, double d2) noexcept {
  if (std::isnan(x)) return kNaN;
  if (std::isless(x, 0.0) || x == kInf) return -kInf;
  const double a = 0.5 * d1;
  const double b = 0.5 * d2;
  if (x == 0) return std::isless(a, 1.0) ? kInf : a == 1 ? std::log(d1 / d2 * b) : -kInf;
  double y, w;
  f_split(x, d1, d2, &y, &w);
  return log_binomial_kernel(a, b, y, w) + std::log(a) + std::log(b) - std::log(a + b) - std::log(x);
}
// x = (d2 / d1) y / (1 - y) from the inverse of the tail that holds the
// target, taking y or w = 1 - y from whichever inverse gives the smaller of
// the two directly.
double f_from_split(double y, double w, double d1, double d2) noexcept { return (y / w) * (d2 / d1); }
double f_start(double target, bool upper, double d1, double d2) noexcept {
  const double a = 0.5 * d1;
  const double b = 0.5 * d2;
  if (!upper) {
    const double y = ibeta_inv(a, b, target);
    if (std::islessequal(y, 0.5)) return f_from_split(y, 1.0 - y, d1, d2);
    const double w = ibetac_inv(b, a, target);  // I_(1-w)(a, b) = p
    return f_from_split(1.0 - w, w, d1, d2);
  }
  const double w = ibeta_inv(b, a, target);  // I_w(b, a) = q
  if (std::islessequal(w, 0.5)) return f_from_split(1.0 - w, w, d1, d2);
  const double y = ibetac_inv(a, b, target);  // I_(1-y)(b, a) = q
  return f_from_split(y, 1.0 - y, d1, d2);
}
double f_quantile_valid(double p, double d1, double d2) noexcept {
  if (p == 0) return 0.0;
  if (p == 1) return kInf;
  const ErrnoGuard guard;
  const double start = f_start(p, false, d1, d2);
  auto cdf = [d1, d2](double x) { return f_cdf_valid(x, d1, d2); };
  return find_crossing<double>(cdf_reaches(cdf, p), start, 0.0, kInf);
}
double f_isf_valid(double q, double d1, double d2) noexcept {
  if (q == 0) return kInf;
  if (q == 1) return 0.0;
  const ErrnoGuard guard;
  const double start = f_start(q, true, d1, d2);
  auto sf = [d1, d2](double x) { return f_sf_valid(x, d1, d2); };
  return find_crossing<double>(sf_reaches(sf, q), start, 0.0, kInf);
}

// ---------------------------------------------------------------------------
// Poisson(lambda): cdf(k) = Q(k + 1, lambda), sf(k) = P(k + 1, lambda)
// (the incomplete gamma functions at integer points are the Poisson tails);
// from lambda = 1e9 on by the uniform expansion, where every k that matters
// has k + 1 > 5e8 (below lambda / 2 the cdf is far below the doubles).
bool poisson_valid(double lambda) noexcept {
  return std::isgreaterequal(lambda, 0.0) && lambda != kInf;
}
double poisson_cdf_valid(double x, double lambda) noexcept {
  if (std::isnan(x)) return kNaN;
  if (std::isless(x, 0.0)) return 0.0;
  if (x == kInf || lambda == 0) return 1.0;
  const double a = std::floor(x) + 1;
  return std::isgreaterequal(lambda, kLargeShape) ? igamma_large(a, lambda, true) : Q(a, lambda);
}
double poisson_sf_valid(double x, double lambda) noexcept {
  if (std::isnan(x)) return kNaN;
  if (std::isless(x, 0.0)) return 1.0;
  if (x == kInf || lambda == 0) return 0.0;
  const double a = std::floor(x) + 1;
  return std::isgreaterequal(lambda, kLargeShape) ? igamma_large(a, lambda, false) : P(a, lambda);
}
double poisson_logpmf_valid(double x, double lambda) noexcept {
  if (std::isnan(x)) return kNaN;
  if (!is_integer(x) || std::isless(x, 0.0)) return -kInf;
  if (lambda == 0) return x == 0 ? 0.0 : -kInf;
  return log_poisson_kernel(x, lambda);
}
Discrete poisson_shape(double lambda) noexcept {
  const double sd = std::sqrt(lambda);
  return {0.0, lambda == 0 ? 0.0 : kInf, lambda, sd, 1.0 / sd};
}

// ---------------------------------------------------------------------------
// Binomial(n, p): cdf(k) = I_(1-p)(n - k, k + 1), sf(k) = I_p(k + 1, n - k),
// for 0 <= k < n (the two tails as incomplete beta functions, neither 1
// minus the other). n is an integer up to 2^53, where k + 1 and n - k are
// exact.
bool binom_valid(double n, double p) noexcept {
  return is_integer(n) && std::isgreaterequal(n, 0.0) && std::islessequal(n, kTwo53) && probability(p);
}
double binom_cdf_valid(double x, double n, double p) noexcept {
  if (std::isnan(x)) return kNaN;
  if (std::isless(x, 0.0)) return 0.0;
  const double k = std::floor(x);
  if (std::isgreaterequal(k, n) || p == 0) return 1.0;
  if (p == 1) return 0.0;
  if (std::isgreaterequal(k + 1, kLargeBeta) && std::isgreaterequal(n - k, kLargeBeta)) {
    return ibeta_large(k + 1, n - k, offset_from_mean(p, k + 1, n + 1), true);
  }
  return I(n - k, k + 1, 1.0 - p, p);
}
double binom_sf_valid(double x, double n, double p) noexcept {
  if (std::isnan(x)) return kNaN;
  if (std::isless(x, 0.0)) return 1.0;
  const double k = std::floor(x);
  if (std::isgreaterequal(k, n) || p == 0) return 0.0;
  if (p == 1) return 1.0;
  if (std::isgreaterequal(k + 1, kLargeBeta) && std::isgreaterequal(n - k, kLargeBeta)) {
    return ibeta_large(k + 1, n - k, offset_from_mean(p, k + 1, n + 1), false);
  }
  return I(k + 1, n - k, p, 1.0 - p);
}
double binom_logpmf_valid(double x, double n, double p) noexcept {
  if (std::isnan(x)) return kNaN;
  if (!is_integer(x) || std::isless(x, 0.0) || std::isgreater(x, n)) return -kInf;
  return log_binomial_kernel(x, n - x, p, 1.0 - p);
}
Discrete binom_shape(double n, double p) noexcept {
  const double sd = std::sqrt(n * p * (1.0 - p));
  return {p == 1 ? n : 0.0, p == 0 ? 0.0 : n, n * p, sd, (1.0 - 2 * p) / sd};
}

// ---------------------------------------------------------------------------
// Negative binomial(r, p), the failures before the r-th success:
// cdf(k) = I_p(r, k + 1), sf(k) = I_(1-p)(k + 1, r). The mass is r / (k + r)
// times Loader's kernel of (r, k) at (p, 1 - p), since Gamma(k + r) /
// (Gamma(r) k!) = r / (k + r) times Gamma(k + r + 1) / (Gamma(r + 1) k!).
bool nbinom_valid(double r, double p) noexcept {
  return positive_finite(r) && std::isgreater(p, 0.0) && std::islessequal(p, 1.0);
}
double nbinom_cdf_valid(double x, double r, double p) noexcept {
  if (std::isnan(x)) return kNaN;
  if (std::isless(x, 0.0)) return 0.0;
  if (x == kInf || p == 1) return 1.0;
  const double b = std::floor(x) + 1;
  if (std::isgreaterequal(r, kLargeBeta) && std::isgreaterequal(b, kLargeBeta)) {
    return ibeta_large(r, b, offset_from_mean(p, r, r + b), false);
  }
  return I(r, b, p, 1.0 - p);
}
double nbinom_sf_valid(double x, double r, double p) noexcept {
  if (std::isnan(x)) return kNaN;
  if (std::isless(x, 0.0)) return 1.0;
  if (x == kInf || p == 1) return 0.0;
  const double b = std::floor(x) + 1;
  if (std::isgreaterequal(r, kLargeBeta) && std::isgreaterequal(b, kLargeBeta)) {
    return ibeta_large(r, b, offset_from_mean(p, r, r + b), true);
  }
  return I(b, r, 1.0 - p, p);
}
double nbinom_logpmf_valid(double x, double r, double p) noexcept {
  if (std::isnan(x)) return kNaN;
  if (!is_integer(x) || std::isless(x, 0.0)) return -kInf;
  if (p == 1) return x == 0 ? 0.0 : -kInf;
  return std::log(r / (x + r)) + log_binomial_kernel(r, x, p, 1.0 - p);
}
Discrete nbinom_shape(double r, double p) noexcept {
  const double q = 1.0 - p;
  const double sd = std::sqrt(r * q) / p;
  return {0.0, p == 1 ? 0.0 : kInf, r * q / p, sd, (2.0 - p) / std::sqrt(r * q)};
}

}  // namespace

// ---------------------------------------------------------------------------
// The exported operations: the domain checks (the quiet NaN outside it),
// then the forms above. Every operation keeps errno.

#define VARNEL_STATS_CONTINUOUS_2(family, valid)                                               \
  double family##_cdf(double x, double a, double b) noexcept {                                 \
    if (!valid(a, b)) return kNaN;                                                             \
    const ErrnoGuard guard;                                                                    \
    return family##_cdf_valid(x, a, b);                                                        \
  }                                                                                            \
  double family##_sf(double x, double a, double b) noexcept {                                  \
    if (!valid(a, b)) return kNaN;                                                             \
    const ErrnoGuard guard;                                                                    \
    return family##_sf_valid(x, a, b);                                                         \
  }                                                                                            \
  double family##_logpdf(double x, double a, double b) noexcept {                              \
    if (!valid(a, b)) return kNaN;                                                             \
    const ErrnoGuard guard;                                                                    \
    return family##_logpdf_valid(x, a, b);                                                     \
  }                                                                                            \
  double family##_pdf(double x, double a, double b) noexcept {                                 \
    if (!valid(a, b)) return kNaN;                                                             \
    const ErrnoGuard guard;                                                                    \
    return exp_or_zero(family##_logpdf_valid(x, a, b));                                        \
  }                                                                                            \
  double family##_quantile(double p, double a, double b) noexcept {                            \
    if (!valid(a, b) || !probability(p)) return kNaN;                                          \
    return family##_quantile_valid(p, a, b);                                                   \
  }                                                                                            \
  double family##_isf(double q, double a, double b) noexcept {                                 \
    if (!valid(a, b) || !probability(q)) return kNaN;                                          \
    return family##_isf_valid(q, a, b);                                                        \
  }

double norm_pdf(double x, double mu, double sigma) noexcept {
  if (!norm_valid(mu, sigma)) return kNaN;
  if (std::isnan(x)) return kNaN;
  const ErrnoGuard guard;
  // e^(-z^2/2) / (sigma sqrt(2 pi)), the factor 1 / (sigma sqrt(2 pi))
  // formed as a quotient so that a huge sigma gives a subnormal, not 0.
  // A subnormal sigma makes the factor infinite: the exponential decides
  // first.
  const double z = (x - mu) / sigma;
  const double e = std::exp(-0.5 * z * z);
  return e == 0 ? 0.0 : e * (kInvSqrt2Pi / sigma);
}
double norm_cdf(double x, double mu, double sigma) noexcept {
  if (!norm_valid(mu, sigma)) return kNaN;
  const ErrnoGuard guard;
  return norm_cdf_valid(x, mu, sigma);
}
double norm_sf(double x, double mu, double sigma) noexcept {
  if (!norm_valid(mu, sigma)) return kNaN;
  const ErrnoGuard guard;
  return norm_sf_valid(x, mu, sigma);
}
double norm_logpdf(double x, double mu, double sigma) noexcept {
  if (!norm_valid(mu, sigma)) return kNaN;
  const ErrnoGuard guard;
  return norm_logpdf_valid(x, mu, sigma);
}
double norm_quantile(double p, double mu, double sigma) noexcept {
  if (!norm_valid(mu, sigma) || !probability(p)) return kNaN;
  return norm_quantile_valid(p, mu, sigma);
}
double norm_isf(double q, double mu, double sigma) noexcept {
  if (!norm_valid(mu, sigma) || !probability(q)) return kNaN;
  return norm_isf_valid(q, mu, sigma);
}

VARNEL_STATS_CONTINUOUS_2(gamma, gamma_valid)
VARNEL_STATS_CONTINUOUS_2(beta, beta_valid)
VARNEL_STATS_CONTINUOUS_2(f, f_valid)
#undef VARNEL_STATS_CONTINUOUS_2

// Chi-square(k) is the gamma distribution of shape k/2 and scale 2, to the
// bit (x / 2 is exact wherever x is a normal double).
namespace {
bool chisq_valid(double k) noexcept { return positive_finite(k) && std::isgreater(0.5 * k, 0.0); }
}  // namespace
double chisq_pdf(double x, double k) noexcept { return chisq_valid(k) ? gamma_pdf(x, 0.5 * k, 2.0) : kNaN; }
double chisq_logpdf(double x, double k) noexcept {
  return chisq_valid(k) ? gamma_logpdf(x, 0.5 * k, 2.0) : kNaN;
}
double chisq_cdf(double x, double k) noexcept { return chisq_valid(k) ? gamma_cdf(x, 0.5 * k, 2.0) : kNaN; }
double chisq_sf(double x, double k) noexcept { return chisq_valid(k) ? gamma_sf(x, 0.5 * k, 2.0) : kNaN; }
double chisq_quantile(double p, double k) noexcept {
  return chisq_valid(k) ? gamma_quantile(p, 0.5 * k, 2.0) : kNaN;
}
double chisq_isf(double q, double k) noexcept { return chisq_valid(k) ? gamma_isf(q, 0.5 * k, 2.0) : kNaN; }

// Student t.
double t_pdf(double x, double nu) noexcept {
  if (!t_valid(nu)) return kNaN;
  const ErrnoGuard guard;
  return exp_or_zero(t_logpdf_valid(x, nu));
}
double t_logpdf(double x, double nu) noexcept {
  if (!t_valid(nu)) return kNaN;
  const ErrnoGuard guard;
  return t_logpdf_valid(x, nu);
}
double t_cdf(double x, double nu) noexcept {
  if (!t_valid(nu)) return kNaN;
  const ErrnoGuard guard;
  return t_cdf_valid(x, nu);
}
double t_sf(double x, double nu) noexcept {
  if (!t_valid(nu)) return kNaN;
  const ErrnoGuard guard;
  return t_sf_valid(x, nu);
}
double t_quantile(double p, double nu) noexcept {
  if (!t_valid(nu) || !probability(p)) return kNaN;
  return t_quantile_valid(p, nu);
}
double t_isf(double q, double nu) noexcept {
  if (!t_valid(nu) || !probability(q)) return kNaN;
  return t_isf_valid(q, nu);
}

// The discrete families: pmf, its logarithm, cdf, sf from the forms above;
// quantile and isf by the integer search on the family's own cdf and sf.
#define VARNEL_STATS_DISCRETE(family, valid, params, args)                                     \
  double family##_pdf params noexcept {                                                        \
    if (!(valid args)) return kNaN;                                                            \
    const ErrnoGuard guard;                                                                    \
    return exp_or_zero(family##_logpmf_valid(x, VARNEL_STATS_UNPACK args));                     \
  }                                                                                            \
  double family##_logpdf params noexcept {                                                     \
    if (!(valid args)) return kNaN;                                                            \
    const ErrnoGuard guard;                                                                    \
    return family##_logpmf_valid(x, VARNEL_STATS_UNPACK args);                                  \
  }                                                                                            \
  double family##_cdf params noexcept {                                                        \
    if (!(valid args)) return kNaN;                                                            \
    const ErrnoGuard guard;                                                                    \
    return family##_cdf_valid(x, VARNEL_STATS_UNPACK args);                                     \
  }                                                                                            \
  double family##_sf params noexcept {                                                         \
    if (!(valid args)) return kNaN;                                                            \
    const ErrnoGuard guard;                                                                    \
    return family##_sf_valid(x, VARNEL_STATS_UNPACK args);                                      \
  }
#define VARNEL_STATS_UNPACK(...) __VA_ARGS__

VARNEL_STATS_DISCRETE(poisson, poisson_valid, (double x, double lambda), (lambda))
VARNEL_STATS_DISCRETE(binom, binom_valid, (double x, double n, double p), (n, p))
VARNEL_STATS_DISCRETE(nbinom, nbinom_valid, (double x, double r, double p), (r, p))
#undef VARNEL_STATS_DISCRETE
#undef VARNEL_STATS_UNPACK

double poisson_quantile(double p, double lambda) noexcept {
  if (!poisson_valid(lambda) || !probability(p)) return kNaN;
  auto cdf = [lambda](double k) { return poisson_cdf_valid(k, lambda); };
  return discrete_inverse(cdf, poisson_shape(lambda), p, false);
}
double poisson_isf(double q, double lambda) noexcept {
  if (!poisson_valid(lambda) || !probability(q)) return kNaN;
  auto sf = [lambda](double k) { return poisson_sf_valid(k, lambda); };
  return discrete_inverse(sf, poisson_shape(lambda), q, true);
}
double binom_quantile(double prob, double n, double p) noexcept {
  if (!binom_valid(n, p) || !probability(prob)) return kNaN;
  auto cdf = [n, p](double k) { return binom_cdf_valid(k, n, p); };
  return discrete_inverse(cdf, binom_shape(n, p), prob, false);
}
double binom_isf(double q, double n, double p) noexcept {
  if (!binom_valid(n, p) || !probability(q)) return kNaN;
  auto sf = [n, p](double k) { return binom_sf_valid(k, n, p); };
  return discrete_inverse(sf, binom_shape(n, p), q, true);
}
double nbinom_quantile(double prob, double r, double p) noexcept {
  if (!nbinom_valid(r, p) || !probability(prob)) return kNaN;
  auto cdf = [r, p](double k) { return nbinom_cdf_valid(k, r, p); };
  return discrete_inverse(cdf, nbinom_shape(r, p), prob, false);
}
double nbinom_isf(double q, double r, double p) noexcept {
  if (!nbinom_valid(r, p) || !probability(q)) return kNaN;
  auto sf = [r, p](double k) { return nbinom_sf_valid(k, r, p); };
  return discrete_inverse(sf, nbinom_shape(r, p), q, true);
}

}  // namespace varnel::stats::detail
