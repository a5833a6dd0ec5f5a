// The distributions of libvarnel-stats against the properties that define
// them: every quantile and isf of a continuous family is a crossing of the
// family's own cdf or sf to the last bit; for the discrete families
// quantile(cdf(k)) == k and isf(sf(k)) == k wherever the cdf and sf move,
// over whole supports and over windows of large parameters. Also the
// densities and tails against high-precision values (mpmath, 40 digits),
// the edges, the far-tail examples, the array versions and errno.
#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <thread>
#include <vector>

#include "bits.hpp"
#include "stats_support.hpp"
#include "varnel/stats.h"
#include "varnel/stats.hpp"

namespace {

namespace st = varnel::stats;
using varnel::test::bits;

using namespace varnel::test::stats;
constexpr double kTwo53 = 9007199254740992.0;

// A continuous family with two parameters (the one-parameter families
// ignore b): its cdf, sf, quantile, isf, and the parameter ranges drawn.
struct Continuous {
  const char* name;
  double (*cdf)(double, double, double);
  double (*sf)(double, double, double);
  double (*quantile)(double, double, double);
  double (*isf)(double, double, double);
  double a_lo, a_hi, b_lo, b_hi;  // log-uniform; a negative a_lo: a uniform in [a_lo, a_hi]
};

const Continuous kContinuous[] = {
    {"norm", st::d_norm_cdf, st::d_norm_sf, st::d_norm_quantile, st::d_norm_isf, -1e3, 1e3, 1e-3, 1e3},
    {"chisq", [](double x, double k, double) { return st::d_chisq_cdf(x, k); },
     [](double x, double k, double) { return st::d_chisq_sf(x, k); },
     [](double p, double k, double) { return st::d_chisq_quantile(p, k); },
     [](double q, double k, double) { return st::d_chisq_isf(q, k); }, 1e-3, 1e5, 1, 1},
    {"gamma", st::d_gamma_cdf, st::d_gamma_sf, st::d_gamma_quantile, st::d_gamma_isf, 1e-3, 1e5, 1e-3, 1e3},
    {"beta", st::d_beta_cdf, st::d_beta_sf, st::d_beta_quantile, st::d_beta_isf, 1e-2, 1e4, 1e-2, 1e4},
    {"t", [](double x, double nu, double) { return st::d_t_cdf(x, nu); },
     [](double x, double nu, double) { return st::d_t_sf(x, nu); },
     [](double p, double nu, double) { return st::d_t_quantile(p, nu); },
     [](double q, double nu, double) { return st::d_t_isf(q, nu); }, 1e-2, 1e5, 1, 1},
    {"f", st::d_f_cdf, st::d_f_sf, st::d_f_quantile, st::d_f_isf, 1e-2, 1e4, 1e-2, 1e4},
};

TEST(StatsDistributions, QuantileAndIsfAreCrossingsOfTheFamilysOwnCdfAndSf) {
  std::mt19937_64 rng(20261209);
  long checked = 0;
  for (const auto& f : kContinuous) {
    for (int i = 0; i < 1500 / kScale; ++i) {
      const double a = f.a_lo < 0 ? std::uniform_real_distribution<double>(f.a_lo, f.a_hi)(rng)
                                  : log_uniform(rng, f.a_lo, f.a_hi);
      const double b = log_uniform(rng, f.b_lo, f.b_hi);
      const double p = target(rng);
      const double x = f.quantile(p, a, b);
      EXPECT_TRUE(f.cdf(x, a, b) >= p && f.cdf(prev(x), a, b) < p)
          << f.name << " quantile(" << p << "; " << a << ", " << b << ") = " << x;
      const double y = f.isf(p, a, b);
      EXPECT_TRUE(f.sf(y, a, b) <= p && f.sf(prev(y), a, b) > p)
          << f.name << " isf(" << p << "; " << a << ", " << b << ") = " << y;
      checked += 2;
    }
  }
  // Shapes from 1e9 on, where the cdf and sf take the uniform expansion and
  // the quantile starts from the Wilson-Hilferty cube.
  for (int i = 0; i < 600 / kScale; ++i) {
    const double k = log_uniform(rng, 1e9, 1e15);
    const double theta = log_uniform(rng, 1e-3, 1e3);
    const double p = target(rng);
    const double x = st::d_gamma_quantile(p, k, theta);
    EXPECT_TRUE(st::d_gamma_cdf(x, k, theta) >= p && st::d_gamma_cdf(prev(x), k, theta) < p)
        << "gamma quantile(" << p << "; " << k << ", " << theta << ") = " << x;
    const double y = st::d_gamma_isf(p, k, theta);
    EXPECT_TRUE(st::d_gamma_sf(y, k, theta) <= p && st::d_gamma_sf(prev(y), k, theta) > p)
        << "gamma isf(" << p << "; " << k << ", " << theta << ") = " << y;
    checked += 2;
  }
  std::printf("pair property held on %ld inputs of the six continuous families\n", checked);
}

// A discrete family with up to two parameters.
struct Discrete {
  const char* name;
  double (*cdf)(double, double, double);
  double (*sf)(double, double, double);
  double (*quantile)(double, double, double);
  double (*isf)(double, double, double);
  double (*pmf)(double, double, double);
};
const Discrete kPoisson = {"poisson", [](double x, double l, double) { return st::d_poisson_cdf(x, l); },
                           [](double x, double l, double) { return st::d_poisson_sf(x, l); },
                           [](double p, double l, double) { return st::d_poisson_quantile(p, l); },
                           [](double q, double l, double) { return st::d_poisson_isf(q, l); },
                           [](double x, double l, double) { return st::d_poisson_pdf(x, l); }};
const Discrete kBinom = {"binom", st::d_binom_cdf, st::d_binom_sf, st::d_binom_quantile, st::d_binom_isf,
                         st::d_binom_pdf};
const Discrete kNbinom = {"nbinom", st::d_nbinom_cdf, st::d_nbinom_sf, st::d_nbinom_quantile,
                          st::d_nbinom_isf, st::d_nbinom_pdf};

struct Window {
  const Discrete* family;
  double a, b;
  double from, to, step;  // the k checked
};

// quantile(cdf(k)) == k where cdf(k) > cdf(k - 1), isf(sf(k)) == k where
// sf(k) < sf(k - 1); returns the number of round trips checked. Targets 1
// and 0 are left out: they give the end of the support by definition, even
// where the cdf has rounded to 1 (the sf to 0) well before it.
long round_trips(const Window& w) {
  const Discrete& f = *w.family;
  long checked = 0;
  for (double k = w.from; k <= w.to; k += w.step) {
    const double c = f.cdf(k, w.a, w.b);
    if (c > f.cdf(k - 1, w.a, w.b) && c < 1) {
      EXPECT_EQ(f.quantile(c, w.a, w.b), k) << f.name << "(" << w.a << ", " << w.b << ") cdf " << c;
      ++checked;
    }
    const double s = f.sf(k, w.a, w.b);
    if (s < f.sf(k - 1, w.a, w.b) && s > 0) {
      EXPECT_EQ(f.isf(s, w.a, w.b), k) << f.name << "(" << w.a << ", " << w.b << ") sf " << s;
      ++checked;
    }
  }
  return checked;
}

TEST(StatsDistributions, DiscreteRoundTripsOverWholeSupports) {
  // Whole supports: to n, or for the unbounded families to where the sf
  // underflows (the cdf is 1 from there on).
  const Window windows[] = {
      {&kPoisson, 0.5, 0, 0, 200, 1},       {&kPoisson, 3, 0, 0, 250, 1},
      {&kPoisson, 20, 0, 0, 400, 1},        {&kPoisson, 1000, 0, 0, 2500, 1},
      {&kBinom, 10, 0.3, 0, 10, 1},          {&kBinom, 50, 0.01, 0, 50, 1},
      {&kBinom, 200, 0.5, 0, 200, 1},        {&kBinom, 1000, 0.999, 0, 1000, 1},
      {&kBinom, 10000, 4e-5, 0, 200, 1},     {&kNbinom, 0.5, 0.3, 0, 2000, 1},
      {&kNbinom, 3, 0.5, 0, 1200, 1},        {&kNbinom, 20, 0.05, 0, 3000, 3 * kScale},
  };
  long checked = 0;
  for (const auto& w : windows) checked += round_trips(w);
  std::printf("discrete round trips over whole supports: %ld\n", checked);
}

TEST(StatsDistributions, DiscreteRoundTripsOverWindowsOfLargeParameters) {
  // Around the mean and in both tails of large parameters, every k of each
  // window: the search starts from the Cornish-Fisher value and gallops, so
  // a call costs the same few dozen evaluations however large n or lambda.
  // Between 1e7 and 2e6 (n, r) the incomplete beta function of libvarnel
  // is no longer monotone in k to the last bit and the uniform expansion not
  // yet in use (see docs/distributions.md); the windows avoid that range.
  const double m = 1e6;  // Poisson mean; its sd is 1000
  const double n = 1e7;  // binomial trials; its sd is 1449
  const Window windows[] = {
      {&kPoisson, m, 0, m - 300, m + 300, kScale},
      {&kPoisson, m, 0, m - 5000, m - 4900, kScale},
      {&kPoisson, m, 0, m + 6000, m + 6100, kScale},
      {&kBinom, n, 0.3, 0.3 * n - 200, 0.3 * n + 200, kScale},
      {&kBinom, n, 0.3, 0.3 * n - 9000, 0.3 * n - 8900, kScale},
      {&kNbinom, 1e6, 0.5, 1e6 - 200, 1e6 + 200, kScale},
      // lambda from 1e9 on: the uniform expansion of the incomplete gamma
      // function; the 1e-300 quantile and isf of lambda = 1e15 lie 37 sd out.
      {&kPoisson, 1e9, 0, 1e9 - 200, 1e9 + 200, kScale},
      {&kPoisson, 1e15, 0, 1e15 - 300, 1e15 + 300, kScale},
      {&kPoisson, 1e15, 0, 999998828468179 - 50, 999998828468179 + 50, kScale},
      {&kPoisson, 1e15, 0, 1000001171532279 - 50, 1000001171532279 + 50, kScale},
      // n and r from 2e6 on: the uniform expansion of the incomplete beta
      // function; n = 2^53 in the body and 37 sd out.
      {&kBinom, kTwo53, 0.5, kTwo53 / 2 - 200, kTwo53 / 2 + 200, kScale},
      {&kBinom, kTwo53, 0.3, 2702159776422297 - 200, 2702159776422297 + 200, kScale},
      {&kBinom, kTwo53, 0.5, 4503597871604582 - 50, 4503597871604582 + 50, kScale},
      {&kBinom, kTwo53, 1e-6, 9007199254 - 100, 9007199254 + 100, kScale},
      {&kNbinom, 1e12, 0.5, 1e12 - 200, 1e12 + 200, kScale},
  };
  long checked = 0;
  for (const auto& w : windows) checked += round_trips(w);
  std::printf("discrete round trips over windows of large parameters: %ld\n", checked);
}

// Random parameters over the whole range, from tiny to 2^53 (binomial n),
// 1e15 (lambda) and 1e12 (r), and random targets: every discrete quantile
// and isf is a crossing of the family's own cdf or sf (k - 1 not reaching,
// k reaching), the smallest such k wherever the cdf moves.
TEST(StatsDistributions, DiscreteQuantilesAreCrossingsForRandomParameters) {
  std::mt19937_64 rng(4242);
  long checked = 0;
  auto check = [&](const Discrete& f, double a, double b, double p) {
    const double k = f.quantile(p, a, b);
    EXPECT_TRUE(f.cdf(k, a, b) >= p && f.cdf(k - 1, a, b) < p)
        << f.name << " quantile(" << p << "; " << a << ", " << b << ") = " << k;
    const double j = f.isf(p, a, b);
    EXPECT_TRUE(j == kInf || (f.sf(j, a, b) <= p && f.sf(j - 1, a, b) > p))
        << f.name << " isf(" << p << "; " << a << ", " << b << ") = " << j;
    checked += 2;
  };
  for (int i = 0; i < 1500 / kScale; ++i) {
    // Targets strictly inside (0, 1): 0 and 1 give the ends by definition.
    double p = target(rng);
    if (p == kBelowOne) p = 0.75;
    check(kPoisson, log_uniform(rng, 1e-3, 1e15), 0, p);
    const double n = std::floor(log_uniform(rng, 1, kTwo53));
    const double q = rng() % 4 == 0 ? log_uniform(rng, 1e-12, 1e-3) : std::uniform_real_distribution<double>(0.01, 0.99)(rng);
    // The binomial with n p small and n huge is left to the test below:
    // there the incomplete beta function of libvarnel is not monotone.
    if (q > 1e-3 || n < 1e6) check(kBinom, n, q, p);
    check(kNbinom, log_uniform(rng, 1e-2, 1e12), std::uniform_real_distribution<double>(0.05, 1)(rng), p);
  }
  std::printf("discrete crossings held on %ld random inputs\n", checked);
}

// At n = 2^53 every result is a crossing of the family's own cdf and sf,
// including the far tails and a p whose n p is small, where the library's
// incomplete beta function (a small, b = 2^53) is used.
TEST(StatsDistributions, HugeBinomialCallsEndAtCrossings) {
  for (double p : {0.5, 1e-9, 1e-14, 0.999}) {
    for (double prob : {1e-300, 1e-10, 0.25, 0.5, 0.75, 1 - 1e-12}) {
      const double k = st::d_binom_quantile(prob, kTwo53, p);
      ASSERT_FALSE(std::isnan(k));
      EXPECT_TRUE(st::d_binom_cdf(k, kTwo53, p) >= prob &&
                  (k == 0 || st::d_binom_cdf(k - 1, kTwo53, p) < prob))
          << "binom quantile(" << prob << "; 2^53, " << p << ") = " << k;
      const double j = st::d_binom_isf(prob, kTwo53, p);
      EXPECT_TRUE(st::d_binom_sf(j, kTwo53, p) <= prob &&
                  (j == 0 || st::d_binom_sf(j - 1, kTwo53, p) > prob))
          << "binom isf(" << prob << "; 2^53, " << p << ") = " << j;
    }
  }
}

// The examples of the far tails, where a 1 - p or a 1 - x formed anywhere
// would have lost the answer.
TEST(StatsDistributions, FarTails) {
  // The binomial isf of 1e-20 with n p = 0.4: at most 16 events.
  const double k = st::d_binom_isf(1e-20, 10000, 4e-5);
  EXPECT_LE(k, 16);
  EXPECT_LE(st::d_binom_sf(k, 10000, 4e-5), 1e-20);
  EXPECT_GT(st::d_binom_sf(k - 1, 10000, 4e-5), 1e-20);
  // t with 3 degrees of freedom at 1e-300: about -1.0331e100, by the
  // reflected beta inverse; with 1 degree, -1 / (pi 1e-300), where x =
  // nu / (nu + t^2) is below the doubles.
  EXPECT_NEAR(st::d_t_quantile(1e-300, 3) / -1.0331108360446528e100, 1, 1e-12);
  EXPECT_NEAR(st::d_t_quantile(1e-300, 1) / -3.1830988618379067e299, 1, 1e-12);
  EXPECT_NEAR(st::d_t_isf(1e-300, 3) / 1.0331108360446528e100, 1, 1e-12);
  // Normal at 1e-300 and at the smallest subnormal.
  EXPECT_NEAR(st::d_norm_quantile(1e-300, 0, 1), -37.047096299361193, 1e-13);
  // At the smallest subnormal the crossing is where the cdf first rounds up
  // to it, at a true value of half of it: Phi(x) = 2.47e-324, x = -38.4854.
  const double z = st::d_norm_quantile(kTiny, 0, 1);
  EXPECT_NEAR(z, -38.4854, 1e-4);
  EXPECT_TRUE(st::d_norm_cdf(z, 0, 1) == kTiny && st::d_norm_cdf(prev(z), 0, 1) == 0);
  EXPECT_NEAR(st::d_norm_isf(1e-300, 0, 1), 37.047096299361193, 1e-13);
  // F far in the upper tail: sf(x) = q at x = 2.2154e120 for (3, 5).
  const double x = st::d_f_isf(1e-300, 3, 5);
  EXPECT_NEAR(x / 2.2154440680048816e120, 1, 1e-12);
  // Just below 1 the cdf is 1 - sf rounded, so its crossing of 1 - 2^-53 is
  // where the sf is 1.5 * 2^-53 (against the integral at 40 digits).
  EXPECT_NEAR(st::d_f_quantile(kBelowOne, 3, 5) / 4537953.1959351384, 1, 1e-14);
  // chi-square upper tail.
  EXPECT_NEAR(st::d_chisq_isf(1e-300, 10) / 1427.7719561298888, 1, 1e-13);
  // Tails of the cdf and sf themselves, down to subnormals.
  EXPECT_NEAR(st::d_norm_cdf(-38, 0, 1) / 2.8854283600687843e-316, 1, 1e-7);  // subnormal
  EXPECT_NEAR(st::d_norm_sf(37, 0, 1) / 5.7255712225245768e-300, 1, 1e-13);
  EXPECT_NEAR(st::d_poisson_sf(250, 10) / 5.8260916157997613e-249, 1, 1e-13);
  // Below the point where cephes' P and Q give 0, the series and the
  // continued fraction carry the gamma and Poisson tails into the
  // subnormals.
  EXPECT_NEAR(st::d_gamma_sf(700, 0.1, 1) / 2.8469283104752150e-308, 1, 1e-13);
  EXPECT_NEAR(st::d_poisson_sf(300, 10) / 5.0969227672178922e-321, 1, 1e-3);  // subnormal
  EXPECT_NEAR(st::d_gamma_isf(kTiny, 0.1, 1), 735.84, 0.01);
  // and the power series of I_x the beta-based ones (cephes' I_x gives 0
  // where x^a (1 - x)^b underflows).
  EXPECT_NEAR(st::d_binom_sf(285, 1000, 0.01) / 1.9015544269941363e-317, 1, 1e-6);  // subnormal
  const double f_far = st::d_f_isf(kTiny, 3, 5);  // about 4e129, as q^(-2/5) from the 1e-300 value
  EXPECT_TRUE(f_far > 3.5e129 && f_far < 5e129) << f_far;
  EXPECT_NEAR(st::d_t_cdf(-1e300, 0.5) / 3.2070097541422289e-151, 1, 1e-12);
}

// Densities and tail values against mpmath at 40 digits: each within a
// relative tolerance of a few units in the last place (the formula, not the
// last bit, is checked; a wrong constant, sign or tail form fails by far).
TEST(StatsDistributions, ValuesAgainstHighPrecision) {
  struct Row {
    const char* what;
    double got, want;
  };
  const Row rows[] = {
      {"norm_pdf", st::d_norm_pdf(1.5, 0.5, 2), 1.7603266338214974e-1},
      {"norm_cdf far", st::d_norm_cdf(-30, 0, 1), 4.9067139271481871e-198},
      {"norm_sf far", st::d_norm_sf(30, 0, 1), 4.9067139271481871e-198},
      {"norm_logpdf far", st::d_norm_logpdf(1e3, 0, 1), -5.000009189385332e+5},
      {"chisq_sf", st::d_chisq_sf(100, 10), 5.4497019829205293e-17},
      {"chisq_pdf", st::d_chisq_pdf(3, 4.5), 1.6345991117210333e-1},
      {"gamma_pdf large shape", st::d_gamma_pdf(1e6, 1e6, 1), 3.9894224715624403e-4},
      {"gamma_cdf", st::d_gamma_cdf(0.5, 0.3, 2), 6.9554521465665954e-1},
      {"beta_pdf", st::d_beta_pdf(0.2, 0.5, 3), 1.3416407864998738},
      {"beta_pdf large", st::d_beta_pdf(0.5, 1000, 1000), 3.5678022291708641e+1},
      {"beta_sf", st::d_beta_sf(0.999, 2, 5), 5.995e-15},
      {"t_pdf", st::d_t_pdf(2.5, 3), 3.8661485727167302e-2},
      {"t_pdf huge nu", st::d_t_pdf(0.5, 1e12), 3.5206532676417295e-1},
      {"t_cdf tail", st::d_t_cdf(-1e10, 2), 5.0e-21},
      {"t_cdf near 0", st::d_t_cdf(1e-12, 4), 5.00000000000375e-1},
      {"t_sf", st::d_t_sf(3, 7), 9.971063065996269e-3},
      {"f_pdf", st::d_f_pdf(2, 3, 8), 1.4723572768942426e-1},
      {"f_cdf", st::d_f_cdf(0.5, 5, 2), 2.300481458333117e-1},
      {"f_sf far", st::d_f_sf(1e6, 4, 6), 1.3499924062773374e-17},
      // Where 1 - x (beta) or y (F) rounds: the side that cephes' I_x would
      // take from the rounded argument comes from the other side's exact one.
      // A subnormal x, where n p in the deviance term of the kernel loses
      // its digits (against log x^(a-1) (1-x)^(b-1) / B(a, b) at 40 digits).
      {"beta_logpdf, subnormal x", st::d_beta_logpdf(5e-324, 0.5, 3), 372.15549743955306},
      {"beta_logpdf, subnormal x, a + b < 1", st::d_beta_logpdf(1e-310, 0.3, 0.7), 498.30429993835818},
      {"beta_logpdf, subnormal x, a > 1", st::d_beta_logpdf(1e-320, 2.5, 0.5), -1105.4047619692985},
      {"beta_sf, 1 - x rounds to 1", st::d_beta_sf(1.3665e-27, 0.142, 0.7205), 0.99985772082684587},
      {"beta_sf, 1 - x rounds to 1, cdf above 1/2", st::d_beta_sf(1e-27, 0.002, 0.5), 0.11935934838153536},
      {"f_sf, 1 - y rounds to 1", st::d_f_sf(1.5e-22, 0.525, 12.08), 0.999998569216468},
      {"f_cdf, y rounds near 1", st::d_f_cdf(4.31e13, 28.75, 1.238), 0.99999999701080693765},
      {"f_cdf, y rounds near 1 (2)", st::d_f_cdf(4.85e13, 28.75, 1.238), 0.99999999722143052909},
      {"poisson_pdf", st::d_poisson_pdf(1000, 1000), 1.26146113487215e-2},
      {"poisson_pdf tail", st::d_poisson_pdf(0, 700), 9.8596765437597709e-305},
      {"poisson_cdf", st::d_poisson_cdf(5.7, 10), 6.7085962879031782e-2},
      {"poisson_sf", st::d_poisson_sf(40, 10), 1.7773417493499444e-13},
      {"binom_pdf", st::d_binom_pdf(4000, 10000, 0.4), 8.1431603065945338e-3},
      {"binom_pdf small p", st::d_binom_pdf(0, 1000000, 1e-7), 9.0483741351177219e-1},
      {"binom_sf", st::d_binom_sf(3, 20, 0.01), 4.2620927642440136e-5},
      {"binom_cdf", st::d_binom_cdf(10, 20, 0.9), 7.15090402108378e-6},
      {"nbinom_pdf", st::d_nbinom_pdf(7, 2.5, 0.3), 7.2282919023935022e-2},
      {"nbinom_cdf", st::d_nbinom_cdf(3, 4, 0.6), 7.10208e-1},
      {"nbinom_sf", st::d_nbinom_sf(100, 1, 0.2), 1.6296287810675889e-10},
  };
  for (const auto& r : rows) {
    EXPECT_NEAR(r.got / r.want, 1, 2e-13) << r.what << " = " << r.got;
  }
  // The uniform expansion for shapes from 1e9, against the integral at 40
  // digits; in the far tails the argument of erfc (about 25) magnifies the
  // rounding of eta some thousand times, hence the wider tolerance.
  const double a = 1e9;
  const Row large[] = {
      {"P(1e9, 1e9)", st::d_gamma_cdf(a, a, 1), 0.50000420522087006},
      {"Q(1e9, a + sqrt a)", st::d_gamma_sf(a + std::sqrt(a), a, 1), 0.15865525389121842},
      {"P(1e9, a - 3 sqrt a)", st::d_gamma_cdf(a - 3 * std::sqrt(a), a, 1), 0.0013495243297381704},
      {"P(1e9, a - 30 sqrt a)", st::d_gamma_cdf(a - 30 * std::sqrt(a), a, 1), 3.6906325370153582e-198},
      {"Q(1e9, a + 35 sqrt a)", st::d_gamma_sf(a + 35 * std::sqrt(a), a, 1), 1.7669768956163659e-268},
      {"Q(4e9, 4e9 + 5 sqrt(4e9))", st::d_gamma_sf(4e9 + 5 * std::sqrt(4e9), 4e9, 1), 2.8683967916602191e-7},
      // and of the incomplete beta function for n from 2e6
      {"binom sf(10002236; 2e7, .5)", st::d_binom_sf(10002236, 2e7, 0.5), 0.15860850817027197},
      {"binom sf(500015811; 1e9, .5)", st::d_binom_sf(500015811, 1e9, 0.5), 0.15865354454134939},
      {"binom sf(500553398; 1e9, .5)", st::d_binom_sf(500553398, 1e9, 0.5), 1.1249956483210104e-268},
      {"binom cdf(299565258; 1e9, .3)", st::d_binom_cdf(299565258, 1e9, 0.3), 4.3312854519419374e-198},
  };
  for (const auto& r : large) {
    EXPECT_NEAR(r.got / r.want, 1, 2e-12) << r.what << " = " << r.got;
  }
}

// A density is the derivative of its cdf: the mass of the discrete families
// is the difference of the cdf (where it is not below the cancellation of
// the difference); exp(logpdf) is the pdf.
TEST(StatsDistributions, MassIsTheStepOfTheCdf) {
  for (double k = 0; k <= 60; ++k) {
    const double pairs[][3] = {
        {st::d_poisson_pdf(k, 12.5), st::d_poisson_cdf(k, 12.5), st::d_poisson_cdf(k - 1, 12.5)},
        {st::d_binom_pdf(k, 60, 0.3), st::d_binom_cdf(k, 60, 0.3), st::d_binom_cdf(k - 1, 60, 0.3)},
        {st::d_nbinom_pdf(k, 4.5, 0.2), st::d_nbinom_cdf(k, 4.5, 0.2), st::d_nbinom_cdf(k - 1, 4.5, 0.2)},
    };
    for (const auto& q : pairs) {
      if (q[1] - q[2] > 1e-6) {
        EXPECT_NEAR((q[1] - q[2]) / q[0], 1, 1e-9) << "k = " << k;
      }
    }
    EXPECT_EQ(st::d_poisson_pdf(k + 0.5, 12.5), 0);
    EXPECT_NEAR(std::exp(st::d_binom_logpdf(k, 60, 0.3)) / st::d_binom_pdf(k, 60, 0.3), 1, 1e-15);
  }
}

TEST(StatsDistributions, EdgesAreValues) {
  struct Row {
    const char* what;
    double got, want;
  };
  const Row rows[] = {
      // parameters outside the domain, NaN: the quiet NaN
      {"norm sigma 0", st::d_norm_cdf(0, 0, 0), kNaN},
      {"norm sigma inf", st::d_norm_pdf(0, 0, kInf), kNaN},
      {"norm mu NaN", st::d_norm_quantile(0.5, kNaN, 1), kNaN},
      {"norm x NaN", st::d_norm_cdf(kNaN, 0, 1), kNaN},
      {"chisq k 0", st::d_chisq_sf(1, 0), kNaN},
      {"gamma scale -1", st::d_gamma_pdf(1, 2, -1), kNaN},
      {"beta b NaN", st::d_beta_isf(0.5, 1, kNaN), kNaN},
      {"t nu inf", st::d_t_cdf(0, kInf), kNaN},
      {"f d1 0", st::d_f_logpdf(1, 0, 1), kNaN},
      {"poisson lambda -1", st::d_poisson_pdf(0, -1), kNaN},
      {"binom n 2.5", st::d_binom_cdf(1, 2.5, 0.5), kNaN},
      {"binom n 2^53 + 2", st::d_binom_cdf(1, kTwo53 + 2, 0.5), kNaN},
      {"binom p 1.5", st::d_binom_sf(1, 10, 1.5), kNaN},
      {"nbinom p 0", st::d_nbinom_cdf(1, 2, 0), kNaN},
      {"quantile p 1.5", st::d_gamma_quantile(1.5, 1, 1), kNaN},
      {"isf q -0.1", st::d_poisson_isf(-0.1, 1), kNaN},
      {"quantile p NaN", st::d_binom_quantile(kNaN, 10, 0.5), kNaN},
      // x outside the support
      {"gamma cdf -1", st::d_gamma_cdf(-1, 2, 1), 0},
      {"gamma sf -1", st::d_gamma_sf(-1, 2, 1), 1},
      {"gamma logpdf -1", st::d_gamma_logpdf(-1, 2, 1), -kInf},
      {"beta cdf 2", st::d_beta_cdf(2, 2, 3), 1},
      {"beta sf 2", st::d_beta_sf(2, 2, 3), 0},
      {"beta pdf 1.5", st::d_beta_pdf(1.5, 2, 3), 0},
      {"norm cdf -inf", st::d_norm_cdf(-kInf, 0, 1), 0},
      {"norm sf -inf", st::d_norm_sf(-kInf, 0, 1), 1},
      {"t cdf inf", st::d_t_cdf(kInf, 2), 1},
      {"t pdf inf", st::d_t_pdf(kInf, 2), 0},
      {"f sf 0", st::d_f_sf(0, 3, 4), 1},
      {"poisson pmf -1", st::d_poisson_pdf(-1, 3), 0},
      {"poisson pmf 2.5", st::d_poisson_pdf(2.5, 3), 0},
      {"poisson logpmf 2.5", st::d_poisson_logpdf(2.5, 3), -kInf},
      {"poisson cdf 2.5 = cdf 2", st::d_poisson_cdf(2.5, 3), st::d_poisson_cdf(2, 3)},
      {"binom cdf 10", st::d_binom_cdf(10, 10, 0.5), 1},
      {"binom sf 10", st::d_binom_sf(10, 10, 0.5), 0},
      {"binom pmf 11", st::d_binom_pdf(11, 10, 0.5), 0},
      {"nbinom sf inf", st::d_nbinom_sf(kInf, 2, 0.5), 0},
      // densities at the ends of the support
      {"gamma pdf 0 shape 1", st::d_gamma_pdf(0, 1, 2), 0.5},
      {"gamma pdf 0 shape 0.5", st::d_gamma_pdf(0, 0.5, 2), kInf},
      {"gamma pdf 0 shape 2", st::d_gamma_pdf(0, 2, 2), 0},
      {"beta pdf 0 a 1", st::d_beta_pdf(0, 1, 3), 3},
      {"beta pdf 1 b 0.5", st::d_beta_pdf(1, 2, 0.5), kInf},
      {"f pdf 0 d1 2", st::d_f_pdf(0, 2, 7), 1},
      {"chisq pdf 0 k 1", st::d_chisq_pdf(0, 1), kInf},
      // degenerate discrete members
      {"poisson lambda 0 pmf 0", st::d_poisson_pdf(0, 0), 1},
      {"poisson lambda 0 quantile", st::d_poisson_quantile(0.7, 0), 0},
      {"binom p 0 cdf 0", st::d_binom_cdf(0, 10, 0), 1},
      {"binom p 1 pmf 10", st::d_binom_pdf(10, 10, 1), 1},
      {"binom p 1 quantile", st::d_binom_quantile(0.3, 10, 1), 10},
      {"binom n 0 pmf 0", st::d_binom_pdf(0, 0, 0.5), 1},
      {"nbinom p 1 pmf 0", st::d_nbinom_pdf(0, 2, 1), 1},
      // targets 0 and 1: the ends of the support
      {"norm quantile 0", st::d_norm_quantile(0, 0, 1), -kInf},
      {"norm quantile 1", st::d_norm_quantile(1, 0, 1), kInf},
      {"norm isf 0", st::d_norm_isf(0, 0, 1), kInf},
      {"chisq quantile 0", st::d_chisq_quantile(0, 3), 0},
      {"chisq isf 0", st::d_chisq_isf(0, 3), kInf},
      {"gamma quantile 1", st::d_gamma_quantile(1, 3, 2), kInf},
      {"beta quantile 1", st::d_beta_quantile(1, 2, 3), 1},
      {"beta isf 0", st::d_beta_isf(0, 2, 3), 1},
      {"beta isf 1", st::d_beta_isf(1, 2, 3), 0},
      {"t quantile 0", st::d_t_quantile(0, 3), -kInf},
      {"t isf 1", st::d_t_isf(1, 3), -kInf},
      {"f quantile 1", st::d_f_quantile(1, 3, 4), kInf},
      {"poisson quantile 1", st::d_poisson_quantile(1, 3), kInf},
      {"poisson quantile 0", st::d_poisson_quantile(0, 3), 0},
      {"poisson isf 0", st::d_poisson_isf(0, 3), kInf},
      {"poisson isf 1", st::d_poisson_isf(1, 3), 0},
      {"binom quantile 1", st::d_binom_quantile(1, 10, 0.5), 10},
      {"binom isf 0", st::d_binom_isf(0, 10, 0.5), 10},
      {"nbinom quantile 1", st::d_nbinom_quantile(1, 2, 0.5), kInf},
      // exact values
      {"norm cdf at mu", st::d_norm_cdf(3, 3, 2), 0.5},
      {"t cdf 0", st::d_t_cdf(0, 2.5), 0.5},
  };
  for (const auto& r : rows) {
    if (std::isnan(r.want)) {
      EXPECT_EQ(bits(r.got), bits(kNaN)) << r.what << " = " << r.got;
    } else {
      // Exact, or within a unit or two where the value comes through exp(log).
      EXPECT_TRUE(r.got == r.want || std::fabs(r.got / r.want - 1) < 5e-16) << r.what << " = " << r.got;
    }
  }
}

// One element through an array version against the scalar function.
using Array1 = void (*)(size_t, const double*, ptrdiff_t, const double*, ptrdiff_t, double*, ptrdiff_t);
using Array2 = void (*)(size_t, const double*, ptrdiff_t, const double*, ptrdiff_t, const double*,
                        ptrdiff_t, double*, ptrdiff_t);
int call_array(Array1 f, double (*scalar)(double, double) noexcept) {
  const double x = 0.25, a = 3;
  double y = 0;
  f(1, &x, 1, &a, 1, &y, 1);
  EXPECT_EQ(bits(y), bits(scalar(x, a)));
  return 1;
}
int call_array(Array2 f, double (*scalar)(double, double, double) noexcept) {
  const double x = 0.25, a = 3, b = 0.5;
  double y = 0;
  f(1, &x, 1, &a, 1, &b, 1, &y, 1);
  EXPECT_EQ(bits(y), bits(scalar(x, a, b)));
  return 1;
}

// The array versions give the scalar bits, with every kind of stride.
TEST(StatsDistributions, ArrayVersionsGiveTheScalarBits) {
  std::mt19937_64 rng(5);
  const int n = 61;
  std::vector<double> x(n), a(n), b(n), y(2 * n);
  for (int i = 0; i < n; ++i) {
    x[i] = std::uniform_real_distribution<double>(-2, 40)(rng);
    a[i] = log_uniform(rng, 0.1, 50);
    b[i] = std::uniform_real_distribution<double>(0, 1)(rng);
  }
  x[4] = kNaN;
  a[7] = -1;
  varnel_stats_d_gamma_cdf_array(n, x.data(), 1, a.data(), 1, a.data(), 0, y.data(), 2);
  for (int i = 0; i < n; ++i) EXPECT_EQ(bits(y[2 * i]), bits(st::d_gamma_cdf(x[i], a[i], a[0])));
  varnel_stats_d_t_quantile_array(n, b.data(), -1, a.data(), 1, y.data(), 1);
  for (int i = 0; i < n; ++i) EXPECT_EQ(bits(y[i]), bits(st::d_t_quantile(b[n - 1 - i], a[i])));
  varnel_stats_d_binom_isf_array(n, b.data(), 1, a.data(), 0, b.data(), 0, y.data(), 1);
  for (int i = 0; i < n; ++i) EXPECT_EQ(bits(y[i]), bits(st::d_binom_isf(b[i], a[0], b[0])));
  std::vector<double> in_place = x;
  varnel_stats_d_poisson_logpdf_array(n, in_place.data(), 1, a.data(), 1, in_place.data(), 1);
  for (int i = 0; i < n; ++i) EXPECT_EQ(bits(in_place[i]), bits(st::d_poisson_logpdf(x[i], a[i])));
  // Every name of the list has its array version, called once each.
  int functions = 0;
#define VARNEL_TEST_CALL_ARRAY(family, op, sig, count) \
  functions += call_array(varnel_stats_d_##family##_##op##_array, st::d_##family##_##op);
  VARNEL_STATS_DISTRIBUTIONS(VARNEL_TEST_CALL_ARRAY)
#undef VARNEL_TEST_CALL_ARRAY
  EXPECT_EQ(functions, 54);
}

// Reentrancy: threads over one shared set of inputs give bit for bit what
// one thread gave (also run under ThreadSanitizer).
TEST(StatsDistributions, SameBitsOnEveryThread) {
  std::mt19937_64 rng(17);
  const int n = 600 / kScale;
  std::vector<double> a(n), p(n), want(6 * n);
  for (int i = 0; i < n; ++i) {
    a[i] = log_uniform(rng, 0.1, 1e3);
    p[i] = target(rng);
  }
  auto all = [&](std::vector<double>& out, int shift) {
    for (int j = 0; j < n; ++j) {
      const int i = (j + shift) % n;
      out[6 * i] = st::d_t_quantile(p[i], a[i]);
      out[6 * i + 1] = st::d_gamma_isf(p[i], a[i], 2);
      out[6 * i + 2] = st::d_binom_quantile(p[i], std::floor(a[i]) + 1e7, 0.3);
      out[6 * i + 3] = st::d_poisson_isf(p[i], a[i] * 1e7);
      out[6 * i + 4] = st::d_f_pdf(p[i] * 10, a[i], 3);
      out[6 * i + 5] = st::d_norm_cdf(-40 * p[i], 0, 1);
    }
  };
  all(want, 0);
  constexpr int kThreads = 4;
  std::vector<std::vector<double>> got(kThreads, std::vector<double>(6 * n));
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) threads.emplace_back([&, t] { all(got[t], t * n / kThreads); });
  for (auto& th : threads) th.join();
  for (int t = 0; t < kThreads; ++t) {
    for (int i = 0; i < 6 * n; ++i) ASSERT_EQ(bits(got[t][i]), bits(want[i])) << "thread " << t;
  }
}

TEST(StatsDistributions, ErrnoIsKept) {
  errno = 1234;
  st::d_norm_pdf(1e3, 0, 1);
  st::d_norm_quantile(kTiny, 0, 1);
  st::d_t_quantile(1e-300, 1);
  st::d_gamma_logpdf(1e-320, 0.5, 1);
  st::d_poisson_pdf(0, 800);
  st::d_binom_isf(1e-300, 1e6, 0.5);
  st::d_f_pdf(1e300, 2, 3);
  st::d_nbinom_quantile(kTiny, 0.5, 0.5);
  EXPECT_EQ(errno, 1234);
}

}  // namespace
