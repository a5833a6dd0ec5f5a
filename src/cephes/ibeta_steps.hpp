// The incomplete beta function I_x(a, b) of the cephes family and its three
// building blocks in three stages, shared by the scalar functions (ibeta.cpp)
// and the array kernels:
//   plan    the domain tests, the symmetry and the choice between the power
//           series and the two continued fractions;
//   step    one term of the series or one iteration of a fraction, as a
//           template over double and Lanes (see lanes.hpp);
//   finish  the prefactor and the complement.
// The method itself is described in ibeta.cpp.
#ifndef VARNEL_SRC_CEPHES_IBETA_STEPS_HPP
#define VARNEL_SRC_CEPHES_IBETA_STEPS_HPP

#include <cmath>
#include <cstdint>

#include "internal.hpp"
#include "lanes.hpp"
#include "varnel/varnel.hpp"

namespace varnel::cephes::incomplete_beta {

// Below this a + b, Gamma(a + b), Gamma(a) and Gamma(b) are all finite, and
// the prefactor can be formed directly.
constexpr double kGammaFormLimit = 171.62437695630271;
constexpr double kSeriesLimit = 0.95;
constexpr int kFractionIterations = 300;
constexpr double kBig = 4503599627370496.0;              // 2^52
constexpr double kBigInverse = 2.22044604925031308e-16;  // 2^-52

// The shared recurrence of incbcf and incbd, one iteration (two terms) per
// step. Seven running factors replace the closed forms of the terms;
// `variable` is x for incbcf and x/(1-x) for incbd, and the two differ
// otherwise only in which of the running factors a + b + m and b - 1 - m
// enters the odd and which the even terms.
template <typename T>
struct Fraction {
  T variable, odd_step, even_step;
  T f1;  // a + m
  T f2;  // a + b + m (incbcf) or b - 1 - m (incbd)
  T f3;  // a + 2m
  T f4;  // a + 2m + 1
  T f5;  // m + 1
  T f6;  // b - 1 - m (incbcf) or a + b + m (incbd)
  T f7;  // a + 2m + 2
  T p2, p1, q2, q1, estimate, ratio, threshold;

  // A fixed number of iterations, after which the last estimate is the value.
  // visit(member, other's member) for every member, in order.
  template <typename Other, typename F>
  void zip(Other& other, F&& visit) noexcept {
    visit(variable, other.variable);
    visit(odd_step, other.odd_step);
    visit(even_step, other.even_step);
    visit(f1, other.f1);
    visit(f2, other.f2);
    visit(f3, other.f3);
    visit(f4, other.f4);
    visit(f5, other.f5);
    visit(f6, other.f6);
    visit(f7, other.f7);
    visit(p2, other.p2);
    visit(p1, other.p1);
    visit(q2, other.q2);
    visit(q1, other.q1);
    visit(estimate, other.estimate);
    visit(ratio, other.ratio);
    visit(threshold, other.threshold);
  }

  static constexpr std::int64_t limit = kFractionIterations;
  static constexpr bool stop_is_failure = false;

  static Fraction start(double a, double variable, double odd_factor, double odd_step,
                        double even_factor, double even_step) noexcept {
    // Read from the exported constant, so formed at run time: folded to a
    // compile-time constant it leads GCC to spill one more running factor in
    // the loop, which costs about 3 % of the fraction's time.
    const double threshold = 3.0 * D_MACHEP;
    return {variable, odd_step, even_step, a, odd_factor, a, a + 1, 1, even_factor, a + 2,
            0,        1,        1,         1, 1,          1, threshold};
  }
  static Fraction start_cf(double a, double b, double x) noexcept {
    return start(a, x, a + b, 1, b - 1, -1);
  }
  static Fraction start_d(double a, double b, double x) noexcept {
    const double z = x / (1 - x);
    return start(a, z, b - 1, -1, a + b, 1);
  }

