# Everyday statistics with the distributions of the varnel package: critical
# values, exact confidence intervals, a t interval, the power of a test and
# two quantiles far in the tails; the same computations as
# examples/distributions.cpp, printing the same lines to the last digit.
# Every quantile is the exact crossing of the package's own cdf or sf.
#
#   Rscript examples/r/distributions.R
library(varnel)
say <- function(format, ...) cat(sprintf(format, ...), "\n", sep = "")
alpha <- 0.05

chi2 <- d_chisq_isf(alpha, 3)
say("chi-square critical value, 3 df, 5%%: %.17g (upper tail there %.17g)", chi2, d_chisq_sf(chi2, 3))

# Exact (Garwood) Poisson interval for n events: chi-square quantiles of 2n
# and 2n + 2 degrees of freedom, halved.
events <- 7
say("exact Poisson 95%% interval for 7 events: [%.17g, %.17g]",
    d_chisq_quantile(alpha / 2, 2 * events) / 2, d_chisq_isf(alpha / 2, 2 * events + 2) / 2)

# Clopper-Pearson interval for k successes in n trials: beta quantiles.
k <- 3; n <- 20
say("Clopper-Pearson 95%% interval for 3 of 20: [%.17g, %.17g]",
    d_beta_quantile(alpha / 2, k, n - k + 1), d_beta_isf(alpha / 2, k + 1, n - k))

# A t interval for the mean of eight measurements. The sums are plain
# additions in order (Reduce), as in the C++ example, so that both print the
# same digits.
measurements <- c(9.8, 10.2, 10.4, 9.9, 10.1, 10.6, 9.7, 10.3)
m <- length(measurements)
xbar <- Reduce(`+`, measurements) / m
s <- sqrt(Reduce(`+`, (measurements - xbar) * (measurements - xbar)) / (m - 1))
tq <- d_t_quantile(1 - alpha / 2, m - 1)
say("t critical value, 7 df, two-sided 5%%: %.17g", tq)
say("t 95%% interval for the mean of 8 measurements: [%.17g, %.17g]",
    xbar - tq * s / sqrt(m), xbar + tq * s / sqrt(m))

# Power of the one-sided chi-square test of sigma^2 = s0^2 against
# sigma^2 = 2 s0^2 with 20 observations: it rejects beyond the critical value
# c of 19 degrees of freedom, and under the alternative (n - 1) S^2 / s0^2 is
# twice a chi-square variable, so the power is P(chi-square > c / 2).
observations <- 20; ratio <- 2
critical <- d_chisq_isf(alpha, observations - 1)
say("power of the 5%% chi-square variance test, 20 observations, variance ratio 2: %.17g",
    d_chisq_sf(critical / ratio, observations - 1))

say("binomial count exceeded with probability at most 1e-20, n = 10000, p = 4e-5: %.17g",
    d_binom_isf(1e-20, 10000, 4e-5))
say("normal quantile at 1e-300: %.17g", d_norm_quantile(1e-300, 0, 1))
say("t quantile at 1e-300, 3 df: %.17g", d_t_quantile(1e-300, 3))
