#include <cmath>
#include "stats/inverses.hpp"
namespace varnel::stats::detail {
double erf_inv(double) noexcept { return NAN; }
double erfc_inv(double) noexcept { return NAN; }
float erf_inv(float) noexcept { return NAN; }
float erfc_inv(float) noexcept { return NAN; }
double igamma_inv(double, double) noexcept { return NAN; }
double igamc_inv(double, double) noexcept { return NAN; }
double ibeta_inv(double, double, double) noexcept { return NAN; }
double ibetac_inv(double, double, double) noexcept { return NAN; }
}
