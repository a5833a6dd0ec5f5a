// Every call returns. The series and fractions of the incomplete gamma
// functions, the incomplete beta power series and the single-fraction
// incomplete beta stop after a fixed number of steps and return the quiet
// NaN 0x7ff8000000000000 there. Arguments known to run into each cap must
// give exactly that NaN within about a second; an argument just inside the
// cap must still get a value; and random arguments over the whole double
// range, inside and outside every domain, must all return within the bound.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "test_support.hpp"
#include "varnel/varnel.hpp"

namespace {

namespace sf = varnel::specfun;
namespace ce = varnel::cephes;
using varnel::test::bits;

constexpr uint64_t kCapNaNBits = 0x7ff8000000000000;
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// A capped call takes at most about 0.3 s on an unloaded x86_64 machine; the
// bound leaves room for a machine busy with other work. Under an emulator
// everything runs some ten to twenty times slower.
#ifdef VARNEL_TEST_EMULATED
constexpr double kSecondsPerCall = 30;
constexpr int kRandomCheap = 300;
constexpr int kRandomCostly = 4;
#else
constexpr double kSecondsPerCall = 3;
constexpr int kRandomCheap = 3000;
constexpr int kRandomCostly = 40;
#endif

double timed(const std::function<double()>& call, double* seconds) {
  const auto start = std::chrono::steady_clock::now();
  const double v = call();
  *seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return v;
}

struct CapCase {
  const char* what;
  std::function<double()> call;
  const char* why;
};

TEST(Termination, ArgumentsThatReachACapGiveTheQuietNaN) {
  const double a66 = 0x1p66;
  const CapCase rows[] = {
      {"d_igamma(2^60, 2^60)", [] { return ce::d_igamma(0x1p60, 0x1p60); },
       "series: a + n rounds back to a, the terms never shrink"},
      {"d_igamma(1e14, 1e14)", [] { return ce::d_igamma(1e14, 1e14); },
       "series: converges, but after about 7e7 terms"},
      {"d_igamc(2^66, 2^66)", [a66] { return ce::d_igamc(a66, a66); },
       "fraction: converges, but after about 4e7 steps"},
      {"d_igamma(2^66, next above)", [a66] { return ce::d_igamma(a66, std::nextafter(a66, kInf)); },
       "P delegates to the capped fraction: 1 - NaN keeps the bits"},
      {"pseries(1, 0.5, 2)", [] { return ce::pseries(1, 0.5, 2); },
       "x > 1: the terms grow to infinity and stay there"},
      {"pseries(1, 0.5, 1)", [] { return ce::pseries(1, 0.5, 1); },
       "x = 1: the terms shrink like n^-1.5, far too slowly"},
      {"pseries(-1, 0.5, 0.9999)", [] { return ce::pseries(-1, 0.5, 0.9999); },
       "a < 0 makes the tolerance negative; the terms end up subnormal"},
      {"specfun d_ibeta(1, -0.5, 1.2)", [] { return sf::d_ibeta(1, -0.5, 1.2); },
       "b < 0, x > 1, not reflected: the convergents oscillate"},
      {"specfun d_ibeta(1, 1e300, -0.5)", [] { return sf::d_ibeta(1, 1e300, -0.5); },
       "x < 0 with a huge b: subnormal steps, the slowest found"},
      {"specfun d_ibeta(1000, 1e-20, 1 - 2^-53)",
       [] { return sf::d_ibeta(1000, 1e-20, 0x1.fffffffffffffp-1); },
       "inside the domain: x' next to 1 without reflection converges too slowly"},
  };
  for (const auto& row : rows) {
    double seconds;
    const double v = timed(row.call, &seconds);
    std::printf("%-42s %-6g %.3f s\n", row.what, v, seconds);
    EXPECT_EQ(bits(v), kCapNaNBits) << row.what << ": " << row.why;
    EXPECT_LT(seconds, kSecondsPerCall) << row.what;
  }
}

// The slowest arguments found that still converge inside the caps.
TEST(Termination, ArgumentsJustInsideTheCapsGetValues) {
  const CapCase rows[] = {
      {"d_igamma(2e13, 2e13)", [] { return ce::d_igamma(2e13, 2e13); },
       "series of about 3e7 terms"},
      {"d_igamc(2^65, 2^65)", [] { return ce::d_igamc(0x1p65, 0x1p65); },
       "fraction of about 3e7 steps"},
      {"pseries(1, 0.5, 1 - 2^-21)", [] { return ce::pseries(1, 0.5, 1 - 0x1p-21); },
       "series of about 2e7 terms"},
      {"specfun d_ibeta(1000, 1e-20, 1 - 1000 2^-53)",
       [] { return sf::d_ibeta(1000, 1e-20, 1 - 1000 * 0x1p-53); },
       "fraction of about 2.7e7 steps"},
  };
  for (const auto& row : rows) {
    double seconds;
    const double v = timed(row.call, &seconds);
    std::printf("%-42s %-24.17g %.3f s\n", row.what, v, seconds);
    EXPECT_FALSE(std::isnan(v)) << row.what << ": " << row.why;
    EXPECT_LT(seconds, kSecondsPerCall) << row.what;
  }
}

// Random doubles of every magnitude and both signs, with the special values
// mixed in, so that calls land inside and outside every domain.
class AnyDouble {
 public:
  explicit AnyDouble(uint64_t seed) : engine_(seed) {}
  double operator()() {
    const uint64_t pick = engine_() % 16;
    static const double specials[] = {0.0, -0.0, 1.0, -1.0, kInf, -kInf, kNaN, 0.95};
    if (pick < 4) return specials[engine_() % 8];
    const double magnitude = std::exp(std::uniform_real_distribution<double>(-745, 709)(engine_));
    const double v = pick < 8 ? std::uniform_real_distribution<double>(0, 2)(engine_) : magnitude;
    return (engine_() & 1) ? -v : v;
  }

 private:
  std::mt19937_64 engine_;
};

struct RandomCase {
  const char* what;
  std::function<double(double, double, double)> call;
  int count;
};

TEST(Termination, RandomArgumentsAllReturn) {
  const RandomCase cases[] = {
      {"d_igamma", [](double a, double x, double) { return ce::d_igamma(a, x); }, kRandomCheap},
      {"d_igamc", [](double a, double x, double) { return ce::d_igamc(a, x); }, kRandomCheap},
      {"cephes d_ibeta", ce::d_ibeta, kRandomCheap},
      {"incbcf", ce::incbcf, kRandomCheap},
      {"incbd", ce::incbd, kRandomCheap},
      {"pseries", ce::pseries, kRandomCostly},
      {"specfun d_ibeta", sf::d_ibeta, kRandomCostly},
  };
  AnyDouble any(20261208);
  for (const auto& c : cases) {
    double slowest = 0;
    double at[3] = {0, 0, 0};
    int nans = 0;
    for (int i = 0; i < c.count; ++i) {
      const double a = any(), b = any(), x = any();
      double seconds;
      const double v = timed([&] { return c.call(a, b, x); }, &seconds);
      if (std::isnan(v)) ++nans;
      if (seconds > slowest) slowest = seconds, at[0] = a, at[1] = b, at[2] = x;
      EXPECT_LT(seconds, kSecondsPerCall) << c.what << "(" << a << ", " << b << ", " << x << ")";
    }
    std::printf("%-16s %5d calls, %4d NaN, slowest %.3f s at (%g, %g, %g)\n", c.what, c.count,
                nans, slowest, at[0], at[1], at[2]);
  }
}

}  // namespace
