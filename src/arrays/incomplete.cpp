// The array kernels of the incomplete gamma and beta functions.
//
// Every element takes the path of the scalar function, in the same three
// stages (see lanes.hpp and the *_steps.hpp headers): a block of elements is
// planned first, one element after the other (special cases, prefactors:
// independent calls that the processor overlaps), with the prefactors'
// log-gammas a vector at a time (see lngamma_steps.hpp); the elements that
// need a loop are then run four at a time, one per lane, each lane refilled
// with the next element of its kind as soon as its loop ends; last the loop
// values are turned into results and the block's results are stored. The
// block bounds the scratch space (on the stack) and keeps a block's arguments
// read before its results are written, so that y may be an argument array
// itself. A NaN result, but for the step cap's fixed NaN, is taken from the
// exported scalar function (see single_calls.hpp), so that even a NaN's sign
// and payload are those of the single call.
//
// This file is compiled once for the base instruction set and, on x86_64,
// once more for AVX with the token varnel renamed (see isa_kernels.hpp).
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "arrays/single_calls.hpp"
#include "arrays/strided.hpp"
#include "cephes/ibeta_steps.hpp"
#include "cephes/igamma_steps.hpp"
#include "lanes.hpp"
#include "specfun/ibeta_steps.hpp"
#include "specfun/lngamma_steps.hpp"

#define VARNEL_ISA_NAMESPACE varnel
#include "arrays/isa_kernels.hpp"
#undef VARNEL_ISA_NAMESPACE

