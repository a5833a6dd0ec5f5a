// Incomplete beta function (power series and two continued fractions) and
// its building blocks: the domain-error NaN and its bits, the exact returns
// at 0 and 1, one example per path through the function checked against the
// binomial tail, the series threshold, the clamp of complemented results, the
// underflow cut, the symmetry, the fractions' degenerate first step, and
// accuracy against the reference tables.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

#include "test_support.hpp"
#include "varnel/varnel.hpp"

namespace {

using varnel::cephes::d_ibeta;
using varnel::cephes::incbcf;
using varnel::cephes::incbd;
using varnel::cephes::pseries;
using varnel::test::bits;
using varnel::test::ulp_error;
using varnel::test::worst_ibeta_error;
using varnel::test::WorstError;

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr uint64_t kDomainNaNBits = 0x7ff8000000000000;
constexpr double kOneMinusMachep = 0x1.fffffffffffffp-1;  // 1 - D_MACHEP

struct Args {
  double a;
  double b;
  double x;
  const char* why;
};

TEST(IncompleteBeta, DomainErrorIsTheDefaultQuietNaN) {
  const Args rows[] = {
      {0, 2, 0.5, "a = 0"},
      {-1, 2, 0.5, "a < 0"},
      {-0.0, 2, 0.5, "a = -0"},
      {2, 0, 0.5, "b = 0"},
      {2, -kInf, 0.5, "b = -inf"},
      {2, 3, -0.5, "x < 0"},
      {2, 3, -5e-324, "x just below 0"},
      {2, 3, 1.5, "x > 1"},
      {2, 3, 0x1.0000000000001p0, "x just above 1"},
      {2, 3, kInf, "x = +inf"},
      {2, 3, -kInf, "x = -inf"},
      {0, 2, 0, "a <= 0 is tested before x = 0"},
      {2, -1, 1, "b <= 0 is tested before x = 1"},
      {-1, kNaN, kNaN, "a <= 0 whatever the rest"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(bits(d_ibeta(row.a, row.b, row.x)), kDomainNaNBits) << row.why;
  }
}

TEST(IncompleteBeta, ExactReturnsAtTheEnds) {
  const struct {
    double a, b, x, want;
    const char* why;
  } rows[] = {
      {2, 3, 0.0, 0.0, "x = 0"},
      {2, 3, -0.0, 0.0, "x = -0 gives +0"},
      {2, 3, 1.0, 1.0, "x = 1"},
      {kNaN, 2, 0, 0.0, "a NaN a passes the parameter tests"},
      {2, kNaN, 1, 1.0, "a NaN b passes the parameter tests"},
      {1000, 1000, 0.1, 0.0, "logarithmic prefactor far below D_MINLOG: +0"},
      {1000, 1000, 0.9, kOneMinusMachep, "complement of an underflowed value is clamped"},
      {5, 2, 1 - 1e-9, kOneMinusMachep, "complemented series below D_MACHEP is clamped"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(bits(d_ibeta(row.a, row.b, row.x)), bits(row.want)) << row.why;
  }
}

TEST(IncompleteBeta, NaNArgumentsInsideTheIntervalGiveNaN) {
  const Args rows[] = {
      {kNaN, 2, 0.5, "NaN a"},
      {2, kNaN, 0.5, "NaN b"},
      {2, 3, kNaN, "NaN x runs the second fraction to its 300 iterations"},
  };
  for (const auto& row : rows) {
    EXPECT_TRUE(std::isnan(d_ibeta(row.a, row.b, row.x))) << row.why;
  }
}

// For whole a and b, I_x(a, b) is the upper tail of the binomial
// distribution with n = a + b - 1 trials: the sum over j = a .. n of
// C(n, j) x^j (1-x)^(n-j). Summed in long double from the double x.
long double binomial_tail(int a, int b, double xd) {
  const long double x = xd;
  const int n = a + b - 1;
  long double sum = 0;
  for (int j = a; j <= n; ++j) {
    long double c = 1;
    for (int i = 1; i <= j; ++i) c = c * (n - j + i) / i;
    sum += c * std::pow(x, static_cast<long double>(j)) * std::pow(1 - x, static_cast<long double>(n - j));
  }
  return sum;
}

TEST(IncompleteBeta, EachPathAgreesWithTheBinomialTail) {
  const struct {
    int a, b;
    double x;
    double ulps;
    const char* why;
  } rows[] = {
      {2, 3, 0.3, 4, "power series: b x <= 1"},
      {2, 3, 0.4, 4, "second fraction, uncomplemented"},
      {5, 2, 0.7, 4, "first fraction, uncomplemented"},
      {5, 2, 0.75, 4, "second fraction on the swapped problem, complemented"},
      {3, 5, 0.6, 4, "first fraction on the swapped problem, complemented"},
      {2, 3, 0.6, 4, "power series of the swapped problem, complemented"},
      {20, 30, 0.45, 64, "second fraction; Gamma(50) by Stirling's formula"},
      {100, 90, 0.5, 800, "logarithmic prefactor (a + b above 171.6)"},
  };
  for (const auto& row : rows) {
    EXPECT_LE(ulp_error(d_ibeta(row.a, row.b, row.x), binomial_tail(row.a, row.b, row.x)), row.ulps)
        << "I_" << row.x << "(" << row.a << ", " << row.b << "): " << row.why;
  }
}

// The paths are also visible bit for bit through the exported series.
TEST(IncompleteBeta, SeriesShortcutEndsExactlyAt095) {
  const double x = 0.95;
  const double above = std::nextafter(x, 1.0);
  EXPECT_EQ(bits(d_ibeta(3, 1, x)), bits(pseries(3, 1, x))) << "x = 0.95 takes the series";
  EXPECT_EQ(bits(d_ibeta(3, 1, above)), bits(1 - pseries(1, 3, 1 - above)))
      << "just above 0.95: complemented series of the swapped problem";
  EXPECT_EQ(bits(d_ibeta(2, 3, 0.6)), bits(1 - pseries(3, 2, 0.4)));
}

TEST(IncompleteBeta, ClosedFormsForOneParameterOne) {
  const struct {
    double a, b, x;
    long double want;
    double ulps;
    const char* why;
  } rows[] = {
      {1, 1, 0.25, 0.25L, 2, "I_x(1, 1) = x, series"},
      {1, 1, 0.96, 0.96L, 2, "I_x(1, 1) = x, complemented series"},
      {3, 1, 0.5, 0.125L, 2, "I_x(a, 1) = x^a"},
      {3, 1, 0.99, std::pow(0.99L, 3), 4, "I_x(a, 1) = x^a, complemented"},
      {1, 4, 0.5, 1 - std::pow(0.5L, 4), 4, "I_x(1, b) = 1 - (1-x)^b"},
  };
  for (const auto& row : rows) {
    EXPECT_LE(ulp_error(d_ibeta(row.a, row.b, row.x), row.want), row.ulps) << row.why;
  }
  EXPECT_LE(ulp_error(pseries(2.5, 1, 0.3), std::pow(0.3L, 2.5L)), 2) << "pseries(a, 1, x) = x^a";
}

// The two sides take different paths and share no rounding error; the
// prefactors' Gamma values (tens of units in the last place for arguments
// above 12) set the tolerances.
TEST(IncompleteBeta, SymmetryAwayFromTheClamp) {
  const struct {
    double a, b, x;
    double ulps;
  } rows[] = {
      {2, 3, 0.4, 4},      {0.5, 0.5, 0.3, 4}, {5, 2, 0.75, 4},    {10, 0.3, 0.9, 12},
      {0.1, 20, 0.02, 80}, {30, 40, 0.44, 8},  {1.5, 2.5, 0.6, 4}, {7, 7, 0.5, 12},
  };
  for (const auto& row : rows) {
    const double sum = d_ibeta(row.a, row.b, row.x) + d_ibeta(row.b, row.a, 1 - row.x);
    EXPECT_LE(ulp_error(sum, 1.0L), row.ulps) << "a=" << row.a << " b=" << row.b << " x=" << row.x;
  }
}

// Just above 171.624, where Gamma overflows, and below 171.62437695630271 the
// direct prefactor still runs with Gamma(a + b) replaced by the overflow
// value 1.79e308, a little below the true value: the result comes out low by
// up to 0.4 %. I_0.5(a, a) = 1/2 exactly.
TEST(IncompleteBeta, DirectPrefactorJustAboveTheGammaOverflowBoundIsLow) {
  const double a = 85.8121;  // a + b = 171.6242
  const double got = d_ibeta(a, a, 0.5);
  EXPECT_LT(got, 0.5);
  EXPECT_GT(got, 0.5 * (1 - 0.004));
  EXPECT_NEAR(d_ibeta(86, 86, 0.5), 0.5, 1e-13) << "logarithmic prefactor above the limit";
}

// A first iteration whose denominator vanishes keeps the initial ratio 1,
// which equals the initial estimate: the fraction stops at once with 1.
TEST(IncompleteBeta, FractionsWithAVanishingFirstDenominatorReturnOne) {
  EXPECT_EQ(incbcf(1, 1, 1), 1.0) << "1 - x + 0 = 0 at x = 1";
  EXPECT_EQ(incbd(1, 1, 1.5), 1.0) << "z = -3: 1 + 0 - 1 = 0";
}

// Measured maximum errors against the reference tables, asserted per table.
struct AccuracyCase {
  const char* file;
  double max_ulps;
};

class IncompleteBetaAccuracy : public ::testing::TestWithParam<AccuracyCase> {};

TEST_P(IncompleteBetaAccuracy, WithinMeasuredBound) {
  const AccuracyCase& c = GetParam();
  const WorstError w = worst_ibeta_error(c.file, d_ibeta, [](double a, double b, double x) {
    EXPECT_LE(d_ibeta(a, b, x), 1e-290) << "underflow expected at a=" << a << " b=" << b
                                         << " x=" << x;
  });
  EXPECT_GT(w.used, 0) << c.file;
  EXPECT_EQ(w.nans, 0) << c.file;
  EXPECT_LE(w.ulps, c.max_ulps) << "worst at a=" << w.at[0] << " b=" << w.at[1]
                                << " x=" << w.at[2];
}

// Bounds: the maxima measured on x86_64 and aarch64 (identical), rounded up.
// The prefactor sets them: Gamma values above 12 (tens to hundreds of ulp),
// and for large parameters the logarithmic form, whose terms of size
// a log x and lnGamma(a + b) carry their rounding error into the result.
INSTANTIATE_TEST_SUITE_P(RefData, IncompleteBetaAccuracy,
                         ::testing::Values(AccuracyCase{"refdata/ibeta_small_data.csv", 60},
                                           AccuracyCase{"refdata/ibeta_data.csv", 2000},
                                           AccuracyCase{"refdata/ibeta_int_data.csv", 260},
                                           AccuracyCase{"refdata/ibeta_large_data.csv", 1.7e6}));

}  // namespace
