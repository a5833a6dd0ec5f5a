// The C functions of libvarnel-c behind the tests' uniform interface
// (exported_calls.hpp), made from the list in <varnel/functions.h>: for every
// exported function, the call of its C name on the same Args, with the result
// as bit patterns. Tests hold each against the C++ function of the same id.
#ifndef VARNEL_TESTS_C_CALLS_HPP
#define VARNEL_TESTS_C_CALLS_HPP

#include <complex>
#include <cstddef>
#include <cstdlib>
#include <string>
#include <vector>

#include "exported_calls.hpp"
#include "varnel/varnel.h"

namespace varnel::test {

struct CCall {
  const char* ns;
  const char* name;
  Result (*call)(const Args&);
};

// How each signature of the list takes its parameters from Args, as in
// exported_calls.hpp (a complex argument is d[0] + i d[1]).
#define VARNEL_TEST_ARGS_FI (a.f, a.kind)
#define VARNEL_TEST_ARGS_DI (a.d[0], a.kind)
#define VARNEL_TEST_ARGS_F (a.f)
#define VARNEL_TEST_ARGS_D (a.d[0])
#define VARNEL_TEST_ARGS_DD (a.d[0], a.d[1])
#define VARNEL_TEST_ARGS_DDD (a.d[0], a.d[1], a.d[2])
#define VARNEL_TEST_ARGS_Z (varnel_complex(a.d[0], a.d[1]))

inline const std::vector<CCall>& c_functions() {
  using calls_detail::of;
#define VARNEL_TEST_C_CALL(ns, name, sig, meaning) \
  {#ns, #name, [](const Args& a) { return of(varnel_##ns##_##name VARNEL_TEST_ARGS_##sig); }},
  static const std::vector<CCall> table = {VARNEL_FUNCTIONS(VARNEL_TEST_C_CALL)};
#undef VARNEL_TEST_C_CALL
  return table;
}

// The array versions (varnel_<ns>_<name>_array) on a window of elements,
// laid out in strided arrays as a row of a layout table says.
struct ArrayLayout {
  std::ptrdiff_t inc;   // of every argument array; 0 repeats one value
  std::ptrdiff_t incy;  // of the result array
  std::size_t offset;   // elements in front of the first: 1 leaves the arrays
                        // off the alignment of the vector registers
  bool in_place;        // the result overwrites the last argument array
                        // (inc == incy)
  const char* why;
};

// A strided array, BLAS-style (a negative increment walks it backwards from
// its last element), in storage whose other places hold a marker value, so
// that a write to a wrong place shows.
template <typename T>
struct StridedArray {
  std::vector<T> storage;
  std::size_t offset;
  std::ptrdiff_t inc;
  std::size_t n;

  StridedArray(std::size_t n_, std::ptrdiff_t inc_, std::size_t offset_, T marker)
      : storage(offset_ + 1 + (n_ == 0 ? 0 : (n_ - 1) * static_cast<std::size_t>(std::abs(inc_))),
                marker),
        offset(offset_), inc(inc_), n(n_) {}
  std::size_t place(std::size_t i) const {
    const auto k = static_cast<std::ptrdiff_t>(i);
    const auto last = static_cast<std::ptrdiff_t>(n) - 1;
    return offset + static_cast<std::size_t>(inc >= 0 ? k * inc : (last - k) * -inc);
  }
  T* base() { return storage.data() + offset; }
};

struct ArrayRun {
  std::vector<Result> results;
  std::size_t stray_writes = 0;  // result-array places outside the elements changed
};

namespace calls_detail {

inline bool same_bits(float a, float b) { return bits(a) == bits(b); }
inline bool same_bits(double a, double b) { return bits(a) == bits(b); }
inline bool same_bits(std::complex<double> a, std::complex<double> b) {
  return bits(a.real()) == bits(b.real()) && bits(a.imag()) == bits(b.imag());
}

// Element type T, `columns` argument arrays read from Args by get(args,
// column); call(n, argument arrays, y, incy) calls the array version. With
// inc = 0 every element must have the arguments of the first.
template <typename T, typename Get, typename Call>
ArrayRun run_array(const std::vector<Args>& elements, const ArrayLayout& layout, int columns,
                   Get get, Call call) {
  const T marker = T(-1234.5);
  const std::size_t n = elements.size();
  std::vector<StridedArray<T>> arrays;
  for (int c = 0; c < columns; ++c) {
    arrays.emplace_back(n, layout.inc, layout.offset, marker);
    for (std::size_t i = 0; i < n; ++i) arrays[c].storage[arrays[c].place(i)] = get(elements[i], c);
  }
  StridedArray<T> separate(n, layout.incy, layout.offset, marker);
  StridedArray<T>& y = layout.in_place ? arrays.back() : separate;
  call(n, arrays.data(), y.base(), y.inc);
  ArrayRun run;
  std::vector<bool> is_element(y.storage.size(), false);
  for (std::size_t i = 0; i < n; ++i) {
    run.results.push_back(of(y.storage[y.place(i)]));
    is_element[y.place(i)] = true;
  }
  if (!layout.in_place) {
    for (std::size_t k = 0; k < y.storage.size(); ++k) {
      if (!is_element[k] && !same_bits(y.storage[k], marker)) ++run.stray_writes;
    }
  }
  return run;
}

}  // namespace calls_detail

struct CArrayCall {
  const char* ns;
  const char* name;
  // The elements of one call with a selector must share it (kind is passed once).
  ArrayRun (*call)(const std::vector<Args>& elements, const ArrayLayout& layout);
};

#define VARNEL_TEST_ARRAY_FI(function)                                                          \
  run_array<float>(e, l, 1, [](const Args& a, int) { return a.f; },                       \
                   [&](std::size_t n, StridedArray<float>* c, float* y, std::ptrdiff_t iy) { \
                     function(n, c[0].base(), c[0].inc, e.empty() ? 0 : e[0].kind, y, iy);      \
                   })
#define VARNEL_TEST_ARRAY_DI(function)                                                            \
  run_array<double>(e, l, 1, [](const Args& a, int) { return a.d[0]; },                    \
                    [&](std::size_t n, StridedArray<double>* c, double* y, std::ptrdiff_t iy) { \
                      function(n, c[0].base(), c[0].inc, e.empty() ? 0 : e[0].kind, y, iy);       \
                    })
#define VARNEL_TEST_ARRAY_F(function)                                                           \
  run_array<float>(e, l, 1, [](const Args& a, int) { return a.f; },                       \
                   [](std::size_t n, StridedArray<float>* c, float* y, std::ptrdiff_t iy) { \
                     function(n, c[0].base(), c[0].inc, y, iy);                                  \
                   })
#define VARNEL_TEST_ARRAY_D(function)                                                             \
  run_array<double>(e, l, 1, [](const Args& a, int) { return a.d[0]; },                    \
                    [](std::size_t n, StridedArray<double>* c, double* y, std::ptrdiff_t iy) { \
                      function(n, c[0].base(), c[0].inc, y, iy);                                   \
                    })
#define VARNEL_TEST_ARRAY_DD(function)                                                            \
  run_array<double>(e, l, 2, [](const Args& a, int k) { return a.d[k]; },                  \
                    [](std::size_t n, StridedArray<double>* c, double* y, std::ptrdiff_t iy) { \
                      function(n, c[0].base(), c[0].inc, c[1].base(), c[1].inc, y, iy);            \
                    })
#define VARNEL_TEST_ARRAY_DDD(function)                                                           \
  run_array<double>(e, l, 3, [](const Args& a, int k) { return a.d[k]; },                  \
                    [](std::size_t n, StridedArray<double>* c, double* y, std::ptrdiff_t iy) { \
                      function(n, c[0].base(), c[0].inc, c[1].base(), c[1].inc, c[2].base(),      \
                        c[2].inc, y, iy);                                                   \
                    })
#define VARNEL_TEST_ARRAY_Z(function)                                                              \
  run_array<std::complex<double>>(                                                          \
      e, l, 1, [](const Args& a, int) { return std::complex<double>(a.d[0], a.d[1]); },     \
      [](std::size_t n, StridedArray<std::complex<double>>* c, std::complex<double>* y,     \
         std::ptrdiff_t iy) { function(n, c[0].base(), c[0].inc, y, iy); })

inline const std::vector<CArrayCall>& c_array_functions() {
  using calls_detail::run_array;
#define VARNEL_TEST_C_ARRAY_CALL(ns, name, sig, meaning)                    \
  {#ns, #name, [](const std::vector<Args>& e, const ArrayLayout& l) {      \
     return VARNEL_TEST_ARRAY_##sig(varnel_##ns##_##name##_array);          \
   }},
  static const std::vector<CArrayCall> table = {VARNEL_FUNCTIONS(VARNEL_TEST_C_ARRAY_CALL)};
#undef VARNEL_TEST_C_ARRAY_CALL
  return table;
}

inline const CArrayCall* find_c_array_function(const std::string& id) {
  for (const CArrayCall& c : c_array_functions()) {
    if (id == std::string(c.ns) + "_" + c.name) return &c;
  }
  for (const CArrayCall& c : c_array_functions()) {
    if (id == c.name) return &c;
  }
  return nullptr;
}

// The C function for an id of exported_functions(): the function's name, or
// namespace_name where the name alone is not unique (the two d_ibeta).
inline const CCall* find_c_function(const std::string& id) {
  for (const CCall& c : c_functions()) {
    if (id == std::string(c.ns) + "_" + c.name) return &c;
  }
  for (const CCall& c : c_functions()) {
    if (id == c.name) return &c;
  }
  return nullptr;
}

}  // namespace varnel::test

#endif  // VARNEL_TESTS_C_CALLS_HPP
