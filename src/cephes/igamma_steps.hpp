// The regularised incomplete gamma functions P(a, x) and Q(a, x) in three
// stages, shared by the scalar functions (igamma.cpp) and the array kernels:
//   plan    the special cases, the choice between the power series of P and
//           the continued fraction of Q, and the prefactor;
//   step    one term of the series or one convergent of the fraction, as a
//           template over double and Lanes (see lanes.hpp);
//   finish  the prefactor times the loop's value, complemented where the
//           function asked for is the other one.
// The method itself is described in igamma.cpp.
#ifndef VARNEL_SRC_CEPHES_IGAMMA_STEPS_HPP
#define VARNEL_SRC_CEPHES_IGAMMA_STEPS_HPP

#include <cmath>
#include <cstdint>

#include "internal.hpp"
#include "lanes.hpp"

namespace varnel::cephes::incomplete_gamma {

// The continued fraction keeps its numerators below 2^52 by scaling all four
// stored convergent terms down by 2^-52 together, which leaves their ratios
// (the convergents) unchanged; the fraction's terms only grow, so no upward
// scaling is needed.
constexpr double kBig = 4503599627370496.0;              // 2^52
constexpr double kBigInverse = 2.22044604925031308e-16;  // 2^-52

// Power series of P: term and sum start at 1, r at a.
template <typename T>
struct Series {
  T x, r, term, sum;

  // visit(member, other's member) for every member, in order.
  template <typename Other, typename F>
  void zip(Other& other, F&& visit) noexcept {
    visit(x, other.x);
    visit(r, other.r);
    visit(term, other.term);
    visit(sum, other.sum);
  }

  static constexpr std::int64_t limit = detail::kStepCap;
  static constexpr bool stop_is_failure = true;

  static Series start(double a, double x) noexcept { return {x, a, 1, 1}; }

  // One term; true once it no longer changes the sum (a NaN ratio also ends
  // the series).
  auto step() noexcept {
    r = r + 1;
    term = term * (x / r);
    sum = sum + term;
    return detail::negation(detail::quiet_greater(term / sum, T{} + detail::kMachEp));
  }
};

// Legendre's continued fraction for Q, evaluated forwards by the three-term
// recurrence of its numerators p and denominators q.
template <typename T>
struct Fraction {
  T y, z, c, p2, p1, q2, q1, estimate;

  // visit(member, other's member) for every member, in order.
  template <typename Other, typename F>
  void zip(Other& other, F&& visit) noexcept {
    visit(y, other.y);
    visit(z, other.z);
    visit(c, other.c);
    visit(p2, other.p2);
    visit(p1, other.p1);
    visit(q2, other.q2);
    visit(q1, other.q1);
    visit(estimate, other.estimate);
  }

  static constexpr std::int64_t limit = detail::kStepCap;
  static constexpr bool stop_is_failure = true;

  static Fraction start(double a, double x) noexcept {
    const double y = 1 - a;
    const double z = (x + y) + 1;
    const double p1 = x + 1;
    const double q1 = x * z;
    return {y, z, 0, 1, p1, x, q1, p1 / q1};
  }

