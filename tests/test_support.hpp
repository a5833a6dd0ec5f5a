// Helpers shared by the tests: exact bit patterns, errors in units in the last
// place against high-precision references, and the reference-table reader.
#ifndef VARNEL_TESTS_TEST_SUPPORT_HPP
#define VARNEL_TESTS_TEST_SUPPORT_HPP

#include <cmath>
#include <complex>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "bits.hpp"

namespace varnel::test {

// Error of `got` against the exact value `ref`, in units of the spacing of
// the precision T at ref (the spacing of the smallest normal below it).
template <typename T>
long double ulp_error(T got, long double ref) {
  const T r = static_cast<T>(ref);
  T mag = std::fabs(r);
  if (mag < std::numeric_limits<T>::min()) mag = std::numeric_limits<T>::min();
  const long double spacing =
      static_cast<long double>(std::nextafter(mag, std::numeric_limits<T>::infinity())) - mag;
  return std::fabs(static_cast<long double>(got) - ref) / spacing;
}

// A complex value with both parts to full precision, for failure messages.
inline std::string show(std::complex<double> z) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "(%.17g, %.17g)", z.real(), z.imag());
  return buf;
}

// Parses a decimal of any length; long double keeps enough digits to measure
// errors of a fraction of an ulp in double.
inline long double parse_decimal(const std::string& s) {
  return std::strtold(s.c_str(), nullptr);
}

// Rows of a CSV file below its header line, as strings.
inline std::vector<std::vector<std::string>> read_csv(const std::string& name) {
  std::vector<std::vector<std::string>> rows;
  std::ifstream in(std::string(VARNEL_TEST_DATA) + "/" + name);
  std::string line;
  bool header = true;
  while (std::getline(in, line)) {
    if (header) {
      header = false;
      continue;
    }
    if (line.empty()) continue;
    std::vector<std::string> row;
    std::stringstream ss(line);
    std::string cell;
    while (std::getline(ss, cell, ',')) row.push_back(cell);
    rows.push_back(row);
  }
  return rows;
}

// Normwise error of a complex result against the exact value (ref_re, ref_im),
// relative to max(|ref|, floor), in units of 2^-52. A floor of 1 turns it into
// an absolute error near the zeros of a function such as log-gamma.
inline long double complex_error_eps(double got_re, double got_im, long double ref_re,
                                     long double ref_im, long double floor = 0) {
  const long double err = std::hypot(static_cast<long double>(got_re) - ref_re,
                                     static_cast<long double>(got_im) - ref_im);
  long double mag = std::hypot(ref_re, ref_im);
  if (mag < floor) mag = floor;
  return err / mag / 0x1p-52L;
}

// Worst error of an incomplete beta function against a reference table with
// columns a, b, x, B_x, its complement, I_x: rows without a value (the
// table's -1) are skipped, rows whose I_x lies below the double range go to
// `on_tiny(a, b, x)`, every other row is measured. NaN results are counted,
// not measured, so that a NaN cannot hide behind a small maximum.
struct WorstError {
  long double ulps = 0;
  double at[3] = {0, 0, 0};
  int used = 0;
  int nans = 0;
};

template <typename F, typename Tiny>
WorstError worst_ibeta_error(const std::string& file, F f, Tiny on_tiny) {
  WorstError w;
  for (const auto& row : read_csv(file)) {
    const double a = std::stod(row[0]);
    const double b = std::stod(row[1]);
    const double x = std::stod(row[2]);
    const long double want = parse_decimal(row[5]);
    if (want < 0) continue;
    if (want < 1e-300L) {
      on_tiny(a, b, x);
      continue;
    }
    ++w.used;
    const double got = f(a, b, x);
    if (std::isnan(got)) {
      ++w.nans;
      continue;
    }
    const long double e = ulp_error(got, want);
    if (e > w.ulps) w.ulps = e, w.at[0] = a, w.at[1] = b, w.at[2] = x;
  }
  std::printf("%s: max %.4Lg ulp at (%.17g, %.17g, %.17g); %d values\n", file.c_str(), w.ulps,
              w.at[0], w.at[1], w.at[2], w.used);
  return w;
}

}  // namespace varnel::test

#endif  // VARNEL_TESTS_TEST_SUPPORT_HPP
