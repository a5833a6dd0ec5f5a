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
#include <type_traits>

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
  // One row: f(distribution, argument) as the function, caught.
  const auto add = [&](const char* operation, const std::string& function, auto f) {
    out.push_back({family + "_" + operation, source, function,
                   distribution_kernel<Count>([dist, f](double x, double a, double b) {
                     return catching([&] { return f(dist(a, b), x); });
                   })});
  };
  add("pdf", "pdf(" + name + ")", [](const auto& d, double x) { return bm::pdf(d, x); });
  add("logpdf", "log(pdf(" + name + "))", [](const auto& d, double x) { return std::log(bm::pdf(d, x)); });
  add("cdf", "cdf(" + name + ")", [](const auto& d, double x) { return bm::cdf(d, x); });
  add("sf", "cdf(complement(" + name + "))", [](const auto& d, double x) { return bm::cdf(bm::complement(d, x)); });
  add("quantile", "quantile(" + name + ")", [](const auto& d, double p) { return bm::quantile(d, p); });
  add("isf", "quantile(complement(" + name + "))",
      [](const auto& d, double q) { return bm::quantile(bm::complement(d, q)); });
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

// A GSL function of (x, a) or (x, a, b), called as f(x, a, b): a type of
// its own for each function, so that the call inlines into the kernel.
template <auto F>
struct Call {
  static constexpr int kParameters = std::is_invocable_v<decltype(F), double, double> ? 1 : 2;
  double operator()(double x, double a, double b) const {
    if constexpr (kParameters == 1) {
      return F(x, a);
    } else {
      return F(x, a, b);
    }
  }
};

// The six rows of a continuous family whose GSL functions take x and the
// family's parameters as ours do: gsl_ran_<stem>_pdf and gsl_cdf_<stem>_*.
template <auto Pdf, auto Lower, auto Upper, auto Quantile, auto Isf>
void add_gsl_continuous(std::vector<Implementation>& out, const std::string& family, const std::string& stem) {
  constexpr int count = Call<Pdf>::kParameters;
  add_gsl<count>(out, family, stem, stem, Call<Pdf>(), Call<Lower>(), Call<Upper>());
  add_gsl_quantiles<count>(out, family, stem, Call<Quantile>(), Call<Isf>());
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
  add_gsl_continuous<gsl_ran_chisq_pdf, gsl_cdf_chisq_P, gsl_cdf_chisq_Q, gsl_cdf_chisq_Pinv, gsl_cdf_chisq_Qinv>(
      out, "chisq", "chisq");
  add_gsl_continuous<gsl_ran_gamma_pdf, gsl_cdf_gamma_P, gsl_cdf_gamma_Q, gsl_cdf_gamma_Pinv, gsl_cdf_gamma_Qinv>(
      out, "gamma", "gamma");
  add_gsl_continuous<gsl_ran_beta_pdf, gsl_cdf_beta_P, gsl_cdf_beta_Q, gsl_cdf_beta_Pinv, gsl_cdf_beta_Qinv>(
      out, "beta", "beta");
  add_gsl_continuous<gsl_ran_tdist_pdf, gsl_cdf_tdist_P, gsl_cdf_tdist_Q, gsl_cdf_tdist_Pinv, gsl_cdf_tdist_Qinv>(
      out, "t", "tdist");
  add_gsl_continuous<gsl_ran_fdist_pdf, gsl_cdf_fdist_P, gsl_cdf_fdist_Q, gsl_cdf_fdist_Pinv, gsl_cdf_fdist_Qinv>(
      out, "f", "fdist");
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
