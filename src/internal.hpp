// Private mechanisms shared by every family of the library: the errno guard,
// the hold on floating-point exceptions, the run-time pole and domain-error
// makers, the per-precision overflow values and the Stirling correction series
// shared by gamma and log-gamma.
//
// Floating-point exceptions follow the C library's own functions: a quiet NaN
// argument raises none. The ordered operators <, <=, > and >= compile to
// signalling comparisons (comisd on x86_64, fcmpe on aarch64), which raise
// invalid whenever an operand is a NaN, so every ordered comparison in the
// library is written with the quiet functions std::isless, std::islessequal,
// std::isgreater and std::isgreaterequal instead. They have the same truth
// values (false when an operand is a NaN) and cost the same (ucomisd, fcmp);
// == and != are quiet already. Invalid is raised still where the arithmetic
// makes a NaN from numbers, and by domain_nan() below.
#ifndef VARNEL_SRC_INTERNAL_HPP
#define VARNEL_SRC_INTERNAL_HPP

#include <cerrno>
#include <cfenv>
#include <cmath>
#include <cstdint>

namespace varnel::detail {

// The library's own layers around the arithmetic (the errno guard and the
// iteration caps below) can be compiled out, for benchmarks only, by building
// with VARNEL_BARE_LAYERS=1: the guard then does nothing and every loop ends on
// its convergence test alone. Nothing else changes, so a bare build gives the
// same bits as the real one wherever the real one does not stop at a cap; the
// benchmarks time the two side by side to show what the layers cost. This is
// the one place that knows the switch.
#if defined(VARNEL_BARE_LAYERS) && VARNEL_BARE_LAYERS
constexpr bool kBareLayers = true;
#else
constexpr bool kBareLayers = false;
#endif

// The C mathematics library reports overflow, underflow and poles through
// errno; this library reports only through its results. A guard saves the
// caller's errno and puts it back when it goes out of scope. Reading errno
// from a shared library is a call (__errno_location), so guards are opened
// only on the paths where a C library call can set errno: the helpers below
// test the argument and take the guarded call only outside the range where
// the result is a normal number, and functions whose calls can never fail
// open none at all.
class ErrnoGuard {
 public:
  ErrnoGuard() noexcept : saved_(kBareLayers ? 0 : errno) {}
  ~ErrnoGuard() {
    if (!kBareLayers) errno = saved_;
  }
  ErrnoGuard(const ErrnoGuard&) = delete;
  ErrnoGuard& operator=(const ErrnoGuard&) = delete;

 private:
  int saved_;
};

// Quiet comparisons are not always enough: on the way a NaN argument leads,
// some calls raise an exception by themselves. The complex division of the
// C99 arithmetic (__divdc3) raises invalid for a NaN in any part, and cexp and
// csin for a NaN in one part with a non-zero number in the other; the single
// fraction's prefactor reaches log(0), a pole, at x = 1 when a NaN parameter
// has kept x from being reflected. A function with such a path runs a NaN
// argument under a hold: it saves the caller's floating-point environment,
// clears the flags and stops traps (feholdexcept), and puts the environment
// back as it was when it goes out of scope (fesetenv), so that neither a flag
// nor a trap reaches the caller. The arithmetic and its result are the same
// with or without the hold; a number argument never takes it and pays
// nothing.
class ExceptionHold {
 public:
  ExceptionHold() noexcept { std::feholdexcept(&saved_); }
  ~ExceptionHold() { std::fesetenv(&saved_); }
  ExceptionHold(const ExceptionHold&) = delete;
  ExceptionHold& operator=(const ExceptionHold&) = delete;

