// The single-fraction incomplete beta function in three stages, shared by the
// scalar function (ibeta.cpp) and the array kernels:
//   plan    the symmetry and the prefactor;
//   step    one convergent of the fraction, as a template over double and
//           Lanes (see lanes.hpp);
//   finish  the prefactor times the fraction, complemented after a swap.
// The method itself is described in ibeta.cpp.
#ifndef VARNEL_SRC_SPECFUN_IBETA_STEPS_HPP
#define VARNEL_SRC_SPECFUN_IBETA_STEPS_HPP

#include <cmath>
#include <cstdint>

#include "internal.hpp"
#include "lanes.hpp"

namespace varnel::specfun::single_fraction {

constexpr double kTolerance = 1e-10;

// The partial numerator's product for step k = 2j + 1 (odd) or k = 2j (even):
// (a' + b' + j)(-(a' + j)) or (b' - j) j. The scalar step computes the one
// its k needs; the lanes, whose k differ, compute both and keep each lane's.
template <typename OddProduct, typename EvenProduct>
inline double numerator_product(bool odd, OddProduct odd_product, EvenProduct even_product) noexcept {
  return odd ? odd_product() : even_product();
}
template <typename OddProduct, typename EvenProduct>
inline detail::Lanes numerator_product(detail::LaneMask odd, OddProduct odd_product,
                                       EvenProduct even_product) noexcept {
  return detail::select(odd, odd_product(), even_product());
}

// The convergents f = A_k/B_k with g = A_(k-1)/B_k and h = B_(k-1)/B_k; k
// counts the steps, j is the index of step k's partial numerator, and odd is
// 1 for odd k and 0 for even k.
template <typename T>
struct Fraction {
  T a, b, x, k, j, odd, f, g, h;

  // visit(member, other's member) for every member, in order.
  template <typename Other, typename F>
  void zip(Other& other, F&& visit) noexcept {
    visit(a, other.a);
    visit(b, other.b);
    visit(x, other.x);
    visit(k, other.k);
    visit(j, other.j);
    visit(odd, other.odd);
    visit(f, other.f);
    visit(g, other.g);
    visit(h, other.h);
  }

  static constexpr std::int64_t limit = detail::kStepCap;
  static constexpr bool stop_is_failure = true;

  static Fraction start(double a, double b, double x) noexcept {
    return {a, b, x, 1, 0, 1, 1, 0, 1};
  }

  // One convergent; true once it moves the value by less than the tolerance
  // (also on NaN). f is then the value.
  auto step() noexcept {
    const T one = T{} + 1;
    const T s = a + k;
    const auto is_odd = detail::not_zero(odd);
    const T product = numerator_product(
        is_odd, [&] { return ((a + b) + j) * (-(a + j)); }, [&] { return (b - j) * j; });
    const T alpha = (product * x) / ((s - 1) * s);
    const T t = alpha * h + 1;
    // A zero t ends the iteration with the previous convergent (a NaN t
    // counts as non-zero).
    const auto usable = detail::not_zero(t);
    h = detail::quotient_where(usable, one, t, h);
    const T f_new = detail::quotient_where(usable, alpha * g + f, t, f);
    g = detail::quotient_where(usable, f, t, g);
    const auto converged =
        detail::negation(detail::quiet_greater_equal(detail::magnitude(f_new - f), T{} + kTolerance));
    f = f_new;
    k = k + 1;
    j = detail::select(is_odd, j + 1, j);  // step k + 1 = 2(j + 1) follows step 2j + 1
    odd = one - odd;
    return converged;
  }
};

// The arguments that run under a hold on the floating-point exceptions (see
// ibeta.cpp): a NaN anywhere.
inline bool needs_exception_hold(double a, double b, double x) noexcept {
  return std::isunordered(a, b) || std::isnan(x);
}

struct Plan {
  double a = 0, b = 0, x = 0;  // the working problem (a', b', x')
  double log_powers = 0;       // log(x'^a' (1 - x')^b'), for complete()
  double prefactor = 0;        // x'^a' (1 - x')^b' / (a' B(a', b'))
  bool complement = false;
};

// True when the plan's prefactor takes the three log-gammas: x' > 0 (it is
// 0 otherwise, a NaN x' included).
inline bool needs_lngamma(const Plan& plan) noexcept { return std::isgreater(plan.x, 0.0); }

// The working problem and the logarithm of the powers of the prefactor;
// complete() then takes ln Gamma(a'), ln Gamma(b') and ln Gamma(a' + b'),
// which the scalar function takes from three calls and the array kernel for
// a vector of arguments at once. Of the C library calls only log(1 - x'),
// which fails for x' >= 1 (outside the domain), and the exponential can set
// errno; both guard it on those arguments only.
inline Plan plan_ibeta_start(double a, double b, double x) noexcept {
  // Symmetry test; a NaN q or x keeps the problem as it is. For a, b > 0 the
  // threshold is below 1, but it rounds to 1 when b is tiny against a; at
  // x = 1 the test would then keep the problem, whose prefactor is exactly 0
  // (log(1 - x) is -inf), and return 0 after a fraction that converges very
  // slowly at x = 1, instead of I_1(a, b) = 1. Reflecting there gives 1 at
  // once.
  const double q = (a + 1) / ((a + b) + 1);
  Plan plan;
  plan.complement = std::isless(q, x) ||
                    (x == 1 && q == 1 && std::isgreater(a, 0.0) && std::isgreater(b, 0.0));
  plan.a = plan.complement ? b : a;
  plan.b = plan.complement ? a : b;
  plan.x = plan.complement ? 1 - x : x;

  // Prefactor x'^a' (1 - x')^b' / (a' B(a', b')), 0 for x' <= 0 (or NaN).
  if (needs_lngamma(plan)) {
    const double log_x = std::log(plan.x);
    const double log_1mx = detail::log_keeping_errno(1 - plan.x);
    plan.log_powers = plan.a * log_x + plan.b * log_1mx;
  }
  return plan;
}

// The prefactor from the three log-gammas of a plan that needs them.
inline void complete(Plan& plan, double lngamma_a, double lngamma_b,
                     double lngamma_ab) noexcept {
  const double log_beta = (lngamma_a + lngamma_b) - lngamma_ab;
  plan.prefactor = detail::exp_keeping_errno(plan.log_powers - log_beta) / plan.a;
}

inline Plan plan_ibeta(double a, double b, double x) noexcept {
  Plan plan = plan_ibeta_start(a, b, x);
  if (needs_lngamma(plan)) {
    complete(plan, detail::real_lngamma(plan.a), detail::real_lngamma(plan.b),
             detail::real_lngamma(plan.a + plan.b));
  }
  return plan;
}

inline Fraction<double> start_fraction(const Plan& plan) noexcept {
  return Fraction<double>::start(plan.a, plan.b, plan.x);
}

// The result from the fraction's value; the quiet NaN where it reached the
// cap.
inline double finish(const Plan& plan, double fraction, bool failed) noexcept {
  if (failed) return detail::domain_nan();
  const double v = plan.prefactor * fraction;
  return plan.complement ? 1 - v : v;
}

inline double evaluate(const Plan& plan) noexcept {
  Fraction<double> fraction = start_fraction(plan);
  const bool ended = detail::run_to_end(fraction);
  return finish(plan, fraction.f, !ended);
}

}  // namespace varnel::specfun::single_fraction

#endif  // VARNEL_SRC_SPECFUN_IBETA_STEPS_HPP
