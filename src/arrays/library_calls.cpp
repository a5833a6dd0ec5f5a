// What the array kernels take from libvarnel.so.0. The steps' code calls the
// library's gamma and log-gamma through internal names, bound directly inside
// libvarnel.so.0; compiled into another object, those names are defined here
// as calls of the exported functions, which compute the same values. The
// kernels also call the exported functions themselves (arrays::single, see
// single_calls.hpp). The AVX build of the kernels (token varnel renamed
// varnel_avx) gets the same, and its own copy of the one exported constant
// the steps read.
#include "arrays/single_calls.hpp"
#include "internal.hpp"
#include "varnel/varnel.hpp"

// The exported functions under the kernels' names, for one build's namespace.
#define VARNEL_SINGLE_CALL(ns, name, sig)                          \
  VARNEL_RESULT_##sig ns##_##name VARNEL_PARAMS_##sig noexcept { \
    return ::varnel::ns::name VARNEL_ARGS_##sig;                   \
  }
#define VARNEL_SINGLE_CALLS(isa_namespace)                 \
  namespace isa_namespace::arrays::single {                \
  VARNEL_ARRAY_KERNELS(VARNEL_SINGLE_CALL)                 \
  }
VARNEL_SINGLE_CALLS(varnel)

namespace varnel::detail {

double real_gamma(double x) noexcept { return specfun::d_gamma(x); }
double real_lngamma(double x) noexcept { return specfun::d_lngamma(x); }

}  // namespace varnel::detail

#if defined(__x86_64__) && defined(VARNEL_ARRAYS_AVX)
namespace varnel_avx::detail {

[[gnu::visibility("hidden")]] double real_gamma(double x) noexcept {
  return varnel::specfun::d_gamma(x);
}
[[gnu::visibility("hidden")]] double real_lngamma(double x) noexcept {
  return varnel::specfun::d_lngamma(x);
}

}  // namespace varnel_avx::detail

#define VARNEL_ISA_NAMESPACE varnel_avx
#include "arrays/single_calls.hpp"
#undef VARNEL_ISA_NAMESPACE
VARNEL_SINGLE_CALLS(varnel_avx)

namespace varnel_avx::cephes {

[[gnu::visibility("hidden")]] extern const double D_MACHEP;
const double D_MACHEP = varnel::detail::kMachEp;

}  // namespace varnel_avx::cephes
#endif

#undef VARNEL_SINGLE_CALLS
#undef VARNEL_SINGLE_CALL
