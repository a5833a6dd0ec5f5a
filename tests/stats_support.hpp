// Helpers shared by the tests of libvarnel-stats: the arguments they draw
// (parameters log-uniform, targets down to the smallest subnormal and up to
// 1 - 2^-53) and the scale of their counts under an emulator.
#ifndef VARNEL_TESTS_STATS_SUPPORT_HPP
#define VARNEL_TESTS_STATS_SUPPORT_HPP

#include <cmath>
#include <limits>
#include <random>

namespace varnel::test::stats {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kTiny = std::numeric_limits<double>::denorm_min();
constexpr double kBelowOne = 0x1.fffffffffffffp-1;  // 1 - 2^-53

// Random counts are divided by this under an emulator, where everything
// runs some ten to twenty times slower.
#ifdef VARNEL_TEST_EMULATED
constexpr int kScale = 10;
#else
constexpr int kScale = 1;
#endif

inline double prev(double x) { return std::nextafter(x, -kInf); }
inline float prev(float x) { return std::nextafter(x, -std::numeric_limits<float>::infinity()); }

// Log-uniform in [lo, hi].
inline double log_uniform(std::mt19937_64& rng, double lo, double hi) {
  return std::exp(std::uniform_real_distribution<double>(std::log(lo), std::log(hi))(rng));
}

// Targets: log-uniform down to 1e-300 in both tails, the ends of the open
// interval, and a uniform body.
inline double target(std::mt19937_64& rng) {
  switch (rng() % 8) {
    case 0: return kTiny;
    case 1: return kBelowOne;
    case 2: return std::uniform_real_distribution<double>(0, 1)(rng);
    case 3: return 1 - log_uniform(rng, 1e-16, 0.5);
    default: return log_uniform(rng, 1e-300, 0.999);
  }
}

}  // namespace varnel::test::stats

#endif  // VARNEL_TESTS_STATS_SUPPORT_HPP
