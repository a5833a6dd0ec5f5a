// Log-gamma of a positive real argument: the method (see lngamma.cpp), written
// once over the working precision T for the scalar functions, and the same
// operations four (or two) arguments at a time, one per lane (see lanes.hpp),
// for the array kernels, whose prefactors need log-gamma of every element.
#ifndef VARNEL_SRC_SPECFUN_LNGAMMA_STEPS_HPP
#define VARNEL_SRC_SPECFUN_LNGAMMA_STEPS_HPP

#include <cmath>
#include <cstddef>
#include <cstring>

#include "internal.hpp"
#include "lanes.hpp"

namespace varnel::specfun::log_gamma {


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

// A coefficient in the working precision: rounded to float for the single
// precision, spread over every lane for the lanes.
template <typename T>
inline T coefficient(double c) noexcept {
  return static_cast<T>(c);
}
template <>
inline detail::Lanes coefficient<detail::Lanes>(double c) noexcept {
  return detail::broadcast(c);
}

// Evaluates the 8/8 rational function P(t)/Q(t), the denominator starting
// from den0, with the numerator's last coefficient as its constant term.
template <typename T>
inline T rational(const double (&p)[8], const double (&q)[8], T den0, T t) noexcept {
  T num = coefficient<T>(0);
  T den = den0;
  #pragma GCC unroll 8
  for (int i = 0; i < 8; ++i) {
    num = num * t + coefficient<T>(p[i]);
    den = den * t + coefficient<T>(q[i]);
  }
  return num / den;
}

template <typename T>
inline T lngamma_impl(T x) noexcept {
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


// True where ln Gamma(x) takes the logarithm of x: below 0.6796875 and above
// 12 (NaN and x outside (0, bound] take none).
inline bool takes_log(double x) noexcept {
  using Traits = LnGammaTraits<double>;
  return std::isgreater(x, 0.0) && !std::isgreater(x, Traits::domain_bound) &&
         (std::isless(x, 0.6796875) || std::isgreater(x, 12.0));
}

// ln Gamma of every lane of x, given log_x, the C library's logarithm of
// every lane for which takes_log() holds: each lane with exactly the
// operations of lngamma_impl<double> on its value. Each interval's formula is
// evaluated for all lanes when any lane lies in it, the other lanes given a
// harmless stand-in argument inside the interval, so that no lane raises a
// flag its own value would not.
inline detail::Lanes lngamma_lanes(detail::Lanes x, detail::Lanes log_x) noexcept {
  using detail::broadcast;
  using detail::LaneMask;
  using detail::Lanes;
  using detail::quiet_greater;
  using detail::select;
  using Traits = LnGammaTraits<double>;
  const Lanes zero = {};
  const Lanes half = broadcast(0.5);
  Lanes result = broadcast(Traits::out_of_domain);
  const LaneMask in_domain =
      quiet_greater(x, zero) & ~quiet_greater(x, broadcast(Traits::domain_bound));
  if (!detail::any(in_domain)) return result;

  const LaneMask tiny = in_domain & ~quiet_greater(x, broadcast(Traits::small));
  const LaneMask above_1_5 = quiet_greater(x, broadcast(1.5)) & in_domain;
  const LaneMask above_4 = quiet_greater(x, broadcast(4.0)) & in_domain;
  const LaneMask above_12 = quiet_greater(x, broadcast(12.0)) & in_domain;
  const LaneMask to_1_5 = in_domain & ~tiny & ~above_1_5;
  const LaneMask below_068 = to_1_5 & detail::quiet_less(x, broadcast(0.6796875));
  const LaneMask to_4 = above_1_5 & ~above_4;
  const LaneMask to_12 = above_4 & ~above_12;

  result = select(tiny, -log_x, result);

  if (detail::any(to_1_5)) {
    const Lanes xs = select(to_1_5, x, broadcast(1.0));
    const LaneMask at_most_half = below_068 & ~quiet_greater(xs, half);
    const LaneMask about_two = below_068 & ~at_most_half;
    const Lanes base = select(below_068, -log_x, zero);
    const Lanes t = select(at_most_half, xs, (xs - half) - half);
    Lanes ratio = zero;
    if (detail::any(to_1_5 & ~about_two)) {
      ratio = rational<Lanes>(kP1, kQ1, broadcast(1.0), select(about_two, zero, t));
    }
    if (detail::any(about_two)) {
      const Lanes t2 = select(about_two, t, zero);
      ratio = select(about_two, rational<Lanes>(kP2, kQ2, broadcast(1.0), t2), ratio);
    }
    const Lanes d = select(about_two, broadcast(kD2), broadcast(kD1));
    result = select(to_1_5, base + t * (d + t * ratio), result);
  }
  if (detail::any(to_4)) {
    const Lanes t = select(to_4, x, broadcast(2.0)) - 2;
    result = select(to_4, t * (kD2 + t * rational<Lanes>(kP2, kQ2, broadcast(1.0), t)), result);
  }
  if (detail::any(to_12)) {
    const Lanes t = select(to_12, x, broadcast(4.0)) - 4;
    result = select(to_12, kD4 + t * rational<Lanes>(kP4, kQ4, broadcast(-1.0), t), result);
  }
  if (detail::any(above_12)) {
    const Lanes xs = select(above_12, x, broadcast(13.0));
    const LaneMask in_series = above_12 & ~quiet_greater(xs, broadcast(Traits::series_cutoff));
    const Lanes xt = select(in_series, xs, broadcast(13.0));
    const Lanes x2 = xt * xt;
    Lanes w = broadcast(detail::kStirling[0]);
    #pragma GCC unroll 6
    for (int k = 1; k < 7; ++k) w = w / x2 + detail::kStirling[k];
    w = select(in_series, w, zero) / xs;
    const Lanes c = log_x;
    w = (w + detail::kLnSqrt2Pi) - half * c;
    result = select(above_12, w + xs * (c - 1), result);
  }
  return result;
}

// ln Gamma of n arguments into out (which may be x itself). The logarithms
// first, one C library call after the other, then the rest a vector of lanes
// at a time, whose divisions then overlap from one vector to the next; the
// work goes in chunks, whose logarithms overlap the previous chunk's
// divisions. The last arguments, fewer than a vector, take the scalar
// method.
inline void lngamma_lanes(std::size_t n, const double* x, double* out) noexcept {
  using detail::kLanes;
  using detail::Lanes;
  constexpr std::size_t kChunk = 64;
  double logs[kChunk];
  for (std::size_t first = 0; first < n; first += kChunk) {
    const std::size_t m = n - first < kChunk ? n - first : kChunk;
    const std::size_t whole = m - m % kLanes;  // in whole vectors
    for (std::size_t i = 0; i < whole; ++i) {
      const double v = x[first + i];
      logs[i] = takes_log(v) ? LnGammaTraits<double>::log(v) : 0.0;
    }
    std::size_t i = 0;
    for (; i < whole; i += kLanes) {
      Lanes v, l;
      std::memcpy(&v, x + first + i, sizeof v);
      std::memcpy(&l, logs + i, sizeof l);
      v = lngamma_lanes(v, l);
      std::memcpy(out + first + i, &v, sizeof v);
    }
    for (; i < m; ++i) out[first + i] = lngamma_impl(x[first + i]);
  }
}

}  // namespace varnel::specfun::log_gamma

#endif  // VARNEL_SRC_SPECFUN_LNGAMMA_STEPS_HPP
