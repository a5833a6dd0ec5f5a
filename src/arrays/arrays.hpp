// Array versions of the incomplete gamma and beta functions, behind the C
// interface's _array entry points.
//
// Each takes n elements from strided arrays, BLAS-style: element i of an
// argument with increment inc >= 0 is base[i * inc] (inc = 0 repeats one
// value); with inc < 0 it is base[(n - 1 - i) * -inc], so that a negative
// increment walks the array backwards. The result y is addressed the same
// way. Element i of y gets exactly the bits of the scalar function on element
// i of the arguments, and errno is kept. y may be one of the argument arrays
// with the same increment (in place); no other overlap of y with an argument
// is allowed. Elements are evaluated in blocks, and a block's arguments are
// all read before any of its results is written.
//
// The kernels exist twice on x86_64, compiled for the base instruction set
// and for AVX (one 256-bit register per four lanes); these entry points pick
// the processor's at the first call. The kernels are listed in
// kernel_list.hpp.
#ifndef VARNEL_SRC_ARRAYS_ARRAYS_HPP
#define VARNEL_SRC_ARRAYS_ARRAYS_HPP

#include "arrays/kernel_list.hpp"

namespace varnel::arrays {

VARNEL_ARRAY_KERNELS(VARNEL_DECLARE_ARRAY_KERNEL)

}  // namespace varnel::arrays

#endif  // VARNEL_SRC_ARRAYS_ARRAYS_HPP
