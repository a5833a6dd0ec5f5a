// The argument sets and rows of the suite. Every set is drawn from its own
// fixed-seed generator with a uniform variate of our own (53 random bits), so
// the recorder and the benchmark, which both build them, get the same bits.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <random>

#include "suite.hpp"

namespace bench {

std::uint64_t ArgSet::digest() const {
  std::uint64_t h = 1469598103934665603ull;  // FNV-1a over every argument's bits
  auto mix = [&h](std::uint64_t v) {
    for (int k = 0; k < 8; ++k) {
      h ^= (v >> (8 * k)) & 0xff;
      h *= 1099511628211ull;
    }
  };
  for (const auto* column : {&c0, &c1, &c2}) {
    for (double v : *column) mix(detail::bits_of(v));
  }
  for (float v : f0) mix(detail::bits_of(v));
  return h;
}

namespace {

class Draw {
 public:
  explicit Draw(std::uint64_t stream) : gen_(kSeed + stream) {}
  double unit() { return static_cast<double>(gen_() >> 11) * 0x1p-53; }  // [0, 1)
  double uniform(double lo, double hi) { return lo + (hi - lo) * unit(); }
  double log_uniform(double lo, double hi) { return std::exp(uniform(std::log(lo), std::log(hi))); }
  double sign() { return unit() < 0.5 ? -1.0 : 1.0; }

