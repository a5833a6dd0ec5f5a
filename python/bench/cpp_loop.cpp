// The C++ baseline of the Python benchmark: a plain loop over contiguous
// arrays calling one exported function, as a C++ user would write it.
// Loaded by bench.py with ctypes; the timing is done there, around one call.
#include <varnel/varnel.hpp>

#include <complex>
#include <cstring>

namespace sf = varnel::specfun;
namespace ce = varnel::cephes;

extern "C" __attribute__((visibility("default"))) int cpp_loop(const char* name, long n,
                                                              const void* a, const void* b,
                                                              const void* c, void* out) {
  const auto* fa = static_cast<const float*>(a);
  const auto* da = static_cast<const double*>(a);
  const auto* db = static_cast<const double*>(b);
  const auto* dc = static_cast<const double*>(c);
  const auto* za = static_cast<const std::complex<double>*>(a);
  auto* fo = static_cast<float*>(out);
  auto* dout = static_cast<double*>(out);
  auto* zo = static_cast<std::complex<double>*>(out);
  const auto is = [name](const char* s) { return std::strcmp(name, s) == 0; };
  if (is("erf/float32")) {
    for (long i = 0; i < n; ++i) fo[i] = sf::s_calerf(fa[i], 0);
  } else if (is("erf/float64")) {
    for (long i = 0; i < n; ++i) dout[i] = sf::d_calerf(da[i], 0);
  } else if (is("gamma/float32")) {
    for (long i = 0; i < n; ++i) fo[i] = sf::s_gamma(fa[i]);
  } else if (is("gamma/float64")) {
    for (long i = 0; i < n; ++i) dout[i] = sf::d_gamma(da[i]);
  } else if (is("gammaln/float64")) {
    for (long i = 0; i < n; ++i) dout[i] = sf::d_lngamma(da[i]);
  } else if (is("loggamma/complex128")) {
    for (long i = 0; i < n; ++i) zo[i] = ce::z_lngamma(za[i]);
  } else if (is("gammainc/float64")) {
    for (long i = 0; i < n; ++i) dout[i] = ce::d_igamma(da[i], db[i]);
  } else if (is("gammaincc/float64")) {
    for (long i = 0; i < n; ++i) dout[i] = ce::d_igamc(da[i], db[i]);
  } else if (is("betainc/float64")) {
    for (long i = 0; i < n; ++i) dout[i] = ce::d_ibeta(da[i], db[i], dc[i]);
  } else if (is("betainc_cf/float64")) {
    for (long i = 0; i < n; ++i) dout[i] = sf::d_ibeta(da[i], db[i], dc[i]);
  } else {
    return -1;
  }
  return 0;
}
