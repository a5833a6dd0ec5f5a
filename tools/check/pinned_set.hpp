// The pinned set and its verdict, shared by the characterisation test and
// `varnel --check`.
//
// Every exported function is called on a fixed, reproducible set of arguments
// (the plans below: every threshold of its algorithm with its neighbours, then
// random arguments), and the bits of every result are compared with those
// pinned in tests/data/characterisation/ (installed as
// share/varnel/characterisation/). The results rest on the C mathematics
// library's answers as well as on our own arithmetic, so the comparison runs
// twice:
//
//   1. with the C library of this machine, over the whole set: every call
//      whose result moved is counted;
//   2. over the exact subset (the threshold rows, thinned where a function
//      makes many C library calls per row, and the first random rows), with
//      the C library's answers served from the table recorded on the machine
//      that pinned the bits: the interposed stand-ins of bench/tape_hooks.c
//      answer every call from the table. With our arithmetic unchanged, each
//      call then passes the C library exactly the recorded arguments, gets
//      the recorded answers and gives the pinned result, whatever this C
//      library would have answered. A moved result is therefore our
//      arithmetic moving, and nothing else. (A call the table lacks is
//      answered by this C library: the pinning build's compiler may have
//      evaluated it while compiling, as GCC does with constant arguments.
//      A result that then moves counts as ours too, the side on which an
//      error costs only a look.)
//
// The verdict per function: "the same bits"; "N calls differ because this C
// library answers differently" (pass 2 clean, pass 1 moved); or "the
// library's arithmetic moved" (pass 2 not clean), a defect.
#ifndef VARNEL_TOOLS_CHECK_PINNED_SET_HPP
#define VARNEL_TOOLS_CHECK_PINNED_SET_HPP

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "exported_calls.hpp"

namespace varnel::pinned {

using test::Args;
using test::Exported;
using test::Result;

class Stream;

// One row per exported function: how many calls, the seed of its random
// arguments, its edge rows and random generator, and its exact subset: every
// exact_stride-th edge row and the first exact_random random rows.
struct Plan {
  const char* id;
  int calls;
  uint64_t seed;
  std::vector<Args> (*edges)();  // each one quick
  Args (*random)(Stream&);
  bool (*quick)(const Args&);  // the random arguments kept; null: all
  int exact_stride;
  int exact_random;
};

const std::vector<Plan>& plans();
const Plan* find_plan(const std::string& id);
// The edge rows, then random ones up to the planned count.
std::vector<Args> arguments(const Plan& plan, size_t* edge_rows);
// The indices of the exact subset among those arguments.
std::vector<uint32_t> exact_subset(const Plan& plan, size_t edge_rows, size_t calls);

// One call of the C mathematics library: the function (an op of
// bench/tape.h), its arguments and its answers.
struct LibmCall {
  int op;
  double args[4];
  double answer[2];
};
std::string describe(const LibmCall& c);

// What is pinned for one function.
struct Pinned {
  uint32_t calls = 0;
  uint64_t argument_digest = 0;
  uint64_t result_digest = 0;
  std::vector<uint8_t> checks;  // a hash byte of each call's result
  // The exact subset: its size, a digest of its results, and the answers of
  // the C library calls it makes (sin and cos for sincos), one entry per
  // distinct function and arguments.
  uint32_t exact_calls = 0;
  uint64_t exact_digest = 0;
  std::vector<LibmCall> answers;
};
using PinnedSet = std::map<std::string, Pinned>;

// The platform's name in the data files (x86_64, aarch64), or null.
const char* platform();
constexpr const char* kBasePlatform = "x86_64";

// Files: DIR/x86_64.bin holds every record; another platform's file holds
// the records that differ there.
std::string data_file(const std::string& dir, const char* platform);
std::string read_pinned(const std::string& path, PinnedSet* set);
bool write_pinned(const std::string& path, const PinnedSet& set, const PinnedSet* base);
// This platform's records: x86_64's, with this platform's file applied.
std::string expected_for_platform(const std::string& dir, PinnedSet* set);

// Pass 1 over the whole set with this machine's C library; with
// record_answers, the C library calls of the exact subset too (for writing).
struct Measured {
  std::vector<Args> args;
  std::vector<Result> results;
  size_t edge_rows = 0;
  Pinned pinned;
};
Measured measure(const Exported& fn, const Plan& plan, bool record_answers);

// The C library calls one call makes (with this machine's C library).
std::vector<LibmCall> transcript(const Exported& fn, const Args& a);

// Pass 2: the exact subset with the pinned answers served.
struct ExactPass {
  size_t calls = 0;
  std::vector<size_t> missing;  // moved calls that asked the C library something the table lacks
  std::vector<size_t> moved;    // the other calls whose result moved (check byte differs)
  bool digest_matches = true;
  bool clean() const { return missing.empty() && moved.empty() && digest_matches; }
};
ExactPass exact_pass(const Exported& fn, const Plan& plan, const Measured& m, const Pinned& want);

struct Verdict {
  enum Kind { kSame, kCLibrary, kArithmetic, kUnusable } kind = kSame;
  size_t moved = 0;        // pass 1: calls whose result moved
  size_t exact_calls = 0;  // pass 2: calls made with the pinned answers
  size_t exact_moved = 0;  // pass 2: calls whose result moved or whose C library calls are not in the table
  std::string summary;     // one line
  std::string detail;      // the call behind it (lines starting "\n  "), with its C library
                           // calls and, where they differ, the pinned answers
};
// Both passes and what they say.
Verdict judge(const Exported& fn, const Pinned& want);

}  // namespace varnel::pinned

#endif  // VARNEL_TOOLS_CHECK_PINNED_SET_HPP