 private:
  std::mt19937_64 gen_;
};

bool is_integer(double v) { return std::nearbyint(v) == v; }

using Generator = void (*)(Draw&, ArgSet&);

struct SetRecipe {
  const char* id;
  const char* description;
  Generator draw_one;  // appends one argument to each column the set uses
};

// The open intervals exclude their ends, and the gamma sets leave out
// integers (for the float functions, values that round to one).
const SetRecipe kMainSets[] = {
    {"u6", "x ~ U[-6, 6]", [](Draw& d, ArgSet& s) { s.c0.push_back(d.uniform(-6, 6)); }},
    {"logpm", "x = ±t, t log-uniform on [1e-10, 30]",
     [](Draw& d, ArgSet& s) { s.c0.push_back(d.sign() * d.log_uniform(1e-10, 30)); }},
    {"0-170", "x ~ U(0, 170)",
     [](Draw& d, ArgSet& s) {
       double x;
       do x = d.uniform(0, 170); while (x == 0 || is_integer(x));
       s.c0.push_back(x);
     }},
    {"0-35", "x ~ U(0, 35)",
     [](Draw& d, ArgSet& s) {
       double x;
       do x = d.uniform(0, 35); while (x == 0 || is_integer(static_cast<float>(x)));
       s.c0.push_back(x);
     }},
    {"nonint20", "x ~ U(-20, 20), integers excluded",
     [](Draw& d, ArgSet& s) {
       double x;
       do x = d.uniform(-20, 20); while (is_integer(static_cast<float>(x)));
       s.c0.push_back(x);
     }},
    {"log1e8", "x log-uniform on [1e-8, 1e8]",
     [](Draw& d, ArgSet& s) { s.c0.push_back(d.log_uniform(1e-8, 1e8)); }},
    {"c30", "z = x + iy, x ~ U[-30, 30], y ~ U[-10, 10]",
     [](Draw& d, ArgSet& s) {
       s.c0.push_back(d.uniform(-30, 30));
       s.c1.push_back(d.uniform(-10, 10));
     }},
    {"c18-140", "z = x + iy, x ~ U[18, 140], y ~ U[-10, 10]",
     [](Draw& d, ArgSet& s) {
       s.c0.push_back(d.uniform(18, 140));
       s.c1.push_back(d.uniform(-10, 10));
     }},
    {"igam", "a log-uniform on [0.1, 1000], x = a·U[0.2, 3]",
     [](Draw& d, ArgSet& s) {
       const double a = d.log_uniform(0.1, 1000);
       s.c0.push_back(a);
       s.c1.push_back(a * d.uniform(0.2, 3));
     }},
    {"ibeta", "a, b log-uniform on [0.1, 1000], x ~ U(0, 1)",
     [](Draw& d, ArgSet& s) {
       s.c0.push_back(d.log_uniform(0.1, 1000));
       s.c1.push_back(d.log_uniform(0.1, 1000));
       double x;
       do x = d.unit(); while (x == 0);
       s.c2.push_back(x);
     }},
};

// The inverses' sets, drawn after all the others so that adding them moved no
// other set's arguments. Targets of the gamma and beta inverses are p = t or
// 1 - t, equally often, with t log-uniform on [1e-300, 1): both tails down
// to 1e-300 and up to 1 - 2^-53.
double tail_target(Draw& d) {
  for (;;) {
    const double t = d.log_uniform(1e-300, 1);
    const double p = d.unit() < 0.5 ? t : 1 - t;
    if (p > 0 && p < 1) return p;
  }
}

const SetRecipe kInverseSets[] = {
    {"p-1-1", "p ~ U(-1, 1)",
     [](Draw& d, ArgSet& s) {
       double p;
       do p = d.uniform(-1, 1); while (p <= -1);
       s.c0.push_back(p);
     }},
    {"q0-2", "q = t or 2 - t (< 2), t log-uniform on [1e-300, 1)",
     [](Draw& d, ArgSet& s) {
       for (;;) {
         const double t = d.log_uniform(1e-300, 1);
         const double q = d.unit() < 0.5 ? t : 2 - t;
         if (q < 2) {
           s.c0.push_back(q);
           return;
         }
       }
     }},
    {"igaminv", "a log-uniform on [0.1, 1000]; p = t or 1 - t, t log-uniform on [1e-300, 1)",
     [](Draw& d, ArgSet& s) {
       s.c0.push_back(d.log_uniform(0.1, 1000));
       s.c1.push_back(tail_target(d));
     }},
    {"ibetainv", "a, b log-uniform on [0.1, 1000]; p = t or 1 - t, t log-uniform on [1e-300, 1)",
     [](Draw& d, ArgSet& s) {
       s.c0.push_back(d.log_uniform(0.1, 1000));
       s.c1.push_back(d.log_uniform(0.1, 1000));
       s.c2.push_back(tail_target(d));
     }},
    // One distribution's quantiles: the parameters shared by every element
    // (the array versions take them with increment 0).
    {"igaminv-a4.5", "a = 4.5 for every element; p as above",
     [](Draw& d, ArgSet& s) {
       s.c0.push_back(4.5);
       s.c1.push_back(tail_target(d));
     }},
    {"ibetainv-2.5-7", "a = 2.5, b = 7 for every element; p as above",
     [](Draw& d, ArgSet& s) {
       s.c0.push_back(2.5);
       s.c1.push_back(7);
       s.c2.push_back(tail_target(d));
     }},
};

// The distributions' sets, drawn after the inverses' ones. Each family has
// two: its arguments x with the parameters (for pdf, logpdf, cdf and sf) and
// its probabilities with parameters drawn the same way (for quantile and
// isf). x is an approximate quantile of the member at a standard normal
// deviate z, half the time in the body (|z| < 3) and half in the tails (out
// to |z| = 38, where the normal tail is 1e-316), so that every operation is
// timed on the arguments a caller meets as well as on the far ones.
double deviate(Draw& d) {
  const double t = d.unit() < 0.5 ? d.uniform(0, 3) : d.uniform(3, 38);
  return d.sign() * t;
}

// p = t or 1 - t equally often, t ~ U(0, 0.5) (body) or log-uniform on
// [1e-300, 1e-3] (tails) equally often; 0 and 1 excluded.
double probability(Draw& d) {
  for (;;) {
    const double t = d.unit() < 0.5 ? d.uniform(0, 0.5) : d.log_uniform(1e-300, 1e-3);
    const double p = d.unit() < 0.5 ? t : 1 - t;
    if (p > 0 && p < 1) return p;
  }
}

// Wilson and Hilferty's cube: the gamma quantile at z, its base held above
// 1e-3 where z is far below the mean.
double wilson_hilferty(double shape, double scale, double z) {
  const double c = std::max(1 - 1 / (9 * shape) + z / (3 * std::sqrt(shape)), 1e-3);
  return shape * scale * c * c * c;
}

// An integer count at the Cornish-Fisher quantile mean + sd z + sd skewness
// (z^2 - 1)/6, within [0, top].
double count_at(double mean, double sd, double skewness, double z, double top) {
  const double k = std::floor(mean + sd * (z + skewness * (z * z - 1) / 6) + 0.5);
  return std::min(std::max(k, 0.0), top);
}

struct FamilyRecipe {
  const char* family;
  const char* parameters;  // how the parameters are drawn
  const char* x;           // how x follows from them and z
  void (*draw_parameters)(Draw&, double* a, double* b);
  // x at the deviate z; NaN asks for another z.
  double (*x_at)(double a, double b, double z);
  bool two_parameters;
};

const FamilyRecipe kFamilies[] = {
    {"norm", "mu ~ U[-10, 10], sigma log-uniform on [0.1, 10]", "x = mu + sigma z",
     [](Draw& d, double* mu, double* sigma) {
       *mu = d.uniform(-10, 10);
       *sigma = d.log_uniform(0.1, 10);
     },
     [](double mu, double sigma, double z) { return mu + sigma * z; }, true},
    {"chisq", "k log-uniform on [0.5, 500]", "x the Wilson-Hilferty quantile at z",
     [](Draw& d, double* k, double*) { *k = d.log_uniform(0.5, 500); },
     [](double k, double, double z) { return wilson_hilferty(k / 2, 2, z); }, false},
    {"gamma", "shape log-uniform on [0.1, 1000], scale on [0.1, 10] likewise", "x the Wilson-Hilferty quantile at z",
     [](Draw& d, double* shape, double* scale) {
       *shape = d.log_uniform(0.1, 1000);
       *scale = d.log_uniform(0.1, 10);
     },
     [](double shape, double scale, double z) { return wilson_hilferty(shape, scale, z); }, true},
    {"beta", "a, b log-uniform on [0.1, 1000]", "logit x = log(a/b) + z sqrt(1/a + 1/b), 0 < x < 1",
     [](Draw& d, double* a, double* b) {
       *a = d.log_uniform(0.1, 1000);
       *b = d.log_uniform(0.1, 1000);
     },
     [](double a, double b, double z) {
       const double x = 1 / (1 + std::exp(-(std::log(a / b) + z * std::sqrt(1 / a + 1 / b))));
       return x > 0 && x < 1 ? x : std::nan("");
     },
     true},
    {"t", "nu log-uniform on [0.5, 1000]", "x = z + (z^3 + z)/(4 nu)",
     [](Draw& d, double* nu, double*) { *nu = d.log_uniform(0.5, 1000); },
     [](double nu, double, double z) { return z + (z * z * z + z) / (4 * nu); }, false},
    {"f", "d1, d2 log-uniform on [0.5, 1000]", "log x = z sqrt(2/d1 + 2/d2)",
     [](Draw& d, double* d1, double* d2) {
       *d1 = d.log_uniform(0.5, 1000);
       *d2 = d.log_uniform(0.5, 1000);
     },
     [](double d1, double d2, double z) { return std::exp(z * std::sqrt(2 / d1 + 2 / d2)); }, true},
    {"poisson", "lambda log-uniform on [0.1, 1e6]", "k the Cornish-Fisher count at z",
     [](Draw& d, double* lambda, double*) { *lambda = d.log_uniform(0.1, 1e6); },
     [](double lambda, double, double z) {
       return count_at(lambda, std::sqrt(lambda), 1 / std::sqrt(lambda), z, 1e9);
     },
     false},
    {"binom", "n = floor(t), t log-uniform on [1, 1e6]; p ~ U[0.001, 0.999]",
     "k the Cornish-Fisher count at z, 0 <= k <= n",
     [](Draw& d, double* n, double* p) {
       *n = std::floor(d.log_uniform(1, 1e6));
       *p = d.uniform(0.001, 0.999);
     },
     [](double n, double p, double z) {
       const double sd = std::sqrt(n * p * (1 - p));
       return count_at(n * p, sd, (1 - 2 * p) / sd, z, n);
     },
     true},
    {"nbinom", "r log-uniform on [0.5, 1000], p ~ U[0.01, 0.99]", "k the Cornish-Fisher count at z",
     [](Draw& d, double* r, double* p) {
       *r = d.log_uniform(0.5, 1000);
       *p = d.uniform(0.01, 0.99);
     },
     [](double r, double p, double z) {
       const double q = 1 - p;
       return count_at(r * q / p, std::sqrt(r * q) / p, (1 + q) / std::sqrt(r * q), z, 1e9);
     },
     true},
};

std::unique_ptr<ArgSet> family_set(const FamilyRecipe& family, bool probabilities, std::uint64_t stream) {
  auto s = std::make_unique<ArgSet>();
  s->id = std::string(family.family) + (probabilities ? "-p" : "-x");
  s->description = std::string(family.parameters) + "; " +
                   (probabilities ? "target t or 1 - t, t ~ U(0, 0.5) or log-uniform on [1e-300, 1e-3]"
                                  : std::string(family.x) + ", z = ±t, t ~ U[0, 3) or U[3, 38)");
  Draw d(stream);
  for (std::size_t i = 0; i < kDistributionArgs; ++i) {
    double a = 0;
    double b = 0;
    family.draw_parameters(d, &a, &b);
    double x;
    if (probabilities) {
      x = probability(d);
    } else {
      do x = family.x_at(a, b, deviate(d)); while (std::isnan(x));
    }
    s->c0.push_back(x);
    s->c1.push_back(a);
    if (family.two_parameters) s->c2.push_back(b);
  }
  return s;
}

struct MainRow {
  const char* quantity;
  const char* set;
};

const MainRow kMainRows[] = {
    {"erf", "u6"},      {"erf", "logpm"},       {"erfc", "u6"},    {"erfc", "logpm"},
    {"erfcx", "u6"},    {"erfcx", "logpm"},     {"erff", "u6"},    {"erff", "logpm"},
    {"erfcf", "u6"},    {"erfcf", "logpm"},     {"erfcxf", "u6"},  {"erfcxf", "logpm"},
    {"gamma", "0-170"}, {"gamma", "nonint20"},  {"gammaf", "0-35"}, {"gammaf", "nonint20"},
    {"lgamma", "log1e8"}, {"lgamma", "0-170"},  {"lgammaf", "log1e8"}, {"lgammaf", "0-170"},
    {"cgamma", "c30"},  {"clngamma", "c30"},    {"cstirf", "c18-140"},
    {"P", "igam"},      {"Q", "igam"},          {"ibeta", "ibeta"},
};

// The inverses' rows: quantity ROW_inv is the inverse of ROW in its target.
const MainRow kInverseRows[] = {
    {"erf_inv", "p-1-1"},         {"erfc_inv", "q0-2"},          {"P_inv", "igaminv"},
    {"Q_inv", "igaminv"},         {"ibeta_inv", "ibetainv"},     {"ibetac_inv", "ibetainv"},
    {"P_inv", "igaminv-a4.5"},    {"Q_inv", "igaminv-a4.5"},     {"ibeta_inv", "ibetainv-2.5-7"},
    {"ibetac_inv", "ibetainv-2.5-7"},
};

// The cost-against-parameter curves: a (the incomplete gamma functions) or
// a = b (the incomplete betas) at two points a decade from 0.1 to 1e6, x
// at the mean, where the most terms are needed, and away from it. Each point
// jitters the parameter by up to 1 % so that no call repeats exactly.
const double kSweepParameters[] = {0.1, 0.3, 1,   3,   10,  30,  100, 300,
                                   1e3, 3e3, 1e4, 3e4, 1e5, 3e5, 1e6};

struct SweepPlan {
  const char* family;
  const char* where;
  const char* x_description;
  double (*x_of)(double parameter);
};

const SweepPlan kSweeps[] = {
    {"gamma", "near", "x = a", [](double a) { return a; }},
    {"gamma", "away", "x = a/2", [](double a) { return a / 2; }},
    {"beta", "near", "x = 0.5", [](double) { return 0.5; }},
    {"beta", "away", "x = 0.25", [](double) { return 0.25; }},
};

std::string format_parameter(double p) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%g", p);
  return buf;
}

std::unique_ptr<ArgSet> draw_set(const SetRecipe& recipe, std::uint64_t stream) {
  auto s = std::make_unique<ArgSet>();
  s->id = recipe.id;
  s->description = recipe.description;
  Draw d(stream);
  for (std::size_t i = 0; i < kMainArgs; ++i) recipe.draw_one(d, *s);
  for (double v : s->c0) s->f0.push_back(static_cast<float>(v));
  return s;
}

std::unique_ptr<ArgSet> sweep_set(const SweepPlan& plan, double parameter, std::uint64_t stream) {
  auto s = std::make_unique<ArgSet>();
  const bool beta = std::string(plan.family) == "beta";
  s->id = std::string(plan.family) + "-" + plan.where + "@" + format_parameter(parameter);
  s->description = (beta ? "a = b ≈ " : "a ≈ ") + format_parameter(parameter) + ", " + plan.x_description;
  Draw d(stream);
  for (std::size_t i = 0; i < kSweepArgs; ++i) {
    const double a = parameter * (1 + 0.02 * (d.unit() - 0.5));
    s->c0.push_back(a);
    if (beta) {
      s->c1.push_back(a);
      s->c2.push_back(plan.x_of(a));
    } else {
      s->c1.push_back(plan.x_of(a));
    }
  }
  return s;
}

struct Suite {
  std::vector<std::unique_ptr<ArgSet>> sets;
  std::vector<Row> rows;

