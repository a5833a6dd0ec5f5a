// The array versions that loop over a scalar function, one per number of
// arguments, shared by the C interface (libvarnel-c) and the inverses
// (libvarnel-stats). Each element's arguments are read before its result is
// written, so y may be an argument array with the same increment.
// Contiguous arrays, the common case, take a loop of their own that the
// compiler turns into plain pointer steps.
#ifndef VARNEL_SRC_ARRAYS_SCALAR_LOOPS_HPP
#define VARNEL_SRC_ARRAYS_SCALAR_LOOPS_HPP

#include <cstddef>

#include "arrays/strided.hpp"

namespace varnel::arrays {

template <auto f, typename T>
void loop_1(std::size_t n, const T* x, std::ptrdiff_t incx, T* y, std::ptrdiff_t incy) noexcept {
  if (incx == 1 && incy == 1) {
    for (std::size_t i = 0; i < n; ++i) y[i] = f(x[i]);
    return;
  }
  const Strided<const T> xs{x, incx, n};
  const Strided<T> ys{y, incy, n};
  for (std::size_t i = 0; i < n; ++i) ys[i] = f(xs[i]);
}

template <auto f>
void loop_2(std::size_t n, const double* a, std::ptrdiff_t inca, const double* x,
            std::ptrdiff_t incx, double* y, std::ptrdiff_t incy) noexcept {
  if (inca == 1 && incx == 1 && incy == 1) {
    for (std::size_t i = 0; i < n; ++i) y[i] = f(a[i], x[i]);
    return;
  }
  const Strided<const double> as{a, inca, n};
  const Strided<const double> xs{x, incx, n};
  const Strided<double> ys{y, incy, n};
  for (std::size_t i = 0; i < n; ++i) ys[i] = f(as[i], xs[i]);
}

template <auto f>
void loop_3(std::size_t n, const double* a, std::ptrdiff_t inca, const double* b,
            std::ptrdiff_t incb, const double* x, std::ptrdiff_t incx, double* y,
            std::ptrdiff_t incy) noexcept {
  if (inca == 1 && incb == 1 && incx == 1 && incy == 1) {
    for (std::size_t i = 0; i < n; ++i) y[i] = f(a[i], b[i], x[i]);
    return;
  }
  const Strided<const double> as{a, inca, n};
  const Strided<const double> bs{b, incb, n};
  const Strided<const double> xs{x, incx, n};
  const Strided<double> ys{y, incy, n};
  for (std::size_t i = 0; i < n; ++i) ys[i] = f(as[i], bs[i], xs[i]);
}

}  // namespace varnel::arrays

#endif  // VARNEL_SRC_ARRAYS_SCALAR_LOOPS_HPP
