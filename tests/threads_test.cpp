// Reentrancy: every exported function, called from several threads at once
// over one shared set of inputs, gives bit for bit what a single-threaded
// pass gave, and leaves each thread's errno as that thread set it. Built also
// with ThreadSanitizer, where any write to shared state would be reported.
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <limits>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "exported_calls.hpp"

namespace {

using varnel::test::Args;
using varnel::test::Exported;
using varnel::test::Result;
using varnel::test::Signature;

constexpr int kThreads = 4;
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Thresholds, poles, signed zeros, subnormals and non-finite values of the
// real families.
const std::vector<double> kEdges = {
    0.0,     -0.0,     5e-324,   -5e-324,  2.2250738585072014e-308, 2.23e-308, 1e-300,
    1e-16,   2.22e-16, 1e-9,     -1e-9,    0.25,    0.46875, -0.46875, 0.5,     -0.5,
    0.6796875, 0.95,   1.0,      -1.0,     1.5,     2.0,     -2.0,     3.0,     4.0,
    -4.0,    6.5,      7.0,      12.0,     18.0,    -18.0,   -18.5,    -19.0,   26.543,
    -26.628, 100.0,    171.624,  171.625,  -170.5,  -171.5,  1e10,     6.71e7,  1e20,
    -1e20,   2.55e305, 1e308,    -1e308,   kInf,    -kInf,   kNaN,     -kNaN};
const std::vector<int> kKinds = {0, 1, 2, 3, -1, std::numeric_limits<int>::min(),
                                 std::numeric_limits<int>::max()};

// A double drawn from one of several distributions: raw bit patterns reach
// the whole range (mostly huge or tiny magnitudes), the others the moderate
// arguments where the algorithms branch.
double random_double(std::mt19937_64& rng) {
  switch (rng() % 4) {
    case 0:
      return varnel::test::from_bits(rng());
    case 1: {
      const double mag = std::pow(10.0, std::uniform_real_distribution<double>(-8, 8)(rng));
      return rng() % 2 ? mag : -mag;
    }
    case 2:
      return static_cast<double>(static_cast<int>(rng() % 161) - 80) / 2;  // halves in [-40, 40]
    default:
      return std::uniform_real_distribution<double>(0, 1)(rng);
  }
}

float random_float(std::mt19937_64& rng) {
  if (rng() % 4 == 0) return varnel::test::from_bits32(static_cast<uint32_t>(rng()));
  return static_cast<float>(random_double(rng));
}

// Edge combinations first, then random arguments.
std::vector<Args> inputs_for(Signature s, int random_count, std::mt19937_64& rng) {
  std::vector<Args> out;
  auto add = [&out](double d0, double d1, double d2, float f, int kind) {
    Args a;
    a.d[0] = d0;
    a.d[1] = d1;
    a.d[2] = d2;
    a.f = f;
    a.kind = kind;
    out.push_back(a);
  };
  switch (s) {
    case Signature::kFloat:
    case Signature::kDouble:
      for (double e : kEdges) add(e, 0, 0, static_cast<float>(e), 0);
      break;
    case Signature::kFloatInt:
    case Signature::kDoubleInt:
      for (double e : kEdges)
        for (int k : kKinds) add(e, 0, 0, static_cast<float>(e), k);
      break;
    case Signature::kDouble2:
    case Signature::kComplex:
      for (double e0 : kEdges)
        for (double e1 : kEdges) add(e0, e1, 0, 0, 0);
      break;
    case Signature::kDouble3: {
      const std::vector<double> params = {0.0, -1.0, 1e-300, 0.5, 1.0, 2.0, 5.0, 1000.0, kInf, kNaN};
      const std::vector<double> xs = {0.0, -0.0, -0.5, 1e-300, 0.1, 0.5, 0.95, 1.0, 1.5, kNaN};
      for (double a : params)
        for (double b : params)
          for (double x : xs) add(a, b, x, 0, 0);
      break;
    }
  }
  for (int i = 0; i < random_count; ++i) {
    const double x3 = (s == Signature::kDouble3 && rng() % 4 != 0)
                          ? std::uniform_real_distribution<double>(0, 1)(rng)
                          : random_double(rng);
    add(random_double(rng), random_double(rng), x3, random_float(rng),
        rng() % 8 == 0 ? static_cast<int>(rng()) : static_cast<int>(rng() % 4));
  }
  return out;
}

struct Job {
  const Exported* fn;
  std::vector<Args> inputs;
  std::vector<Result> want;
};

// Releases all threads at once, so that the calls overlap.
class StartGate {
 public:
  void wait() {
    std::unique_lock<std::mutex> lock(mutex_);
    cv_.wait(lock, [this] { return open_; });
  }
  void open() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      open_ = true;
    }
    cv_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  bool open_ = false;
};

TEST(Threads, EveryFunctionGivesTheSameBitsOnEveryThread) {
  std::mt19937_64 rng(20261208);
  std::vector<Job> jobs;
  for (const Exported& e : varnel::test::exported_functions()) {
    // Arguments that run to an iteration cap would make the test slow
    // without exercising anything the quick ones do not.
    std::vector<Args> inputs;
    for (const Args& a : inputs_for(e.signature, 10000, rng)) {
      if (!varnel::test::may_run_long(e.id, a)) inputs.push_back(a);
    }
    jobs.push_back({&e, std::move(inputs), {}});
  }
  ASSERT_FALSE(jobs.empty());

  size_t calls = 0;
  for (Job& job : jobs) {
    for (const Args& a : job.inputs) job.want.push_back(job.fn->call(a));
    calls += job.inputs.size();
  }

  // Each thread walks the functions and the inputs from its own starting
  // point, so that different threads run different code at the same moment.
  std::vector<std::vector<std::vector<Result>>> got(kThreads);
  std::vector<int> errno_seen(kThreads, 0);
  StartGate gate;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    got[t].resize(jobs.size());
    threads.emplace_back([&, t] {
      gate.wait();
      const int marker = 1000 + t;
      errno = marker;
      for (size_t j = 0; j < jobs.size(); ++j) {
        const size_t job_index = (j + t * jobs.size() / kThreads) % jobs.size();
        const Job& job = jobs[job_index];
        std::vector<Result>& out = got[t][job_index];
        out.resize(job.inputs.size());
        const size_t n = job.inputs.size();
        for (size_t i = 0; i < n; ++i) {
          const size_t k = (i + t * n / kThreads) % n;
          out[k] = job.fn->call(job.inputs[k]);
        }
      }
      errno_seen[t] = errno == marker ? 0 : errno;
    });
  }
  gate.open();
  for (std::thread& th : threads) th.join();

  int mismatches = 0;
  for (int t = 0; t < kThreads; ++t) {
    EXPECT_EQ(errno_seen[t], 0) << "thread " << t << " found its errno changed";
    for (size_t j = 0; j < jobs.size(); ++j) {
      const Job& job = jobs[j];
      for (size_t i = 0; i < job.inputs.size(); ++i) {
        if (got[t][j][i] == job.want[i]) continue;
        if (++mismatches <= 20) {
          ADD_FAILURE() << "thread " << t << ": " << varnel::test::describe(*job.fn, job.inputs[i])
                        << " = " << varnel::test::describe(*job.fn, got[t][j][i])
                        << ", single-threaded " << varnel::test::describe(*job.fn, job.want[i]);
        }
      }
    }
  }
  EXPECT_EQ(mismatches, 0);
  std::printf("%zu functions, %zu inputs, %d threads\n", jobs.size(), calls, kThreads);
}

}  // namespace
