// The nine distributions of libvarnel-stats and the peers' versions of the
// same operations, on the same arguments:
//
//   ours: varnel::stats::d_<family>_<operation>, one row per entry of
//   VARNEL_STATS_DISTRIBUTIONS;
//   Boost.Math 1.74's distribution objects, built in every call from the
//   element's parameters as a caller with varying parameters builds them,
//   twice: with the default policy and with the suite's (boost_policy.hpp).
//   pdf, cdf, cdf(complement(...)), quantile and quantile(complement(...));
//   the discrete quantiles with the rounding both policies leave at its
//   default (integer_round_outwards);
//   GSL 2.7's gsl_ran_<family>_pdf and gsl_cdf_<family>_P, _Q, _Pinv and
//   _Qinv; it has no discrete quantiles. Its normal functions have mean 0:
//   they are called at x - mu and their quantiles shifted by mu.
//
// Neither peer has a log density: their logpdf rows are the logarithm of
// their pdf, which is -inf wherever the density underflows.
//
// Every implementation is timed over whole passes of its row's arguments
// (make_pass_kernel), nanoseconds per call: a quantile's cost varies by
// argument as an inverse's does.
#include <gsl/gsl_cdf.h>
#include <gsl/gsl_randist.h>

#include <boost/math/distributions/beta.hpp>
#include <boost/math/distributions/binomial.hpp>
#include <boost/math/distributions/chi_squared.hpp>
#include <boost/math/distributions/fisher_f.hpp>
#include <boost/math/distributions/gamma.hpp>
#include <boost/math/distributions/negative_binomial.hpp>
#include <boost/math/distributions/normal.hpp>
#include <boost/math/distributions/poisson.hpp>
#include <boost/math/distributions/students_t.hpp>
#include <cmath>
#include <string>

#include "boost_policy.hpp"
#include "suite.hpp"
#include "varnel/stats.hpp"