  // True once an iteration moves the estimate by less than the threshold;
  // the estimate is then the value.
  auto step() noexcept {
    const T one = T{} + 1;
    // Odd term.
    T g = -(f2 * (f1 * variable)) / (f3 * f4);
    T p = p1 + g * p2;
    T q = q1 + g * q2;
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

    // A zero q keeps the last ratio, a zero ratio counts as a change of 1.
    ratio = detail::quotient_where(detail::not_zero(q), p, q, ratio);
    const auto ratio_usable = detail::not_zero(ratio);
    const T change =
        detail::magnitude(detail::quotient_where(ratio_usable, estimate - ratio, ratio, one));
    estimate = detail::select(ratio_usable, ratio, estimate);
    const auto converged = detail::quiet_less(change, threshold);

    f1 = f1 + 1;
    f2 = f2 + odd_step;
    f3 = f3 + 2;
    f4 = f4 + 2;
    f5 = f5 + 1;
    f6 = f6 + even_step;
    f7 = f7 + 2;

    // Both tests look at this iteration's p and q before any scaling, so
    // both scalings may apply together (and cancel).
    const auto too_big =
        detail::quiet_greater(detail::magnitude(q) + detail::magnitude(p), T{} + kBig);
    detail::scale_where(too_big, kBigInverse, p2, p1, q2, q1);
    const auto too_small = detail::either(detail::quiet_less(detail::magnitude(q), T{} + kBigInverse),
                                          detail::quiet_less(detail::magnitude(p), T{} + kBigInverse));
    detail::scale_where(too_small, kBig, p2, p1, q2, q1);
    return converged;
  }
};

// The power series: the terms v after the first, summed from n = 2.
template <typename T>
struct Series {
  T x, b, a, product, v, sum, n, tolerance, first;

  // visit(member, other's member) for every member, in order.
  template <typename Other, typename F>
  void zip(Other& other, F&& visit) noexcept {
    visit(x, other.x);
    visit(b, other.b);
    visit(a, other.a);
    visit(product, other.product);
    visit(v, other.v);
    visit(sum, other.sum);
    visit(n, other.n);
    visit(tolerance, other.tolerance);
    visit(first, other.first);
  }

  static constexpr std::int64_t limit = detail::kStepCap;
  static constexpr bool stop_is_failure = true;

  static Series start(double a, double b, double x) noexcept {
    const double a_inverse = 1 / a;
    const double u = (1 - b) * x;
    const double v = u / (a + 1);
    return {x, b, a, u, v, 0, 2, a_inverse * detail::kMachEp, v};
  }
  // The series has ended before its first step.
  bool ended() const noexcept { return !std::isgreater(std::fabs(v), tolerance); }

