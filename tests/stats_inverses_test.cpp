// The inverse functions of libvarnel-stats against the property that defines
// them: each result is a number at which the library's own forward function
// crosses the target, to the last bit. Also their edges, the bound on the
// forward evaluations of one call (by a counting forward function over
// adversarial arguments), their monotonicity in the target over runs of
// consecutive doubles, the array versions and errno.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <iterator>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <random>
#include <thread>
#include <vector>

#include "bits.hpp"
#include "stats/incomplete_inv.hpp"
#include "stats_support.hpp"
#include "varnel/stats.h"
#include "varnel/stats.hpp"
#include "varnel/varnel.hpp"

namespace {

namespace st = varnel::stats;
namespace ce = varnel::cephes;
namespace sf = varnel::specfun;
using varnel::test::bits;

using namespace varnel::test::stats;

// The crossing property of each inverse, true when x is a crossing of the
// forward function at the target.
bool crosses_erf(double p, double x) { return sf::d_calerf(x, 0) >= p && sf::d_calerf(prev(x), 0) < p; }
bool crosses_erfc(double q, double x) { return sf::d_calerf(x, 1) <= q && sf::d_calerf(prev(x), 1) > q; }
bool crosses_erf(float p, float x) { return sf::s_calerf(x, 0) >= p && sf::s_calerf(prev(x), 0) < p; }
bool crosses_erfc(float q, float x) { return sf::s_calerf(x, 1) <= q && sf::s_calerf(prev(x), 1) > q; }
bool crosses_P(double a, double p, double x) {
  return ce::d_igamma(a, x) >= p && ce::d_igamma(a, prev(x)) < p;
}
bool crosses_Q(double a, double q, double x) {
  return ce::d_igamc(a, x) <= q && ce::d_igamc(a, prev(x)) > q;
}
bool crosses_I(double a, double b, double p, double x) {
  return ce::d_ibeta(a, b, x) >= p && ce::d_ibeta(a, b, prev(x)) < p;
}
bool crosses_J(double a, double b, double q, double x) {
  return ce::d_ibeta(b, a, 1 - x) <= q && ce::d_ibeta(b, a, 1 - prev(x)) > q;
}

struct Region {
  const char* name;
  double lo, hi;  // parameters log-uniform in [lo, hi]
  int count;
};

TEST(StatsInverses, EveryResultIsACrossingOfTheForwardFunction) {
  const Region regions[] = {
      {"tiny", 1e-300, 1e-3, 400}, {"small", 1e-3, 1, 1500}, {"body", 1, 100, 1500},
      {"large", 100, 1e6, 600},   {"huge", 1e6, 1e10, 60},
  };
  std::mt19937_64 rng(20261209);
  long checked = 0;
  for (const auto& r : regions) {
    for (int i = 0; i < r.count / kScale; ++i) {
      const double a = log_uniform(rng, r.lo, r.hi);
      const double b = log_uniform(rng, r.lo, r.hi);
      const double p = target(rng);
      double x = st::d_igamma_inv(a, p);
      EXPECT_TRUE(crosses_P(a, p, x)) << r.name << " igamma_inv(" << a << ", " << p << ") = " << x;
      x = st::d_igamc_inv(a, p);
      EXPECT_TRUE(crosses_Q(a, p, x)) << r.name << " igamc_inv(" << a << ", " << p << ") = " << x;
      if (r.hi <= 1e6) {
        x = st::d_ibeta_inv(a, b, p);
        EXPECT_TRUE(crosses_I(a, b, p, x))
            << r.name << " ibeta_inv(" << a << ", " << b << ", " << p << ") = " << x;
        x = st::d_ibetac_inv(a, b, p);
        EXPECT_TRUE(crosses_J(a, b, p, x))
            << r.name << " ibetac_inv(" << a << ", " << b << ", " << p << ") = " << x;
        checked += 2;
      }
      checked += 2;
    }
  }
  for (int i = 0; i < 20000 / kScale; ++i) {
    const double p = (rng() & 1 ? -1 : 1) * target(rng);
    EXPECT_TRUE(crosses_erf(p, st::d_erf_inv(p))) << "erf_inv(" << p << ")";
    const double q = 2 * target(rng);
    EXPECT_TRUE(crosses_erfc(q, st::d_erfc_inv(q))) << "erfc_inv(" << q << ")";
    // The float targets strictly inside their intervals (rounding may take
    // them to an end).
    const float pf = static_cast<float>(p);
    if (std::fabs(pf) < 1) {
      EXPECT_TRUE(crosses_erf(pf, st::s_erf_inv(pf))) << "s_erf_inv(" << pf << ")";
    }
    const float qf = static_cast<float>(q);
    if (qf > 0 && qf < 2) {
      EXPECT_TRUE(crosses_erfc(qf, st::s_erfc_inv(qf))) << "s_erfc_inv(" << qf << ")";
    }
    checked += 4;
  }
  std::printf("crossing property held on %ld inputs\n", checked);
}

// The edges, one row each: ends of the interval give the ends of the
// support, anything outside the domain the quiet NaN.
TEST(StatsInverses, EdgesAreValues) {
  struct Row {
    const char* what;
    double got, want;
  };
  const Row rows[] = {
      {"erf_inv(-1)", st::d_erf_inv(-1), -kInf},
      {"erf_inv(1)", st::d_erf_inv(1), kInf},
      {"erf_inv(0)", st::d_erf_inv(0), 0},
      {"erf_inv(1.5)", st::d_erf_inv(1.5), kNaN},
      {"erf_inv(NaN)", st::d_erf_inv(kNaN), kNaN},
      {"erfc_inv(0)", st::d_erfc_inv(0), kInf},
      {"erfc_inv(2)", st::d_erfc_inv(2), -kInf},
      {"erfc_inv(-0.5)", st::d_erfc_inv(-0.5), kNaN},
      {"erfc_inv(2.5)", st::d_erfc_inv(2.5), kNaN},
      {"s_erf_inv(-1)", st::s_erf_inv(-1.0f), -kInf},
      {"s_erfc_inv(0)", st::s_erfc_inv(0.0f), kInf},
      {"s_erf_inv(NaN)", st::s_erf_inv(std::nanf("")), kNaN},
      {"igamma_inv(2, 0)", st::d_igamma_inv(2, 0), 0},
      {"igamma_inv(2, 1)", st::d_igamma_inv(2, 1), kInf},
      {"igamc_inv(2, 0)", st::d_igamc_inv(2, 0), kInf},
      {"igamc_inv(2, 1)", st::d_igamc_inv(2, 1), 0},
      {"igamma_inv(0, 0.5)", st::d_igamma_inv(0, 0.5), kNaN},
      {"igamma_inv(-1, 0.5)", st::d_igamma_inv(-1, 0.5), kNaN},
      {"igamma_inv(inf, 0.5)", st::d_igamma_inv(kInf, 0.5), kNaN},
      {"igamma_inv(NaN, 0.5)", st::d_igamma_inv(kNaN, 0.5), kNaN},
      {"igamma_inv(2, NaN)", st::d_igamma_inv(2, kNaN), kNaN},
      {"igamma_inv(2, -0.1)", st::d_igamma_inv(2, -0.1), kNaN},
      {"igamc_inv(2, 1.1)", st::d_igamc_inv(2, 1.1), kNaN},
      {"ibeta_inv(2, 3, 0)", st::d_ibeta_inv(2, 3, 0), 0},
      {"ibeta_inv(2, 3, 1)", st::d_ibeta_inv(2, 3, 1), 1},
      {"ibetac_inv(2, 3, 0)", st::d_ibetac_inv(2, 3, 0), 1},
      {"ibetac_inv(2, 3, 1)", st::d_ibetac_inv(2, 3, 1), 0},
      {"ibeta_inv(0, 3, 0.5)", st::d_ibeta_inv(0, 3, 0.5), kNaN},
      {"ibeta_inv(2, -3, 0.5)", st::d_ibeta_inv(2, -3, 0.5), kNaN},
      {"ibeta_inv(2, 3, NaN)", st::d_ibeta_inv(2, 3, kNaN), kNaN},
      {"ibetac_inv(NaN, 3, 0.5)", st::d_ibetac_inv(kNaN, 3, 0.5), kNaN},
      {"ibetac_inv(2, 3, 2)", st::d_ibetac_inv(2, 3, 2), kNaN},
  };
  // erfc rounds to 1 on both sides of 0, so its crossing of 1 lies a little
  // below 0: the first number whose erfc is not above 1.
  const double x1 = st::d_erfc_inv(1);
  EXPECT_TRUE(crosses_erfc(1.0, x1) && x1 < 0 && x1 > -1e-16) << "erfc_inv(1) = " << x1;
  for (const auto& row : rows) {
    if (std::isnan(row.want)) {
      EXPECT_EQ(bits(row.got), 0x7ff8000000000000u) << row.what << " = " << row.got;
    } else {
      EXPECT_EQ(bits(row.got), bits(row.want)) << row.what << " = " << row.got;
    }
  }
}

// Known values: the chi-square critical value with 3 degrees of freedom at
// 0.05, the normal quantile at 1e-300, the t quantile at 1e-300 (3 degrees
// of freedom), each within a few units of the exact value.
TEST(StatsInverses, TextbookValues) {
  EXPECT_NEAR(2 * st::d_igamc_inv(1.5, 0.05), 7.814727903251178, 1e-13);
  EXPECT_NEAR(-std::sqrt(2.0) * st::d_erfc_inv(2e-300), -37.0471, 1e-4);
  // t quantile: x = ibeta_inv(nu/2, 1/2, 2p), t = -sqrt(nu (1 - x) / x).
  const double x = st::d_ibeta_inv(1.5, 0.5, 2e-300);
  EXPECT_NEAR(-std::sqrt(3 * (1 - x) / x) / -1.0337e100, 1.0, 1e-3);
  EXPECT_NEAR(st::d_igamc_inv(1e6, 1e-300), 1037505.66, 0.01);
}

// A forward function that counts its evaluations, for the bound.
struct CountingForward {
  mutable int count = 0;
  double P(double a, double x) const { ++count; return ce::d_igamma(a, x); }
  double Q(double a, double x) const { ++count; return ce::d_igamc(a, x); }
  double ibeta(double a, double b, double x) const { ++count; return ce::d_ibeta(a, b, x); }
  static double lngamma(double x) { return sf::d_lngamma(x); }
};

TEST(StatsInverses, EveryCallStaysWithinTheEvaluationBound) {
  namespace d = varnel::stats::detail;
  const double params[] = {kTiny, 1e-300, 1e-20, 1e-3, 0.5, 1, 2.5, 30, 1e4, 1e8, 1e12, 1e300,
                           kInf, kNaN, -1, 0};
  const double targets[] = {0, kTiny, 1e-300, 1e-20, 0.05, 0.5, 0.95, kBelowOne, 1, kNaN, -0.5,
                            2};
  // Near the answer for a of 1e12 and more each forward evaluation takes
  // milliseconds, and beyond about 3e13 it runs to its step cap: three
  // targets there (none under an emulator).
  const double costly_targets[] = {kTiny, 0.5, kBelowOne};
  int worst = 0;
  long calls = 0;
  for (double a : params) {
    const bool costly = a == 1e12 || a == 1e300;
    if (costly && kScale > 1) continue;
    for (double p : targets) {
      if (costly && std::find(std::begin(costly_targets), std::end(costly_targets), p) ==
                        std::end(costly_targets)) {
        continue;
      }
      for (bool upper : {false, true}) {
        CountingForward f;
        d::igamma_inverse(f, a, p, upper);
        worst = std::max(worst, f.count);
        ++calls;
        for (double b : params) {
          // Each forward call takes long there; under an emulator the 1e8
          // rows too.
          if (b == 1e12 || a == 1e12) continue;
          if (kScale > 1 && (b == 1e8 || a == 1e8)) continue;
          CountingForward g;
          d::ibeta_inverse(g, a, b, p, upper);
          worst = std::max(worst, g.count);
          ++calls;
        }
      }
    }
  }
  std::printf("%ld calls, at most %d forward evaluations (bound %d)\n", calls, worst,
              VARNEL_STATS_MAX_EVALUATIONS);
  EXPECT_LE(worst, VARNEL_STATS_MAX_EVALUATIONS);
  EXPECT_EQ(VARNEL_STATS_MAX_EVALUATIONS, d::kMaxRefineSteps + d::kMaxSearchSteps);
}

// Over runs of consecutive doubles p the result must never go down (up, for
// the upper-tail forms). Counted and printed; the docs report the counts.
TEST(StatsInverses, ResultsAreMonotoneInTheTarget) {
  struct Sweep {
    const char* what;
    double a, b, p0;
  };
  const Sweep sweeps[] = {
      {"small a, left tail", 0.01, 2, 1e-200}, {"a = 1, body", 1, 1, 0.3},
      {"a = 2.5, right tail", 2.5, 40, 0.999}, {"a = 50, body", 50, 0.5, 0.5},
      {"a = 1e5, left tail", 1e5, 7, 1e-30},   {"a = 0.3, near 1", 0.3, 0.3, 1 - 1e-12},
      {"a = 1e5, body", 1e5, 1e5, 0.5},        {"a = 1e-3, body", 1e-3, 1e3, 0.2},
      {"a = 700, right tail", 700, 3, 0.99999},
  };
  const int steps = 2000 / kScale;
  // The forward functions' rounding wobbles by a few units where they are
  // ill-conditioned, so that a target has several crossings; the search
  // takes the one a bisection over the whole range finds, which keeps the
  // order.
  const long kAllowedDecreases = 0;
  long decreases = 0, total = 0;
  double worst_gap = 0;
  for (const auto& s : sweeps) {
    double p = s.p0;
    double last[6] = {-kInf, kInf, -kInf, kInf, -kInf, kInf};
    for (int i = 0; i < steps; ++i, p = std::nextafter(p, 1.0)) {
      const double now[6] = {st::d_igamma_inv(s.a, p), st::d_igamc_inv(s.a, p),
                             st::d_ibeta_inv(s.a, s.b, p), st::d_ibetac_inv(s.a, s.b, p),
                             st::d_erf_inv(p), st::d_erfc_inv(p)};
      for (int k = 0; k < 6; ++k) {
        const bool up = k % 2 == 0;
        if (up ? now[k] < last[k] : now[k] > last[k]) {
          ++decreases;
          const double gap = std::fabs(now[k] - last[k]) / std::fabs(now[k] - std::nextafter(now[k], 0.0));
          worst_gap = std::max(worst_gap, gap);
        }
        last[k] = now[k];
        ++total;
      }
    }
  }
  std::printf("%ld steps of p, %ld against the order, by at most %.0f units in the last place\n",
              total, decreases, worst_gap);
  EXPECT_LE(decreases, kAllowedDecreases);
}

TEST(StatsInverses, ArrayVersionsGiveTheScalarBits) {
  std::mt19937_64 rng(7);
  const int n = 101;
  std::vector<double> a(n), b(n), p(n), y(2 * n);
  for (int i = 0; i < n; ++i) {
    a[i] = log_uniform(rng, 0.01, 100);
    b[i] = log_uniform(rng, 0.01, 100);
    p[i] = target(rng);
  }
  a[3] = kNaN;
  p[5] = 0;
  varnel_stats_d_igamma_inv_array(n, a.data(), 1, p.data(), 1, y.data(), 2);
  for (int i = 0; i < n; ++i) EXPECT_EQ(bits(y[2 * i]), bits(st::d_igamma_inv(a[i], p[i])));
  varnel_stats_d_ibetac_inv_array(n, a.data(), -1, b.data(), 0, p.data(), 1, y.data(), 1);
  for (int i = 0; i < n; ++i) {
    EXPECT_EQ(bits(y[i]), bits(st::d_ibetac_inv(a[n - 1 - i], b[0], p[i])));
  }
  std::vector<double> in_place = p;
  varnel_stats_d_erfc_inv_array(n, in_place.data(), 1, in_place.data(), 1);
  for (int i = 0; i < n; ++i) EXPECT_EQ(bits(in_place[i]), bits(st::d_erfc_inv(p[i])));
  std::vector<float> pf(n), yf(n);
  for (int i = 0; i < n; ++i) pf[i] = static_cast<float>(2 * p[i] - 1);
  varnel_stats_s_erf_inv_array(n, pf.data(), 1, yf.data(), 1);
  for (int i = 0; i < n; ++i) EXPECT_EQ(bits(yf[i]), bits(st::s_erf_inv(pf[i])));
}

// Reentrancy: several threads over one shared set of inputs give bit for
// bit what one thread gave (also run under ThreadSanitizer).
TEST(StatsInverses, SameBitsOnEveryThread) {
  std::mt19937_64 rng(11);
  const int n = 1500 / kScale;
  std::vector<double> a(n), b(n), p(n), want(4 * n);
  for (int i = 0; i < n; ++i) {
    a[i] = log_uniform(rng, 1e-3, 1e4);
    b[i] = log_uniform(rng, 1e-3, 1e4);
    p[i] = target(rng);
  }
  auto all = [&](std::vector<double>& out, int shift) {
    for (int j = 0; j < n; ++j) {
      const int i = (j + shift) % n;
      out[4 * i] = st::d_igamma_inv(a[i], p[i]);
      out[4 * i + 1] = st::d_igamc_inv(a[i], p[i]);
      out[4 * i + 2] = st::d_ibeta_inv(a[i], b[i], p[i]);
      out[4 * i + 3] = st::d_erfc_inv(2 * p[i]) + st::s_erf_inv(static_cast<float>(p[i]));
    }
  };
  all(want, 0);
  constexpr int kThreads = 4;
  std::vector<std::vector<double>> got(kThreads, std::vector<double>(4 * n));
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) threads.emplace_back([&, t] { all(got[t], t * n / kThreads); });
  for (auto& th : threads) th.join();
  for (int t = 0; t < kThreads; ++t) {
    for (int i = 0; i < 4 * n; ++i) ASSERT_EQ(bits(got[t][i]), bits(want[i])) << "thread " << t;
  }
}

TEST(StatsInverses, ErrnoIsKept) {
  errno = 1234;
  st::d_igamma_inv(2, 1e-300);
  st::d_igamc_inv(1e-300, 1e-300);
  st::d_ibeta_inv(1e-5, 1e5, kTiny);
  st::d_erfc_inv(kTiny);
  st::d_igamma_inv(-1, 0.5);
  EXPECT_EQ(errno, 1234);
}

}  // namespace
