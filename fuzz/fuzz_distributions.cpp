// libFuzzer target for the distributions of libvarnel-stats, one family at
// a time, named by VARNEL_FUZZ_FUNCTION (stats_dist_norm, stats_dist_binom,
// ...). The first input byte chooses the operation (pdf, logpdf, cdf, sf,
// quantile, isf); the rest are the argument and the parameters as doubles,
// so every bit pattern is reached.
//
// Each input is a finding, and the run stops, when the call
//   - crashes or trips a sanitizer, or does not return within -timeout,
//   - allocates memory, changes errno, or gives other bits when called again,
//   - gives anything but the quiet NaN for parameters outside the domain,
//   - gives a cdf or sf outside [0, 1], a negative density, or a logpdf of
//     -inf where the density is not 0,
//   - gives NaN from valid arguments, except where the forward functions
//     themselves give NaN (subnormal or huge parameters),
//   - gives other than the ends of the support at targets 0 and 1,
//   - gives a quantile or isf that is not a crossing of the family's own cdf
//     or sf (the previous double, or k - 1 for the discrete families, must
//     not reach the target).
// Parameters of the continuous families above 1e8 are left out: the forward
// functions slow down there (the unit tests cover them); the discrete
// families take parameters up to 1e16.
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

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

using varnel::fuzz::allocations;
using varnel::fuzz::bits;
using varnel::fuzz::counting;

bool positive(double v) { return v > 0 && v != kInf; }
bool integer(double v) { return std::isfinite(v) && std::floor(v) == v; }

// One family: its six operations with (x, a, b) (one-parameter families
// ignore b), its domain, the ends of its support and whether it is
// discrete.
using Op = double (*)(double, double, double);
struct Family {
  const char* id;
  Op op[6];  // pdf, logpdf, cdf, sf, quantile, isf
  bool (*valid)(double a, double b);
  double (*lo)(double a, double b);
  double (*hi)(double a, double b);
  bool discrete;
};