  // One term; true once it is no larger than the tolerance.
  auto step() noexcept {
    const T u = ((n - b) * x) / n;
    product = product * u;
    v = product / (a + n);
    sum = sum + v;
    n = n + 1;
    return detail::negation(detail::quiet_greater(detail::magnitude(v), tolerance));
  }
};

// The value of pseries from its series. Called directly, x may be anything:
// the logarithms and the power can then fail and set errno, and the helpers
// guard them on those arguments only.
inline double power_series_value(const Series<double>& series) noexcept {
  const double a = series.a;
  const double b = series.b;
  const double x = series.x;
  const double sum = (series.sum + series.first) + 1 / a;

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

// I_x(a, b) from a continued fraction's value times its prefactor, for x at
// or below the mean a/s (s = a + b), with xc = 1 - x. Both x and xc lie in
// (0, 1), so their logarithms cannot fail; the power, the last logarithm and
// the exponential can, and guard errno where they might.
inline double below_mean_value(double a, double b, double x, double xc, double s,
                               double fraction) noexcept {
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

// What evaluating d_ibeta at one point takes: the value itself, or the power
// series or a fraction (incbcf or incbd) of the working problem (a, b, x),
// possibly the swapped one, followed by finish().
enum class Loop { kNone, kSeries, kFraction };

struct Plan {
  Loop loop = Loop::kNone;
  double value = 0;                  // the result when loop is kNone
  double a = 0, b = 0, x = 0;        // the working problem
  double xc = 0, s = 0;              // 1 - x and a + b, for a fraction
  bool second_fraction = false;      // incbd rather than incbcf
  bool complement = false;           // the result is 1 - the working problem's
};

inline Plan series_plan(double a, double b, double x, bool complement) noexcept {
  Plan plan;
  plan.loop = Loop::kSeries;
  plan.a = a;
  plan.b = b;
  plan.x = x;
  plan.complement = complement;
  return plan;
}

// Below the mean, the fraction that converges faster at the point: incbcf
// when (s - 2) x < a - 1, else incbd.
inline Plan below_mean_plan(double a, double b, double x, double xc, double s,
                            bool complement) noexcept {
  Plan plan;
  plan.loop = Loop::kFraction;
  plan.a = a;
  plan.b = b;
  plan.x = x;
  plan.xc = xc;
  plan.s = s;
  plan.complement = complement;
  const double y = (s - 2) * x - (a - 1);
  plan.second_fraction = !std::isless(y, 0.0);
  return plan;
}

inline Plan plan_ibeta(double a, double b, double x) noexcept {
  Plan plan;
  // The parameters are tested first, so that a <= 0 or b <= 0 is an error
  // even at x = 0 or x = 1; a NaN parameter passes these tests.
  if (std::islessequal(a, 0.0) || std::islessequal(b, 0.0)) {
    plan.value = detail::domain_nan();
    return plan;
  }
  if (std::islessequal(x, 0.0)) {
    plan.value = x == 0 ? 0.0 : detail::domain_nan();
    return plan;
  }
  if (std::isgreaterequal(x, 1.0)) {
    plan.value = x == 1 ? 1.0 : detail::domain_nan();
    return plan;
  }

  if (std::islessequal(b * x, 1.0) && std::islessequal(x, kSeriesLimit)) {
    return series_plan(a, b, x, false);
  }

  const double w = 1 - x;
  const double s = a + b;  // the same for the problem and its swap
  if (std::isless(a / s, x)) {
    // Above the mean: evaluate I_w(b, a) and complement it.
    if (std::islessequal(a * w, 1.0) && std::islessequal(w, kSeriesLimit)) {
      return series_plan(b, a, w, true);
    }
    return below_mean_plan(b, a, w, x, s, true);
  }
  return below_mean_plan(a, b, x, w, s, false);
}

// The starting state of a plan's fraction.
inline Fraction<double> start_fraction(const Plan& plan) noexcept {
  return plan.second_fraction ? Fraction<double>::start_d(plan.a, plan.b, plan.x)
                              : Fraction<double>::start_cf(plan.a, plan.b, plan.x);
}

// The result from the working problem's value t.
inline double complement_if_asked(const Plan& plan, double t) noexcept {
  if (!plan.complement) return t;
  // 1 - t would round to 1 for t <= D_MACHEP; the largest double below 1
  // keeps a complemented result distinguishable from an exact 1.
  if (std::islessequal(t, detail::kMachEp)) return 1 - detail::kMachEp;
  return 1 - t;
}

inline double finish_series(const Plan& plan, const Series<double>& series, bool failed) noexcept {
  return complement_if_asked(plan, failed ? detail::domain_nan() : power_series_value(series));
}

inline double finish_fraction(const Plan& plan, double estimate) noexcept {
  const double fraction = plan.second_fraction ? estimate / plan.xc : estimate;
  return complement_if_asked(
      plan, below_mean_value(plan.a, plan.b, plan.x, plan.xc, plan.s, fraction));
}

// The series run to its end with the scalar step: false where it reached
// the cap.
inline bool run_series(Series<double>& series) noexcept {
  return series.ended() || detail::run_to_end(series);
}

// One element from start to end with the scalar steps.
inline double evaluate(const Plan& plan) noexcept {
  if (plan.loop == Loop::kSeries) {
    Series<double> series = Series<double>::start(plan.a, plan.b, plan.x);
    const bool ended = run_series(series);
    return finish_series(plan, series, !ended);
  }
  if (plan.loop == Loop::kFraction) {
    Fraction<double> fraction = start_fraction(plan);
    detail::run_to_end(fraction);
    return finish_fraction(plan, fraction.estimate);
  }
  return plan.value;
}

}  // namespace varnel::cephes::incomplete_beta

#endif  // VARNEL_SRC_CEPHES_IBETA_STEPS_HPP
