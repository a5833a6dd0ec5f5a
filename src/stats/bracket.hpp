// The two stages shared by every inverse: a refinement that gets close fast,
// and a search over the ordered bit patterns of the floating-point numbers
// that makes the result exact against the forward function.
//
// An inverse is defined by what it satisfies, not by a formula: the result
// is a number x at which the forward function crosses the target, so that
// x "reaches" the target and its predecessor prev(x) does not. "Reaches"
// means f(x) >= p for an increasing function and f(x) <= q for a decreasing
// one. The refinement (Newton's method on a smooth form of the problem)
// brings a starting value within a few units in the last place in a handful
// of steps; the search then walks from there to the crossing and checks both
// neighbours. The search needs no property of the forward function beyond
// the values at its two ends, so a rounding wobble of the forward function
// cannot make it loop or miss: it returns a crossing whatever happens, in a
// bounded number of evaluations.
#ifndef VARNEL_SRC_STATS_BRACKET_HPP
#define VARNEL_SRC_STATS_BRACKET_HPP

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <type_traits>

namespace varnel::stats::detail {

// At most this many evaluations in the refinement of one call.
constexpr int kMaxRefineSteps = 24;
// At most this many in the search: the bisection over the whole range (64
// halvings at most, the ordered keys of one precision spanning fewer than
// 2^64 values), the check of its two ends, and where that check fails the
// search from the start (one evaluation, then up to 64 doublings of the
// step and 64 halvings of the interval).
constexpr int kMaxSearchSteps = 64 + 2 + (1 + 64 + 64);

// What one evaluation says of a point: the forward function reaches the
// target there, does not, or gives no number (its loops hit their caps).
enum class Reach { no, yes, fail };

// The ordered key of a floating-point number: an integer that grows with the
// number, consecutive numbers having consecutive keys. Both zeros have key
// 0; -infinity and +infinity are the smallest and largest keys. The key of a
// negative number is minus the bit pattern of its magnitude.
template <typename T>
struct Keys {
  using Int = std::conditional_t<sizeof(T) == 8, std::int64_t, std::int32_t>;
  using UInt = std::make_unsigned_t<Int>;
  static constexpr UInt kSign = UInt{1} << (8 * sizeof(T) - 1);

