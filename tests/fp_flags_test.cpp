// Floating-point exception flags. A pole infinity is made by dividing 1 by a
// zero at run time and the domain NaN by dividing 0 by 0, so that a caller
// testing the flags sees division-by-zero or invalid as from any pole or
// domain error; a compiler that folded those divisions into constants would
// return the same values silently. The library also never clears a flag.
#include <gtest/gtest.h>

#include <cfenv>
#include <complex>
#include <limits>
#include <string>

#include "exported_calls.hpp"

namespace {

using varnel::test::Args;
using varnel::test::args_3;
using varnel::test::bits;
using varnel::test::find_exported;

struct FlagRow {
  const char* function;  // id in the table of exported functions
  Args args;
  int flag;              // what the call must raise
  const char* why;
};

const FlagRow kRaising[] = {
    {"cephes_d_ibeta", args_3(-1, 2, 0.5), FE_INVALID, "a <= 0: domain NaN by 0/0"},
    {"cephes_d_ibeta", args_3(2, 0, 0.5), FE_INVALID, "b = 0: domain NaN by 0/0"},
    {"cephes_d_ibeta", args_3(2, 3, 1.5), FE_INVALID, "x > 1: domain NaN by 0/0"},
    {"cephes_d_ibeta", args_3(2, 3, -0.25), FE_INVALID, "x < 0: domain NaN by 0/0"},
    {"z_gamma", args_3(0, 0, 0), FE_DIVBYZERO, "pole at 0: +inf by 1/0"},
    {"z_gamma", args_3(-0.0, 0, 0), FE_DIVBYZERO, "pole at -0: +inf by 1/0"},
    {"z_gamma", args_3(-19, 0, 0), FE_DIVBYZERO, "real integer below -18: +inf by 1/0"},
    {"z_lngamma", args_3(0, 0, 0), FE_DIVBYZERO, "pole at 0: +inf by 1/0"},
    {"z_lngamma", args_3(-3, -0.0, 0), FE_DIVBYZERO, "pole at -3: +inf by 1/0"},
    {"z_lngamma", args_3(-2147483648.0, 0, 0), FE_DIVBYZERO, "pole at -2^31: +inf by 1/0"},
};

TEST(FloatingPointFlags, PolesAndDomainErrorsRaiseTheirFlag) {
  int checked = 0;
  for (const FlagRow& row : kRaising) {
    const varnel::test::Exported* fn = find_exported(row.function);
    ASSERT_NE(fn, nullptr) << row.function;
    std::feclearexcept(FE_ALL_EXCEPT);
    const varnel::test::Result r = fn->call(row.args);
    const int raised = std::fetestexcept(FE_ALL_EXCEPT);
    EXPECT_TRUE(raised & row.flag) << varnel::test::describe(*fn, row.args) << " = "
                                   << varnel::test::describe(*fn, r) << ": flag not raised ("
                                   << row.why << ")";
    ++checked;
  }
}

// The values those flags come with: +inf + 0i at the recognised poles and
// the default quiet NaN with a clear sign bit for the domain error.
TEST(FloatingPointFlags, PoleAndDomainValuesHaveTheirBits) {
  const auto* ibeta = find_exported("cephes_d_ibeta");
  EXPECT_EQ(ibeta->call(args_3(-1, 2, 0.5)).re, 0x7ff8000000000000u);
  const varnel::test::Result gamma_pole = find_exported("z_gamma")->call(args_3(0, 0, 0));
  EXPECT_EQ(gamma_pole.re, bits(std::numeric_limits<double>::infinity()));
  EXPECT_EQ(gamma_pole.im, bits(0.0));
  const varnel::test::Result lngamma_pole = find_exported("z_lngamma")->call(args_3(-3, 0, 0));
  EXPECT_EQ(lngamma_pole.re, bits(std::numeric_limits<double>::infinity()));
  EXPECT_EQ(lngamma_pole.im, bits(0.0));
}

// Flags the caller had raised survive every call: the library neither
// clears nor saves and restores the floating-point environment.
TEST(FloatingPointFlags, NoFunctionClearsRaisedFlags) {
  constexpr int kRaised = FE_DIVBYZERO | FE_INVALID | FE_OVERFLOW | FE_UNDERFLOW | FE_INEXACT;
  Args ordinary = args_3(2.5, 1.5, 0.25);
  ordinary.f = 2.5f;
  ordinary.kind = 1;
  for (const varnel::test::Exported& fn : varnel::test::exported_functions()) {
    std::feclearexcept(FE_ALL_EXCEPT);
    std::feraiseexcept(kRaised);
    (void)fn.call(ordinary);
    EXPECT_EQ(std::fetestexcept(FE_ALL_EXCEPT) & kRaised, kRaised) << fn.id << " cleared a flag";
  }
  std::feclearexcept(FE_ALL_EXCEPT);
}

}  // namespace
