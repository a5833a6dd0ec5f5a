// Log-gamma function, single and double precision: the out-of-domain values,
// the exact zeros, the tiny-argument branch, every interval end with its
// neighbours, the Stirling cut-off, and accuracy per interval against the
// reference tables.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

#include "test_support.hpp"
#include "varnel/varnel.hpp"

namespace {

using varnel::specfun::d_lngamma;
using varnel::specfun::s_lngamma;
using varnel::test::bits;
using varnel::test::parse_decimal;
using varnel::test::read_csv;
using varnel::test::ulp_error;

constexpr double kOutOfDomain = 1.79e308;
constexpr uint32_t kOutOfDomainBitsF = 0x7f7fdce1;  // 3.401e38f
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr float kInfF = std::numeric_limits<float>::infinity();

TEST(LnGamma, DoubleOutOfDomain) {
  const struct {
    double x;
    const char* why;
  } rows[] = {
      {0.0, "+0: no pole handling, out of domain"},
      {-0.0, "-0 fails x > 0"},
      {-0.5, "no reflection for negative non-integers"},
      {-1.0, "negative integer"},
      {-kInf, "-infinity"},
      {std::numeric_limits<double>::quiet_NaN(), "NaN fails x > 0"},
      {std::nextafter(2.55e305, kInf), "just above the domain bound"},
      {1e306, "above the domain bound"},
      {kInf, "+infinity fails x <= bound"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(bits(d_lngamma(row.x)), bits(kOutOfDomain)) << row.why << " x=" << row.x;
  }
}

TEST(LnGamma, SingleOutOfDomainIsItsOwnValue) {
  const struct {
    float x;
    const char* why;
  } rows[] = {
      {0.0f, "+0"},
      {-0.0f, "-0 fails x > 0"},
      {-0.5f, "no reflection"},
      {-1.0f, "negative integer"},
      {-kInfF, "-infinity"},
      {std::numeric_limits<float>::quiet_NaN(), "NaN fails x > 0"},
      {std::nextafter(4.08e36f, kInfF), "just above the domain bound"},
      {4.09e36f, "above the domain bound"},
      {kInfF, "+infinity"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(bits(s_lngamma(row.x)), kOutOfDomainBitsF)
        << row.why << " x=" << row.x << " (3.401e38f, not the 3.4e38f of s_gamma)";
  }
}

TEST(LnGamma, OneAndTwoGiveExactPositiveZero) {
  EXPECT_EQ(bits(d_lngamma(1.0)), 0u) << "t = 0 about 1";
  EXPECT_EQ(bits(d_lngamma(2.0)), 0u) << "t = 0 about 2";
  EXPECT_EQ(bits(s_lngamma(1.0f)), 0u) << "t = 0 about 1";
  EXPECT_EQ(bits(s_lngamma(2.0f)), 0u) << "t = 0 about 2";
}

// Up to and including the small-argument bound the result is -log(x); in
// single precision the logarithm is the double one, rounded.
TEST(LnGamma, TinyArgumentsAreMinusLog) {
  for (double x : {2.22e-16, 1e-300, 2.2e-308, 5e-324}) {
    EXPECT_EQ(bits(d_lngamma(x)), bits(-std::log(x))) << "x=" << x;
  }
  for (float x : {1.19e-7f, 1e-30f, 1e-45f}) {
    const float want = -static_cast<float>(std::log(static_cast<double>(x)));
    EXPECT_EQ(bits(s_lngamma(x)), bits(want)) << "x=" << x;
  }
}

struct EdgeRow {
  double x;
  long double want;  // ln Gamma(x) to 25 digits (mpmath)
  double ulps;
  const char* why;
};

// Interval ends and their neighbours on both sides, the domain and cut-off
// bounds. A wrong comparison (strict for non-strict) or a wrong shift sends
// an argument into an approximation built for another interval, which shows
// as an error of many ulps.
TEST(LnGamma, DoubleIntervalEnds) {
  const EdgeRow rows[] = {
      {0x1.fffffffffffffp-2, 0.5723649429247001960684157L, 1, "below 0.5: about 1, t = x"},
      {0x1.0000000000000p-1, 0.5723649429247000870717137L, 1.1, "0.5 itself: about 1"},
      {0x1.0000000000001p-1, 0.5723649429246998690783097L, 1, "above 0.5: about 2"},
      {0x1.5bfffffffffffp-1, 0.2862428123190014419688776L, 1, "below 0.6796875: -log x + about 2"},
      {0x1.5c00000000000p-1, 0.2862428123190012999763583L, 2.5, "0.6796875: about 1, base 0"},
      {0x1.5c00000000001p-1, 0.286242812319001157983839L, 2, "above 0.6796875"},
      {0x1.7ffffffffffffp+0, -0.1207822376352452304479203L, 1, "below 1.5"},
      {0x1.8000000000000p+0, -0.1207822376352452223455184L, 3, "1.5: about 1, t = 0.5"},
      {0x1.8000000000001p+0, -0.1207822376352452142431166L, 1, "above 1.5: about 2"},
      {0x1.fffffffffffffp+1, 1.791759469228054442984175L, 1, "below 4"},
      {0x1.0000000000000p+2, 1.791759469228055000812477L, 1, "4: about 2, t = 2"},
      {0x1.0000000000001p+2, 1.791759469228056116469083L, 1, "above 4: about 4"},
      {0x1.7ffffffffffffp+3, 17.50230784587388150024887L, 1, "below 12"},
      {0x1.8000000000000p+3, 17.50230784587388583928765L, 1, "12: about 4, t = 8"},
      {0x1.8000000000001p+3, 17.50230784587389017832643L, 1.1, "above 12: Stirling"},
      {0x1.ffe5ab7e8ad5fp-53, 36.0438542920205425911158L, 1, "just above the tiny bound"},
      {0x1.8000000000000p-1, 0.203280951431295371481433L, 1, "0.75"},
      {0x1.8000000000000p+1, 0.6931471805599453094172321L, 1, "3: ln 2"},
      {0x1.0000000000000p+3, 8.525161361065414300165531L, 1, "8: ln 5040"},
      {0x1.9000000000000p+6, 359.134205369575398776044L, 1, "100"},
      {0x1.e848000000000p+19, 12815504.56914761165997697L, 1, "1e6"},
      {0x1.8df463bf3cc38p+253, 3.933166438884685279246578e+78L, 1, "the series cut-off 2.25e76"},
      {0x1.8df463bf3cc39p+253, 3.933166438884685844269768e+78L, 1, "above the cut-off: w = 0"},
      {0x1.249ad2594c37dp+332, 2.292585092994045720635751e+102L, 1, "1e100, no correction"},
      {0x1.7e43c8800759cp+996, 6.897755278982137414744009e+302L, 1, "1e300"},
      {0x1.73d8e39b3a267p+1014, 1.790672594142003344028965e+308L, 1, "domain bound: finite"},
  };
  for (const auto& row : rows) {
    EXPECT_LE(ulp_error(d_lngamma(row.x), row.want), row.ulps)
        << row.why << " x=" << row.x << " got " << d_lngamma(row.x);
  }
}

TEST(LnGamma, SingleIntervalEnds) {
  const EdgeRow rows[] = {
      {0x1.fffffe0000000p-2, 0.5723650014418610855266725L, 1, "below 0.5: about 1, t = x"},
      {0x1.0000000000000p-1, 0.5723649429247000870717137L, 1, "0.5 itself: about 1"},
      {0x1.0000020000000p-1, 0.5723648258903912391158106L, 1, "above 0.5: about 2"},
      {0x1.5bfffe0000000p-1, 0.2862428885506599052686176L, 1, "below 0.6796875: -log x + about 2"},
      {0x1.5c00000000000p-1, 0.2862428123190012999763583L, 1, "0.6796875: about 1, base 0"},
      {0x1.5c00020000000p-1, 0.2862427360873532473395685L, 1, "above 0.6796875"},
      {0x1.7ffffe0000000p+0, -0.1207822419851824538887565L, 1, "below 1.5"},
      {0x1.8000000000000p+0, -0.1207822376352452223455184L, 1, "1.5: about 1, t = 0.5"},
      {0x1.8000020000000p+0, -0.120782233285294706464021L, 1, "above 1.5: about 2"},
      {0x1.fffffe0000000p+1, 1.791759169746273375668758L, 1.5, "below 4"},
      {0x1.0000000000000p+2, 1.791759469228055000812477L, 1, "4: about 2, t = 2"},
      {0x1.0000020000000p+2, 1.791760068191666651500297L, 1, "above 4: about 4"},
      {0x1.7ffffe0000000p+3, 17.50230551637021749501049L, 1, "below 12"},
      {0x1.8000000000000p+3, 17.50230784587388583928765L, 1, "12: about 4, t = 8"},
      {0x1.8000020000000p+3, 17.50231017537763322035777L, 1, "above 12: Stirling"},
      {0x1.ff19e40000000p-24, 15.94414222226059285783487L, 1, "just above the tiny bound"},
      {0x1.8000000000000p-1, 0.203280951431295371481433L, 1, "0.75"},
      {0x1.8000000000000p+1, 0.6931471805599453094172321L, 1, "3: ln 2"},
      {0x1.0000000000000p+3, 8.525161361065414300165531L, 1, "8: ln 5040"},
      {0x1.9000000000000p+6, 359.134205369575398776044L, 1, "100"},
      {0x1.e848000000000p+19, 12815504.56914761165997697L, 1, "1e6"},
      {0x1.528dec0000000p+30, 28504970236.5365815157827L, 1, "the series cut-off 1.42e9"},
      {0x1.528dee0000000p+30, 28504972933.9986939353525L, 1, "above the cut-off: w = 0"},
      {0x1.dcd6500000000p+30, 40832826025.22344495565147L, 1, "2e9, no correction"},
      {0x1.93e5940000000p+99, 6.807755382926351279033866e+31L, 1, "1e30"},
      {0x1.88e3c40000000p+121, 3.398605748874929259858482e+38L, 1, "domain bound: finite"},
  };
  for (const auto& row : rows) {
    const float x = static_cast<float>(row.x);
    ASSERT_EQ(static_cast<double>(x), row.x) << "row argument not a float: " << row.why;
    EXPECT_LE(ulp_error(s_lngamma(x), row.want), row.ulps)
        << row.why << " x=" << row.x << " got " << s_lngamma(x);
  }
}

// Above the cut-off the correction series is dropped: the result is exactly
// ln sqrt(2 pi) - ln(x)/2 + x (ln x - 1) evaluated in that order.
TEST(LnGamma, AboveCutOffTheCorrectionIsDropped) {
  for (double x : {std::nextafter(2.25e76, kInf), 1e100, 1e200}) {
    const double c = std::log(x);
    const double want = ((0.0 / x + 0.91893853320467278) - 0.5 * c) + x * (c - 1);
    EXPECT_EQ(bits(d_lngamma(x)), bits(want)) << "x=" << x;
  }
  for (float x : {std::nextafter(1.42e9f, kInfF), 2e9f, 1e20f}) {
    const float c = static_cast<float>(std::log(static_cast<double>(x)));
    const float want = ((0.0f / x + 0.918938518f) - 0.5f * c) + x * (c - 1);
    EXPECT_EQ(bits(s_lngamma(x)), bits(want)) << "x=" << x;
  }
}

// Accuracy against the reference tables, grouped by the interval (and so the
// approximation) that serves each argument. Bounds are the maxima measured on
// x86_64 and aarch64 (identical results), rounded up.
struct Interval {
  const char* name;
  double lo;         // exclusive, except for the first interval
  double hi;         // inclusive
  double max_double; // ulp
  double max_single; // ulp
};

TEST(LnGamma, AccuracyPerIntervalAgainstReferenceTables) {
  Interval intervals[] = {
      {"(small, 0.5]", 0.0, 0.5, 1.1, 0.9},
      {"(0.5, 0.6796875)", 0.5, std::nextafter(0.6796875, 0.0), 0.8, 0.3},
      {"[0.6796875, 1.5]", std::nextafter(0.6796875, 0.0), 1.5, 2.75, 1.15},
      {"(1.5, 4]", 1.5, 4.0, 1.3, 0.9},
      {"(4, 12]", 4.0, 12.0, 1.7, 1.55},
      {"(12, 99.5]", 12.0, 99.5, 1.7, 1.5},
  };
  struct Worst {
    long double d = 0, s = 0;
    double at_d = 0, at_s = 0;
    int rows = 0;
  } worst[6];

  int used = 0;
  for (const char* file : {"refdata/test_gamma_data-near_0.csv", "refdata/test_gamma_data-near_1.csv",
                           "refdata/test_gamma_data-near_2.csv",
                           "refdata/test_gamma_data-factorials.csv"}) {
    const auto rows = read_csv(file);
    ASSERT_FALSE(rows.empty()) << file;
    for (const auto& row : rows) {
      const double x = std::stod(row[0]);
      if (!(x > 0)) continue;  // negative arguments: no reflection, out of domain
      const long double want = parse_decimal(row[2]);
      int k = 0;
      while (k < 6 && !(x > intervals[k].lo && x <= intervals[k].hi)) ++k;
      ASSERT_LT(k, 6) << "no interval for x=" << x;
      Worst& w = worst[k];
      ++w.rows;
      ++used;
      const long double ed = ulp_error(d_lngamma(x), want);
      if (ed > w.d) w.d = ed, w.at_d = x;
      const float xf = static_cast<float>(x);
      ASSERT_EQ(static_cast<double>(xf), x) << "argument not exact in float";
      const long double es = ulp_error(s_lngamma(xf), want);
      if (es > w.s) w.s = es, w.at_s = x;
    }
  }
  EXPECT_GT(used, 250);
  for (int k = 0; k < 6; ++k) {
    std::printf("lngamma %-18s %3d rows: d_lngamma max %.3Lf ulp at %.17g; s_lngamma max %.3Lf ulp at %.9g\n",
                intervals[k].name, worst[k].rows, worst[k].d, worst[k].at_d, worst[k].s, worst[k].at_s);
    EXPECT_GT(worst[k].rows, 0) << intervals[k].name;
    EXPECT_LE(worst[k].d, intervals[k].max_double) << "d_lngamma on " << intervals[k].name
                                                   << ", worst at x=" << worst[k].at_d;
    EXPECT_LE(worst[k].s, intervals[k].max_single) << "s_lngamma on " << intervals[k].name
                                                   << ", worst at x=" << worst[k].at_s;
  }
}

}  // namespace
