// The generic strided inner loops. There is one loop per shape of signature;
// the library function it calls arrives through the ufunc's data pointer, so
// no function has a loop of its own and the binding holds no mathematics: each
// element is one call of the exported function with the element's arguments.
//
// NumPy turns the floating-point status flags it finds after a loop into its
// warnings. The flags the library happens to raise say little (an ordered
// comparison with a NaN argument raises "invalid", an overflow value returned
// by design may raise "overflow"), so a loop hands none of them on. It sets
// the flags itself instead, from the arguments and the results alone, as
// NumPy's own functions behave:
//   - an element with a NaN argument never warns (missing values pass
//     through silently);
//   - a non-finite result at a pole of the function (finite arguments)
//     raises "divide"; so does the infinite result of an inverse function at
//     an end of its target's interval (erfinv(1), gammaincinv(a, 1)), as
//     NumPy's log(0) does, and every infinite result of a distribution
//     (norm_ppf(1), gamma_pdf at its pole, logpdf outside the support);
//   - otherwise an infinite result (a complex one with at least one infinite
//     part) from finite arguments raises "overflow";
//   - otherwise a NaN result (in either part) raises "invalid";
//   - finite results never warn, whatever they stand for.
// Each chunk is classified after its results are written, by reading back
// the arguments and the results (copies of the arguments the results
// overwrite, in place), so that how a chunk is computed can change without
// touching this; the chunks' flags are joined, so the warnings do not depend
// on which thread computed which chunk.
#ifndef VARNEL_PYTHON_LOOPS_HPP
#define VARNEL_PYTHON_LOOPS_HPP

#include "numpy_api.hpp"
#include <numpy/ndarraytypes.h>

#include <algorithm>
#include <atomic>
#include <cfenv>
#include <climits>
#include <cmath>
#include <complex>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>

#include "pool.hpp"

namespace varnel_python {

using AnyFunction = void (*)();

// Where a function has poles, for the "divide" warning.
enum class Poles {
  None,                 // a non-finite result at finite arguments is an overflow
  NonPositiveIntegers,  // complex z = 0, -1, -2, ... on the real axis
  InfiniteResults,      // an inverse function or a distribution: its infinite
                        // results are exact (the ends of the target's interval,
                        // a pole, the logarithm of 0)
};

// What a loop receives through the data pointer.
struct LoopData {
  AnyFunction function;  // the library function, cast back by the loop
  Index min_parallel;    // elements from which the loop is shared by threads
  int selector;          // the fixed kind of calerf for erf, erfc and erfcx
  Poles poles;
  AnyFunction array_function;  // its array version (libvarnel-c, libvarnel-stats), or null
};

// ---------------------------------------------------------------------------
// Warnings from arguments and results.

inline bool is_nan(float v) noexcept { return std::isnan(v); }
inline bool is_nan(double v) noexcept { return std::isnan(v); }
inline bool is_nan(std::complex<double> v) noexcept {
  return std::isnan(v.real()) || std::isnan(v.imag());
}
inline bool is_nan(int) noexcept { return false; }  // the calerf selector

inline bool is_finite(float v) noexcept { return std::isfinite(v); }
inline bool is_finite(double v) noexcept { return std::isfinite(v); }
inline bool is_finite(std::complex<double> v) noexcept {
  return std::isfinite(v.real()) && std::isfinite(v.imag());
}
inline bool is_finite(int) noexcept { return true; }

// A complex result with one infinite part is an overflow even when the other
// part is NaN (the product of an infinity by a zero in the complex
// arithmetic), as the infinite part says what the value is.
inline bool has_infinite_part(float v) noexcept { return std::isinf(v); }
inline bool has_infinite_part(double v) noexcept { return std::isinf(v); }
inline bool has_infinite_part(std::complex<double> v) noexcept {
  return std::isinf(v.real()) || std::isinf(v.imag());
}

template <typename... P>
inline bool at_pole(Poles, P...) noexcept {
  return false;
}
inline bool at_pole(Poles poles, std::complex<double> z) noexcept {
  return poles == Poles::NonPositiveIntegers && z.imag() == 0 && z.real() <= 0 &&
         std::isfinite(z.real()) && std::floor(z.real()) == z.real();
}

// The flags one element warrants; called for non-finite results only.
template <typename R, typename... P>
inline int warning_of(R result, Poles poles, P... args) noexcept {
  if ((is_nan(args) || ...)) return 0;
  if (at_pole(poles, args...)) return FE_DIVBYZERO;
  if (poles == Poles::InfiniteResults && has_infinite_part(result)) {
    return (is_finite(args) && ...) ? FE_DIVBYZERO : 0;
  }
  if (!is_nan(result) || has_infinite_part(result)) {
    return (is_finite(args) && ...) ? FE_OVERFLOW : 0;
  }
  return FE_INVALID;
}

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

// Whether n elements from a (step_a apart, size_a bytes each) share memory
// with n elements from b.
inline bool overlap(const char* a, npy_intp step_a, std::size_t size_a, const char* b,
                    npy_intp step_b, std::size_t size_b, Index n) noexcept {
  if (n <= 0) return false;
  auto span = [n](const char* p, npy_intp step, std::size_t size) {
    const auto first = reinterpret_cast<std::uintptr_t>(p);
    const auto last = reinterpret_cast<std::uintptr_t>(p + (n - 1) * step);
    return std::make_pair(std::min(first, last), std::max(first, last) + size);
  };
  const auto [a0, a1] = span(a, step_a, size_a);
  const auto [b0, b1] = span(b, step_b, size_b);
  return a0 < b1 && b0 < a1;
}

// What every loop shares: chunks, the in-place case, threads and flags. A
// loop type L provides nin, the element sizes of its arguments (sizes) and
// its result (result_size), a copyable Context beginning with the fields of
// ContextBase, and compute and warnings over the elements [begin, end) of a
// context; compute is the only place that calls the library.
struct ContextBase {
  char** args;
  const npy_intp* steps;
  std::atomic<int>* flags;
  bool in_place;
};

template <typename L>
struct Driver {
  using Context = typename L::Context;
  static constexpr Index kBlock = 128;
  static constexpr std::size_t kMaxElement = 16;  // complex128

