#include "pool.hpp"

#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace varnel_python {
namespace {

// About this many chunks per thread: enough that a thread which drew cheap
// arguments takes over the rest of a slow one's share and that the last
// chunk leaves the others idle only briefly (an element of the incomplete
// functions costs from 30 to 250 ns, depending on its arguments), few
// enough that the shared counter is touched rarely.
constexpr Index kChunksPerThread = 32;
constexpr Index kMinChunk = 256;

struct Job {
  void (*body)(void*, Index, Index);
  void* context;
  Index n;
  Index chunk;
  std::atomic<Index> next{0};
};

void run_chunks(Job& job) noexcept {
  for (;;) {
    const Index begin = job.next.fetch_add(job.chunk, std::memory_order_relaxed);
    if (begin >= job.n) return;
    job.body(job.context, begin, std::min(job.n, begin + job.chunk));
  }
}

int threads_from_environment() noexcept {
  const char* text = std::getenv("VARNEL_NUM_THREADS");
  if (text == nullptr || *text == '\0') return 0;
  char* end = nullptr;
  errno = 0;
  const long value = std::strtol(text, &end, 10);
  if (errno != 0 || *end != '\0' || value < 1 || value > 4096) return 0;
  return static_cast<int>(value);
}

// The threads setting: 0 until first read, then the configured count.
std::atomic<int> g_threads{0};

// The workers. One loop at a time may use them: a second Python thread that
// calls a ufunc meanwhile runs its loop alone rather than waiting.
class Pool {
 public:
  // Pools are never destroyed: worker threads must not be joined while the
  // interpreter shuts down, and a pool left behind by fork() must not be
  // touched in the child at all.
  Pool() = default;
  Pool(const Pool&) = delete;
  Pool& operator=(const Pool&) = delete;

  bool try_run(Job& job, int threads) noexcept {
    std::unique_lock<std::mutex> use(use_, std::try_to_lock);
    if (!use.owns_lock()) return false;
    resize(threads - 1);
    if (workers_.empty()) return false;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      job_ = &job;
      remaining_ = static_cast<int>(workers_.size());
      ++generation_;
    }
    wake_.notify_all();
    run_chunks(job);
    {
      std::unique_lock<std::mutex> lock(mutex_);
      done_.wait(lock, [this] { return remaining_ == 0; });
      job_ = nullptr;
    }
    return true;
  }

  // Waits for a running loop, so that a new setting never meets a job.
  void settle() { std::lock_guard<std::mutex> use(use_); }

 private:
  // Called with use_ held and no job running.
  void resize(int wanted) noexcept {
    const auto size = static_cast<int>(workers_.size());
    if (wanted == size) return;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      wanted_ = wanted;
    }
    if (wanted < size) {
      wake_.notify_all();
      for (int i = wanted; i < size; ++i) workers_[i].join();
      workers_.resize(wanted);
      return;
    }
    for (int index = size; index < wanted; ++index) {
      try {
        workers_.emplace_back(&Pool::work, this, index, generation_);
      } catch (const std::system_error&) {
        break;  // run with the workers we could start
      }
    }
    std::lock_guard<std::mutex> lock(mutex_);
    wanted_ = static_cast<int>(workers_.size());
  }

  void work(int index, std::uint64_t seen) noexcept {
    for (;;) {
      Job* job = nullptr;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        wake_.wait(lock, [&] { return generation_ != seen || index >= wanted_; });
        if (index >= wanted_) return;
        seen = generation_;
        job = job_;
      }
      run_chunks(*job);
      std::lock_guard<std::mutex> lock(mutex_);
      if (--remaining_ == 0) done_.notify_one();
    }
  }

  std::mutex use_;    // held by the loop that owns the workers
  std::mutex mutex_;  // guards the fields below
  std::condition_variable wake_, done_;
  std::vector<std::thread> workers_;
  int wanted_ = 0;
  std::uint64_t generation_ = 0;
  Job* job_ = nullptr;
  int remaining_ = 0;
};

std::atomic<Pool*> g_pool{nullptr};
pthread_mutex_t g_pool_creation = PTHREAD_MUTEX_INITIALIZER;

// A forked child has only the forking thread: the parent's workers do not
// exist there, so the child starts afresh with a pool of its own.
void forget_pool_in_child() noexcept {
  g_pool.store(nullptr);
  g_pool_creation = PTHREAD_MUTEX_INITIALIZER;
}

Pool* pool() noexcept {
  Pool* p = g_pool.load(std::memory_order_acquire);
  if (p != nullptr) return p;
  pthread_mutex_lock(&g_pool_creation);
  p = g_pool.load();
  if (p == nullptr) {
    static const bool registered = (pthread_atfork(nullptr, nullptr, forget_pool_in_child), true);
    (void)registered;
    p = new (std::nothrow) Pool;
    g_pool.store(p, std::memory_order_release);
  }
  pthread_mutex_unlock(&g_pool_creation);
  return p;
}

}  // namespace

int default_num_threads() noexcept {
  if (const int from_env = threads_from_environment()) return from_env;
  cpu_set_t set;
  if (sched_getaffinity(0, sizeof set, &set) == 0) return std::max(1, CPU_COUNT(&set));
  return std::max(1u, std::thread::hardware_concurrency());
}

bool environment_threads_valid() noexcept {
  const char* text = std::getenv("VARNEL_NUM_THREADS");
  return text == nullptr || *text == '\0' || threads_from_environment() != 0;
}

int num_threads() noexcept {
  int n = g_threads.load(std::memory_order_relaxed);
  if (n == 0) {
    n = default_num_threads();
    int expected = 0;
    if (!g_threads.compare_exchange_strong(expected, n)) n = expected;
  }
  return n;
}

void set_num_threads(int n) {
  if (Pool* p = g_pool.load()) p->settle();
  g_threads.store(std::max(1, n));
}

void parallel_for(Index n, Index min_parallel, void (*body)(void*, Index, Index),
                  void* context) noexcept {
  const int threads = num_threads();
  if (threads > 1 && n >= min_parallel && n >= 2 * kMinChunk) {
    Job job;
    job.body = body;
    job.context = context;
    job.n = n;
    job.chunk = std::max(kMinChunk, n / (threads * kChunksPerThread));
    Pool* p = pool();
    if (p != nullptr && p->try_run(job, threads)) return;
  }
  body(context, 0, n);
}

}  // namespace varnel_python
