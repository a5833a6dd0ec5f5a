// Error-function family, single and double precision: exact limiting values
// and signed zeros, NaN, the region ends with their neighbours, the bounds of
// the scaled function (asymptotic, zero and negative overflow), selectors
// other than 0, 1 and 2, and accuracy per region against the reference
// tables (erf, erfc) and against tests/data/erfcx_data.csv (the scaled
// function, made by tools/gen_erfcx_table.py).
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "test_support.hpp"
#include "varnel/varnel.hpp"

namespace {

using varnel::specfun::d_calerf;
using varnel::specfun::s_calerf;
using varnel::test::bits;
using varnel::test::parse_decimal;
using varnel::test::read_csv;
using varnel::test::ulp_error;

constexpr double kOverflow = 1.79e308;
constexpr float kOverflowF = 3.4e38f;
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr float kInfF = std::numeric_limits<float>::infinity();
constexpr int kErf = 0, kErfc = 1, kScaled = 2;

// Region-1 constant term ratio A4/B4 = 2/sqrt(pi) to working precision.
constexpr double kA4 = 3209.3775891384694, kB4 = 2844.2368334391708;

template <typename T>
struct ExactRow {
  T x;
  int kind;
  T want;
  const char* why;
};

TEST(Calerf, DoubleExactValues) {
  const ExactRow<double> rows[] = {
      {0.0, kErf, 0.0, "erf(+0) = +0"},
      {-0.0, kErf, -0.0, "erf(-0) = -0"},
      {0.0, kErfc, 1.0, "erfc(+0)"},
      {-0.0, kErfc, 1.0, "erfc(-0)"},
      {0.0, kScaled, 1.0, "scaled(+0)"},
      {-0.0, kScaled, 1.0, "scaled(-0)"},
      {kInf, kErf, 1.0, "erf(+inf)"},
      {kInf, kErfc, 0.0, "erfc(+inf)"},
      {kInf, kScaled, 0.0, "scaled(+inf): past the zero bound"},
      {-kInf, kErf, -1.0, "erf(-inf)"},
      {-kInf, kErfc, 2.0, "erfc(-inf)"},
      {-kInf, kScaled, kOverflow, "scaled(-inf): the overflow value"},
      {26.543, kErf, 1.0, "the large-argument bound is in region 4"},
      {26.543, kErfc, 0.0, "erfc exactly 0 from the bound on"},
      {-26.543, kErf, -1.0, "erf exactly -1 at the negative bound"},
      {-26.543, kErfc, 2.0, "erfc exactly 2 at the negative bound"},
      {1e300, kErfc, 0.0, "far in region 4"},
      {2.53e307, kScaled, 0.0, "the zero bound itself gives 0"},
      {1e308, kScaled, 0.0, "above the zero bound"},
      {std::nextafter(2.53e307, 0.0), kScaled, 0.56418958354775628 / std::nextafter(2.53e307, 0.0),
       "just below the zero bound: (1/sqrt(pi))/y"},
      {6.71e7, kScaled, 0.56418958354775628 / 6.71e7, "the asymptotic bound: (1/sqrt(pi))/y"},
      {std::nextafter(-26.628, -kInf), kScaled, kOverflow, "below the negative overflow bound"},
      {-1e300, kScaled, kOverflow, "far below the negative overflow bound"},
      {1e-17, kScaled, 1 - (1e-17 * kA4) / kB4, "tiny: z = 0, 1 - x A4/B4 times exp(0)"},
      {1.11e-16, kScaled, 1 - (1.11e-16 * kA4) / kB4, "the small bound itself: z = 0"},
      {-1.11e-16, kErf, (-1.11e-16 * kA4) / kB4, "tiny erf keeps the sign"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(bits(d_calerf(row.x, row.kind)), bits(row.want))
        << row.why << ": x=" << row.x << " kind=" << row.kind << " got " << d_calerf(row.x, row.kind);
  }
}

TEST(Calerf, SingleExactValues) {
  const float a4 = static_cast<float>(kA4), b4 = static_cast<float>(kB4);
  const float inv_sqrt_pi = 0.564189613f;
  const ExactRow<float> rows[] = {
      {0.0f, kErf, 0.0f, "erf(+0) = +0"},
      {-0.0f, kErf, -0.0f, "erf(-0) = -0"},
      {0.0f, kErfc, 1.0f, "erfc(+0)"},
      {-0.0f, kScaled, 1.0f, "scaled(-0)"},
      {kInfF, kErf, 1.0f, "erf(+inf)"},
      {kInfF, kErfc, 0.0f, "erfc(+inf)"},
      {kInfF, kScaled, 0.0f, "scaled(+inf)"},
      {-kInfF, kErf, -1.0f, "erf(-inf)"},
      {-kInfF, kErfc, 2.0f, "erfc(-inf)"},
      {-kInfF, kScaled, kOverflowF, "scaled(-inf): the overflow value"},
      {9.194f, kErf, 1.0f, "the large-argument bound 9.194 is in region 4"},
      {9.194f, kErfc, 0.0f, "erfc exactly 0 from the bound on"},
      {-9.194f, kErf, -1.0f, "erf exactly -1"},
      {-9.194f, kErfc, 2.0f, "erfc exactly 2"},
      {4.79e37f, kScaled, 0.0f, "the zero bound gives 0"},
      {std::nextafter(4.79e37f, 0.0f), kScaled, inv_sqrt_pi / std::nextafter(4.79e37f, 0.0f),
       "just below the zero bound"},
      {2900.0f, kScaled, inv_sqrt_pi / 2900.0f, "the asymptotic bound 2900"},
      {std::nextafter(-9.382f, -kInfF), kScaled, kOverflowF, "below the negative overflow bound"},
      {-26.0f, kScaled, kOverflowF, "far below the negative overflow bound"},
      {5.96e-8f, kScaled, 1 - (5.96e-8f * a4) / b4, "the small bound itself: z = 0"},
  };
  EXPECT_EQ(bits(kOverflowF), 0x7f7fc99eu);
  for (const auto& row : rows) {
    EXPECT_EQ(bits(s_calerf(row.x, row.kind)), bits(row.want))
        << row.why << ": x=" << row.x << " kind=" << row.kind << " got " << s_calerf(row.x, row.kind);
  }
}

TEST(Calerf, NaNGivesNaNForEverySelector) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  for (int kind : {0, 1, 2, 3, -1, INT_MAX}) {
    EXPECT_TRUE(std::isnan(d_calerf(nan, kind))) << "kind=" << kind;
    EXPECT_TRUE(std::isnan(d_calerf(-nan, kind))) << "negative NaN, kind=" << kind;
    EXPECT_TRUE(std::isnan(s_calerf(static_cast<float>(nan), kind))) << "kind=" << kind;
    EXPECT_TRUE(std::isnan(s_calerf(-static_cast<float>(nan), kind))) << "negative NaN, kind=" << kind;
  }
}

struct EdgeRow {
  double x;
  long double erf, erfc, scaled;  // mpmath, 25 digits
};

// Each region end and its neighbours on both sides, for all three selectors.
// An argument sent to the wrong region, or a region end taken strictly where
// it should not be, is off by far more than these bounds.
void check_edges(const std::vector<EdgeRow>& rows, bool single, double tol_erf, double tol_erfc,
                 double tol_scaled) {
  for (const auto& row : rows) {
    if (single) {
      const float x = static_cast<float>(row.x);
      ASSERT_EQ(static_cast<double>(x), row.x);
      EXPECT_LE(ulp_error(s_calerf(x, kErf), row.erf), tol_erf) << "s erf x=" << row.x;
      EXPECT_LE(ulp_error(s_calerf(x, kErfc), row.erfc), tol_erfc) << "s erfc x=" << row.x;
      EXPECT_LE(ulp_error(s_calerf(x, kScaled), row.scaled), tol_scaled) << "s scaled x=" << row.x;
    } else {
      EXPECT_LE(ulp_error(d_calerf(row.x, kErf), row.erf), tol_erf) << "d erf x=" << row.x;
      EXPECT_LE(ulp_error(d_calerf(row.x, kErfc), row.erfc), tol_erfc) << "d erfc x=" << row.x;
      EXPECT_LE(ulp_error(d_calerf(row.x, kScaled), row.scaled), tol_scaled) << "d scaled x=" << row.x;
    }
  }
}

TEST(Calerf, DoubleRegionEnds) {
  check_edges(
      {
          {0x1.dffffffffffffp-2, 0.4926134732179379413065563L, 0.5073865267820620586934437L, 0.6320696892495561079001052L},
          {0x1.e000000000000p-2, 0.4926134732179379915881761L, 0.5073865267820620084118239L, 0.6320696892495560781564625L},
          {0x1.e000000000001p-2, 0.4926134732179380418697959L, 0.5073865267820619581302041L, 0.6320696892495560484128197L},
          {-0x1.e000000000001p-2, -0.4926134732179380418697959L, 1.492613473217938041869796L, 1.859402416871422305840686L},
          {-0x1.e000000000000p-2, -0.4926134732179379915881761L, 1.492613473217937991588176L, 1.859402416871422146436588L},
          {-0x1.dffffffffffffp-2, -0.4926134732179379413065563L, 1.492613473217937941306556L, 1.859402416871421987032491L},
          {0x1.fffffffffffffp+1, 0.9999999845827420997199248L, 1.541725790028007524364969e-8L, 0.1369994576250614042706108L},
          {0x1.0000000000000p+2, 0.9999999845827420997199811L, 1.541725790028001885215967e-8L, 0.1369994576250613898894452L},
          {0x1.0000000000001p+2, 0.9999999845827420997200939L, 1.541725790027990606917964e-8L, 0.1369994576250613611271139L},
          {-0x1.0000000000001p+2, -0.9999999845827420997200939L, 1.999999984582742099720094L, 17772220.90401641392769028L},
          {-0x1.0000000000000p+2, -0.9999999845827420997199811L, 1.999999984582742099719981L, 17772220.90401628764846466L},
          {-0x1.fffffffffffffp+1, -0.9999999845827420997199248L, 1.999999984582742099719925L, 17772220.90401622450885185L},
          // Just below the large-argument bound erfc is still a normal number.
          {0x1.a8b020c49ba5dp+4, 1.0L, 2.255835022054362979434727e-308L, 0.02124062962414323391475684L},
      },
      false, 2.5, 2, 2);
}

TEST(Calerf, SingleRegionEnds) {
  check_edges(
      {
          {0x1.dffffe0000000p-2, 0.4926134462231985357422351L, 0.5073865537768014642577649L, 0.63206970521805301996033L},
          {0x1.e000000000000p-2, 0.4926134732179379915881761L, 0.5073865267820620084118239L, 0.6320696892495560781564625L},
          {0x1.e000020000000p-2, 0.4926135002126766932098201L, 0.5073864997873233067901799L, 0.6320696732810598129792693L},
          {-0x1.e000020000000p-2, -0.4926135002126766932098201L, 1.49261350021267669320982L, 1.859402502450848090596164L},
          {-0x1.e000000000000p-2, -0.4926134732179379915881761L, 1.492613473217937991588176L, 1.859402416871422146436588L},
          {-0x1.dffffe0000000p-2, -0.4926134462231985357422351L, 1.492613446223198535742235L, 1.859402331292001896300673L},
          {0x1.fffffe0000000p+1, 0.999999984582711824740433L, 1.541728817525956695903806e-8L, 0.1369994653458913237520209L},
          {0x1.0000000000000p+2, 0.9999999845827420997199811L, 1.541725790028001885215967e-8L, 0.1369994576250613898894452L},
          {0x1.0000020000000p+2, 0.9999999845828026495058428L, 1.541719735049415718904426e-8L, 0.1369994421834040683286505L},
          {-0x1.0000020000000p+2, -0.9999999845828026495058428L, 1.999999984582802649505843L, 17772288.69979266337804087L},
          {-0x1.0000000000000p+2, -0.9999999845827420997199811L, 1.999999984582742099719981L, 17772220.90401628764846466L},
          {-0x1.fffffe0000000p+1, -0.999999984582711824740433L, 1.999999984582711824740433L, 17772187.00622811299778318L},
          {0x1.26353e0000000p+3, 1.0L, 1.187516975554357089763942e-38L, 0.06100825911472423387284266L},
      },
      true, 1, 2, 2);
}

// The scaled function of a negative argument is 2 exp(x^2) - erfcx(|x|); it
// is computed down to the negative overflow bound, finite there, and gives
// the overflow value only strictly below it. Between that bound and the
// negative large-argument bound it goes through the region-3 form.
TEST(Calerf, ScaledNegativeArgumentsUpToTheOverflowBound) {
  const struct {
    double x;
    long double want;
    double ulps;
    const char* why;
  } rows[] = {
      {-26.628, 1.728618506590025953208288e+308L, 60, "at the bound: finite"},
      {-26.6, 3.894337719605584998122563e+307L, 60, "region-3 form, then 2g - r"},
      {-26.543, 1.883172254751470527625264e+306L, 60, "negative large-argument bound"},
      {-1.0, 5.008980080762283466309825L, 4, "region 2 reflected"},
  };
  for (const auto& row : rows) {
    EXPECT_LE(ulp_error(d_calerf(row.x, kScaled), row.want), row.ulps) << row.why << " x=" << row.x;
  }
  EXPECT_LE(ulp_error(s_calerf(-9.382f, kScaled), 3.376491235028008569643108e+38L), 20)
      << "single, at the bound: finite";
  EXPECT_LE(ulp_error(s_calerf(-9.3f, kScaled), 7.297284462052949789498318e+37L), 20)
      << "single, between the bounds";
}

TEST(Calerf, ScaledAsymptoticBoundNeighbours) {
  const double below = std::nextafter(6.71e7, 0.0);
  EXPECT_LE(ulp_error(d_calerf(below, kScaled), 8.408190514869691310578299e-9L), 1)
      << "below 6.71e7: region-3 form";
  EXPECT_LE(ulp_error(d_calerf(6.71e7, kScaled), 8.408190514869690376958312e-9L), 1)
      << "at 6.71e7: 1/(sqrt(pi) y)";
  const float below_f = std::nextafter(2900.0f, 0.0f);
  EXPECT_LE(ulp_error(s_calerf(below_f, kScaled), 0.0001945481370696824051467107L), 1)
      << "below 2900: region-3 form";
  EXPECT_LE(ulp_error(s_calerf(2900.0f, kScaled), 0.0001945481206913727054619863L), 2)
      << "at 2900: 1/(sqrt(pi) y)";
}

// Selectors other than 0, 1 and 2 are accepted: they apply the split factor
// like 1 and treat negative arguments like 2.
TEST(Calerf, OtherSelectorsFollowTheBranches) {
  for (int kind : {3, -1, 7, INT_MAX, INT_MIN}) {
    for (double x : {0.0, -0.0, 0.2, -0.46875, 0.46875, 1.0, 4.0, 10.0, 26.543, 1e10, kInf}) {
      EXPECT_EQ(bits(d_calerf(x, kind)), bits(d_calerf(x, kErfc)))
          << "same as erfc for x >= 0 and |x| <= 0.46875: x=" << x << " kind=" << kind;
      const float xf = static_cast<float>(x);
      EXPECT_EQ(bits(s_calerf(xf, kind)), bits(s_calerf(xf, kErfc)))
          << "single: x=" << x << " kind=" << kind;
    }
    EXPECT_LE(ulp_error(d_calerf(-1.0, kind), 5.279264449867805340061796L), 4)
        << "2 exp(1) - erfc(1), kind=" << kind;
    EXPECT_LE(ulp_error(s_calerf(-1.0f, kind), 5.279264449867805340061796L), 2)
        << "single 2 exp(1) - erfc(1), kind=" << kind;
    EXPECT_EQ(bits(d_calerf(-26.7, kind)), bits(kOverflow)) << "kind=" << kind;
    EXPECT_EQ(bits(s_calerf(-9.4f, kind)), bits(kOverflowF)) << "kind=" << kind;
  }
}

// Accuracy per region and sign of the argument. Bounds are the maxima
// measured on x86_64 and aarch64 (identical results), rounded up. Results
// below the smallest normal number are left out: there the split factor
// underflows gradually and only absolute accuracy remains (the region-4 zeros
// are pinned above).
struct Bucket {
  const char* name;
  long double worst = 0;
  double at = 0;
  int rows = 0;
};

enum Region { kRegion1, kRegion2, kRegion3, kRegion4 };
const char* const kRegionNames[] = {"|x| <= 0.46875", "0.46875 < |x| <= 4", "4 < |x| < large",
                                    "|x| >= large"};

template <typename T>
Region region_of(T x) {
  const T y = std::fabs(x);
  const T large = sizeof(T) == sizeof(float) ? static_cast<T>(9.194f) : static_cast<T>(26.543);
  if (y <= static_cast<T>(0.46875)) return kRegion1;
  if (y <= 4) return kRegion2;
  if (y < large) return kRegion3;
  return kRegion4;
}

template <typename T, typename F>
void measure(const std::vector<std::string>& files, F f, int kind, int column,
             Bucket (&worst)[4][2]) {
  for (const std::string& file : files) {
    const auto rows = read_csv(file);
    ASSERT_FALSE(rows.empty()) << file;
    for (const auto& row : rows) {
      const double xd = std::stod(row[0]);
      const T x = static_cast<T>(xd);
      ASSERT_EQ(static_cast<double>(x), xd) << "argument not exact: " << row[0];
      const long double want = parse_decimal(row[column]);
      if (want != 0 && std::fabs(want) < std::numeric_limits<T>::min()) continue;
      if (std::fabs(want) > std::numeric_limits<T>::max()) continue;
      Bucket& b = worst[region_of(x)][xd < 0];
      ++b.rows;
      const long double e = ulp_error(f(x, kind), want);
      if (e > b.worst) b.worst = e, b.at = xd;
    }
  }
}

struct AccuracyCase {
  const char* what;
  const char* name;
  int kind;
  int column;
  bool single;
  // Bound per region (1 to 4) and sign (x >= 0, x < 0); negative means "no
  // rows expected".
  double bound[4][2];
};

class CalerfAccuracy : public ::testing::TestWithParam<AccuracyCase> {};

const std::vector<std::string> kErfFiles = {"refdata/erf_small_data.csv", "refdata/erf_data.csv",
                                            "refdata/erf_large_data.csv"};
const std::vector<std::string> kScaledFiles = {"erfcx_data.csv"};

TEST_P(CalerfAccuracy, WithinMeasuredBound) {
  const AccuracyCase& c = GetParam();
  Bucket worst[4][2];
  const auto& files = c.kind == kScaled ? kScaledFiles : kErfFiles;
  if (c.single) {
    measure<float>(files, [](float x, int k) { return s_calerf(x, k); }, c.kind, c.column, worst);
  } else {
    measure<double>(files, [](double x, int k) { return d_calerf(x, k); }, c.kind, c.column, worst);
  }
  for (int r = 0; r < 4; ++r) {
    for (int s = 0; s < 2; ++s) {
      const Bucket& b = worst[r][s];
      const double bound = c.bound[r][s];
      std::printf("%s %-20s %s: %3d rows, max %.3Lf ulp at %.9g\n", c.what, kRegionNames[r],
                  s ? "x < 0 " : "x >= 0", b.rows, b.worst, b.at);
      if (bound < 0) {
        EXPECT_EQ(b.rows, 0) << c.what << " " << kRegionNames[r];
        continue;
      }
      EXPECT_GT(b.rows, 0) << c.what << " " << kRegionNames[r] << (s ? " x < 0" : " x >= 0");
      EXPECT_LE(b.worst, bound) << c.what << " on " << kRegionNames[r] << (s ? " x < 0" : " x >= 0")
                                << ", worst at x=" << b.at;
    }
  }
}

// Columns: erf and erfc tables x,erf,erfc; scaled table x,erfcx. A bound of
// -1 marks a region without usable rows: no negative arguments beyond the
// large-argument bound, and erfc there is 0 or below the smallest normal.
INSTANTIATE_TEST_SUITE_P(
    RefData, CalerfAccuracy,
    ::testing::Values(
        AccuracyCase{"d erf", "d_erf", kErf, 1, false,
                     {{2.2, 2.0}, {1.9, 0.95}, {0.76, 0.76}, {0, -1}}},
        AccuracyCase{"d erfc", "d_erfc", kErfc, 2, false,
                     {{0.92, 0.8}, {4.6, 0.76}, {2.75, 0.52}, {-1, -1}}},
        AccuracyCase{"d scaled", "d_scaled", kScaled, 1, false,
                     {{1.5, 1.41}, {3.05, 1.85}, {1.13, 1.45}, {1.25, -1}}},
        AccuracyCase{"s erf", "s_erf", kErf, 1, true,
                     {{1.66, 2.03}, {0.95, 0.95}, {0.12, 0.11}, {0, -1}}},
        AccuracyCase{"s erfc", "s_erfc", kErfc, 2, true,
                     {{0.87, 0.54}, {3.8, 0.98}, {3.6, 0.06}, {-1, -1}}},
        AccuracyCase{"s scaled", "s_scaled", kScaled, 1, true,
                     {{1.06, 1.51}, {2.3, 1.31}, {1.46, 0.97}, {1.96, 0.46}}}),
    [](const ::testing::TestParamInfo<AccuracyCase>& info) { return std::string(info.param.name); });

}  // namespace
