// A strided array as the array entry points take it, BLAS-style: element i
// is base[i * inc] for inc >= 0 (inc = 0 repeats one value) and
// base[(n - 1 - i) * -inc] for inc < 0, so that a negative increment walks
// the array backwards from its last element.
#ifndef VARNEL_SRC_ARRAYS_STRIDED_HPP
#define VARNEL_SRC_ARRAYS_STRIDED_HPP

#include <cstddef>

namespace varnel::arrays {

template <typename P>
struct Strided {
  P* base;
  std::ptrdiff_t inc;
  std::size_t n;

  P& operator[](std::size_t i) const noexcept {
    const auto k = static_cast<std::ptrdiff_t>(i);
    const auto last = static_cast<std::ptrdiff_t>(n) - 1;
    return inc >= 0 ? base[k * inc] : base[(last - k) * -inc];
  }
};

}  // namespace varnel::arrays

#endif  // VARNEL_SRC_ARRAYS_STRIDED_HPP