namespace varnel::arrays::isa {
namespace {

constexpr std::size_t kBlock = 256;
using Index = std::uint16_t;  // an element's place in its block

// The incomplete gamma function over an array; Lower selects P, else Q.
template <bool kLower>
void incomplete_gamma(std::size_t n, Strided<const double> a, Strided<const double> x,
                      Strided<double> y) noexcept {
  namespace ig = cephes::incomplete_gamma;
  ig::Plan plans[kBlock];
  double results[kBlock];
  bool capped[kBlock];  // stopped at the step cap: the fixed NaN
  Index series[kBlock];
  Index fractions[kBlock];
  double lngamma_of[kBlock];
  for (std::size_t first = 0; first < n; first += kBlock) {
    const std::size_t m = std::min(kBlock, n - first);
    std::size_t series_count = 0;
    std::size_t fraction_count = 0;
    // The special cases and the loops' choice, one element after the other;
    // then the log-gamma of every element with a loop, a vector of them at
    // once; then the prefactors, in the same order.
    std::size_t waiting = 0;
    for (std::size_t i = 0; i < m; ++i) {
      const double ai = a[first + i];
      const double xi = x[first + i];
      plans[i] = kLower ? ig::plan_lower_start(ai, xi) : ig::plan_upper_start(ai, xi);
      capped[i] = false;
      if (ig::needs_lngamma(plans[i])) lngamma_of[waiting++] = plans[i].a;
    }
    specfun::log_gamma::lngamma_lanes(waiting, lngamma_of, lngamma_of);
    for (std::size_t i = 0, k = 0; i < m; ++i) {
      if (ig::needs_lngamma(plans[i])) ig::complete(plans[i], lngamma_of[k++]);
      switch (plans[i].loop) {
        case ig::Loop::kNone: results[i] = plans[i].value; break;
        case ig::Loop::kSeries: series[series_count++] = static_cast<Index>(i); break;
        case ig::Loop::kFraction: fractions[fraction_count++] = static_cast<Index>(i); break;
      }
    }
    detail::run_in_lanes<ig::Series>(
        series_count,
        [&](std::size_t k) {
          const ig::Plan& p = plans[series[k]];
          return ig::Series<double>::start(p.a, p.x);
        },
        [&](std::size_t k, const ig::Series<double>& s, bool failed) {
          results[series[k]] = ig::finish(plans[series[k]], s.sum, failed);
          capped[series[k]] = failed;
        });
    detail::run_in_lanes<ig::Fraction>(
        fraction_count,
        [&](std::size_t k) {
          const ig::Plan& p = plans[fractions[k]];
          return ig::Fraction<double>::start(p.a, p.x);
        },
        [&](std::size_t k, const ig::Fraction<double>& f, bool failed) {
          results[fractions[k]] = ig::finish(plans[fractions[k]], f.estimate, failed);
          capped[fractions[k]] = failed;
        });
    for (std::size_t i = 0; i < m; ++i) {
      double result = results[i];
      if (__builtin_expect(std::isnan(result) && !capped[i], 0)) {
        result = kLower ? single::cephes_d_igamma(a[first + i], x[first + i])
                        : single::cephes_d_igamc(a[first + i], x[first + i]);
      }
      y[first + i] = result;
    }
  }
}

// The cephes incomplete beta function and its building blocks over an array.
enum class BetaPart { kIbeta, kSeries, kFractionCf, kFractionD };

template <BetaPart kPart>
void incomplete_beta(std::size_t n, Strided<const double> a, Strided<const double> b,
                     Strided<const double> x, Strided<double> y) noexcept {
  namespace ib = cephes::incomplete_beta;
  auto single_call = [](double ai, double bi, double xi) {
    switch (kPart) {
      case BetaPart::kIbeta: return single::cephes_d_ibeta(ai, bi, xi);
      case BetaPart::kSeries: return single::cephes_pseries(ai, bi, xi);
      case BetaPart::kFractionCf: return single::cephes_incbcf(ai, bi, xi);
      case BetaPart::kFractionD: return single::cephes_incbd(ai, bi, xi);
    }
    return 0.0;
  };
  ib::Plan plans[kBlock];
  double results[kBlock];
  bool capped[kBlock];  // stopped at the step cap: the fixed NaN
  Index series[kBlock];
  Index fractions[kBlock];
  // Where the loops are short, the lanes save less than the block's staging
  // costs (measured: the power series below about 24 terms, whose finishing
  // takes three gamma functions and a power, and the fractions below about 7
  // iterations), and a block goes through the scalar function element by
  // element instead, as the block before it suggests (the first block is a
  // short probe); every kRetry-th such block takes the lanes again to see
  // whether the loops have grown.
  constexpr std::int64_t kMinSeriesSteps = 24;
  constexpr std::int64_t kMinFractionSteps = 7;
  constexpr std::size_t kProbe = 32;
  constexpr int kRetry = 16;
  int short_blocks = 0;
  for (std::size_t first = 0, m = 0; first < n; first += m) {
    m = std::min(first == 0 ? kProbe : kBlock, n - first);
    if (short_blocks % kRetry != 0) {
      for (std::size_t i = 0; i < m; ++i) {
        y[first + i] = single_call(a[first + i], b[first + i], x[first + i]);
      }
      ++short_blocks;
      continue;
    }
    std::size_t series_count = 0;
    std::size_t fraction_count = 0;
    for (std::size_t i = 0; i < m; ++i) {
      const double ai = a[first + i];
      const double bi = b[first + i];
      const double xi = x[first + i];
      ib::Plan& plan = plans[i];
      capped[i] = false;
      switch (kPart) {
        case BetaPart::kIbeta: plan = ib::plan_ibeta(ai, bi, xi); break;
        case BetaPart::kSeries: plan = ib::series_plan(ai, bi, xi, false); break;
        case BetaPart::kFractionCf:
        case BetaPart::kFractionD:
          // The bare fraction: no prefactor, no complement (see finish below).
          plan = ib::Plan();
          plan.loop = ib::Loop::kFraction;
          plan.a = ai;
          plan.b = bi;
          plan.x = xi;
          plan.second_fraction = kPart == BetaPart::kFractionD;
          break;
      }
      if (plan.loop == ib::Loop::kSeries) {
        // The series may end before its first step.
        const auto start = ib::Series<double>::start(plan.a, plan.b, plan.x);
        if (start.ended()) {
          results[i] = ib::finish_series(plan, start, false);
        } else {
          series[series_count++] = static_cast<Index>(i);
        }
      } else if (plan.loop == ib::Loop::kFraction) {
        fractions[fraction_count++] = static_cast<Index>(i);
      } else {
        results[i] = plan.value;
      }
    }
    const std::int64_t series_steps = detail::run_in_lanes<ib::Series>(
        series_count,
        [&](std::size_t k) {
          const ib::Plan& p = plans[series[k]];
          return ib::Series<double>::start(p.a, p.b, p.x);
        },
        [&](std::size_t k, const ib::Series<double>& s, bool failed) {
          results[series[k]] = ib::finish_series(plans[series[k]], s, failed);
          capped[series[k]] = failed;
        });
    const std::int64_t fraction_steps = detail::run_in_lanes<ib::Fraction>(
        fraction_count, [&](std::size_t k) { return ib::start_fraction(plans[fractions[k]]); },
        [&](std::size_t k, const ib::Fraction<double>& f, bool) {
          const ib::Plan& p = plans[fractions[k]];
          results[fractions[k]] =
              kPart == BetaPart::kIbeta ? ib::finish_fraction(p, f.estimate) : f.estimate;
        });
    // Short where some loops ran and none of them was long.
    const bool long_series =
        series_count != 0 &&
        series_steps >= kMinSeriesSteps * static_cast<std::int64_t>(series_count);
    const bool long_fractions =
        fraction_count != 0 &&
        fraction_steps >= kMinFractionSteps * static_cast<std::int64_t>(fraction_count);
    const bool short_block = series_count + fraction_count != 0 && !long_series && !long_fractions;
    short_blocks = short_block ? short_blocks + 1 : 0;
    for (std::size_t i = 0; i < m; ++i) {
      double result = results[i];
      if (__builtin_expect(std::isnan(result) && !capped[i], 0)) {
        result = single_call(a[first + i], b[first + i], x[first + i]);
      }
      y[first + i] = result;
    }
  }
}

// The single-fraction incomplete beta function over an array.
void single_fraction(std::size_t n, Strided<const double> a, Strided<const double> b,
                     Strided<const double> x, Strided<double> y) noexcept {
  namespace sf = specfun::single_fraction;
  sf::Plan plans[kBlock];
  double results[kBlock];
  bool capped[kBlock];  // stopped at the step cap: the fixed NaN
  Index fractions[kBlock];
  double lngamma_of[3 * kBlock];
  for (std::size_t first = 0; first < n; first += kBlock) {
    const std::size_t m = std::min(kBlock, n - first);
    std::size_t count = 0;
    std::size_t waiting_count = 0;
    for (std::size_t i = 0; i < m; ++i) {
      capped[i] = false;
      const double ai = a[first + i];
      const double bi = b[first + i];
      const double xi = x[first + i];
      if (__builtin_expect(sf::needs_exception_hold(ai, bi, xi), 0)) {
        // As the scalar function, all of it under the hold.
        const detail::ExceptionHold hold;
        results[i] = sf::evaluate(sf::plan_ibeta(ai, bi, xi));
        continue;
      }
      sf::Plan& plan = plans[i];
      plan = sf::plan_ibeta_start(ai, bi, xi);
      if (sf::needs_lngamma(plan)) {
        lngamma_of[3 * waiting_count] = plan.a;
        lngamma_of[3 * waiting_count + 1] = plan.b;
        lngamma_of[3 * waiting_count + 2] = plan.a + plan.b;
        ++waiting_count;
      }
      fractions[count++] = static_cast<Index>(i);
    }
    // The log-gammas of the block's prefactors, a vector of them at once,
    // handed back in the same order.
    specfun::log_gamma::lngamma_lanes(3 * waiting_count, lngamma_of, lngamma_of);
    for (std::size_t k = 0, w = 0; k < count; ++k) {
      sf::Plan& plan = plans[fractions[k]];
      if (!sf::needs_lngamma(plan)) continue;
      sf::complete(plan, lngamma_of[3 * w], lngamma_of[3 * w + 1], lngamma_of[3 * w + 2]);
      ++w;
    }
    detail::run_in_lanes<sf::Fraction>(
        count, [&](std::size_t k) { return sf::start_fraction(plans[fractions[k]]); },
        [&](std::size_t k, const sf::Fraction<double>& f, bool failed) {
          results[fractions[k]] = sf::finish(plans[fractions[k]], f.f, failed);
          capped[fractions[k]] = failed;
        });
    for (std::size_t i = 0; i < m; ++i) {
      double result = results[i];
      if (__builtin_expect(std::isnan(result) && !capped[i], 0)) {
        result = single::specfun_d_ibeta(a[first + i], b[first + i], x[first + i]);
      }
      y[first + i] = result;
    }
  }
}

}  // namespace

void cephes_d_igamma(std::size_t n, const double* a, std::ptrdiff_t inca, const double* x,
                     std::ptrdiff_t incx, double* y, std::ptrdiff_t incy) noexcept {
  incomplete_gamma<true>(n, {a, inca, n}, {x, incx, n}, {y, incy, n});
}

void cephes_d_igamc(std::size_t n, const double* a, std::ptrdiff_t inca, const double* x,
                    std::ptrdiff_t incx, double* y, std::ptrdiff_t incy) noexcept {
  incomplete_gamma<false>(n, {a, inca, n}, {x, incx, n}, {y, incy, n});
}

void cephes_incbcf(std::size_t n, const double* a, std::ptrdiff_t inca, const double* b,
                   std::ptrdiff_t incb, const double* x, std::ptrdiff_t incx, double* y,
                   std::ptrdiff_t incy) noexcept {
  incomplete_beta<BetaPart::kFractionCf>(n, {a, inca, n}, {b, incb, n}, {x, incx, n},
                                         {y, incy, n});
}

void cephes_incbd(std::size_t n, const double* a, std::ptrdiff_t inca, const double* b,
                  std::ptrdiff_t incb, const double* x, std::ptrdiff_t incx, double* y,
                  std::ptrdiff_t incy) noexcept {
  incomplete_beta<BetaPart::kFractionD>(n, {a, inca, n}, {b, incb, n}, {x, incx, n},
                                        {y, incy, n});
}

void cephes_pseries(std::size_t n, const double* a, std::ptrdiff_t inca, const double* b,
                    std::ptrdiff_t incb, const double* x, std::ptrdiff_t incx, double* y,
                    std::ptrdiff_t incy) noexcept {
  incomplete_beta<BetaPart::kSeries>(n, {a, inca, n}, {b, incb, n}, {x, incx, n}, {y, incy, n});
}

void cephes_d_ibeta(std::size_t n, const double* a, std::ptrdiff_t inca, const double* b,
                    std::ptrdiff_t incb, const double* x, std::ptrdiff_t incx, double* y,
                    std::ptrdiff_t incy) noexcept {
  incomplete_beta<BetaPart::kIbeta>(n, {a, inca, n}, {b, incb, n}, {x, incx, n}, {y, incy, n});
}

void specfun_d_ibeta(std::size_t n, const double* a, std::ptrdiff_t inca, const double* b,
                     std::ptrdiff_t incb, const double* x, std::ptrdiff_t incx, double* y,
                     std::ptrdiff_t incy) noexcept {
  single_fraction(n, {a, inca, n}, {b, incb, n}, {x, incx, n}, {y, incy, n});
}

}  // namespace varnel::arrays::isa
