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
//
// The code is in ibeta_steps.hpp, in stages that the array kernels share.
#include "specfun/ibeta_steps.hpp"
#include "varnel/varnel.hpp"

namespace varnel::specfun {

// A NaN argument gives a NaN, and raises no exception: a NaN a or b makes q a
// NaN, which keeps x = 1 unreflected where a number would reflect it, and the
// prefactor then takes log(1 - x) = log(0), a pole (division by zero). Such a
// call runs under a hold on the floating-point exceptions; numbers never do.
double d_ibeta(double a, double b, double x) noexcept {
  if (__builtin_expect(single_fraction::needs_exception_hold(a, b, x), 0)) {
    const detail::ExceptionHold hold;
    return single_fraction::evaluate(single_fraction::plan_ibeta(a, b, x));
  }
  return single_fraction::evaluate(single_fraction::plan_ibeta(a, b, x));
}

}  // namespace varnel::specfun
