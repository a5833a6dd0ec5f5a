// libvarnel-stats from C++: the functions of <varnel/stats.h> in namespace
// varnel::stats, under the same names without the prefix. Each is an inline
// call of the C function, so both give the same bits; see <varnel/stats.h>
// for what each result satisfies against the forward functions of
// <varnel/varnel.hpp>, and for the edges.
#ifndef VARNEL_STATS_HPP
#define VARNEL_STATS_HPP

#include "varnel/stats.h"

namespace varnel::stats {

// The most evaluations of the forward function that one call makes.
inline constexpr int kMaxEvaluations = VARNEL_STATS_MAX_EVALUATIONS;

#define VARNEL_STATS_CXX_CALL(name, sig, meaning)                                    \
  inline VARNEL_STATS_RESULT_##sig name VARNEL_STATS_PARAMS_##sig noexcept {         \
    return ::varnel_stats_##name VARNEL_STATS_ARGS_##sig;                            \
  }
VARNEL_STATS_FUNCTIONS(VARNEL_STATS_CXX_CALL)
#undef VARNEL_STATS_CXX_CALL

// The distributions: d_norm_cdf(x, mu, sigma), d_chisq_isf(q, k), ...
#define VARNEL_STATS_CXX_DISTRIBUTION(family, op, sig, count)                                \
  inline VARNEL_STATS_RESULT_##sig d_##family##_##op VARNEL_STATS_PARAMS_##sig noexcept {    \
    return ::varnel_stats_d_##family##_##op VARNEL_STATS_ARGS_##sig;                         \
  }
VARNEL_STATS_DISTRIBUTIONS(VARNEL_STATS_CXX_DISTRIBUTION)
#undef VARNEL_STATS_CXX_DISTRIBUTION

}  // namespace varnel::stats

#endif  // VARNEL_STATS_HPP