  static Int of(T x) noexcept {
    UInt bits;
    std::memcpy(&bits, &x, sizeof bits);
    return (bits & kSign) ? -static_cast<Int>(bits & ~kSign) : static_cast<Int>(bits);
  }
  // Distances in keys as unsigned numbers: the span of one precision's
  // keys does not fit the signed type.
  static UInt distance(Int from, Int to) noexcept {
    return static_cast<UInt>(to) - static_cast<UInt>(from);
  }
  static Int advance(Int from, UInt by) noexcept {
    return static_cast<Int>(static_cast<UInt>(from) + by);
  }
  static Int retreat(Int from, UInt by) noexcept {
    return static_cast<Int>(static_cast<UInt>(from) - by);
  }
  static T value(Int k) noexcept {
    const UInt bits = k < 0 ? (static_cast<UInt>(-k) | kSign) : static_cast<UInt>(k);
    T x;
    std::memcpy(&x, &bits, sizeof x);
    return k == 0 ? T(0) : x;
  }
};

// The smallest number x in (lo, hi] with reach(x) yes and reach(prev(x)) no,
// near start: the crossing of the forward function. The ends are not
// evaluated: reach(lo) is taken to be no and reach(hi) yes (the ends of the
// support, where the forward function is 0 and 1). A start outside (lo, hi]
// or NaN begins the search next to that end. The quiet NaN if an evaluation fails.
//
// From the start the search doubles its step, 1, 2, 4, ... keys, until it
// steps over the crossing, then halves the interval that holds it: with a
// start k keys away, about 2 log2(k) evaluations; with a start one key
// away, two. It keeps the invariant that lo does not reach and hi does, so
// it ends at a pair of neighbours with a crossing between them even where
// the forward function is not monotone.
template <typename T, typename ReachFn>
T find_crossing(const ReachFn& reach, T start, T lo, T hi) noexcept {
  using K = Keys<T>;
  using Int = typename K::Int;
  using UInt = typename K::UInt;
  Int klo = K::of(lo);
  Int khi = K::of(hi);
  constexpr auto distance = K::distance;
  constexpr auto advance = K::advance;
  constexpr auto retreat = K::retreat;
  // The start, kept strictly inside: a start at or beyond an end begins
  // next to it.
  Int k = khi;
  if (distance(klo, khi) > 1) {
    const Int ks = std::isnan(start) ? khi : K::of(start);
    k = ks <= klo ? advance(klo, 1) : ks >= khi ? retreat(khi, 1) : ks;
  }

  if (k != khi) {
    const Reach r = reach(K::value(k));
    if (r == Reach::fail) return std::numeric_limits<T>::quiet_NaN();
    UInt step = 1;
    if (r == Reach::yes) {
      khi = k;
      for (;;) {  // downwards until a point that does not reach
        if (step >= distance(klo, khi)) break;
        const Int kt = retreat(khi, step);
        const Reach rt = reach(K::value(kt));
        if (rt == Reach::fail) return std::numeric_limits<T>::quiet_NaN();
        if (rt == Reach::no) {
          klo = kt;
          break;
        }
        khi = kt;
        if (step > (std::numeric_limits<UInt>::max() >> 1)) break;
        step <<= 1;
      }
    } else {
      klo = k;
      for (;;) {  // upwards until a point that reaches
        if (step >= distance(klo, khi)) break;
        const Int kt = advance(klo, step);
        const Reach rt = reach(K::value(kt));
        if (rt == Reach::fail) return std::numeric_limits<T>::quiet_NaN();
        if (rt == Reach::yes) {
          khi = kt;
          break;
        }
        klo = kt;
        if (step > (std::numeric_limits<UInt>::max() >> 1)) break;
        step <<= 1;
      }
    }
  }
  while (distance(klo, khi) > 1) {
    const Int mid = advance(klo, distance(klo, khi) / 2);
    const Reach r = reach(K::value(mid));
    if (r == Reach::fail) return std::numeric_limits<T>::quiet_NaN();
    if (r == Reach::yes) {
      khi = mid;
    } else {
      klo = mid;
    }
  }
  return K::value(khi);
}

// The crossing that a bisection over the whole range (lo, hi] finds, with
// the evaluations far from the start left out: the result a caller gets
// whatever the start, and so monotone in the target.
//
// A bisection over fixed ends gives results that never go against the
// order of the target, even where the forward function wobbles: for two
// targets p1 < p2, every point that reaches p2 reaches p1, so where the two
// bisections first part, p1's goes left and p2's right of the same
// midpoint. A search that starts from a refined value does not have this
// property: where the forward function's rounding wobbles, a target has
// several crossings a few units apart, and which one it finds depends on
// where it starts. So the bisection is followed from the top, but its
// midpoints more than `window` keys from the start are decided by their
// side of it, unevaluated, as the forward function decides them wherever
// its wobble is narrower than the window (the callers size the window from
// the forward function's error and the problem's conditioning). The ends
// of the final pair are then checked; if one was decided unevaluated and
// the check fails, the crossing lay outside the window, and the search from
// the start (find_crossing) finds one. About log2(2 window) evaluations.
template <typename T, typename ReachFn>
T find_crossing_monotone(const ReachFn& reach, T start, T lo, T hi, double window) noexcept {
  using K = Keys<T>;
  using Int = typename K::Int;
  using UInt = typename K::UInt;
  const Int klo = K::of(lo);
  const Int khi = K::of(hi);
  if (std::isnan(start) || K::distance(klo, khi) <= 1) return find_crossing(reach, start, lo, hi);
  const Int ks = K::of(start);
  const Int c = ks <= klo ? K::advance(klo, 1) : ks >= khi ? K::retreat(khi, 1) : ks;
  // The window in keys, at least 16 and at most 2^40 (2^24 for floats)
  // either side; converted through the signed type, since a conversion to
  // an unsigned 64-bit integer compiles to a signalling comparison.
  const double cap = sizeof(T) == 8 ? 0x1p40 : 0x1p24;
  const double w = std::fmin(std::fmax(std::isnan(window) ? cap : window, 16.0), cap);
  const UInt wk = static_cast<UInt>(static_cast<std::int64_t>(w));
  const Int wlo = K::distance(klo, c) > wk ? K::retreat(c, wk) : klo;
  const Int whi = K::distance(c, khi) > wk ? K::advance(c, wk) : khi;
  Int k0 = klo;
  Int k1 = khi;
  bool known0 = true;  // evaluated, or the end of the range
  bool known1 = true;
  while (K::distance(k0, k1) > 1) {
    const Int m = K::advance(k0, K::distance(k0, k1) / 2);
    if (m < wlo) {
      k0 = m;
      known0 = false;
    } else if (m > whi) {
      k1 = m;
      known1 = false;
    } else {
      const Reach r = reach(K::value(m));
      if (r == Reach::fail) return std::numeric_limits<T>::quiet_NaN();
      if (r == Reach::yes) {
        k1 = m;
        known1 = true;
      } else {
        k0 = m;
        known0 = true;
      }
    }
  }
  if (!known0) {
    const Reach r = reach(K::value(k0));
    if (r == Reach::fail) return std::numeric_limits<T>::quiet_NaN();
    if (r == Reach::yes) return find_crossing(reach, start, lo, hi);
  }
  if (!known1) {
    const Reach r = reach(K::value(k1));
    if (r == Reach::fail) return std::numeric_limits<T>::quiet_NaN();
    if (r == Reach::no) return find_crossing(reach, start, lo, hi);
  }
  return K::value(k1);
}

// One evaluation of the smooth form g of the problem in the refinement
// variable t: g(t) (increasing in t, zero at the answer) and its derivative.
// g may be -infinity or +infinity where the forward function underflows;
// NaN ends the refinement.
struct Slope {
  double g;
  double dg;
};

// Newton's method for g(t) = 0 from t0, kept inside the interval that its
// own evaluations bracket, within [tmin, tmax]. A step that leaves the
// bracket, or has no derivative to go by, is replaced by the bracket's
// midpoint, or by a doubling step away from the side already known while
// only one side is. Ends when a step is below tol (the next error, by the
// quadratic convergence, far below a unit in the last place), or after
// kMaxRefineSteps evaluations: the search that follows makes the result
// exact either way, the refinement only makes it fast.
template <typename Eval>
double refine(const Eval& eval, double t0, double tmin, double tmax, double tol) noexcept {
  double lo = -std::numeric_limits<double>::infinity();
  double hi = std::numeric_limits<double>::infinity();
  // A start out of range (a starting value that overflowed or was NaN)
  // begins at the nearer end, or at 0.
  double t = std::isnan(t0) ? 0.0 : std::fmin(std::fmax(t0, tmin), tmax);
  double jump = 1.0;
  for (int i = 0; i < kMaxRefineSteps; ++i) {
    const Slope s = eval(t);
    if (std::isnan(s.g)) return t;
    if (s.g == 0) return t;
    if (std::isless(s.g, 0.0)) {
      lo = t;
    } else {
      hi = t;
    }
    const double step = s.g / s.dg;
    // Converged: the step is below the tolerance (and may be below half a
    // unit of t, where t - step would round back to t).
    if (std::islessequal(std::fabs(step), tol * std::fmax(1.0, std::fabs(t)))) return t - step;
    double next = t - step;
    if (!(std::isgreater(next, lo) && std::isless(next, hi))) {
      if (std::isfinite(lo) && std::isfinite(hi)) {
        next = lo + (hi - lo) / 2;
      } else if (std::isfinite(lo)) {
        next = lo + jump;
        jump *= 2;
      } else {
        next = hi - jump;
        jump *= 2;
      }
    }
    next = std::fmin(std::fmax(next, tmin), tmax);
    if (std::islessequal(std::fabs(next - t), tol * std::fmax(1.0, std::fabs(t)))) return next;
    if (next == t) return t;
    t = next;
  }
  return t;
}

}  // namespace varnel::stats::detail

#endif  // VARNEL_SRC_STATS_BRACKET_HPP
