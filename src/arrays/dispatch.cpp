// The array kernels for the processor at hand: on x86_64 the AVX build where
// the processor and the operating system support AVX, the base build
// otherwise (and on every other architecture).
//
// The choice is made at the first call and kept; two threads making it at
// once make the same choice, so a relaxed atomic suffices. Asking the
// processor (cpuid) is slow, under a hypervisor very slow, so it is asked once.
#include "arrays/arrays.hpp"

#define VARNEL_ISA_NAMESPACE varnel
#include "arrays/isa_kernels.hpp"
#undef VARNEL_ISA_NAMESPACE

#if defined(__x86_64__) && defined(VARNEL_ARRAYS_AVX)
#include <cpuid.h>

#define VARNEL_ISA_NAMESPACE varnel_avx
#include "arrays/isa_kernels.hpp"
#undef VARNEL_ISA_NAMESPACE
#endif

namespace varnel::arrays {
namespace {

#if defined(__x86_64__) && defined(VARNEL_ARRAYS_AVX)
// AVX is usable when the processor has it and the operating system saves the
// 256-bit registers (OSXSAVE, and XCR0 with the SSE and AVX state bits).
bool processor_has_avx() noexcept {
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return false;
  const bool osxsave = (ecx & bit_OSXSAVE) != 0;
  const bool avx = (ecx & bit_AVX) != 0;
  if (!osxsave || !avx) return false;
  unsigned xcr0_low, xcr0_high;
  __asm__("xgetbv" : "=a"(xcr0_low), "=d"(xcr0_high) : "c"(0));
  return (xcr0_low & 0x6) == 0x6;
}

bool use_avx() noexcept {
  static int known = 0;  // 0: not asked yet, 1: no, 2: yes
  int answer = __atomic_load_n(&known, __ATOMIC_RELAXED);
  if (answer == 0) {
    answer = processor_has_avx() ? 2 : 1;
    __atomic_store_n(&known, answer, __ATOMIC_RELAXED);
  }
  return answer == 2;
}
// The kernel called name in the processor's build, called with the
// parenthesised argument list args.
#define VARNEL_DISPATCH(name, args) \
  (use_avx() ? varnel_avx::arrays::isa::name args : isa::name args)
#else
#define VARNEL_DISPATCH(name, args) isa::name args
#endif

}  // namespace

// Each entry point calls its kernel in the processor's build.
#define VARNEL_DEFINE_ENTRY_POINT(ns, name, sig)             \
  void ns##_##name VARNEL_ARRAY_PARAMS_##sig noexcept {      \
    VARNEL_DISPATCH(ns##_##name, VARNEL_KERNEL_ARGS_##sig);  \
  }
VARNEL_ARRAY_KERNELS(VARNEL_DEFINE_ENTRY_POINT)
#undef VARNEL_DEFINE_ENTRY_POINT
#undef VARNEL_DISPATCH

}  // namespace varnel::arrays
