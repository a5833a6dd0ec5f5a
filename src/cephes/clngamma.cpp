// Logarithm of the gamma function of a complex argument.
//
// Method, entirely in real arithmetic on the two parts of z = x + iy:
//   poles        y = 0 and x a non-positive integer of the 32-bit range give
//                +inf + 0i;
//   mirror       x < 0 is evaluated at w = -z, which has a non-negative real
//                part, and reflected at the end;
//   shift        a real part a <= 7 is raised by n = trunc(7 - a) to t in
//                (6, 7], and log(w (w+1) ... (w+n-1)) is subtracted after;
//   Stirling     (t - 1/2) log(t + ib) - (t + ib) + ln sqrt(2 pi) plus ten
//                terms of the asymptotic series, each term formed in polar
//                form from the modulus r and angle theta of t + ib;
//   reflection   log Gamma(z) = log pi - log(-z sin(pi z)) - log Gamma(-z),
//                the modulus through one logarithm and the angle as the sum of
//                the angles of the factors.
// The imaginary part is the sum of the angles and is never reduced: for
// x >= 0 it is the branch that is continuous in the right half-plane and zero
// on the positive real axis; for x < 0 the angle of sin(pi z) brings in jumps
// of 2 pi where sin(pi z) crosses the negative real axis.
#include <cfloat>
#include <cmath>
#include <complex>
#include <cstdint>

#include "internal.hpp"
#include "varnel/varnel.hpp"

namespace varnel::cephes {
namespace {

using Complex = std::complex<double>;

// Stirling series coefficients for the odd powers 1/z, 1/z^3, ..., 1/z^19,
// in the order they are used. These are the values the series was fitted
// with; six of them are a few units in the last place away from the nearest
// doubles to the Bernoulli fractions noted beside them.
constexpr double kSeries[10] = {
    0.083333333333333329,     // 1/12
    -0.0027777777777777779,   // -1/360
    0.00079365079365079365,   // 1/1260
    -0.00059523809523809518,  // -1/1680
    0.00084175084175084182,   // 1/1188
    -0.0019175269175269181,   // -691/360360
    0.00641025641025641,      // 1/156
    -0.029550653594771239,    // -3617/122400
    0.17964437236883071,      // 43867/244188
    -1.3924322169059,         // -174611/125400
};

// ln sqrt(2 pi) as this series was fitted with it: 0x3fed67f1c864beb4, one
// unit in the last place below the correctly rounded value used by the real
// log-gamma function.
constexpr double kLnSqrt2PiSeries = 0.91893853320467267;
constexpr double kPi = 3.141592653589793;
// Real parts at or below this are shifted up before the series is used.
constexpr double kShiftBound = 7;

// True when x is an integer that a 32-bit signed int holds. The range test
// comes first: converting a NaN or an out-of-range double to int is
// undefined, and such an x counts as not an integer here.
bool is_int32_integer(double x) noexcept {
  if (!(std::isgreaterequal(x, -2147483648.0) && std::islessequal(x, 2147483647.0))) return false;
  const auto truncated = static_cast<std::int32_t>(x);
  return static_cast<double>(truncated) == x;
}

// log |p + iq| given its square p^2 + q^2 as the method forms it. Where that
// square is a normal number it is used as it is; where it has underflowed
// (|p + iq| below about 1.5e-154, as near z = 0) it has lost its digits and
// may be 0, whose logarithm -inf would swamp a finite result, so the modulus
// is then taken with hypot, which does not underflow.
double log_modulus(double p, double q, double square) noexcept {
  if (std::isless(square, DBL_MIN)) return std::log(std::hypot(p, q));
  return 0.5 * std::log(square);
}

}  // namespace

Complex z_lngamma(Complex z) noexcept {
  detail::ErrnoGuard guard;
  const double x = z.real();
  const double y = z.imag();

  if (y == 0 && is_int32_integer(x) && std::islessequal(x, 0.0)) {
    return Complex(detail::pole_infinity(), 0.0);
  }

  // Mirror into the right half-plane; -0 stays where it is.
  const bool mirrored = std::isless(x, 0.0);
  const double a = mirrored ? -x : x;
  const double b = mirrored ? -y : y;
  const double b2 = b * b;

  // Shift: t = a + n lies in (6, 7] for a <= 7.
  int n = 0;
  double t = a;
  if (std::islessequal(a, kShiftBound)) {
    n = static_cast<int>(std::trunc(kShiftBound - a));  // 0 .. 7
    t = n + a;
  }

  // Leading terms of Stirling's formula at t + ib, in polar form.
  const double r = std::sqrt(t * t + b2);
  const double theta = std::atan(b / t);  // t > 6: the angle of t + ib
  const double log_r = std::log(r);
  double re = ((t - 0.5) * log_r - b * theta) - t + kLnSqrt2PiSeries;
  double im = ((t - 0.5) * theta + b * log_r) - b;

  // c_k / (t + ib)^m = c_k r^-m (cos(m theta) - i sin(m theta)), m = 2k - 1.
  // Not unrolled: with m known at compile time the compiler replaces
  // pow(r, -1) by 1 / r, which the C library's pow does not always equal.
  for (int k = 0; k < 10; ++k) {
    const double m = 2 * k + 1;
    const double h = std::pow(r, -m) * kSeries[k];
    double sin_m;
    double cos_m;
    ::sincos(m * theta, &sin_m, &cos_m);
    re = re + h * cos_m;
    im = im - h * sin_m;
  }

  // Undo the shift: subtract log(a + j + ib) for j = 0 .. n-1, as modulus and
  // angle. For a = 0 the first angle is atan(b / 0) = +-pi/2, that of ib.
  if (std::islessequal(a, kShiftBound) && n > 0) {
    double sum_log = 0;
    double sum_angle = 0;
    for (int j = 0; j < n; ++j) {
      const double q = j + a;
      sum_log = sum_log + log_modulus(q, b, q * q + b2);
      sum_angle = sum_angle + std::atan(b / q);
    }
    re = re - sum_log;
    im = im - sum_angle;
  }

  if (!mirrored) return Complex(re, im);

  // Reflection for z = -w: log Gamma(z) = log pi - log w - log sin(pi z)
  // - log Gamma(w), with sin(pi z) = -(sin(pi a) cosh(pi b)
  // + i cos(pi a) sinh(pi b)).
  const double tau = std::atan(b / a);  // a > 0: the angle of w
  double sn;
  double cs;
  ::sincos(a * kPi, &sn, &cs);
  const double eta = b * kPi;
  const double sr = -(sn * std::cosh(eta));
  const double si = -(cs * std::sinh(eta));
  const double phi = std::atan2(si, sr);
  const double ms = std::sqrt(sr * sr + si * si);
  const double mz = std::sqrt(a * a + b2);
  const double product = ms * mz;
  // log(pi / (|sin(pi z)| |z|)); for tiny |z| the moduli or their product
  // underflow and pi / product would overflow, so the logarithms of the
  // moduli are subtracted one by one instead.
  const double log_ratio = std::isless(product, DBL_MIN)
                               ? (std::log(kPi) - std::log(std::hypot(sr, si))) -
                                     std::log(std::hypot(a, b))
                               : std::log(kPi / product);
  return Complex(log_ratio - re, ((-tau - phi) - im));
}

}  // namespace varnel::cephes
