// The array kernels, listed once: arrays.hpp declares them as the entry
// points, isa_kernels.hpp as one build's kernels, dispatch.cpp defines each
// entry point as a call of the processor's build, and single_calls.hpp and
// library_calls.cpp give the kernels the exported scalar functions.
//
// VARNEL_ARRAY_KERNELS(X) expands X(ns, name, sig) once per kernel, in the
// form of <varnel/functions.h>: the kernel of varnel::<ns>::<name> is called
// <ns>_<name>, takes the parameters of the C array version of that function
// (VARNEL_ARRAY_PARAMS_<sig>) and passes them on as VARNEL_KERNEL_ARGS_<sig>.
#ifndef VARNEL_SRC_ARRAYS_KERNEL_LIST_HPP
#define VARNEL_SRC_ARRAYS_KERNEL_LIST_HPP

#include "varnel/functions.h"

#define VARNEL_ARRAY_KERNELS(X) \
  X(cephes, d_igamma, DD)       \
  X(cephes, d_igamc, DD)        \
  X(cephes, incbcf, DDD)        \
  X(cephes, incbd, DDD)         \
  X(cephes, pseries, DDD)       \
  X(cephes, d_ibeta, DDD)       \
  X(specfun, d_ibeta, DDD)

#define VARNEL_KERNEL_ARGS_DD (n, a, inca, x, incx, y, incy)
#define VARNEL_KERNEL_ARGS_DDD (n, a, inca, b, incb, x, incx, y, incy)

// A kernel's declaration, for use with VARNEL_ARRAY_KERNELS.
#define VARNEL_DECLARE_ARRAY_KERNEL(ns, name, sig) \
  void ns##_##name VARNEL_ARRAY_PARAMS_##sig noexcept;

#endif  // VARNEL_SRC_ARRAYS_KERNEL_LIST_HPP
