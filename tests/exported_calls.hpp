// Every exported function behind one uniform interface, for the library-level
// checks that must cover all of them alike: the concurrency test, the fuzz
// targets and the replay of the fuzz corpus.
//
// Each entry can
//   - decode its arguments from raw bytes, in the order of the parameters
//     (8 bytes per double, 4 per float or int, a complex number as its real
//     and imaginary double; missing bytes count as zero), so that a fuzzer
//     reaches every bit pattern of every argument;
//   - call the function and hand back the bit patterns of the result;
//   - judge one call against the promises every function makes (errno kept,
//     same bits when called again) and against the range of values its
//     documentation gives for arguments in its domain.
#ifndef VARNEL_TESTS_EXPORTED_CALLS_HPP
#define VARNEL_TESTS_EXPORTED_CALLS_HPP

#include <cerrno>
#include <cmath>
#include <complex>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <string>
#include <vector>

#include "bits.hpp"
#include "varnel/varnel.hpp"

namespace varnel::test {

// The parameter lists that occur in the interface.
enum class Signature {
  kFloatInt,    // (float x, int kind)
  kDoubleInt,   // (double x, int kind)
  kFloat,       // (float x)
  kDouble,      // (double x)
  kDouble2,     // (double a, double x)
  kDouble3,     // (double a, double b, double x)
  kComplex,     // (std::complex<double> z)
};

// Arguments of any exported function: the doubles (a complex argument is
// d[0] + i d[1]), the float and the selector; each function reads its own.
struct Args {
  double d[3] = {0, 0, 0};
  float f = 0;
  int kind = 0;
};

// Arguments of a function of three doubles, (a, b, x).
inline Args args_3(double d0, double d1, double d2) {
  Args a;
  a.d[0] = d0;
  a.d[1] = d1;
  a.d[2] = d2;
  return a;
}

// The result as bit patterns: a float in the low 32 bits of re, a double in
// re, a complex value in re and im.
struct Result {
  uint64_t re = 0;
  uint64_t im = 0;
  bool operator==(const Result& o) const { return re == o.re && im == o.im; }
  bool operator!=(const Result& o) const { return !(*this == o); }
};

// A float result is kept in the low 32 bits.
inline float float_of(uint64_t b) { return from_bits32(static_cast<uint32_t>(b)); }

struct Exported {
  const char* id;      // a file-name friendly name: the function's, with the
                       // namespace for the two d_ibeta
  const char* family;  // as in tests/data/exported_symbols.txt
  Signature signature;
  Result (*call)(const Args&);
  // Empty when the result keeps the documented range for these arguments,
  // else what is wrong.
  std::string (*range_fault)(const Args&, const Result&);
};

namespace calls_detail {

namespace sf = varnel::specfun;
namespace ce = varnel::cephes;

constexpr double kDoubleOverflow = 1.79e308;
constexpr float kFloatOverflow = 3.4e38f;
constexpr float kFloatLnGammaOverflow = 3.401e38f;
constexpr uint64_t kDomainNaNBits = 0x7ff8000000000000;
// ln Gamma has its minimum, -0.1214862905358..., at x = 1.4616321...
constexpr double kLnGammaMinimum = -0.12148629053584961;

inline Result of(float v) { return {bits(v), 0}; }
inline Result of(double v) { return {bits(v), 0}; }
inline Result of(std::complex<double> v) { return {bits(v.real()), bits(v.imag())}; }

inline std::string show(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.17g [%016llx]", v,
                static_cast<unsigned long long>(bits(v)));
  return buf;
}

inline bool in_unit_interval(double r) { return r >= 0 && r <= 1; }

// Error function family: erf in [-1, 1], erfc in [0, 2], the scaled erfc
// (and every other selector) in [0, overflow value]; NaN exactly for NaN x.
template <typename T>
std::string calerf_fault(T x, int kind, T r, T overflow) {
  if (std::isnan(x)) return std::isnan(r) ? "" : "NaN argument gave a number";
  if (std::isnan(r)) return "NaN for a non-NaN argument";
  if (kind == 0 && !(r >= -1 && r <= 1)) return "erf outside [-1, 1]";
  if (kind == 1 && !(r >= 0 && r <= 2)) return "erfc outside [0, 2]";
  if (kind != 0 && kind != 1 && !(r >= 0 && r <= overflow))
    return "scaled erfc outside [0, overflow value]";
  return "";
}

// Gamma: every argument gives a number (NaN and the infinities give the
// overflow value); a positive argument gives a positive value.
template <typename T>
std::string gamma_fault(T x, T r) {
  if (std::isnan(r)) return "NaN result";
  if (x > 0 && !(r > 0)) return "Gamma of a positive argument not positive";
  return "";
}

// Log-gamma: the out-of-domain value exactly outside 0 < x <= bound, else a
// finite value no lower than the minimum of ln Gamma.
template <typename T>
std::string lngamma_fault(T x, T r, T bound, T out_of_domain) {
  const bool in_domain = x > 0 && x <= bound;
  if (!in_domain) {
    return bits(r) == bits(out_of_domain) ? "" : "outside the domain but not the out-of-domain value";
  }
  if (!std::isfinite(r)) return "not finite inside the domain";
  if (r < static_cast<T>(kLnGammaMinimum) - static_cast<T>(1e-6)) return "below the minimum of ln Gamma";
  return "";
}

// The incomplete gamma and beta functions form their prefactor from
// logarithms of the size of a log x and ln Gamma(a); each rounding error there
// is a relative error of the result, so a result may leave [0, 1] by that
// much (the single fraction, with its absolute stopping tolerance, by up to
// 1e-10 more). For parameters above about 1e13 those logarithms have lost
// all accuracy and the results (0, infinity, NaN or anything in between)
// promise nothing.
constexpr double kMeaninglessParameter = 1e13;
inline bool near_unit_interval(double r, double slack) { return r >= -slack && r <= 1 + slack; }
// A few units of 2^-53 of the largest terms that enter a prefactor's logarithm.
inline double log_terms_slack(std::initializer_list<double> terms) {
  double sum = 16;
  for (double t : terms) sum += std::fabs(t);
  return 4e-16 * sum;
}

// Where the series or continued fraction of the incomplete gamma functions
// stops at its step cap and returns NaN: huge a with x close to a (a little
// wider than the documented region, which names a above about 3e13 for the
// series and 2^65 to 2^79 for the fraction).
inline bool igamma_may_reach_cap(double a, double x) {
  return a >= 1e13 && std::fabs(x - a) <= 1e-5 * a;
}

// Incomplete gamma: P and Q lie in [0, 1] for finite a > 0 and x > 0, but for
// the NaN of the step cap; x <= 0 or a <= 0 gives exactly +0 (P) or 1 (Q).
inline std::string igamma_fault(const Args& in, double r, double out_of_domain) {
  const double a = in.d[0], x = in.d[1];
  if (x <= 0 || a <= 0) {
    return bits(r) == bits(out_of_domain)
               ? ""
               : "x <= 0 or a <= 0 but not the domain value " + show(out_of_domain);
  }
  if (!std::isfinite(a) || !std::isfinite(x)) return "";
  if (std::isnan(r) && igamma_may_reach_cap(a, x)) return "";
  if (a > kMeaninglessParameter) return "";
  if (!near_unit_interval(r, log_terms_slack({std::lgamma(a), a * std::log(x), x}))) {
    return "outside [0, 1]";
  }
  return "";
}

// Regularised incomplete beta by power series and two fractions: the
// domain-error NaN (exact bits) for a <= 0, b <= 0, x < 0 or x > 1; +0 at
// x = 0 and 1 at x = 1; in [0, 1] (to rounding) inside.
inline std::string cephes_ibeta_fault(const Args& in, const Result& out) {
  const double a = in.d[0], b = in.d[1], x = in.d[2], r = from_bits(out.re);
  if (a <= 0 || b <= 0 || x < 0 || x > 1) {
    return out.re == kDomainNaNBits ? "" : "outside the domain but not the domain-error NaN";
  }
  if (x == 0) return out.re == bits(0.0) ? "" : "x = 0 but not +0";
  if (x == 1) return out.re == bits(1.0) ? "" : "x = 1 but not 1";
  if (std::isnan(a) || std::isnan(b) || std::isnan(x)) {
    return std::isnan(r) ? "" : "NaN argument gave a number";
  }
  if (std::isinf(a) || std::isinf(b)) return "";
  if (a > kMeaninglessParameter || b > kMeaninglessParameter) return "";
  // Below the smallest normal double Gamma gives its overflow value and 1/a
  // overflows, so the series' prefactor can come out as 0 * infinity or
  // infinity: subnormal parameters promise nothing either.
  const double smallest_normal = std::numeric_limits<double>::min();
  if (a < smallest_normal || b < smallest_normal) return "";
  const double slack = log_terms_slack(
      {std::lgamma(a), std::lgamma(b), std::lgamma(a + b), a * std::log(x), b * std::log1p(-x)});
  if (!near_unit_interval(r, slack)) return "outside [0, 1]";
  return "";
}

// The single fraction's first partial numerator divides by (s - 1) s with
// s = a' + 1 formed first: for a working parameter a' below 2^-52 or so,
// s - 1 is a' rounded to a multiple of 2^-53, off by up to 2^-53 / a'
// relative, and the fraction and result carry that error (up to 100 %
// between 2^-53 and 2^-52); below 2^-53 the denominator is 0 and the result NaN.
inline double first_denominator_slack(double a, double b, double x) {
  const bool complement = (a + 1) / ((a + b) + 1) < x;
  const double ap = complement ? b : a;
  const double bp = complement ? a : b;
  const double xp = complement ? 1 - x : x;
  const double relative = std::fabs(((ap + 1) - 1) - ap) / ap;
  return 4 * relative * (1 + (ap + bp) * xp);
}

// Regularised incomplete beta by one continued fraction: in [0, 1] inside the
// domain a > 0, b > 0, 0 <= x <= 1, with two documented NaN: a parameter so
// small that adding 1 to it gives 1 makes the first partial numerator 0/0,
// and x within a few units in the last place of 1 with b tiny against a + 1
// is not reflected and stops at the step cap.
inline std::string specfun_ibeta_fault(const Args& in, const Result& out) {
  const double a = in.d[0], b = in.d[1], x = in.d[2], r = from_bits(out.re);
  if (!(a > 0 && b > 0 && x >= 0 && x <= 1)) return "";
  if (!std::isfinite(a) || !std::isfinite(b)) return "";
  if (std::isnan(r) && (a + 1 == 1 || b + 1 == 1)) return "";
  if (std::isnan(r) && x >= 1 - 1e-13 && b <= 1e-13 * (a + 1)) return "";
  if (a > kMeaninglessParameter || b > kMeaninglessParameter) return "";
  const double slack = log_terms_slack(
      {std::lgamma(a), std::lgamma(b), std::lgamma(a + b), a * std::log(x), b * std::log1p(-x)});
  if (!near_unit_interval(r, 1e-10 + slack + first_denominator_slack(a, b, x)))
    return "outside [0, 1]";
  return "";
}

inline std::string no_range(const Args&, const Result&) { return ""; }

}  // namespace calls_detail

