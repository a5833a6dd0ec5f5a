#!/usr/bin/env python3
"""Everyday statistics with varnel.stats: exact confidence intervals, critical
values, the power of a test, far tails, and a million p-values with Dask.

    PYTHONPATH=_install/lib/python3/dist-packages python3 examples/python/distributions.py
    python3 distributions.py --rows 1e5          # a smaller p-value table

Every quantile (ppf, isf) is where varnel's own cdf or sf crosses the
probability, so an interval computed here and a p-value computed with the
same package never disagree about a boundary.
"""

import argparse

import dask.array as da
import numpy as np

from varnel import stats


# The intervals take alpha = 1 - level itself: 1 - 0.95 is not 0.05 in
# binary (it is 0.05 + 4.4e-17), which would move a quantile by a unit.
def poisson_interval(events, alpha=0.05):
    """Exact (Garwood) interval for a Poisson mean from a count: the
    chi-square quantiles with 2k and 2(k + 1) degrees of freedom, halved."""
    lower = stats.chi2_ppf(alpha / 2, 2 * events) / 2 if events > 0 else 0.0
    upper = stats.chi2_isf(alpha / 2, 2 * (events + 1)) / 2
    return lower, upper


def clopper_pearson(successes, trials, alpha=0.05):
    """Exact binomial interval: beta quantiles, each tail of alpha/2."""
    lower = stats.beta_ppf(alpha / 2, successes, trials - successes + 1) if successes > 0 else 0.0
    upper = (stats.beta_isf(alpha / 2, successes + 1, trials - successes)
             if successes < trials else 1.0)
    return lower, upper


def t_interval(sample, alpha=0.05):
    """Mean of a small normal sample with Student's t interval."""
    n = len(sample)
    mean, sd = np.mean(sample), np.std(sample, ddof=1)
    critical = stats.t_isf(alpha / 2, n - 1)
    half = critical * sd / np.sqrt(n)
    return mean, mean - half, mean + half


def variance_test_power(n, ratio, alpha=0.05):
    """Power of the one-sided test of H0: sigma^2 = s0^2 against
    sigma^2 = ratio * s0^2 from n normal observations: (n - 1) S^2 / s0^2 is
    chi-square with n - 1 degrees of freedom under H0 and ratio times one under
    the alternative, so both sides use the central chi-square only."""
    critical = stats.chi2_isf(alpha, n - 1)
    return critical, stats.chi2_sf(critical / ratio, n - 1)


def p_value_table(rows, chunk, seed=1):
    """A table of chi-square statistics and degrees of freedom, and the
    p-value of each, computed lazily by Dask over chunks; only a summary
    comes back."""
    state = da.random.RandomState(seed)
    dof = state.randint(1, 30, size=rows, chunks=chunk).astype(np.float64)
    statistic = state.chisquare(dof, chunks=chunk)
    p = da.map_blocks(stats.chi2_sf, statistic, dof, dtype=np.float64)
    return (p < 0.05).mean(), (p < 0.001).mean(), p.min()


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--rows", type=float, default=1e6, help="rows of the p-value table (1e6)")
    parser.add_argument("--chunk", type=float, default=1e5, help="rows per Dask chunk (1e5)")
    args = parser.parse_args()
    rows, chunk = int(args.rows), int(min(args.chunk, args.rows))

    lower, upper = poisson_interval(7)
    print(f"Poisson mean, 7 events, exact 95% interval: [{lower:.6f}, {upper:.6f}]")
    assert abs(lower - 2.8143631) < 1e-6 and abs(upper - 14.422675) < 1e-6

    lower, upper = clopper_pearson(3, 20)
    print(f"Binomial proportion, 3 of 20, Clopper-Pearson 95%: [{lower!r}, {upper!r}]")
    assert (lower, upper) == (0.032070937185463735, 0.37892682654531379)

    print(f"t quantile 0.975, 9 degrees of freedom: {stats.t_ppf(0.975, 9)!r}")
    sample = np.array([5.1, 4.9, 5.6, 5.8, 6.0, 5.2, 4.7, 5.5, 5.3, 5.9])
    mean, lower, upper = t_interval(sample)
    print(f"Mean of {len(sample)} observations: {mean:.3f}, 95% t interval "
          f"[{lower:.4f}, {upper:.4f}]")

    critical, power = variance_test_power(20, 2.0)
    print(f"Variance test, n = 20, alpha = 0.05: reject above chi-square {critical:.4f}; "
          f"power against a doubled variance {power:.4f}")

    k = stats.binom_isf(1e-20, 10000, 4e-5)
    print(f"Binomial n = 10000, p = 4e-5: P(X > k) <= 1e-20 from k = {k:.0f} on "
          f"(P(X > {k:.0f}) = {stats.binom_sf(k, 10000, 4e-5):.3g}, "
          f"P(X > {k - 1:.0f}) = {stats.binom_sf(k - 1, 10000, 4e-5):.3g})")
    assert k <= 16
    print(f"t quantile at 1e-300, 3 degrees of freedom: {stats.t_ppf(1e-300, 3)!r}")

    below_5, below_01, smallest = da.compute(*p_value_table(rows, chunk))
    print(f"{rows:,} chi-square p-values with Dask: p < 0.05 in {below_5:.4f}, "
          f"p < 0.001 in {below_01:.5f}, smallest {smallest:.3e}")
    assert abs(below_5 - 0.05) < 0.02 and np.isfinite(smallest)


if __name__ == "__main__":
    main()
