// Our functions by the quantity they compute. This file is compiled three
// times: against the library, against the benchmark-only build of the same
// sources without the library's layers (the token varnel renamed varnel_bare;
// the include below is a header name and is not renamed), and against the C
// interface, libvarnel-c (VARNEL_BENCH_C_INTERFACE, varnel renamed varnel_c).
// The table names each function as sf::NAME or ce::NAME; for the C interface
// these stand for the C functions varnel_specfun_NAME and varnel_cephes_NAME,
// as constant pointers that the compiler turns into direct calls, so its rows
// time exactly the calls a C program makes.
#include "suite.hpp"

#if defined(VARNEL_BENCH_C_INTERFACE)
#include "varnel/varnel.h"

namespace bench_names {
#define VARNEL_BENCH_C_FUNCTION(ns, name, sig, meaning) \
  namespace ns {                                       \
  constexpr auto name = &varnel_##ns##_##name;         \
  }
VARNEL_FUNCTIONS(VARNEL_BENCH_C_FUNCTION)
#undef VARNEL_BENCH_C_FUNCTION
}  // namespace bench_names
#else
#include "varnel/varnel.hpp"

namespace bench_names {
namespace specfun = varnel::specfun;
namespace cephes = varnel::cephes;
}  // namespace bench_names
#endif

namespace varnel::bench_functions {

std::vector<::bench::Implementation> implementations() {
  namespace sf = ::bench_names::specfun;
  namespace ce = ::bench_names::cephes;
  using ::bench::complex_kernel;
  using ::bench::float_kernel;
  using ::bench::pair_kernel;
  using ::bench::real_kernel;
  using ::bench::triple_kernel;
  using Complex = std::complex<double>;
  return {
      {"erf", "varnel", "d_calerf(x, 0)", real_kernel([](double x) { return sf::d_calerf(x, 0); })},
      {"erfc", "varnel", "d_calerf(x, 1)", real_kernel([](double x) { return sf::d_calerf(x, 1); })},
      {"erfcx", "varnel", "d_calerf(x, 2)", real_kernel([](double x) { return sf::d_calerf(x, 2); })},
      {"erff", "varnel", "s_calerf(x, 0)", float_kernel([](float x) { return sf::s_calerf(x, 0); })},
      {"erfcf", "varnel", "s_calerf(x, 1)", float_kernel([](float x) { return sf::s_calerf(x, 1); })},
      {"erfcxf", "varnel", "s_calerf(x, 2)", float_kernel([](float x) { return sf::s_calerf(x, 2); })},
      {"gamma", "varnel", "d_gamma", real_kernel([](double x) { return sf::d_gamma(x); })},
      {"gammaf", "varnel", "s_gamma", float_kernel([](float x) { return sf::s_gamma(x); })},
      {"lgamma", "varnel", "d_lngamma", real_kernel([](double x) { return sf::d_lngamma(x); })},
      {"lgammaf", "varnel", "s_lngamma", float_kernel([](float x) { return sf::s_lngamma(x); })},
      {"cgamma", "varnel", "z_gamma", complex_kernel([](Complex z) { return ce::z_gamma(z); })},
      {"clngamma", "varnel", "z_lngamma", complex_kernel([](Complex z) { return ce::z_lngamma(z); })},
      {"cstirf", "varnel", "cstirf", complex_kernel([](Complex z) { return ce::cstirf(z); })},
      {"P", "varnel", "d_igamma", pair_kernel([](double a, double x) { return ce::d_igamma(a, x); })},
      {"Q", "varnel", "d_igamc", pair_kernel([](double a, double x) { return ce::d_igamc(a, x); })},
      {"ibeta", "varnel", "specfun::d_ibeta",
       triple_kernel([](double a, double b, double x) { return sf::d_ibeta(a, b, x); })},
      {"ibeta", "varnel", "cephes::d_ibeta",
       triple_kernel([](double a, double b, double x) { return ce::d_ibeta(a, b, x); })},
  };
}

}  // namespace varnel::bench_functions
