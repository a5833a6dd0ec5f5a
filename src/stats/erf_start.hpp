// The starting value of the inverse error functions, shared by them
// (erf_inv.cpp) and by the inverses that start from a normal quantile.
//
// With w = -log((1 - p)(1 + p)), erfinv(p) / p is a smooth, slowly varying
// function of w near 0 and of sqrt(w) beyond, so that a polynomial in either
// gives the inverse to about seven digits over the whole range (the form of
// M. Giles, "Approximating the erfinv function", GPU Computing Gems, 2011;
// the coefficients here are our own least-squares fits against
// high-precision values, made by tools/fit_inverse_starts.py). w is formed
// from q = 1 - p as given, so that the tail keeps its accuracy for q down to
// the smallest subnormal. One step of Halley's method on erf(y) - p (erfc(y)
// - q in the upper tail) follows, whose error is about the cube of the
// start's.
#ifndef VARNEL_SRC_STATS_ERF_START_HPP
#define VARNEL_SRC_STATS_ERF_START_HPP

#include <cmath>

#include "varnel/varnel.hpp"

namespace varnel::stats::detail {
namespace erf_start {

constexpr double kTwoOverSqrtPi = 1.1283791670955126;

template <int N>
inline double poly(const double (&c)[N], double u) noexcept {
  double s = c[N - 1];
  for (int i = N - 2; i >= 0; --i) s = s * u + c[i];
  return s;
}

#include "stats/erf_inv_coefficients.inc"

}  // namespace erf_start

// The positive y with erf(y) = p, erfc(y) = q, to about 1e-15 (the start of
// the exact search, not a result), for p in [0, 1) and q = 1 - p, where q is
// the accurate one of the two when p > 0.5.
inline double erf_inv_refined(double p, double q) noexcept {
  using namespace erf_start;
  const double w = std::isless(p, 0.5) ? -std::log1p(-p * p) : -std::log(q * (2.0 - q));
  double ratio;
  if (std::isless(w, kErfInvW1)) {
    ratio = poly(kErfInvCentral, (w - kErfInvCentralMid) / kErfInvCentralHalf);
  } else {
    const double s = std::sqrt(w);
    if (std::isless(s, kErfInvS2)) {
      ratio = poly(kErfInvNear, (s - kErfInvNearMid) / kErfInvNearHalf);
    } else {
      ratio = poly(kErfInvFar, (s - kErfInvFarMid) / kErfInvFarHalf);
    }
  }
  const double y = p * ratio;
  if (!std::isgreater(y, 0.0) || !std::isfinite(y)) return y;
  // Halley's step: d / (1 + y d), d the Newton step, since erf'' / erf' =
  // -2y; on erfc(y) - q only the residual's sign differs. e^(-y^2)
  // underflows far in the tail, where the ratio residual / e^(-y^2) is
  // formed with 2^600 taken out of both.
  const double residual = std::islessequal(p, 0.5) ? specfun::d_calerf(y, 0) - p : q - specfun::d_calerf(y, 1);
  const double yy = y * y;
  double d;
  if (std::isless(yy, 700.0)) {
    d = residual / (kTwoOverSqrtPi * std::exp(-yy));
  } else {
    d = (residual * 0x1p600) / (kTwoOverSqrtPi * std::exp(-yy + 600 * 0.6931471805599453));
  }
  const double next = y - d / (1 + y * d);
  return std::isfinite(next) && std::isgreater(next, 0.0) ? next : y;
}

}  // namespace varnel::stats::detail

#endif  // VARNEL_SRC_STATS_ERF_START_HPP
