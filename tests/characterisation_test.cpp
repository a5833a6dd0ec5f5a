// Characterisation test: every exported function is called on a fixed,
// reproducible set of arguments and the bits of every result are compared
// with the bits the library gave when the data were made. Its job is to show
// that a change meant to leave results alone (a faster loop, different
// inlining, another way to bind an internal call) moved no bit anywhere, on
// either platform, and to tell such a change apart from a C library that
// answers differently.
//
// The arguments, the data files and the verdict are those of
// tools/check/pinned_set.hpp, which `varnel --check` runs too: a first pass
// over the whole set (1.55 million calls) with this machine's C library
// counts the moved results; a second pass over the exact subset (about
// 84000 calls: the threshold rows, thinned for the complex functions, and
// the first random rows) serves every C library call the answer recorded on
// the machine that pinned the bits, through the stand-ins of
// bench/tape_hooks.c, which this executable exports so that the library's
// calls reach them first. With our arithmetic unchanged every call of the
// second pass then asks the recorded questions, gets the recorded answers
// and gives the pinned bits, whatever this C library answers; so a moved
// result there, or a C library call the table lacks, is our arithmetic
// moving, and a failure. Moved results of the first pass alone are this C
// library answering differently: reported with their count and an example,
// and passing (characterisation_other_c_library preloads a deliberately
// different cexp, and on x86_64 characterisation_glibc_without_fma runs
// glibc's implementations for processors without FMA; the
// characterisation_altered tests preload a Gamma with one coefficient
// altered or one comparison swapped, which must fail under both C
// libraries).
//
// Calls: 100000 per function, 50000 for the single-fraction incomplete beta,
// whose calls near x = 1 cost the most. The whole test (with the C interface
// and array checks below) takes about two seconds natively and half a
// minute under qemu.
//
// Stored data, in tests/data/characterisation/ (format in pinned_set.cpp):
//   x86_64.bin    for every function: the number of calls, a 64-bit digest of
//                 the arguments, a 64-bit digest of all result bits in call
//                 order, one check byte per call (a hash of that call's
//                 result bits), and for the exact subset a digest of its
//                 results and the table of the C library calls it makes,
//                 with their answers;
//   aarch64.bin   for the functions whose results or C library answers
//                 differ on aarch64 (cstirf and z_gamma, through the C
//                 library's cpow and cexp and the compiler's complex
//                 division), aarch64's digests, a patch to the x86_64 check
//                 bytes and aarch64's own table.
// Every result bit is pinned, except that all NaNs count as one: the sign of
// a NaN made by an invalid operation, or picked from two NaN operands, follows
// the operand order the compiler chooses (x86_64 and aarch64 also give the
// default NaN opposite signs), and the sanitizer build chooses differently
// from the plain one. The promised bits of the domain-error and step-cap NaN
// are checked by the tests of those functions.
//
// A moved bit changes the digest and, with probability 255/256, the check
// byte of its call; the failure then names the first call whose check byte
// differs, with its arguments and new result as hex-floats and its C library
// calls (the old result: the same call through the `varnel` evaluator of an
// unchanged build).
//
// Regenerating, only when results are meant to change or the machine that
// pins them gets another C library (x86_64 first, since the aarch64 file is
// written as its differences from the x86_64 one; the x86_64 data are made on
// a processor with FMA and AVX2, whose glibc implementations they pin):
//   VARNEL_CHARACTERISATION_WRITE=1 build/tests/characterisation_test
//   VARNEL_CHARACTERISATION_WRITE=1 qemu-aarch64 -L /usr/aarch64-linux-gnu
//     -E LD_LIBRARY_PATH=/usr/aarch64-linux-gnu/lib
//       build-arm/tests/characterisation_test
// Each writes its platform's file into the source tree, and then runs the
// exact pass against what it wrote.
#include <gtest/gtest.h>

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "c_calls.hpp"
#include "exported_calls.hpp"
#include "pinned_set.hpp"

