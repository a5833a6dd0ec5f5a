// The loops of the incomplete gamma and beta functions alone, over a set's
// arguments: run to their ends one element after the other with the scalar
// steps, and the same steps in lanes at the lanes' full rate. The lanes'
// side is compiled for the array kernels' widest vectors (AVX on x86_64), in
// its own file with no standard-library templates in its interface, so that
// none of its inline functions can stand in for another file's.
#ifndef VARNEL_BENCH_LOOPS_HPP
#define VARNEL_BENCH_LOOPS_HPP

#include <cstddef>

namespace bench::loops {

enum class Function { kLowerGamma, kUpperGamma, kSingleFractionBeta, kBeta };

// The loops of `function` on n argument tuples (columns c0, c1, c2; c2 unused
// by the incomplete gamma functions), with their start states and step
// counts, sorted by step count.
struct Work;
Work* prepare(Function function, std::size_t n, const double* c0, const double* c1,
              const double* c2);
void release(Work* work);

// Every loop to its end with the scalar steps; a value that depends on all.
double run_scalar(const Work* work);
// The same loops a vector of lanes at a time, each vector for as many steps
// as its longest loop takes, with no test of the lanes' ends: neighbours in
// the sorted order need nearly the same number of steps, so this is the
// lanes' rate with nothing spent on refilling them.
double run_lanes(const Work* work);

int lanes();

}  // namespace bench::loops

namespace bench {

struct Row;

// ROW/loops_scalar:NAME and ROW/loops_lanes:NAME for the main rows of the
// incomplete functions, nanoseconds per element of the row's set (every
// element counts, with a loop or not), where the processor runs the lanes'
// build; nothing elsewhere.
void register_loops(const Row& row);

}  // namespace bench

#endif  // VARNEL_BENCH_LOOPS_HPP
