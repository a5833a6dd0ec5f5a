// The bracket check of libvarnel-stats (inverse_brackets.hpp).
#include "inverse_brackets.hpp"

#include <varnel/stats.hpp>
#include <varnel/varnel.hpp>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace varnel::brackets {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
// The largest doubles below 1 and 2, and the largest float below 1 and 2.
const double kBelow1 = std::nextafter(1.0, 0.0);
const double kBelow2 = std::nextafter(2.0, 0.0);
const double kBelow1f = std::nextafterf(1.0f, 0.0f);
const double kBelow2f = std::nextafterf(2.0f, 0.0f);

// The forward functions, as <varnel/stats.h> defines each inverse by them.
double erf_d(const Args&, double x) { return specfun::d_calerf(x, 0); }
double erfc_d(const Args&, double x) { return specfun::d_calerf(x, 1); }
double erf_s(const Args&, double x) { return specfun::s_calerf(static_cast<float>(x), 0); }
double erfc_s(const Args&, double x) { return specfun::s_calerf(static_cast<float>(x), 1); }
double lower_gamma(const Args& p, double x) { return cephes::d_igamma(p[0], x); }
double upper_gamma(const Args& p, double x) { return cephes::d_igamc(p[0], x); }
double lower_beta(const Args& p, double x) { return cephes::d_ibeta(p[0], p[1], x); }
// The upper tail J(x) = I_(1-x)(b, a).
double upper_beta(const Args& p, double x) { return cephes::d_ibeta(p[1], p[0], 1.0 - x); }

std::string number(double v) {
  char buf[64];
  const auto res = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, res.ptr);
}

std::string hex(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%a", v);
  return buf;
}

// Every combination of the parameters with every target.
std::vector<Args> grid(int arity, const std::vector<double>& params,
                       const std::vector<double>& targets) {
  std::vector<Args> out;
  if (arity == 1) {
    for (double t : targets) out.push_back({t, 0, 0});
  } else if (arity == 2) {
    for (double a : params)
      for (double t : targets) out.push_back({a, t, 0});
  } else {
    for (double a : params)
      for (double b : params)
        for (double t : targets) out.push_back({a, b, t});
  }
  return out;
}

// The targets of a float version, each rounded to binary32 as it is passed.
std::vector<double> binary32(std::vector<double> v) {
  for (double& x : v) x = static_cast<float>(x);
  return v;
}

}  // namespace

const std::vector<Inverse>& inverses() {
  static const std::vector<Inverse> table = {
      {"d_erf_inv", 1, false, +1, "d_calerf(x, 0)", erf_d,
       [](const Args& a) { return stats::d_erf_inv(a[0]); }},
      {"s_erf_inv", 1, true, +1, "s_calerf(x, 0)", erf_s,
       [](const Args& a) {
         return static_cast<double>(stats::s_erf_inv(static_cast<float>(a[0])));
       }},
      {"d_erfc_inv", 1, false, -1, "d_calerf(x, 1)", erfc_d,
       [](const Args& a) { return stats::d_erfc_inv(a[0]); }},
      {"s_erfc_inv", 1, true, -1, "s_calerf(x, 1)", erfc_s,
       [](const Args& a) {
         return static_cast<double>(stats::s_erfc_inv(static_cast<float>(a[0])));
       }},
      {"d_igamma_inv", 2, false, +1, "d_igamma(a, x)", lower_gamma,
       [](const Args& a) { return stats::d_igamma_inv(a[0], a[1]); }},
      {"d_igamc_inv", 2, false, -1, "d_igamc(a, x)", upper_gamma,
       [](const Args& a) { return stats::d_igamc_inv(a[0], a[1]); }},
      {"d_ibeta_inv", 3, false, +1, "cephes::d_ibeta(a, b, x)", lower_beta,
       [](const Args& a) { return stats::d_ibeta_inv(a[0], a[1], a[2]); }},
      {"d_ibetac_inv", 3, false, -1, "cephes::d_ibeta(b, a, 1 - x)", upper_beta,
       [](const Args& a) { return stats::d_ibetac_inv(a[0], a[1], a[2]); }},
  };
  return table;
}

std::vector<Args> points(const Inverse& fn) {
  const std::string name = fn.name;
  if (name == "d_erf_inv" || name == "s_erf_inv") {
    // Both signs, from the smallest subnormal target to the largest below 1.
    std::vector<double> t = {0, 0.001, 0.1, 0.5, 0.8, 0.99, 0.999999};
    if (fn.single) {
      for (double v : {1e-40, 1e-30, 1e-8, kBelow1f}) t.push_back(v);
    } else {
      for (double v : {5e-324, 1e-300, 1e-30, 1e-8, 1 - 1e-12, kBelow1}) t.push_back(v);
    }
    const std::size_t n = t.size();
    for (std::size_t i = 1; i < n; ++i) t.push_back(-t[i]);
    return grid(1, {}, fn.single ? binary32(t) : t);
  }
  if (name == "d_erfc_inv" || name == "s_erfc_inv") {
    std::vector<double> t = {0.001, 0.1, 0.5, 0.9, 1, 1.1, 1.5, 1.9, 1.999};
    if (fn.single) {
      for (double v : {1e-40, 1e-30, 1e-8, kBelow2f}) t.push_back(v);
    } else {
      for (double v : {1e-300, 1e-100, 1e-20, 1e-8, 2 - 1e-12, kBelow2}) t.push_back(v);
    }
    return grid(1, {}, fn.single ? binary32(t) : t);
  }
  const std::vector<double> targets = {1e-300, 1e-30, 1e-8, 0.001, 0.05, 0.5,
                                       0.95,   0.999, 1 - 1e-8, kBelow1};
  if (fn.arity == 2) return grid(2, {1e-3, 0.1, 0.5, 1, 2.5, 10, 100, 1e4, 1e6}, targets);
  return grid(3, {0.01, 0.5, 1, 3, 50, 1e4}, {1e-300, 1e-20, 1e-5, 0.05, 0.5, 0.95, 1 - 1e-5, kBelow1});
}

