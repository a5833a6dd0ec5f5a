// The peers: every function of glibc's mathematics library, Boost.Math and
// GSL that computes the same quantity as one of ours. Boost.Math is called
// with a policy that neither throws nor touches errno and computes float and
// double in their own precision; GSL's error handler is off (main).
#include <gsl/gsl_errno.h>
#include <gsl/gsl_sf_erf.h>
#include <gsl/gsl_sf_gamma.h>
#include <gsl/gsl_version.h>
#include <gnu/libc-version.h>
#include <math.h>

#include <boost/math/special_functions/beta.hpp>
#include <boost/math/special_functions/erf.hpp>
#include <boost/math/special_functions/gamma.hpp>
#include <boost/version.hpp>

#include "boost_policy.hpp"
#include "suite.hpp"

namespace bench {

namespace {

constexpr const BoostPolicy& kPolicy = kBoostPolicy;

}  // namespace

std::vector<std::pair<std::string, std::string>> peer_context() {
  return {
      {"glibc_version", gnu_get_libc_version()},
      {"boost_version", BOOST_LIB_VERSION},
      {"gsl_version", GSL_VERSION},
      {"boost_policy", kBoostPolicyText},
  };
}

std::vector<Implementation> peer_implementations() {
  namespace bm = boost::math;
  using Complex = std::complex<double>;
  return {
      {"erf", "glibc", "erf", real_kernel([](double x) { return ::erf(x); })},
      {"erf", "boost", "erf", real_kernel([](double x) { return bm::erf(x, kPolicy); })},
      {"erf", "gsl", "gsl_sf_erf", real_kernel([](double x) { return gsl_sf_erf(x); })},
      {"erfc", "glibc", "erfc", real_kernel([](double x) { return ::erfc(x); })},
      {"erfc", "boost", "erfc", real_kernel([](double x) { return bm::erfc(x, kPolicy); })},
      {"erfc", "gsl", "gsl_sf_erfc", real_kernel([](double x) { return gsl_sf_erfc(x); })},
      {"erff", "glibc", "erff", float_kernel([](float x) { return ::erff(x); })},
      {"erff", "boost", "erf<float>", float_kernel([](float x) { return bm::erf(x, kPolicy); })},
      {"erfcf", "glibc", "erfcf", float_kernel([](float x) { return ::erfcf(x); })},
      {"erfcf", "boost", "erfc<float>", float_kernel([](float x) { return bm::erfc(x, kPolicy); })},
      {"gamma", "glibc", "tgamma", real_kernel([](double x) { return ::tgamma(x); })},
      {"gamma", "boost", "tgamma", real_kernel([](double x) { return bm::tgamma(x, kPolicy); })},
      {"gamma", "gsl", "gsl_sf_gamma", real_kernel([](double x) { return gsl_sf_gamma(x); })},
      {"gammaf", "glibc", "tgammaf", float_kernel([](float x) { return ::tgammaf(x); })},
      {"gammaf", "boost", "tgamma<float>", float_kernel([](float x) { return bm::tgamma(x, kPolicy); })},
      {"lgamma", "glibc", "lgamma", real_kernel([](double x) { return ::lgamma(x); })},
      {"lgamma", "boost", "lgamma", real_kernel([](double x) { return bm::lgamma(x, kPolicy); })},
      {"lgamma", "gsl", "gsl_sf_lngamma", real_kernel([](double x) { return gsl_sf_lngamma(x); })},
      {"lgammaf", "glibc", "lgammaf", float_kernel([](float x) { return ::lgammaf(x); })},
      {"lgammaf", "boost", "lgamma<float>", float_kernel([](float x) { return bm::lgamma(x, kPolicy); })},
      // log |Gamma(z)| and its argument: the same quantity as ours up to the
      // branch of the imaginary part.
      {"clngamma", "gsl", "gsl_sf_lngamma_complex_e", complex_kernel([](Complex z) {
         gsl_sf_result log_modulus;
         gsl_sf_result arg;
         gsl_sf_lngamma_complex_e(z.real(), z.imag(), &log_modulus, &arg);
         return Complex(log_modulus.val, arg.val);
       })},
      {"P", "boost", "gamma_p", pair_kernel([](double a, double x) { return bm::gamma_p(a, x, kPolicy); })},
      {"P", "gsl", "gsl_sf_gamma_inc_P", pair_kernel([](double a, double x) { return gsl_sf_gamma_inc_P(a, x); })},
      {"Q", "boost", "gamma_q", pair_kernel([](double a, double x) { return bm::gamma_q(a, x, kPolicy); })},
      {"Q", "gsl", "gsl_sf_gamma_inc_Q", pair_kernel([](double a, double x) { return gsl_sf_gamma_inc_Q(a, x); })},
      {"ibeta", "boost", "ibeta",
       triple_kernel([](double a, double b, double x) { return bm::ibeta(a, b, x, kPolicy); })},
      {"ibeta", "gsl", "gsl_sf_beta_inc",
       triple_kernel([](double a, double b, double x) { return gsl_sf_beta_inc(a, b, x); })},
  };
}

}  // namespace bench
