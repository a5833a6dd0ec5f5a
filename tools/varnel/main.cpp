// varnel: evaluates any function of libvarnel from the command line.
//
//   varnel FUNCTION ARG...          one evaluation, printed as a round-trip
//                                   decimal, a hex-float and the bit pattern
//   varnel FUNCTION ... --range FROM:TO:STEP ...
//                                   one argument swept over a grid, CSV out
//   varnel --stdin FUNCTION         one argument set per input line, CSV out
//   varnel --list                   the functions and constants
//   varnel --version                the version of the program and library
//   varnel --check                  the pinned result bits against the
//                                   library this program loads, the
//                                   inverse functions of libvarnel-stats
//                                   against the forward functions, and its
//                                   quantiles against their cdf and sf
//
// The functions are those of libvarnel, and the inverse functions and the
// distributions of libvarnel-stats (varnel d_chisq_isf 0.05 3).
//
// The program is a plain client of the installed libraries: it calls the
// exported functions of libvarnel and libvarnel-stats through the public
// headers and nothing else. Arguments are
// read with strtod/strtof (and strtof for single-precision parameters, so that
// a decimal is rounded once, straight to binary32), which accept decimals,
// hex-floats, inf, nan and signed zeros. Every bad input ends in one line on
// stderr and a non-zero exit status.
#include <gnu/libc-version.h>
#include <unistd.h>
#include <varnel/functions.h>
#include <varnel/stats.hpp>
#include <varnel/varnel.hpp>

#include "distribution_pairs.hpp"
#include "inverse_brackets.hpp"
#include "pinned_set.hpp"
#include "version.hpp"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cinttypes>
#include <cmath>
#include <complex>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace {

namespace ce = varnel::cephes;

constexpr int kExitOk = 0;
constexpr int kExitBadInput = 1;  // unknown function, bad argument or count
constexpr int kExitUsage = 2;     // malformed command line
constexpr int kExitMoved = 3;     // --check: the library's arithmetic moved

std::vector<std::string> split(const std::string& text, char sep) {
  std::vector<std::string> parts;
  std::string::size_type start = 0;
  for (;;) {
    const auto end = text.find(sep, start);
    parts.push_back(text.substr(start, end - start));
    if (end == std::string::npos) return parts;
    start = end + 1;
  }
}

// ---------------------------------------------------------------------------
// The function table. Every exported function falls into one of these
// signatures (the tags FI, DI, F, D, DD, DDD and Z of <varnel/functions.h>,
// and SP, DP, DDP and DDDP of <varnel/stats.h>, which are F, D, DD and DDD);
// the parameters of a complex function are its real and imaginary parts, so
// every parameter on the command line is one real number.

enum class Signature { FloatInt, DoubleInt, Float, Double, Double2, Double3, Complex };

struct Function {
  const char* ns;  // "specfun", "cephes" or "stats"
  const char* name;
  Signature sig;
  std::string params;  // parameter names, comma separated, as printed
  std::string meaning;
  // Exactly one of these is set, as the signature says.
  float (*f_fi)(float, int) noexcept = nullptr;
  double (*d_di)(double, int) noexcept = nullptr;
  float (*f_f)(float) noexcept = nullptr;
  double (*d_d)(double) noexcept = nullptr;
  double (*d_dd)(double, double) noexcept = nullptr;
  double (*d_ddd)(double, double, double) noexcept = nullptr;
  std::complex<double> (*z_z)(std::complex<double>) noexcept = nullptr;
};

Function make_FI(const char* ns, const char* name, std::string params, std::string meaning,
                 float (*f)(float, int) noexcept) {
  Function fn{ns, name, Signature::FloatInt, params, meaning};
  fn.f_fi = f;
  return fn;
}
Function make_DI(const char* ns, const char* name, std::string params, std::string meaning,
                 double (*f)(double, int) noexcept) {
  Function fn{ns, name, Signature::DoubleInt, params, meaning};
  fn.d_di = f;
  return fn;
}
Function make_F(const char* ns, const char* name, std::string params, std::string meaning,
                float (*f)(float) noexcept) {
  Function fn{ns, name, Signature::Float, params, meaning};
  fn.f_f = f;
  return fn;
}
Function make_D(const char* ns, const char* name, std::string params, std::string meaning,
                double (*f)(double) noexcept) {
  Function fn{ns, name, Signature::Double, params, meaning};
  fn.d_d = f;
  return fn;
}
Function make_DD(const char* ns, const char* name, std::string params, std::string meaning,
                 double (*f)(double, double) noexcept) {
  Function fn{ns, name, Signature::Double2, params, meaning};
  fn.d_dd = f;
  return fn;
}
Function make_DDD(const char* ns, const char* name, std::string params, std::string meaning,
                  double (*f)(double, double, double) noexcept) {
  Function fn{ns, name, Signature::Double3, params, meaning};
  fn.d_ddd = f;
  return fn;
}
Function make_Z(const char* ns, const char* name, std::string params, std::string meaning,
                std::complex<double> (*f)(std::complex<double>) noexcept) {
  Function fn{ns, name, Signature::Complex, params, meaning};
  fn.z_z = f;
  return fn;
}

