// The benchmark suite's shared pieces: argument sets, rows, and the kernels
// that time a function over a set or evaluate it for the bit comparison.
//
// A row is one quantity (erf, the lower incomplete gamma, ...) over one
// argument set. Every implementation of that quantity, ours and the peers',
// is timed on the same pre-generated arrays, cycled, with each result kept
// live.
#ifndef VARNEL_BENCH_SUITE_HPP
#define VARNEL_BENCH_SUITE_HPP

#include <benchmark/benchmark.h>

#include <complex>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace bench {

// Up to three argument columns: x; (a, x); (a, b, x); or (Re z, Im z). The
// float column is x rounded to single precision, for the float functions.
struct ArgSet {
  std::string id;
  std::string description;
  std::vector<double> c0, c1, c2;
  std::vector<float> f0;

  std::size_t size() const { return c0.size(); }
  // A digest of every argument's bits, so that a tape recorded for other
  // arguments is recognised.
  std::uint64_t digest() const;
};

struct Row {
  std::string quantity;  // erf, erfc, erfcx, erff, ..., P, Q, ibeta
  const ArgSet* args;
  bool size_sweep;  // one point of the cost-against-parameter curves

  std::string id() const { return quantity + ":" + args->id; }
};

// Every row of the suite, the main rows first. Built once.
const std::vector<Row>& rows();
// The seed of every argument set and the number of arguments of a main row.
constexpr std::uint64_t kSeed = 20260401;
constexpr std::size_t kMainArgs = 4096;
constexpr std::size_t kSweepArgs = 256;
// The distributions' rows are smaller: the suite has 54 of them, and some
// peers' quantiles take a tenth of a millisecond a call.
constexpr std::size_t kDistributionArgs = 1024;

// A function of one row shape, wrapped twice: `time` is the benchmark loop
// over an argument set, `bits` writes the result bits of one call (two words
// for a complex result, the second 0 otherwise).
struct Kernel {
  std::function<void(benchmark::State&, const ArgSet&)> time;
  std::function<void(const ArgSet&, std::size_t, std::uint64_t*)> bits;
};

// An implementation of a quantity: source is varnel, glibc, boost or gsl.
struct Implementation {
  std::string quantity;
  std::string source;
  std::string name;
  Kernel kernel;
};

namespace detail {

inline std::uint64_t bits_of(double v) {
  std::uint64_t b;
  std::memcpy(&b, &v, sizeof b);
  return b;
}
inline std::uint64_t bits_of(float v) {
  std::uint32_t b;
  std::memcpy(&b, &v, sizeof b);
  return b;
}

inline void store_bits(double v, std::uint64_t* out) {
  out[0] = bits_of(v);
  out[1] = 0;
}
inline void store_bits(float v, std::uint64_t* out) {
  out[0] = bits_of(v);
  out[1] = 0;
}
inline void store_bits(std::complex<double> v, std::uint64_t* out) {
  out[0] = bits_of(v.real());
  out[1] = bits_of(v.imag());
}

// call(args, i) is one evaluation; the loop cycles through the set. The
// lambda's type reaches the loop, so the call inlines into it and the only
// calls timed are those the implementation itself makes.
template <typename Call>
Kernel make_kernel(Call call) {
  Kernel k;
  k.time = [call](benchmark::State& state, const ArgSet& a) {
    const std::size_t n = a.size();
    std::size_t i = 0;
    for (auto _ : state) {
      benchmark::DoNotOptimize(call(a, i));
      if (++i == n) i = 0;
    }
  };
  k.bits = [call](const ArgSet& a, std::size_t i, std::uint64_t* out) { store_bits(call(a, i), out); };
  return k;
}

// The same, timing whole passes over the set: every benchmark sees every
// argument equally often, however long one call takes. For the inverses,
// whose calls cost from tens of nanoseconds to milliseconds by argument and
// implementation, cycling from the first argument for a fixed time would
// time each implementation on a different part of the set.
template <typename Call>
Kernel make_pass_kernel(Call call) {
  Kernel k = make_kernel(call);
  k.time = [call](benchmark::State& state, const ArgSet& a) {
    const std::size_t n = a.size();
    while (state.KeepRunningBatch(static_cast<benchmark::IterationCount>(n))) {
      for (std::size_t i = 0; i < n; ++i) benchmark::DoNotOptimize(call(a, i));
    }
  };
  return k;
}

}  // namespace detail