namespace {

using varnel::pinned::arguments;
using varnel::pinned::find_plan;
using varnel::pinned::Plan;
using varnel::pinned::plans;
using varnel::test::Args;
using varnel::test::Exported;
using varnel::test::Result;

const std::string kDataDir = std::string(VARNEL_TEST_DATA) + "/characterisation";

bool writing() {
  const char* v = std::getenv("VARNEL_CHARACTERISATION_WRITE");
  return v != nullptr && *v != '\0';
}

TEST(Characterisation, EveryExportedFunctionHasAPlan) {
  for (const Exported& fn : varnel::test::exported_functions()) {
    EXPECT_NE(find_plan(fn.id), nullptr) << fn.id << " has no characterisation plan";
  }
  EXPECT_EQ(plans().size(), varnel::test::exported_functions().size());
}

// Writes this platform's data file; on aarch64, patches to the x86_64 records
// of the functions whose results or answers differ there. Then holds the
// library against what it wrote, both passes.
TEST(Characterisation, WritesDataWhenAsked) {
  using namespace varnel::pinned;
  if (!writing()) GTEST_SKIP() << "set VARNEL_CHARACTERISATION_WRITE=1 to regenerate the data";
  ASSERT_NE(platform(), nullptr) << "no data for this platform";
  const bool is_base = std::string(platform()) == kBasePlatform;
  PinnedSet base;
  if (!is_base) {
    ASSERT_EQ(read_pinned(data_file(kDataDir, kBasePlatform), &base), "");
  }
  PinnedSet out, all;
  for (const Exported& fn : varnel::test::exported_functions()) {
    const Plan* plan = find_plan(fn.id);
    ASSERT_NE(plan, nullptr) << fn.id;
    Measured m = measure(fn, *plan, true);
    std::printf("%-16s %6u calls, %5zu edge rows, exact subset %5u calls with %6zu C library "
                "calls", fn.id, m.pinned.calls, m.edge_rows, m.pinned.exact_calls,
                m.pinned.answers.size());
    all[fn.id] = m.pinned;
    if (!is_base) {
      const auto it = base.find(fn.id);
      ASSERT_NE(it, base.end()) << fn.id << " missing from the x86_64 data";
      ASSERT_EQ(it->second.argument_digest, m.pinned.argument_digest)
          << fn.id << ": arguments differ from the x86_64 ones";
      size_t differ = 0;
      for (size_t i = 0; i < m.pinned.checks.size(); ++i) {
        differ += it->second.checks[i] != m.pinned.checks[i];
      }
      std::printf(", %zu check bytes differ from x86_64", differ);
      const ExactPass same = exact_pass(fn, *plan, m, it->second);
      if (it->second.result_digest == m.pinned.result_digest && same.clean()) {
        std::printf("\n");
        continue;
      }
    }
    std::printf("\n");
    out[fn.id] = std::move(m.pinned);
  }
  const std::string path = data_file(kDataDir, platform());
  ASSERT_TRUE(write_pinned(path, out, is_base ? nullptr : &base)) << "cannot write " << path;
  std::printf("wrote %s\n", path.c_str());
  PinnedSet again;
  ASSERT_EQ(expected_for_platform(kDataDir, &again), "");
  for (const Exported& fn : varnel::test::exported_functions()) {
    const Verdict v = judge(fn, again.at(fn.id));
    EXPECT_EQ(v.kind, Verdict::kSame) << v.summary << v.detail;
  }
}

class Pinning : public ::testing::TestWithParam<const char*> {};

TEST_P(Pinning, ResultBitsAreUnchanged) {
  using namespace varnel::pinned;
  if (writing()) GTEST_SKIP() << "writing the data instead";
  if (platform() == nullptr) GTEST_SKIP() << "no data for this platform";
  static PinnedSet expected;
  static const std::string load_error = expected_for_platform(kDataDir, &expected);
  ASSERT_EQ(load_error, "");

  const std::string id = GetParam();
  const Exported* fn = varnel::test::find_exported(id);
  ASSERT_NE(fn, nullptr);
  const auto it = expected.find(id);
  ASSERT_NE(it, expected.end()) << id << " has no pinned data; regenerate (see the top comment)";
  const Verdict v = judge(*fn, it->second);
  switch (v.kind) {
    case Verdict::kSame:
      return;
    case Verdict::kCLibrary:
      std::printf("%s; for example:%s\n", v.summary.c_str(), v.detail.c_str());
      RecordProperty("c_library_differences", static_cast<int>(v.moved));
      return;
    case Verdict::kArithmetic:
      FAIL() << v.summary << "; the first:" << v.detail
             << "\n(the old results: the same calls through the varnel evaluator of the "
             << "previous build)";
    case Verdict::kUnusable:
      FAIL() << v.summary;
  }
}

std::vector<const char*> all_ids() {
  std::vector<const char*> ids;
  for (const Exported& fn : varnel::test::exported_functions()) ids.push_back(fn.id);
  return ids;
}

INSTANTIATE_TEST_SUITE_P(Exported, Pinning, ::testing::ValuesIn(all_ids()),
                         [](const ::testing::TestParamInfo<const char*>& param) {
                           return std::string(param.param);
                         });

// The C interface (libvarnel-c) on the same arguments: every C function gives
// exactly the bits of its C++ function, NaN sign and payload included, and
// keeps errno as the caller had it.
class CInterface : public ::testing::TestWithParam<const char*> {};

TEST_P(CInterface, GivesTheBitsOfTheCxxFunctionAndKeepsErrno) {
  const std::string id = GetParam();
  const Exported* fn = varnel::test::find_exported(id);
  const varnel::test::CCall* c = varnel::test::find_c_function(id);
  const Plan* plan = find_plan(id);
  ASSERT_NE(fn, nullptr);
  ASSERT_NE(c, nullptr) << id << " has no C function in <varnel/functions.h>";
  ASSERT_NE(plan, nullptr);
  size_t edge_rows = 0;
  const std::vector<Args> args = arguments(*plan, &edge_rows);
  constexpr int kMarker = 0x5eed;
  size_t differ = 0, errno_changed = 0;
  std::string first;
  for (const Args& a : args) {
    errno = kMarker;
    const Result from_c = c->call(a);
    const int errno_after = errno;
    const Result from_cxx = fn->call(a);
    if (from_c == from_cxx && errno_after == kMarker) continue;
    differ += from_c != from_cxx;
    errno_changed += errno_after != kMarker;
    if (first.empty()) {
      first = varnel::test::describe(*fn, a) + ": C " + varnel::test::describe(*fn, from_c) +
              ", C++ " + varnel::test::describe(*fn, from_cxx) + ", errno " +
              std::to_string(errno_after);
    }
  }
  EXPECT_TRUE(first.empty()) << "varnel_" << c->ns << "_" << c->name << ": " << differ
                             << " results differ, errno changed " << errno_changed
                             << " times in " << args.size() << " calls; first: " << first;
}

INSTANTIATE_TEST_SUITE_P(Exported, CInterface, ::testing::ValuesIn(all_ids()),
                         [](const ::testing::TestParamInfo<const char*>& param) {
                           return std::string(param.param);
                         });

// The array versions (varnel_<ns>_<name>_array) on the same arguments, in
// windows of every length that matters to the interleaved kernels (none, fewer
// than a vector's lanes, a few lanes, past one block of 256), laid out as the
// table below says: every element gets the bits of the single C++ call, NaN
// sign and payload included (as in one build the single calls themselves
// do), the call raises exactly the floating-point exceptions the single
// calls raise (inexact aside, which nearly every call raises), errno is
// kept, and no place of the result array outside the elements is written.
// Then the edge rows and the first random rows in one contiguous call.
using varnel::test::ArrayLayout;

const ArrayLayout kArrayLayouts[] = {
    {1, 1, 0, false, "contiguous"},
    {3, 1, 0, false, "arguments with stride 3"},
    {1, 3, 0, false, "result with stride 3"},
    {-1, -1, 0, false, "backwards"},
    {-1, 2, 0, false, "arguments backwards, result forwards with stride 2"},
    {0, 1, 0, false, "increment 0: one argument for every element"},
    {1, 1, 1, false, "arrays one element off the vector alignment"},
    {1, 1, 0, true, "in place"},
    {3, 3, 1, true, "in place, stride 3, unaligned"},
    {-1, -1, 0, true, "in place, backwards"},
};
const size_t kArrayLengths[] = {0, 1, 2, 3, 4, 5, 7, 8, 9, 31, 255, 256, 257, 300};

class ArrayVersions : public ::testing::TestWithParam<const char*> {};

TEST_P(ArrayVersions, GiveTheBitsOfTheSingleCallsAndKeepErrno) {
  const std::string id = GetParam();
  const Exported* fn = varnel::test::find_exported(id);
  const varnel::test::CArrayCall* c = varnel::test::find_c_array_function(id);
  const Plan* plan = find_plan(id);
  ASSERT_NE(fn, nullptr);
  ASSERT_NE(c, nullptr) << id << " has no array version";
  ASSERT_NE(plan, nullptr);
  size_t edge_rows = 0;
  const std::vector<Args> args = arguments(*plan, &edge_rows);
  // The selector is passed once per call: windows are cut from the
  // arguments of one kind at a time, taking the kinds in turn.
  std::map<int, std::vector<Args>> by_kind;
  for (const Args& a : args) by_kind[a.kind].push_back(a);
  std::map<int, size_t> cursor;
  auto kind_at = by_kind.begin();

  constexpr int kMarker = 0x5eed;
  auto check = [&](const std::vector<Args>& window, const ArrayLayout& layout) {
    constexpr int kFlags = FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW | FE_UNDERFLOW;
    std::feclearexcept(FE_ALL_EXCEPT);
    for (const Args& a : window) fn->call(a);
    const int scalar_flags = std::fetestexcept(kFlags);
    std::feclearexcept(FE_ALL_EXCEPT);
    errno = kMarker;
    const varnel::test::ArrayRun run = c->call(window, layout);
    const int errno_after = errno;
    const int array_flags = std::fetestexcept(kFlags);
    EXPECT_EQ(array_flags, scalar_flags) << id << ", " << layout.why << ", n = " << window.size()
                                         << ": floating-point flags differ from the single calls'";
    std::string where = std::string(layout.why) + ", n = " + std::to_string(window.size());
    EXPECT_EQ(errno_after, kMarker) << id << ", " << where << ": errno changed";
    EXPECT_EQ(run.stray_writes, 0u) << id << ", " << where << ": wrote outside the elements";
    if (run.results.size() != window.size()) {
      ADD_FAILURE() << id << ", " << where << ": " << run.results.size() << " results";
      return false;
    }
    for (size_t i = 0; i < window.size(); ++i) {
      const Result want = fn->call(window[i]);
      const Result got = run.results[i];
      if (got != want) {
        ADD_FAILURE() << id << ", " << where << ", element " << i << ": "
                      << varnel::test::describe(*fn, window[i]) << " gives "
                      << varnel::test::describe(*fn, run.results[i]) << ", the single call "
                      << varnel::test::describe(*fn, fn->call(window[i]));
        return false;
      }
    }
    return true;
  };

  for (const ArrayLayout& layout : kArrayLayouts) {
    for (size_t n : kArrayLengths) {
      const std::vector<Args>& pool = kind_at->second;
      size_t& next = cursor[kind_at->first];
      std::vector<Args> window;
      for (size_t i = 0; i < n; ++i) {
        window.push_back(layout.inc == 0 && i > 0 ? window[0] : pool[next]);
        next = (next + 1) % pool.size();
      }
      if (++kind_at == by_kind.end()) kind_at = by_kind.begin();
      if (!check(window, layout)) return;
    }
  }
  // The edge rows come first in every pool; a long contiguous call over
  // them and the first random rows (all of them would add many seconds
  // under qemu and no kind of layout).
  constexpr size_t kLongCall = 4000;
  for (const auto& [kind, pool] : by_kind) {
    const std::vector<Args> head(pool.begin(), pool.begin() + std::min(pool.size(), kLongCall));
    if (!check(head, kArrayLayouts[0])) return;
  }
}

INSTANTIATE_TEST_SUITE_P(Exported, ArrayVersions, ::testing::ValuesIn(all_ids()),
                         [](const ::testing::TestParamInfo<const char*>& param) {
                           return std::string(param.param);
                         });

TEST(CInterface, ListsEveryExportedFunctionOnce) {
  EXPECT_EQ(varnel::test::c_functions().size(), varnel::test::exported_functions().size());
}

}  // namespace