// The signature tags of <varnel/stats.h>, each one of the tags above.
constexpr auto make_SP = make_F;
constexpr auto make_DP = make_D;
constexpr auto make_DDP = make_DD;
constexpr auto make_DDDP = make_DDD;

// Every function and constant, from the lists in <varnel/functions.h> and
// <varnel/stats.h> (the inverse functions in namespace stats, as in
// <varnel/stats.hpp>); the parameter names printed for each signature tag are
// those of the documentation (a complex argument is given as its two parts).
#define VARNEL_EVALUATOR_PARAMS_FI "x,kind"
#define VARNEL_EVALUATOR_PARAMS_DI "x,kind"
#define VARNEL_EVALUATOR_PARAMS_F "x"
#define VARNEL_EVALUATOR_PARAMS_D "x"
#define VARNEL_EVALUATOR_PARAMS_DD "a,x"
#define VARNEL_EVALUATOR_PARAMS_DDD "a,b,x"
#define VARNEL_EVALUATOR_PARAMS_Z "re,im"
#define VARNEL_EVALUATOR_PARAMS_SP "p"
#define VARNEL_EVALUATOR_PARAMS_DP "p"
#define VARNEL_EVALUATOR_PARAMS_DDP "a,p"
#define VARNEL_EVALUATOR_PARAMS_DDDP "a,b,p"
// The target of an upper-tail inverse (erfc_inv, igamc_inv, ibetac_inv) is q.
#define VARNEL_EVALUATOR_UPPER_PARAMS_SP "q"
#define VARNEL_EVALUATOR_UPPER_PARAMS_DP "q"
#define VARNEL_EVALUATOR_UPPER_PARAMS_DDP "a,q"
#define VARNEL_EVALUATOR_UPPER_PARAMS_DDDP "a,b,q"
constexpr bool upper_tail(std::string_view name) {
  return name.find("c_inv") != std::string_view::npos;
}

// The distributions (VARNEL_STATS_DISTRIBUTIONS, signatures XD and XDD, which
// are DD and DDD): the argument first, x, or the target p of a quantile and q
// of an isf, then the family's parameters as VARNEL_STATS_FAMILIES names them,
// except that the success probability p of binom and nbinom is called prob,
// since p already names the quantile's target.
constexpr auto make_XD = make_DD;
constexpr auto make_XDD = make_DDD;

struct Family {
  std::string_view family, params, name;
};

const Family& family_of(std::string_view family) {
#define VARNEL_EVALUATOR_FAMILY(family, sig, count, params, name) {#family, params, name},
  static const Family table[] = {VARNEL_STATS_FAMILIES(VARNEL_EVALUATOR_FAMILY)};
#undef VARNEL_EVALUATOR_FAMILY
  for (const auto& f : table) {
    if (f.family == family) return f;
  }
  std::abort();  // every family of the distribution list is in the family list
}

std::string distribution_params(std::string_view family, std::string_view op) {
  std::string text = op == "quantile" ? "p" : op == "isf" ? "q" : "x";
  for (const auto& part : split(std::string(family_of(family).params), ',')) {
    const auto first = part.find_first_not_of(' ');
    const std::string param = part.substr(first);
    text += "," + (param == "p" ? std::string("prob") : param);
  }
  return text;
}

std::string distribution_meaning(std::string_view family, std::string_view op) {
  const bool discrete = varnel::pairs::discrete(family);
  const std::string_view meaning = op == "pdf"      ? (discrete ? "probability mass" : "density")
                                   : op == "logpdf" ? (discrete ? "log of the mass" : "log density")
                                   : op == "cdf"    ? "P(X <= x)"
                                   : op == "sf"     ? "P(X > x)"
                                   : op == "quantile" ? "x with cdf(x) = p"
                                                      : "x with sf(x) = q";
  return std::string(family_of(family).name) + ": " + std::string(meaning);
}