// Kernels by row shape; f is any callable of the shape.
template <typename F>
Kernel real_kernel(F f) {
  return detail::make_kernel([f](const ArgSet& a, std::size_t i) { return f(a.c0[i]); });
}
template <typename F>
Kernel float_kernel(F f) {
  return detail::make_kernel([f](const ArgSet& a, std::size_t i) { return f(a.f0[i]); });
}
template <typename F>
Kernel pair_kernel(F f) {
  return detail::make_kernel([f](const ArgSet& a, std::size_t i) { return f(a.c0[i], a.c1[i]); });
}
template <typename F>
Kernel triple_kernel(F f) {
  return detail::make_kernel(
      [f](const ArgSet& a, std::size_t i) { return f(a.c0[i], a.c1[i], a.c2[i]); });
}
// Whole-pass kernels (see make_pass_kernel) of the same shapes.
template <typename F>
Kernel real_pass_kernel(F f) {
  return detail::make_pass_kernel([f](const ArgSet& a, std::size_t i) { return f(a.c0[i]); });
}
template <typename F>
Kernel pair_pass_kernel(F f) {
  return detail::make_pass_kernel([f](const ArgSet& a, std::size_t i) { return f(a.c0[i], a.c1[i]); });
}
template <typename F>
Kernel triple_pass_kernel(F f) {
  return detail::make_pass_kernel(
      [f](const ArgSet& a, std::size_t i) { return f(a.c0[i], a.c1[i], a.c2[i]); });
}
template <typename F>
Kernel complex_kernel(F f) {
  return detail::make_kernel(
      [f](const ArgSet& a, std::size_t i) { return f(std::complex<double>(a.c0[i], a.c1[i])); });
}

// The peers' implementations (peers.cpp), and what the report states about
// them: library versions and the Boost.Math policy.
std::vector<Implementation> peer_implementations();
std::vector<std::pair<std::string, std::string>> peer_context();

// The inverse functions (inverses.cpp): ours (source varnel) and the peers'
// (boost_default: Boost.Math's default policy; boost: the suite's policy;
// gsl), for the quantities erf_inv, erfc_inv, P_inv, Q_inv, ibeta_inv and
// ibetac_inv. What Boost's calls throw gives a NaN result, counted in
// boost_exception_count (boost_policy.hpp).
std::vector<Implementation> inverse_implementations();

// The distributions (distributions.cpp), with the same sources, for the
// quantities FAMILY_OPERATION (norm_pdf, ..., nbinom_isf).
std::vector<Implementation> distribution_implementations();

}  // namespace bench

// Our implementations. ours.cpp is compiled three times: against the
// library, against its layer-free build with the token varnel renamed
// varnel_bare, and against the C interface with varnel renamed varnel_c; the
// renaming renames this function's namespace too.
namespace varnel::bench_functions {
std::vector<::bench::Implementation> implementations();
}
namespace varnel_bare::bench_functions {
std::vector<::bench::Implementation> implementations();
}
namespace varnel_c::bench_functions {
std::vector<::bench::Implementation> implementations();
}

namespace bench {

// One of our functions over a whole argument set, through the C interface:
// `loop` calls the scalar C function element after element into an array,
// `array` makes one call of its array version (varnel_<ns>_<name>_array) for
// the set. Both time one element per benchmark iteration, so their times
// compare directly. `check` is empty when the array version gives the bits of
// the scalar loop on every argument of the set, else names the first that
// differs.
struct ArrayImplementation {
  std::string quantity;
  std::string name;  // as in the table of implementations
  std::function<void(benchmark::State&, const ArgSet&)> loop;
  std::function<void(benchmark::State&, const ArgSet&)> array;
  std::function<std::string(const ArgSet&)> check;
};
std::vector<ArrayImplementation> array_implementations();

}  // namespace bench

#endif  // VARNEL_BENCH_SUITE_HPP
