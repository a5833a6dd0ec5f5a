// The values of the exported constants, written once for both interfaces: the
// C++ objects varnel::cephes::<name> (cephes/constants.cpp) and the C objects
// varnel_cephes_<name> (c/constants.cpp) are defined from this list, so both
// hold the very same bits.
//
// VARNEL_CONSTANT_VALUES(X) expands X(name, value) once per constant, in the
// order of <varnel/functions.h>. Each value is its exact bit pattern in
// hex-float form, so that the stored value cannot depend on how a compiler
// rounds a long decimal (the comment gives the decimal that rounds to it);
// the five that the library uses itself come from their compile-time copies
// in internal.hpp.
#ifndef VARNEL_SRC_CONSTANT_VALUES_HPP
#define VARNEL_SRC_CONSTANT_VALUES_HPP

#include "internal.hpp"

// clang-format off
#define VARNEL_CONSTANT_VALUES(X)                                            \
  X(SQTPI, ::varnel::detail::kSqrt2Pi)    /* 2.5066282746310007 */          \
  X(LOGPI, 0x1.250d048e7a1bdp+0)         /* 1.1447298858494002 */          \
  X(TWOOPI, 0x1.45f306dc9c883p-1)        /* 0.6366197723675814 */          \
  X(THPIO4, 0x1.2d97c7f3321d2p+1)        /* 2.356194490192345 */           \
  X(LOGSQ2, 0x1.62e42fefa39efp-2)        /* 0.34657359027997264 */         \
  X(LOGE2, 0x1.62e42fefa39efp-1)         /* 0.6931471805599453 */          \
  X(SQ2OPI, 0x1.9884533d43651p-1)        /* 0.7978845608028654 */          \
  X(LOG2E, 0x1.71547652b82fep+0)         /* 1.4426950408889634 */          \
  X(SQRTH, 0x1.6a09e667f3bcdp-1)         /* 0.7071067811865476 */          \
  X(SQRT2, 0x1.6a09e667f3bcdp+0)         /* 1.4142135623730951 */          \
  X(PIO4, 0x1.921fb54442d18p-1)          /* 0.7853981633974483 */          \
  X(PIO2, 0x1.921fb54442d18p+0)          /* 1.5707963267948966 */          \
  X(PI, ::varnel::detail::kPi)           /* 3.141592653589793 */           \
  X(D_MAXNUM, 0x1.fffffffffffffp+1023)   /* 1.7976931348623157e308 */      \
  X(D_MINLOG, ::varnel::detail::kMinLog) /* -708.3964185322641 */          \
  X(D_MAXLOG, ::varnel::detail::kMaxLog) /* 709.782712893384 */            \
  X(D_MACHEP, ::varnel::detail::kMachEp) /* 1.1102230246251565e-16 */
// clang-format on

#endif  // VARNEL_SRC_CONSTANT_VALUES_HPP
