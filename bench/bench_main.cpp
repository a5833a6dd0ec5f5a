// The benchmark suite: every row's implementations, ours and the peers', our
// functions again from the layer-free build and through the C interface
// (main rows only), and the floor of each of our rows replayed from its tape.
// Before anything is timed, the layer-free build and the C interface must give
// the same bits as the library on every argument of every row; the run stops
// at the first difference.
//
// Benchmarks are named ROW/SOURCE:FUNCTION, ROW being QUANTITY:SET and SOURCE
// one of varnel, bare, c, floor, glibc, boost, gsl (and boost_default, Boost
// with its default policy, on the inverses' and the distributions' rows), and c_loop and c_array:
// a loop of scalar C calls over the whole set into an array, and one call of
// the array version over the same set, both in nanoseconds per element. The
// run's context holds the description of every argument set and the peers'
// versions.
//
// Options beside Google Benchmark's:
//   --tape=FILE   the floor tapes (default: the file the build recorded)
#include <gsl/gsl_errno.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>

#include "boost_policy.hpp"
#include "loops.hpp"
#include "suite.hpp"
#include "tape_file.hpp"

namespace {

using bench::Implementation;
using bench::Row;

const Implementation* find(const std::vector<Implementation>& list, const Implementation& like) {
  for (const auto& impl : list) {
    if (impl.quantity == like.quantity && impl.name == like.name) return &impl;
  }
  return nullptr;
}

// Aborts at the first argument where the two builds differ; `label` names the
// other one (bare, c) in messages and in the run's context.
void check_same_bits(const std::vector<Implementation>& ours, const std::vector<Implementation>& bare,
                     const std::string& label) {
  std::size_t calls = 0;
  for (const auto& row : bench::rows()) {
    for (const auto& impl : ours) {
      if (impl.quantity != row.quantity) continue;
      const Implementation* twin = find(bare, impl);
      if (twin == nullptr) {
        std::fprintf(stderr, "%s: missing from the %s build\n", impl.name.c_str(), label.c_str());
        std::abort();
      }
      const bench::ArgSet& a = *row.args;
      for (std::size_t i = 0; i < a.size(); ++i, ++calls) {
        std::uint64_t want[2];
        std::uint64_t got[2];
        impl.kernel.bits(a, i, want);
        twin->kernel.bits(a, i, got);
        if (want[0] != got[0] || want[1] != got[1]) {
          std::fprintf(stderr,
                       "%s build differs: %s on row %s, argument %zu (%a, %a, %a): "
                       "library %016llx %016llx, %s %016llx %016llx\n",
                       label.c_str(), impl.name.c_str(), row.id().c_str(), i, a.c0[i], a.c1.empty() ? 0.0 : a.c1[i],
                       a.c2.empty() ? 0.0 : a.c2[i], static_cast<unsigned long long>(want[0]),
                       static_cast<unsigned long long>(want[1]), label.c_str(),
                       static_cast<unsigned long long>(got[0]),
                       static_cast<unsigned long long>(got[1]));
          std::abort();
        }
      }
    }
  }
  benchmark::AddCustomContext(label + "_check", "same bits on " + std::to_string(calls) + " calls");
}

void time_floor(benchmark::State& state, const bench::Tape& tape) {
  const std::size_t n = tape.offsets.size() - 1;
  std::size_t i = 0;
  for (auto _ : state) {
    const std::uint32_t begin = tape.offsets[i];
    benchmark::DoNotOptimize(tape_replay(tape.calls.data() + begin, tape.offsets[i + 1] - begin));
    if (++i == n) i = 0;
  }
}

void register_implementation(const Row& row, const std::string& source, const Implementation& impl) {
  const std::string name = row.id() + "/" + source + ":" + impl.name;
  const bench::Kernel* kernel = &impl.kernel;
  const bench::ArgSet* args = row.args;
  benchmark::RegisterBenchmark(name.c_str(), [kernel, args](benchmark::State& s) { kernel->time(s, *args); });
}

void register_floor(const Row& row, const Implementation& impl, const bench::TapeBook& tapes) {
  const std::string name = row.id() + "/floor:" + impl.name;
  const auto it = tapes.find(bench::tape_key(row.id(), impl.name));
  const bench::Tape* tape = it == tapes.end() ? nullptr : &it->second;
  const bool usable = tape != nullptr && tape->args_digest == row.args->digest() &&
                      tape->offsets.size() == row.args->size() + 1;
  benchmark::RegisterBenchmark(name.c_str(), [tape, usable](benchmark::State& s) {
    if (usable) {
      time_floor(s, *tape);
    } else {
      s.SkipWithError("no tape recorded for these arguments");
    }
  });
}

// The array versions against the scalar loops: the same bits on every row,
// or the run stops.
void check_array_bits(const std::vector<bench::ArrayImplementation>& arrays) {
  std::size_t calls = 0;
  for (const auto& row : bench::rows()) {
    for (const auto& impl : arrays) {
      if (impl.quantity != row.quantity) continue;
      const std::string differs = impl.check(*row.args);
      if (!differs.empty()) {
        std::fprintf(stderr, "array version differs from the scalar loop on row %s: %s\n",
                     row.id().c_str(), differs.c_str());
        std::abort();
      }
      calls += row.args->size();
    }
  }
  benchmark::AddCustomContext("array_check", "same bits on " + std::to_string(calls) + " calls");
}

double value_of(const Implementation& impl, const bench::ArgSet& a, std::size_t i) {
  std::uint64_t got[2];
  impl.kernel.bits(a, i, got);
  double v;
  std::memcpy(&v, &got[0], sizeof v);
  return v;
}

// Whether a result is far from a reference (a peer's from ours, or from
// another peer's): beyond a relative 1e-6 (and beyond the subnormal range,
// where a density or a tail has few digits left), or on the other side of an
// infinity; a discrete quantile by more than one, since Boost rounds its
// real quantile outwards, one below ours below the median, by design.
bool far_from(double value, double reference, bool discrete_quantile) {
  if (std::isinf(value) || std::isinf(reference)) return value != reference;
  const double slack = discrete_quantile ? 1.0 : 2.2250738585072014e-308;
  return std::fabs(value - reference) > 1e-6 * std::fabs(reference) + slack;
}

constexpr double kLogSmallestNormal = -708.39641853226408;  // log(2^-1022)

// Quantities are FAMILY_OPERATION on the distributions' rows.
bool is_discrete_quantile(const std::string& quantity) {
  const std::size_t cut = quantity.find('_');
  const std::string family = quantity.substr(0, cut);
  const std::string operation = cut == std::string::npos ? "" : quantity.substr(cut + 1);
  return (family == "poisson" || family == "binom" || family == "nbinom") &&
         (operation == "quantile" || operation == "isf");
}

// Which library an implementation comes from: Boost's two policies are one.
std::string library_of(const Implementation& impl) {
  return impl.source.rfind("boost", 0) == 0 ? "boost" : impl.source;
}

// The results that are NaN on a row's arguments, and the exceptions Boost
// threw for them, into the run's context as nan:ROW/SOURCE:NAME = "N of M (K
// exceptions)". With `far_counts`, the results far from ours (above) as
// far:ROW/SOURCE:NAME = "F": where Boost and GSL both give a finite non-zero
// number (a log density: of a normal density), agree with each other and
// not with ours, the argument counts against ours (far:ROW/varnel:NAME), else
// against each peer far from ours. A peer that
// fails on an argument is timed all the same. Ours must give a number on
// every argument of their rows: a NaN there is an argument outside the
// domain, and the run stops.
void count_failures(const std::vector<Implementation>& list, bool far_counts) {
  for (const auto& row : bench::rows()) {
    const bench::ArgSet& a = *row.args;
    const bool discrete_quantile = is_discrete_quantile(row.quantity);
    const bool log_density = row.quantity.size() > 7 && row.quantity.compare(row.quantity.size() - 7, 7, "_logpdf") == 0;
    std::vector<const Implementation*> impls;
    std::size_t ours = 0;
    for (const auto& impl : list) {
      if (impl.quantity != row.quantity) continue;
      if (impl.source == "varnel") ours = impls.size();
      impls.push_back(&impl);
    }
    if (impls.empty()) continue;
    std::vector<std::size_t> nan(impls.size()), far(impls.size()), thrown(impls.size());
    std::vector<double> v(impls.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
      for (std::size_t k = 0; k < impls.size(); ++k) {
        const std::size_t thrown_before = bench::boost_exception_count.load();
        v[k] = value_of(*impls[k], a, i);
        thrown[k] += bench::boost_exception_count.load() - thrown_before;
        nan[k] += std::isnan(v[k]);
      }
      if (!far_counts || impls[ours]->source != "varnel") continue;
      std::set<std::string> libraries;
      bool peers_agree = true;
      bool ours_apart = true;
      for (std::size_t k = 0; k < impls.size(); ++k) {
        if (k == ours || std::isnan(v[k])) continue;
        libraries.insert(library_of(*impls[k]));
        // A zero or an infinity that the peers share is where their results
        // underflow or overflow together (the log of a density that
        // underflows), no evidence against ours.
        // Nor is the logarithm of a subnormal density, which has lost its
        // digits before the logarithm was taken.
        peers_agree = peers_agree && std::isfinite(v[k]) && v[k] != 0 && !(log_density && v[k] < kLogSmallestNormal);
        ours_apart = ours_apart && far_from(v[k], v[ours], discrete_quantile);
        for (std::size_t j = 0; j < k; ++j) {
          if (j != ours && !std::isnan(v[j])) peers_agree = peers_agree && !far_from(v[k], v[j], discrete_quantile);
        }
      }
      if (libraries.size() > 1 && peers_agree && ours_apart) {
        ++far[ours];
        continue;
      }
      for (std::size_t k = 0; k < impls.size(); ++k) {
        if (k != ours && !std::isnan(v[k])) far[k] += far_from(v[k], v[ours], discrete_quantile);
      }
    }
    for (std::size_t k = 0; k < impls.size(); ++k) {
      const std::string key = row.id() + "/" + impls[k]->source + ":" + impls[k]->name;
      if (impls[k]->source == "varnel" && nan[k] != 0) {
        std::fprintf(stderr, "%s: NaN on %zu of the row's arguments\n", key.c_str(), nan[k]);
        std::abort();
      }
      benchmark::AddCustomContext("nan:" + key, std::to_string(nan[k]) + " of " + std::to_string(a.size()) +
                                                    " (" + std::to_string(thrown[k]) + " exceptions)");
      if (far_counts) benchmark::AddCustomContext("far:" + key, std::to_string(far[k]));
    }
  }
}

// ROW/c_loop:NAME and ROW/c_array:NAME, nanoseconds per element.
void register_array(const Row& row, const bench::ArrayImplementation& impl) {
  const bench::ArgSet* args = row.args;
  const auto* loop = &impl.loop;
  const auto* array = &impl.array;
  benchmark::RegisterBenchmark((row.id() + "/c_loop:" + impl.name).c_str(),
                               [loop, args](benchmark::State& s) { (*loop)(s, *args); });
  benchmark::RegisterBenchmark((row.id() + "/c_array:" + impl.name).c_str(),
                               [array, args](benchmark::State& s) { (*array)(s, *args); });
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  std::string tape_path = VARNEL_BENCH_DEFAULT_TAPE;
  int kept = 1;
  for (int k = 1; k < argc; ++k) {
    if (std::strncmp(argv[k], "--tape=", 7) == 0) {
      tape_path = argv[k] + 7;
    } else {
      argv[kept++] = argv[k];
    }
  }
  argc = kept;
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  gsl_set_error_handler_off();

  const auto ours = varnel::bench_functions::implementations();
  const auto bare = varnel_bare::bench_functions::implementations();
  const auto through_c = varnel_c::bench_functions::implementations();
  const auto peers = bench::peer_implementations();
  check_same_bits(ours, bare, "bare");
  check_same_bits(ours, through_c, "c");
  const auto arrays = bench::array_implementations();
  check_array_bits(arrays);
  const auto inverses = bench::inverse_implementations();
  count_failures(inverses, false);
  const auto distributions = bench::distribution_implementations();
  count_failures(distributions, true);

  bench::TapeBook tapes;
  std::string error;
  if (!bench::read_tapes(tape_path, &tapes, &error)) {
    std::fprintf(stderr, "floor rows skipped: %s\n", error.c_str());
  }

  std::set<std::string> described;
  std::string order;
  for (const auto& row : bench::rows()) {
    if (!row.size_sweep) order += (order.empty() ? "" : ",") + row.id();
    for (const auto& impl : ours) {
      if (impl.quantity != row.quantity) continue;
      register_implementation(row, "varnel", impl);
      register_implementation(row, "bare", *find(bare, impl));
      if (!row.size_sweep) {
        register_implementation(row, "c", *find(through_c, impl));
        register_floor(row, impl, tapes);
      }
    }
    for (const auto& impl : arrays) {
      if (impl.quantity == row.quantity) register_array(row, impl);
    }
    bench::register_loops(row);
    for (const auto& impl : peers) {
      if (impl.quantity == row.quantity) register_implementation(row, impl.source, impl);
    }
    for (const auto* list : {&inverses, &distributions}) {
      for (const auto& impl : *list) {
        if (impl.quantity == row.quantity) register_implementation(row, impl.source, impl);
      }
    }
    if (described.insert(row.args->id).second) {
      benchmark::AddCustomContext("set:" + row.args->id, row.args->description);
    }
  }
  benchmark::AddCustomContext("rows", order);
  for (const auto& [key, value] : bench::peer_context()) benchmark::AddCustomContext(key, value);
  benchmark::AddCustomContext("arguments_per_row", std::to_string(bench::kMainArgs));
  benchmark::AddCustomContext("arguments_per_sweep_point", std::to_string(bench::kSweepArgs));
  benchmark::AddCustomContext("distribution_arguments_per_row", std::to_string(bench::kDistributionArgs));
  benchmark::AddCustomContext("seed", std::to_string(bench::kSeed));
  benchmark::AddCustomContext("tape", tape_path);

  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
