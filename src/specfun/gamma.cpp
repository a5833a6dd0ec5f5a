// Gamma function of a real argument, single and double precision.
//
// Method, written once over the working precision T:
//   x <= 0      reflection Gamma(x) = -pi / (sin(pi*frac) * Gamma(1 - x)),
//               with the sign taken from the parity of the integer part;
//               zero and the negative integers give the overflow value;
//   0 < x < eps 1/x (the overflow value below the smallest normal bound);
//   y < 12      a rational approximation of Gamma(1 + z) on 0 <= z < 1,
//               divided by y for y < 1 or multiplied up by the recurrence
//               Gamma(y + 1) = y Gamma(y) for 2 <= y < 12;
//   y >= 12     Stirling's formula up to the overflow bound.
// NaN and both infinities end in the overflow value, always positive.
//
// The single-precision version computes in float except at the steps that
// need an elementary function: the sine of the reflection, the logarithm and
// the exponential of the Stirling branch are taken in double and rounded.
#include <cmath>
#include <cstdint>

#include "internal.hpp"
#include "varnel/varnel.hpp"

namespace varnel::specfun {
namespace {

// Rational approximation of Gamma(1 + z), 0 <= z < 1: numerator and
// denominator coefficients in the order the evaluation consumes them.
constexpr double kGammaP[8] = {
    -1.716185138865495,  24.76565080557592,   -379.80425647094563,
    629.3311553128184,   866.96620279041326,  -31451.272968848367,
    -36144.413418691176, 66456.143820240541,
};
constexpr double kGammaQ[8] = {
    -30.840230011973897, 315.35062697960416, -1015.1563674902192,
    -3107.7716715723109, 22538.11842098015,  4755.8462775278813,
    -134659.95986496931, -115132.25967555349,
};

template <typename T>
struct GammaTraits;

template <>
struct GammaTraits<double> {
  static constexpr double small = 2.22e-16;          // just below 2^-52
  static constexpr double smallest_normal = 2.23e-308;
  static constexpr double overflow_bound = 171.624;
  static constexpr double pi = 3.141592653589793;
};

template <>
struct GammaTraits<float> {
  static constexpr float small = 1.19e-7f;           // just below 2^-23
  static constexpr float smallest_normal = 1.18e-38f;
  static constexpr float overflow_bound = 35.04f;
  static constexpr float pi = 3.14159265358979323846f;  // 3.1415927410125732
};

template <typename T>
T gamma_impl(T x) noexcept {
  using Traits = GammaTraits<T>;
  constexpr T overflow = detail::Precision<T>::overflow;
  constexpr T recurrence_limit = 12;

  T y;
  T refl = 1;
  bool negate = false;

  if (std::islessequal(x, T(0))) {
    y = -x;
    const T m = std::trunc(y);
    const T frac = y - m;
    if (frac == 0) return overflow;  // zero or a negative integer: a pole
    negate = m != 2 * std::trunc(m / 2);
    // The product pi*frac is formed in T; the sine and the quotient are taken
    // in double and rounded back (a no-op for double).
    refl = static_cast<T>(-static_cast<double>(Traits::pi) /
                          std::sin(static_cast<double>(frac * Traits::pi)));
    y = 1 - x;
  } else {
    if (std::isless(x, Traits::small)) {
      return std::isgreaterequal(x, Traits::smallest_normal) ? 1 / x : overflow;
    }
    y = x;
  }

  T r;
  if (std::isless(y, recurrence_limit)) {
    const T u = y;
    T z;
    int32_t n;
    if (std::isless(y, T(1))) {
      z = y;
      y = y + 1;
      n = 0;
    } else {
      n = static_cast<int32_t>(y) - 1;
      y = y - static_cast<T>(n);
      z = y - 1;
    }
    T num = 0;
    T den = 1;
    #pragma GCC unroll 8
    for (int i = 0; i < 8; ++i) {
      num = (num + static_cast<T>(kGammaP[i])) * z;
      den = den * z + static_cast<T>(kGammaQ[i]);
    }
    r = num / den + 1;
    if (std::isgreater(y, u)) {
      r = r / u;
    } else if (std::isless(y, u)) {
      for (int32_t i = 0; i < n; ++i) {
        r = r * y;
        y = y + 1;
      }
    }
  } else {
    // NaN and +infinity fail this test too.
    if (!std::islessequal(y, Traits::overflow_bound)) return overflow;
    const T y2 = y * y;
    T t = static_cast<T>(detail::kStirling[0]);
    #pragma GCC unroll 6
    for (int k = 1; k < 7; ++k) {
      t = t / y2 + static_cast<T>(detail::kStirling[k]);
    }
    t = t / y - y + static_cast<T>(detail::kLnSqrt2Pi);
    // (y - 0.5) in T, the logarithm, product and sum in double.
    t = static_cast<T>(static_cast<double>(t) +
                       static_cast<double>(y - T(0.5)) *
                           std::log(static_cast<double>(y)));
    // Just below the overflow bound the exponential can overflow and set
    // errno; the helper guards that end of its range only.
    r = static_cast<T>(detail::exp_keeping_errno(static_cast<double>(t)));
  }

  if (negate) r = -r;
  if (refl != 1) r = refl / r;
  return r;
}

}  // namespace

// The sine's argument is pi times a fraction in (0, 1), or a NaN for -infinity,
// and the logarithm's lies in [12, 171.7]; neither call can set errno. Only
// the exponential guards errno, on the arguments where it can overflow.
float s_gamma(float x) noexcept { return gamma_impl(x); }

double d_gamma(double x) noexcept { return gamma_impl(x); }

}  // namespace varnel::specfun

double varnel::detail::real_gamma(double x) noexcept {
  return specfun::gamma_impl(x);
}