const std::vector<Function>& functions() {
#define VARNEL_EVALUATOR_FUNCTION(ns, name, sig, meaning) \
  make_##sig(#ns, #name, VARNEL_EVALUATOR_PARAMS_##sig, meaning, varnel::ns::name),
#define VARNEL_EVALUATOR_STATS_FUNCTION(name, sig, meaning) \
  make_##sig("stats", #name,                                                        \
             upper_tail(#name) ? VARNEL_EVALUATOR_UPPER_PARAMS_##sig                 \
                               : VARNEL_EVALUATOR_PARAMS_##sig,                      \
             meaning, varnel::stats::name),
#define VARNEL_EVALUATOR_DISTRIBUTION(family, op, sig, count)                        \
  make_##sig("stats", "d_" #family "_" #op, distribution_params(#family, #op),       \
             distribution_meaning(#family, #op), varnel::stats::d_##family##_##op),
  static const std::vector<Function> table = {
      VARNEL_FUNCTIONS(VARNEL_EVALUATOR_FUNCTION)
      VARNEL_STATS_FUNCTIONS(VARNEL_EVALUATOR_STATS_FUNCTION)
      VARNEL_STATS_DISTRIBUTIONS(VARNEL_EVALUATOR_DISTRIBUTION)};
#undef VARNEL_EVALUATOR_DISTRIBUTION
#undef VARNEL_EVALUATOR_STATS_FUNCTION
#undef VARNEL_EVALUATOR_FUNCTION
  return table;
}

struct Constant {
  const char* name;
  const double* value;
  const char* meaning;
};

const std::vector<Constant>& constants() {
#define VARNEL_EVALUATOR_CONSTANT(name, meaning) {#name, &ce::name, meaning},
  static const std::vector<Constant> table = {VARNEL_CONSTANTS(VARNEL_EVALUATOR_CONSTANT)};
#undef VARNEL_EVALUATOR_CONSTANT
  return table;
}

std::string qualified(const Function& fn) {
  return std::string("varnel::") + fn.ns + "::" + fn.name;
}

const char* type_of(Signature sig, std::size_t index) {
  switch (sig) {
    case Signature::FloatInt: return index == 0 ? "float" : "int";
    case Signature::DoubleInt: return index == 0 ? "double" : "int";
    case Signature::Float: return "float";
    default: return "double";
  }
}

// The declaration as a C++ programmer reads it in the header.
std::string declaration(const Function& fn) {
  const auto params = split(fn.params, ',');
  std::string text;
  if (fn.sig == Signature::Complex) {
    text = "std::complex<double> " + qualified(fn) + "(std::complex<double> z)";
  } else {
    text = std::string(type_of(fn.sig, 0)[0] == 'f' ? "float " : "double ") + qualified(fn) + "(";
    for (std::size_t i = 0; i < params.size(); ++i) {
      if (i) text += ", ";
      text += std::string(type_of(fn.sig, i)) + " " + params[i];
    }
    text += ")";
  }
  return text;
}

// ---------------------------------------------------------------------------
// Looking a name up: "d_gamma", "specfun::d_gamma" and "varnel::specfun::d_gamma"
// all name the same function (and "d_igamma_inv", "stats::d_igamma_inv"); a bare name that exists in both namespaces
// (d_ibeta) must be qualified.

struct Lookup {
  const Function* function = nullptr;
  const Constant* constant = nullptr;
  std::string error;
};

std::size_t edit_distance(const std::string& a, const std::string& b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
      diagonal = above;
    }
  }
  return row[b.size()];
}

Lookup look_up(std::string name) {
  Lookup result;
  const std::string top = "varnel::";
  if (name.compare(0, top.size(), top) == 0) name.erase(0, top.size());
  std::string ns;
  const auto colons = name.find("::");
  if (colons != std::string::npos) {
    ns = name.substr(0, colons);
    name.erase(0, colons + 2);
  }
  std::vector<const Function*> matches;
  for (const auto& fn : functions()) {
    if (name == fn.name && (ns.empty() || ns == fn.ns)) matches.push_back(&fn);
  }
  if (matches.size() == 1) {
    result.function = matches[0];
    return result;
  }
  if (matches.size() > 1) {
    result.error = "'" + name + "' is ambiguous: say specfun::" + name + " or cephes::" + name;
    return result;
  }
  if (ns.empty() || ns == "cephes") {
    for (const auto& c : constants()) {
      if (name == c.name) {
        result.constant = &c;
        return result;
      }
    }
  }
  result.error = "unknown function '" + (ns.empty() ? name : ns + "::" + name) + "'";
  std::string best;
  std::size_t best_distance = 3;  // suggest only near misses
  for (const auto& fn : functions()) {
    const auto d = edit_distance(name, fn.name);
    if (d < best_distance) best_distance = d, best = fn.name;
  }
  for (const auto& c : constants()) {
    const auto d = edit_distance(name, c.name);
    if (d < best_distance) best_distance = d, best = c.name;
  }
  if (!best.empty()) result.error += " (did you mean " + best + "?)";
  result.error += "; 'varnel --list' shows them all";
  return result;
}

// ---------------------------------------------------------------------------
// Numbers in and out.

// Shortest decimal that reads back to the same value (to_chars' shortest form).
template <typename T>
std::string decimal(T v) {
  char buf[64];
  const auto res = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, res.ptr);
}

std::string hexfloat(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%a", v);
  return buf;
}

