// libFuzzer target for the inverse functions of libvarnel-stats, one at a
// time, named by VARNEL_FUZZ_FUNCTION (stats_d_erf_inv, stats_d_igamma_inv,
// ...); the input bytes are the arguments in parameter order (doubles, or
// one float for the single-precision inverses), so every bit pattern is
// reached.
//
// Each input is a finding, and the run stops, when the call
//   - crashes or trips a sanitizer (the build adds ASan and UBSan),
//   - does not return within libFuzzer's -timeout,
//   - allocates memory, changes errno, or gives other bits when called again,
//   - returns anything but the quiet NaN outside the domain, or anything but
//     the end of the support at an end of the target's interval,
//   - returns NaN inside the domain where the forward function has numbers
//     everywhere, or a number that is not a crossing of the forward function
//     at the target (the property that defines the inverse).
// Parameters above 1e10 are left out: one forward evaluation there can take
// a large part of a second, and beyond about 3e13 the forward functions give
// their NaN near the answer (the unit tests cover both).
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "fuzz_support.hpp"
#include "varnel/stats.h"
#include "varnel/varnel.hpp"

namespace {

namespace ce = varnel::cephes;
namespace sf = varnel::specfun;
constexpr double kInf = std::numeric_limits<double>::infinity();

using varnel::fuzz::allocations;
using varnel::fuzz::bits;
using varnel::fuzz::counting;

double prev(double x) { return std::nextafter(x, -kInf); }
float prev(float x) { return std::nextafter(x, -std::numeric_limits<float>::infinity()); }

// One inverse: how many double parameters before the target, the call, the
// forward function (NaN where it gives no number) and whether it decreases.
struct Inverse {
  const char* id;
  int params;  // -1: one float target
  double (*call)(const double*);
  double (*forward)(const double*, double x);
  bool decreasing;
  double at_zero, at_one;  // results at the ends of the target interval
  double t_lo, t_hi;       // the target interval
};

const Inverse kInverses[] = {
    {"stats_d_erf_inv", 0, [](const double* v) { return varnel_stats_d_erf_inv(v[0]); },
     [](const double*, double x) { return sf::d_calerf(x, 0); }, false, -kInf, kInf, -1, 1},
    {"stats_d_erfc_inv", 0, [](const double* v) { return varnel_stats_d_erfc_inv(v[0]); },
     [](const double*, double x) { return sf::d_calerf(x, 1); }, true, kInf, -kInf, 0, 2},
    {"stats_s_erf_inv", -1,
     [](const double* v) { return double(varnel_stats_s_erf_inv(float(v[0]))); },
     [](const double*, double x) { return double(sf::s_calerf(float(x), 0)); }, false, -kInf, kInf,
     -1, 1},
    {"stats_s_erfc_inv", -1,
     [](const double* v) { return double(varnel_stats_s_erfc_inv(float(v[0]))); },
     [](const double*, double x) { return double(sf::s_calerf(float(x), 1)); }, true, kInf, -kInf,
     0, 2},
    {"stats_d_igamma_inv", 1, [](const double* v) { return varnel_stats_d_igamma_inv(v[0], v[1]); },
     [](const double* v, double x) { return ce::d_igamma(v[0], x); }, false, 0, kInf, 0, 1},
    {"stats_d_igamc_inv", 1, [](const double* v) { return varnel_stats_d_igamc_inv(v[0], v[1]); },
     [](const double* v, double x) { return ce::d_igamc(v[0], x); }, true, kInf, 0, 0, 1},
    {"stats_d_ibeta_inv", 2,
     [](const double* v) { return varnel_stats_d_ibeta_inv(v[0], v[1], v[2]); },
     [](const double* v, double x) { return ce::d_ibeta(v[0], v[1], x); }, false, 0, 1, 0, 1},
    {"stats_d_ibetac_inv", 2,
     [](const double* v) { return varnel_stats_d_ibetac_inv(v[0], v[1], v[2]); },
     [](const double* v, double x) { return ce::d_ibeta(v[1], v[0], 1 - x); }, true, 1, 0, 0, 1},
};

const Inverse* target = nullptr;

std::string describe(const double* v, double x) {
  char buf[256];
  int n = std::snprintf(buf, sizeof buf, "%s(", target->id);
  const int count = target->params < 0 ? 1 : target->params + 1;
  for (int i = 0; i < count; ++i) {
    n += std::snprintf(buf + n, sizeof buf - n, "%s%a", i ? ", " : "", v[i]);
  }
  std::snprintf(buf + n, sizeof buf - n, ") = %a", x);
  return buf;
}

[[noreturn]] void fault(const char* what, const double* v, double x) {
  std::fprintf(stderr, "FAULT %s: %s\n", describe(v, x).c_str(), what);
  std::abort();
}


}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  target = varnel::fuzz::chosen(kInverses);
  varnel::fuzz::count_allocations();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  double v[3] = {0, 0, 0};
  const bool single = target->params < 0;
  const int count = single ? 1 : target->params + 1;
  if (single) {
    if (size > sizeof(float)) return -1;
    float f = 0;
    std::memcpy(&f, data, size);
    v[0] = f;
  } else {
    if (size > count * sizeof(double)) return -1;
    std::memcpy(v, data, size);
  }
  for (int i = 0; i < target->params; ++i) {
    if (std::fabs(v[i]) > 1e10 && std::isfinite(v[i])) return -1;
  }

  errno = 4321;
  allocations = 0;
  counting = true;
  const double x = target->call(v);
  counting = false;
  if (allocations != 0) fault("allocated", v, x);
  if (errno != 4321) fault("changed errno", v, x);
  if (bits(target->call(v)) != bits(x)) fault("other bits on a second call", v, x);

  const double t = v[count - 1];
  bool domain = !std::isnan(t) && t >= target->t_lo && t <= target->t_hi;
  for (int i = 0; i < target->params; ++i) domain = domain && v[i] > 0 && v[i] != kInf;
  if (!domain) {
    if (bits(x) != 0x7ff8000000000000u) fault("not the quiet NaN outside the domain", v, x);
    return 0;
  }
  if (t == target->t_lo || t == target->t_hi) {
    const double want = t == target->t_lo ? target->at_zero : target->at_one;
    if (bits(x) != bits(want)) fault("not the end of the support", v, x);
    return 0;
  }
  if (std::isnan(x)) {
    // Right only where the forward function gives no number itself (it
    // does for subnormal parameters of the incomplete beta function, for
    // one): it must then be NaN somewhere on a scan of the support.
    bool forward_nan = false;
    for (int e = -320; e <= 300 && !forward_nan; e += 10) {
      const double s = std::ldexp(1.0, e);
      for (double point : {s, -s, 1 - s}) forward_nan = forward_nan || std::isnan(target->forward(v, point));
    }
    if (!forward_nan) fault("NaN inside the domain where the forward function has numbers", v, x);
    return 0;
  }
  const double px = single ? double(prev(float(x))) : prev(x);
  const double fx = target->forward(v, x);
  const double fp = target->forward(v, px);
  const bool crosses = target->decreasing ? (fx <= t && fp > t) : (fx >= t && fp < t);
  if (!crosses) fault("not a crossing of the forward function", v, x);
  return 0;
}
