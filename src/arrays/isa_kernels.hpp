// The kernels of one build of incomplete.cpp, in namespace
// VARNEL_ISA_NAMESPACE::arrays::isa: `varnel` for the base instruction set,
// `varnel_avx` for the AVX build (compiled with the token varnel renamed, so
// that none of its inline functions can stand in for the base build's). No
// include guard: dispatch.cpp includes it once per build.
#include <cstddef>

namespace VARNEL_ISA_NAMESPACE::arrays::isa {

void cephes_d_igamma(std::size_t n, const double* a, std::ptrdiff_t inca, const double* x,
                     std::ptrdiff_t incx, double* y, std::ptrdiff_t incy) noexcept;
void cephes_d_igamc(std::size_t n, const double* a, std::ptrdiff_t inca, const double* x,
                    std::ptrdiff_t incx, double* y, std::ptrdiff_t incy) noexcept;
void cephes_incbcf(std::size_t n, const double* a, std::ptrdiff_t inca, const double* b,
                   std::ptrdiff_t incb, const double* x, std::ptrdiff_t incx, double* y,
                   std::ptrdiff_t incy) noexcept;
void cephes_incbd(std::size_t n, const double* a, std::ptrdiff_t inca, const double* b,
                  std::ptrdiff_t incb, const double* x, std::ptrdiff_t incx, double* y,
                  std::ptrdiff_t incy) noexcept;
void cephes_pseries(std::size_t n, const double* a, std::ptrdiff_t inca, const double* b,
                    std::ptrdiff_t incb, const double* x, std::ptrdiff_t incx, double* y,
                    std::ptrdiff_t incy) noexcept;
void cephes_d_ibeta(std::size_t n, const double* a, std::ptrdiff_t inca, const double* b,
                    std::ptrdiff_t incb, const double* x, std::ptrdiff_t incx, double* y,
                    std::ptrdiff_t incy) noexcept;
void specfun_d_ibeta(std::size_t n, const double* a, std::ptrdiff_t inca, const double* b,
                     std::ptrdiff_t incb, const double* x, std::ptrdiff_t incx, double* y,
                     std::ptrdiff_t incy) noexcept;

}  // namespace VARNEL_ISA_NAMESPACE::arrays::isa