std::string bits_of(double v) {
  std::uint64_t b;
  std::memcpy(&b, &v, sizeof b);
  char buf[32];
  std::snprintf(buf, sizeof buf, "0x%016" PRIx64, b);
  return buf;
}

std::string bits_of(float v) {
  std::uint32_t b;
  std::memcpy(&b, &v, sizeof b);
  char buf[32];
  std::snprintf(buf, sizeof buf, "0x%08" PRIx32, b);
  return buf;
}

// Parses one real number of the given type. Returns an error text, empty on
// success. Overflow is an error (the user would otherwise silently evaluate at
// infinity); gradual underflow rounds as IEEE arithmetic does.
template <typename T>
std::string parse_real(const std::string& text, T& out) {
  if (text.empty()) return "an empty argument is not a number";
  for (const char c : text) {
    if (std::isspace(static_cast<unsigned char>(c))) return "'" + text + "' is not a number";
  }
  const char* begin = text.c_str();
  char* end = nullptr;
  errno = 0;
  if constexpr (std::is_same_v<T, float>) {
    out = std::strtof(begin, &end);
  } else {
    out = std::strtod(begin, &end);
  }
  if (end == begin || *end != '\0') return "'" + text + "' is not a number";
  if (errno == ERANGE && std::isinf(out)) {
    return "'" + text + "' overflows " + (std::is_same_v<T, float> ? "float" : "double") +
           " (write inf for an infinity)";
  }
  return {};
}

std::string parse_int(const std::string& text, int& out) {
  const char* begin = text.c_str();
  char* end = nullptr;
  errno = 0;
  const long v = std::strtol(begin, &end, 10);
  if (text.empty() || end == begin || *end != '\0' ||
      std::isspace(static_cast<unsigned char>(text[0]))) {
    return "'" + text + "' is not an integer";
  }
  if (errno == ERANGE || v < std::numeric_limits<int>::min() ||
      v > std::numeric_limits<int>::max()) {
    return "'" + text + "' is out of the range of int";
  }
  out = static_cast<int>(v);
  return {};
}

// An argument set, held in the widest form; each parameter is narrowed to its
// own type when parsed, so the values here are exactly those passed.
struct Arguments {
  double v[3] = {0, 0, 0};
  float f0 = 0;  // the float argument of s_calerf, s_gamma, s_lngamma
  int kind = 0;
};

std::string parse_argument(const Function& fn, std::size_t index, const std::string& text,
                           Arguments& args) {
  const std::string type = type_of(fn.sig, index);
  if (type == "int") return parse_int(text, args.kind);
  if (type == "float") return parse_real(text, args.f0);
  return parse_real(text, args.v[index]);
}

std::string argument_text(const Function& fn, std::size_t index, const Arguments& args) {
  const std::string type = type_of(fn.sig, index);
  if (type == "int") return std::to_string(args.kind);
  if (type == "float") return decimal(args.f0);
  return decimal(args.v[index]);
}

// The result of one call: one or two doubles, or one float.
struct Result {
  bool is_float = false;
  bool is_complex = false;
  float f = 0;
  double re = 0, im = 0;
};

Result evaluate(const Function& fn, const Arguments& a) {
  Result r;
  switch (fn.sig) {
    case Signature::FloatInt: r.is_float = true, r.f = fn.f_fi(a.f0, a.kind); break;
    case Signature::DoubleInt: r.re = fn.d_di(a.v[0], a.kind); break;
    case Signature::Float: r.is_float = true, r.f = fn.f_f(a.f0); break;
    case Signature::Double: r.re = fn.d_d(a.v[0]); break;
    case Signature::Double2: r.re = fn.d_dd(a.v[0], a.v[1]); break;
    case Signature::Double3: r.re = fn.d_ddd(a.v[0], a.v[1], a.v[2]); break;
    case Signature::Complex: {
      const auto z = fn.z_z({a.v[0], a.v[1]});
      r.is_complex = true, r.re = z.real(), r.im = z.imag();
      break;
    }
  }
  return r;
}

void print_single(const Function& fn, const Arguments& args, const Result& r) {
  const auto n = split(fn.params, ',').size();
  std::string call = qualified(fn) + "(";
  if (fn.sig == Signature::Complex) {
    call += "(" + argument_text(fn, 0, args) + ", " + argument_text(fn, 1, args) + ")";
  } else {
    for (std::size_t i = 0; i < n; ++i) call += (i ? ", " : "") + argument_text(fn, i, args);
  }
  call += ")";
  if (r.is_float) {
    std::printf("%s = %s\n  hex-float %s  bits %s\n", call.c_str(), decimal(r.f).c_str(),
                hexfloat(r.f).c_str(), bits_of(r.f).c_str());
  } else if (r.is_complex) {
    std::printf("%s = (%s, %s)\n  re %s  hex-float %s  bits %s\n  im %s  hex-float %s  bits %s\n",
                call.c_str(), decimal(r.re).c_str(), decimal(r.im).c_str(),
                decimal(r.re).c_str(), hexfloat(r.re).c_str(), bits_of(r.re).c_str(),
                decimal(r.im).c_str(), hexfloat(r.im).c_str(), bits_of(r.im).c_str());
  } else {
    std::printf("%s = %s\n  hex-float %s  bits %s\n", call.c_str(), decimal(r.re).c_str(),
                hexfloat(r.re).c_str(), bits_of(r.re).c_str());
  }
}

