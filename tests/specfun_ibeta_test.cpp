// Incomplete beta function by one continued fraction: closed forms where the
// fraction is finite, the symmetry threshold, the absolute tolerance, the ends
// of the interval and beyond, NaN handling, the tiny-a degeneracy, x = 1 with
// a threshold that rounds to 1, and accuracy against the reference tables.
// The program also links the other incomplete beta function of the same name,
// which must stay a distinct function.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

#include "test_support.hpp"
#include "varnel/varnel.hpp"

namespace {

using varnel::specfun::d_ibeta;
using varnel::test::bits;
using varnel::test::ulp_error;
using varnel::test::worst_ibeta_error;
using varnel::test::WorstError;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// With b a whole number n the partial numerator of step 2n is 0 and the
// fraction is finite, so these agree with the closed forms to rounding:
// I_x(1, 1) = x, I_x(a, 1) = x^a and
// I_x(a, 3) = x^a (1 + a (1-x) + a (a+1) (1-x)^2 / 2). The prefactor
// exp(L - G)/a, with G from three lnGamma values, costs up to about ten
// units in the last place.
TEST(SingleFractionIncompleteBeta, FiniteFractionsMatchClosedForms) {
  const auto i3 = [](long double a, long double x) {
    const long double y = 1 - x;
    return std::pow(x, a) * (1 + a * y + a * (a + 1) * y * y / 2);
  };
  const struct {
    double a, b, x;
    long double want;
    double ulps;
    const char* why;
  } rows[] = {
      {1, 1, 0.3, 0.3L, 2, "I_x(1, 1) = x"},
      {1, 1, 2.0 / 3.0, 2.0L / 3.0L, 2, "x exactly at the threshold 2/3: no reflection"},
      {1, 1, 0.9, 0.9L, 4, "reflected: 1 - (1 - x)"},
      {2.5, 1, 0.6, std::pow(0.6L, 2.5L), 12, "I_x(a, 1) = x^a"},
      {7, 1, 0.8, std::pow(0.8L, 7.0L), 12, "I_x(a, 1) = x^a"},
      {2.5, 3, 0.3, i3(2.5L, 0.3L), 12, "finite fraction of six steps"},
      {10, 3, 0.7, i3(10, 0.7L), 12, "finite fraction of six steps"},
  };
  for (const auto& row : rows) {
    EXPECT_LE(ulp_error(d_ibeta(row.a, row.b, row.x), row.want), row.ulps) << row.why;
  }
}

TEST(SingleFractionIncompleteBeta, EndsAndBeyond) {
  const struct {
    double a, b, x, want;
    const char* why;
  } rows[] = {
      {2, 3, 0, 0.0, "x = 0: prefactor 0"},
      {2, 3, 1, 1.0, "x = 1: reflected, prefactor 0"},
      {2, 3, -0.5, 0.0, "x < 0: prefactor 0"},
      {2, 3, 1.5, 1.0, "x > 1: reflected, prefactor 0"},
      {0.5, 0.5, 0, 0.0, "x = 0"},
      {1e9, 1e-10, 1, 1.0, "threshold rounds to 1: x = 1 is still reflected"},
      {1000, 1e-14, 1, 1.0, "threshold rounds to 1: x = 1 is still reflected"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(bits(d_ibeta(row.a, row.b, row.x)), bits(row.want)) << row.why;
  }
}

// The stopping rule is an absolute 1e-10 on the fraction, so the result is
// only that accurate: I_0.5(0.5, 0.5) = 1/2 exactly, and the fraction stops
// a few times 1e-12 away.
TEST(SingleFractionIncompleteBeta, ToleranceIsAbsoluteOnTheFraction) {
  const double error = std::fabs(d_ibeta(0.5, 0.5, 0.5) - 0.5);
  EXPECT_GT(error, 1e-13);
  EXPECT_LT(error, 1e-10);
  EXPECT_NE(d_ibeta(0.5, 0.5, 0.5), varnel::cephes::d_ibeta(0.5, 0.5, 0.5))
      << "the two incomplete beta functions are distinct";
  EXPECT_EQ(varnel::cephes::d_ibeta(0.5, 0.5, 0.5), 0.5);
}

TEST(SingleFractionIncompleteBeta, NaNArgumentsAndTinyA) {
  const struct {
    double a, b, x;
    const char* why;
  } rows[] = {
      {kNaN, 2, 0.5, "NaN a"},
      {2, kNaN, 0.5, "NaN b"},
      {2, 3, kNaN, "NaN x"},
      {0x1p-53, 1, 0.5, "a + 1 rounds to 1: the first denominator is 0"},
      {1000, 0x1p-53, 1, "reflected at x = 1 onto a' = b, with b + 1 rounding to 1"},
  };
  for (const auto& row : rows) {
    EXPECT_TRUE(std::isnan(d_ibeta(row.a, row.b, row.x))) << row.why;
  }
  EXPECT_TRUE(std::isfinite(d_ibeta(0x1p-52, 1, 0.5))) << "a = 2^-52: a + 1 > 1";
}

// Measured maximum errors against the reference tables, asserted per table.
// The absolute tolerance on the fraction dominates: errors of the order of
// 1e-10 relative to small results.
struct AccuracyCase {
  const char* file;
  double max_ulps;
};

class SingleFractionAccuracy : public ::testing::TestWithParam<AccuracyCase> {};

TEST_P(SingleFractionAccuracy, WithinMeasuredBound) {
  const AccuracyCase& c = GetParam();
  const WorstError w = worst_ibeta_error(c.file, d_ibeta, [](double, double, double) {});
  EXPECT_GT(w.used, 0) << c.file;
  EXPECT_EQ(w.nans, 0) << c.file;
  EXPECT_LE(w.ulps, c.max_ulps) << "worst at a=" << w.at[0] << " b=" << w.at[1]
                                << " x=" << w.at[2];
}

// Bounds: the maxima measured on x86_64 and aarch64 (identical), rounded up.
INSTANTIATE_TEST_SUITE_P(RefData, SingleFractionAccuracy,
                         ::testing::Values(AccuracyCase{"refdata/ibeta_small_data.csv", 1.5e5},
                                           AccuracyCase{"refdata/ibeta_data.csv", 3e5},
                                           AccuracyCase{"refdata/ibeta_int_data.csv", 1.4e5},
                                           AccuracyCase{"refdata/ibeta_large_data.csv", 2e6}));

}  // namespace
