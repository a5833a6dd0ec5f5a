// Throughput of every exported function over a fixed spread of arguments,
// beside the C library's or the standard library's function for the same
// mathematics where one exists. Targets are ratios read off one run, since
// this machine is noisy:
//   - the real functions (gamma, log-gamma, error functions) within 3x of the
//     corresponding libm function;
//   - complex gamma within 3x of one complex power and one complex
//     exponential (the core of its Stirling formula), complex log-gamma
//     within 6x (it makes ten pow and ten sincos calls by design);
//   - the incomplete functions: no target beyond staying in the microseconds
//     for moderate arguments (their cost grows with a and b by design).
#include <benchmark/benchmark.h>

#include <cmath>
#include <complex>
#include <random>
#include <vector>

#include "varnel/varnel.hpp"

namespace {

namespace sf = varnel::specfun;
namespace ce = varnel::cephes;

std::vector<double> spread(double lo, double hi, unsigned seed = 1) {
  std::mt19937_64 gen(seed);
  std::uniform_real_distribution<double> dist(lo, hi);
  std::vector<double> v(1024);
  for (auto& x : v) x = dist(gen);
  return v;
}

template <typename F>
void run_unary(benchmark::State& state, const std::vector<double>& args, F f) {
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(f(args[i]));
    i = (i + 1) & (args.size() - 1);
  }
}

const std::vector<double> kGammaArgs = spread(-20, 170);
const std::vector<double> kLnGammaArgs = spread(1e-3, 1e3);
const std::vector<double> kErfArgs = spread(-6, 6);

void BM_d_gamma(benchmark::State& s) { run_unary(s, kGammaArgs, sf::d_gamma); }
void BM_libm_tgamma(benchmark::State& s) {
  run_unary(s, kGammaArgs, [](double x) { return std::tgamma(x); });
}
void BM_s_gamma(benchmark::State& s) {
  run_unary(s, kGammaArgs, [](double x) { return sf::s_gamma(static_cast<float>(x / 5)); });
}
void BM_libm_tgammaf(benchmark::State& s) {
  run_unary(s, kGammaArgs, [](double x) { return std::tgamma(static_cast<float>(x / 5)); });
}
void BM_d_lngamma(benchmark::State& s) { run_unary(s, kLnGammaArgs, sf::d_lngamma); }
void BM_libm_lgamma(benchmark::State& s) {
  run_unary(s, kLnGammaArgs, [](double x) { return std::lgamma(x); });
}
void BM_s_lngamma(benchmark::State& s) {
  run_unary(s, kLnGammaArgs, [](double x) { return sf::s_lngamma(static_cast<float>(x)); });
}
void BM_d_calerf_erf(benchmark::State& s) {
  run_unary(s, kErfArgs, [](double x) { return sf::d_calerf(x, 0); });
}
void BM_libm_erf(benchmark::State& s) {
  run_unary(s, kErfArgs, [](double x) { return std::erf(x); });
}
void BM_d_calerf_erfc(benchmark::State& s) {
  run_unary(s, kErfArgs, [](double x) { return sf::d_calerf(x, 1); });
}
void BM_libm_erfc(benchmark::State& s) {
  run_unary(s, kErfArgs, [](double x) { return std::erfc(x); });
}
void BM_s_calerf_erf(benchmark::State& s) {
  run_unary(s, kErfArgs, [](double x) { return sf::s_calerf(static_cast<float>(x), 0); });
}

const std::vector<double> kComplexRe = spread(-30, 30, 2);
const std::vector<double> kComplexIm = spread(-10, 10, 3);

template <typename F>
void run_complex(benchmark::State& state, F f) {
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(f(std::complex<double>(kComplexRe[i], kComplexIm[i])));
    i = (i + 1) & 1023;
  }
}
void BM_z_gamma(benchmark::State& s) { run_complex(s, ce::z_gamma); }
void BM_z_lngamma(benchmark::State& s) { run_complex(s, ce::z_lngamma); }
void BM_std_pow_exp(benchmark::State& s) {
  run_complex(s, [](std::complex<double> z) { return std::pow(z, z) * std::exp(z); });
}

const std::vector<double> kShapeA = spread(0.5, 50, 4);
const std::vector<double> kShapeB = spread(0.5, 50, 5);
const std::vector<double> kUnit = spread(0.01, 0.99, 6);

template <typename F>
void run_ternary(benchmark::State& state, F f) {
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(f(kShapeA[i], kShapeB[i], kUnit[i]));
    i = (i + 1) & 1023;
  }
}
void BM_d_igamma(benchmark::State& s) {
  run_ternary(s, [](double a, double b, double) { return ce::d_igamma(a, b); });
}
void BM_d_igamc(benchmark::State& s) {
  run_ternary(s, [](double a, double b, double) { return ce::d_igamc(a, b); });
}
void BM_cephes_d_ibeta(benchmark::State& s) { run_ternary(s, ce::d_ibeta); }
void BM_specfun_d_ibeta(benchmark::State& s) { run_ternary(s, sf::d_ibeta); }

BENCHMARK(BM_d_gamma);
BENCHMARK(BM_libm_tgamma);
BENCHMARK(BM_s_gamma);
BENCHMARK(BM_libm_tgammaf);
BENCHMARK(BM_d_lngamma);
BENCHMARK(BM_libm_lgamma);
BENCHMARK(BM_s_lngamma);
BENCHMARK(BM_d_calerf_erf);
BENCHMARK(BM_libm_erf);
BENCHMARK(BM_d_calerf_erfc);
BENCHMARK(BM_libm_erfc);
BENCHMARK(BM_s_calerf_erf);
BENCHMARK(BM_z_gamma);
BENCHMARK(BM_z_lngamma);
BENCHMARK(BM_std_pow_exp);
BENCHMARK(BM_d_igamma);
BENCHMARK(BM_d_igamc);
BENCHMARK(BM_cephes_d_ibeta);
BENCHMARK(BM_specfun_d_ibeta);

}  // namespace
