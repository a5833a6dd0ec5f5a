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
#include <type_traits>

// Every function here is inline and internal, so the vector-passing ABI note
// GCC gives for 32-byte vectors in a build without AVX concerns no interface.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpsabi"

namespace varnel::detail {

// Four doubles. Compiled for AVX this is one 256-bit register; for plain
// SSE2 or for Neon (aarch64) the compiler splits every operation into two
// 128-bit halves, which are still exact per lane.
constexpr int kLanes = 4;
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

// --- lane versions ---------------------------------------------------------

inline Lanes broadcast(double v) noexcept { return Lanes{v, v, v, v}; }
inline Lanes select(LaneMask condition, Lanes if_true, Lanes if_false) noexcept {
  return condition ? if_true : if_false;
}
// fabs: clear the sign bit, the same bits as std::fabs.
inline Lanes magnitude(Lanes v) noexcept {
  const LaneMask no_sign = {INT64_MAX, INT64_MAX, INT64_MAX, INT64_MAX};
  return reinterpret_cast<Lanes>(reinterpret_cast<LaneMask>(v) & no_sign);
}
// The vector < and > instructions raise invalid for a quiet NaN on both
// x86_64 and aarch64; equality does not. Lanes with a NaN operand compare
// zeros instead, and are false in the result, as the quiet comparison is.
inline LaneMask ordered(Lanes a, Lanes b) noexcept { return (a == a) & (b == b); }
inline LaneMask quiet_greater(Lanes a, Lanes b) noexcept {
  const LaneMask both = ordered(a, b);
  const Lanes zero = {};
  return both & (select(both, a, zero) > select(both, b, zero));
}
inline LaneMask quiet_less(Lanes a, Lanes b) noexcept { return quiet_greater(b, a); }
inline LaneMask quiet_greater_equal(Lanes a, Lanes b) noexcept {
  const LaneMask both = ordered(a, b);
  const Lanes zero = {};
  return both & (select(both, a, zero) >= select(both, b, zero));
}
inline LaneMask not_zero(Lanes v) noexcept { return v != Lanes{}; }
inline LaneMask negation(LaneMask condition) noexcept { return ~condition; }
inline LaneMask either(LaneMask a, LaneMask b) noexcept { return a | b; }

inline bool any(bool condition) noexcept { return condition; }
inline bool any(LaneMask condition) noexcept {
  std::int64_t all = 0;
  for (int lane = 0; lane < kLanes; ++lane) all |= condition[lane];
  return all != 0;
}

// --- the round-robin driver -------------------------------------------------

// Runs the loop Step over `count` elements, kLanes at a time. Step<T> is a
// struct of T members only (the loop's running values), with
//   T-mask step()           one iteration; true where the loop has ended;
//   static limit            the number of steps after which an element stops
//                           (kIterationCap or a fixed count), and
//   static stop_is_failure  whether stopping there fails the element (the
//                           capped loops) or ends it normally (a fixed count).
// start[i] is element i's state before its first step; finish(i, state,
// failed) receives the state after its last. A lane whose element has ended
// is refilled at once with the next element, so lanes with short and long
// loops do not wait for each other; once no element is left, an idle lane
// repeats another lane's work, whose results are dropped (it raises no flag
// that lane does not raise too).
template <template <typename> class Step, typename Finish>
void run_in_lanes(const Step<double>* start, std::size_t count, Finish&& finish) noexcept {
  static_assert(sizeof(Step<double>) % sizeof(double) == 0 &&
                sizeof(Step<Lanes>) == (sizeof(Step<double>) / sizeof(double)) * sizeof(Lanes) &&
                std::is_trivially_copyable_v<Step<double>> &&
                std::is_trivially_copyable_v<Step<Lanes>>,
                "a step's state must consist of T members only");
  constexpr std::size_t kFields = sizeof(Step<double>) / sizeof(double);
  constexpr std::size_t kIdle = ~std::size_t{0};
  if (count == 0) return;

  // The lanes' state, field by field, kLanes doubles per field.
  union {
    Step<Lanes> vector;
    double field[kFields][kLanes];
  } lanes;
  auto load = [&lanes](int lane, const Step<double>& state) {
    double values[kFields];
    std::memcpy(values, &state, sizeof values);
    for (std::size_t f = 0; f < kFields; ++f) lanes.field[f][lane] = values[f];
  };
  auto unload = [&lanes](int lane) {
    double values[kFields];
    for (std::size_t f = 0; f < kFields; ++f) values[f] = lanes.field[f][lane];
    Step<double> state;
    std::memcpy(&state, values, sizeof values);
    return state;
  };

  std::size_t element[kLanes];
  std::int64_t first_step[kLanes];  // the global step count when the lane was filled
  std::size_t next = 0;
  int active = 0;
  for (int lane = 0; lane < kLanes; ++lane) {
    if (next < count) {
      element[lane] = next;
      load(lane, start[next++]);
      ++active;
    } else {
      element[lane] = kIdle;
      load(lane, start[0]);
    }
    first_step[lane] = 0;
  }

  std::int64_t steps = 0;
  std::int64_t next_limit = Step<double>::limit;  // the first step count at which some lane stops
  while (active > 0) {
    const auto ended = lanes.vector.step();
    ++steps;
    if (!any(ended) && steps < next_limit) continue;

    // Lanes whose loop ended, or which have taken their last allowed step.
    std::int64_t limit = INT64_MAX;
    int some_active = -1;
    for (int lane = 0; lane < kLanes; ++lane) {
      if (element[lane] == kIdle) continue;
      const bool converged = ended[lane] != 0;
      const bool at_limit = steps - first_step[lane] >= Step<double>::limit;
      if (converged || at_limit) {
        finish(element[lane], unload(lane), !converged && Step<double>::stop_is_failure);
        if (next < count) {
          element[lane] = next;
          load(lane, start[next++]);
          first_step[lane] = steps;
        } else {
          element[lane] = kIdle;
          --active;
          continue;
        }
      }
      some_active = lane;
      if (first_step[lane] + Step<double>::limit < limit) limit = first_step[lane] + Step<double>::limit;
    }
    next_limit = limit;
    // Idle lanes take over an active lane's state.
    if (some_active >= 0) {
      for (int lane = 0; lane < kLanes; ++lane) {
        if (element[lane] == kIdle) load(lane, unload(some_active));
      }
    }
  }
}

// Runs one element's loop to its end with the scalar step: true when it ended
// within the limit (or, where stopping at the limit is not a failure, at it).
template <template <typename> class Step>
inline bool run_to_end(Step<double>& state) noexcept {
  for (std::int64_t steps = 1;; ++steps) {
    if (state.step()) return true;
    if (steps >= Step<double>::limit) return !Step<double>::stop_is_failure;
  }
}

}  // namespace varnel::detail

#pragma GCC diagnostic pop

#endif  // VARNEL_SRC_LANES_HPP
