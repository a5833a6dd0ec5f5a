// Error function, complementary error function and scaled complementary
// error function exp(x^2) erfc(x), single and double precision, through one
// entry point with a selector: kind 0 erf, 1 erfc, 2 exp(x^2) erfc(x).
//
// Method, written once over the working precision T, with y = |x|:
//   region 1, y <= 0.46875        erf(x) = x A(x^2)/B(x^2), rational;
//   region 2, 0.46875 < y <= 4    exp(y^2) erfc(y) = C(y)/D(y), rational;
//   region 3, 4 < y < bound       exp(y^2) erfc(y) = (1/sqrt(pi) - z P(z)/Q(z))/y
//                                 with z = 1/y^2, asymptotic in form;
//   region 4, y >= bound          erfc(y) is below the smallest normal number
//                                 and is returned as 0;
//                                 the scaled function keeps the region-3 form,
//                                 then 1/(sqrt(pi) y), then 0.
// In regions 2 and 3 erfc(y) needs exp(-y^2), which loses accuracy when y^2
// is formed in one piece. It is split instead: with t = y cut to a multiple
// of 1/16, y^2 = t^2 + (y - t)(y + t), where t^2 is exact, and
// exp(-y^2) = exp(-t^2) exp(-(y - t)(y + t)). Negative arguments are then
// mapped by erf(-y) = -erf(y), erfc(-y) = 2 - erfc(y) and
// exp(y^2) erfc(-y) = 2 exp(y^2) - exp(y^2) erfc(y), the last giving the
// overflow value where exp(y^2) would overflow.
//
// The selector is not validated: a value other than 0, 1 and 2 takes the
// "not 2" branches before the final step and the "not 0 or 1" branch in it.
//
// A NaN fails every region test but the last and runs through region 3, so
// it propagates to the result for every selector.
//
// Both precisions share the coefficients (the float ones are the double ones
// rounded) but have their own thresholds, and each uses the exponential of
// its own precision.
#include <cmath>
#include <cstddef>

#include "internal.hpp"
#include "varnel/varnel.hpp"

namespace varnel::specfun {
namespace {

// Region 1: erf(x) = x (((A5 z + A1) z + A2) z + A3) z + A4) /
//                      ((((z + B1) z + B2) z + B3) z + B4), z = x^2.
constexpr double kA[5] = {
    3.1611237438705655, 113.86415415105016, 377.48523768530202,
    3209.3775891384694, 0.18577770618460315,
};
constexpr double kB[4] = {
    23.601290952344122, 244.02463793444417, 1282.6165260773723,
    2844.2368334391708,
};

// Region 2: exp(y^2) erfc(y) as a ratio of degree-8 polynomials in y; C9 is
// the leading numerator coefficient, the denominator is monic.
constexpr double kC[9] = {
    0.56418849698867013, 8.8831497943883768, 66.119190637141628,
    298.63513819740012,  881.95222124176905, 1712.0476126340707,
    2051.0783778260716,  1230.3393547979972, 2.1531153547440383e-08,
};
constexpr double kD[8] = {
    15.744926110709835, 117.6939508913125,  537.18110186200988,
    1621.3895745666903, 3290.7992357334597, 4362.6190901432474,
    3439.3676741437216, 1230.3393548037495,
};

// Region 3: correction to the asymptotic series in z = 1/y^2; P6 is the
// leading numerator coefficient, the denominator is monic.
constexpr double kP[6] = {
    0.30532663496123236,    0.36034489994980445,  0.12578172611122926,
    0.016083785148742275,   0.00065874916152983782, 0.016315387137302097,
};
constexpr double kQ[5] = {
    2.5685201922898222,    1.8729528499234604,    0.52790510295142845,
    0.060518341312441319,  0.0023352049762686918,
};

constexpr double kOneOverSqrtPi = 0.56418958354775628;

// The coefficients in the working precision T, the float ones rounded from the
// double ones entry by entry when the library is compiled. Rounded at run time
// instead, as a compiler that keeps the floating-point exceptions must do, each
// coefficient that a float cannot hold would raise inexact on every call, a
// NaN argument's included.
template <typename T, std::size_t N>
struct Coefficients {
  T value[N];
  constexpr T operator[](std::size_t i) const { return value[i]; }
};

template <typename T, std::size_t N>
constexpr Coefficients<T, N> in_precision(const double (&table)[N]) {
  Coefficients<T, N> rounded{};
  for (std::size_t i = 0; i < N; ++i) rounded.value[i] = static_cast<T>(table[i]);
  return rounded;
}

template <typename T>
constexpr auto kAIn = in_precision<T>(kA);
template <typename T>
constexpr auto kBIn = in_precision<T>(kB);
template <typename T>
constexpr auto kCIn = in_precision<T>(kC);
template <typename T>
constexpr auto kDIn = in_precision<T>(kD);
template <typename T>
constexpr auto kPIn = in_precision<T>(kP);
template <typename T>
constexpr auto kQIn = in_precision<T>(kQ);
template <typename T>
constexpr T kOneOverSqrtPiIn = static_cast<T>(kOneOverSqrtPi);

template <typename T>
struct CalerfTraits;

template <>
struct CalerfTraits<double> {
  // At or below this x^2 is far below the last bit of A4/B4 and is taken as 0.
  static constexpr double small = 1.11e-16;
  // From here erfc(y) is below the smallest normal number; it is returned as 0.
  static constexpr double large = 26.543;
  // From here the scaled function is 1/(sqrt(pi) y) to working precision ...
  static constexpr double asymptotic = 6.71e7;
  // ... and from here that quotient is below the smallest normal number.
  static constexpr double zero = 2.53e307;
  // Just below this 2 exp(x^2) exceeds the largest double.
  static constexpr double negative_overflow = -26.628;
  static constexpr double overflow = detail::Precision<double>::overflow;