void print_csv_header(const Function& fn) {
  std::string line = fn.params;
  if (fn.sig == Signature::Complex) {
    line += ",result_re,result_im,result_re_bits,result_im_bits";
  } else {
    line += ",result,result_bits";
  }
  std::puts(line.c_str());
}

void print_csv_row(const Function& fn, const Arguments& args, const Result& r) {
  const auto n = split(fn.params, ',').size();
  std::string line;
  for (std::size_t i = 0; i < n; ++i) line += argument_text(fn, i, args) + ",";
  if (r.is_float) {
    line += decimal(r.f) + "," + bits_of(r.f);
  } else if (r.is_complex) {
    line += decimal(r.re) + "," + decimal(r.im) + "," + bits_of(r.re) + "," + bits_of(r.im);
  } else {
    line += decimal(r.re) + "," + bits_of(r.re);
  }
  std::puts(line.c_str());
}

// ---------------------------------------------------------------------------
// Modes.

int fail(const std::string& message, int status = kExitBadInput) {
  std::fprintf(stderr, "varnel: %s\n", message.c_str());
  return status;
}

std::string parameter_list(const Function& fn) {
  std::string text;
  for (const auto& p : split(fn.params, ',')) text += (text.empty() ? "" : ", ") + p;
  return text;
}

std::string arity_error(const Function& fn, std::size_t got) {
  const auto n = split(fn.params, ',').size();
  std::string text = std::string(fn.name) + " takes " + std::to_string(n) + " argument" +
                     (n == 1 ? "" : "s") + " (" + parameter_list(fn) + ")";
  if (fn.sig == Signature::Complex) text += ", the real and imaginary part of z";
  return text + ", got " + std::to_string(got);
}

int list() {
  std::puts("Functions (each parameter is one number on the command line; a complex");
  std::puts("argument z is given as its real and imaginary part):");
  for (const auto& fn : functions()) {
    std::printf("  %-77s %s\n", declaration(fn).c_str(), fn.meaning.c_str());
  }
  std::puts("Constants (const double, printed when named without arguments):");
  for (const auto& c : constants()) {
    std::printf("  varnel::cephes::%-10s %-26s %s\n", c.name, decimal(*c.value).c_str(),
                c.meaning);
  }
  return kExitOk;
}

void usage(std::FILE* out) {
  std::fputs(
      "usage: varnel FUNCTION ARG...                evaluate once\n"
      "       varnel FUNCTION ARG... --range FROM:TO:STEP ARG...\n"
      "                                             sweep one argument, print CSV\n"
      "       varnel --stdin FUNCTION               one argument set per input line, CSV\n"
      "       varnel CONSTANT                       print an exported constant\n"
      "       varnel --check                        the pinned bits on this machine, the\n"
      "                                             inverses against the forward functions and\n"
      "                                             the quantiles against their cdf and sf\n"
      "       varnel --list | --help | --version\n"
      "FUNCTION is a name as declared: d_gamma, specfun::d_gamma, varnel::cephes::z_gamma,\n"
      "d_igamma_inv, stats::d_igamma_inv (the inverses of libvarnel-stats), d_chisq_isf,\n"
      "stats::d_binom_cdf (its distributions: d_<family>_<op>, family norm, chisq, gamma,\n"
      "beta, t, f, poisson, binom or nbinom, op pdf, logpdf, cdf, sf, quantile or isf); d_ibeta\n"
      "exists in both namespaces specfun and cephes and must be qualified. Numbers may be decimals,\n"
      "hex-floats (0x1.8p-3), inf, -inf, nan or -0. A complex argument is two numbers.\n",
      out);
}

// Range "FROM:TO:STEP": the grid FROM + i*STEP for i = 0, 1, ... while it does
// not pass TO (a relative slack of 1e-9 steps keeps TO itself in the grid when
// rounding puts the last point a hair beyond it). Each point is formed from
// FROM and i, not accumulated, so long ranges do not drift.
struct Range {
  double from = 0, to = 0, step = 0;
  long long count = 0;
  double at(long long i) const { return from + static_cast<double>(i) * step; }
};

constexpr long long kMaxRangePoints = 10000000;

