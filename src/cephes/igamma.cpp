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
//
// The code is in igamma_steps.hpp, in stages that the array kernels share:
// each loop is one step over a number type, run here to its end for one
// element and there for several elements side by side.
#include "cephes/igamma_steps.hpp"
#include "varnel/varnel.hpp"

namespace varnel::cephes {

// The only C library call that can set errno is the exponential of the
// prefactor, which guards itself where it can overflow or underflow.
// Flattened, as cephes::d_ibeta: the stages in one body keep the scalar path
// as fast as before they were shared.
[[gnu::flatten]] double d_igamma(double a, double x) noexcept {
  return incomplete_gamma::evaluate(incomplete_gamma::plan_lower(a, x));
}

[[gnu::flatten]] double d_igamc(double a, double x) noexcept {
  return incomplete_gamma::evaluate(incomplete_gamma::plan_upper(a, x));
}

}  // namespace varnel::cephes
