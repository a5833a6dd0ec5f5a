// The incomplete gamma and beta inverses of libvarnel-stats, instantiated
// with the forward functions of libvarnel.so.0 that they invert.
#include "stats/incomplete_inv.hpp"

#include "varnel/varnel.hpp"

namespace varnel::stats::detail {
namespace {

struct LibraryForward {
  static double P(double a, double x) noexcept { return cephes::d_igamma(a, x); }
  static double Q(double a, double x) noexcept { return cephes::d_igamc(a, x); }
  static double ibeta(double a, double b, double x) noexcept { return cephes::d_ibeta(a, b, x); }
  static double lngamma(double x) noexcept { return specfun::d_lngamma(x); }
};

}  // namespace

double igamma_inv(double a, double p) noexcept {
  return igamma_inverse(LibraryForward{}, a, p, false);
}
double igamc_inv(double a, double q) noexcept {
  return igamma_inverse(LibraryForward{}, a, q, true);
}
double ibeta_inv(double a, double b, double p) noexcept {
  return ibeta_inverse(LibraryForward{}, a, b, p, false);
}
double ibetac_inv(double a, double b, double q) noexcept {
  return ibeta_inverse(LibraryForward{}, a, b, q, true);
}

}  // namespace varnel::stats::detail
