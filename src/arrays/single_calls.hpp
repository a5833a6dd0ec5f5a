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
#include "arrays/kernel_list.hpp"

#ifndef VARNEL_ISA_NAMESPACE
#define VARNEL_ISA_NAMESPACE varnel
#define VARNEL_SINGLE_CALLS_DEFAULT_NAMESPACE
#endif

namespace VARNEL_ISA_NAMESPACE::arrays::single {

// The scalar function of each kernel, under the kernel's name.
#define VARNEL_DECLARE_SINGLE_CALL(ns, name, sig) \
  [[gnu::visibility("hidden")]] VARNEL_RESULT_##sig ns##_##name VARNEL_PARAMS_##sig noexcept;
VARNEL_ARRAY_KERNELS(VARNEL_DECLARE_SINGLE_CALL)
#undef VARNEL_DECLARE_SINGLE_CALL

}  // namespace VARNEL_ISA_NAMESPACE::arrays::single

#ifdef VARNEL_SINGLE_CALLS_DEFAULT_NAMESPACE
#undef VARNEL_ISA_NAMESPACE
#undef VARNEL_SINGLE_CALLS_DEFAULT_NAMESPACE
#endif
