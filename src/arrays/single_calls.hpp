// The exported scalar functions as the array kernels call them, in namespace
// VARNEL_ISA_NAMESPACE::arrays::single (varnel by default; the AVX build of
// the kernels renames the token varnel). A NaN result is the one place where
// a lane and the scalar function may differ: when two NaN operands meet, the
// processor passes on one of them, and which one follows the operand order
// the compiler picked, which the vector code need not share with the scalar
// code (it differs between compilers and flags alike). The kernels therefore
// take every NaN result, other than the step cap's fixed NaN, from the scalar
// function itself. No include guard: library_calls.cpp includes it once per
// build.
#ifndef VARNEL_ISA_NAMESPACE
#define VARNEL_ISA_NAMESPACE varnel
#define VARNEL_SINGLE_CALLS_DEFAULT_NAMESPACE
#endif

namespace VARNEL_ISA_NAMESPACE::arrays::single {

[[gnu::visibility("hidden")]] double cephes_d_igamma(double a, double x) noexcept;
[[gnu::visibility("hidden")]] double cephes_d_igamc(double a, double x) noexcept;
[[gnu::visibility("hidden")]] double cephes_incbcf(double a, double b, double x) noexcept;
[[gnu::visibility("hidden")]] double cephes_incbd(double a, double b, double x) noexcept;
[[gnu::visibility("hidden")]] double cephes_pseries(double a, double b, double x) noexcept;
[[gnu::visibility("hidden")]] double cephes_d_ibeta(double a, double b, double x) noexcept;
[[gnu::visibility("hidden")]] double specfun_d_ibeta(double a, double b, double x) noexcept;

}  // namespace VARNEL_ISA_NAMESPACE::arrays::single

#ifdef VARNEL_SINGLE_CALLS_DEFAULT_NAMESPACE
#undef VARNEL_ISA_NAMESPACE
#undef VARNEL_SINGLE_CALLS_DEFAULT_NAMESPACE
#endif