std::vector<Edge> edges(const Inverse& fn) {
  const std::string name = fn.name;
  if (name == "d_erf_inv" || name == "s_erf_inv") {
    return {{{-1, 0, 0}, -kInf}, {{1, 0, 0}, kInf},      {{kNaN, 0, 0}, kNaN},
            {{1.5, 0, 0}, kNaN}, {{-1.5, 0, 0}, kNaN},   {{kInf, 0, 0}, kNaN},
            {{-kInf, 0, 0}, kNaN}};
  }
  if (name == "d_erfc_inv" || name == "s_erfc_inv") {
    return {{{0, 0, 0}, kInf},     {{2, 0, 0}, -kInf},    {{kNaN, 0, 0}, kNaN},
            {{-0.5, 0, 0}, kNaN},  {{2.5, 0, 0}, kNaN},   {{kInf, 0, 0}, kNaN}};
  }
  // The gamma and beta inverses: the lower forms give the lower end of the
  // support at 0 and the upper end at 1, the upper forms the reverse.
  const double upper_end = fn.arity == 2 ? kInf : 1.0;
  const double at0 = fn.direction > 0 ? 0.0 : upper_end;
  const double at1 = fn.direction > 0 ? upper_end : 0.0;
  std::vector<Edge> out;
  if (fn.arity == 2) {
    for (double a : {0.5, 3.0, 1e4}) {
      out.push_back({{a, 0, 0}, at0});
      out.push_back({{a, 1, 0}, at1});
    }
    for (const Args& bad : {Args{0, 0.5, 0}, Args{-1, 0.5, 0}, Args{kNaN, 0.5, 0},
                            Args{2, kNaN, 0}, Args{2, -0.25, 0}, Args{2, 1.25, 0}}) {
      out.push_back({bad, kNaN});
    }
  } else {
    for (double a : {0.5, 3.0}) {
      out.push_back({{a, 2, 0}, at0});
      out.push_back({{a, 2, 1}, at1});
    }
    for (const Args& bad : {Args{0, 2, 0.5}, Args{2, 0, 0.5}, Args{-1, 2, 0.5},
                            Args{2, -1, 0.5}, Args{kNaN, 2, 0.5}, Args{2, kNaN, 0.5},
                            Args{2, 3, kNaN}, Args{2, 3, -0.25}, Args{2, 3, 1.25}}) {
      out.push_back({bad, kNaN});
    }
  }
  return out;
}

std::string call_text(const Inverse& fn, const Args& args) {
  std::string text = std::string(fn.name) + "(";
  for (int i = 0; i < fn.arity; ++i) text += (i ? ", " : "") + number(args[i]);
  return text + ")";
}

bool brackets(const Inverse& fn, const Args& args, double x, std::string* why) {
  const double t = args[fn.arity - 1];
  const double prev = fn.single ? static_cast<double>(std::nextafterf(static_cast<float>(x), -INFINITY))
                                : std::nextafter(x, -kInf);
  const double at_x = fn.forward(args, x);
  const double at_prev = fn.forward(args, prev);
  const bool ok = fn.direction > 0 ? (at_x >= t && t > at_prev) : (at_x <= t && t < at_prev);
  if (!ok && why != nullptr) {
    std::string f = fn.forward_name;
    const auto at = f.rfind('x');
    const std::string f_prev = f.substr(0, at) + "prev" + f.substr(at + 1);
    *why = "= " + number(x) + " (" + hex(x) + "), where " + f + " = " + number(at_x) + " and " +
           f_prev + " = " + number(at_prev) + ": the target " + number(t) + " is not between";
  }
  return ok;
}

Report check(const Inverse& fn) {
  Report r;
  auto failed = [&r, &fn](const Args& args, const std::string& why) {
    if (r.failed++ == 0) r.first = call_text(fn, args) + " " + why;
  };
  for (const Args& args : points(fn)) {
    ++r.points;
    std::string why;
    if (!brackets(fn, args, fn.inverse(args), &why)) failed(args, why);
  }
  for (const Edge& e : edges(fn)) {
    ++r.points;
    const double x = fn.inverse(e.args);
    const bool ok = std::isnan(e.value) ? std::isnan(x) : x == e.value;
    if (!ok) failed(e.args, "= " + number(x) + ", not " + number(e.value));
  }
  return r;
}

}  // namespace varnel::brackets
