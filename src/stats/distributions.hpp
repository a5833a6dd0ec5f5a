// The distributions of libvarnel-stats, before the C layer: six operations
// for each of nine families, named <family>_<operation>, with the argument
// (x, or the probability for quantile and isf) first and the parameters
// after it, as in <varnel/stats.h>. distributions.cpp defines them on the
// forward functions of libvarnel.so.0 and the inverses of inverses.hpp.
#ifndef VARNEL_SRC_STATS_DISTRIBUTIONS_HPP
#define VARNEL_SRC_STATS_DISTRIBUTIONS_HPP

namespace varnel::stats::detail {

#define VARNEL_STATS_DETAIL_DECLARE_1(family)                      \
  double family##_pdf(double x, double a) noexcept;                \
  double family##_logpdf(double x, double a) noexcept;             \
  double family##_cdf(double x, double a) noexcept;                \
  double family##_sf(double x, double a) noexcept;                 \
  double family##_quantile(double p, double a) noexcept;           \
  double family##_isf(double q, double a) noexcept;
#define VARNEL_STATS_DETAIL_DECLARE_2(family)                      \
  double family##_pdf(double x, double a, double b) noexcept;      \
  double family##_logpdf(double x, double a, double b) noexcept;   \
  double family##_cdf(double x, double a, double b) noexcept;      \
  double family##_sf(double x, double a, double b) noexcept;       \
  double family##_quantile(double p, double a, double b) noexcept; \
  double family##_isf(double q, double a, double b) noexcept;

VARNEL_STATS_DETAIL_DECLARE_2(norm)
VARNEL_STATS_DETAIL_DECLARE_1(chisq)
VARNEL_STATS_DETAIL_DECLARE_2(gamma)
VARNEL_STATS_DETAIL_DECLARE_2(beta)
VARNEL_STATS_DETAIL_DECLARE_1(t)
VARNEL_STATS_DETAIL_DECLARE_2(f)
VARNEL_STATS_DETAIL_DECLARE_1(poisson)
VARNEL_STATS_DETAIL_DECLARE_2(binom)
VARNEL_STATS_DETAIL_DECLARE_2(nbinom)

#undef VARNEL_STATS_DETAIL_DECLARE_1
#undef VARNEL_STATS_DETAIL_DECLARE_2

}  // namespace varnel::stats::detail

#endif  // VARNEL_SRC_STATS_DISTRIBUTIONS_HPP
