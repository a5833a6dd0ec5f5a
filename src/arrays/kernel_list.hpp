// The array kernels, listed once: arrays.hpp declares them as the entry
// points, isa_kernels.hpp as one build's kernels, and dispatch.cpp defines
// each entry point as a call of the processor's build. X is applied to each
// kernel's name, its parenthesised parameter list and the argument list that
// passes those parameters on: two arguments (a, x) for the incomplete gamma
// functions, three (a, b, x) for the incomplete beta function and its
// building blocks. Every argument and the result are strided arrays (see
// arrays.hpp).
#ifndef VARNEL_SRC_ARRAYS_KERNEL_LIST_HPP
#define VARNEL_SRC_ARRAYS_KERNEL_LIST_HPP

#include <cstddef>

#define VARNEL_ARRAY_PARAMS_AX                                                         \
  (std::size_t n, const double* a, std::ptrdiff_t inca, const double* x,               \
   std::ptrdiff_t incx, double* y, std::ptrdiff_t incy)
#define VARNEL_ARRAY_ARGS_AX (n, a, inca, x, incx, y, incy)
#define VARNEL_ARRAY_PARAMS_ABX                                                        \
  (std::size_t n, const double* a, std::ptrdiff_t inca, const double* b,               \
   std::ptrdiff_t incb, const double* x, std::ptrdiff_t incx, double* y,               \
   std::ptrdiff_t incy)
#define VARNEL_ARRAY_ARGS_ABX (n, a, inca, b, incb, x, incx, y, incy)

#define VARNEL_ARRAY_KERNELS(X)                                       \
  X(cephes_d_igamma, VARNEL_ARRAY_PARAMS_AX, VARNEL_ARRAY_ARGS_AX)    \
  X(cephes_d_igamc, VARNEL_ARRAY_PARAMS_AX, VARNEL_ARRAY_ARGS_AX)     \
  X(cephes_incbcf, VARNEL_ARRAY_PARAMS_ABX, VARNEL_ARRAY_ARGS_ABX)    \
  X(cephes_incbd, VARNEL_ARRAY_PARAMS_ABX, VARNEL_ARRAY_ARGS_ABX)     \
  X(cephes_pseries, VARNEL_ARRAY_PARAMS_ABX, VARNEL_ARRAY_ARGS_ABX)   \
  X(cephes_d_ibeta, VARNEL_ARRAY_PARAMS_ABX, VARNEL_ARRAY_ARGS_ABX)   \
  X(specfun_d_ibeta, VARNEL_ARRAY_PARAMS_ABX, VARNEL_ARRAY_ARGS_ABX)

// A kernel's declaration, for use with VARNEL_ARRAY_KERNELS.
#define VARNEL_DECLARE_ARRAY_KERNEL(name, params, args) void name params noexcept;

#endif  // VARNEL_SRC_ARRAYS_KERNEL_LIST_HPP
