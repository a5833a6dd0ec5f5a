// The inverse functions inside libvarnel-stats, before the C layer: one per
// exported function, plus the generic versions that the tests instantiate
// with a counting forward function (see bracket.hpp).
#ifndef VARNEL_SRC_STATS_INVERSES_HPP
#define VARNEL_SRC_STATS_INVERSES_HPP

namespace varnel::stats::detail {

double erf_inv(double p) noexcept;
double erfc_inv(double q) noexcept;
float erf_inv(float p) noexcept;
float erfc_inv(float q) noexcept;
double igamma_inv(double a, double p) noexcept;
double igamc_inv(double a, double q) noexcept;
double ibeta_inv(double a, double b, double p) noexcept;
double ibetac_inv(double a, double b, double q) noexcept;

}  // namespace varnel::stats::detail

#endif  // VARNEL_SRC_STATS_INVERSES_HPP