  Suite() {
    std::uint64_t stream = 0;
    for (const auto& recipe : kMainSets) sets.push_back(draw_set(recipe, stream++));
    for (const auto& r : kMainRows) {
      for (const auto& s : sets) {
        if (s->id == r.set) rows.push_back({r.quantity, s.get(), false});
      }
    }
    for (const auto& plan : kSweeps) {
      for (double p : kSweepParameters) {
        sets.push_back(sweep_set(plan, p, stream++));
        const ArgSet* s = sets.back().get();
        if (std::string(plan.family) == "beta") {
          rows.push_back({"ibeta", s, true});
        } else {
          rows.push_back({"P", s, true});
          rows.push_back({"Q", s, true});
        }
      }
    }
    const std::size_t first_inverse_set = sets.size();
    for (const auto& recipe : kInverseSets) sets.push_back(draw_set(recipe, stream++));
    for (const auto& r : kInverseRows) {
      for (std::size_t k = first_inverse_set; k < sets.size(); ++k) {
        if (sets[k]->id == r.set) rows.push_back({r.quantity, sets[k].get(), false});
      }
    }
    // Every operation of every family: pdf, logpdf, cdf and sf at x, quantile
    // and isf at p.
    for (const auto& family : kFamilies) {
      const std::string prefix = std::string(family.family) + "_";
      sets.push_back(family_set(family, false, stream++));
      for (const char* operation : {"pdf", "logpdf", "cdf", "sf"}) {
        rows.push_back({prefix + operation, sets.back().get(), false});
      }
      sets.push_back(family_set(family, true, stream++));
      for (const char* operation : {"quantile", "isf"}) rows.push_back({prefix + operation, sets.back().get(), false});
    }
  }
};

}  // namespace

const std::vector<Row>& rows() {
  static const Suite suite;
  return suite.rows;
}

}  // namespace bench
