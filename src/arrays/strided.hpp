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
  // Element 0: base itself, or with a negative increment the last place,
  // from which every element is i increments away; no test per element.
  P* origin;
  std::ptrdiff_t inc;

  Strided(P* base, std::ptrdiff_t inc_, std::size_t n) noexcept
      : origin(inc_ >= 0 || n == 0 ? base : base + (static_cast<std::ptrdiff_t>(n) - 1) * -inc_),
        inc(inc_) {}

  P& operator[](std::size_t i) const noexcept {
    return origin[static_cast<std::ptrdiff_t>(i) * inc];
  }
};

}  // namespace varnel::arrays

#endif  // VARNEL_SRC_ARRAYS_STRIDED_HPP