std::string parse_range(const std::string& text, Range& range) {
  const auto parts = split(text, ':');
  if (parts.size() != 3) return "range '" + text + "' is not FROM:TO:STEP";
  const char* names[3] = {"FROM", "TO", "STEP"};
  double values[3];
  for (int i = 0; i < 3; ++i) {
    const auto error = parse_real(parts[i], values[i]);
    if (!error.empty()) return "range " + std::string(names[i]) + ": " + error;
    if (!std::isfinite(values[i])) return "range " + std::string(names[i]) + " must be finite";
  }
  range.from = values[0], range.to = values[1], range.step = values[2];
  if (range.step == 0) return "range STEP must not be zero";
  const double steps = (range.to - range.from) / range.step;
  if (steps < 0) return "range STEP " + parts[2] + " never reaches TO " + parts[1] + " from " + parts[0];
  if (!(steps < kMaxRangePoints)) {
    return "range '" + text + "' has more than " + std::to_string(kMaxRangePoints) + " points";
  }
  range.count = static_cast<long long>(std::floor(steps + 1e-9)) + 1;
  return {};
}

int run_range(const Function& fn, const std::vector<std::string>& raw, std::size_t range_index,
              const Range& range) {
  Arguments args;
  for (std::size_t i = 0; i < raw.size(); ++i) {
    if (i == range_index) continue;
    const auto error = parse_argument(fn, i, raw[i], args);
    if (!error.empty()) {
      return fail("argument " + std::to_string(i + 1) + " (" + split(fn.params, ',')[i] +
                  ") of " + fn.name + ": " + error);
    }
  }
  const std::string type = type_of(fn.sig, range_index);
  if (type == "int") {
    for (const double v : {range.from, range.step}) {
      if (v != std::trunc(v) || std::fabs(v) > std::numeric_limits<int>::max()) {
        return fail("the range of the int parameter must have integer FROM and STEP");
      }
    }
  }
  print_csv_header(fn);
  for (long long i = 0; i < range.count; ++i) {
    const double v = range.at(i);
    if (type == "int") {
      if (std::fabs(v) > std::numeric_limits<int>::max()) break;
      args.kind = static_cast<int>(v);
    } else if (type == "float") {
      args.f0 = static_cast<float>(v);
    } else {
      args.v[range_index] = v;
    }
    print_csv_row(fn, args, evaluate(fn, args));
  }
  return kExitOk;
}

// Splits an input line into fields at blanks and commas; '#' starts a comment.
std::vector<std::string> fields_of(const std::string& line) {
  std::vector<std::string> fields;
  std::string current;
  for (const char c : line) {
    if (c == '#') break;
    if (c == ',' || std::isspace(static_cast<unsigned char>(c))) {
      if (!current.empty()) fields.push_back(current), current.clear();
    } else {
      current += c;
    }
  }
  if (!current.empty()) fields.push_back(current);
  return fields;
}

// Bad lines are reported on stderr with their number and skipped, so one typo
// does not cost the rest of a long file; the exit status then says that rows
// are missing.
int run_stdin(const Function& fn) {
  const auto n = split(fn.params, ',').size();
  print_csv_header(fn);
  int status = kExitOk;
  std::string line;
  long long number = 0;
  while (std::getline(std::cin, line)) {
    ++number;
    const auto fields = fields_of(line);
    if (fields.empty()) continue;
    const std::string where = "line " + std::to_string(number) + ": ";
    if (fields.size() != n) {
      status = fail(where + arity_error(fn, fields.size()));
      continue;
    }
    Arguments args;
    std::string error;
    for (std::size_t i = 0; i < n && error.empty(); ++i) {
      error = parse_argument(fn, i, fields[i], args);
      if (!error.empty()) error = "argument " + std::to_string(i + 1) + " (" + split(fn.params, ',')[i] + "): " + error;
    }
    if (!error.empty()) {
      status = fail(where + error);
      continue;
    }
    print_csv_row(fn, args, evaluate(fn, args));
  }
  return status;
}

// ---------------------------------------------------------------------------
// --check: the pinned set (tools/check) against the library this program
// loaded, with the data installed beside it (<prefix>/share/varnel/
// characterisation), or the source tree's from a build tree, or
// VARNEL_CHECK_DATA.

std::string check_data_directory() {
  if (const char* dir = std::getenv("VARNEL_CHECK_DATA"); dir != nullptr && *dir != '\0') return dir;
  char self[4096];
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n > 0) {
    self[n] = '\0';
    std::string dir(self);
    dir.erase(dir.find_last_of('/') + 1);
    const std::string installed = dir + "../share/varnel/characterisation";
    char resolved[4096];
    if (access((installed + "/x86_64.bin").c_str(), R_OK) == 0 &&
        realpath(installed.c_str(), resolved) != nullptr) {
      return resolved;
    }
  }
  return VARNEL_CLI_SOURCE_DATA;
}