// Arguments for which a call may run long: up to an iteration cap (about
// 2^25 steps, a good part of a second), or towards it. A conservative
// superset, for tests that make many calls and want each one quick; the
// fuzz targets and the termination tests cover these arguments.
inline bool may_run_long(const std::string& id, const Args& in) {
  const double a = in.d[0], b = in.d[1], x = in.d[2];
  if (id == "d_igamma" || id == "d_igamc") {
    const double xa = in.d[1];
    return a >= 1e9 && std::fabs(xa - a) <= 0.1 * a;
  }
  if (id == "pseries") {
    // Terms grow while n < b*x and overflow for large b*x; then the
    // tolerance test never ends the series.
    const bool quick = x > -1 && x < 0.999 && a >= 0 &&
                       (std::fabs(b) <= 10 || std::fabs(b * x) <= 1);
    return !quick;
  }
  if (id == "specfun_d_ibeta") {
    if (std::isnan(a) || std::isnan(b) || std::isnan(x)) return false;
    const bool quick = a > 0 && b > 0 && x >= 0 && x <= 1 && a <= 1e8 && b <= 1e8 &&
                       !(x > 1 - 1e-9 && b < 1e-6 * (a + 1));
    return !quick;
  }
  return false;
}

// The table of all sixteen exported functions.
inline const std::vector<Exported>& exported_functions() {
  using namespace calls_detail;
  // Weak references alone do not make the linker record the library as
  // needed (with --as-needed); a strong one to a constant, always exported,
  // does.
  static const double* volatile anchor = &ce::D_MACHEP;
  (void)anchor;
  static const std::vector<Exported> table = {
      {"s_calerf", "calerf", Signature::kFloatInt,
       [](const Args& a) { return of(sf::s_calerf(a.f, a.kind)); },
       [](const Args& a, const Result& r) {
         return calerf_fault(a.f, a.kind, float_of(r.re), kFloatOverflow);
       }},
      {"d_calerf", "calerf", Signature::kDoubleInt,
       [](const Args& a) { return of(sf::d_calerf(a.d[0], a.kind)); },
       [](const Args& a, const Result& r) {
         return calerf_fault(a.d[0], a.kind, from_bits(r.re), kDoubleOverflow);
       }},
      {"s_gamma", "gamma", Signature::kFloat,
       [](const Args& a) { return of(sf::s_gamma(a.f)); },
       [](const Args& a, const Result& r) { return gamma_fault(a.f, float_of(r.re)); }},
      {"d_gamma", "gamma", Signature::kDouble,
       [](const Args& a) { return of(sf::d_gamma(a.d[0])); },
       [](const Args& a, const Result& r) { return gamma_fault(a.d[0], from_bits(r.re)); }},
      {"s_lngamma", "lngamma", Signature::kFloat,
       [](const Args& a) { return of(sf::s_lngamma(a.f)); },
       [](const Args& a, const Result& r) {
         return lngamma_fault(a.f, float_of(r.re), 4.08e36f, kFloatLnGammaOverflow);
       }},
      {"d_lngamma", "lngamma", Signature::kDouble,
       [](const Args& a) { return of(sf::d_lngamma(a.d[0])); },
       [](const Args& a, const Result& r) {
         return lngamma_fault(a.d[0], from_bits(r.re), 2.55e305, kDoubleOverflow);
       }},
      {"specfun_d_ibeta", "specfun_ibeta", Signature::kDouble3,
       [](const Args& a) { return of(sf::d_ibeta(a.d[0], a.d[1], a.d[2])); },
       specfun_ibeta_fault},
      {"cstirf", "complex_gamma", Signature::kComplex,
       [](const Args& a) { return of(ce::cstirf({a.d[0], a.d[1]})); }, no_range},
      {"z_gamma", "complex_gamma", Signature::kComplex,
       [](const Args& a) { return of(ce::z_gamma({a.d[0], a.d[1]})); }, no_range},
      {"z_lngamma", "complex_lngamma", Signature::kComplex,
       [](const Args& a) { return of(ce::z_lngamma({a.d[0], a.d[1]})); }, no_range},
      {"d_igamma", "igamma", Signature::kDouble2,
       [](const Args& a) { return of(ce::d_igamma(a.d[0], a.d[1])); },
       [](const Args& a, const Result& r) { return igamma_fault(a, from_bits(r.re), 0.0); }},
      {"d_igamc", "igamma", Signature::kDouble2,
       [](const Args& a) { return of(ce::d_igamc(a.d[0], a.d[1])); },
       [](const Args& a, const Result& r) { return igamma_fault(a, from_bits(r.re), 1.0); }},
      {"incbcf", "cephes_ibeta", Signature::kDouble3,
       [](const Args& a) { return of(ce::incbcf(a.d[0], a.d[1], a.d[2])); }, no_range},
      {"incbd", "cephes_ibeta", Signature::kDouble3,
       [](const Args& a) { return of(ce::incbd(a.d[0], a.d[1], a.d[2])); }, no_range},
      {"pseries", "cephes_ibeta", Signature::kDouble3,
       [](const Args& a) { return of(ce::pseries(a.d[0], a.d[1], a.d[2])); }, no_range},
      {"cephes_d_ibeta", "cephes_ibeta", Signature::kDouble3,
       [](const Args& a) { return of(ce::d_ibeta(a.d[0], a.d[1], a.d[2])); },
       cephes_ibeta_fault},
  };
  return table;
}

