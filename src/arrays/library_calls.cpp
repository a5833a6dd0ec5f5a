// What the array kernels take from libvarnel.so.0. The steps' code calls the
// library's gamma and log-gamma through internal names, bound directly inside
// libvarnel.so.0; compiled into another object, those names are defined here
// as calls of the exported functions, which compute the same values. The AVX
// build of the kernels (token varnel renamed varnel_avx) gets the same, and
// its own copy of the one exported constant the steps read.
#include "internal.hpp"
#include "varnel/varnel.hpp"

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

namespace varnel_avx::cephes {

[[gnu::visibility("hidden")]] extern const double D_MACHEP;
const double D_MACHEP = varnel::detail::kMachEp;

}  // namespace varnel_avx::cephes
#endif
