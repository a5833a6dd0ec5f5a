// The inverse functions' result bits over a fixed set of arguments, held
// against the values pinned in tests/data/stats_bits.txt (made on x86_64):
// the same bits on aarch64 and under every compiler and flag set of the
// toolchain matrix, wherever the forward functions give the same bits.
//
// The arguments are made from a fixed sequence of integers by exact scaling
// only (no call of the C mathematics library, whose last bits may differ
// between platforms), so every platform evaluates the same arguments. A
// result that differs from the pinned one is a failure unless the pinned
// value is no longer a crossing of the forward function here: then the
// forward function itself answers differently at that point (its bits
// depend on the C library's exp, log and pow), and the difference is
// counted and reported as the C library's. Every result must be a crossing
// of this platform's forward function in any case. With
// VARNEL_STATS_BITS_WRITE=1 the test writes the file instead (on x86_64,
// after a change of the results that is intended).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "bits.hpp"
#include "varnel/stats.h"
#include "varnel/varnel.hpp"

namespace {

using varnel::test::bits;

// splitmix64: a fixed sequence of 64-bit integers.
struct Sequence {
  uint64_t state;
  uint64_t next() {
    uint64_t z = (state += 0x9e3779b97f4a7c15u);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9u;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebu;
    return z ^ (z >> 31);
  }
  // m 2^e with a 53-bit m and e in [lo, hi]: exact, log-uniform-like.
  double scaled(int lo, int hi) {
    const double m = static_cast<double>(next() >> 11) * 0x1p-53;
    const int e = lo + static_cast<int>(next() % static_cast<uint64_t>(hi - lo + 1));
    return std::ldexp(0.5 + m / 2, e);
  }
  // A target in (0, 1): tiny, body or next to 1.
  double target() {
    switch (next() % 4) {
      case 0: return scaled(-1000, -2);
      case 1: return 1 - scaled(-52, -2);
      default: return static_cast<double>((next() >> 11) | 1) * 0x1p-53;
    }
  }
};

namespace ce = varnel::cephes;
namespace sf = varnel::specfun;

double prev(double x) { return std::nextafter(x, -HUGE_VAL); }
float prev(float x) { return std::nextafter(x, -HUGE_VALF); }

struct Args {
  double a, b, p, sign;
};

// One inverse: its result on the arguments, and whether x is a crossing of
// its forward function there.
struct Inverse {
  const char* name;
  std::function<double(const Args&)> call;
  std::function<bool(const Args&, double)> crosses;
};

const std::vector<Inverse>& inverses() {
  static const std::vector<Inverse> list = {
      {"d_erf_inv", [](const Args& v) { return varnel_stats_d_erf_inv(v.sign * v.p); },
       [](const Args& v, double x) {
         const double p = v.sign * v.p;
         return sf::d_calerf(x, 0) >= p && sf::d_calerf(prev(x), 0) < p;
       }},
      {"d_erfc_inv", [](const Args& v) { return varnel_stats_d_erfc_inv(2 * v.p); },
       [](const Args& v, double x) {
         return sf::d_calerf(x, 1) <= 2 * v.p && sf::d_calerf(prev(x), 1) > 2 * v.p;
       }},
      {"s_erf_inv",
       [](const Args& v) { return double(varnel_stats_s_erf_inv(float(v.sign * v.p))); },
       [](const Args& v, double xd) {
         const float p = float(v.sign * v.p), x = float(xd);
         return std::fabs(p) == 1 || (sf::s_calerf(x, 0) >= p && sf::s_calerf(prev(x), 0) < p);
       }},
      {"s_erfc_inv", [](const Args& v) { return double(varnel_stats_s_erfc_inv(float(2 * v.p))); },
       [](const Args& v, double xd) {
         const float q = float(2 * v.p), x = float(xd);
         return q == 0 || q == 2 || (sf::s_calerf(x, 1) <= q && sf::s_calerf(prev(x), 1) > q);
       }},
      {"d_igamma_inv", [](const Args& v) { return varnel_stats_d_igamma_inv(v.a, v.p); },
       [](const Args& v, double x) {
         return ce::d_igamma(v.a, x) >= v.p && ce::d_igamma(v.a, prev(x)) < v.p;
       }},
      {"d_igamc_inv", [](const Args& v) { return varnel_stats_d_igamc_inv(v.a, v.p); },
       [](const Args& v, double x) {
         return ce::d_igamc(v.a, x) <= v.p && ce::d_igamc(v.a, prev(x)) > v.p;
       }},
      {"d_ibeta_inv", [](const Args& v) { return varnel_stats_d_ibeta_inv(v.a, v.b, v.p); },
       [](const Args& v, double x) {
         return ce::d_ibeta(v.a, v.b, x) >= v.p && ce::d_ibeta(v.a, v.b, prev(x)) < v.p;
       }},
      {"d_ibetac_inv", [](const Args& v) { return varnel_stats_d_ibetac_inv(v.a, v.b, v.p); },
       [](const Args& v, double x) {
         return ce::d_ibeta(v.b, v.a, 1 - x) <= v.p && ce::d_ibeta(v.b, v.a, 1 - prev(x)) > v.p;
       }},
  };
  return list;
}

constexpr int kPoints = 400;

std::vector<Args> arguments() {
  Sequence s{20261209};
  std::vector<Args> out;
  for (int i = 0; i < kPoints; ++i) {
    const double a = s.scaled(-8, 12);
    const double b = s.scaled(-8, 12);
    const double p = s.target();
    const double sign = (s.next() & 1) ? -1 : 1;
    out.push_back({a, b, p, sign});
  }
  return out;
}

const std::string kFile = std::string(VARNEL_TEST_DATA) + "/stats_bits.txt";

TEST(StatsBits, ResultBitsAreThePinnedOnes) {
  const std::vector<Args> args = arguments();
  if (const char* w = std::getenv("VARNEL_STATS_BITS_WRITE"); w && std::string(w) == "1") {
    std::ofstream out(kFile);
    out << "# The inverse functions' results (bits in hexadecimal) on the fixed arguments of\n"
           "# tests/stats_bits_test.cpp, made on x86_64; VARNEL_STATS_BITS_WRITE=1 rewrites it.\n";
    for (const Inverse& inv : inverses()) {
      out << inv.name;
      for (const Args& v : args) {
        char hex[24];
        std::snprintf(hex, sizeof hex, " %llx",
                      static_cast<unsigned long long>(bits(inv.call(v))));
        out << hex;
      }
      out << "\n";
    }
    GTEST_SKIP() << "wrote " << kFile;
  }
  std::ifstream in(kFile);
  ASSERT_TRUE(in) << "no " << kFile;
  std::map<std::string, std::vector<uint64_t>> pinned;
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::string name, hex;
    fields >> name;
    while (fields >> hex) pinned[name].push_back(std::stoull(hex, nullptr, 16));
  }
  long same = 0, c_library = 0;
  for (const Inverse& inv : inverses()) {
    const std::vector<uint64_t>& want = pinned[inv.name];
    ASSERT_EQ(want.size(), args.size()) << inv.name;
    for (size_t i = 0; i < args.size(); ++i) {
      const double x = inv.call(args[i]);
      if (!std::isnan(x)) {
        EXPECT_TRUE(inv.crosses(args[i], x)) << inv.name << " #" << i;
      }
      if (bits(x) == want[i]) {
        ++same;
        continue;
      }
      const double pinned_x = varnel::test::from_bits(want[i]);
      if (std::isnan(pinned_x) || std::isnan(x) || inv.crosses(args[i], pinned_x)) {
        ADD_FAILURE() << inv.name << " #" << i << ": " << x << " where " << pinned_x
                      << " was pinned, which is still a crossing here";
      } else {
        ++c_library;
      }
    }
  }
  std::printf("%ld results as pinned, %ld moved where this C library moves the forward function\n",
              same, c_library);
}

}  // namespace
