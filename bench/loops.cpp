// The loops alone (see loops.hpp) as benchmarks. The report puts them beside
// the scalar loop and the array version of the same row: a scalar call minus
// its loops plus the loops at the lanes' full rate is what an array version
// that pays every element's other work as the scalar call does would take
// with refills for free.
#include "loops.hpp"

#include <benchmark/benchmark.h>

#include <string>

#include "suite.hpp"

namespace bench {
namespace {

struct Entry {
  const char* quantity;
  const char* name;
  loops::Function function;
};

constexpr Entry kEntries[] = {
    {"P", "d_igamma", loops::Function::kLowerGamma},
    {"Q", "d_igamc", loops::Function::kUpperGamma},
    {"ibeta", "specfun::d_ibeta", loops::Function::kSingleFractionBeta},
    {"ibeta", "cephes::d_ibeta", loops::Function::kBeta},
};

bool lanes_build_runs() {
#if defined(__x86_64__)
  return __builtin_cpu_supports("avx");
#else
  return true;
#endif
}

}  // namespace

void register_loops(const Row& row) {
  if (row.size_sweep || !lanes_build_runs()) return;
  const ArgSet* args = row.args;
  for (const Entry& e : kEntries) {
    if (row.quantity != e.quantity) continue;
    // Prepared once and kept for the run, as the suite's argument sets are.
    const loops::Work* work =
        loops::prepare(e.function, args->size(), args->c0.data(), args->c1.data(),
                       args->c2.empty() ? nullptr : args->c2.data());
    const auto n = static_cast<benchmark::IterationCount>(args->size());
    benchmark::RegisterBenchmark((row.id() + "/loops_scalar:" + e.name).c_str(),
                                 [work, n](benchmark::State& s) {
                                   while (s.KeepRunningBatch(n)) {
                                     benchmark::DoNotOptimize(loops::run_scalar(work));
                                   }
                                 });
    benchmark::RegisterBenchmark((row.id() + "/loops_lanes:" + e.name).c_str(),
                                 [work, n](benchmark::State& s) {
                                   while (s.KeepRunningBatch(n)) {
                                     benchmark::DoNotOptimize(loops::run_lanes(work));
                                   }
                                 });
  }
}

}  // namespace bench
