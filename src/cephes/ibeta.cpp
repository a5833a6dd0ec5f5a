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
//
// The code is in ibeta_steps.hpp, in stages that the array kernels share.
#include "cephes/ibeta_steps.hpp"
#include "varnel/varnel.hpp"

namespace varnel::cephes {

// The fractions call nothing from the C library: no errno to keep.
double incbcf(double a, double b, double x) noexcept {
  auto fraction = incomplete_beta::Fraction<double>::start_cf(a, b, x);
  detail::run_to_end(fraction);
  return fraction.estimate;
}

double incbd(double a, double b, double x) noexcept {
  auto fraction = incomplete_beta::Fraction<double>::start_d(a, b, x);
  detail::run_to_end(fraction);
  return fraction.estimate;
}

double pseries(double a, double b, double x) noexcept {
  return incomplete_beta::evaluate(incomplete_beta::series_plan(a, b, x, false));
}

// Flattened: the plan, both loops and the finish in one body, as one
// function of straight code keeps the scalar path as fast as before the
// stages were shared.
[[gnu::flatten]] double d_ibeta(double a, double b, double x) noexcept {
  return incomplete_beta::evaluate(incomplete_beta::plan_ibeta(a, b, x));
}

}  // namespace varnel::cephes
