// Lanes: several independent elements carried through the same loop at once.
//
// The series and continued fractions of the incomplete gamma and beta
// functions are long chains of dependent divisions: one element leaves the
// divider idle most of the time, and the processor cannot start the next
// element before the current one's loop has ended. Their steps are therefore
// written once, as templates over the number type T, and used twice:
//   T = double  the scalar functions, one element, run to the end;
//   T = Lanes   four elements side by side, one per lane of a vector of
//               doubles, each lane doing exactly the operations the scalar
//               step would do on its element.
// Vector arithmetic is element-wise IEEE arithmetic, so every lane gets the
// bits of the scalar step. What differs is control: where the scalar step
// branches, the lanes compute under a mask (select below) and never divide by
// a value the scalar code would not have divided by, so no lane raises a
// floating-point flag its element would not raise alone.
//
// The helpers below come in pairs, one for double and one for Lanes, so that
// a step reads the same for both. Comparisons are quiet (no invalid flag for
// a quiet NaN operand), with the truth values of the ordinary operators.
#ifndef VARNEL_SRC_LANES_HPP
#define VARNEL_SRC_LANES_HPP

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#if defined(__AVX__) || defined(__SSE2__)
#include <immintrin.h>
#endif

// Every function here is inline and internal, so the vector-passing ABI note
// GCC gives for 32-byte vectors in a build without AVX concerns no interface.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpsabi"

