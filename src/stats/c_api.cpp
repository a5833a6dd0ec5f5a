// The C functions of libvarnel-stats and their array versions, made from the
// list in <varnel/stats.h>. The header is included first, so a definition
// that differs from its declaration there is an error.
#include <cstddef>

#include "arrays/scalar_loops.hpp"
#include "stats/distributions.hpp"
#include "stats/inverses.hpp"
#include "varnel/stats.h"

namespace {

using varnel::arrays::loop_1;
using varnel::arrays::loop_2;
using varnel::arrays::loop_3;
namespace in = varnel::stats::detail;

// The scalar function behind each exported name.
template <typename R, typename... A>
constexpr auto pick(R (*f)(A...)) noexcept {
  return f;
}
constexpr auto d_erf_inv = pick<double, double>(in::erf_inv);
constexpr auto s_erf_inv = pick<float, float>(in::erf_inv);
constexpr auto d_erfc_inv = pick<double, double>(in::erfc_inv);
constexpr auto s_erfc_inv = pick<float, float>(in::erfc_inv);
constexpr auto d_igamma_inv = in::igamma_inv;
constexpr auto d_igamc_inv = in::igamc_inv;
constexpr auto d_ibeta_inv = in::ibeta_inv;
constexpr auto d_ibetac_inv = in::ibetac_inv;
#define VARNEL_STATS_PICK_DISTRIBUTION(family, op, sig, count) \
  constexpr auto d_##family##_##op = in::family##_##op;
VARNEL_STATS_DISTRIBUTIONS(VARNEL_STATS_PICK_DISTRIBUTION)
#undef VARNEL_STATS_PICK_DISTRIBUTION

}  // namespace

#define VARNEL_STATS_LOOP_SP loop_1
#define VARNEL_STATS_LOOP_DP loop_1
#define VARNEL_STATS_LOOP_DDP loop_2
#define VARNEL_STATS_LOOP_DDDP loop_3

#define VARNEL_STATS_C_FUNCTION(name, sig, meaning)                                        \
  extern "C" VARNEL_STATS_API VARNEL_STATS_RESULT_##sig varnel_stats_##name                \
      VARNEL_STATS_PARAMS_##sig {                                                           \
    return name VARNEL_STATS_ARGS_##sig;                                                    \
  }                                                                                         \
  extern "C" VARNEL_STATS_API void varnel_stats_##name##_array VARNEL_STATS_ARRAY_PARAMS_##sig { \
    VARNEL_STATS_ARRAY_CALL_##sig(VARNEL_STATS_LOOP_##sig<name>);                           \
  }
#define VARNEL_STATS_ARRAY_CALL_SP(loop) loop(n, p, incp, y, incy)
#define VARNEL_STATS_ARRAY_CALL_DP(loop) loop(n, p, incp, y, incy)
#define VARNEL_STATS_ARRAY_CALL_DDP(loop) loop(n, a, inca, p, incp, y, incy)
#define VARNEL_STATS_ARRAY_CALL_DDDP(loop) loop(n, a, inca, b, incb, p, incp, y, incy)
VARNEL_STATS_FUNCTIONS(VARNEL_STATS_C_FUNCTION)

#define VARNEL_STATS_LOOP_XD loop_2
#define VARNEL_STATS_LOOP_XDD loop_3
#define VARNEL_STATS_ARRAY_CALL_XD(loop) loop(n, x, incx, a, inca, y, incy)
#define VARNEL_STATS_ARRAY_CALL_XDD(loop) loop(n, x, incx, a, inca, b, incb, y, incy)
#define VARNEL_STATS_C_DISTRIBUTION(family, op, sig, count) \
  VARNEL_STATS_C_FUNCTION(d_##family##_##op, sig, "")
VARNEL_STATS_DISTRIBUTIONS(VARNEL_STATS_C_DISTRIBUTION)
#undef VARNEL_STATS_C_FUNCTION
#undef VARNEL_STATS_C_DISTRIBUTION
