// The array versions of the C functions, made from the list in
// <varnel/functions.h>: varnel_<ns>_<name>_array(n, argument arrays with
// their increments, y, incy) evaluates element after element as the scalar
// function does. For the incomplete gamma and beta functions and the building
// blocks of cephes d_ibeta the interleaved kernels of src/arrays/ take over,
// with the same bits; the other functions gain nothing from interleaving
// (their calls already overlap in the processor, having no long loop) and
// loop over the scalar call.
#include <complex>
#include <cstddef>

#include "arrays/arrays.hpp"
#include "arrays/scalar_loops.hpp"
#include "arrays/strided.hpp"
#include "varnel/varnel.h"
#include "varnel/varnel.hpp"

namespace varnel::c_arrays {
namespace {

using arrays::Strided;
using arrays::loop_1;
using arrays::loop_2;
using arrays::loop_3;

// The loops over the scalar function, one per signature. Each element's
// arguments are read before its result is written, so y may be an argument
// array with the same increment. Contiguous arrays, the common case, take a
// loop of their own that the compiler turns into plain pointer steps.
template <auto f, typename T>
void loop_with_kind(std::size_t n, const T* x, std::ptrdiff_t incx, int kind, T* y,
                    std::ptrdiff_t incy) noexcept {
  if (incx == 1 && incy == 1) {
    for (std::size_t i = 0; i < n; ++i) y[i] = f(x[i], kind);
    return;
  }
  const Strided<const T> xs{x, incx, n};
  const Strided<T> ys{y, incy, n};
  for (std::size_t i = 0; i < n; ++i) ys[i] = f(xs[i], kind);
}

// Per signature tag, the array version of function f: the loop, or the
// interleaved kernel where there is one.
template <auto f>
struct ArrayFI {
  static constexpr auto* function = &loop_with_kind<f, float>;
};
template <auto f>
struct ArrayDI {
  static constexpr auto* function = &loop_with_kind<f, double>;
};
template <auto f>
struct ArrayF {
  static constexpr auto* function = &loop_1<f, float>;
};
template <auto f>
struct ArrayD {
  static constexpr auto* function = &loop_1<f, double>;
};
template <auto f>
struct ArrayZ {
  static constexpr auto* function = &loop_1<f, std::complex<double>>;
};
template <auto f>
struct ArrayDD {
  static constexpr auto* function = &loop_2<f>;
};
template <auto f>
struct ArrayDDD {
  static constexpr auto* function = &loop_3<f>;
};

// The functions with interleaved kernels (see arrays/kernel_list.hpp).
#define VARNEL_C_ARRAY_KERNEL(ns, name, sig)                \
  template <>                                               \
  struct Array##sig<&ns::name> {                            \
    static constexpr auto* function = &arrays::ns##_##name; \
  };
VARNEL_ARRAY_KERNELS(VARNEL_C_ARRAY_KERNEL)
#undef VARNEL_C_ARRAY_KERNEL

}  // namespace
}  // namespace varnel::c_arrays

// The parameter names of each signature's array version, passed on.
#define VARNEL_C_ARRAY_ARGS_FI (n, x, incx, kind, y, incy)
#define VARNEL_C_ARRAY_ARGS_DI (n, x, incx, kind, y, incy)
#define VARNEL_C_ARRAY_ARGS_F (n, x, incx, y, incy)
#define VARNEL_C_ARRAY_ARGS_D (n, x, incx, y, incy)
#define VARNEL_C_ARRAY_ARGS_Z (n, z, incz, y, incy)
#define VARNEL_C_ARRAY_ARGS_DD (n, a, inca, x, incx, y, incy)
#define VARNEL_C_ARRAY_ARGS_DDD (n, a, inca, b, incb, x, incx, y, incy)

#define VARNEL_C_ARRAY(ns, name, sig, meaning)                                              \
  extern "C" VARNEL_C_API void varnel_##ns##_##name##_array VARNEL_ARRAY_PARAMS_##sig {      \
    ::varnel::c_arrays::Array##sig<&::varnel::ns::name>::function VARNEL_C_ARRAY_ARGS_##sig; \
  }
VARNEL_FUNCTIONS(VARNEL_C_ARRAY)
#undef VARNEL_C_ARRAY
