// Log-gamma function of a positive real argument, single and double precision.
//
// Method, written once over the working precision T:
//   x <= 0, NaN, x > bound   the out-of-domain value (no reflection);
//   x <= small               -log(x), since ln Gamma(x) = -ln x - gamma x + ...;
//   x < 0.6796875            -log(x) plus a rational approximation of
//                            ln(x Gamma(x)) about 1 (x <= 0.5) or about 2;
//   0.6796875 <= x <= 1.5    the rational approximation about 1, t = x - 1;
//   1.5 < x <= 4             the rational approximation about 2, t = x - 2;
//   4 < x <= 12              the rational approximation about 4, t = x - 4;
//   x > 12                   Stirling's series; above a cut-off the
//                            correction terms are below half an ulp and
//                            are dropped.
// The approximations about 1 and 2 have the form t (D + t num(t)/den(t)), so
// that ln Gamma(1) and ln Gamma(2) come out as exact zeros.
//
// The single-precision version computes in float throughout except for the
// logarithm, which is taken in double and rounded before any further use.
#include <cmath>

#include "internal.hpp"
#include "varnel/varnel.hpp"

namespace varnel::specfun {
namespace {

// Rational approximations of order 8/8, coefficients in the order the
// evaluation consumes them: num = num*t + P[i], den = den*t + Q[i].
// About 1: ln Gamma(1 + t) = t (D1 + t P1(t)/Q1(t)).
constexpr double kP1[8] = {
    4.9452353592967269, 201.8112620856775,  2290.8383738313464,
    11319.672059033808, 28557.246356716354, 38484.962284437934,
    26377.487876241954, 7225.8139797002877,
};
constexpr double kQ1[8] = {
    67.482125503037778, 1113.3323938571993, 7738.7570569353984,
    27639.870744033407, 54993.102062261576, 61611.221800660023,
    36351.275915019403, 8785.5363024310136,
};
// About 2: ln Gamma(2 + t) = t (D2 + t P2(t)/Q2(t)).
constexpr double kP2[8] = {
    4.974607845568932,  542.4138599891071,  15506.938649783649,
    184793.29044456323, 1088204.7694688288, 3338152.9679870298,
    5106661.6789273527, 3074109.0548505397,
};
constexpr double kQ2[8] = {
    183.03283993705926, 7765.0493214450062, 133190.38279660742,
    1136705.8213219696, 5267964.1174379466, 13467014.543111017,
    17827365.303532742, 9533095.5918443538,
};
// About 4: ln Gamma(4 + t) = D4 + t P4(t)/Q4(t), the denominator starting
// from -1.
constexpr double kP4[8] = {
    14745.021660599399, 2426813.3694867045, 121475557.40450932,
    2663432449.6309772, 29403789566.345539, 170266573776.53989,
    492612579337.7431,  560625185622.39514,
};
constexpr double kQ4[8] = {
    2690.5301758708993, 639388.56543000927, 41355999.302413881,
    1120872109.616148,  14886137286.788137, 101680358627.24382,
    341747634550.73773, 446315818741.97131,
};

constexpr double kD1 = -0.57721566490153287;  // -Euler's constant: (ln Gamma)'(1)
constexpr double kD2 = 0.42278433509846713;   // 1 - Euler's constant: (ln Gamma)'(2)
constexpr double kD4 = 1.791759469228055;     // ln 6 = ln Gamma(4)

template <typename T>
struct LnGammaTraits;

template <>
struct LnGammaTraits<double> {
  // Above this bound x (ln x - 1) exceeds the overflow value.
  static constexpr double domain_bound = 2.55e305;
  static constexpr double out_of_domain = detail::Precision<double>::overflow;
  // Below 2^-52 the terms after -ln x are lost in rounding.
  static constexpr double small = 2.22e-16;
  // Above this the Stirling correction 1/(12x) is below half an ulp.
  static constexpr double series_cutoff = 2.25e76;

