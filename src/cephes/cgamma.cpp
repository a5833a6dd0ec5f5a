// Gamma function of a complex argument.
//
// Method, on the real part x of z:
//   cstirf       Stirling's formula sqrt(2 pi) z^(z - 1/2) e^(-z) T(1/z) with a
//                seven-term correction series T; accurate for x >= 18 only.
//   x > 18       Stirling's formula directly.
//   x < -18      reflection Gamma(z) = pi / (sin(pi z) Gamma(1 - z)); the sine
//                is taken of pi times the fractional part x - floor(x) (exact)
//                and its sign restored from the parity of floor(x); a real
//                integer is a pole (+inf + 0i).
//   otherwise    upward recurrence Gamma(z) = Gamma(z + K) / (z (z+1) ...
//                (z+K-1)) to the first real part of 18 or more. On the real
//                axis, once a shifted argument u comes within 1e-9 of zero,
//                the two-term series 1/Gamma(u) = u (1 + gamma u) ends the
//                recurrence instead: zero itself is a pole (+inf + 0i), the
//                integers -1 to -18 give the complex quotient of 1 by zero.
// NaN real parts take the recurrence route, which hands them to Stirling's
// formula at once.
//
// Every complex product and quotient below is the operator of
// std::complex<double>, which the compiler lowers to the run-time support
// routines of the C99 complex arithmetic (with their recovery of infinities
// where the textbook formula gives NaN in both parts). The elementary complex
// functions are the C library's cpow, cexp and csin, called directly.
#include <cmath>
#include <complex>

#include "internal.hpp"
#include "varnel/varnel.hpp"

namespace {

// The C99 complex type, so that the C library's functions are called directly
// and not through any C++ overload that might compute differently.
__extension__ typedef __complex__ double CComplex;

}  // namespace

// The C library's cpow, cexp and csin, declared under names of our own bound
// to the library symbols. Under their standard names the compiler treats them
// as built-ins without side effects; glibc's versions do set errno (ERANGE on
// overflow), and the compiler would then drop the errno restore that follows
// the calls as a redundant store.
extern "C" {
CComplex libm_cpow(CComplex base, CComplex power) noexcept __asm__("cpow");
CComplex libm_cexp(CComplex z) noexcept __asm__("cexp");
CComplex libm_csin(CComplex z) noexcept __asm__("csin");
}

namespace varnel::cephes {
namespace {

using Complex = std::complex<double>;

// Coefficients c1 .. c7 of the correction series T(w) = 1 + c1 w + ... + c7 w^7,
// w = 1/z, in the order the evaluation consumes them (c7 first).
constexpr double kStirlingSeries[7] = {
    -0.00059216643735369393,  // -534703531/902961561600
    6.9728137583658571e-05,   // 5246819/75246796800
    0.00078403922172006662,   // 163879/209018880
    -0.00022947209362139917,  // -571/2488320
    -0.0026813271604938273,   // -139/51840
    0.003472222222222222,     // 1/288
    0.083333333333333329,     // 1/12
};

// Below this real part the recurrence lifts the argument; above it (and for
// its mirror image, through the reflection) Stirling's formula is accurate.
constexpr double kReductionBound = 18;
// Within this distance of zero a real argument of the recurrence is close
// enough to a pole that the series of 1/Gamma replaces the last factors.
constexpr double kNearZero = 1e-9;
constexpr double kEulerGamma = 0.57721566490153287;

Complex c_pow(Complex base, Complex power) noexcept {
  return Complex(libm_cpow(base.__rep(), power.__rep()));
}
Complex c_exp(Complex z) noexcept { return Complex(libm_cexp(z.__rep())); }
Complex c_sin(Complex z) noexcept { return Complex(libm_csin(z.__rep())); }

Complex pole() noexcept { return Complex(detail::pole_infinity(), 0.0); }

Complex stirling(Complex z) noexcept {
  const double x = z.real();
  const double y = z.imag();
  const Complex w = Complex(1.0, 0.0) / z;

  // Horner's scheme in w; each coefficient is real and is added to the real
  // part alone.
  Complex s(kStirlingSeries[0], 0.0);
  #pragma GCC unroll 6
  for (int k = 1; k < 7; ++k) {
    s = w * s;
    s = Complex(s.real() + kStirlingSeries[k], s.imag());
  }
  Complex t = w * s;
  t = Complex(t.real() + 1.0, t.imag());

  // z^(z - 1/2) in one call, then e^(-z).
  const Complex power = c_pow(z, Complex(x - 0.5, y));
  const Complex expo = c_exp(Complex(-x, -y));
  const Complex q = power * expo;
  // sqrt(2 pi) is real: scale each part, no complex product.
  const Complex scaled(detail::kSqrt2Pi * q.real(), detail::kSqrt2Pi * q.imag());
  return scaled * t;
}

bool has_nan_part(Complex z) noexcept { return std::isnan(z.real()) || std::isnan(z.imag()); }

bool is_odd(double integral) noexcept {
  // Exact for every integral double; an infinity counts as even.
  const double half = integral * 0.5;
  return std::floor(half) != half;
}

Complex gamma_of(Complex z) noexcept {
  const double x = z.real();
  const double y = z.imag();

  if (std::isgreater(std::fabs(x), kReductionBound)) {
    if (!std::isless(x, 0.0)) return stirling(z);
    const double m = std::floor(x);
    if (m == x && y == 0) return pole();
    // sin(pi z) from the fractional part, which is exact, so that pi times a
    // huge argument never reaches the sine.
    Complex s = c_sin(Complex((x - m) * detail::kPi, detail::kPi * y));
    if (is_odd(m)) s = -s;
    const Complex g = gamma_of(Complex(1.0 - x, -y));  // Re(1 - z) > 19
    return Complex(detail::kPi, 0.0) / (s * g);
  }

  Complex p(1.0, 0.0);
  int k = 0;
  double u = x;
  while (std::isless(u, kReductionBound)) {
    if (y == 0 && std::isless(std::fabs(u), kNearZero)) {
      if (x == 0) return pole();
      // 1/Gamma(u) = u (1 + gamma u) + O(u^3) near zero; at a negative
      // integer u is exactly zero and the quotient is 1 by a complex zero.
      const Complex q(1.0 + kEulerGamma * u, kEulerGamma * y);
      const Complex v(u, y);
      const Complex r = q * v;
      const Complex t = r * p;
      return Complex(1.0, 0.0) / t;
    }
    p = p * Complex(u, y);
    ++k;
    u = x + k;  // from x each time: no accumulated rounding
  }
  return stirling(Complex(u, y)) / p;
}

}  // namespace

// A NaN part runs under a hold on the floating-point exceptions: the complex
// divisions, cexp and csin would raise invalid for it (see ExceptionHold).
Complex cstirf(Complex z) noexcept {
  detail::ErrnoGuard guard;
  if (__builtin_expect(has_nan_part(z), 0)) {
    const detail::ExceptionHold hold;
    return stirling(z);
  }
  return stirling(z);
}

Complex z_gamma(Complex z) noexcept {
  detail::ErrnoGuard guard;
  if (__builtin_expect(has_nan_part(z), 0)) {
    const detail::ExceptionHold hold;
    return gamma_of(z);
  }
  return gamma_of(z);
}

}  // namespace varnel::cephes