  // One convergent; true once it moves the estimate by a relative D_MACHEP
  // or less (a NaN change also ends the fraction).
  auto step() noexcept {
    c = c + 1;
    y = y + 1;
    z = z + 2;
    const T m = c * y;
    const T pk = z * p1 - m * p2;
    const T qk = z * q1 - m * q2;
    // A zero qk keeps the estimate and counts as a change of 1; a NaN qk
    // counts as non-zero and makes everything NaN.
    const auto usable = detail::not_zero(qk);
    const T one = T{} + 1;
    const T r = detail::quotient_where(usable, pk, qk, one);
    const T change = detail::magnitude(detail::quotient_where(usable, estimate - r, r, one));
    estimate = detail::select(usable, r, estimate);
    const auto too_big = detail::quiet_greater(detail::magnitude(pk), T{} + kBig);
    p2 = p1;
    p1 = pk;
    q2 = q1;
    q1 = qk;
    detail::scale_where(too_big, kBigInverse, p2, p1, q2, q1);
    return detail::negation(detail::quiet_greater(change, T{} + detail::kMachEp));
  }
};

// What evaluating P or Q at one point takes: the value itself, or one of the
// two loops followed by finish().
enum class Loop { kNone, kSeries, kFraction };

struct Plan {
  Loop loop = Loop::kNone;
  double value = 0;          // the result when loop is kNone
  double a = 0, x = 0;       // the point, for starting the loop
  double log_power = 0;      // a ln x - x, until the prefactor is complete
  double prefactor = 0;      // x^a e^-x / Gamma(a)
  bool complement = false;   // the loop computes the other function: return 1 - it
};

// The loop of the series (for P) or of the fraction (for Q), with the
// logarithm of its prefactor begun: a ln x - x, the logarithm first, then the
// product, then the difference (x is positive or NaN here, so the logarithm
// cannot set errno). complete() subtracts ln Gamma(a), which the scalar
// functions take from one call and the array kernels for a vector of
// elements at once.
inline Plan loop_plan(Loop loop, double a, double x, bool complement) noexcept {
  Plan plan;
  plan.complement = complement;
  plan.loop = loop;
  plan.a = a;
  plan.x = x;
  plan.log_power = a * std::log(x) - x;
  return plan;
}

// True when the plan's prefactor takes ln Gamma(a): every plan with a loop,
// until complete() has found the prefactor to underflow.
inline bool needs_lngamma(const Plan& plan) noexcept { return plan.loop != Loop::kNone; }

// The prefactor x^a e^-x / Gamma(a) from its logarithm; below -D_MAXLOG
// it gives +0 at once (its complement 1 where the other function was asked
// for) and no loop.
inline void complete(Plan& plan, double lngamma_a) noexcept {
  const double log_f = plan.log_power - lngamma_a;
  if (std::isless(log_f, -detail::kMaxLog)) {
    plan.value = plan.complement ? 1.0 - 0.0 : 0.0;
    plan.loop = Loop::kNone;
    return;
  }
  plan.prefactor = detail::exp_keeping_errno(log_f);
}

// P(a, x), up to complete(). The special cases first, in order; the two
// regions are disjoint, so P delegates to Q at most once.
inline Plan plan_lower_start(double a, double x) noexcept {
  Plan plan;
  if (std::islessequal(x, 0.0)) return plan;
  if (std::islessequal(a, 0.0)) return plan;
  if (std::isgreater(x, 1.0) && std::isgreater(x, a)) {
    // 1 - Q; Q's own special cases cannot apply here.
    return loop_plan(Loop::kFraction, a, x, true);
  }
  return loop_plan(Loop::kSeries, a, x, false);
}

// Q(a, x), up to complete().
inline Plan plan_upper_start(double a, double x) noexcept {
  Plan plan;
  plan.value = 1.0;
  if (std::islessequal(x, 0.0)) return plan;
  if (std::islessequal(a, 0.0)) return plan;
  if (std::isless(x, 1.0) || std::isless(x, a)) {
    // 1 - P; P's special cases cannot apply here (x >= 1 in the second test
    // is not needed: x < 1 already delegated).
    return loop_plan(Loop::kSeries, a, x, true);
  }
  return loop_plan(Loop::kFraction, a, x, false);
}

// A plan completed with one log-gamma call, as the scalar functions take it.
inline Plan completed(Plan plan) noexcept {
  if (needs_lngamma(plan)) complete(plan, detail::real_lngamma(plan.a));
  return plan;
}

inline Plan plan_lower(double a, double x) noexcept { return completed(plan_lower_start(a, x)); }
inline Plan plan_upper(double a, double x) noexcept { return completed(plan_upper_start(a, x)); }

// The value from a finished loop: the series' sum or the fraction's estimate
// times the prefactor, the quiet NaN where the loop reached its cap.
inline double finish(const Plan& plan, double loop_value, bool failed) noexcept {
  double v;
  if (failed) {
    v = detail::domain_nan();
  } else if (plan.loop == Loop::kSeries) {
    v = (plan.prefactor * loop_value) / plan.a;
  } else {
    v = plan.prefactor * loop_value;
  }
  return plan.complement ? 1.0 - v : v;
}

// One element from start to end with the scalar steps.
inline double evaluate(const Plan& plan) noexcept {
  if (plan.loop == Loop::kSeries) {
    Series<double> s = Series<double>::start(plan.a, plan.x);
    const bool ended = detail::run_to_end(s);
    return finish(plan, s.sum, !ended);
  }
  if (plan.loop == Loop::kFraction) {
    Fraction<double> f = Fraction<double>::start(plan.a, plan.x);
    const bool ended = detail::run_to_end(f);
    return finish(plan, f.estimate, !ended);
  }
  return plan.value;
}

}  // namespace varnel::cephes::incomplete_gamma

#endif  // VARNEL_SRC_CEPHES_IGAMMA_STEPS_HPP