  static double log(double x) noexcept { return std::log(x); }
};

template <>
struct LnGammaTraits<float> {
  static constexpr float domain_bound = 4.08e36f;
  // Not the overflow value of the other single-precision functions.
  static constexpr float out_of_domain = 3.401e38f;  // bits 0x7f7fdce1
  static constexpr float small = 1.19e-7f;           // just below 2^-23
  static constexpr float series_cutoff = 1.42e9f;    // exactly 1420000000

  // The one step in double: log of the widened argument, rounded at once.
  static float log(float x) noexcept {
    return static_cast<float>(std::log(static_cast<double>(x)));
  }
};

// Evaluates the 8/8 rational function P(t)/Q(t), the denominator starting
// from den0, with the numerator's last coefficient as its constant term.
template <typename T>
T rational(const double (&p)[8], const double (&q)[8], T den0, T t) noexcept {
  T num = 0;
  T den = den0;
  #pragma GCC unroll 8
  for (int i = 0; i < 8; ++i) {
    num = num * t + static_cast<T>(p[i]);
    den = den * t + static_cast<T>(q[i]);
  }
  return num / den;
}

template <typename T>
T lngamma_impl(T x) noexcept {
  using Traits = LnGammaTraits<T>;
  constexpr T half = static_cast<T>(0.5);

  // NaN fails this test as well as zero of either sign and negatives.
  if (!std::isgreater(x, T(0))) return Traits::out_of_domain;
  if (std::isgreater(x, Traits::domain_bound)) return Traits::out_of_domain;

  if (std::islessequal(x, Traits::small)) return -Traits::log(x);

  if (std::islessequal(x, static_cast<T>(1.5))) {
    T base;
    T t;
    bool about_one;
    if (std::isless(x, static_cast<T>(0.6796875))) {
      // ln Gamma(x) = -ln x + ln Gamma(x + 1): the approximation then works
      // on x itself (about 1) or on x - 1 (about 2).
      base = -Traits::log(x);
      if (std::islessequal(x, half)) {
        t = x;
        about_one = true;
      } else {
        t = (x - half) - half;
        about_one = false;
      }
    } else {
      base = 0;
      t = (x - half) - half;
      about_one = true;
    }
    const T d = static_cast<T>(about_one ? kD1 : kD2);
    const T ratio = about_one ? rational<T>(kP1, kQ1, 1, t) : rational<T>(kP2, kQ2, 1, t);
    return base + t * (d + t * ratio);
  }

  if (std::islessequal(x, T(4))) {
    const T t = x - 2;
    return t * (static_cast<T>(kD2) + t * rational<T>(kP2, kQ2, 1, t));
  }

  if (std::islessequal(x, T(12))) {
    const T t = x - 4;
    return static_cast<T>(kD4) + t * rational<T>(kP4, kQ4, -1, t);
  }

  // Stirling: ln Gamma(x) = (x - 1/2) ln x - x + ln sqrt(2 pi) + w(x)/x,
  // arranged as (w/x + ln sqrt(2 pi)) - ln(x)/2 + x (ln x - 1).
  T w = 0;
  if (std::islessequal(x, Traits::series_cutoff)) {
    const T x2 = x * x;
    w = static_cast<T>(detail::kStirling[0]);
    #pragma GCC unroll 6
    for (int k = 1; k < 7; ++k) {
      w = w / x2 + static_cast<T>(detail::kStirling[k]);
    }
  }
  w = w / x;
  const T c = Traits::log(x);
  w = (w + static_cast<T>(detail::kLnSqrt2Pi)) - half * c;
  return w + x * (c - 1);
}

}  // namespace

// No errno guard: the only C library call is the logarithm of an argument
// already known to be positive and finite, which cannot fail.
float s_lngamma(float x) noexcept { return lngamma_impl(x); }

double d_lngamma(double x) noexcept { return lngamma_impl(x); }

}  // namespace varnel::specfun

double varnel::detail::real_lngamma(double x) noexcept {
  return specfun::lngamma_impl(x);
}