inline const Exported* find_exported(const std::string& id) {
  for (const Exported& e : exported_functions()) {
    if (id == e.id) return &e;
  }
  return nullptr;
}

// Bytes a function's arguments take in a fuzz input.
inline size_t argument_bytes(Signature s) {
  switch (s) {
    case Signature::kFloatInt: return 8;
    case Signature::kDoubleInt: return 12;
    case Signature::kFloat: return 4;
    case Signature::kDouble: return 8;
    case Signature::kDouble2: return 16;
    case Signature::kDouble3: return 24;
    case Signature::kComplex: return 16;
  }
  return 0;
}

// Arguments from raw bytes, in parameter order; bytes beyond the input are 0.
inline Args decode(Signature s, const uint8_t* data, size_t size) {
  uint8_t buf[24] = {};
  std::memcpy(buf, data, size < sizeof buf ? size : sizeof buf);
  Args a;
  switch (s) {
    case Signature::kFloatInt:
      std::memcpy(&a.f, buf, 4);
      std::memcpy(&a.kind, buf + 4, 4);
      break;
    case Signature::kDoubleInt:
      std::memcpy(&a.d[0], buf, 8);
      std::memcpy(&a.kind, buf + 8, 4);
      break;
    case Signature::kFloat:
      std::memcpy(&a.f, buf, 4);
      break;
    case Signature::kDouble:
      std::memcpy(&a.d[0], buf, 8);
      break;
    case Signature::kDouble2:
    case Signature::kComplex:
      std::memcpy(a.d, buf, 16);
      break;
    case Signature::kDouble3:
      std::memcpy(a.d, buf, 24);
      break;
  }
  return a;
}