  static constexpr bool arguments_fit() {
    for (const std::size_t size : L::sizes) {
      if (size > kMaxElement) return false;
    }
    return true;
  }
  static_assert(arguments_fit(), "an argument element larger than the copies' slots");

  // One chunk of the strided loop: its results, then its warnings. In place
  // (out=x) NumPy gives the output the memory of an argument, whose values
  // the results overwrite: the chunk then goes in blocks whose arguments are
  // first copied aside, and the warnings read the copies.
  static void chunk(void* context, Index begin, Index end) noexcept {
    const Context& c = *static_cast<const Context*>(context);
    int flags = 0;
    if (!c.in_place) {
      L::compute(c, begin, end);
      flags = L::warnings(c, begin, end);
    } else {
      alignas(16) char saved[L::nin][kBlock * kMaxElement];
      char* args[L::nin + 1];
      npy_intp steps[L::nin + 1];
      for (std::size_t i = 0; i < L::nin; ++i) {
        args[i] = saved[i];
        steps[i] = static_cast<npy_intp>(L::sizes[i]);
      }
      steps[L::nin] = c.steps[L::nin];
      Context copies = c;
      copies.args = args;
      copies.steps = steps;
      for (Index b = begin; b < end; b += kBlock) {
        const Index n = std::min(kBlock, end - b);
        for (std::size_t i = 0; i < L::nin; ++i) {
          for (Index k = 0; k < n; ++k) {
            std::memcpy(saved[i] + k * L::sizes[i], c.args[i] + (b + k) * c.steps[i], L::sizes[i]);
          }
        }
        L::compute(c, b, b + n);
        args[L::nin] = c.args[L::nin] + b * c.steps[L::nin];
        flags |= L::warnings(copies, 0, n);
      }
    }
    if (flags != 0) c.flags->fetch_or(flags, std::memory_order_relaxed);
  }

  // A reduce-like call: NumPy's reduce, accumulate and reduceat pass the
  // output as the first argument too, a fixed accumulator (step 0) or the
  // previous output element, and each result is an argument of the next
  // element. That is computed as NumPy's own loops do: one element after
  // the other, in order, on one thread, each element's arguments read just
  // before it (the warnings from that copy). (The ufuncs of two arguments
  // refuse most of these calls, module.cpp, "Reductions"; the rest is the
  // left fold NumPy defines.)
  static void in_order(const Context& c, Index n) noexcept {
    alignas(16) char saved[L::nin][kMaxElement];
    alignas(16) char result[kMaxElement];
    char* args[L::nin + 1];
    npy_intp steps[L::nin + 1] = {};
    for (std::size_t i = 0; i < L::nin; ++i) args[i] = saved[i];
    args[L::nin] = result;
    Context one = c;
    one.args = args;
    one.steps = steps;
    int flags = 0;
    for (Index k = 0; k < n; ++k) {
      for (std::size_t i = 0; i < L::nin; ++i) {
        std::memcpy(saved[i], c.args[i] + k * c.steps[i], L::sizes[i]);
      }
      L::compute(one, 0, 1);
      flags |= L::warnings(one, 0, 1);
      std::memcpy(c.args[L::nin] + k * c.steps[L::nin], result, sizeof(typename L::Result));
    }
    if (flags != 0) c.flags->fetch_or(flags, std::memory_order_relaxed);
  }

