// What the fuzz targets of libvarnel-stats share: the allocation counter,
// the bits of a result, and the choice of the target from
// VARNEL_FUZZ_FUNCTION.
#ifndef VARNEL_FUZZ_FUZZ_SUPPORT_HPP
#define VARNEL_FUZZ_FUZZ_SUPPORT_HPP

#include <sanitizer/allocator_interface.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace varnel::fuzz {

// Allocations made by the fuzzing thread while counting is up (the
// sanitizer's hooks, installed by count_allocations).
inline thread_local bool counting = false;
inline thread_local std::size_t allocations = 0;
inline void on_malloc(const volatile void*, std::size_t) {
  if (counting) ++allocations;
}
inline void on_free(const volatile void*) {}
inline void count_allocations() { __sanitizer_install_malloc_and_free_hooks(on_malloc, on_free); }

inline std::uint64_t bits(double x) {
  std::uint64_t b;
  std::memcpy(&b, &x, sizeof b);
  return b;
}

// The entry of the table whose id VARNEL_FUZZ_FUNCTION names; otherwise the
// run stops, listing the ids.
template <typename Entry, std::size_t N>
const Entry* chosen(const Entry (&table)[N]) {
  const char* id = std::getenv("VARNEL_FUZZ_FUNCTION");
  for (const Entry& e : table) {
    if (id && std::strcmp(id, e.id) == 0) return &e;
  }
  std::fprintf(stderr, "set VARNEL_FUZZ_FUNCTION to one of:");
  for (const Entry& e : table) std::fprintf(stderr, " %s", e.id);
  std::fprintf(stderr, "\n");
  std::exit(2);
}

}  // namespace varnel::fuzz

#endif  // VARNEL_FUZZ_FUZZ_SUPPORT_HPP
