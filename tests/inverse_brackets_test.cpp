// The bracket check of the inverse functions (tools/check/inverse_brackets),
// which `varnel --check` reports: the library's inverses pass it, and the
// check itself is held to a reference: an inverse found here by bisection
// over the floating-point numbers passes at every point, and the same
// answers moved by one unit in the last place either way, or wrong values at
// the edges, fail at every point.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <ostream>
#include <string>

#include "inverse_brackets.hpp"

namespace varnel::brackets {
// The parameter's name in gtest's messages.
void PrintTo(const Inverse& fn, std::ostream* os) { *os << fn.name; }
}  // namespace varnel::brackets

namespace {

using varnel::brackets::Args;
using varnel::brackets::Inverse;

// Ordered integer keys of the floating-point numbers: key order is numeric
// order, and adjacent keys are adjacent numbers.
template <typename T, typename U>
U key(T x) {
  U u;
  std::memcpy(&u, &x, sizeof u);
  const U sign = U(1) << (8 * sizeof(U) - 1);
  return (u & sign) ? ~u : (u | sign);
}
template <typename T, typename U>
T from_key(U k) {
  const U sign = U(1) << (8 * sizeof(U) - 1);
  const U u = (k & sign) ? (k & ~sign) : ~k;
  T x;
  std::memcpy(&x, &u, sizeof x);
  return x;
}

// The smallest number in the support at which the forward function has
// reached the target, by bisection between an end where it has not and one
// where it has: the two numbers left then bracket the target, so the upper
// one is a correct answer whatever the forward function's rounding does.
template <typename T, typename U>
T bisect(const Inverse& fn, const Args& args, T lo, T hi) {
  const double t = args[fn.arity - 1];
  auto reached = [&](T x) {
    const double f = fn.forward(args, x);
    return fn.direction > 0 ? f >= t : f <= t;
  };
  EXPECT_FALSE(reached(lo)) << varnel::brackets::call_text(fn, args);
  EXPECT_TRUE(reached(hi)) << varnel::brackets::call_text(fn, args);
  U klo = key<T, U>(lo), khi = key<T, U>(hi);
  while (khi - klo > 1) {
    const U kmid = klo + (khi - klo) / 2;
    (reached(from_key<T, U>(kmid)) ? khi : klo) = kmid;
  }
  return from_key<T, U>(khi);
}

double reference(const Inverse& fn, const Args& args) {
  const std::string name = fn.name;
  if (fn.single) return bisect<float, uint32_t>(fn, args, -FLT_MAX, FLT_MAX);
  if (fn.arity == 1) return bisect<double, uint64_t>(fn, args, -DBL_MAX, DBL_MAX);
  return bisect<double, uint64_t>(fn, args, 0.0, fn.arity == 2 ? DBL_MAX : 1.0);
}

double next_up(const Inverse& fn, double x) {
  return fn.single ? std::nextafterf(static_cast<float>(x), INFINITY) : std::nextafter(x, INFINITY);
}
double next_down(const Inverse& fn, double x) {
  return fn.single ? std::nextafterf(static_cast<float>(x), -INFINITY) : std::nextafter(x, -INFINITY);
}

class Brackets : public ::testing::TestWithParam<Inverse> {};

TEST_P(Brackets, LibraryIsWhereTheForwardFunctionCrosses) {
  const auto r = varnel::brackets::check(GetParam());
  EXPECT_EQ(r.points, varnel::brackets::points(GetParam()).size() +
                          varnel::brackets::edges(GetParam()).size());
  EXPECT_EQ(r.failed, 0u) << r.first;
}

TEST_P(Brackets, ReferenceAnswersPassAndTheirNeighboursFail) {
  const Inverse& fn = GetParam();
  for (const Args& args : varnel::brackets::points(fn)) {
    const double x = reference(fn, args);
    std::string why;
    EXPECT_TRUE(varnel::brackets::brackets(fn, args, x, &why))
        << varnel::brackets::call_text(fn, args) << " " << why;
    EXPECT_FALSE(varnel::brackets::brackets(fn, args, next_up(fn, x), nullptr))
        << varnel::brackets::call_text(fn, args) << " one ulp up";
    EXPECT_FALSE(varnel::brackets::brackets(fn, args, next_down(fn, x), nullptr))
        << varnel::brackets::call_text(fn, args) << " one ulp down";
  }
}

TEST_P(Brackets, WrongValuesFailEverywhere) {
  // An inverse that answers one fixed value inside the support (not 0.5,
  // the exact answer of the symmetric beta cases), and one that answers NaN:
  // no point may pass, and no edge but the NaN ones for the second.
  for (double (*wrong)(const Args&) : {+[](const Args&) { return 0.375; },
                                       +[](const Args&) -> double { return NAN; }}) {
    Inverse fn = GetParam();
    fn.inverse = wrong;
    const auto r = varnel::brackets::check(fn);
    const auto edges = varnel::brackets::edges(fn);
    std::size_t edges_passing = 0;
    for (const auto& e : edges) {
      const double w = wrong(e.args);
      edges_passing += std::isnan(e.value) ? std::isnan(w) : w == e.value;
    }
    EXPECT_EQ(r.failed, r.points - edges_passing) << r.first;
    EXPECT_FALSE(r.first.empty());
  }
}

INSTANTIATE_TEST_SUITE_P(Stats, Brackets, ::testing::ValuesIn(varnel::brackets::inverses()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