namespace varnel::detail {

// The lanes fill one vector register: four doubles where the kernels are
// compiled for AVX (x86_64), two for plain SSE2 and for Neon (aarch64). A
// wider vector than the registers would be split by the compiler into
// element-by-element code.
#if defined(__AVX__)
constexpr int kLanes = 4;
#else
constexpr int kLanes = 2;
#endif
typedef double Lanes __attribute__((vector_size(kLanes * sizeof(double))));
typedef std::int64_t LaneMask __attribute__((vector_size(kLanes * sizeof(double))));

// --- scalar versions -------------------------------------------------------

inline double select(bool condition, double if_true, double if_false) noexcept {
  return condition ? if_true : if_false;
}
inline double magnitude(double v) noexcept { return std::fabs(v); }
inline bool quiet_greater(double a, double b) noexcept { return std::isgreater(a, b); }
inline bool quiet_less(double a, double b) noexcept { return std::isless(a, b); }
inline bool quiet_greater_equal(double a, double b) noexcept {
  return std::isgreaterequal(a, b);
}
inline bool not_zero(double v) noexcept { return v != 0; }  // == and != are quiet
inline bool negation(bool condition) noexcept { return !condition; }
inline bool either(bool a, bool b) noexcept { return a || b; }
// numerator / denominator where the condition holds, otherwise elsewhere: a
// branch for one element; for lanes the quotient of every lane, with the
// denominator replaced by 1 where the condition fails, so that no lane
// divides by what its element would not have divided by.
inline double quotient_where(bool condition, double numerator, double denominator,
                             double otherwise) noexcept {
  return condition ? numerator / denominator : otherwise;
}
// Multiplies the values by factor where the condition holds: a branch for
// one element, whose rescalings are rare and well predicted, and a masked
// product for lanes.
template <typename... Values>
inline void scale_where(bool condition, double factor, Values&... values) noexcept {
  if (condition) ((values = values * factor), ...);
}

// --- lane versions ---------------------------------------------------------

inline Lanes broadcast(double v) noexcept { return Lanes{} + v; }
// Every mask here is all ones or all zeros per lane, so select is a bitwise
// blend. Written as the vector ?:, or as a blend the compiler recognises as
// one, it would first test each lane against zero, which without AVX2 or
// SSE4.1 GCC does one lane at a time; the SSE2 intrinsics keep it three
// instructions.
inline Lanes select(LaneMask condition, Lanes if_true, Lanes if_false) noexcept {
#if defined(__AVX__)
  // One blend instruction, out of the compiler's sight: GCC rewrites the
  // intrinsic into the vector ?: and then splits that into lanes.
  Lanes blended;
  __asm__("vblendvpd %3, %2, %1, %0"
          : "=x"(blended)
          : "x"(if_false), "x"(if_true), "x"(reinterpret_cast<Lanes>(condition)));
  return blended;
#elif defined(__SSE2__)
  const Lanes m = reinterpret_cast<Lanes>(condition);
  return _mm_or_pd(_mm_and_pd(m, if_true), _mm_andnot_pd(m, if_false));
#else
  const LaneMask t = reinterpret_cast<LaneMask>(if_true);
  const LaneMask f = reinterpret_cast<LaneMask>(if_false);
  return reinterpret_cast<Lanes>((t & condition) | (f & ~condition));
#endif
}
// fabs: clear the sign bit, the same bits as std::fabs.
inline Lanes magnitude(Lanes v) noexcept {
  return reinterpret_cast<Lanes>(reinterpret_cast<LaneMask>(v) & INT64_MAX);
}
#if defined(__AVX__)
// AVX compares with any predicate; the ordered quiet ones are those of
// std::isgreater and its kin.
inline LaneMask quiet_greater(Lanes a, Lanes b) noexcept {
  return reinterpret_cast<LaneMask>(_mm256_cmp_pd(a, b, _CMP_GT_OQ));
}
inline LaneMask quiet_greater_equal(Lanes a, Lanes b) noexcept {
  return reinterpret_cast<LaneMask>(_mm256_cmp_pd(a, b, _CMP_GE_OQ));
}
#else
// SSE2's and Neon's greater-than raise invalid for a quiet NaN; equality
// does not. Lanes with a NaN operand compare zeros instead, and are false in
// the result, as the quiet comparison is.
inline LaneMask ordered(Lanes a, Lanes b) noexcept { return (a == a) & (b == b); }
// The ordered vector comparisons of operands that hold no NaN. On aarch64 they
// are written as the one Neon instruction each: Clang, keeping the
// floating-point exceptions as the library asks, would otherwise split a
// vector > into one signalling scalar compare (fcmpe) per lane, harmless here
// but not what the machine-code guard lets through.
#if defined(__aarch64__)
inline LaneMask greater_mask(Lanes a, Lanes b) noexcept {
  LaneMask mask;
  __asm__("fcmgt %0.2d, %1.2d, %2.2d" : "=w"(mask) : "w"(a), "w"(b));
  return mask;
}
inline LaneMask greater_equal_mask(Lanes a, Lanes b) noexcept {
  LaneMask mask;
  __asm__("fcmge %0.2d, %1.2d, %2.2d" : "=w"(mask) : "w"(a), "w"(b));
  return mask;
}
#else
inline LaneMask greater_mask(Lanes a, Lanes b) noexcept { return a > b; }
inline LaneMask greater_equal_mask(Lanes a, Lanes b) noexcept { return a >= b; }
#endif
inline LaneMask quiet_greater(Lanes a, Lanes b) noexcept {
  const LaneMask both = ordered(a, b);
  const Lanes zero = {};
  return both & greater_mask(select(both, a, zero), select(both, b, zero));
}
inline LaneMask quiet_greater_equal(Lanes a, Lanes b) noexcept {
  const LaneMask both = ordered(a, b);
  const Lanes zero = {};
  return both & greater_equal_mask(select(both, a, zero), select(both, b, zero));
}
#endif
inline LaneMask quiet_less(Lanes a, Lanes b) noexcept { return quiet_greater(b, a); }
inline LaneMask not_zero(Lanes v) noexcept { return v != Lanes{}; }
inline LaneMask negation(LaneMask condition) noexcept { return ~condition; }
inline LaneMask either(LaneMask a, LaneMask b) noexcept { return a | b; }
inline Lanes quotient_where(LaneMask condition, Lanes numerator, Lanes denominator,
                            Lanes otherwise) noexcept {
  return select(condition, numerator / select(condition, denominator, broadcast(1.0)), otherwise);
}
template <typename... Values>
inline void scale_where(LaneMask condition, double factor, Values&... values) noexcept {
  ((values = select(condition, values * factor, values)), ...);
}

// Bit l set where lane l of the mask is set.
inline unsigned lane_bits(LaneMask condition) noexcept {
#if defined(__AVX__)
  return static_cast<unsigned>(_mm256_movemask_pd(reinterpret_cast<Lanes>(condition)));
#elif defined(__SSE2__)
  return static_cast<unsigned>(_mm_movemask_pd(reinterpret_cast<Lanes>(condition)));
#else
  unsigned bits = 0;
  for (int lane = 0; lane < kLanes; ++lane) bits |= (condition[lane] != 0 ? 1u : 0u) << lane;
  return bits;
#endif
}

// The mask of lane l alone, read from a row of zeros around one set entry.
inline LaneMask lane_mask(int lane) noexcept {
  static constexpr std::int64_t kRow[2 * kLanes - 1] = {
#if defined(__AVX__)
      0, 0, 0, -1, 0, 0, 0
#else
      0, -1, 0
#endif
  };
  LaneMask mask;
  std::memcpy(&mask, &kRow[kLanes - 1 - lane], sizeof mask);
  return mask;
}

inline bool any(bool condition) noexcept { return condition; }
inline bool any(LaneMask condition) noexcept {
#if defined(__AVX__)
  return _mm256_movemask_pd(reinterpret_cast<Lanes>(condition)) != 0;
#elif defined(__SSE2__)
  return _mm_movemask_pd(reinterpret_cast<Lanes>(condition)) != 0;
#else
  return (condition[0] | condition[1]) != 0;
#endif
}

// --- the round-robin driver -------------------------------------------------

// Runs the loop Step over `count` elements, kLanes at a time. Step<T> holds
// the loop's running values as T members, with
//   T-mask step()           one iteration; true where the loop has ended;
//   zip(other, f)           f(member, other's member) for every member pair
//                           of a Step<T> and a Step<U>;
//   static limit            the number of steps after which an element stops
//                           (the step cap or a fixed count), and
//   static stop_is_failure  whether stopping there fails the element (the
//                           capped loops) or ends it normally (a fixed count).
// start(i) gives element i's state before its first step; finish(i, state,
// failed) receives the state after its last. A lane whose element has ended
// is refilled at once with the next element, so lanes with short and long
// loops do not wait for each other; once no element is left, an idle lane
// repeats another lane's work, whose results are dropped (it raises no flag
// that lane does not raise too).
//
// Lanes are taken out and put in with element extraction and masked blends,
// never by writing single doubles to memory and reading them back as a
// vector: the processor cannot forward such stores to the vector load and
// would stall at every refill.
//
// Returns the number of steps the elements took, all together.
template <template <typename> class Step, typename Start, typename Finish>
std::int64_t run_in_lanes(std::size_t count, Start&& start, Finish&& finish) noexcept {
  constexpr std::int64_t kLimit = Step<double>::limit;
  constexpr unsigned kAllLanes = (1u << kLanes) - 1;
  if (count == 0) return 0;

  Step<Lanes> running;
  auto put = [&running](int lane, const Step<double>& state) {
    const LaneMask where = lane_mask(lane);
    running.zip(state, [where](Lanes& v, const double& d) { v = select(where, broadcast(d), v); });
  };
  auto take = [&running](int lane) {
    Step<double> state;
    state.zip(running, [lane](double& d, const Lanes& v) { d = v[lane]; });
    return state;
  };

  std::size_t element[kLanes];
  std::int64_t begun[kLanes] = {};  // the step count at which the lane's element began
  std::int64_t lane_limit[kLanes];  // the step count at which the lane's element stops
  unsigned live = 1;                // lanes with an element; the others repeat a live lane
  std::size_t next = 1;
  {
    const Step<double> first = start(0);
    running.zip(first, [](Lanes& v, const double& d) { v = broadcast(d); });
  }
  for (int lane = 0; lane < kLanes; ++lane) {
    element[lane] = 0;
    lane_limit[lane] = lane == 0 ? kLimit : INT64_MAX;
    if (lane > 0 && next < count) {
      lane_limit[lane] = kLimit;
      element[lane] = next;
      put(lane, start(next++));
      live |= 1u << lane;
    }
  }

  std::int64_t steps = 0;
  std::int64_t taken = 0;            // the steps of the elements finished
  std::int64_t next_limit = kLimit;  // the first step count at which some lane stops
  while (live != 0) {
    LaneMask ended;
    do {
      ended = running.step();
      ++steps;
    } while (!any(ended) && steps < next_limit);

    // The lanes whose loop ended, or which have taken their last allowed
    // step, one by one (rarely more than one).
    const unsigned converged = lane_bits(ended) & live;
    unsigned stopping = converged;
    if (steps >= next_limit) {
      for (int lane = 0; lane < kLanes; ++lane) {
        if (lane_limit[lane] <= steps) stopping |= (1u << lane) & live;
      }
    }
    while (stopping != 0) {
      const int lane = __builtin_ctz(stopping);
      stopping &= stopping - 1;
      const bool failed = Step<double>::stop_is_failure && (converged & (1u << lane)) == 0;
      finish(element[lane], take(lane), failed);
      taken += steps - begun[lane];
      if (next < count) {
        element[lane] = next;
        put(lane, start(next++));
        begun[lane] = steps;
        lane_limit[lane] = steps + kLimit;
      } else {
        live &= ~(1u << lane);
        lane_limit[lane] = INT64_MAX;
      }
    }
    // Once lanes fall idle, they take over a live lane's state, so that they
    // raise no flag of their own.
    if (live != kAllLanes && live != 0) {
      const Step<double> copy = take(__builtin_ctz(live));
      for (int lane = 0; lane < kLanes; ++lane) {
        if ((live & (1u << lane)) == 0) put(lane, copy);
      }
    }
    next_limit = INT64_MAX;
    for (int lane = 0; lane < kLanes; ++lane) {
      if (lane_limit[lane] < next_limit) next_limit = lane_limit[lane];
    }
  }
  return taken;
}

// Runs one element's loop to its end with the scalar step: true when it ended
// within the limit (or, where stopping at the limit is not a failure, at it).
// Always inlined, so that the state lives in registers and not in memory
// behind a reference.
template <template <typename> class Step>
[[gnu::always_inline]] inline bool run_to_end(Step<double>& state) noexcept {
  for (std::int64_t steps = 1;; ++steps) {
    if (state.step()) return true;
    if (steps >= Step<double>::limit) return !Step<double>::stop_is_failure;
  }
}

}  // namespace varnel::detail

#pragma GCC diagnostic pop

#endif  // VARNEL_SRC_LANES_HPP
