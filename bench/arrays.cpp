// Our functions over whole argument sets through the C interface: a loop of
// scalar calls into an array, and one call of the array version, over the
// same arguments (see ArrayImplementation in suite.hpp).
#include <complex>
#include <cstdio>
#include <cstring>
#include <vector>

#include "suite.hpp"
#include "varnel/stats.h"
#include "varnel/varnel.h"

namespace bench {
namespace {

// The arguments of a set in the form the C functions take them: the double
// columns as they are, the float column, and (Re z, Im z) as complex numbers.
template <typename Y>
struct Columns {
  const ArgSet* set;
  std::vector<std::complex<double>> z;
  std::vector<Y> y;

  explicit Columns(const ArgSet& a) : set(&a), y(a.size()) {
    if (!a.c1.empty()) {
      for (std::size_t i = 0; i < a.size(); ++i) z.emplace_back(a.c0[i], a.c1[i]);
    }
  }
};

// loop(columns, n) and array(columns, n) fill columns.y; Y is the result type.
template <typename Y, typename Loop, typename Array>
ArrayImplementation make(const char* quantity, const char* name, Loop loop, Array array) {
  ArrayImplementation impl;
  impl.quantity = quantity;
  impl.name = name;
  impl.loop = [loop](benchmark::State& state, const ArgSet& a) {
    Columns<Y> c(a);
    const auto n = static_cast<benchmark::IterationCount>(a.size());
    while (state.KeepRunningBatch(n)) {
      loop(c, a.size());
      benchmark::DoNotOptimize(c.y.data());
      benchmark::ClobberMemory();
    }
  };
  impl.array = [array](benchmark::State& state, const ArgSet& a) {
    Columns<Y> c(a);
    const auto n = static_cast<benchmark::IterationCount>(a.size());
    while (state.KeepRunningBatch(n)) {
      array(c, a.size());
      benchmark::DoNotOptimize(c.y.data());
      benchmark::ClobberMemory();
    }
  };
  impl.check = [loop, array, name](const ArgSet& a) -> std::string {
    Columns<Y> scalar(a);
    Columns<Y> arrayed(a);
    loop(scalar, a.size());
    array(arrayed, a.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
      if (std::memcmp(&scalar.y[i], &arrayed.y[i], sizeof(Y)) != 0) {
        char buf[160];
        std::snprintf(buf, sizeof buf, "%s: argument %zu (%a, %a, %a)", name, i, a.c0[i],
                      a.c1.empty() ? 0.0 : a.c1[i], a.c2.empty() ? 0.0 : a.c2[i]);
        return buf;
      }
    }
    return "";
  };
  return impl;
}

template <typename Y>
using C = Columns<Y>;

// The increment of a parameter column: 0 where every element has the same
// value (one distribution's quantiles), so that the array version is called
// as such a caller would.
std::ptrdiff_t inc_of(const std::vector<double>& column) {
  for (double v : column) {
    if (v != column.front()) return 1;
  }
  return 0;
}

}  // namespace

std::vector<ArrayImplementation> array_implementations() {
  using Z = std::complex<double>;
  return {
      make<double>("erf", "d_calerf(x, 0)",
                   [](C<double>& c, std::size_t n) {
                     for (std::size_t i = 0; i < n; ++i) c.y[i] = varnel_specfun_d_calerf(c.set->c0[i], 0);
                   },
                   [](C<double>& c, std::size_t n) {
                     varnel_specfun_d_calerf_array(n, c.set->c0.data(), 1, 0, c.y.data(), 1);
                   }),
      make<double>("erfc", "d_calerf(x, 1)",
                   [](C<double>& c, std::size_t n) {
                     for (std::size_t i = 0; i < n; ++i) c.y[i] = varnel_specfun_d_calerf(c.set->c0[i], 1);
                   },
                   [](C<double>& c, std::size_t n) {
                     varnel_specfun_d_calerf_array(n, c.set->c0.data(), 1, 1, c.y.data(), 1);
                   }),
      make<double>("erfcx", "d_calerf(x, 2)",
                   [](C<double>& c, std::size_t n) {
                     for (std::size_t i = 0; i < n; ++i) c.y[i] = varnel_specfun_d_calerf(c.set->c0[i], 2);
                   },
                   [](C<double>& c, std::size_t n) {
                     varnel_specfun_d_calerf_array(n, c.set->c0.data(), 1, 2, c.y.data(), 1);
                   }),
      make<float>("erff", "s_calerf(x, 0)",
                  [](C<float>& c, std::size_t n) {
                    for (std::size_t i = 0; i < n; ++i) c.y[i] = varnel_specfun_s_calerf(c.set->f0[i], 0);
                  },
                  [](C<float>& c, std::size_t n) {
                    varnel_specfun_s_calerf_array(n, c.set->f0.data(), 1, 0, c.y.data(), 1);
                  }),
      make<float>("erfcf", "s_calerf(x, 1)",
                  [](C<float>& c, std::size_t n) {
                    for (std::size_t i = 0; i < n; ++i) c.y[i] = varnel_specfun_s_calerf(c.set->f0[i], 1);
                  },
                  [](C<float>& c, std::size_t n) {
                    varnel_specfun_s_calerf_array(n, c.set->f0.data(), 1, 1, c.y.data(), 1);
                  }),
      make<float>("erfcxf", "s_calerf(x, 2)",
                  [](C<float>& c, std::size_t n) {
                    for (std::size_t i = 0; i < n; ++i) c.y[i] = varnel_specfun_s_calerf(c.set->f0[i], 2);
                  },
                  [](C<float>& c, std::size_t n) {
                    varnel_specfun_s_calerf_array(n, c.set->f0.data(), 1, 2, c.y.data(), 1);
                  }),
      make<double>("gamma", "d_gamma",
                   [](C<double>& c, std::size_t n) {
                     for (std::size_t i = 0; i < n; ++i) c.y[i] = varnel_specfun_d_gamma(c.set->c0[i]);
                   },
                   [](C<double>& c, std::size_t n) {
                     varnel_specfun_d_gamma_array(n, c.set->c0.data(), 1, c.y.data(), 1);
                   }),
      make<float>("gammaf", "s_gamma",
                  [](C<float>& c, std::size_t n) {
                    for (std::size_t i = 0; i < n; ++i) c.y[i] = varnel_specfun_s_gamma(c.set->f0[i]);
                  },
                  [](C<float>& c, std::size_t n) {
                    varnel_specfun_s_gamma_array(n, c.set->f0.data(), 1, c.y.data(), 1);
                  }),
      make<double>("lgamma", "d_lngamma",
                   [](C<double>& c, std::size_t n) {
                     for (std::size_t i = 0; i < n; ++i) c.y[i] = varnel_specfun_d_lngamma(c.set->c0[i]);
                   },
                   [](C<double>& c, std::size_t n) {
                     varnel_specfun_d_lngamma_array(n, c.set->c0.data(), 1, c.y.data(), 1);
                   }),
      make<float>("lgammaf", "s_lngamma",
                  [](C<float>& c, std::size_t n) {
                    for (std::size_t i = 0; i < n; ++i) c.y[i] = varnel_specfun_s_lngamma(c.set->f0[i]);
                  },
                  [](C<float>& c, std::size_t n) {
                    varnel_specfun_s_lngamma_array(n, c.set->f0.data(), 1, c.y.data(), 1);
                  }),
      make<Z>("cgamma", "z_gamma",
              [](C<Z>& c, std::size_t n) {
                for (std::size_t i = 0; i < n; ++i) c.y[i] = varnel_cephes_z_gamma(c.z[i]);
              },
              [](C<Z>& c, std::size_t n) { varnel_cephes_z_gamma_array(n, c.z.data(), 1, c.y.data(), 1); }),
      make<Z>("clngamma", "z_lngamma",
              [](C<Z>& c, std::size_t n) {
                for (std::size_t i = 0; i < n; ++i) c.y[i] = varnel_cephes_z_lngamma(c.z[i]);
              },
              [](C<Z>& c, std::size_t n) {
                varnel_cephes_z_lngamma_array(n, c.z.data(), 1, c.y.data(), 1);
              }),
      make<Z>("cstirf", "cstirf",
              [](C<Z>& c, std::size_t n) {
                for (std::size_t i = 0; i < n; ++i) c.y[i] = varnel_cephes_cstirf(c.z[i]);
              },
              [](C<Z>& c, std::size_t n) { varnel_cephes_cstirf_array(n, c.z.data(), 1, c.y.data(), 1); }),
      make<double>("P", "d_igamma",
                   [](C<double>& c, std::size_t n) {
                     for (std::size_t i = 0; i < n; ++i)
                       c.y[i] = varnel_cephes_d_igamma(c.set->c0[i], c.set->c1[i]);
                   },
                   [](C<double>& c, std::size_t n) {
                     varnel_cephes_d_igamma_array(n, c.set->c0.data(), 1, c.set->c1.data(), 1,
                                                  c.y.data(), 1);
                   }),
      make<double>("Q", "d_igamc",
                   [](C<double>& c, std::size_t n) {
                     for (std::size_t i = 0; i < n; ++i)
                       c.y[i] = varnel_cephes_d_igamc(c.set->c0[i], c.set->c1[i]);
                   },
                   [](C<double>& c, std::size_t n) {
                     varnel_cephes_d_igamc_array(n, c.set->c0.data(), 1, c.set->c1.data(), 1,
                                                 c.y.data(), 1);
                   }),
      make<double>("ibeta", "specfun::d_ibeta",
                   [](C<double>& c, std::size_t n) {
                     for (std::size_t i = 0; i < n; ++i)
                       c.y[i] = varnel_specfun_d_ibeta(c.set->c0[i], c.set->c1[i], c.set->c2[i]);
                   },
                   [](C<double>& c, std::size_t n) {
                     varnel_specfun_d_ibeta_array(n, c.set->c0.data(), 1, c.set->c1.data(), 1,
                                                  c.set->c2.data(), 1, c.y.data(), 1);
                   }),
      make<double>("ibeta", "cephes::d_ibeta",
                   [](C<double>& c, std::size_t n) {
                     for (std::size_t i = 0; i < n; ++i)
                       c.y[i] = varnel_cephes_d_ibeta(c.set->c0[i], c.set->c1[i], c.set->c2[i]);
                   },
                   [](C<double>& c, std::size_t n) {
                     varnel_cephes_d_ibeta_array(n, c.set->c0.data(), 1, c.set->c1.data(), 1,
                                                 c.set->c2.data(), 1, c.y.data(), 1);
                   }),
      // The inverses of libvarnel-stats.
      make<double>("erf_inv", "d_erf_inv",
                   [](C<double>& c, std::size_t n) {
                     for (std::size_t i = 0; i < n; ++i) c.y[i] = varnel_stats_d_erf_inv(c.set->c0[i]);
                   },
                   [](C<double>& c, std::size_t n) {
                     varnel_stats_d_erf_inv_array(n, c.set->c0.data(), 1, c.y.data(), 1);
                   }),
      make<double>("erfc_inv", "d_erfc_inv",
                   [](C<double>& c, std::size_t n) {
                     for (std::size_t i = 0; i < n; ++i) c.y[i] = varnel_stats_d_erfc_inv(c.set->c0[i]);
                   },
                   [](C<double>& c, std::size_t n) {
                     varnel_stats_d_erfc_inv_array(n, c.set->c0.data(), 1, c.y.data(), 1);
                   }),
      make<double>("P_inv", "d_igamma_inv",
                   [](C<double>& c, std::size_t n) {
                     for (std::size_t i = 0; i < n; ++i)
                       c.y[i] = varnel_stats_d_igamma_inv(c.set->c0[i], c.set->c1[i]);
                   },
                   [](C<double>& c, std::size_t n) {
                     varnel_stats_d_igamma_inv_array(n, c.set->c0.data(), inc_of(c.set->c0), c.set->c1.data(),
                                                     1, c.y.data(), 1);
                   }),
      make<double>("Q_inv", "d_igamc_inv",
                   [](C<double>& c, std::size_t n) {
                     for (std::size_t i = 0; i < n; ++i)
                       c.y[i] = varnel_stats_d_igamc_inv(c.set->c0[i], c.set->c1[i]);
                   },
                   [](C<double>& c, std::size_t n) {
                     varnel_stats_d_igamc_inv_array(n, c.set->c0.data(), inc_of(c.set->c0), c.set->c1.data(),
                                                    1, c.y.data(), 1);
                   }),
      make<double>("ibeta_inv", "d_ibeta_inv",
                   [](C<double>& c, std::size_t n) {
                     for (std::size_t i = 0; i < n; ++i)
                       c.y[i] = varnel_stats_d_ibeta_inv(c.set->c0[i], c.set->c1[i], c.set->c2[i]);
                   },
                   [](C<double>& c, std::size_t n) {
                     varnel_stats_d_ibeta_inv_array(n, c.set->c0.data(), inc_of(c.set->c0), c.set->c1.data(),
                                                    inc_of(c.set->c1), c.set->c2.data(), 1, c.y.data(), 1);
                   }),
      make<double>("ibetac_inv", "d_ibetac_inv",
                   [](C<double>& c, std::size_t n) {
                     for (std::size_t i = 0; i < n; ++i)
                       c.y[i] = varnel_stats_d_ibetac_inv(c.set->c0[i], c.set->c1[i], c.set->c2[i]);
                   },
                   [](C<double>& c, std::size_t n) {
                     varnel_stats_d_ibetac_inv_array(n, c.set->c0.data(), inc_of(c.set->c0), c.set->c1.data(),
                                                     inc_of(c.set->c1), c.set->c2.data(), 1, c.y.data(), 1);
                   }),
  };
}

}  // namespace bench
