// The array kernels, listed once: arrays.hpp declares them as the entry
// points, isa_kernels.hpp as one build's kernels, and dispatch.cpp defines
// each entry point as a call of the processor's build. X is applied to each
// kernel's name, its parenthesised parameter list and the argument list that
// passes those parameters on. The parameters are those of the C array
// version of the same function (see <varnel/functions.h>): the incomplete
// gamma functions take (a, x), the incomplete beta function and its building
// blocks (a, b, x), every argument and the result as a strided array (see
// arrays.hpp).
#ifndef VARNEL_SRC_ARRAYS_KERNEL_LIST_HPP
#define VARNEL_SRC_ARRAYS_KERNEL_LIST_HPP

#include "varnel/functions.h"

#define VARNEL_KERNEL_ARGS_DD (n, a, inca, x, incx, y, incy)
#define VARNEL_KERNEL_ARGS_DDD (n, a, inca, b, incb, x, incx, y, incy)

#define VARNEL_ARRAY_KERNELS(X)                                       \
  X(cephes_d_igamma, VARNEL_ARRAY_PARAMS_DD, VARNEL_KERNEL_ARGS_DD)   \
  X(cephes_d_igamc, VARNEL_ARRAY_PARAMS_DD, VARNEL_KERNEL_ARGS_DD)    \
  X(cephes_incbcf, VARNEL_ARRAY_PARAMS_DDD, VARNEL_KERNEL_ARGS_DDD)   \
  X(cephes_incbd, VARNEL_ARRAY_PARAMS_DDD, VARNEL_KERNEL_ARGS_DDD)    \
  X(cephes_pseries, VARNEL_ARRAY_PARAMS_DDD, VARNEL_KERNEL_ARGS_DDD)  \
  X(cephes_d_ibeta, VARNEL_ARRAY_PARAMS_DDD, VARNEL_KERNEL_ARGS_DDD)  \
  X(specfun_d_ibeta, VARNEL_ARRAY_PARAMS_DDD, VARNEL_KERNEL_ARGS_DDD)

// A kernel's declaration, for use with VARNEL_ARRAY_KERNELS.
#define VARNEL_DECLARE_ARRAY_KERNEL(name, params, args) void name params noexcept;

#endif  // VARNEL_SRC_ARRAYS_KERNEL_LIST_HPP