  // Runs the chunks and gives NumPy the flags they warrant, and only those:
  // the caller's flags from before the loop (NumPy's input casts may have
  // raised some) are put back, whatever the computation raised.
  static void run(Context context, const npy_intp* dimensions, Index min_parallel) noexcept {
    const Index n = dimensions[0];
    std::atomic<int> flags{0};
    context.flags = &flags;
    context.in_place = false;
    // An argument in the output's memory is in place (out=x) when it is the
    // same elements; any other overlap is a reduce-like call.
    bool reduce_like = false;
    const char* out = context.args[L::nin];
    const npy_intp out_step = context.steps[L::nin];
    for (std::size_t i = 0; i < L::nin; ++i) {
      if (!overlap(context.args[i], context.steps[i], L::sizes[i], out, out_step,
                   sizeof(typename L::Result), n)) {
        continue;
      }
      const bool same = context.args[i] == out && context.steps[i] == out_step &&
                        (out_step != 0 || n == 1);
      context.in_place = context.in_place || same;
      reduce_like = reduce_like || !same;
    }
    std::fexcept_t before;
    std::fegetexceptflag(&before, FE_ALL_EXCEPT);
    if (reduce_like) {
      in_order(context, n);
    } else {
      parallel_for(n, min_parallel, &chunk, &context);
    }
    std::fesetexceptflag(&before, FE_ALL_EXCEPT);
    if (const int raised = flags.load(std::memory_order_relaxed)) std::feraiseexcept(raised);
  }
};

// The array versions of libvarnel-c (varnel_<ns>_<name>_array) for the
// functions of two and three doubles: the incomplete gamma and beta
// functions evaluate several elements at once there, with the bits of one
// call after another. A chunk goes to them when every array is evenly
// strided in whole, aligned doubles; NumPy's steps are in bytes and a
// negative one walks backwards, which the BLAS-style increments express with
// the array's lowest address.
using ArrayFunction2 = void (*)(std::size_t, const double*, std::ptrdiff_t, const double*,
                                std::ptrdiff_t, double*, std::ptrdiff_t);
using ArrayFunction3 = void (*)(std::size_t, const double*, std::ptrdiff_t, const double*,
                                std::ptrdiff_t, const double*, std::ptrdiff_t, double*,
                                std::ptrdiff_t);

struct DoubleArray {
  double* lowest;       // the element at the lowest address
  std::ptrdiff_t inc;   // in elements
};

// The chunk's array at p with the byte step `step`, n elements, when it is a
// strided array of aligned doubles.
inline bool as_double_array(char* p, npy_intp step, Index n, DoubleArray* out) noexcept {
  if (step % static_cast<npy_intp>(sizeof(double)) != 0) return false;
  char* lowest = step >= 0 ? p : p + (n - 1) * step;
  if (reinterpret_cast<std::uintptr_t>(lowest) % alignof(double) != 0) return false;
  out->lowest = reinterpret_cast<double*>(lowest);
  out->inc = step / static_cast<npy_intp>(sizeof(double));
  return true;
}

template <std::size_t N>
inline bool call_array(AnyFunction f, char* const (&in)[N], char* out, const npy_intp* steps,
                       Index n) noexcept {
  DoubleArray a[N + 1];
  for (std::size_t k = 0; k < N; ++k) {
    if (!as_double_array(in[k], steps[k], n, &a[k])) return false;
  }
  if (!as_double_array(out, steps[N], n, &a[N])) return false;
  const auto count = static_cast<std::size_t>(n);
  if constexpr (N == 2) {
    reinterpret_cast<ArrayFunction2>(f)(count, a[0].lowest, a[0].inc, a[1].lowest, a[1].inc,
                                        a[2].lowest, a[2].inc);
    return true;
  } else if constexpr (N == 3) {
    reinterpret_cast<ArrayFunction3>(f)(count, a[0].lowest, a[0].inc, a[1].lowest, a[1].inc,
                                        a[2].lowest, a[2].inc, a[3].lowest, a[3].inc);
    return true;
  } else {
    return false;
  }
}

template <typename Function, typename... Stored>
struct Loop;

// A function R(P...) over arrays whose elements are Stored... (the same types
// except the calerf selector); complex<double> has NumPy's complex128 layout.
template <typename R, typename... P, typename... Stored>
struct Loop<R (*)(P...) noexcept, Stored...> {
  static_assert(sizeof...(P) == sizeof...(Stored), "one stored type per parameter");
  using Function = R (*)(P...) noexcept;
  using Result = R;
  static constexpr std::size_t nin = sizeof...(P);
  static constexpr std::size_t sizes[nin] = {sizeof(Stored)...};

