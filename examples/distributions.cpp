// Everyday statistics with the distributions of libvarnel-stats: critical
// values, exact confidence intervals, a t interval, the power of a test and
// two quantiles far in the tails. Every quantile is the exact crossing of the
// library's own cdf or sf, so the tail probability at a critical value is at
// most the level asked for, and one double closer to the body it is more.
//
//   exact (Garwood) Poisson interval for n events, level 1 - alpha:
//       [chisq_quantile(alpha/2, 2n) / 2, chisq_isf(alpha/2, 2n + 2) / 2]
//   Clopper-Pearson interval for k successes in n trials:
//       [beta_quantile(alpha/2, k, n - k + 1), beta_isf(alpha/2, k + 1, n - k)]
//   t interval for the mean of n observations:
//       mean -+ t_quantile(1 - alpha/2, n - 1) s / sqrt(n)
//   power of the one-sided test of sigma^2 = s0^2 against sigma^2 = s1^2 > s0^2
//   with n observations: (n - 1) S^2 / sigma^2 is chi-square with n - 1
//   degrees of freedom, the test rejects beyond c = chisq_isf(alpha, n - 1)
//   under s0^2, so the power is chisq_sf(c s0^2 / s1^2, n - 1).
//
// The same computations in R are examples/r/distributions.R, which prints
// the same lines to the last digit.
#include <cmath>
#include <cstdio>
#include <iterator>

#include <varnel/stats.hpp>

namespace st = varnel::stats;

int main() {
  const double alpha = 0.05;

  const double chi2 = st::d_chisq_isf(alpha, 3);
  std::printf("chi-square critical value, 3 df, 5%%: %.17g (upper tail there %.17g)\n", chi2,
              st::d_chisq_sf(chi2, 3));

  const double events = 7;
  std::printf("exact Poisson 95%% interval for 7 events: [%.17g, %.17g]\n",
              st::d_chisq_quantile(alpha / 2, 2 * events) / 2,
              st::d_chisq_isf(alpha / 2, 2 * events + 2) / 2);

  const double k = 3, n = 20;
  std::printf("Clopper-Pearson 95%% interval for 3 of 20: [%.17g, %.17g]\n",
              st::d_beta_quantile(alpha / 2, k, n - k + 1), st::d_beta_isf(alpha / 2, k + 1, n - k));

  // Eight measurements; the sums run in order, as the R example's Reduce does.
  const double measurements[] = {9.8, 10.2, 10.4, 9.9, 10.1, 10.6, 9.7, 10.3};
  const double m = static_cast<double>(std::size(measurements));
  double sum = 0;
  for (const double x : measurements) sum += x;
  const double mean = sum / m;
  double squares = 0;
  for (const double x : measurements) squares += (x - mean) * (x - mean);
  const double s = std::sqrt(squares / (m - 1));
  const double t = st::d_t_quantile(1 - alpha / 2, m - 1);
  std::printf("t critical value, 7 df, two-sided 5%%: %.17g\n", t);
  std::printf("t 95%% interval for the mean of 8 measurements: [%.17g, %.17g]\n",
              mean - t * s / std::sqrt(m), mean + t * s / std::sqrt(m));

  const double observations = 20, ratio = 2;  // s1^2 / s0^2
  const double critical = st::d_chisq_isf(alpha, observations - 1);
  std::printf("power of the 5%% chi-square variance test, 20 observations, variance ratio 2: %.17g\n",
              st::d_chisq_sf(critical / ratio, observations - 1));

  std::printf("binomial count exceeded with probability at most 1e-20, n = 10000, p = 4e-5: %.17g\n",
              st::d_binom_isf(1e-20, 10000, 4e-5));
  std::printf("normal quantile at 1e-300: %.17g\n", st::d_norm_quantile(1e-300, 0, 1));
  std::printf("t quantile at 1e-300, 3 df: %.17g\n", st::d_t_quantile(1e-300, 3));
  return 0;
}