// The example of a verdict in a few lines: the call, and the C library calls
// whose answers differ from the pinned ones (or that the pinned machine
// never made), from the detail that the check gives.
std::string example_of(const std::string& detail) {
  std::string out;
  std::size_t start = 0, line = 0;
  while (start < detail.size()) {
    std::size_t end = detail.find('\n', start);
    if (end == std::string::npos) end = detail.size();
    std::string text = detail.substr(start, end - start);
    start = end + 1;
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) continue;
    text.erase(0, first);
    if (line++ == 0 || text.find("   (") != std::string::npos) out += "\n    " + text;
  }
  return out;
}

// The function's name as declared (the two d_ibeta with their namespace).
std::string declared_name(const char* id) {
  std::string name = id;
  for (const char* ns : {"specfun_", "cephes_"}) {
    if (name.compare(0, std::strlen(ns), ns) == 0) name.replace(std::strlen(ns) - 1, 1, "::");
  }
  return name;
}

int check() {
  namespace pinned = varnel::pinned;
  const char* platform = pinned::platform();
  if (platform == nullptr) return fail("--check: no pinned bits for this processor architecture");
  const std::string dir = check_data_directory();
  pinned::PinnedSet expected;
  const std::string error = pinned::expected_for_platform(dir, &expected);
  if (!error.empty()) return fail("--check: " + error);
  std::printf("varnel %s: the pinned result bits of every function on %s, with glibc %s\n"
              "(data: %s)\n",
              varnel_cli::kVersion, platform, gnu_get_libc_version(), dir.c_str());
  std::size_t differ = 0, moved_functions = 0, functions_differ = 0;
  bool unusable = false;
  for (const auto& fn : varnel::test::exported_functions()) {
    const auto it = expected.find(fn.id);
    if (it == expected.end()) {
      std::printf("%-16s no pinned bits in the data\n", declared_name(fn.id).c_str());
      unusable = true;
      continue;
    }
    const pinned::Verdict v = pinned::judge(fn, it->second);
    const std::string calls = std::to_string(it->second.calls);
    const std::string name = declared_name(fn.id);
    switch (v.kind) {
      case pinned::Verdict::kSame:
        std::printf("%-17s the same bits (%s calls)\n", name.c_str(), calls.c_str());
        break;
      case pinned::Verdict::kCLibrary:
        std::printf("%-17s %zu of %s calls differ because this C library answers differently, "
                    "for example:%s\n",
                    name.c_str(), v.moved, calls.c_str(), example_of(v.detail).c_str());
        differ += v.moved;
        ++functions_differ;
        break;
      case pinned::Verdict::kArithmetic:
        std::printf("%-17s the library's arithmetic moved, a defect: with the answers of the C "
                    "library that pinned the bits, %zu of %zu calls give other bits; the first:%s\n",
                    name.c_str(), v.exact_moved, v.exact_calls, example_of(v.detail).c_str());
        ++moved_functions;
        break;
      case pinned::Verdict::kUnusable:
        std::printf("%s\n", v.summary.c_str());
        unusable = true;
        break;
    }
  }
  // The inverse functions: their bits are defined by the forward functions
  // just checked, so each result must be where its forward function crosses
  // the target (tools/check/inverse_brackets.hpp).
  namespace br = varnel::brackets;
  std::printf("The inverse functions of libvarnel-stats against the forward functions:\n");
  std::size_t inconsistent = 0;
  for (const auto& fn : br::inverses()) {
    const br::Report r = br::check(fn);
    if (r.failed == 0) {
      std::printf("%-17s each result where %s crosses its target (%zu calls)\n", fn.name,
                  fn.forward_name, r.points);
    } else {
      std::printf("%-17s %zu of %zu results are not where %s crosses the target, a defect; "
                  "the first:\n    %s\n",
                  fn.name, r.failed, r.points, fn.forward_name, r.first.c_str());
      ++inconsistent;
    }
  }
  // The distributions: each quantile and isf where the family's own cdf and
  // sf cross the target (tools/check/distribution_pairs.hpp).
  std::printf("The distributions of libvarnel-stats against their own cdf and sf:\n");
  std::size_t unpaired = 0;
  for (const auto& family : varnel::pairs::families()) {
    const br::Report r = varnel::pairs::check(family);
    if (r.failed == 0) {
      std::printf("%-17s each quantile and isf where the cdf and sf cross the target (%zu calls)\n",
                  family.name, r.points);
    } else {
      std::printf("%-17s %zu of %zu quantiles and isf are not where the cdf and sf cross the "
                  "target, a defect; the first:\n    %s\n",
                  family.name, r.failed, r.points, r.first.c_str());
      ++unpaired;
    }
  }
  if (inconsistent > 0) {
    std::printf("%zu inverse function(s) disagree with the forward functions: this build of "
                "libvarnel-stats does not give the prescribed bits. Please report it, with this "
                "output and how the library was built, to %s.\n",
                inconsistent, VARNEL_CLI_BUG_ADDRESS);
  }
  if (unpaired > 0) {
    std::printf("%zu distribution(s) disagree with their own cdf or sf: this build of "
                "libvarnel-stats does not give the prescribed bits. Please report it, with this "
                "output and how the library was built, to %s.\n",
                unpaired, VARNEL_CLI_BUG_ADDRESS);
  }
  if (moved_functions > 0) {
    std::printf("The library's arithmetic moved in %zu function(s): this build of libvarnel does not "
                "give the prescribed bits. Please report it, with this output and how the library "
                "was built, to %s.\n",
                moved_functions, VARNEL_CLI_BUG_ADDRESS);
    return kExitMoved;
  }
  if (inconsistent > 0 || unpaired > 0) return kExitMoved;
  if (unusable) return fail("--check: the pinned data do not fit this program");
  if (differ > 0) {
    std::printf("The library's arithmetic is as pinned; %zu results of %zu functions differ because "
                "this C library (glibc %s) answers differently from the one that pinned the bits, "
                "which is no defect.\n",
                differ, functions_differ, gnu_get_libc_version());
  } else {
    std::printf("Every result has the pinned bits.\n");
  }
  std::printf("Every inverse is exactly consistent with its forward function, and every "
              "distribution with its own cdf and sf.\n");
  return kExitOk;
}