#define ONE(name)                                                                          \
  {[](double x, double a, double) { return varnel_stats_d_##name##_pdf(x, a); },           \
   [](double x, double a, double) { return varnel_stats_d_##name##_logpdf(x, a); },        \
   [](double x, double a, double) { return varnel_stats_d_##name##_cdf(x, a); },           \
   [](double x, double a, double) { return varnel_stats_d_##name##_sf(x, a); },            \
   [](double x, double a, double) { return varnel_stats_d_##name##_quantile(x, a); },      \
   [](double x, double a, double) { return varnel_stats_d_##name##_isf(x, a); }}
#define TWO(name)                                                                          \
  {varnel_stats_d_##name##_pdf, varnel_stats_d_##name##_logpdf, varnel_stats_d_##name##_cdf, \
   varnel_stats_d_##name##_sf, varnel_stats_d_##name##_quantile, varnel_stats_d_##name##_isf}

const Family kFamilies[] = {
    {"stats_dist_norm", TWO(norm), [](double mu, double s) { return std::isfinite(mu) && positive(s); },
     [](double, double) { return -kInf; }, [](double, double) { return kInf; }, false},
    {"stats_dist_chisq", ONE(chisq), [](double k, double) { return positive(k) && 0.5 * k > 0; },
     [](double, double) { return 0.0; }, [](double, double) { return kInf; }, false},
    {"stats_dist_gamma", TWO(gamma), [](double k, double s) { return positive(k) && positive(s); },
     [](double, double) { return 0.0; }, [](double, double) { return kInf; }, false},
    {"stats_dist_beta", TWO(beta), [](double a, double b) { return positive(a) && positive(b); },
     [](double, double) { return 0.0; }, [](double, double) { return 1.0; }, false},
    {"stats_dist_t", ONE(t), [](double nu, double) { return positive(nu) && 0.5 * nu > 0; },
     [](double, double) { return -kInf; }, [](double, double) { return kInf; }, false},
    {"stats_dist_f", TWO(f), [](double a, double b) { return positive(a) && positive(b) && 0.5 * a > 0 && 0.5 * b > 0; },
     [](double, double) { return 0.0; }, [](double, double) { return kInf; }, false},
    {"stats_dist_poisson", ONE(poisson), [](double l, double) { return l >= 0 && l != kInf; },
     [](double, double) { return 0.0; }, [](double l, double) { return l == 0 ? 0.0 : kInf; }, true},
    {"stats_dist_binom", TWO(binom),
     [](double n, double p) { return integer(n) && n >= 0 && n <= 9007199254740992.0 && p >= 0 && p <= 1; },
     [](double n, double p) { return p == 1 ? n : 0.0; }, [](double n, double p) { return p == 0 ? 0.0 : n; },
     true},
    {"stats_dist_nbinom", TWO(nbinom), [](double r, double p) { return positive(r) && p > 0 && p <= 1; },
     [](double, double) { return 0.0; }, [](double, double p) { return p == 1 ? 0.0 : kInf; }, true},
};
const char* const kOps[] = {"pdf", "logpdf", "cdf", "sf", "quantile", "isf"};

const Family* family = nullptr;


[[noreturn]] void fault(const char* what, int op, const double* v, double y) {
  std::fprintf(stderr, "FAULT %s %s(%a; %a, %a) = %a: %s\n", family->id, kOps[op], v[0], v[1], v[2], y,
               what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  family = varnel::fuzz::chosen(kFamilies);
  varnel::fuzz::count_allocations();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > 1 + 3 * sizeof(double)) return -1;
  const int op = data[0] % 6;
  double v[3] = {0, 1, 0.5};
  std::memcpy(v, data + 1, size - 1);
  const double x = v[0], a = v[1], b = v[2];
  // The discrete families reach their uniform expansions for large
  // parameters, as fast as small ones; the continuous ones call the forward
  // functions there, which slow down beyond 1e8.
  const double cap = family->discrete ? 1e16 : 1e8;
  if ((std::fabs(a) > cap && std::isfinite(a)) || (std::fabs(b) > cap && std::isfinite(b) && b > 1)) {
    return -1;
  }
  const Op f = family->op[op];

  errno = 4321;
  allocations = 0;
  counting = true;
  const double y = f(x, a, b);
  counting = false;
  if (allocations != 0) fault("allocated", op, v, y);
  if (errno != 4321) fault("changed errno", op, v, y);
  if (bits(f(x, a, b)) != bits(y)) fault("other bits on a second call", op, v, y);

  if (!family->valid(a, b)) {
    if (bits(y) != 0x7ff8000000000000u) fault("not the quiet NaN outside the domain", op, v, y);
    return 0;
  }
  // The forward functions give NaN (their caps) for subnormal parameters of
  // the incomplete beta function and for parameters beyond about 1e13, the
  // discrete families' k + 1 included: a NaN result is accepted there only.
  const bool forward_may_fail = std::fabs(a) < 1e-300 || (b != 0 && std::fabs(b) < 1e-300) ||
                                std::fabs(a) > 1e12 || (family->discrete && std::fabs(x) > 1e12);
  if (std::isnan(y) && !std::isnan(x) && op < 4) {
    if (forward_may_fail) return 0;
    fault("NaN from valid arguments", op, v, y);
  }
  const Op cdf = family->op[2];
  const Op sf = family->op[3];
  switch (op) {
    case 0:
      if (!std::isnan(x) && !(y >= 0)) fault("negative density", op, v, y);
      break;
    case 1: {
      const double d = family->op[0](x, a, b);
      // -inf only where the density is 0 (a finite logarithm may still
      // underflow the density); NaN only at a NaN argument.
      if (y == -kInf && d != 0) fault("logpdf -inf where the density is not 0", op, v, y);
      if (std::isnan(y) != std::isnan(x)) fault("logpdf NaN other than at a NaN argument", op, v, y);
      break;
    }
    case 2:
    case 3:
      if (!std::isnan(x) && !(y >= 0 && y <= 1)) fault("probability outside [0, 1]", op, v, y);
      if (std::isnan(x) && !std::isnan(y)) fault("a number at a NaN argument", op, v, y);
      break;
    default: {
      const bool upper = op == 5;
      if (!(x >= 0 && x <= 1)) {
        if (bits(y) != 0x7ff8000000000000u) fault("not the quiet NaN outside [0, 1]", op, v, y);
        break;
      }
      const double lo = family->lo(a, b), hi = family->hi(a, b);
      if (x == 0 || x == 1) {
        const double want = (x == 0) != upper ? lo : hi;
        if (bits(y) != bits(want)) fault("not the end of the support", op, v, y);
        break;
      }
      if (std::isnan(y)) break;  // the forward function gave no number (its caps)
      const double prev = family->discrete ? y - 1 : std::nextafter(y, -kInf);
      const bool at_lo = family->discrete ? y == lo : false;
      bool crosses;
      if (upper) {
        crosses = y == kInf || (sf(y, a, b) <= x && (at_lo || sf(prev, a, b) > x));
      } else {
        crosses = y == kInf || (cdf(y, a, b) >= x && (at_lo || cdf(prev, a, b) < x));
      }
      if (!crosses) fault("not a crossing of the family's own cdf or sf", op, v, y);
    }
  }
  return 0;
}
