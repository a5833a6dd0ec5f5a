// The errno-keeping wrappers of exp, log and pow that the library calls
// instead of the C library's functions. They skip the errno guard inside the
// range where the result is a normal number; a bound moved past the edge of
// that range would let an overflow, underflow, pole or domain error reach the
// caller's errno. Each row sits next to such an edge or beyond it, and the
// value must be exactly the C library's.
#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <limits>
#include <string>

#include "../src/internal.hpp"
#include "bits.hpp"

namespace {

using varnel::test::bits;

constexpr int kMarker = 12345;
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Arguments reach the calls at run time, so that the compiler evaluates
// neither side in advance with its own correctly rounded arithmetic.
double opaque(double v) {
  volatile double copy = v;
  return copy;
}

struct UnaryCase {
  double x;
  const char* why;
};

TEST(ErrnoKeepingCalls, ExpKeepsErrnoAndTheValue) {
  const UnaryCase cases[] = {
      {709.0, "largest argument taken without a guard"},
      {709.5, "finite result above the unguarded range"},
      {709.79, "overflow"},
      {1e300, "far overflow"},
      {-708.0, "smallest argument taken without a guard"},
      {-708.5, "subnormal result"},
      {-745.2, "underflow to zero"},
      {-1e300, "far underflow"},
      {kInf, "infinity"},
      {-kInf, "minus infinity"},
      {kNaN, "NaN"},
  };
  for (const auto& c : cases) {
    const double x = opaque(c.x);
    errno = kMarker;
    const double got = varnel::detail::exp_keeping_errno(x);
    EXPECT_EQ(errno, kMarker) << "exp(" << c.x << "): " << c.why;
    EXPECT_EQ(bits(got), bits(std::exp(x))) << "exp(" << c.x << "): " << c.why;
  }
}

TEST(ErrnoKeepingCalls, LogKeepsErrnoAndTheValue) {
  const UnaryCase cases[] = {
      {5e-324, "smallest positive argument"},
      {1.0, "exact zero result"},
      {kInf, "infinity"},
      {0.0, "pole"},
      {-0.0, "pole at minus zero"},
      {-5e-324, "domain error just below zero"},
      {-kInf, "domain error at minus infinity"},
      {kNaN, "NaN"},
  };
  for (const auto& c : cases) {
    const double x = opaque(c.x);
    errno = kMarker;
    const double got = varnel::detail::log_keeping_errno(x);
    EXPECT_EQ(errno, kMarker) << "log(" << c.x << "): " << c.why;
    EXPECT_EQ(bits(got), bits(std::log(x))) << "log(" << c.x << "): " << c.why;
  }
}

TEST(ErrnoKeepingCalls, PowKeepsErrnoAndTheValue) {
  // The caller passes power * log(base) as it has formed it.
  struct PowCase {
    double base;
    double power;
    const char* why;
  };
  const PowCase cases[] = {
      {0.5, 1021.0, "normal result next to the guarded range"},
      {0.5, 1030.0, "subnormal result"},
      {0.5, 1080.0, "underflow to zero"},
      {2.0, 1023.5, "overflow"},
      {1e-300, 3.0, "underflow from a tiny base"},
      {0.0, -1.0, "pole"},
      {-8.0, 0.5, "domain error"},
      {kNaN, 2.0, "NaN base"},
  };
  for (const auto& c : cases) {
    const std::string what =
        "pow(" + std::to_string(c.base) + ", " + std::to_string(c.power) + "): " + c.why;
    const double base = opaque(c.base);
    const double power = opaque(c.power);
    const double log_power = power * std::log(base);  // may set errno itself
    errno = kMarker;
    const double got = varnel::detail::pow_keeping_errno(base, power, log_power);
    EXPECT_EQ(errno, kMarker) << what;
    EXPECT_EQ(bits(got), bits(std::pow(base, power))) << what;
  }
}

}  // namespace
