// The float inverses of libvarnel-stats against the property that defines
// them, at every binary32 target of their open intervals:
//
//   x = s_erf_inv(p):   s_calerf(x, 0) >= p > s_calerf(prev(x), 0)   -1 < p < 1
//   x = s_erfc_inv(q):  s_calerf(x, 1) <= q < s_calerf(prev(x), 1)    0 < q < 2
//
// prev(x) being nextafterf(x, -inf). Both zeros count as targets of erf_inv.
// The targets are walked in the order of their bit patterns, split among
// threads in interleaved blocks so that the threads' shares cost alike.
//
//   exhaustive_float_inverses [--threads N] [--stride K] [--markdown FILE]
//
// --stride K checks every K-th target only (a quick subset; the test suite
// runs one). --markdown writes the result table that docs/accuracy.md
// includes. The exit status is 0 when no target fails.
#include <atomic>
#include <chrono>
#include <cinttypes>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

#include "varnel/stats.hpp"
#include "varnel/varnel.hpp"

namespace {

float from_bits(std::uint32_t b) {
  float f;
  std::memcpy(&f, &b, sizeof f);
  return f;
}

// The binary32 numbers of an open interval in ascending order, as a count and
// a map from an index to the number: the negative ones (bit patterns from the
// largest magnitude down to -0), then the non-negative ones.
struct Range {
  std::uint32_t negatives;  // patterns 0x80000000 | m for m < negatives
  std::uint32_t positives;  // patterns m for m < positives

