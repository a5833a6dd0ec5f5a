// The inverse functions of libvarnel-stats and the peers' inverses of the
// same quantities, on the same arguments:
//
//   Boost.Math 1.74, twice: with its default policy (double promoted to long
//   double inside; errors thrown) and with the suite's policy (no promotion,
//   errors ignored, though its root finders still throw); exceptions are
//   caught here and counted, the result being NaN;
//   GSL 2.7's cumulative distribution inverses, gamma with scale 1 and beta;
//   for erf_inv and erfc_inv, which GSL lacks, its standard normal quantiles
//   mapped: erf_inv(p) = Pinv((p + 1)/2)/sqrt(2), erfc_inv(q) =
//   Qinv(q/2)/sqrt(2).
//
// Every implementation is timed over whole passes of its row's arguments
// (make_pass_kernel), nanoseconds per call.
#include <gsl/gsl_cdf.h>
#include <math.h>

#include <boost/math/special_functions/beta.hpp>
#include <boost/math/special_functions/erf.hpp>
#include <boost/math/special_functions/gamma.hpp>

#include "boost_policy.hpp"
#include "suite.hpp"
#include "varnel/stats.hpp"

namespace bench {

std::vector<Implementation> inverse_implementations() {
  namespace bm = boost::math;
  namespace st = varnel::stats;
  constexpr const BoostPolicy& kPolicy = kBoostPolicy;
  return {
      {"erf_inv", "varnel", "d_erf_inv", real_pass_kernel([](double p) { return st::d_erf_inv(p); })},
      {"erf_inv", "boost_default", "erf_inv",
       real_pass_kernel([](double p) { return catching([p] { return bm::erf_inv(p); }); })},
      {"erf_inv", "boost", "erf_inv", real_pass_kernel([](double p) { return catching([=] { return bm::erf_inv(p, kPolicy); }); })},
      {"erf_inv", "gsl", "gsl_cdf_ugaussian_Pinv((p+1)/2)/√2",
       real_pass_kernel([](double p) { return gsl_cdf_ugaussian_Pinv((p + 1) / 2) / M_SQRT2; })},
      {"erfc_inv", "varnel", "d_erfc_inv", real_pass_kernel([](double q) { return st::d_erfc_inv(q); })},
      {"erfc_inv", "boost_default", "erfc_inv",
       real_pass_kernel([](double q) { return catching([q] { return bm::erfc_inv(q); }); })},
      {"erfc_inv", "boost", "erfc_inv", real_pass_kernel([](double q) { return catching([=] { return bm::erfc_inv(q, kPolicy); }); })},
      {"erfc_inv", "gsl", "gsl_cdf_ugaussian_Qinv(q/2)/√2",
       real_pass_kernel([](double q) { return gsl_cdf_ugaussian_Qinv(q / 2) / M_SQRT2; })},
      {"P_inv", "varnel", "d_igamma_inv", pair_pass_kernel([](double a, double p) { return st::d_igamma_inv(a, p); })},
      {"P_inv", "boost_default", "gamma_p_inv",
       pair_pass_kernel([](double a, double p) { return catching([a, p] { return bm::gamma_p_inv(a, p); }); })},
      {"P_inv", "boost", "gamma_p_inv",
       pair_pass_kernel([](double a, double p) { return catching([=] { return bm::gamma_p_inv(a, p, kPolicy); }); })},
      {"P_inv", "gsl", "gsl_cdf_gamma_Pinv",
       pair_pass_kernel([](double a, double p) { return gsl_cdf_gamma_Pinv(p, a, 1.0); })},
      {"Q_inv", "varnel", "d_igamc_inv", pair_pass_kernel([](double a, double q) { return st::d_igamc_inv(a, q); })},
      {"Q_inv", "boost_default", "gamma_q_inv",
       pair_pass_kernel([](double a, double q) { return catching([a, q] { return bm::gamma_q_inv(a, q); }); })},
      {"Q_inv", "boost", "gamma_q_inv",
       pair_pass_kernel([](double a, double q) { return catching([=] { return bm::gamma_q_inv(a, q, kPolicy); }); })},
      {"Q_inv", "gsl", "gsl_cdf_gamma_Qinv",
       pair_pass_kernel([](double a, double q) { return gsl_cdf_gamma_Qinv(q, a, 1.0); })},
      {"ibeta_inv", "varnel", "d_ibeta_inv",
       triple_pass_kernel([](double a, double b, double p) { return st::d_ibeta_inv(a, b, p); })},
      {"ibeta_inv", "boost_default", "ibeta_inv", triple_pass_kernel([](double a, double b, double p) {
         return catching([a, b, p] { return bm::ibeta_inv(a, b, p); });
       })},
      {"ibeta_inv", "boost", "ibeta_inv",
       triple_pass_kernel([](double a, double b, double p) { return catching([=] { return bm::ibeta_inv(a, b, p, kPolicy); }); })},
      {"ibeta_inv", "gsl", "gsl_cdf_beta_Pinv",
       triple_pass_kernel([](double a, double b, double p) { return gsl_cdf_beta_Pinv(p, a, b); })},
      {"ibetac_inv", "varnel", "d_ibetac_inv",
       triple_pass_kernel([](double a, double b, double q) { return st::d_ibetac_inv(a, b, q); })},
      {"ibetac_inv", "boost_default", "ibetac_inv", triple_pass_kernel([](double a, double b, double q) {
         return catching([a, b, q] { return bm::ibetac_inv(a, b, q); });
       })},
      {"ibetac_inv", "boost", "ibetac_inv",
       triple_pass_kernel([](double a, double b, double q) { return catching([=] { return bm::ibetac_inv(a, b, q, kPolicy); }); })},
      {"ibetac_inv", "gsl", "gsl_cdf_beta_Qinv",
       triple_pass_kernel([](double a, double b, double q) { return gsl_cdf_beta_Qinv(q, a, b); })},
  };
}

}  // namespace bench
