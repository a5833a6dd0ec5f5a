// The pair check of the distributions (tools/check/distribution_pairs),
// which `varnel --check` reports: the library's quantiles and isf pass it,
// and the check is held to faults: the same answers moved one step (the
// next double, or the next integer for the discrete families) either way
// fail at every fixed point, and wrong ends or a number where NaN is due
// are reported.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <ostream>
#include <string>

#include "distribution_pairs.hpp"

namespace varnel::pairs {
// The parameter's name in gtest's messages.
void PrintTo(const Family& family, std::ostream* os) { *os << family.name; }
}  // namespace varnel::pairs

namespace {

using varnel::pairs::Family;
using varnel::pairs::Params;

constexpr double kInf = std::numeric_limits<double>::infinity();

// The family under test, for the faulty stand-ins below (plain function
// pointers, as the check takes them).
const Family* real = nullptr;

double step(double x, double direction) {
  return varnel::pairs::discrete(real->name) ? x + direction : std::nextafter(x, direction * kInf);
}
double quantile_up(double p, const Params& a) { return step(real->quantile(p, a), +1); }
double quantile_down(double p, const Params& a) { return step(real->quantile(p, a), -1); }
double isf_up(double q, const Params& a) { return step(real->isf(q, a), +1); }
double isf_down(double q, const Params& a) { return step(real->isf(q, a), -1); }
// Right inside (0, 1), a number at the ends, outside and where NaN is due.
double quantile_bad_ends(double p, const Params& a) {
  const double x = real->quantile(p, a);
  return p > 0 && p < 1 && !std::isnan(x) ? x : 0.5;
}
double isf_bad_ends(double q, const Params& a) {
  const double y = real->isf(q, a);
  return q > 0 && q < 1 && !std::isnan(y) ? y : 0.5;
}

class DistributionPairs : public testing::TestWithParam<Family> {
 protected:
  void SetUp() override { real = &GetParam(); }
  // The fixed points of one operation: members times the eight targets.
  std::size_t interior() const { return varnel::pairs::members(GetParam()).size() * 8; }
};

TEST_P(DistributionPairs, TheLibraryPasses) {
  const auto r = varnel::pairs::check(GetParam());
  EXPECT_EQ(r.failed, 0u) << r.first;
  EXPECT_GE(r.points, 2 * interior());
}

TEST_P(DistributionPairs, OneStepOffFailsAtEveryPoint) {
  const struct {
    double (*quantile)(double, const Params&);
    double (*isf)(double, const Params&);
    const char* why;
  } faults[] = {{quantile_up, nullptr, "quantile one step up"},
                {quantile_down, nullptr, "quantile one step down"},
                {nullptr, isf_up, "isf one step up"},
                {nullptr, isf_down, "isf one step down"}};
  for (const auto& fault : faults) {
    Family family = GetParam();
    if (fault.quantile != nullptr) family.quantile = fault.quantile;
    if (fault.isf != nullptr) family.isf = fault.isf;
    const auto r = varnel::pairs::check(family);
    EXPECT_GE(r.failed, interior()) << fault.why;
    EXPECT_NE(r.first.find("not between"), std::string::npos) << fault.why << ": " << r.first;
  }
}

TEST_P(DistributionPairs, WrongEndsAndMissingNaNAreReported) {
  Family family = GetParam();
  family.quantile = quantile_bad_ends;
  family.isf = isf_bad_ends;
  const auto r = varnel::pairs::check(family);
  // Per member: two ends of each operation and three targets outside;
  // then quantile and isf of every parameter set outside the domain.
  const std::size_t per_member = 7;
  EXPECT_EQ(r.failed, varnel::pairs::members(family).size() * per_member +
                          2 * varnel::pairs::outside(family).size());
  EXPECT_NE(r.first.find(", not "), std::string::npos) << r.first;
}

INSTANTIATE_TEST_SUITE_P(Families, DistributionPairs,
                         testing::ValuesIn(varnel::pairs::families()),
                         [](const testing::TestParamInfo<Family>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