// The inverse of decode, for writing corpus entries and regression inputs.
inline std::vector<uint8_t> encode(Signature s, const Args& a) {
  std::vector<uint8_t> out(argument_bytes(s));
  switch (s) {
    case Signature::kFloatInt:
      std::memcpy(out.data(), &a.f, 4);
      std::memcpy(out.data() + 4, &a.kind, 4);
      break;
    case Signature::kDoubleInt:
      std::memcpy(out.data(), &a.d[0], 8);
      std::memcpy(out.data() + 8, &a.kind, 4);
      break;
    case Signature::kFloat:
      std::memcpy(out.data(), &a.f, 4);
      break;
    case Signature::kDouble:
      std::memcpy(out.data(), &a.d[0], 8);
      break;
    case Signature::kDouble2:
    case Signature::kComplex:
      std::memcpy(out.data(), a.d, 16);
      break;
    case Signature::kDouble3:
      std::memcpy(out.data(), a.d, 24);
      break;
  }
  return out;
}

// The arguments as C++ source, for messages.
inline std::string describe(const Exported& e, const Args& a) {
  char buf[256];
  switch (e.signature) {
    case Signature::kFloatInt:
      std::snprintf(buf, sizeof buf, "%s(%a [%08x], %d)", e.id, static_cast<double>(a.f),
                    bits(a.f), a.kind);
      break;
    case Signature::kDoubleInt:
      std::snprintf(buf, sizeof buf, "%s(%a, %d)", e.id, a.d[0], a.kind);
      break;
    case Signature::kFloat:
      std::snprintf(buf, sizeof buf, "%s(%a [%08x])", e.id, static_cast<double>(a.f),
                    bits(a.f));
      break;
    case Signature::kDouble:
      std::snprintf(buf, sizeof buf, "%s(%a)", e.id, a.d[0]);
      break;
    case Signature::kDouble2:
      std::snprintf(buf, sizeof buf, "%s(%a, %a)", e.id, a.d[0], a.d[1]);
      break;
    case Signature::kDouble3:
      std::snprintf(buf, sizeof buf, "%s(%a, %a, %a)", e.id, a.d[0], a.d[1], a.d[2]);
      break;
    case Signature::kComplex:
      std::snprintf(buf, sizeof buf, "%s({%a, %a})", e.id, a.d[0], a.d[1]);
      break;
  }
  return buf;
}