 private:
  std::fenv_t saved_;
};

// exp(v) that keeps errno. The C library sets errno (ERANGE) only when the
// result overflows or underflows; between -708 and 709 it is a normal number,
// so only arguments outside that range, and NaN, take the guarded call.
inline double exp_keeping_errno(double v) noexcept {
  if (__builtin_expect(std::isgreaterequal(v, -708.0) && std::islessequal(v, 709.0), 1)) {
    return std::exp(v);
  }
  const ErrnoGuard guard;
  return std::exp(v);
}

// log(v) that keeps errno: a pole error at 0 and a domain error below it set
// errno, a positive argument (+infinity included) never does.
inline double log_keeping_errno(double v) noexcept {
  if (__builtin_expect(std::isgreater(v, 0.0), 1)) return std::log(v);
  const ErrnoGuard guard;
  return std::log(v);
}

// pow(base, power) that keeps errno, given log_power = power * log(base) as
// the caller has formed it: with |log_power| below 708 the result is a
// normal number, no range error is possible (base > 0 rules out the domain
// and pole errors), and the guard is skipped. log_power only estimates the
// logarithm of pow's result, hence the margin below 709.78.
inline double pow_keeping_errno(double base, double power, double log_power) noexcept {
  if (__builtin_expect(std::isgreater(base, 0.0) && std::isless(std::fabs(log_power), 708.0), 1)) {
    return std::pow(base, power);
  }
  const ErrnoGuard guard;
  return std::pow(base, power);
}

// A zero the compiler cannot see through, so that the divisions below happen
// at run time and raise the division-by-zero or invalid flag as a caller
// expects from a pole or a domain error.
inline double runtime_zero() noexcept {
  volatile double zero = 0.0;
  return zero;
}

// +infinity, made by 1/0 at run time (raises division-by-zero).
inline double pole_infinity() noexcept { return 1.0 / runtime_zero(); }

// The default quiet NaN 0x7ff8000000000000, made by 0/0 at run time (raises
// invalid). x86_64 gives that division a set sign bit and aarch64 a clear
// one; clearing it makes the same bits everywhere.
inline double domain_nan() noexcept {
  const double zero = runtime_zero();
  volatile double quotient = zero / zero;
  return std::fabs(quotient);
}

// Per-precision constants shared by several real families. The overflow value
// is a round decimal just below the largest finite value: what gamma and the
// error functions return instead of an infinity.
template <typename T>
struct Precision;

template <>
struct Precision<double> {
  static constexpr double overflow = 1.79e308;
};

template <>
struct Precision<float> {
  static constexpr float overflow = 3.4e38f;  // bits 0x7f7fc99e
};

// Stirling correction series shared by gamma and log-gamma: the evaluation
// starts from kStirling[0] and, for each later coefficient, divides by y*y and
// adds it, so the last entry (1/12) is the leading term of the series.
constexpr double kStirling[7] = {
    0.0057083835261000004,  -0.0019104440777279999, 0.00084171387781295005,
    -0.00059523799130430121, 0.0007936507935003503,  -0.0027777777777776816,
    0.083333333333333329,
};

// ln sqrt(2 pi), the constant term of the Stirling formula.
constexpr double kLnSqrt2Pi = 0.91893853320467278;

// The exported constants that the library's own code uses, as compile-time
// values: code in another file would otherwise load the exported objects
// through the global offset table at every use. The exported objects are
// defined from these, so each value is written once.
constexpr double kSqrt2Pi = 0x1.40d931ff62706p+1;  // SQTPI, 2.5066282746310007
constexpr double kPi = 0x1.921fb54442d18p+1;       // PI, 3.141592653589793
constexpr double kMinLog = -0x1.6232bdd7abcd2p+9;  // D_MINLOG, -708.3964185322641
constexpr double kMaxLog = 0x1.62e42fefa39efp+9;   // D_MAXLOG, 709.782712893384
constexpr double kMachEp = 0x1p-53;                // D_MACHEP, 1.1102230246251565e-16

// Step cap for the series and continued fractions that otherwise run until
// their convergence test is met (incomplete gamma, the incomplete beta power
// series and the single-fraction incomplete beta). For arguments at which
// those loops would never end, or only after far longer than any caller
// waits, a call returns the quiet NaN from domain_nan() once the cap is
// reached: a value that has not converged must not pass for a result, and the
// same bits on every platform keep results identical everywhere. Any loop
// that meets its test within the cap returns exactly what it would without
// one. An ordinary step takes 2 to 6 ns on an x86_64 server core, a step on
// subnormal operands up to about 14 ns, so a capped call ends within about
// half a second even then. Converging loops that the cap cuts need a or x
// above about 3e13 (incomplete gamma), where the prefactor's logarithm has
// already lost its accuracy, or x within a few units in the last place of 1.
constexpr std::int64_t kIterationCap = 33554432;  // 2^25

// The cap in force: none in a bare build.
constexpr std::int64_t kStepCap = kBareLayers ? INT64_MAX : kIterationCap;

// True when a loop has taken its last allowed step; never in a bare build.
constexpr bool reached_cap(std::int64_t steps) noexcept { return steps >= kStepCap; }

// Real gamma and log-gamma in double precision for the library's own callers
// (the incomplete gamma and beta functions). They compute exactly what the
// exported functions do, but hidden: calls bind directly inside the library,
// with no procedure linkage table and no symbol interposition on the way.
[[gnu::visibility("hidden")]] double real_gamma(double x) noexcept;
[[gnu::visibility("hidden")]] double real_lngamma(double x) noexcept;

}  // namespace varnel::detail

#endif  // VARNEL_SRC_INTERNAL_HPP
