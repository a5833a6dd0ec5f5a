// The generic strided inner loops. There is one loop per shape of signature;
// the library function it calls arrives through the ufunc's data pointer, so
// no function has a loop of its own and the binding holds no mathematics: each
// element is one call of the exported function with the element's arguments.
#ifndef VARNEL_PYTHON_LOOPS_HPP
#define VARNEL_PYTHON_LOOPS_HPP

#define NPY_NO_DEPRECATED_API NPY_1_7_API_VERSION
#include <numpy/ndarraytypes.h>

#include <climits>
#include <complex>
#include <cstring>
#include <utility>

#include "pool.hpp"

namespace varnel_python {

using AnyFunction = void (*)();

// What a loop receives through the data pointer.
struct LoopData {
  AnyFunction function;  // the library function, cast back by the loop
  Index min_parallel;    // elements from which the loop is shared by threads
  int selector;          // the fixed kind of calerf for erf, erfc and erfcx
};

// Reads an array element of type Stored as the parameter type Param.
template <typename Stored, typename Param>
inline Param load(const char* p) noexcept {
  static_assert(sizeof(Stored) == sizeof(Param), "element and parameter differ");
  Param value;
  std::memcpy(&value, p, sizeof value);
  return value;
}

// The calerf selector arrives as a 64-bit integer. Every selector other than
// 0, 1 and 2 behaves alike, so values beyond int keep their meaning when
// clamped to its range (a plain narrowing could turn 2^32 into erf's 0).
template <>
inline int load<npy_long, int>(const char* p) noexcept {
  npy_long value;
  std::memcpy(&value, p, sizeof value);
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

template <typename T>
inline void store(char* p, T value) noexcept {
  std::memcpy(p, &value, sizeof value);
}

template <typename Function, typename... Stored>
struct Loop;

// A function R(P...) over arrays whose elements are Stored... (the same types
// except the calerf selector); complex<double> has NumPy's complex128 layout.
template <typename R, typename... P, typename... Stored>
struct Loop<R (*)(P...) noexcept, Stored...> {
  static_assert(sizeof...(P) == sizeof...(Stored), "one stored type per parameter");
  using Function = R (*)(P...) noexcept;
  static constexpr std::size_t nin = sizeof...(P);

  struct Context {
    char** args;
    const npy_intp* steps;
    Function function;
  };

  template <std::size_t... I>
  static void run(const Context& c, Index begin, Index end, std::index_sequence<I...>) noexcept {
    char* in[nin] = {(c.args[I] + begin * c.steps[I])...};
    char* out = c.args[nin] + begin * c.steps[nin];
    const npy_intp out_step = c.steps[nin];
    for (Index i = begin; i < end; ++i) {
      store<R>(out, c.function(load<Stored, P>(in[I])...));
      ((in[I] += c.steps[I]), ...);
      out += out_step;
    }
  }

  static void chunk(void* context, Index begin, Index end) noexcept {
    run(*static_cast<const Context*>(context), begin, end, std::index_sequence_for<P...>{});
  }

  static void ufunc_loop(char** args, const npy_intp* dimensions, const npy_intp* steps,
                         void* data) {
    const auto* d = static_cast<const LoopData*>(data);
    const Context context{args, steps, reinterpret_cast<Function>(d->function)};
    parallel_for(dimensions[0], d->min_parallel, &chunk, const_cast<Context*>(&context));
  }
};

// calerf with its selector fixed by the ufunc (erf 0, erfc 1, erfcx 2).
template <typename T>
struct FixedSelectorLoop {
  using Function = T (*)(T, int) noexcept;

  struct Context {
    char** args;
    const npy_intp* steps;
    Function function;
    int selector;
  };

  static void chunk(void* context, Index begin, Index end) noexcept {
    const auto& c = *static_cast<const Context*>(context);
    const char* in = c.args[0] + begin * c.steps[0];
    char* out = c.args[1] + begin * c.steps[1];
    for (Index i = begin; i < end; ++i) {
      store<T>(out, c.function(load<T, T>(in), c.selector));
      in += c.steps[0];
      out += c.steps[1];
    }
  }

  static void ufunc_loop(char** args, const npy_intp* dimensions, const npy_intp* steps,
                         void* data) {
    const auto* d = static_cast<const LoopData*>(data);
    const Context context{args, steps, reinterpret_cast<Function>(d->function), d->selector};
    parallel_for(dimensions[0], d->min_parallel, &chunk, const_cast<Context*>(&context));
  }
};

}  // namespace varnel_python

#endif  // VARNEL_PYTHON_LOOPS_HPP