namespace bench {

namespace {

namespace bm = boost::math;

// A kernel of the row's shape from f(x, a, b): (x, a) for the families of
// one parameter, b unused, and (x, a, b) for those of two.
template <int Count, typename F>
Kernel distribution_kernel(F f) {
  if constexpr (Count == 1) {
    return pair_pass_kernel([f](double x, double a) { return f(x, a, 0.0); });
  } else {
    return triple_pass_kernel(f);
  }
}

// Boost's six rows of one family with one policy; source names the policy.
template <template <class, class> class Dist, int Count, typename Policy>
void add_boost(std::vector<Implementation>& out, const std::string& family, const char* source,
               const std::string& name) {
  constexpr auto dist = [](double a, double b) {
    if constexpr (Count == 1) {
      return Dist<double, Policy>(a);
    } else {
      return Dist<double, Policy>(a, b);
    }
  };
  out.push_back({family + "_pdf", source, "pdf(" + name + ")",
                 distribution_kernel<Count>([dist](double x, double a, double b) {
                   return catching([&] { return bm::pdf(dist(a, b), x); });
                 })});
  out.push_back({family + "_logpdf", source, "log(pdf(" + name + "))",
                 distribution_kernel<Count>([dist](double x, double a, double b) {
                   return catching([&] { return std::log(bm::pdf(dist(a, b), x)); });
                 })});
  out.push_back({family + "_cdf", source, "cdf(" + name + ")",
                 distribution_kernel<Count>([dist](double x, double a, double b) {
                   return catching([&] { return bm::cdf(dist(a, b), x); });
                 })});
  out.push_back({family + "_sf", source, "cdf(complement(" + name + "))",
                 distribution_kernel<Count>([dist](double x, double a, double b) {
                   return catching([&] { return bm::cdf(bm::complement(dist(a, b), x)); });
                 })});
  out.push_back({family + "_quantile", source, "quantile(" + name + ")",
                 distribution_kernel<Count>([dist](double p, double a, double b) {
                   return catching([&] { return bm::quantile(dist(a, b), p); });
                 })});
  out.push_back({family + "_isf", source, "quantile(complement(" + name + "))",
                 distribution_kernel<Count>([dist](double q, double a, double b) {
                   return catching([&] { return bm::quantile(bm::complement(dist(a, b), q)); });
                 })});
}

template <template <class, class> class Dist, int Count>
void add_boost(std::vector<Implementation>& out, const std::string& family, const std::string& name) {
  add_boost<Dist, Count, bm::policies::policy<>>(out, family, "boost_default", name);
  add_boost<Dist, Count, BoostPolicy>(out, family, "boost", name);
}

// GSL's density (as pdf and as log of it), lower and upper tail of one
// family: gsl_ran_<ran>_pdf, gsl_cdf_<cdf>_P and _Q.
template <int Count, typename Pdf, typename Lower, typename Upper>
void add_gsl(std::vector<Implementation>& out, const std::string& family, const std::string& ran,
             const std::string& cdf, Pdf pdf, Lower lower, Upper upper) {
  const std::string pdf_name = "gsl_ran_" + ran + "_pdf";
  out.push_back({family + "_pdf", "gsl", pdf_name, distribution_kernel<Count>(pdf)});
  out.push_back({family + "_logpdf", "gsl", "log(" + pdf_name + ")",
                 distribution_kernel<Count>(
                     [pdf](double x, double a, double b) { return std::log(pdf(x, a, b)); })});
  out.push_back({family + "_cdf", "gsl", "gsl_cdf_" + cdf + "_P", distribution_kernel<Count>(lower)});
  out.push_back({family + "_sf", "gsl", "gsl_cdf_" + cdf + "_Q", distribution_kernel<Count>(upper)});
}

// GSL's quantiles of a continuous family: gsl_cdf_<cdf>_Pinv and _Qinv.
template <int Count, typename Quantile, typename Isf>
void add_gsl_quantiles(std::vector<Implementation>& out, const std::string& family, const std::string& cdf,
                       Quantile quantile, Isf isf) {
  out.push_back({family + "_quantile", "gsl", "gsl_cdf_" + cdf + "_Pinv", distribution_kernel<Count>(quantile)});
  out.push_back({family + "_isf", "gsl", "gsl_cdf_" + cdf + "_Qinv", distribution_kernel<Count>(isf)});
}

// GSL's discrete functions take the count and n as unsigned integers; the
// rows' counts are integers below 2^32.
unsigned as_unsigned(double k) { return static_cast<unsigned>(k); }

}  // namespace

std::vector<Implementation> distribution_implementations() {
  namespace st = varnel::stats;
  std::vector<Implementation> out = {
#define VARNEL_BENCH_DISTRIBUTION(family, operation, sig, count)                                          \
  {#family "_" #operation, "varnel", "d_" #family "_" #operation,                                           \
   distribution_kernel<count>([](double x, double a, [[maybe_unused]] double b) {                           \
     return st::d_##family##_##operation VARNEL_STATS_ARGS_##sig;                                           \
   })},
      VARNEL_STATS_DISTRIBUTIONS(VARNEL_BENCH_DISTRIBUTION)
#undef VARNEL_BENCH_DISTRIBUTION
  };

  add_boost<bm::normal_distribution, 2>(out, "norm", "normal");
  add_boost<bm::chi_squared_distribution, 1>(out, "chisq", "chi_squared");
  add_boost<bm::gamma_distribution, 2>(out, "gamma", "gamma_distribution");
  add_boost<bm::beta_distribution, 2>(out, "beta", "beta_distribution");
  add_boost<bm::students_t_distribution, 1>(out, "t", "students_t");
  add_boost<bm::fisher_f_distribution, 2>(out, "f", "fisher_f");
  add_boost<bm::poisson_distribution, 1>(out, "poisson", "poisson");
  add_boost<bm::binomial_distribution, 2>(out, "binom", "binomial");
  add_boost<bm::negative_binomial_distribution, 2>(out, "nbinom", "negative_binomial");

  add_gsl<2>(
      out, "norm", "gaussian", "gaussian",
      [](double x, double mu, double sigma) { return gsl_ran_gaussian_pdf(x - mu, sigma); },
      [](double x, double mu, double sigma) { return gsl_cdf_gaussian_P(x - mu, sigma); },
      [](double x, double mu, double sigma) { return gsl_cdf_gaussian_Q(x - mu, sigma); });
  add_gsl_quantiles<2>(
      out, "norm", "gaussian",
      [](double p, double mu, double sigma) { return mu + gsl_cdf_gaussian_Pinv(p, sigma); },
      [](double q, double mu, double sigma) { return mu + gsl_cdf_gaussian_Qinv(q, sigma); });
  add_gsl<1>(
      out, "chisq", "chisq", "chisq", [](double x, double k, double) { return gsl_ran_chisq_pdf(x, k); },
      [](double x, double k, double) { return gsl_cdf_chisq_P(x, k); },
      [](double x, double k, double) { return gsl_cdf_chisq_Q(x, k); });
  add_gsl_quantiles<1>(
      out, "chisq", "chisq", [](double p, double k, double) { return gsl_cdf_chisq_Pinv(p, k); },
      [](double q, double k, double) { return gsl_cdf_chisq_Qinv(q, k); });
  add_gsl<2>(
      out, "gamma", "gamma", "gamma", [](double x, double k, double s) { return gsl_ran_gamma_pdf(x, k, s); },
      [](double x, double k, double s) { return gsl_cdf_gamma_P(x, k, s); },
      [](double x, double k, double s) { return gsl_cdf_gamma_Q(x, k, s); });
  add_gsl_quantiles<2>(
      out, "gamma", "gamma", [](double p, double k, double s) { return gsl_cdf_gamma_Pinv(p, k, s); },
      [](double q, double k, double s) { return gsl_cdf_gamma_Qinv(q, k, s); });
  add_gsl<2>(
      out, "beta", "beta", "beta", [](double x, double a, double b) { return gsl_ran_beta_pdf(x, a, b); },
      [](double x, double a, double b) { return gsl_cdf_beta_P(x, a, b); },
      [](double x, double a, double b) { return gsl_cdf_beta_Q(x, a, b); });
  add_gsl_quantiles<2>(
      out, "beta", "beta", [](double p, double a, double b) { return gsl_cdf_beta_Pinv(p, a, b); },
      [](double q, double a, double b) { return gsl_cdf_beta_Qinv(q, a, b); });
  add_gsl<1>(
      out, "t", "tdist", "tdist", [](double x, double nu, double) { return gsl_ran_tdist_pdf(x, nu); },
      [](double x, double nu, double) { return gsl_cdf_tdist_P(x, nu); },
      [](double x, double nu, double) { return gsl_cdf_tdist_Q(x, nu); });
  add_gsl_quantiles<1>(
      out, "t", "tdist", [](double p, double nu, double) { return gsl_cdf_tdist_Pinv(p, nu); },
      [](double q, double nu, double) { return gsl_cdf_tdist_Qinv(q, nu); });
  add_gsl<2>(
      out, "f", "fdist", "fdist", [](double x, double d1, double d2) { return gsl_ran_fdist_pdf(x, d1, d2); },
      [](double x, double d1, double d2) { return gsl_cdf_fdist_P(x, d1, d2); },
      [](double x, double d1, double d2) { return gsl_cdf_fdist_Q(x, d1, d2); });
  add_gsl_quantiles<2>(
      out, "f", "fdist", [](double p, double d1, double d2) { return gsl_cdf_fdist_Pinv(p, d1, d2); },
      [](double q, double d1, double d2) { return gsl_cdf_fdist_Qinv(q, d1, d2); });
  add_gsl<1>(
      out, "poisson", "poisson", "poisson",
      [](double k, double lambda, double) { return gsl_ran_poisson_pdf(as_unsigned(k), lambda); },
      [](double k, double lambda, double) { return gsl_cdf_poisson_P(as_unsigned(k), lambda); },
      [](double k, double lambda, double) { return gsl_cdf_poisson_Q(as_unsigned(k), lambda); });
  add_gsl<2>(
      out, "binom", "binomial", "binomial",
      [](double k, double n, double p) { return gsl_ran_binomial_pdf(as_unsigned(k), p, as_unsigned(n)); },
      [](double k, double n, double p) { return gsl_cdf_binomial_P(as_unsigned(k), p, as_unsigned(n)); },
      [](double k, double n, double p) { return gsl_cdf_binomial_Q(as_unsigned(k), p, as_unsigned(n)); });
  add_gsl<2>(
      out, "nbinom", "negative_binomial", "negative_binomial",
      [](double k, double r, double p) { return gsl_ran_negative_binomial_pdf(as_unsigned(k), p, r); },
      [](double k, double r, double p) { return gsl_cdf_negative_binomial_P(as_unsigned(k), p, r); },
      [](double k, double r, double p) { return gsl_cdf_negative_binomial_Q(as_unsigned(k), p, r); });
  return out;
}

}  // namespace bench
