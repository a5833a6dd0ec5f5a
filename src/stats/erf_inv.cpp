// Inverse error functions, in double and single precision: the start of
// erf_start.hpp (computed in double precision for both), then the search
// over neighbouring numbers against the library's own d_calerf (s_calerf in
// single precision).
#include <cmath>
#include <limits>

#include "internal.hpp"
#include "stats/bracket.hpp"
#include "stats/erf_start.hpp"
#include "stats/inverses.hpp"
#include "varnel/varnel.hpp"

namespace varnel::stats::detail {
namespace {

template <typename T>
struct ErfForward;
template <>
struct ErfForward<double> {
  static double f(double x, int kind) noexcept { return specfun::d_calerf(x, kind); }
};
template <>
struct ErfForward<float> {
  static float f(float x, int kind) noexcept { return specfun::s_calerf(x, kind); }
};

// The window of the monotone search (bracket.hpp), in units of the result:
// the error function's own wobble, a few units of its value f, over its
// relative slope at x, |x f'(x) / f|, with f' = 2/sqrt(pi) e^(-x^2); 1 near
// 0, where f is nearly x. Far in the upper tail of erfc, f / f' tends to
// 1 / (2x) and the window to its least.
inline double erf_window(double x, double f) noexcept {
  constexpr double kWobble = 16;
  const double ax = std::fabs(x);
  if (std::isless(ax, 1e-3)) return kWobble;
  if (std::isgreater(x, 5.0) && std::isless(f, 1e-10)) return 16;
  return kWobble * std::fabs(f) / (ax * 1.1283791670955126 * std::exp(-x * x));
}

template <typename T>
T erf_inv_t(T p) noexcept {
  constexpr T inf = std::numeric_limits<T>::infinity();
  if (!std::islessequal(std::fabs(p), T(1))) return std::numeric_limits<T>::quiet_NaN();
  if (p == 1) return inf;
  if (p == -1) return -inf;
  const varnel::detail::ErrnoGuard guard;
  const double a = std::fabs(static_cast<double>(p));
  const double y = erf_inv_refined(a, 1.0 - a);
  const T start = static_cast<T>(std::isless(p, T(0)) ? -y : y);
  auto reach = [p](T x) {
    return std::isgreaterequal(ErfForward<T>::f(x, 0), p) ? Reach::yes : Reach::no;
  };
  return find_crossing_monotone<T>(reach, start, -inf, inf, erf_window(start, p));
}

template <typename T>
T erfc_inv_t(T q) noexcept {
  constexpr T inf = std::numeric_limits<T>::infinity();
  if (!(std::isgreaterequal(q, T(0)) && std::islessequal(q, T(2)))) return std::numeric_limits<T>::quiet_NaN();
  if (q == 0) return inf;
  if (q == 2) return -inf;
  const varnel::detail::ErrnoGuard guard;
  const double qd = q;
  double start;
  if (std::islessequal(qd, 1.0)) {
    start = erf_inv_refined(1.0 - qd, qd);
  } else {
    const double r = 2.0 - qd;  // exact: q in (1, 2)
    start = -erf_inv_refined(1.0 - r, r);
  }
  auto reach = [q](T x) {
    return std::islessequal(ErfForward<T>::f(x, 1), q) ? Reach::yes : Reach::no;
  };
  return find_crossing_monotone<T>(reach, static_cast<T>(start), -inf, inf,
                                  erf_window(start, qd));
}

}  // namespace

double erf_inv(double p) noexcept { return erf_inv_t(p); }
float erf_inv(float p) noexcept { return erf_inv_t(p); }
double erfc_inv(double q) noexcept { return erfc_inv_t(q); }
float erfc_inv(float q) noexcept { return erfc_inv_t(q); }

}  // namespace varnel::stats::detail
