// The exported constants, bit for bit, read through the library's own objects
// and through the C interface's (libvarnel-c).
#include <gtest/gtest.h>

#include "test_support.hpp"
#include "varnel/varnel.h"
#include "varnel/varnel.hpp"

namespace {

using varnel::test::bits;
namespace c = varnel::cephes;

struct ConstantRow {
  const char* name;
  const double* object;
  const double* c_object;  // varnel_cephes_<name>
  uint64_t want;
};

const ConstantRow kConstants[] = {
    {"SQTPI", &c::SQTPI, &varnel_cephes_SQTPI, 0x40040d931ff62706},
    {"LOGPI", &c::LOGPI, &varnel_cephes_LOGPI, 0x3ff250d048e7a1bd},
    {"TWOOPI", &c::TWOOPI, &varnel_cephes_TWOOPI, 0x3fe45f306dc9c883},
    {"THPIO4", &c::THPIO4, &varnel_cephes_THPIO4, 0x4002d97c7f3321d2},
    {"LOGSQ2", &c::LOGSQ2, &varnel_cephes_LOGSQ2, 0x3fd62e42fefa39ef},
    {"LOGE2", &c::LOGE2, &varnel_cephes_LOGE2, 0x3fe62e42fefa39ef},
    {"SQ2OPI", &c::SQ2OPI, &varnel_cephes_SQ2OPI, 0x3fe9884533d43651},
    {"LOG2E", &c::LOG2E, &varnel_cephes_LOG2E, 0x3ff71547652b82fe},
    {"SQRTH", &c::SQRTH, &varnel_cephes_SQRTH, 0x3fe6a09e667f3bcd},
    {"SQRT2", &c::SQRT2, &varnel_cephes_SQRT2, 0x3ff6a09e667f3bcd},
    {"PIO4", &c::PIO4, &varnel_cephes_PIO4, 0x3fe921fb54442d18},
    {"PIO2", &c::PIO2, &varnel_cephes_PIO2, 0x3ff921fb54442d18},
    {"PI", &c::PI, &varnel_cephes_PI, 0x400921fb54442d18},
    {"D_MAXNUM", &c::D_MAXNUM, &varnel_cephes_D_MAXNUM, 0x7fefffffffffffff},
    {"D_MINLOG", &c::D_MINLOG, &varnel_cephes_D_MINLOG, 0xc086232bdd7abcd2},
    {"D_MAXLOG", &c::D_MAXLOG, &varnel_cephes_D_MAXLOG, 0x40862e42fefa39ef},
    {"D_MACHEP", &c::D_MACHEP, &varnel_cephes_D_MACHEP, 0x3ca0000000000000},
};

TEST(Constants, EveryExportedConstantHasItsExactBits) {
  for (const auto& row : kConstants) {
    EXPECT_EQ(bits(*row.object), row.want) << row.name;
    EXPECT_EQ(bits(*row.c_object), row.want) << "varnel_cephes_" << row.name;
  }
}

TEST(Constants, RelationsThatCallersMayRelyOn) {
  // SQTPI is the correctly rounded sqrt(2 pi), one ulp above sqrt(2*PI).
  EXPECT_EQ(bits(c::SQTPI), bits(std::sqrt(2 * c::PI)) + 1);
  EXPECT_EQ(c::D_MACHEP, std::ldexp(1.0, -53));
  EXPECT_EQ(c::D_MAXNUM, std::numeric_limits<double>::max());
  EXPECT_EQ(c::PIO2 * 2, c::PI);
  EXPECT_EQ(c::PIO4 * 4, c::PI);
}

}  // namespace