inline std::string describe(const Exported& e, const Result& r) {
  char buf[128];
  switch (e.signature) {
    case Signature::kFloatInt:
    case Signature::kFloat:
      std::snprintf(buf, sizeof buf, "%a [%08llx]", static_cast<double>(float_of(r.re)),
                    static_cast<unsigned long long>(r.re));
      break;
    case Signature::kComplex:
      std::snprintf(buf, sizeof buf, "{%a, %a} [%016llx %016llx]", from_bits(r.re),
                    from_bits(r.im), static_cast<unsigned long long>(r.re),
                    static_cast<unsigned long long>(r.im));
      break;
    default:
      std::snprintf(buf, sizeof buf, "%a [%016llx]", from_bits(r.re),
                    static_cast<unsigned long long>(r.re));
  }
  return buf;
}

// One call judged against the promises of every function: errno kept, the
// same bits a second time, the documented range. Empty when all hold.
inline std::string check_call(const Exported& e, const Args& a, Result* result = nullptr) {
  constexpr int kMarker = 0x5eed;
  errno = kMarker;
  const Result first = e.call(a);
  const int errno_after = errno;
  const Result second = e.call(a);
  if (result) *result = first;
  std::string fault;
  if (errno_after != kMarker) {
    fault = "errno changed from " + std::to_string(kMarker) + " to " + std::to_string(errno_after);
  } else if (first != second) {
    fault = "second call gave " + describe(e, second);
  } else {
    fault = e.range_fault(a, first);
  }
  if (fault.empty()) return "";
  return describe(e, a) + " = " + describe(e, first) + ": " + fault;
}

}  // namespace varnel::test

#endif  // VARNEL_TESTS_EXPORTED_CALLS_HPP