  static double exp(double v) noexcept { return std::exp(v); }
};

template <>
struct CalerfTraits<float> {
  static constexpr float small = 5.96e-8f;
  static constexpr float large = 9.194f;
  static constexpr float asymptotic = 2900.0f;
  static constexpr float zero = 4.79e37f;
  static constexpr float negative_overflow = -9.382f;
  static constexpr float overflow = detail::Precision<float>::overflow;

  static float exp(float v) noexcept { return std::exp(v); }  // expf
};

// The largest multiple of 1/16 not above |v| in magnitude, with v's sign.
// Both steps are exact.
template <typename T>
T cut_to_sixteenths(T v) noexcept {
  return std::trunc(v * 16) / 16;
}

// exp(-y^2) formed as exp(-t^2) exp(-(y - t)(y + t)), t = y cut to 1/16.
template <typename T>
[[gnu::always_inline]] inline T split_exp_neg_square(T y) noexcept {
  using Traits = CalerfTraits<T>;
  const T t = cut_to_sixteenths(y);
  const T delta = (y - t) * (y + t);
  return Traits::exp(-(t * t)) * Traits::exp(-delta);
}

// exp(x^2) formed the same way, for the reflection of the scaled function.
template <typename T>
T split_exp_square(T x) noexcept {
  using Traits = CalerfTraits<T>;
  const T t = cut_to_sixteenths(x);
  const T delta = (x - t) * (x + t);
  return Traits::exp(t * t) * Traits::exp(delta);
}

// exp(y^2) erfc(y) for y > 4 (and NaN): the region-3 approximation.
template <typename T>
[[gnu::always_inline]] inline T scaled_erfc_asymptotic(T x, T y) noexcept {
  const T z = 1 / (x * x);
  T num = kPIn<T>[5] * z;
  T den = z;
  #pragma GCC unroll 4
  for (int i = 0; i < 4; ++i) {
    num = (num + kPIn<T>[i]) * z;
    den = (den + kQIn<T>[i]) * z;
  }
  num = num + kPIn<T>[4];
  den = den + kQIn<T>[4];
  return (kOneOverSqrtPiIn<T> - (z * num) / den) / y;
}

template <typename T>
T calerf_impl(T x, int kind) noexcept {
  using Traits = CalerfTraits<T>;
  const T y = std::fabs(x);
  T r;

  if (std::islessequal(y, static_cast<T>(0.46875))) {
    const T z = std::isgreater(y, Traits::small) ? x * x : T(0);
    T num = kAIn<T>[4] * z;
    T den = z;
    #pragma GCC unroll 3
    for (int i = 0; i < 3; ++i) {
      num = (num + kAIn<T>[i]) * z;
      den = (den + kBIn<T>[i]) * z;
    }
    num = num + kAIn<T>[3];
    den = den + kBIn<T>[3];
    r = (x * num) / den;
    if (kind == 0) return r;
    r = 1 - r;
    if (kind == 2) return r * Traits::exp(z);
    return r;
  }

  if (std::islessequal(y, T(4))) {
    T num = kCIn<T>[8] * y;
    T den = y;
    #pragma GCC unroll 7
    for (int i = 0; i < 7; ++i) {
      num = (num + kCIn<T>[i]) * y;
      den = (den + kDIn<T>[i]) * y;
    }
    r = (num + kCIn<T>[7]) / (den + kDIn<T>[7]);
    if (kind != 2) r = r * split_exp_neg_square(y);
  } else if (std::isgreaterequal(y, Traits::large)) {
    // Infinities land here.
    if (kind != 2) {
      r = 0;
    } else if (std::isgreaterequal(y, Traits::zero)) {
      r = 0;
    } else if (std::isgreaterequal(y, Traits::asymptotic)) {
      r = kOneOverSqrtPiIn<T> / y;
    } else {
      r = scaled_erfc_asymptotic(x, y);
    }
  } else {
    // 4 < y < large, and NaN.
    r = scaled_erfc_asymptotic(x, y);
    if (kind != 2) r = r * split_exp_neg_square(y);
  }

  // r is erfc(y), or exp(y^2) erfc(y) for kind 2; map to the requested
  // function of x.
  if (kind == 0) {
    r = (static_cast<T>(0.5) - r) + static_cast<T>(0.5);
    if (std::isless(x, T(0))) r = -r;
    return r;
  }
  if (kind == 1) {
    if (std::isless(x, T(0))) r = 2 - r;
    return r;
  }
  if (std::isless(x, T(0))) {
    if (std::isless(x, Traits::negative_overflow)) return Traits::overflow;
    r = 2 * split_exp_square(x) - r;
  }
  return r;
}

}  // namespace

// No errno guard: the region bounds keep every exponential's argument where
// its result is a normal number (exp(-t*t) below the large-argument bound,
// exp(t*t) above the negative overflow bound, both in either precision), and
// the exponential of a NaN is a NaN without an error, so no call made here
// can set errno.
float s_calerf(float x, int kind) noexcept { return calerf_impl(x, kind); }

double d_calerf(double x, int kind) noexcept { return calerf_impl(x, kind); }

}  // namespace varnel::specfun
