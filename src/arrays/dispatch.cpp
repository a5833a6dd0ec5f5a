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
#define VARNEL_DISPATCH(name, ...) \
  (use_avx() ? varnel_avx::arrays::isa::name(__VA_ARGS__) : isa::name(__VA_ARGS__))
#else
#define VARNEL_DISPATCH(name, ...) isa::name(__VA_ARGS__)
#endif

}  // namespace

void cephes_d_igamma(std::size_t n, const double* a, std::ptrdiff_t inca, const double* x,
                     std::ptrdiff_t incx, double* y, std::ptrdiff_t incy) noexcept {
  VARNEL_DISPATCH(cephes_d_igamma, n, a, inca, x, incx, y, incy);
}

void cephes_d_igamc(std::size_t n, const double* a, std::ptrdiff_t inca, const double* x,
                    std::ptrdiff_t incx, double* y, std::ptrdiff_t incy) noexcept {
  VARNEL_DISPATCH(cephes_d_igamc, n, a, inca, x, incx, y, incy);
}

void cephes_incbcf(std::size_t n, const double* a, std::ptrdiff_t inca, const double* b,
                   std::ptrdiff_t incb, const double* x, std::ptrdiff_t incx, double* y,
                   std::ptrdiff_t incy) noexcept {
  VARNEL_DISPATCH(cephes_incbcf, n, a, inca, b, incb, x, incx, y, incy);
}

void cephes_incbd(std::size_t n, const double* a, std::ptrdiff_t inca, const double* b,
                  std::ptrdiff_t incb, const double* x, std::ptrdiff_t incx, double* y,
                  std::ptrdiff_t incy) noexcept {
  VARNEL_DISPATCH(cephes_incbd, n, a, inca, b, incb, x, incx, y, incy);
}

void cephes_pseries(std::size_t n, const double* a, std::ptrdiff_t inca, const double* b,
                    std::ptrdiff_t incb, const double* x, std::ptrdiff_t incx, double* y,
                    std::ptrdiff_t incy) noexcept {
  VARNEL_DISPATCH(cephes_pseries, n, a, inca, b, incb, x, incx, y, incy);
}

void cephes_d_ibeta(std::size_t n, const double* a, std::ptrdiff_t inca, const double* b,
                    std::ptrdiff_t incb, const double* x, std::ptrdiff_t incx, double* y,
                    std::ptrdiff_t incy) noexcept {
  VARNEL_DISPATCH(cephes_d_ibeta, n, a, inca, b, incb, x, incx, y, incy);
}

void specfun_d_ibeta(std::size_t n, const double* a, std::ptrdiff_t inca, const double* b,
                     std::ptrdiff_t incb, const double* x, std::ptrdiff_t incx, double* y,
                     std::ptrdiff_t incy) noexcept {
  VARNEL_DISPATCH(specfun_d_ibeta, n, a, inca, b, incb, x, incx, y, incy);
}

}  // namespace varnel::arrays