  std::uint64_t size() const { return std::uint64_t{negatives} + positives; }
  float at(std::uint64_t i) const {
    if (i < negatives) return from_bits(0x80000000u | static_cast<std::uint32_t>(negatives - 1 - i));
    return from_bits(static_cast<std::uint32_t>(i - negatives));
  }
};

// (-1, 1): magnitudes below 1.0f (0x3f800000), both signs, both zeros.
constexpr Range kErfTargets{0x3f800000u, 0x3f800000u};
// (0, 2): positive numbers below 2.0f (0x40000000), zero excluded.
struct ErfcRange {
  std::uint64_t size() const { return 0x40000000u - 1u; }
  float at(std::uint64_t i) const { return from_bits(static_cast<std::uint32_t>(i + 1)); }
};

struct Failure {
  float p;
  float x;
};

struct Tally {
  std::atomic<std::uint64_t> checked{0};
  std::atomic<std::uint64_t> failed{0};
  std::vector<Failure> first;  // the first few, per function
};

bool erf_crosses(float p, float x) {
  if (!std::isfinite(x)) return false;
  const float below = std::nextafterf(x, -INFINITY);
  return varnel::specfun::s_calerf(x, 0) >= p && p > varnel::specfun::s_calerf(below, 0);
}

bool erfc_crosses(float q, float x) {
  if (!std::isfinite(x)) return false;
  const float below = std::nextafterf(x, -INFINITY);
  return varnel::specfun::s_calerf(x, 1) <= q && q < varnel::specfun::s_calerf(below, 1);
}

constexpr std::uint64_t kBlock = 1u << 16;

template <typename R, typename Inverse, typename Crosses>
void run(const R& range, std::uint64_t stride, int threads, Inverse inverse, Crosses crosses, Tally* tally) {
  std::vector<std::thread> pool;
  std::vector<std::vector<Failure>> found(threads);
  for (int t = 0; t < threads; ++t) {
    pool.emplace_back([&, t] {
      std::uint64_t checked = 0;
      std::uint64_t failed = 0;
      const std::uint64_t n = range.size();
      for (std::uint64_t block = static_cast<std::uint64_t>(t) * kBlock; block < n;
           block += static_cast<std::uint64_t>(threads) * kBlock) {
        const std::uint64_t end = block + kBlock < n ? block + kBlock : n;
        // Stride over the global index so that the subset does not depend on
        // the number of threads.
        std::uint64_t i = block + (stride - block % stride) % stride;
        for (; i < end; i += stride) {
          const float p = range.at(i);
          const float x = inverse(p);
          ++checked;
          if (!crosses(p, x)) {
            ++failed;
            if (found[t].size() < 10) found[t].push_back({p, x});
          }
        }
      }
      tally->checked += checked;
      tally->failed += failed;
    });
  }
  for (auto& th : pool) th.join();
  for (const auto& f : found) {
    for (const auto& one : f) {
      if (tally->first.size() < 10) tally->first.push_back(one);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  int threads = 2;
  std::uint64_t stride = 1;
  const char* markdown = nullptr;
  for (int k = 1; k < argc; ++k) {
    if (std::strcmp(argv[k], "--threads") == 0 && k + 1 < argc) {
      threads = std::atoi(argv[++k]);
    } else if (std::strcmp(argv[k], "--stride") == 0 && k + 1 < argc) {
      stride = std::strtoull(argv[++k], nullptr, 10);
    } else if (std::strcmp(argv[k], "--markdown") == 0 && k + 1 < argc) {
      markdown = argv[++k];
    } else {
      std::fprintf(stderr, "usage: %s [--threads N] [--stride K] [--markdown FILE]\n", argv[0]);
      return 2;
    }
  }
  if (threads < 1 || stride < 1) return 2;

  struct Line {
    const char* name;
    const char* property;
    const char* interval;
    Tally tally;
    double seconds;
  };
  Line lines[2] = {
      {"s_erf_inv", "s_calerf(x, 0) ≥ p > s_calerf(prev(x), 0)", "(-1, 1), both zeros", {}, 0},
      {"s_erfc_inv", "s_calerf(x, 1) ≤ q < s_calerf(prev(x), 1)", "(0, 2)", {}, 0},
  };
  auto started = std::chrono::steady_clock::now();
  run(kErfTargets, stride, threads, [](float p) { return varnel::stats::s_erf_inv(p); }, erf_crosses,
      &lines[0].tally);
  auto mid = std::chrono::steady_clock::now();
  run(ErfcRange{}, stride, threads, [](float q) { return varnel::stats::s_erfc_inv(q); }, erfc_crosses,
      &lines[1].tally);
  auto done = std::chrono::steady_clock::now();
  lines[0].seconds = std::chrono::duration<double>(mid - started).count();
  lines[1].seconds = std::chrono::duration<double>(done - mid).count();

  bool ok = true;
  for (const auto& l : lines) {
    std::printf("%s: %" PRIu64 " targets checked, %" PRIu64 " fail the crossing property (%.0f s)\n", l.name,
                l.tally.checked.load(), l.tally.failed.load(), l.seconds);
    for (const auto& f : l.tally.first) std::printf("  p = %a (%.9g): x = %a\n", f.p, f.p, f.x);
    ok = ok && l.tally.failed == 0;
  }
  if (markdown != nullptr) {
    FILE* out = std::fopen(markdown, "w");
    if (out == nullptr) {
      std::perror(markdown);
      return 2;
    }
    char date[32];
    const std::time_t now = std::time(nullptr);
    std::strftime(date, sizeof date, "%Y-%m-%d", std::gmtime(&now));
    std::fprintf(out,
                 "Every binary32 target%s of the float inverses' open intervals, checked for the "
                 "crossing property by `tools/exhaustive_float_inverses.cpp` (%d threads, %s):\n\n"
                 "| Function | Property, prev(x) = nextafterf(x, −∞) | Targets | Checked | Failures | Time |\n"
                 "|---|---|---|---:|---:|---:|\n",
                 stride == 1 ? "" : " (a strided subset)", threads, date);
    for (const auto& l : lines) {
      std::fprintf(out, "| `%s` | %s | %s | %" PRIu64 " | %" PRIu64 " | %.0f s |\n", l.name, l.property,
                   l.interval, l.tally.checked.load(), l.tally.failed.load(), l.seconds);
    }
    std::fclose(out);
  }
  return ok ? 0 : 1;
}
