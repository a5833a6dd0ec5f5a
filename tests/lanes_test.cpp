// Log-gamma a vector of lanes at a time, as the array kernels take it for
// their prefactors, against the scalar method element by element: the same
// bits and the same floating-point flags (inexact aside) for every argument,
// whatever its neighbours in the vector. The arguments sit on both sides of
// every interval bound of the method and at the edges of its domain, and
// every window of them is taken, so that each vector mixes intervals in
// every way the table allows.
#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "bits.hpp"
#include "specfun/lngamma_steps.hpp"

namespace {

using varnel::test::bits;
namespace lg = varnel::specfun::log_gamma;

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

double above(double v) { return std::nextafter(v, kInf); }
double below(double v) { return std::nextafter(v, -kInf); }

const std::vector<double>& arguments() {
  static const std::vector<double> values = {
      kNaN, -kNaN, -kInf, -1.0, -0.0, 0.0, 4.9e-324, 1e-300,
      2.22e-16, above(2.22e-16), 1e-10, 0.25, 0.5, above(0.5),
      below(0.6796875), 0.6796875, 1.0, 1.25, 1.5, above(1.5),
      2.0, 3.9, 4.0, above(4.0), 7.0, 12.0, above(12.0), 13.0,
      1e3, 1e10, 2.25e76, above(2.25e76), 1e100, 2.55e305, above(2.55e305),
      1e308, kInf,
  };
  return values;
}

constexpr int kFlags = FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW | FE_UNDERFLOW;

TEST(LogGammaLanes, EveryWindowGivesTheScalarBitsAndFlags) {
  const std::vector<double>& all = arguments();
  const size_t count = all.size();
  int checked = 0;
  for (size_t first = 0; first < count; ++first) {
    for (size_t n = 0; first + n <= count; ++n) {
      for (bool in_place : {false, true}) {
        std::vector<double> x(all.begin() + first, all.begin() + first + n);
        std::vector<double> want(n);
        std::feclearexcept(FE_ALL_EXCEPT);
        for (size_t i = 0; i < n; ++i) want[i] = lg::lngamma_impl(x[i]);
        const int scalar_flags = std::fetestexcept(kFlags);

        std::vector<double> out(n);
        double* y = in_place ? x.data() : out.data();
        std::feclearexcept(FE_ALL_EXCEPT);
        lg::lngamma_lanes(n, x.data(), y);
        const int lane_flags = std::fetestexcept(kFlags);

        const std::string where = "window at " + std::to_string(first) + ", n = " +
                                  std::to_string(n) + (in_place ? ", in place" : "");
        EXPECT_EQ(lane_flags, scalar_flags) << where;
        for (size_t i = 0; i < n; ++i) {
          ASSERT_EQ(bits(y[i]), bits(want[i]))
              << where << ": ln Gamma(" << all[first + i] << ") gives " << y[i]
              << ", the scalar method " << want[i];
        }
        ++checked;
      }
    }
  }
  EXPECT_GT(checked, 0);
}

// The kernels pass n up to a block; the chunks of the logarithms' pass meet
// there, with arguments taken in turn from the table.
TEST(LogGammaLanes, LongArraysCrossTheChunks) {
  const std::vector<double>& all = arguments();
  for (size_t n : {63, 64, 65, 129, 256}) {
    std::vector<double> x(n);
    for (size_t i = 0; i < n; ++i) x[i] = all[(i * 7) % all.size()];
    std::vector<double> y(n);
    lg::lngamma_lanes(n, x.data(), y.data());
    for (size_t i = 0; i < n; ++i) {
      ASSERT_EQ(bits(y[i]), bits(lg::lngamma_impl(x[i]))) << "n = " << n << ", element " << i;
    }
  }
}

}  // namespace
