// The pair check of the distributions of libvarnel-stats (distribution_pairs.hpp).
#include "distribution_pairs.hpp"

#include <varnel/stats.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace varnel::pairs {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kBelow1 = std::nextafter(1.0, 0.0);

// The targets of quantile and isf: both tails far out, the body, and the
// largest double below 1.
const double kTargets[] = {1e-300, 1e-20, 1e-5, 0.05, 0.5, 0.95, 1 - 1e-5, kBelow1};

// The C functions of the signature tags XD and XDD behind one signature.
template <double (*F)(double, double)>
double call_XD(double x, const Params& p) {
  return F(x, p[0]);
}
template <double (*F)(double, double, double)>
double call_XDD(double x, const Params& p) {
  return F(x, p[0], p[1]);
}

std::string number(double v) {
  char buf[64];
  const auto res = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, res.ptr);
}

std::string call_text(const Family& family, const char* op, double target, const Params& p) {
  std::string text = "d_" + std::string(family.name) + "_" + op + "(" + number(target);
  for (int i = 0; i < family.count; ++i) text += ", " + number(p[i]);
  return text + ")";
}

}  // namespace

const std::vector<Family>& families() {
#define VARNEL_PAIRS_FAMILY(family, sig, count, params, name)                               \
  {#family, count, call_##sig<varnel_stats_d_##family##_cdf>,                               \
   call_##sig<varnel_stats_d_##family##_sf>, call_##sig<varnel_stats_d_##family##_quantile>, \
   call_##sig<varnel_stats_d_##family##_isf>},
  static const std::vector<Family> table = {VARNEL_STATS_FAMILIES(VARNEL_PAIRS_FAMILY)};
#undef VARNEL_PAIRS_FAMILY
  return table;
}

bool discrete(std::string_view family) {
  return family == "poisson" || family == "binom" || family == "nbinom";
}

// Members whose answers are finite doubles for every target of kTargets (so
// no shape below 1 where the lower tail at 1e-300 would fall below the
// smallest subnormal), from small parameters to those of the large-parameter
// expansions.
std::vector<Params> members(const Family& family) {
  const std::string name = family.name;
  if (name == "norm") return {{0, 1}, {-3, 0.5}, {1e3, 1e-3}};
  if (name == "chisq") return {{2, 0}, {3, 0}, {30, 0}, {1e4, 0}};
  if (name == "gamma") return {{1, 1}, {2.5, 3}, {100, 0.5}, {1e9, 1}};
  if (name == "beta") return {{1, 1}, {2, 3}, {30, 0.5}, {1e3, 1e3}};
  if (name == "t") return {{1, 0}, {3, 0}, {30, 0}};
  if (name == "f") return {{2, 2}, {3, 5}, {50, 20}};
  if (name == "poisson") return {{0.5, 0}, {4, 0}, {1e3, 0}, {1e15, 0}};
  if (name == "binom") return {{10, 0.3}, {20, 0.999}, {1e4, 4e-5}, {9007199254740992.0, 0.5}};
  return {{1, 0.5}, {3.5, 0.2}, {1e6, 0.9}};  // nbinom
}

std::vector<Params> outside(const Family& family) {
  const std::string name = family.name;
  if (name == "norm") return {{0, 0}, {0, -1}, {kInf, 1}, {kNaN, 1}};
  if (name == "chisq" || name == "t") return {{0, 0}, {-1, 0}, {kInf, 0}, {kNaN, 0}};
  if (name == "poisson") return {{-1, 0}, {kInf, 0}, {kNaN, 0}};
  if (name == "binom") return {{2.5, 0.5}, {-1, 0.5}, {10, 1.5}, {10, -0.1}, {10, kNaN}};
  if (name == "nbinom") return {{0, 0.5}, {1, 0}, {1, 1.5}, {kNaN, 0.5}};
  return {{0, 1}, {1, 0}, {-1, 1}, {1, kInf}, {kNaN, 1}};  // gamma, beta, f
}

std::array<double, 2> support(const Family& family, const Params& p) {
  const std::string name = family.name;
  if (name == "norm" || name == "t") return {-kInf, kInf};
  if (name == "beta") return {0, 1};
  if (name == "binom") return {0, p[0]};
  return {0, kInf};
}

varnel::brackets::Report check(const Family& family) {
  varnel::brackets::Report r;
  auto failed = [&r](const std::string& why) {
    if (r.failed++ == 0) r.first = why;
  };
  const bool integers = discrete(family.name);
  auto prev = [integers](double x) { return integers ? x - 1 : std::nextafter(x, -kInf); };
  for (const Params& p : members(family)) {
    for (const double t : kTargets) {
      r.points += 2;
      const double x = family.quantile(t, p);
      const double at_x = family.cdf(x, p), at_prev = family.cdf(prev(x), p);
      if (!(at_x >= t && t > at_prev)) {
        failed(call_text(family, "quantile", t, p) + " = " + number(x) + ", where cdf = " +
               number(at_x) + " and cdf one step below = " + number(at_prev) +
               ": the target is not between");
      }
      const double y = family.isf(t, p);
      const double up_y = family.sf(y, p), up_prev = family.sf(prev(y), p);
      if (!(up_y <= t && t < up_prev)) {
        failed(call_text(family, "isf", t, p) + " = " + number(y) + ", where sf = " + number(up_y) +
               " and sf one step below = " + number(up_prev) + ": the target is not between");
      }
    }
    // The ends: quantile(0) and isf(1) at the lower end, quantile(1) and
    // isf(0) at the upper end; a target outside [0, 1] gives NaN.
    const auto ends = support(family, p);
    const struct {
      const char* op;
      double target, want;
    } edges[] = {{"quantile", 0, ends[0]}, {"quantile", 1, ends[1]}, {"isf", 1, ends[0]},
                 {"isf", 0, ends[1]},      {"quantile", -0.25, kNaN}, {"isf", 1.25, kNaN},
                 {"quantile", kNaN, kNaN}};
    for (const auto& e : edges) {
      ++r.points;
      const bool lower = std::strcmp(e.op, "quantile") == 0;
      const double got = lower ? family.quantile(e.target, p) : family.isf(e.target, p);
      const bool ok = std::isnan(e.want) ? std::isnan(got) : got == e.want;
      if (!ok) {
        failed(call_text(family, e.op, e.target, p) + " = " + number(got) + ", not " + number(e.want));
      }
    }
  }
  for (const Params& p : outside(family)) {
    r.points += 2;
    const double x = family.quantile(0.5, p), y = family.isf(0.5, p);
    if (!std::isnan(x)) {
      failed(call_text(family, "quantile", 0.5, p) + " = " + number(x) + ", not NaN");
    }
    if (!std::isnan(y)) failed(call_text(family, "isf", 0.5, p) + " = " + number(y) + ", not NaN");
  }
  return r;
}

}  // namespace varnel::pairs
