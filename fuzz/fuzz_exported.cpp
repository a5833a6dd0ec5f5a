// libFuzzer target for any exported function. The function is named by the
// environment variable VARNEL_FUZZ_FUNCTION (an id of the table in
// tests/exported_calls.hpp, e.g. d_gamma, cephes_d_ibeta); the input bytes
// are its arguments in parameter order, so every bit pattern of every float
// and double, every selector and every complex value can be reached.
//
// Each input is a finding, and the run stops, when the call
//   - crashes or trips a sanitizer (the build adds ASan and UBSan),
//   - does not return within libFuzzer's -timeout,
//   - allocates memory,
//   - changes errno, or gives different bits when called again,
//   - leaves the documented range of the function for arguments inside its
//     domain (P, Q and I_x in [0, 1], erf in [-1, 1], erfc in [0, 2], ...).
#include <sanitizer/allocator_interface.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "exported_calls.hpp"

namespace {

const varnel::test::Exported* target = nullptr;

// Allocations made by the fuzzing thread while the flag is up.
thread_local bool counting = false;
thread_local size_t allocations = 0;

void on_malloc(const volatile void*, size_t) {
  if (counting) ++allocations;
}
void on_free(const volatile void*) {}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const char* id = std::getenv("VARNEL_FUZZ_FUNCTION");
  if (!id) {
    std::fprintf(stderr, "set VARNEL_FUZZ_FUNCTION to one of:");
    for (const auto& e : varnel::test::exported_functions()) std::fprintf(stderr, " %s", e.id);
    std::fprintf(stderr, "\n");
    std::exit(2);
  }
  target = varnel::test::find_exported(id);
  if (!target) {
    std::fprintf(stderr, "unknown function %s\n", id);
    std::exit(2);
  }
  __sanitizer_install_malloc_and_free_hooks(on_malloc, on_free);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const varnel::test::Signature signature = target->signature;
  // Longer inputs say nothing more; keep them out of the corpus.
  if (size > varnel::test::argument_bytes(signature)) return -1;
  const varnel::test::Args args = varnel::test::decode(signature, data, size);

  allocations = 0;
  counting = true;
  (void)target->call(args);
  counting = false;
  if (allocations != 0) {
    std::fprintf(stderr, "FAULT %s allocated %zu times\n",
                 varnel::test::describe(*target, args).c_str(), allocations);
    std::abort();
  }

  const std::string fault = varnel::test::check_call(*target, args);
  if (!fault.empty()) {
    std::fprintf(stderr, "FAULT %s\n", fault.c_str());
    std::abort();
  }
  return 0;
}
