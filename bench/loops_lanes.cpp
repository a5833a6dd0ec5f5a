// The loops alone (see loops.hpp): the steps' code of the library, the start
// states from its plans.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <new>

#include "cephes/ibeta_steps.hpp"
#include "cephes/igamma_steps.hpp"
#include "lanes.hpp"
#include "loops.hpp"
#include "specfun/ibeta_steps.hpp"
#include "varnel/varnel.hpp"

// The library's internal gamma and log-gamma, which the plans call, as the
// exported functions (the same values).
namespace varnel::detail {
double real_gamma(double x) noexcept { return specfun::d_gamma(x); }
double real_lngamma(double x) noexcept { return specfun::d_lngamma(x); }
}  // namespace varnel::detail

namespace bench::loops {
namespace {

using varnel::detail::kLanes;
using varnel::detail::Lanes;

// One kind of loop's elements: start states and step counts, by step count.
template <template <typename> class Step>
struct Loops {
  Step<double>* starts = nullptr;
  std::int64_t* steps = nullptr;
  std::size_t count = 0;

  explicit Loops(std::size_t capacity)
      : starts(new Step<double>[capacity + kLanes]), steps(new std::int64_t[capacity + kLanes]) {}
  ~Loops() {
    delete[] starts;
    delete[] steps;
  }
  Loops(const Loops&) = delete;
  Loops& operator=(const Loops&) = delete;

  void add(const Step<double>& start) {
    Step<double> state = start;
    std::int64_t n = 1;
    while (!state.step() && n < Step<double>::limit) ++n;
    starts[count] = start;
    steps[count] = n;
    ++count;
  }

  // By step count, the last vector filled up with copies of the last loop.
  void sort() {
    std::size_t* order = new std::size_t[count];
    for (std::size_t i = 0; i < count; ++i) order[i] = i;
    std::sort(order, order + count, [this](std::size_t i, std::size_t j) { return steps[i] < steps[j]; });
    Step<double>* s = new Step<double>[count + kLanes];
    std::int64_t* n = new std::int64_t[count + kLanes];
    for (std::size_t i = 0; i < count; ++i) {
      s[i] = starts[order[i]];
      n[i] = steps[order[i]];
    }
    for (std::size_t i = count; i < count + kLanes && count > 0; ++i) {
      s[i] = s[count - 1];
      n[i] = n[count - 1];
    }
    delete[] order;
    delete[] starts;
    delete[] steps;
    starts = s;
    steps = n;
  }

  double scalar() const {
    double sink = 0;
    for (std::size_t i = 0; i < count; ++i) {
      Step<double> state = starts[i];
      varnel::detail::run_to_end(state);
      state.zip(state, [&sink](double& v, double&) { sink += v; });
    }
    return sink;
  }

  double lanes() const {
    double sink = 0;
    for (std::size_t first = 0; first < count; first += kLanes) {
      Step<Lanes> running;
      for (int lane = 0; lane < kLanes; ++lane) {
        Step<double> state = starts[first + lane];
        running.zip(state, [lane](Lanes& v, double& d) { v[lane] = d; });
      }
      const std::int64_t n = steps[first + kLanes - 1];
      unsigned ended = 0;
      for (std::int64_t k = 0; k < n; ++k) ended |= varnel::detail::lane_bits(running.step());
      running.zip(running, [&sink](Lanes& v, Lanes&) { sink += v[0]; });
      sink += ended;
    }
    return sink;
  }
};

}  // namespace

struct Work {
  Loops<varnel::cephes::incomplete_gamma::Series> gamma_series;
  Loops<varnel::cephes::incomplete_gamma::Fraction> gamma_fractions;
  Loops<varnel::specfun::single_fraction::Fraction> single_fractions;
  Loops<varnel::cephes::incomplete_beta::Series> beta_series;
  Loops<varnel::cephes::incomplete_beta::Fraction> beta_fractions;

  explicit Work(std::size_t n)
      : gamma_series(n), gamma_fractions(n), single_fractions(n), beta_series(n), beta_fractions(n) {}
};

Work* prepare(Function function, std::size_t n, const double* c0, const double* c1,
              const double* c2) {
  namespace ig = varnel::cephes::incomplete_gamma;
  namespace ib = varnel::cephes::incomplete_beta;
  namespace sf = varnel::specfun::single_fraction;
  Work* work = new Work(n);
  for (std::size_t i = 0; i < n; ++i) {
    switch (function) {
      case Function::kLowerGamma:
      case Function::kUpperGamma: {
        const ig::Plan p = function == Function::kLowerGamma ? ig::plan_lower(c0[i], c1[i])
                                                             : ig::plan_upper(c0[i], c1[i]);
        if (p.loop == ig::Loop::kSeries) work->gamma_series.add(ig::Series<double>::start(p.a, p.x));
        if (p.loop == ig::Loop::kFraction) {
          work->gamma_fractions.add(ig::Fraction<double>::start(p.a, p.x));
        }
        break;
      }
      case Function::kSingleFractionBeta:
        if (!sf::needs_exception_hold(c0[i], c1[i], c2[i])) {
          work->single_fractions.add(sf::start_fraction(sf::plan_ibeta(c0[i], c1[i], c2[i])));
        }
        break;
      case Function::kBeta: {
        const ib::Plan p = ib::plan_ibeta(c0[i], c1[i], c2[i]);
        if (p.loop == ib::Loop::kSeries) {
          const auto start = ib::Series<double>::start(p.a, p.b, p.x);
          if (!start.ended()) work->beta_series.add(start);
        }
        if (p.loop == ib::Loop::kFraction) work->beta_fractions.add(ib::start_fraction(p));
        break;
      }
    }
  }
  work->gamma_series.sort();
  work->gamma_fractions.sort();
  work->single_fractions.sort();
  work->beta_series.sort();
  work->beta_fractions.sort();
  return work;
}

void release(Work* work) { delete work; }

double run_scalar(const Work* w) {
  return w->gamma_series.scalar() + w->gamma_fractions.scalar() + w->single_fractions.scalar() +
         w->beta_series.scalar() + w->beta_fractions.scalar();
}

double run_lanes(const Work* w) {
  return w->gamma_series.lanes() + w->gamma_fractions.lanes() + w->single_fractions.lanes() +
         w->beta_series.lanes() + w->beta_fractions.lanes();
}

int lanes() { return kLanes; }

}  // namespace bench::loops
