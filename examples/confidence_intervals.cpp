// Critical values and exact confidence intervals from the inverse functions
// of libvarnel-stats: each quantile is the exact crossing of the library's
// own cdf, so the p-value of the critical value is the level asked for.
//
//   chi-square critical value, k degrees of freedom, level alpha:
//       x = 2 Q^-1(k/2, alpha), since P(chi2_k > x) = Q(k/2, x/2)
//   exact (Garwood) Poisson interval for n events, level 1 - alpha:
//       [P^-1(n, alpha/2), Q^-1(n + 1, alpha/2)]
//   Clopper-Pearson interval for k successes in n trials:
//       [I^-1(k, n - k + 1; alpha/2), upper-tail I^-1(k + 1, n - k; alpha/2)]
//   a quantile far in the tail: the normal quantile at 1e-300,
//       -sqrt(2) erfc^-1(2e-300)
#include <cmath>
#include <cstdio>

#include <varnel/stats.hpp>
#include <varnel/varnel.hpp>

namespace st = varnel::stats;

int main() {
  const double alpha = 0.05;
  const double chi2 = 2 * st::d_igamc_inv(3 / 2.0, alpha);
  std::printf("chi-square critical value, 3 df, 5%%: %.17g (p-value %.17g)\n", chi2,
              varnel::cephes::d_igamc(1.5, chi2 / 2));

  const int events = 7;
  std::printf("Poisson 95%% interval for %d events: [%.17g, %.17g]\n", events,
              st::d_igamma_inv(events, alpha / 2), st::d_igamc_inv(events + 1, alpha / 2));

  const int k = 3, n = 20;
  std::printf("Clopper-Pearson 95%% interval for %d of %d: [%.17g, %.17g]\n", k, n,
              st::d_ibeta_inv(k, n - k + 1, alpha / 2), st::d_ibetac_inv(k + 1, n - k, alpha / 2));

  std::printf("normal quantile at 1e-300: %.17g\n", -std::sqrt(2.0) * st::d_erfc_inv(2e-300));
  return 0;
}