  struct Context : ContextBase {
    Function function;
    Poles poles;
    AnyFunction array_function;
  };

  static void compute(const Context& c, Index begin, Index end) noexcept {
    compute(c, begin, end, std::index_sequence_for<P...>{});
  }
  static int warnings(const Context& c, Index begin, Index end) noexcept {
    return warnings(c, begin, end, std::index_sequence_for<P...>{});
  }

  template <std::size_t... I>
  static void compute(const Context& c, Index begin, Index end, std::index_sequence<I...>) noexcept {
    char* in[nin] = {(c.args[I] + begin * c.steps[I])...};
    char* out = c.args[nin] + begin * c.steps[nin];
    if (c.array_function != nullptr && end > begin &&
        call_array(c.array_function, in, out, c.steps, end - begin)) {
      return;
    }
    const npy_intp out_step = c.steps[nin];
    for (Index i = begin; i < end; ++i) {
      store<R>(out, c.function(load<Stored, P>(in[I])...));
      ((in[I] += c.steps[I]), ...);
      out += out_step;
    }
  }

  template <std::size_t... I>
  static int warnings(const Context& c, Index begin, Index end, std::index_sequence<I...>) noexcept {
    const char* in[nin] = {(c.args[I] + begin * c.steps[I])...};
    const char* out = c.args[nin] + begin * c.steps[nin];
    int flags = 0;
    for (Index i = begin; i < end; ++i) {
      const R result = load<R, R>(out);
      if (!is_finite(result)) flags |= warning_of(result, c.poles, load<Stored, P>(in[I])...);
      ((in[I] += c.steps[I]), ...);
      out += c.steps[nin];
    }
    return flags;
  }

  static void ufunc_loop(char** args, const npy_intp* dimensions, const npy_intp* steps,
                         void* data) {
    const auto* d = static_cast<const LoopData*>(data);
    Context context{};
    context.args = args;
    context.steps = steps;
    context.function = reinterpret_cast<Function>(d->function);
    context.poles = d->poles;
    context.array_function = d->array_function;
    Driver<Loop>::run(context, dimensions, d->min_parallel);
  }
};

// calerf with its selector fixed by the ufunc (erf 0, erfc 1, erfcx 2).
template <typename T>
struct FixedSelectorLoop {
  using Function = T (*)(T, int) noexcept;
  using Result = T;
  static constexpr std::size_t nin = 1;
  static constexpr std::size_t sizes[nin] = {sizeof(T)};

  struct Context : ContextBase {
    Function function;
    int selector;
  };

  static void compute(const Context& c, Index begin, Index end) noexcept {
    const char* in = c.args[0] + begin * c.steps[0];
    char* out = c.args[1] + begin * c.steps[1];
    for (Index i = begin; i < end; ++i) {
      store<T>(out, c.function(load<T, T>(in), c.selector));
      in += c.steps[0];
      out += c.steps[1];
    }
  }

  static int warnings(const Context& c, Index begin, Index end) noexcept {
    const char* in = c.args[0] + begin * c.steps[0];
    const char* out = c.args[1] + begin * c.steps[1];
    int flags = 0;
    for (Index i = begin; i < end; ++i) {
      const T result = load<T, T>(out);
      if (!is_finite(result)) flags |= warning_of(result, Poles::None, load<T, T>(in));
      in += c.steps[0];
      out += c.steps[1];
    }
    return flags;
  }

  static void ufunc_loop(char** args, const npy_intp* dimensions, const npy_intp* steps,
                         void* data) {
    const auto* d = static_cast<const LoopData*>(data);
    Context context{};
    context.args = args;
    context.steps = steps;
    context.function = reinterpret_cast<Function>(d->function);
    context.selector = d->selector;
    Driver<FixedSelectorLoop>::run(context, dimensions, d->min_parallel);
  }
};

}  // namespace varnel_python

#endif  // VARNEL_PYTHON_LOOPS_HPP
