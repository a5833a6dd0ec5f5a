// The worker threads that share the large inner loops of the ufuncs.
//
// A loop over n elements is cut into contiguous chunks that the calling thread
// and the workers take from a shared counter, so that an expensive stretch of
// arguments does not leave one thread working alone. Every element is computed
// by the same call whichever thread takes it, so the results do not depend on
// the number of threads. The floating-point status flags of the workers are
// never looked at: the loops (loops.hpp) derive NumPy's warnings from the
// arguments and results of each chunk, not from the flags of whichever
// thread computed it.
#ifndef VARNEL_PYTHON_POOL_HPP
#define VARNEL_PYTHON_POOL_HPP

#include <cstddef>

namespace varnel_python {

using Index = std::ptrdiff_t;

// Runs body(context, begin, end) over [0, n) in chunks. Below min_parallel
// elements, with one thread configured, or while another call is using the
// workers, the whole range runs on the calling thread.
void parallel_for(Index n, Index min_parallel, void (*body)(void*, Index, Index),
                  void* context) noexcept;

// Threads used for one loop, the caller included (at least 1).
int num_threads() noexcept;
// Sets that number; n must be at least 1. Waits for a running loop to end.
void set_num_threads(int n);
// The default: VARNEL_NUM_THREADS if it is a positive integer, otherwise the
// number of cores this process may run on.
int default_num_threads() noexcept;
// Whether VARNEL_NUM_THREADS, if set, is a usable count (1 to 4096).
bool environment_threads_valid() noexcept;

}  // namespace varnel_python

#endif  // VARNEL_PYTHON_POOL_HPP