int run(int argc, char** argv) {
  std::vector<std::string> words(argv + 1, argv + argc);
  if (words.empty()) {
    usage(stderr);
    return kExitUsage;
  }
  bool from_stdin = false;
  std::vector<std::string> rest;
  std::optional<std::string> range_text;
  std::size_t range_index = 0;
  for (std::size_t i = 0; i < words.size(); ++i) {
    const auto& w = words[i];
    if (w == "--help" || w == "-h") {
      usage(stdout);
      return kExitOk;
    } else if (w == "--version") {
      std::printf("varnel %s\n", varnel_cli::kVersion);
      return kExitOk;
    } else if (w == "--list") {
      return list();
    } else if (w == "--check") {
      if (words.size() != 1) return fail("--check takes no arguments", kExitUsage);
      return check();
    } else if (w == "--stdin") {
      from_stdin = true;
    } else if (w == "--range" || w.compare(0, 8, "--range=") == 0) {
      if (range_text) return fail("only one argument can be a --range", kExitUsage);
      if (w == "--range") {
        if (i + 1 == words.size()) return fail("--range needs FROM:TO:STEP", kExitUsage);
        range_text = words[++i];
      } else {
        range_text = w.substr(8);
      }
      if (rest.empty()) return fail("--range stands in place of an argument, after the function name", kExitUsage);
      range_index = rest.size() - 1;  // argument position: rest[0] is the function
      rest.push_back("");             // placeholder for the swept argument
    } else if (w.size() > 1 && w[0] == '-' && w[1] == '-') {
      return fail("unknown option '" + w + "'", kExitUsage);
    } else {
      rest.push_back(w);
    }
  }
  if (rest.empty()) return fail("no function named", kExitUsage);
  const Lookup found = look_up(rest[0]);
  if (!found.error.empty()) return fail(found.error);
  const std::vector<std::string> raw(rest.begin() + 1, rest.end());

  if (found.constant) {
    if (!raw.empty() || from_stdin || range_text) {
      return fail(std::string(found.constant->name) + " is a constant and takes no arguments");
    }
    const double v = *found.constant->value;
    std::printf("varnel::cephes::%s = %s\n  hex-float %s  bits %s\n", found.constant->name,
                decimal(v).c_str(), hexfloat(v).c_str(), bits_of(v).c_str());
    return kExitOk;
  }
  const Function& fn = *found.function;
  const auto n = split(fn.params, ',').size();
  if (from_stdin) {
    if (!raw.empty() || range_text) return fail("--stdin takes the arguments from the input only", kExitUsage);
    return run_stdin(fn);
  }
  if (raw.size() != n) return fail(arity_error(fn, raw.size()));
  if (range_text) {
    Range range;
    const auto error = parse_range(*range_text, range);
    if (!error.empty()) return fail(error);
    return run_range(fn, raw, range_index, range);
  }
  Arguments args;
  for (std::size_t i = 0; i < n; ++i) {
    const auto error = parse_argument(fn, i, raw[i], args);
    if (!error.empty()) {
      return fail("argument " + std::to_string(i + 1) + " (" + split(fn.params, ',')[i] +
                  ") of " + fn.name + ": " + error);
    }
  }
  print_single(fn, args, evaluate(fn, args));
  return kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
  const int status = run(argc, argv);
  // A closed or full stdout (varnel ... | head) must not pass for success.
  if (std::fflush(stdout) != 0 && status == kExitOk) return kExitBadInput;
  return status;
}
